#include "platform/graphics/BezierPath.h"

#include "platform/foundation/Exception.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr const char* kGenericException = "NSGenericException";
// Distance of the control points of a quarter circle of radius 1.
constexpr double kKappa = 0.5522847498307936;

int pointCount(BezierPathElement kind) {
    switch (kind) {
    case BezierPathElement::CurveTo:
        return 3;
    case BezierPathElement::ClosePath:
        return 0;
    default:
        return 1;
    }
}

struct Extent {
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool any = false;

    void add(Point p) {
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
    }
    Rect rect() const { return any ? Rect(minX, minY, maxX - minX, maxY - minY) : kZeroRect; }
};

double cubicAt(double p0, double p1, double p2, double p3, double t) {
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
}

// Parameters in (0, 1) where one coordinate of a cubic has a turning point.
int cubicExtrema(double p0, double p1, double p2, double p3, double out[2]) {
    const double a = -p0 + 3 * p1 - 3 * p2 + p3;
    const double b = 2 * (p0 - 2 * p1 + p2);
    const double c = p1 - p0;
    int n = 0;
    auto keep = [&](double t) {
        if (t > 0 && t < 1)
            out[n++] = t;
    };
    if (std::abs(a) < 1e-12) {
        if (std::abs(b) > 1e-12)
            keep(-c / b);
        return n;
    }
    const double disc = b * b - 4 * a * c;
    if (disc < 0)
        return 0;
    const double root = std::sqrt(disc);
    keep((-b + root) / (2 * a));
    keep((-b - root) / (2 * a));
    return n;
}

Point pointOnCircle(Point center, float radius, double angle) {
    return {float(center.x + radius * std::cos(angle)), float(center.y + radius * std::sin(angle))};
}

} // namespace

BezierPath BezierPath::bezierPathWithRect(const Rect& rect) {
    BezierPath path;
    path.appendBezierPathWithRect(rect);
    return path;
}

BezierPath BezierPath::bezierPathWithOvalInRect(const Rect& rect) {
    BezierPath path;
    path.appendBezierPathWithOvalInRect(rect);
    return path;
}

BezierPath BezierPath::bezierPathWithRoundedRectXRadiusYRadius(const Rect& rect, float xRadius,
                                                               float yRadius) {
    BezierPath path;
    path.appendBezierPathWithRoundedRectXRadiusYRadius(rect, xRadius, yRadius);
    return path;
}

void BezierPath::moveToPoint(Point p) {
    _subpathStart = int(_elements.size());
    _elements.push_back({BezierPathElement::MoveTo, {p, {}, {}}});
}

void BezierPath::startSegment() {
    if (_elements.empty())
        Exception::raise(QString::fromLatin1(kGenericException),
                         QStringLiteral("No current point for a path segment"));
    if (_elements.back().kind == BezierPathElement::ClosePath)
        moveToPoint(_elements[size_t(_subpathStart)].points[0]);
}

void BezierPath::lineToPoint(Point p) {
    startSegment();
    _elements.push_back({BezierPathElement::LineTo, {p, {}, {}}});
}

void BezierPath::curveToPointControlPoint1ControlPoint2(Point end, Point control1, Point control2) {
    startSegment();
    _elements.push_back({BezierPathElement::CurveTo, {control1, control2, end}});
}

void BezierPath::closePath() {
    if (_elements.empty() || _elements.back().kind == BezierPathElement::ClosePath)
        return;
    _elements.push_back({BezierPathElement::ClosePath, {}});
}

void BezierPath::removeAllPoints() {
    _elements.clear();
    _subpathStart = -1;
}

void BezierPath::appendBezierPath(const BezierPath& other) {
    for (const Element& e : other._elements) {
        switch (e.kind) {
        case BezierPathElement::MoveTo:
            moveToPoint(e.points[0]);
            break;
        case BezierPathElement::LineTo:
            lineToPoint(e.points[0]);
            break;
        case BezierPathElement::CurveTo:
            curveToPointControlPoint1ControlPoint2(e.points[2], e.points[0], e.points[1]);
            break;
        case BezierPathElement::ClosePath:
            closePath();
            break;
        }
    }
}

void BezierPath::appendBezierPathWithRect(const Rect& rect) {
    moveToPoint({rect.minX(), rect.minY()});
    lineToPoint({rect.maxX(), rect.minY()});
    lineToPoint({rect.maxX(), rect.maxY()});
    lineToPoint({rect.minX(), rect.maxY()});
    closePath();
}

