#pragma once

#include "framework/FormwellExport.h"

#include <QPoint>

class QMenu;
class QWidget;
class VQColorMarker;
class VQGradientView;
class VQGradientViewMatrix;

// What the gradient panel answers for the gradient views, colour markers and
// preset grid it owns. Every operation does nothing by default.
class FORMWELL_EXPORT VQGradientDelegate {
public:
    virtual ~VQGradientDelegate();

    // The context menu for a right click at a point of the widget (in the
    // widget's coordinates), or null for none. The delegate keeps the menu.
    virtual QMenu* menuForEvent(QWidget* source, const QPoint& point);
    // A fill was dropped on the view.
    virtual void gradientViewDragConcluded(VQGradientView* view);
    // The marker is dragged by (dx, dy) since the last report, y downward.
    virtual void offsetColorMarkerBy(VQColorMarker* marker, float dx, float dy);
    // A press on the marker begins and its release ends one drag.
    virtual void colorMarkerTrackingBegan(VQColorMarker* marker);
    virtual void colorMarkerTrackingEnded(VQColorMarker* marker);
    // A cell of the matrix took a dropped fill or was cleared.
    virtual void cellDidChangeAtRowColumnOfMatrix(int row, int column,
                                                  VQGradientViewMatrix* matrix);
};
