#include "layout/Exporter.h"

#include "catalog/Importer.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Image.h"
#include "platform/imaging/ColorMatching.h"
#include "platform/imaging/GraphicsExporter.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <cmath>

namespace {

const QString kDefaultExporterName = QStringLiteral("JPEG");
// Photos of a lower quality are saved at the quality the user chose for saving back.
constexpr int kHighestKeptBelowLossless = 1023;
constexpr double kPointsPerInch = 72.0;
constexpr double kMetresPerInch = 0.0254;

[[maybe_unused]] const bool gRegistered = [] {
    Exporter::registerArchivableClass();
    return true;
}();

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// The extension code as text, cut at its first space, in lower case.
QString extensionText(uint32_t code) {
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((code >> shift) & 0xFF);
        if (c == ' ')
            break;
        text.append(QLatin1Char(c));
    }
    return text.toLower();
}

void setFlagFrom(const QVariantMap& dictionary, const char* name, bool& flag) {
    const auto found = dictionary.constFind(key(name));
    if (found != dictionary.constEnd())
        flag = found->toBool();
}

} // namespace

Exporter::Exporter() {
    resetChoices();
    _ignoreCrop = true;
    const QVariant stored =
        UserDefaults::standardUserDefaults().objectForKey(key(kExportDefaultConfigKey));
    if (stored.typeId() == QMetaType::QVariantMap)
        decodeFromDictionary(stored.toMap());
    else
        initExporterList();
}

Exporter::Exporter(Blank) {}

Exporter::~Exporter() {
    if (_hasList)
        destroyExporterList();
}

void Exporter::resetChoices() {
    _useColorSync = true;
    _createThumbnail = true;
    _createEXIF = true;
    _activeExporterName = kDefaultExporterName;
    _spatialQuality = -1;
}

QVariantMap Exporter::encodeInDictionary() const {
    QVariantMap dictionary{
        {key(kExporterUseColorSyncKey), _useColorSync},
        {key(kExporterCreateThumbnailKey), _createThumbnail},
        {key(kExporterCreateEXIFKey), _createEXIF},
        {key(kExporterIgnoreCropKey), _ignoreCrop},
    };
    if (!_activeExporterName.isNull())
        dictionary.insert(key(kExporterNameKey), _activeExporterName);
    if (!_exporterConfig.isNull())
        dictionary.insert(key(kExporterConfigKey), _exporterConfig);
    return dictionary;
}

void Exporter::decodeFromDictionary(const QVariantMap& dictionary) {
    resetChoices();
    // The settings of a list about to be replaced belong to none of the new exporters.
    _exporterConfig = QByteArray();
    setFlagFrom(dictionary, kExporterUseColorSyncKey, _useColorSync);
    setFlagFrom(dictionary, kExporterCreateThumbnailKey, _createThumbnail);
    setFlagFrom(dictionary, kExporterCreateEXIFKey, _createEXIF);
    setFlagFrom(dictionary, kExporterIgnoreCropKey, _ignoreCrop);
    const QVariant name = dictionary.value(key(kExporterNameKey));
    if (name.typeId() == QMetaType::QString)
        _activeExporterName = name.toString();

    initExporterList();

    const QVariant config = dictionary.value(key(kExporterConfigKey));
    if (_activeExporterName.isNull())
        setActiveExporter(kDefaultExporterName);
    else if (name.typeId() == QMetaType::QString && _activeExporterName == name.toString() &&
             config.typeId() == QMetaType::QByteArray)
        setConfig(config.toByteArray());
}

void Exporter::makeDefault() const {
    UserDefaults::standardUserDefaults().setObjectForKey(encodeInDictionary(),
                                                         key(kExportDefaultConfigKey));
}

void Exporter::encodeWithCoder(Archiver& coder) const {
    coder.encodeObject(QVariant(encodeInDictionary()));
}

