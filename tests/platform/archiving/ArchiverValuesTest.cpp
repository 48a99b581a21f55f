#include "platform/archiving/ArchiveFormat.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <zstd.h>

namespace {

void saveSeed(const QString& name, const QByteArray& archive) {
    const QByteArray dir = qgetenv("LUMISK_FUZZ_SEED_DIR");
    if (dir.isEmpty() || archive.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    QFile file(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(archive);
}

template <class T> T roundTrip(const T& value, const QString& seedName) {
    QString error;
    const QByteArray data = Archiver::archivedValue(value, &error);
    EXPECT_FALSE(data.isNull()) << qPrintable(error);
    saveSeed(seedName, data);
    const std::optional<T> back = Unarchiver::unarchiveValue<T>(data, &error);
    EXPECT_TRUE(back.has_value()) << qPrintable(error);
    return back.value_or(T());
}

QImage testPixels(QImage::Format format, int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 37 % 256, y * 91 % 256, (x ^ y) % 256, 255 - x));
    return image.convertToFormat(format);
}

TEST(ArchiverValuesTest, ColorsKeepSpaceComponentsAndAlpha) {
    const Color cases[] = {
        Color::calibratedRGB(0.1f, 0.2f, 0.3f, 0.4f),
        Color::deviceRGB(1, 0, 0.5f),
        Color::calibratedWhite(0.5f, 0.75f),
        Color::deviceWhite(1),
        Color::deviceCMYK(0.1f, 0.2f, 0.3f, 0.4f, 0.9f),
        Color::clearColor(),
    };
    int i = 0;
    for (const Color& c : cases) {
        const Color back = roundTrip(c, QStringLiteral("color-%1").arg(i++));
        EXPECT_EQ(back, c);
        EXPECT_EQ(back.colorSpace(), c.colorSpace());
    }
    // As part of a dictionary, the way page objects keep them.
    const QVariantMap dict{{QStringLiteral("stroke_color"), QVariant::fromValue(cases[0])}};
    const QByteArray data = Archiver::archivedData(dict);
    saveSeed(QStringLiteral("color-in-dictionary"), data);
    EXPECT_EQ(Unarchiver::unarchiveObject(data)
                  .toMap()
                  .value(QStringLiteral("stroke_color"))
                  .value<Color>(),
              cases[0]);
}

TEST(ArchiverValuesTest, ColorsConvertToAndFromQColor) {
    EXPECT_EQ(Color::calibratedWhite(1, 0.5f).toQColor(), QColor::fromRgbF(1, 1, 1, 0.5f));
    EXPECT_EQ(Color::calibratedRGB(1, 0, 0).toQColor(), QColor(Qt::red));
    const QColor cmyk = Color::deviceCMYK(0, 1, 1, 0).toQColor();
    EXPECT_EQ(cmyk.spec(), QColor::Cmyk);
    EXPECT_EQ(cmyk.toRgb(), QColor(Qt::red));
    EXPECT_EQ(Color::fromQColor(cmyk).colorSpace(), Color::Space::DeviceCMYK);
    EXPECT_EQ(Color::deviceCMYK(0, 0, 0, 1).redComponent(), 0.0f);
    const Color fromQt = Color::fromQColor(QColor(0, 128, 255, 64));
    EXPECT_EQ(fromQt.colorSpace(), Color::Space::CalibratedRGB);
    EXPECT_EQ(fromQt.toQColor(), QColor(0, 128, 255, 64));
    // Components are clamped like the platform's.
    EXPECT_EQ(Color::calibratedRGB(2, -1, std::nanf(""), 5), Color::calibratedRGB(1, 0, 0, 1));
}

TEST(ArchiverValuesTest, ImagesKeepPixelsSizeFlipAndProfile) {
    struct Case {
        const char* name;
        QImage::Format format;
        int w, h;
    };
    const Case cases[] = {
        {"argb32", QImage::Format_ARGB32, 17, 9},
        {"rgb32", QImage::Format_RGB32, 3, 40},
        {"premultiplied", QImage::Format_ARGB32_Premultiplied, 5, 5},
        {"rgb888", QImage::Format_RGB888, 7, 3},
        {"gray8", QImage::Format_Grayscale8, 9, 2},
        {"gray16", QImage::Format_Grayscale16, 4, 4},
        {"rgba64", QImage::Format_RGBA64, 3, 3},
        {"one-pixel", QImage::Format_ARGB32, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image image(testPixels(c.format, c.w, c.h), Size{c.w * 0.24f, c.h * 0.24f});
        image.setFlipped(true);
        image.setIccProfile(QByteArray("profile bytes"));
        const Image back = roundTrip(image, QStringLiteral("image-%1").arg(c.name));
        EXPECT_EQ(back.pixels().format(), c.format);
        EXPECT_EQ(back, image);
    }
    // Formats without an archive form of their own keep every colour.
    QImage indexed = testPixels(QImage::Format_RGB32, 8, 8)
                         .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const Image back = roundTrip(Image(indexed), QStringLiteral("image-indexed"));
    ASSERT_EQ(back.pixelSize(), indexed.size());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(back.pixels().pixel(x, y), indexed.pixel(x, y));
    // No picture at all.
    EXPECT_TRUE(roundTrip(Image(), QStringLiteral("image-null")).isNull());
}

TEST(ArchiverValuesTest, LargeUniformImageStaysSmallAndRoundTrips) {
    QImage pixels(1000, 1000, QImage::Format_RGB32);
    pixels.fill(Qt::white);
    const Image image(pixels, Size{240, 240});
    const QByteArray data = Archiver::archivedValue(image);
    EXPECT_LT(data.size(), 20000);
    EXPECT_EQ(Unarchiver::unarchiveValue<Image>(data), image);
}

TEST(ArchiverValuesTest, ShadowsFontsAndDates) {
    ShadowValue shadow;
    shadow.offset = {3.535534f, -3.535534f};
    shadow.blurRadius = 6;
    shadow.color = QColor::fromRgbF(0, 0, 0, 0.75f);
    EXPECT_EQ(roundTrip(shadow, QStringLiteral("shadow")), shadow);
    EXPECT_EQ(roundTrip(ShadowValue(), QStringLiteral("shadow-default")), ShadowValue());

    const Font font(QStringLiteral("DejaVu Sans"), 14.5f, QFont::Bold, true);
    const Font fontBack = roundTrip(font, QStringLiteral("font"));
    EXPECT_EQ(fontBack, font);
    EXPECT_TRUE(fontBack.isBold());
    const QFont qfont = fontBack.toQFont();
    EXPECT_EQ(qfont.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_DOUBLE_EQ(qfont.pointSizeF(), 14.5);
    EXPECT_TRUE(qfont.italic());
    EXPECT_EQ(qfont.weight(), QFont::Bold);
    EXPECT_EQ(Font::fromQFont(qfont), font);
    EXPECT_EQ(Font::systemFontOfSize(14).pointSize(), 14.0f);

    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
    const QByteArray data = Archiver::archivedData(date);
    saveSeed(QStringLiteral("date"), data);
    EXPECT_EQ(Unarchiver::unarchiveObject(data).toDateTime(), date);
}

TEST(ArchiverValuesTest, URLsKeepTheirText) {
    const QUrl url(QStringLiteral("http://127.0.0.1:8080/photos/a%20b.jpg?x=1#top"));
    EXPECT_EQ(roundTrip(url, QStringLiteral("url")), url);
    EXPECT_EQ(roundTrip(QUrl(), QStringLiteral("url-empty")), QUrl());
}

TEST(ArchiverValuesTest, PrintInfoRoundTripsAndConvertsToPageLayout) {
    PrintInfo info;
    EXPECT_EQ(info.paperSize(), (Size{612, 792}));
    info.setPaperName(QStringLiteral("A4"));
    info.setPaperSize({595, 842});
    info.setOrientation(PrintInfo::Orientation::Landscape);
    EXPECT_EQ(info.paperSize(), (Size{842, 595}));
    info.setLeftMargin(10);
    info.setRightMargin(20);
    info.setTopMargin(30);
    info.setBottomMargin(0);
    info.setScalingFactor(0.5f);
    info.setHorizontallyCentered(false);
    info.setPrintSettings({{QStringLiteral("copies"), 2}, {QStringLiteral("dpi"), 300.0}});
    const PrintInfo back = roundTrip(info, QStringLiteral("printinfo"));
    EXPECT_EQ(back, info);
    EXPECT_EQ(back.printSettings().value(QStringLiteral("copies")).typeId(), QMetaType::Int);

    const QPageLayout layout = info.toPageLayout();
    EXPECT_EQ(layout.orientation(), QPageLayout::Landscape);
    EXPECT_EQ(layout.fullRect(QPageLayout::Point).size(), QSizeF(842, 595));
    EXPECT_EQ(layout.margins(QPageLayout::Point), QMarginsF(10, 30, 20, 0));

    PrintInfo fromLayout = PrintInfo::fromPageLayout(layout);
    EXPECT_EQ(fromLayout.paperSize(), info.paperSize());
    EXPECT_EQ(fromLayout.orientation(), info.orientation());
    EXPECT_EQ(fromLayout.leftMargin(), 10.0f);
    EXPECT_EQ(fromLayout.topMargin(), 30.0f);
    EXPECT_EQ(fromLayout.paperName(), QStringLiteral("A4"));

    // A layout made by Qt's own page sizes.
    const PrintInfo letter = PrintInfo::fromPageLayout(QPageLayout(
        QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(72, 90, 72, 90)));
    EXPECT_EQ(letter.paperSize(), (Size{612, 792}));
    EXPECT_EQ(letter.bottomMargin(), 90.0f);
}

TEST(ArchiverValuesTest, BezierPathsKeepElementsAndLineSettings) {
    BezierPath path =
        BezierPath::bezierPathWithRoundedRectXRadiusYRadius(Rect(0, 0, 100, 50), 10, 5);
    path.appendBezierPathWithOvalInRect(Rect(10, 10, 20, 30));
    path.moveToPoint({1, 2});
    path.lineToPoint({3, 4});
    path.closePath();
    path.lineToPoint({5, 6}); // starts a new subpath at the closed one's start
    path.setLineWidth(2.5f);
    path.setWindingRule(WindingRule::EvenOdd);
    path.setLineCapStyle(LineCapStyle::Round);
    path.setLineJoinStyle(LineJoinStyle::Bevel);
    path.setMiterLimit(4);
    const float dash[] = {2, 2, 5};
    path.setLineDashCountPhase(dash, 3, 1);
    const BezierPath back = roundTrip(path, QStringLiteral("bezierpath"));
    EXPECT_EQ(back, path);
    EXPECT_EQ(back.toQPainterPath(), path.toQPainterPath());
    EXPECT_EQ(roundTrip(BezierPath(), QStringLiteral("bezierpath-empty")), BezierPath());
}

TextStorage sampleText() {
    TextAttributes heading;
    heading.font = Font(QStringLiteral("DejaVu Serif"), 24, QFont::Bold);
    heading.foregroundColor = Color::calibratedRGB(0.2f, 0.4f, 0.6f);
    heading.paragraphStyle = ParagraphStyle{ParagraphStyle::Center, 0, 1.5f, 0};
    TextAttributes body;
    body.font = Font(QStringLiteral("DejaVu Sans"), 12, QFont::Normal, true);
    body.paragraphStyle = ParagraphStyle{ParagraphStyle::Right, 2, 0, 0};
    body.kern = 1.5f;
    body.baselineOffset = -2;
    ShadowValue shadow;
    shadow.blurRadius = 4;
    body.shadow = shadow;
    TextStorage text(QStringLiteral("Title\nBody text"), body);
    text.setAttributes(0, 6, heading);
    return text;
}

TEST(ArchiverValuesTest, TextStorageKeepsCharactersAndRuns) {
    const TextStorage text = sampleText();
    ASSERT_EQ(text.runs().size(), 2u);
    EXPECT_EQ(roundTrip(text, QStringLiteral("text")), text);
    EXPECT_EQ(roundTrip(TextStorage(), QStringLiteral("text-empty")), TextStorage());

    // Editing: new characters take the attributes of the first replaced one.
    TextStorage edited = text;
    edited.replaceCharacters(6, 4, QStringLiteral("Plain"));
    EXPECT_EQ(edited.string(), QStringLiteral("Title\nPlain text"));
    EXPECT_EQ(edited.attributesAtIndex(8), text.attributesAtIndex(8));
    edited.setString(QStringLiteral("All new"));
    EXPECT_EQ(edited.runs().size(), 1u);
    EXPECT_EQ(edited.attributesAtIndex(0), text.attributesAtIndex(0));
    edited.modifyAttributes(0, 3, [](TextAttributes& a) { a.kern = 2; });
    EXPECT_EQ(edited.runs().size(), 2u);
    EXPECT_EQ(edited.attributesAtIndex(2).kern, 2.0f);
    EXPECT_FALSE(edited.attributesAtIndex(3).kern);
    edited.modifyAttributes(0, edited.length(), [](TextAttributes& a) { a.kern.reset(); });
    EXPECT_EQ(edited.runs().size(), 1u);
    EXPECT_FALSE(TextStorage::fromRuns(QStringLiteral("abc"), {{2, {}}}).has_value());
}

TEST(ArchiverValuesTest, TextStorageConvertsToAndFromTextDocument) {
    const TextStorage text = sampleText();
    auto document = text.toTextDocument();
    EXPECT_EQ(document->toPlainText(), text.string());
    EXPECT_EQ(document->blockCount(), 2);
    const QTextBlock title = document->begin();
    EXPECT_EQ(title.blockFormat().alignment(), Qt::AlignHCenter);
    const QTextCharFormat titleFormat = title.begin().fragment().charFormat();
    EXPECT_EQ(titleFormat.fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(titleFormat.fontPointSize(), 24);
    EXPECT_EQ(titleFormat.foreground().color(), Color::calibratedRGB(0.2f, 0.4f, 0.6f).toQColor());
    const QTextBlock body = title.next();
    EXPECT_EQ(body.blockFormat().alignment(), Qt::AlignRight | Qt::AlignAbsolute);
    EXPECT_DOUBLE_EQ(body.begin().fragment().charFormat().fontLetterSpacing(), 1.5);

    EXPECT_EQ(TextStorage::fromTextDocument(*document), text);

    // A document edited in Qt comes back with Qt's values.
    QTextCursor cursor(document.get());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    cursor.insertText(QStringLiteral("!"), red);
    const TextStorage back = TextStorage::fromTextDocument(*document);
    EXPECT_EQ(back.string(), text.string() + QLatin1Char('!'));
    EXPECT_EQ(back.attributesAtIndex(back.length() - 1).foregroundColor,
              Color::calibratedRGB(1, 0, 0));
}

QByteArray u32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray valueArchive(const char* className, const QByteArray& body) {
    using namespace archive_format;
    const QByteArray name(className);
    return QByteArray(kMagic, 4) + u32(kVersion) + char(kValueObject) + u32(kNewClass) +
           u32(quint32(name.size())) + name + QByteArray(4, '\0') + body + char(kObjectEnd);
}

QByteArray i32(qint32 v) {
    return char(archive_format::kInt32) + u32(quint32(v));
}
QByteArray f32(float f) {
    quint32 bits;
    std::memcpy(&bits, &f, 4);
    return char(archive_format::kFloat) + u32(bits);
}
QByteArray str(const QByteArray& s) {
    return char(archive_format::kString) + u32(quint32(s.size())) + s;
}
QByteArray dat(const QByteArray& s) {
    return char(archive_format::kData) + u32(quint32(s.size())) + s;
}
QByteArray flag(bool b) {
    return QByteArray(1, char(archive_format::kBool)) + char(b ? 1 : 0);
}
QByteArray size(float w, float h) {
    QByteArray b(1, char(archive_format::kSize));
    return b + f32(w).mid(1) + f32(h).mid(1);
}

QByteArray pt(float x, float y) {
    QByteArray b(1, char(archive_format::kPoint));
    return b + f32(x).mid(1) + f32(y).mid(1);
}

TEST(ArchiverValuesTest, DamagedValuesGiveNil) {
    const float nan = std::nanf("");
    // 1 x 1 pixel claims that need far more pixels than the data could inflate to.
    const QByteArray tiny = qCompress(QByteArray(4, '\0')).mid(4);
    struct Case {
        const char* name;
        QByteArray data;
    };
    const Case cases[] = {
        {"unknown colour space", valueArchive("Color", i32(9) + f32(0) + f32(1))},
        {"colour NaN", valueArchive("Color", i32(2) + f32(nan) + f32(1))},
        {"colour missing alpha", valueArchive("Color", i32(0) + f32(0) + f32(0) + f32(0))},
        {"font size zero", valueArchive("Font", str("A") + f32(0) + i32(400) + flag(false))},
        {"font weight", valueArchive("Font", str("A") + f32(12) + i32(5000) + flag(false))},
        {"shadow blur negative",
         valueArchive("ShadowValue", size(1, 1) + f32(-1) + i32(2) + f32(0) + f32(1))},
        {"image huge claim",
         valueArchive("Image", i32(65536) + i32(65536) + i32(QImage::Format_ARGB32) + size(1, 1) +
                                   flag(false) + dat("") + dat(tiny))},
        {"image bad format",
         valueArchive("Image", i32(1) + i32(1) + i32(QImage::Format_Indexed8) + size(1, 1) +
                                   flag(false) + dat("") + dat(tiny))},
        {"image short pixels",
         valueArchive("Image", i32(2) + i32(1) + i32(QImage::Format_ARGB32) + size(1, 1) +
                                   flag(false) + dat("") + dat(tiny))},
        {"image extra pixels",
         valueArchive("Image", i32(1) + i32(1) + i32(QImage::Format_Grayscale8) + size(1, 1) +
                                   flag(false) + dat("") + dat(tiny))},
        {"image garbage pixels",
         valueArchive("Image", i32(1) + i32(1) + i32(QImage::Format_ARGB32) + size(1, 1) +
                                   flag(false) + dat("") + dat("garbage"))},
        {"print info orientation", valueArchive("PrintInfo", str("A4") + size(1, 1) + i32(7))},
        {"text runs past the end",
         valueArchive("TextStorage", str("ab") + i32(1) + i32(3) + i32(0))},
        {"text run count too large",
         valueArchive("TextStorage", str("ab") + i32(0x7fffffff) + i32(3) + i32(0))},
        {"path line without current point",
         valueArchive("BezierPath", i32(0) + f32(1) + i32(0) + i32(0) + f32(10) + f32(0.6f) +
                                        i32(0) + f32(0) + i32(1) + i32(1) + pt(1, 1))},
        {"path unknown element",
         valueArchive("BezierPath", i32(0) + f32(1) + i32(0) + i32(0) + f32(10) + f32(0.6f) +
                                        i32(0) + f32(0) + i32(1) + i32(4) + pt(1, 1))},
        {"path NaN point",
         valueArchive("BezierPath", i32(0) + f32(1) + i32(0) + i32(0) + f32(10) + f32(0.6f) +
                                        i32(0) + f32(0) + i32(1) + i32(0) + pt(nan, 1))},
        {"path negative width",
         valueArchive("BezierPath", i32(0) + f32(-1) + i32(0) + i32(0) + f32(10) + f32(0.6f) +
                                        i32(0) + f32(0) + i32(0))},
        {"text unknown attribute",
         valueArchive("TextStorage", str("ab") + i32(1) + i32(2) + i32(64))},
        {"url not a url", valueArchive("URL", str("http://a b/%zz"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(Unarchiver::unarchiveObject(c.data, &error).isValid());
        EXPECT_FALSE(error.isEmpty());
    }
    // The same builders make sound archives, so the cases above fail for their damage.
    EXPECT_TRUE(
        Unarchiver::unarchiveValue<Color>(valueArchive("Color", i32(2) + f32(0.5f) + f32(1)))
            .has_value());
    EXPECT_TRUE(Unarchiver::unarchiveValue<BezierPath>(
                    valueArchive("BezierPath", i32(0) + f32(1) + i32(0) + i32(0) + f32(10) +
                                                   f32(0.6f) + i32(0) + f32(0) + i32(2) + i32(0) +
                                                   pt(1, 1) + i32(1) + pt(2, 2)))
                    .has_value());
    EXPECT_TRUE(Unarchiver::unarchiveValue<Image>(
                    valueArchive("Image", i32(1) + i32(1) + i32(QImage::Format_ARGB32) +
                                              size(1, 1) + flag(false) + dat("") + dat(tiny)))
                    .has_value());
}

} // namespace

namespace {

// Gradients with noise, as in a photo; random, so rows differ from each other.
QImage photoLike(QImage::Format format, int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int grain = int(random() % 17) - 8;
            image.setPixel(x, y,
                           qRgba(std::clamp(x * 255 / w + grain, 0, 255),
                                 std::clamp(y * 255 / h + grain, 0, 255),
                                 std::clamp((x + y) * 255 / (w + h) - grain, 0, 255),
                                 std::clamp(255 - x % 7 + grain, 0, 255)));
        }
    return image.convertToFormat(format);
}

// The bytes of the rows, each width x bytes per pixel, without padding.
QByteArray rowBytes(const QImage& image, int bytesPerPixel) {
    QByteArray bytes;
    for (int y = 0; y < image.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(image.constScanLine(y)),
                     qsizetype(image.width()) * bytesPerPixel);
    return bytes;
}

QByteArray zstdFrame(const QByteArray& bytes) {
    QByteArray frame(qsizetype(ZSTD_compressBound(size_t(bytes.size()))), '\0');
    const size_t size = ZSTD_compress(frame.data(), size_t(frame.size()), bytes.constData(),
                                      size_t(bytes.size()), 1);
    frame.truncate(qsizetype(size));
    return frame;
}

// An archive of one value whose class is named with the given version.
QByteArray versionedArchive(const char* className, quint32 version, const QByteArray& body) {
    QByteArray archive = valueArchive(className, body);
    const qsizetype at = archive.indexOf(className) + qsizetype(std::strlen(className));
    archive.replace(at, 4, u32(version));
    return archive;
}

// The version the archive gives the class, read from its bytes.
qint32 archivedClassVersion(const QByteArray& archive, const char* className) {
    const qsizetype at = archive.indexOf(className) + qsizetype(std::strlen(className));
    return qFromLittleEndian<qint32>(archive.constData() + at);
}

} // namespace

TEST(ArchiverValuesTest, ImagesAreWrittenInBandsAndReadBackEqual) {
    struct Case {
        const char* name;
        QImage::Format format;
        int w, h;
    };
    // Pictures of several bands, one with rows padded in memory (3 bytes a pixel).
    const Case cases[] = {
        {"argb32", QImage::Format_ARGB32, 1100, 1000},
        {"rgb888 padded", QImage::Format_RGB888, 1365, 1100},
        {"rgba64", QImage::Format_RGBA64, 700, 800},
        {"one column", QImage::Format_Grayscale8, 1, 9},
    };
    unsigned seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image image(photoLike(c.format, c.w, c.h, seed++), Size{100, 100});
        image.setFlipped(true);
        image.setIccProfile(QByteArray("profile"));
        const QByteArray data = Archiver::archivedValue(image);
        EXPECT_EQ(archivedClassVersion(data, "Image"), 1);
        const std::optional<Image> back = Unarchiver::unarchiveValue<Image>(data);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->pixels().format(), c.format);
        EXPECT_EQ(back->pixels(), image.pixels());
        EXPECT_EQ(*back, image);
    }
}

TEST(ArchiverValuesTest, ImagesWrittenInTheFirstFormStillOpen) {
    const QImage pixels = photoLike(QImage::Format_ARGB32, 31, 17, 5);
    const QByteArray deflated = qCompress(rowBytes(pixels, 4)).mid(4);
    const QByteArray body = i32(31) + i32(17) + i32(QImage::Format_ARGB32) + size(7.5f, 4) +
                            flag(true) + dat("icc") + dat(deflated);
    const std::optional<Image> back =
        Unarchiver::unarchiveValue<Image>(versionedArchive("Image", 0, body));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->pixels(), pixels);
    EXPECT_EQ(back->size(), (Size{7.5f, 4}));
    EXPECT_TRUE(back->isFlipped());
    EXPECT_EQ(back->iccProfile(), QByteArray("icc"));
    // A null picture of the first form.
    const std::optional<Image> empty = Unarchiver::unarchiveValue<Image>(versionedArchive(
        "Image", 0, i32(0) + i32(0) + i32(0) + size(0, 0) + flag(false) + dat("") + dat("")));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isNull());
}

TEST(ArchiverValuesTest, BandsPackNoLargerThanDeflate) {
    const QImage pixels = photoLike(QImage::Format_RGB32, 800, 600, 9);
    const QByteArray data = Archiver::archivedValue(Image(pixels));
    const QByteArray deflated = qCompress(rowBytes(pixels, 4)).mid(4);
    EXPECT_LT(data.size(), deflated.size());
}

TEST(ArchiverValuesTest, DamagedBandsGiveNil) {
    const QImage pixels = photoLike(QImage::Format_ARGB32, 6, 4, 3);
    const QByteArray rows = rowBytes(pixels, 4);
    // The sound form: bands of 2 rows, each row less the one above but the band's first.
    auto band = [&](int first) {
        QByteArray bytes = rows.mid(first * 24, 48);
        for (int i = 47; i >= 24; --i)
            bytes[i] = char(uchar(bytes[i]) - uchar(bytes[i - 24]));
        return bytes;
    };
    const QByteArray head =
        i32(6) + i32(4) + i32(QImage::Format_ARGB32) + size(6, 4) + flag(false) + dat("");
    const QByteArray band0 = zstdFrame(band(0)), band1 = zstdFrame(band(2));
    auto archive = [&](const QByteArray& bands, quint32 version = 1) {
        return versionedArchive("Image", version, head + bands);
    };
    const std::optional<Image> sound =
        Unarchiver::unarchiveValue<Image>(archive(i32(2) + i32(2) + dat(band0) + dat(band1)));
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->pixels(), pixels);

