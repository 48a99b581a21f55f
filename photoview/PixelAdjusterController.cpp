#include "photoview/PixelAdjusterController.h"

#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "photoview/NamedPresets.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/Notification.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Commands.h"
#include "platform/ui/FractionSlider.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A percentage or sharpness as the fields show it: at most one decimal.
QString numberText(double value) {
    const double rounded = std::round(value * 10) / 10;
    return QString::number(rounded == 0 ? 0.0 : rounded);
}

// What a field holds as a number; 0 for text that is none.
double fieldNumber(const QLineEdit* field) {
    const QString typed = field->text().trimmed();
    bool ok = false;
    double value = QLocale().toDouble(typed, &ok);
    if (!ok)
        value = typed.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

// Slider (100 neutral) to factor, rounded to a whole slider step first.
double roundedFactor(double slider) {
    return (double(std::lround(slider)) - PixelAdjusterController::kNeutral) * 0.01 + 1;
}

struct BuiltInPreset {
    const char* nameKey;
    double saturation, brightness, contrast;
    int sharpness;
};
// A negative value: the preset has no such key.
constexpr BuiltInPreset kBuiltInPresets[] = {
    {"ENH_PRESET_NAME1", 0.0, -1, -1, -1},   {"ENH_PRESET_NAME2", 1.3, -1, -1, -1},
    {"ENH_PRESET_NAME3", 1.6, -1, -1, -1},   {"ENH_PRESET_NAME4", -1, -1, -1, 3},
    {"ENH_PRESET_NAME5", -1, -1, -1, 6},     {"ENH_PRESET_NAME6", 1.3, -1, -1, 3},
    {"ENH_PRESET_NAME7", 1.6, -1, -1, 6},    {"ENH_PRESET_NAME8", -1, 0.8, 1.2, -1},
    {"ENH_PRESET_NAME9", -1, 0.6, 1.3, -1},  {"ENH_PRESET_NAME10", -1, 1.4, 1.1, -1},
    {"ENH_PRESET_NAME11", -1, 1.8, 1.1, -1},
};

FractionSlider* factorSlider(const char* name) {
    auto* slider = named(new FractionSlider(Qt::Horizontal), name);
    slider->setRange(0, PixelAdjusterController::kSliderMaximum);
    // A whole step per pixel at least, so that a drag reaches every value.
    slider->setMinimumWidth(PixelAdjusterController::kSliderMaximum + 20);
    return slider;
}

FractionSlider* sharpnessSlider(const char* name) {
    auto* slider = named(new FractionSlider(Qt::Horizontal), name);
    slider->setRange(0, PixelAdjusterController::kSharpnessMaximum);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    return slider;
}

QLineEdit* percentField(const char* name) {
    auto* field = named(new QLineEdit, name);
    field->setMaximumWidth(56);
    field->setAlignment(Qt::AlignRight);
    return field;
}

} // namespace

// The palette's widgets under the window. The close command stops here
// instead of closing the catalog window behind the palette.
class PixelAdjusterController::Content : public QWidget, public CommandResponder {
public:
    Content(PixelAdjusterController& owner, QWidget* parent) : QWidget(parent), _owner(owner) {}
    bool respondsToAction(const QString& action) const override {
        return action == QLatin1String("performClose:");
    }
    void performAction(const QString&, QAction*) override { _owner.performClose(); }

private:
    PixelAdjusterController& _owner;
};

PixelAdjusterController* PixelAdjusterController::sharedPixelAdjusterController() {
    return sharedInstance<PixelAdjusterController>();
}

PixelAdjusterController::PixelAdjusterController()
    : CatalogPaletteController(QStringLiteral("PixelAdjuster"), QSize(300, 400)) {
    buildWindow();
    buildAddPresetDialog();
    buildRemovePresetDialog();
    connectControls();
    observe();
    setFrameAutosaveName(QStringLiteral("_pixel_adjuster_window"));
    const QVariant live =
        UserDefaults::standardUserDefaults().objectForKey(str(kDefaultLivePreviewKey));
    if (live.isValid())
        _livePreviewSwitch->setChecked(live.toString().toInt() != 0);
    _livePreview = _livePreviewSwitch->isChecked();
    _applyButton->setEnabled(!_livePreview);
    buildEnhancePresetsMenu();
    updateValues();
}

