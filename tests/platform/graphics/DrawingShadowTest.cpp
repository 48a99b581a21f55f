#include "DrawingTestCanvas.h"

#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/ShadowRenderer.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const ShadowValue kHardShadow{{10, 10}, 0, Qt::black};

void fillRect(GraphicsContext& ctx, const Rect& r, const QColor& color = Qt::red) {
    ctx.setFillColor(color);
    ctx.fillPath(BezierPath::bezierPathWithRect(r));
}

bool isRed(const QColor& c) {
    return c.red() > 240 && c.green() < 15 && c.alpha() > 240;
}
bool isBlack(const QColor& c) {
    return c.red() < 15 && c.green() < 15 && c.alpha() > 240;
}
bool isClear(const QColor& c) {
    return c.alpha() < 10;
}

} // namespace

TEST(DrawingShadow, PositiveHeightOffsetMovesTheShadowUpOnThePage) {
    DrawingTestCanvas canvas(100, 100);
    canvas.context().setShadow(kHardShadow);
    fillRect(canvas.context(), {20, 20, 30, 30});
    EXPECT_TRUE(isRed(canvas.at(35, 35)));   // the drawing covers its own shadow
    EXPECT_TRUE(isBlack(canvas.at(55, 55))); // up and to the right
    EXPECT_TRUE(isClear(canvas.at(25, 15))); // nothing below
    EXPECT_TRUE(isClear(canvas.at(15, 55))); // nothing to the left
}

TEST(DrawingShadow, FlippedScreenContextKeepsThePageDirection) {
    QImage device(100, 100, QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::transparent);
    {
        QPainter painter(&device);
        GraphicsContext ctx(painter, {100, 100}, DestinationKind::Screen, true);
        ctx.setShadow(kHardShadow);
        fillRect(ctx, {20, 20, 30, 30}); // device rows 20 to 50
    }
    EXPECT_TRUE(isBlack(device.pixelColor(55, 15))); // above, on the page
    EXPECT_TRUE(isClear(device.pixelColor(55, 55)));
}

TEST(DrawingShadow, FlippedImageCastsInItsOwnDownwardSpace) {
    DrawingTestCanvas canvas(100, 100, true);
    canvas.context().setShadow(kHardShadow);
    fillRect(canvas.context(), {20, 20, 30, 30});
    const QImage& px = canvas.pixels();
    EXPECT_TRUE(isBlack(px.pixelColor(55, 55))); // towards larger y: down
    EXPECT_TRUE(isClear(px.pixelColor(55, 15)));
}

TEST(DrawingShadow, TransformsDoNotTurnOrScaleTheShadow) {
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    AffineTransform t;
    t.translateXByYBy(35, 35);
    t.rotateByDegrees(180);
    t.scaleBy(0.5f);
    ctx.concat(t);
    ctx.setShadow(kHardShadow);
    fillRect(ctx, {-30, -30, 60, 60}); // the same square as above
    EXPECT_TRUE(isBlack(canvas.at(55, 55)));
    EXPECT_TRUE(isClear(canvas.at(17, 40))); // where a turned, shrunk offset would fall
    EXPECT_TRUE(isClear(canvas.at(40, 17)));
}

TEST(DrawingShadow, OffsetAndBlurScaleWithTheImageResolution) {
    // 300 x 300 pixels for 100 x 100 points: a 10-point offset is 30 pixels.
    DrawingTestCanvas canvas(100, 100, false, [] {
        QImage q(300, 300, QImage::Format_ARGB32_Premultiplied);
        q.fill(Qt::transparent);
        return q;
    }());
    canvas.context().setShadow(kHardShadow);
    fillRect(canvas.context(), {20, 20, 30, 30});
    EXPECT_TRUE(isBlack(canvas.at(58, 58)));
    EXPECT_TRUE(isClear(canvas.at(61, 58)));
}

TEST(DrawingShadow, BlurGivesASoftEdgeCentredOnTheHardOne) {
    DrawingTestCanvas canvas(200, 100);
    canvas.context().setShadow({{0, -40}, 8, Qt::black});
    fillRect(canvas.context(), {50, 60, 100, 30}); // shadow spans y 20 to 50
    // Along x = 100 across the shadow's top edge at y = 50 (the drawing starts at 60).
    const int edge = 50;
    EXPECT_NEAR(canvas.at(100, edge).alphaF(), 0.5, 0.08);
    double previous = 1.0;
    for (int d = -9; d <= 9; ++d) {
        const double a = canvas.at(100, edge + d + 0.5).alphaF();
        EXPECT_LE(a, previous + 0.01) << d; // fades outward
        previous = a;
        const double mirror = canvas.at(100, edge - d - 0.5).alphaF();
        EXPECT_NEAR(a + mirror, 1.0, 0.05) << d; // symmetric about the edge
    }
    EXPECT_GT(canvas.at(100, 40).alphaF(), 0.97);
    EXPECT_LT(canvas.at(100, 58).alphaF(), 0.03);
    const double inside = canvas.at(100, edge - 3).alphaF();
    EXPECT_GT(inside, 0.6); // graded, not a hard step
    EXPECT_LT(inside, 0.97);
}

