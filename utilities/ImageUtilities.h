#pragma once

#include "platform/graphics/Image.h"

// New pictures made by drawing a whole picture, turned, into a fresh unflipped
// picture. A flipped source shows upside down when drawn, so it is turned as it
// shows. The pixel resolution and the colour profile are kept.

// The picture upside down, same size; a null picture gives a null picture.
Image UTFlipImage(const Image& image);
// 90: a quarter clockwise, 180: a half turn, -90: a quarter anticlockwise (the
// quarter turns exchange width and height). Any other angle answers the picture
// itself, sharing its pixels.
Image UTQuadRotateImage(const Image& image, int degrees);
