#include "utilities/NumberText.h"

#include "platform/foundation/UserDefaults.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

void setDefault(const char* key, const char* value) {
    UserDefaults::standardUserDefaults().setObjectForKey(QString::fromUtf8(value),
                                                         QString::fromUtf8(key));
}

} // namespace

TEST(NumberText, LocalizeDecimalString) {
    struct Case {
        const char* separator;
        const char* text;
        const char* localized;
    };
    const Case cases[] = {
        {",", "1.5", "1,5"},
        {",", "15", "15"},
        {",", "1.000.5", "1,000,5"},
        {".", "1.5", "1.5"},
        {" dec ", "2.25 in", "2 dec 25 in"},
    };
    for (const Case& c : cases) {
        setDefault("NSDecimalSeparator", c.separator);
        EXPECT_EQ(UTLocalizeDecimalString(QString::fromUtf8(c.text)),
                  QString::fromUtf8(c.localized))
            << c.separator << " " << c.text;
    }
}

TEST(NumberText, DecimalSeparatorComesFromTheLocaleWhenNotSet) {
    UserDefaults::standardUserDefaults().removeObjectForKey(QStringLiteral("NSDecimalSeparator"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(UTLocalizeDecimalString(QStringLiteral("1.5")), QStringLiteral("1,5"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(UTLocalizeDecimalString(QStringLiteral("1.5")), QStringLiteral("1.5"));
    // The user's setting wins over the locale.
    setDefault("NSDecimalSeparator", ",");
    EXPECT_EQ(UTLocalizeDecimalString(QStringLiteral("1.5")), QStringLiteral("1,5"));
}

TEST(NumberText, MinimalFloatStr) {
    setDefault("NSDecimalSeparator", ".");
    struct Case {
        double value;
        const char* format;
        const char* text;
    };
    const Case cases[] = {
        {12.50, "%1.1f", "12.5"},
        {3.0, "%1.1f", "3"},
        {100.0, "%1.1f", "100"},
        {0.0, "%1.1f", "0"},
        {-2.0, "%1.1f", "-2"},
        {50.10, "%1.2f", "50.1"},
        {0.04, "%1.1f", "0"},
        {120.0, "%1.3f", "120"},
        {7.25, "%1.2f", "7.25"},
        // Without a point no zero is trimmed.
        {100.0, "%1.0f", "100"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UTMinimalFloatStr(c.value, c.format), QString::fromUtf8(c.text))
            << c.value << " " << c.format;
    setDefault("NSDecimalSeparator", ",");
    EXPECT_EQ(UTMinimalFloatStr(12.5, "%1.1f"), QStringLiteral("12,5"));
}

TEST(NumberText, PaperSizeStr) {
    struct Case {
        const char* appleUnits;
        const char* units;
        const char* separator;
        float width, height;
        const char* text;
    };
    const Case cases[] = {
        {"Inches", nullptr, ".", 612, 792, "8.500 x 11.000 in"},
        {"Centimeters", nullptr, ".", 595, 842, "21.0 x 29.7 cm"},
        {"Centimeters", nullptr, ",", 595, 842, "21,0 x 29,7 cm"},
        {nullptr, "Centimeters", ".", 595, 842, "21.0 x 29.7 cm"},
        {"Inches", "Centimeters", ".", 612, 792, "8.500 x 11.000 in"},
        {"Points", nullptr, ".", 0, 100, "0.000 x 1.389 in"},
    };
    for (const Case& c : cases) {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        defaults.removeObjectForKey(QStringLiteral("AppleMeasurementUnits"));
        defaults.removeObjectForKey(QStringLiteral("NSMeasurementUnit"));
        if (c.appleUnits)
            setDefault("AppleMeasurementUnits", c.appleUnits);
        if (c.units)
            setDefault("NSMeasurementUnit", c.units);
        setDefault("NSDecimalSeparator", c.separator);
        EXPECT_EQ(UTPaperSizeStr(c.width, c.height), QString::fromUtf8(c.text)) << c.text;
    }
}

TEST(NumberText, MeasurementUnitComesFromTheLocaleWhenNotSet) {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(QStringLiteral("AppleMeasurementUnits"));
    defaults.removeObjectForKey(QStringLiteral("NSMeasurementUnit"));
    setDefault("NSDecimalSeparator", ".");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(UTPaperSizeStr(595, 842), QStringLiteral("21.0 x 29.7 cm"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(UTPaperSizeStr(612, 792), QStringLiteral("8.500 x 11.000 in"));
}

TEST(NumberText, ReadLocalizedNumberReadsTheLeadingNumberAsShown) {
    struct Case {
        const char* text;
        const char* separator;
        double value;
    };
    const Case cases[] = {
        {"29,70 cm", ",", 29.7}, {"8.50 in", ".", 8.5}, {"612 pt", ",", 612},
        {" -1,5", ",", -1.5},    {"1e2 pt", ".", 100},  {"2e pt", ".", 2},
        {"pt", ".", 0},          {"1e999", ".", 0},     {"3 dec 25", " dec ", 3.25},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(
            readLocalizedNumber(QString::fromUtf8(c.text), QString::fromUtf8(c.separator)), c.value)
            << c.text;
}
