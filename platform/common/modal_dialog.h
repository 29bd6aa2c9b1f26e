// A modal dialog while it runs, as every backend holds it. RunDialogBox
// (platform/window.h) checks the request and offers the dialog to the test
// hook, then hands it to the backend to show.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/window.h"

struct DialogBox {
    DialogProcedure procedure = nullptr;
    intptr_t result = 0;         // what EndDialogBox recorded
    bool ended = false;          // EndDialogBox was called
    std::function<void()> close; // while the toolkit shows the dialog: closes it
};

// Defined by each backend: builds the dialog from the resource, owned by
// owner, sends MessageInitDialog and runs it modally until EndDialogBox;
// returns what RunDialogBox returns.
intptr_t ShowDialogBox(DialogBox* dialog, AppInstance* instance, const DialogResource* resource, AppWindow* owner);
