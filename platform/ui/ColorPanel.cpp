#include "platform/ui/ColorPanel.h"

#include <QColorDialog>
#include <QCoreApplication>

namespace {
ColorPanel* gSharedPanel = nullptr;
}

ColorPanel::ColorPanel() : _dialog(std::make_unique<QColorDialog>()) {
    _dialog->setObjectName(QStringLiteral("ColorPanel"));
    _dialog->setWindowFlag(Qt::Tool);
    // A panel, not a question: every change counts at once, and closing keeps it.
    _dialog->setOption(QColorDialog::NoButtons);
    _dialog->setModal(false);
    // Its final size and window frame now, so that it can be placed before it is
    // first shown.
    _dialog->ensurePolished();
    _dialog->adjustSize();
    _dialog->winId();
}

ColorPanel::~ColorPanel() = default;

ColorPanel* ColorPanel::sharedColorPanel() {
    if (!gSharedPanel) {
        gSharedPanel = new ColorPanel;
        qAddPostRoutine([] {
            delete gSharedPanel;
            gSharedPanel = nullptr;
        });
    }
    return gSharedPanel;
}

bool ColorPanel::sharedColorPanelExists() {
    return gSharedPanel != nullptr;
}

void ColorPanel::setShowsAlpha(bool shows) {
    _dialog->setOption(QColorDialog::ShowAlphaChannel, shows);
}

bool ColorPanel::showsAlpha() const {
    return _dialog->testOption(QColorDialog::ShowAlphaChannel);
}

QColor ColorPanel::color() const {
    return _dialog->currentColor();
}

void ColorPanel::setColor(const QColor& color) {
    _dialog->setCurrentColor(color);
}

void ColorPanel::orderFront() {
    _dialog->show();
    _dialog->raise();
}

void ColorPanel::close() {
    _dialog->hide();
}

bool ColorPanel::isVisible() const {
    return _dialog->isVisible();
}

QRect ColorPanel::frame() const {
    return _dialog->frameGeometry();
}

void ColorPanel::setFrameTopLeft(const QPoint& topLeft) {
    _dialog->move(topLeft);
}
