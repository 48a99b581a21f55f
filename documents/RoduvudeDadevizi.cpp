#include "documents/RoduvudeDadevizi.h"

#include "catalog/Importer.h"
#include "catalog/VQFileCatalog.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/Exporter.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/ModalAlert.h"

#include <QFileInfo>
#include <QMetaMethod>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Keys of the file's dictionary.
constexpr char kFileFmtKey[] = "fileFmt";
constexpr char kCmpFileFmtKey[] = "cmpFileFmt";
constexpr char kCatalogKey[] = "catalog";
constexpr char kPrintScaleModeKey[] = "printScaleMode";
constexpr char kPrintArrangementModeKey[] = "printArrangementMode";
constexpr char kExporterKey[] = "exporter";
constexpr char kPtdExporterKey[] = "ptd_exporter";
constexpr char kUseAppEnhDefaultsKey[] = "useAppEnhDefaults";
constexpr char kDefaultSharpnessFileKey[] = "defaultSharpness";
constexpr char kDefaultContrastFileKey[] = "defaultContrast";
constexpr char kDefaultSaturationFileKey[] = "defaultSaturation";
constexpr char kDefaultBrightnessFileKey[] = "defaultBrightness";
constexpr char kPrintMirrorImageKey[] = "printMirrorImage";
constexpr char kPrintLimitEnabledKey[] = "printLimitEnabled";
constexpr char kPrintSkipEmptyKey[] = "printSkipEmptyPrintAreasEnabled";
constexpr char kPrintLimitTypeKey[] = "printLimitType";
constexpr char kPrintLimitDPIKey[] = "printLimitDPI";
constexpr char kPtdMirrorImageKey[] = "ptdMirrorImage";
constexpr char kPtdResolutionKey[] = "ptdResolution";
constexpr char kCurrentPanelKey[] = "currentPanel";
constexpr char kWindowFrameKey[] = "windowFrame";
constexpr char kTemplateMapperKey[] = "templateMapper";
constexpr char kPrintInfoKey[] = "printInfo";
constexpr char kTemplateFileNameKey[] = "templateFileName";

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// A stored text read as a number; `fallback` when the key is absent.
double defaultsNumber(const char* key, double fallback) {
    const QVariant value =
        UserDefaults::standardUserDefaults().objectForKey(QString::fromLatin1(key));
    if (!value.isValid())
        return fallback;
    return value.toString().trimmed().toDouble();
}

int settingInt(int index) {
    HostServices* services = HostServices::current();
    return services ? services->preferencesIntFor(index) : 0;
}

bool settingBool(int index) {
    HostServices* services = HostServices::current();
    return services && services->preferencesBOOLFor(index);
}

} // namespace

// Everything the document takes from a file, checked before any of it is taken.
struct RoduvudeDadevizi::FileContents {
    std::optional<QVariantMap> catalog;
    int printScaleMode = 0;
    int printArrangementMode = 0;
    std::shared_ptr<Exporter> exporter;
    std::shared_ptr<Exporter> ptdExporter;
    std::optional<bool> useAppEnhDefaults;
    std::optional<int> sharpness;
    std::optional<float> contrast, saturation, brightness;
    std::optional<bool> printMirrorImage, printLimitEnabled, printSkipEmptyPrintAreas;
    std::optional<int> printLimitType, printLimitDPI;
    std::optional<bool> ptdMirrorImage;
    std::optional<int> ptdResolution;
    std::optional<int> currentPanel;
    Rect windowFrame = kZeroRect;
    std::shared_ptr<TemplateMapper> mapper;
    std::optional<QString> templateFileName;
    std::optional<PrintInfo> printInfo;
};

DocumentController::DocumentType RoduvudeDadevizi::documentType() {
    return {key(kCatalogDocumentType), {key(kCatalogDocumentExtension)}, [] {
                return std::make_shared<RoduvudeDadevizi>();
            }};
}

