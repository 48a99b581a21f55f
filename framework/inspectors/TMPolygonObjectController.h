#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMRectangleObjectController.h"

class QCheckBox;

// The inspector of polygons and Bézier polygons: the rectangle inspector's
// palette with the closed switch ("PolygonOptions") while a polygon is
// inspected.
class FORMWELL_EXPORT TMPolygonObjectController : public TMRectangleObjectController {
    Q_OBJECT

public:
    TMPolygonObjectController();
    ~TMPolygonObjectController() override;

    // A bool.
    QVariant closedState() const;
    void setClosedState(const QVariant& closed);

    void closedModeChanged(QObject* sender);

    void setInspectedObject(const TMObjectRef& object) override;
    void updateInspectorPalette() override;

    void addPolygonOptionsView();
    void removePolygonOptionsView();
    QWidget* polygonOptionsView() const { return _polygonOptionsView; }

private:
    bool _closed = false;
    QPointer<QWidget> _polygonOptionsView;
    QCheckBox* _polygonClosedSwitch = nullptr;
};
