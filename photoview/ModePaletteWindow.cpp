#include "photoview/ModePaletteWindow.h"

#include <QCloseEvent>
#include <QMoveEvent>

ModePaletteWindow::ModePaletteWindow(Keyboard keyboard, std::function<void()> closedByUser,
                                     std::function<void()> moved)
    : QWidget(nullptr,
              keyboard == Keyboard::Refuses ? Qt::Tool | Qt::WindowDoesNotAcceptFocus : Qt::Tool),
      _closedByUser(std::move(closedByUser)), _moved(std::move(moved)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (keyboard == Keyboard::Refuses)
        setFocusPolicy(Qt::NoFocus);
}

void ModePaletteWindow::moveFrameBottomLeftTo(QPoint frameBottomLeft) {
    move(frameBottomLeft.x(), frameBottomLeft.y() - frameGeometry().height());
}

void ModePaletteWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (_moved)
        _moved();
}

void ModePaletteWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (_closedByUser)
        _closedByUser();
}
