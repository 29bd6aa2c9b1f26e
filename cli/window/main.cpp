// kvs-window: `kvs demo` and `kvs study`, which run the window's own code on
// the toolkit. kvs runs this program in its own place for those subcommands
// (cli/window_helper.h), so it answers as kvs.
#include <CLI/CLI.hpp>
#include <kvs/version.h>

#include <string>

#include "cli/command_line.h"
#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/window/demo_command.h"
#include "cli/window/study_command.h"

int main(int argc, char** argv)
{
    InstallInterruptHandlers();
    CLI::App app;
    // kvs answers --version itself; the helper only names the library it runs.
    DescribeKvs(app, std::string("kvs ") + kvs::version());

    int exitCode = kExitOk;
    AddDemoCommand(app, exitCode);
    AddStudyCommand(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error);  // --help
        return ReportError(ParseFailure(app, error));
    }
    return exitCode;
}
