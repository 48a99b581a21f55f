#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMCachedMaskPath.h"
#include "framework/model/TMOvalPhotoMask.h"

// The photograph cut to a star burst: rays of a length relative to the
// smaller side around an ellipse.
class FORMWELL_EXPORT TMBurstPhotoMask : public TMOvalPhotoMask {
public:
    TMBurstPhotoMask() = default;
    TMBurstPhotoMask(const TMBurstPhotoMask&) = default;

    void init() override;
    QString maskControllerClass() const override;
    TMPhotoMaskRef copy() const override;
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    QString name() const override;

    // Stored as a whole number; drawing uses at least one ray. Undoable.
    float rayCount() const { return _rayCount; }
    void setRayCount(float count);
    // The ray length ratio, 0 to 1; undoable.
    float rayLength() const { return _rayLengthRatio; }
    void setRayLength(float ratio);

    void calcCachedBurstPath(const Rect& q);
    void applyMasktoRect(const Rect& r) override;
    BezierPath fitBurstToRect(const Rect& q) const;
    // The burst for r, centred on the origin.
    BezierPath burstPathInRect(const Rect& r) const;

    const TMCachedMaskPath& cachedBurst() const { return _burst; }

private:
    TMCachedMaskPath _burst;
    float _rayCount = 0;
    float _rayLengthRatio = 0;
};
