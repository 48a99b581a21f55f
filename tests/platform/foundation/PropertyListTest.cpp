#include "platform/foundation/PropertyList.h"
#include "support/FullFileSystem.h"
#include "support/OddFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPointF>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

using PropertyList::Kind;
using PropertyList::kindOf;

namespace {

// Equal values of the same property-list kind, all the way down.
::testing::AssertionResult samePlist(const QVariant& a, const QVariant& b) {
    if (kindOf(a) != kindOf(b))
        return ::testing::AssertionFailure()
               << "kinds differ: " << a.typeName() << " vs " << b.typeName();
    switch (kindOf(a)) {
    case Kind::Dictionary: {
        const QVariantMap ma = a.toMap(), mb = b.toMap();
        if (ma.keys() != mb.keys())
            return ::testing::AssertionFailure() << "dictionary keys differ";
        for (auto it = ma.cbegin(); it != ma.cend(); ++it)
            if (auto r = samePlist(it.value(), mb.value(it.key())); !r)
                return r << " (key " << it.key().toStdString() << ")";
        return ::testing::AssertionSuccess();
    }
    case Kind::Array: {
        const QVariantList la = a.toList(), lb = b.toList();
        if (la.size() != lb.size())
            return ::testing::AssertionFailure() << "array sizes differ";
        for (qsizetype i = 0; i < la.size(); ++i)
            if (auto r = samePlist(la.at(i), lb.at(i)); !r)
                return r << " (index " << i << ")";
        return ::testing::AssertionSuccess();
    }
    case Kind::Integer: {
        const bool ua = a.typeId() == QMetaType::ULongLong, ub = b.typeId() == QMetaType::ULongLong;
        const bool same = ua || ub ? a.toULongLong() == b.toULongLong() && ua == ub
                                   : a.toLongLong() == b.toLongLong();
        return same ? ::testing::AssertionSuccess()
                    : ::testing::AssertionFailure()
                          << a.toString().toStdString() << " vs " << b.toString().toStdString();
    }
    case Kind::Real: {
        const double da = a.toDouble(), db = b.toDouble();
        const bool same = (std::isnan(da) && std::isnan(db)) || da == db;
        return same ? ::testing::AssertionSuccess()
                    : ::testing::AssertionFailure() << da << " vs " << db;
    }
    case Kind::Date:
        return a.toDateTime() == b.toDateTime()
                   ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure()
                         << a.toDateTime().toString(Qt::ISODateWithMs).toStdString() << " vs "
                         << b.toDateTime().toString(Qt::ISODateWithMs).toStdString();
    default:
        return a == b ? ::testing::AssertionSuccess()
                      : ::testing::AssertionFailure()
                            << a.toString().toStdString() << " vs " << b.toString().toStdString();
    }
}

QVariant roundTrip(const QVariant& value) {
    QString error;
    const QByteArray xml = PropertyList::toXml(value, &error);
    EXPECT_FALSE(xml.isEmpty()) << error.toStdString();
    const QVariant back = PropertyList::fromXml(xml, &error);
    EXPECT_TRUE(back.isValid()) << error.toStdString() << "\n" << xml.toStdString();
    return back;
}

QByteArray plist(const char* body) {
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">") +
           body + "</plist>\n";
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
}

QByteArray allBytes() {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

} // namespace

