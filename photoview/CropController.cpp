#include "photoview/CropController.h"

#include "documents/ZaroziveZodiroVirizidivi.h"
#include "photoview/ModePaletteWindow.h"
#include "photoview/NamedPresets.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ToolWindow.h"
#include "utilities/GeometryUtilities.h"
#include "utilities/NumberText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <cmath>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(qs(key));
}

// The constraint pop-up: each item's tag and title key; null titles are separators.
struct ConstraintItem {
    int tag;
    const char* titleKey;
};
constexpr ConstraintItem kConstraintItems[] = {
    {0, "CROP_CONSTRAINT_NONE"},    {-1, "CROP_CONSTRAINT_PHOTO"},
    {-2, "CROP_CONSTRAINT_SQUARE"}, {0, nullptr},
    {1, "CROP_CONSTRAINT_4_3"},     {3, "CROP_CONSTRAINT_6_4"},
    {4, "CROP_CONSTRAINT_7_5"},     {2, "CROP_CONSTRAINT_5_4"},
    {5, "CROP_CONSTRAINT_10_8"},    {0, nullptr},
    {11, "CROP_CONSTRAINT_3_4"},    {13, "CROP_CONSTRAINT_4_6"},
    {14, "CROP_CONSTRAINT_5_7"},    {12, "CROP_CONSTRAINT_4_5"},
    {15, "CROP_CONSTRAINT_8_10"},
};

// The built-in presets: name key and the scale of both sides (about 3/4, 2/3,
// 1/2, 1/3 and 1/4 of the photo's area).
struct BuiltInPreset {
    const char* nameKey;
    double scale;
};
constexpr BuiltInPreset kBuiltInPresets[] = {
    {"CROP_PRESET_NAME1", 0.866}, {"CROP_PRESET_NAME2", 0.816}, {"CROP_PRESET_NAME3", 0.7071},
    {"CROP_PRESET_NAME4", 0.577}, {"CROP_PRESET_NAME5", 0.5},
};

// Methods of the size and position matrices.
enum Method { Relative = 0, Absolute = 1 };

bool isPreset(const QVariant& item) {
    if (item.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariant name = item.toMap().value(qs(kCropPresetNameKey));
    return name.typeId() == QMetaType::QString && !name.toString().isEmpty();
}

bool has(const QVariantMap& preset, const char* key) {
    return preset.contains(qs(key));
}

float number(const QVariantMap& preset, const char* key) {
    return preset.value(qs(key)).toFloat();
}

UserDefaults& defaults() {
    return UserDefaults::standardUserDefaults();
}

// At its own size in the middle of the main screen.
void centreOnScreen(QDialog& dialog) {
    dialog.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
}

} // namespace

// ---------------------------------------------------------------------------
// The palette's two dialogs

class CropController::AddPresetDialog : public QDialog {
public:
    AddPresetDialog() {
        setObjectName(qs("addPresetWindow"));
        setWindowTitle(text("ADD_PRESET_TITLE"));
        setModal(true);
        nameField = new QLineEdit;
        nameField->setObjectName(qs("name"));
        sizeSwitch = new QCheckBox(text("PRESET_SIZE"));
        sizeSwitch->setObjectName(qs("sizeSwitch"));
        positionSwitch = new QCheckBox(text("PRESET_POSITION"));
        positionSwitch->setObjectName(qs("positionSwitch"));
        constraintSwitch = new QCheckBox(text("PRESET_CONSTRAINT"));
        constraintSwitch->setObjectName(qs("constraintSwitch"));
        sizeMethod = makeMethod(qs("size"));
        positionMethod = makeMethod(qs("position"));
        okButton = new QPushButton(text("OK"));
        okButton->setObjectName(qs("ok"));
        okButton->setDefault(true);
        auto* cancel = new QPushButton(text("CANCEL"));
        cancel->setObjectName(qs("cancel"));

        auto* form = new QFormLayout;
        form->addRow(text("PRESET_NAME"), nameField);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        for (auto [box, method] :
             {std::pair{sizeSwitch, sizeMethod}, std::pair{positionSwitch, positionMethod}}) {
            layout->addWidget(box);
            auto* row = new QHBoxLayout;
            row->addSpacing(20);
            for (QAbstractButton* cell : method->buttons())
                row->addWidget(cell);
            row->addStretch();
            layout->addLayout(row);
        }
        layout->addWidget(constraintSwitch);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(cancel);
        buttons->addWidget(okButton);
        layout->addLayout(buttons);

        connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(nameField, &QLineEdit::textChanged, this, [this] { validate(); });
        connect(sizeSwitch, &QCheckBox::toggled, this, [this] {
            // The size is part of every preset.
            sizeSwitch->setChecked(true);
            validate();
        });
        connect(positionSwitch, &QCheckBox::toggled, this, [this] { validate(); });

        sizeSwitch->setChecked(true);
        sizeMethod->button(Relative)->setChecked(true);
        positionMethod->button(Relative)->setChecked(true);
        validate();
    }

