#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMShapeValues.h"

#include "framework/model/TMGeometry.h"
#include "framework/model/TMStrokeFill.h"
#include "framework/model/TMUtilities.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/CurrentEvent.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMPolygonObject>(QStringLiteral("TMPolygonObject"));
    return true;
}();

constexpr float kHitTolerance = 3.0f;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

Point minus(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and representation

TMPolygonObject::TMPolygonObject() = default;

TMPolygonObject::~TMPolygonObject() = default;

TMPolygonObjectRef TMPolygonObject::newTemplateObject() {
    return create<TMPolygonObject>();
}

TMPolygonObjectRef
TMPolygonObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMPolygonObject>(representation);
}

TMPolygonObjectRef TMPolygonObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMPolygonObject>(origin, size);
}

QVariantMap TMPolygonObject::stdRepresentation() {
    return {};
}

QVariantMap TMPolygonObject::filledRepresentation() {
    return {{key(kFillEnabledKey), true}};
}

std::optional<QStringList> TMPolygonObject::pointListFromData(const QVariant& value) {
    if (!value.isValid())
        return std::nullopt;
    const QVariant list = Unarchiver::unarchiveObject(value.toByteArray());
    if (list.typeId() != QMetaType::QVariantList && list.typeId() != QMetaType::QStringList)
        return QStringList();
    return list.toStringList();
}

void TMPolygonObject::initWithRepresentation(const QVariantMap& representation) {
    TMObject::initWithRepresentation(representation);
    auto value = [&](const char* name) { return representation.value(key(name)); };

    _segmentPts = pointListFromData(value(kSegmentPtsKey)).value_or(QStringList());
    initStrokeFill(representation, false);
    _closed = value(kClosedKey).toBool();
}

QVariantMap TMPolygonObject::dictRepresentation() const {
    QVariantMap d = TMObject::dictRepresentation();
    d.insert(key(kSegmentPtsKey), Archiver::archivedData(QVariant(_segmentPts)));
    addStrokeFill(d);
    d.insert(key(kClosedKey), QVariant(_closed));
    return d;
}

// ---------------------------------------------------------------------------
// Properties

void TMPolygonObject::setClosedState(bool closed) {
    if (changeValue(_closed, closed, &TMPolygonObject::setClosedState, kResizeActionKey))
        changeMade();
}

// ---------------------------------------------------------------------------
// Corners

Point TMPolygonObject::segmentPoint(int index) const {
    if (index < 0 || index >= _segmentPts.size())
        return kZeroPoint;
    return pointFromString(_segmentPts[index]);
}

Point TMPolygonObject::firstSegmentPoint() const {
    return segmentPoint(0);
}

Point TMPolygonObject::lastSegmentPoint() const {
    return segmentPoint(int(_segmentPts.size()) - 1);
}

void TMPolygonObject::setSegmentPoint(int index, Point point) {
    _segmentPts[index] = stringFromPoint(point);
}

void TMPolygonObject::appendSegmentPoint(Point point) {
    _segmentPts.append(stringFromPoint(point));
}

void TMPolygonObject::moveSegmentPointsBy(float dx, float dy) {
    if (dx == 0 && dy == 0)
        return;
    mapPoints([dx, dy](Point p) { return Point{p.x + dx, p.y + dy}; });
}

void TMPolygonObject::mapPoints(const std::function<Point(Point)>& map) {
    for (QString& text : _segmentPts)
        text = stringFromPoint(map(pointFromString(text)));
}

float TMPolygonObject::scaleFactor(float before, float after) {
    return before != 0 ? after / before : 1.0f;
}

bool TMPolygonObject::undoingOrRedoing() const {
    const UndoManager* undo = documentUndoManager();
    return undo && (undo->isUndoing() || undo->isRedoing());
}

void TMPolygonObject::setSelectedKnob(int knob) {
    if (knob == _selectedKnob)
        return;
    _selectedKnob = knob;
    setNeedsDisplay();
}

void TMPolygonObject::setSelected(bool selected) {
    if (!selected)
        setSelectedKnob(0);
    TMObject::setSelected(selected);
}

// ---------------------------------------------------------------------------
// Creation

void TMPolygonObject::setInCreation(bool inCreation) {
    // Creation resumed on a finished shape continues from its last corner.
    if (inCreation && !_inCreation && segmentCount() > 0) {
        _recreationFlag = true;
        // Nothing is drawn yet: no stale segment from an earlier creation.
        _curSegStartPt = _curSegEndPt = lastSegmentPoint();
    }
    TMObject::setInCreation(inCreation);
}

void TMPolygonObject::setFrameCornersFromTo(Point from, Point to) {
    _curSegStartPt = from;
    _curSegEndPt = to;
    setFrame(calcBoundsFromPoints());
}