bool Exporter::initWithCoder(Unarchiver& coder) {
    const QVariant dictionary = coder.decodeObject();
    if (dictionary.typeId() != QMetaType::QVariantMap)
        return false;
    decodeFromDictionary(dictionary.toMap());
    return true;
}

void Exporter::registerArchivableClass() {
    ClassInfo info;
    info.name = key(kArchiveClassName);
    info.type = typeid(Exporter);
    info.factory = [] { return std::shared_ptr<Exporter>(new Exporter(Blank{})); };
    ClassRegistry::shared().add(std::move(info));
}

void Exporter::initExporterList() {
    if (_hasList)
        destroyExporterList();
    _activeExporter = kNone;
    _hasList = true;
    bool matched = false;
    for (const QString& name : GraphicsExporter::formatNames()) {
        std::unique_ptr<GraphicsExporter> instance = GraphicsExporter::open(name);
        if (!instance)
            continue;
        Record record;
        record.name = instance->name();
        record.fileType = instance->defaultFileType();
        record.extension = instance->defaultFileNameExtension();
        record.instance = std::move(instance);
        if (!matched && record.name == _activeExporterName) {
            _activeExporter = _exporterList.size();
            matched = true;
        }
        _exporterList.push_back(std::move(record));
    }
    if (!matched && !_exporterList.empty()) {
        _activeExporterName = QString();
        _activeExporter = 0;
    }
}

void Exporter::destroyExporterList() {
    _exporterList.clear();
    _activeExporter = kNone;
    _hasList = false;
}

QStringList Exporter::exporterNames() const {
    QStringList names;
    for (const Record& record : _exporterList)
        names.append(record.name);
    return names;
}

Exporter::Record* Exporter::activeRecord() {
    return _activeExporter < _exporterList.size() ? &_exporterList[_activeExporter] : nullptr;
}

const Exporter::Record* Exporter::activeRecord() const {
    return _activeExporter < _exporterList.size() ? &_exporterList[_activeExporter] : nullptr;
}

QString Exporter::activeExporterName() const {
    const Record* record = activeRecord();
    return record ? record->name : QString();
}

void Exporter::activate(size_t index) {
    if (index == _activeExporter)
        return;
    _activeExporter = index;
    _activeExporterName = _exporterList[index].name;
    recordConfig();
}

void Exporter::setActiveExporter(const QString& name) {
    for (size_t i = 0; i < _exporterList.size(); ++i)
        if (_exporterList[i].name == name) {
            activate(i);
            return;
        }
}

bool Exporter::setActiveExporterWithFileType(uint32_t fileType) {
    for (size_t i = 0; i < _exporterList.size(); ++i)
        if (_exporterList[i].fileType == fileType) {
            activate(i);
            return true;
        }
    return false;
}

bool Exporter::setActiveExporterWithExtension(const QString& extension) {
    for (size_t i = 0; i < _exporterList.size(); ++i)
        if (extensionText(_exporterList[i].extension) == extension) {
            activate(i);
            return true;
        }
    return false;
}

bool Exporter::optionsAvailable() const {
    const Record* record = activeRecord();
    return record && record->instance->canRequestSettings();
}

void Exporter::options() {
    applyConfig();
    Record* record = activeRecord();
    if (!record || !record->instance->canRequestSettings())
        return;
    const QPointer<QWidget> keyWindow = QApplication::activeWindow();
    if (record->instance->requestSettings(keyWindow) == GraphicsExporter::NoError)
        recordConfig();
    if (keyWindow) {
        keyWindow->raise();
        keyWindow->activateWindow();
    }
}

void Exporter::applyConfig() {
    Record* record = activeRecord();
    if (record && !_exporterConfig.isEmpty())
        record->instance->setSettingsFromBytes(_exporterConfig);
}

void Exporter::recordConfig() {
    const Record* record = activeRecord();
    if (!record)
        return;
    const QByteArray settings = record->instance->settingsAsBytes();
    if (!settings.isEmpty())
        _exporterConfig = settings;
}

