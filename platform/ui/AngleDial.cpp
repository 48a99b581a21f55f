#include "platform/ui/AngleDial.h"

#include <QSignalBlocker>

namespace {

constexpr int kTurn = 360;
constexpr int kHalfTurn = 180;

} // namespace

AngleDial::AngleDial(QWidget* parent) : QDial(parent) {
    setRange(-kHalfTurn, kHalfTurn - 1);
    setWrapping(true);
    setNotchesVisible(false);
}

int AngleDial::degrees() const {
    return value() < 0 ? value() + kTurn : value();
}

void AngleDial::setDegrees(int degrees) {
    int inTurn = degrees % kTurn;
    if (inTurn < 0)
        inTurn += kTurn;
    const QSignalBlocker quiet(this);
    setValue(inTurn >= kHalfTurn ? inTurn - kTurn : inTurn);
}