void BezierPath::appendBezierPathWithOvalInRect(const Rect& rect) {
    const float rx = rect.width() / 2, ry = rect.height() / 2;
    const float cx = rect.midX(), cy = rect.midY();
    const float kx = float(rx * kKappa), ky = float(ry * kKappa);
    moveToPoint({rect.maxX(), cy});
    curveToPointControlPoint1ControlPoint2({cx, rect.maxY()}, {rect.maxX(), cy + ky},
                                           {cx + kx, rect.maxY()});
    curveToPointControlPoint1ControlPoint2({rect.minX(), cy}, {cx - kx, rect.maxY()},
                                           {rect.minX(), cy + ky});
    curveToPointControlPoint1ControlPoint2({cx, rect.minY()}, {rect.minX(), cy - ky},
                                           {cx - kx, rect.minY()});
    curveToPointControlPoint1ControlPoint2({rect.maxX(), cy}, {cx + kx, rect.minY()},
                                           {rect.maxX(), cy - ky});
    closePath();
}

void BezierPath::appendBezierPathWithRoundedRectXRadiusYRadius(const Rect& rect, float xRadius,
                                                               float yRadius) {
    const float rx = std::clamp(xRadius, 0.0f, std::abs(rect.width()) / 2);
    const float ry = std::clamp(yRadius, 0.0f, std::abs(rect.height()) / 2);
    if (!(rx > 0) || !(ry > 0)) {
        appendBezierPathWithRect(rect);
        return;
    }
    const float x0 = rect.minX(), y0 = rect.minY(), x1 = rect.maxX(), y1 = rect.maxY();
    const float kx = float(rx * kKappa), ky = float(ry * kKappa);
    moveToPoint({x0 + rx, y0});
    lineToPoint({x1 - rx, y0});
    curveToPointControlPoint1ControlPoint2({x1, y0 + ry}, {x1 - rx + kx, y0}, {x1, y0 + ry - ky});
    lineToPoint({x1, y1 - ry});
    curveToPointControlPoint1ControlPoint2({x1 - rx, y1}, {x1, y1 - ry + ky}, {x1 - rx + kx, y1});
    lineToPoint({x0 + rx, y1});
    curveToPointControlPoint1ControlPoint2({x0, y1 - ry}, {x0 + rx - kx, y1}, {x0, y1 - ry + ky});
    lineToPoint({x0, y0 + ry});
    curveToPointControlPoint1ControlPoint2({x0 + rx, y0}, {x0, y0 + ry - ky}, {x0 + rx - kx, y0});
    closePath();
}

// Appends curves for the arc; the path must already be at the arc's start.
void BezierPath::appendArc(Point center, float radius, double startRadians, double sweepRadians) {
    const int segments =
        std::max(1, int(std::ceil(std::abs(sweepRadians) / (std::numbers::pi / 2) - 1e-9)));
    const double step = sweepRadians / segments;
    const double k = 4.0 / 3.0 * std::tan(step / 4) * radius;
    double a0 = startRadians;
    for (int i = 0; i < segments; ++i) {
        const double a1 = (i == segments - 1) ? startRadians + sweepRadians : a0 + step;
        const Point p0 = pointOnCircle(center, radius, a0);
        const Point p3 = pointOnCircle(center, radius, a1);
        const Point c1{float(p0.x - k * std::sin(a0)), float(p0.y + k * std::cos(a0))};
        const Point c2{float(p3.x + k * std::sin(a1)), float(p3.y - k * std::cos(a1))};
        curveToPointControlPoint1ControlPoint2(p3, c1, c2);
        a0 = a1;
    }
}

void BezierPath::appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(Point center,
                                                                           float radius,
                                                                           float startAngle,
                                                                           float endAngle) {
    appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(center, radius, startAngle,
                                                                       endAngle, false);
}

