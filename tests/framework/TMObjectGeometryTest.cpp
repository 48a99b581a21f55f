#include "framework/model/TMObject.h"
#include "platform/documents/View.h"
#include "support/TestHost.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// 100 x 50 at (200, 200): the unrotated rectangle is (150, 175, 100, 50).
TMObjectRef makeObject() {
    return TMObject::newTemplateObjectWithOriginSize({150, 175}, {100, 50});
}

// Records which of the flips the resize sent.
class FlipRecorder : public TMObject {
public:
    static std::shared_ptr<FlipRecorder> make() {
        auto o = create<FlipRecorder>();
        o->initWithCenterSize({200, 200}, {100, 50});
        return o;
    }
    void flipHorizontally() override { ++horizontal; }
    void flipVertically() override { ++vertical; }
    int horizontal = 0;
    int vertical = 0;
};

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<FlipRecorder>(QStringLiteral("TMFlipRecorder"));
    return true;
}();

void expectRect(const Rect& actual, const Rect& expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(actual.minX(), expected.minX(), tolerance);
    EXPECT_NEAR(actual.minY(), expected.minY(), tolerance);
    EXPECT_NEAR(actual.width(), expected.width(), tolerance);
    EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

} // namespace

TEST(TMObjectGeometry, Frames) {
    TestHost host;
    TMObjectRef object = makeObject();
    object->setShadowEnabled(false);
    EXPECT_EQ(object->frame(), Rect(150, 175, 100, 50));
    EXPECT_EQ(object->encapsulatingFrame(), Rect(149, 174, 102, 52));
    object->setSelected(true);
    EXPECT_EQ(object->encapsulatingFrame(), Rect(145, 170, 110, 60));
    object->setZoomFactor(2);
    EXPECT_EQ(object->knobWidth(), 16);
    EXPECT_EQ(object->encapsulatingFrame(), Rect(141, 166, 118, 68));
    EXPECT_EQ(object->visibleFrame(), object->encapsulatingFrame());
}

TEST(TMObjectGeometry, VisibleFrameMakesRoomForTheShadow) {
    TestHost host;
    TMObjectRef object = makeObject();
    object->setShadowEnabled(true);
    const float grow = 6 + 1 + 3.535534f;
    expectRect(object->visibleFrame(), insetRect(Rect(149, 174, 102, 52), -grow, -grow));
    // The blur is rounded up.
    object->setShadow(ShadowValue{{-2, 8}, 2.2f, Qt::black});
    expectRect(object->visibleFrame(), insetRect(Rect(149, 174, 102, 52), -12, -12));
}

TEST(TMObjectGeometry, RotatedFrameIsTheBoundsOfThePath) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObjectWithOriginSize({0, 0}, {100, 100});
    object->setRotation(45);
    const Rect f = object->frame();
    // The turned square is 141.42 wide, shifted so it starts on a half point.
    EXPECT_NEAR(f.width(), 141.42f, 0.01f);
    EXPECT_NEAR(f.height(), 141.42f, 0.01f);
    EXPECT_NEAR(std::fabs(f.minX() - std::trunc(f.minX())), 0.5f, 1e-4);
}

TEST(TMObjectGeometry, PathStartsOnAHalfPoint) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObjectWithOriginSize({10, 20}, {30, 40});
    EXPECT_EQ(object->path().bounds(), Rect(10.5f, 20.5f, 30, 40));
    TMObjectRef half = TMObject::newTemplateObjectWithOriginSize({10.5f, 20.5f}, {30, 40});
    EXPECT_EQ(half->path().bounds(), Rect(10.5f, 20.5f, 30, 40));
    TMObjectRef negative = TMObject::newTemplateObjectWithOriginSize({-10.25f, -3}, {4, 4});
    const Rect b = negative->path().bounds();
    EXPECT_EQ(b.minX(), -9.5f);
    EXPECT_EQ(b.minY(), -2.5f);
}

TEST(TMObjectGeometry, KnobMirrors) {
    const int horizontal[] = {0, 3, 2, 1, 5, 4, 8, 7, 6};
    const int vertical[] = {0, 6, 7, 8, 4, 5, 1, 2, 3};
    for (int k = 0; k <= 8; ++k) {
        EXPECT_EQ(TMObject::flipKnobHorizontal(k, true), horizontal[k]) << k;
        EXPECT_EQ(TMObject::flipKnobHorizontal(k, false), vertical[k]) << k;
    }
}

TEST(TMObjectGeometry, ResizeByEveryKnob) {
    TestHost host;
    // Each knob of the rectangle (150, 175, 100, 50) dragged 10 points out
    // along both axes; edge knobs only move their own edge.
    struct Case {
        int knob;
        Point to;
        Rect result;
    };
    const Case cases[] = {
        {1, {140, 165}, {140, 165, 110, 60}}, {2, {190, 165}, {150, 165, 100, 60}},
        {3, {260, 165}, {150, 165, 110, 60}}, {4, {140, 190}, {140, 175, 110, 50}},
        {5, {260, 190}, {150, 175, 110, 50}}, {6, {140, 235}, {140, 175, 110, 60}},
        {7, {190, 235}, {150, 175, 100, 60}}, {8, {260, 235}, {150, 175, 110, 60}},
    };
    for (const Case& c : cases) {
        TMObjectRef object = makeObject();
        EXPECT_EQ(object->resizeByMovingKnobToPoint(c.knob, c.to), c.knob) << c.knob;
        EXPECT_EQ(object->frame(), c.result) << c.knob;
    }
}

