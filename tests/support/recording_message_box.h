// Records every message box instead of showing it, so tests can check the
// exact text and caption and nothing modal blocks them.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

struct RecordedMessage {
    AppWindow* owner;
    std::string text;
    std::string caption; // "Error" when the caller gave none, as the platform shows it
};

// Installs the recorder for the life of the object and puts the previous handler back after.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<RecordedMessage>& messages() const;
    void clear();
};