PixelAdjusterController::~PixelAdjusterController() {
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
}

QPoint PixelAdjusterController::defaultOrigin(const QRect& visibleFrame,
                                              const QSize& frameSize) const {
    // Top right, 2 points in from the right and top edges.
    return {visibleFrame.x() + visibleFrame.width() - frameSize.width() - 2, visibleFrame.y() + 2};
}

// ---------------------------------------------------------------------------
// The window

void PixelAdjusterController::buildWindow() {
    QWidget* top = window();
    top->setWindowTitle(text("ENHANCE_PANEL_TITLE"));
    auto* outer = new QVBoxLayout(top);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* content = new Content(*this, top);
    outer->addWidget(content);
    auto* layout = new QVBoxLayout(content);
    _tabPanelView = named(new QTabWidget, "_tabPanelView");
    layout->addWidget(_tabPanelView);

    const auto row = [](QGridLayout* grid, int r, const char* labelKey, QWidget* slider,
                        QWidget* field) {
        grid->addWidget(new QLabel(text(labelKey)), r, 0, Qt::AlignRight);
        grid->addWidget(slider, r, 1);
        if (field)
            grid->addWidget(field, r, 2);
    };

    // The selected photos.
    auto* selection = new QWidget;
    auto* selectionGrid = new QGridLayout(selection);
    _selectionInfoField = named(new QLabel, "_selectionInfoField");
    selectionGrid->addWidget(_selectionInfoField, 0, 0, 1, 3);
    _brightnessSlider = factorSlider("_brightnessSlider");
    _brightnessField = percentField("_brightnessField");
    _contrastSlider = factorSlider("_contrastSlider");
    _contrastField = percentField("_contrastField");
    _saturationSlider = factorSlider("_saturationSlider");
    _saturationField = percentField("_saturationField");
    _sharpnessSlider = sharpnessSlider("_sharpnessSlider");
    row(selectionGrid, 1, "ENH_BRIGHTNESS", _brightnessSlider, _brightnessField);
    row(selectionGrid, 2, "ENH_CONTRAST", _contrastSlider, _contrastField);
    row(selectionGrid, 3, "ENH_SATURATION", _saturationSlider, _saturationField);
    row(selectionGrid, 4, "ENH_SHARPNESS", _sharpnessSlider, nullptr);
    _presetPopUp = named(new QComboBox, "_presetPopUp");
    _presetPopUp->addItem(text("ENH_PRESETS_ITEM"));
    _presetPopUp->addItem(text("ENH_DOC_DEFAULTS_ITEM"));
    _presetPopUp->addItem(text("ENH_ADD_PRESET_ITEM"));
    _presetPopUp->addItem(text("ENH_REMOVE_PRESET_ITEM"));
    _presetPopUp->insertSeparator(4);
    selectionGrid->addWidget(_presetPopUp, 5, 0, 1, 3);
    _livePreviewSwitch = named(new QCheckBox(text("ENH_LIVE_PREVIEW")), "_livePreviewSwitch");
    _applyButton = named(new QPushButton(text("ENH_APPLY")), "_applyButton");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(_livePreviewSwitch);
    buttons->addStretch(1);
    buttons->addWidget(_applyButton);
    selectionGrid->addLayout(buttons, 6, 0, 1, 3);
    selectionGrid->setRowStretch(7, 1);
    _tabPanelView->addTab(selection, text("ENH_SELECTION_TAB"));

    // The document's defaults.
    auto* defaults = new QWidget;
    auto* defaultsGrid = new QGridLayout(defaults);
    _docActiveCatalogInfoField = named(new QLabel, "_docActiveCatalogInfoField");
    defaultsGrid->addWidget(_docActiveCatalogInfoField, 0, 0, 1, 3);
    _docDefaultMethodView = named(new QWidget, "_docDefaultMethodView");
    auto* methods = new QVBoxLayout(_docDefaultMethodView);
    methods->setContentsMargins(0, 0, 0, 0);
    _docDefaultMethodMatrix = new QButtonGroup(_docDefaultMethodView);
    _docDefaultMethodMatrix->setObjectName(QStringLiteral("_docDefaultMethodMatrix"));
    auto* useApp = named(new QRadioButton(text("ENH_USE_APP_DEFAULTS")), "_docUsesAppDefaultsCell");
    auto* useOwn = named(new QRadioButton(text("ENH_USE_DOC_DEFAULTS")), "_docUsesOwnDefaultsCell");
    _docDefaultMethodMatrix->addButton(useApp, 1);
    _docDefaultMethodMatrix->addButton(useOwn, 0);
    methods->addWidget(useApp);
    methods->addWidget(useOwn);
    defaultsGrid->addWidget(_docDefaultMethodView, 1, 0, 1, 3);
    _docBrightnessSlider = factorSlider("_docBrightnessSlider");
    _docBrightnessField = percentField("_docBrightnessField");
    _docContrastSlider = factorSlider("_docContrastSlider");
    _docContrastField = percentField("_docContrastField");
    _docSaturationSlider = factorSlider("_docSaturationSlider");
    _docSaturationField = percentField("_docSaturationField");
    _docSharpnessSlider = sharpnessSlider("_docSharpnessSlider");
    row(defaultsGrid, 2, "ENH_BRIGHTNESS", _docBrightnessSlider, _docBrightnessField);
    row(defaultsGrid, 3, "ENH_CONTRAST", _docContrastSlider, _docContrastField);
    row(defaultsGrid, 4, "ENH_SATURATION", _docSaturationSlider, _docSaturationField);
    row(defaultsGrid, 5, "ENH_SHARPNESS", _docSharpnessSlider, nullptr);
    defaultsGrid->setRowStretch(6, 1);
    _tabPanelView->addTab(defaults, text("ENH_DOCUMENT_TAB"));
    top->adjustSize();
}

