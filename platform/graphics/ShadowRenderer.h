#pragma once

#include "platform/foundation/PlatformExport.h"

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
    // deviceBounds (device coordinates) must hold all it touches.
    void render(QPainter& painter, const QRectF& deviceBounds, const Shadow& shadow,
                const std::function<void(QPainter&)>& paint);

    // Blurs 8-bit values in place, zero outside. sigma in pixels.
    static void blurAlpha(uchar* data, int width, int height, qsizetype stride, double sigma);
    // How far the blur spreads a pixel, in pixels.
    static int blurExtent(double sigma);

    // Masks are kept below this many pixels by lowering their resolution.
    static constexpr qint64 kMaxMaskPixels = qint64(64) * 1024 * 1024;
    // The blur's standard deviation is held to this (device units), so absurd
    // values cost neither unbounded memory nor time.
    static constexpr double kMaxSigma = 512;

private:
    std::vector<uchar> _mask;
    std::vector<quint32> _band;
};
