#include "library/TemplateHandle.h"

#include "framework/model/PageDesc.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateFileFormat.h"
#include "layout/TemplateRenderer.h"
#include "library/TemplateInfoCache.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/Document.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

template <class T> bool holds(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<T>();
}

// Keys of the property-list generation.
constexpr char kV1NameKey[] = "name";
constexpr char kV1CategoryKey[] = "category";
constexpr char kV1CreatorKey[] = "creator";
constexpr char kV1DescriptionKey[] = "description";
constexpr char kV1ProxyKey[] = "proxy";
constexpr char kV1ProxyFileKey[] = "file";
constexpr char kV1ProxyDataKey[] = "data";
constexpr char kV1PageDescKey[] = "pageDesc";
constexpr char kV1DpiKey[] = "dpi";
constexpr char kV1ImageFilesKey[] = "image files";
constexpr char kV1ObjectsKey[] = "objects";
constexpr char kV1KindKey[] = "kind";
constexpr char kV1EditableKey[] = "editable";
constexpr char kV1FieldNameKey[] = "f_Name";
constexpr char kV1FieldIDKey[] = "f_ID";
constexpr char kV1FieldDataKey[] = "data";
constexpr char kV1SizeKey[] = "size";
constexpr char kV1ScaleKey[] = "scale";
constexpr char kV1RatioKey[] = "ratio";

constexpr char kXmlSignature[] = "<?xml version=";
// The longer side of a made thumbnail, in points.
constexpr float kThumbnailSide = 96;

QDateTime modificationDate(const QString& path) {
    return QFileInfo(path).lastModified().toUTC();
}

// The decoded root of a record when it was written, is whole and decodes.
QVariant recordObject(QIODevice& file, uint32_t offset, uint32_t tag) {
    const TemplateFile::Record record = TemplateFile::readRecord(file, offset, tag);
    if (record.state != TemplateFile::Record::State::Read)
        return {};
    return Unarchiver::unarchiveObject(record.payload);
}

void takeText(QIODevice& file, uint32_t offset, uint32_t tag, QString& field) {
    const QVariant value = recordObject(file, offset, tag);
    if (holds<QString>(value))
        field = value.toString();
}

// Groups give their members in their place, recursively.
void appendDissolved(QList<TMObjectRef>& into, const TMObjectRef& object) {
    if (const auto group = std::dynamic_pointer_cast<TMObjectGroup>(object)) {
        for (const TMObjectRef& member : group->groupedObjects())
            appendDissolved(into, member);
        return;
    }
    into.append(object);
}

bool isPhotoCell(const QVariantMap& dictionary) {
    return dictionary.value(key(kV1KindKey)).toString() == QLatin1String("photo");
}

bool isPhotoCell(const TMObjectRef& object) {
    return std::dynamic_pointer_cast<TMPhotoObject>(object) != nullptr;
}

} // namespace

Image TemplateHandle::applicationImageNamed(const QString& name) {
    const QImage pixels = Resources::applicationImageNamed(name);
    return pixels.isNull() ? Image() : Image(pixels);
}

TemplateHandleRef TemplateHandle::templateHandleWithFile(const QString& path) {
    const int32_t format = templateFormatAtPath(path);
    if (format == 0)
        return nullptr;
    return TemplateHandleRef(new TemplateHandle(path, format));
}

TemplateHandle::TemplateHandle(const QString& path, int32_t format)
    : _fileFormat(format), _filePath(path), _fileModDate(modificationDate(path)) {}

int32_t TemplateHandle::templateFormatAtPath(const QString& path) {
    QFile file;
    if (!FileAccess::openRegularFileForReading(file, path))
        return 0;
    const QByteArray bytes = file.read(qint64(sizeof(HeaderPrefixRec)));
    if (bytes.size() >= qsizetype(sizeof(HeaderPrefixRec))) {
        HeaderPrefixRec prefix;
        std::memcpy(&prefix, bytes.constData(), sizeof prefix);
        SwapHeaderPrefixRecBigToHost(&prefix);
        if (prefix.formatVersion > 511 && int32_t(prefix.magic1) == int32_t(kTemplateMagicVARN) &&
            int32_t(prefix.magic2) == int32_t(kTemplateMagicVXTM) && prefix.headerVersion > 511)
            return prefix.minReaderVersion <= 512 ? prefix.formatVersion : 0;
    }
    if (bytes.startsWith(kXmlSignature))
        return TemplateFormat1;
    return 0;
}

