// The records behind the window handles and the widgets that carry them.
// Only the Qt adapter sees these.
#pragma once

#include <QEvent>
#include <QImage>
#include <QMainWindow>
#include <QRegion>
#include <QWidget>

#include "platform/software/window_record.h"

class ClientWidget;
class FrameWindow;

struct AppWindow : WindowRecord {
    using WindowRecord::WindowRecord;

    FrameWindow* frame = nullptr;   // none once the window is destroyed
    ClientWidget* client = nullptr;
    QImage clientImage;          // what the client area shows, RGB32
    QRegion invalid;             // waiting for a paint
    bool paintPosted = false;
};

// The top-level window: title bar, menu bar and the client widget.
class FrameWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit FrameWindow(AppWindow* window);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AppWindow* window_;
};

// The client area: shows the client image and turns input into messages.
class ClientWidget : public QWidget {
    Q_OBJECT
public:
    explicit ClientWidget(AppWindow* window);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    AppWindow* window_;
};

// Brings the client image to the client widget's size; the area that
// changed becomes invalid (all of it for kinds that redraw on resize).
void FitClientImage(AppWindow* window);

// Sends MessagePaint when part of the client area is invalid.
void PaintInvalidArea(AppWindow* window);

// Shows the client image's current content on screen.
void ShowClientImage(AppWindow* window);

// Gives the keyboard back to the window's client area, as when a modal
// window it owns has closed.
void ReturnKeyboardFocus(AppWindow* window);

// The Windows-style key code of a Qt key, 0xFF for keys without one.
int KeyCodeOfQtKey(int qtKey);
// The Qt key that gives a key code, Qt::Key_unknown for codes without one.
int QtKeyOfKeyCode(int keyCode);

// The event type of a posted paint request.
QEvent::Type PaintRequestEventType();

// Windows that exist now.
int CountLiveWindows();

// Whether a paint request waits in the event queue for some window.
bool AnyPaintPosted();
