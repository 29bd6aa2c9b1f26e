// The save-file prompt on the page: a name and a choice of the request's
// filters. A page has no folders to show: the chosen name is the name the
// browser downloads the file under, and since a download never replaces a
// file, the prompt never asks before replacing one.
#include <string>

#include "platform/common/save_prompt.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

namespace {

struct Prompt {
    SaveFileRequest* request;
    bool done = false;
    SaveFileResult result = SaveFileCancelled;
};

std::string TypedName()
{
    std::string name(256, '\0');
    int32_t length = kv_modal_read_name(name.data(), int32_t(name.size()));
    if (length >= int32_t(name.size())) {
        name.resize(std::size_t(length) + 1);
        length = kv_modal_read_name(name.data(), int32_t(name.size()));
    }
    name.resize(std::size_t(length));
    return name;
}

// A name whose last part has no dot takes the default extension.
std::string WithDefaultExtension(std::string name, const char* extension)
{
    const std::size_t folder = name.find_last_of("/\\");
    const std::size_t dot = name.rfind('.');
    if (extension && *extension && (dot == std::string::npos || (folder != std::string::npos && dot < folder)))
        name += std::string(".") + extension;
    return name;
}

// OK with no name typed yet does nothing, as in a desktop's prompt.
void Answer(void* context, int id)
{
    auto* prompt = static_cast<Prompt*>(context);
    if (id != kCommandOk) {
        prompt->done = true;
        return;
    }
    const std::string typed = TypedName();
    if (typed.empty())
        return;
    prompt->result = StoreChosenPath(prompt->request, WithDefaultExtension(typed, prompt->request->defaultExtension));
    prompt->done = true;
}

} // namespace

SaveFileResult RunSaveFileDialog(SaveFileRequest* request)
{
    if (const auto answer = AnswerWithoutPrompt(request))
        return *answer;
    constexpr int32_t kFlowing = -1;
    kv_modal_open(request->title ? request->title : "", kFlowing, 0, 0, 0);
    kv_modal_add_name_box("File name:");
    kv_modal_add_filter_choice("Save as type:", request->filters, request->filterCount,
                               request->selectedFilter - 1);
    kv_modal_add_button(kFlowing, 0, 0, 0, "Save", kCommandOk, 1);
    kv_modal_add_button(kFlowing, 0, 0, 0, "Cancel", kCommandCancel, 0);
    kv_modal_show();
    Prompt prompt = {request};
    RunModalLoop(prompt.done, Answer, &prompt);
    kv_modal_close();
    if (prompt.result == SaveFileCancelled)
        ClearChosenName(request);
    return prompt.result;
}
