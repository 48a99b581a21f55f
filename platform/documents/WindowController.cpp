#include "platform/documents/WindowController.h"

#include "platform/documents/Document.h"

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
}

void WindowController::showWindow() {
    if (!_window)
        return;
    _window->show();
    _window->raise();
    _window->activateWindow();
}
