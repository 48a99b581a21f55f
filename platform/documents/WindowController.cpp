#include "platform/documents/WindowController.h"

#include "platform/documents/Document.h"

#include <QVariant>

namespace {
constexpr char kControllerProperty[] = "lumiskWindowController";
}

WindowController* WindowController::forWindow(const QWidget* window) {
    if (!window)
        return nullptr;
    return qobject_cast<WindowController*>(window->property(kControllerProperty).value<QObject*>());
}

WindowController::WindowController(QWidget* window) {
    setWindow(window);
}

WindowController::~WindowController() {
    delete _window.data();
}

void WindowController::setWindow(QWidget* window) {
    if (window == _window)
        return;
    delete _window.data();
    _window = window;
    if (window)
        window->setProperty(kControllerProperty, QVariant::fromValue<QObject*>(this));
}

void WindowController::showWindow() {
    if (!_window)
        return;
    _window->show();
    _window->raise();
    _window->activateWindow();
}
