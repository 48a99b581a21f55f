#include "framework/inspectors/VQGradientFillWell.h"

#include "framework/inspectors/VQGradientFillPanel.h"
#include "platform/graphics/GraphicsContext.h"

#include <QMouseEvent>
#include <QPainter>

VQGradientFillWell::VQGradientFillWell(QWidget* parent)
    : ColorWell(parent), _gradientFill(VQGradientFill::stdFill()) {
    // Only a click binds it to the panel; a key would toggle it without.
    setFocusPolicy(Qt::NoFocus);
}

VQGradientFillWell::~VQGradientFillWell() {
    deactivate();
}

VQGradientFillRef VQGradientFillWell::gradientFill() {
    if (!_gradientFill)
        _gradientFill = VQGradientFill::stdFill();
    return _gradientFill;
}

void VQGradientFillWell::setGradientFill(const VQGradientFillRef& fill) {
    if (fill == _gradientFill)
        return;
    _gradientFill = fill;
    update();
    Q_EMIT gradientFillChanged();
    if (isActive())
        VQGradientFillPanel::sharedGradientFillPanelController()->setActiveGradientFillWell(this);
}

void VQGradientFillWell::deactivate() {
    if (!isActive())
        return;
    ColorWell::deactivate();
    update();
    VQGradientFillPanel* panel = VQGradientFillPanel::sharedGradientFillPanelController();
    if (panel->activeGradientFillWell() == this)
        panel->setActiveGradientFillWell(nullptr);
}

bool VQGradientFillWell::shownActive() const {
    // While pressed inside, the well shows what a release would make it.
    if (_tracking && _inside)
        return !_activeAtPress;
    return _tracking ? _activeAtPress : isActive();
}

void VQGradientFillWell::drawWellInside(QPainter& painter, const QRect& rect) {
    const VQGradientFillRef fill = gradientFill();
    painter.save();
    painter.setClipRect(rect);
    {
        // A context over just the rectangle, counting upward as the fill expects.
        GraphicsContext context(painter, Size{float(rect.width()), float(rect.height())},
                                DestinationKind::Screen, false, QRectF(rect));
        const GraphicsContext::Focus focus(context);
        const bool flipped = fill->drawsFlipped();
        fill->setDrawsFlipped(false);
        fill->fillRect(Rect(0, 0, float(rect.width()), float(rect.height())));
        fill->setDrawsFlipped(flipped);
    }
    painter.restore();
}

void VQGradientFillWell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.setPen(palette().color(QPalette::Mid));
    p.setBrush(shownActive() ? palette().color(QPalette::Highlight)
                             : palette().color(QPalette::Button));
    p.drawRect(frame);
    const QRect swatch = frame.adjusted(4, 4, -3, -3);
    if (!isEnabled())
        p.setOpacity(0.4);
    drawWellInside(p, swatch);
    p.setOpacity(1);
    p.setPen(palette().color(QPalette::Dark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(swatch);
}

void VQGradientFillWell::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    _tracking = true;
    _activeAtPress = isActive();
    _inside = false;
    trackAt(event->position());
    _periodicTimer.start();
}

void VQGradientFillWell::mouseMoveEvent(QMouseEvent* event) {
    if (_tracking)
        trackAt(event->position());
}

void VQGradientFillWell::trackAt(const QPointF& point) {
    _lastPoint = point;
    const bool inside = rect().contains(point.toPoint());
    if (inside == _inside)
        return;
    _inside = inside;
    update();
}

void VQGradientFillWell::mouseReleaseEvent(QMouseEvent* event) {
    if (!_tracking || event->button() != Qt::LeftButton)
        return;
    trackAt(event->position());
    _tracking = false;
    _periodicTimer.stop();
    update();
    if (!_inside)
        return;
    VQGradientFillPanel* panel = VQGradientFillPanel::sharedGradientFillPanelController();
    if (!_activeAtPress) {
        activate(true);
        panel->setActiveGradientFillWell(this);
        panel->activate();
    } else {
        deactivate();
    }
}