bool TemplateHandle::reset() {
    // A file that stopped being a template leaves the handle as it was, so that
    // the notice of its removal still names the template that is gone.
    const int32_t format = templateFormatAtPath(_filePath);
    if (format == 0)
        return false;
    clearBasic();
    _basicPropertiesLoaded = false;
    _advancedPropertiesLoaded = false;
    _printInfo.reset();
    _namedImages.clear();
    _tempPageObjects.reset();
    _editFieldObjects.reset();
    _printAreaRects.reset();
    _pageRect = Rect();
    _photoCellsOnPage = 0;
    _paperName.clear();
    _fileFormat = format;
    _fileModDate = modificationDate(_filePath);
    return true;
}

bool TemplateHandle::isEqual(const TemplateHandle& other) {
    return documentID() == const_cast<TemplateHandle&>(other).documentID();
}

int TemplateHandle::compare(TemplateHandle& other) {
    const int byCategory = QString::compare(category(), other.category(), Qt::CaseInsensitive);
    if (byCategory != 0)
        return byCategory;
    return QString::compare(name(), other.name(), Qt::CaseInsensitive);
}

QString TemplateHandle::fileName() const {
    return QFileInfo(_filePath).fileName();
}

QDateTime TemplateHandle::fileModDate() {
    if (!_fileModDate)
        _fileModDate = modificationDate(_filePath);
    return *_fileModDate;
}

// ---------------------------------------------------------------------------
// Basic properties

bool TemplateHandle::adoptBasicProperties(const TemplateHandle& loaded) {
    if (_basicPropertiesLoaded || !loaded._basicPropertiesLoaded || family() != TemplateFormat2 ||
        loaded._filePath != _filePath || loaded._fileFormat != _fileFormat ||
        loaded._fileModDate != _fileModDate)
        return false;
    _version = loaded._version;
    _name = loaded._name;
    _documentID = loaded._documentID;
    _creator = loaded._creator;
    _category = loaded._category;
    _description = loaded._description;
    _copyright = loaded._copyright;
    _thumbnailProxy = loaded._thumbnailProxy;
    _basicPropertiesLoaded = true;
    return true;
}

void TemplateHandle::loadBasic() {
    if (_basicPropertiesLoaded)
        return;
    if (family() == TemplateFormat2)
        getBasic2xProperties();
    else if (family() == TemplateFormat1)
        getBasic1xProperties();
}

int32_t TemplateHandle::version() {
    loadBasic();
    return _version;
}

QString TemplateHandle::name() {
    loadBasic();
    return _name;
}

QString TemplateHandle::documentID() {
    loadBasic();
    if (_documentID.isEmpty())
        return fileName();
    return _documentID;
}

QString TemplateHandle::category() {
    loadBasic();
    return _category;
}

QString TemplateHandle::creator() {
    loadBasic();
    return _creator;
}

QString TemplateHandle::description() {
    loadBasic();
    return _description;
}

QString TemplateHandle::copyright() {
    loadBasic();
    return _copyright;
}

Image TemplateHandle::thumbnailProxy() {
    loadBasic();
    if (!_thumbnailProxy.isNull())
        return _thumbnailProxy;
    const Image made = makeThumbnail();
    if (made.isNull())
        return _thumbnailProxy;
    _thumbnailProxy = made;
    // Listing the older generation reads the cache, not the file: the made
    // thumbnail goes there, so it is made once.
    if (family() == TemplateFormat1)
        TemplateInfoCache::sharedTemplateInfoCache().storeInfoFromTemplate(*this);
    return _thumbnailProxy;
}

