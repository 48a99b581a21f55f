#include "platform/graphics/ImageFocus.h"

#include <cmath>

ImageFocus::ImageFocus(Image& image) : _image(image) {
    // Taken out while drawing, so that the painter works in place instead of
    // copying pixels the image would otherwise still share.
    _pixels = image.pixels();
    image.setPixels(QImage());
    const bool hadPixels = !_pixels.isNull();
    Size size = image.size();
    if (!hadPixels) {
        const int w = int(std::ceil(double(size.width)));
        const int h = int(std::ceil(double(size.height)));
        if (w <= 0 || h <= 0)
            return;
        _pixels = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
        if (_pixels.isNull())
            return;
        _pixels.fill(Qt::transparent);
    } else if (_pixels.format() != QImage::Format_ARGB32_Premultiplied) {
        _pixels.convertTo(QImage::Format_ARGB32_Premultiplied);
    }
    _pixels.setDevicePixelRatio(1.0);
    if (!(size.width > 0) || !(size.height > 0))
        size = {float(_pixels.width()), float(_pixels.height())};
    if (!_painter.begin(&_pixels)) {
        if (hadPixels)
            image.setPixels(std::move(_pixels));
        return;
    }
    _context = std::make_unique<GraphicsContext>(_painter, size, DestinationKind::Image,
                                                 image.isFlipped());
    GraphicsContext::pushFocus(_context.get());
    _locked = true;
}

ImageFocus::~ImageFocus() {
    unlockFocus();
}

void ImageFocus::unlockFocus() {
    if (!_locked)
        return;
    _locked = false;
    _context.reset(); // leaves the focus stack with it
    _painter.end();
    if (_image.size().width <= 0 || _image.size().height <= 0)
        _image.setSize({float(_pixels.width()), float(_pixels.height())});
    _image.setPixels(_pixels);
}
