#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "platform/graphics/BezierPath.h"

// The photograph cut to an isosceles (style 0) or right-angled (any other
// style) triangle filling the cell, pointing the way its edge (0 to 3) says.
class FORMWELL_EXPORT TMTrianglePhotoMask : public TMOvalPhotoMask {
public:
    TMTrianglePhotoMask() = default;
    TMTrianglePhotoMask(const TMTrianglePhotoMask&) = default;

    QString maskControllerClass() const override;
    TMPhotoMaskRef copy() const override;
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    QString name() const override;

    int triangleStyle() const { return _style; }
    void setTriangleStyle(int style);
    int triangleEdge() const { return _edge; }
    void setTriangleEdge(int edge);

    void applyMasktoRect(const Rect& r) override;
    // With an inset, the triangle whose sides lie that far inside those of
    // the triangle in r; an edge outside 0 to 3 gives an empty path.
    BezierPath trianglePathInRect(const Rect& r, float inset) const;

private:
    int _style = 0;
    int _edge = 0;
};
