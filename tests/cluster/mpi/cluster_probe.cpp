// Run under mpirun: the search split over the ranks against the engine's own
// search in one process, and the ranks' agreement when one of them fails or
// is cancelled. Every rank checks its own result; the exit code is the number
// of failed checks over all ranks, and rank 0 names its own.
#include <mpi.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "cluster/cluster.h"

namespace {
struct Table {
    std::vector<int32_t> values;
    int64_t rows = 0;
    int32_t dimension = 0;
};

Table RandomTable(int64_t rows, int32_t dimension, int32_t spread, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> coordinate(-spread, spread);
    Table table{std::vector<int32_t>(std::size_t(rows * dimension)), rows, dimension};
    for (int32_t& value : table.values)
        value = coordinate(random);
    return table;
}

// Rows packed into a few tight clusters and scattered ones: the tree's
// cost differs much from centre to centre.
Table ClusteredTable(int64_t rows, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> wide(-100000, 100000);
    std::uniform_int_distribution<int32_t> narrow(-3, 3);
    Table table{std::vector<int32_t>(std::size_t(rows * 2)), rows, 2};
    for (int64_t row = 0; row < rows; ++row) {
        const bool packed = row % 3 != 0;
        table.values[std::size_t(2 * row)] = packed ? 500 * int32_t(row % 2) + narrow(random) : wide(random);
        table.values[std::size_t(2 * row + 1)] = packed ? narrow(random) : wide(random);
    }
    return table;
}

struct Outcome {
    kvs::SearchStatus status = kvs::SearchStatus::BadArgument;
    kvs::SearchResult result;
    std::vector<int64_t> subset;
};

struct Search {
    kvs::SearchRequest request;
    std::vector<double> progress;

    static void Record(void* context, double fraction) { static_cast<Search*>(context)->progress.push_back(fraction); }

    Search(const Table& table, int64_t size, kvs::SearchMethod method, int threads)
    {
        request.table = {table.values.data(), table.rows, table.dimension};
        request.size = size;
        request.method = method;
        request.threads = threads;
        request.progress = &Search::Record;
        request.progressContext = this;
    }

    Outcome Run(const ClusterRun* run)
    {
        Outcome outcome;
        outcome.subset.assign(std::size_t(std::max<int64_t>(request.size, 0)), -1);
        outcome.result.subset = outcome.subset.data();
        outcome.status = run ? SearchAcrossRanks(*run, request, outcome.result)
                             : kvs::SearchSimilarRows(request, outcome.result);
        return outcome;
    }
};

class Checks {
public:
    explicit Checks(const ClusterRun& run) : run_(run) {}

    void Expect(bool ok, const std::string& what)
    {
        if (ok)
            return;
        ++failed_;
        if (run_.rank == 0)
            std::printf("FAILED: %s\n", what.c_str());
    }