TEST(DrawingShadow, ColourAlphaAndFadedDrawingLightenTheShadow) {
    DrawingTestCanvas canvas(100, 100);
    canvas.context().setShadow({{10, 10}, 0, QColor(0, 0, 255, 128)});
    fillRect(canvas.context(), {20, 20, 30, 30}, QColor(255, 0, 0, 128));
    const QColor shadow = canvas.at(55, 55);
    EXPECT_NEAR(shadow.alphaF(), 0.25, 0.02);
    EXPECT_GT(shadow.blue(), 240);
}

TEST(DrawingShadow, ClipCutsTheShadowAndRestoreRemovesIt) {
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    ctx.saveGraphicsState();
    ctx.rectClip({0, 0, 52, 100});
    ctx.setShadow(kHardShadow);
    fillRect(ctx, {20, 20, 30, 30});
    ctx.restoreGraphicsState();
    fillRect(ctx, {20, 70, 10, 10}, Qt::blue);
    EXPECT_TRUE(isBlack(canvas.at(51, 55)));
    EXPECT_TRUE(isClear(canvas.at(55, 55)));
    EXPECT_TRUE(isClear(canvas.at(35, 75))); // the blue square casts none
}

TEST(DrawingShadow, StrokesImagesAndCustomDrawingCastShadows) {
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    ctx.setShadow(kHardShadow);
    BezierPath line;
    line.moveToPoint({10, 10});
    line.lineToPoint({40, 10});
    line.setLineWidth(4);
    ctx.strokePath(line);
    QImage red(10, 10, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    ctx.drawImage(Image(red), {60, 10, 10, 10}, kZeroRect, CompositingOperation::SourceOver, 1);
    ctx.drawWithPainter({10, 60, 10, 10},
                        [](QPainter& p) { p.fillRect(QRectF(10, 60, 10, 10), Qt::green); });
    EXPECT_TRUE(isBlack(canvas.at(30, 20)));
    EXPECT_TRUE(isBlack(canvas.at(75, 25)));
    EXPECT_TRUE(isBlack(canvas.at(25, 75)));
    EXPECT_TRUE(isRed(canvas.at(65, 15)));
}

TEST(DrawingShadow, PrinterContextsGetTheShadowAsAnImage) {
    // A printer at 1200 dpi: shadows are made at 300 dpi and scaled up.
    QImage device(400, 400, QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::white);
    {
        QPainter painter(&device);
        GraphicsContext ctx(painter, {24, 24}, DestinationKind::Printer);
        ctx.setShadow({{3, 3}, 0, Qt::black});
        fillRect(ctx, {6, 6, 6, 6});
    }
    auto at = [&](double x, double y) {
        return device.pixelColor(int(x * 400 / 24), int(400 - y * 400 / 24));
    };
    EXPECT_TRUE(isRed(at(9, 9)));
    EXPECT_TRUE(isBlack(at(14, 14)));
    EXPECT_EQ(at(10, 4), QColor(Qt::white));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("shadow.pdf"));
    {
        QPdfWriter pdf(file);
        pdf.setResolution(1200);
        QPainter painter(&pdf);
        const QRectF page(0, 0, pdf.width(), pdf.height());
        const QSizeF points = pdf.pageLayout().paintRect(QPageLayout::Point).size();
        GraphicsContext ctx(painter, Size::fromQSizeF(points), DestinationKind::Printer, false,
                            page);
        fillRect(ctx, {72, 72, 72, 72}, Qt::blue); // no shadow: vector only
        ctx.setShadow({{5, -5}, 4, Qt::black});
        fillRect(ctx, {200, 200, 72, 72});
    }
    QFile pdfFile(file);
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdfFile.readAll();
    EXPECT_EQ(bytes.count("/Subtype /Image"), 2); // the shadow and its soft mask
    EXPECT_TRUE(bytes.contains("/SMask"));
}

