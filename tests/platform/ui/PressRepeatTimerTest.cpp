#include "platform/ui/PressRepeatTimer.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(PressRepeatTimerTest, WaitsHalfASecondThenRepeatsTenTimesASecond) {
    int fired = 0;
    PressRepeatTimer timer([&] { ++fired; });
    EXPECT_FALSE(timer.isActive());
    timer.start();
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), PressRepeatTimer::kInitialDelayMs);
    // A timer never fires before its time, so a short hold repeats nothing.
    QTest::qWait(300);
    EXPECT_EQ(fired, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired >= 1; }, 5000));
    EXPECT_EQ(timer.interval(), PressRepeatTimer::kPeriodMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 5000));
}

TEST(PressRepeatTimerTest, StopsAtTheReleaseAndStartsOverAtTheNextPress) {
    int fired = 0;
    PressRepeatTimer timer([&] { ++fired; });
    timer.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired >= 2; }, 5000));
    timer.stop();
    EXPECT_FALSE(timer.isActive());
    const int atRelease = fired;
    QTest::qWait(300);
    EXPECT_EQ(fired, atRelease);
    // The next press waits the long delay again.
    timer.start();
    EXPECT_EQ(timer.interval(), PressRepeatTimer::kInitialDelayMs);
    QTest::qWait(300);
    EXPECT_EQ(fired, atRelease);
}

} // namespace
