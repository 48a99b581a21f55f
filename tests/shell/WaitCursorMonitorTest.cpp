#include "shell/WaitCursorMonitor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>

namespace {

// Ticks advance only when the test says so.
class WaitCursorMonitorTest : public ::testing::Test {
protected:
    WaitCursorMonitorTest() : monitor([this] { return ticks.load(); }) {}

    // The monitor's look after `elapsed` more ticks, then the GUI thread's turn.
    void passAfter(uint32_t elapsed) {
        ticks += elapsed;
        monitor.monitorPass();
        QCoreApplication::processEvents();
    }
    static bool waitCursorUp() {
        return QApplication::overrideCursor() &&
               QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    }

    std::atomic<uint32_t> ticks{1000};
    WaitCursorMonitor monitor;
};

// Waits for the monitor's thread to reach a state, turning the event loop meanwhile.
template <class Condition> bool eventually(Condition condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace

TEST_F(WaitCursorMonitorTest, StartsSuspendedWithTheCursorOff) {
    monitor.startWaitMonitor();
    EXPECT_TRUE(monitor.isRunning());
    EXPECT_TRUE(monitor.isSuspended());
    ticks += 10000;
    monitor.monitorPass();
    QCoreApplication::processEvents();
    EXPECT_FALSE(monitor.waitCursorIsOn());
    EXPECT_FALSE(waitCursorUp());
    monitor.stopWaitMonitor();
    EXPECT_FALSE(monitor.isRunning());
}

TEST_F(WaitCursorMonitorTest, LongWorkShowsTheCursorAfterMoreThanASecond) {
    monitor.suspendWaitMonitor();
    monitor.resumeWaitMonitor();
    // 0.9 s of work: nothing.
    for (int i = 0; i < 9; ++i)
        passAfter(6);
    EXPECT_FALSE(monitor.waitCursorIsOn());
    // Exactly 60 ticks is not yet "more than a second".
    passAfter(6);
    EXPECT_FALSE(monitor.waitCursorIsOn());
    passAfter(1);
    EXPECT_TRUE(monitor.waitCursorIsOn());
    EXPECT_TRUE(monitor.cursorShown());
    EXPECT_TRUE(waitCursorUp());
    // Stays up while the work goes on, without piling up override cursors.
    passAfter(60);
    passAfter(60);
    EXPECT_TRUE(waitCursorUp());
    // The next look after the work ends takes it away.
    monitor.suspendWaitMonitor();
    passAfter(6);
    EXPECT_FALSE(monitor.waitCursorIsOn());
    EXPECT_FALSE(monitor.cursorShown());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WaitCursorMonitorTest, SignsOfLifeKeepTheCursorAway) {
    monitor.resumeWaitMonitor();
    // A heartbeat at least once a second.
    for (int beat = 0; beat < 20; ++beat) {
        passAfter(30);
        passAfter(30);
        monitor.clearWaitCursor();
        EXPECT_FALSE(monitor.waitCursorIsOn()) << beat;
    }
    // A beat after the cursor went up takes it down at the next look.
    passAfter(61);
    EXPECT_TRUE(waitCursorUp());
    monitor.clearWaitCursor();
    passAfter(6);
    EXPECT_FALSE(monitor.waitCursorIsOn());
    EXPECT_FALSE(waitCursorUp());
}

TEST_F(WaitCursorMonitorTest, SuspendedNeverShowsTheCursor) {
    monitor.resumeWaitMonitor();
    monitor.suspendWaitMonitor();
    for (int i = 0; i < 10; ++i)
        passAfter(600);
    EXPECT_FALSE(monitor.waitCursorIsOn());
    EXPECT_FALSE(waitCursorUp());
}

TEST_F(WaitCursorMonitorTest, ResumeAfterIdleTimeRestartsTheTickBase) {
    monitor.clearWaitCursor();
    ticks += 100000; // long idle, suspended
    monitor.resumeWaitMonitor();
    passAfter(1);
    EXPECT_FALSE(monitor.waitCursorIsOn());
    passAfter(60);
    EXPECT_TRUE(monitor.waitCursorIsOn());
}

TEST_F(WaitCursorMonitorTest, TickCounterWrapAround) {
    ticks = 0xFFFFFFF0u;
    monitor.resumeWaitMonitor();
    passAfter(0x20); // wraps past zero: 32 ticks
    EXPECT_FALSE(monitor.waitCursorIsOn());
    passAfter(40);
    EXPECT_TRUE(monitor.waitCursorIsOn());
}

TEST_F(WaitCursorMonitorTest, RequestsMadeWhileTheGuiThreadIsBusyCollapse) {
    monitor.resumeWaitMonitor();
    // Up and down again before the GUI thread gets a turn: nothing to show.
    ticks += 61;
    monitor.monitorPass();
    monitor.clearWaitCursor();
    monitor.monitorPass();
    QCoreApplication::processEvents();
    EXPECT_FALSE(monitor.cursorShown());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WaitCursorMonitorTest, TheThreadWatchesAndStops) {
    monitor.startWaitMonitor();
    monitor.resumeWaitMonitor();
    ticks += 61;
    ASSERT_TRUE(eventually([&] { return monitor.cursorShown(); }));
    EXPECT_TRUE(waitCursorUp());
    monitor.suspendWaitMonitor();
    ASSERT_TRUE(eventually([&] { return !monitor.cursorShown(); }));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Stopping while the cursor is up takes it away.
    monitor.resumeWaitMonitor();
    ticks += 61;
    ASSERT_TRUE(eventually([&] { return monitor.cursorShown(); }));
    monitor.stopWaitMonitor();
    EXPECT_FALSE(monitor.isRunning());
    QCoreApplication::processEvents();
    EXPECT_FALSE(monitor.cursorShown());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Starts again after a stop.
    monitor.startWaitMonitor();
    EXPECT_TRUE(monitor.isRunning());
}

TEST(WaitCursorMonitorClock, SystemTicksAreSixtyASecond) {
    QElapsedTimer timer;
    const uint32_t before = WaitCursorMonitor::systemTickCount();
    timer.start();
    while (timer.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const uint32_t elapsed = WaitCursorMonitor::systemTickCount() - before;
    const qint64 ms = timer.elapsed();
    EXPECT_GE(elapsed, uint32_t(ms * 60 / 1000) - 1);
    EXPECT_LE(elapsed, uint32_t(ms * 60 / 1000) + 2);
}
