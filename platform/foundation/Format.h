#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

// The platform's format texts, as messages, string tables and file names use
// them: %@ (any object, shown as text; nil as "(null)"), %d %i %u %x %X %o,
// %f %F %e %E %g %G, %c, %s and %%, with the flags - 0 + space #, a width,
// a precision, the length modifiers hh h l ll q L z j t, and positions ("%2$@").
//
// Numbers come out as C's printf writes them in the "C" locale, whatever the
// process locale. Every conversion is checked against its argument: one
// without an argument, with an argument of a kind it cannot show, or that is
// malformed stays in the result exactly as written. Integers are never cut to
// the width of a length modifier; a negative one shown unsigned wraps at that
// width (32 bits without a modifier), as in C. Integers may be shown by the
// real conversions; reals are never shown by integer ones.
LUMISK_PLATFORM_EXPORT QString formatString(const QString& format, const QVariantList& args);

template <typename T> QVariant formatArgument(const T& value) {
    return QVariant::fromValue(value);
}
inline QVariant formatArgument(const char* text) {
    return text ? QVariant(QString::fromUtf8(text)) : QVariant();
}

// stringWithFormat(QStringLiteral("%@_%04d"), name, counter)
template <typename... Args> QString stringWithFormat(const QString& format, const Args&... args) {
    return formatString(format, QVariantList{formatArgument(args)...});
}
