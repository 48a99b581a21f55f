#include "framework/model/TMCaptionGeometry.h"
#include "platform/foundation/Random.h"
#include "support/TestHost.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

// The ovals of a path: each starts with a move.
int ovalCount(const BezierPath& path) {
    int count = 0;
    for (const BezierPath::Element& e : path.elements())
        count += e.kind == BezierPathElement::MoveTo;
    return count;
}

} // namespace

TEST(CaptionCloud, PuffsFollowThePhotoSizeAndAreCappedByTheBalloon) {
    TestHost host;
    EXPECT_DOUBLE_EQ(TMCaptionPuffSize(2, Size{1000, 800}), 32);
    EXPECT_DOUBLE_EQ(TMCaptionPuffSize(3, Size{1000, 800}), 64);
    EXPECT_DOUBLE_EQ(TMCaptionPuffSize(4, Size{1000, 800}), 128);
    EXPECT_DOUBLE_EQ(TMCaptionPuffSize(7, Size{1000, 800}), 100);
    for (Size unknown : {Size{0, 0}, Size{0, 800}, Size{1000, 0}}) {
        EXPECT_DOUBLE_EQ(TMCaptionPuffSize(2, unknown), 25);
        EXPECT_DOUBLE_EQ(TMCaptionPuffSize(3, unknown), 45);
        EXPECT_DOUBLE_EQ(TMCaptionPuffSize(4, unknown), 100);
    }

    // 200 x 100 on 1000 x 800, shape 2: cells of 200 / 6 by 100 / 3 points.
    // The corner puff at the lower left is 0.8 of a cell, shrunk by at most 5 %.
    Random::setSeed(1);
    const BezierPath cloud =
        TMCaptionCloudPathInRect(Rect(-100, -50, 200, 100), 2, Size{1000, 800});
    const double cell = 100.0 / 3;
    // Rows: 4 full cells top and bottom, 5 small ones; columns: 1 and 2;
    // 4 corners; the middle rectangle.
    EXPECT_EQ(ovalCount(cloud), 2 * 4 + 2 * 5 + 2 * 1 + 2 * 2 + 4 + 1);
    const Rect middle = [&] {
        // The last element run is the rectangle: its bounds are the middle.
        BezierPath rect;
        const auto& elements = cloud.elements();
        for (size_t i = elements.size() - 5; i < elements.size(); ++i) {
            if (elements[i].kind == BezierPathElement::MoveTo)
                rect.moveToPoint(elements[i].points[0]);
            else if (elements[i].kind == BezierPathElement::LineTo)
                rect.lineToPoint(elements[i].points[0]);
        }
        return rect.bounds();
    }();
    EXPECT_NEAR(middle.minX(), -100 + 0.6 * cell, 1e-3);
    EXPECT_NEAR(middle.minY(), -50 + 0.6 * cell, 1e-3);
}

