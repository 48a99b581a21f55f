#include "platform/ui/PaletteController.h"

#include "platform/foundation/Notification.h"
#include "platform/foundation/NotificationCenter.h"

#include "platform/foundation/UserDefaults.h"

#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ToolWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <functional>

class PaletteController::Window : public QWidget {
public:
    explicit Window(std::function<void()> willClose)
        : QWidget(nullptr, Qt::Tool), _willClose(std::move(willClose)) {
        // A palette serves the main window: showing it takes no activation from it.
        setAttribute(Qt::WA_ShowWithoutActivating);
    }
    std::function<void()> didMove;

protected:
    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        if (didMove && isVisible())
            didMove();
    }
    void closeEvent(QCloseEvent* event) override {
        _willClose();
        QWidget::closeEvent(event);
    }

private:
    std::function<void()> _willClose;
};

PaletteController::PaletteController(const QString& name, const QSize& size)
    : _window(std::make_unique<Window>([this] { windowWillClose(); })) {
    _window->setObjectName(name);
    _window->resize(size);
    NotificationCenter::defaultCenter().addObserver(
        static_cast<const void*>(this), QString::fromLatin1(kResetAllPalettesNotification), nullptr,
        [this](const Notification& notification) { resetPosition(notification); });
}

PaletteController::~PaletteController() {
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
}

void PaletteController::observeMainWindows() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* self = this;
    const QString becameMain = QString::fromLatin1(kWindowDidBecomeMainNotification);
    center.addObserver(self, becameMain, nullptr,
                       [this](const Notification& n) { mainWindowChanged(n); });
    center.addObserver(self, QString::fromLatin1(kWindowDidResignMainNotification), nullptr,
                       [this](const Notification& n) { mainWindowResigned(n); });
    if (QWidget* main = MainWindowTracker::sharedTracker().mainWindow())
        mainWindowChanged(
            Notification(becameMain, Notification::Sender(static_cast<const QObject*>(main))));
}

QRect PaletteController::mainScreenVisibleFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void PaletteController::placeAtDefaultOrigin() {
    _window->move(defaultOrigin(mainScreenVisibleFrame(), _window->frameGeometry().size()));
    _placed = true;
    saveFrame();
}

void PaletteController::setFrameAutosaveName(const QString& key) {
    _frameAutosaveName = key;
    _window->didMove = key.isEmpty() ? std::function<void()>() : [this] { saveFrame(); };
}

void PaletteController::saveFrame() {
    if (_frameAutosaveName.isEmpty())
        return;
    const QRect frame = _window->frameGeometry();
    UserDefaults::standardUserDefaults().setObjectForKey(QStringLiteral("%1 %2 %3 %4")
                                                             .arg(frame.x())
                                                             .arg(frame.y())
                                                             .arg(frame.width())
                                                             .arg(frame.height()),
                                                         _frameAutosaveName);
}

bool PaletteController::placeAtSavedFrame() {
    if (_frameAutosaveName.isEmpty())
        return false;
    const QStringList parts =
        UserDefaults::standardUserDefaults().stringForKey(_frameAutosaveName).split(u' ');
    if (parts.size() != 4)
        return false;
    bool okX = false;
    bool okY = false;
    const int x = parts.at(0).toInt(&okX);
    const int y = parts.at(1).toInt(&okY);
    if (!okX || !okY)
        return false;
    _window->move(x, y);
    _placed = true;
    return true;
}

void PaletteController::activate() {
    if (canShow())
        showToolWindow(*_window);
    // After showing, when the frame's size is known.
    if (!_placed && !placeAtSavedFrame())
        placeAtDefaultOrigin();
    _activated = true;
}

void PaletteController::hide() {
    _window->hide();
}

bool PaletteController::isActivated() const {
    return _activated;
}

void PaletteController::resetPosition(const Notification&) {
    placeAtDefaultOrigin();
}

void PaletteController::mainWindowChanged(const Notification& notification) {
    const void* document = documentOfWindow(notification.object());
    if (!document)
        return;
    _followedDocument = document;
    if (_activated)
        activate();
}

void PaletteController::mainWindowResigned(const Notification& notification) {
    if (!documentOfWindow(notification.object()))
        return;
    _followedDocument = nullptr;
    if (_activated)
        hide();
}

void PaletteController::close() {
    _window->close();
}

QWidget* PaletteController::window() const {
    return _window.get();
}

bool PaletteController::canShow() const {
    return _followedDocument != nullptr;
}

const void* PaletteController::documentOfWindow(const void*) const {
    return nullptr;
}

bool PaletteController::servesMainWindow() const {
    const QWidget* main = MainWindowTracker::sharedTracker().mainWindow();
    return main && documentOfWindow(static_cast<const QObject*>(main));
}

void PaletteController::windowWillClose() {
    _activated = false;
}
