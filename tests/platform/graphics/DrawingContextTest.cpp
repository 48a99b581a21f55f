#include "DrawingTestCanvas.h"

#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

bool isRed(const QColor& c) {
    return c.red() > 240 && c.green() < 15 && c.alpha() > 240;
}
bool isClear(const QColor& c) {
    return c.alpha() < 10;
}

void fillRect(GraphicsContext& ctx, const Rect& r, const QColor& color = Qt::red) {
    ctx.setFillColor(color);
    ctx.fillPath(BezierPath::bezierPathWithRect(r));
}

} // namespace

TEST(DrawingContext, UnflippedImageHasOriginAtLowerLeft) {
    DrawingTestCanvas canvas(100, 100);
    fillRect(canvas.context(), {10, 10, 20, 20});
    const QImage& px = canvas.pixels();
    EXPECT_TRUE(isRed(px.pixelColor(20, 80))); // near the bottom of the picture
    EXPECT_TRUE(isClear(px.pixelColor(20, 20)));
}

TEST(DrawingContext, FlippedImageHasOriginAtUpperLeft) {
    DrawingTestCanvas canvas(100, 100, true);
    EXPECT_TRUE(canvas.context().isFlipped());
    fillRect(canvas.context(), {10, 10, 20, 20});
    const QImage& px = canvas.pixels();
    EXPECT_TRUE(isRed(px.pixelColor(20, 20)));
    EXPECT_TRUE(isClear(px.pixelColor(20, 80)));
}

TEST(DrawingContext, FlippedScreenContextRunsDownwardFromTheTop) {
    QImage device(100, 50, QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::transparent);
    {
        QPainter painter(&device);
        GraphicsContext up(painter, {100, 50}, DestinationKind::Screen, false);
        fillRect(up, {0, 0, 10, 10}, Qt::red);
    }
    {
        QPainter painter(&device);
        GraphicsContext down(painter, {100, 50}, DestinationKind::Screen, true);
        EXPECT_TRUE(down.isFlipped());
        fillRect(down, {50, 0, 10, 10}, Qt::blue);
    }
    EXPECT_TRUE(isRed(device.pixelColor(5, 45)));
    EXPECT_EQ(device.pixelColor(55, 5), QColor(Qt::blue));
    EXPECT_TRUE(isClear(device.pixelColor(55, 45)));
}

TEST(DrawingContext, ContextScalesPointsToThePainterArea) {
    // 200 x 100 device pixels showing 100 x 50 points.
    QImage device(200, 100, QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::transparent);
    {
        QPainter painter(&device);
        GraphicsContext ctx(painter, {100, 50}, DestinationKind::Printer);
        EXPECT_FALSE(ctx.isDrawingToScreen());
        fillRect(ctx, {0, 0, 50, 25});
    }
    EXPECT_TRUE(isRed(device.pixelColor(95, 55)));
    EXPECT_TRUE(isClear(device.pixelColor(105, 55)));
    EXPECT_TRUE(isClear(device.pixelColor(95, 45)));
}

TEST(DrawingContext, RotationByDegreesTurnsCounterClockwiseAboutTheCentre) {
    // A bar 40 long and 10 high, turned 90 degrees about (50, 50), stands upright;
    // a marker at its +x end lands above the centre on the page.
    for (bool flipped : {false, true}) {
        DrawingTestCanvas canvas(100, 100, flipped);
        GraphicsContext& ctx = canvas.context();
        AffineTransform t;
        t.translateXByYBy(50, 50);
        t.rotateByDegrees(90);
        ctx.concat(t);
        fillRect(ctx, {-20, -5, 40, 10});
        fillRect(ctx, {15, -5, 5, 10}, Qt::blue);
        t.invert();
        ctx.concat(t);
        fillRect(ctx, {0, 0, 4, 4}, Qt::green);
        SCOPED_TRACE(flipped);
        EXPECT_TRUE(isRed(canvas.at(50, 60)));
        EXPECT_TRUE(isClear(canvas.at(62, 50)));
        EXPECT_EQ(canvas.at(50, 67.5), QColor(Qt::blue));
        EXPECT_TRUE(isRed(canvas.at(50, 32.5)));
        EXPECT_EQ(canvas.at(2, 2), QColor(Qt::green)); // the inverse brings the origin back
    }
}

