#pragma once

#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Color.h"

#include <QByteArray>
#include <QVariant>
#include <cstdint>
#include <optional>

// Values the stroked shapes (lines, arcs, rectangles, ovals, polygons) share
// between their representations and their drawing.

// The stored join and cap numbers: 0 miter / butt, 1 round, 2 bevel / square.
inline LineJoinStyle joinStyle(int32_t join) {
    return join == 1   ? LineJoinStyle::Round
           : join == 2 ? LineJoinStyle::Bevel
                       : LineJoinStyle::Miter;
}

inline LineCapStyle capStyle(int32_t cap) {
    return cap == 1 ? LineCapStyle::Round : cap == 2 ? LineCapStyle::Square : LineCapStyle::Butt;
}

// A colour stored as archived data; anything else is no colour.
inline std::optional<Color> colorFromData(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QByteArray>())
        return std::nullopt;
    return Unarchiver::unarchiveValue<Color>(value.toByteArray());
}

// A path scaled about a centre along the page axes.
inline BezierPath scaledAbout(const BezierPath& path, Point center, float sx, float sy) {
    AffineTransform t;
    t.translateXByYBy(center.x, center.y);
    t.scaleXByYBy(sx, sy);
    t.translateXByYBy(-center.x, -center.y);
    BezierPath copy = path;
    copy.transformUsingAffineTransform(t);
    return copy;
}