void TMPolygonObject::nextSegment(Point point) {
    if (_recreationFlag)
        _recreationFlag = false;
    else
        appendSegmentPoint(_curSegStartPt);
    setFrameCornersFromTo(_curSegEndPt, point);
}

void TMPolygonObject::endSegment(Point point) {
    _recreationFlag = false;
    appendSegmentPoint(point);
    setFrame(calcBoundsFromPoints());
    changeMade();
}

// ---------------------------------------------------------------------------
// Editing

void TMPolygonObject::reshape(const std::function<void()>& change) {
    const Rect before = calcBoundsFromPoints();
    const Point offset = minus(before.center(), _center);
    setNeedsDisplay();
    change();
    const Rect after = offsetRect(calcBoundsFromPoints(), -offset.x, -offset.y);
    const Point c1 = after.center();
    const Point r = rotatePointOnCenterMagnitude(c1, 1.0f);
    _center = r;
    _size = after.size;
    if (r != c1)
        moveSegmentPointsBy(r.x - c1.x, r.y - c1.y);
}

void TMPolygonObject::insertSegment() {
    const int k = _selectedKnob;
    if (k < 2 || k > _segmentPts.size())
        return;
    reshape([&] {
        const Point a = segmentPoint(k - 2);
        const Point b = segmentPoint(k - 1);
        _segmentPts.insert(k - 1, stringFromPoint({(a.x + b.x) / 2, (a.y + b.y) / 2}));
    });
    setSelectedKnob(0);
    changeMade();
}

void TMPolygonObject::deleteSegment() {
    const int k = _selectedKnob;
    if (k < 1 || k > _segmentPts.size())
        return;
    reshape([&] { _segmentPts.removeAt(k - 1); });
    setSelectedKnob(0);
    changeMade();
}

int TMPolygonObject::resizeByMovingKnobToPoint(int knob, Point point) {
    if (knob < 1 || knob > _segmentPts.size())
        return knob;
    const Point q = rotatePointOnCenterMagnitude(point, -1.0f);
    if (q == segmentPoint(knob - 1) || _lockedSizeMask == 3)
        return knob;
    reshape([&] { setSegmentPoint(knob - 1, q); });
    changeMade();
    return knob;
}

int TMPolygonObject::knobUnderPoint(Point point) const {
    const float side = knobWidth();
    for (int i = 0; i < _segmentPts.size(); ++i) {
        const Point p = rotatePointOnCenterMagnitude(segmentPoint(i), 1.0f);
        if (pointInRect(point, {p.x - side / 2, p.y - side / 2, side, side}))
            return i + 1;
    }
    return 0;
}

void TMPolygonObject::flipHorizontally() {
    const float cx = _center.x;
    mapPoints([cx](Point p) { return Point{cx - (p.x - cx), p.y}; });
    TMObject::flipHorizontally();
}

void TMPolygonObject::flipVertically() {
    const float cy = _center.y;
    mapPoints([cy](Point p) { return Point{p.x, cy - (p.y - cy)}; });
    TMObject::flipVertically();
}

void TMPolygonObject::moveBy(Point delta) {
    moveSegmentPointsBy(delta.x, delta.y);
    TMObject::moveBy(delta);
}

void TMPolygonObject::setCenter(Point center) {
    const Point before = _center;
    TMObject::setCenter(center);
    moveSegmentPointsBy(_center.x - before.x, _center.y - before.y);
}

void TMPolygonObject::setSize(Size size) {
    const Size before = _size;
    TMObject::setSize(size);
    // A dimension of no extent gives no factor; the points keep it.
    const float sx = scaleFactor(before.width, _size.width);
    const float sy = scaleFactor(before.height, _size.height);
    if (sx == 1 && sy == 1)
        return;
    const Point c = _center;
    mapPoints([=](Point p) { return Point{c.x + (p.x - c.x) * sx, c.y + (p.y - c.y) * sy}; });
}

QVariantMap TMPolygonObject::geometry() const {
    QVariantMap g = TMObject::geometry();
    g.insert(key(kSegmentPtsKey), Archiver::archivedData(QVariant(_segmentPts)));
    return g;
}

void TMPolygonObject::setGeometry(const QVariantMap& geometry) {
    const std::optional<QStringList> points =
        pointListFromData(geometry.value(key(kSegmentPtsKey)));
    const bool changes = points && *points != _segmentPts;
    // Taken before anything changes; only undo and redo need the inverse.
    const QVariantMap old = changes && undoingOrRedoing() ? this->geometry() : QVariantMap();
    TMObject::setGeometry(geometry);
    if (!changes)
        return;
    if (!old.isEmpty())
        registerUndo([old](TMObject& self) { self.setGeometry(old); }, kResizeActionKey);
    _segmentPts = *points;
    recache();
    assertViewBounds();
    changeMade();
}

