#pragma once

#include "platform/ui/Commands.h"
#include "shell/MainMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

// Chooses the item with the action (and the tag, when one is given) as the
// user would: its menu opens (and validates it) first. False when there is no
// such item or it is disabled.
inline bool choose(MainMenu& menu, const char* action, int tag = -1) {
    QAction* item = tag < 0 ? menu.itemWithAction(QString::fromLatin1(action)) : nullptr;
    for (QMenu* m : menu.menus())
        for (QAction* each : m->actions())
            if (!item && tag >= 0 && Commands::itemTag(each) == tag &&
                Commands::itemAction(each) == QLatin1String(action))
                item = each;
    if (!item)
        return false;
    for (QMenu* m : menu.menus())
        if (m->actions().contains(item)) {
            QMetaObject::invokeMethod(m, "aboutToShow");
            const bool enabled = item->isEnabled();
            QMetaObject::invokeMethod(m, "aboutToHide");
            if (!enabled)
                return false;
        }
    item->trigger();
    QCoreApplication::processEvents();
    return true;
}
