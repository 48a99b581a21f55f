#include "platform/ui/PaletteController.h"

#include "platform/foundation/Notification.h"
#include "platform/foundation/NotificationCenter.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <functional>

class PaletteController::Window : public QWidget {
public:
    explicit Window(std::function<void()> willClose)
        : QWidget(nullptr, Qt::Tool), _willClose(std::move(willClose)) {}

protected:
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

QRect PaletteController::mainScreenVisibleFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void PaletteController::placeAtDefaultOrigin() {
    _window->move(defaultOrigin(mainScreenVisibleFrame(), _window->frameGeometry().size()));
    _placed = true;
}

void PaletteController::activate() {
    if (canShow()) {
        _window->show();
        _window->raise();
    }
    // After showing, when the frame's size is known.
    if (!_placed)
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

void PaletteController::windowWillClose() {
    _activated = false;
}
