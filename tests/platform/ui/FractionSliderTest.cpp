#include "platform/ui/FractionSlider.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(FractionSlider, ValuesFromCodeAreKeptExactlyAndOnlyTheUsersChangesAreReported) {
    FractionSlider slider(Qt::Horizontal);
    slider.setRange(0, 200);
    QSignalSpy edited(&slider, &FractionSlider::valueEdited);
    struct Case {
        double set;
        double kept;
        int knob;
    };
    const Case cases[] = {
        {149.6, 149.6, 150}, {149.4, 149.4, 149}, {-20, 0, 0}, {250.5, 200, 200}, {100, 100, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        slider.setDoubleValue(c.set);
        EXPECT_DOUBLE_EQ(slider.doubleValue(), c.kept);
        EXPECT_EQ(slider.value(), c.knob);
    }
    EXPECT_EQ(edited.count(), 0);

    // The user's step lands on a whole position and is reported.
    slider.setDoubleValue(149.6);
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(slider.doubleValue(), 151);
    ASSERT_EQ(edited.count(), 1);
    EXPECT_DOUBLE_EQ(edited.first().first().toDouble(), 151);

    // A drag's move is the user's too; a narrower range takes the kept value
    // with it without a report.
    slider.setSliderPosition(40);
    EXPECT_DOUBLE_EQ(slider.doubleValue(), 40);
    EXPECT_EQ(edited.count(), 2);
    slider.setDoubleValue(180);
    slider.setRange(0, 100);
    EXPECT_DOUBLE_EQ(slider.doubleValue(), 100);
    EXPECT_EQ(slider.value(), 100);
    EXPECT_EQ(edited.count(), 2);
    slider.setValue(20);
    EXPECT_EQ(edited.count(), 2);
}
