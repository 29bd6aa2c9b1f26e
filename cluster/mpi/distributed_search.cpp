// The search split over the ranks of an MPI job.
//
// Every rank runs one engine search on a thread of its own, prepared once
// (the method, the k-d tree) for all the centres it will try, while its main
// thread stays free for messages: the search's threads ask for the next
// chunk of centres (positions in the engine's order, the same on every rank)
// whenever they need one, and the main thread gets it from rank 0, which
// deals out the chunks (see centre_chunks.h) to every rank, itself included,
// and gathers the ranks' progress. A rank whose search fails says so with its
// next request; rank 0 then hands out no more chunks and cancels the searches
// still running, so every rank stops soon and they agree on the first real
// failure. At the end the ranks' best centres combine by the engine's rule,
// and rank 0 orders the winner's subset and hands it on.
#include <mpi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "cluster/centre_chunks.h"
#include "cluster/cluster.h"
#include "cluster/mpi/agreement.h"
#include "cluster/partial_best.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kRoot = 0;
// A message to rank 0 and one from it; each kind is read with its own tag,
// and a sender's messages of one tag arrive in the order it sent them.
constexpr int kTagToRoot = 1;
constexpr int kTagFromRoot = 2;

// To rank 0: the centres this rank has done, and its status. A request also
// asks for the next chunk; a report only brings the progress up to date; the
// last note says that the rank's search has ended (its count is final).
enum NoteKind : int64_t { kRequest, kReport, kLast };
struct Note {
    int64_t kind = kRequest;
    int64_t centresDone = 0;
    int64_t status = int64_t(kvs::SearchStatus::Ok);
};

// From rank 0: a chunk, the end of the work (the answer to a request once
// nothing is left or the search is failing, and to the last note), or a
// cancel for a running search.
enum OrderKind : int64_t { kChunk, kStop, kCancel };
struct Order {
    int64_t kind = kStop;
    int64_t begin = 0;
    int64_t end = 0;
};

constexpr int kNoteValues = sizeof(Note) / sizeof(int64_t);
constexpr int kOrderValues = sizeof(Order) / sizeof(int64_t);
// How often a main thread looks for messages and for a search that asks for
// a chunk or has ended, and how often progress travels.
constexpr auto kPollInterval = std::chrono::milliseconds(1);
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

void Send(const Note& note) { MPI_Send(&note, kNoteValues, MPI_INT64_T, kRoot, kTagToRoot, MPI_COMM_WORLD); }
void Send(const Order& order, int rank)
{
    MPI_Send(&order, kOrderValues, MPI_INT64_T, rank, kTagFromRoot, MPI_COMM_WORLD);
}

bool Pending(int source, int tag)
{
    int flag = 0;
    MPI_Iprobe(source, tag, MPI_COMM_WORLD, &flag, MPI_STATUS_IGNORE);
    return flag != 0;
}

// This rank's share of the search: one engine search on a thread of its own,
// prepared once (the method, the tree), whose threads ask for the next chunk
// of centres (positions in the engine's order) whenever they need one. The
// rank's main thread, which alone talks to the other ranks, answers: with a
// chunk from rank 0, or with none once there is no more work for this rank.
class RankSearch {
public:
    RankSearch(const kvs::SearchRequest& base, int64_t centres, const std::atomic<bool>* userCancel)
        : centres_(centres), userCancel_(userCancel)
    {
        request_ = base;
        request_.progress = &RankSearch::Progress;
        request_.progressContext = this;
        request_.cancel = &cancel_;
        request_.centreSource = &RankSearch::NextChunk;
        request_.centreSourceContext = this;
        thread_ = std::thread([this] {
            status_ = kvs::SearchSimilarRows(request_, result_);
            finished_.store(true, std::memory_order_release);
        });
    }
    // The search must have finished or be waiting for no answer.
    ~RankSearch() { thread_.join(); }

    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    // Whether a search thread waits for its next chunk.
    bool Asking() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return asking_;
    }
    // Hands the waiting thread a chunk; an empty one ends this rank's work.
    void Answer(CentreRange chunk)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        chunk_ = chunk;
        handedOut_ += chunk.count();
        asking_ = false;
        answered_.notify_all();
    }
    void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
    bool UserCancelled() const { return userCancel_ && userCancel_->load(std::memory_order_relaxed); }
    // Exact once the search has ended well: every chunk handed to it is done.
    int64_t CentresDone() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Finished() && status_ == kvs::SearchStatus::Ok)
            return handedOut_;
        return std::min(handedOut_, int64_t(fraction_.load(std::memory_order_relaxed) * double(centres_)));
    }
    // Valid once finished.
    kvs::SearchStatus Status() const { return status_; }
    const kvs::SearchResult& Result() const { return result_; }