TEST(TMObjectGeometry, ResizeUnderSizeLocks) {
    TestHost host;
    struct Case {
        int sizeLock;
        int knob;
        Rect result;
    };
    const Rect unchanged(150, 175, 100, 50);
    const Case cases[] = {
        // Both locked: no knob changes anything.
        {3, 1, unchanged},
        {3, 2, unchanged},
        {3, 5, unchanged},
        {3, 8, unchanged},
        // Width locked: the side knobs do nothing, corners move only y.
        {1, 4, unchanged},
        {1, 5, unchanged},
        {1, 8, {150, 175, 100, 60}},
        {1, 2, {150, 165, 100, 60}},
        // Height locked: top and bottom knobs do nothing, corners move only x.
        {2, 2, unchanged},
        {2, 7, unchanged},
        {2, 8, {150, 175, 110, 50}},
        {2, 4, {140, 175, 110, 50}},
    };
    const Point targets[] = {{},         {140, 165}, {190, 165}, {260, 165}, {140, 190},
                             {260, 190}, {140, 235}, {190, 235}, {260, 235}};
    for (const Case& c : cases) {
        TMObjectRef object = makeObject();
        object->setLockedSizeMask(c.sizeLock);
        EXPECT_EQ(object->resizeByMovingKnobToPoint(c.knob, targets[c.knob]), c.knob)
            << c.sizeLock << "/" << c.knob;
        EXPECT_EQ(object->frame(), c.result) << c.sizeLock << "/" << c.knob;
    }
}

TEST(TMObjectGeometry, ResizeAcrossTheOppositeSideMirrors) {
    TestHost host;
    auto object = FlipRecorder::make();
    // Knob 5 dragged 30 points left of the left edge.
    EXPECT_EQ(object->resizeByMovingKnobToPoint(5, {120, 200}), 4);
    EXPECT_EQ(object->frame(), Rect(120, 175, 30, 50));
    EXPECT_EQ(object->horizontal, 1);
    EXPECT_EQ(object->vertical, 0);

    // Knob 2 dragged above the top edge.
    EXPECT_EQ(object->resizeByMovingKnobToPoint(2, {135, 240}), 7);
    EXPECT_EQ(object->frame(), Rect(120, 225, 30, 15));
    EXPECT_EQ(object->vertical, 1);

    // A corner crossing both ways mirrors both.
    EXPECT_EQ(object->resizeByMovingKnobToPoint(8, {100, 200}), 1);
    EXPECT_EQ(object->frame(), Rect(100, 200, 20, 25));
    EXPECT_EQ(object->horizontal, 2);
    EXPECT_EQ(object->vertical, 2);
}

TEST(TMObjectGeometry, ResizeUnderPositionLockGrowsAboutTheCentre) {
    TestHost host;
    TMObjectRef object = makeObject();
    object->setLockedControlPtMask(1);
    EXPECT_EQ(object->resizeByMovingKnobToPoint(5, {260, 200}), 5);
    EXPECT_EQ(object->size(), (Size{120, 50}));
    EXPECT_EQ(object->center(), (Point{200, 200}));

    // With y locked, the top knob grows the height twice as much.
    object->setLockedControlPtMask(2);
    EXPECT_EQ(object->resizeByMovingKnobToPoint(7, {200, 235}), 7);
    EXPECT_EQ(object->size(), (Size{120, 70}));
    EXPECT_EQ(object->center(), (Point{200, 200}));

    // Shrinking past the centre stops at nothing rather than a negative size.
    object->setLockedControlPtMask(1);
    object->resizeByMovingKnobToPoint(5, {150, 200});
    EXPECT_EQ(object->size().width, 0);
    EXPECT_EQ(object->center().x, 200);
}

TEST(TMObjectGeometry, ResizeOfARotatedObjectWorksInItsOwnFrame) {
    TestHost host;
    TMObjectRef object = makeObject();
    object->setRotation(90);
    // Knob 5 (right side in the object's frame) lies above the centre on the page.
    object->resizeByMovingKnobToPoint(5, {200, 260});
    EXPECT_NEAR(object->size().width, 110, 1e-3);
    EXPECT_NEAR(object->size().height, 50, 1e-3);
    // Grown on one side only: the centre moved up by 5 on the page.
    EXPECT_NEAR(object->center().x, 200, 1e-3);
    EXPECT_NEAR(object->center().y, 205, 1e-3);
}