void BezierPath::appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(
    Point center, float radius, float startAngle, float endAngle, bool clockwise) {
    double sweep = double(endAngle) - double(startAngle);
    if (sweep != 0) {
        // The arc runs the given way round, at most one full turn.
        sweep = std::fmod(sweep, 360.0);
        if (clockwise) {
            if (sweep >= 0)
                sweep -= 360.0;
        } else if (sweep <= 0) {
            sweep += 360.0;
        }
    }
    const double start = double(startAngle) * std::numbers::pi / 180.0;
    const Point first = pointOnCircle(center, radius, start);
    if (hasCurrentPoint())
        lineToPoint(first);
    else
        moveToPoint(first);
    if (sweep != 0 && radius != 0)
        appendArc(center, radius, start, sweep * std::numbers::pi / 180.0);
}

void BezierPath::appendBezierPathWithArcFromPointToPointRadius(Point point1, Point point2,
                                                               float radius) {
    const Point p0 = currentPoint();
    const double v1x = double(p0.x) - point1.x, v1y = double(p0.y) - point1.y;
    const double v2x = double(point2.x) - point1.x, v2y = double(point2.y) - point1.y;
    const double l1 = std::hypot(v1x, v1y), l2 = std::hypot(v2x, v2y);
    const double cross = v1x * v2y - v1y * v2x;
    if (radius == 0 || l1 == 0 || l2 == 0 || std::abs(cross) <= 1e-12 * l1 * l2) {
        lineToPoint(point1);
        return;
    }
    const double u1x = v1x / l1, u1y = v1y / l1, u2x = v2x / l2, u2y = v2y / l2;
    // Half the angle at point1 between the two lines.
    const double half = std::acos(std::clamp(u1x * u2x + u1y * u2y, -1.0, 1.0)) / 2;
    const double r = std::abs(double(radius));
    const double along = r / std::tan(half);
    const Point t1{float(point1.x + u1x * along), float(point1.y + u1y * along)};
    const Point t2{float(point1.x + u2x * along), float(point1.y + u2y * along)};
    double bx = u1x + u2x, by = u1y + u2y;
    const double bl = std::hypot(bx, by);
    bx /= bl;
    by /= bl;
    const double toCenter = r / std::sin(half);
    const Point center{float(point1.x + bx * toCenter), float(point1.y + by * toCenter)};
    if (!(t1 == p0))
        lineToPoint(t1);
    const double a1 = std::atan2(double(t1.y) - center.y, double(t1.x) - center.x);
    const double a2 = std::atan2(double(t2.y) - center.y, double(t2.x) - center.x);
    double sweep = a2 - a1;
    while (sweep > std::numbers::pi)
        sweep -= 2 * std::numbers::pi;
    while (sweep < -std::numbers::pi)
        sweep += 2 * std::numbers::pi;
    appendArc(center, float(r), a1, sweep);
    // End exactly on the touching point rather than on the rounded circle point.
    _elements.back().points[2] = t2;
}

void BezierPath::setLineDashCountPhase(const float* pattern, int count, float phase) {
    _dash.clear();
    if (pattern && count > 0)
        _dash.assign(pattern, pattern + count);
    _dashPhase = phase;
}

Point BezierPath::currentPoint() const {
    if (_elements.empty())
        Exception::raise(QString::fromLatin1(kGenericException),
                         QStringLiteral("No current point in an empty path"));
    const Element& last = _elements.back();
    switch (last.kind) {
    case BezierPathElement::CurveTo:
        return last.points[2];
    case BezierPathElement::ClosePath:
        return _elements[size_t(_subpathStart)].points[0];
    default:
        return last.points[0];
    }
}

Rect BezierPath::controlPointBounds() const {
    Extent extent;
    for (const Element& e : _elements)
        for (int i = 0; i < pointCount(e.kind); ++i)
            extent.add(e.points[size_t(i)]);
    return extent.rect();
}

Rect BezierPath::bounds() const {
    Extent extent;
    Point current{};
    Point start{};
    for (const Element& e : _elements) {
        switch (e.kind) {
        case BezierPathElement::MoveTo:
            current = start = e.points[0];
            extent.add(current);
            break;
        case BezierPathElement::LineTo:
            current = e.points[0];
            extent.add(current);
            break;
        case BezierPathElement::CurveTo: {
            const Point c1 = e.points[0], c2 = e.points[1], end = e.points[2];
            double ts[4];
            int n = cubicExtrema(current.x, c1.x, c2.x, end.x, ts);
            n += cubicExtrema(current.y, c1.y, c2.y, end.y, ts + n);
            for (int i = 0; i < n; ++i)
                extent.add({float(cubicAt(current.x, c1.x, c2.x, end.x, ts[i])),
                            float(cubicAt(current.y, c1.y, c2.y, end.y, ts[i]))});
            extent.add(end);
            current = end;
            break;
        }
        case BezierPathElement::ClosePath:
            current = start;
            break;
        }
    }
    return extent.rect();
}