private:
    static bool NextChunk(void* context, int64_t* first, int64_t* last)
    {
        RankSearch& search = *static_cast<RankSearch*>(context);
        std::unique_lock<std::mutex> lock(search.mutex_);
        search.asking_ = true;
        search.answered_.wait(lock, [&search] { return !search.asking_; });
        *first = search.chunk_.begin;
        *last = search.chunk_.end;
        return search.chunk_.count() > 0;
    }
    // The engine's fraction counts this rank's centres against all of them.
    static void Progress(void* context, double fraction)
    {
        static_cast<RankSearch*>(context)->fraction_.store(fraction, std::memory_order_relaxed);
    }

    kvs::SearchRequest request_;
    int64_t centres_;
    const std::atomic<bool>* userCancel_;
    kvs::SearchResult result_;
    kvs::SearchStatus status_ = kvs::SearchStatus::Ok;
    std::atomic<bool> cancel_{false};
    std::atomic<double> fraction_{0};
    std::atomic<bool> finished_{false};
    mutable std::mutex mutex_;
    std::condition_variable answered_;
    bool asking_ = false;
    CentreRange chunk_;
    int64_t handedOut_ = 0;
    std::thread thread_;
};

// Rank 0: deals out the chunks, to its own search as to the others', and
// reports every rank's progress.
class Dealer {
public:
    Dealer(const ClusterRun& run, RankSearch& own, const kvs::SearchRequest& request, CentreRange centres, int threads)
        : own_(own), request_(request), chunks_(MakeCentreChunks(0, centres.count(), run.ranks, threads)),
          centres_(centres.count()), workers_(std::size_t(run.ranks)), working_(run.ranks - 1)
    {
    }

    void Run()
    {
        bool ownFinished = false;
        Clock::time_point lastReport = Clock::now();
        while (!ownFinished || working_ > 0) {
            while (Pending(MPI_ANY_SOURCE, kTagToRoot))
                Answer();
            if (own_.Asking())
                own_.Answer(NextChunk());
            if (!ownFinished && own_.Finished()) {
                ownFinished = true;
                if (own_.Status() != kvs::SearchStatus::Ok)
                    Stop();
            }
            if (own_.UserCancelled())
                Stop();
            if (Clock::now() - lastReport >= kProgressInterval) {
                ReportProgress();
                lastReport = Clock::now();
            }
            std::this_thread::sleep_for(kPollInterval);
        }
        if (!stopping_)
            ReportProgress();  // the whole: every centre is done
    }

private:
    struct Worker {
        int64_t centresDone = 0;
        bool finished = false;  // its search has ended and it was told to stop
    };

    CentreRange NextChunk() { return stopping_ ? CentreRange{} : TakeCentreChunk(chunks_); }

    void Answer()
    {
        Note note;
        MPI_Status status;
        MPI_Recv(&note, kNoteValues, MPI_INT64_T, MPI_ANY_SOURCE, kTagToRoot, MPI_COMM_WORLD, &status);
        Worker& worker = workers_[std::size_t(status.MPI_SOURCE)];
        worker.centresDone = note.centresDone;
        if (note.kind == kReport)
            return;
        if (kvs::SearchStatus(note.status) != kvs::SearchStatus::Ok)
            Stop();
        if (note.kind == kLast) {
            worker.finished = true;
            --working_;
            Send(Order{kStop}, status.MPI_SOURCE);
            return;
        }
        const CentreRange next = NextChunk();
        Send(next.count() > 0 ? Order{kChunk, next.begin, next.end} : Order{kStop}, status.MPI_SOURCE);
    }

