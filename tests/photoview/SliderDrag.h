#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <initializer_list>

// The widget point of a horizontal slider's knob centre when it stands at the value.
inline QPoint sliderKnobPoint(QSlider* slider, int value) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    QStyle* style = slider->style();
    const QRect handle =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    const QRect groove =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
    const int span = groove.width() - handle.width();
    return {groove.x() + handle.width() / 2 +
                QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), value, span),
            handle.center().y()};
}

// Presses on the knob, drags it through the values and releases it there.
inline void dragSlider(QSlider* slider, std::initializer_list<int> values) {
    QPoint at = sliderKnobPoint(slider, slider->value());
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, at);
    for (int value : values) {
        at = sliderKnobPoint(slider, value);
        QMouseEvent move(QEvent::MouseMove, at, slider->mapToGlobal(at), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(slider, &move);
        QCoreApplication::processEvents();
    }
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, at);
    QCoreApplication::processEvents();
}
