#include "framework/model/TMArcObject.h"
#include "framework/model/TMShapeValues.h"

#include "framework/model/TMStrokeFill.h"
#include "framework/model/TMStrokeFillObject.h"
#include "framework/model/TMUtilities.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/CurrentEvent.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMArcObject>(QStringLiteral("TMArcObject"));
    return true;
}();

constexpr float kHitTolerance = 3.0f;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// Whether p lies in the ellipse of the centre and radii.
bool inEllipse(Point p, Point center, float rx, float ry) {
    const float u = (p.x - center.x) / rx;
    const float v = (p.y - center.y) / ry;
    return u * u + v * v <= 1;
}

} // namespace

class TMArcObject::FilledPathScope {
public:
    FilledPathScope(const TMArcObject& arc, bool filled)
        : _arc(arc), _previous(arc._createFilledPath) {
        _arc._createFilledPath = filled;
    }
    ~FilledPathScope() { _arc._createFilledPath = _previous; }
    FilledPathScope(const FilledPathScope&) = delete;
    FilledPathScope& operator=(const FilledPathScope&) = delete;

private:
    const TMArcObject& _arc;
    bool _previous;
};

// ---------------------------------------------------------------------------
// Construction and representation

TMArcObject::TMArcObject() : _gradientFill(VQGradientFill::stdFill()) {}

TMArcObject::~TMArcObject() = default;

TMArcObjectRef TMArcObject::newTemplateObject() {
    return create<TMArcObject>();
}

TMArcObjectRef TMArcObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMArcObject>(representation);
}

TMArcObjectRef TMArcObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMArcObject>(origin, size);
}

QVariantMap TMArcObject::stdRepresentation() {
    return {};
}

QVariantMap TMArcObject::filledRepresentation() {
    return {{key(kFillEnabledKey), true}};
}

void TMArcObject::initWithRepresentation(const QVariantMap& representation) {
    TMLineObject::initWithRepresentation(representation);
    _fillEnabled = representation.value(key(kFillEnabledKey)).toBool();
    _fillColor =
        colorFromData(representation.value(key(kFillColorKey))).value_or(Color::whiteColor());
    _gradientFillEnabled = representation.value(key(kGradientFillEnabledKey)).toBool();
    VQGradientFillRef fill;
    if (const auto it = representation.constFind(key(kGradientFillKey));
        it != representation.cend())
        fill = Unarchiver::unarchiveObjectOfClass<VQGradientFill>(it->toByteArray());
    _gradientFill = fill ? fill : VQGradientFill::stdFill();
    _concavity = representation.value(key(kConcavityEnabledKey)).toBool();
}

QVariantMap TMArcObject::dictRepresentation() const {
    QVariantMap d = TMLineObject::dictRepresentation();
    d.insert(key(kFillEnabledKey), QVariant(_fillEnabled));
    d.insert(key(kFillColorKey), Archiver::archivedValue(_fillColor));
    d.insert(key(kGradientFillEnabledKey), QVariant(_gradientFillEnabled));
    d.insert(key(kGradientFillKey),
             Archiver::archivedData(std::static_pointer_cast<Archivable>(_gradientFill)));
    d.insert(key(kConcavityEnabledKey), QVariant(_concavity));
    return d;
}

// ---------------------------------------------------------------------------
// Properties

void TMArcObject::setFillState(bool enabled) {
    if (changeValue(_fillEnabled, enabled, &TMArcObject::setFillState, kFillStateActionKey))
        changeMade();
}

void TMArcObject::setFillColor(const Color& color) {
    if (changeValue(_fillColor, color, &TMArcObject::setFillColor, kFillColorActionKey))
        changeMade();
}

void TMArcObject::setGradientFillState(bool enabled) {
    if (changeValue(_gradientFillEnabled, enabled, &TMArcObject::setGradientFillState,
                    kFillStateActionKey))
        changeMade();
}

void TMArcObject::setGradientFill(const VQGradientFillRef& fill) {
    if (!fill || fill == _gradientFill || *fill == *_gradientFill)
        return;
    registerUndo([old = _gradientFill](
                     TMObject& self) { static_cast<TMArcObject&>(self).setGradientFill(old); },
                 kGradientFillActionKey);
    _gradientFill = fill;
    changeMade();
}

void TMArcObject::setConcavity(bool concavity) {
    if (changeValue(_concavity, concavity, &TMArcObject::setConcavity, kConcavityActionKey))
        changeMade();
}

void TMArcObject::checkForConcavityToggle() {
    const bool down = CurrentEvent::modifierFlags() & AlternateKeyMask;
    if (down != _optionKeyDown)
        setConcavity(!_concavity);
    _optionKeyDown = down;
}

// ---------------------------------------------------------------------------
// Shape

void TMArcObject::arcEnds(Point* a, Point* b) const {
    // Before the first drag there is no origin: the arc begins at the start.
    const Point origin = _originPt == kUnsetOrigin ? _startPt : _originPt;
    const Point other = _startPt == origin ? _endPt : _startPt;
    *a = {origin.x - _center.x, origin.y - _center.y};
    *b = {other.x - _center.x, other.y - _center.y};
}

