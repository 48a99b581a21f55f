// The EXIF reader: value texts, the walk of hand-made TIFF blocks, JPEG files
// written by exiv2, the "File" group and the catalog's photo property texts.
#include "catalog/EXIFReader.h"
#include "CatalogFixture.h"
#include "ExifFixtures.h"
#include "catalog/FileAttributeInfo.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"
#include "platform/system/FileDisplay.h"
#include "support/LogCapture.h"
#include "utilities/FinderComment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace {

// ---- bytes in either order --------------------------------------------------

class Bytes {
public:
    explicit Bytes(bool bigEndian) : _big(bigEndian) {}
    Bytes& u8(uint8_t v) {
        _data.append(char(v));
        return *this;
    }
    Bytes& u16(uint16_t v) { return _big ? u8(v >> 8).u8(v & 0xFF) : u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(uint32_t v) {
        return _big ? u16(v >> 16).u16(v & 0xFFFF) : u16(v & 0xFFFF).u16(v >> 16);
    }
    Bytes& text(const QByteArray& bytes) {
        _data.append(bytes);
        return *this;
    }
    Bytes& rational(uint32_t numerator, uint32_t denominator) {
        return u32(numerator).u32(denominator);
    }
    const QByteArray& data() const { return _data; }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(_data.constData()); }

private:
    bool _big;
    QByteArray _data;
};

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t field;                    // the value itself (first bytes) or its offset
    QByteArray inline_ = QByteArray(); // bytes that fill the field instead
};

// An APP1 payload: the Exif header, the TIFF header with IFD0 at 8, IFD0's
// entries and next offset, then `tail` (data and further directories).
QByteArray app1(bool big, const std::vector<Entry>& ifd0, uint32_t next,
                const QByteArray& tail = QByteArray(), uint16_t count = 0xFFFF) {
    Bytes b(big);
    b.text(QByteArray("Exif\0\0", 6)).text(big ? "MM" : "II").u16(42).u32(8);
    b.u16(count == 0xFFFF ? uint16_t(ifd0.size()) : count);
    for (const Entry& e : ifd0) {
        b.u16(e.tag).u16(e.type).u32(e.count);
        if (!e.inline_.isNull())
            b.text(e.inline_.leftJustified(4, '\0', true));
        else
            b.u32(e.field);
    }
    b.u32(next);
    b.text(tail);
    return b.data();
}

// Where data after IFD0 starts, counted from the TIFF header.
uint32_t tailOffset(size_t entries) {
    return uint32_t(8 + 2 + 12 * entries + 4);
}

QVariantMap parse(const QByteArray& payload) {
    return EXIFParseAPP1(reinterpret_cast<const uint8_t*>(payload.constData()), payload.size())
        .toMap();
}

QString value(const QVariantMap& dictionary, const char* key) {
    return EXIFValueForKey(QString::fromLatin1(key), dictionary);
}

// A directory of the given entries, written at `offset` in a block.
QByteArray directory(bool big, const std::vector<Entry>& entries, uint32_t next = 0) {
    Bytes b(big);
    b.u16(uint16_t(entries.size()));
    for (const Entry& e : entries)
        b.u16(e.tag).u16(e.type).u32(e.count).u32(e.field);
    b.u32(next);
    return b.data();
}

const Entry kOrientation{0x0112, kEXIFShort, 1, 0};

class EXIFReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Resources::setSharePathForTesting(QString());
    }
    void TearDown() override { Resources::setSharePathForTesting(QString()); }

    QString jpeg(const QString& name, bool bigEndian, const QImage& thumbnail = QImage()) {
        const QString path = writeImage(dir.filePath(name), solidImage(32, 24, Qt::gray), "jpeg");
        EXPECT_TRUE(writeExifTags(path, sampleExifTags(), bigEndian, thumbnail));
        return path;
    }

    TestHome home;
    TestHost testHost;
    QTemporaryDir dir;
};

// ---- value texts -------------------------------------------------------------

struct ValueCase {
    const char* name;
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    QByteArray data;
    const char* text;
    const char* logged = nullptr;
};

QByteArray rationalBytes(std::initializer_list<std::pair<uint32_t, uint32_t>> parts) {
    Bytes b(false);
    for (const auto& [n, d] : parts)
        b.rational(n, d);
    return b.data();
}

QByteArray shorts(std::initializer_list<uint16_t> values) {
    Bytes b(false);
    for (uint16_t v : values)
        b.u16(v);
    return b.data();
}

