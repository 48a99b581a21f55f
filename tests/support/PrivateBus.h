#pragma once

// A dbus-daemon of the test's own, listening in a temporary folder and stopped
// by its process id, and the wait for a call that this very thread answers.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

class PrivateBus {
public:
    PrivateBus() {
        address = QStringLiteral("unix:path=") + folder.filePath(QStringLiteral("bus"));
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--address=") + address});
        daemon.waitForStarted();
        QDeadlineTimer deadline(10000);
        while (!QFile::exists(folder.filePath(QStringLiteral("bus"))) && !deadline.hasExpired())
            QTest::qWait(20);
    }
    ~PrivateBus() {
        for (const QString& name : names)
            QDBusConnection::disconnectFromBus(name);
        if (daemon.processId() > 0)
            daemon.kill();
        daemon.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    QDBusConnection connect(const QString& name) {
        names.append(name);
        return QDBusConnection::connectToBus(address, name);
    }

    QTemporaryDir folder;
    QProcess daemon;
    QString address;
    QStringList names;
};

// The answer of a call whose other end is served by this very thread (a
// blocking call would wait on itself).
inline QDBusMessage awaitReply(const QDBusPendingCall& pending) {
    QDeadlineTimer deadline(20000);
    while (!pending.isFinished() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return pending.reply();
}
