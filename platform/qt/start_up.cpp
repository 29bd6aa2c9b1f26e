#include "platform/qt/start_up.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/message_box.h"
#include "platform/posix/temporary_files.h"
#include "platform/qt/toolkit_message_box.h"

namespace {

bool DisplayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

std::string CommandLineOf(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (!line.empty())
            line += ' ';
        line += argv[i];
    }
    return line;
}

} // namespace

int RunWithToolkit(int argc, char** argv, int (*program)(const char* commandLine))
{
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "Kestrand Vectors Subset needs a graphical display: none was found. "
                     "Run it in a desktop session, set DISPLAY, or set QT_QPA_PLATFORM=offscreen "
                     "to run it without a screen.\n");
        return 2;
    }
    // A save cut short by a signal leaves no temporary file behind.
    RemoveTemporaryFilesOnSignals();
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SetMessageBoxHandler(ShowToolkitMessageBox);
    const std::string commandLine = CommandLineOf(argc, argv);
    return program(commandLine.c_str());
}
