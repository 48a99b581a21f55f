#pragma once

#include "shell/MainMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

// Chooses the item with the action as the user would: its menu opens (and
// validates it) first. False when there is no such item or it is disabled.
inline bool choose(MainMenu& menu, const char* action) {
    QAction* item = menu.itemWithAction(QString::fromLatin1(action));
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
