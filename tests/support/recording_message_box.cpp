#include "support/recording_message_box.h"

#include "platform/message_box.h"

namespace {
std::vector<RecordedMessage> recorded;
MessageBoxHandler saved = nullptr;

void Record(AppWindow* owner, const char* text, const char* caption)
{
    recorded.push_back({owner, text, caption ? caption : kDefaultMessageCaption});
}
}

MessageRecorder::MessageRecorder()
{
    recorded.clear();
    saved = SetMessageBoxHandler(Record);
}

MessageRecorder::~MessageRecorder()
{
    SetMessageBoxHandler(saved);
    recorded.clear();
}

const std::vector<RecordedMessage>& MessageRecorder::messages() const { return recorded; }

void MessageRecorder::clear() { recorded.clear(); }
