#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateDocument.h"
#include "framework/model/TemplateFileFormat.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/printing/PrintInfo.h"
#include "support/FullFileSystem.h"
#include "support/OddFiles.h"
#include "support/TestHost.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const QString kType = str(kTemplateDocumentType);

// A page object that shows a named image of its document.
class SharedImageUser : public TMObject {
public:
    bool supportsSharedIamges() const override { return true; }
    QString sharedImageRef() const override { return _ref; }
    void setSharedImageRef(const QString& reference) override { _ref = reference; }
    void initWithRepresentation(const QVariantMap& representation) override {
        TMObject::initWithRepresentation(representation);
        _ref = representation.value(str("image_ref")).toString();
    }
    QVariantMap dictRepresentation() const override {
        QVariantMap d = TMObject::dictRepresentation();
        d.insert(str("image_ref"), _ref);
        return d;
    }

private:
    QString _ref;
};

// Stands in for a class of the older generation that is not built yet.
class LineStandIn : public TMObject {};

// A page object whose representation holds a value no archive can carry.
class Unstorable : public TMObject {
public:
    QVariantMap dictRepresentation() const override {
        QVariantMap d = TMObject::dictRepresentation();
        d.insert(str("odd"), QVariant::fromValue(QPoint(1, 2)));
        return d;
    }
};

const bool kTestKindsRegistered = [] {
    TMObject::registerKind<SharedImageUser>(str("TMTestSharedImageUser"));
    TMObject::registerKind<Unstorable>(str("TMTestUnstorable"));
    return true;
}();

// The page-object classes of the framework; those built so far take part.
const char* const kPageObjectClasses[] = {
    "TMObject",
    "TMLineObject",
    "TMPrintAreaObject",
    "TMImageObject",
    "TMPhotoObject",
    "TMTextObject",
    "TMRectangleObject",
    "TMOvalObject",
    "TMCaptionObject",
    "TMObjectGroup",
    "TMArcObject",
    "TMPolygonObject",
    "TMBezierPolygonObject",
};

uint32_t wordAt(const QByteArray& bytes, qint64 at) {
    return qFromBigEndian<uint32_t>(bytes.constData() + at);
}

void setWordAt(QByteArray& bytes, qint64 at, uint32_t word) {
    qToBigEndian(word, bytes.data() + at);
}

qint64 offsetsWord(int word) {
    return qint64(sizeof(HeaderPrefixRec)) + 4 * word;
}

// One record as found by walking the file from the end of the header area.
struct FoundRecord {
    QByteArray tag;
    uint32_t offset;
    uint32_t page;
    QByteArray payload;
};

struct TemplateBytes {
    QByteArray bytes;
    std::vector<FoundRecord> records;
    bool wellFormed = true;

    QStringList tags() const {
        QStringList list;
        for (const FoundRecord& record : records)
            list.append(QString::fromLatin1(record.tag));
        return list;
    }
    const FoundRecord* record(const char* tag) const {
        for (const FoundRecord& record : records)
            if (record.tag == tag)
                return &record;
        return nullptr;
    }
    QVariant payload(const char* tag) const {
        const FoundRecord* found = record(tag);
        return found ? Unarchiver::unarchiveObject(found->payload) : QVariant();
    }
};

TemplateBytes parseTemplate(const QString& path) {
    TemplateBytes parsed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        parsed.wellFormed = false;
        return parsed;
    }
    parsed.bytes = file.readAll();
    const QByteArray& bytes = parsed.bytes;
    qint64 at = kTemplateHeaderAreaSize;
    while (at < bytes.size()) {
        if (bytes.size() - at < 32 || bytes.mid(at, 12) != QByteArray("OBJHVARNVXTM") ||
            wordAt(bytes, at + 24) != 0 || wordAt(bytes, at + 28) != 0) {
            parsed.wellFormed = false;
            break;
        }
        const uint32_t length = wordAt(bytes, at + 20);
        if (bytes.size() - at - 32 < length) {
            parsed.wellFormed = false;
            break;
        }
        parsed.records.push_back({bytes.mid(at + 12, 4), uint32_t(at), wordAt(bytes, at + 16),
                                  bytes.mid(at + 32, length)});
        at += 32 + length;
    }
    return parsed;
}

// Puts a record at the end of a file and its position into the offsets.
void appendRecord(QByteArray& bytes, int word, uint32_t tag, const QVariant& payload) {
    const QByteArray archive = Archiver::archivedData(payload);
    ASSERT_FALSE(archive.isNull());
    ObjectHeader header{kObjectHeaderTag,
                        kTemplateMagicVARN,
                        kTemplateMagicVXTM,
                        tag,
                        0,
                        uint32_t(archive.size()),
                        {0, 0}};
    SwapObjectHeaderHostToBig(&header);
    setWordAt(bytes, offsetsWord(word), uint32_t(bytes.size()));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(archive);
}

QImage testPicture(int width, int height, QRgb colour) {
    QImage picture(width, height, QImage::Format_ARGB32);
    picture.fill(colour);
    picture.setPixel(0, 0, qRgb(1, 2, 3));
    return picture;
}

QByteArray pngBytes(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

// Random-looking pixels that do not deflate.
QImage noisePicture(int side) {
    QImage picture(side, side, QImage::Format_ARGB32);
    uint32_t state = 12345;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, state | 0xFF000000u);
        }
    return picture;
}

class TemplateFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        host.settings[42] = str("Weddings");
        host.settings[43] = str("Ada Maker");
        host.settings[44] = str("(c) Ada");
        host.settings[45] = 512;
        host.settings[46] = false;
        host.settings[47] = QSizeF(8.5, 11);
        host.settings[48] = 1;
        host.settings[49] = 8;
        TemplateFile::setFileFormatAlertHook([this](const QString& title, const QString& message) {
            alerts.append(title + QLatin1Char('|') + message);
        });
    }
    void TearDown() override { TemplateFile::setFileFormatAlertHook({}); }

    QString path(const char* name) const { return folder.filePath(str(name)); }

    static void writeBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray readBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A saved template that tests then alter byte by byte.
    QByteArray savedTemplateBytes() {
        TemplateDocument document;
        document.setDocName(str("Saved"));
        document.setDocCreator(str("Saved creator"));
        document.setDocCategory(str("Saved category"));
        document.setDocDescription(str("Saved description"));
        document.setDocCopyright(str("Saved copyright"));
        const QString target = path("saved.vyxTemplate");
        EXPECT_TRUE(document.writeToFileOfType(target, kType));
        return readBytes(target);
    }

    std::unique_ptr<TemplateDocument> open(const QByteArray& bytes, bool* ok,
                                           QString* error = nullptr) {
        const QString target = path("opened.vyxTemplate");
        writeBytes(target, bytes);
        auto document = std::make_unique<TemplateDocument>();
        *ok = document->readFromFileOfType(target, kType, error);
        return document;
    }

    TestHost host;
    QTemporaryDir folder;
    QStringList alerts;
};

} // namespace

