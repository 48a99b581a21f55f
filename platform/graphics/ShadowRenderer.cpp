#include "platform/graphics/ShadowRenderer.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kPasses = 3;
// Rows of tinted shadow handed to the painter at a time.
constexpr qint64 kBandPixels = qint64(1) << 20;
// Mask pixels are addressed with ints; drawing that lies farther out than
// this (a huge offset or object) casts no shadow that a device could show.
constexpr double kMaxPixelCoordinate = double(1 << 29);

// Box widths whose three passes approximate a Gaussian of the given sigma.
std::array<int, kPasses> boxRadii(double sigma) {
    std::array<int, kPasses> radii{};
    if (!(sigma >= 0.25))
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

quint32 reciprocal(int r) {
    return (1u << 24) / quint32(2 * r + 1);
}

uchar scaled(quint32 sum, quint32 inverse) {
    return uchar((sum * inverse + (1u << 23)) >> 24);
}

void boxRow(const uchar* in, uchar* out, int n, int r) {
    const quint32 inverse = reciprocal(r);
    quint32 sum = 0;
    for (int i = 0; i < std::min(r, n); ++i)
        sum += in[i];
    for (int i = 0; i < n; ++i) {
        if (i + r < n)
            sum += in[i + r];
        out[i] = scaled(sum, inverse);
        if (i - r >= 0)
            sum -= in[i - r];
    }
}

// One vertical pass in place; the rows still to be subtracted are kept in a
// ring of r + 1 rows.
void boxColumns(uchar* data, int width, int height, qsizetype stride, int r,
                std::vector<quint32>& sums, std::vector<uchar>& ring) {
    const quint32 inverse = reciprocal(r);
    const int slots = r + 1;
    ring.resize(size_t(slots) * size_t(width));
    std::fill(sums.begin(), sums.end(), 0u);
    for (int y = 0; y < std::min(r, height); ++y) {
        const uchar* row = data + y * stride;
        for (int x = 0; x < width; ++x)
            sums[size_t(x)] += row[x];
    }
    for (int y = 0; y < height; ++y) {
        if (y + r < height) {
            const uchar* row = data + (y + r) * stride;
            for (int x = 0; x < width; ++x)
                sums[size_t(x)] += row[x];
        }
        uchar* line = data + y * stride;
        std::copy_n(line, width, ring.data() + size_t(y % slots) * size_t(width));
        for (int x = 0; x < width; ++x)
            line[x] = scaled(sums[size_t(x)], inverse);
        if (y - r >= 0) {
            const uchar* old = ring.data() + size_t((y - r) % slots) * size_t(width);
            for (int x = 0; x < width; ++x)
                sums[size_t(x)] -= old[x];
        }
    }
}

} // namespace

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
    std::vector<uchar> ring;
    for (int r : radii)
        if (r > 0)
            boxColumns(data, width, height, stride, r, sums, ring);
}

