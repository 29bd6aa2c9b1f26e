#include "cli/window/demo_command.h"

#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/app_state.h"
#include "cli/command_line.h"
#include "cli/window/demo_replay.h"
#include "cli/error_report.h"
#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/window/offscreen.h"
#include "cli/output_file.h"
#include "platform/file_io.h"
#include "cli/window_commands.h"

namespace {

constexpr int32_t kLargestClientSide = 16384;
// The save command's name buffer, terminator included.
constexpr size_t kLongestPictureName = sizeof AppState::fileName;

struct DemoOptions {
    std::string client = "1280x1005";
    std::string format = "text";
    std::optional<std::string> exportPath;
    std::vector<std::string> actions;
};

std::string JsonQuoted(const std::string& text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string JoinedCoordinates(const std::vector<int32_t>& values, const char* separator)
{
    std::string out;
    for (const int32_t v : values)
        out += (out.empty() ? "" : separator) + std::to_string(v);
    return out;
}

std::string FormatView(const std::string& action, const DemoView& view, bool json)
{
    const std::string vector = JoinedCoordinates(view.centreVector, json ? ", " : ",");
    if (json)
        return "{\"action\": " + JsonQuoted(action) + ", \"noise\": " + std::to_string(view.noise) +
               ", \"series\": " + (view.series ? "true" : "false") + ", \"centre\": " +
               std::to_string(view.centre) + ", \"centre_vector\": " + (view.centre ? "[" + vector + "]" : "null") +
               "}\n";
    return action + "  noise " + std::to_string(view.noise) + "  series " + (view.series ? "yes" : "no") +
           "  centre " + std::to_string(view.centre) + "  " + (view.centre ? "(" + vector + ")" : "-") + "\n";
}

// One element per line: its identity (0 background, 1 the picked vector's
// copies), then its noisy coordinates.
std::string SeriesCsv(const DemoSeries& series)
{
    std::string out = "identity";
    for (int32_t j = 0; j < series.dimension; ++j)
        out += ",x" + std::to_string(j + 1);
    out += "\n";
    for (size_t i = 0; i < series.identities.size(); ++i) {
        out += std::to_string(series.identities[i]);
        for (int32_t j = 0; j < series.dimension; ++j)
            out += "," + std::to_string(series.noisyValues[i * size_t(series.dimension) + size_t(j)]);
        out += "\n";
    }
    return out;
}

// The window saves straight to the file, by the platform's rules for every
// file the program writes; its messages, and the system's reason, make the
// error. Before the window does anything each file is tried as the window
// will write it: a file or a missing one gets a temporary file beside it,
// removed at once, so that a save into a missing or closed folder, over a
// folder or over a write-protected file is refused before any work. A FIFO,
// a device or a socket is not opened until the save: the window does not
// wait for a FIFO's reader.
ToolError CheckSaveTarget(const std::string& path)
{
    if (path.size() >= kLongestPictureName)
        return UsageError("cannot write '" + path + "': the window's file name holds at most " +
                          std::to_string(kLongestPictureName - 1) + " bytes");
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
        return {};
    OutputFile probe;
    return probe.Open(path);
}

ToolError Save(const DemoAction& action)
{
    ToolError error = RunDemoAction(action, action.path);
    if (error && LastFileError() != 0)
        error.message += " (" + SystemMessage(LastFileError()) + ")";
    return error;
}

// Every action is read and every file checked before the window does
// anything, so that a bad one leaves nothing written. The window's work
// never looks at the Ctrl-C flag: Ctrl-C ends the replay at once, leaving
// any file being saved as it was.
ToolError Replay(const DemoOptions& options)
{
    int32_t width = 0;
    int32_t height = 0;
    if (!ParseClientSize(options.client, width, height))
        return ArgumentError("demo", "--client " + options.client + ": expected WxH, each side from 1 to " +
                          std::to_string(kLargestClientSide));
    std::vector<DemoAction> actions(options.actions.size());
    for (size_t i = 0; i < actions.size(); ++i) {
        if (ToolError error = ParseDemoAction(options.actions[i], actions[i]))
            return error;
    }
    for (const DemoAction& action : actions) {
        if (action.kind == DemoAction::Save)
            if (ToolError error = CheckSaveTarget(action.path))
                return error;
    }
    OutputFile exported;
    if (options.exportPath) {
        if (*options.exportPath == "-")
            return ArgumentError("demo", "--export-series needs a file: standard output carries the action lines");
        if (ToolError error = exported.Open(*options.exportPath))
            return error;
    }
    OutputFile lines;
    lines.Open("-");

    EndAtOnceOnInterrupt();
    if (Interrupted())
        return InterruptedError();
    UseOffscreenToolkit();
    if (ToolError error = OpenDemoWindow(width, height, actions))
        return error;
    const bool json = options.format == "json";
    for (const DemoAction& action : actions) {
        ToolError error = action.kind == DemoAction::Save ? Save(action) : RunDemoAction(action, "");
        if (!error)
            error = lines.Write(FormatView(action.text, CurrentDemoView(), json));
        if (error)
            return error;
    }
    if (options.exportPath) {
        const DemoSeries series = CurrentDemoSeries();
        if (series.identities.empty())
            return UsageError("--export-series: no series exists after these actions");
        if (ToolError error = exported.Write(SeriesCsv(series)); error || (error = exported.Commit()))
            return error;
    }
    return lines.Commit();
}

} // namespace

bool ParseClientSize(const std::string& text, int32_t& width, int32_t& height)
{
    const size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    const auto side = [](std::string_view s, int32_t& value) {
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        return !s.empty() && ec == std::errc() && end == s.data() + s.size() && value >= 1 &&
               value <= kLargestClientSide;
    };
    const std::string_view view(text);
    return side(view.substr(0, x), width) && side(view.substr(x + 1), height);
}

void AddDemoCommand(CLI::App& app, int& exitCode)
{
    auto options = std::make_shared<DemoOptions>();
    CLI::App* demo = app.add_subcommand("demo", kDemoSummary);
    demo->footer(
        "Actions, carried out in order as the window carries them out:\n"
        "  pick:X,Y   a click in the series panel that picks the vector (X, Y): X from -179 to 180,\n"
        "             Y from -180 to 179, the vectors a click can give\n"
        "             (a second pick before restart is ignored, as in the window)\n"
        "  up, down   the Noise Level Up and Down buttons\n"
        "  repeat, restart, search   the buttons of those names\n"
        "  save:FILE  the Save image command: FILE.bmp or FILE.pcx (letters in any case)\n"
        "After each action one line: the action, the noise level, whether a series exists,\n"
        "the centre the result panel shows (0 for none) and its noisy coordinates.");
    demo->add_option("ACTION", options->actions, "The actions, in order")->required();
    demo->add_option("--client", options->client, "Client area for saves")->type_name("WxH")->capture_default_str();
    demo->add_option("--format", options->format, "Output: text or json (one object per line)")
        ->check(OneOf({"text", "json"}))
        ->capture_default_str();
    demo->add_option("--export-series", options->exportPath,
                     "Write the final noisy series as CSV: identity, then the coordinates")
        ->type_name("FILE");
    demo->callback([options, &exitCode] {
        const ToolError error = Replay(*options);
        CloseDemoWindow();
        exitCode = error ? ReportError(error) : kExitOk;
    });
}
