#pragma once

#include "platform/foundation/Geometry.h"
#include "utilities/QDRect.h"

// Plain single-precision geometry shared by the application and the framework.
// Divisions by a zero side pass the resulting infinity or not-a-number on.

// Fits size into bounds keeping its proportions, the long side a whole number of
// points; never enlarges.
Size UTScaleSizeToFit(Size size, Size bounds);
// Like UTScaleSizeToFit, but also enlarges a size smaller than the bounds.
Size UTScaleSizeToFit2(Size size, Size bounds);
Rect UTCenterRectInRect(Rect rect, Rect bounds);
Rect UTCenterRectOnPoint(Rect rect, Point point);
Rect UTRectFromPoints(Point a, Point b);
// Moves (never resizes) rect towards the inside of bounds.
Rect UTBindRectInRect(Rect rect, Rect bounds);
Rect UTMapRect(Rect from, Rect to, Rect rect);
Point UTMapPoint(Rect from, Rect to, Point point);
// A quarter turn clockwise inside a frame of bounds.width.
Rect UTRotateRectRight90(Rect rect, Rect bounds);
// A quarter turn anticlockwise inside a frame of bounds.height.
Rect UTRotateRectLeft90(Rect rect, Rect bounds);
// Mirrored left to right about the vertical centre line of bounds.
Rect UTMirrorRect(Rect rect, Rect bounds);

// Moves r in place so that its centre (halves truncated) is the centre of bounds.
void UT_CenterQDRectInRect(QDRect& r, const QDRect& bounds);
float UT_QDRectAspectRatio(const QDRect& r);
