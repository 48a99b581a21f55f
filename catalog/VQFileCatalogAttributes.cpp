// The numbered attribute interface of the catalog: the getter, which loads and
// caches pictures on demand, the setter with its undo and notices, and the
// temporary files of raw and URL entries.
#include "catalog/EXIFReader.h"
#include "catalog/Importer.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/URLImageRetrievalDelegate.h"
#include "platform/foundation/UndoManager.h"
#include "platform/system/FileDisplay.h"
#include "utilities/GeometryUtilities.h"
#include "utilities/ImageUtilities.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>

namespace {

constexpr char kMarkerAction[] = "MARKER";
constexpr char kRotationAction[] = "ROTATION";
constexpr char kCropAction[] = "CROP";
constexpr char kPlacementAction[] = "PLACEMENT";
constexpr char kEnhancementAction[] = "ENHANCEMENT";
constexpr char kRedEyeFilterAction[] = "RED_EYE_FILTER";
constexpr char kEncapsulatedKey[] = "ENCAPSULATED";
constexpr char kMissingFormatKey[] = "MISSING_STR";
constexpr char kMissingPhotoKey[] = "MISSING_PHOTO";
constexpr char kRetrieveFormatKey[] = "RETRIEVE_STR";
constexpr char kTiffExtension[] = ".tiff";

QString key(const char* name) {
    return QString::fromLatin1(name);
}

bool isQuarterTurn(float degrees) {
    return degrees == 90.0f || degrees == -90.0f || degrees == 270.0f || degrees == -270.0f;
}

Size exchanged(Size size) {
    return Size{size.height, size.width};
}

float rotationOf(const VQFileCatalogEntry& record) {
    return record.value(key(kEntryRotationKey), 0.0f).toFloat();
}

// The last path component of a URL's text; the URL's text less it.
QString lastURLComponent(const QUrl& url) {
    const QString text = url.toString();
    return text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
}

QString urlLocation(const QUrl& url) {
    const QString text = url.toString();
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : text.left(slash);
}

// A name the file system can hold as one path component.
QString safeFileName(QString name) {
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QChar(0), QLatin1Char('_'));
    return name;
}

constexpr char kPlaceholderName[] = "CatalogDocument";
constexpr char kURLPlaceholderName[] = "URL_Document";

// Tickets of queued thumbnails, process-wide.
qint64 nextThumbnailTicket() {
    static std::atomic<qint64> counter{0};
    return counter.fetch_add(1);
}

