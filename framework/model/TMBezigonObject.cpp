#include "framework/model/TMBezigonObject.h"

#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/CurrentEvent.h"

#include <QVariantList>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMBezigonObject>(QStringLiteral("TMBezigonObject"));
    return true;
}();

QString key(const char* name) {
    return QString::fromLatin1(name);
}

Point minus(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}

QByteArray archivedRecords(const std::vector<TMControlPoints>& records) {
    QVariantList list;
    for (const TMControlPoints& r : records)
        list.append(QVariantMap{{key(kControlPt1Key), r.cp1}, {key(kControlPt2Key), r.cp2}});
    return Archiver::archivedData(QVariant(list));
}

// The records held under a key; null when the key is absent.
std::optional<std::vector<TMControlPoints>> recordsFromData(const QVariant& value) {
    if (!value.isValid())
        return std::nullopt;
    std::vector<TMControlPoints> records;
    const QVariant list = Unarchiver::unarchiveObject(value.toByteArray());
    for (const QVariant& item : list.toList()) {
        const QVariantMap map = item.toMap();
        records.push_back(
            {map.value(key(kControlPt1Key)).toString(), map.value(key(kControlPt2Key)).toString()});
    }
    return records;
}

QString mapped(const QString& text, const std::function<Point(Point)>& map) {
    return stringFromPoint(map(pointFromString(text)));
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and representation

TMBezigonObject::TMBezigonObject() = default;

TMBezigonObject::~TMBezigonObject() = default;

TMBezigonObjectRef TMBezigonObject::newTemplateObject() {
    return create<TMBezigonObject>();
}

TMBezigonObjectRef
TMBezigonObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMBezigonObject>(representation);
}

TMBezigonObjectRef TMBezigonObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMBezigonObject>(origin, size);
}

TMControlPoints TMBezigonObject::calcControlPtsFromStartToEnd(Point start, Point end) {
    const float dx = (end.x - start.x) / 3;
    const float dy = (end.y - start.y) / 3;
    return {stringFromPoint({start.x + dx, start.y + dy}),
            stringFromPoint({end.x - dx, end.y - dy})};
}

void TMBezigonObject::initWithRepresentation(const QVariantMap& representation) {
    TMPolygonObject::initWithRepresentation(representation);
    _controlPts = recordsFromData(representation.value(key(kControlPtsKey)))
                      .value_or(std::vector<TMControlPoints>());
}

QVariantMap TMBezigonObject::dictRepresentation() const {
    QVariantMap d = TMPolygonObject::dictRepresentation();
    d.insert(key(kControlPtsKey), archivedRecords(_controlPts));
    return d;
}

const TMControlPoints* TMBezigonObject::record(int index) const {
    if (index < 0 || index >= int(_controlPts.size()))
        return nullptr;
    return &_controlPts[size_t(index)];
}

// ---------------------------------------------------------------------------
// Closing and creation

void TMBezigonObject::setClosedState(bool closed) {
    const bool changes = closed != _closed;
    if (changes && !closed && !_controlPts.empty())
        // Closing again would give a straight record: undo brings back this one.
        registerUndo([old = geometry()](TMObject& self) { self.setGeometry(old); },
                     kResizeActionKey);
    if (changes) {
        setNeedsDisplay();
        if (closed && !_segmentPts.isEmpty())
            _controlPts.push_back(
                calcControlPtsFromStartToEnd(lastSegmentPoint(), firstSegmentPoint()));
        else if (!closed && !_controlPts.empty())
            _controlPts.pop_back();
    }
    TMPolygonObject::setClosedState(closed);
    if (changes)
        adjustToReshape();
}

void TMBezigonObject::setInCreation(bool inCreation) {
    bool moved = false;
    if (_closed && inCreation != _inCreation) {
        if (inCreation && !_controlPts.empty()) {
            _tempClosedControlPts = _controlPts.back();
            _controlPts.pop_back();
            moved = true;
        } else if (!inCreation && _tempClosedControlPts) {
            _controlPts.push_back(*_tempClosedControlPts);
            _tempClosedControlPts.reset();
            moved = true;
        }
    }
    TMPolygonObject::setInCreation(inCreation);
    if (moved)
        adjustToReshape();
}

void TMBezigonObject::setFrameCornersFromTo(Point from, Point to) {
    _curControlPts = calcControlPtsFromStartToEnd(from, to);
    TMPolygonObject::setFrameCornersFromTo(from, to);
}

void TMBezigonObject::nextSegment(Point point) {
    if (_curControlPts)
        _controlPts.push_back(*_curControlPts);
    TMPolygonObject::nextSegment(point);
}

void TMBezigonObject::endSegment(Point point) {
    setInCreation(false);
    _curControlPts.reset();
    TMPolygonObject::endSegment(point);
}

// ---------------------------------------------------------------------------
// Reshaping

