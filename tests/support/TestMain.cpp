// Shared main of every test program: a private HOME and XDG folders for this
// process, the offscreen platform, and one QApplication.
#include "support/TestHome.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/lumisk-test-XXXXXX"));
    if (!home.isValid() || !useHomeFolder(home.path()))
        return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Accepting a print panel switches its printer to the chosen queue: no
    // queue of this machine's print server may be reached. Nothing listens on
    // this socket; a test that starts a server of its own points here again.
    const QByteArray noPrintServer =
        QDir(home.path()).filePath(QStringLiteral("no-cups.sock")).toLocal8Bit();
    setenv("CUPS_SERVER", noPrintServer.constData(), 1);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumisk"));
    QApplication::setOrganizationName(QStringLiteral("Lumisk"));
    return RUN_ALL_TESTS();
}
