#include "platform/ui/Commands.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/MainWindowTracker.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QShortcutEvent>
#include <QVariant>
#include <memory>

namespace {

constexpr char kTagProperty[] = "lumiskCommandTag";
constexpr char kActionProperty[] = "lumiskCommandAction";

QList<CommandResponder*>& applicationResponders() {
    static QList<CommandResponder*> responders;
    return responders;
}

void appendChainOf(QWidget* window, QList<CommandResponder*>& chain) {
    if (!window)
        return;
    auto append = [&chain](QObject* object) {
        if (auto* responder = dynamic_cast<CommandResponder*>(object);
            responder && !chain.contains(responder))
            chain.append(responder);
    };
    QWidget* focus = window->focusWidget();
    for (QWidget* widget = focus && focus->window() == window ? focus : window; widget;
         widget = widget->parentWidget()) {
        append(widget);
        if (widget == window)
            break;
    }
    if (WindowController* controller = WindowController::forWindow(window)) {
        append(controller);
        append(controller->document());
    }
}

// Validates shortcuts before they act and lets them carry their modifiers as
// the current event.
class ShortcutGate : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* item = qobject_cast<QAction*>(watched);
        if (!item || event->type() != QEvent::Shortcut)
            return QObject::eventFilter(watched, event);
        const QKeySequence& keys = static_cast<QShortcutEvent*>(event)->key();
        const Qt::KeyboardModifiers modifiers =
            keys.isEmpty() ? Qt::KeyboardModifiers() : keys[0].keyboardModifiers();
        CurrentEvent::Scope current(CurrentEvent::modifierFlagsFromQt(modifiers));
        // sendAction validates without disabling the item, whose shortcut
        // must stay live for the next press.
        Commands::sendAction(item);
        return true;
    }
};

ShortcutGate& shortcutGate() {
    static QPointer<ShortcutGate> gate;
    if (!gate)
        gate = new ShortcutGate(qApp);
    return *gate;
}

} // namespace

CommandResponder::~CommandResponder() {
    applicationResponders().removeAll(this);
}

bool CommandResponder::validateMenuItem(QAction&) {
    return true;
}

namespace Commands {

void setItemTag(QAction* item, int tag) {
    if (item)
        item->setProperty(kTagProperty, tag);
}

int itemTag(const QAction* item) {
    return item ? item->property(kTagProperty).toInt() : 0;
}

void setItemAction(QAction* item, const QString& action) {
    if (item)
        item->setProperty(kActionProperty, action);
}

QString itemAction(const QAction* item) {
    return item ? item->property(kActionProperty).toString() : QString();
}

void addApplicationResponder(CommandResponder* responder) {
    if (responder && !applicationResponders().contains(responder))
        applicationResponders().append(responder);
}

void removeApplicationResponder(CommandResponder* responder) {
    applicationResponders().removeAll(responder);
}

QList<CommandResponder*> responderChain(QWidget* keyWindow, QWidget* mainWindow) {
    QList<CommandResponder*> chain;
    appendChainOf(keyWindow, chain);
    if (mainWindow != keyWindow)
        appendChainOf(mainWindow, chain);
    for (CommandResponder* responder : applicationResponders())
        if (!chain.contains(responder))
            chain.append(responder);
    return chain;
}

CommandResponder* targetForAction(const QString& action) {
    if (action.isEmpty())
        return nullptr;
    MainWindowTracker& tracker = MainWindowTracker::sharedTracker();
    tracker.update();
    for (CommandResponder* responder : responderChain(tracker.keyWindow(), tracker.mainWindow()))
        if (responder->respondsToAction(action))
            return responder;
    return nullptr;
}

bool validateItem(QAction* item) {
    if (!item)
        return false;
    CommandResponder* target = targetForAction(itemAction(item));
    const bool valid = target && target->validateMenuItem(*item);
    item->setEnabled(valid);
    return valid;
}

bool sendAction(QAction* item) {
    if (!item)
        return false;
    const QString action = itemAction(item);
    CommandResponder* target = targetForAction(action);
    if (!target || !target->validateMenuItem(*item))
        return false;
    target->performAction(action, item);
    return true;
}

namespace {

QByteArray slotName(const QString& action) {
    return action.endsWith(QLatin1Char(':')) ? action.chopped(1).toLatin1() : QByteArray();
}

bool hasActionSlot(const QObject* target, const QString& action) {
    const QByteArray name = slotName(action);
    return !name.isEmpty() && target->metaObject()->indexOfMethod(name + "(QAction*)") >= 0;
}

} // namespace

bool objectRespondsToAction(QObject* target, const QString& action) {
    if (!target || action.isEmpty())
        return false;
    if (auto* responder = dynamic_cast<CommandResponder*>(target))
        if (responder->respondsToAction(action))
            return true;
    return hasActionSlot(target, action);
}

bool sendActionToObject(QObject* target, const QString& action, QAction* sender) {
    if (!target || action.isEmpty())
        return false;
    if (auto* responder = dynamic_cast<CommandResponder*>(target)) {
        if (responder->respondsToAction(action)) {
            responder->performAction(action, sender);
            return true;
        }
    }
    if (!hasActionSlot(target, action))
        return false;
    return QMetaObject::invokeMethod(target, slotName(action).constData(), Q_ARG(QAction*, sender));
}

void connectItem(QAction* item) {
    if (!item)
        return;
    item->installEventFilter(&shortcutGate());
    QObject::connect(item, &QAction::triggered, item, [item] { sendAction(item); });
}

void installValidation(QMenu* menu) {
    if (!menu)
        return;
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] {
        for (QAction* item : menu->actions())
            if (!itemAction(item).isEmpty())
                validateItem(item);
    });
    // A closed menu keeps its items enabled, so that their shortcuts reach the
    // gate, which validates them when they are pressed.
    QObject::connect(menu, &QMenu::aboutToHide, menu, [menu] {
        for (QAction* item : menu->actions())
            if (!itemAction(item).isEmpty())
                item->setEnabled(true);
    });
}

} // namespace Commands
