#include "cli/window_helper.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/window_commands.h"
#include "cluster/launcher.h"

namespace {
// The helper's place relative to the running kvs (KVS_WINDOW_HELPER, from
// the build), so that an installed kvs and one in the build tree each find
// their own.
std::filesystem::path HelperPath()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path() / KVS_WINDOW_HELPER).lexically_normal();
}

// Runs the helper in this process's place; returns only when it cannot.
ToolError RunHelper(const std::string& command, const std::vector<std::string>& arguments)
{
    const std::string helper = HelperPath().string();
    std::vector<std::string> words{helper, command};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    if (Interrupted())
        return InterruptedError();
    execv(helper.c_str(), argv.data());
    if (errno == ENOENT)
        return UsageError(command + " needs the window program's helper " + helper +
                          ", which is not installed (it comes with the window program)");
    return UsageError("cannot run the window program's helper " + helper + ": " + SystemMessage(errno));
}

void AddWindowCommand(CLI::App& app, const std::string& name, const char* summary, int& exitCode)
{
    CLI::App* command = app.add_subcommand(name, summary);
    // Every argument, --help included, is the helper's.
    command->prefix_command();
    command->set_help_flag();
    command->callback([command, name, &exitCode] {
        // Under an MPI launcher every rank would run the whole command: rank
        // 0 says so once, and every rank ends with the same exit code.
        if (LauncherRank()) {
            exitCode = ReportError(UsageError(name + " runs as one process, not on the ranks of an MPI job: "
                                                     "start it without mpirun"));
            return;
        }
        exitCode = ReportError(RunHelper(name, command->remaining()));
    });
}
} // namespace

void AddWindowCommands(CLI::App& app, int& exitCode)
{
    AddWindowCommand(app, "demo", kDemoSummary, exitCode);
    AddWindowCommand(app, "study", kStudySummary, exitCode);
}
