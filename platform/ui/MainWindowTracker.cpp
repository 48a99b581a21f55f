#include "platform/ui/MainWindowTracker.h"

#include "platform/foundation/NotificationCenter.h"

#include <QApplication>
#include <QEvent>

namespace {
void post(const char* name, const QObject* window) {
    NotificationCenter::defaultCenter().postNotificationName(QString::fromLatin1(name),
                                                             Notification::Sender(window));
}
} // namespace

MainWindowTracker& MainWindowTracker::sharedTracker() {
    static MainWindowTracker* tracker = nullptr;
    if (!tracker) {
        tracker = new MainWindowTracker;
        qAddPostRoutine([] {
            delete tracker;
            tracker = nullptr;
        });
    }
    return *tracker;
}

MainWindowTracker::MainWindowTracker() {
    qApp->installEventFilter(this);
    update();
}

bool MainWindowTracker::canBecomeMainWindow(const QWidget* window) {
    return window && window->isWindow() && window->windowType() == Qt::Window &&
           window->isVisible();
}

void MainWindowTracker::update() {
    _updateScheduled = false;
    QWidget* active = QApplication::activeWindow();
    if (_main && !canBecomeMainWindow(_main))
        setMain(nullptr);
    if (canBecomeMainWindow(active))
        setMain(active);
    setKey(active);
}

void MainWindowTracker::setKey(QWidget* window) {
    if (window == _key)
        return;
    if (QWidget* old = _key) {
        disconnect(_keyGone);
        _key = nullptr;
        post(kWindowDidResignKeyNotification, old);
    }
    _key = window;
    if (window) {
        // A window deleted while key resigns as it goes; observers compare addresses only.
        _keyGone = connect(window, &QObject::destroyed, this,
                           [](QObject* gone) { post(kWindowDidResignKeyNotification, gone); });
        post(kWindowDidBecomeKeyNotification, window);
    }
}

void MainWindowTracker::setMain(QWidget* window) {
    if (window == _main)
        return;
    if (QWidget* old = _main) {
        disconnect(_mainGone);
        _main = nullptr;
        post(kWindowDidResignMainNotification, old);
    }
    _main = window;
    if (window) {
        _mainGone = connect(window, &QObject::destroyed, this,
                            [](QObject* gone) { post(kWindowDidResignMainNotification, gone); });
        post(kWindowDidBecomeMainNotification, window);
    }
}

bool MainWindowTracker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::Close:
    case QEvent::ApplicationStateChange:
        // Activation reaches every widget of a window; one look after the
        // events of this change is enough.
        if (watched->isWidgetType() && !static_cast<QWidget*>(watched)->isWindow())
            break;
        if (!_updateScheduled) {
            _updateScheduled = true;
            QMetaObject::invokeMethod(this, &MainWindowTracker::update, Qt::QueuedConnection);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
