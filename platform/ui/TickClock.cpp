#include "platform/ui/TickClock.h"

#include <chrono>
#include <mutex>

namespace {

std::mutex& sourceMutex() {
    static std::mutex mutex;
    return mutex;
}

TickClock::Source& installedSource() {
    static TickClock::Source source;
    return source;
}

} // namespace

uint32_t TickClock::tickCount() {
    Source source;
    {
        const std::lock_guard lock(sourceMutex());
        source = installedSource();
    }
    return source ? source() : systemTickCount();
}

uint32_t TickClock::systemTickCount() {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return uint32_t(uint64_t(now.count()) * kTicksPerSecond / 1000);
}

TickClock::Source TickClock::setSource(Source source) {
    const std::lock_guard lock(sourceMutex());
    Source previous = std::move(installedSource());
    installedSource() = std::move(source);
    return previous;
}

ManualTickClock::ManualTickClock(uint32_t start)
    : _now(start), _previous(TickClock::setSource([this] { return _now; })) {}

ManualTickClock::~ManualTickClock() {
    TickClock::setSource(std::move(_previous));
}
