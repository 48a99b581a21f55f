#include "utilities/ImageUtilities.h"

#include <QTransform>

namespace {

// The pixels as the picture shows when drawn into an unflipped picture.
QImage shownPixels(const Image& image) {
    return image.isFlipped() ? image.pixels().mirrored(false, true) : image.pixels();
}

Image madeFrom(const Image& source, QImage pixels, Size size) {
    Image result(std::move(pixels), size);
    result.setIccProfile(source.iccProfile());
    return result;
}

} // namespace

Image UTFlipImage(const Image& image) {
    if (image.isNull())
        return {};
    // Mirroring a flipped picture's shown pixels gives back its stored ones.
    const QImage pixels = image.isFlipped() ? image.pixels() : image.pixels().mirrored(false, true);
    return madeFrom(image, pixels, image.size());
}

Image UTQuadRotateImage(const Image& image, int degrees) {
    if (image.isNull())
        return image;
    const Size size = image.size();
    switch (degrees) {
    case 90:
        return madeFrom(image, shownPixels(image).transformed(QTransform().rotate(90)),
                        {size.height, size.width});
    case 180:
        return madeFrom(image, shownPixels(image).transformed(QTransform().rotate(180)), size);
    case -90:
        return madeFrom(image, shownPixels(image).transformed(QTransform().rotate(-90)),
                        {size.height, size.width});
    default:
        return image;
    }
}
