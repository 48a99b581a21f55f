#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QObject;
class QWidget;

// Commands: menu and toolbar items that carry an action name (a selector such
// as "zoomIn:") and a tag, sent to the first object along the responder chain
// that answers the action. The same object decides whether the item is
// enabled, by its tag or action, each time a menu opens and before a keyboard
// shortcut acts; an item whose action nothing answers is disabled.
//
// The responder chain of a window: its focus widget and that widget's parents
// up to the window, the window's controller and the controller's document;
// the key window's chain first, then the main window's when that is another
// window, then the application's responders. Every object of the chain that is
// a CommandResponder takes part.
class LUMISK_PLATFORM_EXPORT CommandResponder {
public:
    virtual ~CommandResponder();

    virtual bool respondsToAction(const QString& action) const = 0;
    // Asked only of the responder that answers the item's action; it may
    // change the item's title. The base enables every item.
    virtual bool validateMenuItem(QAction& item);
    virtual void performAction(const QString& action, QAction* sender) = 0;
};

namespace Commands {

// Tag 0 and no action until set.
LUMISK_PLATFORM_EXPORT void setItemTag(QAction* item, int tag);
LUMISK_PLATFORM_EXPORT int itemTag(const QAction* item);
LUMISK_PLATFORM_EXPORT void setItemAction(QAction* item, const QString& action);
LUMISK_PLATFORM_EXPORT QString itemAction(const QAction* item);

// Responders asked after every window (the application's own commands), in
// the order added.
LUMISK_PLATFORM_EXPORT void addApplicationResponder(CommandResponder* responder);
LUMISK_PLATFORM_EXPORT void removeApplicationResponder(CommandResponder* responder);

// The chain as described above; null windows are left out.
LUMISK_PLATFORM_EXPORT QList<CommandResponder*> responderChain(QWidget* keyWindow,
                                                               QWidget* mainWindow);
// The first responder along the chain of the current key and main windows
// that answers the action, or null.
LUMISK_PLATFORM_EXPORT CommandResponder* targetForAction(const QString& action);

// Enables or disables the item by its target's answer; answers the state.
LUMISK_PLATFORM_EXPORT bool validateItem(QAction* item);
// Sends the item's action to its target when the item is valid; false when
// nothing answered or the target refused it.
LUMISK_PLATFORM_EXPORT bool sendAction(QAction* item);

// Whether the object itself answers the action: as a CommandResponder, or by a
// slot named after the action that takes the sending item ("flipImage:" is
// flipImage(QAction*)).
LUMISK_PLATFORM_EXPORT bool objectRespondsToAction(QObject* target, const QString& action);
// Sends the action to the object itself; false when it does not answer it.
LUMISK_PLATFORM_EXPORT bool sendActionToObject(QObject* target, const QString& action,
                                               QAction* sender);

// Makes the item a command: triggering it sends its action, and a keyboard
// shortcut of it acts only when the item validates.
LUMISK_PLATFORM_EXPORT void connectItem(QAction* item);
// Validates the menu's command items each time it opens.
LUMISK_PLATFORM_EXPORT void installValidation(QMenu* menu);

} // namespace Commands
