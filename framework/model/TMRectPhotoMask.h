#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMPhotoMask.h"

// The rectangle mask: the photograph cut to a rectangle with rounded corners,
// the radius a fraction of half the smaller side, the edge feathered as the
// oval mask's.
class FORMWELL_EXPORT TMRectPhotoMask : public TMPhotoMask {
public:
    TMRectPhotoMask() = default;
    TMRectPhotoMask(const TMRectPhotoMask&) = default;

    void init() override;
    QString maskControllerClass() const override;
    TMPhotoMaskRef copy() const override;
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    QString name() const override;

    // 0 (a hard edge) to 1; undoable. Values beyond are held to the range,
    // not-a-number is ignored.
    float featherPct() const { return _featherPct; }
    void setFeatherPct(float feather);
    // 0 to 1, held as the feather; undoable.
    float cornerRadius() const { return _cornerRadius; }
    void setCornerRadius(float radius);

    void applyMasktoRect(const Rect& r) override;

private:
    float _featherPct = 0;
    float _cornerRadius = 0;
};
