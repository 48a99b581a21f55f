#include "shell/InstanceChannel.h"
#include "support/TestHome.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::lstat(native(path).constData(), &info);
    return info.st_mode & 0777;
}

// Runs events until the condition holds or ten seconds pass.
template <class Condition> bool spinUntil(Condition condition) {
    QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

// A second start, on a thread of its own: its hand-over blocks, and the running
// channel answers only while this thread runs events.
class SecondStart {
public:
    explicit SecondStart(QStringList paths)
        : _thread([this, paths] {
              InstanceChannel channel;
              outcome = channel.handOverOrListen(paths);
              done = true;
          }) {}
    ~SecondStart() { _thread.join(); }
    bool finish() {
        return spinUntil([this] { return done.load(); });
    }

    std::atomic<bool> done{false};
    InstanceChannel::Outcome outcome = InstanceChannel::Outcome::Alone;

private:
    std::thread _thread;
};

// What a raw client got back for the bytes it sent.
struct Exchange {
    QByteArray answer;
    bool closedByServer = false;
};

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(running.handOverOrListen({}), InstanceChannel::Outcome::Listening);
        QObject::connect(&running, &InstanceChannel::pathsReceived,
                         [this](const QStringList& paths) { received << paths; });
    }

    Exchange send(const QByteArray& bytes, bool closeAfterwards = false) {
        QLocalSocket client;
        client.connectToServer(running.socketPath());
        EXPECT_TRUE(client.waitForConnected(5000));
        client.write(bytes);
        client.flush();
        Exchange exchange;
        if (closeAfterwards) {
            client.disconnectFromServer();
            spinUntil([&] { return client.state() == QLocalSocket::UnconnectedState; });
            return exchange;
        }
        exchange.closedByServer =
            spinUntil([&] { return client.state() == QLocalSocket::UnconnectedState; });
        exchange.answer = client.readAll();
        return exchange;
    }

    TestHome account;
    InstanceChannel running;
    QList<QStringList> received;
};

QByteArray request(quint32 length, const QByteArray& body) {
    QByteArray header(4, Qt::Uninitialized);
    qToBigEndian(length, header.data());
    return header + body;
}

} // namespace

TEST_F(InstanceChannelTest, TheSocketLivesInTheUsersPrivateRuntimeFolder) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceChannel::runtimeFolder(), runtime);
    EXPECT_EQ(QFileInfo(running.socketPath()).path(), runtime);
    EXPECT_EQ(modeOf(running.socketPath()) & 077, 0u) << "the socket is the user's alone";

    const QString fallback = QDir::tempPath() + QStringLiteral("/lumisk-%1").arg(::getuid());
    const QString open = QDir::homePath() + str("/open");
    QDir().mkpath(open);
    ::chmod(native(open).constData(), 0755);
    const QString linked = QDir::homePath() + str("/linked");
    ASSERT_EQ(::symlink(native(runtime).constData(), native(linked).constData()), 0);
    const QString file = QDir::homePath() + str("/file");
    QFile(file).open(QIODevice::WriteOnly);
    for (const QString& value : {QString(), str("run"), open, linked, file}) {
        SCOPED_TRACE(value.toStdString());
        if (value.isNull())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", native(value).constData(), 1);
        EXPECT_EQ(InstanceChannel::runtimeFolder(), fallback);
        EXPECT_EQ(modeOf(fallback), 0700u);
    }
    // A fallback folder that others can reach is not used.
    ::unsetenv("XDG_RUNTIME_DIR");
    ::chmod(native(fallback).constData(), 0755);
    EXPECT_EQ(InstanceChannel::runtimeFolder(), QString());
    EXPECT_EQ(InstanceChannel(QString()).handOverOrListen({str("/a.jpg")}),
              InstanceChannel::Outcome::Alone);
}

