#pragma once

#include "platform/foundation/PlatformExport.h"

#include <Qt>
#include <cstdint>

class QInputEvent;

// The modifier flags of the platform's events.
enum EventModifierFlag : uint32_t {
    AlphaShiftKeyMask = 1u << 16,
    ShiftKeyMask = 1u << 17,
    ControlKeyMask = 1u << 18,
    AlternateKeyMask = 1u << 19,
    CommandKeyMask = 1u << 20,
};

// The event the application is handling, as far as the model asks about it:
// its modifier flags and its click count. Whoever dispatches an input event
// (a view's mouse handler, a tracking loop, a test) makes it current for the
// time it is handled with a Scope; scopes nest. Without one the flags are the
// keys held now and the click count is 0. Main thread only.
class LUMISK_PLATFORM_EXPORT CurrentEvent {
public:
    static uint32_t modifierFlags();
    static int clickCount();
    static bool isCurrent();

    // Qt's modifiers as flags: Alt is Option; Ctrl stands for Command and Meta
    // for Control, as Qt itself swaps them on the Mac.
    static uint32_t modifierFlagsFromQt(Qt::KeyboardModifiers modifiers);

    class LUMISK_PLATFORM_EXPORT Scope {
    public:
        Scope(uint32_t modifierFlags, int clickCount = 0);
        // A press counts one click and a double click two.
        explicit Scope(const QInputEvent& event);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

        // Changes the held event, as a modifier change during a drag does.
        void setModifierFlags(uint32_t modifierFlags);
        void setClickCount(int clickCount);

    private:
        Scope* _outer;
        uint32_t _modifierFlags;
        int _clickCount;

        friend class CurrentEvent;
    };

private:
    static Scope*& innermost();
};
