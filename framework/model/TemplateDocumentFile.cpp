// Reading and writing of template files: the binary generation, written and
// read, and the older property-list generation, read only.
#include "framework/model/TemplateDocument.h"
#include "framework/model/TemplateFileFormat.h"

#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"
#include "platform/printing/PrintInfo.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Keys of the older generation's root dictionary.
constexpr char kV1NameKey[] = "name";
constexpr char kV1CategoryKey[] = "category";
constexpr char kV1CreatorKey[] = "creator";
constexpr char kV1DescriptionKey[] = "description";
constexpr char kV1PageDescKey[] = "pageDesc";
constexpr char kV1ImageFilesKey[] = "image files";
constexpr char kV1ImageNameKey[] = "name";
constexpr char kV1ImageDataKey[] = "data";
constexpr char kV1ObjectsKey[] = "objects";
constexpr char kV1ShowMarginKey[] = "showMargin";
constexpr char kV1SnapGridKey[] = "snapGrid";
constexpr char kV1ShowGridKey[] = "showGrid";
constexpr char kV1GridSpacingKey[] = "gridSpacing";
constexpr char kV1GridColorKey[] = "gridColor";
constexpr char kV1PrintInfoKey[] = "printInfo";

// The older generation's object kinds and the classes that read them.
struct Version1Kind {
    const char* kind;
    const char* className;
};
constexpr Version1Kind kVersion1Kinds[] = {
    {"photo", "TMPhotoObject"}, {"rectangle", "TMRectangleObject"}, {"oval", "TMOvalObject"},
    {"line", "TMLineObject"},   {"image", "TMImageObject"},         {"text", "TMTextObject"},
};

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QString version1ClassForKind(const QString& kind) {
    for (const Version1Kind& entry : kVersion1Kinds)
        if (kind == QLatin1String(entry.kind))
            return key(entry.className);
    return {};
}

// What each record holds, in the words its damage is reported with.
struct RecordPart {
    uint32_t tag;
    const char* part;
};
constexpr RecordPart kRecordParts[] = {
    {kRecordModified, "date of saving"},
    {kRecordName, "name"},
    {kRecordDocumentID, "document ID"},
    {kRecordCreator, "creator"},
    {kRecordCategory, "category"},
    {kRecordDescription, "description"},
    {kRecordPageDescription, "page description"},
    {kRecordPrintInfo, "page setup"},
    {kRecordThumbnail, "thumbnail"},
    {kRecordNamedImages, "images"},
    {kRecordPage, "page objects"},
    {kRecordCopyright, "copyright"},
};

QString partName(uint32_t tag) {
    for (const RecordPart& entry : kRecordParts)
        if (entry.tag == tag)
            return QString::fromLatin1(entry.part);
    return TemplateFile::tagText(tag);
}

void setError(QString* error, const QString& reason) {
    if (error)
        *error = reason;
}

template <class T> bool holds(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<T>();
}

// Booleans of the older generation; integers are taken too.
std::optional<bool> flagValue(const QVariant& value) {
    if (holds<bool>(value))
        return value.toBool();
    if (holds<qlonglong>(value) || holds<qulonglong>(value) || holds<int>(value))
        return value.toLongLong() != 0;
    return std::nullopt;
}

// Grid lines per inch for a spacing in points, truncated toward zero; nothing
// when the quotient is no number at all.
std::optional<int32_t> divisionsForSpacing(const QVariant& value) {
    if (!holds<double>(value) && !holds<float>(value) && !holds<qlonglong>(value) &&
        !holds<int>(value))
        return std::nullopt;
    const double divisions = std::trunc(72.0 / value.toDouble());
    if (!std::isfinite(divisions))
        return std::nullopt;
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return int32_t(std::clamp(divisions, lowest, highest));
}

// Holds the document's saving mark and the wait monitor for the length of a save.
class SaveScope {
public:
    SaveScope(bool& saveInProgress) : _saveInProgress(saveInProgress) {
        _saveInProgress = true;
        if (HostServices* host = HostServices::current())
            host->resumeWaitMonitor();
    }
    ~SaveScope() {
        if (HostServices* host = HostServices::current())
            host->suspendWaitMonitor();
        _saveInProgress = false;
    }
    SaveScope(const SaveScope&) = delete;
    SaveScope& operator=(const SaveScope&) = delete;

private:
    bool& _saveInProgress;
};

