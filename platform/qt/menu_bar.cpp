#include "platform/qt/menu_bar.h"

#include <QMenu>

#include "platform/window.h"

namespace {

const char* kCommandIdProperty = "commandId";

// Adds the entries from index onwards to menu up to the MenuEnd that closes
// it, and returns the index after that MenuEnd.
int AddEntries(AppWindow* window, QMenu* menu, const MenuResource* resource, int index)
{
    while (index < resource->entryCount) {
        const MenuEntry& entry = resource->entries[index++];
        switch (entry.kind) {
        case MenuEnd:
            return index;
        case MenuSeparator:
            menu->addSeparator();
            break;
        case MenuPopup:
            index = AddEntries(window, menu->addMenu(QString::fromUtf8(entry.text)), resource, index);
            break;
        case MenuItem: {
            QAction* action = menu->addAction(QString::fromUtf8(entry.text));
            const int id = entry.commandId;
            action->setProperty(kCommandIdProperty, id);
            QObject::connect(action, &QAction::triggered, [window, id] {
                SendAppMessage(window, MessageCommand, uintptr_t(id), 0);
            });
            break;
        }
        }
    }
    return index;
}

} // namespace

void BuildMenuBar(AppWindow* window, QMenuBar* bar, const MenuResource* resource)
{
    int index = 0;
    while (index < resource->entryCount) {
        const MenuEntry& entry = resource->entries[index++];
        if (entry.kind != MenuPopup)
            continue;
        QMenu* menu = bar->addMenu(QString::fromUtf8(entry.text));
        index = AddEntries(window, menu, resource, index);
    }
}

QAction* FindMenuItem(QMenuBar* bar, const char* menuText, const char* itemText)
{
    const QString menuName = QString::fromUtf8(menuText);
    const QString itemName = QString::fromUtf8(itemText);
    for (QAction* top : bar->actions()) {
        if (!top->menu() || top->menu()->title() != menuName)
            continue;
        for (QAction* item : top->menu()->actions()) {
            if (!item->isSeparator() && item->text() == itemName)
                return item;
        }
    }
    return nullptr;
}

std::string DescribeMenuBar(QMenuBar* bar)
{
    std::string lines;
    for (QAction* top : bar->actions()) {
        if (!top->menu())
            continue;
        const std::string menu = top->menu()->title().toStdString();
        for (QAction* item : top->menu()->actions()) {
            if (item->isSeparator()) {
                lines += menu + "|-|0\n";
                continue;
            }
            lines += menu + "|" + item->text().toStdString() + "|" +
                     std::to_string(item->property(kCommandIdProperty).toInt()) + "\n";
        }
    }
    return lines;
}
