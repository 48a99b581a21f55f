#include "TemplatePreferenceController.h"

#include "framework/model/TMUtilities.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "utilities/NumberText.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>
#include <cmath>

namespace {

constexpr char kBundle[] = "TemplatePane";
constexpr char kToolTipKey[] = "PREFERENCE_PANE_ICON_TOOLTIP";
enum DisplayUnit { Inches = 1, Centimeters = 2, Picas = 3, Points = 4 };
constexpr int kGridDivisions[] = {1, 2, 3, 4, 5, 6, 8, 10, 12, 16};

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key), QString::fromLatin1(kBundle));
}

QString sizeText(float value, DisplayUnit unit) {
    switch (unit) {
    case Inches:
        return TM_LocalizeDecimalString(QString::asprintf("%1.2f in", value));
    case Centimeters:
        return TM_LocalizeDecimalString(QString::asprintf("%1.2f cm", value));
    case Picas:
        return TM_LocalizeDecimalString(QString::asprintf("%1.1f pc", value));
    case Points:
        return QString::asprintf("%d pt", static_cast<int>(value));
    }
    return {};
}

} // namespace

TemplatePreferenceController::TemplatePreferenceController() = default;

TemplatePreferenceController::~TemplatePreferenceController() {
    delete prefsView;
}

QString TemplatePreferenceController::paneToolTip() {
    return text(kToolTipKey);
}

QWidget* TemplatePreferenceController::mainView() {
    if (!prefsView) {
        buildView();
        initTemplatePrefUI();
    }
    return prefsView;
}

void TemplatePreferenceController::buildView() {
    prefsView = new QWidget;
    prefsView->setObjectName(QStringLiteral("TemplatePreferencePaneView"));
    auto* form = new QFormLayout(prefsView);

    _categoryField = new QComboBox;
    _categoryField->setObjectName(QStringLiteral("_categoryField"));
    _categoryField->setEditable(true);
    _categoryField->setInsertPolicy(QComboBox::NoInsert);
    _creatorField = new QLineEdit;
    _creatorField->setObjectName(QStringLiteral("_creatorField"));
    _copyrightField = new QLineEdit;
    _copyrightField->setObjectName(QStringLiteral("_copyrightField"));
    _versionField = new QLineEdit;
    _versionField->setObjectName(QStringLiteral("_versionField"));
    form->addRow(tr("Category:"), _categoryField);
    form->addRow(tr("Creator:"), _creatorField);
    form->addRow(tr("Copyright:"), _copyrightField);
    form->addRow(tr("Version:"), _versionField);

    _autoPageSizeMatrix = new QButtonGroup(prefsView);
    auto* automatic = new QRadioButton(tr("Use the printer's paper size"));
    automatic->setObjectName(QStringLiteral("_autoPageSizeCell0"));
    auto* fixed = new QRadioButton(tr("Use this size:"));
    fixed->setObjectName(QStringLiteral("_autoPageSizeCell1"));
    _autoPageSizeMatrix->addButton(automatic, 0);
    _autoPageSizeMatrix->addButton(fixed, 1);
    form->addRow(tr("Page size:"), automatic);
    form->addRow(QString(), fixed);

    _pageWidthField = new QLineEdit;
    _pageWidthField->setObjectName(QStringLiteral("_pageWidthField"));
    _pageHeightField = new QLineEdit;
    _pageHeightField->setObjectName(QStringLiteral("_pageHeightField"));
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(_pageWidthField);
    sizeRow->addWidget(_pageHeightField);
    form->addRow(tr("Width, height:"), sizeRow);

    _displayUnitsPopUp = new QComboBox;
    _displayUnitsPopUp->setObjectName(QStringLiteral("_displayUnitsPopUp"));
    _displayUnitsPopUp->addItem(tr("Inches"), Inches);
    _displayUnitsPopUp->addItem(tr("Centimeters"), Centimeters);
    _displayUnitsPopUp->addItem(tr("Picas"), Picas);
    _displayUnitsPopUp->addItem(tr("Points"), Points);
    form->addRow(tr("Display units:"), _displayUnitsPopUp);

    _gridDivisionsPopUp = new QComboBox;
    _gridDivisionsPopUp->setObjectName(QStringLiteral("_gridDivisionsPopUp"));
    for (int divisions : kGridDivisions)
        _gridDivisionsPopUp->addItem(QString::asprintf("%d", divisions));
    form->addRow(tr("Grid divisions:"), _gridDivisionsPopUp);

    const auto apply = [this] { applyTemplatePrefChanges(); };
    connect(_categoryField, &QComboBox::activated, this, apply);
    connect(_categoryField->lineEdit(), &QLineEdit::editingFinished, this, apply);
    for (QLineEdit* field :
         {_creatorField, _copyrightField, _versionField, _pageWidthField, _pageHeightField})
        connect(field, &QLineEdit::editingFinished, this, apply);
    connect(_autoPageSizeMatrix, &QButtonGroup::idClicked, this, apply);
    connect(_displayUnitsPopUp, &QComboBox::activated, this, apply);
    connect(_gridDivisionsPopUp, &QComboBox::activated, this, apply);

    prefsView->resize(prefsView->sizeHint());
}

