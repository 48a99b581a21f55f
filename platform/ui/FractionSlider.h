#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QSlider>

// A slider whose value may lie between its whole-numbered positions. A value
// set from code is kept exactly (a field's 49.6 puts the slider at 149.6) and
// the knob shows it rounded; a value the user sets by moving the knob is the
// knob's whole position. valueEdited reports only the user's changes.
class LUMISK_PLATFORM_EXPORT FractionSlider : public QSlider {
    Q_OBJECT

public:
    explicit FractionSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

    double doubleValue() const { return _value; }
    // Brought into the range; signals nothing.
    void setDoubleValue(double value);

Q_SIGNALS:
    void valueEdited(double value);

private:
    double _value = 0;
    bool _settingFromCode = false;
    bool _userAction = false;
};
