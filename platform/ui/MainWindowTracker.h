#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

// Posted with the window (as a const QObject*) as sender.
inline constexpr char kWindowDidBecomeMainNotification[] = "NSWindowDidBecomeMainNotification";
inline constexpr char kWindowDidResignMainNotification[] = "NSWindowDidResignMainNotification";
inline constexpr char kWindowDidBecomeKeyNotification[] = "NSWindowDidBecomeKeyNotification";
inline constexpr char kWindowDidResignKeyNotification[] = "NSWindowDidResignKeyNotification";

// Which top-level window is main and which is key, with a notification for each
// change. The key window is the active window, whatever its kind; the main
// window is the last active document window: palettes, tool windows and
// dialogs take the keyboard but leave the main window as it is. A main window
// that hides or goes away resigns. Main thread only.
class LUMISK_PLATFORM_EXPORT MainWindowTracker : public QObject {
    Q_OBJECT

public:
    // The application's tracker, made on first use (it needs the application).
    static MainWindowTracker& sharedTracker();

    QWidget* mainWindow() const { return _main; }
    QWidget* keyWindow() const { return _key; }
    bool isMainWindow(const QWidget* window) const { return window && window == _main; }
    bool isKeyWindow(const QWidget* window) const { return window && window == _key; }

    // Whether a window can be main: a plain top-level window, shown.
    static bool canBecomeMainWindow(const QWidget* window);

    // Looks at the active window again (also done on every activation change).
    void update();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindowTracker();
    void setKey(QWidget* window);
    void setMain(QWidget* window);

    QPointer<QWidget> _main;
    QPointer<QWidget> _key;
    QMetaObject::Connection _mainGone;
    QMetaObject::Connection _keyGone;
    bool _updateScheduled = false;
};
