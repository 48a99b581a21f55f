#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

constexpr const char* kVariables[] = {"HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                      "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};

} // namespace

bool useHomeFolder(const QString& root) {
    const QByteArray native = QFile::encodeName(root);
    for (const char* sub : {"/.config", "/.local/share", "/.cache", "/run", "/tmp"})
        if (!QDir().mkpath(root + QString::fromLatin1(sub)))
            return false;
    // The runtime folder must be the user's alone.
    QFile::setPermissions(root + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("HOME", native.constData(), 1);
    setenv("XDG_CONFIG_HOME", (native + "/.config").constData(), 1);
    setenv("XDG_DATA_HOME", (native + "/.local/share").constData(), 1);
    setenv("XDG_CACHE_HOME", (native + "/.cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (native + "/run").constData(), 1);
    setenv("TMPDIR", (native + "/tmp").constData(), 1);
    return true;
}

TestHome::TestHome() {
    for (const char* name : kVariables) {
        const char* value = getenv(name);
        _saved.emplace_back(name, value ? std::optional<QByteArray>(value) : std::nullopt);
    }
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/home-XXXXXX"));
    folder.setAutoRemove(false);
    _path = folder.path();
    if (!folder.isValid() || !useHomeFolder(_path))
        qFatal("No test home folder under %s", qPrintable(QDir::tempPath()));
}

TestHome::~TestHome() {
    for (const auto& [name, value] : _saved) {
        if (value)
            setenv(name, value->constData(), 1);
        else
            unsetenv(name);
    }
}