BezierPath TMArcObject::arcShape(bool filled) const {
    Point a, b;
    arcEnds(&a, &b);
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    if (dx == 0 || dy == 0)
        return TMLineObject::basicShape();

    const float sx = dx < 0 ? -1.0f : 1.0f;
    const float sy = dy < 0 ? -1.0f : 1.0f;
    const float adx = std::fabs(dx);
    const float ady = std::fabs(dy);
    const float r = std::min(adx, ady);
    float ox = 0, oy = 0, scaleX = 1, scaleY = 1;
    // A quarter circle in the square centred in the box, stretched to the box.
    if (ady > adx) {
        oy = (ady - adx) * 0.5f;
        scaleY = ady / adx;
    } else {
        ox = (adx - ady) * 0.5f;
        scaleX = adx / ady;
    }
    const Point s{a.x + sx * ox, a.y + sy * oy};
    const Point e{s.x + sx * r, s.y + sy * r};
    const Point tangent = _concavity ? Point{s.x, e.y} : Point{e.x, s.y};

    BezierPath p;
    p.moveToPoint(s);
    p.appendBezierPathWithArcFromPointToPointRadius(tangent, e, r);
    if (filled) {
        const Point center = tangent.x != s.x ? Point{s.x, e.y} : Point{e.x, s.y};
        p.lineToPoint(center);
        p.lineToPoint(s);
        p.closePath();
    }
    AffineTransform stretch;
    stretch.scaleXByYBy(scaleX, scaleY);
    p.transformUsingAffineTransform(stretch);
    return p;
}

BezierPath TMArcObject::basicShape() const {
    return arcShape(_createFilledPath);
}

Rect TMArcObject::encapsulatingFrame() const {
    FilledPathScope scope(*this, _fillEnabled);
    return TMLineObject::encapsulatingFrame();
}

bool TMArcObject::hitTest(Point point) const {
    if (selected() && knobUnderPoint(point) != 0)
        return true;
    {
        FilledPathScope scope(*this, _fillEnabled);
        if (!pointInRect(point, frame()))
            return false;
    }
    Point a, b;
    arcEnds(&a, &b);
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    if (dx == 0 || dy == 0)
        return TMLineObject::hitTest(point);

    // In the object's own frame, relative to its centre.
    const Point turned = rotatePointOnCenterMagnitude(point, -1);
    const Point q{turned.x - _center.x, turned.y - _center.y};
    const Point ellipseCenter = _concavity ? Point{b.x, a.y} : Point{a.x, b.y};
    const float rx = std::fabs(dx);
    const float ry = std::fabs(dy);
    const float t = std::max(_strokeWidth, kHitTolerance);
    const float fx = t / rx;
    const float fy = t / ry;

    // Grown and shrunk about its own centre, the ellipse gives a band of the
    // tolerance on either side of the whole curve; about the object's centre
    // the band would narrow to a fraction of it half way along.
    auto scaledEllipseHolds = [&](float kx, float ky) {
        return inEllipse(q, ellipseCenter, rx * kx, ry * ky);
    };
    if (!scaledEllipseHolds(1 + fx, 1 + fy))
        return false;
    if (_fillEnabled) {
        const float minX = std::min(a.x, b.x) * (1 + fx);
        const float maxX = std::max(a.x, b.x) * (1 + fx);
        const float minY = std::min(a.y, b.y) * (1 + fy);
        const float maxY = std::max(a.y, b.y) * (1 + fy);
        if (q.x >= minX && q.x <= maxX && q.y >= minY && q.y <= maxY)
            return true;
    }
    return !scaledEllipseHolds(1 - fx, 1 - fy);
}

// ---------------------------------------------------------------------------
// Drawing

void TMArcObject::drawObject(bool drawHandles) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (context && _fillEnabled) {
        BezierPath pie;
        {
            FilledPathScope scope(*this, true);
            pie = path();
        }
        TMDrawFill(*this, pie, TMCenterRectOnPoint(Rect(kZeroPoint, _size), _center), _rotation);
    }
    if (context && _strokeEnabled) {
        TMDrawStroke(*this, path(), !_fillEnabled);
        context->setColor(Color::blackColor().toQColor());
    }
    if (drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}

// ---------------------------------------------------------------------------
// Creation and knobs

void TMArcObject::setFrameCornersFromTo(Point from, Point to) {
    if (inCreation())
        checkForConcavityToggle();
    TMLineObject::setFrameCornersFromTo(from, to);
}

int TMArcObject::resizeByMovingKnobToPoint(int knob, Point point) {
    checkForConcavityToggle();
    return TMLineObject::resizeByMovingKnobToPoint(knob, point);
}

void TMArcObject::setInCreation(bool inCreation) {
    _optionKeyDown = false;
    TMLineObject::setInCreation(inCreation);
}

void TMArcObject::setInResize(bool inResize) {
    _optionKeyDown = false;
    TMLineObject::setInResize(inResize);
}

void TMArcObject::flipHorizontally() {
    TMLineObject::flipHorizontally();
}
