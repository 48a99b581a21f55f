#include "platform/ui/CurrentEvent.h"

#include <QGuiApplication>
#include <QInputEvent>
#include <QMouseEvent>

CurrentEvent::Scope*& CurrentEvent::innermost() {
    static Scope* scope = nullptr;
    return scope;
}

uint32_t CurrentEvent::modifierFlags() {
    if (const Scope* scope = innermost())
        return scope->_modifierFlags;
    if (!qGuiApp)
        return 0;
    return modifierFlagsFromQt(QGuiApplication::keyboardModifiers());
}

int CurrentEvent::clickCount() {
    const Scope* scope = innermost();
    return scope ? scope->_clickCount : 0;
}

bool CurrentEvent::isCurrent() {
    return innermost() != nullptr;
}

uint32_t CurrentEvent::modifierFlagsFromQt(Qt::KeyboardModifiers modifiers) {
    uint32_t flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= ShiftKeyMask;
    if (modifiers & Qt::AltModifier)
        flags |= AlternateKeyMask;
    if (modifiers & Qt::ControlModifier)
        flags |= CommandKeyMask;
    if (modifiers & Qt::MetaModifier)
        flags |= ControlKeyMask;
    return flags;
}

CurrentEvent::Scope::Scope(uint32_t modifierFlags, int clickCount)
    : _outer(innermost()), _modifierFlags(modifierFlags), _clickCount(clickCount) {
    innermost() = this;
}

namespace {

int clicksOf(const QInputEvent& event) {
    switch (event.type()) {
    case QEvent::MouseButtonDblClick:
        return 2;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        return 1;
    default:
        return 0;
    }
}

} // namespace

CurrentEvent::Scope::Scope(const QInputEvent& event)
    : Scope(modifierFlagsFromQt(event.modifiers()), clicksOf(event)) {}

CurrentEvent::Scope::~Scope() {
    // Scopes end in the reverse order they began; one that ends out of
    // order only takes itself out.
    Scope** link = &innermost();
    while (*link && *link != this)
        link = &(*link)->_outer;
    if (*link)
        *link = _outer;
}

void CurrentEvent::Scope::setModifierFlags(uint32_t modifierFlags) {
    _modifierFlags = modifierFlags;
}

void CurrentEvent::Scope::setClickCount(int clickCount) {
    _clickCount = clickCount;
}