TEST_F(InstanceChannelTest, PathsArriveAsSentEvenWhileTheRunningOneIsStillLaunching) {
    const QStringList paths{str("/photos/a.jpg"), str("/photos/with space/b.JPG"),
                            str("/photos/Ünïcødé/c.jpg"), str("/photos/line\nbreak.jpg"),
                            str("/photos/folder")};
    SecondStart second(paths);
    // Not running events yet, as a Lumisk that has not finished launching.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(received.isEmpty());

    ASSERT_TRUE(second.finish());
    EXPECT_EQ(second.outcome, InstanceChannel::Outcome::HandedOver);
    EXPECT_EQ(received, QList<QStringList>{paths});
}

TEST_F(InstanceChannelTest, ASocketLeftByACrashDoesNotBlockStartUp) {
    const QString path = running.socketPath();
    // The running one goes; a socket nobody listens on is left in its place.
    QLocalServer::removeServer(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, native(path).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));

    InstanceChannel next;
    QStringList arrived;
    QObject::connect(&next, &InstanceChannel::pathsReceived,
                     [&arrived](const QStringList& paths) { arrived << paths; });
    EXPECT_EQ(next.handOverOrListen({str("/a.jpg")}), InstanceChannel::Outcome::Listening);
    SecondStart second({str("/b.jpg")});
    ASSERT_TRUE(second.finish());
    EXPECT_EQ(second.outcome, InstanceChannel::Outcome::HandedOver);
    EXPECT_EQ(arrived, QStringList(str("/b.jpg")));
}

TEST_F(InstanceChannelTest, ARunningOneThatEndsTakesItsSocketAlong) {
    const QString path = running.socketPath();
    {
        InstanceChannel other(QDir::homePath());
        ASSERT_EQ(other.handOverOrListen({}), InstanceChannel::Outcome::Listening);
        ASSERT_TRUE(QFileInfo::exists(other.socketPath()));
    }
    EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + str("/lumisk.socket")));
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST_F(InstanceChannelTest, DamagedRequestsAreDroppedAndTheChannelListensOn) {
    const Exchange tooLong = send(request(0xFFFFFFFFu, "/a.jpg"));
    EXPECT_TRUE(tooLong.closedByServer);
    EXPECT_TRUE(tooLong.answer.isEmpty());

    send(request(100, "/a.jpg"), true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(received.isEmpty()) << "a request cut short opens nothing";

    const Exchange relative = send(request(21, QByteArray("rel/a.jpg\0/abs/b.jpg\0", 21)));
    EXPECT_EQ(relative.answer, QByteArray("A"));
    EXPECT_EQ(received, QList<QStringList>{QStringList(str("/abs/b.jpg"))})
        << "only absolute paths are taken";

    received.clear();
    const Exchange empty = send(request(0, {}));
    EXPECT_EQ(empty.answer, QByteArray("A"));
    EXPECT_EQ(received, QList<QStringList>{QStringList()});
    EXPECT_EQ(InstanceChannel::encodeRequest({}), request(0, {}));
}

TEST_F(InstanceChannelTest, NothingIsHandedToASocketOfAnotherUser) {
    if (::getuid() != 0)
        GTEST_SKIP() << "SKIPPED: only root can make a socket of another user";
    constexpr uid_t kNobody = 65534;
    // Another user's program listening where this user's Lumisk would.
    QLocalServer::removeServer(running.socketPath());
    QLocalServer foreign;
    ASSERT_TRUE(foreign.listen(running.socketPath()));
    ASSERT_EQ(::chown(native(running.socketPath()).constData(), kNobody, kNobody), 0);

    InstanceChannel next;
    EXPECT_EQ(next.handOverOrListen({str("/private.jpg")}), InstanceChannel::Outcome::Listening);
    QCoreApplication::processEvents();
    EXPECT_FALSE(foreign.hasPendingConnections());

    // A runtime folder of another user is not the user's own either.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    ASSERT_EQ(::chown(native(runtime).constData(), kNobody, kNobody), 0);
    EXPECT_NE(InstanceChannel::runtimeFolder(), runtime);
    ::chown(native(runtime).constData(), 0, 0);
}
