#include "shell/WaitCursorMonitor.h"

#include "platform/ui/X11WaitCursor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace {

// An X server of this test program's own, started before the application object
// so that the application runs on it (xcb). Without it the program runs offscreen
// and the display cases skip.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            _failure = "no pipe for the display number";
            return;
        }
        _server = ::fork();
        if (_server == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::fcntl(pipe[1], F_SETFD, 0);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, STDOUT_FILENO);
            ::dup2(quiet, STDERR_FILENO);
            const std::string fd = std::to_string(pipe[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[1]);
        if (_server < 0) {
            ::close(pipe[0]);
            _failure = "cannot fork for Xvfb";
            return;
        }
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd ready{pipe[0], POLLIN, 0};
        char c = 0;
        while (::poll(&ready, 1, 10000) == 1 && ::read(pipe[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(pipe[0]);
        if (number.empty() || c != '\n') {
            _failure = "Xvfb did not start (is it installed?)";
            stop();
            return;
        }
        const std::string display = ":" + number;
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        // No cursor theme: the wait cursor is the cursor font's watch, a single
        // image the test can compare.
        ::setenv("XCURSOR_PATH", "/nonexistent", 1);
        ::unsetenv("XCURSOR_THEME");
    }
    ~VirtualDisplay() { stop(); }

    bool running() const { return _server > 0; }
    const std::string& failure() const { return _failure; }

private:
    void stop() {
        if (_server > 0) {
            ::kill(_server, SIGTERM);
            ::waitpid(_server, nullptr, 0);
        }
        _server = -1;
    }

    pid_t _server = -1;
    std::string _failure;
};

VirtualDisplay gDisplay;

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

TEST_F(WaitCursorMonitorTest, SuspendingCancelsAShowTheGuiThreadHasNotMadeYet) {
    monitor.resumeWaitMonitor();
    ticks += 61;
    monitor.monitorPass();
    ASSERT_TRUE(monitor.waitCursorIsOn());
    // The work ends before the GUI thread turns its event loop again.
    monitor.suspendWaitMonitor();
    QCoreApplication::processEvents();
    EXPECT_FALSE(monitor.cursorShown());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    passAfter(6);
    EXPECT_FALSE(monitor.waitCursorIsOn());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WaitCursorMonitorTest, TheThreadWatchesAndStops) {
    monitor.startWaitMonitor();
    monitor.resumeWaitMonitor();
    ticks += 61;
    ASSERT_TRUE(eventually([&] { return monitor.cursorShown(); }));
    // A thread that shows the cursor itself leaves the GUI thread's cursor alone.
    EXPECT_EQ(waitCursorUp(), !monitor.showsCursorFromItsThread());
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

namespace {

struct CursorImage {
    uint16_t width = 0, height = 0, xhot = 0, yhot = 0;
    std::vector<uint32_t> pixels;
    bool operator==(const CursorImage&) const = default;
};

// The test's own view of the display: it moves the pointer and reads back the
// cursor the server shows, through XFixes.
class DisplayProbe {
public:
    DisplayProbe() : _connection(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(_connection))
            return;
        _root = xcb_setup_roots_iterator(xcb_get_setup(_connection)).data->root;
        // XFixes answers cursor images only to clients that said which version they speak.
        free(xcb_xfixes_query_version_reply(_connection,
                                            xcb_xfixes_query_version(_connection, 4, 0), nullptr));
    }
    ~DisplayProbe() { xcb_disconnect(_connection); }

    bool isOpen() const { return !xcb_connection_has_error(_connection) && _root; }

    void warpPointer(QPoint global) {
        xcb_warp_pointer(_connection, XCB_NONE, _root, 0, 0, 0, 0, int16_t(global.x()),
                         int16_t(global.y()));
        xcb_flush(_connection);
    }

    CursorImage cursorImage() {
        CursorImage image;
        xcb_xfixes_get_cursor_image_reply_t* reply = xcb_xfixes_get_cursor_image_reply(
            _connection, xcb_xfixes_get_cursor_image(_connection), nullptr);
        if (!reply)
            return image;
        image.width = reply->width;
        image.height = reply->height;
        image.xhot = reply->xhot;
        image.yhot = reply->yhot;
        const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(reply);
        image.pixels.assign(pixels,
                            pixels + xcb_xfixes_get_cursor_image_cursor_image_length(reply));
        free(reply);
        return image;
    }

    // The cursor font's watch as the server shows it, over a window of the probe's
    // own at `where` (away from the application's windows).
    CursorImage watchCursorImage(QPoint where) {
        const xcb_font_t font = xcb_generate_id(_connection);
        xcb_open_font(_connection, font, 6, "cursor");
        const xcb_cursor_t watch = xcb_generate_id(_connection);
        xcb_create_glyph_cursor(_connection, watch, font, font, 150, 151, 0, 0, 0, 0xFFFF, 0xFFFF,
                                0xFFFF);
        const xcb_window_t window = xcb_generate_id(_connection);
        const uint32_t values[] = {1, watch};
        xcb_create_window(_connection, XCB_COPY_FROM_PARENT, window, _root, int16_t(where.x()),
                          int16_t(where.y()), 40, 40, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_CURSOR, values);
        const CursorImage before = cursorImage();
        xcb_map_window(_connection, window);
        warpPointer(where + QPoint(20, 20));
        CursorImage image = cursorImage();
        QElapsedTimer timer;
        timer.start();
        while (image == before && timer.elapsed() < 1000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            image = cursorImage();
        }
        xcb_destroy_window(_connection, window);
        xcb_free_cursor(_connection, watch);
        xcb_close_font(_connection, font);
        xcb_flush(_connection);
        return image;
    }

private:
    xcb_connection_t* _connection;
    xcb_window_t _root = 0;
};

using Clock = std::chrono::steady_clock;

// What the pointer showed at one moment, in ms from the start of the work.
struct Sample {
    long long ms;
    bool watch;
    bool normal;
};

// A window with a cursor of its own that notes where the pointer moves.
class TrackingWindow : public QWidget {
public:
    TrackingWindow() {
        setCursor(Qt::IBeamCursor);
        setMouseTracking(true);
    }
    std::vector<QPoint> moves;

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        moves.push_back(event->position().toPoint());
    }
};

// The monitor with the system's ticks and its thread, and a window under the
// pointer, on the test's own X server.
class WaitCursorOnDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gDisplay.running())
            GTEST_SKIP() << "No X server for the test: " << gDisplay.failure();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        ASSERT_TRUE(probe.isOpen());
        window.setGeometry(100, 100, 300, 200);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        watch = probe.watchCursorImage(QPoint(600, 450));
        probe.warpPointer(QPoint(700, 50));
        const CursorImage root = probe.cursorImage();
        probe.warpPointer(window.mapToGlobal(window.rect().center()));
        // The application sets its cursor as the pointer comes in.
        QTest::qWait(200);
        normal = probe.cursorImage();
        ASSERT_FALSE(watch.pixels.empty());
        ASSERT_NE(watch, normal);
        // The window's own cursor, which the wait cursor must give back.
        ASSERT_NE(root, normal);
        monitor.startWaitMonitor();
        ASSERT_TRUE(monitor.showsCursorFromItsThread());
    }
    void TearDown() override { monitor.stopWaitMonitor(); }

    // Blocks the GUI thread for `work`, announced between resume and suspend as
    // long work is, then lets it run its event loop for 0.5 s; meanwhile another
    // thread reads the cursor every 10 ms.
    std::vector<Sample> samplesAround(std::chrono::milliseconds work, bool announced = true) {
        std::vector<Sample> samples;
        std::atomic<bool> sampling{true};
        const Clock::time_point start = Clock::now();
        std::thread sampler([&] {
            DisplayProbe reader;
            while (sampling) {
                const CursorImage image = reader.cursorImage();
                const auto ms =
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                        .count();
                samples.push_back({ms, image == watch, image == normal});
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        if (announced)
            monitor.resumeWaitMonitor();
        std::this_thread::sleep_for(work);
        if (announced)
            monitor.suspendWaitMonitor();
        workEndMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        QTest::qWait(500);
        sampling = false;
        sampler.join();
        return samples;
    }

    DisplayProbe probe;
    TrackingWindow window;
    CursorImage watch, normal;
    WaitCursorMonitor monitor;
    long long workEndMs = 0;
};

} // namespace

TEST_F(WaitCursorOnDisplayTest, TwoSecondsOfWorkShowTheWaitCursorWhileTheGuiThreadIsBlocked) {
    const std::vector<Sample> samples = samplesAround(std::chrono::milliseconds(2000));

    const auto firstWatch =
        std::find_if(samples.begin(), samples.end(), [](const Sample& s) { return s.watch; });
    ASSERT_NE(firstWatch, samples.end()) << "the wait cursor never showed";
    // More than a second without a sign of life, seen at the next look of the thread.
    EXPECT_GE(firstWatch->ms, 1000);
    EXPECT_LE(firstWatch->ms, 1200);
    for (const Sample& s : samples) {
        if (s.ms < firstWatch->ms) {
            EXPECT_TRUE(s.normal) << s.ms << " ms";
        } else if (s.ms < workEndMs) {
            EXPECT_TRUE(s.watch) << s.ms << " ms";
        } else if (s.ms > workEndMs + 200) {
            EXPECT_TRUE(s.normal) << s.ms << " ms after the work ended at " << workEndMs;
        }
    }
    EXPECT_GT(samples.back().ms, workEndMs + 400);
    // Nothing left for the GUI thread to put up afterwards.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(monitor.cursorShown());
}

TEST_F(WaitCursorOnDisplayTest, WorkOfLessThanASecondShowsNothing) {
    const std::vector<Sample> samples = samplesAround(std::chrono::milliseconds(900));

    ASSERT_FALSE(samples.empty());
    for (const Sample& s : samples)
        EXPECT_TRUE(s.normal) << s.ms << " ms";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WaitCursorOnDisplayTest, UnannouncedWorkShowsNothing) {
    // The monitor starts suspended.
    const std::vector<Sample> samples = samplesAround(std::chrono::milliseconds(1500), false);

    ASSERT_FALSE(samples.empty());
    for (const Sample& s : samples)
        EXPECT_TRUE(s.normal) << s.ms << " ms";
    EXPECT_FALSE(monitor.cursorShown());
}

// The wait cursor is shown over the windows, not in them: the pointer's moves
// still reach the window beneath, to be handled once the work is done.
TEST_F(WaitCursorOnDisplayTest, PointerEventsReachTheWindowUnderTheWaitCursor) {
    std::unique_ptr<X11WaitCursor> waitCursor = X11WaitCursor::open();
    ASSERT_NE(waitCursor, nullptr);
    waitCursor->show(X11WaitCursor::applicationWindows());
    ASSERT_TRUE(waitCursor->isShown());
    QTest::qWait(100);
    EXPECT_EQ(probe.cursorImage(), watch);

    window.moves.clear();
    probe.warpPointer(window.mapToGlobal(QPoint(40, 30)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.moves.empty(); }, 2000));
    EXPECT_EQ(window.moves.back(), QPoint(40, 30));
    EXPECT_EQ(probe.cursorImage(), watch);

    waitCursor->hide();
    EXPECT_FALSE(waitCursor->isShown());
    QTest::qWait(100);
    EXPECT_EQ(probe.cursorImage(), normal);
}
