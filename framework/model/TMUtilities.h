#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"

#include <QString>
#include <cstdint>

class QWidget;

// The shared utility functions that the framework offers under its own names;
// each behaves exactly as its UT counterpart.
FORMWELL_EXPORT Size TMScaleSizeToFit(Size size, Size bounds);
FORMWELL_EXPORT Rect TMCenterRectInRect(Rect rect, Rect bounds);
FORMWELL_EXPORT Rect TMCenterRectOnPoint(Rect rect, Point point);
FORMWELL_EXPORT Rect TMRectFromPoints(Point a, Point b);
FORMWELL_EXPORT Rect TMBindRectInRect(Rect rect, Rect bounds);
FORMWELL_EXPORT Rect TMMapRect(Rect from, Rect to, Rect rect);
FORMWELL_EXPORT Point TMMapPoint(Rect from, Rect to, Point point);
FORMWELL_EXPORT Rect TMRotateRectRight90(Rect rect, Rect bounds);
FORMWELL_EXPORT Rect TMRotateRectLeft90(Rect rect, Rect bounds);

FORMWELL_EXPORT int32_t TM_EncodeVersion(const QString& version);
FORMWELL_EXPORT QString TM_DecodeVersion(int32_t packed);

FORMWELL_EXPORT Image TMFlipImage(const Image& image);
FORMWELL_EXPORT Image TMQuadRotateImage(const Image& image, int degrees);
FORMWELL_EXPORT QString TM_LocalizeDecimalString(const QString& text);
FORMWELL_EXPORT void TM_EnableControlText(QWidget* control, bool enabled);
