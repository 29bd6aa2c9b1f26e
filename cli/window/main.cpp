// kvs-window: `kvs demo` and `kvs study`, which run the window's own code on
// the toolkit. kvs runs this program in its own place for those subcommands
// (cli/window_helper.h), so it answers as kvs.
#include <CLI/CLI.hpp>

#include <string>

#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/window/demo_command.h"
#include "cli/window/study_command.h"

int main(int argc, char** argv)
{
    InstallInterruptHandlers();
    CLI::App app{"The window's commands of kvs: demo and study.", "kvs"};
    app.require_subcommand(1);

    int exitCode = kExitOk;
    AddDemoCommand(app, exitCode);
    AddStudyCommand(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error);  // --help
        return ReportError(UsageError(std::string(error.what()) + " (see 'kvs --help')"));
    }
    return exitCode;
}
