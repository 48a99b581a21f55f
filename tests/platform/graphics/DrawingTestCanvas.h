#pragma once

#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageFocus.h"

#include <QImage>
#include <cmath>
#include <memory>

// An image in focus for drawing tests, read back by user coordinates.
class DrawingTestCanvas {
public:
    DrawingTestCanvas(float width, float height, bool flipped = false, QImage pixels = QImage()) {
        if (!pixels.isNull())
            _image = Image(std::move(pixels), Size{width, height});
        _image.setSize({width, height});
        _image.setFlipped(flipped);
        _focus = std::make_unique<ImageFocus>(_image);
    }

    GraphicsContext& context() { return *_focus->context(); }
    Image& image() { return _image; }

    // Ends the focus; the image then holds the drawing.
    const QImage& pixels() {
        _focus->unlockFocus();
        return _image.pixels();
    }

    // The pixel under a point of the canvas's own coordinates (points; y upward
    // unless flipped).
    QColor at(double x, double y) {
        const QImage& p = pixels();
        const double sx = p.width() / double(_image.size().width);
        const double sy = p.height() / double(_image.size().height);
        const int px = int(std::floor(x * sx));
        const int py =
            _image.isFlipped() ? int(std::floor(y * sy)) : int(std::floor(p.height() - y * sy));
        return p.pixelColor(px, py);
    }

private:
    Image _image;
    std::unique_ptr<ImageFocus> _focus;
};
