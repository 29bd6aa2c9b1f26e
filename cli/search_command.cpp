#include "cli/search_command.h"

#include <charconv>
#include <chrono>
#include <memory>
#include <new>
#include <vector>

#include "cluster/cluster.h"
#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/input_file.h"
#include "cli/interrupt.h"
#include "cli/output_file.h"
#include "cli/progress_bar.h"
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

ToolError ParseColumns(const std::string& text, std::vector<int>& columns)
{
    std::string_view rest = text;
    while (true) {
        const std::string_view item = rest.substr(0, rest.find(','));
        int column = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), column);
        if (item.empty() || error != std::errc() || end != item.data() + item.size() || column < 1)
            return UsageError("--columns " + text + ": expected column numbers from 1, separated by commas");
        for (int chosen : columns)
            if (chosen == column)
                return UsageError("--columns " + text + ": column " + std::to_string(column) + " is chosen twice");
        columns.push_back(column);
        if (item.size() == rest.size())
            return {};
        rest.remove_prefix(item.size() + 1);
    }
}

ToolError ParsePositiveDecimal(const std::string& option, const std::string& text, ExactDecimal& value)
{
    const NumberSyntax syntax = ParseExactDecimal(text, value);
    if ((syntax != NumberSyntax::Integer && syntax != NumberSyntax::Decimal) || value.negative || value.mantissa == 0)
        return UsageError(option + " " + text + ": expected a number above 0");
    return {};
}

ToolError CheckSettings(const SearchOptions& options, SearchSettings& settings)
{
    settings.read.cancel = &InterruptFlag();
    if (!options.columns.empty())
        if (ToolError error = ParseColumns(options.columns, settings.read.columns))
            return error;
    if (!options.scale.empty()) {
        ExactDecimal scale;
        if (ToolError error = ParsePositiveDecimal("--scale", options.scale, scale))
            return error;
        settings.read.scale = scale;
    }
    if (!options.fraction.empty()) {
        ExactDecimal fraction;
        if (ToolError error = ParsePositiveDecimal("--fraction", options.fraction, fraction))
            return error;
        settings.fraction = fraction;
    }
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
    settings.format = options.format == "json" ? ReportFormat::Json
                      : options.format == "csv" ? ReportFormat::Csv
                                                : ReportFormat::Text;
    return {};
}

ToolError ReadSearchTable(const SearchOptions& options, const SearchSettings& settings, Table& table)
{
    std::string bytes;
    if (ToolError error = ReadInputFile(options.input, bytes))
        return error;
    const TableReadError error = ReadTable(bytes, settings.read, table);
    if (error.cancelled)
        return InterruptedError();
    if (error)
        return UsageError(AtLocation(InputName(options.input), error.line, error.column, error.message));
    return {};
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
                error = ReadSearchTable(options, settings, table);
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
    const std::string input = InputName(options.input);
    if (settings.fraction) {
        if (!CeilingOfProduct(*settings.fraction, rows, size) || size > rows)
            return UsageError("--fraction " + options.fraction + ": expected a fraction above 0 and at most 1");
        return {};
    }
    size = options.size;
    if (size < 1)
        return UsageError("--size " + std::to_string(size) + ": the subset needs at least 1 row");
    if (size > rows)
        return UsageError("--size " + std::to_string(size) + ": larger than the " + std::to_string(rows) +
                          " rows of " + input);
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
    request.table = {table.values.data(), table.rows, table.dimension};
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
    const int32_t* centre = table.values.data() + result.centre * table.dimension;
    report.centreVector.assign(centre, centre + table.dimension);
    for (int64_t& row : report.subset)
        ++row;
    return {};
}

// The command's steps; any error ends it with its message and exit code.
ToolError RunSearch(const SearchOptions& options, const ClusterRun& run, OutputFile& output)
{
    SearchSettings settings;
    if (ToolError error = CheckSettings(options, settings))
        return error;
    Table table;
    if (ToolError error = OpenAndShareTable(options, settings, run, output, table))
        return error;
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
    CLI::App* command = app.add_subcommand("search", "Find the S mutually closest rows of a table of integer vectors");
    command->add_option("FILE", options->input, "The table: one vector per line; '-' reads standard input; .gz is read as it is")
        ->required();
    CLI::Option* size = command->add_option("-s,--size", options->size, "S, the rows in the subset (1 to n)");
    CLI::Option* fraction =
        command->add_option("--fraction", options->fraction, "S as a fraction F of the rows: S = ceil(F * n)");
    size->excludes(fraction);
    fraction->excludes(size);
    command->add_option("-j,--threads", options->threads, "Threads to search with (default: every core)")
        ->check(CLI::Range(1, 4096));
    command->add_option("--method", options->method, "auto, dense, tree or described")
        ->check(CLI::IsMember({"auto", "dense", "tree", "described"}));
    command->add_option("--columns", options->columns, "Use only these columns, counted from 1 (e.g. 1,3,4)");
    command->add_option("--delimiter", options->delimiter, "comma, semicolon, tab or blank (default: detected)")
        ->check(CLI::IsMember({"detect", "comma", "semicolon", "tab", "blank"}));
    command->add_option("--scale", options->scale, "Read every value as round(value * K), for tables of decimals");
    command->add_option("--format", options->format, "text, csv or json")
        ->check(CLI::IsMember({"text", "csv", "json"}));
    command->add_option("-o,--output", options->output,
                        "Write the result to FILE, a file whole or not at all, a FIFO or device straight through "
                        "(default: - for standard output)");
    command->add_flag("-q,--quiet", options->quiet, "No progress bar");
    command->footer("Lines starting with '#' and blank lines are skipped; a first line that is not numeric is a header.\n"
                    "Lines are at most 1 MiB long.");
    command->callback([options, size, fraction, &exitCode] {
        if (size->count() == 0 && fraction->count() == 0) {
            exitCode = ReportError(UsageError("search: give the subset size with --size S or --fraction F"));
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