    // Hands out nothing more and cancels what runs: some rank failed or the
    // user interrupted.
    void Stop()
    {
        if (stopping_)
            return;
        stopping_ = true;
        own_.Cancel();
        for (std::size_t rank = 1; rank < workers_.size(); ++rank)
            if (!workers_[rank].finished)
                Send(Order{kCancel}, int(rank));
    }

    void ReportProgress()
    {
        if (!request_.progress || centres_ == 0)
            return;
        int64_t done = own_.CentresDone();
        for (const Worker& worker : workers_)
            done += worker.centresDone;
        request_.progress(request_.progressContext, double(std::min(done, centres_)) / double(centres_));
    }

    RankSearch& own_;
    const kvs::SearchRequest& request_;
    CentreChunks chunks_;
    int64_t centres_;
    std::vector<Worker> workers_;  // by rank; rank 0's entry stays unused
    int working_;                  // other ranks whose search has not yet ended
    bool stopping_ = false;
};

// The other ranks: ask rank 0 for a chunk whenever the search wants one,
// until rank 0 says stop; once the search has ended, a last note brings its
// status and its final count, and rank 0's answer to it is the last message
// between them (any cancel sent before it is read first).
class Worker {
public:
    explicit Worker(RankSearch& search) : search_(search) {}

    void Run()
    {
        Clock::time_point lastReport = Clock::now();
        while (!search_.Finished()) {
            if (search_.Asking())
                search_.Answer(stopped_ ? CentreRange{} : Tell(kRequest, kvs::SearchStatus::Ok));
            if (Pending(kRoot, kTagFromRoot))  // between requests, only a cancel comes
                Receive();
            if (search_.UserCancelled())
                search_.Cancel();
            if (Clock::now() - lastReport >= kProgressInterval) {
                Send(Note{kReport, search_.CentresDone()});
                lastReport = Clock::now();
            }
            std::this_thread::sleep_for(kPollInterval);
        }
        Tell(kLast, search_.Status());
    }

private:
    // Sends a request or the last note and waits for the answer: a chunk, or
    // none once rank 0 says stop. A cancel may come first.
    CentreRange Tell(NoteKind kind, kvs::SearchStatus status)
    {
        Send(Note{kind, search_.CentresDone(), int64_t(status)});
        while (true) {
            MPI_Request request;
            MPI_Irecv(&order_, kOrderValues, MPI_INT64_T, kRoot, kTagFromRoot, MPI_COMM_WORLD, &request);
            WaitAsleep(request);
            if (order_.kind == kChunk)
                return {order_.begin, order_.end};
            if (order_.kind == kStop) {
                stopped_ = true;
                return {};
            }
            search_.Cancel();
        }
    }

