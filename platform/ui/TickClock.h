#pragma once

#include "platform/foundation/PlatformExport.h"

#include <cstdint>
#include <functional>

// The system's tick counter, 60 ticks a second from an arbitrary start, as
// mouse tracking measures time between refreshes. The count may wrap around:
// compare differences, not values. Tests drive it by installing a source of
// their own, usually a ManualTickClock.
class LUMISK_PLATFORM_EXPORT TickClock {
public:
    using Source = std::function<uint32_t()>;
    static constexpr uint32_t kTicksPerSecond = 60;

    // From the installed source, else from the system.
    static uint32_t tickCount();
    static uint32_t systemTickCount();

    // Installs a source (an empty one restores the system's) and answers the
    // one it replaces.
    static Source setSource(Source source);
};

// A tick clock that moves only when told, installed for its lifetime.
class LUMISK_PLATFORM_EXPORT ManualTickClock {
public:
    explicit ManualTickClock(uint32_t start = 0);
    ~ManualTickClock();
    ManualTickClock(const ManualTickClock&) = delete;
    ManualTickClock& operator=(const ManualTickClock&) = delete;

    uint32_t now() const { return _now; }
    void advance(uint32_t ticks) { _now += ticks; }

private:
    uint32_t _now;
    TickClock::Source _previous;
};
