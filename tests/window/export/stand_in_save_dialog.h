// A stand-in user for the save prompt: records what the prompt was asked to
// show, may scribble over the window as a dialog would, and answers with a
// chosen path, a cancel or a path too long for the name buffer.
#pragma once

#include <string>
#include <vector>

#include "platform/save_dialog.h"

struct SaveDialogScript {
    // What the user does.
    SaveFileResult answer = SaveFileConfirmed;
    std::string path;        // the full path chosen, with the extension the prompt would add
    bool coverWindow = false; // paint the owner's client area dark grey while the prompt is open

    // What the prompt was asked to show.
    int opened = 0;
    AppWindow* owner = nullptr;
    std::string title;
    std::vector<std::string> filters;
    int selectedFilter = 0;
    std::string nameWhenOpened;
    char* fileName = nullptr;
    std::size_t fileNameSize = 0;
    std::string defaultExtension;
    bool askBeforeReplacing = false;
};

inline SaveDialogScript saveDialog;

// Installs the stand-in for the life of the object, with a fresh script.
class StandInSaveDialog {
public:
    StandInSaveDialog();
    ~StandInSaveDialog();
    StandInSaveDialog(const StandInSaveDialog&) = delete;
    StandInSaveDialog& operator=(const StandInSaveDialog&) = delete;

private:
    SaveFileDialogHandler previous;
};
