#include "framework/inspectors/SSCircularSlider.h"

#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr float kRimInset = 10.5f;
constexpr float kKnobTravelInset = 3.0f;
constexpr float kEdgeBand = 6.0f;
constexpr float kCenterZone = 4.0f;
constexpr int kBigSide = 80;
constexpr int kSmallSide = 60;
// The value of "AppleAquaColorVariant" that asks for graphite controls.
constexpr int kGraphiteVariant = 6;

float distanceBetween(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

SSCircularSlider::SSCircularSlider(const QRect& frame, QWidget* parent) : QWidget(parent) {
    setGeometry(frame);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::ClickFocus);
}

QImage SSCircularSlider::baseImageWithCenter(bool center, bool nonEdge, bool big) {
    const char* base = center ? (nonEdge ? "CircularSlider" : "TargetSlider")
                              : (nonEdge ? "RingSlider" : "DonutSlider");
    return Resources::cachedApplicationImageNamed(QLatin1String(big ? "big" : "small") +
                                                  QLatin1String(base));
}

QImage SSCircularSlider::knobImageWithTint(int tint, bool highlighted, bool big) {
    const char* colour = nullptr;
    switch (tint) {
    case 1:
        colour = "Blue";
        break;
    case 2:
        colour = "Graphite";
        break;
    case -1:
        colour = "Inactive";
        highlighted = false;
        break;
    default:
        return {};
    }
    return Resources::cachedApplicationImageNamed(
        QLatin1String(big ? "big" : "small") + QLatin1String(colour) +
        QLatin1String(highlighted ? "HighlightedKnob" : "Knob"));
}

// ---------------------------------------------------------------------------
// Value

bool SSCircularSlider::constrainAngleAndDistance(float& angle, float& distance) const {
    const float a0 = angle;
    const float d0 = distance;
    const float m = _maxDistance;
    if (distance > m)
        distance = m;
    if (distance < m && !_allowsNonEdge) {
        if (distance >= m * 0.5f || !_allowsCenter) {
            distance = m;
        } else if (distance != 0.0f) {
            distance = 0.0f;
            angle = 0.0f;
        }
    }
    if (distance == 0.0f && !_allowsCenter) {
        angle = 0.0f;
        distance = 0.01f;
    }
    return angle != a0 || distance != d0;
}

void SSCircularSlider::constrainState() {
    if (constrainAngleAndDistance(_angle, _distance))
        update();
}

void SSCircularSlider::setAngleAndDistance(float angle, float distance) {
    constrainAngleAndDistance(angle, distance);
    if (angle == _angle && distance == _distance)
        return;
    _angle = angle;
    _distance = distance;
    update();
}

void SSCircularSlider::getAngleAndDistance(float* angle, float* distance) const {
    if (angle)
        *angle = _angle;
    if (distance)
        *distance = _distance;
}

void SSCircularSlider::setXOffsetAndYOffset(float x, float y) {
    float angle = 0.0f;
    float distance = 0.0f;
    if (x != 0.0f || y != 0.0f) {
        angle = std::atan2(y, x);
        distance = std::sqrt(x * x + y * y);
    }
    setAngleAndDistance(angle, distance);
}

void SSCircularSlider::getXOffsetAndYOffset(float* x, float* y) const {
    if (x)
        *x = _distance * std::cos(_angle);
    if (y)
        *y = _distance * std::sin(_angle);
}

void SSCircularSlider::setAllowsCenterPoint(bool allows) {
    if (allows == _allowsCenter)
        return;
    _allowsCenter = allows;
    constrainState();
    update();
}

void SSCircularSlider::setAllowsNonEdgePositions(bool allows) {
    if (allows == _allowsNonEdge)
        return;
    _allowsNonEdge = allows;
    constrainState();
    update();
}

void SSCircularSlider::setMaximumDistance(float distance) {
    if (distance == _maxDistance)
        return;
    _maxDistance = distance;
    constrainState();
    update();
}