QByteArray longs(std::initializer_list<uint32_t> values) {
    Bytes b(false);
    for (uint32_t v : values)
        b.u32(v);
    return b.data();
}

TEST_F(EXIFReaderTest, ValueTexts) {
    const uint32_t minus2 = uint32_t(-2);
    const ValueCase cases[] = {
        {"exposure 1/125", 0x829A, kEXIFRational, 1, rationalBytes({{1, 125}}),
         "0 sec. (1/125 sec.)"},
        {"exposure 2/1", 0x829A, kEXIFRational, 1, rationalBytes({{2, 1}}), "2 sec."},
        {"exposure 10/0", 0x829A, kEXIFRational, 1, rationalBytes({{10, 0}}), "10/0 sec."},
        {"exposure 0/1", 0x829A, kEXIFRational, 1, rationalBytes({{0, 1}}), "0 sec."},
        {"exposure of two parts", 0x829A, kEXIFRational, 2, rationalBytes({{1, 2}, {1, 3}}), "",
         "Invalid number of components (2, expected 1)."},
        {"bias -2/3", 0x9204, kEXIFSRational, 1, rationalBytes({{minus2, 3}}), "-0.7 APEX"},
        {"bias +1/3", 0x9204, kEXIFSRational, 1, rationalBytes({{1, 3}}), "+0.3 APEX"},
        {"bias 0/1", 0x9204, kEXIFSRational, 1, rationalBytes({{0, 1}}), "0.0 APEX"},
        {"bias 2/-3", 0x9204, kEXIFSRational, 1, rationalBytes({{2, uint32_t(-3)}}), "-0.7 APEX"},
        {"bias -1/0", 0x9204, kEXIFSRational, 1, rationalBytes({{uint32_t(-1), 0}}), "-1/0 APEX"},
        {"copyright of both", 0x8298, kEXIFAscii, 4, QByteArray("A\0B\0", 4),
         "A (Photographer) - B (Editor)"},
        {"copyright of the photographer", 0x8298, kEXIFAscii, 2, QByteArray("A\0", 2),
         "A (Photographer) - [None] (Editor)"},
        {"copyright of the editor", 0x8298, kEXIFAscii, 3, QByteArray("\0B\0", 3),
         "[None] (Photographer) - B (Editor)"},
        {"orientation as LONG", 0x0112, kEXIFLong, 1, longs({6}), "",
         "Invalid format '4', expected '3'."},
        {"orientation", 0x0112, kEXIFShort, 1, shorts({6}), "right - top"},
        {"orientation unknown", 0x0112, kEXIFShort, 1, shorts({9}), "9"},
        {"subject point", 0x9214, kEXIFShort, 2, shorts({10, 20}), "(x,y) = (10,20)"},
        {"subject circle", 0x9214, kEXIFShort, 3, shorts({10, 20, 5}),
         "Within distance 5 of (x,y) = (10,20)"},
        {"subject rectangle", 0x9214, kEXIFShort, 4, shorts({10, 20, 30, 40}),
         "Within rectangle (width 30, height 40) around (x,y) = (10,20)"},
        {"subject of five", 0x9214, kEXIFShort, 5, shorts({1, 2, 3, 4, 5}),
         "Unexpected number of components (5, expected 2, 3, or 4)."},
        {"flash auto", 0x9209, kEXIFShort, 1, shorts({25}), "Flash fired, auto mode."},
        {"flash red-eye", 0x9209, kEXIFShort, 1, shorts({95}),
         "Flash fired, auto mode, return light detected, red-eye reduction mode."},
        {"flash unknown", 0x9209, kEXIFShort, 1, shorts({2}), "2"},
        {"Exif version", 0x9000, kEXIFUndefined, 4, "0220", "Exif Version 2.2"},
        {"Exif version unknown", 0x9000, kEXIFUndefined, 4, "0230", "Unknown Exif Version"},
        {"FlashPix version", 0xA000, kEXIFUndefined, 4, "0100", "FlashPix Format Version 1.0"},
        {"interoperability version", 0x0002, kEXIFUndefined, 4, "0100",
         "Interoperability Version 1.0"},
        {"interoperability version unknown", 0x0002, kEXIFUndefined, 4, "0200",
         "Unknown Interoperability Version"},
        {"components", 0x9101, kEXIFUndefined, 4, QByteArray("\1\2\3\0", 4), "Y Cb Cr -"},
        {"components reserved", 0x9101, kEXIFUndefined, 4, QByteArray("\4\5\6\7", 4),
         "R G B reserved"},
        {"f-number", 0x829D, kEXIFRational, 1, rationalBytes({{28, 10}}), "f/2.8"},
        {"f-number 0", 0x829D, kEXIFRational, 1, rationalBytes({{28, 0}}), "28/0"},
        {"shutter speed", 0x9201, kEXIFSRational, 1, rationalBytes({{7, 1}}),
         "7.00 APEX  (1/128 sec.)"},
        {"shutter speed beyond an int", 0x9201, kEXIFSRational, 1, rationalBytes({{1000, 1}}),
         "1000.00 APEX  (1/2147483647 sec.)"},
        {"aperture", 0x9202, kEXIFRational, 1, rationalBytes({{2, 1}}), "2.00 APEX  (f/2.0)"},
        {"brightness", 0x9203, kEXIFSRational, 1, rationalBytes({{uint32_t(-1), 4}}), "-0.25 APEX"},
        {"subject distance", 0x9206, kEXIFRational, 1, rationalBytes({{5, 2}}), "2.50 m"},
        {"focal length", 0x920A, kEXIFRational, 1, rationalBytes({{50, 1}}), "50.00 mm"},
        {"focal length 0", 0x920A, kEXIFRational, 1, rationalBytes({{50, 0}}), "50/0 mm"},
        {"subsampling", 0x0212, kEXIFShort, 2, shorts({2, 1}), "YCbCr4:2:2"},
        {"subsampling other", 0x0212, kEXIFShort, 2, shorts({1, 1}), "1, 1"},
        {"maker note", 0x927C, kEXIFUndefined, 10, QByteArray(10, 'x'), "10 bytes unknown data"},
        {"file source", 0xA300, kEXIFUndefined, 1, QByteArray("\3", 1), "DSC"},
        {"file source other", 0xA300, kEXIFUndefined, 1, QByteArray("\2", 1), "0x02"},
        {"scene type", 0xA301, kEXIFUndefined, 1, QByteArray("\1", 1),
         "A directly photographed image"},
        {"scene type other", 0xA301, kEXIFUndefined, 2, QByteArray("\1\1", 2),
         "Unknown scene type"},
        {"colour space", 0xA001, kEXIFShort, 1, shorts({65535}), "Uncalibrated"},
        {"light source", 0x9208, kEXIFShort, 1, shorts({12}),
         "Daylight fluorescent (D 5700 - 7100K"},
        {"bytes", 0x0000, kEXIFByte, 4, QByteArray("\2\2\0\xff", 4), "0x02, 0x02, 0x00, 0xff"},
        {"text", 0x010F, kEXIFAscii, 4, QByteArray("Cam\0", 4), "Cam"},
        {"shorts", 0x0102, kEXIFShort, 3, shorts({8, 8, 65535}), "8, 8, 65535"},
        {"longs", 0xA002, kEXIFLong, 2, longs({64, 0xFFFFFFFF}), "64, -1"},
        {"signed longs", 0x9999, kEXIFSLong, 2, longs({uint32_t(-5), 7}), "-5, 7"},
        {"rationals", 0x011A, kEXIFRational, 2, rationalBytes({{300, 1}, {72, 1}}), "300/1, 72/1"},
        {"undefined", 0x9999, kEXIFUndefined, 2, QByteArray("ab"), ""},
        {"float", 0x9999, kEXIFFloat, 1, longs({0}), ""},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        const QString text =
            EXIFFormatValue(c.tag, c.type, c.count, reinterpret_cast<const uint8_t*>(c.data.data()),
                            uint64_t(c.data.size()), EXIFByteOrder::LittleEndian);
        EXPECT_EQ(text, QString::fromUtf8(c.text));
        EXPECT_FALSE(text.isNull());
        if (c.logged) {
            EXPECT_EQ(log.lines(), QStringList{QString::fromLatin1(c.logged)});
        } else {
            EXPECT_TRUE(log.lines().isEmpty());
        }
    }
}

