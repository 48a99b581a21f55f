#include "TemplateFiles.h"

#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMTextObject.h"
#include "library/TemplateHandle.h"
#include "library/TemplateInfoCache.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/printing/PrintInfo.h"
#include "support/TestHost.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

class TemplateHandleTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return _folder.filePath(str(name)); }

    // A template written by the framework: a group of two photo cells, an
    // editable and a plain text, a print area, on an A4 page.
    QString frameworkTemplate(const char* name) {
        TemplateDocument document;
        document.setDocName(str("Two Cells"));
        document.setDocCategory(str("Cards"));
        document.setDocCreator(str("Someone"));
        document.setDocChangeVersion(0x010203);
        PrintInfo a4;
        a4.setPaperName(str("A4"));
        a4.setPaperSize({595, 842});
        document.setPrintInfo(a4);
        const TMObjectRef first =
            TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {100, 150});
        const TMObjectRef second =
            TMPhotoObject::newTemplateObjectWithOriginSize({200, 10}, {80, 60});
        second->setRotation(30);
        const TMObjectGroupRef group = TMObjectGroup::newTemplateObject();
        group->setGroupedObjects({first, second});
        document.addObject(group);
        const TMTextObjectRef editable =
            TMTextObject::newTemplateObjectWithOriginSize({10, 300}, {200, 40});
        editable->setVariant(1);
        editable->setName(str("Title"));
        editable->setIdentifier(str("title"));
        editable->setText(str("Summer"));
        document.addObject(editable);
        document.addObject(TMTextObject::newTemplateObjectWithOriginSize({10, 400}, {200, 40}));
        document.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize({0, 0}, {300, 421}));
        const QString file = path(name);
        QString error;
        EXPECT_TRUE(document.writeToFileOfType(file, str(kTemplateDocumentType), &error))
            << error.toStdString();
        return file;
    }

    TestHost _host;
    QTemporaryDir _folder;
};

TEST_F(TemplateHandleTest, SniffsBothGenerationsAndRefusesTheRest) {
    HandHeader newer;
    newer.minReaderVersion = 513;
    HandHeader ownWord;
    ownWord.formatVersion = 0x2FF;
    HandHeader lowHeader;
    lowHeader.headerVersion = 511;
    QByteArray littleEndian = handMadeTemplate({});
    for (int word = 0; word < 8; ++word) {
        auto* value = reinterpret_cast<uint32_t*>(littleEndian.data()) + word;
        *value = qbswap(*value);
    }
    const struct {
        const char* name;
        QByteArray bytes;
        int32_t format;
    } cases[] = {
        {"xml", PropertyList::toXml(QVariantMap{{str("name"), str("Old")}}), 256},
        {"bare xml signature", QByteArray("<?xml version="), 256},
        {"binary", handMadeTemplate({}), 512},
        {"binary, own format word", handMadeTemplate({}, ownWord), 0x2FF},
        {"needs a newer reader", handMadeTemplate({}, newer), 0},
        {"header version too low", handMadeTemplate({}, lowHeader), 0},
        {"words in the other byte order", littleEndian, 0},
        {"cut inside the prefix", handMadeTemplate({}).left(20), 0},
        {"empty", QByteArray(), 0},
        {"text", QByteArray("<?xml versio"), 0},
    };
    for (const auto& c : cases) {
        const QString file = path("sniff.vyxTemplate");
        ASSERT_TRUE(writeBytes(file, c.bytes));
        EXPECT_EQ(TemplateHandle::templateFormatAtPath(file), c.format) << c.name;
        EXPECT_EQ(TemplateHandle::templateHandleWithFile(file) != nullptr, c.format != 0) << c.name;
    }
    EXPECT_EQ(TemplateHandle::templateFormatAtPath(path("missing")), 0);
    EXPECT_EQ(TemplateHandle::templateFormatAtPath(_folder.path()), 0);
}

