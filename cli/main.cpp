// kvs: the similar-subset search from the command line.
#include <CLI/CLI.hpp>

#include "cli/command_line.h"
#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/search_command.h"
#include "cli/version.h"
#include "cli/window_helper.h"

int main(int argc, char** argv)
{
    InstallInterruptHandlers();
    CLI::App app;
    DescribeKvs(app, VersionText());

    int exitCode = kExitOk;
    AddSearchCommand(app, exitCode);
    AddWindowCommands(app, exitCode);  // demo and study, run by the window helper

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error);  // --help and --version
        return ReportError(ParseFailure(app, error));
    }
    return exitCode;
}
