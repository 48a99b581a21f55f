#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMOvalPhotoMaskController.h"

// The inspector of diamond masks: the oval's feather in the oval's palette.
class FORMWELL_EXPORT TMDiamondPhotoMaskController : public TMOvalPhotoMaskController {
    Q_OBJECT

public:
    TMDiamondPhotoMaskController() = default;
};
