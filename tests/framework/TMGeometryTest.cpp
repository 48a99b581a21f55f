#include "framework/model/TMGeometry.h"
#include "framework/model/ShadowAccessors.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(TMGeometry, IntegralRoundsHalvesAwayFromZero) {
    EXPECT_EQ(TMIntegralRect({0.5f, 1.49f, 2.5f, -0.5f}), Rect(1, 1, 3, -1));
    EXPECT_EQ(TMIntegralPoint({-2.5f, 2.4999f}), (Point{-3, 2}));
    EXPECT_EQ(TMIntegralSize({7.5f, -7.5f}), (Size{8, -8}));
}

TEST(TMGeometry, RoundedRectangleLimitsTheRadius) {
    const BezierPath path = TMRoundedRectangle({10, 20, 30, 100}, 20);
    // Radius 15: the left side runs from y + 15 to y + h - 15.
    ASSERT_GE(path.elementCount(), 3);
    Point p[3];
    EXPECT_EQ(path.elementAtIndexAssociatedPoints(0, p), BezierPathElement::MoveTo);
    EXPECT_EQ(p[0], (Point{10, 35}));
    EXPECT_EQ(path.elementAtIndexAssociatedPoints(1, p), BezierPathElement::LineTo);
    EXPECT_EQ(p[0], (Point{10, 105}));
    EXPECT_EQ(path.elementAtIndex(path.elementCount() - 1), BezierPathElement::ClosePath);
    const Rect b = path.bounds();
    EXPECT_NEAR(b.minX(), 10, 1e-3);
    EXPECT_NEAR(b.maxY(), 120, 1e-3);
    EXPECT_NEAR(b.width(), 30, 1e-3);
    EXPECT_NEAR(b.height(), 100, 1e-3);
    // The corners are cut: the rectangle's corner is outside, a point on the
    // diagonal inside the arc is in.
    EXPECT_FALSE(path.containsPoint({10.5f, 20.5f}));
    EXPECT_TRUE(path.containsPoint({15, 25}));
    EXPECT_TRUE(path.containsPoint({25, 70}));
}

TEST(TMGeometry, FitPathStretchesIntoTheRectangle) {
    BezierPath path = BezierPath::bezierPathWithOvalInRect({0, 0, 10, 20});
    const BezierPath fitted = TMFitPathToRect(path, {100, 100, 50, 10});
    const Rect b = fitted.bounds();
    EXPECT_NEAR(b.minX(), 100, 1e-3);
    EXPECT_NEAR(b.minY(), 100, 1e-3);
    EXPECT_NEAR(b.width(), 50, 1e-3);
    EXPECT_NEAR(b.height(), 10, 1e-3);
    EXPECT_EQ(path.bounds(), Rect(0, 0, 10, 20)); // the original is unchanged

    // A flat path is centred, never filled with infinities.
    BezierPath line;
    line.moveToPoint({0, 5});
    line.lineToPoint({10, 5});
    const Rect lb = TMFitPathToRect(line, {0, 0, 40, 40}).bounds();
    EXPECT_NEAR(lb.minX(), 0, 1e-3);
    EXPECT_NEAR(lb.width(), 40, 1e-3);
    EXPECT_NEAR(lb.minY(), 20, 1e-3);
    EXPECT_EQ(lb.height(), 0);
}