TEST(DrawingContext, SaveAndRestoreCoverClipTransformShadowAndColours) {
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    ctx.setFillColor(Qt::red);
    ctx.saveGraphicsState();
    ctx.rectClip({0, 0, 50, 100});
    AffineTransform t;
    t.translateXByYBy(5, 5);
    ctx.concat(t);
    ctx.setShadow({{3, -3}, 2, Qt::black});
    ctx.setFillColor(Qt::blue);
    ctx.setCompositingOperation(CompositingOperation::Copy);
    ctx.restoreGraphicsState();
    EXPECT_EQ(ctx.transform(), AffineTransform());
    EXPECT_FALSE(ctx.shadow().has_value());
    EXPECT_EQ(ctx.fillColor(), QColor(Qt::red));
    EXPECT_EQ(ctx.compositingOperation(), CompositingOperation::SourceOver);
    ctx.restoreGraphicsState(); // unbalanced: ignored
    ctx.rectFill({0, 0, 100, 100});
    EXPECT_TRUE(isRed(canvas.at(75, 50))); // the clip is gone
    EXPECT_TRUE(isRed(canvas.at(25, 50)));
}

TEST(DrawingContext, ClipLimitsDrawingUntilRestored) {
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    ctx.saveGraphicsState();
    ctx.addClip(BezierPath::bezierPathWithOvalInRect({0, 0, 100, 100}));
    ctx.addClip(BezierPath::bezierPathWithRect({0, 0, 100, 50}));
    fillRect(ctx, {0, 0, 100, 100});
    ctx.restoreGraphicsState();
    fillRect(ctx, {90, 90, 10, 10}, Qt::blue);
    EXPECT_TRUE(isRed(canvas.at(50, 25)));
    EXPECT_TRUE(isClear(canvas.at(50, 75))); // outside the second clip
    EXPECT_TRUE(isClear(canvas.at(3, 3)));   // outside the oval
    EXPECT_EQ(canvas.at(95, 95), QColor(Qt::blue));
}

