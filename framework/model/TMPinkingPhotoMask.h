#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "platform/graphics/BezierPath.h"

// The photograph cut with pinking shears: right-angled notches along every
// side, a number of teeth along the shorter side and as many of the same
// size as fit along the longer one.
class FORMWELL_EXPORT TMPinkingPhotoMask : public TMOvalPhotoMask {
public:
    TMPinkingPhotoMask() = default;
    TMPinkingPhotoMask(const TMPinkingPhotoMask&) = default;

    void init() override;
    QString maskControllerClass() const override;
    TMPhotoMaskRef copy() const override;
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    QString name() const override;

    // The count stored; drawing uses at least one tooth and no more than one
    // a pixel.
    int tps() const { return _tps; }
    void setTps(int teeth);

    void applyMasktoRect(const Rect& r) override;
    // The notched outline of r with the teeth eaten by the inset dropped;
    // sets *fill when the teeth are used up (the caller clears it).
    BezierPath pinkingPathInRect(const Rect& r, float inset, bool* fill) const;

private:
    int _tps = 0;
};
