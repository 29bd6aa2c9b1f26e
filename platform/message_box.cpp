#include "platform/message_box.h"

#include <cstdio>

namespace {
MessageBoxHandler currentHandler = nullptr;
}

void ShowMessageBox(AppWindow* owner, const char* text, const char* caption)
{
    if (currentHandler) {
        currentHandler(owner, text, caption);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption ? caption : kDefaultMessageCaption, text);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = currentHandler;
    currentHandler = handler;
    return previous;
}