TEST(DrawingContext, FocusStackFollowsNestedImages) {
    EXPECT_EQ(GraphicsContext::currentContext(), nullptr);
    Image outer;
    outer.setSize({20, 20});
    Image inner;
    inner.setSize({10, 10});
    {
        ImageFocus outerFocus(outer);
        ASSERT_NE(outerFocus.context(), nullptr);
        EXPECT_EQ(GraphicsContext::currentContext(), outerFocus.context());
        EXPECT_EQ(outerFocus.context()->destinationKind(), DestinationKind::Image);
        EXPECT_FALSE(outerFocus.context()->isDrawingToScreen());
        {
            ImageFocus innerFocus(inner);
            EXPECT_EQ(GraphicsContext::currentContext(), innerFocus.context());
            GraphicsContext::currentContext()->setFillColor(Qt::blue);
            BezierPath::bezierPathWithRect({0, 0, 10, 10}).fill();
        }
        EXPECT_EQ(GraphicsContext::currentContext(), outerFocus.context());
        GraphicsContext::currentContext()->setFillColor(Qt::red);
        BezierPath::bezierPathWithRect({0, 0, 5, 5}).fill();
    }
    EXPECT_EQ(GraphicsContext::currentContext(), nullptr);
    EXPECT_EQ(inner.pixels().size(), QSize(10, 10));
    EXPECT_EQ(inner.pixels().pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_TRUE(isRed(outer.pixels().pixelColor(2, 17)));
    EXPECT_TRUE(isClear(outer.pixels().pixelColor(10, 10)));
}

TEST(DrawingContext, ScreenFocusIsCurrentWhileHeld) {
    QImage device(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&device);
    GraphicsContext ctx(painter, {10, 10}, DestinationKind::Screen);
    EXPECT_TRUE(ctx.isDrawingToScreen());
    {
        GraphicsContext::Focus focus(ctx);
        EXPECT_EQ(GraphicsContext::currentContext(), &ctx);
    }
    EXPECT_EQ(GraphicsContext::currentContext(), nullptr);
}

TEST(DrawingContext, LockFocusDrawsAtTheImageResolution) {
    // 30 x 30 pixels for 10 x 10 points: three pixels per point.
    QImage start(30, 30, QImage::Format_RGB32);
    start.fill(Qt::white);
    Image image(start, Size{10, 10});
    {
        ImageFocus focus(image);
        focus.context()->setFillColor(Qt::red);
        focus.context()->fillPath(BezierPath::bezierPathWithRect({0, 0, 5, 5}));
    }
    const QImage& px = image.pixels();
    EXPECT_EQ(px.size(), QSize(30, 30));
    EXPECT_EQ(image.size(), (Size{10, 10}));
    EXPECT_TRUE(isRed(px.pixelColor(14, 16)));
    EXPECT_EQ(px.pixelColor(16, 16), QColor(Qt::white)); // kept pixels
    EXPECT_EQ(px.pixelColor(14, 14), QColor(Qt::white));
}

TEST(DrawingContext, ImageWithoutAreaGivesNoContext) {
    Image empty;
    ImageFocus focus(empty);
    EXPECT_EQ(focus.context(), nullptr);
    EXPECT_EQ(GraphicsContext::currentContext(), nullptr);
    BezierPath::bezierPathWithRect({0, 0, 5, 5}).fill(); // nowhere to draw: nothing happens
}

TEST(DrawingContext, TransformConcatAppliesBeforeTheCurrentOne) {
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    AffineTransform translate;
    translate.translateXByYBy(50, 0);
    AffineTransform scale;
    scale.scaleBy(2);
    ctx.concat(translate);
    ctx.concat(scale); // points are scaled first, then moved
    fillRect(ctx, {0, 0, 10, 10});
    EXPECT_TRUE(isRed(canvas.at(65, 15)));
    EXPECT_TRUE(isClear(canvas.at(45, 5)));
    EXPECT_TRUE(isClear(canvas.at(75, 5)));
}

TEST(DrawingAffineTransform, MapsPointsSizesAndPaths) {
    AffineTransform t;
    t.translateXByYBy(10, 20);
    t.rotateByDegrees(90);
    const Point p = t.transformPoint({1, 0});
    EXPECT_NEAR(p.x, 10, 1e-5);
    EXPECT_NEAR(p.y, 21, 1e-5);
    const Size s = t.transformSize({2, 0});
    EXPECT_NEAR(s.width, 0, 1e-5);
    EXPECT_NEAR(s.height, 2, 1e-5);
    const BezierPath moved = t.transformBezierPath(BezierPath::bezierPathWithRect({0, 0, 4, 2}));
    const Rect b = moved.bounds();
    EXPECT_NEAR(b.minX(), 8, 1e-5);
    EXPECT_NEAR(b.minY(), 20, 1e-5);
    EXPECT_NEAR(b.width(), 2, 1e-5);
    EXPECT_NEAR(b.height(), 4, 1e-5);

    AffineTransform inverse = t;
    inverse.invert();
    const Point back = inverse.transformPoint(p);
    EXPECT_NEAR(back.x, 1, 1e-5);
    EXPECT_NEAR(back.y, 0, 1e-5);

    AffineTransform flat;
    flat.scaleXByYBy(0, 1);
    EXPECT_FALSE(flat.isInvertible());
    AffineTransform unchanged = flat;
    unchanged.invert();
    EXPECT_EQ(unchanged, flat);

    AffineTransform appended;
    appended.scaleBy(2);
    AffineTransform shift;
    shift.translateXByYBy(1, 0);
    appended.appendTransform(shift); // scale, then move
    EXPECT_EQ(appended.transformPoint({1, 1}), (Point{3, 2}));
    AffineTransform prepended;
    prepended.scaleBy(2);
    prepended.prependTransform(shift); // move, then scale
    EXPECT_EQ(prepended.transformPoint({1, 1}), (Point{4, 2}));
    EXPECT_EQ(AffineTransform::fromQTransform(appended.toQTransform()), appended);
}
