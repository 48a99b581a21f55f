#include "platform/ui/FractionSlider.h"

#include <algorithm>
#include <cmath>
#include <utility>

FractionSlider::FractionSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    // A user's action (drag, click, key, wheel) moves the knob before the value
    // follows; a value that changes for any other reason (code, a new range)
    // is not the user's.
    connect(this, &QAbstractSlider::actionTriggered, this,
            [this] { _userAction = sliderPosition() != value(); });
    connect(this, &QSlider::valueChanged, this, [this](int position) {
        if (_settingFromCode)
            return;
        _value = position;
        if (std::exchange(_userAction, false))
            Q_EMIT valueEdited(_value);
    });
    connect(this, &QSlider::rangeChanged, this, [this](int minimum, int maximum) {
        _value = std::clamp(_value, double(minimum), double(maximum));
    });
}

void FractionSlider::setDoubleValue(double value) {
    _value = std::clamp(value, double(minimum()), double(maximum()));
    _settingFromCode = true;
    setValue(int(std::lround(_value)));
    _settingFromCode = false;
}
