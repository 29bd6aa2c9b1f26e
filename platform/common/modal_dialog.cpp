// Modal dialogs up to the backend's toolkit: the checks, and the test hook
// that answers in the user's place.
#include "platform/common/modal_dialog.h"

#include "platform/test_hooks.h"

intptr_t RunDialogBox(AppInstance* instance, const DialogResource* resource, AppWindow* owner,
                      DialogProcedure procedure)
{
    if (!resource || !procedure)
        return -1;
    DialogBox dialog;
    dialog.procedure = procedure;
#ifdef KV_TEST_HOOKS
    if (testHooks.showDialogBox) {
        testHooks.showDialogBox(&dialog, resource, owner, procedure);
        return dialog.result;
    }
#endif
    return ShowDialogBox(&dialog, instance, resource, owner);
}

void EndDialogBox(DialogBox* dialog, intptr_t result)
{
    if (!dialog)
        return;
    dialog->result = result;
    dialog->ended = true;
    if (dialog->close)
        dialog->close();
}
