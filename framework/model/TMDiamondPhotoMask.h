#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "platform/graphics/BezierPath.h"

// The photograph cut to the diamond whose corners are the middles of the
// cell's sides, feathered like the oval.
class FORMWELL_EXPORT TMDiamondPhotoMask : public TMOvalPhotoMask {
public:
    TMDiamondPhotoMask() = default;
    TMDiamondPhotoMask(const TMDiamondPhotoMask&) = default;

    QString maskControllerClass() const override;
    TMPhotoMaskRef copy() const override;
    QString name() const override;

    static BezierPath diamondPathInRect(const Rect& r);
    void applyMasktoRect(const Rect& r) override;
};
