#include "framework/model/TMGeometry.h"

#include "platform/graphics/AffineTransform.h"

#include <algorithm>
#include <cmath>

Point TMIntegralPoint(Point point) {
    return {std::round(point.x), std::round(point.y)};
}

Size TMIntegralSize(Size size) {
    return {std::round(size.width), std::round(size.height)};
}

Rect TMIntegralRect(Rect rect) {
    return {TMIntegralPoint(rect.origin), TMIntegralSize(rect.size)};
}

BezierPath TMRoundedRectangle(Rect rect, float radius) {
    const float x = rect.minX();
    const float y = rect.minY();
    const float w = rect.width();
    const float h = rect.height();
    const float r = std::min({radius, w / 2, h / 2});

    BezierPath path;
    path.moveToPoint({x, y + r});
    path.lineToPoint({x, y + h - r});
    path.appendBezierPathWithArcFromPointToPointRadius({x, y + h}, {x + r, y + h}, r);
    path.lineToPoint({x + w - r, y + h});
    path.appendBezierPathWithArcFromPointToPointRadius({x + w, y + h}, {x + w, y + h - r}, r);
    path.lineToPoint({x + w, y + r});
    path.appendBezierPathWithArcFromPointToPointRadius({x + w, y}, {x + w - r, y}, r);
    path.lineToPoint({x + r, y});
    path.appendBezierPathWithArcFromPointToPointRadius({x, y}, {x, y + r}, r);
    path.closePath();
    return path;
}

BezierPath TMFitPathToRect(const BezierPath& path, Rect rect) {
    BezierPath copy = path;
    if (copy.isEmpty())
        return copy;
    const Rect from = copy.bounds();
    // A flat path cannot be stretched along its flat axis; dividing by its
    // zero extent would put infinities into the points.
    const float sx = from.width() != 0 ? rect.width() / from.width() : 1.0f;
    const float sy = from.height() != 0 ? rect.height() / from.height() : 1.0f;
    AffineTransform scale;
    scale.scaleXByYBy(sx, sy);
    copy.transformUsingAffineTransform(scale);

    const Rect scaled = copy.bounds();
    AffineTransform move;
    move.translateXByYBy(rect.midX() - scaled.midX(), rect.midY() - scaled.midY());
    copy.transformUsingAffineTransform(move);
    return copy;
}

bool TMHitTestLineSegment(Point start, Point end, float lineWidth, Point test) {
    const float tolerance = lineWidth / 2 + 2;
    const Rect span(std::min(start.x, end.x), std::min(start.y, end.y), std::fabs(end.x - start.x),
                    std::fabs(end.y - start.y));
    if (!pointInRect(test, insetRect(span, -tolerance, -tolerance)))
        return false;
    if (start.x == end.x || start.y == end.y)
        return true;
    const float slope = (end.y - start.y) / (end.x - start.x);
    const float across = std::fabs((test.x - start.x) - (test.y - start.y) / slope);
    const float distance = across * std::sin(std::atan(std::fabs(slope)));
    return distance <= tolerance;
}

bool TMHitTestBezierCurve(Point start, Point end, Point control1, Point control2, float lineWidth,
                          Point test) {
    Point previous = start;
    for (int i = 0; i <= 100; ++i) {
        const float t = i * 0.01f;
        const float u = 1 - t;
        const float a = u * u * u;
        const float b = 3 * u * u * t;
        const float c = 3 * u * t * t;
        const float d = t * t * t;
        const Point p{a * start.x + b * control1.x + c * control2.x + d * end.x,
                      a * start.y + b * control1.y + c * control2.y + d * end.y};
        if (p == previous)
            continue;
        if (TMHitTestLineSegment(previous, p, lineWidth, test))
            return true;
        previous = p;
    }
    return false;
}
