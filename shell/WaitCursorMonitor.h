#pragma once

#include "platform/ui/X11WaitCursor.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Shows the wait cursor while the main thread does long work and gives no sign of
// life. A background thread looks every 0.1 s; when watching (between
// resumeWaitMonitor and suspendWaitMonitor) and more than 60 ticks (1/60 s each)
// have passed since the last clearWaitCursor, it asks for the wait cursor, and
// takes it away again once the main thread is alive or watching stops.
//
// On X11 the monitor's thread shows the cursor itself, through a display connection
// of its own, over the windows the GUI thread had when it last gave a sign of life.
// Elsewhere only the GUI thread can change the cursor: the monitor records what it
// wants and the GUI thread applies that when it next runs its event loop.
class WaitCursorMonitor : public QObject {
public:
    // The tick count in 1/60 s; it may wrap around.
    using TickSource = std::function<uint32_t()>;
    static constexpr uint32_t kTicksWithoutSignOfLife = 60;

    // Without a tick source the monitor uses the system's ticks.
    explicit WaitCursorMonitor(TickSource ticks = {});
    ~WaitCursorMonitor() override;
    WaitCursorMonitor(const WaitCursorMonitor&) = delete;
    WaitCursorMonitor& operator=(const WaitCursorMonitor&) = delete;

    // Starts the thread, suspended. Does nothing while it runs. Call it on the GUI
    // thread.
    void startWaitMonitor();
    // Ends the thread and waits for it; takes the wait cursor away if it shows.
    void stopWaitMonitor();
    void suspendWaitMonitor();
    void resumeWaitMonitor();
    // The main thread's sign of life: restarts the tick base, and on the GUI thread
    // takes note of the windows the cursor is shown over.
    void clearWaitCursor();

    // One look of the thread. The thread runs it every 0.1 s; tests drive it directly.
    void monitorPass();

    bool isRunning() const { return _waitMonitorShouldRun; }
    bool isSuspended() const { return _waitMonitorSuspended; }
    // The monitor wants the wait cursor shown.
    bool waitCursorIsOn() const { return _waitCursorIsOn; }
    // The wait cursor is up: over the windows on X11, else put up by the GUI thread.
    bool cursorShown() const { return _cursorShown; }
    // The thread shows the cursor itself (X11, once started).
    bool showsCursorFromItsThread() const { return _display != nullptr; }

    // Ticks since an arbitrary start, 60 a second.
    static uint32_t systemTickCount();

private:
    void waitMonitorThread();
    void displayWaitCursor(bool on);
    // Runs on the GUI thread: brings the cursor in line with _waitCursorIsOn.
    void applyCursor();

    TickSource _ticks;
    std::unique_ptr<X11WaitCursor> _display;
    std::vector<X11WaitCursor::WindowId> _windows;
    std::atomic<bool> _waitMonitorShouldRun{false};
    std::atomic<bool> _waitCursorIsOn{false};
    std::atomic<bool> _waitMonitorSuspended{false};
    std::atomic<bool> _cursorShown{false};
    uint32_t _baseWaitTick = 0;
    // Guards the tick base, the windows and the showing and hiding of the cursor.
    std::recursive_mutex _waitMonitorLock;
    // Lets stopWaitMonitor cut the thread's pause short.
    std::mutex _wakeMutex;
    std::condition_variable _wake;
    std::thread _thread;
};
