#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"

// The puffy outline shared by the cloud mask and the cloud caption.

// r shrunk on each side by up to 5 % of its size, at random (two draws of
// the platform's 16-bit generator, horizontal first).
FORMWELL_EXPORT Rect TMRandomizeRect(const Rect& r);

// Randomly shrunk ovals of cells of the given size along the sides of r,
// smaller offset ones inside them, four corner puffs and the rectangle inset
// by 0.6 of a cell filling the middle; one path whose non-zero fill is the
// cloud. Empty for an empty r or a cell without size.
FORMWELL_EXPORT BezierPath TMCloudOfCellsInRect(const Rect& r, double cellWidth, double cellHeight);

// The cell size along a side of that length for puffs of about that size:
// the side divided into whole puffs, at least one.
FORMWELL_EXPORT double TMCloudCellSize(double side, double puff);
