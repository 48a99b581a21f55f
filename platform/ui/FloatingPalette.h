#pragma once

#include "platform/foundation/PlatformExport.h"

class Notification;

// Posted (no sender) to send every shared palette back to its default place.
inline constexpr char kResetAllPalettesNotification[] = "ResetAllPalettes";

// What every shared floating palette answers: the enhancement and photo
// information palettes, the template manager window, the Inspector, the Geometry
// and tool palettes and the gradient panel.
class LUMISK_PLATFORM_EXPORT FloatingPalette {
public:
    virtual ~FloatingPalette();

    // The user wants the palette: it shows while a window it serves is main.
    virtual void activate() = 0;
    // Off the screen; still wanted.
    virtual void hide() = 0;
    virtual bool isActivated() const = 0;
    // Observer of "ResetAllPalettes": back to the default place.
    virtual void resetPosition(const Notification& notification) = 0;
    // Observers of a window becoming main and giving that up (the window is the
    // notification's object).
    virtual void mainWindowChanged(const Notification& notification) = 0;
    virtual void mainWindowResigned(const Notification& notification) = 0;
};
