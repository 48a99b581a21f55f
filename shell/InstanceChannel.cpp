#include "shell/InstanceChannel.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kConnectTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 10000;
// The lock is held only while a process looks for a socket and listens.
constexpr int kLockTimeoutMs = 10000;
constexpr char kTaken = 'A';
constexpr int kHeaderBytes = 4;

// The user at the other end of a connection; none when it can't be asked.
std::optional<uid_t> peerUser(qintptr descriptor) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

// Whether something that belongs to another user stands at the path.
bool ownedByAnother(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && info.st_uid != ::getuid();
}

void drop(QLocalSocket* connection) {
    connection->abort();
    connection->deleteLater();
}

} // namespace

bool InstanceChannel::isPrivateFolder(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

QString InstanceChannel::runtimeFolder() {
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return runtime;
    const QString fallback = QDir::tempPath() + QStringLiteral("/lumisk-%1").arg(::getuid());
    // Made with its mode at once; one that was there already must pass the same test.
    ::mkdir(QFile::encodeName(fallback).constData(), 0700);
    if (isPrivateFolder(fallback))
        return fallback;
    qWarning("%s is not the user's alone: Lumisk runs without taking files from a second start",
             qPrintable(fallback));
    return {};
}

InstanceChannel::InstanceChannel(QString folder, QObject* parent)
    : QObject(parent), _folder(std::move(folder)) {}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::socketPath() const {
    return _folder.isEmpty() ? QString() : _folder + QLatin1Char('/') + QLatin1String(kSocketName);
}

QByteArray InstanceChannel::encodeRequest(const QStringList& paths) {
    QByteArray body;
    for (const QString& path : paths)
        body += QFile::encodeName(path) + '\0';
    QByteArray request(kHeaderBytes, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(body.size()), request.data());
    return request + body;
}

InstanceChannel::Outcome InstanceChannel::handOverOrListen(const QStringList& paths) {
    if (_folder.isEmpty())
        return Outcome::Alone;
    QLockFile lock(socketPath() + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockTimeoutMs)) {
        qWarning("%s stays locked: Lumisk runs without taking files from a second start",
                 qPrintable(lock.fileName()));
        return Outcome::Alone;
    }
    // A socket of another user is not one to hand files to; it is replaced.
    if (!ownedByAnother(socketPath())) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(kConnectTimeoutMs)) {
            // Another start may look now: this socket has a listener.
            lock.unlock();
            if (handOver(socket, paths))
                return Outcome::HandedOver;
            qWarning("The running Lumisk did not take the files; this one runs on its own");
            return Outcome::Alone;
        }
    }
    return listen() ? Outcome::Listening : Outcome::Alone;
}

bool InstanceChannel::handOver(QLocalSocket& socket, const QStringList& paths) {
    socket.write(encodeRequest(paths));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(kWriteTimeoutMs))
            return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(kAnswerTimeoutMs))
            return false;
    char answer = 0;
    return socket.getChar(&answer) && answer == kTaken;
}

bool InstanceChannel::listen() {
    // Nobody answers on a socket that is there now: it was left by a crash.
    QLocalServer::removeServer(socketPath());
    auto server = std::make_unique<QLocalServer>(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath())) {
        qWarning("Lumisk can't listen on %s (%s): it runs without taking files from a second "
                 "start",
                 qPrintable(socketPath()), qPrintable(server->errorString()));
        return false;
    }
    _server = server.release();
    connect(_server, &QLocalServer::newConnection, this, &InstanceChannel::acceptConnections);
    return true;
}

void InstanceChannel::acceptConnections() {
    while (QLocalSocket* connection = _server->nextPendingConnection()) {
        if (peerUser(connection->socketDescriptor()) != ::getuid()) {
            drop(connection);
            continue;
        }
        auto* deadline = new QTimer(connection);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, connection, [connection] { drop(connection); });
        deadline->start(kRequestTimeoutMs);
        connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        connect(connection, &QLocalSocket::readyRead, this,
                [this, connection] { readRequest(connection); });
        readRequest(connection);
    }
}

void InstanceChannel::readRequest(QLocalSocket* connection) {
    if (connection->bytesAvailable() < kHeaderBytes)
        return;
    const quint32 length = qFromBigEndian<quint32>(connection->peek(kHeaderBytes).constData());
    if (length > kMaxRequestBytes) {
        qWarning("A request of %u bytes to open files was refused", length);
        drop(connection);
        return;
    }
    if (connection->bytesAvailable() < kHeaderBytes + qint64(length))
        return;
    connection->skip(kHeaderBytes);
    const QByteArray body = connection->read(length);
    // One request per connection: whatever follows is not read.
    disconnect(connection, &QLocalSocket::readyRead, this, nullptr);
    for (QTimer* deadline : connection->findChildren<QTimer*>())
        deadline->stop();

    QStringList paths;
    for (const QByteArray& encoded : body.split('\0')) {
        if (encoded.isEmpty())
            continue;
        const QString path = QFile::decodeName(encoded);
        // Relative to what, here? The sender makes them absolute.
        if (QDir::isAbsolutePath(path))
            paths << path;
        else
            qWarning("Not opened, not an absolute path: %s", qPrintable(path));
    }
    connection->putChar(kTaken);
    connection->disconnectFromServer();
    Q_EMIT pathsReceived(paths);
}