    void validate() {
        okButton->setEnabled(!nameField->text().isEmpty() && sizeSwitch->isChecked());
        for (QAbstractButton* cell : sizeMethod->buttons())
            cell->setEnabled(sizeSwitch->isChecked());
        for (QAbstractButton* cell : positionMethod->buttons())
            cell->setEnabled(positionSwitch->isChecked());
    }

    QLineEdit* nameField;
    QCheckBox* sizeSwitch;
    QCheckBox* positionSwitch;
    QCheckBox* constraintSwitch;
    QButtonGroup* sizeMethod;
    QButtonGroup* positionMethod;
    QPushButton* okButton;

private:
    QButtonGroup* makeMethod(const QString& name) {
        auto* group = new QButtonGroup(this);
        auto* relative = new QRadioButton(text("PRESET_RELATIVE"));
        relative->setObjectName(name + qs("Relative"));
        auto* absolute = new QRadioButton(text("PRESET_ABSOLUTE"));
        absolute->setObjectName(name + qs("Absolute"));
        group->addButton(relative, Relative);
        group->addButton(absolute, Absolute);
        return group;
    }
};

class CropController::RemovePresetDialog : public QDialog {
public:
    explicit RemovePresetDialog(const QVariantList& presets) {
        setObjectName(qs("removePresetWindow"));
        setWindowTitle(text("REMOVE_PRESET_TITLE"));
        setModal(true);
        table = new QListWidget;
        table->setObjectName(qs("presetTable"));
        table->addItems(NamedPresets::names(presets, kCropPresetNameKey));
        removeButton = new QPushButton(text("REMOVE_PRESET_BUTTON"));
        removeButton->setObjectName(qs("remove"));
        auto* cancel = new QPushButton(text("CANCEL"));
        cancel->setObjectName(qs("cancel"));
        cancel->setDefault(true);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(table);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(cancel);
        buttons->addWidget(removeButton);
        layout->addLayout(buttons);
        connect(removeButton, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(table, &QListWidget::itemSelectionChanged, this, [this] { validate(); });
        table->clearSelection();
        table->setCurrentRow(-1);
        validate();
    }

    int selectedRow() const {
        const QList<QListWidgetItem*> chosen = table->selectedItems();
        return chosen.isEmpty() ? -1 : table->row(chosen.first());
    }
    void validate() { removeButton->setEnabled(selectedRow() >= 0); }

    QListWidget* table;
    QPushButton* removeButton;
};

// ---------------------------------------------------------------------------

CropController* CropController::sharedCropController() {
    static CropController* instance = nullptr;
    if (!instance) {
        instance = new CropController;
        qAddPostRoutine([] {
            delete instance;
            instance = nullptr;
        });
    }
    return instance;
}

CropController::CropController()
    : _window(std::make_unique<ModePaletteWindow>(
          ModePaletteWindow::Keyboard::Refuses, [this] { windowWillClose(); },
          [this] { windowMoved(); })) {
    buildWindow();
}

CropController::~CropController() = default;

void CropController::buildWindow() {
    _window->setObjectName(qs("Crop"));
    _window->setWindowTitle(text("CROP_PANEL_TITLE"));
    _constraintPopUp = new QComboBox;
    _constraintPopUp->setObjectName(qs("constraint"));
    _constraintPopUp->setFocusPolicy(Qt::NoFocus);
    for (const ConstraintItem& item : kConstraintItems) {
        if (item.titleKey)
            _constraintPopUp->addItem(text(item.titleKey), item.tag);
        else
            _constraintPopUp->insertSeparator(_constraintPopUp->count());
    }
    _presetPopUp = new QComboBox;
    _presetPopUp->setObjectName(qs("preset"));
    _presetPopUp->setFocusPolicy(Qt::NoFocus);
    _presetPopUp->addItem(text("CROP_NO_PRESET"));
    _presetPopUp->addItem(text("CROP_ADD_PRESET"));
    _presetPopUp->addItem(text("CROP_REMOVE_PRESET"));
    _presetPopUp->insertSeparator(3);
    _cropSizeField = new QLabel;
    _cropSizeField->setObjectName(qs("cropSize"));
    _cropSizeField->setAlignment(Qt::AlignCenter);
    _cropSizeField->setMinimumHeight(2 * _cropSizeField->fontMetrics().height() + 4);

    auto* form = new QFormLayout(_window.get());
    form->addRow(text("CROP_CONSTRAINT_LABEL"), _constraintPopUp);
    form->addRow(text("CROP_PRESET_LABEL"), _presetPopUp);
    form->addRow(text("CROP_SIZE_LABEL"), _cropSizeField);

    connect(_constraintPopUp, &QComboBox::activated, this, [this] { constraintChanged(); });
    connect(_presetPopUp, &QComboBox::activated, this, [this] { presetChanged(); });
    setConstraintTag(0);
    buildCropPresetsMenu();
    setCropInfo({});
    _window->adjustSize();
}

QWidget* CropController::window() const {
    return _window.get();
}

void CropController::showWindow() {
    showToolWindow(*_window);
}

void CropController::close() {
    _window->hide();
}

bool CropController::isVisible() const {
    return _window->isVisible();
}

void CropController::setOrigin(QPoint frameBottomLeft) {
    if (_movedByUser)
        return;
    const int height = _window->frameGeometry().height();
    _placedAt = {frameBottomLeft.x(), frameBottomLeft.y() - height};
    _placed = true;
    _placing = true;
    _window->move(_placedAt);
    _placing = false;
    _movedByUser = false;
}

void CropController::windowMoved() {
    // Only a move to somewhere other than where the palette put itself is the user's.
    if (_placing || !_placed || !_window->isVisible())
        return;
    if (_window->frameGeometry().topLeft() != _placedAt)
        _movedByUser = true;
}

void CropController::setDocumentController(ZaroziveZodiroVirizidivi* controller) {
    _docWindowController = controller;
}

ZaroziveZodiroVirizidivi* CropController::documentController() const {
    return _docWindowController;
}

void CropController::windowWillClose() {
    post(kCropPanelClosedNofity);
}

void CropController::post(const char* name) {
    NotificationCenter::defaultCenter().postNotificationName(qs(name),
                                                             static_cast<const QObject*>(this));
}

// ---------------------------------------------------------------------------
// The constraint

float CropController::calcRatioFromTag(int tag) {
    switch (tag) {
    case -2:
        return 1.0f;
    case -1:
        return -1.0f;
    case 1:
        return 0.75f;
    case 2:
    case 5:
        return 0.8f;
    case 3:
        return 2.0f / 3.0f;
    case 4:
        return 5.0f / 7.0f;
    case 11:
        return 4.0f / 3.0f;
    case 12:
    case 15:
        return 1.25f;
    case 13:
        return 1.5f;
    case 14:
        return 1.4f;
    default:
        return 0.0f;
    }
}

void CropController::setConstraintTag(int tag) {
    _constraintTag = tag;
    _constraintRatio = calcRatioFromTag(tag);
    for (int i = 0; i < _constraintPopUp->count(); ++i) {
        const QVariant data = _constraintPopUp->itemData(i);
        if (data.isValid() && data.toInt() == tag) {
            _constraintPopUp->setCurrentIndex(i);
            break;
        }
    }
}

void CropController::constraintChanged() {
    _constraintTag = _constraintPopUp->currentData().toInt();
    _constraintRatio = calcRatioFromTag(_constraintTag);
    _presetPopUp->setCurrentIndex(NoPresetItem);
    _lastPresetSelection = NoPresetItem;
    post(kCropPanelConstraintChangedNofity);
}

// ---------------------------------------------------------------------------
// Presets

QVariantList CropController::cropPresets() {
    NamedPresets::seedOnce(kCropPresetsKey, kCropPresetsInitedKey, [] {
        QVariantList builtIns;
        for (const BuiltInPreset& preset : kBuiltInPresets)
            builtIns.append(QVariantMap{{qs(kCropPresetNameKey), text(preset.nameKey)},
                                        {qs(kCropPresetXScaleKey), preset.scale},
                                        {qs(kCropPresetYScaleKey), preset.scale}});
        return builtIns;
    });
    QVariantList presets;
    for (const QVariant& item : defaults().arrayForKey(qs(kCropPresetsKey)))
        if (isPreset(item))
            presets.append(item);
    return presets;
}

void CropController::setCropPresets(const QVariantList& presets) {
    NamedPresets::store(kCropPresetsKey, presets);
    buildCropPresetsMenu();
}

void CropController::buildCropPresetsMenu() {
    NamedPresets::fillPopUp(*_presetPopUp, kFirstPresetItem,
                            NamedPresets::names(cropPresets(), kCropPresetNameKey));
    _presetPopUp->setCurrentIndex(NoPresetItem);
    _lastPresetSelection = NoPresetItem;
}

QVariantMap CropController::selectedPreset() {
    const int index = _presetPopUp->currentIndex() - kFirstPresetItem;
    const QVariantList presets = cropPresets();
    return index >= 0 && index < presets.size() ? presets.at(index).toMap() : QVariantMap();
}

QVariantMap CropController::getPresetByName(const QString& name) {
    return NamedPresets::presetNamed(cropPresets(), kCropPresetNameKey, name);
}

void CropController::selectPresetByName(const QString& name) {
    if (!name.isEmpty())
        for (int i = kFirstPresetItem; i < _presetPopUp->count(); ++i)
            if (_presetPopUp->itemText(i) == name) {
                _presetPopUp->setCurrentIndex(i);
                return;
            }
    _presetPopUp->setCurrentIndex(NoPresetItem);
}

void CropController::presetChanged() {
    const int index = _presetPopUp->currentIndex();
    if (index == NoPresetItem || index >= kFirstPresetItem) {
        _lastPresetSelection = index;
        post(kCropPresetsChangedNofity);
    } else if (index == AddPresetItem) {
        if (addAPreset())
            _lastPresetSelection = _presetPopUp->currentIndex();
        else
            _presetPopUp->setCurrentIndex(_lastPresetSelection);
    } else if (index == RemovePresetItem) {
        if (removeAPreset()) {
            _presetPopUp->setCurrentIndex(NoPresetItem);
            _lastPresetSelection = NoPresetItem;
        } else {
            _presetPopUp->setCurrentIndex(_lastPresetSelection);
        }
    } else {
        _lastPresetSelection = index;
    }
}

void CropController::endDialog() {
    showWindow();
    if (_docWindowController)
        _docWindowController->setEditMode(1);
}

QVariantMap CropController::presetFromCropInfo(const AddPresetDialog& dialog) const {
    const Rect c = rectFromString(_cropInfo.value(qs(kCropInfoCropRectKey)).toString());
    const Rect photo = rectFromString(_cropInfo.value(qs(kCropInfoImageRectKey)).toString());
    const double w = photo.width();
    const double h = photo.height();
    QVariantMap preset{{qs(kCropPresetNameKey), dialog.nameField->text()}};
    if (dialog.sizeMethod->checkedId() == Absolute) {
        preset.insert(qs(kCropPresetXPixelsKey), double(c.width()));
        preset.insert(qs(kCropPresetYPixelsKey), double(c.height()));
    } else {
        preset.insert(qs(kCropPresetXScaleKey), c.width() / w);
        preset.insert(qs(kCropPresetYScaleKey), c.height() / h);
    }
    if (dialog.positionSwitch->isChecked()) {
        const double cx = c.minX() + c.width() * 0.5;
        const double cy = c.minY() + c.height() * 0.5;
        if (dialog.positionMethod->checkedId() == Absolute) {
            preset.insert(qs(kCropPresetXPositionAbsKey), cx);
            preset.insert(qs(kCropPresetYPositionAbsKey), cy);
        } else {
            preset.insert(qs(kCropPresetXPositionRelKey), cx / w);
            preset.insert(qs(kCropPresetYPositionRelKey), cy / h);
        }
    }
    if (dialog.constraintSwitch->isChecked())
        preset.insert(qs(kCropPresetConstraintKey), _constraintTag);
    return preset;
}

bool CropController::addAPreset() {
    close();
    AddPresetDialog dialog;
    centreOnScreen(dialog);
    for (;;) {
        if (ModalAlert::runDialog(dialog) != QDialog::Accepted) {
            endDialog();
            return false;
        }
        const QString name = dialog.nameField->text();
        if (getPresetByName(name).isEmpty())
            break;
        NamedPresets::alertNameTaken(name);
    }
    QVariantList presets = cropPresets();
    presets.append(presetFromCropInfo(dialog));
    setCropPresets(presets);
    _presetPopUp->setCurrentIndex(_presetPopUp->count() - 1);
    endDialog();
    return true;
}

bool CropController::removeAPreset() {
    close();
    const QVariantList presets = cropPresets();
    RemovePresetDialog dialog(presets);
    centreOnScreen(dialog);
    bool removed = false;
    for (;;) {
        const int row =
            ModalAlert::runDialog(dialog) == QDialog::Accepted ? dialog.selectedRow() : -1;
        if (row < 0 || row >= presets.size())
            break;
        const QString name = presets.at(row).toMap().value(qs(kCropPresetNameKey)).toString();
        if (NamedPresets::askRemoval(name) == ModalAlert::DefaultReturn)
            continue;
        QVariantList left = presets;
        left.removeAt(row);
        setCropPresets(left);
        removed = true;
        break;
    }
    endDialog();
    return removed;
}

// ---------------------------------------------------------------------------
// The crop shown

void CropController::setItemEnabled(int index, bool enabled) {
    if (auto* model = qobject_cast<QStandardItemModel*>(_presetPopUp->model()))
        if (QStandardItem* item = model->item(index))
            item->setEnabled(enabled);
}

void CropController::setCropInfo(const QVariantMap& info) {
    _cropInfo = info;
    const Rect crop = rectFromString(info.value(qs(kCropInfoCropRectKey)).toString());
    const Rect photo = rectFromString(info.value(qs(kCropInfoImageRectKey)).toString());
    if (!info.isEmpty() && crop != kZeroRect) {
        const QString across = UTMinimalFloatStr(crop.width() / photo.width() * 100, "%1.1f");
        const QString up = UTMinimalFloatStr(crop.height() / photo.height() * 100, "%1.1f");
        _cropSizeField->setText(stringWithFormat(qs("%d x %d\n%@%% x %@%%"), int(crop.width()),
                                                 int(crop.height()), across, up));
        setItemEnabled(AddPresetItem, true);
    } else {
        _cropSizeField->setText(text("NO_CROP"));
        setItemEnabled(AddPresetItem, false);
    }
    setItemEnabled(RemovePresetItem, !cropPresets().isEmpty());
    validatePresetAgainstCropInfo(info);
}

void CropController::validatePresetAgainstCropInfo(const QVariantMap& info) {
    const QVariantMap preset = selectedPreset();
    if (preset.isEmpty())
        return;
    const Rect c = rectFromString(info.value(qs(kCropInfoCropRectKey)).toString());
    const Rect p = rectFromString(info.value(qs(kCropInfoImageRectKey)).toString());
    bool valid = false;
    if (c != kZeroRect) {
        const bool scaled = has(preset, kCropPresetXScaleKey);
        const bool sized = scaled || has(preset, kCropPresetXPixelsKey);
        const Size size = scaled  ? Size{p.width() * number(preset, kCropPresetXScaleKey),
                                        p.height() * number(preset, kCropPresetYScaleKey)}
                          : sized ? Size{number(preset, kCropPresetXPixelsKey),
                                         number(preset, kCropPresetYPixelsKey)}
                                  : kZeroSize;
        const bool relative = has(preset, kCropPresetXPositionRelKey);
        const bool placed = relative || has(preset, kCropPresetXPositionAbsKey);
        const Point centre =
            relative ? Point{p.width() * number(preset, kCropPresetXPositionRelKey),
                             p.height() * number(preset, kCropPresetYPositionRelKey)}
            : placed ? Point{std::round(number(preset, kCropPresetXPositionAbsKey)),
                             std::round(number(preset, kCropPresetYPositionAbsKey))}
                     : p.center();
        const Rect e = UTCenterRectOnPoint({kZeroPoint, size}, centre);
        const auto near = [](float a, float b) { return std::abs(a - b) < kPresetTolerance; };
        if (sized && placed)
            valid = near(e.minX(), c.minX()) && near(e.minY(), c.minY()) &&
                    near(e.maxX(), c.maxX()) && near(e.maxY(), c.maxY());
        else if (sized)
            valid = near(e.width(), c.width()) && near(e.height(), c.height());
        else if (placed)
            valid = near(e.midX(), c.midX()) && near(e.midY(), c.midY());
    }
    if (valid)
        return;
    _presetPopUp->setCurrentIndex(NoPresetItem);
    _lastPresetSelection = NoPresetItem;
    post(kCropPresetInvalidatedNofity);
}