Image TemplateHandle::makeThumbnail() {
    const Rect page = pageRect();
    if (page.isEmpty() || !std::isfinite(page.width()) || !std::isfinite(page.height()))
        return {};
    const float scale = kThumbnailSide / std::max(page.width(), page.height());
    const Rect bounds(0, 0, page.width() * scale, page.height() * scale);
    Image image;
    image.setSize(bounds.size);
    ImageFocus focus(image);
    GraphicsContext* context = focus.context();
    if (!context)
        return {};
    TemplateRenderer renderer;
    renderer.setTemplate(shared_from_this());
    renderer.setIsRenderingOffscreen(true);
    renderer.setDrawingThumbnail(true);
    renderer.renderInRect(bounds);
    context->frameRect(bounds);
    focus.unlockFocus();
    return image;
}

void TemplateHandle::clearBasic() {
    _version = 0;
    _name.clear();
    _documentID.clear();
    _creator.clear();
    _category.clear();
    _description.clear();
    _copyright.clear();
    _thumbnailProxy = Image();
}

void TemplateHandle::applyDefaults(bool withCopyright) {
    if (_name.isNull())
        _name = fileName();
    if (_documentID.isNull())
        _documentID = fileName();
    if (_creator.isNull())
        _creator = QLatin1String("");
    if (_category.isNull())
        _category = localizedString(key(kCustomCategoryKey));
    if (_description.isNull())
        _description = localizedString(key(kNoDescriptionKey));
    if (withCopyright && _copyright.isNull())
        _copyright = QLatin1String("");
}

bool TemplateHandle::getBasic2xProperties() {
    clearBasic();
    if (family() != TemplateFormat2 || _filePath.isEmpty())
        return false;
    QFile file;
    if (!FileAccess::openRegularFileForReading(file, _filePath))
        return false;
    const std::optional<HeaderPrefixRec> prefix = TemplateFile::readHeaderPrefix(file);
    const std::optional<HeaderOffsetsRec> offsets = TemplateFile::readHeaderOffsets(file);
    if (prefix)
        _version = prefix->changeVersion;
    if (offsets) {
        using Word = HeaderOffsetsRec::Word;
        const auto& word = offsets->word;
        takeText(file, word[Word::Name], kRecordName, _name);
        takeText(file, word[Word::DocumentID], kRecordDocumentID, _documentID);
        takeText(file, word[Word::Creator], kRecordCreator, _creator);
        takeText(file, word[Word::Category], kRecordCategory, _category);
        takeText(file, word[Word::Description], kRecordDescription, _description);
        takeText(file, word[Word::Copyright], kRecordCopyright, _copyright);
        const QVariant thumbnail = recordObject(file, word[Word::Thumbnail], kRecordThumbnail);
        if (holds<Image>(thumbnail))
            _thumbnailProxy = thumbnail.value<Image>();
    }
    applyDefaults(true);
    _basicPropertiesLoaded = true;
    return true;
}

std::optional<QVariantMap> TemplateHandle::readPropertyList() const {
    const QVariant root = PropertyList::readFromFile(_filePath);
    if (!holds<QVariantMap>(root))
        return std::nullopt;
    return root.toMap();
}

