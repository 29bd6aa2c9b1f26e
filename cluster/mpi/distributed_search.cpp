// The search split over the ranks of an MPI job.
//
// Every rank searches one chunk of centres at a time on a thread of its own,
// with the engine's threads, while its main thread stays free for messages:
// on rank 0 it deals out the chunks (see centre_chunks.h) and gathers the
// ranks' progress; on the others it asks for chunks, reports progress and
// listens for a cancel. A rank that fails says so with its next request;
// rank 0 then hands out no more chunks and cancels the chunks still running,
// so every rank stops soon and they agree on the first real failure. At the
// end the ranks' best centres combine by the engine's rule, and rank 0 orders
// the winner's subset and hands it on.
#include <mpi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
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
// asks for the next chunk; a report only brings the progress up to date.
enum NoteKind : int64_t { kRequest, kReport };
struct Note {
    int64_t kind = kRequest;
    int64_t centresDone = 0;
    int64_t status = int64_t(kvs::SearchStatus::Ok);
};

// From rank 0: a chunk, the end of the work (the answer to a request once
// nothing is left or the search is failing), or a cancel for a running chunk.
enum OrderKind : int64_t { kChunk, kStop, kCancel };
struct Order {
    int64_t kind = kStop;
    int64_t begin = 0;
    int64_t end = 0;
};

constexpr int kNoteValues = sizeof(Note) / sizeof(int64_t);
constexpr int kOrderValues = sizeof(Order) / sizeof(int64_t);
// How often a main thread looks for messages and a finished chunk, and how
// often progress travels.
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

// One chunk of centres searched on a thread of its own.
class ChunkSearch {
public:
    ChunkSearch(const kvs::SearchRequest& base, CentreRange range, int threads, const std::atomic<bool>* cancel)
        : range_(range)
    {
        request_ = base;
        request_.centreBegin = range.begin;
        request_.centreEnd = range.end;
        request_.threads = threads;
        request_.progress = &ChunkSearch::Progress;
        request_.progressContext = this;
        request_.cancel = cancel;
        thread_ = std::thread([this] {
            status_ = kvs::SearchSimilarRows(request_, result_);
            finished_.store(true, std::memory_order_release);
        });
    }
    ~ChunkSearch() { thread_.join(); }

    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    int64_t CentresDone() const { return int64_t(fraction_.load(std::memory_order_relaxed) * double(range_.count())); }
    int64_t Centres() const { return range_.count(); }
    // Valid once finished.
    kvs::SearchStatus Status() const { return status_; }
    const kvs::SearchResult& Result() const { return result_; }

private:
    static void Progress(void* context, double fraction)
    {
        static_cast<ChunkSearch*>(context)->fraction_.store(fraction, std::memory_order_relaxed);
    }

    kvs::SearchRequest request_;
    CentreRange range_;
    kvs::SearchResult result_;
    kvs::SearchStatus status_ = kvs::SearchStatus::Ok;
    std::atomic<double> fraction_{0};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// What one rank has done: its chunks one after another, their best centre
// and the first failure among them.
class RankWork {
public:
    RankWork(const kvs::SearchRequest& request, int threads) : request_(request), threads_(threads) {}

    bool Running() const { return chunk_ != nullptr; }
    bool ChunkFinished() const { return chunk_ && chunk_->Finished(); }

    void Start(CentreRange range)
    {
        if (UserCancelled())
            Cancel();
        chunk_ = std::make_unique<ChunkSearch>(request_, range, threads_, &cancel_);
    }

    // Folds in the finished chunk.
    void Finish()
    {
        if (chunk_->Status() == kvs::SearchStatus::Ok) {
            const kvs::SearchResult& result = chunk_->Result();
            FoldPartialBest(best_, {result.score, result.centre});
            method_ = result.method;
            threadsRun_ = std::max(threadsRun_, result.threads);
        } else if (status_ == kvs::SearchStatus::Ok) {
            status_ = chunk_->Status();
        }
        centresFinished_ += chunk_->Centres();
        chunk_.reset();
    }