TEST_F(EXIFReaderTest, BigEndianValuesReadTheSame) {
    Bytes big(true);
    big.rational(1, 125);
    EXPECT_EQ(EXIFFormatValue(0x829A, kEXIFRational, 1, big.bytes(), 8, EXIFByteOrder::BigEndian),
              QStringLiteral("0 sec. (1/125 sec.)"));
    Bytes orientation(true);
    orientation.u16(3).u16(0);
    EXPECT_EQ(
        EXIFFormatValue(0x0112, kEXIFShort, 1, orientation.bytes(), 2, EXIFByteOrder::BigEndian),
        QStringLiteral("bottom - right"));
}

// ---- walking hand-made blocks ---------------------------------------------------

TEST_F(EXIFReaderTest, AValueEndingOnTheLimitIsStoredOneByteMoreStopsTheDirectory) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        // Orientation, then a six-byte make that ends the block, then a model after it.
        const uint32_t makeAt = tailOffset(3);
        const std::vector<Entry> entries = {{0x0112, kEXIFShort, 1, big ? 0x00060000u : 6u},
                                            {0x010F, kEXIFAscii, 6, makeAt},
                                            {0x0110, kEXIFAscii, 2, 0, QByteArray("M\0", 2)}};
        const QByteArray whole = app1(big, entries, 0, QByteArray("Canon\0", 6));
        const QVariantMap stored = parse(whole);
        EXPECT_EQ(value(stored, "0-112"), QStringLiteral("right - top"));
        EXPECT_EQ(value(stored, "0-10F"), QStringLiteral("Canon"));
        EXPECT_EQ(value(stored, "0-110"), QStringLiteral("M"));

        const QVariantMap cut = parse(whole.left(whole.size() - 1));
        EXPECT_EQ(value(cut, "0-112"), QStringLiteral("right - top"));
        EXPECT_TRUE(value(cut, "0-10F").isNull());
        EXPECT_TRUE(value(cut, "0-110").isNull());
    }
}