RoduvudeDadevizi::RoduvudeDadevizi() : _fileCatalog(std::make_shared<VQFileCatalog>()) {
    _fileCatalog->setDocument(this);
    _fileCatalog->setFileExtensionFilters(Importer::validExtensions());
    _printArrangementMode = settingInt(PrefLayoutArrangementMode);
    _printScaleMode = settingInt(PrefLayoutScaleMode);
    _ptdResolution = settingInt(PrefPTDResolution);
    _ptdMirrorImage = settingBool(PrefPTDMirroredEnabled);
    _printLimitEnabled = settingBool(PrefPrintLimitEnabled);
    _printSkipEmptyPrintAreas = settingBool(PrefPrintSkipEmptyPrintAreasEnabled);
    _printLimitDPI = settingInt(PrefPrintLimitResolution);
    _printLimitType = settingInt(PrefPrintLimitType);
    _printMirrorImage = settingBool(PrefPrintMirroredEnabled);
}

RoduvudeDadevizi::~RoduvudeDadevizi() {
    // Nothing queued about this document may arrive once it is gone.
    for (const char* name :
         {kPixelEnhancemntChangedNotify, kScaleModeChangedNotify, kArrangementModeChangedNotify})
        NotificationQueue::defaultQueue().dequeueNotificationsMatching(
            Notification(key(name), static_cast<const QObject*>(this)),
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
    tellController("shutdown");
    _mapper.reset();
    _fileCatalog->shutdown();
    _fileCatalog->setDocument(nullptr);
}

void RoduvudeDadevizi::tellController(const char* operation, const QVariant& argument) const {
    if (!_myController)
        return;
    const QMetaObject* meta = _myController->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() != operation)
            continue;
        if (method.parameterCount() == 0 && !argument.isValid()) {
            method.invoke(_myController.data(), Qt::DirectConnection);
            return;
        }
        if (method.parameterCount() == 1 && method.parameterType(0) == QMetaType::Int &&
            argument.isValid()) {
            method.invoke(_myController.data(), Qt::DirectConnection, Q_ARG(int, argument.toInt()));
            return;
        }
    }
}

// Window ---------------------------------------------------------------------------

ZaroziveZodiroVirizidivi* RoduvudeDadevizi::windowController() const {
    return static_cast<ZaroziveZodiroVirizidivi*>(_myController.data());
}

void RoduvudeDadevizi::makeWindowControllers() {
    auto* controller = new ZaroziveZodiroVirizidivi;
    controller->setShouldCloseDocument(true);
    addWindowController(controller);
    _myController = controller;
    tellController("setup");
    if (settingBool(PrefRememberWindowSizeAndPos) && !(_savedWindowFrame == kZeroRect))
        controller->window()->setGeometry(_savedWindowFrame.toQRectF().toRect());
    undoManager()->removeAllActions();
    if (_modifiedOnDecode) {
        updateChangeCount(ChangeDone);
        _modifiedOnDecode = false;
    } else {
        updateChangeCount(ChangeCleared);
    }
}

// Undo and notices -----------------------------------------------------------------

void RoduvudeDadevizi::registerInverse(std::function<void()> inverse, const char* actionKey) {
    UndoManager* undo = undoManager();
    undo->registerUndo(this, std::move(inverse));
    undo->setActionName(text(actionKey));
}

template <class T>
bool RoduvudeDadevizi::setWithUndo(T& field, T value, void (RoduvudeDadevizi::*inverse)(T),
                                   const char* actionKey) {
    if (field == value)
        return false;
    const T old = field;
    registerInverse([this, inverse, old] { (this->*inverse)(old); }, actionKey);
    field = value;
    return true;
}

void RoduvudeDadevizi::enqueueNotice(const char* name) {
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(key(name), static_cast<const QObject*>(this)), NotificationQueue::PostASAP,
        NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
}

// Layout ---------------------------------------------------------------------------

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