void PixelAdjusterController::buildAddPresetDialog() {
    _addPresetWindow = named(new QDialog(window()), "_addPresetWindow");
    _addPresetWindow->setWindowTitle(text("ENH_ADD_PRESET_TITLE"));
    _addPresetWindow->setModal(true);
    auto* grid = new QGridLayout(_addPresetWindow);
    grid->addWidget(new QLabel(text("ENH_PRESET_NAME_LABEL")), 0, 0);
    _addPresetNameField = named(new QLineEdit, "_addPresetNameField");
    grid->addWidget(_addPresetNameField, 0, 1);
    const auto valueRow = [this, grid](int r, const char* labelKey, const char* switchName,
                                       const char* fieldName, QCheckBox*& toggle,
                                       QLineEdit*& field) {
        toggle = named(new QCheckBox(text(labelKey)), switchName);
        field = named(new QLineEdit, fieldName);
        // The values come from the palette's sliders: shown, not typed.
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(toggle, r, 0);
        grid->addWidget(field, r, 1);
        QObject::connect(toggle, &QCheckBox::toggled, _addPresetWindow,
                         [this] { validateAddPreset(); });
    };
    valueRow(1, "ENH_SATURATION", "_addPresetSaturationSwitch", "_addPresetSaturationField",
             _addPresetSaturationSwitch, _addPresetSaturationField);
    valueRow(2, "ENH_BRIGHTNESS", "_addPresetBrightnessSwitch", "_addPresetBrightnessField",
             _addPresetBrightnessSwitch, _addPresetBrightnessField);
    valueRow(3, "ENH_CONTRAST", "_addPresetContrastSwitch", "_addPresetContrastField",
             _addPresetContrastSwitch, _addPresetContrastField);
    valueRow(4, "ENH_SHARPNESS", "_addPresetSharpnessSwitch", "_addPresetSharpnessField",
             _addPresetSharpnessSwitch, _addPresetSharpnessField);
    _addPresetCancelButton = named(new QPushButton(text("CANCEL")), "_addPresetCancelButton");
    _addPresetOKButton = named(new QPushButton(text("OK")), "_addPresetOKButton");
    _addPresetOKButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(_addPresetCancelButton);
    buttons->addWidget(_addPresetOKButton);
    grid->addLayout(buttons, 5, 0, 1, 2);
    QObject::connect(_addPresetCancelButton, &QPushButton::clicked, _addPresetWindow,
                     &QDialog::reject);
    QObject::connect(_addPresetOKButton, &QPushButton::clicked, _addPresetWindow, &QDialog::accept);
    QObject::connect(_addPresetNameField, &QLineEdit::textChanged, _addPresetWindow,
                     [this] { validateAddPreset(); });
}