TEST_F(TemplateHandleTest, ReadsWhatTheFrameworkWrote) {
    const TemplateHandleRef handle =
        TemplateHandle::templateHandleWithFile(frameworkTemplate("a.vyxTemplate"));
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->fileFormat(), 512);
    EXPECT_EQ(handle->name(), str("Two Cells"));
    EXPECT_EQ(handle->category(), str("Cards"));
    EXPECT_EQ(handle->creator(), str("Someone"));
    EXPECT_EQ(handle->version(), 0x010203);
    // New documents carry no document ID: the file name stands for it.
    EXPECT_EQ(handle->documentID(), str("a.vyxTemplate"));
    EXPECT_FALSE(handle->thumbnailProxy().isNull());
    EXPECT_EQ(handle->pageRect(), Rect(0, 0, 595, 842));
    EXPECT_EQ(handle->paperOrientation(), 0);

    PrintInfo info;
    info.setPaperName(str("Letter"));
    info.setPaperSize({612, 792});
    handle->assertPageDesc(info);
    EXPECT_EQ(info.paperName(), str("A4"));
    EXPECT_EQ(info.paperSize(), (Size{595, 842}));
}

TEST_F(TemplateHandleTest, GroupsAreDissolvedOnEveryPageNumber) {
    const TemplateHandleRef handle =
        TemplateHandle::templateHandleWithFile(frameworkTemplate("g.vyxTemplate"));
    ASSERT_TRUE(handle);
    // Nothing is known of the page before it is asked for.
    EXPECT_FALSE(handle->editFields());
    EXPECT_FALSE(handle->printAreaRects());
    EXPECT_EQ(handle->photoCells(), 0);

    const TemplatePageObjects first = handle->objectsOnPage(0);
    ASSERT_EQ(first.objects.size(), 5);
    for (const TMObjectRef& object : first.objects)
        EXPECT_FALSE(std::dynamic_pointer_cast<TMObjectGroup>(object));
    EXPECT_EQ(handle->photoCells(), 2);
    for (int32_t page : {1, 7, -3}) {
        const TemplatePageObjects again = handle->objectsOnPage(page);
        ASSERT_EQ(again.objects.size(), 5) << page;
        // Each caller gets its own objects.
        EXPECT_NE(again.objects.first(), first.objects.first());
        EXPECT_EQ(handle->photoCellsOnPage(page), 2);
    }
    EXPECT_EQ(handle->photoCellSize(0, 0), (Size{100, 150}));
    EXPECT_EQ(handle->photoCellSize(1, 3), (Size{80, 60}));
    EXPECT_EQ(handle->photoCellSize(2, 0), Size{});
    EXPECT_FLOAT_EQ(handle->photoCellRotation(1, 0), 30);
    EXPECT_FLOAT_EQ(handle->photoCellRotation(9, 0), 0);

    ASSERT_TRUE(handle->editFields());
    const QVariantList fields = *handle->editFields();
    ASSERT_EQ(fields.size(), 1);
    const QVariantMap field = fields.first().toMap();
    EXPECT_EQ(field.value(str("name")).toString(), str("Title"));
    EXPECT_EQ(field.value(str("id")).toString(), str("title"));
    EXPECT_EQ(field.value(str("value")).toString(), str("Summer"));
    EXPECT_EQ(field.value(str("sn")).toInt(), 0);
    ASSERT_TRUE(handle->printAreaRects());
    EXPECT_EQ(*handle->printAreaRects(), QStringList{stringFromRect(Rect(0, 0, 300, 421))});
    EXPECT_EQ(handle->printAreasOnPage(0), 1);
}

TEST_F(TemplateHandleTest, MissingTextsTakeTheirDefaults) {
    const QString file = path("Bare.vyxTemplate");
    ASSERT_TRUE(writeBytes(file, handMadeTemplate({})));
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(file);
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->name(), str("Bare.vyxTemplate"));
    EXPECT_EQ(handle->documentID(), str("Bare.vyxTemplate"));
    EXPECT_EQ(handle->creator(), QString(QLatin1String("")));
    EXPECT_FALSE(handle->creator().isNull());
    EXPECT_EQ(handle->copyright(), QString(QLatin1String("")));
    EXPECT_EQ(handle->category(), localizedString(str("CUSTOM")));
    EXPECT_EQ(handle->description(), localizedString(str("NONE")));
    // The string table is there: the defaults are texts, not keys.
    EXPECT_NE(handle->category(), str("CUSTOM"));
    // Without a thumbnail in the file one is made from the Letter page.
    EXPECT_EQ(handle->thumbnailProxy().size().height, 96);
}

