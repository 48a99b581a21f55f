#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

// XML property lists (plist 1.0) to and from QVariant.
//
//   dict    QVariantMap (QVariantHash is written too, keys sorted)
//   array   QVariantList (QStringList is written too)
//   string  QString
//   integer qint64 (quint64 above the signed range); any integral type is written
//   real    double (float is written too)
//   true/false  bool
//   data    QByteArray (base64)
//   date    QDateTime in UTC, whole seconds ("2006-01-02T15:04:05Z")
//
// Integer, real and boolean stay distinct both ways: the reader decides by
// the element, so a whole real comes back as a double.
namespace PropertyList {

enum class Kind { Invalid, Dictionary, Array, String, Integer, Real, Boolean, Data, Date };

// Which property-list value a variant holds; Invalid for anything a property
// list cannot hold.
LUMISK_PLATFORM_EXPORT Kind kindOf(const QVariant& value);

// Whether a value read back is a whole number as archives store them (int,
// unsigned, 64-bit of either sign); other integral types don't count.
LUMISK_PLATFORM_EXPORT bool isInteger(const QVariant& value);
// isInteger, or a float or a double.
LUMISK_PLATFORM_EXPORT bool isNumber(const QVariant& value);

// Empty on failure (a value of a kind a property list cannot hold, a text
// with characters XML cannot carry, an invalid date), with the reason in *error.
LUMISK_PLATFORM_EXPORT QByteArray toXml(const QVariant& value, QString* error = nullptr);

// Invalid variant on malformed input, with the reason in *error. The text is
// UTF-8 (with or without its mark) or UTF-16 with its mark; another declared
// encoding, and characters the writer could not write (unpaired surrogates,
// characters XML cannot hold), are refused, so whatever reads also writes.
LUMISK_PLATFORM_EXPORT QVariant fromXml(const QByteArray& xml, QString* error = nullptr);

// Writes a temporary file beside the target and renames it over the target,
// so a failed write leaves the old file as it was.
LUMISK_PLATFORM_EXPORT bool writeToFile(const QVariant& value, const QString& path,
                                        QString* error = nullptr);

// Only a regular file (links followed) of at most kMaxFileSize bytes is read;
// anything else is refused before it is read.
LUMISK_PLATFORM_EXPORT QVariant readFromFile(const QString& path, QString* error = nullptr);

// Property lists on disk hold settings, caches and templates of the older
// generation, a few megabytes at most. Reading one costs several times its
// size in memory, so a larger file is taken as no property list rather than
// read whole on the chance that it is one.
inline constexpr qint64 kMaxFileSize = qint64(256) * 1024 * 1024;

// Deeper nesting of dictionaries and arrays is refused both ways.
inline constexpr int kMaxDepth = 512;

} // namespace PropertyList
