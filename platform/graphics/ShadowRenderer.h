#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QColor>
#include <QPainter>
#include <functional>
#include <vector>

// Draws the shadow that one drawing casts: the drawing's coverage is rendered
// into an offscreen mask, blurred (a Gaussian of standard deviation half the
// blur radius, made of three box passes), tinted with the shadow colour, and
// composited source-over at the offset, under whatever is drawn next. The mask
// covers only what can show through the current clip. On every device the
// shadow arrives as an image, so printers and PDF get it too.
//
// A renderer keeps its buffers between shadows, so one per context saves
// allocating them for every drawing.
class LUMISK_PLATFORM_EXPORT ShadowRenderer {
public:
    struct Shadow {
        QPointF offset;  // device units
        double blur = 0; // device units
        QColor color;
        double rasterScale = 1; // mask pixels per device unit
    };

    // paint draws with the painter's world transform at the time of the call;
    // deviceBounds (device coordinates) must hold all it touches. A non-empty
    // contentKey names what paint draws in user space: on the raster engine at
    // one mask pixel per device pixel, the blurred mask is then kept and reused
    // while the key, blur and the world transform up to a whole-pixel move stay
    // the same, so a dragged object is not blurred again at every step. The key
    // describes the drawing relative to keyOrigin (user space), so a drawing
    // that moves itself can keep its key.
    void render(QPainter& painter, const QRectF& deviceBounds, const Shadow& shadow,
                const std::function<void(QPainter&)>& paint, const QByteArray& contentKey = {},
                const QPointF& keyOrigin = {});

    // How many masks this renderer has blurred.
    qint64 blurCount() const { return _blurCount; }

    // Blurs 8-bit values in place, zero outside. sigma in pixels.
    static void blurAlpha(uchar* data, int width, int height, qsizetype stride, double sigma);
    // How far the blur spreads a pixel, in pixels.
    static int blurExtent(double sigma);

    // Masks are kept below this many pixels by lowering their resolution.
    static constexpr qint64 kMaxMaskPixels = qint64(64) * 1024 * 1024;
    // The blur's standard deviation is held to this (device units), so absurd
    // values cost neither unbounded memory nor time.
    static constexpr double kMaxSigma = 512;

    // Bytes of blurred masks kept for reuse, and the largest mask kept.
    static constexpr qint64 kCacheBytes = qint64(32) * 1024 * 1024;
    static constexpr qint64 kMaxCachedPixels = qint64(4) * 1024 * 1024;

private:
    struct CachedMask {
        QByteArray key;
        double m11, m12, m21, m22;
        double sigma;
        QPainter::RenderHints hints;
        QPointF anchor; // world translation plus offset when blurred
        QPoint origin;  // device pixel of the mask's top left
        int width, height;
        std::vector<uchar> alpha; // width × height
    };

    bool renderCached(QPainter& painter, const QRectF& deviceBounds, const QRectF& visible,
                      const Shadow& shadow, double sigma,
                      const std::function<void(QPainter&)>& paint, const QByteArray& key,
                      const QPointF& keyOrigin);
    void drawTinted(QPainter& painter, const uchar* mask, qsizetype stride, const QRect& rows,
                    const QPoint& at, const QColor& color);

    std::vector<uchar> _mask;
    std::vector<quint32> _band;
    std::vector<CachedMask> _cache; // most recently used first
    qint64 _blurCount = 0;
};