bool TemplateHandle::getBasic1xProperties() {
    clearBasic();
    if (family() != TemplateFormat1 || _filePath.isEmpty())
        return false;
    TemplateInfoCache& cache = TemplateInfoCache::sharedTemplateInfoCache();
    if (const std::optional<QVariantMap> entry = cache.retreiveTemplateInfo(_filePath)) {
        // The cache file keeps dates to the second.
        if (entry->value(key(kInfoCacheModDateKey)).toDateTime().toSecsSinceEpoch() ==
            fileModDate().toSecsSinceEpoch()) {
            const auto text = [&](const char* name, QString& field) {
                const QVariant value = entry->value(key(name));
                if (holds<QString>(value))
                    field = value.toString();
            };
            text(kInfoCacheNameEntryKey, _name);
            text(kInfoCacheDocumentIDKey, _documentID);
            text(kInfoCacheCategoryKey, _category);
            text(kInfoCacheCreatorKey, _creator);
            text(kInfoCacheDescriptionKey, _description);
            if (const QVariant proxy = entry->value(key(kInfoCacheProxyKey));
                holds<QByteArray>(proxy))
                if (const std::optional<Image> image =
                        Unarchiver::unarchiveValue<Image>(proxy.toByteArray()))
                    _thumbnailProxy = *image;
            applyDefaults(true);
            _basicPropertiesLoaded = true;
            return true;
        }
        cache.deleteTemplateInfo(_filePath);
    }
    const std::optional<QVariantMap> root = readPropertyList();
    if (!root)
        return false;
    const auto text = [&](const char* name, QString& field) {
        const QVariant value = root->value(key(name));
        if (holds<QString>(value))
            field = value.toString();
    };
    text(kV1NameKey, _name);
    text(kV1CategoryKey, _category);
    text(kV1CreatorKey, _creator);
    text(kV1DescriptionKey, _description);
    const QVariantMap proxy = root->value(key(kV1ProxyKey)).toMap();
    if (const QVariant file = proxy.value(key(kV1ProxyFileKey)); holds<QString>(file)) {
        _thumbnailProxy = applicationImageNamed(file.toString());
    } else if (const QVariant data = proxy.value(key(kV1ProxyDataKey)); holds<QByteArray>(data)) {
        const QImage pixels = QImage::fromData(data.toByteArray());
        if (!pixels.isNull())
            _thumbnailProxy = Image(pixels);
    }
    applyDefaults(false);
    _basicPropertiesLoaded = true;
    cache.storeInfoFromTemplate(*this);
    return true;
}

// ---------------------------------------------------------------------------
// Advanced properties

void TemplateHandle::loadAdvanced() {
    if (_advancedPropertiesLoaded)
        return;
    if (family() == TemplateFormat2)
        getAdvanced2xProperties();
    else if (family() == TemplateFormat1)
        getAdvanced1xProperties();
}

Rect TemplateHandle::pageRect() {
    loadAdvanced();
    return _pageRect;
}

bool TemplateHandle::flipped() {
    loadAdvanced();
    return _flipped;
}

QVariantList TemplateHandle::namedImages() {
    loadAdvanced();
    return _namedImages;
}

int32_t TemplateHandle::paperOrientation() {
    loadAdvanced();
    return _paperOrientation;
}

void TemplateHandle::setOrientationFromPage() {
    _paperOrientation = _pageRect.size.height > _pageRect.size.width ? 0 : 1;
}

bool TemplateHandle::getAdvanced2xProperties() {
    _printInfo.reset();
    _namedImages.clear();
    _pageRect = Rect();
    if (family() != TemplateFormat2 || _filePath.isEmpty())
        return false;
    QFile file;
    if (!FileAccess::openRegularFileForReading(file, _filePath))
        return false;
    if (!TemplateFile::readHeaderPrefix(file))
        return false;
    const std::optional<HeaderOffsetsRec> offsets = TemplateFile::readHeaderOffsets(file);
    if (!offsets)
        return false;
    using Word = HeaderOffsetsRec::Word;
    const auto& word = offsets->word;
    if (const QVariant info = recordObject(file, word[Word::PrintInfo], kRecordPrintInfo);
        holds<PrintInfo>(info))
        _printInfo = info.value<PrintInfo>();
    if (word[Word::PageDescription] == 0) {
        _pageRect = Rect(0, 0, 612, 792);
    } else if (const QVariant page =
                   recordObject(file, word[Word::PageDescription], kRecordPageDescription);
               holds<QVariantMap>(page)) {
        const QVariantMap desc = page.toMap();
        _flipped = desc.value(key(kPageDescFlippedKey)).toLongLong() != 0;
        if (desc.value(key(kPageDescAutoSizeKey)).toBool()) {
            if (_printInfo)
                _pageRect = Rect(Point{}, _printInfo->paperSize());
        } else {
            const auto number = [&](const char* name, double fallback) {
                const QVariant value = desc.value(key(name));
                return value.isValid() ? value.toDouble() : fallback;
            };
            const double ppu = number(kPageDescPointsPerUnitKey, 72);
            _pageRect = Rect(0, 0, float(ppu * number(kPageDescWidthKey, 8.5)),
                             float(ppu * number(kPageDescHeightKey, 11)));
        }
    }
    setOrientationFromPage();
    if (const QVariant images = recordObject(file, word[Word::NamedImages], kRecordNamedImages);
        holds<QVariantList>(images))
        _namedImages = images.toList();
    _advancedPropertiesLoaded = true;
    return true;
}