void PixelAdjusterController::buildRemovePresetDialog() {
    _removePresetWindow = named(new QDialog(window()), "_removePresetWindow");
    _removePresetWindow->setWindowTitle(text("ENH_REMOVE_PRESET_TITLE"));
    _removePresetWindow->setModal(true);
    auto* layout = new QVBoxLayout(_removePresetWindow);
    _removePresetTable = named(new QListWidget, "_removePresetTable");
    _removePresetTable->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(_removePresetTable);
    _removePresetCancelButton = named(new QPushButton(text("CANCEL")), "_removePresetCancelButton");
    _removePresetRemoveButton =
        named(new QPushButton(text("ENH_REMOVE_BUTTON")), "_removePresetRemoveButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(_removePresetCancelButton);
    buttons->addWidget(_removePresetRemoveButton);
    layout->addLayout(buttons);
    QObject::connect(_removePresetCancelButton, &QPushButton::clicked, _removePresetWindow,
                     &QDialog::reject);
    QObject::connect(_removePresetRemoveButton, &QPushButton::clicked, _removePresetWindow,
                     &QDialog::accept);
    QObject::connect(_removePresetTable, &QListWidget::itemSelectionChanged, _removePresetWindow,
                     [this] { validateRemovePreset(); });
}

void PixelAdjusterController::connectControls() {
    QWidget* owner = window();
    const auto onEdit = [owner](FractionSlider* slider, auto action) {
        QObject::connect(slider, &FractionSlider::valueEdited, owner, action);
    };
    const auto onField = [owner](QLineEdit* field, auto action) {
        QObject::connect(field, &QLineEdit::editingFinished, owner, action);
    };
    onEdit(_saturationSlider, [this] { saturationSliderChange(); });
    onEdit(_brightnessSlider, [this] { brightnessSliderChange(); });
    onEdit(_contrastSlider, [this] { contrastSliderChange(); });
    onEdit(_sharpnessSlider, [this] { sharpnessChange(); });
    onField(_saturationField, [this] { saturationFieldChanged(); });
    onField(_brightnessField, [this] { brightnessFieldChanged(); });
    onField(_contrastField, [this] { contrastFieldChanged(); });
    onEdit(_docSaturationSlider, [this] { docSaturationSliderChange(); });
    onEdit(_docBrightnessSlider, [this] { docBrightnessSliderChange(); });
    onEdit(_docContrastSlider, [this] { docContrastSliderChange(); });
    onEdit(_docSharpnessSlider, [this] { docSharpnessSliderChange(); });
    onField(_docSaturationField, [this] { docSaturationFieldChanged(); });
    onField(_docBrightnessField, [this] { docBrightnessFieldChanged(); });
    onField(_docContrastField, [this] { docContrastFieldChanged(); });
    for (FractionSlider* slider :
         {_saturationSlider, _brightnessSlider, _contrastSlider, _sharpnessSlider,
          _docSaturationSlider, _docBrightnessSlider, _docContrastSlider, _docSharpnessSlider}) {
        QObject::connect(slider, &QSlider::sliderPressed, owner, [this] { sliderPressed(); });
        QObject::connect(slider, &QSlider::sliderReleased, owner, [this] { sliderReleased(); });
    }
    QObject::connect(_docDefaultMethodMatrix, &QButtonGroup::idClicked, owner,
                     [this] { docDefaultMethodChange(); });
    QObject::connect(_livePreviewSwitch, &QCheckBox::clicked, owner,
                     [this] { livePreviewChange(); });
    QObject::connect(_applyButton, &QPushButton::clicked, owner, [this] { pixelAdjustApply(); });
    QObject::connect(_presetPopUp, &QComboBox::activated, owner,
                     [this](int index) { presetChanged(index); });
}

void PixelAdjusterController::observe() {
    observeMainWindows();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* self = this;
    center.addObserver(self, str(kPixelEnhancemntChangedNotify), nullptr,
                       [this](const Notification& n) {
                           if (document() && n.object() == static_cast<const QObject*>(document()))
                               updateValues();
                       });
    for (const char* name :
         {kVQFileCatalogSelectionChangedNotify, kVQFileCatalogPhotoVisiblyChangedNotify})
        center.addObserver(self, str(name), nullptr, [this](const Notification& n) {
            if (document() && !_inApply && n.object() == &document()->fileCatalog())
                updateValues();
        });
    // Becoming key reloads, on the tab the user is on.
    center.addObserver(self, str(kWindowDidBecomeKeyNotification),
                       static_cast<const QObject*>(window()),
                       [this](const Notification&) { updateValues(_docDefaultMethodMatrix); });
}

// ---------------------------------------------------------------------------
// Following the main window

void PixelAdjusterController::documentChanged() {
    updateValues();
}

void PixelAdjusterController::documentWillGo() {
    sliderReleased();
}

// ---------------------------------------------------------------------------
// Reload and apply

void PixelAdjusterController::setFactorControls(FractionSlider* slider, QLineEdit* field,
                                                double factor) {
    slider->setDoubleValue((factor - 1) * 100 + kNeutral);
    field->setText(numberText((factor - 1) * 100));
}

void PixelAdjusterController::updateValues(QObject* sender) {
    RoduvudeDadevizi* doc = document();
    QList<int> selected;
    if (doc)
        selected = doc->fileCatalog().getSelectedIndices();
    double saturation = 1, brightness = 1, contrast = 1;
    int sharpness = 0;
    bool enableSelection = false;
    QString selectionInfo = text("NO_SELECTION");
    if (doc && !selected.isEmpty()) {
        VQFileCatalog& catalog = doc->fileCatalog();
        const int index = selected.first();
        saturation = catalog.getFileAttributeAtIndex(kCatalogAttrSaturation, index).toDouble();
        brightness = catalog.getFileAttributeAtIndex(kCatalogAttrBrightness, index).toDouble();
        contrast = catalog.getFileAttributeAtIndex(kCatalogAttrContrast, index).toDouble();
        sharpness = catalog.getFileAttributeAtIndex(kCatalogAttrSharpness, index).toInt();
        if (selected.size() > 1) {
            selectionInfo = text("MULTI_SELECTION");
            enableSelection = true;
        } else if (const QString name = catalog.getFileNameAtIndex(index); !name.isEmpty()) {
            selectionInfo = name;
            enableSelection = true;
        }
    }
    _selectionInfoField->setText(selectionInfo);
    setFactorControls(_saturationSlider, _saturationField, saturation);
    setFactorControls(_brightnessSlider, _brightnessField, brightness);
    setFactorControls(_contrastSlider, _contrastField, contrast);
    _sharpnessSlider->setDoubleValue(sharpness);
    for (QWidget* control : std::initializer_list<QWidget*>{
             _saturationSlider, _saturationField, _brightnessSlider, _brightnessField,
             _contrastSlider, _contrastField, _sharpnessSlider, _presetPopUp})
        control->setEnabled(enableSelection);

    // The document tab shows the document whenever there is one: its controls act on it.
    _docActiveCatalogInfoField->setText(doc ? doc->displayName() : text("NO_DOCUMENT_ACTIVE"));
    _docDefaultMethodMatrix->button(doc && doc->usesAppEnhancementDefaults() ? 1 : 0)
        ->setChecked(true);
    _docDefaultMethodView->setEnabled(doc != nullptr);
    setFactorControls(_docSaturationSlider, _docSaturationField,
                      doc ? doc->defaultSaturation() : 1.0);
    setFactorControls(_docBrightnessSlider, _docBrightnessField,
                      doc ? doc->defaultBrightness() : 1.0);
    setFactorControls(_docContrastSlider, _docContrastField, doc ? doc->defaultContrast() : 1.0);
    _docSharpnessSlider->setDoubleValue(doc ? doc->defaultSharpness() : 0);
    const bool enableDocument = !doc || !doc->usesAppEnhancementDefaults();
    for (QWidget* control : std::initializer_list<QWidget*>{
             _docSaturationSlider, _docSaturationField, _docBrightnessSlider, _docBrightnessField,
             _docContrastSlider, _docContrastField, _docSharpnessSlider})
        control->setEnabled(enableDocument);

    if (sender != _docDefaultMethodMatrix)
        switchTabView(doc && !selected.isEmpty() ? SelectionTab : DocumentTab);
}

void PixelAdjusterController::pixelAdjustApply() {
    RoduvudeDadevizi* doc = document();
    if (!doc)
        return;
    VQFileCatalog& catalog = doc->fileCatalog();
    const QList<int> selected = catalog.getSelectedIndices();
    if (selected.isEmpty())
        return;
    QVariantMap adjustments;
    adjustments.insert(str(kAdjustSharpnessKey), int(std::lround(_sharpnessSlider->doubleValue())));
    adjustments.insert(str(kAdjustContrastKey), roundedFactor(_contrastSlider->doubleValue()));
    adjustments.insert(str(kAdjustSaturationKey), roundedFactor(_saturationSlider->doubleValue()));
    adjustments.insert(str(kAdjustBrightnessKey), roundedFactor(_brightnessSlider->doubleValue()));
    // The catalog's notices of these changes would reload the sliders mid-way.
    _inApply = true;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it)
        catalog.setFileAttributeAtIndexToValue(kCatalogAttrAdjustments, *it, adjustments);
    _inApply = false;
}

