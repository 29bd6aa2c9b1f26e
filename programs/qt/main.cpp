// Start-up on the desktop: the toolkit made ready, then the program.
#include "app/main_window.h"
#include "platform/qt/start_up.h"
#include "platform/window.h"

namespace {

// The show command a desktop start-up passes: a normal window.
constexpr int kShowNormal = 1;

int RunProgram(const char* commandLine) { return RunApplication(CurrentInstance(), nullptr, commandLine, kShowNormal); }

} // namespace

int main(int argc, char** argv) { return RunWithToolkit(argc, argv, RunProgram); }
