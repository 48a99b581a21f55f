#include "shell/SettingsStore.h"

#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "shell/PasswordScrambling.h"
#include "shell/PreferenceTable.h"
#include "shell/SystemEnvironment.h"

#include <cstring>

namespace {

constexpr char kDefaultTemplateCategory[] = "DEFAULT_TEMPLATE_CATEGORY";

constexpr int kMinWindowWidth = 600;
constexpr int kMinWindowHeight = 500;
constexpr int kMinDrawerWidth = 200;

// The window-size default is taken from the screen, less room for the drawer and the
// menu bar, within these bounds.
constexpr float kScreenWidthReserve = 550;
constexpr float kScreenHeightReserve = 40;
constexpr float kMaxDefaultWindowSide = 720;
constexpr float kMinDefaultWindowHeight = 528;

constexpr int kPackedVersion100 = 256;

struct MeasurementUnit {
    const char* name;
    float divisor; // points per unit
    int displayUnit;
};

constexpr MeasurementUnit kMeasurementUnits[] = {
    {"Centimeters", 28.35f, 2},
    {"Points", 1.0f, 4},
    {"Picas", 12.0f, 3},
};
constexpr MeasurementUnit kInches = {"Inches", 72.0f, 1};

QString keyOf(const PreferenceEntry& entry) {
    return QString::fromLatin1(entry.key);
}

} // namespace

SettingsStore::SettingsStore(UserDefaults& defaults, SystemEnvironment& environment)
    : _defaults(defaults), _environment(environment) {}

int SettingsStore::storedLevel() const {
    return int(_defaults.integerForKey(QString::fromLatin1(kPreferencesInitializedKey)));
}

bool SettingsStore::beginStep(int level) {
    if (storedLevel() >= level)
        return false;
    _defaults.setIntegerForKey(level, QString::fromLatin1(kPreferencesInitializedKey));
    return true;
}

// Steps store their defaults through the setters, whose reads run this again; by
// then the step's level is stored, so the step is not repeated.
void SettingsStore::initPreferences() {
    if (beginStep(72)) {
        setPreferencesBOOLFor(true, PrefDocumentDrawerOpen);
        setPreferencesBOOLFor(true, PrefAppNewDocumentOnActivate);
        setPreferencesBOOLFor(true, PrefImportProfiles);
        setPreferencesBOOLFor(false, PrefEnableSaveBack);
        setPreferencesIntFor(768, PrefSaveBackSpatialQuality);
        setPreferencesIntFor(0, PrefLayoutArrangementMode);
        setPreferencesIntFor(kMinDrawerWidth, PrefDocumentDrawerWidth);
        _defaults.setIntegerForKey(1, QString::fromLatin1(kDefaultLivePreviewKey));
    }
    if (beginStep(80))
        setPreferencesIntFor(0, PrefLayoutScaleMode);
    if (beginStep(88))
        setPreferencesNSSizeFor(kZeroSize, PrefTemplateSelectorSize);
    if (beginStep(89))
        setPreferencesBOOLFor(true, PrefRememberWindowSizeAndPos);
    if (beginStep(90))
        setPreferencesIntFor(15, PrefRedEyeAperture);
    if (storedLevel() < 128)
        runLevel128Step();
    if (beginStep(130))
        _defaults.setObjectForKey(QStringLiteral("YES"),
                                  QString::fromLatin1(kShowTemplateManagerKey));
    if (beginStep(136)) {
        setPreferencesBOOLFor(true, PrefPrintSkipEmptyPrintAreasEnabled);
        setPreferencesBOOLFor(true, PrefCheckForApplicationUpdates);
        setPreferencesNSSizeFor(kZeroSize, PrefIPhotoSelectorSize);
    }
    if (beginStep(144)) {
        const bool simplified =
            _environment.processorCode() != SystemEnvironment::kIntelProcessor &&
            _environment.systemVersion() < 0x1046;
        setPreferencesBOOLFor(simplified, PrefSimplifiedPrinting);
    }
}

