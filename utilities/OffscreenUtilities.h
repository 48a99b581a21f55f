#pragma once

#include "utilities/GWorld.h"

// A new 32-bit ARGB offscreen buffer over bounds, cleared to opaque white; null
// when the bounds are empty or the memory cannot be had.
GWorldPtr UTCreateGWorld(const QDRect& bounds);

// Copies source turned by degrees (90 or -270 a quarter clockwise, 180 or -180 a
// half turn, 270 or -90 a quarter anticlockwise, after taking the remainder by
// 360; any other angle a plain copy) into destination. With no destination one
// is made over the turned bounds in the source's pixel format and handed back.
// Pixels that fall outside a destination passed in are dropped, and a
// destination of another pixel size receives nothing. Always answers 0.
int UTRotateGWorld(const GWorldPtr& source, GWorldPtr& destination, int degrees);
