#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Color.h"

#include <vector>

// The most lines of one axis drawn by one call: a file's absurd grid
// divisions must not stall a redraw.
inline constexpr int kMaximumGridLinesPerAxis = 4096;

// The positions of the lattice lines with pitch `spacing` through `origin`
// that fall within [low, high]; none for a spacing that is not a positive
// finite number, and at most kMaximumGridLinesPerAxis.
FORMWELL_EXPORT std::vector<float> TMGridLinePositions(float spacing, float low, float high,
                                                       float origin);

// Strokes, as one path of line width 1 in the colour, the grid lines through
// the origin with pitch `spacing` that fall inside the rectangle, into the
// current graphics context; afterwards its colour is black.
FORMWELL_EXPORT void DrawGridWithSettingsInRect(float spacing, const Color& color, const Rect& rect,
                                                Point origin);
