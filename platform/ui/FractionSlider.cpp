#include "platform/ui/FractionSlider.h"

#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

FractionSlider::FractionSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    connect(this, &QSlider::valueChanged, this, [this](int position) {
        if (_settingFromCode)
            return;
        _value = position;
        Q_EMIT valueEdited(_value);
    });
    connect(this, &QSlider::rangeChanged, this, [this] {
        if (!_settingFromCode)
            _value = std::clamp(_value, double(minimum()), double(maximum()));
    });
}

void FractionSlider::setDoubleValue(double value) {
    _value = std::clamp(value, double(minimum()), double(maximum()));
    _settingFromCode = true;
    setValue(int(std::lround(_value)));
    _settingFromCode = false;
}
