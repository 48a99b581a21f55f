#include "framework/inspectors/SSCircularSlider.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHost.h"

#include <QApplication>

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ConstraintCase {
    bool center;
    bool nonEdge;
    float distance;
    float expectedAngle;
    float expectedDistance;
};

TEST(CircularSlider, ConstraintKeepsTheKnobInTheAllowedPlaces) {
    TestHost host;
    const ConstraintCase cases[] = {
        {false, true, 0.0f, 0.0f, 0.01f}, // centre forbidden: just off it
        {false, false, 0.0f, 1.0f, 1.0f}, // both forbidden: the rim
        {false, false, 0.3f, 1.0f, 1.0f}, //
        {true, false, 0.4f, 0.0f, 0.0f},  // below half: the centre, angle 0
        {true, false, 0.5f, 1.0f, 1.0f},  // half: the rim
        {true, true, 2.0f, 1.0f, 1.0f},   // beyond the maximum
        {true, true, 0.3f, 1.0f, 0.3f},   // inside allowed
    };
    for (const ConstraintCase& k : cases) {
        SCOPED_TRACE(k.distance);
        SSCircularSlider slider(QRect(0, 0, 80, 80));
        slider.setAllowsCenterPoint(k.center);
        slider.setAllowsNonEdgePositions(k.nonEdge);
        slider.setAngleAndDistance(1.0f, k.distance);
        float angle = -1;
        float distance = -1;
        slider.getAngleAndDistance(&angle, &distance);
        EXPECT_FLOAT_EQ(angle, k.expectedAngle);
        EXPECT_FLOAT_EQ(distance, k.expectedDistance);
    }
}

TEST(CircularSlider, ZeroOffsetsOnAnEdgeOnlySliderStandAtAngleZeroOnTheRim) {
    TestHost host;
    SSCircularSlider slider(QRect(0, 0, 50, 50));
    slider.setAllowsCenterPoint(false);
    slider.setAllowsNonEdgePositions(false);
    slider.setAngleAndDistance(2.0f, 1.0f);
    slider.setXOffsetAndYOffset(0, 0);
    float angle = -1;
    float distance = -1;
    slider.getAngleAndDistance(&angle, &distance);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(distance, 1.0f);
    float x = 0, y = 0;
    slider.setAngleAndDistance(float(M_PI / 2), 1.0f);
    slider.getXOffsetAndYOffset(&x, &y);
    EXPECT_NEAR(x, 0.0f, 1e-6);
    EXPECT_NEAR(y, 1.0f, 1e-6);
}

// Widget coordinates of a view point (view y grows upwards).
QPoint widgetPoint(const QWidget& w, float x, float y) {
    return QPoint(int(std::lround(x)), w.height() - int(std::lround(y)));
}

TEST(CircularSlider, ClicksGrabOrJumpAndClicksInsideTheRimOfAnEdgeOnlySliderAreIgnored) {
    TestHost host;
    SSCircularSlider slider(QRect(0, 0, 80, 80));
    slider.setAllowsCenterPoint(false);
    slider.setAllowsNonEdgePositions(false);
    int actions = 0;
    slider.setAction([&](SSCircularSlider*) { ++actions; });
    slider.show();
    slider.grab(); // draws once: the knob radius
    ASSERT_EQ(slider.ballRadius(), 8);
    // Centre 40, half width 29.5: the rim band is 23.5 to 30.5 from the centre.
    slider.setAngleAndDistance(0, 1);

    // 7 points inside the rim at the top, away from the knob on the right.
    QTest::mouseClick(&slider, Qt::LeftButton, {}, widgetPoint(slider, 40, 40 + 22.5f));
    float angle = -1;
    slider.getAngleAndDistance(&angle, nullptr);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(actions, 0);

    // On the band at the top: the knob jumps there, sent while pressed and at release.
    QTest::mouseClick(&slider, Qt::LeftButton, {}, widgetPoint(slider, 40, 40 + 27));
    slider.getAngleAndDistance(&angle, nullptr);
    EXPECT_NEAR(angle, M_PI / 2, 1e-3);
    EXPECT_EQ(actions, 2);
    EXPECT_FALSE(slider.ballHighlighted());
}

TEST(CircularSlider, KnobTintFollowsTheColourVariantAndTheEnabledState) {
    TestHost host;
    SSCircularSlider slider(QRect(0, 0, 60, 60));
    slider.show();
    QApplication::setActiveWindow(&slider);
    QCoreApplication::processEvents();
    if (!slider.isActiveWindow())
        GTEST_SKIP() << "no active window on this platform";
    UserDefaults::standardUserDefaults().setIntegerForKey(6,
                                                          QStringLiteral("AppleAquaColorVariant"));
    EXPECT_EQ(slider.knobTint(), 2);
    UserDefaults::standardUserDefaults().setIntegerForKey(1,
                                                          QStringLiteral("AppleAquaColorVariant"));
    EXPECT_EQ(slider.knobTint(), 1);
    slider.setEnabled(false);
    EXPECT_EQ(slider.knobTint(), -1);
}

// The fraction of opaque pixels in the knob's square of the drawn slider.
TEST(CircularSlider, DrawsImagesAtEightyAndSixtyAndVectorsOtherwise) {
    TestHost host;
    struct Case {
        int side;
        int ballRadius;
    };
    for (const Case& k : {Case{80, 8}, Case{60, 6}, Case{46, 5}}) {
        SCOPED_TRACE(k.side);
        SSCircularSlider slider(QRect(0, 0, k.side, k.side));
        slider.setAllowsCenterPoint(false);
        slider.setAllowsNonEdgePositions(false);
        slider.setAngleAndDistance(0, 1);
        const QImage image = slider.grab().toImage();
        EXPECT_EQ(slider.ballRadius(), k.ballRadius);
        // The knob sits on the rim at the right, the centre is empty.
        const Point knob = slider.knobCenter();
        const QPoint at = widgetPoint(slider, knob.x, knob.y);
        EXPECT_GT(qAlpha(image.pixel(at)), 200);
        EXPECT_EQ(qAlpha(image.pixel(k.side / 2, k.side / 2)), 0);
        // Left on the rim: the ring is drawn.
        EXPECT_GT(qAlpha(image.pixel(int(10.5f + 2), k.side / 2)), 100);
    }
    EXPECT_FALSE(SSCircularSlider::baseImageWithCenter(false, false, true).isNull());
    EXPECT_EQ(SSCircularSlider::baseImageWithCenter(false, false, true).width(), 80);
    EXPECT_EQ(SSCircularSlider::knobImageWithTint(1, true, false).width(), 20);
    EXPECT_TRUE(SSCircularSlider::knobImageWithTint(3, false, true).isNull());
}

} // namespace