void SettingsStore::runLevel128Step() {
    const Size paper = _environment.defaultPaperSize();
    if (!beginStep(128))
        return;
    setPreferencesIntFor(300, PrefPTDResolution);
    setPreferencesIntFor(300, PrefPrintLimitResolution);
    setPreferencesIntFor(0, PrefPrintLimitType);
    setPreferencesBOOLFor(true, PrefPrintLimitEnabled);
    setPreferencesBOOLFor(false, PrefPrintMirroredEnabled);
    setPreferencesBOOLFor(false, PrefPTDMirroredEnabled);
    const QString empty(QLatin1String(""));
    setPreferencesStringFor(empty, PrefSendersFullName);
    setPreferencesStringFor(empty, PrefSendersEmailAddress);
    setPreferencesStringFor(empty, PrefSendMailHost);
    setPreferencesIntFor(25, PrefSendServerPort);
    setPreferencesBOOLFor(false, PrefSendUseSSL);
    setPreferencesIntFor(0, PrefSendAuthenticationMethod);
    setPreferencesStringFor(empty, PrefSendUsername);
    setPreferencesStringFor(empty, PrefSendPassword);
    setPreferencesBOOLFor(true, PrefExchangeCheckForUpdates);
    setPreferencesIntFor(1, PrefExchangeUpdateFrequency);
    setPreferencesStringFor(localizedString(QString::fromLatin1(kDefaultTemplateCategory)),
                            PrefTemplateDocCategory);
    setPreferencesStringFor(_environment.userFullName(), PrefTemplateDocCreator);
    setPreferencesStringFor(empty, PrefTemplateDocCopyright);
    setPreferencesIntFor(kPackedVersion100, PrefTemplateDocVersion);
    setPreferencesBOOLFor(true, PrefTemplatePageSizingMethod);
    setPreferencesIntFor(8, PrefTemplatePageGridDivisions);

    QString unitName = _defaults.stringForKey(QString::fromLatin1(kAppleMeasurementUnitsKey));
    if (unitName.isNull())
        unitName = _defaults.stringForKey(QString::fromLatin1(kNSMeasurementUnitKey));
    if (unitName.isNull())
        unitName = _environment.localeMeasurementUnits();
    MeasurementUnit unit = kInches;
    for (const MeasurementUnit& candidate : kMeasurementUnits)
        if (unitName == QLatin1String(candidate.name))
            unit = candidate;
    setPreferencesNSSizeFor({paper.width / unit.divisor, paper.height / unit.divisor},
                            PrefTemplatePageSize);
    setPreferencesIntFor(unit.displayUnit, PrefTemplatePageDisplayUnits);

    const int width = preferencesIntFor(PrefDocumentWindowWidth);
    const int height = preferencesIntFor(PrefDocumentWindowHeight);
    if ((width == 600 || width == 0) && (height == 528 || height == 0)) {
        const Rect visible = _environment.mainScreenVisibleFrame();
        float w = visible.width() - kScreenWidthReserve;
        float h = visible.height() - kScreenHeightReserve;
        if (w > kMaxDefaultWindowSide)
            w = kMaxDefaultWindowSide;
        if (w < kMinWindowWidth)
            w = kMinWindowWidth;
        if (h > kMaxDefaultWindowSide)
            h = kMaxDefaultWindowSide;
        if (h < kMinDefaultWindowHeight)
            h = kMinDefaultWindowHeight;
        setPreferencesIntFor(int(w), PrefDocumentWindowWidth);
        setPreferencesIntFor(int(h), PrefDocumentWindowHeight);
    }
}

int SettingsStore::preferencesIntFor(int index) {
    initPreferences();
    const PreferenceEntry entry = preferenceEntry(index);
    switch (entry.type) {
    case PreferenceType::Integer:
        return int(_defaults.integerForKey(keyOf(entry)));
    case PreferenceType::WindowSide: {
        const Size size = preferencesNSSizeFor(PrefDocumentWindowSize);
        return int(index == PrefDocumentWindowWidth ? size.width : size.height);
    }
    default:
        return -1;
    }
}

