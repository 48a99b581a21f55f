#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMShadowedObjectController.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

// The inspector of placed images: opacity, the compositing operation, the
// two flips and the shadow. Its palette ("ImagePalette") carries the outlet
// names as object names.
class FORMWELL_EXPORT TMImageObjectController : public TMShadowedObjectController {
    Q_OBJECT

public:
    TMImageObjectController();
    ~TMImageObjectController() override;

    // A float 0 to 1; an int, a compositing operation; bools; the shadow's.
    QVariant opacity() const;
    void setOpacity(const QVariant& opacity);
    QVariant composition() const;
    void setComposition(const QVariant& composition);
    QVariant flipHorizontal() const;
    void setFlipHorizontal(const QVariant& flip);
    QVariant flipVertical() const;
    void setFlipVertical(const QVariant& flip);

    // From the slider (0 to 1, in hundredths) or the field (percent, held to
    // 0...100); the slider follows the field.
    void opacityChanged(QObject* sender);
    void compositionPopupChanged(QObject* sender);
    void horizFlipChanged(QObject* sender);
    void vertFlipChanged(QObject* sender);

    void updateInspectorPalette() override;
    QWidget* getInspectorPalette() override;
    QWidget* paletteView() const { return _paletteView; }

private:
    void loadPalette();

    float _opacity = 1.0f;
    int _composition = 2;
    bool _flippedHoriz = false;
    bool _flippedVert = false;

    QPointer<QWidget> _paletteView;
    QSlider* _opacitySlider = nullptr;
    QLineEdit* _opacityField = nullptr;
    QComboBox* _compositionPopUp = nullptr;
    QCheckBox* _horizFlipSwitch = nullptr;
    QCheckBox* _vertFlipSwitch = nullptr;
};