    void Receive()
    {
        MPI_Recv(&order_, kOrderValues, MPI_INT64_T, kRoot, kTagFromRoot, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
        search_.Cancel();
    }

    RankSearch& search_;
    Order order_;
    bool stopped_ = false;  // rank 0 hands out nothing more
};

// The best of all ranks, on every rank, by the engine's rule.
struct PackedBest {
    uint64_t scoreHigh;
    uint64_t scoreLow;
    int64_t centre;
};

PackedBest Pack(const PartialBest& best)
{
    return {best.score.high, best.score.low, best.centre};
}

PartialBest Unpack(const PackedBest& packed)
{
    return {{packed.scoreHigh, packed.scoreLow}, packed.centre};
}

void CombineBests(void* in, void* inout, int* count, MPI_Datatype*)
{
    const PackedBest* parts = static_cast<const PackedBest*>(in);
    PackedBest* bests = static_cast<PackedBest*>(inout);
    for (int i = 0; i < *count; ++i) {
        PartialBest best = Unpack(bests[i]);
        FoldPartialBest(best, Unpack(parts[i]));
        bests[i] = Pack(best);
    }
}

PartialBest BestOfAllRanks(const PartialBest& own)
{
    MPI_Datatype type;
    MPI_Type_contiguous(3, MPI_UINT64_T, &type);
    MPI_Type_commit(&type);
    MPI_Op combine;
    MPI_Op_create(&CombineBests, 1, &combine);
    const PackedBest mine = Pack(own);
    PackedBest best{};
    MPI_Request request;
    MPI_Iallreduce(&mine, &best, 1, type, combine, MPI_COMM_WORLD, &request);
    WaitAsleep(request);
    MPI_Op_free(&combine);
    MPI_Type_free(&type);
    return Unpack(best);
}

// The winner's subset in the engine's order, made on rank 0 and handed on.
// The others wait asleep: ordering a large table's subset takes seconds
// (one sort of every row's key), and a rank spinning in MPI's own wait
// would take a core from it.
kvs::SearchStatus ShareSubset(const ClusterRun& run, const kvs::SearchRequest& request, const PartialBest& best,
                         int64_t* subset)
{
    int status = int(kvs::SearchStatus::Ok);
    if (run.rank == kRoot)
        status = int(kvs::OrderSubset(request.table, request.size, best.centre, subset));
    MPI_Request sent;
    MPI_Ibcast(&status, 1, MPI_INT, kRoot, MPI_COMM_WORLD, &sent);
    WaitAsleep(sent);
    if (kvs::SearchStatus(status) != kvs::SearchStatus::Ok)
        return kvs::SearchStatus(status);
    constexpr int64_t kEntriesPerBroadcast = int64_t(1) << 27;
    for (int64_t first = 0; first < request.size; first += kEntriesPerBroadcast) {
        const int64_t piece = std::min(kEntriesPerBroadcast, request.size - first);
        MPI_Bcast(subset + first, int(piece), MPI_INT64_T, kRoot, MPI_COMM_WORLD);
    }
    return kvs::SearchStatus::Ok;
}

// The threads that ran on all ranks.
int ThreadsOfAllRanks(int own)
{
    int threads = 0;
    MPI_Request request;
    MPI_Iallreduce(&own, &threads, 1, MPI_INT, MPI_SUM, MPI_COMM_WORLD, &request);
    WaitAsleep(request);
    return threads;
}
}  // namespace

kvs::SearchStatus SearchAcrossRanks(const ClusterRun& run, const kvs::SearchRequest& request, kvs::SearchResult& result)
{
    kvs::SearchRequest own = request;
    if (own.threads == 0)
        own.threads = run.threads;
    const CentreRange centres{own.centreBegin, own.centreEnd == -1 ? own.table.rows : own.centreEnd};
    // With nothing to split, each rank gives the engine's own answer, the
    // same everywhere.
    if (run.ranks == 1 || centres.count() <= 0)
        return kvs::SearchSimilarRows(own, result);

    // Each rank's search finds its best centre (its result asks for no
    // subset); the winner's subset is ordered once, below.
    kvs::SearchStatus rankStatus = kvs::SearchStatus::Ok;
    kvs::SearchResult rankResult;
    {
        RankSearch search(own, centres.count(), request.cancel);
        if (run.rank == kRoot)
            Dealer(run, search, request, centres, own.threads).Run();
        else
            Worker(search).Run();
        rankStatus = search.Status();
        rankResult = search.Result();
    }

    // The main thread looks for the user's cancel between its messages, so
    // the search may have ended before it was seen; it cancels all the same.
    if (rankStatus == kvs::SearchStatus::Ok && request.cancel && request.cancel->load(std::memory_order_relaxed))
        rankStatus = kvs::SearchStatus::Cancelled;
    const kvs::SearchStatus status = AgreeOnSearchStatus(run, rankStatus);
    if (status != kvs::SearchStatus::Ok)
        return status;
    const PartialBest best = BestOfAllRanks({rankResult.score, rankResult.centre});
    const int threads = ThreadsOfAllRanks(rankResult.threads);
    if (result.subset && best.centre != kvs::kNoCentre)
        if (const kvs::SearchStatus subsetStatus = ShareSubset(run, own, best, result.subset);
            subsetStatus != kvs::SearchStatus::Ok)
            return subsetStatus;
    // Every rank ran the same method: the engine chooses it from the table
    // and the request alone.
    result.method = rankResult.method;
    result.threads = threads;
    result.centre = best.centre;
    result.score = best.score;
    return kvs::SearchStatus::Ok;
}