void Exporter::setConfig(const QByteArray& config) {
    if (!config.isNull())
        _exporterConfig = config;
}

bool Exporter::setupWithComponentInfo(const QVariantMap& info) {
    const QVariant fileType = info.value(key(kFileTypeKey));
    const QVariant extension = info.value(key(kExtensionKey));
    const bool found =
        (fileType.isValid() && fileType.toUInt() != 0 &&
         setActiveExporterWithFileType(fileType.toUInt())) ||
        (extension.isValid() && setActiveExporterWithExtension(extension.toString()));
    if (!found)
        return false;
    if (info.contains(key(kHadColorSyncKey)))
        setUsesColorSync(info.value(key(kHadColorSyncKey)).toBool());
    if (info.contains(key(kHadThumbnailKey)))
        setCreatesThumbnail(info.value(key(kHadThumbnailKey)).toBool());
    const QVariant quality = info.value(key(kSpatialQualityKey));
    int spatialQuality = quality.isValid() ? quality.toInt() : -1;
    if (spatialQuality <= kHighestKeptBelowLossless)
        spatialQuality = host().preferencesIntFor(PrefSaveBackSpatialQuality);
    setSpatialQuality(spatialQuality);
    return true;
}

QString Exporter::fileNameWithExtension(const QString& fileName) {
    applyConfig();
    const Record* record = activeRecord();
    if (!record)
        return fileName;
    QString name = fileName;
    // Only the last component has an extension, and a name that begins with its only dot has none.
    const qsizetype componentStart = name.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > componentStart)
        name.truncate(dot);
    return name + QLatin1Char('.') + extensionText(record->extension);
}

bool Exporter::exportImageToFile(Image image, const QString& path) {
    Record* record = activeRecord();
    if (!record) {
        _lastError = kNoExporterError;
        return false;
    }
    applyConfig();
    GraphicsExporter& exporter = *record->instance;

    QByteArray profile;
    if (_useColorSync)
        profile = image.iccProfile().isEmpty() ? defaultDisplayProfile() : image.iccProfile();

    const bool sized = image.size().width > 0 && image.size().height > 0;
    const double scaleX = sized ? image.scaleX() : 0;
    const double scaleY = sized ? image.scaleY() : 0;
    // The only reference left, so that setting the resolution changes it in place.
    QImage pixels = image.pixels();
    image.setPixels(QImage());
    if (sized) {
        pixels.setDotsPerMeterX(int(std::lround(scaleX * kPointsPerInch / kMetresPerInch)));
        pixels.setDotsPerMeterY(int(std::lround(scaleY * kPointsPerInch / kMetresPerInch)));
    }

    exporter.setCompressionQuality(_spatialQuality >= 0 ? _spatialQuality : -1);
    exporter.setColorProfile(profile);
    if (_createThumbnail || _createEXIF) {
        exporter.setExifEnabled(true);
        std::optional<UserData> items;
        if (_createEXIF && !_metaData.isNull()) {
            items = UserData::fromFlattened(_metaData);
            if (!items && !_createThumbnail)
                exporter.setExifEnabled(false);
        }
        exporter.setMetaData(std::move(items));
        exporter.setThumbnailSize(_createThumbnail ? QSize(kThumbnailSide, kThumbnailSide)
                                                   : QSize());
    } else {
        exporter.setThumbnailSize(QSize());
        exporter.setExifEnabled(false);
        exporter.setMetaData(std::nullopt);
    }
    _lastError = exporter.exportImage(pixels, path);
    return _lastError == GraphicsExporter::NoError;
}

QString Exporter::errorString() const {
    if (_lastError == 0)
        return QString();
    return localizedString(QStringLiteral("%1: %2")
                               .arg(localizedString(QStringLiteral("ERROR_CODE_MSG")))
                               .arg(_lastError));
}
