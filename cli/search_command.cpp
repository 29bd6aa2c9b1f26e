#include "cli/search_command.h"

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "cluster/cluster.h"
#include "cli/command_line.h"
#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/input_file.h"
#include "cli/interrupt.h"
#include "cli/output_file.h"
#include "base/progress_bar.h"
#include "cli/search_report.h"
#include "cli/table_reader.h"
#include "platform/memory.h"

namespace {
// The command line's choices, checked and in the reader's and engine's terms.
struct SearchSettings {
    TableReadOptions read;
    std::optional<ExactDecimal> fraction;
    kvs::SearchMethod method = kvs::SearchMethod::Auto;
    ReportFormat format = ReportFormat::Text;
};

ExactDecimal Decimal(const std::string& text)
{
    ExactDecimal value;
    ParseExactDecimal(text, value);
    return value;
}

void ConvertSettings(const SearchOptions& options, SearchSettings& settings)
{
    settings.read.cancel = &InterruptFlag();
    settings.read.header = options.header;
    settings.read.array = options.array;
    if (!options.columns.empty())
        ParseColumnList(options.columns, settings.read.columns);  // checked by the parser
    settings.read.autoScale = options.scale == "auto";
    if (!options.scale.empty() && !settings.read.autoScale)
        settings.read.scale = Decimal(options.scale);
    if (!options.fraction.empty())
        settings.fraction = Decimal(options.fraction);
    const std::pair<const char*, Delimiter> delimiters[] = {{"detect", Delimiter::Detect},
                                                            {"comma", Delimiter::Comma},
                                                            {"semicolon", Delimiter::Semicolon},
                                                            {"tab", Delimiter::Tab},
                                                            {"blank", Delimiter::Blank}};
    for (const auto& [name, delimiter] : delimiters)
        if (options.delimiter == name)
            settings.read.delimiter = delimiter;
    for (kvs::SearchMethod method :
         {kvs::SearchMethod::Auto, kvs::SearchMethod::Dense, kvs::SearchMethod::Tree, kvs::SearchMethod::Described})
        if (options.method == kvs::SearchMethodName(method))
            settings.method = method;
    settings.format = options.format == "json"   ? ReportFormat::Json
                      : options.format == "csv"  ? ReportFormat::Csv
                      : options.format == "rows" ? ReportFormat::Rows
                                                 : ReportFormat::Text;
}

// Rank 0 opens the output and reads the table; then every rank of the run
// holds the table, or every rank the same error.
ToolError OpenAndShareTable(const SearchOptions& options, const SearchSettings& settings, const ClusterRun& run,
                            OutputFile& output, Table& table)
{
    ToolError error;
    if (run.rank == 0) {
        try {
            error = output.Open(options.output);
            if (!error)
                error = ReadTableFile(options.input, settings.read, table);
            if (!error && run.ranks > 1 && table.mapped) {
                // The ranks are sent values the table holds itself.
                table.values.assign(table.Data(), table.Data() + table.rows * table.dimension);
                table.mapped.reset();
            }
        } catch (const std::bad_alloc&) {
            error = RunFailure("out of memory");
        }
    }
    const ClusterFailure shared = ShareTable(run, {error.exitCode, error.message}, table.values, table.rows,
                                             table.dimension, kExitFailure);
    return {shared.exitCode, shared.message};
}

ToolError SubsetSize(const SearchOptions& options, const SearchSettings& settings, int64_t rows, int64_t& size)
{
    if (settings.fraction) {
        CeilingOfProduct(*settings.fraction, rows, size);  // 0 < F <= 1 gives 1 to n
        return {};
    }
    size = options.size;
    if (size > rows)
        return ArgumentError("search", "--size " + std::to_string(size) + ": larger than the " + Counted(rows, "row") +
                                           " of " + InputName(options.input));
    return {};
}

ToolError StatusError(kvs::SearchStatus status)
{
    switch (status) {
    case kvs::SearchStatus::Ok: return {};
    case kvs::SearchStatus::Cancelled: return InterruptedError();
    case kvs::SearchStatus::BadArgument: return UsageError(std::string("search: ") + kvs::SearchStatusMessage(status));
    case kvs::SearchStatus::OutOfMemory:
        return RunFailure("search: out of memory for its working storage (fewer --threads need less)");
    case kvs::SearchStatus::Overflow:
        return RunFailure("search: a score could exceed the widest sum kept (128 bits); nothing was reported");
    default: return RunFailure(std::string("search: ") + kvs::SearchStatusMessage(status));
    }
}

// Exact: d terms below 2^64 each sum below 2^95.
kvs::Score SquaredDistance(const int32_t* row, const int32_t* centre, int32_t dimension)
{
    unsigned __int128 sum = 0;
    for (int32_t k = 0; k < dimension; ++k) {
        const int64_t difference = int64_t(row[k]) - int64_t(centre[k]);
        const uint64_t magnitude = uint64_t(difference < 0 ? -difference : difference);
        sum += static_cast<unsigned __int128>(magnitude) * magnitude;
    }
    return {uint64_t(sum >> 64), uint64_t(sum)};
}

// The search's working storage comes from the program's heap, as every
// block the program holds does.
kvs::Allocator ProgramHeap()
{
    return {[](void*, std::size_t bytes) { return AllocateZeroed(bytes); },
            [](void*, void* block) { ReleaseMemory(block); }, nullptr};
}

ToolError Search(const SearchOptions& options, const SearchSettings& settings, const ClusterRun& run,
                 const Table& table, int64_t size, SearchReport& report)
{
    ProgressBar bar(options.quiet);
    kvs::SearchRequest request;
    request.table = {table.Data(), table.rows, table.dimension};
    request.size = size;
    request.method = settings.method;
    request.threads = options.threads;
    request.progress = ProgressBar::Report;
    request.progressContext = &bar;
    request.cancel = &InterruptFlag();
    request.allocator = ProgramHeap();
    report.subset.resize(std::size_t(size));
    kvs::SearchResult result;
    result.subset = report.subset.data();

    const auto start = std::chrono::steady_clock::now();
    const kvs::SearchStatus status = SearchAcrossRanks(run, request, result);
    report.searchSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bar.Finish();
    if (status != kvs::SearchStatus::Ok)
        return StatusError(status);

    report.rows = table.rows;
    report.dimension = table.dimension;
    report.size = size;
    report.centre = result.centre + 1;  // rows are reported from 1
    report.score = result.score;
    report.method = result.method;
    report.threads = result.threads;
    const int32_t* centre = table.Data() + result.centre * table.dimension;
    report.centreVector.assign(centre, centre + table.dimension);
    for (int64_t& row : report.subset) {
        report.distances.push_back(SquaredDistance(table.Data() + row * table.dimension, centre, table.dimension));
        ++row;
    }
    return {};
}

// The command's steps; any error ends it with its message and exit code.
ToolError RunSearch(const SearchOptions& options, const ClusterRun& run, OutputFile& output)
{
    SearchSettings settings;
    ConvertSettings(options, settings);
    Table table;
    if (ToolError error = OpenAndShareTable(options, settings, run, output, table))
        return error;
    if (settings.read.autoScale && !options.quiet && run.rank == 0)
        std::fprintf(stderr, "kvs search: --scale auto: every value times 1e%d\n", table.scaleDigits);
    int64_t size = 0;
    if (ToolError error = SubsetSize(options, settings, table.rows, size))
        return error;
    SearchReport report;
    if (ToolError error = Search(options, settings, run, table, size, report))
        return error;
    if (Interrupted())
        return InterruptedError();
    if (run.rank != 0)
        return {};  // rank 0 writes the result
    if (ToolError error = output.Write(FormatSearchReport(report, settings.format)))
        return error;
    return output.Commit();
}
} // namespace

void AddSearchCommand(CLI::App& app, int& exitCode)
{
    auto options = std::make_shared<SearchOptions>();
    AddSearchOptions(app, *options)->callback([options, &exitCode] {
        if (options->size == 0 && options->fraction.empty()) {
            exitCode = ReportError(ArgumentError("search", "give the subset size with --size S or --fraction F"));
            return;
        }
        exitCode = RunSearchCommand(*options);
    });
}

int RunSearchCommand(const SearchOptions& options)
{
    ClusterSession cluster;  // the ranks of an MPI job when mpirun started kvs
    OutputFile output;
    try {
        return ReportError(RunSearch(options, cluster.run(), output));
    } catch (const std::bad_alloc&) {
        const int exitCode = ReportError(RunFailure("out of memory"));
        AbandonJob(cluster.run(), exitCode);
        return exitCode;
    }
}