    int FailedOnAllRanks() const
    {
        int total = 0;
        MPI_Allreduce(&failed_, &total, 1, MPI_INT, MPI_SUM, MPI_COMM_WORLD);
        return total;
    }

private:
    const ClusterRun& run_;
    int failed_ = 0;
};

std::string Named(const char* table, int64_t size, kvs::SearchMethod method, int threads)
{
    return std::string(table) + " s " + std::to_string(size) + " " + kvs::SearchMethodName(method) + " " +
           std::to_string(threads) + " threads";
}

void SameAnswerAsOneProcess(const ClusterRun& run, Checks& checks)
{
    struct Case {
        const char* name;
        Table table;
        std::vector<int64_t> sizes;
        std::vector<kvs::SearchMethod> methods;
    };
    const Case cases[] = {
        {"heavy ties", RandomTable(600, 2, 1, 3), {1, 37, 600},
         {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Described}},
        {"spread d 3", RandomTable(1200, 3, 40000, 4), {1, 80, 600},
         {kvs::SearchMethod::Dense, kvs::SearchMethod::Tree}},
        {"clustered", ClusteredTable(3000, 5), {60}, {kvs::SearchMethod::Auto, kvs::SearchMethod::Tree}},
        {"one row", RandomTable(1, 2, 5, 6), {1}, {kvs::SearchMethod::Dense}},
        // The grid's tables: its centres dealt out in the grid's cell order.
        {"uniform", RandomTable(6000, 2, 100000, 8), {20, 150}, {kvs::SearchMethod::Auto, kvs::SearchMethod::Grid}},
        {"ties across the cuts", RandomTable(4000, 2, 3, 9), {60}, {kvs::SearchMethod::Auto}},
        {"equal rows", RandomTable(3000, 2, 0, 10), {50}, {kvs::SearchMethod::Auto}},
        {"clustered grid", ClusteredTable(6000, 11), {60}, {kvs::SearchMethod::Grid}},
    };
    for (const Case& c : cases)
        for (int64_t size : c.sizes)
            for (kvs::SearchMethod method : c.methods)
                for (int threads : {1, 2}) {
                    const std::string name = Named(c.name, size, method, threads);
                    Search split(c.table, size, method, threads);
                    const Outcome got = split.Run(&run);
                    const Outcome expected = Search(c.table, size, method, threads).Run(nullptr);
                    checks.Expect(got.status == kvs::SearchStatus::Ok && expected.status == kvs::SearchStatus::Ok,
                                  name + ": status");
                    checks.Expect(got.result.centre == expected.result.centre, name + ": centre");
                    checks.Expect(got.result.score == expected.result.score, name + ": score");
                    checks.Expect(got.subset == expected.subset, name + ": subset");
                    checks.Expect(got.result.method == expected.result.method, name + ": method");
                    if (run.rank == 0) {
                        bool rising = !split.progress.empty() && split.progress.back() == 1.0;
                        for (std::size_t i = 1; i < split.progress.size(); ++i)
                            rising = rising && split.progress[i] >= split.progress[i - 1];
                        checks.Expect(rising, name + ": progress rises to 1");
                    }
                }
}

void* Refuse(void*, std::size_t) { return nullptr; }
void ReleaseNothing(void*, void*) {}

// One rank fails or is cancelled; every rank returns the same status.
void EveryRankStopsTogether(const ClusterRun& run, Checks& checks)
{
    const Table table = RandomTable(3000, 2, 1000, 7);
    // Dense, the grid named, and auto choosing the grid.
    const std::pair<kvs::SearchMethod, int64_t> searches[] = {
        {kvs::SearchMethod::Dense, 1500}, {kvs::SearchMethod::Grid, 20}, {kvs::SearchMethod::Auto, 20}};
    for (const auto& [method, size] : searches)
        for (int failing = 0; failing < run.ranks; ++failing) {
            const std::string rank = std::string(" ") + kvs::SearchMethodName(method) + " on rank " +
                                     std::to_string(failing);
            Search search(table, size, method, 1);
            if (run.rank == failing)
                search.request.allocator = {&Refuse, &ReleaseNothing, nullptr};
            checks.Expect(search.Run(&run).status == kvs::SearchStatus::OutOfMemory, "out of memory" + rank);
            search.request.allocator = {};

            std::atomic<bool> cancel{run.rank == failing};
            search.request.cancel = &cancel;
            checks.Expect(search.Run(&run).status == kvs::SearchStatus::Cancelled, "cancelled" + rank);
        }
    checks.Expect(Search(table, 3001, kvs::SearchMethod::Dense, 1).Run(&run).status == kvs::SearchStatus::BadArgument,
                  "size above the rows");
}
}  // namespace

int main()
{
    ClusterSession session;
    const ClusterRun& run = session.run();
    Checks checks(run);
    SameAnswerAsOneProcess(run, checks);
    EveryRankStopsTogether(run, checks);
    const int failed = checks.FailedOnAllRanks();
    if (run.rank == 0)
        std::printf("%d ranks: %d failed checks\n", run.ranks, failed);
    return failed == 0 ? 0 : 1;
}
