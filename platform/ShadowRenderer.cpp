#include "platform/ShadowRenderer.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr int kPasses = 3;

// Box widths whose three passes approximate a Gaussian of the given sigma.
std::array<int, kPasses> boxRadii(double sigma) {
    std::array<int, kPasses> radii{};
    if (sigma < 0.25)
        return radii;
    const double ideal = std::sqrt(12.0 * sigma * sigma / kPasses + 1.0);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m =
        (12.0 * sigma * sigma - kPasses * lower * lower - 4.0 * kPasses * lower - 3.0 * kPasses) /
        (-4.0 * lower - 4.0);
    const int smaller = int(std::lround(m));
    for (int i = 0; i < kPasses; ++i)
        radii[size_t(i)] = ((i < smaller ? lower : upper) - 1) / 2;
    return radii;
}

void boxRow(const uchar* in, uchar* out, int n, int r) {
    const int size = 2 * r + 1;
    const quint32 scale = (1u << 24) / quint32(size);
    quint32 sum = 0;
    for (int i = 0; i < std::min(r, n); ++i)
        sum += in[i];
    for (int i = 0; i < n; ++i) {
        if (i + r < n)
            sum += in[i + r];
        out[i] = uchar((sum * scale + (1u << 23)) >> 24);
        if (i - r >= 0)
            sum -= in[i - r];
    }
}

void boxColumns(const uchar* in, uchar* out, int width, int height, qsizetype stride, int r,
                std::vector<quint32>& sums) {
    const int size = 2 * r + 1;
    const quint32 scale = (1u << 24) / quint32(size);
    std::fill(sums.begin(), sums.end(), 0u);
    for (int y = 0; y < std::min(r, height); ++y) {
        const uchar* row = in + y * stride;
        for (int x = 0; x < width; ++x)
            sums[size_t(x)] += row[x];
    }
    for (int y = 0; y < height; ++y) {
        if (y + r < height) {
            const uchar* row = in + (y + r) * stride;
            for (int x = 0; x < width; ++x)
                sums[size_t(x)] += row[x];
        }
        uchar* dst = out + y * stride;
        for (int x = 0; x < width; ++x)
            dst[x] = uchar((sums[size_t(x)] * scale + (1u << 23)) >> 24);
        if (y - r >= 0) {
            const uchar* row = in + (y - r) * stride;
            for (int x = 0; x < width; ++x)
                sums[size_t(x)] -= row[x];
        }
    }
}

} // namespace

ShadowRenderer::ShadowRenderer(QPointF deviceOffset, double deviceBlur, QColor color,
                               double rasterScale)
    : _offset(deviceOffset), _blur(std::max(0.0, deviceBlur)), _color(color),
      _rasterScale(rasterScale > 0 ? rasterScale : 1.0) {}

int ShadowRenderer::blurExtent(double sigma) {
    int extent = 0;
    for (int r : boxRadii(sigma))
        extent += r;
    return extent;
}

void ShadowRenderer::blurAlpha(uchar* data, int width, int height, qsizetype stride, double sigma) {
    if (width <= 0 || height <= 0)
        return;
    const auto radii = boxRadii(sigma);
    std::vector<uchar> scratch(size_t(stride) * size_t(height));
    std::vector<uchar> row(static_cast<size_t>(width));
    for (int r : radii) {
        if (r <= 0)
            continue;
        for (int y = 0; y < height; ++y) {
            uchar* line = data + y * stride;
            boxRow(line, row.data(), width, r);
            std::copy(row.begin(), row.end(), line);
        }
    }
    std::vector<quint32> sums(static_cast<size_t>(width));
    uchar* a = data;
    uchar* b = scratch.data();
    for (int r : radii) {
        if (r <= 0)
            continue;
        boxColumns(a, b, width, height, stride, r, sums);
        std::swap(a, b);
    }
    if (a != data)
        for (int y = 0; y < height; ++y)
            std::copy_n(a + y * stride, width, data + y * stride);
}

void ShadowRenderer::render(QPainter& painter, const QRectF& deviceBounds,
                            const std::function<void(QPainter&)>& paint) const {
    if (_color.alpha() == 0 || deviceBounds.isEmpty() || !painter.device())
        return;
    const QTransform world = painter.worldTransform();
    QRectF visible(0, 0, painter.device()->width(), painter.device()->height());
    if (painter.hasClipping()) {
        painter.setWorldTransform(QTransform());
        visible &= painter.clipBoundingRect();
        painter.setWorldTransform(world);
    }
    const double sigma = _blur / 2;
    double scale = _rasterScale;
    QRect pixels;
    double extent = 0;
    // Only drawing whose blurred, moved copy can land inside the clip matters.
    for (int attempt = 0; attempt < 4; ++attempt) {
        extent = blurExtent(sigma * scale) / scale;
        const QRectF reach =
            visible.translated(-_offset).adjusted(-extent, -extent, extent, extent);
        const QRectF needed = deviceBounds & reach;
        if (needed.isEmpty())
            return;
        const QRectF layer = needed.adjusted(-extent, -extent, extent, extent);
        pixels = QRectF(layer.x() * scale, layer.y() * scale, layer.width() * scale,
                        layer.height() * scale)
                     .toAlignedRect();
        const qint64 count = qint64(pixels.width()) * pixels.height();
        if (count <= kMaxLayerPixels)
            break;
        scale *= std::sqrt(double(kMaxLayerPixels) / double(count)) * 0.99;
    }
    if (pixels.isEmpty())
        return;

    QImage layer(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return;
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHints(painter.renderHints());
        lp.setWorldTransform(world * QTransform::fromScale(scale, scale) *
                             QTransform::fromTranslate(-pixels.x(), -pixels.y()));
        paint(lp);
    }

    const int w = layer.width(), h = layer.height();
    std::vector<uchar> alpha(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const quint32*>(layer.constScanLine(y));
        uchar* dst = alpha.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            dst[x] = uchar(qAlpha(src[x]));
    }
    blurAlpha(alpha.data(), w, h, w, sigma * scale);

    const QRgb tint = _color.rgba();
    const quint32 ca = quint32(qAlpha(tint)), cr = quint32(qRed(tint)), cg = quint32(qGreen(tint)),
                  cb = quint32(qBlue(tint));
    for (int y = 0; y < h; ++y) {
        auto* dst = reinterpret_cast<quint32*>(layer.scanLine(y));
        const uchar* src = alpha.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const quint32 a = (quint32(src[x]) * ca + 127) / 255;
            dst[x] = qRgba(int((cr * a + 127) / 255), int((cg * a + 127) / 255),
                           int((cb * a + 127) / 255), int(a));
        }
    }

    const QPainter::CompositionMode mode = painter.compositionMode();
    const qreal opacity = painter.opacity();
    painter.setWorldTransform(QTransform());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    const QRectF target(pixels.x() / scale + _offset.x(), pixels.y() / scale + _offset.y(),
                        pixels.width() / scale, pixels.height() / scale);
    painter.drawImage(target, layer);
    painter.setOpacity(opacity);
    painter.setCompositionMode(mode);
    painter.setWorldTransform(world);
}
