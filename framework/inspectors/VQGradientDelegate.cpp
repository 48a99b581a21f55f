#include "framework/inspectors/VQGradientDelegate.h"

VQGradientDelegate::~VQGradientDelegate() = default;

QMenu* VQGradientDelegate::menuForEvent(QWidget*, const QPoint&) {
    return nullptr;
}

void VQGradientDelegate::gradientViewDragConcluded(VQGradientView*) {}

void VQGradientDelegate::offsetColorMarkerBy(VQColorMarker*, float, float) {}

void VQGradientDelegate::colorMarkerTrackingBegan(VQColorMarker*) {}

void VQGradientDelegate::colorMarkerTrackingEnded(VQColorMarker*) {}

void VQGradientDelegate::cellDidChangeAtRowColumnOfMatrix(int, int, VQGradientViewMatrix*) {}