// Writes records one after the other and remembers the first failure.
class RecordWriter {
public:
    explicit RecordWriter(QFileDevice& device) : _device(device) {}

    bool ok() const { return _reason.isEmpty(); }
    QString reason() const { return _reason; }

    void writeBytes(const QByteArray& bytes) {
        if (!ok())
            return;
        QString reason;
        if (!FileAccess::writeAll(_device, bytes, &reason))
            fail(reason);
    }

    // Writes the record at the current position and answers that position
    // (0 after a failure).
    uint32_t writeRecord(uint32_t tag, const QVariant& payload) {
        if (!ok())
            return 0;
        const qint64 position = _device.pos();
        if (position <= 0 || position > qint64(std::numeric_limits<uint32_t>::max())) {
            fail(QStringLiteral("The template is too large for its file format."));
            return 0;
        }
        QString reason;
        const QByteArray archive = Archiver::archivedData(payload, &reason);
        if (archive.isNull()) {
            fail(QStringLiteral("A part of the template cannot be stored: %1").arg(reason));
            return 0;
        }
        // What no reader would take is not written either.
        if (qint64(archive.size()) > qint64(TemplateFile::kMaxRecordLength)) {
            fail(QStringLiteral("The template cannot be stored: its %1 would take %2, more than "
                                "the %3 a template file allows.")
                     .arg(partName(tag), QLocale::c().formattedDataSize(archive.size()),
                          QLocale::c().formattedDataSize(TemplateFile::kMaxRecordLength)));
            return 0;
        }
        ObjectHeader header{kObjectHeaderTag,
                            kTemplateMagicVARN,
                            kTemplateMagicVXTM,
                            tag,
                            tag == kRecordPage ? 1 : 0,
                            uint32_t(archive.size()),
                            {0, 0}};
        SwapObjectHeaderHostToBig(&header);
        writeBytes(QByteArray(reinterpret_cast<const char*>(&header), sizeof header));
        writeBytes(archive);
        return ok() ? uint32_t(position) : 0;
    }

    void fail(const QString& reason) {
        if (ok())
            _reason = reason.isEmpty() ? QStringLiteral("The file could not be written.") : reason;
    }

private:
    QFileDevice& _device;
    QString _reason;
};

// Everything a binary template file holds, decoded before any of it reaches
// the document, and what stands in the way of it.
struct BinaryTemplate {
    std::optional<QString> name, documentID, creator, category, description, copyright;
    std::optional<PrintInfo> printInfo;
    std::optional<QVariantMap> pageDescription;
    std::optional<Image> thumbnail;
    QMap<QString, TemplateDocument::NamedImage> namedImages;
    QList<TMObjectRef> objects;
    // Damage to a part the template cannot do without: the file is refused.
    QString refusal;
    // Parts that were left out, one sentence each.
    QStringList dropped;
};

// The page, its objects, their images and the paper make the template; the
// descriptive texts and the thumbnail can be left out of a damaged file.
enum class Need { Required, Optional };

class BinaryTemplateReader {
public:
    BinaryTemplateReader(QIODevice& file, const HeaderOffsetsRec& offsets, BinaryTemplate& into)
        : _file(file), _offsets(offsets), _into(into) {}

    void damaged(uint32_t tag, Need need, const QString& damage) {
        if (need == Need::Optional) {
            _into.dropped.append(QStringLiteral("The template file is damaged: its %1 (record "
                                                "\"%2\") could not be read and was left out: %3.")
                                     .arg(partName(tag), TemplateFile::tagText(tag), damage));
        } else if (_into.refusal.isEmpty()) {
            _into.refusal = QStringLiteral("The template file is damaged: its %1 (record \"%2\") "
                                           "cannot be read: %3.")
                                .arg(partName(tag), TemplateFile::tagText(tag), damage);
        }
    }

