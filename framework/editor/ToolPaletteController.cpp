#include "framework/editor/ToolPaletteController.h"

ToolPaletteController* ToolPaletteController::sharedToolPaletteController() {
    return sharedInstance<ToolPaletteController>();
}

ToolPaletteController::ToolPaletteController()
    : PaletteController(QStringLiteral("ToolPalette"), QSize(64, 280)) {}

QPoint ToolPaletteController::defaultOrigin(const QRect& visibleFrame,
                                            const QSize& /*frameSize*/) const {
    // At the left edge, its top at the top of the visible area.
    return {1, visibleFrame.y()};
}
