#pragma once

// A folder in which writes run out of room: a small tmpfs mounted on it when
// the test may mount one (as root, outside restricted containers), otherwise
// a file size limit on the whole process, with SIGXFSZ ignored so that a
// write past it fails instead of ending the process. Either is undone when
// the object goes.

#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>

class FullFileSystem {
public:
    enum class Kind { Tmpfs, SizeLimit };

    // `capacity`: bytes that fit (a tmpfs rounds it up to whole pages).
    FullFileSystem(Kind kind, qint64 capacity) : _kind(kind) {
        if (!_folder.isValid())
            return;
        if (kind == Kind::Tmpfs) {
            const QByteArray options = "size=" + QByteArray::number(capacity) + ",mode=0700";
            _ready = ::mount("tmpfs", QFile::encodeName(_folder.path()).constData(), "tmpfs",
                             MS_NOSUID | MS_NODEV | MS_NOEXEC, options.constData()) == 0;
            return;
        }
        _oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (::getrlimit(RLIMIT_FSIZE, &_oldLimit) != 0)
            return;
        rlimit limit = _oldLimit;
        limit.rlim_cur = rlim_t(capacity);
        _ready = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }

    ~FullFileSystem() { release(); }

    FullFileSystem(const FullFileSystem&) = delete;
    FullFileSystem& operator=(const FullFileSystem&) = delete;

    // Undoes the mount or the limit early (the folder stays until the end).
    void release() {
        if (!_ready)
            return;
        _ready = false;
        if (_kind == Kind::Tmpfs) {
            ::umount2(QFile::encodeName(_folder.path()).constData(), MNT_DETACH);
        } else {
            ::setrlimit(RLIMIT_FSIZE, &_oldLimit);
            std::signal(SIGXFSZ, _oldHandler);
        }
    }

    bool ready() const { return _ready; }
    QString filePath(const QString& name) const { return _folder.filePath(name); }
    // What the system says when a write does not fit.
    QString systemReason() const {
        return QString::fromLocal8Bit(std::strerror(_kind == Kind::Tmpfs ? ENOSPC : EFBIG));
    }

private:
    Kind _kind;
    QTemporaryDir _folder;
    bool _ready = false;
    rlimit _oldLimit{};
    void (*_oldHandler)(int) = SIG_DFL;
};

// Runs `test` in each kind of full folder this process can make, so that both
// ways of running out of room are met where the system allows them. False when
// neither could be made.
template <class Test> bool inEachFullFileSystem(qint64 capacity, Test test) {
    bool tried = false;
    for (const auto kind : {FullFileSystem::Kind::Tmpfs, FullFileSystem::Kind::SizeLimit}) {
        FullFileSystem full(kind, capacity);
        if (!full.ready())
            continue;
        tried = true;
        test(full);
    }
    return tried;
}