void ShadowRenderer::render(QPainter& painter, const QRectF& deviceBounds, const Shadow& shadow,
                            const std::function<void(QPainter&)>& paint) {
    if (shadow.color.alpha() == 0 || deviceBounds.isEmpty() || !painter.device() ||
        !std::isfinite(shadow.offset.x()) || !std::isfinite(shadow.offset.y()) ||
        !std::isfinite(shadow.blur))
        return;
    const QTransform world = painter.worldTransform();
    QRectF visible(0, 0, painter.device()->width(), painter.device()->height());
    if (painter.hasClipping()) {
        painter.setWorldTransform(QTransform());
        visible &= painter.clipBoundingRect();
        painter.setWorldTransform(world);
    }
    const double sigma = std::clamp(shadow.blur / 2, 0.0, kMaxSigma);
    double scale = shadow.rasterScale > 0 ? shadow.rasterScale : 1.0;
    QRect pixels;
    // Only drawing whose blurred, moved copy can land inside the clip matters.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const double extent = blurExtent(sigma * scale) / scale;
        const QRectF reach =
            visible.translated(-shadow.offset).adjusted(-extent, -extent, extent, extent);
        const QRectF needed = deviceBounds & reach;
        if (needed.isEmpty())
            return;
        const QRectF area = needed.adjusted(-extent, -extent, extent, extent);
        const QRectF scaled(area.x() * scale, area.y() * scale, area.width() * scale,
                            area.height() * scale);
        if (!(std::max({std::fabs(scaled.left()), std::fabs(scaled.right()),
                        std::fabs(scaled.top()), std::fabs(scaled.bottom())}) <=
              kMaxPixelCoordinate))
            return;
        pixels = scaled.toAlignedRect();
        const qint64 count = qint64(pixels.width()) * pixels.height();
        if (count <= kMaxMaskPixels)
            break;
        scale *= std::sqrt(double(kMaxMaskPixels) / double(count)) * 0.99;
    }
    if (pixels.isEmpty() || qint64(pixels.width()) * pixels.height() > kMaxMaskPixels)
        return;

    // The whole-pixel part of the offset moves the finished shadow; the rest
    // moves the drawing inside the mask, so the shadow lands on whole pixels.
    const QPointF shift = shadow.offset * scale;
    const QPoint whole(int(std::lround(shift.x())), int(std::lround(shift.y())));
    const QPointF part = shift - QPointF(whole);
    const int w = pixels.width(), h = pixels.height();
    const qsizetype stride = (w + 3) & ~3;
    _mask.resize(size_t(stride) * size_t(h));
    std::fill(_mask.begin(), _mask.end(), uchar(0));
    {
        QImage mask(_mask.data(), w, h, stride, QImage::Format_Alpha8);
        QPainter mp(&mask);
        mp.setRenderHints(painter.renderHints());
        mp.setWorldTransform(
            world * QTransform::fromScale(scale, scale) *
            QTransform::fromTranslate(part.x() - pixels.x(), part.y() - pixels.y()));
        paint(mp);
    }
    blurAlpha(_mask.data(), w, h, stride, sigma * scale);

    // Tinted pixels by coverage.
    const QRgb tint = shadow.color.rgba();
    const quint32 ca = quint32(qAlpha(tint)), cr = quint32(qRed(tint)), cg = quint32(qGreen(tint)),
                  cb = quint32(qBlue(tint));
    std::array<quint32, 256> shade;
    for (quint32 v = 0; v < 256; ++v) {
        const quint32 a = (v * ca + 127) / 255;
        shade[v] = qRgba(int((cr * a + 127) / 255), int((cg * a + 127) / 255),
                         int((cb * a + 127) / 255), int(a));
    }
    auto tintRows = [&](quint32* out, qsizetype outStride, int firstRow, int rows) {
        for (int y = 0; y < rows; ++y) {
            const uchar* src = _mask.data() + size_t(firstRow + y) * size_t(stride);
            quint32* dst = out + y * outStride;
            for (int x = 0; x < w; ++x)
                dst[x] = shade[src[x]];
        }
    };

    const QPainter::CompositionMode mode = painter.compositionMode();
    const qreal opacity = painter.opacity();
    painter.setWorldTransform(QTransform());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    const QPointF origin((pixels.x() + whole.x()) / scale, (pixels.y() + whole.y()) / scale);
    const bool raster =
        painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
    if (raster && scale == 1.0) {
        // Pixel for pixel: hand over bands, which keeps the tinted copy small.
        const int bandRows = int(std::clamp<qint64>(kBandPixels / w, 1, h));
        _band.resize(size_t(w) * size_t(bandRows));
        for (int y = 0; y < h; y += bandRows) {
            const int rows = std::min(bandRows, h - y);
            tintRows(_band.data(), w, y, rows);
            const QImage band(reinterpret_cast<const uchar*>(_band.data()), w, rows, w * 4,
                              QImage::Format_ARGB32_Premultiplied);
            painter.drawImage(origin + QPointF(0, y), band);
        }
    } else {
        QImage layer(w, h, QImage::Format_ARGB32_Premultiplied);
        if (!layer.isNull()) {
            tintRows(reinterpret_cast<quint32*>(layer.bits()), layer.bytesPerLine() / 4, 0, h);
            painter.drawImage(QRectF(origin, QSizeF(w / scale, h / scale)), layer);
        }
    }
    painter.setOpacity(opacity);
    painter.setCompositionMode(mode);
    painter.setWorldTransform(world);
}
