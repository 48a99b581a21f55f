#include "framework/inspectors/TMDiamondPhotoMaskController.h"

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMDiamondPhotoMaskController"),
        [] { return std::make_unique<TMDiamondPhotoMaskController>(); });
    return true;
}();

} // namespace
