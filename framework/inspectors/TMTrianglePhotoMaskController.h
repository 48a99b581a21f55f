#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMOvalPhotoMaskController.h"

class QComboBox;

// The inspector of triangle masks: the style (isosceles or right-angled) and
// the edge the base lies on as pop-ups, above the feather.
class FORMWELL_EXPORT TMTrianglePhotoMaskController : public TMOvalPhotoMaskController {
    Q_OBJECT

public:
    TMTrianglePhotoMaskController();

    QString nibName() const override;
    void updateInspectorPalette() override;

    // Integers.
    QVariant triangleStyle() const;
    void setTriangleStyle(const QVariant& style);
    QVariant triangleEdge() const;
    void setTriangleEdge(const QVariant& edge);
    void styleChanged(QObject* sender);
    void edgeChanged(QObject* sender);

private:
    int _style = 0;
    int _edge = 0;
    QComboBox* _stylePopUp = nullptr;
    QComboBox* _edgePopUp = nullptr;
};
