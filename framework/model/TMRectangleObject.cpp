#include "framework/model/TMRectangleObject.h"
#include "framework/model/TMShapeValues.h"

#include "framework/model/TMGeometry.h"
#include "framework/model/TMStrokeFill.h"
#include "framework/model/TMUtilities.h"
#include "platform/documents/View.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMRectangleObject>(QStringLiteral("TMRectangleObject"));
    return true;
}();

constexpr float kCornerRadiusWhenRead = 8.0f;
constexpr float kHitTolerance = 3.0f;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and representation

TMRectangleObject::TMRectangleObject() = default;

TMRectangleObject::~TMRectangleObject() = default;

TMRectangleObjectRef TMRectangleObject::newTemplateObject() {
    return create<TMRectangleObject>();
}

TMRectangleObjectRef
TMRectangleObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMRectangleObject>(representation);
}

TMRectangleObjectRef TMRectangleObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMRectangleObject>(origin, size);
}

QVariantMap TMRectangleObject::stdRepresentation() {
    return {};
}

QVariantMap TMRectangleObject::filledRepresentation() {
    return {{key(kFillEnabledKey), true}};
}

QVariantMap TMRectangleObject::stdRoundRepresentation() {
    return {{key(kCornerEnabledKey), true}};
}

QVariantMap TMRectangleObject::filledRoundRepresentation() {
    return {{key(kCornerEnabledKey), true}, {key(kFillEnabledKey), true}};
}

void TMRectangleObject::initWithRepresentation(const QVariantMap& representation) {
    TMObject::initWithRepresentation(representation);
    initStrokeFill(representation, true);
    _roundedCornersEnabled = representation.value(key(kCornerEnabledKey)).toBool();
    const QVariant radius = representation.value(key(kCornerRadiusKey));
    _cornerRadius = radius.isValid() ? radius.toFloat() : kCornerRadiusWhenRead;
}

QVariantMap TMRectangleObject::dictRepresentation() const {
    QVariantMap d = TMObject::dictRepresentation();
    addStrokeFill(d);
    d.insert(key(kCornerEnabledKey), QVariant(_roundedCornersEnabled));
    d.insert(key(kCornerRadiusKey), QVariant(_cornerRadius));
    return d;
}

// ---------------------------------------------------------------------------
// Properties

void TMRectangleObject::setRoundedCornersState(bool enabled) {
    if (changeValue(_roundedCornersEnabled, enabled, &TMRectangleObject::setRoundedCornersState,
                    kRoundedCornersActionKey))
        changeMade();
}

void TMRectangleObject::setCornerRadius(float radius) {
    if (std::isnan(radius))
        return;
    if (changeValue(_cornerRadius, radius, &TMRectangleObject::setCornerRadius,
                    kCornerRadiusActionKey))
        changeMade();
}

// ---------------------------------------------------------------------------
// Geometry

BezierPath TMRectangleObject::basicShape() const {
    BezierPath shape = TMObject::basicShape();
    if (_roundedCornersEnabled)
        return TMRoundedRectangle(shape.bounds(), _cornerRadius);
    return shape;
}

BezierPath TMRectangleObject::snappedRotatedRectPath() const {
    BezierPath p = BezierPath::bezierPathWithRect(
        {-_size.width / 2, -_size.height / 2, _size.width, _size.height});
    AffineTransform place;
    place.translateXByYBy(_center.x, _center.y);
    place.rotateByDegrees(_rotation);
    p.transformUsingAffineTransform(place);
    const Rect b = p.bounds();
    const float dx = 0.5f - (b.minX() - std::floor(b.minX()));
    const float dy = 0.5f - (b.minY() - std::floor(b.minY()));
    if (dx != 0 || dy != 0) {
        AffineTransform shift;
        shift.translateXByYBy(dx, dy);
        p.transformUsingAffineTransform(shift);
    }
    return p;
}

Rect TMRectangleObject::frame() const {
    if (_rotation == 0)
        return unrotatedRect();
    return snappedRotatedRectPath().controlPointBounds();
}

Rect TMRectangleObject::encapsulatingFrame() const {
    if (!_roundedCornersEnabled || _rotation == 0)
        return insetRect(TMObject::encapsulatingFrame(), -_strokeWidth, -_strokeWidth);
    Rect r = insetRect(snappedRotatedRectPath().controlPointBounds(), -(1 + _strokeWidth),
                       -(1 + _strokeWidth));
    if (selected())
        r = insetRect(r, -halfKnobWidth(), -halfKnobWidth());
    return r;
}

bool TMRectangleObject::hitTest(Point point) const {
    if (selected() && knobUnderPoint(point) != 0)
        return true;
    if (!pointInRect(point, encapsulatingFrame()))
        return false;
    const BezierPath p = path();
    if (p.isEmpty())
        return pointInRect(point, frame());
    // A shape without extent has no band to tell from its inside.
    if (!(_size.width > 0) || !(_size.height > 0))
        return true;
    const float t = _strokeWidth > kHitTolerance ? _strokeWidth : kHitTolerance;
    const float sx = t / _size.width;
    const float sy = t / _size.height;
    if (!scaledAbout(p, _center, 1 + sx, 1 + sy).containsPoint(point))
        return false;
    if (_fillEnabled)
        return true;
    return !scaledAbout(p, _center, 1 - sx, 1 - sy).containsPoint(point);
}

// ---------------------------------------------------------------------------
// Drawing

void TMRectangleObject::drawObject(bool drawHandles) {
    TMDrawStrokeAndFill(*this, path(), unrotatedRect(), _rotation);
    if (drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}
