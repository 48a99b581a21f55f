#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// The adjustments that turn a decoded photo into the picture the catalog hands out.

// A new opaque 8-bit RGBA picture (Format_RGBX8888) of the 32-bit source's pixels,
// sharpened by sharpness (0: none; 0 to 8, values outside are brought into that
// range) and passed through one colour matrix of contrast, saturation and
// brightness (1: none). The source is only read. Null when the picture cannot
// be made. Large pictures are worked on by several threads; the result is the
// same as with one.
QImage ApplyPixelAdjustments(const QImage& source, float sharpness, float contrast,
                             float saturation, float brightness);

// The same into the caller's picture, whose pixels are reused when it already
// is an unshared RGBX8888 picture of the source's size; otherwise it is
// replaced. A source in RGBX8888 that no adjustment changes is shared, not
// copied. threads: 0 for as many as the picture and the cores allow, else
// that many, the picture split into pieces of rows however small it is.
// False (result left null) when the picture cannot be made.
bool ApplyPixelAdjustmentsInto(const QImage& source, QImage& result, float sharpness,
                               float contrast, float saturation, float brightness, int threads = 0);

// Lowers the red of reddish pixels in the red-eye spots, in place. The array
// holds rectangles of four native 32-bit floats (x, y, width, height): first
// the frame the spots were marked in, then the spots, with y growing upward.
// Does nothing with fewer than two items or a bitmap that is not 8-bit RGBA.
void ApplyRedEyeCorrection(QImage& bitmap, const QList<QByteArray>& redEyeArray);
