#pragma once

#include "photoview/CatalogPaletteController.h"

#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <QWidget>

class FractionSlider;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class RoduvudeDadevizi;

// User defaults of the presets and of the live preview's first state.
inline constexpr char kEnhancePresetsKey[] = "_enh_presets";
inline constexpr char kEnhancePresetsInitedKey[] = "_enh_presets_inited";
inline constexpr char kDefaultLivePreviewKey[] = "default_live_preview";
// Keys of one preset; a value that is missing leaves that enhancement alone.
inline constexpr char kPresetNameKey[] = "_enh_name";
inline constexpr char kPresetSaturationKey[] = "_enh_preset_saturation";
inline constexpr char kPresetBrightnessKey[] = "_enh_preset_brightness";
inline constexpr char kPresetContrastKey[] = "_enh_preset_contrast";
inline constexpr char kPresetSharpnessKey[] = "_enh_preset_sharpness";

// The shared enhancement palette of the catalog windows: the four enhancements
// of the selected photos of the main catalog window (tab 0) and the enhancement
// defaults of its document (tab 1), with named presets kept in the user's
// defaults.
//
// Scales: brightness, contrast and saturation are factors (1.0 neutral); their
// sliders show factor x 100 (100 neutral) and their fields the percentage
// (factor - 1) x 100, so field = slider - 100. Sharpness is a whole number 0 to 8.
//
// The selection sliders change the photos only through Apply, which live preview
// runs on every change; a drag of a slider is one undo step. The document's
// controls change its defaults at once, undoably.
class PixelAdjusterController : public CatalogPaletteController {
public:
    enum Tab : int { SelectionTab = 0, DocumentTab = 1 };
    // The pop-up's fixed items; presets follow from kFirstPresetItem.
    enum PresetItem : int {
        TitleItem = 0,
        DocumentDefaultsItem = 1,
        AddPresetItem = 2,
        RemovePresetItem = 3,
        kFirstPresetItem = 5
    };
    static constexpr int kNeutral = 100;
    static constexpr int kSliderMaximum = 200;
    static constexpr int kSharpnessMaximum = 8;
    // Typed percentages beyond these are brought back to them.
    static constexpr double kFieldMinimum = -100;
    static constexpr double kFieldMaximum = 100;

    static PixelAdjusterController* sharedPixelAdjusterController();
    ~PixelAdjusterController() override;

    bool livePreview() const { return _livePreview; }

    // Reloads every control from the document and its selection. The matrix as
    // sender keeps the current tab.
    void updateValues(QObject* sender = nullptr);
    // Writes the selection sliders into every selected photo.
    void pixelAdjustApply();

    // The stored presets, the built-ins seeded first when needed.
    QVariantList enhancePresets();
    void setEnhancePresets(const QVariantList& presets);
    // The first preset whose name equals the text without regard to case; empty for none.
    QVariantMap getPresetByName(const QString& name);
    void buildEnhancePresetsMenu();

    // The actions of the controls.
    void presetChanged(int index);
    void saturationSliderChange();
    void saturationFieldChanged();
    void brightnessSliderChange();
    void brightnessFieldChanged();
    void contrastSliderChange();
    void contrastFieldChanged();
    void sharpnessChange();
    void docSaturationSliderChange();
    void docSaturationFieldChanged();
    void docBrightnessSliderChange();
    void docBrightnessFieldChanged();
    void docContrastSliderChange();
    void docContrastFieldChanged();
    void docSharpnessSliderChange();
    void docDefaultMethodChange();
    void livePreviewChange();
    // The dialogs; true when the preset list changed.
    bool addAPreset();
    bool removeAPreset();
    void validateAddPreset();
    void validateRemovePreset();
    void switchTabView(int tab);

    // The close command leaves the palette open (its close box closes it).
    void performClose();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;
    void documentChanged() override;
    void documentWillGo() override;

private:
    friend class PaletteController;
    class Content;
    PixelAdjusterController();

    void buildWindow();
    void buildAddPresetDialog();
    void buildRemovePresetDialog();
    void observe();
    void connectControls();
    // A selection slider moved or its field was typed into.
    void selectionSliderChanged(FractionSlider* slider, QLineEdit* field);
    void selectionFieldChanged(QLineEdit* field, FractionSlider* slider);
    void docSliderChanged(FractionSlider* slider, QLineEdit* field,
                          void (*store)(RoduvudeDadevizi&, float));
    void docFieldChanged(QLineEdit* field, FractionSlider* slider,
                         void (*store)(RoduvudeDadevizi&, float));
    void applyIfLive();
    // A drag of a selection slider with live preview is one undo group.
    void sliderPressed();
    void sliderReleased();
    void setFactorControls(FractionSlider* slider, QLineEdit* field, double factor);

    QTabWidget* _tabPanelView = nullptr;
    QComboBox* _presetPopUp = nullptr;
    QPushButton* _applyButton = nullptr;
    QLineEdit* _brightnessField = nullptr;
    FractionSlider* _brightnessSlider = nullptr;
    QLineEdit* _contrastField = nullptr;
    FractionSlider* _contrastSlider = nullptr;
    QLineEdit* _saturationField = nullptr;
    FractionSlider* _saturationSlider = nullptr;
    FractionSlider* _sharpnessSlider = nullptr;
    QCheckBox* _livePreviewSwitch = nullptr;
    QLabel* _selectionInfoField = nullptr;
    QLabel* _docActiveCatalogInfoField = nullptr;
    QButtonGroup* _docDefaultMethodMatrix = nullptr;
    QWidget* _docDefaultMethodView = nullptr;
    QLineEdit* _docBrightnessField = nullptr;
    FractionSlider* _docBrightnessSlider = nullptr;
    QLineEdit* _docContrastField = nullptr;
    FractionSlider* _docContrastSlider = nullptr;
    QLineEdit* _docSaturationField = nullptr;
    FractionSlider* _docSaturationSlider = nullptr;
    FractionSlider* _docSharpnessSlider = nullptr;

    QDialog* _addPresetWindow = nullptr;
    QLineEdit* _addPresetNameField = nullptr;
    QCheckBox* _addPresetSaturationSwitch = nullptr;
    QLineEdit* _addPresetSaturationField = nullptr;
    QCheckBox* _addPresetBrightnessSwitch = nullptr;
    QLineEdit* _addPresetBrightnessField = nullptr;
    QCheckBox* _addPresetContrastSwitch = nullptr;
    QLineEdit* _addPresetContrastField = nullptr;
    QCheckBox* _addPresetSharpnessSwitch = nullptr;
    QLineEdit* _addPresetSharpnessField = nullptr;
    QPushButton* _addPresetCancelButton = nullptr;
    QPushButton* _addPresetOKButton = nullptr;
    QDialog* _removePresetWindow = nullptr;
    QListWidget* _removePresetTable = nullptr;
    QPushButton* _removePresetCancelButton = nullptr;
    QPushButton* _removePresetRemoveButton = nullptr;

    bool _livePreview = false;
    bool _inApply = false;
    // The document whose undo group a slider drag opened; null between drags.
    QPointer<RoduvudeDadevizi> _dragGroupDocument;
};
