#include "DrawingTestCanvas.h"

#include "platform/foundation/Exception.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"

#include <gtest/gtest.h>

namespace {

void expectRectNear(const Rect& actual, const Rect& expected, float tolerance = 1e-3f) {
    EXPECT_NEAR(actual.minX(), expected.minX(), tolerance);
    EXPECT_NEAR(actual.minY(), expected.minY(), tolerance);
    EXPECT_NEAR(actual.width(), expected.width(), tolerance);
    EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

bool inked(const QColor& c) {
    return c.alpha() > 200;
}
bool blank(const QColor& c) {
    return c.alpha() < 30;
}

} // namespace

TEST(DrawingBezierPath, BoundsFollowTheCurveWhileControlPointBoundsHoldEveryPoint) {
    BezierPath path;
    path.moveToPoint({0, 0});
    path.curveToPointControlPoint1ControlPoint2({100, 0}, {0, 100}, {100, 100});
    expectRectNear(path.bounds(), {0, 0, 100, 75}); // y(t) = 300 t (1 - t)
    expectRectNear(path.controlPointBounds(), {0, 0, 100, 100});
    EXPECT_EQ(BezierPath().bounds(), kZeroRect);
    EXPECT_EQ(BezierPath().controlPointBounds(), kZeroRect);
    expectRectNear(BezierPath::bezierPathWithOvalInRect({10, 20, 30, 40}).bounds(),
                   {10, 20, 30, 40});
}

TEST(DrawingBezierPath, ContainmentUsesTheWindingRule) {
    BezierPath rings;
    rings.appendBezierPathWithRect({0, 0, 100, 100});
    rings.appendBezierPathWithRect({25, 25, 50, 50}); // same direction
    EXPECT_TRUE(rings.containsPoint({50, 50}));
    rings.setWindingRule(WindingRule::EvenOdd);
    EXPECT_FALSE(rings.containsPoint({50, 50}));
    EXPECT_TRUE(rings.containsPoint({10, 50}));
    EXPECT_FALSE(rings.containsPoint({150, 50}));

    const BezierPath oval = BezierPath::bezierPathWithOvalInRect({0, 0, 100, 50});
    EXPECT_TRUE(oval.containsPoint({50, 25}));
    EXPECT_TRUE(oval.containsPoint({95, 25}));
    EXPECT_FALSE(oval.containsPoint({95, 45})); // in the rectangle's corner

    BezierPath open; // an open subpath counts as closed
    open.moveToPoint({0, 0});
    open.lineToPoint({100, 0});
    open.lineToPoint({100, 100});
    EXPECT_TRUE(open.containsPoint({90, 10}));
    EXPECT_FALSE(open.containsPoint({10, 90}));
}

TEST(DrawingBezierPath, TangentArcTurnsTheCornerBetweenTheTwoLines) {
    BezierPath path;
    path.moveToPoint({0, 0});
    path.appendBezierPathWithArcFromPointToPointRadius({100, 0}, {100, 100}, 20);
    ASSERT_EQ(path.elementCount(), 3);
    Point pts[3];
    EXPECT_EQ(path.elementAtIndexAssociatedPoints(1, pts), BezierPathElement::LineTo);
    EXPECT_NEAR(pts[0].x, 80, 1e-4);
    EXPECT_NEAR(pts[0].y, 0, 1e-4);
    EXPECT_EQ(path.elementAtIndexAssociatedPoints(2, pts), BezierPathElement::CurveTo);
    EXPECT_NEAR(pts[2].x, 100, 1e-4);
    EXPECT_NEAR(pts[2].y, 20, 1e-4);
    EXPECT_EQ(path.currentPoint(), pts[2]);
    expectRectNear(path.bounds(), {0, 0, 100, 20});
    // The middle of the arc lies on the circle of radius 20 about (80, 20).
    path.lineToPoint({80, 20});
    path.closePath();
    EXPECT_TRUE(path.containsPoint({80 + 13.9f, 20 - 13.9f}));
    EXPECT_FALSE(path.containsPoint({80 + 14.4f, 20 - 14.4f}));

    BezierPath straight; // collinear points: a line to the first point
    straight.moveToPoint({0, 0});
    straight.appendBezierPathWithArcFromPointToPointRadius({50, 0}, {100, 0}, 10);
    ASSERT_EQ(straight.elementCount(), 2);
    EXPECT_EQ(straight.currentPoint(), (Point{50, 0}));

    BezierPath empty;
    EXPECT_THROW(empty.appendBezierPathWithArcFromPointToPointRadius({1, 1}, {2, 0}, 1), Exception);
}

TEST(DrawingBezierPath, RoundedRectangleFromTangentArcsStaysInItsRectangle) {
    // The outline the page objects build: corners as tangent arcs of radius 15.
    const float x = 10, y = 20, w = 30, h = 100, r = 15;
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
    expectRectNear(path.bounds(), {x, y, w, h});
    EXPECT_FALSE(path.containsPoint({x + 1, y + 1}));
    EXPECT_TRUE(path.containsPoint({x + w / 2, y + 1}));

    const BezierPath rounded =
        BezierPath::bezierPathWithRoundedRectXRadiusYRadius({0, 0, 30, 100}, 20, 20);
    expectRectNear(rounded.bounds(), {0, 0, 30, 100});
    EXPECT_TRUE(rounded.containsPoint({15, 1})); // radius limited to half the width
    EXPECT_FALSE(rounded.containsPoint({1, 1}));
}

TEST(DrawingBezierPath, ArcsRunTheAskedWayRound) {
    BezierPath ccw;
    ccw.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle({0, 0}, 10, 0, 90);
    expectRectNear(ccw.bounds(), {0, 0, 10, 10}, 1e-3f);
    EXPECT_NEAR(ccw.currentPoint().x, 0, 1e-4);
    EXPECT_NEAR(ccw.currentPoint().y, 10, 1e-4);

    BezierPath cw; // the long way round from 0 to 90 clockwise
    cw.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngleClockwise({0, 0}, 10, 0, 90, true);
    expectRectNear(cw.bounds(), {-10, -10, 20, 20}, 1e-3f);

    BezierPath joined; // a current point is joined to the arc by a line
    joined.moveToPoint({-50, 0});
    joined.appendBezierPathWithArcWithCenterRadiusStartAngleEndAngle({0, 0}, 10, 180, 360);
    EXPECT_EQ(joined.elementAtIndex(1), BezierPathElement::LineTo);
    expectRectNear(joined.bounds(), {-50, -10, 60, 10}, 1e-3f);
}

TEST(DrawingBezierPath, ElementsCanBeWalkedAndRewritten) {
    BezierPath path = BezierPath::bezierPathWithRect({0, 0, 10, 20});
    ASSERT_EQ(path.elementCount(), 5);
    const BezierPathElement kinds[] = {BezierPathElement::MoveTo, BezierPathElement::LineTo,
                                       BezierPathElement::LineTo, BezierPathElement::LineTo,
                                       BezierPathElement::ClosePath};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(path.elementAtIndex(i), kinds[i]);
    Point p[3];
    path.elementAtIndexAssociatedPoints(2, p);
    EXPECT_EQ(p[0], (Point{10, 20}));
    const Point moved{12, 24};
    path.setAssociatedPointsAtIndex(&moved, 2);
    EXPECT_EQ(path.controlPointBounds(), (Rect{0, 0, 12, 24}));
    EXPECT_THROW(path.elementAtIndex(5), Exception);

    BezierPath copy; // the walk rebuilds an equal path
    for (const BezierPath::Element& e : path.elements()) {
        switch (e.kind) {
        case BezierPathElement::MoveTo:
            copy.moveToPoint(e.points[0]);
            break;
        case BezierPathElement::LineTo:
            copy.lineToPoint(e.points[0]);
            break;
        case BezierPathElement::CurveTo:
            copy.curveToPointControlPoint1ControlPoint2(e.points[2], e.points[0], e.points[1]);
            break;
        case BezierPathElement::ClosePath:
            copy.closePath();
            break;
        }
    }
    EXPECT_EQ(copy, path);
}

TEST(DrawingBezierPath, SegmentsNeedACurrentPointAndRestartAfterClose) {
    BezierPath path;
    EXPECT_THROW(path.lineToPoint({1, 1}), Exception);
    EXPECT_THROW(path.currentPoint(), Exception);
    path.moveToPoint({5, 5});
    path.lineToPoint({10, 5});
    path.closePath();
    EXPECT_EQ(path.currentPoint(), (Point{5, 5}));
    path.lineToPoint({5, 10});
    ASSERT_EQ(path.elementCount(), 5);
    Point p;
    EXPECT_EQ(path.elementAtIndexAssociatedPoints(3, &p), BezierPathElement::MoveTo);
    EXPECT_EQ(p, (Point{5, 5}));
}

TEST(DrawingBezierPath, SettingsAreKeptAndCopied) {
    BezierPath path;
    EXPECT_EQ(path.lineWidth(), 1.0f);
    EXPECT_EQ(path.miterLimit(), 10.0f);
    EXPECT_EQ(path.flatness(), 0.6f);
    EXPECT_EQ(path.lineCapStyle(), LineCapStyle::Butt);
    EXPECT_EQ(path.lineJoinStyle(), LineJoinStyle::Miter);
    EXPECT_EQ(path.windingRule(), WindingRule::NonZero);
    const float dash[] = {6, 3};
    path.setLineDashCountPhase(dash, 2, 1.5f);
    path.setLineWidth(3);
    const BezierPath copy = path;
    EXPECT_EQ(copy.lineDash(), (std::vector<float>{6, 3}));
    EXPECT_EQ(copy.lineDashPhase(), 1.5f);
    EXPECT_EQ(copy.lineWidth(), 3.0f);
    path.setLineDashCountPhase(nullptr, 0, 0);
    EXPECT_TRUE(path.lineDash().empty());
    EXPECT_NE(path, copy);
}

TEST(DrawingBezierPath, TransformMovesEveryPoint) {
    BezierPath path = BezierPath::bezierPathWithOvalInRect({-10, -5, 20, 10});
    AffineTransform t;
    t.translateXByYBy(100, 50);
    t.rotateByDegrees(90);
    path.transformUsingAffineTransform(t);
    expectRectNear(path.bounds(), {95, 40, 10, 20}, 1e-3f);
}

namespace {

// A horizontal stroke across a 100 x 20 canvas at y = 10.
QImage strokeLine(float width, LineCapStyle cap, const std::vector<float>& dash = {},
                  float phase = 0, float x0 = 0, float x1 = 100) {
    DrawingTestCanvas canvas(100, 20);
    BezierPath path;
    path.moveToPoint({x0, 10});
    path.lineToPoint({x1, 10});
    path.setLineWidth(width);
    path.setLineCapStyle(cap);
    path.setLineDashCountPhase(dash.data(), int(dash.size()), phase);
    canvas.context().setStrokeColor(Qt::black);
    canvas.context().strokePath(path);
    return canvas.pixels();
}

QColor px(const QImage& image, double x, double y) {
    return image.pixelColor(int(x), int(image.height() - y));
}

} // namespace

TEST(DrawingBezierPath, DashPatternsAlternateInUserUnits) {
    const QImage dashed = strokeLine(2, LineCapStyle::Butt, {6, 3});
    for (double x : {0.5, 5.5, 9.5, 14.5, 18.5})
        EXPECT_TRUE(inked(px(dashed, x, 10.5))) << x;
    for (double x : {6.5, 7.5, 15.5, 16.5})
        EXPECT_TRUE(blank(px(dashed, x, 10.5))) << x;

    const QImage shifted = strokeLine(2, LineCapStyle::Butt, {6, 3}, 3);
    EXPECT_TRUE(inked(px(shifted, 1.5, 10.5)));
    EXPECT_TRUE(blank(px(shifted, 4.5, 10.5)));
    EXPECT_TRUE(inked(px(shifted, 7.5, 10.5)));

    const QImage odd = strokeLine(2, LineCapStyle::Butt, {4}); // 4 on, 4 off
    EXPECT_TRUE(inked(px(odd, 1.5, 10.5)));
    EXPECT_TRUE(blank(px(odd, 5.5, 10.5)));
    EXPECT_TRUE(inked(px(odd, 9.5, 10.5)));

    const QImage wide = strokeLine(4, LineCapStyle::Butt, {6, 3}); // lengths do not grow with width
    EXPECT_TRUE(inked(px(wide, 5.5, 10.5)));
    EXPECT_TRUE(blank(px(wide, 7.5, 10.5)));

    const QImage zeros = strokeLine(2, LineCapStyle::Butt, {0, 0}); // nothing to alternate: solid
    EXPECT_TRUE(inked(px(zeros, 7.5, 10.5)));
}

TEST(DrawingBezierPath, CapsEndTheLineAsAsked) {
    const QImage butt = strokeLine(10, LineCapStyle::Butt, {}, 0, 20, 80);
    const QImage square = strokeLine(10, LineCapStyle::Square, {}, 0, 20, 80);
    const QImage round = strokeLine(10, LineCapStyle::Round, {}, 0, 20, 80);
    EXPECT_TRUE(inked(px(butt, 20.5, 10.5)));
    EXPECT_TRUE(blank(px(butt, 17.5, 10.5)));
    EXPECT_TRUE(inked(px(square, 17.5, 10.5)));
    EXPECT_TRUE(inked(px(square, 15.5, 14.5)));
    EXPECT_TRUE(blank(px(square, 14.5, 10.5)));
    EXPECT_TRUE(inked(px(round, 17.5, 10.5)));
    EXPECT_TRUE(blank(px(round, 15.5, 14.5))); // the round end misses the square's corner
    EXPECT_TRUE(inked(px(round, 82.5, 10.5)));
}

TEST(DrawingBezierPath, SharpMitersFallBackToBevelsPastTheLimit) {
    auto draw = [](float limit) {
        DrawingTestCanvas canvas(100, 100);
        BezierPath path;
        path.moveToPoint({10, 45});
        path.lineToPoint({90, 50}); // a sharp turn back at (90, 50)
        path.lineToPoint({10, 55});
        path.setLineWidth(6);
        path.setMiterLimit(limit);
        canvas.context().strokePath(path);
        return canvas.at(98, 50);
    };
    // The miter would be 1 / sin(half the angle), about 16 line widths, long.
    EXPECT_TRUE(blank(draw(12)));
    EXPECT_TRUE(inked(draw(20)));
}

TEST(DrawingBezierPath, HairlineIsOneDevicePixel) {
    const QImage hair = strokeLine(0, LineCapStyle::Butt, {}, 0, 0, 100);
    int rows = 0;
    for (int y = 0; y < hair.height(); ++y)
        rows += hair.pixelColor(50, y).alpha() > 0;
    EXPECT_GE(rows, 1);
    EXPECT_LE(rows, 2);
}