    void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
    // Rank 0 stops dealing: its own centres will not all be searched.
    void Abandon()
    {
        Cancel();
        if (status_ == kvs::SearchStatus::Ok)
            status_ = kvs::SearchStatus::Cancelled;
    }
    bool UserCancelled() const { return request_.cancel && request_.cancel->load(std::memory_order_relaxed); }

    int64_t CentresDone() const { return centresFinished_ + (chunk_ ? chunk_->CentresDone() : 0); }
    kvs::SearchStatus Status() const { return status_; }
    const PartialBest& Best() const { return best_; }
    kvs::SearchMethod Method() const { return method_; }
    int ThreadsRun() const { return threadsRun_; }
    const kvs::SearchRequest& Request() const { return request_; }
    int Threads() const { return threads_; }

private:
    const kvs::SearchRequest& request_;
    int threads_;
    std::atomic<bool> cancel_{false};
    std::unique_ptr<ChunkSearch> chunk_;
    PartialBest best_;
    kvs::SearchStatus status_ = kvs::SearchStatus::Ok;
    kvs::SearchMethod method_ = kvs::SearchMethod::Auto;
    int threadsRun_ = 0;
    int64_t centresFinished_ = 0;
};

// Rank 0: deals out the chunks, searches its own, and reports every rank's
// progress.
class Dealer {
public:
    Dealer(const ClusterRun& run, RankWork& work, CentreRange centres)
        : work_(work), chunks_(MakeCentreChunks(centres.begin, centres.end, run.ranks, work.Threads())),
          centres_(centres.count()), workers_(std::size_t(run.ranks)), working_(run.ranks - 1)
    {
    }