void PixelAdjusterController::applyIfLive() {
    if (_livePreview)
        pixelAdjustApply();
}

void PixelAdjusterController::sliderPressed() {
    if (_dragGroupDocument || !document())
        return;
    _dragGroupDocument = document();
    _dragGroupDocument->undoManager()->beginUndoGrouping();
}

void PixelAdjusterController::sliderReleased() {
    if (RoduvudeDadevizi* doc = _dragGroupDocument) {
        _dragGroupDocument = nullptr;
        doc->undoManager()->endUndoGrouping();
    }
}

// ---------------------------------------------------------------------------
// Selection controls

void PixelAdjusterController::selectionSliderChanged(FractionSlider* slider, QLineEdit* field) {
    field->setText(numberText(slider->doubleValue() - kNeutral));
    applyIfLive();
}

void PixelAdjusterController::selectionFieldChanged(QLineEdit* field, FractionSlider* slider) {
    const double percent = std::clamp(fieldNumber(field), kFieldMinimum, kFieldMaximum);
    field->setText(numberText(percent));
    slider->setDoubleValue(percent + kNeutral);
    applyIfLive();
}

void PixelAdjusterController::saturationSliderChange() {
    selectionSliderChanged(_saturationSlider, _saturationField);
}
void PixelAdjusterController::saturationFieldChanged() {
    selectionFieldChanged(_saturationField, _saturationSlider);
}
void PixelAdjusterController::brightnessSliderChange() {
    selectionSliderChanged(_brightnessSlider, _brightnessField);
}
void PixelAdjusterController::brightnessFieldChanged() {
    selectionFieldChanged(_brightnessField, _brightnessSlider);
}
void PixelAdjusterController::contrastSliderChange() {
    selectionSliderChanged(_contrastSlider, _contrastField);
}
void PixelAdjusterController::contrastFieldChanged() {
    selectionFieldChanged(_contrastField, _contrastSlider);
}
void PixelAdjusterController::sharpnessChange() {
    applyIfLive();
}

