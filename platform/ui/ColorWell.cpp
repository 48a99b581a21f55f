#include "platform/ui/ColorWell.h"

#include "platform/ui/ColorPanel.h"

#include <QColorDialog>
#include <QEvent>
#include <QPainter>
#include <QPointer>

namespace {
QPointer<ColorWell> gActiveWell;
}

ColorWell::ColorWell(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(false);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (_active)
            deactivate();
        else
            activate(true);
    });
}

ColorWell::~ColorWell() {
    deactivate();
}

void ColorWell::setColor(const QColor& color) {
    if (color == _color)
        return;
    _color = color;
    update();
}

ColorWell* ColorWell::activeWell() {
    return gActiveWell;
}

void ColorWell::clearColorPanelTarget() {
    if (gActiveWell && gActiveWell->takesColorsFromPanel())
        gActiveWell->deactivate();
}

void ColorWell::activate(bool exclusive) {
    if (_active || !isEnabled())
        return;
    if (exclusive && gActiveWell && gActiveWell != this)
        gActiveWell->deactivate();
    _active = true;
    gActiveWell = this;
    if (takesColorsFromPanel()) {
        ColorPanel* panel = ColorPanel::sharedColorPanel();
        // The panel shows this well's colour before it reports to it.
        panel->setColor(_color);
        _panelConnection = connect(panel->dialog(), &QColorDialog::currentColorChanged, this,
                                   &ColorWell::takeColor);
        panel->orderFront();
    }
    update();
}

void ColorWell::deactivate() {
    if (!_active)
        return;
    _active = false;
    disconnect(_panelConnection);
    if (gActiveWell == this)
        gActiveWell = nullptr;
    update();
}

void ColorWell::takeColor(const QColor& color) {
    if (!_active || color == _color)
        return;
    _color = color;
    update();
    Q_EMIT colorChosen(color);
}

QSize ColorWell::sizeHint() const {
    return {44, 24};
}

void ColorWell::changeEvent(QEvent* event) {
    // A disabled well lets the panel go.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        deactivate();
    QAbstractButton::changeEvent(event);
}

void ColorWell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.setPen(palette().color(QPalette::Mid));
    p.setBrush(_active ? palette().color(QPalette::Highlight) : palette().color(QPalette::Button));
    p.drawRect(frame);
    const QRect swatch = frame.adjusted(4, 4, -3, -3);
    QColor shown = _color;
    if (!isEnabled())
        shown.setAlphaF(shown.alphaF() * 0.4f);
    p.setPen(palette().color(QPalette::Dark));
    p.setBrush(shown);
    p.drawRect(swatch);
}
