#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QTimer>

#include <functional>

// Repeats an action for as long as a press lasts: first after half a second,
// then ten times a second, as the platform polls a held mouse button.
// The owner starts it at the press and stops it at the release.
class LUMISK_PLATFORM_EXPORT PressRepeatTimer {
public:
    static constexpr int kInitialDelayMs = 500;
    static constexpr int kPeriodMs = 100;

    explicit PressRepeatTimer(std::function<void()> action);
    PressRepeatTimer(const PressRepeatTimer&) = delete;
    PressRepeatTimer& operator=(const PressRepeatTimer&) = delete;

    // (Re)starts the wait for the first repeat.
    void start();
    void stop();
    bool isActive() const { return _timer.isActive(); }
    int interval() const { return _timer.interval(); }

private:
    QTimer _timer;
    std::function<void()> _action;
};
