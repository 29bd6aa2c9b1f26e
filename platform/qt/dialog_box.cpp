// Modal dialogs built from dialog resources.
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <cstdlib>

#include "platform/qt/surface_records.h"
#include "platform/qt/window_records.h"
#include "platform/resources.h"
#include "platform/test_hooks.h"

class ResourceDialog;

struct DialogBox {
    DialogProcedure procedure = nullptr;
    ResourceDialog* dialog = nullptr; // none under a test hook
    intptr_t result = 0;
    bool ended = false;
};

// A dialog whose every way of closing becomes a command to its procedure:
// the default button and Enter send the button's id, Escape and the close
// box send kCommandCancel. Only EndDialogBox closes it.
class ResourceDialog : public QDialog {
public:
    ResourceDialog(DialogBox* box, QWidget* owner) : QDialog(owner), box_(box) {}

    void SendCommand(int id) { box_->procedure(box_, MessageCommand, uintptr_t(id), 0); }
    void accept() override { SendCommand(kCommandOk); }
    void reject() override { SendCommand(kCommandCancel); }

private:
    DialogBox* box_;
};

namespace {

// Dialog units: a quarter of the dialog font's average character width
// across and an eighth of its cell height down.
struct DialogUnits {
    int baseX;
    int baseY;
    QRect Map(int x, int y, int width, int height) const
    {
        return QRect(x * baseX / 4, y * baseY / 8, width * baseX / 4, height * baseY / 8);
    }
};

// The icon image closest in size to the control.
QPixmap PixmapOfIcon(const IconResource* icon, int size)
{
    if (!icon || icon->imageCount == 0)
        return {};
    const IconImage* best = &icon->images[0];
    for (int i = 1; i < icon->imageCount; ++i) {
        if (std::abs(icon->images[i].width - size) < std::abs(best->width - size))
            best = &icon->images[i];
    }
    return QPixmap::fromImage(QImage(best->xpm));
}

void AddControl(ResourceDialog* dialog, const DialogControl& control, const DialogUnits& units)
{
    const QRect place = units.Map(control.x, control.y, control.width, control.height);
    switch (control.kind) {
    case ControlIcon: {
        auto* label = new QLabel(dialog);
        // An icon control shows the icon at its own size, not the control's.
        const QPixmap pixmap = PixmapOfIcon(control.icon, 32);
        label->setPixmap(pixmap);
        label->setGeometry(QRect(place.topLeft(), pixmap.size()));
        break;
    }
    case ControlStaticText: {
        auto* label = new QLabel(dialog);
        label->setTextFormat(Qt::PlainText);
        label->setText(QString::fromUtf8(control.text));
        label->setGeometry(place);
        break;
    }
    case ControlDefaultButton: {
        auto* button = new QPushButton(QString::fromUtf8(control.text), dialog);
        button->setDefault(true);
        button->setGeometry(place);
        const int id = control.id;
        QObject::connect(button, &QPushButton::clicked, dialog, [dialog, id] { dialog->SendCommand(id); });
        button->setFocus();
        break;
    }
    }
}

// The resource places the dialog's client area from the corner of its
// owner's client area (below the owner's menu bar), not of its frame.
void BuildDialog(ResourceDialog* dialog, const DialogResource* resource, QWidget* ownerClient)
{
    dialog->setWindowTitle(QString::fromUtf8(resource->caption));
    const DialogFont font = DialogFontOf(resource->fontName, resource->fontPoints);
    dialog->setFont(font.font);
    const DialogUnits units = {font.baseX, font.baseY};
    const QRect frame = units.Map(resource->x, resource->y, resource->width, resource->height);
    dialog->setFixedSize(frame.size());
    if (ownerClient)
        dialog->setGeometry(QRect(ownerClient->mapToGlobal(frame.topLeft()), frame.size()));
    for (int i = 0; i < resource->controlCount; ++i)
        AddControl(dialog, resource->controls[i], units);
}

} // namespace

intptr_t RunDialogBox(AppInstance* /*instance*/, const DialogResource* resource, AppWindow* owner,
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
    QWidget* ownerWidget = WindowIsLive(owner) ? static_cast<QWidget*>(owner->frame) : nullptr;
    ResourceDialog dialog(&box, ownerWidget);
    box.dialog = &dialog;
    BuildDialog(&dialog, resource, ownerWidget ? owner->client : nullptr);
    procedure(&box, MessageInitDialog, 0, 0);
    if (!box.ended)
        dialog.exec();
    ReturnKeyboardFocus(owner);
    return box.result;
}

void EndDialogBox(DialogBox* dialog, intptr_t result)
{
    if (!dialog)
        return;
    dialog->result = result;
    dialog->ended = true;
    if (dialog->dialog)
        dialog->dialog->done(0);
}

