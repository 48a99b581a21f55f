#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMObjectController.h"
#include "framework/inspectors/TMShadowSection.h"

// The base of the inspectors whose objects cast a shadow (shapes, images,
// photo cells, text): the shadow properties are those of the one shadow
// section each of them puts into its palette.
class FORMWELL_EXPORT TMShadowedObjectController : public TMObjectController {
    Q_OBJECT

public:
    // The accessor pattern: a bool; a ShadowValue, or invalid for none.
    QVariant shadowEnabled() const;
    void setShadowEnabled(const QVariant& enabled);
    QVariant shadow() const;
    void setShadow(const QVariant& shadow);

    TMShadowSection* shadowSection() const { return _shadowSection; }

protected:
    TMShadowedObjectController();

    // The shadow section into the palette at the top; answers its bottom.
    int
    buildShadowSection(QWidget* palette, int top,
                       TMShadowSection::LabelNames labels = TMShadowSection::LabelNames::Standard);

    TMShadowSection* _shadowSection = nullptr;
};
