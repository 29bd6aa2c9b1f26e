// kvs: the similar-subset search from the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/search_command.h"
#include "cli/version.h"
#include "cli/window_helper.h"

int main(int argc, char** argv)
{
    InstallInterruptHandlers();
    CLI::App app{"Finds the subset of mutually closest vectors in a table of integer vectors.", "kvs"};
    app.set_version_flag("--version", VersionText(), "Print the version and exit");
    app.require_subcommand(1);
    app.footer("Exit codes: 0 done, 1 failed while running, 2 bad arguments or input, 130 interrupted.\n"
               "Run 'kvs COMMAND --help' for a command's options.");

    int exitCode = kExitOk;
    AddSearchCommand(app, exitCode);
    AddWindowCommands(app, exitCode);  // demo and study, run by the window helper

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error);  // --help and --version
        return ReportError(UsageError(std::string(error.what()) + " (see 'kvs --help')"));
    }
    return exitCode;
}