TEST_F(EXIFReaderTest, InputThatPointsOutsideTheBlockStopsItsDirectory) {
    const bool big = true;
    const QByteArray sixBytes("Canon\0", 6);
    const struct {
        const char* name;
        QByteArray payload;
        QStringList present;
        QStringList absent;
    } cases[] = {
        {"IFD0 beyond the block",
         [&] {
             QByteArray p = app1(big, {kOrientation}, 0);
             p[10] = char(0x7F); // IFD0 offset 0x7F000008
             return p;
         }(),
         {},
         {"0-112"}},
        {"more entries than the block holds",
         app1(big, {{0x0112, kEXIFShort, 1, 0, shorts({1})}}, 0, QByteArray(), 40),
         {"0-112"},
         {}},
        {"next offset beyond the block drops IFD0", app1(big, {kOrientation}, 5000), {}, {"0-112"}},
        {"text without a zero byte",
         app1(big,
              {{0x0112, kEXIFShort, 1, 0, shorts({1})},
               {0x010F, kEXIFAscii, 4, 0, QByteArray("Cams")},
               {0x0110, kEXIFAscii, 2, 0, QByteArray("M\0", 2)}},
              0),
         {"0-112"},
         {"0-10F", "0-110"}},
        {"offset wrapping 32 bits",
         app1(big,
              {{0x0112, kEXIFShort, 1, 0, shorts({1})},
               {0x011A, kEXIFRational, 1, 0xFFFFFFFC},
               {0x0110, kEXIFAscii, 2, 0, QByteArray("M\0", 2)}},
              0),
         {"0-112"},
         {"0-11A", "0-110"}},
        {"size wrapping 32 bits",
         app1(big,
              {{0x0112, kEXIFShort, 1, 0, shorts({1})},
               {0x0111, kEXIFLong, 0x40000001, tailOffset(3)},
               {0x0110, kEXIFAscii, 2, 0, QByteArray("M\0", 2)}},
              0, QByteArray(16, '\0')),
         {"0-112"},
         {"0-111", "0-110"}},
        {"a text ending on the limit",
         app1(big, {{0x010F, kEXIFAscii, 6, tailOffset(1)}}, 0, sixBytes),
         {"0-10F"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QVariantMap result = parse(c.payload);
        for (const QString& key : c.present)
            EXPECT_FALSE(EXIFValueForKey(key, result).isNull()) << qPrintable(key);
        for (const QString& key : c.absent)
            EXPECT_TRUE(EXIFValueForKey(key, result).isNull()) << qPrintable(key);
        if (c.present.isEmpty()) {
            EXPECT_TRUE(result.isEmpty());
        }
    }
}

TEST_F(EXIFReaderTest, ASubDirectoryPointingBackEndsTheDirectoryThatHoldsThePointer) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        // IFD0 -> Exif; Exif holds an exposure, a pointer back to itself, then a flash.
        const uint32_t exifAt = tailOffset(2);
        const QByteArray exif = directory(big, {{0x829A, kEXIFRational, 1, exifAt + 2 + 3 * 12 + 4},
                                                {0xA005, kEXIFLong, 1, exifAt},
                                                {0x9209, kEXIFShort, 1, big ? 0x00190000u : 25u}}) +
                                Bytes(big).rational(1, 125).data();
        const QVariantMap result = parse(app1(
            big, {{0x0112, kEXIFShort, 1, big ? 0x00060000u : 6u}, {0x8769, kEXIFLong, 1, exifAt}},
            0, exif));
        EXPECT_EQ(value(result, "0-112"), QStringLiteral("right - top"));
        EXPECT_EQ(value(result, "EXIF-829A"), QStringLiteral("0 sec. (1/125 sec.)"));
        EXPECT_TRUE(value(result, "EXIF-9209").isNull());
        EXPECT_FALSE(result.contains(QStringLiteral("Interoperability")));

        // A pointer to IFD0 from IFD0 itself is a cycle too.
        const QVariantMap self = parse(app1(big,
                                            {{0x0112, kEXIFShort, 1, big ? 0x00060000u : 6u},
                                             {0x8825, kEXIFLong, 1, 8},
                                             {0x0110, kEXIFAscii, 2, 0, QByteArray("M\0", 2)}},
                                            0));
        EXPECT_EQ(value(self, "0-112"), QStringLiteral("right - top"));
        EXPECT_TRUE(value(self, "0-110").isNull());
    }
}

