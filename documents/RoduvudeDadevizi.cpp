#include "documents/RoduvudeDadevizi.h"

#include "catalog/VQFileCatalog.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/Exporter.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

namespace {

// A stored text read as a number; `fallback` when the key is absent.
double defaultsNumber(const char* key, double fallback) {
    const QVariant value =
        UserDefaults::standardUserDefaults().objectForKey(QString::fromLatin1(key));
    if (!value.isValid())
        return fallback;
    return value.toString().trimmed().toDouble();
}

} // namespace

RoduvudeDadevizi::RoduvudeDadevizi() : _fileCatalog(std::make_shared<VQFileCatalog>()) {
    _fileCatalog->setDocument(this);
    if (HostServices* services = HostServices::current()) {
        _printArrangementMode = services->preferencesIntFor(PrefLayoutArrangementMode);
        _printScaleMode = services->preferencesIntFor(PrefLayoutScaleMode);
        _ptdResolution = services->preferencesIntFor(PrefPTDResolution);
        _ptdMirrorImage = services->preferencesBOOLFor(PrefPTDMirroredEnabled);
        _printMirrorImage = services->preferencesBOOLFor(PrefPrintMirroredEnabled);
        _printSkipEmptyPrintAreas =
            services->preferencesBOOLFor(PrefPrintSkipEmptyPrintAreasEnabled);
        _printLimitEnabled = services->preferencesBOOLFor(PrefPrintLimitEnabled);
        _printLimitType = services->preferencesIntFor(PrefPrintLimitType);
        _printLimitDPI = services->preferencesIntFor(PrefPrintLimitResolution);
    }
}

RoduvudeDadevizi::~RoduvudeDadevizi() {
    _mapper.reset();
    _fileCatalog->shutdown();
    _fileCatalog->setDocument(nullptr);
}

void RoduvudeDadevizi::setModifiedOnDecode(bool) {
    _modifiedOnDecode = true;
}

int RoduvudeDadevizi::defaultSharpness() const {
    if (!_useAppEnhDefaults)
        return _defaultSharpness;
    return int(defaultsNumber(kDefaultSharpnessKey, 0));
}

float RoduvudeDadevizi::defaultContrast() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultContrastKey, 1.0)) : _defaultContrast;
}

float RoduvudeDadevizi::defaultSaturation() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultSaturationKey, 1.0))
                              : _defaultSaturation;
}

float RoduvudeDadevizi::defaultBrightness() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultBrightnessKey, 1.0))
                              : _defaultBrightness;
}

template <class T>
void RoduvudeDadevizi::setWithUndo(T& field, T value, void (RoduvudeDadevizi::*setter)(T),
                                   const char* actionKey) {
    if (field == value)
        return;
    const T old = field;
    field = value;
    UndoManager* undo = undoManager();
    undo->registerUndo(this, [this, setter, old] { (this->*setter)(old); });
    undo->setActionName(localizedString(QString::fromLatin1(actionKey)));
}

void RoduvudeDadevizi::setUsesAppEnhancementDefaults(bool flag) {
    setWithUndo(_useAppEnhDefaults, flag, &RoduvudeDadevizi::setUsesAppEnhancementDefaults,
                kDefUsageAction);
}

void RoduvudeDadevizi::setDefaultSharpness(int sharpness) {
    setWithUndo(_defaultSharpness, sharpness, &RoduvudeDadevizi::setDefaultSharpness,
                kDefSharpnessAction);
}

void RoduvudeDadevizi::setDefaultContrast(float contrast) {
    setWithUndo(_defaultContrast, contrast, &RoduvudeDadevizi::setDefaultContrast,
                kDefContrastAction);
}

void RoduvudeDadevizi::setDefaultSaturation(float saturation) {
    setWithUndo(_defaultSaturation, saturation, &RoduvudeDadevizi::setDefaultSaturation,
                kDefSaturationAction);
}

void RoduvudeDadevizi::setDefaultBrightness(float brightness) {
    setWithUndo(_defaultBrightness, brightness, &RoduvudeDadevizi::setDefaultBrightness,
                kDefBrightnessAction);
}

Exporter& RoduvudeDadevizi::ptdExporter() {
    if (!_ptdExporter) {
        _ptdExporter = std::make_shared<Exporter>();
        const QVariantMap stored = UserDefaults::standardUserDefaults().dictionaryForKey(
            QString::fromLatin1(kPtdExportDefaultConfigKey));
        if (!stored.isEmpty())
            _ptdExporter->decodeFromDictionary(stored);
    }
    return *_ptdExporter;
}

void RoduvudeDadevizi::setPtdExporter(std::shared_ptr<Exporter> exporter) {
    _ptdExporter = std::move(exporter);
}

void RoduvudeDadevizi::setPtdResolution(int resolution) {
    setWithUndo(_ptdResolution, resolution, &RoduvudeDadevizi::setPtdResolution, kPtdSettingAction);
}

