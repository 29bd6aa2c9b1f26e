// Modal dialogs built from dialog resources, shown by the page over the
// window.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/software/xpm_picture.h"
#include "platform/test_hooks.h"
#include "platform/web/page_bridge.h"
#include "platform/web/web_records.h"

struct DialogBox {
    DialogProcedure procedure = nullptr;
    intptr_t result = 0;
    bool ended = false;
};

namespace {

// Dialog units: a quarter of the dialog font's average character width
// across and an eighth of its cell height down.
struct DialogUnits {
    int32_t baseX;
    int32_t baseY;
    int32_t X(int32_t units) const { return units * baseX / 4; }
    int32_t Y(int32_t units) const { return units * baseY / 8; }
};

// The icon image closest in size to the one asked for.
const IconImage* ClosestImage(const IconResource* icon, int size)
{
    if (!icon || icon->imageCount == 0)
        return nullptr;
    const IconImage* best = &icon->images[0];
    for (int i = 1; i < icon->imageCount; ++i) {
        if (std::abs(icon->images[i].width - size) < std::abs(best->width - size))
            best = &icon->images[i];
    }
    return best;
}

// An icon control shows the icon at its own size, not the control's; the
// colour "None" lets the dialog through.
void AddIcon(const DialogControl& control, const DialogUnits& units)
{
    const IconImage* image = ClosestImage(control.icon, 32);
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
    kv_modal_add_picture(units.X(control.x), units.Y(control.y), rgba.data(), picture.width, picture.height);
}

void AddControl(const DialogControl& control, const DialogUnits& units)
{
    const int32_t x = units.X(control.x);
    const int32_t y = units.Y(control.y);
    const int32_t width = units.X(control.width);
    const int32_t height = units.Y(control.height);
    switch (control.kind) {
    case ControlIcon:
        AddIcon(control, units);
        break;
    case ControlStaticText:
        kv_modal_add_text(x, y, width, height, control.text);
        break;
    case ControlDefaultButton:
        kv_modal_add_button(x, y, width, height, control.text, control.id, 1);
        break;
    }
}

// The resource places the dialog's client area from the corner of its
// owner's client area.
void BuildDialog(const DialogResource* resource)
{
    const DialogUnitsOfFont font = DialogUnitsOf(resource->fontName, resource->fontPoints);
    const DialogUnits units = {font.baseX, font.baseY};
    kv_modal_open(resource->caption, units.X(resource->x), units.Y(resource->y), units.X(resource->width),
                  units.Y(resource->height));
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

intptr_t RunDialogBox(AppInstance* /*instance*/, const DialogResource* resource, [[maybe_unused]] AppWindow* owner,
                      DialogProcedure procedure)
{
    if (!resource || !procedure)
        return -1;
    DialogBox box;
    box.procedure = procedure;
#ifdef KV_TEST_HOOKS
    if (testHooks.showDialogBox) {
        testHooks.showDialogBox(&box, resource, owner, procedure);
        return box.result;
    }
#endif
    BuildDialog(resource);
    procedure(&box, MessageInitDialog, 0, 0);
    if (!box.ended) {
        kv_modal_show();
        RunModalLoop(box.ended, SendCommand, &box);
    }
    kv_modal_close();
    return box.result;
}

void EndDialogBox(DialogBox* dialog, intptr_t result)
{
    if (!dialog)
        return;
    dialog->result = result;
    dialog->ended = true;
}