TEST_F(TemplateFileTest, EmptyTemplateWritesItsDocumentRecordsInOrder) {
    TemplateDocument document;
    const QString target = path("empty.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));

    const TemplateBytes file = parseTemplate(target);
    ASSERT_TRUE(file.wellFormed);
    EXPECT_EQ(file.tags(), QStringList({"MODD", "DNAM", "DCR8", "CATG", "DESC", "COPY", "PGDS",
                                        "PINF", "NIMG", "PAGE"}));
    ASSERT_FALSE(file.records.empty());
    EXPECT_EQ(file.records.front().offset, 512u);
    // Every document record is page 0, the page is page 1.
    for (const FoundRecord& record : file.records)
        EXPECT_EQ(record.page, record.tag == "PAGE" ? 1u : 0u) << record.tag.constData();

    // Each offset word points at the header of its record; DUID and POXY are absent.
    const struct {
        int word;
        const char* tag;
    } words[] = {{0, "MODD"}, {1, "DNAM"}, {2, "DUID"}, {3, "DCR8"}, {4, "CATG"},  {5, "DESC"},
                 {6, "PGDS"}, {7, "PINF"}, {8, "POXY"}, {9, "NIMG"}, {11, "PAGE"}, {12, "COPY"}};
    for (const auto& w : words) {
        const FoundRecord* record = file.record(w.tag);
        EXPECT_EQ(wordAt(file.bytes, offsetsWord(w.word)), record ? record->offset : 0u) << w.tag;
    }
    EXPECT_EQ(wordAt(file.bytes, offsetsWord(10)), 1u);

    EXPECT_TRUE(file.payload("MODD").canConvert<QDateTime>());
    EXPECT_EQ(file.payload("DNAM").toString(), document.docName());
    EXPECT_EQ(file.payload("DCR8").toString(), str("Ada Maker"));
    EXPECT_EQ(file.payload("CATG").toString(), str("Weddings"));
    EXPECT_EQ(file.payload("COPY").toString(), str("(c) Ada"));
    EXPECT_EQ(file.payload("PGDS").toMap(), document.pageDesc()->dictRepresentation());
    const QVariant nimg = file.payload("NIMG");
    const QVariant page = file.payload("PAGE");
    EXPECT_EQ(nimg.metaType(), QMetaType::fromType<QVariantList>());
    EXPECT_TRUE(nimg.toList().isEmpty());
    EXPECT_EQ(page.metaType(), QMetaType::fromType<QVariantList>());
    EXPECT_TRUE(page.toList().isEmpty());
}

TEST_F(TemplateFileTest, HeaderAreaBytes) {
    struct Case {
        int32_t changeVersion;
        int32_t thumbnailMode;
        QByteArray words4to7;
    };
    const Case cases[] = {
        {512, 0,
         QByteArray::fromHex("00000200"
                             "00000200"
                             "00000000"
                             "00000000")},
        {0x0123, -1,
         QByteArray::fromHex("00000123"
                             "00000200"
                             "ffffffff"
                             "00000000")},
    };
    for (const Case& c : cases) {
        TemplateDocument document;
        document.setDocChangeVersion(c.changeVersion);
        document.setThumbnailGenMode(c.thumbnailMode);
        const QString target = path("header.vyxTemplate");
        ASSERT_TRUE(document.writeToFileOfType(target, kType));
        const QByteArray bytes = readBytes(target);
        ASSERT_GT(bytes.size(), 512);
        EXPECT_EQ(bytes.left(16), QByteArray::fromHex("00000200"
                                                      "00000200") +
                                      "VARNVXTM");
        EXPECT_EQ(bytes.mid(16, 16), c.words4to7) << c.changeVersion;
        EXPECT_EQ(bytes.mid(32, 4), QByteArray::fromHex("00000200"));
        EXPECT_EQ(bytes.mid(84, 428), QByteArray(428, '\0'));

        TemplateDocument reopened;
        ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
        EXPECT_EQ(reopened.docChangeVersion(), c.changeVersion);
        EXPECT_EQ(reopened.thumbnailGenMode(), c.thumbnailMode);
    }
}

TEST_F(TemplateFileTest, ThumbnailOfATemplateWithoutObjectsIsNotRemade) {
    TemplateDocument document;
    ASSERT_EQ(document.thumbnailGenMode(), 0);
    const QString target = path("thumb.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    EXPECT_FALSE(parseTemplate(target).record("POXY"));

    const Image thumbnail(testPicture(12, 9, qRgb(200, 10, 10)));
    document.setThumbnailProxy(thumbnail);
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    const QVariant stored = parseTemplate(target).payload("POXY");
    ASSERT_EQ(stored.metaType(), QMetaType::fromType<Image>());
    EXPECT_EQ(stored.value<Image>(), thumbnail);

    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
    EXPECT_EQ(reopened.thumbnailProxy(), thumbnail);
}

TEST_F(TemplateFileTest, ThumbnailIsMadeAtSaveOnlyInModeZero) {
    TemplateDocument document;
    auto object = TMObject::newTemplateObjectWithOriginSize({72, 72}, {144, 108});
    document.addObject(object);
    document.setThumbnailGenMode(1);
    const QString target = path("thumb.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    EXPECT_FALSE(parseTemplate(target).record("POXY"));

    document.setThumbnailGenMode(0);
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    const QVariant stored = parseTemplate(target).payload("POXY");
    ASSERT_EQ(stored.metaType(), QMetaType::fromType<Image>());
    EXPECT_FALSE(stored.value<Image>().isNull());
}

TEST_F(TemplateFileTest, OnlyNamedImagesInUseAreWritten) {
    TemplateDocument document;
    const QByteArray source = pngBytes(testPicture(5, 4, qRgb(0, 200, 0)));
    const Image decoded(testPicture(3, 3, qRgb(0, 0, 200)));
    const QString logo = document.addImageSourceDataWithName(Image(), source, str("logo"));
    const QString badge = document.addImageSourceDataWithName(decoded, QByteArray(), str("badge"));
    document.addImageSourceDataWithName(decoded, source, str("spare"));
    for (const QString& name : {logo, badge}) {
        TMObjectRef user = TMObject::newTemplateObjectOfKind(str("TMTestSharedImageUser"));
        ASSERT_TRUE(user);
        user->setSharedImageRef(name);
        document.addObject(user);
    }
    document.setThumbnailGenMode(1);

    const QString target = path("images.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    // The unused entry stays in memory.
    EXPECT_EQ(document.getSourceDataWithName(str("spare")), source);

    QMap<QString, QStringList> entryKeys;
    for (const QVariant& entry : parseTemplate(target).payload("NIMG").toList())
        entryKeys.insert(entry.toMap().value(str("name")).toString(), entry.toMap().keys());
    EXPECT_EQ(entryKeys.keys(), QStringList({"badge", "logo"}));
    EXPECT_EQ(entryKeys.value(str("logo")), QStringList({"name", "srcData"}));
    EXPECT_EQ(entryKeys.value(str("badge")), QStringList({"data", "name"}));

    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
    EXPECT_EQ(reopened.getSourceDataWithName(str("logo")), source);
    EXPECT_EQ(reopened.getImageWithName(str("logo")).pixelSize(), QSize(5, 4));
    EXPECT_EQ(reopened.getImageWithName(str("badge")).pixels(), decoded.pixels());
    EXPECT_TRUE(reopened.getImageWithName(str("spare")).isNull());
    EXPECT_TRUE(reopened.getSourceDataWithName(str("spare")).isNull());
}

TEST_F(TemplateFileTest, LowestReaderFormatDecidesWhetherAFileOpens) {
    const QByteArray saved = savedTemplateBytes();
    struct Case {
        uint32_t word0, word1, word5, word7;
        bool opens;
    };
    const Case cases[] = {
        {512, 512, 513, 0, false},
        {0, 1, 512, 0, true},
        {0xFFFFFFFF, 0x300, 512, 9, true},
        // Signed: a negative lowest format is below 512.
        {512, 512, 0xFFFFFFFF, 0, true},
        {512, 512, 0x80000000, 0, true},
    };
    for (const Case& c : cases) {
        alerts.clear();
        QByteArray bytes = saved;
        setWordAt(bytes, 0, c.word0);
        setWordAt(bytes, 4, c.word1);
        setWordAt(bytes, 20, c.word5);
        setWordAt(bytes, 28, c.word7);
        bool ok = false;
        const auto document = open(bytes, &ok);
        EXPECT_EQ(ok, c.opens) << c.word5;
        if (c.opens) {
            EXPECT_TRUE(alerts.isEmpty());
            EXPECT_EQ(document->docName(), str("Saved"));
        } else {
            ASSERT_EQ(alerts.size(), 1);
            EXPECT_TRUE(alerts.front().startsWith(
                localizedString(str(kFileFormatTitleKey), str("Formwell")) + QLatin1Char('|')));
            EXPECT_FALSE(document->fromFile());
        }
    }
}

TEST_F(TemplateFileTest, CurrentFilesOpenUneditedOlderFilesEdited) {
    TemplateDocument document;
    const QString current = path("current.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(current, kType));
    TemplateDocument reopened;
    reopened.updateChangeCount(Document::ChangeDone);
    ASSERT_TRUE(reopened.readFromFileOfType(current, kType));
    EXPECT_FALSE(reopened.isDocumentEdited());
    EXPECT_TRUE(reopened.fromFile());
    EXPECT_EQ(reopened.pageDesc()->parentDocument(), &reopened);

    const QString older = path("older.vyxTemplate");
    ASSERT_TRUE(PropertyList::writeToFile(QVariantMap{{str("name"), str("Old one")}}, older));
    const int waitCalls = host.waitMonitorResumed;
    TemplateDocument opened;
    ASSERT_TRUE(opened.readFromFileOfType(older, kType));
    EXPECT_TRUE(opened.isDocumentEdited());
    EXPECT_TRUE(opened.fromFile());
    EXPECT_EQ(opened.docName(), str("Old one"));
    EXPECT_EQ(host.waitMonitorResumed, waitCalls + 1);
    EXPECT_EQ(host.waitMonitorSuspended, host.waitMonitorResumed);
}

TEST_F(TemplateFileTest, OlderGenerationFileIsReadWithEveryKey) {
    // Only the six kinds of the older generation map to classes. Classes not
    // built yet are stood in for by a test class under their name.
    const QString lineClass = str("TMLineObject");
    if (!TMObject::newTemplateObjectOfKind(lineClass))
        TMObject::registerKind<LineStandIn>(lineClass);

    PrintInfo paper;
    paper.setPaperName(str("A4"));
    paper.setPaperSize({595, 842});
    const Color grid = Color::calibratedRGB(0.25f, 0.5f, 0.75f);
    QVariantMap pageDesc;
    pageDesc.insert(str("ppu"), 28.35);
    pageDesc.insert(str("display_unit"), str("Centimeters"));
    pageDesc.insert(str("width"), 10.0);
    pageDesc.insert(str("height"), 15.0);
    pageDesc.insert(str("grid_divisions"), 2);
    const QVariantMap line{{str("kind"), str("line")},
                           {str("origin"), QVariantMap{{str("x"), 1.0}, {str("y"), 2.0}}},
                           {str("size"), QVariantMap{{str("width"), 2.0}, {str("height"), 0.5}}}};
    const QVariantMap file{
        {str("name"), str("Old template")},
        {str("category"), str("Old category")},
        {str("creator"), str("Old creator")},
        {str("description"), str("Old description")},
        {str("pageDesc"), pageDesc},
        {str("image files"),
         QVariantList{QVariantMap{
             {str("name"), str("pic")},
             {str("data"), Archiver::archivedValue(Image(testPicture(4, 2, qRgb(9, 9, 9))))}}}},
        {str("objects"),
         QVariantList{line, QVariantMap{{str("kind"), str("TMObject")}},
                      QVariantMap{{str("kind"), str("bogus")}}, str("not a dictionary")}},
        {str("showMargin"), true},
        {str("snapGrid"), true},
        {str("showGrid"), true},
        {str("gridSpacing"), 7.0},
        {str("gridColor"), Archiver::archivedValue(grid)},
        {str("printInfo"), Archiver::archivedValue(paper)},
    };
    const QString older = path("older.vyxTemplate");
    ASSERT_TRUE(PropertyList::writeToFile(file, older));

    TemplateDocument document;
    ASSERT_TRUE(document.readFromFileOfType(older, kType));
    EXPECT_EQ(document.docName(), str("Old template"));
    EXPECT_EQ(document.docCategory(), str("Old category"));
    EXPECT_EQ(document.docCreator(), str("Old creator"));
    EXPECT_EQ(document.docDescription(), str("Old description"));
    EXPECT_EQ(document.getImageWithName(str("pic")).pixelSize(), QSize(4, 2));

    ASSERT_EQ(document.objects().size(), 1);
    const TMObjectRef& object = document.objects().front();
    EXPECT_EQ(object->kind(), lineClass);
    // Lengths of the older generation are inches.
    EXPECT_FLOAT_EQ(object->size().width, 144);
    EXPECT_FLOAT_EQ(object->center().x, 72 + 72);

    const PageDescRef& page = document.pageDesc();
    EXPECT_EQ(page->displayUnit(), str("Centimeters"));
    EXPECT_TRUE(page->showsMargin());
    EXPECT_TRUE(page->snapsToGrid());
    EXPECT_TRUE(page->showsGrid());
    // 72 / 7 truncated.
    EXPECT_EQ(page->gridDivisions(), 10);
    EXPECT_EQ(page->gridColor(), grid);
    // The print info, read last, sets the page's paper.
    EXPECT_EQ(document.printInfo().paperName(), str("A4"));
    EXPECT_EQ(page->name(), str("A4"));
    EXPECT_FLOAT_EQ(page->pageSize().width, 595 / 28.35f);
    EXPECT_EQ(page->parentDocument(), &document);
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(TemplateFileTest, FilesOfNoGenerationAreRefused) {
    QByteArray shortHeader = savedTemplateBytes().left(83);
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"random bytes", QByteArray("\x01\x02garbage that is no template at all\xff", 38)},
        {"plist array", PropertyList::toXml(QVariantList{str("name"), str("x")})},
        {"plist string", PropertyList::toXml(str("a template?"))},
        {"header cut short", shortHeader},
    };
    for (const auto& c : cases) {
        bool ok = true;
        QString error;
        const auto document = open(c.bytes, &ok, &error);
        EXPECT_FALSE(ok) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
        EXPECT_FALSE(document->fromFile()) << c.what;
    }
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(TemplateFileTest, OtherDocumentTypesAreNeitherWrittenNorRead) {
    TemplateDocument document;
    const QString target = path("other.vyxTemplate");
    const int saves = gSaveCount;
    EXPECT_FALSE(document.writeToFileOfType(target, str("Photo Catalog")));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(gSaveCount, saves);
    EXPECT_EQ(host.waitMonitorResumed, 0);

    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    TemplateDocument reopened;
    EXPECT_FALSE(reopened.readFromFileOfType(target, str("Photo Catalog")));
    EXPECT_FALSE(reopened.readFromFileOfType(path("missing.vyxTemplate"), kType));
    EXPECT_FALSE(reopened.fromFile());
}

TEST_F(TemplateFileTest, RoundTripKeepsEveryProperty) {
    TemplateDocument document;
    document.setDocName(str("Round"));
    document.setDocCategory(str("Trips"));
    document.setDocCreator(str("Creator"));
    document.setDocDescription(str("Goes and comes back"));
    document.setDocCopyright(str("(c) nobody"));
    document.setDocChangeVersion(0x0231);
    document.setThumbnailGenMode(3);
    document.setThumbnailProxy(Image(testPicture(8, 6, qRgb(1, 100, 200))));
    PrintInfo paper;
    paper.setPaperName(str("Legal"));
    paper.setPaperSize({612, 1008});
    paper.setLeftMargin(20);
    document.setPrintInfo(paper);
    document.pageDesc()->setDisplayUnit(str("Picas"));
    document.pageDesc()->setGridDivisions(3);
    document.pageDesc()->setShowsGrid(true);
    document.pageDesc()->setHorizontalGuides({QVariant(10.0f), QVariant(20.5f)});
    document.pageDesc()->setGuideColor(Color::deviceRGB(1, 0, 0, 0.5f));

    int built = 0;
    for (const char* name : kPageObjectClasses) {
        TMObjectRef object = TMObject::newTemplateObjectOfKind(str(name));
        if (!object)
            continue;
        ++built;
        object->initWithCenterSize({100.5f + 20 * float(built), 300.25f}, {60, 45});
        object->setAbsoluteRotation(12.5f);
        object->setLockedSizeMask(1);
        object->setShadowEnabled(true);
        document.addObject(object);
    }
    ASSERT_GT(built, 0);

    const QString target = path("round.vyxTemplate");
    const int saves = gSaveCount;
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    EXPECT_EQ(gSaveCount, saves + 1);
    EXPECT_FALSE(document.saveInProgress());
    EXPECT_EQ(host.waitMonitorResumed, 1);
    EXPECT_EQ(host.waitMonitorSuspended, 1);

    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
    EXPECT_EQ(reopened.docName(), document.docName());
    EXPECT_EQ(reopened.docCategory(), document.docCategory());
    EXPECT_EQ(reopened.docCreator(), document.docCreator());
    EXPECT_EQ(reopened.docDescription(), document.docDescription());
    EXPECT_EQ(reopened.docCopyright(), document.docCopyright());
    EXPECT_EQ(reopened.docChangeVersion(), 0x0231);
    EXPECT_EQ(reopened.thumbnailGenMode(), 3);
    EXPECT_EQ(reopened.thumbnailProxy(), document.thumbnailProxy());
    EXPECT_EQ(reopened.printInfo(), document.printInfo());
    EXPECT_EQ(reopened.pageDesc()->dictRepresentation(), document.pageDesc()->dictRepresentation());
    EXPECT_TRUE(reopened.documentID().isNull());

    ASSERT_EQ(reopened.objects().size(), document.objects().size());
    for (qsizetype i = 0; i < document.objects().size(); ++i) {
        const QVariantMap written = document.objects().at(i)->dictRepresentation();
        const QVariantMap read = reopened.objects().at(i)->dictRepresentation();
        EXPECT_EQ(read.keys(), written.keys())
            << written.value(str("kind")).toString().toStdString();
        EXPECT_EQ(read, written) << written.value(str("kind")).toString().toStdString();
        EXPECT_EQ(reopened.objects().at(i)->parentDocument(), &reopened);
    }
}

TEST_F(TemplateFileTest, DocumentIDIsReadAndWrittenBack) {
    QByteArray bytes = savedTemplateBytes();
    appendRecord(bytes, HeaderOffsetsRec::DocumentID, kRecordDocumentID, str("DOC-1234"));
    bool ok = false;
    const auto document = open(bytes, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(document->documentID(), str("DOC-1234"));

    const QString again = path("again.vyxTemplate");
    ASSERT_TRUE(document->writeToFileOfType(again, kType));
    const TemplateBytes file = parseTemplate(again);
    EXPECT_EQ(file.tags().mid(1, 2), QStringList({"DNAM", "DUID"}));
    EXPECT_EQ(file.payload("DUID").toString(), str("DOC-1234"));
}

TEST_F(TemplateFileTest, DamagedTextsAreLeftOutNamedAndTheDocumentIsEdited) {
    const QByteArray saved = savedTemplateBytes();
    const TemplateBytes parsed = [&] {
        const QString copy = path("parsed.vyxTemplate");
        writeBytes(copy, saved);
        return parseTemplate(copy);
    }();
    const auto headerOf = [&](const char* tag) { return qint64(parsed.record(tag)->offset); };
    const TemplateDocument fresh;

    QByteArray bytes = saved;
    // Another tag in the name's header.
    bytes.replace(headerOf("DNAM") + 12, 4, "XXXX");
    // The creator's length runs past the end of the file.
    setWordAt(bytes, headerOf("DCR8") + 20, 0xFFFFFF00u);
    // The category's payload is no archive.
    const qint64 category = headerOf("CATG") + 32;
    bytes.replace(category, 4, "\xde\xad\xbe\xef");
    // The description's offset lies beyond the end.
    setWordAt(bytes, offsetsWord(HeaderOffsetsRec::Description), uint32_t(bytes.size() + 100));

    bool ok = false;
    QString warning;
    const auto document = open(bytes, &ok, &warning);
    ASSERT_TRUE(ok) << warning.toStdString();
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_NE(document->docName(), str("Saved"));
    EXPECT_EQ(document->docCreator(), fresh.docCreator());
    EXPECT_EQ(document->docCategory(), fresh.docCategory());
    EXPECT_EQ(document->docDescription(), fresh.docDescription());
    EXPECT_EQ(document->docCopyright(), str("Saved copyright"));
    const QStringList lines = warning.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4) << warning.toStdString();
    const char* const parts[] = {"its name (record \"DNAM\")", "its creator (record \"DCR8\")",
                                 "its category (record \"CATG\")",
                                 "its description (record \"DESC\")"};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines.at(i).contains(QLatin1String("damaged"))) << lines.at(i).toStdString();
        EXPECT_TRUE(lines.at(i).contains(QLatin1String(parts[i]))) << lines.at(i).toStdString();
    }

    // A sound file clears an earlier text.
    warning = str("left over");
    open(saved, &ok, &warning);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(warning.isEmpty());
}

TEST_F(TemplateFileTest, FailedWriteLeavesThePreviousFile) {
    TemplateDocument document;
    document.setDocName(str("First"));
    const QString target = path("kept.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    const QByteArray previous = readBytes(target);
    const int saves = gSaveCount;

    // A value midway through the page that no archive can hold.
    document.setDocName(str("Second"));
    document.addObject(TMObject::newTemplateObjectOfKind(str("TMTestUnstorable")));
    QString error;
    EXPECT_FALSE(document.writeToFileOfType(target, kType, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readBytes(target), previous);
    const TMObjectRef unstorable = document.objects().front();
    document.removeObject(unstorable);

    // The disk fills up midway: the file size limit stops the write.
    document.setThumbnailGenMode(1);
    document.setThumbnailProxy(Image(noisePicture(256)));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit saved = limit;
    limit.rlim_cur = rlim_t(previous.size() + 4096);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool written = document.writeToFileOfType(target, kType, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(target), previous);

    EXPECT_EQ(gSaveCount, saves);
    EXPECT_FALSE(document.saveInProgress());
    EXPECT_EQ(host.waitMonitorSuspended, host.waitMonitorResumed);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"kept.vyxTemplate"}));

    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
    EXPECT_EQ(reopened.docName(), str("First"));
}

TEST_F(TemplateFileTest, PagesOfAnySizeAreSavedWithTheirThumbnail) {
    // Found by fuzzing: a page far larger than any window made the thumbnail's
    // canvas overflow its widget geometry.
    for (const float side : {1e15f, 6e16f, 1e30f}) {
        TemplateDocument document;
        document.addObject(TMObject::newTemplateObjectWithOriginSize({72, 72}, {144, 108}));
        document.pageDesc()->setPageSize({side, side / 2});
        const QString target = path("huge.vyxTemplate");
        ASSERT_TRUE(document.writeToFileOfType(target, kType)) << side;
        const QVariant thumbnail = parseTemplate(target).payload("POXY");
        ASSERT_EQ(thumbnail.metaType(), QMetaType::fromType<Image>()) << side;
        EXPECT_EQ(thumbnail.value<Image>().size().width, 96) << side;
        TemplateDocument reopened;
        ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
        EXPECT_EQ(reopened.pageDesc()->pageSize().width, side);
    }
}

TEST_F(TemplateFileTest, ObjectsFarOffThePageAreSavedWithTheirThumbnail) {
    // Found by fuzzing: a huge object whose shadow lies beyond any pixel
    // address broke the shadow's mask while the thumbnail was drawn.
    TemplateDocument document;
    int built = 0;
    for (const char* name : kPageObjectClasses) {
        TMObjectRef object = TMObject::newTemplateObjectOfKind(str(name));
        if (!object)
            continue;
        ++built;
        object->initWithCenterSize({3e9f, -2e9f}, {1e10f, 1e10f});
        object->setShadowEnabled(true);
        object->setShadow(ShadowValue{{-4e12f, 7e11f}, 3, QColor(0, 0, 0, 128)});
        document.addObject(object);
    }
    ASSERT_GT(built, 0);
    const QString target = path("far.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    const QVariant thumbnail = parseTemplate(target).payload("POXY");
    ASSERT_EQ(thumbnail.metaType(), QMetaType::fromType<Image>());
    EXPECT_FALSE(thumbnail.value<Image>().isNull());
}

TEST_F(TemplateFileTest, TheSavedThumbnailShowsShadowsAtItsOwnScale) {
    // A 200-point photo cell in a letter page: the saved thumbnail is 75
    // pixels wide, 96 / 792 pixels a point. The cell's shadow, 10 points off
    // and blurred by 6, reaches less than 2 pixels beyond the cell there; at
    // screen size it would reach 13.
    const auto savedThumbnail = [this](bool shadow) {
        TemplateDocument document;
        TMPhotoObjectRef cell =
            TMPhotoObject::newTemplateObjectWithOriginSize({206, 150}, {200, 200});
        cell->setShadowEnabled(shadow);
        document.addObject(cell);
        const QString target = path("shadow.vyxTemplate");
        EXPECT_TRUE(document.writeToFileOfType(target, kType));
        const QVariant stored = parseTemplate(target).payload("POXY");
        EXPECT_EQ(stored.metaType(), QMetaType::fromType<Image>());
        return stored.value<Image>().toQImage();
    };
    const QImage plain = savedThumbnail(false);
    const QImage shaded = savedThumbnail(true);
    ASSERT_EQ(plain.size(), QSize(75, 96));
    ASSERT_EQ(shaded.size(), plain.size());

    // The pixels the cell touches, top row first.
    const QRect cell(QPoint(24, 18), QPoint(49, 42));
    int darkened = 0;
    int reach = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const QColor a = plain.pixelColor(x, y);
            const QColor b = shaded.pixelColor(x, y);
            if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                    std::abs(a.blue() - b.blue()) <=
                12)
                continue;
            ++darkened;
            const int beyond =
                std::max({cell.left() - x, x - cell.right(), cell.top() - y, y - cell.bottom(), 0});
            reach = std::max(reach, beyond);
        }
    EXPECT_GT(darkened, 0);
    EXPECT_LE(reach, 2);
}

namespace {

// A template as a user makes one: texts, several objects, one of them showing
// a named image, and a thumbnail.
struct RealTemplate {
    QByteArray bytes;
    TemplateBytes parsed;
    qsizetype objectCount = 0;
};

// The records in the order the document reads them, and whether the document
// can go without them.
struct ReadRecord {
    const char* tag;
    int word;
    bool required;
    const char* part;
};
const ReadRecord kReadOrder[] = {
    {"DNAM", HeaderOffsetsRec::Name, false, "name"},
    {"DUID", HeaderOffsetsRec::DocumentID, false, "document ID"},
    {"DCR8", HeaderOffsetsRec::Creator, false, "creator"},
    {"CATG", HeaderOffsetsRec::Category, false, "category"},
    {"DESC", HeaderOffsetsRec::Description, false, "description"},
    {"COPY", HeaderOffsetsRec::Copyright, false, "copyright"},
    {"PINF", HeaderOffsetsRec::PrintInfo, true, "page setup"},
    {"PGDS", HeaderOffsetsRec::PageDescription, true, "page description"},
    {"POXY", HeaderOffsetsRec::Thumbnail, false, "thumbnail"},
    {"NIMG", HeaderOffsetsRec::NamedImages, true, "images"},
    {"PAGE", HeaderOffsetsRec::Page, true, "page objects"},
};

} // namespace

class TemplateFileDamageTest : public TemplateFileTest {
protected:
    void SetUp() override {
        TemplateFileTest::SetUp();
        TemplateDocument document;
        document.setDocName(str("Real"));
        document.setDocCreator(str("Real creator"));
        document.setDocCategory(str("Real category"));
        document.setDocDescription(str("Real description"));
        document.setDocCopyright(str("Real copyright"));
        const QString logo = document.addImageSourceDataWithName(
            Image(), pngBytes(testPicture(6, 5, qRgb(20, 40, 60))), str("logo"));
        for (int i = 0; i < 4; ++i) {
            const TMObjectRef object =
                TMObject::newTemplateObjectOfKind(str(i % 2 ? "TMPhotoObject" : "TMObject"));
            ASSERT_TRUE(object);
            object->initWithCenterSize({100.0f + 50 * float(i), 200}, {40, 30});
            document.addObject(object);
        }
        const TMObjectRef user = TMObject::newTemplateObjectOfKind(str("TMTestSharedImageUser"));
        user->initWithCenterSize({300, 300}, {60, 50});
        user->setSharedImageRef(logo);
        document.addObject(user);
        // Made at the save from the objects.
        ASSERT_EQ(document.thumbnailGenMode(), 0);
        const QString target = path("real.vyxTemplate");
        ASSERT_TRUE(document.writeToFileOfType(target, kType));
        real.bytes = readBytes(target);
        real.parsed = parseTemplate(target);
        real.objectCount = document.objects().size();
        ASSERT_TRUE(real.parsed.wellFormed);
        for (const char* tag :
             {"DNAM", "DCR8", "CATG", "DESC", "COPY", "PINF", "PGDS", "POXY", "NIMG", "PAGE"})
            ASSERT_TRUE(real.parsed.record(tag)) << tag;
    }

    enum class Outcome { Refused, OpensEdited, OpensWhole };

    // Opens the bytes and checks what came of them against what was expected,
    // and in every case that the file did not open unedited with less than
    // it holds.
    void expectOutcome(const std::string& what, const QByteArray& bytes, Outcome expected,
                       const char* part = nullptr) {
        SCOPED_TRACE(what);
        bool ok = false;
        QString message;
        const auto document = open(bytes, &ok, &message);
        const Outcome outcome = !ok                            ? Outcome::Refused
                                : document->isDocumentEdited() ? Outcome::OpensEdited
                                                               : Outcome::OpensWhole;
        EXPECT_EQ(int(outcome), int(expected)) << message.toStdString();
        if (outcome == Outcome::Refused) {
            EXPECT_TRUE(message.startsWith(QLatin1String("The template file is damaged")))
                << message.toStdString();
            EXPECT_FALSE(document->fromFile());
        } else if (outcome == Outcome::OpensEdited) {
            // What was left out is named; what was not stays.
            EXPECT_FALSE(message.isEmpty());
            EXPECT_EQ(document->objects().size(), real.objectCount);
            EXPECT_FALSE(document->getImageWithName(str("logo")).isNull());
        } else {
            EXPECT_TRUE(message.isEmpty()) << message.toStdString();
            EXPECT_EQ(document->objects().size(), real.objectCount);
            EXPECT_FALSE(document->getImageWithName(str("logo")).isNull());
            EXPECT_FALSE(document->thumbnailProxy().isNull());
            EXPECT_EQ(document->docName(), str("Real"));
            EXPECT_EQ(document->docCopyright(), str("Real copyright"));
        }
        if (part) {
            EXPECT_TRUE(message.contains(QStringLiteral("its %1 (record").arg(str(part))))
                << message.toStdString();
        }
    }

    RealTemplate real;
};

TEST_F(TemplateFileDamageTest, TheSoundFileOpensWhole) {
    expectOutcome("sound", real.bytes, Outcome::OpensWhole);
}

TEST_F(TemplateFileDamageTest, FilesCutShortInsideAnyRecordAreRefused) {
    for (const FoundRecord& record : real.parsed.records) {
        const qint64 start = record.offset;
        const qint64 end = start + 32 + record.payload.size();
        for (const qint64 cut :
             {start + 1, start + 20, start + 32, (start + 32 + end) / 2, end - 1}) {
            if (cut >= end)
                continue;
            // The first record the document needs that the cut reaches names the damage.
            const char* part = nullptr;
            for (const ReadRecord& read : kReadOrder) {
                const FoundRecord* found = real.parsed.record(read.tag);
                if (read.required && found && found->offset + 32 + found->payload.size() > cut) {
                    part = read.part;
                    break;
                }
            }
            expectOutcome(record.tag.toStdString() + " cut at " + std::to_string(cut),
                          real.bytes.left(cut), Outcome::Refused, part);
        }
    }
    expectOutcome("the header area alone", real.bytes.left(kTemplateHeaderAreaSize),
                  Outcome::Refused, "page setup");
    expectOutcome("the header alone", real.bytes.left(84), Outcome::Refused, "page setup");
}

TEST_F(TemplateFileDamageTest, ARecordPastTheEndOrUnderAnotherTagRefusesOrIsLeftOut) {
    const uint32_t pastTheEnd[] = {uint32_t(real.bytes.size()), uint32_t(real.bytes.size()) + 4096,
                                   0x7FFFFFFFu, 0xFFFFFFFFu};
    for (const ReadRecord& read : kReadOrder) {
        const FoundRecord* record = real.parsed.record(read.tag);
        if (!record)
            continue;
        const Outcome outcome = read.required ? Outcome::Refused : Outcome::OpensEdited;
        for (const uint32_t offset : pastTheEnd) {
            QByteArray bytes = real.bytes;
            setWordAt(bytes, offsetsWord(read.word), offset);
            expectOutcome(std::string(read.tag) + " at " + std::to_string(offset), bytes, outcome,
                          read.part);
        }
        QByteArray bytes = real.bytes;
        bytes.replace(record->offset + 12, 4, "XXXX");
        expectOutcome(std::string(read.tag) + " marked XXXX", bytes, outcome, read.part);
        // A length beyond the file.
        bytes = real.bytes;
        setWordAt(bytes, record->offset + 20, 0x7FFFFFF0u);
        expectOutcome(std::string(read.tag) + " too long", bytes, outcome, read.part);
        // A payload that is no archive.
        bytes = real.bytes;
        bytes.replace(record->offset + 32, 4, "\xde\xad\xbe\xef");
        expectOutcome(std::string(read.tag) + " undecodable", bytes, outcome, read.part);
    }
    // The date of saving is not read; its damage costs nothing.
    QByteArray bytes = real.bytes;
    setWordAt(bytes, offsetsWord(HeaderOffsetsRec::Modified), 0xFFFFFFFFu);
    expectOutcome("MODD past the end", bytes, Outcome::OpensWhole);
}

TEST_F(TemplateFileDamageTest, RecordsOfTheWrongKindRefuseOrAreLeftOut) {
    // Each record swapped for a sound record of another kind: the thumbnail
    // where a text belongs, the name anywhere else.
    const FoundRecord* name = real.parsed.record("DNAM");
    const FoundRecord* thumbnail = real.parsed.record("POXY");
    for (const ReadRecord& read : kReadOrder) {
        const FoundRecord* record = real.parsed.record(read.tag);
        if (!record)
            continue;
        const bool text = QByteArray("DNAM DUID DCR8 CATG DESC COPY").contains(read.tag);
        const FoundRecord* other = text ? thumbnail : name;
        QByteArray bytes = real.bytes;
        bytes.replace(other->offset + 12, 4, read.tag);
        setWordAt(bytes, offsetsWord(read.word), other->offset);
        expectOutcome(std::string(read.tag) + " of the wrong kind", bytes,
                      read.required ? Outcome::Refused : Outcome::OpensEdited, read.part);
    }
}

TEST_F(TemplateFileDamageTest, FlippedBytesInThePageNeverLoseObjectsUnnoticed) {
    const FoundRecord* page = real.parsed.record("PAGE");
    const qint64 start = page->offset + 32;
    int refused = 0, opened = 0;
    // Every other byte, the low and the high bit by turns.
    for (qint64 at = start; at < start + page->payload.size(); at += 2) {
        for (const char mask : {(at - start) % 4 ? '\x80' : '\x01'}) {
            QByteArray bytes = real.bytes;
            bytes[at] = char(bytes.at(at) ^ mask);
            bool ok = false;
            QString message;
            const auto document = open(bytes, &ok, &message);
            SCOPED_TRACE("byte " + std::to_string(at - start) + " ^ " +
                         std::to_string(int(uint8_t(mask))));
            if (!ok) {
                ++refused;
                EXPECT_TRUE(message.contains(QLatin1String("its page objects (record \"PAGE\")")))
                    << message.toStdString();
                continue;
            }
            ++opened;
            if (document->isDocumentEdited())
                EXPECT_TRUE(message.contains(QLatin1String("left out"))) << message.toStdString();
            else
                EXPECT_EQ(document->objects().size(), real.objectCount) << message.toStdString();
        }
    }
    // Both ways occur: values change in place, structure breaks.
    EXPECT_GT(refused, 0);
    EXPECT_GT(opened, 0);
}

TEST_F(TemplateFileDamageTest, AnUnknownObjectKindIsLeftOutNamed) {
    const FoundRecord* page = real.parsed.record("PAGE");
    QVariantList objects = Unarchiver::unarchiveObject(page->payload).toList();
    ASSERT_EQ(objects.size(), real.objectCount);
    QVariantMap later = objects.front().toMap();
    later.insert(str("kind"), str("TMLaterObject"));
    objects.append(later);
    objects.append(later);
    later.insert(str("kind"), str("TMOnceObject"));
    objects.append(later);
    QByteArray bytes = real.bytes;
    appendRecord(bytes, HeaderOffsetsRec::Page, kRecordPage, objects);

    bool ok = false;
    QString message;
    const auto document = open(bytes, &ok, &message);
    ASSERT_TRUE(ok) << message.toStdString();
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(document->objects().size(), real.objectCount);
    EXPECT_EQ(message.split(QLatin1Char('\n')),
              QStringList({"2 page objects of the unknown kind \"TMLaterObject\" were left out.",
                           "One page object of the unknown kind \"TMOnceObject\" was left out."}));
}

// Parts of objects that do not read are named too: a cell whose mask is
// damaged and group members of an unknown kind, however deep.
TEST_F(TemplateFileDamageTest, PartsOfObjectsThatDoNotReadAreNamed) {
    QVariantList objects =
        Unarchiver::unarchiveObject(real.parsed.record("PAGE")->payload).toList();
    QVariantMap cell =
        TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {40, 30})->dictRepresentation();
    cell.insert(str(kPhotoMaskKey), QByteArray("no archive"));
    QVariantMap later = cell;
    later.insert(str("kind"), str("TMLaterObject"));
    const TMObjectGroupRef inner = TMObjectGroup::newTemplateObject();
    inner->setGroupedObjects({TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {20, 20})});
    QVariantMap innerGroup = inner->dictRepresentation();
    innerGroup.insert(str(kGroupContainerKey), Archiver::archivedData(QVariantList{later, cell}));
    QVariantMap outerGroup = innerGroup;
    outerGroup.insert(str(kGroupContainerKey), Archiver::archivedData(QVariantList{innerGroup}));
    objects.append(cell);
    objects.append(outerGroup);
    QByteArray bytes = real.bytes;
    appendRecord(bytes, HeaderOffsetsRec::Page, kRecordPage, objects);

    bool ok = false;
    QString message;
    const auto document = open(bytes, &ok, &message);
    ASSERT_TRUE(ok) << message.toStdString();
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(document->objects().size(), real.objectCount + 2);
    const QStringList lines = message.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << message.toStdString();
    EXPECT_TRUE(lines.at(0).startsWith(str("A photo cell's mask could not be read")));
    EXPECT_EQ(lines.at(1),
              str("A group member of the unknown kind \"TMLaterObject\" was left out."));
}