void SettingsStore::setPreferencesIntFor(int value, int index) {
    if (preferencesIntFor(index) == value)
        return;
    const PreferenceEntry entry = preferenceEntry(index);
    if (entry.type == PreferenceType::WindowSide) {
        Size size = preferencesNSSizeFor(PrefDocumentWindowSize);
        if (index == PrefDocumentWindowWidth)
            size.width = float(value);
        else
            size.height = float(value);
        setPreferencesNSSizeFor(size, PrefDocumentWindowSize);
        return;
    }
    if (entry.type != PreferenceType::Integer)
        return;
    if (index == PrefDocumentDrawerWidth) {
        if (value < kMinDrawerWidth)
            value = kMinDrawerWidth;
        else if (value > preferencesIntFor(PrefDocumentWindowWidth))
            value = preferencesIntFor(PrefDocumentWindowWidth);
    }
    _defaults.setIntegerForKey(value, keyOf(entry));
}

bool SettingsStore::preferencesBOOLFor(int index) {
    initPreferences();
    const PreferenceEntry entry = preferenceEntry(index);
    if (entry.type != PreferenceType::Flag)
        return false;
    return _defaults.boolForKey(keyOf(entry));
}

void SettingsStore::setPreferencesBOOLFor(bool value, int index) {
    const PreferenceEntry entry = preferenceEntry(index);
    if (preferencesBOOLFor(index) == value || entry.type != PreferenceType::Flag)
        return;
    _defaults.setBoolForKey(value, keyOf(entry));
}

Size SettingsStore::preferencesNSSizeFor(int index) {
    initPreferences();
    const PreferenceEntry entry = preferenceEntry(index);
    if (entry.type != PreferenceType::Size)
        return kZeroSize;
    const QString text = _defaults.stringForKey(keyOf(entry));
    if (text.isNull())
        return kZeroSize;
    return sizeFromString(text);
}

void SettingsStore::setPreferencesNSSizeFor(Size value, int index) {
    const Size current = preferencesNSSizeFor(index);
    if (current.width == value.width && current.height == value.height)
        return;
    const PreferenceEntry entry = preferenceEntry(index);
    if (entry.type != PreferenceType::Size)
        return;
    if (index == PrefDocumentWindowSize) {
        if (value.width < kMinWindowWidth)
            value.width = kMinWindowWidth;
        if (value.height < kMinWindowHeight)
            value.height = kMinWindowHeight;
    }
    _defaults.setObjectForKey(stringFromSize(value), keyOf(entry));
}

QString SettingsStore::storedPassword(const QString& userName) {
    const QString key = keyOf(preferenceEntry(PrefSendPassword));
    if (!_defaults.objectForKey(key).isValid())
        return QString();
    return DecryptString(_defaults.dataForKey(key), userName);
}

QString SettingsStore::preferencesStringFor(int index) {
    initPreferences();
    const PreferenceEntry entry = preferenceEntry(index);
    switch (entry.type) {
    case PreferenceType::Text:
        return _defaults.stringForKey(keyOf(entry));
    case PreferenceType::ScrambledText:
        return storedPassword(_defaults.stringForKey(keyOf(preferenceEntry(PrefSendUsername))));
    default:
        return QString();
    }
}

void SettingsStore::setPreferencesStringFor(const QString& value, int index) {
    const QString current = preferencesStringFor(index);
    // A stored empty text differs from none.
    if (value.isNull() || (!current.isNull() && current == value))
        return;
    const PreferenceEntry entry = preferenceEntry(index);
    switch (entry.type) {
    case PreferenceType::Text:
        if (index == PrefSendUsername) {
            // The password is scrambled with the user name as key: re-scramble it with
            // the new name so that it survives the change.
            const QString password = preferencesStringFor(PrefSendPassword);
            _defaults.setObjectForKey(value, keyOf(entry));
            if (!password.isNull())
                _defaults.setObjectForKey(EncryptString(password, value),
                                          keyOf(preferenceEntry(PrefSendPassword)));
            return;
        }
        _defaults.setObjectForKey(value, keyOf(entry));
        return;
    case PreferenceType::ScrambledText:
        _defaults.setObjectForKey(EncryptString(value, preferencesStringFor(PrefSendUsername)),
                                  keyOf(entry));
        return;
    default:
        return;
    }
}
