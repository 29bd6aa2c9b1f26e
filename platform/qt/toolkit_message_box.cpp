#include "platform/qt/toolkit_message_box.h"

#include <QMessageBox>

#include "platform/message_box.h"
#include "platform/qt/window_records.h"

// A modal box with the text and a single OK button, owned by the window.
void ShowToolkitMessageBox(AppWindow* owner, const char* text, const char* caption)
{
    QWidget* parent = WindowIsLive(owner) ? static_cast<QWidget*>(owner->frame) : nullptr;
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(caption ? caption : kDefaultMessageCaption),
                    QString::fromUtf8(text ? text : ""), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    ReturnKeyboardFocus(owner);
}
