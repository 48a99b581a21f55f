#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMPhotoMask.h"

// The oval mask, the default mask of a new photo cell: the photograph cut to
// the oval of the cell, its edge feathered over a fraction of a fifth of the
// cell's smaller side. Its feather and archive part are those of the shaped
// masks derived from it.
class FORMWELL_EXPORT TMOvalPhotoMask : public TMPhotoMask {
public:
    TMOvalPhotoMask() = default;
    TMOvalPhotoMask(const TMOvalPhotoMask&) = default;

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

    void applyMasktoRect(const Rect& r) override;

protected:
    float _featherPct = 0;
};
