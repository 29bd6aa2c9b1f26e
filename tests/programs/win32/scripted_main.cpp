// Start-up of the test build: the program as shipped, with the script driver.
#include "app/main_window.h"
#include "platform/message_box.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_message_box.h"
#include "win32/script_driver.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    SetMessageBoxHandler(ShowSystemMessageBox);
    StartScriptDriver(commandLine);
    return RunApplication(AppInstanceOf(instance), AppInstanceOf(previousInstance), commandLine, showCommand);
}