TEST(CaptionCloud, ABalloonWithoutAreaGetsNoPuffsAndReturns) {
    TestHost host;
    QElapsedTimer timer;
    timer.start();
    for (Rect r : {Rect(0, 0, 0, 100), Rect(0, 0, 200, 0), Rect(0, 0, -5, 10)})
        for (Size max : {Size{0, 0}, Size{0, 600}, Size{1000, 800}})
            EXPECT_TRUE(TMCaptionCloudPathInRect(r, 3, max).isEmpty());
    // A tiny balloon still gets puffs: at least one cell a side.
    EXPECT_FALSE(TMCaptionCloudPathInRect(Rect(0, 0, 3, 2), 4, Size{}).isEmpty());
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(CaptionTail, TheTipIsPlacedFromTheMiddleOfItsEdge) {
    const Rect r(100, 200, 80, 40);
    struct Case {
        int quadrant;
        bool flipped;
        Point expected;
    };
    for (const Case& c :
         {Case{1, false, {176, 164}}, Case{1, true, {176, 276}}, Case{2, false, {136, 184}},
          Case{2, true, {136, 256}}, Case{3, false, {176, 204}}, Case{3, true, {176, 236}},
          Case{4, false, {216, 184}}, Case{4, true, {216, 256}}, Case{9, false, {176, 164}},
          Case{0, true, {176, 276}}}) {
        EXPECT_EQ(TMCaptionTailVertex(c.quadrant, {36, 36}, r, c.flipped), c.expected)
            << c.quadrant << (c.flipped ? " flipped" : "");
    }
}

TEST(CaptionTail, DraggingChoosesTheQuadrantAndInvertsThePlacement) {
    const Rect r(100, 200, 80, 40); // centre (140, 220)
    // Straight above the centre, unflipped: the top edge.
    TMCaptionTail above = TMCaptionTailForPoint({140, 300}, r, false);
    EXPECT_EQ(above.quadrant, kCaptionTailTop);
    EXPECT_EQ(above.tail, (Point{0, -60}));
    // The same point in a flipped view is below the balloon.
    EXPECT_EQ(TMCaptionTailForPoint({140, 300}, r, true).quadrant, kCaptionTailBottom);
    // Exactly 45 degrees is vertical.
    EXPECT_EQ(TMCaptionTailForPoint({180, 180}, r, false).quadrant, kCaptionTailBottom);
    EXPECT_EQ(TMCaptionTailForPoint({181, 180}, r, false).quadrant, kCaptionTailRight);
    EXPECT_EQ(TMCaptionTailForPoint({90, 225}, r, false).quadrant, kCaptionTailLeft);

    // Every drag places the tip back where it was dragged to.
    for (bool flipped : {false, true})
        for (Point p :
             {Point{140, 300}, Point{60, 230}, Point{260, 200}, Point{150, 100}, Point{140, 220}}) {
            const TMCaptionTail tail = TMCaptionTailForPoint(p, r, flipped);
            EXPECT_EQ(TMCaptionTailVertex(tail.quadrant, tail.tail, r, flipped), p)
                << p.x << "," << p.y << (flipped ? " flipped" : "");
        }
}

TEST(CaptionTail, TheBaseIsOnTheInnerRectangleOnlyWhenTheTipLiesBeyondIt) {
    const Rect inner(-20, -10, 40, 20);
    // Quadrant 1 unflipped: below the inner bottom edge.
    auto base = TMCaptionTailBase(1, {5, -30}, inner, false);
    ASSERT_TRUE(base);
    EXPECT_EQ(base->first, (Point{20, -10}));
    EXPECT_EQ(base->second, (Point{-20, -10}));
    EXPECT_FALSE(TMCaptionTailBase(1, {5, -5}, inner, false));
    EXPECT_TRUE(TMCaptionTailBase(1, {5, 30}, inner, true));
    EXPECT_FALSE(TMCaptionTailBase(1, {5, -30}, inner, true));
    EXPECT_TRUE(TMCaptionTailBase(3, {0, 11}, inner, false));
    EXPECT_TRUE(TMCaptionTailBase(3, {0, -11}, inner, true));
    EXPECT_TRUE(TMCaptionTailBase(2, {-20, 0}, inner, false));
    EXPECT_FALSE(TMCaptionTailBase(2, {-19, 0}, inner, false));
    EXPECT_TRUE(TMCaptionTailBase(4, {20, 50}, inner, true));
    // An unknown quadrant is the bottom one.
    EXPECT_TRUE(TMCaptionTailBase(-3, {5, -30}, inner, false));
}

TEST(CaptionTail, BubblesGrowTowardsTheBaseWithoutOverlapping) {
    const Rect inner(-50, -25, 100, 50);
    BezierPath path;
    // Tip 100 points below the inner bottom edge, aspect 0.5.
    TMCaptionAppendBubbleTrail(path, {50, -25}, {-50, -25}, {0, -125}, inner, 0.5);
    ASSERT_GT(ovalCount(path), 2);
    std::vector<Rect> bubbles;
    BezierPath one;
    for (const BezierPath::Element& e : path.elements()) {
        if (e.kind == BezierPathElement::MoveTo && !one.isEmpty()) {
            bubbles.push_back(one.bounds());
            one = BezierPath();
        }
        if (e.kind == BezierPathElement::MoveTo)
            one.moveToPoint(e.points[0]);
        else if (e.kind == BezierPathElement::CurveTo)
            one.curveToPointControlPoint1ControlPoint2(e.points[2], e.points[0], e.points[1]);
    }
    bubbles.push_back(one.bounds());
    for (size_t i = 0; i < bubbles.size(); ++i) {
        EXPECT_FALSE(intersectsRect(bubbles[i], inner)) << i;
        EXPECT_NEAR(bubbles[i].height(), 0.5 * bubbles[i].width(), 1e-3);
        if (i > 0) {
            EXPECT_GT(bubbles[i].width(), bubbles[i - 1].width()) << i;
            EXPECT_GT(bubbles[i].midY(), bubbles[i - 1].midY()) << i;
            EXPECT_FALSE(intersectsRect(bubbles[i], bubbles[i - 1])) << i;
        }
    }
    // The tip itself carries none.
    EXPECT_GT(bubbles.front().midY(), -125 + 1);
}

TEST(CaptionTail, AFarTipReturnsPromptlyWithoutATrail) {
    const Rect inner(-50, -25, 100, 50);
    QElapsedTimer timer;
    timer.start();
    BezierPath path;
    TMCaptionAppendBubbleTrail(path, {50, -25}, {-50, -25}, {0, -3e9f}, inner, 0.5);
    EXPECT_TRUE(path.isEmpty());
    TMCaptionAppendBubbleTrail(path, {50, -25}, {-50, -25}, {0, -25}, inner, 0.5);
    TMCaptionAppendBubbleTrail(path, {50, -25}, {-50, -25}, {0, -125}, inner, 0);
    EXPECT_TRUE(path.isEmpty());
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(CaptionText, TheBoxShrinksInWholePointsInsideTheEllipse) {
    EXPECT_FALSE(TMCaptionTextBoxSize(Size{11, 11}));
    EXPECT_FALSE(TMCaptionTextBoxSize(Size{0, 40}));
    const std::optional<Size> twelve = TMCaptionTextBoxSize(Size{12, 12});
    ASSERT_TRUE(twelve);
    EXPECT_EQ(*twelve, (Size{8, 8}));
    // The same inset on every side: at 20 points the corners lie on the
    // ellipse of 200 x 100 (0.8^2 + 0.6^2 = 1), at 21 inside it.
    const std::optional<Size> wide = TMCaptionTextBoxSize(Size{200, 100});
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, (Size{158, 58}));
    // A huge size answers at once.
    EXPECT_TRUE(TMCaptionTextBoxSize(Size{1e30f, 1e30f}));
}
