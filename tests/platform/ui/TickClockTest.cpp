#include "platform/ui/TickClock.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {

TEST(TickClockTest, TheSystemClockCountsSixtyTicksASecond) {
    const uint32_t start = TickClock::tickCount();
    QThread::msleep(120);
    const uint32_t elapsed = TickClock::tickCount() - start;
    // 120 ms is 7.2 ticks; a loaded machine may sleep longer, never shorter.
    EXPECT_GE(elapsed, 6u);
    EXPECT_LT(elapsed, 600u);
}

TEST(TickClockTest, AManualClockMovesOnlyWhenTold) {
    {
        ManualTickClock clock(1000);
        EXPECT_EQ(TickClock::tickCount(), 1000u);
        clock.advance(15);
        EXPECT_EQ(TickClock::tickCount(), 1015u);
        {
            // Clocks nest; the inner one wraps around like the system's.
            ManualTickClock inner(0xFFFFFFF0u);
            inner.advance(0x20);
            EXPECT_EQ(TickClock::tickCount(), 0x10u);
            EXPECT_EQ(TickClock::tickCount() - 0xFFFFFFF0u, 0x20u);
        }
        EXPECT_EQ(TickClock::tickCount(), 1015u);
    }
    // Back to the system's clock.
    const uint32_t start = TickClock::tickCount();
    QThread::msleep(50);
    EXPECT_GE(TickClock::tickCount() - start, 2u);
}

} // namespace
