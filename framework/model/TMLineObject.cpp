#include "framework/model/TMLineObject.h"
#include "framework/model/TMShapeValues.h"

#include "framework/model/TMGeometry.h"
#include "framework/model/TMStrokeFill.h"
#include "framework/model/TMStrokeFillObject.h"
#include "framework/model/TMUtilities.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMLineObject>(QStringLiteral("TMLineObject"));
    return true;
}();

constexpr float kPointsPerInch = 72.0f;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

bool isLeftKnob(int k) {
    return k == 1 || k == 4 || k == 6;
}
bool isRightKnob(int k) {
    return k == 3 || k == 5 || k == 8;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and representation

TMLineObject::TMLineObject() : _dashPattern(QString::fromLatin1(kSolidDashPattern)) {}

TMLineObject::~TMLineObject() = default;

TMLineObjectRef TMLineObject::newTemplateObject() {
    return create<TMLineObject>();
}

TMLineObjectRef
TMLineObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMLineObject>(representation);
}

TMLineObjectRef TMLineObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMLineObject>(origin, size);
}

void TMLineObject::initWithRepresentation(const QVariantMap& representation) {
    TMObject::initWithRepresentation(representation);
    auto value = [&](const char* name) -> std::optional<QVariant> {
        if (const auto it = representation.constFind(key(name)); it != representation.cend())
            return *it;
        return std::nullopt;
    };
    auto inches = [](Point p) { return Point{p.x * kPointsPerInch, p.y * kPointsPerInch}; };

    _startPt = {};
    if (const auto v = value(kStartPtKey))
        _startPt = pointFromDictionary(*v);
    else if (const auto old = value(kOldStartPtKey))
        _startPt = inches(pointFromDictionary(*old));
    _endPt = {};
    if (const auto v = value(kEndPtKey))
        _endPt = pointFromDictionary(*v);
    else if (const auto old = value(kOldEndPtKey))
        _endPt = inches(pointFromDictionary(*old));
    if (const auto v = value(kOriginPtKey))
        _originPt = pointFromDictionary(*v);
    else
        _originPt = _startPt;

    const auto strokeEnabled = value(kStrokeEnabledKey);
    _strokeEnabled = strokeEnabled ? strokeEnabled->toBool() : true;
    if (const auto v = value(kStrokeWidthKey))
        _strokeWidth = v->toFloat();
    else if (const auto old = value(kOldStrokeWidthKey))
        _strokeWidth = old->toFloat();
    else
        _strokeWidth = 1.0f;
    std::optional<Color> color;
    if (const auto v = value(kStrokeColorKey))
        color = colorFromData(*v);
    else if (const auto old = value(kOldStrokeColorKey))
        color = colorFromData(*old);
    _strokeColor = color.value_or(Color::blackColor());
    const auto dash = value(kDashPatternKey);
    _dashPattern = dash ? dash->toString() : key(kSolidDashPattern);
    const auto cap = value(kLineCapKey);
    _lineCap = cap ? cap->toInt() : 0;
}

QVariantMap TMLineObject::dictRepresentation() const {
    QVariantMap d = TMObject::dictRepresentation();
    d.insert(key(kStartPtKey), dictionaryFromPoint(_startPt));
    d.insert(key(kEndPtKey), dictionaryFromPoint(_endPt));
    d.insert(key(kOriginPtKey), dictionaryFromPoint(_originPt));
    d.insert(key(kStrokeEnabledKey), QVariant(_strokeEnabled));
    d.insert(key(kStrokeWidthKey), QVariant(_strokeWidth));
    d.insert(key(kStrokeColorKey), Archiver::archivedValue(_strokeColor));
    d.insert(key(kDashPatternKey), _dashPattern);
    d.insert(key(kLineCapKey), QVariant(float(_lineCap)));
    return d;
}

// ---------------------------------------------------------------------------
// Stroke settings

void TMLineObject::setStrokeState(bool enabled) {
    if (changeValue(_strokeEnabled, enabled, &TMLineObject::setStrokeState, kStrokeStateActionKey))
        changeMade();
}

void TMLineObject::setStrokeWidth(float width) {
    if (std::isnan(width))
        return;
    // Clamped before comparing: a width beyond a limit that keeps the stored
    // one leaves no empty step to undo.
    width =
        std::clamp(width, TMStrokeFillObject::kMinStrokeWidth, TMStrokeFillObject::kMaxStrokeWidth);
    if (changeValue(_strokeWidth, width, &TMLineObject::setStrokeWidth, kStrokeWidthActionKey))
        changeMade();
}

