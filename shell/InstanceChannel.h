#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One running Lumisk per user. The first to start listens on a local socket in
// the user's private runtime folder; a later one hands its paths over that
// socket and ends. A lock file around the look-and-listen step keeps two that
// start at once from both listening; a socket nobody answers on (left by a
// crash) is replaced.
//
// A request is a 32-bit big-endian byte count followed by that many bytes: the
// paths, each in the file system's encoding and ended by a NUL. The running
// Lumisk answers one byte, 'A', once it has taken the paths.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        HandedOver, // a running Lumisk took the paths
        Listening,  // this process runs, and takes requests
        Alone       // this process runs without a socket (see the warning)
    };

    static constexpr char kSocketName[] = "lumisk.socket";
    // Requests beyond this are refused: no list of paths a person opens is this long.
    static constexpr qint64 kMaxRequestBytes = 16 * 1024 * 1024;
    // A connection that hasn't sent its whole request by then is dropped.
    static constexpr int kRequestTimeoutMs = 10000;
    // How long a second Lumisk waits for the running one to answer; one still
    // launching answers once its event loop runs.
    static constexpr int kAnswerTimeoutMs = 60000;

    // The folder for the socket: $XDG_RUNTIME_DIR when it is the user's alone,
    // else "lumisk-<uid>" in the temporary folder, made so; empty when neither
    // is safe to use.
    static QString runtimeFolder();
    // Whether the folder is a real folder (no link) that only the user owns and
    // can reach.
    static bool isPrivateFolder(const QString& path);

    explicit InstanceChannel(QString folder = runtimeFolder(), QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Hands the paths to a running Lumisk, or else starts listening.
    Outcome handOverOrListen(const QStringList& paths);
    QString socketPath() const;

    // The bytes of a request for the paths.
    static QByteArray encodeRequest(const QStringList& paths);

Q_SIGNALS:
    // Each request's absolute paths, in the order sent, on the channel's thread.
    void pathsReceived(const QStringList& paths);

private:
    // Sends the request and waits for the answer.
    bool handOver(QLocalSocket& socket, const QStringList& paths);
    bool listen();
    void acceptConnections();
    void readRequest(QLocalSocket* connection);

    QString _folder;
    QLocalServer* _server = nullptr;
};
