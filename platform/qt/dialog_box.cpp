// Modal dialogs built from dialog resources.
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "platform/common/modal_dialog.h"
#include "platform/qt/surface_records.h"
#include "platform/qt/window_records.h"
#include "platform/software/dialog_layout.h"

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

// A place given in dialog units, in pixels.
QRect Map(const DialogUnits& units, int x, int y, int width, int height)
{
    const DialogPlace place = units.Place(x, y, width, height);
    return QRect(place.x, place.y, place.width, place.height);
}

// The icon image closest in size to the control.
QPixmap PixmapOfIcon(const IconResource* icon, int size)
{
    const IconImage* image = ClosestIconImage(icon, size);
    return image ? QPixmap::fromImage(QImage(image->xpm)) : QPixmap();
}

void AddControl(ResourceDialog* dialog, const DialogControl& control, const DialogUnits& units)
{
    const QRect place = Map(units, control.x, control.y, control.width, control.height);
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
    const QRect frame = Map(units, resource->x, resource->y, resource->width, resource->height);
    dialog->setFixedSize(frame.size());
    if (ownerClient)
        dialog->setGeometry(QRect(ownerClient->mapToGlobal(frame.topLeft()), frame.size()));
    for (int i = 0; i < resource->controlCount; ++i)
        AddControl(dialog, resource->controls[i], units);
}

} // namespace

intptr_t ShowDialogBox(DialogBox* box, AppInstance* /*instance*/, const DialogResource* resource, AppWindow* owner)
{
    QWidget* ownerWidget = WindowIsLive(owner) ? static_cast<QWidget*>(owner->frame) : nullptr;
    ResourceDialog dialog(box, ownerWidget);
    box->close = [&dialog] { dialog.done(0); };
    BuildDialog(&dialog, resource, ownerWidget ? owner->client : nullptr);
    box->procedure(box, MessageInitDialog, 0, 0);
    if (!box->ended)
        dialog.exec();
    box->close = nullptr;
    ReturnKeyboardFocus(owner);
    return box->result;
}

