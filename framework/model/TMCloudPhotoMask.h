#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMCachedMaskPath.h"
#include "framework/model/TMOvalPhotoMask.h"

// The photograph cut to a cloud: randomly shrunk puffs along the sides
// around a plain middle. The cloud is kept, and archived, for the size it
// was made for, so a template reopened draws the same cloud.
class FORMWELL_EXPORT TMCloudPhotoMask : public TMOvalPhotoMask {
public:
    TMCloudPhotoMask() = default;
    TMCloudPhotoMask(const TMCloudPhotoMask&) = default;

    void init() override;
    QString maskControllerClass() const override;
    TMPhotoMaskRef copy() const override;
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    QString name() const override;

    // The size of the puffs, 0 to 1; undoable, makes a new cloud.
    float puffiness() const { return _puffiness; }
    void setPuffiness(float puffiness);

    // r shrunk on each side by up to 5 % of its size, at random.
    static Rect randomizeRect(const Rect& r);
    void calcCachedCloudPath(const Rect& q);
    void applyMasktoRect(const Rect& r) override;
    BezierPath fitCloudToRect(const Rect& q) const;
    // A new random cloud for r, centred on the origin.
    BezierPath cloudPathInRect(const Rect& r) const;

    const TMCachedMaskPath& cachedCloud() const { return _cloud; }

private:
    float _puffiness = 0;
    TMCachedMaskPath _cloud;
};