void PixelAdjusterController::livePreviewChange() {
    _livePreview = _livePreviewSwitch->isChecked();
    _applyButton->setEnabled(!_livePreview);
    applyIfLive();
}

// ---------------------------------------------------------------------------
// Document controls

void PixelAdjusterController::docSliderChanged(FractionSlider* slider, QLineEdit* field,
                                               void (*store)(RoduvudeDadevizi&, float)) {
    const double value = slider->doubleValue();
    field->setText(numberText(value - kNeutral));
    if (document())
        store(*document(), float((value - kNeutral) * 0.01 + 1));
}

void PixelAdjusterController::docFieldChanged(QLineEdit* field, FractionSlider* slider,
                                              void (*store)(RoduvudeDadevizi&, float)) {
    const double percent = std::clamp(fieldNumber(field), kFieldMinimum, kFieldMaximum);
    field->setText(numberText(percent));
    slider->setDoubleValue(percent + kNeutral);
    if (document())
        store(*document(), float(1 + percent * 0.01));
}

namespace {
void storeSaturation(RoduvudeDadevizi& doc, float value) {
    doc.setDefaultSaturation(value);
}
void storeBrightness(RoduvudeDadevizi& doc, float value) {
    doc.setDefaultBrightness(value);
}
void storeContrast(RoduvudeDadevizi& doc, float value) {
    doc.setDefaultContrast(value);
}
} // namespace

