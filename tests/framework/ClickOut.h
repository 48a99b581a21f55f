#pragma once

#include "framework/model/TMPolygonObject.h"

#include <vector>

// What the editor sends while the user clicks a polygon out: a move to every
// click first, a single click at each inner point and a double click (its
// first click, then the second) at the last.
inline void clickOut(TMPolygonObject& shape, Point start, const std::vector<Point>& clicks,
                     Point doubleClick) {
    shape.setInCreation(true);
    for (Point p : clicks) {
        shape.setFrameCornersFromTo(start, p);
        shape.nextSegment(p);
        start = p;
    }
    shape.setFrameCornersFromTo(start, doubleClick);
    shape.nextSegment(doubleClick);
    shape.endSegment(doubleClick);
    shape.setInCreation(false);
    shape.recache();
}
