// Start-up in the page: the page's message box, then the program.
#include "app/main_window.h"
#include "platform/message_box.h"
#include "platform/web/page_message_box.h"
#include "platform/window.h"

namespace {

// The show command a desktop start-up passes: a normal window.
constexpr int kShowNormal = 1;

} // namespace

int main()
{
    SetMessageBoxHandler(ShowPageMessageBox);
    return RunApplication(CurrentInstance(), nullptr, "", kShowNormal);
}
