// Start-up: the system's message box, then the program.
#include "app/main_window.h"
#include "platform/message_box.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_message_box.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    SetMessageBoxHandler(ShowSystemMessageBox);
    return RunApplication(AppInstanceOf(instance), AppInstanceOf(previousInstance), commandLine, showCommand);
}
