#include "framework/inspectors/TMShadowedObjectController.h"

TMShadowedObjectController::TMShadowedObjectController() = default;

int TMShadowedObjectController::buildShadowSection(QWidget* palette, int top,
                                                   TMShadowSection::LabelNames labels) {
    _shadowSection = new TMShadowSection(this, labels, palette);
    _shadowSection->move(0, top);
    return top + TMShadowSection::kHeight;
}

QVariant TMShadowedObjectController::shadowEnabled() const {
    return _shadowSection->shadowEnabled();
}

void TMShadowedObjectController::setShadowEnabled(const QVariant& enabled) {
    _shadowSection->setShadowEnabled(enabled);
}

QVariant TMShadowedObjectController::shadow() const {
    return _shadowSection->shadow();
}

void TMShadowedObjectController::setShadow(const QVariant& shadow) {
    _shadowSection->setShadow(shadow);
}
