#include "platform/ui/PressRepeatTimer.h"

PressRepeatTimer::PressRepeatTimer(std::function<void()> action) : _action(std::move(action)) {
    QObject::connect(&_timer, &QTimer::timeout, &_timer, [this] {
        if (_timer.interval() != kPeriodMs)
            _timer.setInterval(kPeriodMs);
        _action();
    });
}

void PressRepeatTimer::start() {
    _timer.start(kInitialDelayMs);
}

void PressRepeatTimer::stop() {
    _timer.stop();
}
