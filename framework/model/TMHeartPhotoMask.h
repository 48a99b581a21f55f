#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMCachedMaskPath.h"
#include "framework/model/TMOvalPhotoMask.h"

// The photograph cut to a heart; the peak shapes its lower point (0 slender,
// 1 full), the cleft the depth of its notch (0 shallow, 1 deep).
class FORMWELL_EXPORT TMHeartPhotoMask : public TMOvalPhotoMask {
public:
    TMHeartPhotoMask() = default;
    TMHeartPhotoMask(const TMHeartPhotoMask&) = default;

    void init() override;
    QString maskControllerClass() const override;
    TMPhotoMaskRef copy() const override;
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    QString name() const override;

    // 0 to 1; undoable.
    float peak() const { return _peak; }
    void setPeak(float peak);
    float cleft() const { return _cleft; }
    void setCleft(float cleft);

    void calcCachedHeartPath(const Rect& q);
    void applyMasktoRect(const Rect& r) override;
    BezierPath fitHeartToRect(const Rect& q) const;
    // The heart for r, centred on the origin.
    BezierPath heartPathInRect(const Rect& r) const;

    const TMCachedMaskPath& cachedHeart() const { return _heart; }

private:
    TMCachedMaskPath _heart;
    float _peak = 0;
    float _cleft = 0;
};
