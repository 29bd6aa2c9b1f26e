// Window kinds, windows, message dispatch, invalidation and the message loop.
#include <QApplication>
#include <QEventLoop>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <memory>
#include <string>
#include <vector>

#include "platform/drawing.h"
#include "platform/qt/menu_bar.h"
#include "platform/qt/window_records.h"
#include "platform/software/window_kinds.h"

struct AppInstance {
    int unused;
};

namespace {

// Windows a little smaller than a usual screen until they are maximised.
constexpr int kDefaultClientWidth = 640;
constexpr int kDefaultClientHeight = 480;

// Every window made. A destroyed window's record stays as a tombstone so
// that handles still held by callers up the stack are recognised, never read
// after being freed.
std::vector<std::unique_ptr<AppWindow>>& Windows()
{
    static std::vector<std::unique_ptr<AppWindow>> windows;
    return windows;
}

// While a window is being shown, posted paints wait; showing posts them again.
bool paintsHeld = false;

struct QuitState {
    bool pending = false;   // the next RunMessageLoop returns at once
    bool recorded = false;  // for QuitWasPosted
    int code = 0;
    QEventLoop* loop = nullptr;
};

QuitState& Quit()
{
    static QuitState quit;
    return quit;
}

void DestroyAppWindow(AppWindow* window)
{
    if (!WindowIsLive(window) || window->destroying)
        return;
    window->destroying = true;
    SendAppMessage(window, MessageDestroy, 0, 0);
    window->destroyed = true;
    FrameWindow* frame = window->frame;
    window->frame = nullptr;
    window->client = nullptr;
    frame->hide();
    // The window may be destroyed from inside one of its own event handlers.
    frame->deleteLater();
}

void PostPaintRequest(AppWindow* window)
{
    if (window->paintPosted)
        return;
    window->paintPosted = true;
    QCoreApplication::postEvent(window->client, new QEvent(PaintRequestEventType()), Qt::LowEventPriority);
}

void BuildFrame(AppWindow* window)
{
    window->frame = new FrameWindow(window);
    window->client = new ClientWidget(window);
    window->frame->setCentralWidget(window->client);
    window->frame->setWindowTitle(QString::fromUtf8(window->title.c_str()));
    if (window->kind.menu)
        BuildMenuBar(window, window->frame->menuBar(), window->kind.menu);
    window->frame->resize(kDefaultClientWidth, kDefaultClientHeight + window->frame->menuBar()->sizeHint().height());
    window->frame->layout()->activate();
    FitClientImage(window);
}

} // namespace

QEvent::Type PaintRequestEventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

bool WindowIsLive(const AppWindow* window)
{
    return window && !window->destroyed;
}

int CountLiveWindows()
{
    int count = 0;
    for (const auto& window : Windows())
        count += WindowIsLive(window.get()) ? 1 : 0;
    return count;
}

bool AnyPaintPosted()
{
    for (const auto& window : Windows()) {
        if (WindowIsLive(window.get()) && window->paintPosted)
            return true;
    }
    return false;
}

AppInstance* CurrentInstance()
{
    static AppInstance instance{};
    return &instance;
}

AppWindow* CreateAppWindow(AppInstance* /*instance*/, const char* kindName, const char* title)
{
    const WindowKind* kind = FindWindowKind(kindName);
    if (!kind)
        return nullptr;
    Windows().push_back(std::make_unique<AppWindow>());
    AppWindow* window = Windows().back().get();
    window->kind = *kind;
    window->title = title ? title : "";
    BuildFrame(window);
    if (SendAppMessage(window, MessageCreate, 0, 0) == -1) {
        // Creation failed: the window goes without ever having been shown.
        DestroyAppWindow(window);
        return nullptr;
    }
    return window;
}

void ShowWindowMaximized(AppWindow* window)
{
    if (!WindowIsLive(window))
        return;
    // Fill the screen's work area first: a desktop without a window manager
    // ignores the request to maximise, and one with a window manager then
    // maximises over this geometry anyway.
    if (QScreen* screen = window->frame->screen())
        window->frame->setGeometry(screen->availableGeometry());
    window->frame->showMaximized();
    window->client->setFocus();
    // Let the platform settle the maximised geometry. Showing does not paint:
    // the first paint comes from UpdateAppWindow or the message loop.
    paintsHeld = true;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    paintsHeld = false;
    if (!WindowIsLive(window))
        return;
    window->frame->layout()->invalidate();
    window->frame->layout()->activate();
    FitClientImage(window);
    InvalidateArea(window, nullptr, true);
}

