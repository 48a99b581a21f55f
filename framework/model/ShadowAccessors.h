#pragma once

#include "framework/FormwellExport.h"
#include "platform/graphics/ShadowValue.h"

// A shadow's offset as a direction and a length.

// A copy with the offset's y negated, for drawing into flipped images.
FORMWELL_EXPORT ShadowValue flippedShadow(const ShadowValue& shadow);
// Degrees counter-clockwise from the positive x axis, 0 up to 360.
FORMWELL_EXPORT float castAngle(const ShadowValue& shadow);
// Points the offset in the direction, keeping its length.
FORMWELL_EXPORT void setCastAngle(ShadowValue& shadow, float degrees);
FORMWELL_EXPORT float castOffset(const ShadowValue& shadow);
// Gives the offset the length, keeping its direction.
FORMWELL_EXPORT void setCastOffset(ShadowValue& shadow, float length);
