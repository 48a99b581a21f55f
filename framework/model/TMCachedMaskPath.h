#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"

#include <QVariantMap>
#include <functional>

// The outline a cloud, heart or burst mask made for one outline rectangle,
// kept so that it is made again only for another size (a cloud is random),
// and archived with that rectangle.
class FORMWELL_EXPORT TMCachedMaskPath {
public:
    bool hasPath() const { return _has; }
    const BezierPath& path() const { return _path; }
    const Rect& rect() const { return _rect; }

    // Keeps the path when it was made for q, else has make build one for q.
    void calc(const Rect& q, const std::function<BezierPath(const Rect&)>& make);
    void drop();

    // A copy of the path stretched to fill q less half a percent of each side;
    // empty without a path.
    BezierPath fitToRect(const Rect& q) const;

    // The rectangle as its string and the path as its archive.
    void encodeInto(QVariantMap& dictionary, const char* boundsKey, const char* pathKey) const;
    // A damaged or missing entry leaves no path, so that one is made at the
    // next drawing.
    void decodeFrom(const QVariantMap& dictionary, const char* boundsKey, const char* pathKey);

private:
    BezierPath _path;
    Rect _rect;
    bool _has = false;
};
