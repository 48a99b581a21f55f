#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// References to files that survive renames and moves: a record of our own,
// versioned bytes holding the file's path, device and inode, size and
// modification time. Documents store the bytes and find their files again
// with them.
namespace FileReference {

// What a reference holds.
struct Record {
    QString path;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint32 modifiedNanoseconds = 0;
};

// The bytes of a new reference to the file at `path` (symbolic links followed);
// null when nothing exists there.
LUMISK_PLATFORM_EXPORT QByteArray createReference(const QString& path);

// Reads reference bytes; false for bytes that are no reference of a version
// this program knows (damaged, cut short, or from a newer program).
LUMISK_PLATFORM_EXPORT bool parseReference(const QByteArray& bytes, Record* record);

// Finds the file a reference names, in this order: the file at the recorded
// path while it is the same file; the same device and inode in the recorded
// folder (the file was renamed); the file that now stands at the recorded path
// (it was replaced in place); and, with a `relocationFolder`, the recorded
// path's trailing components under that folder, longest first (the document
// and its files were moved together). Null when none is found or the bytes are
// no reference. When the file found differs from the record (path, identity,
// size or time), *updated receives the bytes of the updated reference;
// otherwise it is made null.
LUMISK_PLATFORM_EXPORT QString resolveReference(const QByteArray& bytes,
                                                const QString& relocationFolder = QString(),
                                                QByteArray* updated = nullptr);

// Links of a chain followed before a path counts as unresolvable.
inline constexpr int kMaxLinkChain = 32;

// When `path` is a symbolic link (this platform's alias file), the path of
// the file at the end of its chain; relative targets count from the link's
// folder. A dangling link, a loop, or a chain longer than kMaxLinkChain gives
// the path unchanged, as does a path that is no link.
LUMISK_PLATFORM_EXPORT QString resolveLinkChain(const QString& path);

} // namespace FileReference
