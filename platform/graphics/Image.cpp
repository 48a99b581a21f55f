#include "platform/graphics/Image.h"

#include "platform/graphics/GraphicsContext.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>

Image::Image(QImage pixels)
    : _pixels(std::move(pixels)), _size{float(_pixels.width()), float(_pixels.height())} {}

Image::Image(QImage pixels, Size sizeInPoints) : _pixels(std::move(pixels)), _size(sizeInPoints) {}

double Image::scaleX() const {
    return _size.width > 0 ? _pixels.width() / double(_size.width) : 1.0;
}

double Image::scaleY() const {
    return _size.height > 0 ? _pixels.height() / double(_size.height) : 1.0;
}

bool operator==(const Image& a, const Image& b) {
    return a._size == b._size && a._flipped == b._flipped && a._iccProfile == b._iccProfile &&
           a._pixels == b._pixels;
}

Image Image::fromQImage(QImage pixels, double pixelsPerPoint) {
    const double scale = pixelsPerPoint > 0 ? pixelsPerPoint : 1.0;
    const Size size{float(pixels.width() / scale), float(pixels.height() / scale)};
    return Image(std::move(pixels), size);
}

Image Image::fromFileData(const QByteArray& data) {
    if (data.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    const QImage pixels = reader.read();
    if (pixels.isNull())
        return {};
    Image image(pixels, Size{float(pixels.width()), float(pixels.height())});
    if (pixels.colorSpace().isValid())
        image.setIccProfile(pixels.colorSpace().iccProfile());
    image.setFlipped(true);
    return image;
}

QImage Image::toQImage(QImage::Format format) const {
    return _pixels.format() == format ? _pixels : _pixels.convertToFormat(format);
}

void Image::drawInRectFromRectOperationFraction(const Rect& destination, const Rect& source,
                                                CompositingOperation op, float fraction) const {
    if (GraphicsContext* context = GraphicsContext::currentContext())
        context->drawImage(*this, destination, source, op, fraction);
}