    // The root object of a record when it was written and holds what
    // `expected` takes; damage is reported by the record's need.
    template <class T>
    std::optional<T> object(HeaderOffsetsRec::Word word, uint32_t tag, Need need,
                            const char* expected) {
        const TemplateFile::Record record =
            TemplateFile::readRecord(_file, _offsets.word[word], tag);
        if (record.state == TemplateFile::Record::State::NotWritten)
            return std::nullopt;
        if (record.state == TemplateFile::Record::State::Damaged) {
            damaged(tag, need, record.damage);
            return std::nullopt;
        }
        QString reason;
        const QVariant root = Unarchiver::unarchiveObject(record.payload, &reason);
        if (!root.isValid()) {
            damaged(tag, need,
                    reason.isEmpty()
                        ? QStringLiteral("the record holds nothing")
                        : QStringLiteral("the record cannot be decoded (%1)").arg(reason));
            return std::nullopt;
        }
        if (!holds<T>(root)) {
            damaged(tag, need,
                    QStringLiteral("the record holds no %1").arg(QLatin1String(expected)));
            return std::nullopt;
        }
        return root.value<T>();
    }

private:
    QIODevice& _file;
    const HeaderOffsetsRec& _offsets;
    BinaryTemplate& _into;
};

// A named-image entry as the writer makes it: a name and the archive of the
// image's file or of the image.
std::optional<TemplateDocument::NamedImage> namedImageFromEntry(const QVariantMap& entry,
                                                                QString* damage) {
    TemplateDocument::NamedImage image;
    const QString name = entry.value(key(kNamedImageNameKey)).toString();
    QString reason;
    if (const auto source = entry.constFind(key(kNamedImageSourceDataKey));
        source != entry.cend()) {
        const QVariant data = holds<QByteArray>(*source)
                                  ? Unarchiver::unarchiveObject(source->toByteArray(), &reason)
                                  : QVariant();
        if (!holds<QByteArray>(data)) {
            *damage =
                QStringLiteral("the file of the image \"%1\" cannot be decoded%2")
                    .arg(name, reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason));
            return std::nullopt;
        }
        image.src = data.toByteArray();
    } else if (const auto data = entry.constFind(key(kNamedImageDataKey)); data != entry.cend()) {
        image.img = holds<QByteArray>(*data)
                        ? Unarchiver::unarchiveValue<Image>(data->toByteArray(), &reason)
                        : std::nullopt;
        if (!image.img) {
            *damage =
                QStringLiteral("the image \"%1\" cannot be decoded%2")
                    .arg(name, reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason));
            return std::nullopt;
        }
    }
    return image;
}

