#include "shell/WaitCursorMonitor.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>
#include <QThread>
#include <chrono>

namespace {

constexpr auto kPassInterval = std::chrono::milliseconds(100);

} // namespace

WaitCursorMonitor::WaitCursorMonitor(TickSource ticks)
    : _ticks(ticks ? std::move(ticks) : TickSource(&WaitCursorMonitor::systemTickCount)) {}

WaitCursorMonitor::~WaitCursorMonitor() {
    stopWaitMonitor();
    _display.reset();
    // The queued request dies with this object: put the cursor back here.
    if (_cursorShown && QApplication::instance() &&
        QApplication::instance()->thread() == QThread::currentThread()) {
        QApplication::restoreOverrideCursor();
        _cursorShown = false;
    }
}

uint32_t WaitCursorMonitor::systemTickCount() {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return uint32_t(uint64_t(now.count()) * 60 / 1000);
}

void WaitCursorMonitor::startWaitMonitor() {
    if (_thread.joinable())
        return;
    _waitCursorIsOn = false;
    _waitMonitorSuspended = false;
    _waitMonitorShouldRun = true;
    if (!_display)
        _display = X11WaitCursor::open();
    clearWaitCursor();
    suspendWaitMonitor();
    _thread = std::thread(&WaitCursorMonitor::waitMonitorThread, this);
}

void WaitCursorMonitor::stopWaitMonitor() {
    {
        std::lock_guard<std::mutex> lock(_wakeMutex);
        _waitMonitorShouldRun = false;
    }
    _wake.notify_all();
    if (_thread.joinable())
        _thread.join();
    // Nobody is left to take the cursor away.
    std::lock_guard<std::recursive_mutex> lock(_waitMonitorLock);
    if (_waitCursorIsOn)
        displayWaitCursor(false);
}

void WaitCursorMonitor::suspendWaitMonitor() {
    _waitMonitorSuspended = true;
}

void WaitCursorMonitor::resumeWaitMonitor() {
    clearWaitCursor();
    _waitMonitorSuspended = false;
}

void WaitCursorMonitor::clearWaitCursor() {
    // Only the GUI thread may look at the windows, and only while it is free.
    const bool onGuiThread = QCoreApplication::instance() &&
                             QCoreApplication::instance()->thread() == QThread::currentThread();
    std::vector<X11WaitCursor::WindowId> windows;
    if (_display && onGuiThread)
        windows = X11WaitCursor::applicationWindows();
    std::lock_guard<std::recursive_mutex> lock(_waitMonitorLock);
    _baseWaitTick = _ticks();
    if (_display && onGuiThread)
        _windows = std::move(windows);
}

void WaitCursorMonitor::monitorPass() {
    std::lock_guard<std::recursive_mutex> lock(_waitMonitorLock);
    if (!_waitMonitorSuspended) {
        // Unsigned, so a wrap of the tick counter still gives the elapsed ticks.
        const uint32_t elapsed = _ticks() - _baseWaitTick;
        if (elapsed > kTicksWithoutSignOfLife) {
            if (!_waitCursorIsOn)
                displayWaitCursor(true);
        } else if (_waitCursorIsOn) {
            displayWaitCursor(false);
        }
    } else if (_waitCursorIsOn) {
        displayWaitCursor(false);
    }
}

void WaitCursorMonitor::waitMonitorThread() {
    while (_waitMonitorShouldRun) {
        monitorPass();
        std::unique_lock<std::mutex> lock(_wakeMutex);
        _wake.wait_for(lock, kPassInterval, [this] { return !_waitMonitorShouldRun; });
    }
}

void WaitCursorMonitor::displayWaitCursor(bool on) {
    _waitCursorIsOn = on;
    if (_display) {
        if (on)
            _display->show(_windows);
        else
            _display->hide();
        _cursorShown = on;
        return;
    }
    // Queued even on the GUI thread, so the cursor changes in one place only.
    QMetaObject::invokeMethod(
        this, [this] { applyCursor(); }, Qt::QueuedConnection);
}

void WaitCursorMonitor::applyCursor() {
    // Work that ended before the GUI thread got here wants no cursor any more.
    const bool wanted = _waitCursorIsOn && !_waitMonitorSuspended;
    if (wanted == _cursorShown)
        return;
    if (wanted)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
    _cursorShown = wanted;
}
