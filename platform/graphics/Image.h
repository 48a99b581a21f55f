#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"
#include "platform/graphics/Compositing.h"

#include <QByteArray>
#include <QImage>

// A picture as the page model sees it: pixels, a size in points that is kept
// apart from the pixel size (a 300 dpi scan of 1 inch is 300 pixels but 72 points),
// a flipped flag for pictures drawn with y growing downward, and the ICC profile
// the pixels are in (empty: the working space).
class LUMISK_PLATFORM_EXPORT Image {
public:
    Image() = default;
    // Size in points defaults to the pixel size.
    explicit Image(QImage pixels);
    Image(QImage pixels, Size sizeInPoints);
    // Pixels rendered at a resolution: the size in points is the pixel size
    // divided by pixelsPerPoint (300 dpi is 300/72 pixels per point).
    static Image fromQImage(QImage pixels, double pixelsPerPoint);
    // Decodes image-file bytes (any format Qt reads) at one point per pixel,
    // whatever resolution the file records, flipped, with the file's profile;
    // a null image when they don't decode.
    static Image fromFileData(const QByteArray& data);
    // The pixels in the given format, top row first as stored.
    QImage toQImage(QImage::Format format = QImage::Format_ARGB32_Premultiplied) const;

    bool isNull() const { return _pixels.isNull(); }
    const QImage& pixels() const { return _pixels; }
    void setPixels(QImage pixels) { _pixels = std::move(pixels); }

    Size size() const { return _size; }
    void setSize(Size sizeInPoints) { _size = sizeInPoints; }
    QSize pixelSize() const { return _pixels.size(); }

    bool isFlipped() const { return _flipped; }
    void setFlipped(bool flipped) { _flipped = flipped; }

    const QByteArray& iccProfile() const { return _iccProfile; }
    void setIccProfile(QByteArray profile) { _iccProfile = std::move(profile); }

    // Pixels per point along each axis; 1 for a picture at 72 dpi.
    double scaleX() const;
    double scaleY() const;

    // Draws the part `source` (image points, origin at the lower left; the zero
    // rectangle for the whole) into `destination` of the current graphics
    // context; see GraphicsContext::drawImage.
    void drawInRectFromRectOperationFraction(const Rect& destination, const Rect& source,
                                             CompositingOperation op, float fraction) const;

    friend bool operator==(const Image& a, const Image& b);

private:
    QImage _pixels;
    Size _size;
    bool _flipped = false;
    QByteArray _iccProfile;
};

// Exported: QVariant's equality of images needs it outside the library.
LUMISK_PLATFORM_EXPORT bool operator==(const Image& a, const Image& b);
