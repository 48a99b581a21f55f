#include "CatalogPreferenceController.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDockWidget>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr char kBundle[] = "CatalogPane";
constexpr char kToolTipKey[] = "PREFERENCE_PANE_ICON_TOOLTIP";
constexpr char kCatalogDocumentClass[] = "RoduvudeDadevizi";
constexpr char kBrightnessKey[] = "default_brightness";
constexpr char kSaturationKey[] = "default_saturation";
constexpr char kContrastKey[] = "default_contrast";
constexpr char kSharpnessKey[] = "default_sharpness";
constexpr char kLivePreviewKey[] = "default_live_preview";
constexpr int kMinimumWidth = 600;
constexpr int kMinimumHeight = 528;
constexpr int kRestoreDrawerWidth = 200;
constexpr int kNeutral = 100;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// Slider 0-200 with 100 neutral <-> stored factor with 1.0 neutral.
double factorFromSlider(int slider) {
    return (slider - kNeutral) * 0.01 + 1;
}

QSlider* percentSlider(const char* name) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(0, 2 * kNeutral);
    return slider;
}

QLineEdit* numberField(const char* name, int bottom, int top) {
    auto* field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(name));
    field->setValidator(new QIntValidator(bottom, top, field));
    return field;
}

} // namespace

CatalogPreferenceController::CatalogPreferenceController() = default;

CatalogPreferenceController::~CatalogPreferenceController() {
    if (prefsView)
        qApp->removeEventFilter(this);
    delete prefsView;
}

QString CatalogPreferenceController::paneToolTip() {
    return localizedString(key(kToolTipKey), key(kBundle));
}

QWidget* CatalogPreferenceController::mainView() {
    if (!prefsView) {
        buildView();
        awakeFromNib();
    }
    return prefsView;
}