TEST_F(EXIFReaderTest, HeadersThatAreNotExifGiveNothing) {
    const QByteArray good = app1(false, {kOrientation}, 0);
    QByteArray notExif = good;
    notExif[0] = 'e';
    QByteArray order = good;
    order[6] = 'I';
    order[7] = 'M';
    QByteArray magic = good;
    magic[8] = 43;
    for (const QByteArray& bytes : {notExif, order, magic, good.left(13)})
        EXPECT_FALSE(
            EXIFParseAPP1(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size())
                .isValid());
    EXPECT_FALSE(EXIFParseAPP1(nullptr, 100).isValid());
    EXPECT_TRUE(
        EXIFParseAPP1(reinterpret_cast<const uint8_t*>(good.constData()), good.size()).isValid());
}

QVariant scan(const QByteArray& jpeg) {
    QByteArray bytes = jpeg;
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    return EXIFReadJPEGStream(stream);
}

QByteArray segment(uint8_t marker, const QByteArray& payload) {
    Bytes b(true);
    b.u8(0xFF).u8(marker).u16(uint16_t(payload.size() + 2)).text(payload);
    return b.data();
}

TEST_F(EXIFReaderTest, TheScanTakesOnlyAnExifAPP1AfterAPP0Segments) {
    const QByteArray soi("\xFF\xD8", 2);
    const QByteArray exif = segment(0xE1, app1(true, {{0x0112, kEXIFShort, 1, 0x00060000}}, 0));
    const QByteArray jfif = segment(0xE0, QByteArray("JFIF\0\1\1", 7));
    EXPECT_TRUE(scan(soi + exif).isValid());
    EXPECT_TRUE(scan(soi + jfif + jfif + exif).isValid());
    EXPECT_FALSE(scan(soi + segment(0xFE, "comment") + exif).isValid());
    EXPECT_FALSE(scan(soi + segment(0xE1, "http://ns.adobe.com/xap/1.0/\0") + exif).isValid());
    EXPECT_FALSE(scan(soi + exif.left(exif.size() - 1)).isValid());
    EXPECT_FALSE(scan(QByteArray()).isValid());
    // A length below its own two bytes would step backwards or read a negative size.
    for (const char* length : {"\x00\x00", "\x00\x01"}) {
        EXPECT_FALSE(
            scan(soi + QByteArray("\xFF\xE0", 2) + QByteArray(length, 2) + exif).isValid());
        EXPECT_FALSE(
            scan(soi + QByteArray("\xFF\xE1", 2) + QByteArray(length, 2) + exif).isValid());
    }
}

// ---- files written by exiv2 ------------------------------------------------------

