#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QTransform>

class BezierPath;

// The six matrix entries; a point (x, y) maps to
// (m11·x + m21·y + tX, m12·x + m22·y + tY).
struct AffineTransformStruct {
    float m11 = 1, m12 = 0, m21 = 0, m22 = 1, tX = 0, tY = 0;

    friend bool operator==(const AffineTransformStruct&, const AffineTransformStruct&) = default;
};

// A 2-D affine transform in single precision. translate, rotate and scale act
// first on the points, before what the transform already does, so
// "translate to the centre, then rotate" turns a shape about its own origin
// and moves it to the centre.
class LUMISK_PLATFORM_EXPORT AffineTransform {
public:
    AffineTransform() = default;
    explicit AffineTransform(const AffineTransformStruct& m) : _m(m) {}

    const AffineTransformStruct& transformStruct() const { return _m; }
    void setTransformStruct(const AffineTransformStruct& m) { _m = m; }

    void translateXByYBy(float dx, float dy);
    void rotateByDegrees(float degrees);
    void rotateByRadians(float radians);
    void scaleBy(float factor);
    void scaleXByYBy(float sx, float sy);
    // append: `other` acts after this transform; prepend: before it.
    void appendTransform(const AffineTransform& other);
    void prependTransform(const AffineTransform& other);
    // A singular transform has no inverse and stays as it is.
    void invert();
    bool isInvertible() const;

    Point transformPoint(Point p) const;
    // Sizes are vectors: the translation does not apply.
    Size transformSize(Size s) const;
    BezierPath transformBezierPath(const BezierPath& path) const;

    // Onto the current graphics context's transform, or in place of it; without
    // a current context nothing happens.
    void concat() const;
    void set() const;

    QTransform toQTransform() const;
    static AffineTransform fromQTransform(const QTransform& t);

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;

private:
    AffineTransformStruct _m;
};