TEST_F(TemplateFileDamageTest, DamagedImageEntriesRefuseTheFile) {
    const QVariantList entries =
        Unarchiver::unarchiveObject(real.parsed.record("NIMG")->payload).toList();
    ASSERT_EQ(entries.size(), 1);
    const QVariantMap entry = entries.front().toMap();
    QVariantMap noArchive = entry;
    noArchive.insert(str("srcData"), QByteArray("no archive"));
    QVariantMap notAnImage = entry;
    notAnImage.remove(str("srcData"));
    notAnImage.insert(str("data"), Archiver::archivedData(str("text")));
    QVariantMap noName = entry;
    noName.remove(str("name"));
    const struct {
        const char* what;
        QVariantList entries;
    } cases[] = {
        {"source that is no archive", {noArchive}},
        {"an image that is no image", {notAnImage}},
        {"an entry without a name", {noName}},
        {"an entry that is no dictionary", {str("logo")}},
    };
    for (const auto& c : cases) {
        QByteArray bytes = real.bytes;
        appendRecord(bytes, HeaderOffsetsRec::NamedImages, kRecordNamedImages, c.entries);
        expectOutcome(c.what, bytes, Outcome::Refused, "images");
    }
}

TEST_F(TemplateFileDamageTest, OnlyRegularFilesAreReadAndNoneWhole) {
    const QString sparse = path("sparse.vyxTemplate");
    const QString sparseTemplate = path("sparse-template.vyxTemplate");
    const QString zeros = path("zeros.vyxTemplate");
    const QString fifo = path("fifo.vyxTemplate");
    ASSERT_TRUE(OddFiles::makeSparseFile(sparse, qint64(2) << 30));
    // A template header whose page claims the most a record may hold, in a 2 GiB file.
    QByteArray header = real.bytes.left(kTemplateHeaderAreaSize);
    setWordAt(header, offsetsWord(HeaderOffsetsRec::Page), uint32_t(kTemplateHeaderAreaSize));
    ObjectHeader page{kObjectHeaderTag,
                      kTemplateMagicVARN,
                      kTemplateMagicVXTM,
                      kRecordPage,
                      1,
                      TemplateFile::kMaxRecordLength + 1,
                      {0, 0}};
    SwapObjectHeaderHostToBig(&page);
    header.append(reinterpret_cast<const char*>(&page), sizeof page);
    ASSERT_TRUE(OddFiles::makeSparseFile(sparseTemplate, qint64(2) << 30));
    {
        QFile file(sparseTemplate);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_EQ(file.write(header), header.size());
    }
    ASSERT_TRUE(OddFiles::makeSymbolicLink(zeros, "/dev/zero"));
    ASSERT_TRUE(OddFiles::makeFifo(fifo));

    const qint64 peakBefore = OddFiles::peakResidentBytes();
    for (const QString& file : {sparse, sparseTemplate, zeros, fifo, folder.path()}) {
        TemplateDocument document;
        QString error;
        // A pipe without a writer would block a plain open here.
        EXPECT_FALSE(document.readFromFileOfType(file, kType, &error)) << file.toStdString();
        EXPECT_FALSE(error.isEmpty()) << file.toStdString();
        EXPECT_FALSE(document.fromFile());
    }
    // None of them was read into memory.
    EXPECT_LT(OddFiles::peakResidentBytes() - peakBefore, qint64(64) << 20);
}

TEST_F(TemplateFileTest, SaveIntoAFullFileSystemGivesTheSystemsReason) {
    EXPECT_TRUE(inEachFullFileSystem(64 * 1024, [&](FullFileSystem& full) {
        // Tests may not mount file systems everywhere.
        TemplateDocument document;
        document.setDocName(str("Small"));
        const QString target = full.filePath(str("full.vyxTemplate"));
        ASSERT_TRUE(document.writeToFileOfType(target, kType));
        const QByteArray previous = readBytes(target);

        // Big enough for the whole file system; the last write that fits is a short one.
        document.setThumbnailGenMode(1);
        document.setThumbnailProxy(Image(noisePicture(256)));
        const int saves = gSaveCount;
        QString error;
        EXPECT_FALSE(document.writeToFileOfType(target, kType, &error));
        EXPECT_TRUE(error.contains(full.systemReason())) << error.toStdString();
        EXPECT_EQ(readBytes(target), previous);
        EXPECT_EQ(gSaveCount, saves);
    }));
}
