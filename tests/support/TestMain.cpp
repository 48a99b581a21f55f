// Shared main of every test program: a private HOME and XDG folders for this
// process, the offscreen platform, and one QApplication.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/lumisk-test-XXXXXX"));
    if (!home.isValid())
        return 2;
    const QByteArray root = home.path().toLocal8Bit();
    setenv("HOME", root.constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/.config").constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/.local/share").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/.cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/run").constData(), 1);
    setenv("TMPDIR", (root + "/tmp").constData(), 1);
    for (const char* sub : {"/.config", "/.local/share", "/.cache", "/run", "/tmp"})
        QDir().mkpath(QString::fromLocal8Bit(root + sub));
    QFile::setPermissions(QString::fromLocal8Bit(root + "/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumisk"));
    QApplication::setOrganizationName(QStringLiteral("Lumisk"));
    return RUN_ALL_TESTS();
}