bool TemplateHandle::getAdvanced1xProperties() {
    _namedImages.clear();
    _pageRect = Rect();
    if (family() != TemplateFormat1 || _filePath.isEmpty())
        return false;
    const std::optional<QVariantMap> root = readPropertyList();
    if (!root)
        return false;
    const QVariant page = root->value(key(kV1PageDescKey));
    if (holds<QVariantMap>(page)) {
        const QVariantMap desc = page.toMap();
        const auto number = [&](const char* name, double fallback) {
            const QVariant value = desc.value(key(name));
            return value.isValid() ? value.toDouble() : fallback;
        };
        const double dpi = number(kV1DpiKey, 72);
        _pageRect = Rect(0, 0, float(dpi * number(kPageDescWidthKey, 8.5)),
                         float(dpi * number(kPageDescHeightKey, 11)));
        _flipped = desc.value(key(kPageDescFlippedKey)).toBool();
        _paperName = desc.value(key(kPageDescNameKey)).toString();
        setOrientationFromPage();
        _advancedPropertiesLoaded = true;
    }
    _namedImages = root->value(key(kV1ImageFilesKey)).toList();
    QList<QVariantMap> objects;
    for (const QVariant& item : root->value(key(kV1ObjectsKey)).toList())
        if (holds<QVariantMap>(item))
            objects.append(item.toMap());
    _tempPageObjects = objects;
    return holds<QVariantMap>(page);
}

// ---------------------------------------------------------------------------
// Page contents

QList<QVariantMap> TemplateHandle::objectsOn1xPage() {
    if (_tempPageObjects) {
        QList<QVariantMap> objects = std::move(*_tempPageObjects);
        _tempPageObjects.reset();
        return objects;
    }
    QList<QVariantMap> objects;
    if (const std::optional<QVariantMap> root = readPropertyList())
        for (const QVariant& item : root->value(key(kV1ObjectsKey)).toList())
            if (holds<QVariantMap>(item))
                objects.append(item.toMap());
    return objects;
}

QList<TMObjectRef> TemplateHandle::objectsOn2xPage() {
    QFile file;
    if (!FileAccess::openRegularFileForReading(file, _filePath))
        return {};
    if (!TemplateFile::readHeaderPrefix(file))
        return {};
    const std::optional<HeaderOffsetsRec> offsets = TemplateFile::readHeaderOffsets(file);
    if (!offsets || offsets->word[HeaderOffsetsRec::PageCount] < 1)
        return {};
    const QVariant page = recordObject(file, offsets->word[HeaderOffsetsRec::Page], kRecordPage);
    if (!holds<QVariantList>(page))
        return {};
    QList<TMObjectRef> objects;
    for (const QVariant& item : page.toList()) {
        if (!holds<QVariantMap>(item))
            continue;
        const QVariantMap representation = item.toMap();
        if (const TMObjectRef object = TMObject::newTemplateObjectOfKindWithRepresentation(
                representation.value(key(kKindKey)).toString(), representation))
            appendDissolved(objects, object);
    }
    return objects;
}