void PixelAdjusterController::docSaturationSliderChange() {
    docSliderChanged(_docSaturationSlider, _docSaturationField, storeSaturation);
}
void PixelAdjusterController::docSaturationFieldChanged() {
    docFieldChanged(_docSaturationField, _docSaturationSlider, storeSaturation);
}
void PixelAdjusterController::docBrightnessSliderChange() {
    docSliderChanged(_docBrightnessSlider, _docBrightnessField, storeBrightness);
}
void PixelAdjusterController::docBrightnessFieldChanged() {
    docFieldChanged(_docBrightnessField, _docBrightnessSlider, storeBrightness);
}
void PixelAdjusterController::docContrastSliderChange() {
    docSliderChanged(_docContrastSlider, _docContrastField, storeContrast);
}
void PixelAdjusterController::docContrastFieldChanged() {
    docFieldChanged(_docContrastField, _docContrastSlider, storeContrast);
}

void PixelAdjusterController::docSharpnessSliderChange() {
    if (document())
        document()->setDefaultSharpness(int(_docSharpnessSlider->doubleValue()));
}

void PixelAdjusterController::docDefaultMethodChange() {
    if (document())
        document()->setUsesAppEnhancementDefaults(_docDefaultMethodMatrix->checkedId() == 1);
    updateValues(_docDefaultMethodMatrix);
}

void PixelAdjusterController::switchTabView(int tab) {
    _tabPanelView->setCurrentIndex(tab);
}

void PixelAdjusterController::performClose() {
    ModalAlert::beep();
}

// ---------------------------------------------------------------------------
// Presets

QVariantList PixelAdjusterController::enhancePresets() {
    NamedPresets::seedOnce(kEnhancePresetsKey, kEnhancePresetsInitedKey, [] {
        QVariantList seeded;
        for (const BuiltInPreset& preset : kBuiltInPresets) {
            QVariantMap made;
            made.insert(str(kPresetNameKey), text(preset.nameKey));
            if (preset.saturation >= 0)
                made.insert(str(kPresetSaturationKey), preset.saturation);
            if (preset.brightness >= 0)
                made.insert(str(kPresetBrightnessKey), preset.brightness);
            if (preset.contrast >= 0)
                made.insert(str(kPresetContrastKey), preset.contrast);
            if (preset.sharpness >= 0)
                made.insert(str(kPresetSharpnessKey), preset.sharpness);
            seeded.append(made);
        }
        return seeded;
    });
    return UserDefaults::standardUserDefaults().objectForKey(str(kEnhancePresetsKey)).toList();
}

void PixelAdjusterController::setEnhancePresets(const QVariantList& presets) {
    NamedPresets::store(kEnhancePresetsKey, presets);
    buildEnhancePresetsMenu();
}

QVariantMap PixelAdjusterController::getPresetByName(const QString& name) {
    return NamedPresets::presetNamed(enhancePresets(), kPresetNameKey, name);
}

void PixelAdjusterController::buildEnhancePresetsMenu() {
    NamedPresets::fillPopUp(*_presetPopUp, kFirstPresetItem,
                            NamedPresets::names(enhancePresets(), kPresetNameKey));
    _presetPopUp->setCurrentIndex(TitleItem);
}

void PixelAdjusterController::presetChanged(int index) {
    if (index == DocumentDefaultsItem) {
        if (RoduvudeDadevizi* doc = document()) {
            setFactorControls(_saturationSlider, _saturationField, doc->defaultSaturation());
            setFactorControls(_brightnessSlider, _brightnessField, doc->defaultBrightness());
            setFactorControls(_contrastSlider, _contrastField, doc->defaultContrast());
            _sharpnessSlider->setDoubleValue(doc->defaultSharpness());
        }
        applyIfLive();
        return;
    }
    if (index == AddPresetItem) {
        if (!addAPreset())
            _presetPopUp->setCurrentIndex(TitleItem);
        return;
    }
    if (index == RemovePresetItem) {
        if (!removeAPreset())
            _presetPopUp->setCurrentIndex(TitleItem);
        return;
    }
    const QVariantList presets = enhancePresets();
    const int n = index - kFirstPresetItem;
    if (n < 0 || n >= presets.size())
        return;
    const QVariantMap preset = presets.at(n).toMap();
    const std::pair<const char*, std::pair<FractionSlider*, QLineEdit*>> factors[] = {
        {kPresetSaturationKey, {_saturationSlider, _saturationField}},
        {kPresetBrightnessKey, {_brightnessSlider, _brightnessField}},
        {kPresetContrastKey, {_contrastSlider, _contrastField}}};
    for (const auto& [name, controls] : factors)
        if (preset.contains(str(name)))
            setFactorControls(controls.first, controls.second, preset.value(str(name)).toDouble());
    if (preset.contains(str(kPresetSharpnessKey)))
        _sharpnessSlider->setDoubleValue(preset.value(str(kPresetSharpnessKey)).toDouble());
    applyIfLive();
}

