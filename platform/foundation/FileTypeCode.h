#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

// Four-character type codes of image files. A file's code is the format its
// content shows, whatever its name says: JPEG data is 'JPEG' with or without
// an extension.
namespace FileTypeCode {

// The code of the format that the leading bytes show ("JPEG", "PNGf", "GIFf",
// "TIFF", "BMPf", "8BPS", "PDF ", "jp2 "); empty when none is recognised.
LUMISK_PLATFORM_EXPORT QString typeCodeOfData(const QByteArray& leadingBytes);

// The code of the regular file at `path` (links followed) from its first bytes;
// empty when it can't be read or shows no known format.
LUMISK_PLATFORM_EXPORT QString typeCodeOfFile(const QString& path);

// A code as the platform spells it in file-type lists: in single quotes
// ("'JPEG'"); empty for an empty code.
LUMISK_PLATFORM_EXPORT QString typeCodeText(const QString& code);

// The code as the four bytes of a 32-bit number, first character highest;
// 0 for an empty code.
LUMISK_PLATFORM_EXPORT uint32_t fourCharCode(const QString& code);

} // namespace FileTypeCode