TemplatePageObjects TemplateHandle::objectsOnPage(int32_t) {
    TemplatePageObjects result;
    if (family() == TemplateFormat1)
        result.dictionaries = objectsOn1xPage();
    else if (family() == TemplateFormat2)
        result.objects = objectsOn2xPage();
    if (result.isEmpty()) {
        _photoCellsOnPage = 0;
        _editFieldObjects.reset();
        _printAreaRects.reset();
        return result;
    }
    int32_t cells = 0;
    QVariantList fields;
    QStringList printAreas;
    const auto addField = [&](const QString& name, const QString& id, const QString& value) {
        fields.append(QVariantMap{{key(kEditFieldNameKey), name},
                                  {key(kEditFieldIDKey), id},
                                  {key(kEditFieldValueKey), value},
                                  {key(kEditFieldSerialKey), qlonglong(fields.size())}});
    };
    for (const QVariantMap& dictionary : std::as_const(result.dictionaries)) {
        if (isPhotoCell(dictionary))
            ++cells;
        if (dictionary.value(key(kV1KindKey)).toString() == QLatin1String("text") &&
            dictionary.value(key(kV1EditableKey)).toLongLong() != 0)
            addField(dictionary.value(key(kV1FieldNameKey)).toString(),
                     dictionary.value(key(kV1FieldIDKey)).toString(),
                     dictionary.value(key(kV1FieldDataKey)).toString());
    }
    for (const TMObjectRef& object : std::as_const(result.objects)) {
        if (isPhotoCell(object))
            ++cells;
        if (const auto text = std::dynamic_pointer_cast<TMTextObject>(object);
            text && text->variant() == 1)
            addField(text->name(), text->identifier(), text->text());
        if (std::dynamic_pointer_cast<TMPrintAreaObject>(object))
            printAreas.append(stringFromRect(object->frame()));
    }
    _photoCellsOnPage = cells;
    _editFieldObjects = fields;
    _printAreaRects = printAreas;
    return result;
}

Size TemplateHandle::photoCellSize(int32_t cell, int32_t page) {
    const TemplatePageObjects objects = objectsOnPage(page);
    int32_t index = 0;
    for (const TMObjectRef& object : objects.objects)
        if (isPhotoCell(object) && index++ == cell)
            return object->size();
    for (const QVariantMap& dictionary : objects.dictionaries) {
        if (!isPhotoCell(dictionary) || index++ != cell)
            continue;
        if (const QVariant size = dictionary.value(key(kV1SizeKey)); holds<QVariantMap>(size)) {
            const QVariantMap s = size.toMap();
            return Size{float(s.value(key(kPageDescWidthKey)).toDouble() * 72),
                        float(s.value(key(kPageDescHeightKey)).toDouble() * 72)};
        }
        if (const QVariant scale = dictionary.value(key(kV1ScaleKey)); holds<QVariantMap>(scale)) {
            const float side = float(scale.toMap().value(key(kV1RatioKey)).toDouble() * 100);
            return Size{side, side};
        }
        return Size{100, 100};
    }
    return Size{};
}

float TemplateHandle::photoCellRotation(int32_t cell, int32_t page) {
    if (family() != TemplateFormat2)
        return 0;
    int32_t index = 0;
    for (const TMObjectRef& object : objectsOnPage(page).objects)
        if (isPhotoCell(object) && index++ == cell)
            return object->rotation();
    return 0;
}

// ---------------------------------------------------------------------------
// Print settings

void TemplateHandle::assertPageDesc(PrintInfo& printInfo) {
    loadAdvanced();
    const Size pageSize = _pageRect.size;
    const QString paperName = family() == TemplateFormat2
                                  ? (_printInfo ? _printInfo->paperName() : QString())
                                  : _paperName;
    if (!paperName.isEmpty())
        printInfo.setPaperName(paperName);
    const auto orientation = PrintInfo::Orientation(_paperOrientation);
    printInfo.setOrientation(orientation);
    if (printInfo.paperSize() != pageSize)
        printInfo.setPaperSize(pageSize);
    if (printInfo.paperSize() == Size{}) {
        printInfo.setPaperName(QStringLiteral("Letter"));
        printInfo.setOrientation(orientation);
    }
}

void TemplateHandle::assertPageDescOnDocument(Document& document) {
    loadAdvanced();
    if (family() == TemplateFormat2) {
        PrintInfo info = _printInfo ? *_printInfo : document.printInfo();
        if (info.paperSize() != _pageRect.size)
            info.setPaperSize(_pageRect.size);
        document.setPrintInfo(info);
        return;
    }
    PrintInfo info = document.printInfo();
    assertPageDesc(info);
    document.setPrintInfo(info);
}
