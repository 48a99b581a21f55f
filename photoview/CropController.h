#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <memory>

class ModePaletteWindow;
class QComboBox;
class QDialog;
class QLabel;
class QWidget;
class ZaroziveZodiroVirizidivi;

// Posted by the crop palette (object: the palette).
inline constexpr char kCropPanelClosedNofity[] = "CropPanelClosedNofity";
inline constexpr char kCropPanelConstraintChangedNofity[] = "CropPanelConstraintChangedNofity";
inline constexpr char kCropPresetsChangedNofity[] = "CropPresetsChangedNofity";
inline constexpr char kCropPresetInvalidatedNofity[] = "CropPresetInvalidatedNofity";

// The user defaults of the presets.
inline constexpr char kCropPresetsKey[] = "_crop_presets";
inline constexpr char kCropPresetsInitedKey[] = "_crop_presets_inited";

// Keys of one preset; of each pair the x key alone says whether the pair is there.
inline constexpr char kCropPresetNameKey[] = "_crop_preset_name";
inline constexpr char kCropPresetConstraintKey[] = "_crop_preset_aspect_constraint";
inline constexpr char kCropPresetXScaleKey[] = "_crop_preset_x_scale";
inline constexpr char kCropPresetYScaleKey[] = "_crop_preset_y_scale";
inline constexpr char kCropPresetXPixelsKey[] = "_crop_preset_x_pixels";
inline constexpr char kCropPresetYPixelsKey[] = "_crop_preset_y_pixels";
inline constexpr char kCropPresetXPositionRelKey[] = "_crop_preset_x_position_rel";
inline constexpr char kCropPresetYPositionRelKey[] = "_crop_preset_y_position_rel";
inline constexpr char kCropPresetXPositionAbsKey[] = "_crop_preset_x_position_abs";
inline constexpr char kCropPresetYPositionAbsKey[] = "_crop_preset_y_position_abs";

// The crop information the photograph panel hands the palette: both rectangles
// in image space as rectangle strings, the ratio and the constraint tag.
inline constexpr char kCropInfoImageRectKey[] = "_image_rect";
inline constexpr char kCropInfoCropRectKey[] = "_crop_rect";
inline constexpr char kCropInfoConstraintRatioKey[] = "_constraint_ratio";
inline constexpr char kCropInfoConstraintTagKey[] = "_constraint_tag";

// The crop palette of crop mode: the aspect constraint, the size of the crop in
// image units and in percent of the photo, and the crop presets kept in the
// user defaults. It tells the photograph panel what the user did by
// notifications and learns about the photo from the crop information.
//
// The palette is a tool window that never takes the keyboard: activating it
// would make the catalog window resign key, which ends crop mode.
class CropController : public QObject {
    Q_OBJECT

public:
    // The preset pop-up's fixed items; presets follow from kFirstPresetItem on.
    enum PresetItem { NoPresetItem = 0, AddPresetItem = 1, RemovePresetItem = 2 };
    static constexpr int kFirstPresetItem = 4;
    // A preset describes the crop while each compared value is closer than this.
    static constexpr float kPresetTolerance = 1.0f;

    static CropController* sharedCropController();
    CropController();
    ~CropController() override;

    QWidget* window() const;
    // Shows the palette without activating it.
    void showWindow();
    // Hides it; nothing is posted.
    void close();
    bool isVisible() const;
    // Places the window's frame with its lower-left corner at the point (screen
    // coordinates), unless the user has moved the palette.
    void setOrigin(QPoint frameBottomLeft);
    bool movedByUser() const { return _movedByUser; }
    void setDocumentController(ZaroziveZodiroVirizidivi* controller);
    ZaroziveZodiroVirizidivi* documentController() const;

    int constraintTag() const { return _constraintTag; }
    float constraintRatio() const { return _constraintRatio; }
    // Selects the tag's item; nothing is posted.
    void setConstraintTag(int tag);
    static float calcRatioFromTag(int tag);

    // The stored presets, seeded with the built-ins the first time; items that
    // are not presets with a name are left out.
    QVariantList cropPresets();
    void setCropPresets(const QVariantList& presets);
    // Empty when none is selected.
    QVariantMap selectedPreset();
    QVariantMap getPresetByName(const QString& name);
    void selectPresetByName(const QString& name);
    void buildCropPresetsMenu();

    void setCropInfo(const QVariantMap& info);
    void validatePresetAgainstCropInfo(const QVariantMap& info);

    // The modal dialogs; whether a preset was added or removed.
    bool addAPreset();
    bool removeAPreset();

    QComboBox* constraintPopUp() const { return _constraintPopUp; }
    QComboBox* presetPopUp() const { return _presetPopUp; }
    QLabel* cropSizeField() const { return _cropSizeField; }

    // The user's choices in the pop-ups.
    void constraintChanged();
    void presetChanged();

private:
    class AddPresetDialog;
    class RemovePresetDialog;

    void buildWindow();
    void windowMoved();
    void windowWillClose();
    void post(const char* name);
    void setItemEnabled(int index, bool enabled);
    void endDialog();
    QVariantMap presetFromCropInfo(const AddPresetDialog& dialog) const;

    std::unique_ptr<ModePaletteWindow> _window;
    QComboBox* _constraintPopUp = nullptr;
    QComboBox* _presetPopUp = nullptr;
    QLabel* _cropSizeField = nullptr;
    int _constraintTag = 0;
    float _constraintRatio = 0;
    QVariantMap _cropInfo;
    int _lastPresetSelection = 0;
    bool _movedByUser = false;
    bool _placing = false;
    QPoint _placedAt;
    bool _placed = false;
    QPointer<ZaroziveZodiroVirizidivi> _docWindowController;
};