void TMBezigonObject::mapPoints(const std::function<Point(Point)>& map) {
    TMPolygonObject::mapPoints(map);
    for (TMControlPoints& r : _controlPts) {
        r.cp1 = mapped(r.cp1, map);
        r.cp2 = mapped(r.cp2, map);
    }
    if (_tempClosedControlPts) {
        _tempClosedControlPts->cp1 = mapped(_tempClosedControlPts->cp1, map);
        _tempClosedControlPts->cp2 = mapped(_tempClosedControlPts->cp2, map);
    }
}

void TMBezigonObject::adjustToReshape() {
    const Rect bounds = calcBoundsFromPoints();
    const Point c1 = bounds.center();
    const Point r = rotatePointOnCenterMagnitude(c1, 1.0f);
    _center = r;
    _size = bounds.size;
    if (r != c1)
        moveSegmentPointsBy(r.x - c1.x, r.y - c1.y);
    changeMade();
}

void TMBezigonObject::insertSegment() {
    const int k = _selectedKnob;
    if (k < 2 || k > _segmentPts.size())
        return;
    setNeedsDisplay();
    const Point a = segmentPoint(k - 2);
    const Point b = segmentPoint(k - 1);
    const Point m{(a.x + b.x) / 2, (a.y + b.y) / 2};
    _segmentPts.insert(k - 1, stringFromPoint(m));
    // The first half keeps the split segment's record; the second starts straight.
    if (size_t(k - 1) <= _controlPts.size())
        _controlPts.insert(_controlPts.begin() + (k - 1), calcControlPtsFromStartToEnd(m, b));
    adjustToReshape();
    setSelectedKnob(0);
}

void TMBezigonObject::deleteSegment() {
    const int k = _selectedKnob;
    if (k < 1 || k > _segmentPts.size())
        return;
    setNeedsDisplay();
    _segmentPts.removeAt(k - 1);
    if (record(k - 1))
        _controlPts.erase(_controlPts.begin() + (k - 1));
    else if (record(k - 2))
        _controlPts.erase(_controlPts.begin() + (k - 2));
    adjustToReshape();
    setSelectedKnob(0);
}

int TMBezigonObject::knobUnderPoint(Point point) const {
    const float side = knobWidth();
    auto under = [&](const QString& text) {
        const Point p = rotatePointOnCenterMagnitude(pointFromString(text), 1.0f);
        return pointInRect(point, {p.x - side / 2, p.y - side / 2, side, side});
    };
    for (int i = 0; i < int(_controlPts.size()); ++i) {
        if (under(_controlPts[size_t(i)].cp1))
            return -(2 * i + 1);
        if (under(_controlPts[size_t(i)].cp2))
            return -(2 * i + 2);
    }
    return TMPolygonObject::knobUnderPoint(point);
}

bool TMBezigonObject::reaimOpposite(int i, bool first, Point dragged, bool sameLength) {
    const int last = int(_controlPts.size()) - 1;
    int corner = 0;
    int opposite = 0;
    if (first) {
        // The start corner's other control point closes the segment before.
        if (i == 0 && !_closed)
            return false;
        corner = i;
        opposite = i == 0 ? last : i - 1;
    } else {
        if (i == last && !_closed)
            return false;
        corner = i == last ? 0 : i + 1;
        opposite = i == last ? 0 : i + 1;
    }
    if (corner >= _segmentPts.size() || opposite == i || !record(opposite))
        return false;
    const Point c = segmentPoint(corner);
    const Point d = minus(dragged, c);
    // On its corner the dragged point gives no direction.
    if (d.x == 0 && d.y == 0)
        return false;
    QString& target = first ? _controlPts[size_t(opposite)].cp2 : _controlPts[size_t(opposite)].cp1;
    const Point o = pointFromString(target);
    const float length = sameLength ? std::hypot(d.x, d.y) : std::hypot(o.x - c.x, o.y - c.y);
    const float a = std::atan(std::fabs(d.y) / std::fabs(d.x));
    const float x = d.x >= 0 ? c.x - length * std::cos(a) : c.x + length * std::cos(a);
    const float y = d.y >= 0 ? c.y - length * std::sin(a) : c.y + length * std::sin(a);
    target = stringFromPoint({x, y});
    return true;
}

