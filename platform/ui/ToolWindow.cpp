#include "platform/ui/ToolWindow.h"

#include <QApplication>
#include <QWidget>

void showToolWindow(QWidget& window) {
    QWidget* active = QApplication::activeWindow();
    const bool appearing = !window.isVisible();
    window.show();
    window.raise();
    if (appearing && active && active != &window)
        active->activateWindow();
}