bool RoduvudeDadevizi::setMasterTemplateWithID(const QString& documentID) {
    const TemplateHandleRef master =
        NewTemplateManager::sharedTemplateManager()->templateWithID(documentID);
    if (!master)
        return false;
    setMasterTemplate(master);
    return true;
}

void RoduvudeDadevizi::setMasterTemplate(const TemplateHandleRef& masterTemplate) {
    const TemplateHandleRef old = this->masterTemplate();
    registerInverse([this, old] { setMasterTemplate(old); }, kTemplateChangeAction);
    if (_mapper)
        _mapper->setMasterTemplate(masterTemplate);
    if (masterTemplate)
        masterTemplate->assertPageDescOnDocument(*this);
}

void RoduvudeDadevizi::takeOverBookContainer(const QVariantList& pages) {
    templateMapper()->setBookContainer(pages);
}

void RoduvudeDadevizi::setPrintArrangementMode(int mode) {
    if (!setWithUndo(_printArrangementMode, mode, &RoduvudeDadevizi::setPrintArrangementMode,
                     kArrangeModeAction))
        return;
    const std::shared_ptr<TemplateMapper> mapper = templateMapper();
    mapper->setLayoutMode(mode);
    mapper->setScalingMode(_printScaleMode);
    enqueueNotice(kArrangementModeChangedNotify);
}

void RoduvudeDadevizi::setPrintScaleMode(int mode) {
    if (!setWithUndo(_printScaleMode, mode, &RoduvudeDadevizi::setPrintScaleMode, kScaleModeAction))
        return;
    templateMapper()->setScalingMode(mode);
    enqueueNotice(kScaleModeChangedNotify);
}

namespace {
// The whole part of a scripted mode, within 0 to 2 (NaN gives 0).
int scriptedMode(double mode) {
    return int(std::clamp(std::isnan(mode) ? 0.0 : mode, 0.0, 2.0));
}
} // namespace

void RoduvudeDadevizi::setPhotoScaling(double mode) {
    setPrintScaleMode(scriptedMode(mode));
}

void RoduvudeDadevizi::setLayoutArrangement(double mode) {
    setPrintArrangementMode(scriptedMode(mode));
}

// Panels and selection -------------------------------------------------------------

void RoduvudeDadevizi::setCurrentPanel(int panel) {
    if (panel != _currentPanel &&
        (panel == DocumentPanelPhotograph || panel == DocumentPanelLayout))
        _currentPanel = panel;
    const int last = _lastPanel;
    registerInverse([this, last] { switchPanelToView(last); }, kPanelSwitchAction);
}

void RoduvudeDadevizi::switchPanelToView(int) {
    tellController("switchView", _lastPanel);
}

QList<int> RoduvudeDadevizi::photoSelection() const {
    if (!_myController)
        return {};
    return _fileCatalog->getSelectedIndices();
}

void RoduvudeDadevizi::setPhotoSelection(const std::optional<QList<int>>& indices) {
    if (!indices)
        return;
    _fileCatalog->clearSelection();
    for (int index : *indices)
        _fileCatalog->setSelectionAtIndex(index);
}

void RoduvudeDadevizi::setModifiedOnDecode(bool) {
    _modifiedOnDecode = true;
}

// Enhancement defaults -------------------------------------------------------------

int RoduvudeDadevizi::defaultSharpness() const {
    return _useAppEnhDefaults ? int(defaultsNumber(kDefaultSharpnessKey, 0)) : _sharpness;
}

float RoduvudeDadevizi::defaultContrast() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultContrastKey, 1.0)) : _contrast;
}

float RoduvudeDadevizi::defaultSaturation() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultSaturationKey, 1.0)) : _saturation;
}

float RoduvudeDadevizi::defaultBrightness() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultBrightnessKey, 1.0)) : _brightness;
}

void RoduvudeDadevizi::setUsesAppEnhancementDefaults(bool flag) {
    setWithUndo(_useAppEnhDefaults, flag, &RoduvudeDadevizi::setUsesAppEnhancementDefaultsNumber,
                kDefUsageAction);
}

