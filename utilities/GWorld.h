#pragma once

#include "utilities/QDRect.h"

#include <QImage>
#include <memory>

// An offscreen pixel buffer: pixels over a rectangle whose top-left corner need
// not be the origin. The pixels always cover exactly the bounds.
class GWorld {
public:
    // Null when the bounds are empty or the pixels cannot be had.
    static std::shared_ptr<GWorld> make(const QDRect& bounds, QImage::Format format);

    const QDRect& bounds() const { return _bounds; }
    int pixelSize() const { return _pixels.depth(); }
    // Bytes from one row to the next. Wide buffers need the whole stride, so it
    // has no flag bits to mask.
    qsizetype rowBytes() const { return _pixels.bytesPerLine(); }

    QImage& pixels() { return _pixels; }
    const QImage& pixels() const { return _pixels; }

private:
    GWorld(const QDRect& bounds, QImage pixels) : _bounds(bounds), _pixels(std::move(pixels)) {}

    QDRect _bounds;
    QImage _pixels;
};

using GWorldPtr = std::shared_ptr<GWorld>;
