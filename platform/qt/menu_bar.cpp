#include "platform/qt/menu_bar.h"

#include <QMenu>

#include "platform/software/menu_layout.h"
#include "platform/window.h"

namespace {

const char* kCommandIdProperty = "commandId";

void AddItem(AppWindow* window, QMenu* menu, const MenuNode& item)
{
    QAction* action = menu->addAction(QString::fromUtf8(item.text));
    const int id = item.commandId;
    action->setProperty(kCommandIdProperty, id);
    QObject::connect(action, &QAction::triggered, [window, id] {
        SendAppMessage(window, MessageCommand, uintptr_t(id), 0);
    });
}

void AddEntries(AppWindow* window, QMenu* menu, const std::vector<MenuNode>& entries)
{
    for (const MenuNode& entry : entries) {
        if (entry.kind == MenuSeparator)
            menu->addSeparator();
        else if (entry.kind == MenuPopup)
            AddEntries(window, menu->addMenu(QString::fromUtf8(entry.text)), entry.entries);
        else
            AddItem(window, menu, entry);
    }
}

} // namespace

void BuildMenuBar(AppWindow* window, QMenuBar* bar, const MenuResource* resource)
{
    for (const MenuNode& menu : MenuBarOf(resource))
        AddEntries(window, bar->addMenu(QString::fromUtf8(menu.text)), menu.entries);
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
