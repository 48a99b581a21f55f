#include "utilities/OffscreenUtilities.h"

#include <cstring>

GWorldPtr UTCreateGWorld(const QDRect& bounds) {
    GWorldPtr world = GWorld::make(bounds, QImage::Format_ARGB32);
    if (world)
        world->pixels().fill(Qt::white);
    return world;
}

int UTRotateGWorld(const GWorldPtr& source, GWorldPtr& destination, int degrees) {
    if (!source)
        return 0;
    const int angle = degrees % 360;
    const bool quarter = angle == 90 || angle == -90 || angle == 270 || angle == -270;

    if (!destination) {
        const QDRect& s = source->bounds();
        const QDRect turned = quarter ? QDRect{s.left, s.top, s.right, s.bottom} : s;
        const QImage& sourcePixels = source->pixels();
        if (source->pixelSize() == 32) {
            destination = UTCreateGWorld(turned);
        } else {
            // Same unit size as the source, so that every copied unit is one pixel.
            destination = GWorld::make(turned, sourcePixels.format());
            if (destination)
                destination->pixels().setColorTable(sourcePixels.colorTable());
        }
        if (!destination)
            return 0;
    }

    const int bytesPerPixel = source->pixelSize() / 8;
    if (bytesPerPixel != 1 && bytesPerPixel != 2 && bytesPerPixel != 4)
        return 0;
    if (destination->pixelSize() != source->pixelSize())
        return 0;

    const QImage& from = source->pixels();
    QImage& to = destination->pixels();
    const int rows = from.height();
    const int columns = from.width();
    const qsizetype fromRowBytes = source->rowBytes();
    const qsizetype toRowBytes = destination->rowBytes();
    const int toRows = to.height();
    const int toColumns = to.width();
    const uchar* fromBits = from.constBits();
    uchar* toBits = to.bits();

    for (int r = 0; r < rows; ++r) {
        const uchar* fromRow = fromBits + r * fromRowBytes;
        for (int c = 0; c < columns; ++c) {
            int tr = r, tc = c;
            switch (angle) {
            case 90:
            case -270:
                tr = c;
                tc = rows - 1 - r;
                break;
            case 180:
            case -180:
                tr = rows - 1 - r;
                tc = columns - 1 - c;
                break;
            case 270:
            case -90:
                tr = columns - 1 - c;
                tc = r;
                break;
            default:
                break;
            }
            if (tr >= toRows || tc >= toColumns)
                continue;
            std::memcpy(toBits + tr * toRowBytes + tc * bytesPerPixel, fromRow + c * bytesPerPixel,
                        bytesPerPixel);
        }
    }
    return 0;
}