bool BezierPath::containsPoint(Point p) const {
    return toQPainterPath().contains(p.toQPointF());
}

BezierPathElement BezierPath::elementAtIndex(int index) const {
    return elementAtIndexAssociatedPoints(index, nullptr);
}

BezierPathElement BezierPath::elementAtIndexAssociatedPoints(int index, Point* points) const {
    if (index < 0 || index >= elementCount())
        Exception::raise(QString::fromLatin1(kRangeException),
                         QStringLiteral("Path element index %1 out of bounds").arg(index));
    const Element& e = _elements[size_t(index)];
    if (points)
        std::copy_n(e.points.begin(), pointCount(e.kind), points);
    return e.kind;
}

void BezierPath::setAssociatedPointsAtIndex(const Point* points, int index) {
    if (index < 0 || index >= elementCount())
        Exception::raise(QString::fromLatin1(kRangeException),
                         QStringLiteral("Path element index %1 out of bounds").arg(index));
    Element& e = _elements[size_t(index)];
    std::copy_n(points, pointCount(e.kind), e.points.begin());
}

void BezierPath::transformUsingAffineTransform(const AffineTransform& transform) {
    for (Element& e : _elements)
        for (int i = 0; i < pointCount(e.kind); ++i)
            e.points[size_t(i)] = transform.transformPoint(e.points[size_t(i)]);
}

void BezierPath::fill() const {
    if (GraphicsContext* context = GraphicsContext::currentContext())
        context->fillPath(*this);
}

void BezierPath::stroke() const {
    if (GraphicsContext* context = GraphicsContext::currentContext())
        context->strokePath(*this);
}

void BezierPath::addClip() const {
    if (GraphicsContext* context = GraphicsContext::currentContext())
        context->addClip(*this);
}

void BezierPath::setClip() const {
    if (GraphicsContext* context = GraphicsContext::currentContext())
        context->setClip(*this);
}

QPainterPath BezierPath::toQPainterPath() const {
    QPainterPath path;
    path.setFillRule(_windingRule == WindingRule::EvenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    for (const Element& e : _elements) {
        switch (e.kind) {
        case BezierPathElement::MoveTo:
            path.moveTo(e.points[0].toQPointF());
            break;
        case BezierPathElement::LineTo:
            path.lineTo(e.points[0].toQPointF());
            break;
        case BezierPathElement::CurveTo:
            path.cubicTo(e.points[0].toQPointF(), e.points[1].toQPointF(), e.points[2].toQPointF());
            break;
        case BezierPathElement::ClosePath:
            path.closeSubpath();
            break;
        }
    }
    return path;
}

QPen BezierPath::qPen(const QBrush& brush) const {
    QPen pen(brush, _lineWidth > 0 ? qreal(_lineWidth) : 0.0);
    switch (_lineCap) {
    case LineCapStyle::Butt:
        pen.setCapStyle(Qt::FlatCap);
        break;
    case LineCapStyle::Round:
        pen.setCapStyle(Qt::RoundCap);
        break;
    case LineCapStyle::Square:
        pen.setCapStyle(Qt::SquareCap);
        break;
    }
    switch (_lineJoin) {
    case LineJoinStyle::Miter:
        // Past the limit (miter length over line width) a miter falls back to a bevel.
        pen.setJoinStyle(Qt::SvgMiterJoin);
        pen.setMiterLimit(std::max(1.0f, _miterLimit));
        break;
    case LineJoinStyle::Round:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    case LineJoinStyle::Bevel:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    }
    double sum = 0;
    for (float d : _dash)
        sum += std::max(0.0f, d);
    if (!_dash.empty() && sum > 0) {
        const qreal unit = _lineWidth > 0 ? qreal(_lineWidth) : 1.0;
        QList<qreal> pattern;
        const int repeats = _dash.size() % 2 ? 2 : 1;
        for (int r = 0; r < repeats; ++r)
            for (float d : _dash)
                pattern.append(std::max(0.0f, d) / unit);
        pen.setDashPattern(pattern);
        pen.setDashOffset(_dashPhase / unit);
    }
    return pen;
}