void TMLineObject::setStrokeColor(const Color& color) {
    if (changeValue(_strokeColor, color, &TMLineObject::setStrokeColor, kStrokeColorActionKey))
        changeMade();
}

void TMLineObject::setDashPattern(const QString& pattern) {
    if (changeValue(_dashPattern, TMStrokeFillObject::validateDashPattern(pattern),
                    &TMLineObject::setDashPattern, kDashPatternActionKey))
        changeMade();
}

void TMLineObject::setLineCap(int32_t cap) {
    if (changeValue(_lineCap, cap, &TMLineObject::setLineCap, kLineCapActionKey))
        changeMade();
}

void TMLineObject::applyDashPatternToPath(BezierPath& path) const {
    TMStrokeFillObject::applyDashPatternStringToPath(_dashPattern, path);
}

// ---------------------------------------------------------------------------
// Knobs and geometry

bool TMLineObject::startsAtUpperLeft() const {
    return (_endPt.x >= _startPt.x && _endPt.y >= _startPt.y) ||
           (_endPt.x < _startPt.x && _startPt.y > _endPt.y);
}

int32_t TMLineObject::knobMask() const {
    return startsAtUpperLeft() ? (1 << 1) | (1 << 8) : (1 << 3) | (1 << 6);
}

QVariantMap TMLineObject::geometry() const {
    QVariantMap g = TMObject::geometry();
    g.insert(key(kStartPtKey), dictionaryFromPoint(_startPt));
    g.insert(key(kEndPtKey), dictionaryFromPoint(_endPt));
    g.insert(key(kOriginPtKey), dictionaryFromPoint(_originPt));
    return g;
}

void TMLineObject::setGeometry(const QVariantMap& geometry) {
    TMObject::setGeometry(geometry);
    Point start = _startPt;
    Point end = _endPt;
    Point origin = _originPt;
    if (const auto v = geometry.constFind(key(kStartPtKey)); v != geometry.cend())
        start = pointFromDictionary(*v);
    if (const auto v = geometry.constFind(key(kEndPtKey)); v != geometry.cend())
        end = pointFromDictionary(*v);
    if (const auto v = geometry.constFind(key(kOriginPtKey)); v != geometry.cend())
        origin = pointFromDictionary(*v);
    if (start == _startPt && end == _endPt && origin == _originPt)
        return;
    if (UndoManager* undo = documentUndoManager(); undo && (undo->isUndoing() || undo->isRedoing()))
        registerUndo([old = this->geometry()](TMObject& self) { self.setGeometry(old); },
                     kResizeActionKey);
    _startPt = start;
    _endPt = end;
    _originPt = origin;
    recache();
    assertViewBounds();
    changeMade();
}

void TMLineObject::moveEndsBy(float dx, float dy) {
    if (dx == 0 && dy == 0)
        return;
    for (Point* p : {&_startPt, &_endPt, &_originPt}) {
        p->x += dx;
        p->y += dy;
    }
}

void TMLineObject::moveBy(Point delta) {
    if (delta.x == 0 && delta.y == 0)
        return;
    // A position lock holds the centre; the ends must stay with it.
    const Point before = _center;
    TMObject::moveBy(delta);
    moveEndsBy(_center.x - before.x, _center.y - before.y);
}

void TMLineObject::setCenter(Point center) {
    const Point before = _center;
    TMObject::setCenter(center);
    moveEndsBy(_center.x - before.x, _center.y - before.y);
}

void TMLineObject::setSize(Size size) {
    const bool originAtStart = _originPt == _startPt;
    const Size before = _size;
    TMObject::setSize(size);
    const float halfWidth = (_size.width - before.width) / 2;
    const float halfHeight = (_size.height - before.height) / 2;
    if (_endPt.x > _startPt.x) {
        _startPt.x -= halfWidth;
        _endPt.x += halfWidth;
    } else {
        _startPt.x += halfWidth;
        _endPt.x -= halfWidth;
    }
    if (_endPt.y > _startPt.y) {
        _startPt.y -= halfHeight;
        _endPt.y += halfHeight;
    } else {
        _startPt.y += halfHeight;
        _endPt.y -= halfHeight;
    }
    _originPt = originAtStart ? _startPt : _endPt;
}