void RoduvudeDadevizi::setDefaultSharpness(int sharpness) {
    setWithUndo(_sharpness, sharpness, &RoduvudeDadevizi::setDefaultSharpnessNumber,
                kDefSharpnessAction);
}

void RoduvudeDadevizi::setDefaultContrast(float contrast) {
    setWithUndo(_contrast, contrast, &RoduvudeDadevizi::setDefaultContrastNumber,
                kDefContrastAction);
}

void RoduvudeDadevizi::setDefaultSaturation(float saturation) {
    setWithUndo(_saturation, saturation, &RoduvudeDadevizi::setDefaultSaturationNumber,
                kDefSaturationAction);
}

void RoduvudeDadevizi::setDefaultBrightness(float brightness) {
    setWithUndo(_brightness, brightness, &RoduvudeDadevizi::setDefaultBrightnessNumber,
                kDefBrightnessAction);
}

void RoduvudeDadevizi::setUsesAppEnhancementDefaultsNumber(bool flag) {
    setUsesAppEnhancementDefaults(flag);
    enqueueNotice(kPixelEnhancemntChangedNotify);
}

void RoduvudeDadevizi::setDefaultSharpnessNumber(int sharpness) {
    setDefaultSharpness(sharpness);
    enqueueNotice(kPixelEnhancemntChangedNotify);
}

void RoduvudeDadevizi::setDefaultContrastNumber(float contrast) {
    setDefaultContrast(contrast);
    enqueueNotice(kPixelEnhancemntChangedNotify);
}

void RoduvudeDadevizi::setDefaultSaturationNumber(float saturation) {
    setDefaultSaturation(saturation);
    enqueueNotice(kPixelEnhancemntChangedNotify);
}

void RoduvudeDadevizi::setDefaultBrightnessNumber(float brightness) {
    setDefaultBrightness(brightness);
    enqueueNotice(kPixelEnhancemntChangedNotify);
}

// Exporters, print and print to disk -----------------------------------------------

void RoduvudeDadevizi::setExporter(std::shared_ptr<Exporter> exporter) {
    _myExporter = std::move(exporter);
}

Exporter& RoduvudeDadevizi::ptdExporter() {
    if (!_myPtdExporter) {
        _myPtdExporter = std::make_shared<Exporter>();
        const QVariantMap stored = UserDefaults::standardUserDefaults().dictionaryForKey(
            QString::fromLatin1(kPtdExportDefaultConfigKey));
        if (!stored.isEmpty())
            _myPtdExporter->decodeFromDictionary(stored);
    }
    return *_myPtdExporter;
}

void RoduvudeDadevizi::setPtdExporter(std::shared_ptr<Exporter> exporter) {
    _myPtdExporter = std::move(exporter);
}

int RoduvudeDadevizi::ptdResolution() {
    if (_ptdResolution == 0) {
        _ptdResolution = settingInt(PrefPTDResolution);
        if (_ptdResolution == 0)
            _ptdResolution = 72;
    }
    return _ptdResolution;
}

void RoduvudeDadevizi::setPtdResolution(int resolution) {
    if (resolution == _ptdResolution)
        return;
    const int old = ptdResolution();
    registerInverse([this, old] { setPtdResolution(old); }, kPtdSettingAction);
    _ptdResolution = resolution;
}

void RoduvudeDadevizi::setPtdMirrorImage(bool mirror) {
    setWithUndo(_ptdMirrorImage, mirror, &RoduvudeDadevizi::setPtdMirrorImage, kPtdSettingAction);
}

// Saving ---------------------------------------------------------------------------

void RoduvudeDadevizi::documentDidSave(bool saved, SaveOperation) {
    if (!saved)
        return;
    _useAppEnhDefaults = true;
    _sharpness = 0;
    _contrast = _saturation = _brightness = 1.0f;
    enqueueNotice(kPixelEnhancemntChangedNotify);
}