void RoduvudeDadevizi::setPtdMirrorImage(bool mirror) {
    setWithUndo(_ptdMirrorImage, mirror, &RoduvudeDadevizi::setPtdMirrorImage, kPtdSettingAction);
}

void RoduvudeDadevizi::setPrintMirrorImage(bool mirror) {
    setWithUndo(_printMirrorImage, mirror, &RoduvudeDadevizi::setPrintMirrorImage,
                kPrintSettingAction);
}

void RoduvudeDadevizi::setPrintSkipEmptyPrintAreas(bool skip) {
    setWithUndo(_printSkipEmptyPrintAreas, skip, &RoduvudeDadevizi::setPrintSkipEmptyPrintAreas,
                kPrintSettingAction);
}

void RoduvudeDadevizi::setPrintLimitEnabled(bool enabled) {
    setWithUndo(_printLimitEnabled, enabled, &RoduvudeDadevizi::setPrintLimitEnabled,
                kPrintSettingAction);
}

void RoduvudeDadevizi::setPrintLimitType(int type) {
    setWithUndo(_printLimitType, type, &RoduvudeDadevizi::setPrintLimitType, kPrintSettingAction);
}

void RoduvudeDadevizi::setPrintLimitDPI(int dpi) {
    setWithUndo(_printLimitDPI, dpi, &RoduvudeDadevizi::setPrintLimitDPI, kPrintSettingAction);
}

std::shared_ptr<TemplateMapper> RoduvudeDadevizi::templateMapper() {
    if (!_mapper) {
        const TemplateHandleRef master =
            NewTemplateManager::sharedTemplateManager()->defaultTemplate();
        if (master)
            master->assertPageDescOnDocument(*this);
        _mapper = std::make_shared<TemplateMapper>(master, _fileCatalog);
        _mapper->setLayoutMode(_printArrangementMode);
        _mapper->setScalingMode(_printScaleMode);
    }
    return _mapper;
}

void RoduvudeDadevizi::setTemplateMapper(std::shared_ptr<TemplateMapper> mapper) {
    _mapper = std::move(mapper);
    if (_mapper) {
        _mapper->setLayoutMode(_printArrangementMode);
        _mapper->setScalingMode(_printScaleMode);
    }
}

TemplateHandleRef RoduvudeDadevizi::masterTemplate() const {
    return _mapper ? _mapper->masterTemplate() : nullptr;
}

void RoduvudeDadevizi::setMasterTemplate(const TemplateHandleRef& masterTemplate) {
    const TemplateHandleRef old = this->masterTemplate();
    UndoManager* undo = undoManager();
    undo->registerUndo(this, [this, old] { setMasterTemplate(old); });
    undo->setActionName(localizedString(QString::fromLatin1(kTemplateChangeAction)));
    if (_mapper)
        _mapper->setMasterTemplate(masterTemplate);
    if (masterTemplate)
        masterTemplate->assertPageDescOnDocument(*this);
}

void RoduvudeDadevizi::setPrintArrangementMode(int mode) {
    const int old = _printArrangementMode;
    UndoManager* undo = undoManager();
    undo->registerUndo(this, [this, old] { setPrintArrangementMode(old); });
    undo->setActionName(localizedString(QString::fromLatin1(kArrangeModeAction)));
    _printArrangementMode = mode;
    const std::shared_ptr<TemplateMapper> mapper = templateMapper();
    mapper->setLayoutMode(mode);
    mapper->setScalingMode(_printScaleMode);
}

void RoduvudeDadevizi::setPrintScaleMode(int mode) {
    const int old = _printScaleMode;
    UndoManager* undo = undoManager();
    undo->registerUndo(this, [this, old] { setPrintScaleMode(old); });
    undo->setActionName(localizedString(QString::fromLatin1(kScaleModeAction)));
    _printScaleMode = mode;
    templateMapper()->setScalingMode(mode);
}

void RoduvudeDadevizi::takeOverBookContainer(const QVariantList& pages) {
    templateMapper()->setBookContainer(pages);
}

void RoduvudeDadevizi::doPrint(const QVariantMap& arguments) {
    ZaroziveZodiroVirizidivi* controller = nullptr;
    for (WindowController* candidate : windowControllers())
        if ((controller = qobject_cast<ZaroziveZodiroVirizidivi*>(candidate)))
            break;
    if (!controller)
        return;
    const auto value = [&](const char* key, const QVariant& fallback) {
        const QVariant given = arguments.value(QString::fromLatin1(key));
        return given.isValid() && !given.isNull() ? given : fallback;
    };
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    controller->printWithResolution(
        value("Resolution", 0).toInt(), value("Scope", 0).toInt(), value("Mirror", false).toBool(),
        value("Skip Empty", false).toBool(), value("Interaction", true).toBool());
}