// ---------------------------------------------------------------------------
// Frames and paths

Rect TMPolygonObject::calcBoundsFromPoints() const {
    bool any = false;
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
    auto add = [&](Point p) {
        if (!any) {
            minX = maxX = p.x;
            minY = maxY = p.y;
            any = true;
            return;
        }
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    };
    for (const QString& text : _segmentPts)
        add(pointFromString(text));
    if (_inCreation) {
        add(_curSegStartPt);
        add(_curSegEndPt);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

BezierPath TMPolygonObject::basicShape() const {
    BezierPath shape;
    const Point m = calcBoundsFromPoints().center();
    for (int i = 0; i < _segmentPts.size(); ++i) {
        const Point p = minus(segmentPoint(i), m);
        if (i == 0)
            shape.moveToPoint(p);
        else
            shape.lineToPoint(p);
    }
    if (_inCreation) {
        if (_segmentPts.isEmpty())
            shape.moveToPoint(minus(_curSegStartPt, m));
        else
            shape.lineToPoint(minus(_curSegStartPt, m));
        shape.lineToPoint(minus(_curSegEndPt, m));
    } else if (_closed && _segmentPts.size() >= 2) {
        // Closed by a line of its own, so that a dash runs on through it.
        shape.lineToPoint(minus(segmentPoint(0), m));
    }
    return shape;
}

Rect TMPolygonObject::frame() const {
    return path().bounds();
}

Rect TMPolygonObject::encapsulatingFrame() const {
    Rect r = insetRect(path().controlPointBounds(), -1, -1);
    if (selected())
        r = insetRect(r, -halfKnobWidth(), -halfKnobWidth());
    return insetRect(r, -2 * _strokeWidth, -2 * _strokeWidth);
}

// ---------------------------------------------------------------------------
// Hit testing and drawing

bool TMPolygonObject::hitTest(Point point) const {
    if (selected()) {
        if (const int knob = knobUnderPoint(point); knob != 0) {
            if (CurrentEvent::clickCount() >= 2)
                const_cast<TMPolygonObject*>(this)->setSelectedKnob(knob);
            return true;
        }
    }
    if (!pointInRect(point, encapsulatingFrame()))
        return false;
    const BezierPath p = path();
    if (p.isEmpty())
        return pointInRect(point, frame());

    // The band between a grown and a shrunk copy; a shape without extent
    // along an axis has none, and the outline walk below answers for it.
    if (_size.width > 0 && _size.height > 0) {
        const float t = std::max(_strokeWidth, kHitTolerance);
        const float sx = t / _size.width;
        const float sy = t / _size.height;
        if (scaledAbout(p, _center, 1 + sx, 1 + sy).containsPoint(point)) {
            if (_fillEnabled)
                return true;
            if (!scaledAbout(p, _center, 1 - sx, 1 - sy).containsPoint(point))
                return true;
        }
    }

    Point current;
    Point first;
    for (int i = 0; i < p.elementCount(); ++i) {
        Point pts[3];
        switch (p.elementAtIndexAssociatedPoints(i, pts)) {
        case BezierPathElement::MoveTo:
            current = first = pts[0];
            break;
        case BezierPathElement::LineTo:
            if (TMHitTestLineSegment(current, pts[0], _strokeWidth, point))
                return true;
            current = pts[0];
            break;
        case BezierPathElement::CurveTo: {
            BezierPath curve;
            curve.moveToPoint(current);
            curve.curveToPointControlPoint1ControlPoint2(pts[2], pts[0], pts[1]);
            if (pointInRect(point, curve.bounds()) &&
                TMHitTestBezierCurve(current, pts[2], pts[0], pts[1], _strokeWidth, point))
                return true;
            current = pts[2];
            break;
        }
        case BezierPathElement::ClosePath:
            if (TMHitTestLineSegment(current, first, _strokeWidth, point))
                return true;
            current = first;
            break;
        }
    }
    return false;
}

void TMPolygonObject::drawObject(bool drawHandles) {
    TMDrawStrokeAndFill(*this, path(), TMCenterRectOnPoint(Rect(kZeroPoint, _size), _center),
                        _rotation);
    if (drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}

void TMPolygonObject::drawHandles() const {
    for (int i = 0; i < _segmentPts.size(); ++i) {
        const Point p = rotatePointOnCenterMagnitude(segmentPoint(i), 1.0f);
        if (i + 1 == _selectedKnob)
            drawSelectedHandleAtPoint(p);
        else
            drawHandleAtPoint(p);
    }
}
