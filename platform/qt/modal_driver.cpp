#include "platform/qt/modal_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>

namespace {

// How often, and how many times, the stand-in user looks for the modal window.
constexpr int kLookIntervalMs = 5;
constexpr int kLooks = 400;
// How long the stand-in user waits for a browsed folder to be listed.
constexpr int kListingWaitMs = 30000;

void Look();

struct PlannedAnswer {
    ModalAnswer answer;
    QString typed;
    bool typing;
};

// Answers wait in order; each goes to a modal window other than the one
// answered last, so a box opened by a prompt gets the next answer.
std::deque<PlannedAnswer> planned;
QPointer<QWidget> lastAnswered;
int looksLeft = 0;
bool looking = false;
ModalSeen lastSeen;

void Note(QWidget* modal)
{
    lastSeen = ModalSeen{};
    lastSeen.answered = true;
    lastSeen.caption = modal->windowTitle().toStdString();
    for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && !button->text().isEmpty())
            lastSeen.buttons.push_back(button->text().toStdString());
    }
    for (QLabel* label : modal->findChildren<QLabel*>()) {
        if (!label->pixmap().isNull())
            lastSeen.pictureWidths.push_back(label->pixmap().width());
        else if (!label->text().isEmpty())
            lastSeen.labels.push_back(label->text().toStdString());
    }
    lastSeen.clientWidth = modal->width();
    lastSeen.clientHeight = modal->height();
    if (auto* owner = qobject_cast<QMainWindow*>(modal->parentWidget()); owner && owner->centralWidget()) {
        const QPoint offset = modal->geometry().topLeft() - owner->centralWidget()->mapToGlobal(QPoint(0, 0));
        lastSeen.clientX = offset.x();
        lastSeen.clientY = offset.y();
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        lastSeen.text = box->text().toStdString();
    if (auto* prompt = qobject_cast<QFileDialog*>(modal)) {
        for (const QString& filter : prompt->nameFilters())
            lastSeen.filters.push_back(filter.toStdString());
        lastSeen.selectedFilter = prompt->selectedNameFilter().toStdString();
        lastSeen.confirmsOverwrite = !prompt->testOption(QFileDialog::DontConfirmOverwrite);
        lastSeen.defaultSuffix = prompt->defaultSuffix().toStdString();
        if (auto* nameBox = prompt->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            lastSeen.nameBox = nameBox->text().toStdString();
    }
}

void Type(QWidget* modal, const QString& typed)
{
    auto* prompt = qobject_cast<QFileDialog*>(modal);
    if (!prompt)
        return;
    if (auto* nameBox = prompt->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        nameBox->setText(typed);
}

// Shows the folder in the prompt's detailed list and reads every entry's
// name, size, type, date and icon once it is listed, as the list's view does.
void Browse(QWidget* modal, const QString& folder)
{
    auto* prompt = qobject_cast<QFileDialog*>(modal);
    auto* model = prompt ? prompt->findChild<QFileSystemModel*>() : nullptr;
    if (!model)
        return;
    prompt->setViewMode(QFileDialog::Detail);
    QEventLoop listing;
    QTimer::singleShot(kListingWaitMs, &listing, &QEventLoop::quit);
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &listing, [&](const QString& path) {
        if (QDir(path) == QDir(folder))
            listing.quit();
    });
    prompt->setDirectory(folder);
    listing.exec();
    const QModelIndex parent = model->index(folder);
    for (int row = 0; row < model->rowCount(parent); ++row) {
        for (int column = 0; column < model->columnCount(parent); ++column) {
            const QModelIndex entry = model->index(row, column, parent);
            model->data(entry, Qt::DisplayRole);
            model->data(entry, Qt::DecorationRole);
        }
        lastSeen.listed.push_back(model->index(row, 0, parent).data().toString().toStdString());
    }
}

void PressKey(QWidget* modal, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(modal, &press);
}

void ClickButton(QWidget* modal, const QString& text)
{
    for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && button->text().remove(QLatin1Char('&')) == text) {
            button->click();
            return;
        }
    }
}

void Answer(QWidget* modal, const PlannedAnswer& plan)
{
    Note(modal);
    if (plan.answer == AnswerButton) {
        ClickButton(modal, plan.typed);
        return;
    }
    if (plan.answer == AnswerBrowse) {
        Browse(modal, plan.typed);
        PressKey(modal, Qt::Key_Escape);
        return;
    }
    if (plan.typing)
        Type(modal, plan.typed);
    switch (plan.answer) {
    case AnswerEnter:
        PressKey(modal, Qt::Key_Return);
        break;
    case AnswerEscape:
        PressKey(modal, Qt::Key_Escape);
        break;
    case AnswerCloseBox:
        modal->close();
        break;
    case AnswerButton:
    case AnswerBrowse:
        break;
    }
}

void LookLater()
{
    if (planned.empty() || looking)
        return;
    looking = true;
    QTimer::singleShot(kLookIntervalMs, Look);
}

void Look()
{
    looking = false;
    if (planned.empty() || looksLeft-- <= 0) {
        planned.clear();
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == lastAnswered) {
        LookLater();
        return;
    }
    const PlannedAnswer plan = planned.front();
    planned.pop_front();
    lastAnswered = modal;
    looksLeft = kLooks;
    // Answering may open the next modal window and wait inside it, so the
    // next look is arranged first.
    LookLater();
    Answer(modal, plan);
}

} // namespace

void AnswerNextModal(ModalAnswer answer, const char* typed)
{
    lastSeen = ModalSeen{};
    if (planned.empty())
        lastAnswered = nullptr;
    planned.push_back({answer, QString::fromUtf8(typed ? typed : ""), typed != nullptr});
    looksLeft = kLooks;
    LookLater();
}

ModalSeen LastModalSeen()
{
    return lastSeen;
}
