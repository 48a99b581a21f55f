#include "platform/foundation/Format.h"

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

struct Case {
    const char* format;
    QVariantList args;
    const char* expected;
};

template <size_t N> void checkAll(const Case (&cases)[N]) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(formatString(QString::fromUtf8(c.format), c.args).toStdString(),
                  std::string(c.expected));
    }
}

const QString s(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST(Format, ConversionsAsPrintfWritesThem) {
    const Case cases[] = {
        {"%@_%04d", {s("img"), 7}, "img_0007"},
        {"%1.1f", {3.14159}, "3.1"},
        {"%1.1f", {100.0}, "100.0"},
        {"%1.3f x %1.3f %@", {8.5, 11.0, s("in")}, "8.500 x 11.000 in"},
        {"?version=%i", {1234}, "?version=1234"},
        {"%d.%d.%d", {1, 2, 3}, "1.2.3"},
        {"%@: %1.1f%%", {s("SATURATE"), 25.0}, "SATURATE: 25.0%"},
        {"%X", {0xF001}, "F001"},
        {"%x %#x %#X %o %#o", {255, 255, 255, 8, 8}, "ff 0xff 0XFF 10 010"},
        {"%+d % d %+d", {5, 5, -5}, "+5  5 -5"},
        {"%-5d|%5d|%05d|%.3d", {42, 42, -42, 7}, "42   |   42|-0042|007"},
        {"%ld %lld %qd %zd %hd", {qint64(-5), qint64(6), qint64(7), 8, 9}, "-5 6 7 8 9"},
        {"%lu", {std::numeric_limits<quint64>::max()}, "18446744073709551615"},
        {"%e", {12345.678}, "1.234568e+04"},
        {"%E", {0.000123}, "1.230000E-04"},
        {"%g %g %G", {0.0001, 1e20, 1e-10}, "0.0001 1e+20 1E-10"},
        {"%05.1f|%-7.2f|%+.0f|%#.0f", {3.14159, 2.5, 2.5, 3.0}, "003.1|2.50   |+2|3."},
        {"%f %f %F",
         {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
          -std::numeric_limits<double>::infinity()},
         "inf nan -INF"},
        {"%.1f", {-0.0}, "-0.0"},
        {"%c%c%c", {65, QChar(0xE9), 0x1F600}, "Aé😀"},
        {"%3c|%-3c|", {'x', 'y'}, "  x|y  |"},
        {"%s and %s", {s("text"), QByteArray("bytes")}, "text and bytes"},
        {"%5s|%-5s|%.2s", {s("ab"), s("cd"), s("abcdef")}, "   ab|cd   |ab"},
        {"%.1s|%3@", {s("😀x"), s("é")}, "😀|  é"},
        {"%@ %@ %@ %@", {5, 1.5, true, qint64(-3)}, "5 1.5 1 -3"},
        {"%@|%s", {QVariant(), QVariant()}, "(null)|(null)"},
        {"%@", {QVariant(QStringList{s("one")})}, "%@"},
        {"%2$@ %1$@", {s("a"), s("b")}, "b a"},
        {"%2$d%1$@%2$d", {s("-"), 7}, "7-7"},
        {"%1$@ %@", {s("a"), s("b")}, "a a"},
        {"100%% sure, %d%%", {50}, "100% sure, 50%"},
        {"Größe ✓ %@", {s("ok")}, "Größe ✓ ok"},
        {"no conversions", {1, 2}, "no conversions"},
    };
    checkAll(cases);
}

TEST(Format, IntegersAreNeverCutAndWrapOnlyWhenShownUnsigned) {
    const Case cases[] = {
        {"%d", {qint64(5000000000)}, "5000000000"},
        {"%hhd", {300}, "300"},
        {"%d", {std::numeric_limits<qint64>::min()}, "-9223372036854775808"},
        {"%d", {std::numeric_limits<quint64>::max()}, "18446744073709551615"},
        {"%u", {-1}, "4294967295"},
        {"%lu", {-1}, "18446744073709551615"},
        {"%hu %hhu %hhx", {-1, -1, -2}, "65535 255 fe"},
        {"%x", {qint64(-5000000000)}, "fffffffed5fa0e00"},
        {"%u", {qint64(5000000000)}, "5000000000"},
        {"%d %x", {true, false}, "1 0"},
        {"%f", {3}, "3.000000"},
        {"%.0f", {std::numeric_limits<quint64>::max()}, "18446744073709551616"},
    };
    checkAll(cases);
}

TEST(Format, MismatchesAndMissingArgumentsStayAsWritten) {
    const Case cases[] = {
        {"%@", {}, "%@"},
        {"%d and %d", {1}, "1 and %d"},
        {"%3$@ %1$@", {s("a")}, "%3$@ a"},
        {"%d", {s("12")}, "%d"},
        {"%d", {1.5}, "%d"},
        {"%x", {2.0}, "%x"},
        {"%f", {s("1.5")}, "%f"},
        {"%f", {true}, "%f"},
        {"%s", {5}, "%s"},
        {"%c", {s("a")}, "%c"},
        {"%c %c %c %c", {0, -1, 0x110000, 0xD800}, "%c %c %c %c"},
        {"%@", {QVariantList{1}}, "%@"},
        {"%@", {QVariantMap{}}, "%@"},
        // Each conversion still takes its argument, shown or not.
        {"%d %@", {s("x"), s("y")}, "%d y"},
        {"%-08.3lld!", {}, "%-08.3lld!"},
    };
    checkAll(cases);
}

TEST(Format, MalformedConversionsStayAsWritten) {
    const Case cases[] = {
        {"100%", {1}, "100%"},
        {"%", {1}, "%"},
        {"%5", {1}, "%5"},
        {"%-", {1}, "%-"},
        {"%.", {1}, "%."},
        {"%l", {1}, "%l"},
        {"%y %d", {1}, "%y 1"},
        {"%5%d", {1}, "%51"},
        {"%0$d", {1}, "%0$d"},
        {"%99999d|%.5000f", {1, 1.0}, "%99999d|%.5000f"},
        {"%*d", {5, 1}, "%*d"},
        {"%n%p", {1, 2}, "%n%p"},
        {"%99999999999999999999$@", {1}, "%99999999999999999999$@"},
        {"%1$", {1}, "%1$"},
        {"%%%", {}, "%%"},
    };
    checkAll(cases);
}

TEST(Format, WidthsUpToTheLimitWork) {
    EXPECT_EQ(formatString(s("%1000d"), {1}).size(), 1000);
    EXPECT_EQ(formatString(s("%.1000f"), {1.0}).size(), 1002);
    EXPECT_EQ(formatString(s("%f"), {1e308}).size(), 316);
}

TEST(Format, VariadicWrapperTakesPlainValues) {
    EXPECT_EQ(stringWithFormat(s("%@_%04d"), s("photo"), 12), s("photo_0012"));
    EXPECT_EQ(stringWithFormat(s("%s|%@|%c"), "c text", "literal", 'z'), s("c text|literal|z"));
    EXPECT_EQ(stringWithFormat(s("%ld %lu %f"), long(-4), 5ul, 0.5f), s("-4 5 0.500000"));
    EXPECT_EQ(stringWithFormat(s("%@ %@"), QVariant(3), QVariant()), s("3 (null)"));
    EXPECT_EQ(stringWithFormat(s("%@ %d")), s("%@ %d"));
    const char* nothing = nullptr;
    EXPECT_EQ(stringWithFormat(s("%s"), nothing), s("(null)"));
}

// A desktop process runs in the user's locale, where printf may write "1,5".
TEST(Format, NumbersIgnoreTheProcessLocale) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess::execute(QStringLiteral("localedef"),
                      {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                       QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("de_DE.UTF-8"))});
    qputenv("LOCPATH", QFile::encodeName(dir.path()));
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE locale could be built here";
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    ASSERT_STREQ(buffer, "1,5");

    EXPECT_EQ(formatString(s("%.1f %g %e %@"), {1.5, 0.25, 1.0, 2.5}),
              s("1.5 0.25 1.000000e+00 2.5"));
    std::setlocale(LC_NUMERIC, "C");
}
