// Leaks 777 bytes on purpose from inside a widget's event handler, where a
// leak in one of our command handlers would be: the toolkit's event dispatch
// is on the stack below it. A suppression that matched the toolkit's
// libraries would hide this leak, and every leak of ours with it.
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

namespace {

void* volatile lastBlock = nullptr;

[[gnu::noinline]] void LeakOnPurpose()
{
    lastBlock = std::malloc(777);
    lastBlock = nullptr;
}

class LeakingWidget : public QWidget {
protected:
    void mousePressEvent(QMouseEvent* /*event*/) override { LeakOnPurpose(); }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    LeakingWidget widget;
    const QPointF at(5, 5);
    QCoreApplication::postEvent(&widget, new QMouseEvent(QEvent::MouseButtonPress, at, widget.mapToGlobal(at),
                                                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QTimer::singleShot(0, &application, &QCoreApplication::quit);
    return QApplication::exec();
}