Rect TMLineObject::frame() const {
    Rect f = TMObject::frame();
    if (_strokeWidth > f.width()) {
        f.origin.x -= _strokeWidth / 2;
        f.size.width += _strokeWidth;
    }
    if (_strokeWidth > f.height()) {
        f.origin.y -= _strokeWidth / 2;
        f.size.height += _strokeWidth;
    }
    return f;
}

void TMLineObject::setFrameCornersFromTo(Point from, Point to) {
    const Point start = from.x <= to.x ? from : to;
    const Point end = from.x <= to.x ? to : from;
    const bool startChanges = start != _startPt;
    const bool endChanges = end != _endPt;
    // A line not drawn before begins where the drag began, even when that
    // point or the other happens to be an end it has already.
    if (_originPt == kUnsetOrigin) {
        _originPt = from;
    } else if (startChanges && endChanges) {
        if (_originPt == _startPt)
            _originPt = end;
        else
            _originPt = start;
    } else if (_originPt == _startPt) {
        _originPt = start;
    } else if (_originPt == _endPt) {
        _originPt = end;
    }
    _startPt = start;
    _endPt = end;
    TMObject::setFrameCornersFromTo(from, to);
}

int TMLineObject::resizeByMovingKnobToPoint(int knob, Point point) {
    if (_lockedSizeMask == 3)
        return knob;
    const Point q = rotatePointOnCenterMagnitude(point, -1);
    Point start = _startPt;
    Point end = _endPt;
    bool movedStart = false;
    if (isLeftKnob(knob)) {
        start = q;
        movedStart = true;
    } else if (isRightKnob(knob)) {
        end = q;
    } else {
        return knob;
    }
    auto order = [&] {
        if (start.x > end.x) {
            std::swap(start, end);
            movedStart = !movedStart;
            knob = flipKnobHorizontal(knob, true);
        }
    };
    order();
    if (start == _startPt && end == _endPt)
        return knob;

    const Rect old = unrotatedRect();
    Point center{(start.x + end.x) / 2, (start.y + end.y) / 2};
    if (_lockedControlPtMask != 0 && center != old.center()) {
        // The locked coordinate of the centre stays: the other end mirrors the
        // dragged one about it.
        Point& moved = movedStart ? start : end;
        Point& other = movedStart ? end : start;
        if (_lockedControlPtMask & 1)
            other.x = 2 * old.center().x - moved.x;
        if (_lockedControlPtMask & 2)
            other.y = 2 * old.center().y - moved.y;
        order();
        center = {(start.x + end.x) / 2, (start.y + end.y) / 2};
    }

    const Point placed = rotatePointOnCenterMagnitude(center, 1);
    setNeedsDisplay();
    setFrameCornersFromTo(start, end);
    setCenter(placed);
    changeMade();
    return knob;
}

void TMLineObject::flipHorizontally() {
    std::swap(_startPt.x, _endPt.x);
}

void TMLineObject::flipVertically() {
    std::swap(_startPt.y, _endPt.y);
}

// ---------------------------------------------------------------------------
// Paths, hit testing and drawing

BezierPath TMLineObject::basicShape() const {
    BezierPath p;
    p.moveToPoint({_startPt.x - _center.x, _startPt.y - _center.y});
    p.lineToPoint({_endPt.x - _center.x, _endPt.y - _center.y});
    return p;
}

BezierPath TMLineObject::path() const {
    BezierPath p = TMObject::path();
    p.setLineWidth(_strokeWidth);
    p.setLineCapStyle(capStyle(_lineCap));
    applyDashPatternToPath(p);
    return p;
}

Point TMLineObject::placedStart() const {
    return rotatePointOnCenterMagnitude(_startPt, 1);
}

Point TMLineObject::placedEnd() const {
    return rotatePointOnCenterMagnitude(_endPt, 1);
}

bool TMLineObject::hitTest(Point point) const {
    if (selected() && knobUnderPoint(point) != 0)
        return true;
    return TMHitTestLineSegment(placedStart(), placedEnd(), _strokeWidth, point);
}

void TMLineObject::drawObject(bool drawHandles) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (context && _strokeEnabled) {
        TMDrawStroke(*this, path(), true);
        context->setColor(Color::blackColor().toQColor());
    }
    if (drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}
