// The frame and client widgets: Qt events in, window messages out.
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>

#include "platform/qt/window_records.h"

namespace {

void SendMouse(AppWindow* window, uint32_t message, const QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    SendAppMessage(window, message, 0, PackPoint(at.x(), at.y()));
}

// Key codes as the program knows them, for the keys that have one.
struct KeyPair {
    int qtKey;
    int keyCode;
};
constexpr KeyPair kKeyPairs[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},    {Qt::Key_Return, 0x0D},   {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11}, {Qt::Key_Alt, 0x12},      {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},  {Qt::Key_Escape, 0x1B},  {Qt::Key_Space, 0x20},    {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},  {Qt::Key_End, 0x23},     {Qt::Key_Home, 0x24},     {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},   {Qt::Key_Down, 0x28},     {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},
};
constexpr int kNoKeyCode = 0xFF;

// Alt pressed and released alone moves the keyboard to the menu bar and back,
// which the toolkit does only under styles that ask for it.
class AltNavigationStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

void OpenFirstMenu(QMenuBar* bar)
{
    for (QAction* top : bar->actions()) {
        if (top->menu() && top->isEnabled()) {
            bar->setActiveAction(top);
            return;
        }
    }
}

} // namespace

int KeyCodeOfQtKey(int qtKey)
{
    // Digits and letters keep their character codes; function keys start at 0x70.
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 0x70 + (qtKey - Qt::Key_F1);
    for (const KeyPair& pair : kKeyPairs) {
        if (pair.qtKey == qtKey)
            return pair.keyCode;
    }
    return kNoKeyCode;
}

int QtKeyOfKeyCode(int keyCode)
{
    if ((keyCode >= '0' && keyCode <= '9') || (keyCode >= 'A' && keyCode <= 'Z'))
        return keyCode;
    if (keyCode >= 0x70 && keyCode < 0x70 + 24)
        return Qt::Key_F1 + (keyCode - 0x70);
    for (const KeyPair& pair : kKeyPairs) {
        if (pair.keyCode == keyCode)
            return pair.qtKey;
    }
    return Qt::Key_unknown;
}

FrameWindow::FrameWindow(AppWindow* window) : window_(window)
{
    menuBar()->setNativeMenuBar(false);
    // Made after the menu bar, so that it is released after it too.
    auto* style = new AltNavigationStyle;
    style->setParent(this);
    menuBar()->setStyle(style);
}

// The close box asks the program; the program decides whether the window goes.
void FrameWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    SendAppMessage(window_, MessageClose, 0, 0);
}

ClientWidget::ClientWidget(AppWindow* window) : window_(window)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool ClientWidget::event(QEvent* event)
{
    if (event->type() == PaintRequestEventType()) {
        if (WindowIsLive(window_))
            PaintInvalidArea(window_);
        return true;
    }
    return QWidget::event(event);
}

void ClientWidget::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.drawImage(0, 0, window_->clientImage);
}

void ClientWidget::resizeEvent(QResizeEvent* /*event*/)
{
    if (WindowIsLive(window_))
        FitClientImage(window_);
}

void ClientWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        SendMouse(window_, MessageLButtonDown, event);
}

// The toolkit keeps sending a pressed mouse's events to the widget it went
// down in; the window does not capture the mouse, so what happens outside
// the client area is not seen.
void ClientWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        SendMouse(window_, MessageLButtonUp, event);
}

// Without double clicks the second press of a double click is a plain press.
void ClientWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    SendMouse(window_, window_->kind.wantsDoubleClicks ? MessageLButtonDoubleClick : MessageLButtonDown, event);
}

void ClientWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (rect().contains(event->position().toPoint()))
        SendMouse(window_, MessageMouseMove, event);
}

// A key Qt does not know and that comes with no scan code (real keyboards
// always give one) carries its key code as the native virtual key. F10 and
// Alt are the menu bar's keys, as on other desktops, and are not passed on:
// F10 opens the first menu; Alt alone is taken up by the menu bar itself.
void ClientWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Alt)
        return;
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::NoModifier) {
        OpenFirstMenu(window_->frame->menuBar());
        return;
    }
    int keyCode = KeyCodeOfQtKey(event->key());
    if (event->key() == Qt::Key_unknown && event->nativeScanCode() == 0)
        keyCode = int(event->nativeVirtualKey());
    SendAppMessage(window_, MessageKeyDown, uintptr_t(keyCode), 0);
}