TEST_F(TemplateHandleTest, PageSizeFromTheRecordOrLetter) {
    using W = HeaderOffsetsRec;
    const struct {
        const char* name;
        QList<HandRecord> records;
        Rect page;
        int32_t orientation;
    } cases[] = {
        {"no page record", {}, Rect(0, 0, 612, 792), 0},
        {"page record without sizes",
         {{W::PageDescription, kRecordPageDescription, QVariantMap{}}},
         Rect(0, 0, 612, 792),
         0},
        {"landscape in centimetres",
         {{W::PageDescription, kRecordPageDescription,
           QVariantMap{{str("ppu"), 28.0}, {str("width"), 20.0}, {str("height"), 10.0}}}},
         Rect(0, 0, 560, 280),
         1},
        {"square counts as landscape",
         {{W::PageDescription, kRecordPageDescription,
           QVariantMap{{str("width"), 5.0}, {str("height"), 5.0}}}},
         Rect(0, 0, 360, 360),
         1},
        {"page record of another tag",
         {{W::PageDescription, kRecordName, QVariantMap{}}},
         Rect(),
         1},
    };
    for (const auto& c : cases) {
        const QString file = path(c.name);
        ASSERT_TRUE(writeBytes(file, handMadeTemplate(c.records)));
        const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(file);
        ASSERT_TRUE(handle) << c.name;
        EXPECT_EQ(handle->pageRect(), c.page) << c.name;
        EXPECT_EQ(handle->paperOrientation(), c.orientation) << c.name;
    }
}

TEST_F(TemplateHandleTest, DamagedRecordsReadAsMissing) {
    using W = HeaderOffsetsRec;
    // A name whose length reaches far past the end of the file.
    const QString file = path("Long.vyxTemplate");
    ASSERT_TRUE(
        writeBytes(file, handMadeTemplate({{W::Name, kRecordName, str("Real name"), 100000u},
                                           {W::Category, kRecordCategory, str("Kept")}})));
    TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(file);
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->name(), str("Long.vyxTemplate"));
    EXPECT_EQ(handle->category(), str("Kept"));

    // A framework file cut inside its last record, the page.
    const QString cut = frameworkTemplate("Cut.vyxTemplate");
    ASSERT_TRUE(QFile::resize(cut, QFileInfo(cut).size() - 20));
    handle = TemplateHandle::templateHandleWithFile(cut);
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->name(), str("Two Cells"));
    EXPECT_TRUE(handle->objectsOnPage(0).isEmpty());
    EXPECT_EQ(handle->photoCells(), 0);
    EXPECT_FALSE(handle->editFields());

    // Cut inside the offsets: nothing but the defaults.
    ASSERT_TRUE(QFile::resize(cut, 40));
    ASSERT_TRUE(handle->reset());
    EXPECT_EQ(handle->name(), str("Cut.vyxTemplate"));
    EXPECT_EQ(handle->pageRect(), Rect());
}

TEST_F(TemplateHandleTest, EqualByDocumentIDOrderedByCategoryThenName) {
    const QString a = path("a.vyxTemplate"), b = path("b.vyxTemplate"), c = path("c.vyxTemplate");
    ASSERT_TRUE(writeBytes(a, identifiedTemplate(str("Zed"), str("ID-1"), 0, str("alpha"))));
    ASSERT_TRUE(writeBytes(b, identifiedTemplate(str("Other"), str("ID-1"), 0, str("Beta"))));
    ASSERT_TRUE(writeBytes(c, identifiedTemplate(str("apple"), str("ID-2"), 0, str("ALPHA"))));
    const TemplateHandleRef ha = TemplateHandle::templateHandleWithFile(a);
    const TemplateHandleRef hb = TemplateHandle::templateHandleWithFile(b);
    const TemplateHandleRef hc = TemplateHandle::templateHandleWithFile(c);
    EXPECT_TRUE(ha->isEqual(*hb));
    EXPECT_FALSE(ha->isEqual(*hc));
    EXPECT_LT(ha->compare(*hb), 0);
    EXPECT_GT(ha->compare(*hc), 0);
}

TEST_F(TemplateHandleTest, ResetNoticesAFileThatIsNoTemplateAnyMore) {
    const QString file = path("r.vyxTemplate");
    ASSERT_TRUE(writeBytes(file, identifiedTemplate(str("First"), str("R"))));
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(file);
    EXPECT_EQ(handle->name(), str("First"));
    ASSERT_TRUE(writeBytes(file, identifiedTemplate(str("Second"), str("R"))));
    EXPECT_EQ(handle->name(), str("First"));
    EXPECT_TRUE(handle->reset());
    EXPECT_EQ(handle->name(), str("Second"));
    ASSERT_TRUE(writeBytes(file, QByteArray("garbage")));
    EXPECT_FALSE(handle->reset());
    // It still names the template that was there.
    EXPECT_EQ(handle->documentID(), str("R"));
    EXPECT_EQ(handle->name(), str("Second"));
}

