#include "platform/web/page_message_box.h"

#include "platform/message_box.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

namespace {

void Close(void* context, int /*id*/)
{
    *static_cast<bool*>(context) = true;
}

} // namespace

// A modal box with the text and a single OK button, centred over the window;
// OK, Enter, Escape and the close box all close it.
void ShowPageMessageBox(AppWindow* /*owner*/, const char* text, const char* caption)
{
    constexpr int32_t kFlowing = -1;
    kv_modal_open(caption ? caption : kDefaultMessageCaption, kFlowing, 0, 0, 0);
    kv_modal_add_text(kFlowing, 0, 0, 0, text ? text : "");
    kv_modal_add_button(kFlowing, 0, 0, 0, "OK", kCommandOk, 1);
    kv_modal_show();
    bool closed = false;
    RunModalLoop(closed, Close, &closed);
    kv_modal_close();
}