QByteArray RoduvudeDadevizi::dataOfType(const QString& type, QString* error) {
    if (type != key(kCatalogDocumentType))
        return Document::dataOfType(type, error);
    QVariantMap file;
    // A part that cannot be archived fails the whole write: no file goes out without it.
    QString failedPart;
    const auto insertArchive = [&](const char* fileKey, const QByteArray& archive,
                                   const QString& reason) {
        if (archive.isNull() && failedPart.isEmpty())
            failedPart = tr("its \"%1\" could not be written (%2).").arg(key(fileKey), reason);
        file.insert(key(fileKey), archive);
    };
    QString reason;
    file.insert(key(kFileFmtKey), kCatalogFileFormat);
    file.insert(key(kCmpFileFmtKey), kCatalogFileFormat);
    file.insert(key(kCatalogKey), _fileCatalog->encodedCatalog());
    file.insert(key(kPrintScaleModeKey), _printScaleMode);
    file.insert(key(kPrintArrangementModeKey), _printArrangementMode);
    if (_myExporter)
        insertArchive(kExporterKey, Archiver::archivedData(_myExporter, &reason), reason);
    if (_myPtdExporter)
        insertArchive(kPtdExporterKey, Archiver::archivedData(_myPtdExporter, &reason), reason);

    // A saved document goes back to the application's enhancement defaults
    // (documentDidSave), so those are what its file holds.
    file.insert(key(kUseAppEnhDefaultsKey), true);
    file.insert(key(kDefaultSharpnessFileKey), 0);
    file.insert(key(kDefaultContrastFileKey), 1.0f);
    file.insert(key(kDefaultSaturationFileKey), 1.0f);
    file.insert(key(kDefaultBrightnessFileKey), 1.0f);

    file.insert(key(kPrintMirrorImageKey), _printMirrorImage);
    file.insert(key(kPrintLimitEnabledKey), _printLimitEnabled);
    file.insert(key(kPrintSkipEmptyKey), _printSkipEmptyPrintAreas);
    file.insert(key(kPrintLimitTypeKey), _printLimitType);
    file.insert(key(kPrintLimitDPIKey), _printLimitDPI);
    file.insert(key(kPtdMirrorImageKey), _ptdMirrorImage);
    file.insert(key(kPtdResolutionKey), _ptdResolution);
    file.insert(key(kCurrentPanelKey), _currentPanel);
    if (_myController && _myController->window())
        file.insert(key(kWindowFrameKey),
                    stringFromRect(Rect::fromQRectF(_myController->window()->geometry())));
    if (_mapper)
        insertArchive(kTemplateMapperKey, Archiver::archivedData(_mapper, &reason), reason);
    insertArchive(kPrintInfoKey, Archiver::archivedValue(printInfo(), &reason), reason);
    if (!failedPart.isEmpty()) {
        if (error)
            *error = tr("The photo catalog could not be written: %1").arg(failedPart);
        return {};
    }

    const QByteArray data = Archiver::archivedData(QVariant(file), &reason);
    if (data.isNull() && error)
        *error = tr("The photo catalog could not be written: %1").arg(reason);
    return data;
}

// Reading --------------------------------------------------------------------------

bool RoduvudeDadevizi::readFromFileOfType(const QString& path, const QString& type,
                                          QString* error) {
    _readingPath = path;
    const bool read = GenericDocument::readFromFileOfType(path, type, error);
    _readingPath.clear();
    return read;
}