// The older generation.

QVariantMap version1Root() {
    const auto photo = [](const QVariantMap& extra) {
        QVariantMap object{{str("kind"), str("photo")}};
        object.insert(extra);
        return object;
    };
    return QVariantMap{
        {str("name"), str("Old Card")},
        {str("category"), str("Legacy")},
        {str("pageDesc"), QVariantMap{{str("dpi"), 72.0},
                                      {str("width"), 11.0},
                                      {str("height"), 8.5},
                                      {str("name"), str("Tabloid")}}},
        {str("objects"),
         QVariantList{
             photo({{str("size"), QVariantMap{{str("width"), 2.0}, {str("height"), 3.0}}}}),
             QVariantMap{{str("kind"), str("text")},
                         {str("editable"), 1},
                         {str("f_Name"), str("Greeting")},
                         {str("f_ID"), str("g")},
                         {str("data"), str("Hello")}},
             photo({{str("scale"), QVariantMap{{str("ratio"), 1.5}}}}),
             QVariantMap{{str("kind"), str("text")}, {str("editable"), 0}},
             photo({}),
             QVariantMap{{str("kind"), str("text")},
                         {str("editable"), 1},
                         {str("f_Name"), str("Sign")},
                         {str("f_ID"), str("s")},
                         {str("data"), str("Bye")}},
         }},
    };
}

TEST_F(TemplateHandleTest, ReadsTheOlderGeneration) {
    const QString file = path("Old.vyxTemplate");
    ASSERT_TRUE(writeVersion1(file, version1Root()));
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(file);
    ASSERT_TRUE(handle);
    // Nothing read yet. (Listing a template without a thumbnail draws its
    // page, which reads its objects.)
    EXPECT_FALSE(handle->editFields());
    EXPECT_EQ(handle->fileFormat(), 256);
    EXPECT_EQ(handle->name(), str("Old Card"));
    EXPECT_EQ(handle->category(), str("Legacy"));
    EXPECT_EQ(handle->documentID(), str("Old.vyxTemplate"));
    EXPECT_EQ(handle->description(), localizedString(str("NONE")));
    EXPECT_EQ(handle->version(), 0);
    EXPECT_EQ(handle->pageRect(), Rect(0, 0, 792, 612));
    EXPECT_EQ(handle->paperOrientation(), 1);

    EXPECT_EQ(handle->objectsOnPage(4).dictionaries.size(), 6);
    EXPECT_EQ(handle->photoCells(), 3);
    const QVariantList fields = handle->editFields().value();
    ASSERT_EQ(fields.size(), 2);
    EXPECT_EQ(fields[1].toMap(), (QVariantMap{{str("name"), str("Sign")},
                                              {str("id"), str("s")},
                                              {str("value"), str("Bye")},
                                              {str("sn"), 1}}));
    EXPECT_EQ(handle->printAreaRects(), QStringList());
    EXPECT_EQ(handle->photoCellSize(0, 0), (Size{144, 216}));
    EXPECT_EQ(handle->photoCellSize(1, 0), (Size{150, 150}));
    EXPECT_EQ(handle->photoCellSize(2, 0), (Size{100, 100}));
    EXPECT_EQ(handle->photoCellSize(3, 0), Size{});
    EXPECT_FLOAT_EQ(handle->photoCellRotation(0, 0), 0);

    PrintInfo info;
    info.setPaperName(str("Letter"));
    info.setPaperSize({612, 792});
    handle->assertPageDesc(info);
    EXPECT_EQ(info.paperName(), str("Tabloid"));
    EXPECT_EQ(info.paperSize(), (Size{792, 612}));
}

TEST_F(TemplateHandleTest, OlderGenerationWithoutAPageHasNoSize) {
    const QString file = path("NoPage.vyxTemplate");
    ASSERT_TRUE(writeVersion1(file, QVariantMap{{str("objects"), QVariantList{}}}));
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(file);
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->pageRect(), Rect());
    EXPECT_TRUE(handle->objectsOnPage(0).isEmpty());
    EXPECT_EQ(handle->name(), str("NoPage.vyxTemplate"));
}

