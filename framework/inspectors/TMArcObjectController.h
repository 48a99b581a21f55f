#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMLineObjectController.h"
#include "framework/model/VQGradientFill.h"

class QCheckBox;

// The inspector of arcs: the line's palette with the fill and concavity
// controls ("ArcPalette") appended once, when it is made.
class FORMWELL_EXPORT TMArcObjectController : public TMLineObjectController {
    Q_OBJECT

public:
    TMArcObjectController();
    ~TMArcObjectController() override;

    QVariant fillState() const override;
    void setFillState(const QVariant& state) override;
    QVariant fillColor() const override;
    void setFillColor(const QVariant& color) override;
    QVariant gradientFillState() const override;
    void setGradientFillState(const QVariant& state) override;
    QVariant gradientFill() const override;
    void setGradientFill(const QVariant& fill) override;
    QVariant concavity() const;
    void setConcavity(const QVariant& concavity);

    void invertedConcavityChanged(QObject* sender);

    void updateInspectorPalette() override;
    QWidget* arcPaletteView() const { return _arcPaletteView; }

private:
    bool _fillEnabled = false;
    Color _fillColor = Color::whiteColor();
    bool _gradientFillEnabled = false;
    VQGradientFillRef _gradientFill = VQGradientFill::stdFill();
    bool _concavity = false;

    QWidget* _arcPaletteView = nullptr;
    QCheckBox* _invertedConcavitySwitch = nullptr;
};
