// Driving windows through the toolkit's own event path, for tests.
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <algorithm>
#include <cstring>

#include "platform/qt/menu_bar.h"
#include "platform/qt/surface_records.h"
#include "platform/qt/window_records.h"
#include "platform/testing.h"

namespace {

// Rounds of event handling before PumpMessages gives up on a window that
// keeps invalidating itself from its own paints.
constexpr int kPumpRounds = 50;

void SendMouseEvent(AppWindow* window, QEvent::Type type, int32_t x, int32_t y, Qt::MouseButtons buttons)
{
    if (!WindowIsLive(window))
        return;
    const QPointF local(x, y);
    const QPointF global = window->client->mapToGlobal(local);
    QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(window->client, &event);
}

// Where a key goes: an open menu, else the window's focused part, else its client area.
QWidget* KeyTarget(AppWindow* window)
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    QWidget* focus = QApplication::focusWidget();
    return focus && focus->window() == window->frame ? focus : window->client;
}

// As from a window system, a press is first offered for shortcuts (the
// program has none, so it is always delivered afterwards).
void SendKeyEvent(AppWindow* window, QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers,
                  quint32 nativeKey = 0)
{
    if (type == QEvent::KeyPress) {
        QKeyEvent offer(QEvent::ShortcutOverride, qtKey, modifiers, 0, nativeKey, 0);
        offer.ignore();
        QApplication::sendEvent(KeyTarget(window), &offer);
        if (!WindowIsLive(window))
            return;
    }
    QKeyEvent event(type, qtKey, modifiers, 0, nativeKey, 0);
    QApplication::sendEvent(KeyTarget(window), &event);
}

} // namespace

void EnsurePlatformStarted()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "kestrand_vectors_subset";
    static char* argv[] = {name, nullptr};
    // Lives as long as the process: widgets must not outlive their application.
    new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
}

void PumpMessages()
{
    for (int round = 0; round < kPumpRounds; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!AnyPaintPosted())
            break;
    }
}

void UserPress(AppWindow* window, int32_t x, int32_t y)
{
    SendMouseEvent(window, QEvent::MouseButtonPress, x, y, Qt::LeftButton);
}

void UserRelease(AppWindow* window, int32_t x, int32_t y)
{
    SendMouseEvent(window, QEvent::MouseButtonRelease, x, y, Qt::NoButton);
}

void UserDoubleClick(AppWindow* window, int32_t x, int32_t y)
{
    UserPress(window, x, y);
    UserRelease(window, x, y);
    SendMouseEvent(window, QEvent::MouseButtonDblClick, x, y, Qt::LeftButton);
    UserRelease(window, x, y);
}

// Codes without a Qt key go as an unknown key with no scan code, carrying the code.
void UserKey(AppWindow* window, int32_t keyCode)
{
    if (!WindowIsLive(window))
        return;
    const int qtKey = QtKeyOfKeyCode(keyCode);
    const quint32 nativeKey = qtKey == Qt::Key_unknown ? quint32(keyCode) : 0;
    SendKeyEvent(window, QEvent::KeyPress, qtKey, Qt::NoModifier, nativeKey);
}

void UserTapAlt(AppWindow* window)
{
    if (!WindowIsLive(window))
        return;
    SendKeyEvent(window, QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    if (WindowIsLive(window))
        SendKeyEvent(window, QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
}

std::string KeyboardFocus(AppWindow* window)
{
    if (!WindowIsLive(window))
        return "elsewhere";
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
        return "menu: " + menu->title().toStdString();
    QMenuBar* bar = window->frame->menuBar();
    QWidget* focus = QApplication::focusWidget();
    if (focus == bar)
        return "menu bar: " + (bar->activeAction() ? bar->activeAction()->text().toStdString() : std::string());
    return focus == window->client ? "client" : "elsewhere";
}

bool UserChooseMenuItem(AppWindow* window, const char* menuText, const char* itemText)
{
    if (!WindowIsLive(window) || !menuText || !itemText)
        return false;
    QAction* item = FindMenuItem(window->frame->menuBar(), menuText, itemText);
    if (!item || !item->isEnabled())
        return false;
    item->trigger();
    return true;
}

void UserCloseWindow(AppWindow* window)
{
    if (WindowIsLive(window))
        window->frame->close();
}

void UserResizeClient(AppWindow* window, int32_t width, int32_t height)
{
    if (!WindowIsLive(window))
        return;
    FrameWindow* frame = window->frame;
    const QSize border = frame->size() - window->client->size();
    if (frame->isMaximized())
        frame->setWindowState(frame->windowState() & ~Qt::WindowMaximized);
    frame->resize(QSize(width, height) + border);
    frame->layout()->invalidate();
    frame->layout()->activate();
    QCoreApplication::sendPostedEvents();
    if (WindowIsLive(window))
        FitClientImage(window);
}

int LiveWindowCount()
{
    return CountLiveWindows();
}

bool WindowIsMaximized(AppWindow* window)
{
    return WindowIsLive(window) && window->frame->isMaximized();
}

const char* WindowTitle(AppWindow* window)
{
    if (!WindowIsLive(window))
        return "";
    window->title = window->frame->windowTitle().toStdString();
    return window->title.c_str();
}

int WindowMenuDescription(AppWindow* window, char* buffer, int size)
{
    if (!WindowIsLive(window) || !buffer || size <= 0)
        return 0;
    const std::string lines = DescribeMenuBar(window->frame->menuBar());
    const int length = std::min(int(lines.size()), size - 1);
    std::memcpy(buffer, lines.data(), std::size_t(length));
    buffer[length] = '\0';
    return length;
}

Color ClientPixel(AppWindow* window, int32_t x, int32_t y)
{
    if (!window || !window->clientImage.valid(x, y))
        return 0xFFFFFFFF;
    return ColorOfRgb(window->clientImage.pixel(x, y));
}
