#pragma once

#include "platform/PlatformExport.h"

#include <QColor>
#include <QPainter>
#include <functional>

// Draws the shadow that one drawing casts: the drawing is rendered into an
// offscreen layer, its alpha blurred (a Gaussian of standard deviation half the
// blur radius, made of three box passes), tinted with the shadow colour, and
// composited source-over at the offset, under whatever is drawn next. The layer
// covers only what can show through the current clip. On every device the
// shadow arrives as one image, so printers and PDF get it too.
class LUMISK_PLATFORM_EXPORT ShadowRenderer {
public:
    // Offset and blur in device units; rasterScale is layer pixels per device
    // unit (1 for images, the pixel ratio on screen, less on high-resolution printers).
    ShadowRenderer(QPointF deviceOffset, double deviceBlur, QColor color, double rasterScale);

    // paint draws with the painter's world transform at the time of the call;
    // deviceBounds (device coordinates) must hold all it touches.
    void render(QPainter& painter, const QRectF& deviceBounds,
                const std::function<void(QPainter&)>& paint) const;

    // Blurs 8-bit values in place, zero outside. sigma in pixels.
    static void blurAlpha(uchar* data, int width, int height, qsizetype stride, double sigma);
    // How far the blur spreads a pixel, in pixels.
    static int blurExtent(double sigma);

    // Layers are kept below this many pixels by lowering their resolution.
    static constexpr qint64 kMaxLayerPixels = qint64(64) * 1024 * 1024;

private:
    QPointF _offset;
    double _blur;
    QColor _color;
    double _rasterScale;
};
