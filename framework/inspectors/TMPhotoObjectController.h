#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMShadowedObjectController.h"
#include "framework/model/TMPhotoMask.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;
class TMPhotoMaskController;

// The inspector of photo cells: opacity, the shadow, whether the cell is
// masked and by which kind of mask, and below them the palette of the mask's
// own inspector, which the photo palette grows or shrinks to hold. The
// palette ("PhotoPalette") carries the outlet names as object names.
//
// The embedded palette belongs to its mask inspector; this inspector only
// shows it, and gives it back before it is gone itself.
class FORMWELL_EXPORT TMPhotoObjectController : public TMShadowedObjectController {
    Q_OBJECT

public:
    // The holder is this much taller than the palette it holds; with none it
    // is kEmptyHolderHeight tall.
    static constexpr int kHolderMargin = 2;
    static constexpr int kEmptyHolderHeight = 10;

    TMPhotoObjectController();
    ~TMPhotoObjectController() override;

    // A float 0 to 1; a bool; a TMPhotoMaskRef; the shadow's.
    QVariant opacity() const;
    void setOpacity(const QVariant& opacity);
    QVariant maskEnabled() const;
    void setMaskEnabled(const QVariant& enabled);
    QVariant mask() const;
    void setMask(const QVariant& mask);

    // From the slider or the field (held to 0...100 %); the slider shows the
    // value at the next refresh.
    void opacityChanged(QObject* sender);
    // Gives the cell a new mask of the chosen kind, unless it has one.
    void maskChanged(QObject* sender);
    // Turning masking on for a cell without a mask gives it one first.
    void maskEnabledChanged(QObject* sender);

    void setInspectedObject(const TMObjectRef& object) override;
    void updateInspectorPalette() override;
    QWidget* getInspectorPalette() override;
    QWidget* paletteView() const { return _paletteView; }

    QWidget* maskInspectorPalette() const { return _maskInspectorPalette; }
    // Puts the view (or none) into the holder, resizing holder and palette.
    void setMaskInspectorPalette(QWidget* view);

private:
    void loadPalette();
    // The inspector of the inspected cell's mask in the cell's document.
    TMPhotoMaskController* maskController() const;
    // Takes the embedded palette out of the holder.
    void releaseMaskPalette();

    float _opacity = 1.0f;
    bool _photoMaskEnabled = false;
    TMPhotoMaskRef _photoMask;

    QPointer<QWidget> _paletteView;
    QPointer<QWidget> _maskInspectorPalette;
    QSlider* _opacitySlider = nullptr;
    QLineEdit* _opacityField = nullptr;
    QCheckBox* _maskEnabledSwitch = nullptr;
    QComboBox* _maskPopUp = nullptr;
    QWidget* _maskInspectorView = nullptr;
};