TEST_F(EXIFReaderTest, BothByteOrdersGiveIdenticalDictionaries) {
    const QImage thumbnail = solidImage(8, 6, Qt::blue);
    const QVariantMap little =
        EXIFReadJPEGFile(jpeg(QStringLiteral("ii.jpg"), false, thumbnail)).toMap();
    const QVariantMap big =
        EXIFReadJPEGFile(jpeg(QStringLiteral("mm.jpg"), true, thumbnail)).toMap();
    ASSERT_FALSE(little.isEmpty());
    EXPECT_EQ(little, big);
    EXPECT_EQ(QStringList(little.keys()), (QStringList{"0", "1", "EXIF", "Interoperability"}));
    const struct {
        const char* key;
        const char* text;
    } expected[] = {
        {"0-10F", "Lumisk Test Camera"},
        {"0-112", "right - top"},
        {"0-8298", "A (Photographer) - [None] (Editor)"},
        {"EXIF-829A", "0 sec. (1/125 sec.)"},
        {"EXIF-829D", "f/2.8"},
        {"EXIF-9000", "Exif Version 2.2"},
        {"EXIF-9101", "Y Cb Cr -"},
        {"EXIF-9201", "7.00 APEX  (1/128 sec.)"},
        {"EXIF-9204", "-0.7 APEX"},
        {"EXIF-9209", "Flash did not fire, compulsory flash mode."},
        {"EXIF-9214", "Within rectangle (width 30, height 40) around (x,y) = (100,200)"},
        {"EXIF-A000", "FlashPix Format Version 1.0"},
        {"EXIF-A300", "DSC"},
        {"EXIF-A301", "A directly photographed image"},
        {"Interoperability-1", "R98"},
        {"Interoperability-2", "Interoperability Version 1.0"},
        {"1-103", "JPEG compression"}};
    for (const auto& e : expected)
        EXPECT_EQ(value(little, e.key), QString::fromUtf8(e.text)) << e.key;
    const QVariantMap entry =
        little.value(QStringLiteral("EXIF")).toMap().value(QStringLiteral("829A")).toMap();
    EXPECT_EQ(entry.value(QLatin1String(kEXIFTagNameKey)).toString(),
              QStringLiteral("Exposure Time"));
    EXPECT_EQ(entry.value(QLatin1String(kEXIFFieldNameKey)).toString(),
              QStringLiteral("ExposureTime"));
}

TEST_F(EXIFReaderTest, GPSEntriesLandInGroupZeroUnderTheirOwnNumbers) {
    LogCapture log;
    const QVariantMap exif = EXIFReadJPEGFile(jpeg(QStringLiteral("gps.jpg"), false)).toMap();
    const QVariantMap latitude =
        exif.value(QStringLiteral("0")).toMap().value(QStringLiteral("2")).toMap();
    // Tag 2 is the interoperability version's number, so the latitude is no version.
    EXPECT_EQ(latitude.value(QLatin1String(kEXIFValueKey)).toString(), QString());
    EXPECT_EQ(latitude.value(QLatin1String(kEXIFDataTypeKey)).toInt(), int(kEXIFRational));
    EXPECT_EQ(latitude.value(QLatin1String(kEXIFDataCountKey)).toLongLong(), 3);
    EXPECT_TRUE(log.lines().contains(QStringLiteral("Invalid format '5', expected '7'.")));
    EXPECT_EQ(value(exif, "0-1"), QStringLiteral("N"));
    EXPECT_EQ(value(exif, "0-0"), QStringLiteral("0x02, 0x02, 0x00, 0x00"));
    EXPECT_EQ(value(exif, "0-4"), QStringLiteral("8/1, 15/1, 30/1"));
}

TEST_F(EXIFReaderTest, ThumbnailLocationAndPointerTagsAreNeverStored) {
    const QVariantMap exif =
        EXIFReadJPEGFile(jpeg(QStringLiteral("t.jpg"), true, solidImage(8, 6, Qt::red))).toMap();
    ASSERT_TRUE(exif.contains(QStringLiteral("1")));
    for (auto group = exif.cbegin(); group != exif.cend(); ++group)
        for (const char* tag : {"201", "202", "8769", "8825", "A005"})
            EXPECT_FALSE(group.value().toMap().contains(QLatin1String(tag)))
                << qPrintable(group.key()) << " " << tag;
}