TEST(TMGeometry, SegmentHitTest) {
    struct Case {
        Point a, b;
        float width;
        Point p;
        bool hit;
    };
    const Case cases[] = {
        {{0, 0}, {100, 0}, 2, {50, 2.9f}, true},  {{0, 0}, {100, 0}, 2, {102.5f, 0}, true},
        {{0, 0}, {100, 0}, 2, {50, 3}, false},    {{0, 0}, {100, 0}, 2, {103, 0}, false},
        {{0, 0}, {100, 0}, 2, {-3, 0}, true}, // smallest edges are inside
        {{0, 0}, {0, 100}, 0, {2, 50}, false},    {{0, 0}, {0, 100}, 0, {-2, 50}, true},
        {{0, 0}, {100, 100}, 0, {50, 52}, true},  {{0, 0}, {100, 100}, 0, {50, 54}, false},
        {{100, 0}, {0, 100}, 0, {50, 51}, true},  {{100, 0}, {0, 100}, 0, {48, 48}, false},
        {{0, 0}, {100, 100}, 10, {50, 56}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TMHitTestLineSegment(c.a, c.b, c.width, c.p), c.hit)
            << c.a.x << "," << c.a.y << " " << c.b.x << "," << c.b.y << " at " << c.p.x << ","
            << c.p.y;
}

TEST(TMGeometry, CurveHitTest) {
    // An arch from (0, 0) to (100, 0) rising to y = 75 in the middle.
    const Point s{0, 0}, e{100, 0}, c1{0, 100}, c2{100, 100};
    EXPECT_TRUE(TMHitTestBezierCurve(s, e, c1, c2, 2, {50, 75}));
    EXPECT_TRUE(TMHitTestBezierCurve(s, e, c1, c2, 2, {50, 77.5f}));
    EXPECT_FALSE(TMHitTestBezierCurve(s, e, c1, c2, 2, {50, 79}));
    EXPECT_FALSE(TMHitTestBezierCurve(s, e, c1, c2, 2, {50, 40}));
    EXPECT_TRUE(TMHitTestBezierCurve(s, e, c1, c2, 2, {0, 1}));
    // A curve that is one point everywhere hits only there.
    EXPECT_FALSE(TMHitTestBezierCurve(s, s, s, s, 2, {0, 1}));
}

TEST(ShadowAccessors, AngleAndLength) {
    ShadowValue shadow{{3.535534f, -3.535534f}, 6, Qt::black};
    EXPECT_NEAR(castAngle(shadow), 315, 1e-3);
    EXPECT_NEAR(castOffset(shadow), 5, 1e-5);

    setCastAngle(shadow, 90);
    EXPECT_NEAR(shadow.offset.width, 0, 1e-5);
    EXPECT_NEAR(shadow.offset.height, 5, 1e-5);

    const struct {
        float angle, dx, dy;
    } quadrants[] = {{30, 1, 1},   {120, -1, 1}, {210, -1, -1},
                     {300, 1, -1}, {0, 1, 0},    {180, -1, 0}};
    for (const auto& q : quadrants) {
        setCastAngle(shadow, q.angle);
        EXPECT_NEAR(castAngle(shadow), q.angle, 1e-3) << q.angle;
        EXPECT_NEAR(castOffset(shadow), 5, 1e-4) << q.angle;
        if (q.dx != 0) {
            EXPECT_EQ(std::signbit(shadow.offset.width), q.dx < 0) << q.angle;
        }
        if (q.dy != 0) {
            EXPECT_EQ(std::signbit(shadow.offset.height), q.dy < 0) << q.angle;
        }
    }

    setCastAngle(shadow, 135);
    setCastOffset(shadow, 10);
    EXPECT_NEAR(castAngle(shadow), 135, 1e-3);
    EXPECT_NEAR(shadow.offset.width, -7.071068f, 1e-4);
    EXPECT_NEAR(shadow.offset.height, 7.071068f, 1e-4);

    ShadowValue none{{0, 0}, 1, Qt::black};
    EXPECT_EQ(castAngle(none), 0);
    EXPECT_EQ(castOffset(none), 0);
}

TEST(ShadowAccessors, FlippedShadowNegatesY) {
    const ShadowValue shadow{{3, -4}, 6, Qt::red};
    const ShadowValue flipped = flippedShadow(shadow);
    EXPECT_EQ(flipped.offset, (Size{3, 4}));
    EXPECT_EQ(flipped.blurRadius, 6);
    EXPECT_EQ(flipped.color, QColor(Qt::red));
}
