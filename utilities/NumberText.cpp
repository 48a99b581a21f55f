#include "utilities/NumberText.h"

#include "platform/foundation/UserDefaults.h"

#include <QLocale>
#include <charconv>
#include <cmath>

namespace {

const QString kDecimalSeparatorKey = QStringLiteral("NSDecimalSeparator");
const QString kAppleMeasurementUnitsKey = QStringLiteral("AppleMeasurementUnits");
const QString kMeasurementUnitKey = QStringLiteral("NSMeasurementUnit");
const QString kCentimeters = QStringLiteral("Centimeters");
const QString kInches = QStringLiteral("Inches");

QString userDefaultText(const QString& key) {
    return UserDefaults::standardUserDefaults().stringForKey(key);
}

QString decimalSeparator() {
    const QString stored = userDefaultText(kDecimalSeparatorKey);
    return stored.isEmpty() ? QLocale().decimalPoint() : stored;
}

QString measurementUnit() {
    QString unit = userDefaultText(kAppleMeasurementUnitsKey);
    if (unit.isEmpty())
        unit = userDefaultText(kMeasurementUnitKey);
    if (unit.isEmpty())
        unit = QLocale().measurementSystem() == QLocale::MetricSystem ? kCentimeters : kInches;
    return unit;
}

} // namespace

QString UTLocalizeDecimalString(const QString& text) {
    if (!text.contains(u'.'))
        return text;
    const QString separator = decimalSeparator();
    if (separator == QStringLiteral("."))
        return text;
    QString localized = text;
    return localized.replace(u'.', separator);
}

double readLocalizedNumber(const QString& text, const QString& decimalSeparator) {
    QString number = text.trimmed();
    if (!decimalSeparator.isEmpty() && decimalSeparator != QStringLiteral("."))
        number.replace(decimalSeparator, QStringLiteral("."));
    if (number.startsWith(u'+'))
        number.remove(0, 1);
    // The longest leading number, read the same in every locale.
    const QByteArray latin = number.toLatin1();
    double value = 0;
    const std::from_chars_result read =
        std::from_chars(latin.constData(), latin.constData() + latin.size(), value);
    return read.ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

QString UTMinimalFloatStr(double value, const char* format) {
    QString text = QString::asprintf(format, value);
    // Without a point every trailing zero would belong to the whole number.
    if (text.contains(u'.')) {
        while (text.endsWith(u'0') || text.endsWith(u'.')) {
            const bool point = text.endsWith(u'.');
            text.chop(1);
            if (point)
                break;
        }
    }
    return UTLocalizeDecimalString(text);
}

QString UTPaperSizeStr(float width, float height) {
    QString text;
    if (measurementUnit() == kCentimeters)
        text = QString::asprintf("%1.1f x %1.1f %s", double(width / 28.35f),
                                 double(height / 28.35f), "cm");
    else
        text = QString::asprintf("%1.3f x %1.3f %s", double(width / 72.0f), double(height / 72.0f),
                                 "in");
    return UTLocalizeDecimalString(text);
}