// Reads every record the document takes, in the order the document takes
// them; nothing of the document changes here.
BinaryTemplate readBinaryTemplate(QIODevice& file, const HeaderOffsetsRec& offsets) {
    using Word = HeaderOffsetsRec::Word;
    BinaryTemplate contents;
    BinaryTemplateReader reader(file, offsets, contents);

    const auto text = [&](Word word, uint32_t tag) {
        return reader.object<QString>(word, tag, Need::Optional, "text");
    };
    contents.name = text(Word::Name, kRecordName);
    contents.documentID = text(Word::DocumentID, kRecordDocumentID);
    contents.creator = text(Word::Creator, kRecordCreator);
    contents.category = text(Word::Category, kRecordCategory);
    contents.description = text(Word::Description, kRecordDescription);
    contents.copyright = text(Word::Copyright, kRecordCopyright);
    contents.printInfo =
        reader.object<PrintInfo>(Word::PrintInfo, kRecordPrintInfo, Need::Required, "page setup");
    contents.pageDescription = reader.object<QVariantMap>(
        Word::PageDescription, kRecordPageDescription, Need::Required, "page description");
    contents.thumbnail =
        reader.object<Image>(Word::Thumbnail, kRecordThumbnail, Need::Optional, "image");

    const std::optional<QVariantList> namedImages = reader.object<QVariantList>(
        Word::NamedImages, kRecordNamedImages, Need::Required, "list of images");
    for (qsizetype i = 0; namedImages && i < namedImages->size(); ++i) {
        const QVariant& item = namedImages->at(i);
        const QVariantMap entry = item.toMap();
        if (!holds<QVariantMap>(item) || !holds<QString>(entry.value(key(kNamedImageNameKey)))) {
            reader.damaged(kRecordNamedImages, Need::Required,
                           QStringLiteral("its entry %1 is no named image").arg(i + 1));
            break;
        }
        QString damage;
        const std::optional<TemplateDocument::NamedImage> image =
            namedImageFromEntry(entry, &damage);
        if (!image) {
            reader.damaged(kRecordNamedImages, Need::Required, damage);
            break;
        }
        contents.namedImages.insert(entry.value(key(kNamedImageNameKey)).toString(), *image);
    }

    const std::optional<QVariantList> objects = reader.object<QVariantList>(
        Word::Page, kRecordPage, Need::Required, "list of page objects");
    QMap<QString, int> unknownKinds;
    for (qsizetype i = 0; objects && i < objects->size(); ++i) {
        const QVariant& item = objects->at(i);
        if (!holds<QVariantMap>(item)) {
            reader.damaged(kRecordPage, Need::Required,
                           QStringLiteral("its entry %1 is no page object").arg(i + 1));
            break;
        }
        const QVariantMap representation = item.toMap();
        const QString kind = representation.value(key(kKindKey)).toString();
        if (const TMObjectRef object =
                TMObject::newTemplateObjectOfKindWithRepresentation(kind, representation)) {
            contents.objects.append(object);
            contents.dropped.append(object->readProblems());
        } else
            ++unknownKinds[kind];
    }
    // Kinds of a later version, or damaged kinds: the rest of the page still reads.
    for (auto it = unknownKinds.cbegin(); it != unknownKinds.cend(); ++it)
        contents.dropped.append(
            it.value() == 1
                ? QStringLiteral("One page object of the unknown kind \"%1\" was left out.")
                      .arg(it.key())
                : QStringLiteral("%1 page objects of the unknown kind \"%2\" were left out.")
                      .arg(QString::number(it.value()), it.key()));
    return contents;
}

} // namespace

// ---------------------------------------------------------------------------
// Writing

bool TemplateDocument::writeToFileOfType(const QString& path, const QString& type, QString* error) {
    if (type != QLatin1String(kTemplateDocumentType)) {
        setError(error, QStringLiteral("Templates are not written as \"%1\".").arg(type));
        return false;
    }
    SaveScope saving(_saveInProgress);
    numberObjects();

    // The old file stays as it is until the new one is complete.
    // Unbuffered, so that a full disk shows at the write that meets it, with its cause.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setError(error, file.errorString());
        return false;
    }

    if (_thumbnailGenMode == 0)
        autoGenerateThumbnail();

    RecordWriter writer(file);
    writer.writeBytes(QByteArray(qsizetype(kTemplateHeaderAreaSize), '\0'));

    HeaderPrefixRec prefix{kTemplateFormatVersion,
                           kTemplateFormatVersion,
                           kTemplateMagicVARN,
                           kTemplateMagicVXTM,
                           _changeVersion,
                           kTemplateFormatVersion,
                           int32_t(_thumbnailGenMode),
                           0};
    HeaderOffsetsRec offsets{};
    using Word = HeaderOffsetsRec::Word;
    const auto writeText = [&](Word word, uint32_t tag, const QString& text) {
        if (!text.isNull())
            offsets.word[word] = writer.writeRecord(tag, text);
    };

    offsets.word[Word::Modified] =
        writer.writeRecord(kRecordModified, QDateTime::currentDateTimeUtc());
    writeText(Word::Name, kRecordName, _name);
    writeText(Word::DocumentID, kRecordDocumentID, _documentID);
    writeText(Word::Creator, kRecordCreator, _creator);
    writeText(Word::Category, kRecordCategory, _category);
    writeText(Word::Description, kRecordDescription, _description);
    writeText(Word::Copyright, kRecordCopyright, _copyright);
    if (_page)
        offsets.word[Word::PageDescription] =
            writer.writeRecord(kRecordPageDescription, _page->dictRepresentation());
    offsets.word[Word::PrintInfo] =
        writer.writeRecord(kRecordPrintInfo, QVariant::fromValue(printInfo()));
    if (!_thumbnailProxy.isNull())
        offsets.word[Word::Thumbnail] =
            writer.writeRecord(kRecordThumbnail, QVariant::fromValue(_thumbnailProxy));

    // Images that no object uses stay in memory but are not stored.
    const QStringList unused = listUnusedImages();
    QVariantList namedImages;
    for (auto it = _namedImages.cbegin(); it != _namedImages.cend() && writer.ok(); ++it) {
        if (unused.contains(it.key()) || (!it->src && !it->img))
            continue;
        QVariantMap entry;
        entry.insert(key(kNamedImageNameKey), it.key());
        QString reason;
        QByteArray archive;
        if (it->src) {
            archive = Archiver::archivedData(*it->src, &reason);
            entry.insert(key(kNamedImageSourceDataKey), archive);
        } else {
            archive = Archiver::archivedValue(*it->img, &reason);
            entry.insert(key(kNamedImageDataKey), archive);
        }
        if (archive.isNull())
            writer.fail(
                QStringLiteral("The image \"%1\" cannot be stored: %2").arg(it.key(), reason));
        namedImages.append(entry);
    }
    offsets.word[Word::NamedImages] = writer.writeRecord(kRecordNamedImages, namedImages);

    QVariantList page;
    page.reserve(_objects.size());
    for (const TMObjectRef& object : std::as_const(_objects))
        page.append(object->dictRepresentation());
    offsets.word[Word::Page] = writer.writeRecord(kRecordPage, page);
    offsets.word[Word::PageCount] = 1;

    SwapHeaderPrefixRecHostToBig(&prefix);
    SwapHeaderOffsetsRecHostToBig(&offsets);
    if (writer.ok() && !file.seek(0))
        writer.fail(file.errorString());
    writer.writeBytes(QByteArray(reinterpret_cast<const char*>(&prefix), sizeof prefix));
    writer.writeBytes(QByteArray(reinterpret_cast<const char*>(&offsets), sizeof offsets));

    if (!writer.ok()) {
        file.cancelWriting();
        setError(error, writer.reason());
        return false;
    }
    if (!file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    notifyDocumentSaved();
    ++gSaveCount;
    return true;
}

