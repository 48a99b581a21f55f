#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <optional>

class QFile;
class QFileDevice;

// Reading files that come from outside and writing files whose failures must
// keep their cause.
namespace FileAccess {

// Opens the file at `path` for reading when it is a regular file, links
// followed. Devices, FIFOs and sockets are refused without being read from or
// waited on. On failure the reason (the system's, where it has one) goes to
// *error.
LUMISK_PLATFORM_EXPORT bool openRegularFileForReading(QFile& file, const QString& path,
                                                      QString* error = nullptr);

// The whole contents of a regular file of at most `maxSize` bytes; a larger
// file is refused before anything of it is read.
LUMISK_PLATFORM_EXPORT std::optional<QByteArray>
readRegularFile(const QString& path, qint64 maxSize, QString* error = nullptr);

// Writes every byte or answers false with the system's reason in *error (for
// example "No space left on device"). A write the system cut short is asked
// for again, so that the system names what stopped it. Open the file
// unbuffered: a buffered device meets the failure only when it flushes at
// close, where the cause is lost (and a short last flush can even pass).
LUMISK_PLATFORM_EXPORT bool writeAll(QFileDevice& file, const QByteArray& bytes,
                                     QString* error = nullptr);

// Replaces the file at `path` with `bytes`: they go to a temporary file in the
// same folder, which is renamed over the old file only once all of it is
// written. On failure the old file is as it was, the temporary one is gone
// and the reason is in *error.
LUMISK_PLATFORM_EXPORT bool writeFileAtomically(const QString& path, const QByteArray& bytes,
                                                QString* error = nullptr);

// "~" and a leading "~/" stand for the home folder; "~user" and a "~" further
// on stay as they are.
LUMISK_PLATFORM_EXPORT QString expandTilde(const QString& path);

} // namespace FileAccess