void TemplatePreferenceController::applyTemplatePrefChanges() {
    if (!prefsView || _applying)
        return;
    _applying = true;
    HostServices& settings = host();
    // The fields show the user's decimal separator, so they are read with it.
    const QString separator = TM_LocalizeDecimalString(QStringLiteral("."));
    const auto height =
        static_cast<float>(readLocalizedNumber(_pageHeightField->text(), separator));
    const auto width = static_cast<float>(readLocalizedNumber(_pageWidthField->text(), separator));

    settings.setPreferencesStringFor(_categoryField->currentText(), PrefTemplateDocCategory);
    settings.setPreferencesStringFor(_creatorField->text(), PrefTemplateDocCreator);
    settings.setPreferencesStringFor(_copyrightField->text(), PrefTemplateDocCopyright);
    settings.setPreferencesIntFor(TM_EncodeVersion(_versionField->text()), PrefTemplateDocVersion);
    settings.setPreferencesBOOLFor(_autoPageSizeMatrix->checkedId() == 0,
                                   PrefTemplatePageSizingMethod);
    settings.setPreferencesNSSizeFor(Size{width, height}, PrefTemplatePageSize);
    settings.setPreferencesIntFor(_displayUnitsPopUp->currentData().toInt(),
                                  PrefTemplatePageDisplayUnits);
    settings.setPreferencesIntFor(_gridDivisionsPopUp->currentText().toInt(),
                                  PrefTemplatePageGridDivisions);
    initTemplatePrefUI();
    _applying = false;
}

void TemplatePreferenceController::initTemplatePrefUI() {
    if (!prefsView)
        return;
    HostServices& settings = host();
    const QString category = settings.preferencesStringFor(PrefTemplateDocCategory);
    _categoryField->clear();
    _categoryField->addItems(settings.installedTemplateCategories());
    const int found = _categoryField->findText(category);
    if (found >= 0)
        _categoryField->setCurrentIndex(found);
    _categoryField->setEditText(category);

    _creatorField->setText(settings.preferencesStringFor(PrefTemplateDocCreator));
    _copyrightField->setText(settings.preferencesStringFor(PrefTemplateDocCopyright));
    _versionField->setText(TM_DecodeVersion(settings.preferencesIntFor(PrefTemplateDocVersion)));

    const bool automatic = settings.preferencesBOOLFor(PrefTemplatePageSizingMethod);
    _autoPageSizeMatrix->button(automatic ? 0 : 1)->setChecked(true);

    const int unit = settings.preferencesIntFor(PrefTemplatePageDisplayUnits);
    if (unit >= Inches && unit <= Points) {
        const Size size = settings.preferencesNSSizeFor(PrefTemplatePageSize);
        _pageWidthField->setText(sizeText(size.width, static_cast<DisplayUnit>(unit)));
        _pageHeightField->setText(sizeText(size.height, static_cast<DisplayUnit>(unit)));
    }
    const int unitItem = _displayUnitsPopUp->findData(unit);
    if (unitItem >= 0)
        _displayUnitsPopUp->setCurrentIndex(unitItem);
    const int gridItem = _gridDivisionsPopUp->findText(
        QString::asprintf("%d", settings.preferencesIntFor(PrefTemplatePageGridDivisions)));
    if (gridItem >= 0)
        _gridDivisionsPopUp->setCurrentIndex(gridItem);

    if (automatic) {
        _pageWidthField->setEnabled(false);
        _pageHeightField->setEnabled(false);
    } else {
        const bool wasDisabled = !_pageWidthField->isEnabled();
        _pageWidthField->setEnabled(true);
        _pageHeightField->setEnabled(true);
        if (wasDisabled)
            _pageWidthField->setFocus();
    }
}
