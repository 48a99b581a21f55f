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

using ShadeTable = std::array<quint32, 256>;

// Tinted, premultiplied pixels by coverage.
ShadeTable shadeTable(const QColor& color) {
    const QRgb tint = color.rgba();
    const quint32 ca = quint32(qAlpha(tint)), cr = quint32(qRed(tint)), cg = quint32(qGreen(tint)),
                  cb = quint32(qBlue(tint));
    ShadeTable shade;
    for (quint32 v = 0; v < 256; ++v) {
        const quint32 a = (v * ca + 127) / 255;
        shade[v] = qRgba(int((cr * a + 127) / 255), int((cg * a + 127) / 255),
                         int((cb * a + 127) / 255), int(a));
    }
    return shade;
}

void tintRow(const uchar* src, quint32* dst, int n, const ShadeTable& shade) {
    for (int x = 0; x < n; ++x)
        dst[x] = shade[src[x]];
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
                            const std::function<void(QPainter&)>& paint,
                            const QByteArray& contentKey, const QPointF& keyOrigin) {
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
    const bool raster =
        painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
    if (!contentKey.isEmpty() && raster && shadow.rasterScale == 1.0 &&
        renderCached(painter, deviceBounds, visible, shadow, sigma, paint, contentKey, keyOrigin))
        return;
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
    ++_blurCount;

    const QPainter::CompositionMode mode = painter.compositionMode();
    const qreal opacity = painter.opacity();
    painter.setWorldTransform(QTransform());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    const QPointF origin((pixels.x() + whole.x()) / scale, (pixels.y() + whole.y()) / scale);
    if (raster && scale == 1.0) {
        drawTinted(painter, _mask.data(), stride, QRect(0, 0, w, h), origin.toPoint(),
                   shadow.color);
    } else {
        QImage layer(w, h, QImage::Format_ARGB32_Premultiplied);
        if (!layer.isNull()) {
            const auto shade = shadeTable(shadow.color);
            for (int y = 0; y < h; ++y)
                tintRow(_mask.data() + size_t(y) * size_t(stride),
                        reinterpret_cast<quint32*>(layer.scanLine(y)), w, shade);
            painter.drawImage(QRectF(origin, QSizeF(w / scale, h / scale)), layer);
        }
    }
    painter.setOpacity(opacity);
    painter.setCompositionMode(mode);
    painter.setWorldTransform(world);
}

void ShadowRenderer::drawTinted(QPainter& painter, const uchar* mask, qsizetype stride,
                                const QRect& rows, const QPoint& at, const QColor& color) {
    // Bands keep the tinted copy small.
    const auto shade = shadeTable(color);
    const int w = rows.width(), h = rows.height();
    const int bandRows = int(std::clamp<qint64>(kBandPixels / w, 1, h));
    _band.resize(size_t(w) * size_t(bandRows));
    for (int y = 0; y < h; y += bandRows) {
        const int count = std::min(bandRows, h - y);
        for (int i = 0; i < count; ++i)
            tintRow(mask + size_t(rows.y() + y + i) * size_t(stride) + rows.x(),
                    _band.data() + size_t(i) * size_t(w), w, shade);
        const QImage band(reinterpret_cast<const uchar*>(_band.data()), w, count, w * 4,
                          QImage::Format_ARGB32_Premultiplied);
        painter.drawImage(QPoint(at.x(), at.y() + y), band);
    }
}

bool ShadowRenderer::renderCached(QPainter& painter, const QRectF& deviceBounds,
                                  const QRectF& visible, const Shadow& shadow, double sigma,
                                  const std::function<void(QPainter&)>& paint,
                                  const QByteArray& key, const QPointF& keyOrigin) {
    const QTransform world = painter.worldTransform();
    const double extent = blurExtent(sigma);
    const QRectF reach =
        visible.translated(-shadow.offset).adjusted(-extent, -extent, extent, extent);
    if ((deviceBounds & reach).isEmpty())
        return true;
    const QRectF area = deviceBounds.adjusted(-extent, -extent, extent, extent);
    if (!(std::max({std::fabs(area.left()), std::fabs(area.right()), std::fabs(area.top()),
                    std::fabs(area.bottom())}) <= kMaxPixelCoordinate))
        return false;
    const QPointF anchor = world.map(keyOrigin) + shadow.offset;

    // A mask blurred for the same drawing whose place differs by whole pixels
    // gives the same pixels moved.
    auto found = std::find_if(_cache.begin(), _cache.end(), [&](const CachedMask& c) {
        if (c.m11 != world.m11() || c.m12 != world.m12() || c.m21 != world.m21() ||
            c.m22 != world.m22() || c.sigma != sigma || c.hints != painter.renderHints() ||
            c.key != key)
            return false;
        const QPointF d = anchor - c.anchor;
        return std::fabs(d.x() - std::round(d.x())) < 1e-7 &&
               std::fabs(d.y() - std::round(d.y())) < 1e-7;
    });
    if (found == _cache.end()) {
        const QRect pixels = area.toAlignedRect();
        if (pixels.isEmpty() || qint64(pixels.width()) * pixels.height() > kMaxCachedPixels)
            return false;
        const QPointF shift = shadow.offset;
        const QPoint whole(int(std::lround(shift.x())), int(std::lround(shift.y())));
        const QPointF part = shift - QPointF(whole);
        CachedMask entry{key,
                         world.m11(),
                         world.m12(),
                         world.m21(),
                         world.m22(),
                         sigma,
                         painter.renderHints(),
                         anchor,
                         pixels.topLeft() + whole,
                         pixels.width(),
                         pixels.height(),
                         std::vector<uchar>(size_t(pixels.width()) * size_t(pixels.height()), 0)};
        {
            QImage mask(entry.alpha.data(), entry.width, entry.height, entry.width,
                        QImage::Format_Alpha8);
            QPainter mp(&mask);
            mp.setRenderHints(painter.renderHints());
            mp.setWorldTransform(
                world * QTransform::fromTranslate(part.x() - pixels.x(), part.y() - pixels.y()));
            paint(mp);
        }
        blurAlpha(entry.alpha.data(), entry.width, entry.height, entry.width, sigma);
        ++_blurCount;
        qint64 bytes = qint64(entry.alpha.size());
        _cache.insert(_cache.begin(), std::move(entry));
        size_t keep = 1;
        while (keep < _cache.size() && (bytes += qint64(_cache[keep].alpha.size())) <= kCacheBytes)
            ++keep;
        _cache.resize(keep);
        found = _cache.begin();
    } else if (found != _cache.begin()) {
        std::rotate(_cache.begin(), found, found + 1);
        found = _cache.begin();
    }
    const CachedMask& c = *found;
    const QPointF d = anchor - c.anchor;
    const QPoint origin = c.origin + QPoint(int(std::lround(d.x())), int(std::lround(d.y())));
    // Only the rows and columns that can show are tinted.
    const QRect shown = QRect(origin, QSize(c.width, c.height)) & visible.toAlignedRect();
    if (shown.isEmpty())
        return true;
    const QPainter::CompositionMode mode = painter.compositionMode();
    const qreal opacity = painter.opacity();
    painter.setWorldTransform(QTransform());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    drawTinted(painter, c.alpha.data(), c.width, shown.translated(-origin), shown.topLeft(),
               shadow.color);
    painter.setOpacity(opacity);
    painter.setCompositionMode(mode);
    painter.setWorldTransform(world);
    return true;
}
