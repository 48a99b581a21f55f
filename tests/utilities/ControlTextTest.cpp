#include "utilities/ControlText.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

QColor shown(const QWidget& widget, QPalette::ColorRole role) {
    return widget.palette().color(widget.isEnabled() ? QPalette::Active : QPalette::Disabled, role);
}

} // namespace

TEST(ControlText, GreysTextWithoutDisablingTheControl) {
    const QColor normal =
        QApplication::palette("QLabel").color(QPalette::Active, QPalette::WindowText);
    const QColor grey =
        QApplication::palette("QLabel").color(QPalette::Disabled, QPalette::WindowText);
    ASSERT_NE(normal, grey) << "the style must tell the two colours apart for this test";

    QLabel label(QStringLiteral("Resolution"));
    EnableControlText(&label, false);
    EXPECT_TRUE(label.isEnabled());
    EXPECT_EQ(shown(label, QPalette::WindowText), grey);

    EnableControlText(&label, true);
    EXPECT_EQ(shown(label, QPalette::WindowText), normal);
    // Enabled text stays normal on a disabled control too, as a set colour does.
    label.setEnabled(false);
    EXPECT_EQ(shown(label, QPalette::WindowText), normal);

    QLineEdit field;
    EnableControlText(&field, false);
    EXPECT_TRUE(field.isEnabled());
    EXPECT_EQ(shown(field, QPalette::Text),
              QApplication::palette(&field).color(QPalette::Disabled, QPalette::Text));
}

TEST(ControlText, ControlsWithoutTextColourAndNullAreLeftAlone) {
    QSlider slider;
    QPushButton button(QStringLiteral("OK"));
    const QPalette sliderBefore = slider.palette(), buttonBefore = button.palette();
    EnableControlText(&slider, false);
    EnableControlText(&button, false);
    EXPECT_FALSE(slider.testAttribute(Qt::WA_SetPalette));
    EXPECT_FALSE(button.testAttribute(Qt::WA_SetPalette));
    EXPECT_EQ(slider.palette(), sliderBefore);
    EXPECT_EQ(button.palette(), buttonBefore);
    EnableControlText(nullptr, true);
}