void CatalogPreferenceController::buildView() {
    prefsView = new QWidget;
    prefsView->setObjectName(QStringLiteral("CatalogPreferencePaneView"));
    auto* form = new QFormLayout(prefsView);

    _windowWidthField = numberField("_windowWidthField", 0, 100000);
    _windowHeightField = numberField("_windowHeightField", 0, 100000);
    _windowDrawerWidthField = numberField("_windowDrawerWidthField", 0, 100000);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(_windowWidthField);
    sizeRow->addWidget(_windowHeightField);
    form->addRow(tr("Window width, height:"), sizeRow);
    form->addRow(tr("Drawer width:"), _windowDrawerWidthField);
    _windowCurrentSizeButton = new QPushButton(tr("Use Current Window"));
    _windowCurrentSizeButton->setObjectName(QStringLiteral("_windowCurrentSizeButton"));
    _windowRestoreSizeButton = new QPushButton(tr("Restore Defaults"));
    _windowRestoreSizeButton->setObjectName(QStringLiteral("_windowRestoreSizeButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(_windowCurrentSizeButton);
    buttons->addWidget(_windowRestoreSizeButton);
    form->addRow(QString(), buttons);

    _showDrawerOnOpenSwitch = new QCheckBox(tr("Show the drawer when a window opens"));
    _showDrawerOnOpenSwitch->setObjectName(QStringLiteral("_showDrawerOnOpenSwitch"));
    _rememberSizeAndPosSwitch = new QCheckBox(tr("Remember window size and position"));
    _rememberSizeAndPosSwitch->setObjectName(QStringLiteral("_rememberSizeAndPosSwitch"));
    _simplifiedPrintingSwitch = new QCheckBox(tr("Simplified printing"));
    _simplifiedPrintingSwitch->setObjectName(QStringLiteral("_simplifiedPrintingSwitch"));
    form->addRow(QString(), _showDrawerOnOpenSwitch);
    form->addRow(QString(), _rememberSizeAndPosSwitch);
    form->addRow(QString(), _simplifiedPrintingSwitch);

    const auto matrix = [this](const char* name, const QStringList& titles) {
        auto* group = new QButtonGroup(prefsView);
        group->setObjectName(QString::fromLatin1(name));
        auto* row = new QHBoxLayout;
        for (int tag = 0; tag < titles.size(); ++tag) {
            auto* cell = new QRadioButton(titles[tag]);
            cell->setObjectName(QStringLiteral("%1Cell%2").arg(QString::fromLatin1(name)).arg(tag));
            group->addButton(cell, tag);
            row->addWidget(cell);
        }
        return std::pair{group, row};
    };
    auto [arrangement, arrangementRow] =
        matrix("_arrangementMatrix", {tr("One per page"), tr("Sequential"), tr("Book")});
    auto [scaling, scalingRow] = matrix("_scalingMatrix", {tr("Fill"), tr("Fit"), tr("Stretch")});
    _arrangementMatrix = arrangement;
    _scalingMatrix = scaling;
    form->addRow(tr("Arrangement:"), arrangementRow);
    form->addRow(tr("Scaling:"), scalingRow);

    _brightnessSlider = percentSlider("_brightnessSlider");
    _brightnessField = numberField("_brightnessField", -kNeutral, kNeutral);
    _saturationSlider = percentSlider("_saturationSlider");
    _saturationField = numberField("_saturationField", -kNeutral, kNeutral);
    _contrastSlider = percentSlider("_contrastSlider");
    _contrastField = numberField("_contrastField", -kNeutral, kNeutral);
    const auto enhancementRow = [form](const QString& title, QSlider* slider, QLineEdit* field) {
        auto* row = new QHBoxLayout;
        row->addWidget(slider);
        if (field) {
            field->setMaximumWidth(60);
            row->addWidget(field);
        }
        form->addRow(title, row);
    };
    enhancementRow(tr("Brightness:"), _brightnessSlider, _brightnessField);
    enhancementRow(tr("Saturation:"), _saturationSlider, _saturationField);
    enhancementRow(tr("Contrast:"), _contrastSlider, _contrastField);
    _sharpnessSlider = new QSlider(Qt::Horizontal);
    _sharpnessSlider->setObjectName(QStringLiteral("_sharpnessSlider"));
    _sharpnessSlider->setRange(0, 100);
    enhancementRow(tr("Sharpness:"), _sharpnessSlider, nullptr);
    _livePreviewSwitch = new QCheckBox(tr("Live preview"));
    _livePreviewSwitch->setObjectName(QStringLiteral("_livePreviewSwitch"));
    form->addRow(QString(), _livePreviewSwitch);

    const auto apply = [this] { applyCatalogPrefChanges(); };
    for (QLineEdit* field : {_windowWidthField, _windowHeightField, _windowDrawerWidthField})
        connect(field, &QLineEdit::editingFinished, this, apply);
    for (QCheckBox* box :
         {_showDrawerOnOpenSwitch, _rememberSizeAndPosSwitch, _simplifiedPrintingSwitch})
        connect(box, &QCheckBox::clicked, this, apply);
    connect(_arrangementMatrix, &QButtonGroup::idClicked, this, apply);
    connect(_scalingMatrix, &QButtonGroup::idClicked, this, apply);
    connect(_windowCurrentSizeButton, &QPushButton::clicked, this,
            [this] { windowCurrentSizeButtonPressed(); });
    connect(_windowRestoreSizeButton, &QPushButton::clicked, this,
            [this] { windowRestoreSizeButtonPressed(); });

    for (auto [slider, field] : {std::pair{_brightnessSlider, _brightnessField},
                                 std::pair{_saturationSlider, _saturationField},
                                 std::pair{_contrastSlider, _contrastField}}) {
        connect(slider, &QSlider::valueChanged, this,
                [this, slider, field] { sliderChanged(slider, field); });
        connect(field, &QLineEdit::editingFinished, this,
                [this, slider, field] { fieldChanged(field, slider); });
    }
    connect(_sharpnessSlider, &QSlider::valueChanged, this, [this] { recordEnhancementChange(); });
    connect(_livePreviewSwitch, &QCheckBox::clicked, this, [this] { recordEnhancementChange(); });

    prefsView->resize(prefsView->sizeHint());
}

void CatalogPreferenceController::awakeFromNib() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    // Watching windows come and go stands in for the application's update notice.
    qApp->installEventFilter(this);
    initCatalogPrefUI();

    for (auto [name, slider, field] :
         {std::tuple{kSaturationKey, _saturationSlider, _saturationField},
          std::tuple{kBrightnessKey, _brightnessSlider, _brightnessField},
          std::tuple{kContrastKey, _contrastSlider, _contrastField}}) {
        const QVariant stored = defaults.objectForKey(key(name));
        const int percent =
            stored.isValid() ? static_cast<int>(std::lround((stored.toDouble() - 1) * 100)) : 0;
        const QSignalBlocker blocker(slider);
        slider->setValue(percent + kNeutral);
        field->setText(QString::number(percent));
    }
    {
        const QSignalBlocker blocker(_sharpnessSlider);
        _sharpnessSlider->setValue(defaults.objectForKey(key(kSharpnessKey)).toInt());
    }
    _livePreviewSwitch->setChecked(defaults.objectForKey(key(kLivePreviewKey)).toInt() != 0);
    applicationDidUpdate();
}

void CatalogPreferenceController::initCatalogPrefUI() {
    if (!prefsView)
        return;
    HostServices& settings = host();
    _windowWidthField->setText(
        QString::number(settings.preferencesIntFor(PrefDocumentWindowWidth)));
    _windowHeightField->setText(
        QString::number(settings.preferencesIntFor(PrefDocumentWindowHeight)));
    _windowDrawerWidthField->setText(
        QString::number(settings.preferencesIntFor(PrefDocumentDrawerWidth)));
    _showDrawerOnOpenSwitch->setChecked(settings.preferencesBOOLFor(PrefDocumentDrawerOpen));
    _rememberSizeAndPosSwitch->setChecked(
        settings.preferencesBOOLFor(PrefRememberWindowSizeAndPos));
    _simplifiedPrintingSwitch->setChecked(settings.preferencesBOOLFor(PrefSimplifiedPrinting));
    if (QAbstractButton* cell =
            _arrangementMatrix->button(settings.preferencesIntFor(PrefLayoutArrangementMode)))
        cell->setChecked(true);
    if (QAbstractButton* cell =
            _scalingMatrix->button(settings.preferencesIntFor(PrefLayoutScaleMode)))
        cell->setChecked(true);
}

void CatalogPreferenceController::applyCatalogPrefChanges() {
    if (!prefsView)
        return;
    int width = _windowWidthField->text().toInt();
    int height = _windowHeightField->text().toInt();
    if (width < kMinimumWidth) {
        width = kMinimumWidth;
        _windowWidthField->setText(QString::number(width));
    }
    if (height < kMinimumHeight) {
        height = kMinimumHeight;
        _windowHeightField->setText(QString::number(height));
    }
    HostServices& settings = host();
    settings.setPreferencesIntFor(width, PrefDocumentWindowWidth);
    settings.setPreferencesIntFor(height, PrefDocumentWindowHeight);
    settings.setPreferencesIntFor(_windowDrawerWidthField->text().toInt(), PrefDocumentDrawerWidth);
    settings.setPreferencesBOOLFor(_showDrawerOnOpenSwitch->isChecked(), PrefDocumentDrawerOpen);
    settings.setPreferencesBOOLFor(_rememberSizeAndPosSwitch->isChecked(),
                                   PrefRememberWindowSizeAndPos);
    settings.setPreferencesBOOLFor(_simplifiedPrintingSwitch->isChecked(), PrefSimplifiedPrinting);
    settings.setPreferencesIntFor(_arrangementMatrix->checkedId(), PrefLayoutArrangementMode);
    settings.setPreferencesIntFor(_scalingMatrix->checkedId(), PrefLayoutScaleMode);
    initCatalogPrefUI();
}

void CatalogPreferenceController::windowRestoreSizeButtonPressed() {
    _windowWidthField->setText(QString::number(kMinimumWidth));
    _windowHeightField->setText(QString::number(kMinimumHeight));
    _windowDrawerWidthField->setText(QString::number(kRestoreDrawerWidth));
    applyCatalogPrefChanges();
}

std::optional<CatalogPreferenceController::CatalogWindowSize>
CatalogPreferenceController::frontCatalogWindowSize() {
    // The active window first, then the others.
    QList<QWidget*> windows = QApplication::topLevelWidgets();
    if (QWidget* active = QApplication::activeWindow()) {
        windows.removeAll(active);
        windows.prepend(active);
    }
    for (QWidget* window : std::as_const(windows)) {
        if (!window->isVisible())
            continue;
        WindowController* controller = WindowController::forWindow(window);
        Document* document = controller ? controller->document() : nullptr;
        if (!document || qstrcmp(document->metaObject()->className(), kCatalogDocumentClass) != 0)
            continue;
        auto* main = qobject_cast<QMainWindow*>(window);
        const QWidget* content = main && main->centralWidget() ? main->centralWidget() : window;
        const auto drawers = window->findChildren<QDockWidget*>();
        return CatalogWindowSize{content->width(), content->height(),
                                 drawers.isEmpty() ? kRestoreDrawerWidth
                                                   : drawers.first()->width()};
    }
    return std::nullopt;
}

void CatalogPreferenceController::windowCurrentSizeButtonPressed() {
    const std::optional<CatalogWindowSize> size = frontCatalogWindowSize();
    if (!size)
        return;
    _windowWidthField->setText(QString::number(size->width));
    _windowHeightField->setText(QString::number(size->height));
    _windowDrawerWidthField->setText(QString::number(size->drawerWidth));
    applyCatalogPrefChanges();
}

void CatalogPreferenceController::applicationDidUpdate() {
    _updatePending = false;
    if (_windowCurrentSizeButton)
        _windowCurrentSizeButton->setEnabled(frontCatalogWindowSize().has_value());
}

bool CatalogPreferenceController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Close:
    case QEvent::Destroy:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow() &&
            !_updatePending) {
            // Looked at once the event is done, when the window is in its new state.
            _updatePending = true;
            QTimer::singleShot(0, this, [this] { applicationDidUpdate(); });
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CatalogPreferenceController::sliderChanged(QSlider* slider, QLineEdit* field) {
    field->setText(QString::number(slider->value() - kNeutral));
    recordEnhancementChange();
}

void CatalogPreferenceController::fieldChanged(QLineEdit* field, QSlider* slider) {
    {
        const QSignalBlocker blocker(slider);
        slider->setValue(field->text().toInt() + kNeutral);
    }
    recordEnhancementChange();
}

void CatalogPreferenceController::recordEnhancementChange() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObjectForKey(_sharpnessSlider->value(), key(kSharpnessKey));
    defaults.setObjectForKey(factorFromSlider(_brightnessSlider->value()), key(kBrightnessKey));
    defaults.setObjectForKey(factorFromSlider(_saturationSlider->value()), key(kSaturationKey));
    defaults.setObjectForKey(factorFromSlider(_contrastSlider->value()), key(kContrastKey));
    defaults.setObjectForKey(_livePreviewSwitch->isChecked() ? 1 : 0, key(kLivePreviewKey));
    defaults.synchronize();
}