void PixelAdjusterController::validateAddPreset() {
    const bool anyOn =
        _addPresetSaturationSwitch->isChecked() || _addPresetBrightnessSwitch->isChecked() ||
        _addPresetContrastSwitch->isChecked() || _addPresetSharpnessSwitch->isChecked();
    _addPresetOKButton->setEnabled(!_addPresetNameField->text().isEmpty() && anyOn);
}

bool PixelAdjusterController::addAPreset() {
    const double saturation = roundedFactor(_saturationSlider->doubleValue());
    const double brightness = roundedFactor(_brightnessSlider->doubleValue());
    const double contrast = roundedFactor(_contrastSlider->doubleValue());
    const int sharpness = int(std::lround(_sharpnessSlider->doubleValue()));
    _addPresetNameField->clear();
    for (QCheckBox* toggle : {_addPresetSaturationSwitch, _addPresetBrightnessSwitch,
                              _addPresetContrastSwitch, _addPresetSharpnessSwitch})
        toggle->setChecked(true);
    _addPresetSaturationField->setText(numberText((saturation - 1) * 100));
    _addPresetBrightnessField->setText(numberText((brightness - 1) * 100));
    _addPresetContrastField->setText(numberText((contrast - 1) * 100));
    _addPresetSharpnessField->setText(QString::number(sharpness));
    validateAddPreset();
    _addPresetNameField->setFocus();

    QString name;
    for (;;) {
        const int code = ModalAlert::runDialog(*_addPresetWindow);
        if (code != QDialog::Accepted || !_addPresetOKButton->isEnabled()) {
            _addPresetWindow->hide();
            return false;
        }
        name = _addPresetNameField->text();
        if (getPresetByName(name).isEmpty())
            break;
        NamedPresets::alertNameTaken(name);
    }
    QVariantMap preset;
    preset.insert(str(kPresetNameKey), name);
    if (_addPresetSaturationSwitch->isChecked())
        preset.insert(str(kPresetSaturationKey), saturation);
    if (_addPresetBrightnessSwitch->isChecked())
        preset.insert(str(kPresetBrightnessKey), brightness);
    if (_addPresetContrastSwitch->isChecked())
        preset.insert(str(kPresetContrastKey), contrast);
    if (_addPresetSharpnessSwitch->isChecked())
        preset.insert(str(kPresetSharpnessKey), sharpness);
    QVariantList presets = enhancePresets();
    presets.append(preset);
    setEnhancePresets(presets);
    _presetPopUp->setCurrentIndex(_presetPopUp->count() - 1);
    _addPresetWindow->hide();
    return true;
}

void PixelAdjusterController::validateRemovePreset() {
    _removePresetRemoveButton->setEnabled(!_removePresetTable->selectedItems().isEmpty());
}

bool PixelAdjusterController::removeAPreset() {
    _removePresetTable->clear();
    _removePresetTable->addItems(NamedPresets::names(enhancePresets(), kPresetNameKey));
    _removePresetTable->clearSelection();
    _removePresetTable->setCurrentRow(-1);
    validateRemovePreset();

    int row = -1;
    for (;;) {
        const int code = ModalAlert::runDialog(*_removePresetWindow);
        row = _removePresetTable->currentRow();
        if (code != QDialog::Accepted || _removePresetTable->selectedItems().isEmpty() || row < 0) {
            _removePresetWindow->hide();
            return false;
        }
        if (NamedPresets::askRemoval(_removePresetTable->item(row)->text()) ==
            ModalAlert::AlternateReturn)
            break;
    }
    QVariantList presets = enhancePresets();
    if (row < presets.size())
        presets.removeAt(row);
    setEnhancePresets(presets);
    _removePresetWindow->hide();
    return true;
}
