#include "platform/ui/Stepper.h"

#include <QLineEdit>

namespace {

// Wide enough for the arrows of the style, no more.
constexpr int kWidth = 19;
constexpr int kHeight = 24;

} // namespace

Stepper::Stepper(QWidget* parent) : QDoubleSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setFrame(false);
    setDecimals(2);
    setKeyboardTracking(false);
    lineEdit()->hide();
    setFocusPolicy(Qt::NoFocus);
}

QSize Stepper::sizeHint() const {
    return {kWidth, kHeight};
}