TEST_F(EXIFReaderTest, EveryTagExiv2ReadsIsThereWithItsTypeAndCount) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        const QString path = jpeg(QStringLiteral("all.jpg"), big, solidImage(8, 6, Qt::red));
        const QVariantMap exif = EXIFReadJPEGFile(path).toMap();
        const std::vector<ExifReadBack> tags = readExifTags(path);
        ASSERT_GT(tags.size(), sampleExifTags().size());
        const QHash<QString, QString> groups = {{"Image", "0"},
                                                {"GPSInfo", "0"},
                                                {"Photo", "EXIF"},
                                                {"Iop", "Interoperability"},
                                                {"Thumbnail", "1"}};
        for (const ExifReadBack& tag : tags) {
            if (tag.tag == 0x8769 || tag.tag == 0x8825 || tag.tag == 0xA005 || tag.tag == 0x0201 ||
                tag.tag == 0x0202)
                continue;
            SCOPED_TRACE(qPrintable(tag.group + QLatin1Char(' ') + QString::number(tag.tag, 16)));
            ASSERT_TRUE(groups.contains(tag.group));
            const QVariantMap entry = exif.value(groups.value(tag.group))
                                          .toMap()
                                          .value(QString::number(tag.tag, 16).toUpper())
                                          .toMap();
            ASSERT_FALSE(entry.isEmpty());
            EXPECT_EQ(entry.value(QLatin1String(kEXIFDataTypeKey)).toInt(), tag.type);
            EXPECT_EQ(entry.value(QLatin1String(kEXIFDataCountKey)).toLongLong(), tag.count);
        }
    }
}

TEST_F(EXIFReaderTest, AnotherMarkerBeforeAPP1GivesOnlyTheFileGroupAsAPNGDoes) {
    QFile file(jpeg(QStringLiteral("c.jpg"), false));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes.insert(2, segment(0xFE, "a comment"));
    file.resize(0);
    file.write(bytes);
    file.close();
    EXPECT_EQ(QStringList(EXIFDictionaryForFile(file.fileName()).toMap().keys()),
              QStringList{QStringLiteral("File")});
    const QString png =
        writeImage(dir.filePath(QStringLiteral("p.png")), solidImage(4, 4, Qt::red), "png");
    EXPECT_EQ(QStringList(EXIFDictionaryForFile(png).toMap().keys()),
              QStringList{QStringLiteral("File")});
    EXPECT_FALSE(EXIFDictionaryForFile(dir.filePath(QStringLiteral("missing.jpg"))).isValid());
    EXPECT_FALSE(EXIFDictionaryForFile(QString()).isValid());
}