// ---------------------------------------------------------------------------
// Reading

bool TemplateDocument::readFromFileOfType(const QString& path, const QString& type,
                                          QString* error) {
    if (type != QLatin1String(kTemplateDocumentType)) {
        setError(error, QStringLiteral("Templates are not read as \"%1\".").arg(type));
        return false;
    }
    QFile file;
    QString reason;
    if (!FileAccess::openRegularFileForReading(file, path, &reason)) {
        setError(error, QStringLiteral("The template cannot be opened: %1").arg(reason));
        return false;
    }

    const std::optional<HeaderPrefixRec> prefix = TemplateFile::readHeaderPrefix(file);
    if (!prefix || !TemplateFile::hasTemplateMagics(*prefix)) {
        file.close();
        WaitMonitorScope waiting;
        return readVersion1FromFile(path, error);
    }
    if (prefix->minReaderVersion > kTemplateFormatVersion) {
        TemplateFile::showFileFormatAlert();
        setError(error, QStringLiteral("The template needs a newer version to be opened."));
        return false;
    }
    const std::optional<HeaderOffsetsRec> offsets = TemplateFile::readHeaderOffsets(file);
    if (!offsets) {
        setError(error, QStringLiteral("The template file is damaged: its header is cut short."));
        return false;
    }

    WaitMonitorScope waiting;
    BinaryTemplate contents = readBinaryTemplate(file, *offsets);
    file.close();
    if (!contents.refusal.isEmpty()) {
        setError(error, contents.refusal);
        return false;
    }

    _changeVersion = prefix->changeVersion;
    _thumbnailGenMode = int8_t(uint8_t(prefix->thumbnailMode & 0xFF));
    for (const auto& [field, text] : {std::pair{&_name, contents.name},
                                      {&_documentID, contents.documentID},
                                      {&_creator, contents.creator},
                                      {&_category, contents.category},
                                      {&_description, contents.description},
                                      {&_copyright, contents.copyright}})
        if (text)
            *field = *text;
    // Before the page: a stored page replaces the size and name the paper gave it.
    if (contents.printInfo)
        setPrintInfo(*contents.printInfo);
    if (contents.pageDescription)
        _page = PageDesc::newPageDescWithRepresentation(*contents.pageDescription);
    if (contents.thumbnail)
        _thumbnailProxy = *contents.thumbnail;
    _namedImages = contents.namedImages;
    _objects.clear();
    for (const TMObjectRef& object : std::as_const(contents.objects))
        addObject(object);

    _page->setParentDocument(this);
    _fromFile = true;
    updateChangeCount(ChangeCleared);
    // What was left out is gone from the document: saving it must be a choice.
    if (!contents.dropped.isEmpty())
        updateChangeCount(ChangeDone);
    contents.dropped.removeDuplicates();
    setError(error, contents.dropped.join(QLatin1Char('\n')));
    return true;
}

