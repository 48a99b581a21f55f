#include "framework/inspectors/VQGradientFillPanel.h"

VQGradientFillPanel* VQGradientFillPanel::sharedGradientFillPanelController() {
    return sharedInstance<VQGradientFillPanel>();
}

VQGradientFillPanel::VQGradientFillPanel()
    : PaletteController(QStringLiteral("GradientFillPanel"), QSize(300, 320)) {}

QPoint VQGradientFillPanel::defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const {
    // Centred in the visible area.
    return {visibleFrame.x() + (visibleFrame.width() - frameSize.width()) / 2,
            visibleFrame.y() + (visibleFrame.height() - frameSize.height()) / 2};
}
