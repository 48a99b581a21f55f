#pragma once

#include <QString>

// Texts of numbers in the user's decimal separator and measurement unit, read
// from the user defaults "NSDecimalSeparator" and "AppleMeasurementUnits" (or
// "NSMeasurementUnit"); when a default is absent the locale supplies it.

// Every "." replaced by the user's decimal separator.
QString UTLocalizeDecimalString(const QString& text);
// The leading number of a field's text, read with the decimal separator it is
// shown with ("29,70 cm" with ","); 0 when the text starts with none.
double readLocalizedNumber(const QString& text, const QString& decimalSeparator);
// The value written with a printf format of one floating conversion that writes
// a decimal point ("%1.1f"), trailing zeros and then the point trimmed: 12.50
// gives 12.5, 3.0 gives 3.
QString UTMinimalFloatStr(double value, const char* format);
// A paper size given in points, in inches ("8.500 x 11.000 in") or, for the unit
// "Centimeters", in centimetres ("21.0 x 29.7 cm").
QString UTPaperSizeStr(float width, float height);