std::optional<RoduvudeDadevizi::FileContents> RoduvudeDadevizi::readFile(const QByteArray& data,
                                                                         QString* error) {
    const QString name = QFileInfo(_readingPath.isEmpty() ? fileName() : _readingPath).fileName();
    const auto refuse = [&](const QString& why) -> std::optional<FileContents> {
        if (error)
            *error = name.isEmpty() ? tr("The photo catalog is damaged: %1").arg(why)
                                    : tr("The photo catalog \"%1\" is damaged: %2").arg(name, why);
        return std::nullopt;
    };
    const auto wrongKind = [&](const char* fileKey, const char* kind) {
        return refuse(tr("its \"%1\" is not %2.").arg(key(fileKey), tr(kind)));
    };

    QString reason;
    const QVariant root = Unarchiver::unarchiveObject(data, &reason);
    if (root.typeId() != QMetaType::QVariantMap)
        return refuse(root.isValid() || reason.isEmpty() ? tr("it holds no catalog.") : reason);
    const QVariantMap file = root.toMap();
    const auto present = [&](const char* fileKey) { return file.contains(key(fileKey)); };
    const auto value = [&](const char* fileKey) { return file.value(key(fileKey)); };
    const auto integer = [&](const char* fileKey) -> std::optional<qint64> {
        const QVariant v = value(fileKey);
        if (!PropertyList::isInteger(v))
            return std::nullopt;
        bool fits = false;
        const qint64 n = v.toLongLong(&fits);
        if (!fits || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
            return std::nullopt;
        return n;
    };

    // A newer file is turned down before anything else is looked at.
    if (present(kCmpFileFmtKey)) {
        const QVariant v = value(kCmpFileFmtKey);
        if (!PropertyList::isInteger(v))
            return wrongKind(kCmpFileFmtKey, "a whole number");
        const bool unsignedKind =
            v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::UInt;
        if (unsignedKind ? v.toULongLong() > quint64(kCatalogFileFormat)
                         : v.toLongLong() > kCatalogFileFormat) {
            ModalAlert::run({text("FILE_FORMAT_TITLE"), text("FILE_FORMAT_MESSAGE")});
            if (error)
                *error = text("FILE_FORMAT_MESSAGE");
            return std::nullopt;
        }
    }

    FileContents contents;
    if (present(kCatalogKey)) {
        if (value(kCatalogKey).typeId() != QMetaType::QVariantMap)
            return wrongKind(kCatalogKey, "a catalog");
        contents.catalog = value(kCatalogKey).toMap();
    }

    struct IntegerSlot {
        const char* fileKey;
        std::optional<int>* slot;
    };
    std::optional<int> scaleMode, arrangementMode;
    for (const IntegerSlot& s : {IntegerSlot{kPrintScaleModeKey, &scaleMode},
                                 IntegerSlot{kPrintArrangementModeKey, &arrangementMode},
                                 IntegerSlot{kDefaultSharpnessFileKey, &contents.sharpness},
                                 IntegerSlot{kPrintLimitTypeKey, &contents.printLimitType},
                                 IntegerSlot{kPrintLimitDPIKey, &contents.printLimitDPI},
                                 IntegerSlot{kPtdResolutionKey, &contents.ptdResolution},
                                 IntegerSlot{kCurrentPanelKey, &contents.currentPanel}}) {
        if (!present(s.fileKey))
            continue;
        const std::optional<qint64> n = integer(s.fileKey);
        if (!n)
            return wrongKind(s.fileKey, "a whole number");
        *s.slot = int(*n);
    }
    if (contents.currentPanel && *contents.currentPanel != DocumentPanelPhotograph &&
        *contents.currentPanel != DocumentPanelLayout)
        return refuse(tr("its \"%1\" names no panel.").arg(key(kCurrentPanelKey)));
    // Both modes are read whether or not the file has them.
    contents.printScaleMode = scaleMode.value_or(0);
    contents.printArrangementMode = arrangementMode.value_or(0);

    struct FloatSlot {
        const char* fileKey;
        std::optional<float>* slot;
    };
    for (const FloatSlot& s : {FloatSlot{kDefaultContrastFileKey, &contents.contrast},
                               FloatSlot{kDefaultSaturationFileKey, &contents.saturation},
                               FloatSlot{kDefaultBrightnessFileKey, &contents.brightness}}) {
        if (!present(s.fileKey))
            continue;
        const QVariant v = value(s.fileKey);
        if (!PropertyList::isNumber(v) || !std::isfinite(v.toDouble()))
            return wrongKind(s.fileKey, "a number");
        *s.slot = v.toFloat();
    }

    struct FlagSlot {
        const char* fileKey;
        std::optional<bool>* slot;
    };
    for (const FlagSlot& s : {FlagSlot{kUseAppEnhDefaultsKey, &contents.useAppEnhDefaults},
                              FlagSlot{kPrintMirrorImageKey, &contents.printMirrorImage},
                              FlagSlot{kPrintLimitEnabledKey, &contents.printLimitEnabled},
                              FlagSlot{kPrintSkipEmptyKey, &contents.printSkipEmptyPrintAreas},
                              FlagSlot{kPtdMirrorImageKey, &contents.ptdMirrorImage}}) {
        if (!present(s.fileKey))
            continue;
        if (value(s.fileKey).typeId() != QMetaType::Bool)
            return wrongKind(s.fileKey, "a flag");
        *s.slot = value(s.fileKey).toBool();
    }

    if (present(kWindowFrameKey)) {
        if (value(kWindowFrameKey).typeId() != QMetaType::QString)
            return wrongKind(kWindowFrameKey, "a frame");
        contents.windowFrame = rectFromString(value(kWindowFrameKey).toString());
        const Rect& f = contents.windowFrame;
        if (!std::isfinite(f.origin.x) || !std::isfinite(f.origin.y) ||
            !std::isfinite(f.size.width) || !std::isfinite(f.size.height))
            return wrongKind(kWindowFrameKey, "a frame");
    }
    if (present(kTemplateFileNameKey)) {
        if (value(kTemplateFileNameKey).typeId() != QMetaType::QString)
            return wrongKind(kTemplateFileNameKey, "a template name");
        contents.templateFileName = value(kTemplateFileNameKey).toString();
    }

    // The archived parts must each decode as their class; a reason the archive
    // reader gives is passed on.
    Exporter::registerArchivableClass();
    TemplateMapper::registerArchivableClass();
    const auto unreadable = [&](const char* fileKey, const char* kind, const QString& why) {
        return why.isEmpty()
                   ? wrongKind(fileKey, kind)
                   : refuse(tr("its \"%1\" is not %2 (%3).").arg(key(fileKey), tr(kind), why));
    };
    const auto archiveIn = [&](const char* fileKey) {
        const QVariant v = value(fileKey);
        return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
    };
    for (const auto& [fileKey, slot] : {std::pair{kExporterKey, &contents.exporter},
                                        std::pair{kPtdExporterKey, &contents.ptdExporter}}) {
        if (!present(fileKey))
            continue;
        QString why;
        *slot = Unarchiver::unarchiveObjectOfClass<Exporter>(archiveIn(fileKey), &why);
        if (!*slot)
            return unreadable(fileKey, "an exporter", why);
    }
    if (present(kTemplateMapperKey)) {
        QString why;
        contents.mapper =
            Unarchiver::unarchiveObjectOfClass<TemplateMapper>(archiveIn(kTemplateMapperKey), &why);
        if (!contents.mapper)
            return unreadable(kTemplateMapperKey, "a layout", why);
    }
    if (present(kPrintInfoKey)) {
        QString why;
        contents.printInfo = Unarchiver::unarchiveValue<PrintInfo>(archiveIn(kPrintInfoKey), &why);
        if (!contents.printInfo)
            return unreadable(kPrintInfoKey, "a page set-up", why);
    }
    return contents;
}

void RoduvudeDadevizi::takeFileContents(FileContents& contents) {
    // Set again by the catalog when this read repairs entries.
    _modifiedOnDecode = false;
    if (contents.catalog) {
        _fileCatalog->decodeCatalog(*contents.catalog);
        tellController("fileCatalogSelectionChanged");
        tellController("scrollToSelection");
    }
    _printScaleMode = contents.printScaleMode;
    _printArrangementMode = contents.printArrangementMode;
    if (contents.exporter)
        setExporter(contents.exporter);
    if (contents.ptdExporter)
        setPtdExporter(contents.ptdExporter);
    _useAppEnhDefaults = contents.useAppEnhDefaults.value_or(_useAppEnhDefaults);
    _sharpness = contents.sharpness.value_or(_sharpness);
    _contrast = contents.contrast.value_or(_contrast);
    _saturation = contents.saturation.value_or(_saturation);
    _brightness = contents.brightness.value_or(_brightness);
    _printMirrorImage = contents.printMirrorImage.value_or(_printMirrorImage);
    _printLimitEnabled = contents.printLimitEnabled.value_or(_printLimitEnabled);
    _printSkipEmptyPrintAreas =
        contents.printSkipEmptyPrintAreas.value_or(_printSkipEmptyPrintAreas);
    _printLimitType = contents.printLimitType.value_or(_printLimitType);
    _printLimitDPI = contents.printLimitDPI.value_or(_printLimitDPI);
    _ptdMirrorImage = contents.ptdMirrorImage.value_or(_ptdMirrorImage);
    _ptdResolution = contents.ptdResolution.value_or(_ptdResolution);
    _currentPanel = contents.currentPanel.value_or(_currentPanel);
    _savedWindowFrame = contents.windowFrame;

    if (contents.mapper) {
        setTemplateMapper(contents.mapper);
        contents.mapper->setFileCatalog(_fileCatalog);
    } else {
        if (contents.templateFileName)
            if (const TemplateHandleRef master =
                    NewTemplateManager::sharedTemplateManager()->templateWithID(
                        *contents.templateFileName))
                templateMapper()->setMasterTemplate(master);
        // A mapper kept from before a revert follows the modes just read.
        if (_mapper) {
            _mapper->setLayoutMode(_printArrangementMode);
            _mapper->setScalingMode(_printScaleMode);
        }
    }
    if (contents.printInfo)
        setPrintInfo(*contents.printInfo);
    if (!_modifiedOnDecode)
        updateChangeCount(ChangeCleared);
}

bool RoduvudeDadevizi::loadDataOfType(const QByteArray& data, const QString& type, QString* error) {
    if (type != key(kCatalogDocumentType))
        return Document::loadDataOfType(data, type, error);
    std::optional<FileContents> contents = readFile(data, error);
    if (!contents)
        return false;
    takeFileContents(*contents);
    return true;
}

ZaroziveZodiroVirizidivi* RoduvudeDadevizi::catalogWindowController() const {
    for (WindowController* candidate : windowControllers())
        if (auto* controller = qobject_cast<ZaroziveZodiroVirizidivi*>(candidate))
            return controller;
    return nullptr;
}

void RoduvudeDadevizi::doPrintToEmail(const QVariantMap& arguments) {
    ZaroziveZodiroVirizidivi* controller = catalogWindowController();
    if (!controller)
        return;
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    controller->printToEmailWithDimensionsQuality(arguments.value(QStringLiteral("Dimensions")),
                                                  arguments.value(QStringLiteral("Quality")));
}

void RoduvudeDadevizi::doPrint(const QVariantMap& arguments) {
    ZaroziveZodiroVirizidivi* controller = catalogWindowController();
    if (!controller)
        return;
    const auto value = [&](const char* key, const QVariant& fallback) {
        const QVariant given = arguments.value(QString::fromLatin1(key));
        return given.isValid() && !given.isNull() ? given : fallback;
    };
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    const bool interaction = value("Interaction", true).toBool();
    const auto print = [controller, interaction, resolution = value("Resolution", 0).toInt(),
                        scope = value("Scope", 0).toInt(), mirror = value("Mirror", false).toBool(),
                        skipEmpty = value("Skip Empty", false).toBool()] {
        controller->printWithResolution(resolution, scope, mirror, skipEmpty, interaction);
    };
    // The print panel is modal: the script is answered before it comes up
    // rather than after the user closes it.
    if (interaction)
        QTimer::singleShot(0, controller, print);
    else
        print();
}