TEST_F(TemplateHandleTest, OlderGenerationThumbnails) {
    QImage pixels(8, 4, QImage::Format_ARGB32);
    pixels.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        pixels.save(&buffer, "PNG");
    }
    const QString withData = path("Data.vyxTemplate");
    ASSERT_TRUE(writeVersion1(withData, {{str("proxy"), QVariantMap{{str("data"), png}}}}));
    const Image image = TemplateHandle::templateHandleWithFile(withData)->thumbnailProxy();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.toQImage().size(), QSize(8, 4));

    // A resource name never reaches out of the resources.
    const QString outside = path("secret.png");
    ASSERT_TRUE(writeBytes(outside, png));
    const QString withPath = path("Path.vyxTemplate");
    ASSERT_TRUE(writeVersion1(withPath, {{str("proxy"), QVariantMap{{str("file"), outside}}}}));
    EXPECT_TRUE(TemplateHandle::templateHandleWithFile(withPath)->thumbnailProxy().isNull());
}

TEST_F(TemplateHandleTest, OlderGenerationComesFromTheInfoCacheWhileCurrent) {
    TemplateInfoCache& cache = TemplateInfoCache::sharedTemplateInfoCache();
    const QString file = path("Cached.vyxTemplate");
    ASSERT_TRUE(writeVersion1(file, version1Root()));
    const QDateTime first = QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC);
    ASSERT_TRUE(setModified(file, first));
    ASSERT_EQ(TemplateHandle::templateHandleWithFile(file)->name(), str("Old Card"));
    std::optional<QVariantMap> entry = cache.retreiveTemplateInfo(file);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(str("InfoCacheModDate")).toDateTime(), first);
    EXPECT_EQ(entry->value(str("InfoCacheName")).toString(), str("Old Card"));

    // While the date stands, the file is not read again.
    QVariantMap root = version1Root();
    root.insert(str("name"), str("Renamed"));
    ASSERT_TRUE(writeVersion1(file, root));
    ASSERT_TRUE(setModified(file, first));
    EXPECT_EQ(TemplateHandle::templateHandleWithFile(file)->name(), str("Old Card"));

    // A newer file replaces the stale entry.
    const QDateTime second = first.addSecs(60);
    ASSERT_TRUE(setModified(file, second));
    EXPECT_EQ(TemplateHandle::templateHandleWithFile(file)->name(), str("Renamed"));
    entry = cache.retreiveTemplateInfo(file);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(str("InfoCacheModDate")).toDateTime(), second);
    EXPECT_EQ(entry->value(str("InfoCacheName")).toString(), str("Renamed"));
}

} // namespace

namespace {

TEST_F(TemplateHandleTest, TakesWhatAnotherHandleReadOnlyOfTheUnchangedFileAndOnlyOnce) {
    const QString file = frameworkTemplate("Adopted.vyxTemplate");
    const TemplateHandleRef reader = TemplateHandle::templateHandleWithFile(file);
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader->name(), str("Two Cells"));

    struct Case {
        const char* label;
        bool readFirst;   // the taker has read its own
        bool fileChanged; // the file changed after the reader read it
        bool taken;
    };
    for (const Case c :
         {Case{"fresh", false, false, true}, Case{"read already", true, false, false},
          Case{"file changed", false, true, false}}) {
        if (c.fileChanged) {
            QFile touched(file);
            ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
            ASSERT_TRUE(touched.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                            QFileDevice::FileModificationTime));
        }
        const TemplateHandleRef taker = TemplateHandle::templateHandleWithFile(file);
        if (c.readFirst)
            taker->version();
        EXPECT_EQ(taker->adoptBasicProperties(*reader), c.taken) << c.label;
        EXPECT_EQ(taker->name(), str("Two Cells")) << c.label;
        EXPECT_EQ(taker->category(), str("Cards")) << c.label;
    }
    // What was taken is what the handle answers: the file is not read again.
    const QString gone = frameworkTemplate("Gone.vyxTemplate");
    const TemplateHandleRef goneReader = TemplateHandle::templateHandleWithFile(gone);
    const TemplateHandleRef goneTaker = TemplateHandle::templateHandleWithFile(gone);
    goneReader->thumbnailProxy();
    ASSERT_TRUE(goneTaker->adoptBasicProperties(*goneReader));
    ASSERT_TRUE(QFile::remove(gone));
    EXPECT_EQ(goneTaker->name(), str("Two Cells"));
    EXPECT_EQ(goneTaker->creator(), str("Someone"));
    EXPECT_EQ(goneTaker->version(), 0x010203);
    EXPECT_FALSE(goneTaker->thumbnailProxy().isNull());
}

} // namespace