    void Run()
    {
        bool ownDone = false;
        Clock::time_point lastReport = Clock::now();
        while (!ownDone || working_ > 0) {
            while (Pending(MPI_ANY_SOURCE, kTagToRoot))
                Answer();
            if (work_.ChunkFinished()) {
                work_.Finish();
                if (work_.Status() != kvs::SearchStatus::Ok)
                    Stop();
            }
            if (work_.UserCancelled())
                Stop();
            if (!work_.Running() && !ownDone) {
                const CentreRange next = NextChunk();
                if (next.count() > 0)
                    work_.Start(next);
                else
                    ownDone = true;
            }
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
        bool busy = false;  // holds a chunk, or asks for one
    };

    CentreRange NextChunk() { return stopping_ ? CentreRange{} : TakeCentreChunk(chunks_); }

    void Answer()
    {
        Note note;
        MPI_Status status;
        MPI_Recv(&note, kNoteValues, MPI_INT64_T, MPI_ANY_SOURCE, kTagToRoot, MPI_COMM_WORLD, &status);
        Worker& worker = workers_[std::size_t(status.MPI_SOURCE)];
        worker.centresDone = note.centresDone;
        if (note.kind != kRequest)
            return;
        if (kvs::SearchStatus(note.status) != kvs::SearchStatus::Ok)
            Stop();
        const CentreRange next = NextChunk();
        worker.busy = next.count() > 0;
        if (!worker.busy)
            --working_;
        Send(worker.busy ? Order{kChunk, next.begin, next.end} : Order{kStop}, status.MPI_SOURCE);
    }

    // Hands out nothing more and cancels what runs: some rank failed or the
    // user interrupted.
    void Stop()
    {
        if (stopping_)
            return;
        stopping_ = true;
        work_.Abandon();
        for (std::size_t rank = 1; rank < workers_.size(); ++rank)
            if (workers_[rank].busy)
                Send(Order{kCancel}, int(rank));
    }

    void ReportProgress()
    {
        const kvs::SearchRequest& request = work_.Request();
        if (!request.progress || centres_ == 0)
            return;
        int64_t done = work_.CentresDone();
        for (const Worker& worker : workers_)
            done += worker.centresDone;
        request.progress(request.progressContext, double(std::min(done, centres_)) / double(centres_));
    }

    RankWork& work_;
    CentreChunks chunks_;
    int64_t centres_;
    std::vector<Worker> workers_;  // by rank; rank 0's entry stays unused
    int working_;                  // other ranks not yet told to stop
    bool stopping_ = false;
};

// The other ranks: ask for a chunk, search it, until rank 0 says stop.
void RunWorker(RankWork& work)
{
    while (true) {
        Send(Note{kRequest, work.CentresDone(), int64_t(work.Status())});
        // A cancel that crossed this request belongs to the chunk just finished.
        Order order;
        do {
            MPI_Request request;
            MPI_Irecv(&order, kOrderValues, MPI_INT64_T, kRoot, kTagFromRoot, MPI_COMM_WORLD, &request);
            WaitAsleep(request);
        } while (order.kind == kCancel);
        if (order.kind == kStop)
            return;
        work.Start({order.begin, order.end});
        Clock::time_point lastReport = Clock::now();
        while (!work.ChunkFinished()) {
            if (Pending(kRoot, kTagFromRoot)) {  // while a chunk runs, only a cancel comes
                MPI_Recv(&order, kOrderValues, MPI_INT64_T, kRoot, kTagFromRoot, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
                work.Cancel();
            }
            if (work.UserCancelled())
                work.Cancel();
            if (Clock::now() - lastReport >= kProgressInterval) {
                Send(Note{kReport, work.CentresDone()});
                lastReport = Clock::now();
            }
            std::this_thread::sleep_for(kPollInterval);
        }
        work.Finish();
    }
}

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
    MPI_Allreduce(&mine, &best, 1, type, combine, MPI_COMM_WORLD);
    MPI_Op_free(&combine);
    MPI_Type_free(&type);
    return Unpack(best);
}

// The winner's subset in the engine's order, made on rank 0 and handed on.
kvs::SearchStatus ShareSubset(const ClusterRun& run, const kvs::SearchRequest& request, const PartialBest& best,
                         int64_t* subset)
{
    int status = int(kvs::SearchStatus::Ok);
    if (run.rank == kRoot)
        status = int(kvs::OrderSubset(request.table, request.size, best.centre, subset));
    MPI_Bcast(&status, 1, MPI_INT, kRoot, MPI_COMM_WORLD);
    if (kvs::SearchStatus(status) != kvs::SearchStatus::Ok)
        return kvs::SearchStatus(status);
    constexpr int64_t kEntriesPerBroadcast = int64_t(1) << 27;
    for (int64_t first = 0; first < request.size; first += kEntriesPerBroadcast) {
        const int64_t piece = std::min(kEntriesPerBroadcast, request.size - first);
        MPI_Bcast(subset + first, int(piece), MPI_INT64_T, kRoot, MPI_COMM_WORLD);
    }
    return kvs::SearchStatus::Ok;
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

    RankWork work(own, own.threads);
    if (run.rank == kRoot)
        Dealer(run, work, centres).Run();
    else
        RunWorker(work);

    const kvs::SearchStatus status = AgreeOnSearchStatus(run, work.Status());
    if (status != kvs::SearchStatus::Ok)
        return status;
    const PartialBest best = BestOfAllRanks(work.Best());
    int method = int(work.Method());
    MPI_Bcast(&method, 1, MPI_INT, kRoot, MPI_COMM_WORLD);
    int threads = 0;
    const int threadsRun = work.ThreadsRun();
    MPI_Allreduce(&threadsRun, &threads, 1, MPI_INT, MPI_SUM, MPI_COMM_WORLD);
    if (result.subset && best.centre != kvs::kNoCentre)
        if (const kvs::SearchStatus subsetStatus = ShareSubset(run, own, best, result.subset);
            subsetStatus != kvs::SearchStatus::Ok)
            return subsetStatus;
    result.method = kvs::SearchMethod(method);
    result.threads = threads;
    result.centre = best.centre;
    result.score = best.score;
    return kvs::SearchStatus::Ok;
}
