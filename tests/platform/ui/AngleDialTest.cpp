#include "platform/ui/AngleDial.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(AngleDial, DegreesComeIntoOneTurnQuietly) {
    AngleDial dial;
    QSignalSpy changed(&dial, &QDial::valueChanged);
    struct Case {
        int set;
        int read;
    };
    for (const Case c : {Case{0, 0}, Case{90, 90}, Case{179, 179}, Case{180, 180}, Case{359, 359},
                         Case{360, 0}, Case{-90, 270}, Case{725, 5}}) {
        SCOPED_TRACE(c.set);
        dial.setDegrees(c.set);
        EXPECT_EQ(dial.degrees(), c.read);
    }
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(dial.wrapping());
}

TEST(AngleDial, ZeroIsAtTheTopAndDegreesGrowClockwise) {
    AngleDial dial;
    dial.resize(100, 100);
    dial.show();
    struct Case {
        QPoint at;
        int degrees;
    };
    for (const Case c : {Case{{50, 2}, 0}, Case{{98, 50}, 90}, Case{{50, 98}, 180},
                         Case{{2, 50}, 270}, Case{{85, 15}, 45}}) {
        SCOPED_TRACE(c.degrees);
        QTest::mouseClick(&dial, Qt::LeftButton, Qt::NoModifier, c.at);
        EXPECT_NEAR(dial.degrees(), c.degrees, 1);
    }
}

} // namespace