void UpdateAppWindow(AppWindow* window)
{
    if (!WindowIsLive(window))
        return;
    FitClientImage(window);
    PaintInvalidArea(window);
}

int RunMessageLoop()
{
    QuitState& quit = Quit();
    if (!quit.pending) {
        QEventLoop loop;
        QEventLoop* outer = quit.loop;
        quit.loop = &loop;
        loop.exec();
        quit.loop = outer;
    }
    quit.pending = false;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return quit.code;
}

void PostQuit(int exitCode)
{
    QuitState& quit = Quit();
    quit.pending = true;
    quit.recorded = true;
    quit.code = exitCode;
    if (quit.loop)
        quit.loop->exit(exitCode);
}

bool QuitWasPosted(int* exitCode)
{
    if (Quit().recorded && exitCode)
        *exitCode = Quit().code;
    return Quit().recorded;
}

void ResetPostedQuit()
{
    Quit().recorded = false;
    Quit().pending = false;
    Quit().code = 0;
}

intptr_t SendAppMessage(AppWindow* window, uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (!WindowIsLive(window))
        return 0;
    return window->kind.procedure(window, message, p1, p2);
}

intptr_t DefaultWindowProc(AppWindow* window, uint32_t message, uintptr_t /*p1*/, intptr_t /*p2*/)
{
    if (!WindowIsLive(window))
        return 0;
    switch (message) {
    case MessageClose:
        DestroyAppWindow(window);
        return 0;
    case MessagePaint:
        // Nobody draws: the area is still erased and counts as painted.
        EndPaintSurface(window, BeginPaintSurface(window));
        return 0;
    default:
        return 0;
    }
}

void InvalidateArea(AppWindow* window, const Rect* area, bool erase)
{
    if (!WindowIsLive(window))
        return;
    FitClientImage(window);
    const QRect whole = window->clientImage.rect();
    // A rectangle with its edges crossed, or none between them, is empty.
    const QRect part = area ? QRect(area->left, area->top, area->right - area->left, area->bottom - area->top)
                            : whole;
    if (part.isEmpty())
        return;
    const QRect clipped = part.intersected(whole);
    if (clipped.isEmpty())
        return;
    window->invalid += clipped;
    window->eraseWanted = window->eraseWanted || erase;
    PostPaintRequest(window);
}

void ReturnKeyboardFocus(AppWindow* window)
{
    if (!WindowIsLive(window))
        return;
    window->frame->activateWindow();
    window->client->setFocus(Qt::ActiveWindowFocusReason);
}

Rect GetClientArea(AppWindow* window)
{
    if (!WindowIsLive(window))
        return {0, 0, 0, 0};
    FitClientImage(window);
    return {0, 0, window->clientImage.width(), window->clientImage.height()};
}

void PaintInvalidArea(AppWindow* window)
{
    window->paintPosted = false;
    if (paintsHeld || window->invalid.isEmpty())
        return;
    const int paintsBefore = window->paintsBegun;
    SendAppMessage(window, MessagePaint, 0, 0);
    if (!WindowIsLive(window) || window->paintsBegun != paintsBefore)
        return;
    // A procedure that did not paint at all leaves nothing to repeat.
    window->invalid = QRegion();
    window->eraseWanted = false;
}

void ShowClientImage(AppWindow* window)
{
    if (WindowIsLive(window))
        window->client->update();
}

namespace {

// The client widget's size, or an empty one when the frame leaves it no room
// (folded to its menu bar, or to no width): the toolkit's layout then leaves
// the widget at its last geometry, reaching outside the frame, instead of
// making it empty.
QSize ClientSize(const AppWindow* window)
{
    const QRect client = window->client->geometry();
    return window->frame->rect().contains(client) ? client.size() : QSize(0, 0);
}

} // namespace

void FitClientImage(AppWindow* window)
{
    const QSize size = ClientSize(window);
    const QSize old = window->clientImage.size();
    if (size == old)
        return;
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < std::min(size.height(), old.height()); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(window->clientImage.constScanLine(y)),
                    std::min(size.width(), old.width()), reinterpret_cast<QRgb*>(image.scanLine(y)));
    window->clientImage = image;
    window->invalid &= QRegion(image.rect());
    if (window->kind.redrawOnResize) {
        InvalidateArea(window, nullptr, true);
        return;
    }
    const QRegion uncovered = QRegion(image.rect()) - QRegion(QRect(QPoint(0, 0), old));
    if (uncovered.isEmpty())
        return;
    window->invalid += uncovered;
    window->eraseWanted = true;
    PostPaintRequest(window);
}
