// Windows as the toolkit shows them, invalidation and the message loop.
#include <QApplication>
#include <QEventLoop>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <memory>
#include <vector>

#include "platform/qt/menu_bar.h"
#include "platform/qt/window_records.h"

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

WindowRecord* RecordOf(AppWindow* window)
{
    return window;
}

AppWindow* MakeAppWindow(const WindowKind& kind, const char* title)
{
    AppWindow* window = Windows().emplace_back(std::make_unique<AppWindow>(kind, title)).get();
    BuildFrame(window);
    return window;
}

void ReleaseAppWindow(AppWindow* window)
{
    FrameWindow* frame = window->frame;
    window->frame = nullptr;
    window->client = nullptr;
    frame->hide();
    // The window may be destroyed from inside one of its own event handlers.
    frame->deleteLater();
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
    if (!SendPaintMessage(window))
        return;
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