bool TemplateDocument::readVersion1FromFile(const QString& path, QString* error) {
    QString reason;
    const QVariant root = PropertyList::readFromFile(path, &reason);
    // Anything else is no template of any generation.
    if (!holds<QVariantMap>(root)) {
        setError(error, QStringLiteral("The file is not a template: %1")
                            .arg(reason.isEmpty() ? QStringLiteral("no dictionary") : reason));
        return false;
    }
    const QVariantMap file = root.toMap();
    _objects.clear();
    _namedImages.clear();

    const auto readText = [&](const char* name, QString& field) {
        const QVariant text = file.value(key(name));
        if (holds<QString>(text))
            field = text.toString();
    };
    readText(kV1NameKey, _name);
    readText(kV1CategoryKey, _category);
    readText(kV1CreatorKey, _creator);
    readText(kV1DescriptionKey, _description);

    bool pageReplaced = false;
    if (const QVariant page = file.value(key(kV1PageDescKey)); holds<QVariantMap>(page)) {
        _page = PageDesc::newPageDescWithRepresentation(page.toMap());
        pageReplaced = true;
    }

    for (const QVariant& item : file.value(key(kV1ImageFilesKey)).toList()) {
        const QVariantMap entry = item.toMap();
        const QVariant name = entry.value(key(kV1ImageNameKey));
        if (!holds<QString>(name))
            continue;
        NamedImage image;
        image.img =
            Unarchiver::unarchiveValue<Image>(entry.value(key(kV1ImageDataKey)).toByteArray());
        _namedImages.insert(name.toString(), image);
    }

    for (const QVariant& item : file.value(key(kV1ObjectsKey)).toList()) {
        if (!holds<QVariantMap>(item))
            continue;
        const QVariantMap representation = item.toMap();
        const QString className =
            version1ClassForKind(representation.value(key(kKindKey)).toString());
        if (className.isEmpty())
            continue;
        if (const TMObjectRef object =
                TMObject::newTemplateObjectOfKindWithRepresentation(className, representation))
            addObject(object);
    }

    if (const std::optional<bool> flag = flagValue(file.value(key(kV1ShowMarginKey))))
        _page->setShowsMargin(*flag);
    if (const std::optional<bool> flag = flagValue(file.value(key(kV1SnapGridKey))))
        _page->setSnapsToGrid(*flag);
    if (const std::optional<bool> flag = flagValue(file.value(key(kV1ShowGridKey))))
        _page->setShowsGrid(*flag);
    if (const std::optional<int32_t> divisions =
            divisionsForSpacing(file.value(key(kV1GridSpacingKey))))
        _page->setGridDivisions(*divisions);
    if (const QVariant color = file.value(key(kV1GridColorKey)); holds<QByteArray>(color))
        if (const std::optional<Color> gridColor =
                Unarchiver::unarchiveValue<Color>(color.toByteArray()))
            _page->setGridColor(*gridColor);
    // Read last: the page takes the paper size of this print info.
    if (const QVariant info = file.value(key(kV1PrintInfoKey)); holds<QByteArray>(info))
        if (const std::optional<PrintInfo> printInfo =
                Unarchiver::unarchiveValue<PrintInfo>(info.toByteArray()))
            setPrintInfo(*printInfo);

    // A page read from the file gets its document, so that its notices reach the editor.
    if (pageReplaced)
        _page->setParentDocument(this);
    _fromFile = true;
    updateChangeCount(ChangeDone);
    return true;
}