TEST(DrawingShadow, AbsurdShadowValuesStillDrawTheObject) {
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    ctx.setShadow({{NAN, 5}, 2, Qt::black});
    fillRect(ctx, {10, 10, 20, 20});
    ctx.setShadow({{1e30f, 1e30f}, 4, Qt::black});
    fillRect(ctx, {40, 10, 20, 20});
    ctx.setShadow({{0, 0}, 1e9f, Qt::black});
    fillRect(ctx, {70, 10, 20, 20});
    EXPECT_TRUE(isRed(canvas.at(20, 20)));
    EXPECT_TRUE(isRed(canvas.at(50, 20)));
    EXPECT_TRUE(isRed(canvas.at(80, 20)));
    EXPECT_TRUE(isClear(canvas.at(20, 35)));
}

TEST(DrawingShadow, BlurExtentGrowsWithSigmaAndZeroLeavesValues) {
    EXPECT_EQ(ShadowRenderer::blurExtent(0), 0);
    EXPECT_GT(ShadowRenderer::blurExtent(10), ShadowRenderer::blurExtent(2));
    EXPECT_GE(ShadowRenderer::blurExtent(10), 20);
    std::vector<uchar> data(21 * 21, 0);
    data[10 * 21 + 10] = 255;
    std::vector<uchar> same = data;
    ShadowRenderer::blurAlpha(same.data(), 21, 21, 21, 0);
    EXPECT_EQ(same, data);
    ShadowRenderer::blurAlpha(data.data(), 21, 21, 21, 1.5);
    EXPECT_LT(data[10 * 21 + 10], 255);
    EXPECT_EQ(data[10 * 21 + 9], data[10 * 21 + 11]);
    EXPECT_EQ(data[9 * 21 + 10], data[10 * 21 + 9]);
    EXPECT_EQ(data[0], 0);
}

TEST(DrawingShadow, KeptMaskFollowsAMovedDrawingPixelForPixel) {
    const ShadowRenderer::Shadow shadow{{3.5, 4}, 9, QColor(0, 0, 80, 200), 1};
    QPainterPath oval;
    oval.addEllipse(QRectF(0, 0, 37.3, 21.6));
    const QByteArray key("oval");
    const auto draw = [&](ShadowRenderer& renderer, const QPointF& at, const QRect& clip,
                          const QByteArray& k) {
        QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipRect(clip);
        painter.setWorldTransform(QTransform::fromScale(1.5, 1.5) *
                                  QTransform::fromTranslate(at.x(), at.y()));
        const QRectF bounds = painter.worldTransform().mapRect(oval.boundingRect());
        renderer.render(
            painter, bounds.adjusted(-1, -1, 1, 1), shadow,
            [&](QPainter& p) { p.fillPath(oval, Qt::black); }, k);
        return image;
    };
    struct Step {
        QPointF at;
        QRect clip;
        qint64 blurs; // by the keeping renderer so far
    };
    const Step steps[] = {
        {{20.25, 30.5}, {0, 0, 160, 120}, 1},
        {{47.25, 12.5}, {0, 0, 160, 120}, 1},  // whole pixels: kept
        {{60.25, 50.5}, {70, 40, 30, 25}, 1},  // a dirty rectangle only
        {{60.75, 50.5}, {0, 0, 160, 120}, 2},  // half a pixel: blurred again
        {{-20.25, 90.5}, {0, 0, 160, 120}, 2}, // partly off the device
    };
    ShadowRenderer keeping;
    for (const Step& step : steps) {
        ShadowRenderer fresh;
        const QImage expected = draw(fresh, step.at, step.clip, {});
        EXPECT_EQ(draw(keeping, step.at, step.clip, key), expected) << step.at.x();
        EXPECT_EQ(keeping.blurCount(), step.blurs) << step.at.x();
    }
    // Another drawing under another name is not taken for the kept one.
    oval = QPainterPath();
    oval.addRect(QRectF(0, 0, 10, 50));
    ShadowRenderer fresh;
    EXPECT_EQ(draw(keeping, {20.25, 30.5}, {0, 0, 160, 120}, "bar"),
              draw(fresh, {20.25, 30.5}, {0, 0, 160, 120}, {}));
}

TEST(DrawingShadow, ContextsGivenOneRendererShareItsBlurredShadows) {
    const auto paint = [](ShadowRenderer* shared) {
        QImage device(120, 120, QImage::Format_ARGB32_Premultiplied);
        device.fill(Qt::white);
        QPainter painter(&device);
        GraphicsContext ctx(painter, {120, 120}, DestinationKind::Screen, true);
        ctx.setShadowRenderer(shared);
        ctx.setShadow({{6, 6}, 8, Qt::black});
        fillRect(ctx, {20, 20, 40, 30});
        return device;
    };
    ShadowRenderer shared;
    const QImage first = paint(&shared);
    // A later repaint of the same view: the same pixels, no second blur.
    EXPECT_EQ(paint(&shared), first);
    EXPECT_EQ(shared.blurCount(), 1);
    EXPECT_EQ(paint(nullptr), first);
}