void SSCircularSlider::setEnabled(bool enabled) {
    if (enabled == _enabled)
        return;
    _enabled = enabled;
    update();
}

void SSCircularSlider::setAppearance(int appearance) {
    if (appearance == -1)
        appearance = 0;
    if (appearance == _appearance)
        return;
    _appearance = appearance;
    update();
}

void SSCircularSlider::sendAction() {
    if (_action)
        _action(this);
}

// ---------------------------------------------------------------------------
// Geometry: view points with y growing upwards, as angles are told.

float SSCircularSlider::halfWidth() const {
    return (float(width()) - 2 * kRimInset) / 2;
}

Point SSCircularSlider::circleCenter() const {
    const float h = halfWidth();
    return {kRimInset + h, kRimInset + h};
}

Point SSCircularSlider::knobCenter() const {
    float x = 0;
    float y = 0;
    getXOffsetAndYOffset(&x, &y);
    const float travel = halfWidth() - kKnobTravelInset;
    const Point c = circleCenter();
    return {c.x + x / _maxDistance * travel, c.y + y / _maxDistance * travel};
}

void SSCircularSlider::setBallToClosestFitForLocation(Point p) {
    const Point c = circleCenter();
    const float travel = halfWidth() - kKnobTravelInset;
    setXOffsetAndYOffset((p.x - c.x) / travel * _maxDistance, (p.y - c.y) / travel * _maxDistance);
}

int SSCircularSlider::knobTint() const {
    if (!_enabled || !isActiveWindow())
        return -1;
    if (_appearance != 0)
        return _appearance;
    const QString variant = QStringLiteral("AppleAquaColorVariant");
    return UserDefaults::standardUserDefaults().integerForKey(variant) == kGraphiteVariant ? 2 : 1;
}

// ---------------------------------------------------------------------------
// Tracking

namespace {

Point viewPoint(const QWidget& view, const QPointF& position) {
    return {float(position.x()), float(view.height()) - float(position.y())};
}

} // namespace

Point SSCircularSlider::trackedPoint(Point location, bool slow) {
    if (slow && !_slow) {
        _slow = true;
        _slowAnchor = _lastLocation;
    } else if (!slow) {
        _slow = false;
    }
    _lastLocation = location;
    if (!_slow)
        return location;
    return {_slowAnchor.x + (location.x - _slowAnchor.x) / 10,
            _slowAnchor.y + (location.y - _slowAnchor.y) / 10};
}

void SSCircularSlider::trackTo(Point location, bool slow) {
    const Point p = trackedPoint(location, slow);
    setBallToClosestFitForLocation({p.x - _grabOffset.x, p.y - _grabOffset.y});
    if (_continuous)
        sendAction();
}

void SSCircularSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !_enabled) {
        event->ignore();
        return;
    }
    const Point click = viewPoint(*this, event->position());
    const Point knob = knobCenter();
    const Point k{std::round(knob.x), std::round(knob.y)};
    const bool grabs = distanceBetween(click, k) <= float(_ballRadius) + 1;
    const float e = distanceBetween(click, circleCenter());
    const float h = halfWidth();
    bool valid = e < h + 1 && (_allowsNonEdge || e >= h - kEdgeBand);
    if (e < kCenterZone)
        valid = _allowsCenter;
    if (!grabs && !valid) {
        event->ignore();
        return;
    }
    _tracking = true;
    // The point where Alt went down, or the press when it was down already.
    _lastLocation = click;
    _slow = false;
    if (grabs) {
        _grabOffset = {click.x - knob.x, click.y - knob.y};
    } else {
        _grabOffset = {};
        setBallToClosestFitForLocation(click);
        if (_continuous)
            sendAction();
    }
    _ballHighlighted = true;
    update();
}

void SSCircularSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!_tracking)
        return;
    trackTo(viewPoint(*this, event->position()), event->modifiers() & Qt::AltModifier);
}

void SSCircularSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!_tracking || event->button() != Qt::LeftButton)
        return;
    const Point p =
        trackedPoint(viewPoint(*this, event->position()), event->modifiers() & Qt::AltModifier);
    setBallToClosestFitForLocation({p.x - _grabOffset.x, p.y - _grabOffset.y});
    _tracking = false;
    _slow = false;
    // Sent once more at the release, continuous or not.
    sendAction();
    _ballHighlighted = false;
    update();
}

void SSCircularSlider::keyPressEvent(QKeyEvent* event) {
    // A modifier change reuses the last point.
    if (_tracking && event->key() == Qt::Key_Alt)
        trackTo(_lastLocation, true);
    else
        QWidget::keyPressEvent(event);
}

void SSCircularSlider::keyReleaseEvent(QKeyEvent* event) {
    if (_tracking && event->key() == Qt::Key_Alt)
        trackTo(_lastLocation, false);
    else
        QWidget::keyReleaseEvent(event);
}

void SSCircularSlider::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange)
        update();
    QWidget::changeEvent(event);
}

// ---------------------------------------------------------------------------
// Drawing

void SSCircularSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(_enabled ? 1.0 : 0.4);
    // Drawn in view points, y upwards.
    painter.translate(0, height());
    painter.scale(1, -1);

    const int side = width();
    const bool big = side == kBigSide && height() == kBigSide;
    const bool small = side == kSmallSide && height() == kSmallSide;
    QImage base;
    if (big || small) {
        _ballRadius = big ? 8 : 6;
        base = baseImageWithCenter(_allowsCenter, _allowsNonEdge, big);
    } else {
        _ballRadius = int(std::ceil(float(side) / 10));
    }
    const int H = side / 2;
    const QRectF rim(kRimInset, kRimInset, side - 2 * kRimInset, side - 2 * kRimInset);
    if (!base.isNull()) {
        painter.save();
        // Images are stored top-down.
        painter.translate(0, height());
        painter.scale(1, -1);
        painter.drawImage(QRectF(0, 0, side, side), base, QRectF(0, 0, side, side));
        painter.restore();
    } else {
        QPainterPath shape;
        shape.setFillRule(Qt::WindingFill);
        shape.addEllipse(rim);
        const auto inset = [&rim](qreal by) { return rim.adjusted(by, by, -by, -by); };
        if (_allowsNonEdge && !_allowsCenter) {
            QPainterPath hole;
            hole.addEllipse(inset(H - 14));
            shape = shape.subtracted(hole);
        } else if (!_allowsNonEdge) {
            QPainterPath hole;
            hole.addEllipse(inset(5));
            shape = shape.subtracted(hole);
            if (_allowsCenter) {
                QPainterPath disc;
                disc.addEllipse(inset(H - 14));
                shape = shape.united(disc);
            }
        }
        painter.fillPath(shape, QColor::fromRgbF(0.8f, 0.8f, 0.8f));
        painter.setPen(QColor::fromRgbF(0.4f, 0.4f, 0.4f));
        painter.drawPath(shape);
    }

    const QImage knobImage =
        (big || small) ? knobImageWithTint(knobTint(), _ballHighlighted, big) : QImage();
    const int radius = knobImage.isNull() ? _ballRadius : _ballRadius + 4;
    const Point c = knobCenter();
    const QRectF knob(std::round(c.x - radius), std::round(c.y - radius), 2 * radius, 2 * radius);
    if (!knobImage.isNull()) {
        painter.save();
        painter.translate(knob.x(), knob.y() + knob.height());
        painter.scale(1, -1);
        painter.drawImage(QRectF(0, 0, knob.width(), knob.height()), knobImage,
                          QRectF(0, 0, 2 * radius, 2 * radius));
        painter.restore();
    } else {
        const float grey = _ballHighlighted ? 0.4f : 0.6f;
        painter.setBrush(QColor::fromRgbF(grey, grey, grey));
        painter.setPen(Qt::black);
        painter.drawEllipse(knob);
    }
}