QImage solidWhite(Size size) {
    QImage image(std::max(1, int(size.width)), std::max(1, int(size.height)), QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QVariant imageVariant(const Image& image) {
    return image.isNull() ? QVariant() : QVariant::fromValue(image);
}

// The application's picture of that name (with or without its extension).
Image imageNamed(const QString& name) {
    const QImage pixels = Resources::applicationImageNamed(name);
    return pixels.isNull() ? Image() : Image(pixels);
}

// A 320 x 240 placeholder: a faint picture under a centred text.
Image placeholderPicture(const QString& text, const Image& picture) {
    constexpr int kWidth = 320;
    constexpr int kHeight = 240;
    QImage canvas(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    if (!picture.isNull()) {
        painter.setOpacity(0.2);
        painter.drawImage(QRect(0, 0, kWidth, kHeight), picture.pixels());
        painter.setOpacity(1.0);
    }
    painter.setPen(Qt::black);
    const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
    const QRect band =
        painter.fontMetrics().boundingRect(QRect(0, 0, kWidth, kHeight), flags, text);
    painter.drawText(QRect(0, (kHeight - band.height()) / 2, kWidth, band.height()), flags, text);
    painter.end();
    return Image(canvas.copy());
}

} // namespace

// Hands the fetched bytes to the catalog while it lives; the retriever keeps the
// delegate, not the catalog, alive until delivery.
class VQFileCatalog::URLDelegate : public URLImageRetrievalDelegate {
public:
    explicit URLDelegate(std::weak_ptr<VQFileCatalog> catalog) : _catalog(std::move(catalog)) {}
    void imageRetrievedDataTag(const QByteArray& data, int32_t tag) override {
        if (std::shared_ptr<VQFileCatalog> catalog = _catalog.lock())
            catalog->imageRetrievedDataTag(data, tag);
    }
    bool isEqualToDelegate(const URLImageRetrievalDelegate& other) const override {
        const auto* same = dynamic_cast<const URLDelegate*>(&other);
        return same && !_catalog.owner_before(same->_catalog) &&
               !same->_catalog.owner_before(_catalog);
    }

private:
    std::weak_ptr<VQFileCatalog> _catalog;
};

// Getter.

QVariant VQFileCatalog::getFileAttributeAtIndex(int attribute, int index) {
    try {
        return getAttribute(attribute, index);
    } catch (const Exception& e) {
        qWarning("Exception caught in getFileAttribute:atIndex:");
        qWarning("Name  : %s", qPrintable(e.name()));
        qWarning("Reason: %s", qPrintable(e.reason()));
    } catch (const std::exception& e) {
        qWarning("Exception caught in getFileAttribute:atIndex:");
        qWarning("Name  : std::exception");
        qWarning("Reason: %s", e.what());
    }
    return QVariant();
}

QVariant VQFileCatalog::enhancementDefault(int attribute) const {
    switch (attribute) {
    case kCatalogAttrSharpness:
        return _document ? _document->defaultSharpness() : 0;
    case kCatalogAttrContrast:
        return _document ? _document->defaultContrast() : 1.0f;
    case kCatalogAttrSaturation:
        return _document ? _document->defaultSaturation() : 1.0f;
    case kCatalogAttrBrightness:
        return _document ? _document->defaultBrightness() : 1.0f;
    default:
        return QVariant();
    }
}

QVariant VQFileCatalog::getAttribute(int attribute, int index) {
    if (attribute > kCatalogAttrFullImage)
        return QVariant();
    // Held for the whole request: a picture being decoded or replaced on one
    // thread is never handed out on another.
    std::lock_guard lock(_theLock);
    const VQFileCatalogEntryRef record = entryAtIndex(index);
    if (!record)
        return QVariant();
    const VQFileCatalogEntry& entry = *record;
    const QString path = entry.value(key(kEntryPathKey)).toString();
    const auto valueOr = [&](const char* name, const QVariant& neutral) {
        const QVariant value = entry.value(key(name));
        return value.isValid() ? value : neutral;
    };

    switch (attribute) {
    case kCatalogAttrName:
        if (entry.isRaw())
            return entry.value(key(kEntryRawImageNameKey));
        if (entry.isURL())
            return lastURLComponent(entry.value(key(kEntryImageURLKey)).toUrl());
        return path.isEmpty() ? QVariant() : QVariant(FileDisplay::displayNameAtPath(path));
    case kCatalogAttrPath:
        return entry.value(key(kEntryPathKey));
    case kCatalogAttrExtension:
        return path.isEmpty() ? QVariant() : QVariant(QFileInfo(path).suffix());
    case kCatalogAttrModDate:
        return entry.value(key(kEntryModDateKey));
    case kCatalogAttrFileSize:
        return entry.value(key(kEntryFileSizeKey));
    case kCatalogAttrLocation:
        if (entry.isRaw())
            return localizedString(key(kEncapsulatedKey));
        if (entry.isURL())
            return urlLocation(entry.value(key(kEntryImageURLKey)).toUrl());
        return path.isEmpty() ? QVariant() : QVariant(QFileInfo(path).path());
    case kCatalogAttrURL:
        return entry.value(key(kEntryImageURLKey));
    case kCatalogAttrIsURL:
        return entry.isURL();
    case kCatalogAttrIsLocalFile:
        return !entry.isRaw() && !entry.isURL();
    case kCatalogAttrIsRaw:
        return entry.isRaw();
    case kCatalogAttrSelected:
        return valueOr(kEntrySelectedKey, false);
    case kCatalogAttrMarked:
        return valueOr(kEntryMarkerKey, true);
    case kCatalogAttrEnabled:
        return valueOr(kEntryEnabledKey, true);
    case kCatalogAttrRotation:
        return valueOr(kEntryRotationKey, 0.0f);
    case kCatalogAttrCrop:
        return valueOr(kEntryCropKey, QByteArray(16, '\0'));
    case kCatalogAttrOffset:
        return valueOr(kEntryOffsetKey, QByteArray(8, '\0'));
    case kCatalogAttrSharpness:
        return valueOr(kEntrySharpnessKey, enhancementDefault(attribute));
    case kCatalogAttrContrast:
        return valueOr(kEntryContrastKey, enhancementDefault(attribute));
    case kCatalogAttrSaturation:
        return valueOr(kEntrySaturationKey, enhancementDefault(attribute));
    case kCatalogAttrBrightness:
        return valueOr(kEntryBrightnessKey, enhancementDefault(attribute));
    case kCatalogAttrRedEye:
        return valueOr(kEntryRedEyeKey, QVariantList());
    case kCatalogAttrAdjustments: {
        QVariantMap adjustments;
        adjustments.insert(key(kAdjustSharpnessKey), getAttribute(kCatalogAttrSharpness, index));
        adjustments.insert(key(kAdjustContrastKey), getAttribute(kCatalogAttrContrast, index));
        adjustments.insert(key(kAdjustSaturationKey), getAttribute(kCatalogAttrSaturation, index));
        adjustments.insert(key(kAdjustBrightnessKey), getAttribute(kCatalogAttrBrightness, index));
        return adjustments;
    }
    case kCatalogAttrCaptions:
        return valueOr(kEntryCaptionsKey, QVariantList());
    case kCatalogAttrCropConstraint:
        return valueOr(kEntryCropConstraintKey, 0);
    case kCatalogAttrCropRatio:
        return valueOr(kEntryCropRatioKey, 0.0f);
    case kCatalogAttrCropPreset:
        return valueOr(kEntryCropPresetKey, QString(QLatin1String("")));
    case kCatalogAttrIcon: {
        if (entry.contains(key(kEntryIconKey)))
            return entry.value(key(kEntryIconKey));
        const QVariant icon = imageVariant(FileDisplay::iconForFile(path));
        if (icon.isValid())
            record->insert(key(kEntryIconKey), icon);
        return icon;
    }
    case kCatalogAttrThumbnail:
        return getThumbnail(index, record);
    case kCatalogAttrImage:
    case kCatalogAttrFullImage:
        return getImage(attribute, index, record);
    case kCatalogAttrImageSize:
        return getImageSize(record);
    case kCatalogAttrSerialNumber:
        return entry.value(key(kEntrySerialNumberKey));
    case kCatalogAttrImageLoaded:
        return entry.contains(key(kEntryImageKey));
    case kCatalogAttrMetadata:
        return entry.value(key(kEntryMetadataKey));
    case kCatalogAttrComponentInfo:
        return entry.value(key(kEntryComponentInfoKey));
    case kCatalogAttrEXIF: {
        if (entry.contains(key(kEntryEXIFKey)))
            return entry.value(key(kEntryEXIFKey));
        const QVariant exif = EXIFDictionaryForFile(path);
        if (exif.isValid())
            record->insert(key(kEntryEXIFKey), exif);
        else
            record->remove(key(kEntryEXIFKey));
        return exif;
    }
    default:
        return QVariant();
    }
}

QVariant VQFileCatalog::getThumbnail(int index, const VQFileCatalogEntryRef& record) {
    if (record->contains(key(kEntryBadKey))) {
        removeEntryAtIndex(index);
        postError(kErrorUnreadablePhoto);
        return QVariant();
    }
    if (record->contains(key(kEntryThumbnailKey)))
        return record->value(key(kEntryThumbnailKey));
    if (record->isRaw())
        makeTempFileForImageEntryThreaded(*record, false);
    const QString path = record->value(key(kEntryPathKey)).toString();
    const bool disabled = !record->value(key(kEntryEnabledKey), true).toBool();
    if (disabled) {
        const Image missing = imageNamed(localizedString(key(kMissingPhotoKey)));
        if (!missing.isNull())
            return QVariant::fromValue(missing);
    }
    // Pictures that stand in for one not at hand are shown, not cached, and never
    // cost the entry: a missing file may come back, a fetch may still deliver.
    const auto standIn = [&](const Image& picture) {
        const Size size = UTScaleSizeToFit(picture.size(), _thumbnailSize);
        return QVariant::fromValue(Image(picture.pixels().scaled(
            int(size.width), int(size.height), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    };
    if (disabled)
        return standIn(missingFilePicture(index).value<Image>());
    if (_allowDeferedLoader && !weak_from_this().expired()) {
        // The loader replaces the placeholder; a ticket already given stays, so the
        // entry keeps its place in line.
        Image placeholder =
            imageNamed(key(record->isURL() ? kURLPlaceholderName : kPlaceholderName));
        if (placeholder.isNull())
            placeholder = Image(solidWhite(_thumbnailSize));
        record->insert(key(kEntryThumbnailKey), QVariant::fromValue(placeholder));
        if (!record->contains(key(kEntryThumbnailQueueKey)))
            record->insert(key(kEntryThumbnailQueueKey), nextThumbnailTicket());
        if (activateDeferedLoader())
            return QVariant::fromValue(placeholder);
        record->remove(key(kEntryThumbnailKey));
        record->remove(key(kEntryThumbnailQueueKey));
    }
    if (path.isEmpty() && record->isURL()) {
        const QUrl url = record->value(key(kEntryImageURLKey)).toUrl();
        return standIn(makeURLRetrievalFileImage(stringWithFormat(
            localizedString(key(kRetrieveFormatKey)), lastURLComponent(url), urlLocation(url))));
    }
    const Image thumbnail =
        getThumbnailImageFromPathWithRotationWithLock(path, rotationOf(*record), false);
    if (thumbnail.isNull()) {
        // A raw entry's picture lives only in the document: never drop it.
        if (!record->isRaw())
            removeEntryAtIndex(index);
        postError(kErrorUnreadablePhoto);
        return QVariant();
    }
    record->insert(key(kEntryThumbnailKey), QVariant::fromValue(thumbnail));
    return QVariant::fromValue(thumbnail);
}

QVariant VQFileCatalog::getImageSize(const VQFileCatalogEntryRef& record) {
    if (record->contains(key(kEntryImageSizeKey)))
        return record->value(key(kEntryImageSizeKey));
    if (record->isURL())
        return stringFromSize(imageNamed(QStringLiteral("URL_Document")).size());
    const std::unique_ptr<Importer> importer =
        Importer::initWithFile(record->value(key(kEntryPathKey)).toString());
    if (!importer)
        return stringFromSize(kZeroSize);
    Size size = importer->size();
    if (isQuarterTurn(rotationOf(*record)))
        size = exchanged(size);
    const QString text = stringFromSize(size);
    record->insert(key(kEntryImageSizeKey), text);
    return text;
}

QVariant VQFileCatalog::getImage(int attribute, int index, const VQFileCatalogEntryRef& record) {
    const bool disabled = !record->value(key(kEntryEnabledKey), true).toBool();
    if (attribute == kCatalogAttrImage) {
        if (record->contains(key(kEntryImageKey))) {
            record->insert(key(kEntryImageAccessKey), QDateTime::currentDateTime());
            return record->value(key(kEntryImageKey));
        }
        if (!disabled) {
            makeTempFileForImageEntryThreaded(*record, true);
            if (record->contains(key(kEntryImageKey)))
                return record->value(key(kEntryImageKey));
        }
    } else if (!disabled) {
        makeTempFileForImageEntryThreaded(*record, false);
    }
    return imageRequest(attribute, index, *record);
}

QVariant VQFileCatalog::missingFilePicture(int index) {
    const QString text = stringWithFormat(localizedString(key(kMissingFormatKey)),
                                          getAttribute(kCatalogAttrName, index).toString(),
                                          getAttribute(kCatalogAttrLocation, index).toString());
    return imageVariant(makeMissingFileImage(text));
}

QVariant VQFileCatalog::imageRequest(int attribute, int index, VQFileCatalogEntry& record) {
    if (!record.value(key(kEntryEnabledKey), true).toBool()) {
        const QVariant picture = missingFilePicture(index);
        if (!picture.isValid()) {
            removeEntryAtIndex(index);
            postError(kErrorUnreadablePhoto);
        }
        return picture;
    }
    const QString path = record.value(key(kEntryPathKey)).toString();
    const std::unique_ptr<Importer> importer = Importer::initWithFile(path);
    if (!importer) {
        // A raw entry's picture lives only in the document: keep the entry.
        if (!record.isRaw())
            removeEntryAtIndex(index);
        postError(kErrorUnreadablePhoto);
        return QVariant();
    }
    const float rotation = rotationOf(record);
    const auto adjustment = [&](const char* name, int attributeId) {
        const QVariant value = record.value(key(name));
        return (value.isValid() ? value : enhancementDefault(attributeId)).toFloat();
    };
    importer->setUsesColorSync(host().preferencesBOOLFor(PrefImportProfiles));
    const Size natural = importer->size();
    const Size target = isQuarterTurn(rotation) ? exchanged(natural) : natural;
    importer->setRotationAngle(rotation);
    importer->setSharpness(adjustment(kEntrySharpnessKey, kCatalogAttrSharpness));
    importer->setContrast(adjustment(kEntryContrastKey, kCatalogAttrContrast));
    importer->setSaturation(adjustment(kEntrySaturationKey, kCatalogAttrSaturation));
    importer->setBrightness(adjustment(kEntryBrightnessKey, kCatalogAttrBrightness));
    QList<QByteArray> redEye;
    for (const QVariant& item : record.value(key(kEntryRedEyeKey)).toList())
        redEye.append(item.toByteArray());
    importer->setRedEyeArray(redEye);

    Size requested = kZeroSize;
    if (_deliverScreenResolution)
        requested = UTScaleSizeToFit(target, _maxScreenResolution);
    else if (isQuarterTurn(rotation))
        requested = target;
    const Image image = importer->getImageWithSize(requested);
    if (image.isNull())
        return QVariant();
    record.insert(key(kEntryImageSizeKey), stringFromSize(target));
    if (attribute == kCatalogAttrImage) {
        record.insert(key(kEntryImageKey), QVariant::fromValue(image));
        record.insert(key(kEntryImageAccessKey), QDateTime::currentDateTime());
    }
    const QByteArray metadata = importer->getMetaData();
    if (!metadata.isEmpty())
        record.insert(key(kEntryMetadataKey), metadata);
    else
        record.remove(key(kEntryMetadataKey));
    const QVariantMap componentInfo = importer->getComponentInfo();
    if (!componentInfo.isEmpty())
        record.insert(key(kEntryComponentInfoKey), componentInfo);
    else
        record.remove(key(kEntryComponentInfoKey));
    return QVariant::fromValue(image);
}

// Temporary files.

void VQFileCatalog::disableURLEntry(VQFileCatalogEntry& record) {
    if (!record.value(key(kEntryEnabledKey), true).toBool())
        return;
    record.insert(key(kEntryEnabledKey), false);
    record.remove(key(kEntryImageKey));
    record.remove(key(kEntryImageAccessKey));
    enqueue(kVQFileCatalogAttributeChangedNofity, NotificationQueue::PostASAP,
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
}

void VQFileCatalog::makeTempFileForImageEntryThreaded(VQFileCatalogEntry& record, bool threaded) {
    std::lock_guard lock(_theLock);
    if (!record.isRaw() && !record.isURL())
        return;
    const QString current = record.value(key(kEntryPathKey)).toString();
    // A file that went away (the temporary folder was cleaned) is made again.
    if (isTemporaryFile(current) && QFileInfo::exists(current))
        return;
    if (record.isRaw()) {
        const Image picture = record.value(key(kEntryRawImageDataKey)).value<Image>();
        if (picture.isNull())
            return;
        QImage flat(picture.pixelSize(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, picture.toQImage());
        painter.end();
        QByteArray tiff;
        QBuffer buffer(&tiff);
        buffer.open(QIODevice::WriteOnly);
        if (!flat.save(&buffer, "TIFF"))
            return;
        const QString name = record.value(key(kEntryRawImageNameKey)).toString();
        const QString path = createTempPath() + safeFileName(name) + QLatin1String(kTiffExtension);
        QFile::remove(path);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(tiff) == tiff.size()) {
            file.close();
            record.insert(key(kEntryPathKey), path);
        } else {
            file.close();
            QFile::remove(path);
        }
        return;
    }
    const QUrl url = record.value(key(kEntryImageURLKey)).toUrl();
    if (url.isEmpty()) {
        disableURLEntry(record);
        return;
    }
    if (threaded) {
        host().asynchronousImageFetchDataTagCompletionDelegate(
            url, record.value(key(kEntrySerialNumberKey)).toInt(),
            std::make_shared<URLDelegate>(weak_from_this()));
        record.insert(key(kEntryImageKey),
                      QVariant::fromValue(makeURLRetrievalFileImage(
                          stringWithFormat(localizedString(key(kRetrieveFormatKey)),
                                           lastURLComponent(url), urlLocation(url)))));
        record.insert(key(kEntryImageAccessKey), QDateTime::currentDateTime());
        return;
    }
    const QByteArray data = host().synchronousDataFetch(url);
    const QString path = createTempPath() + safeFileName(lastURLComponent(url));
    if (!data.isEmpty() && FileAccess::writeFileAtomically(path, data))
        record.insert(key(kEntryPathKey), path);
    else
        disableURLEntry(record);
}

bool VQFileCatalog::storeFetchedURLData(VQFileCatalogEntry& record, const QByteArray& data) {
    const QUrl url = record.value(key(kEntryImageURLKey)).toUrl();
    const QString path = createTempPath() + safeFileName(lastURLComponent(url));
    if (!FileAccess::writeFileAtomically(path, data))
        return false;
    record.insert(key(kEntryPathKey), path);
    return true;
}

void VQFileCatalog::imageRetrievedDataTag(const QByteArray& data, int serialNumber) {
    int index;
    {
        std::lock_guard lock(_theLock);
        index = findSerialNumber(serialNumber);
        if (index < 0)
            return;
        VQFileCatalogEntry& record = *_entries.at(index);
        if (!data.isEmpty()) {
            storeFetchedURLData(record, data);
        } else if (record.value(key(kEntryEnabledKey), true).toBool()) {
            record.insert(key(kEntryEnabledKey), false);
        }
        record.remove(key(kEntryImageKey));
        record.remove(key(kEntryImageAccessKey));
    }
    enqueue(kVQFileCatalogAttributeChangedNofity, NotificationQueue::PostASAP,
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
    QVariantMap info;
    info.insert(key(kAttrKey), int(kCatalogAttrPath));
    info.insert(key(kIndexKey), index);
    enqueue(kVQFileCatalogPhotoVisiblyChangedNotify, NotificationQueue::PostASAP,
            NotificationQueue::NoCoalescing, info);
}

// Setter.

void VQFileCatalog::setFileAttributeAtIndexToValue(int attribute, int index,
                                                   const QVariant& value) {
    const QVariantMap undoParameters = makeEncapsulatedParamsFromAttributeIndexAndValue(
        attribute, index, getFileAttributeAtIndex(attribute, index));
    std::lock_guard lock(_theLock);
    if (attribute > kCatalogAttrEXIF)
        return;
    const VQFileCatalogEntryRef record = entryAtIndex(index);
    if (!record)
        return;
    bool visible = false;
    const QString actionKey = setAttribute(attribute, *record, value, visible);
    if (!actionKey.isEmpty() && _document) {
        UndoManager* undo = _document->undoManager();
        undo->registerUndo(this,
                           [this, undoParameters] { setEncapsulatedAttribute(undoParameters); });
        undo->setActionName(localizedString(actionKey));
    }
    if (visible && !_disableNotifications) {
        QVariantMap info;
        info.insert(key(kAttrKey), attribute);
        info.insert(key(kIndexKey), index);
        NotificationCenter::defaultCenter().postNotificationName(
            key(kVQFileCatalogPhotoVisiblyChangedNotify), static_cast<const VQFileCatalog*>(this),
            info);
    }
}

bool VQFileCatalog::applyAdjustment(VQFileCatalogEntry& record, const char* name,
                                    const QVariant& value) {
    const QVariant stored = record.value(key(name));
    if (stored.isValid() && stored.toDouble() == value.toDouble())
        return false;
    if (std::strcmp(name, kEntrySharpnessKey) == 0)
        record.insert(key(name), int(value.toDouble()));
    else
        record.insert(key(name), value.toFloat());
    return true;
}

QString VQFileCatalog::setAttribute(int attribute, VQFileCatalogEntry& record,
                                    const QVariant& value, bool& visible) {
    const auto dropPictures = [&record] {
        for (const char* name : {kEntryImageKey, kEntryImageAccessKey, kEntryImageSizeKey})
            record.remove(key(name));
    };
    const auto replace = [&record, &value](const char* name) {
        record.remove(key(name));
        if (value.isValid() && !value.isNull())
            record.insert(key(name), value);
    };
    switch (attribute) {
    case kCatalogAttrPath: {
        const QString path = value.toString();
        if (record.value(key(kEntryPathKey)) == value)
            return QString();
        for (const char* name : {kEntryThumbnailKey, kEntryPathKey, kEntryAliasKey})
            record.remove(key(name));
        if (!path.isEmpty()) {
            record.insert(key(kEntryPathKey), path);
            record.insert(key(kEntryEnabledKey), true);
            const QByteArray alias = createAliasObjectFromPath(path);
            if (!alias.isNull())
                record.insert(key(kEntryAliasKey), alias);
        }
        visible = true;
        return QString();
    }
    case kCatalogAttrURL: {
        if (record.value(key(kEntryImageURLKey)) == value)
            return QString();
        for (const char* name :
             {kEntryThumbnailKey, kEntryPathKey, kEntryAliasKey, kEntryImageURLKey})
            record.remove(key(name));
        if (value.isValid() && !value.toUrl().isEmpty()) {
            record.insert(key(kEntryImageURLKey), value.toUrl());
            record.insert(key(kEntryEnabledKey), true);
        }
        visible = true;
        return QString();
    }
    case kCatalogAttrSelected:
        record.insert(key(kEntrySelectedKey), value.toBool());
        return QString();
    case kCatalogAttrMarked:
        record.insert(key(kEntryMarkerKey), value.toBool());
        return key(kMarkerAction);
    case kCatalogAttrEnabled:
        record.insert(key(kEntryEnabledKey), value.toBool());
        if (!value.toBool()) {
            record.remove(key(kEntryImageKey));
            record.remove(key(kEntryImageAccessKey));
        }
        return QString();
    case kCatalogAttrRotation: {
        const QString action = setRotation(record, value.toFloat());
        visible = !action.isEmpty();
        return action;
    }
    case kCatalogAttrCrop:
        record.insert(key(kEntryCropKey), value.toByteArray());
        visible = true;
        return key(kCropAction);
    case kCatalogAttrOffset:
        record.insert(key(kEntryOffsetKey), value.toByteArray());
        visible = true;
        return key(kPlacementAction);
    case kCatalogAttrSharpness:
    case kCatalogAttrContrast:
    case kCatalogAttrSaturation:
    case kCatalogAttrBrightness: {
        static constexpr const char* kKeys[] = {kEntrySharpnessKey, kEntryContrastKey,
                                                kEntrySaturationKey, kEntryBrightnessKey};
        if (!applyAdjustment(record, kKeys[attribute - kCatalogAttrSharpness], value))
            return QString();
        dropPictures();
        visible = true;
        return key(kEnhancementAction);
    }
    case kCatalogAttrRedEye:
        record.insert(key(kEntryRedEyeKey), value.toList());
        dropPictures();
        visible = true;
        return key(kRedEyeFilterAction);
    case kCatalogAttrAdjustments: {
        const QVariantMap adjustments = value.toMap();
        bool changed = false;
        const std::pair<const char*, const char*> pairs[] = {
            {kAdjustSharpnessKey, kEntrySharpnessKey},
            {kAdjustContrastKey, kEntryContrastKey},
            {kAdjustSaturationKey, kEntrySaturationKey},
            {kAdjustBrightnessKey, kEntryBrightnessKey}};
        for (const auto& [name, entryKey] : pairs)
            if (adjustments.contains(key(name)))
                changed |= applyAdjustment(record, entryKey, adjustments.value(key(name)));
        if (!changed)
            return QString();
        dropPictures();
        visible = true;
        return key(kEnhancementAction);
    }
    case kCatalogAttrCaptions:
        if (value.typeId() != QMetaType::QVariantList)
            return QString();
        record.insert(key(kEntryCaptionsKey), value);
        visible = true;
        return QString();
    case kCatalogAttrCropConstraint:
        record.insert(key(kEntryCropConstraintKey), value.toInt());
        return QString();
    case kCatalogAttrCropRatio:
        record.insert(key(kEntryCropRatioKey), value.toFloat());
        return QString();
    case kCatalogAttrCropPreset:
        record.insert(key(kEntryCropPresetKey), value.toString());
        return QString();
    case kCatalogAttrThumbnail:
        replace(kEntryThumbnailKey);
        return QString();
    case kCatalogAttrImage:
        record.remove(key(kEntryImageKey));
        record.remove(key(kEntryImageAccessKey));
        if (value.isValid() && !value.value<Image>().isNull()) {
            record.insert(key(kEntryImageKey), value);
            record.insert(key(kEntryImageAccessKey), QDateTime::currentDateTime());
            visible = true;
        }
        return QString();
    case kCatalogAttrMetadata:
        replace(kEntryMetadataKey);
        return QString();
    case kCatalogAttrComponentInfo:
        replace(kEntryComponentInfoKey);
        return QString();
    case kCatalogAttrEXIF:
        replace(kEntryEXIFKey);
        return QString();
    default:
        return QString();
    }
}

QString VQFileCatalog::setRotation(VQFileCatalogEntry& record, float rotation) {
    const float old = rotationOf(record);
    if (rotation == old)
        return QString();
    const QString sizeKey = key(kEntryImageSizeKey);
    const Size size = sizeFromString(record.value(sizeKey).toString());
    const Point center{size.width / 2, size.height / 2};
    record.insert(key(kEntryRotationKey), rotation);
    const float delta = rotation - old;
    if (record.contains(key(kEntryImageKey))) {
        float d = delta;
        if (d < -90.0f)
            d += 360.0f;
        if (d > 180.0f)
            d -= 360.0f;
        for (const char* name : {kEntryImageKey, kEntryThumbnailKey})
            if (record.contains(key(name)))
                record.insert(key(name), QVariant::fromValue(UTQuadRotateImage(
                                             record.value(key(name)).value<Image>(), int(d))));
        if (d != 0.0f && d != 180.0f && d != -180.0f && record.contains(sizeKey))
            record.insert(sizeKey, stringFromSize(exchanged(size)));
    } else {
        for (const char* name : {kEntryThumbnailKey, kEntryImageKey, kEntryImageAccessKey,
                                 kEntryImageSizeKey, kEntryThumbnailQueueKey})
            record.remove(key(name));
    }
    rotateEntryRedEyeArrayRotation(record, delta);
    rotateEntryCaptionArrayOnCenterRotation(record, center, delta);
    return key(kRotationAction);
}

// Thumbnails, placeholders and temporary paths.

QString VQFileCatalog::createTempPath() {
    static std::atomic<int> counter{0};
    return host().tempFolder() + QLatin1Char('/') +
           stringWithFormat(QStringLiteral("vyx%d%d"), QDateTime::currentSecsSinceEpoch(),
                            counter.fetch_add(1));
}

bool VQFileCatalog::isTemporaryFile(const QString& path) {
    if (path.isEmpty())
        return false;
    const QString folder = QFileInfo(host().tempFolder()).absoluteFilePath();
    return QDir::cleanPath(QFileInfo(path).absolutePath()) == QDir::cleanPath(folder);
}

Image VQFileCatalog::getThumbnailImageFromPathWithRotationWithLock(const QString& path,
                                                                   float degrees, bool withLock) {
    std::unique_lock iconLock(_iconLock, std::defer_lock);
    if (withLock)
        iconLock.lock();
    std::unique_ptr<Importer> importer = Importer::initWithFile(path);
    if (withLock)
        iconLock.unlock();
    if (!importer) {
        postError(kErrorUnreadablePhoto);
        return Image();
    }
    Size size = UTScaleSizeToFit(importer->size(), _thumbnailSize);
    if (isQuarterTurn(degrees))
        size = exchanged(size);
    importer->setRotationAngle(degrees);
    if (withLock)
        iconLock.lock();
    const Image thumbnail = importer->getThumbnailWithSize(size);
    if (withLock)
        iconLock.unlock();
    if (thumbnail.isNull())
        qWarning("Couldn't retrieve image for: %s", qPrintable(path));
    return thumbnail;
}

Image VQFileCatalog::makeMissingFileImage(const QString& text) {
    return placeholderPicture(text, imageNamed(localizedString(key(kMissingPhotoKey))));
}

Image VQFileCatalog::makeURLRetrievalFileImage(const QString& text) {
    return placeholderPicture(text, imageNamed(QStringLiteral("Globe.tiff")));
}
