#include "platform/foundation/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

namespace {

void setError(QString* error, const QString& reason) {
    if (error)
        *error = reason;
}

QString systemReason(int code) {
    return qt_error_string(code);
}

QString notRegularReason(mode_t mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    return QStringLiteral("it is not a regular file");
}

} // namespace

bool openRegularFileForReading(QFile& file, const QString& path, QString* error) {
    const QByteArray native = QFile::encodeName(path);
    // Most of what is no file is refused before it is even opened: opening a
    // device can have effects of its own.
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        setError(error, systemReason(errno));
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        setError(error, notRegularReason(info.st_mode));
        return false;
    }
    // Without a writer, a FIFO put in its place meanwhile would block a plain open.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        setError(error, systemReason(errno));
        return false;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const QString reason = notRegularReason(info.st_mode);
        ::close(fd);
        setError(error, reason);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString reason = file.errorString();
        ::close(fd);
        setError(error, reason);
        return false;
    }
    return true;
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxSize, QString* error) {
    QFile file;
    if (!openRegularFileForReading(file, path, error))
        return std::nullopt;
    const qint64 size = file.size();
    if (size > maxSize) {
        setError(error, QStringLiteral("it is larger than %1, the most such a file may hold")
                            .arg(QLocale::c().formattedDataSize(maxSize)));
        return std::nullopt;
    }
    // Exactly the size found: a file that grows meanwhile is not followed.
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(bytes.data() + done, size - done);
        if (got < 0) {
            setError(error, file.errorString());
            return std::nullopt;
        }
        if (got == 0)
            break;
        done += got;
    }
    bytes.truncate(qsizetype(done));
    return bytes;
}

bool writeAll(QFileDevice& file, const QByteArray& bytes, QString* error) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written < 0) {
            setError(error, file.errorString());
            return false;
        }
        // A short write is how a full disk or a file size limit first shows;
        // the next attempt fails with the system's reason.
        if (written == 0) {
            setError(error, QStringLiteral("The file could not be written."));
            return false;
        }
        done += written;
    }
    return true;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!writeAll(file, bytes, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString expandTilde(const QString& path) {
    if (path == QLatin1String("~"))
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

} // namespace FileAccess