TEST_F(EXIFReaderTest, KeysNameOneGroupAndOneTag) {
    const QVariantMap exif = EXIFReadJPEGFile(jpeg(QStringLiteral("k.jpg"), false)).toMap();
    const struct {
        const char* key;
        const char* text; // null: no value
    } cases[] = {{"EXIF-829A", "0 sec. (1/125 sec.)"},
                 {"0-112", "right - top"},
                 {"EXIF-829A-1", nullptr},
                 {"EXIF", nullptr},
                 {"EXIF-829a", nullptr},
                 {"EXIF-", nullptr},
                 {"-829A", nullptr},
                 {"Nothing-829A", nullptr},
                 {"EXIF-FFFF", nullptr},
                 {"", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const QString text = value(exif, c.key);
        if (c.text) {
            EXPECT_EQ(text, QString::fromUtf8(c.text));
        } else {
            EXPECT_TRUE(text.isNull());
        }
    }
    EXPECT_TRUE(EXIFValueForKey(QStringLiteral("EXIF-829A"), QVariantMap()).isNull());
}

TEST_F(EXIFReaderTest, TheFileGroupDescribesTheFile) {
    const QString path = jpeg(QStringLiteral("Beach Day.jpg"), false);
    ASSERT_TRUE(UTSetFinderCommentInFile(path, QStringLiteral("sunny")));
    const QVariantMap file =
        EXIFDictionaryForFile(path).toMap().value(QStringLiteral("File")).toMap();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const struct {
        const char* tag;
        QString text;
    } cases[] = {{"F001", QStringLiteral("Beach Day.jpg")},
                 {"F002", QStringLiteral("Beach Day.jpg")},
                 {"F003", QStringLiteral("jpg")},
                 {"F005", QStringLiteral("''")},
                 {"F006", FileDisplay::kindAtPath(path)},
                 {"F007", canonical},
                 {"F00A", testHost.fileSizeString(QFileInfo(path).size())},
                 {"F00B", QStringLiteral("sunny")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        const QVariantMap entry = file.value(QLatin1String(c.tag)).toMap();
        EXPECT_EQ(entry.value(QLatin1String(kEXIFValueKey)).toString(), c.text);
        EXPECT_EQ(entry.value(QLatin1String(kEXIFDataTypeKey)).toInt(), 2);
        EXPECT_EQ(entry.value(QLatin1String(kEXIFDataCountKey)).toInt(), 1);
    }
    EXPECT_FALSE(FileDisplay::kindAtPath(path).isEmpty());
    const QRegularExpression dateForm(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d [+-]\\d{4}$"));
    const QString modified =
        file.value(QStringLiteral("F008")).toMap().value(QLatin1String(kEXIFValueKey)).toString();
    EXPECT_TRUE(dateForm.match(modified).hasMatch()) << qPrintable(modified);
    EXPECT_TRUE(file.contains(QStringLiteral("F004")));
    EXPECT_EQ(file.value(QStringLiteral("F001")).toMap().value(QLatin1String(kEXIFTagNameKey)),
              QStringLiteral("File Name"));
}

TEST_F(EXIFReaderTest, AMissingNameTableGivesFallbackNamesAndIsLookedForAgain) {
    QTemporaryDir share;
    ASSERT_TRUE(share.isValid());
    Resources::setSharePathForTesting(share.path());
    EXPECT_EQ(EXIFTagName(kEXIFIFDExif, 0x829A), QStringLiteral("Unknown name for tag '829A'"));
    EXPECT_EQ(EXIFFieldName(kEXIFIFDExif, 0x829A),
              QStringLiteral("UnknownFieldName for tag '829A'"));

    QVariantMap tag;
    tag.insert(QStringLiteral("TagName"), QStringLiteral("Shutter open"));
    tag.insert(QStringLiteral("FieldName"), QStringLiteral("Open"));
    QVariantMap group;
    group.insert(QStringLiteral("829A"), tag);
    QVariantMap table;
    table.insert(QStringLiteral("EXIF"), group);
    ASSERT_TRUE(PropertyList::writeToFile(
        table, QDir(share.path()).filePath(QLatin1String(kEXIFNameTableName))));
    EXPECT_EQ(EXIFTagName(kEXIFIFDExif, 0x829A), QStringLiteral("Shutter open"));
    EXPECT_EQ(EXIFFieldName(kEXIFIFDExif, 0x829A), QStringLiteral("Open"));
    EXPECT_EQ(EXIFTagName(kEXIFIFDExif, 0x829D), QStringLiteral("Unknown name for tag '829D'"));
    EXPECT_EQ(EXIFTagName(kEXIFIFDGPS, 0x829A), QStringLiteral("Unknown name for tag '829A'"));
}

TEST_F(EXIFReaderTest, DirectoryIndexesNameTheirGroups) {
    const QStringList names = {"0", "1", "EXIF", "0", "Interoperability", "File"};
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(EXIFNameForIFD(i), names[i]);
    EXPECT_EQ(EXIFNameForIFD(26), QStringLiteral("Unknown name for IFD '1A'"));
}

// ---- the catalog ---------------------------------------------------------------

class EXIFCatalogTest : public CatalogFixture {};

TEST_F(EXIFCatalogTest, PhotoPropertyTextsComeFromThePhotosFile) {
    const QString path =
        writeImage(dir.filePath(QStringLiteral("e.jpg")), solidImage(32, 24, Qt::gray), "jpeg");
    ASSERT_TRUE(writeExifTags(path, sampleExifTags(), true));
    ASSERT_TRUE(catalog().addFileEntry(path));
    ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("plain.png"))));
    drainEvents();

    EXPECT_EQ(catalog().getEXIFValueForTagAtIndex(QStringLiteral("EXIF-829A"), 0),
              QStringLiteral("0 sec. (1/125 sec.)"));
    EXPECT_EQ(catalog().getEXIFValueForTagAtIndex(QStringLiteral("File-F001"), 0),
              QStringLiteral("e.jpg"));
    EXPECT_EQ(catalog().getEXIFValueForTagAtIndex(QStringLiteral("EXIF-829A-1"), 0), QString(""));
    EXPECT_EQ(catalog().getEXIFValueForTagAtIndex(QStringLiteral("EXIF-829A"), 1), QString(""));
    EXPECT_EQ(catalog().getEXIFValueForTagAtIndex(QStringLiteral("File-F001"), 1),
              QStringLiteral("plain.png"));

    // Read once and kept with the entry, so a changed file is not read again.
    const QVariant kept = catalog().getFileAttributeAtIndex(kCatalogAttrEXIF, 0);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEXIF, 0), kept);
}

} // namespace
