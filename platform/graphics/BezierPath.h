#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QPainterPath>
#include <QPen>
#include <array>
#include <vector>

class AffineTransform;

// The numbers are those stored in files and archives.
enum class BezierPathElement { MoveTo = 0, LineTo = 1, CurveTo = 2, ClosePath = 3 };
enum class LineCapStyle { Butt = 0, Round = 1, Square = 2 };
enum class LineJoinStyle { Miter = 0, Round = 1, Bevel = 2 };
enum class WindingRule { NonZero = 0, EvenOdd = 1 };

// A path of straight and cubic segments together with the settings it is
// stroked and filled with. All of its state is readable and settable from
// outside, so that archiving can live elsewhere.
class LUMISK_PLATFORM_EXPORT BezierPath {
public:
    // Move and line elements use points[0]; a curve holds control point 1,
    // control point 2 and the end point, in this order; close uses none.
    struct Element {
        BezierPathElement kind = BezierPathElement::MoveTo;
        std::array<Point, 3> points{};

        friend bool operator==(const Element&, const Element&) = default;
    };

    static constexpr float kDefaultLineWidth = 1.0f;
    static constexpr float kDefaultMiterLimit = 10.0f;
    static constexpr float kDefaultFlatness = 0.6f;

    BezierPath() = default;

    static BezierPath bezierPathWithRect(const Rect& rect);
    static BezierPath bezierPathWithOvalInRect(const Rect& rect);
    static BezierPath bezierPathWithRoundedRectXRadiusYRadius(const Rect& rect, float xRadius,
                                                              float yRadius);

    // Construction. A line or curve needs a current point, else Exception
    // "NSGenericException". After closePath the current point is the start of
    // the closed subpath, and a following line or curve starts a new subpath there.
    void moveToPoint(Point p);
    void lineToPoint(Point p);
    void curveToPointControlPoint1ControlPoint2(Point end, Point control1, Point control2);
    void closePath();
    void removeAllPoints();

    void appendBezierPath(const BezierPath& other);
    // Starts at the origin and runs counter-clockwise (y upward).
    void appendBezierPathWithRect(const Rect& rect);
    void appendBezierPathWithOvalInRect(const Rect& rect);
    // Radii above half the side are limited to it; a zero radius gives a plain rectangle.
    void appendBezierPathWithRoundedRectXRadiusYRadius(const Rect& rect, float xRadius,
                                                       float yRadius);
    // Angles in degrees counter-clockwise from the x axis. With a current point,
    // a line joins it to the start of the arc; otherwise the arc starts a subpath.
    void appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle(Point center, float radius,
                                                                   float startAngle,
                                                                   float endAngle);
    void appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise(
        Point center, float radius, float startAngle, float endAngle, bool clockwise);
    // The tangent arc: a circle of the radius touching the line from the current
    // point to point1 and the line from point1 to point2. A line runs from the
    // current point to the first touching point, then the shorter arc to the
    // second. Collinear points or a zero radius give a line to point1.
    void appendBezierPathWithArcFromPointToPointRadius(Point point1, Point point2, float radius);

    // Settings.
    float lineWidth() const { return _lineWidth; }
    void setLineWidth(float width) { _lineWidth = width; }
    LineCapStyle lineCapStyle() const { return _lineCap; }
    void setLineCapStyle(LineCapStyle cap) { _lineCap = cap; }
    LineJoinStyle lineJoinStyle() const { return _lineJoin; }
    void setLineJoinStyle(LineJoinStyle join) { _lineJoin = join; }
    float miterLimit() const { return _miterLimit; }
    void setMiterLimit(float limit) { _miterLimit = limit; }
    float flatness() const { return _flatness; }
    void setFlatness(float flatness) { _flatness = flatness; }
    WindingRule windingRule() const { return _windingRule; }
    void setWindingRule(WindingRule rule) { _windingRule = rule; }
    // Dash lengths in user-space units, on and off in turn, repeated; an odd
    // count repeats with on and off exchanged. Count 0 (or a null pattern) is solid.
    void setLineDashCountPhase(const float* pattern, int count, float phase);
    const std::vector<float>& lineDash() const { return _dash; }
    float lineDashPhase() const { return _dashPhase; }

    // Queries.
    bool isEmpty() const { return _elements.empty(); }
    bool hasCurrentPoint() const { return !_elements.empty(); }
    // Exception "NSGenericException" when the path is empty.
    Point currentPoint() const;
    // Tight bounds of the outline (curves at their extremes); line width not included.
    Rect bounds() const;
    // Bounds of every point, control points included.
    Rect controlPointBounds() const;
    // Inside the filled area by the winding rule (open subpaths count as closed).
    bool containsPoint(Point p) const;

    int elementCount() const { return int(_elements.size()); }
    BezierPathElement elementAtIndex(int index) const;
    // Copies the element's points (1 or 3) into points when it is not null.
    BezierPathElement elementAtIndexAssociatedPoints(int index, Point* points) const;
    void setAssociatedPointsAtIndex(const Point* points, int index);
    const std::vector<Element>& elements() const { return _elements; }

    void transformUsingAffineTransform(const AffineTransform& transform);

    // Drawing into the current graphics context; nothing without one.
    void fill() const;
    void stroke() const;
    void addClip() const;
    void setClip() const;

    QPainterPath toQPainterPath() const;
    // A pen with this path's line settings; dash lengths become the pen's
    // width-relative units.
    QPen qPen(const QBrush& brush) const;

    friend bool operator==(const BezierPath&, const BezierPath&) = default;

private:
    void startSegment();
    void appendArc(Point center, float radius, double startRadians, double sweepRadians);

    std::vector<Element> _elements;
    int _subpathStart = -1; // index of the MoveTo of the last subpath
    float _lineWidth = kDefaultLineWidth;
    LineCapStyle _lineCap = LineCapStyle::Butt;
    LineJoinStyle _lineJoin = LineJoinStyle::Miter;
    float _miterLimit = kDefaultMiterLimit;
    float _flatness = kDefaultFlatness;
    WindingRule _windingRule = WindingRule::NonZero;
    std::vector<float> _dash;
    float _dashPhase = 0;
};
