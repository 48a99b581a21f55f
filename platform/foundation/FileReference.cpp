#include "platform/foundation/FileReference.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileReference {

namespace {

// "LMFR", a version word, then the fixed fields and the path in UTF-8.
constexpr char kMagic[4] = {'L', 'M', 'F', 'R'};
constexpr quint16 kVersion = 1;
constexpr qsizetype kHeaderSize = 4 + 2 + 2 + 4 + 8 + 8 + 8 + 8 + 4 + 4;
constexpr quint32 kMaxPathBytes = PATH_MAX;

struct Identity {
    quint32 fileType = 0;
    Record record;
};

template <class T> void append(QByteArray& bytes, T value) {
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes.append(char((quint64(value) >> (8 * i)) & 0xFF));
}

template <class T> T take(const char*& at) {
    quint64 value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= quint64(quint8(at[i])) << (8 * i);
    at += sizeof(T);
    return T(value);
}

bool statPath(const QString& path, Identity* identity, bool followLinks = true) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    const int result =
        followLinks ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info);
    if (result != 0)
        return false;
    identity->fileType = quint32(info.st_mode & S_IFMT);
    identity->record.path = path;
    identity->record.device = quint64(info.st_dev);
    identity->record.inode = quint64(info.st_ino);
    identity->record.size = qint64(info.st_size);
    identity->record.modifiedSeconds = qint64(info.st_mtim.tv_sec);
    identity->record.modifiedNanoseconds = qint32(info.st_mtim.tv_nsec);
    return true;
}

QByteArray encode(const Identity& identity) {
    const Record& record = identity.record;
    const QByteArray path = record.path.toUtf8();
    QByteArray bytes;
    bytes.reserve(kHeaderSize + path.size());
    bytes.append(kMagic, sizeof kMagic);
    append<quint16>(bytes, kVersion);
    append<quint16>(bytes, 0);
    append<quint32>(bytes, identity.fileType);
    append<quint64>(bytes, record.device);
    append<quint64>(bytes, record.inode);
    append<qint64>(bytes, record.size);
    append<qint64>(bytes, record.modifiedSeconds);
    append<qint32>(bytes, record.modifiedNanoseconds);
    append<quint32>(bytes, quint32(path.size()));
    bytes.append(path);
    return bytes;
}

bool decode(const QByteArray& bytes, Identity* identity) {
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.constData(), kMagic, sizeof kMagic) != 0)
        return false;
    const char* at = bytes.constData() + sizeof kMagic;
    if (take<quint16>(at) != kVersion)
        return false;
    take<quint16>(at);
    Identity read;
    read.fileType = take<quint32>(at);
    read.record.device = take<quint64>(at);
    read.record.inode = take<quint64>(at);
    read.record.size = take<qint64>(at);
    read.record.modifiedSeconds = take<qint64>(at);
    read.record.modifiedNanoseconds = take<qint32>(at);
    const quint32 pathBytes = take<quint32>(at);
    if (pathBytes == 0 || pathBytes > kMaxPathBytes || bytes.size() - kHeaderSize != pathBytes)
        return false;
    const QByteArray path(at, qsizetype(pathBytes));
    if (path.at(0) != '/' || path.contains('\0'))
        return false;
    read.record.path = QString::fromUtf8(path);
    // Bytes that are no UTF-8 come back different and name no file we wrote.
    if (read.record.path.toUtf8() != path)
        return false;
    *identity = read;
    return true;
}

bool sameFile(const Identity& a, const Identity& b) {
    return a.record.device == b.record.device && a.record.inode == b.record.inode;
}

bool sameRecord(const Identity& a, const Identity& b) {
    return sameFile(a, b) && a.fileType == b.fileType && a.record.path == b.record.path &&
           a.record.size == b.record.size && a.record.modifiedSeconds == b.record.modifiedSeconds &&
           a.record.modifiedNanoseconds == b.record.modifiedNanoseconds;
}

// The entry of `folder` that is the recorded file under another name. Entries
// are looked at as they are, links not followed: a link to the file is not it.
bool findRenamed(const Identity& wanted, Identity* found) {
    const QString folder = QFileInfo(wanted.record.path).absolutePath();
    const int fd = ::open(QFile::encodeName(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    bool ok = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        // d_ino is not compared: layered file systems answer other numbers there.
        struct stat info {};
        if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (quint64(info.st_dev) != wanted.record.device ||
            quint64(info.st_ino) != wanted.record.inode)
            continue;
        const QString path = QDir(folder).filePath(QFile::decodeName(entry->d_name));
        ok = statPath(path, found);
        break;
    }
    ::closedir(dir);
    return ok;
}

// The recorded path's trailing components under `folder`, longest first. A
// link there is not the file.
bool findRelocated(const Identity& wanted, const QString& folder, Identity* found) {
    const QStringList parts = wanted.record.path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts)
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    for (qsizetype first = 0; first < parts.size(); ++first) {
        const QString path = QDir(folder).filePath(parts.mid(first).join(QLatin1Char('/')));
        Identity candidate;
        if (statPath(path, &candidate, false) && candidate.fileType == wanted.fileType) {
            *found = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

QByteArray createReference(const QString& path) {
    if (path.isEmpty())
        return QByteArray();
    Identity identity;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!statPath(absolute, &identity) || absolute.toUtf8().size() > qsizetype(kMaxPathBytes))
        return QByteArray();
    return encode(identity);
}

bool parseReference(const QByteArray& bytes, Record* record) {
    Identity identity;
    if (!decode(bytes, &identity))
        return false;
    if (record)
        *record = identity.record;
    return true;
}

QString resolveReference(const QByteArray& bytes, const QString& relocationFolder,
                         QByteArray* updated) {
    if (updated)
        *updated = QByteArray();
    Identity wanted;
    if (!decode(bytes, &wanted))
        return QString();
    Identity atPath;
    const bool exists = statPath(wanted.record.path, &atPath);
    Identity found = atPath;
    bool ok = exists && sameFile(atPath, wanted);
    if (!ok)
        ok = findRenamed(wanted, &found);
    if (!ok && exists && atPath.fileType == wanted.fileType) {
        found = atPath;
        ok = true;
    }
    if (!ok && !relocationFolder.isEmpty())
        ok = findRelocated(wanted, relocationFolder, &found);
    if (!ok)
        return QString();
    if (updated && !sameRecord(found, wanted))
        *updated = encode(found);
    return found.record.path;
}

QString resolveLinkChain(const QString& path) {
    QString current = path;
    for (int links = 0; links <= kMaxLinkChain; ++links) {
        const QByteArray native = QFile::encodeName(current);
        struct stat info {};
        if (::lstat(native.constData(), &info) != 0)
            return path;
        if (!S_ISLNK(info.st_mode))
            return current;
        if (links == kMaxLinkChain)
            break;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(native.constData(), target.data(), size_t(target.size()));
        if (length <= 0 || length >= target.size())
            return path;
        target.truncate(qsizetype(length));
        const QString next = QFile::decodeName(target);
        current =
            QDir::isAbsolutePath(next) ? next : QFileInfo(current).absolutePath() + u'/' + next;
    }
    return path;
}

} // namespace FileReference
