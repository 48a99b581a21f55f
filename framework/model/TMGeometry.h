#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"

// Whole-point rounding, halves away from zero, each component on its own.
FORMWELL_EXPORT Point TMIntegralPoint(Point point);
FORMWELL_EXPORT Size TMIntegralSize(Size size);
FORMWELL_EXPORT Rect TMIntegralRect(Rect rect);

// The closed outline of the rectangle with corners rounded by the radius,
// limited to half the shorter side.
FORMWELL_EXPORT BezierPath TMRoundedRectangle(Rect rect, float radius);

// A copy of the path stretched (proportions not kept) and moved to fill the
// rectangle. An axis along which the path has no extent is only centred.
FORMWELL_EXPORT BezierPath TMFitPathToRect(const BezierPath& path, Rect rect);

// Whether the point hits the segment stroked with the line width, with a
// tolerance of two points beyond the stroke.
FORMWELL_EXPORT bool TMHitTestLineSegment(Point start, Point end, float lineWidth, Point test);
// The same for a cubic curve, walked as 100 straight pieces.
FORMWELL_EXPORT bool TMHitTestBezierCurve(Point start, Point end, Point control1, Point control2,
                                          float lineWidth, Point test);