TEST(PropertyList, EveryKindRoundTrips) {
    const struct {
        const char* name;
        QVariant value;
    } cases[] = {
        {"string", QStringLiteral("hello")},
        {"empty string", QStringLiteral("")},
        {"unicode", QString::fromUtf8("Grüße — 日本語 😀")},
        {"markup characters", QStringLiteral("<a & b> ]]> \"q\" 'a' &amp;")},
        {"line endings", QStringLiteral("one\r\ntwo\rthree\nfour\tfive")},
        {"outer whitespace", QStringLiteral("  padded  \n")},
        {"zero", QVariant(qint64(0))},
        {"negative", QVariant(-1)},
        {"int64 min", QVariant(std::numeric_limits<qint64>::min())},
        {"int64 max", QVariant(std::numeric_limits<qint64>::max())},
        {"uint64 max", QVariant(std::numeric_limits<quint64>::max())},
        {"whole real", QVariant(3.0)},
        {"negative zero", QVariant(-0.0)},
        {"fraction", QVariant(0.1)},
        {"tiny", QVariant(-2.5e-300)},
        {"huge", QVariant(1.7976931348623157e308)},
        {"nan", QVariant(std::numeric_limits<double>::quiet_NaN())},
        {"infinity", QVariant(std::numeric_limits<double>::infinity())},
        {"minus infinity", QVariant(-std::numeric_limits<double>::infinity())},
        {"true", QVariant(true)},
        {"false", QVariant(false)},
        {"empty data", QVariant(QByteArray())},
        {"all bytes", QVariant(allBytes())},
        {"date", QVariant(utc(2006, 1, 2, 15, 4, 5))},
        {"early date", QVariant(utc(1, 1, 1, 0, 0, 0))},
        {"empty dict", QVariant(QVariantMap())},
        {"empty array", QVariant(QVariantList())},
        {"nested",
         QVariantMap{
             {QStringLiteral("name"), QStringLiteral("Vacation")},
             {QStringLiteral(""), QStringLiteral("empty key")},
             {QStringLiteral("a <&> key"), 7},
             {QStringLiteral("gridSpacing"), 12.0},
             {QStringLiteral("showGrid"), false},
             {QStringLiteral("objects"),
              QVariantList{
                  QVariantMap{{QStringLiteral("kind"), QStringLiteral("photo")},
                              {QStringLiteral("frame"), QStringLiteral("{{0, 0}, {10, 20}}")}},
                  QVariantList{QVariantList{}, QVariantMap{}, 1, 1.5, true,
                               QByteArray("\x00\x01", 2), utc(2020, 2, 29, 23, 59, 59)}}},
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(samePlist(c.value, roundTrip(c.value)));
    }
}

TEST(PropertyList, IntegerRealAndBooleanStayDistinct) {
    const QVariant back = roundTrip(QVariantList{3, 3.0, true, qint64(1), 1.0f, false, 0});
    const QVariantList list = back.toList();
    ASSERT_EQ(list.size(), 7);
    const QMetaType::Type expected[] = {QMetaType::LongLong, QMetaType::Double, QMetaType::Bool,
                                        QMetaType::LongLong, QMetaType::Double, QMetaType::Bool,
                                        QMetaType::LongLong};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(list.at(i).typeId(), expected[i]) << "index " << i;
    // The reader goes by the element, not by how the number looks.
    EXPECT_EQ(PropertyList::fromXml(plist("<real>3</real>")).typeId(), QMetaType::Double);
    EXPECT_EQ(PropertyList::fromXml(plist("<integer>3</integer>")).typeId(), QMetaType::LongLong);
    // A float is written at its own precision and reads back as that float.
    EXPECT_EQ(list.at(4).toFloat(), 1.0f);
    EXPECT_EQ(roundTrip(0.1f).toFloat(), 0.1f);
    EXPECT_TRUE(PropertyList::toXml(0.1f).contains("<real>0.1</real>"));
}

TEST(PropertyList, HashesStringListsAndOffsetDatesAreWrittenAsPlistKinds) {
    const QVariantHash hash{{QStringLiteral("b"), 2}, {QStringLiteral("a"), 1}};
    const QVariant back = roundTrip(hash);
    EXPECT_EQ(back.typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(back.toMap().keys(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

    const QVariant list = roundTrip(QStringList{QStringLiteral("x"), QStringLiteral("y")});
    EXPECT_TRUE(samePlist(list, QVariantList{QStringLiteral("x"), QStringLiteral("y")}));

    // The same instant, in UTC, to the second.
    const QDateTime local(QDate(2006, 1, 2), QTime(17, 4, 5, 789), QTimeZone(7200));
    const QByteArray xml = PropertyList::toXml(local);
    EXPECT_TRUE(xml.contains("<date>2006-01-02T15:04:05Z</date>")) << xml.toStdString();
    const QDateTime date = PropertyList::fromXml(xml).toDateTime();
    EXPECT_EQ(date, utc(2006, 1, 2, 15, 4, 5));
    EXPECT_EQ(date.offsetFromUtc(), 0);
}

TEST(PropertyList, ReadsLenientButUnambiguousForms) {
    const struct {
        const char* xml;
        QVariant expected;
    } cases[] = {
        {"<integer> 42\n</integer>", qint64(42)},
        {"<integer>+7</integer>", qint64(7)},
        {"<integer>-0x10</integer>", qint64(-16)},
        {"<integer>18446744073709551615</integer>", std::numeric_limits<quint64>::max()},
        {"<real>1e3</real>", 1000.0},
        {"<real>-.5</real>", -0.5},
        {"<real>+infinity</real>", std::numeric_limits<double>::infinity()},
        {"<real>-inf</real>", -std::numeric_limits<double>::infinity()},
        {"<data>\n\tYWJj\n\tZA==\n</data>", QByteArray("abcd")},
        {"<data></data>", QByteArray()},
        {"<string/>", QStringLiteral("")},
        {"<string><![CDATA[<x>]]> &lt;&#x263A;</string>", QString::fromUtf8("<x> <☺")},
        {"<!-- note --><dict><!-- a --><key>k</key>\n<true/><?pi x?></dict>",
         QVariantMap{{QStringLiteral("k"), true}}},
        {"<date>2006-01-02T15:04:05Z</date>", utc(2006, 1, 2, 15, 4, 5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        QString error;
        const QVariant value = PropertyList::fromXml(plist(c.xml), &error);
        EXPECT_TRUE(value.isValid()) << error.toStdString();
        EXPECT_TRUE(samePlist(c.expected, value));
    }
}

TEST(PropertyList, AcceptsTheStandardDocumentType) {
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                           "<plist version=\"1.0\"><array><string>x</string></array></plist>\n";
    EXPECT_TRUE(samePlist(PropertyList::fromXml(xml), QVariantList{QStringLiteral("x")}));
    // What we write carries it too, so other readers take our files.
    EXPECT_TRUE(PropertyList::toXml(1).contains("<!DOCTYPE plist PUBLIC"));
}

TEST(PropertyList, MalformedInputGivesAnError) {
    const QByteArray deep =
        QByteArray("<array>").repeated(600) + QByteArray("</array>").repeated(600);
    const QByteArray laughs =
        "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
        "<plist><string>&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;</string></plist>";
    const struct {
        const char* name;
        QByteArray xml;
    } cases[] = {
        {"empty input", ""},
        {"not xml", "this is not a property list"},
        {"binary", QByteArray("bplist00\x00\x01\xff", 11)},
        {"no plist root", "<dict/>"},
        {"empty plist", plist("")},
        {"two values", plist("<string>a</string><string>b</string>")},
        {"text beside the value", plist("oops<true/>")},
        {"truncated", "<plist><array><string>a</string>"},
        {"wrong nesting", plist("<dict></array>")},
        {"second root", plist("<true/>") + "<plist/>"},
        {"trailing text", plist("<true/>") + "junk"},
        {"key without value", plist("<dict><key>a</key></dict>")},
        {"key followed by key", plist("<dict><key>a</key><key>b</key><true/></dict>")},
        {"value without key", plist("<dict><string>x</string></dict>")},
        {"duplicate key", plist("<dict><key>a</key><true/><key>a</key><false/></dict>")},
        {"element in key", plist("<dict><key>a<b/></key><true/></dict>")},
        {"unknown element", plist("<array><foo/></array>")},
        {"unknown root value", plist("<nsnumber>1</nsnumber>")},
        {"text in array", plist("<array>text<string/></array>")},
        {"element in string", plist("<string>a<b/></string>")},
        {"content in true", plist("<true>yes</true>")},
        {"integer with letters", plist("<integer>12a</integer>")},
        {"empty integer", plist("<integer></integer>")},
        {"fractional integer", plist("<integer>1.5</integer>")},
        {"integer too big", plist("<integer>18446744073709551616</integer>")},
        {"integer too small", plist("<integer>-9223372036854775809</integer>")},
        {"sign only", plist("<integer>-</integer>")},
        {"bad real", plist("<real>abc</real>")},
        {"empty real", plist("<real></real>")},
        {"real overflow", plist("<real>1e999</real>")},
        {"hex real", plist("<real>0x10</real>")},
        {"real with comma", plist("<real>1,5</real>")},
        {"bad base64 characters", plist("<data>!!!!</data>")},
        {"unpadded base64", plist("<data>YWJ</data>")},
        {"too much padding", plist("<data>Y===</data>")},
        {"padding in the middle", plist("<data>YQ==YQ==</data>")},
        {"month 13", plist("<date>2006-13-02T15:04:05Z</date>")},
        {"February 30", plist("<date>2006-02-30T15:04:05Z</date>")},
        {"date without zone", plist("<date>2006-01-02T15:04:05</date>")},
        {"date with offset", plist("<date>2006-01-02T15:04:05+01:00</date>")},
        {"date with space", plist("<date>2006-01-02 15:04:05Z</date>")},
        {"too deep", plist(deep.constData())},
        {"undeclared entity", plist("<string>&x;</string>")},
        {"internal entity",
         "<!DOCTYPE plist [<!ENTITY x \"boom\">]><plist><string>&x;</string></plist>"},
        {"external entity", "<!DOCTYPE plist [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                            "<plist><string>&x;</string></plist>"},
        {"entity expansion", laughs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const QVariant value = PropertyList::fromXml(c.xml, &error);
        EXPECT_FALSE(value.isValid()) << value.toString().toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(PropertyList, NestingIsBoundedAtTheDocumentedDepth) {
    const auto nested = [](int depth) {
        return QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth);
    };
    EXPECT_TRUE(
        PropertyList::fromXml(plist(nested(PropertyList::kMaxDepth).constData())).isValid());
    QString error;
    EXPECT_FALSE(
        PropertyList::fromXml(plist(nested(PropertyList::kMaxDepth + 1).constData()), &error)
            .isValid());
    EXPECT_TRUE(error.contains(QStringLiteral("nesting"))) << error.toStdString();

    QVariant value = QVariantList{};
    for (int i = 1; i < PropertyList::kMaxDepth; ++i)
        value = QVariantList{value};
    EXPECT_FALSE(PropertyList::toXml(value).isEmpty());
    EXPECT_TRUE(PropertyList::toXml(QVariantList{value}, &error).isEmpty());
}

TEST(PropertyList, ErrorsNameThePlace) {
    QString error;
    PropertyList::fromXml(plist("\n<dict>\n<key>a</key>\n</dict>"), &error);
    EXPECT_TRUE(error.contains(QStringLiteral("line 5"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("\"a\""))) << error.toStdString();
}

TEST(PropertyList, ValuesAPlistCannotHoldAreRefused) {
    const struct {
        const char* name;
        QVariant value;
    } cases[] = {
        {"invalid", QVariant()},
        {"point", QVariant(QPointF(1, 2))},
        {"nested point", QVariantMap{{QStringLiteral("p"), QVariantList{1, QPointF(1, 2)}}}},
        {"control character", QString(QStringLiteral("a") + QChar(1))},
        {"nul", QString(QChar(0))},
        {"lone surrogate", QString(QChar(0xD800))},
        {"noncharacter", QString(QChar(0xFFFE))},
        {"bad key", QVariantMap{{QString(QChar(0x1B)), 1}}},
        {"invalid date", QDateTime()},
        {"date beyond year 9999", utc(10000, 1, 1, 0, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_TRUE(PropertyList::toXml(c.value, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(PropertyList, FileRoundTripAndMissingFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cache.plist"));
    const QVariantMap value{{QStringLiteral("entries"), QVariantList{1, 2.5, QStringLiteral("x")}},
                            {QStringLiteral("modified"), utc(2006, 1, 2, 15, 4, 5)}};
    QString error;
    ASSERT_TRUE(PropertyList::writeToFile(value, path, &error)) << error.toStdString();
    EXPECT_TRUE(samePlist(value, PropertyList::readFromFile(path, &error)));

    error.clear();
    EXPECT_FALSE(
        PropertyList::readFromFile(dir.filePath(QStringLiteral("none.plist")), &error).isValid());
    EXPECT_TRUE(error.contains(QStringLiteral("none.plist")));

    error.clear();
    EXPECT_FALSE(PropertyList::writeToFile(value, dir.filePath(QStringLiteral("no/such/dir.plist")),
                                           &error));
    EXPECT_FALSE(error.isEmpty());

    const QString broken = dir.filePath(QStringLiteral("broken.plist"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(plist("<dict><key>a</key></dict>"));
    file.close();
    error.clear();
    EXPECT_FALSE(PropertyList::readFromFile(broken, &error).isValid());
    EXPECT_TRUE(error.contains(QStringLiteral("broken.plist")));
}

TEST(PropertyList, WritingReplacesTheFileWholeAndLeavesItAloneOnFailure) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cache.plist"));
    const QString link = dir.filePath(QStringLiteral("old.plist"));
    ASSERT_TRUE(PropertyList::writeToFile(QStringLiteral("first"), path, nullptr));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);

    // A new file is renamed over the old one: the old inode keeps the old text.
    ASSERT_TRUE(PropertyList::writeToFile(QStringLiteral("second"), path, nullptr));
    EXPECT_EQ(PropertyList::readFromFile(path, nullptr).toString(), QStringLiteral("second"));
    EXPECT_EQ(PropertyList::readFromFile(link, nullptr).toString(), QStringLiteral("first"));

    // A value that cannot be written changes nothing.
    QString error;
    EXPECT_FALSE(PropertyList::writeToFile(QVariantList{QPointF()}, path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(PropertyList::readFromFile(path, nullptr).toString(), QStringLiteral("second"));

    // No temporary files are left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{QStringLiteral("cache.plist"), QStringLiteral("old.plist")}));
}

namespace {

QByteArray utf16(const QString& text, bool bigEndian) {
    QByteArray bytes;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const char high = char(u >> 8), low = char(u & 0xFF);
        bytes.append(bigEndian ? high : low);
        bytes.append(bigEndian ? low : high);
    }
    return bytes;
}

} // namespace

TEST(PropertyList, ReadsOnlyTheEncodingsItIsWrittenIn) {
    const QString smile = QString::fromUtf8("\xE2\x98\xBA \xF0\x9F\x98\x80");
    const QString body =
        QStringLiteral("<plist><string>") + smile + QStringLiteral("</string></plist>");
    const auto declared = [&](const char* encoding) {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>")
                   .arg(QLatin1String(encoding)) +
               body;
    };
    const QByteArray bom16le("\xFF\xFE"), bom16be("\xFE\xFF");
    const struct {
        const char* what;
        QByteArray bytes;
    } accepted[] = {
        {"UTF-8", body.toUtf8()},
        {"UTF-8 declared", declared("UTF-8").toUtf8()},
        {"UTF-8 declared in lower case", declared("utf-8").toUtf8()},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + declared("UTF-8").toUtf8()},
        {"UTF-16LE with its mark", bom16le + utf16(declared("UTF-16"), false)},
        {"UTF-16BE with its mark", bom16be + utf16(declared("UTF-16"), true)},
        {"UTF-16 with its mark, undeclared", bom16be + utf16(body, true)},
    };
    for (const auto& c : accepted) {
        QString error;
        EXPECT_EQ(PropertyList::fromXml(c.bytes, &error).toString(), smile)
            << c.what << ": " << error.toStdString();
    }

    QString loneHigh = body;
    loneHigh.insert(loneHigh.indexOf(smile), QChar(0xD800));
    const struct {
        const char* what;
        QByteArray bytes;
    } refused[] = {
        // UTF-7 decodes "+2AA-" to an unpaired surrogate that no writer can store.
        {"UTF-7",
         "<?xml version=\"1.0\" encoding=\"UTF-7\"?><plist><string>+2AA-</string></plist>"},
        {"Latin-1", declared("ISO-8859-1").toLatin1()},
        {"UTF-16 declared in UTF-8 text", declared("UTF-16").toUtf8()},
        {"UTF-8 declared in UTF-16 text", bom16le + utf16(declared("UTF-8"), false)},
        {"UTF-16 without its mark", utf16(body, false)},
        {"UTF-32 with its mark", QByteArray("\xFF\xFE\x00\x00<\x00\x00\x00", 8)},
        {"bytes that are no UTF-8", "<plist><string>\xC3\x28</string></plist>"},
        {"a UTF-8 encoded surrogate", "<plist><string>\xED\xA0\x80</string></plist>"},
        {"an unpaired surrogate in UTF-16", bom16le + utf16(loneHigh, false)},
        {"UTF-16 cut in the middle of a character", (bom16le + utf16(body, false)).chopped(1)},
        {"a control character", "<plist><string>a\x01b</string></plist>"},
        {"U+FFFE", "<plist><string>\xEF\xBF\xBE</string></plist>"},
        {"a reference to a surrogate", "<plist><string>&#xD800;</string></plist>"},
        {"a reference to a control character", "<plist><string>&#1;</string></plist>"},
    };
    for (const auto& c : refused) {
        QString error;
        EXPECT_FALSE(PropertyList::fromXml(c.bytes, &error).isValid()) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }
    QString error;
    PropertyList::fromXml(refused[0].bytes, &error);
    EXPECT_TRUE(error.contains(QLatin1String("UTF-7"))) << error.toStdString();
}

TEST(PropertyList, OnlyRegularFilesOfBoundedSizeAreRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString sparse = dir.filePath(QStringLiteral("sparse.plist"));
    const QString justOver = dir.filePath(QStringLiteral("over.plist"));
    const QString zeros = dir.filePath(QStringLiteral("zeros.plist"));
    const QString fifo = dir.filePath(QStringLiteral("fifo.plist"));
    ASSERT_TRUE(OddFiles::makeSparseFile(sparse, qint64(2) << 30));
    ASSERT_TRUE(OddFiles::makeSparseFile(justOver, PropertyList::kMaxFileSize + 1));
    ASSERT_TRUE(OddFiles::makeSymbolicLink(zeros, "/dev/zero"));
    ASSERT_TRUE(OddFiles::makeFifo(fifo));

    const qint64 peakBefore = OddFiles::peakResidentBytes();
    for (const QString& path :
         {sparse, justOver, zeros, fifo, QStringLiteral("/dev/null"), dir.path()}) {
        QString error;
        // A pipe without a writer would block a plain open here.
        EXPECT_FALSE(PropertyList::readFromFile(path, &error).isValid()) << path.toStdString();
        EXPECT_TRUE(error.startsWith(path)) << error.toStdString();
    }
    // Nothing of them was read into memory.
    EXPECT_LT(OddFiles::peakResidentBytes() - peakBefore, qint64(64) << 20);

    // A link to a regular file is read as that file.
    const QString real = dir.filePath(QStringLiteral("real.plist"));
    const QString link = dir.filePath(QStringLiteral("link.plist"));
    ASSERT_TRUE(PropertyList::writeToFile(QStringLiteral("linked"), real));
    ASSERT_TRUE(OddFiles::makeSymbolicLink(link, QFile::encodeName(real).constData()));
    EXPECT_EQ(PropertyList::readFromFile(link).toString(), QStringLiteral("linked"));
}

TEST(PropertyList, WritingIntoAFullFileSystemGivesTheSystemsReason) {
    const QByteArray filler(256 * 1024, 'x');
    EXPECT_TRUE(inEachFullFileSystem(64 * 1024, [&](FullFileSystem& full) {
        // Tests may not mount file systems everywhere.
        const QString path = full.filePath(QStringLiteral("cache.plist"));
        ASSERT_TRUE(PropertyList::writeToFile(QStringLiteral("small"), path));
        QString error;
        EXPECT_FALSE(PropertyList::writeToFile(QVariantList{filler}, path, &error));
        EXPECT_TRUE(error.contains(full.systemReason())) << error.toStdString();
        EXPECT_EQ(PropertyList::readFromFile(path).toString(), QStringLiteral("small"));
    }));
}