TEST(TMObjectGeometry, KnobUnderPoint) {
    TestHost host;
    TMObjectRef object = makeObject();
    EXPECT_EQ(object->knobUnderPoint({150, 175}), 1);
    EXPECT_EQ(object->knobUnderPoint({200, 175}), 2);
    EXPECT_EQ(object->knobUnderPoint({250, 225}), 8);
    EXPECT_EQ(object->knobUnderPoint({246, 200}), 5); // the square's smallest x is in
    EXPECT_EQ(object->knobUnderPoint({254, 200}), 0); // its largest x is out
    EXPECT_EQ(object->knobUnderPoint({200, 200}), 0);

    object->setRotation(90);
    // Turned a quarter about (200, 200): knob 1 is now at (225, 150).
    EXPECT_EQ(object->knobUnderPoint({225, 150}), 1);
    EXPECT_EQ(object->knobUnderPoint({150, 175}), 0);
}

TEST(TMObjectGeometry, HitTestAtTheEdges) {
    TestHost host;
    TMObjectRef object = makeObject();
    // The path lies on half points: (150.5, 175.5) to (250.5, 225.5).
    EXPECT_TRUE(object->hitTest({150.6f, 200}));
    EXPECT_TRUE(object->hitTest({200, 200}));
    EXPECT_FALSE(object->hitTest({150.4f, 200}));
    EXPECT_FALSE(object->hitTest({251, 200}));
    EXPECT_FALSE(object->hitTest({200, 174}));
    // Only a selected object answers for its knobs outside the path.
    EXPECT_FALSE(object->hitTest({147, 172}));
    object->setSelected(true);
    EXPECT_TRUE(object->hitTest({147, 172}));
    // While drawing a thumbnail the object is not selected.
    object->setDrawingThumbnail(true);
    EXPECT_FALSE(object->hitTest({147, 172}));
}

TEST(TMObjectGeometry, IntersectionTest) {
    TestHost host;
    TMObjectRef object = makeObject();
    EXPECT_TRUE(object->intersectionTest({100, 100, 300, 300}));   // wholly inside
    EXPECT_FALSE(object->intersectionTest({0, 0, 100, 100}));      // misses
    EXPECT_TRUE(object->intersectionTest({190, 190, 100, 100}));   // overlaps
    EXPECT_FALSE(object->intersectionTest({150, 175, 0.25f, 50})); // only the frame's thin edge

    // The corner of a turned square is outside it.
    TMObjectRef diamond = TMObject::newTemplateObjectWithOriginSize({0, 0}, {100, 100});
    diamond->setRotation(45);
    const Rect f = diamond->frame();
    EXPECT_FALSE(diamond->intersectionTest({f.minX(), f.minY(), 15, 15}));
    EXPECT_TRUE(diamond->intersectionTest({f.minX(), f.midY() - 5, 15, 10}));
}

TEST(TMObjectGeometry, ObjectDraggedOutOfItsViewComesBack) {
    TestHost host;
    View view;
    view.resize(400, 300);
    TMObjectRef object = makeObject();
    object->setLastDrawnInView(&view);
    object->moveBy({-400, 0}); // frame (-250, 175, 100, 50): wholly left
    EXPECT_EQ(object->frame().minX(), 0);
    EXPECT_EQ(object->center().y, 200);

    object->setCenter({900, 900}); // wholly right and above
    EXPECT_EQ(object->frame().maxX(), 400);
    EXPECT_EQ(object->frame().maxY(), 300);

    // The zoom factor scales the bounds.
    object->setZoomFactor(2);
    object->setCenter({700, 200});
    EXPECT_EQ(object->center().x, 700);

    // Only views are taken; a view that went away is let go.
    QObject notAView;
    object->setLastDrawnInView(&notAView);
    EXPECT_EQ(object->lastDrawnInView(), &view);
    object->setLastDrawnInView(nullptr);
    EXPECT_EQ(object->lastDrawnInView(), nullptr);
    auto gone = std::make_unique<View>();
    object->setLastDrawnInView(gone.get());
    gone.reset();
    EXPECT_EQ(object->lastDrawnInView(), nullptr);
    object->setCenter({-900, -900});
    EXPECT_EQ(object->center(), (Point{-900, -900}));
}

TEST(TMObjectGeometry, ControlPointIsTheCentre) {
    TestHost host;
    TMObjectRef object = makeObject();
    EXPECT_EQ(object->controlPt(3), (Point{200, 200}));
    object->setControlPtTo(7, {10, 20});
    EXPECT_EQ(object->center(), (Point{10, 20}));
    EXPECT_EQ(object->rotatePointOnCenterMagnitude({30, 20}, 1), (Point{30, 20}));
    object->setRotation(90);
    const Point p = object->rotatePointOnCenterMagnitude({30, 20}, 1);
    EXPECT_NEAR(p.x, 10, 1e-4);
    EXPECT_NEAR(p.y, 40, 1e-4);
    const Point back = object->rotatePointOnCenterMagnitude(p, -1);
    EXPECT_NEAR(back.x, 30, 1e-4);
    EXPECT_NEAR(back.y, 20, 1e-4);
}
