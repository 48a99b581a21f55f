#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"

#include <optional>
#include <utility>

// The pure geometry of a caption balloon: its cloud outline, its tail tip and
// the dragging of it, the tail's base, the bubble trail of a thought and the
// box its text fits in. Rectangles are those of the caption's size around its
// centre; "flipped" is whether the view shows y downward.

// Edges a tail leaves from, as seen on screen.
inline constexpr int kCaptionTailBottom = 1;
inline constexpr int kCaptionTailLeft = 2;
inline constexpr int kCaptionTailTop = 3;
inline constexpr int kCaptionTailRight = 4;

// The walk of a bubble trail is bounded: a tip this far from its base gets none.
inline constexpr int kCaptionMostBubbleSteps = 10000;

// The puff size of a cloud balloon of shape 2 (small), 3 (medium) or 4
// (large) on an area of maxSize; a size with a side of zero is unknown.
FORMWELL_EXPORT double TMCaptionPuffSize(int shape, Size maxSize);

// The cloud outline of a balloon in r; a balloon without area gets no puffs.
FORMWELL_EXPORT BezierPath TMCaptionCloudPathInRect(const Rect& r, int shape, Size maxSize);

// A quadrant outside 1 to 4 counts as the bottom.
FORMWELL_EXPORT int TMCaptionQuadrant(int quadrant);

// The tail tip for the tail point relative to the middle of the quadrant's edge of r.
FORMWELL_EXPORT Point TMCaptionTailVertex(int quadrant, Point tail, const Rect& r, bool flipped);

struct TMCaptionTail {
    int quadrant = kCaptionTailBottom;
    Point tail;
};

// The quadrant and relative tail point for a tip dragged to p (already turned
// back by the caption's rotation). A drag at 45 degrees counts as vertical.
FORMWELL_EXPORT TMCaptionTail TMCaptionTailForPoint(Point p, const Rect& r, bool flipped);

// The base A, B of a tail with its tip at v (relative to the centre) on the
// inner rectangle; nothing when the tip does not lie beyond the inner
// rectangle's edge of its quadrant.
FORMWELL_EXPORT std::optional<std::pair<Point, Point>>
TMCaptionTailBase(int quadrant, Point v, const Rect& inner, bool flipped);

// Appends the bubbles of a thought from the tip v towards the base a, b,
// growing and never overlapping, stopping short of the inner rectangle.
// aspect is the caption's height over its width.
FORMWELL_EXPORT void TMCaptionAppendBubbleTrail(BezierPath& path, Point a, Point b, Point v,
                                                const Rect& inner, double aspect);

// The largest centred box, in 1-point steps, inside the ellipse of a caption
// of that size; nothing when it would be narrower or lower than 8 points.
FORMWELL_EXPORT std::optional<Size> TMCaptionTextBoxSize(Size size);
