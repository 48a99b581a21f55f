#pragma once

#include "platform/foundation/Geometry.h"

#include <QList>

// The geometry of crop editing, in view space (y up) unless said otherwise.
//
// A crop is a rectangle (x, y, w, h) with eight knobs: 1 bottom left, 2 bottom
// middle, 3 bottom right, 4 middle left, 5 middle right, 6 top left, 7 top
// middle, 8 top right; 0 is no knob. The constraint ratio q is height divided by
// width; q <= 0 is no constraint. Every operation keeps the crop inside the
// image frame it is given.
namespace CropGeometry {

// Every knob in use: bit (1 << k) for knob k.
inline constexpr int kAllKnobs = -1;
// A knob's hit and cursor area is a square of this side centred on its point.
inline constexpr float kKnobSize = 8;
// Ticks (1/60 s) between progress reports during a drag.
inline constexpr uint32_t kReportTicks = 15;

Point knobPoint(const Rect& crop, int knob);
// The knob mirrored when the rectangle turns over horizontally (YES) or vertically.
int flipCropKnob(int knob, bool horizontal);
// The first knob in use, in the order 3, 1, 2, 4 to 8, whose square holds the point.
int cropKnobUnderPoint(Point point, const Rect& crop, int knobMask = kAllKnobs);

Point clampPointToRect(Point point, const Rect& frame);
// Moved back inside the frame without changing its size: right or top beyond
// by the excess, else left or bottom before to the edge.
Rect pushRectInside(Rect r, const Rect& frame);
// The rectangle held to the ratio, centred on r and inside the frame.
Rect constrainedRect(const Rect& r, float ratio, const Rect& frame);
// One step of a knob drag to `point` (already clamped): the new crop and the
// knob, mirrored when the crop turned over.
struct ResizeStep {
    Rect crop;
    int knob = 0;
};
ResizeStep resizeCrop(const Rect& crop, int knob, Point point, float ratio, const Rect& frame);

// Cursors of crop mode.
enum class Cursor { None, Cross, Grab, Resize };
struct CursorRect {
    Rect rect;
    Cursor cursor;
};
// The cursor rectangles of the image frame for a crop (the zero rectangle:
// none), each cut to `clip` (the superview's bounds in view space) and left
// out when nothing is left.
QList<CursorRect> cursorRects(const Rect& imageFrame, const Rect& crop, bool creating,
                              const Rect& clip, int knobMask = kAllKnobs);
// The cursor those rectangles give the point; None outside them all.
Cursor cursorAtPoint(Point point, const QList<CursorRect>& rects);

} // namespace CropGeometry
