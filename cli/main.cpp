// kvs: the similar-subset search from the command line.
#include <CLI/CLI.hpp>

#include "cli/command_line.h"
#include "cli/demo_command.h"
#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/search_command.h"
#include "cli/study_command.h"
#include "cli/version.h"

int main(int argc, char** argv)
{
    InstallInterruptHandlers();
    CLI::App app;
    DescribeKvs(app, VersionText());

    int exitCode = kExitOk;
    AddSearchCommand(app, exitCode);
    AddDemoCommand(app, exitCode);
    AddStudyCommand(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error);  // --help and --version
        return ReportError(ParseFailure(app, error));
    }
    return exitCode;
}