    struct Case {
        const char* name;
        QByteArray data;
    };
    const Case cases[] = {
        {"newer form", archive(i32(2) + i32(2) + dat(band0) + dat(band1), 2)},
        {"one band missing", archive(i32(2) + i32(1) + dat(band0))},
        {"one band too many", archive(i32(2) + i32(3) + dat(band0) + dat(band1) + dat(band1))},
        {"no rows per band", archive(i32(0) + i32(2) + dat(band0) + dat(band1))},
        {"more rows per band than rows", archive(i32(5) + i32(1) + dat(band0))},
        {"band of the wrong size",
         archive(i32(2) + i32(2) + dat(band0) + dat(zstdFrame(band(2).left(47))))},
        {"bytes after a band", archive(i32(2) + i32(2) + dat(band0) + dat(band1 + "x"))},
        {"two frames in a band",
         archive(i32(2) + i32(2) + dat(band0) +
                 dat(zstdFrame(band(2).left(24)) + zstdFrame(band(2).mid(24))))},
        {"garbage band", archive(i32(2) + i32(2) + dat(band0) + dat("garbage"))},
        {"large claim on a small band",
         versionedArchive("Image", 1,
                          i32(4096) + i32(4096) + i32(QImage::Format_ARGB32) + size(1, 1) +
                              flag(false) + dat("") + i32(4096) + i32(1) + dat(band0))},
        {"band count beyond the data", archive(i32(2) + i32(0x7fffffff) + dat(band0))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(Unarchiver::unarchiveObject(c.data, &error).isValid());
        EXPECT_FALSE(error.isEmpty());
    }
}