int TMBezigonObject::resizeByMovingKnobToPoint(int knob, Point point) {
    if (knob >= 0 && (knob < 1 || knob > _segmentPts.size()))
        return knob;
    const Point q = rotatePointOnCenterMagnitude(point, -1.0f);
    const uint32_t flags = CurrentEvent::modifierFlags();
    const bool option = flags & AlternateKeyMask;

    if (knob < 0) {
        const int i = (-knob - 1) / 2;
        const bool first = (-knob) % 2 == 1;
        if (!record(i))
            return knob;
        QString& text = first ? _controlPts[size_t(i)].cp1 : _controlPts[size_t(i)].cp2;
        if (q == pointFromString(text) || _lockedSizeMask == 3)
            return knob;
        setNeedsDisplay();
        text = stringFromPoint(q);
        if (option)
            reaimOpposite(i, first, q, flags & ShiftKeyMask);
        adjustToReshape();
        return knob;
    }

    const Point old = segmentPoint(knob - 1);
    if (q == old || _lockedSizeMask == 3)
        return knob;
    setNeedsDisplay();
    setSegmentPoint(knob - 1, q);
    if (option) {
        const Point delta = minus(q, old);
        auto carry = [&](QString& text) {
            const Point p = pointFromString(text);
            text = stringFromPoint({p.x + delta.x, p.y + delta.y});
        };
        if (record(knob - 1))
            carry(_controlPts[size_t(knob - 1)].cp1);
        if (knob >= 2 && record(knob - 2))
            carry(_controlPts[size_t(knob - 2)].cp2);
        else if (knob == 1 && _closed && !_controlPts.empty())
            carry(_controlPts.back().cp2);
    }
    adjustToReshape();
    return knob;
}

QVariantMap TMBezigonObject::geometry() const {
    QVariantMap g = TMPolygonObject::geometry();
    g.insert(key(kControlPtsKey), archivedRecords(_controlPts));
    return g;
}

void TMBezigonObject::setGeometry(const QVariantMap& geometry) {
    const auto records = recordsFromData(geometry.value(key(kControlPtsKey)));
    const bool changes = records && *records != _controlPts;
    const QVariantMap old = changes && undoingOrRedoing() ? this->geometry() : QVariantMap();
    TMPolygonObject::setGeometry(geometry);
    if (!changes)
        return;
    if (!old.isEmpty())
        registerUndo([old](TMObject& self) { self.setGeometry(old); }, kResizeActionKey);
    _controlPts = *records;
    recache();
    assertViewBounds();
    changeMade();
}

// ---------------------------------------------------------------------------
// Paths and handles

BezierPath TMBezigonObject::outline(Point offset) const {
    BezierPath path;
    auto segmentTo = [&](Point end, const TMControlPoints* r) {
        if (r)
            path.curveToPointControlPoint1ControlPoint2(minus(end, offset),
                                                        minus(pointFromString(r->cp1), offset),
                                                        minus(pointFromString(r->cp2), offset));
        else
            path.lineToPoint(minus(end, offset));
    };
    const int n = int(_segmentPts.size());
    for (int i = 0; i < n; ++i) {
        if (i == 0)
            path.moveToPoint(minus(segmentPoint(0), offset));
        else
            segmentTo(segmentPoint(i), record(i - 1));
    }
    if (_inCreation) {
        if (n == 0) {
            path.moveToPoint(minus(_curSegStartPt, offset));
        } else if (!_recreationFlag) {
            segmentTo(_curSegStartPt, record(n - 1));
        }
        segmentTo(_curSegEndPt, _curControlPts ? &*_curControlPts : nullptr);
    } else if (_closed && n >= 1) {
        segmentTo(segmentPoint(0), record(n - 1));
    }
    return path;
}

Rect TMBezigonObject::calcBoundsFromPoints() const {
    const BezierPath path = outline(kZeroPoint);
    if (path.isEmpty())
        return kZeroRect;
    return path.bounds();
}

BezierPath TMBezigonObject::basicShape() const {
    return outline(calcBoundsFromPoints().center());
}

void TMBezigonObject::drawHandles() const {
    GraphicsContext* context = GraphicsContext::currentContext();
    const int n = int(_segmentPts.size());
    static constexpr float kArmDash[] = {2.0f, 3.0f};
    for (int i = 0; i < int(_controlPts.size()) && i < n; ++i) {
        int end = i + 1;
        if (end >= n) {
            if (!_closed)
                break;
            end = 0;
        }
        const TMControlPoints& r = _controlPts[size_t(i)];
        const Point cp1 = rotatePointOnCenterMagnitude(pointFromString(r.cp1), 1.0f);
        const Point cp2 = rotatePointOnCenterMagnitude(pointFromString(r.cp2), 1.0f);
        BezierPath arms;
        arms.moveToPoint(rotatePointOnCenterMagnitude(segmentPoint(i), 1.0f));
        arms.lineToPoint(cp1);
        arms.moveToPoint(rotatePointOnCenterMagnitude(segmentPoint(end), 1.0f));
        arms.lineToPoint(cp2);
        arms.setLineDashCountPhase(kArmDash, 2, 0);
        if (context)
            context->setStrokeColor(Color::calibratedWhite(0.5f).toQColor());
        arms.stroke();
        if (context)
            context->setColor(Color::blackColor().toQColor());
        drawHandleStyleAtPoint(1, cp1);
        drawHandleStyleAtPoint(1, cp2);
    }
    TMPolygonObject::drawHandles();
}
