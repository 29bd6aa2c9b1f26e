// Modal dialogs built from dialog resources, shown by the page over the
// window.
#include <string>
#include <vector>

#include "platform/common/modal_dialog.h"
#include "platform/software/dialog_layout.h"
#include "platform/software/xpm_picture.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

namespace {

// An icon control shows the icon at its own size, not the control's; the
// colour "None" lets the dialog through.
void AddIcon(const DialogControl& control, const DialogPlace& place)
{
    const IconImage* image = ClosestIconImage(control.icon, 32);
    XpmPicture picture;
    std::string error;
    if (!image || !ReadXpmPicture(*image, &picture, &error))
        return;
    std::vector<uint32_t> rgba(picture.indices.size(), 0);
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        const int index = picture.indices[i];
        if (index == picture.transparent)
            continue;
        const uint32_t rgb = picture.palette[std::size_t(index)];
        rgba[i] = 0xFF000000u | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); // 0xAABBGGRR
    }
    kv_modal_add_picture(place.x, place.y, rgba.data(), picture.width, picture.height);
}

void AddControl(const DialogControl& control, const DialogUnits& units)
{
    const DialogPlace place = units.Place(control.x, control.y, control.width, control.height);
    switch (control.kind) {
    case ControlIcon:
        AddIcon(control, place);
        break;
    case ControlStaticText:
        kv_modal_add_text(place.x, place.y, place.width, place.height, control.text);
        break;
    case ControlDefaultButton:
        kv_modal_add_button(place.x, place.y, place.width, place.height, control.text, control.id, 1);
        break;
    }
}

// The resource places the dialog's client area from the corner of its
// owner's client area.
void BuildDialog(const DialogResource* resource)
{
    const DialogUnits units = DialogUnitsOf(resource->fontName, resource->fontPoints);
    const DialogPlace frame = units.Place(resource->x, resource->y, resource->width, resource->height);
    kv_modal_open(resource->caption, frame.x, frame.y, frame.width, frame.height);
    for (int i = 0; i < resource->controlCount; ++i)
        AddControl(resource->controls[i], units);
}

// The default button and Enter send the button's id, Escape and the close
// box kCommandCancel: every way of closing is a command to the procedure.
void SendCommand(void* context, int id)
{
    auto* box = static_cast<DialogBox*>(context);
    box->procedure(box, MessageCommand, uintptr_t(id), 0);
}

} // namespace

// The page shows its dialogs over the window, whichever owns them.
intptr_t ShowDialogBox(DialogBox* box, AppInstance* /*instance*/, const DialogResource* resource, AppWindow* /*owner*/)
{
    BuildDialog(resource);
    box->procedure(box, MessageInitDialog, 0, 0);
    if (!box->ended) {
        kv_modal_show();
        RunModalLoop(box->ended, SendCommand, box);
    }
    kv_modal_close();
    return box->result;
}

