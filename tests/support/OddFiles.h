#pragma once

// Files a reader must refuse without reading them whole: a sparse file far
// larger than memory allows to read cheaply, links to endless devices, pipes
// without a writer. And the peak memory of the process, to show that none of
// them was read.

#include <QFile>
#include <QString>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OddFiles {

// A file of `size` zero bytes that takes no room on disk.
inline bool makeSparseFile(const QString& path, qint64 size) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::ftruncate(fd, off_t(size)) == 0;
    ::close(fd);
    return ok;
}

inline bool makeSymbolicLink(const QString& path, const char* target) {
    return ::symlink(target, QFile::encodeName(path).constData()) == 0;
}

inline bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// The most memory the process has held at once so far.
inline qint64 peakResidentBytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

} // namespace OddFiles
