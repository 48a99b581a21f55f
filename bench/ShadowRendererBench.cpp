// Cost of drop shadows at output resolution: a 1000 x 1000 point object on a
// page rendered at 300 dpi, with the page objects' default shadow (blur 6
// points, offset 10 points at minus 45 degrees, black at 75 %).
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ShadowRenderer.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

constexpr double kPixelsPerPoint = 300.0 / 72.0;
constexpr float kPagePoints = 1100;
constexpr float kObjectPoints = 1000;
const ShadowValue kShadow{{7.071068f, -7.071068f}, 6, QColor(0, 0, 0, 191)};

QImage page() {
    const int side = int(kPagePoints * kPixelsPerPoint);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

const Rect kObject{50, 50, kObjectPoints, kObjectPoints};

void fillObject(benchmark::State& state, bool withShadow) {
    QImage target = page();
    QPainter painter(&target);
    GraphicsContext ctx(painter, {kPagePoints, kPagePoints}, DestinationKind::Image);
    ctx.setFillColor(QColor(200, 60, 60));
    if (withShadow)
        ctx.setShadow(kShadow);
    const BezierPath path = BezierPath::bezierPathWithRect(kObject);
    for (auto _ : state) {
        ctx.fillPath(path);
        benchmark::ClobberMemory();
    }
}

void BM_FillObjectWithoutShadow(benchmark::State& state) {
    fillObject(state, false);
}
void BM_FillObjectWithShadow(benchmark::State& state) {
    fillObject(state, true);
}

// The photo cell's case: its rendered picture drawn onto the page with the shadow.
void BM_DrawPictureWithShadow(benchmark::State& state) {
    const int side = int(kObjectPoints * kPixelsPerPoint);
    QImage pixels(side, side, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(QColor(40, 120, 200));
    const Image picture(pixels, Size{kObjectPoints, kObjectPoints});
    QImage target = page();
    QPainter painter(&target);
    GraphicsContext ctx(painter, {kPagePoints, kPagePoints}, DestinationKind::Image);
    ctx.setShadow(kShadow);
    for (auto _ : state) {
        ctx.drawImage(picture, kObject, kZeroRect, CompositingOperation::SourceOver, 1);
        benchmark::ClobberMemory();
    }
}

// The blur alone on the layer such an object needs.
void BM_BlurLayerAlpha(benchmark::State& state) {
    const double sigma = kShadow.blurRadius * kPixelsPerPoint / 2;
    const int extent = ShadowRenderer::blurExtent(sigma);
    const int side = int(kObjectPoints * kPixelsPerPoint) + 2 * extent;
    std::vector<uchar> alpha(size_t(side) * size_t(side), 0);
    for (int y = extent; y < side - extent; ++y)
        std::fill_n(alpha.begin() + ptrdiff_t(y) * side + extent, side - 2 * extent, uchar(255));
    for (auto _ : state) {
        ShadowRenderer::blurAlpha(alpha.data(), side, side, side, sigma);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_FillObjectWithoutShadow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillObjectWithShadow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPictureWithShadow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurLayerAlpha)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
