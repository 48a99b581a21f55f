#pragma once

#include <QByteArray>
#include <QMap>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// A small HTTP/1.0 server on 127.0.0.1 for client tests. Each path answers with a
// canned reply; paths may also redirect, fail or hang until the server stops.
// Runs its own threads, so clients that block the main thread can use it.
class LocalHttpServer {
public:
    struct Reply {
        int status = 200;
        QByteArray contentType = "application/octet-stream";
        QByteArray body;
        QByteArray location;     // sent as Location when set
        bool hang = false;       // never answers
        int delayMs = 0;         // answers only after this long
        bool omitLength = false; // no Content-Length, body ends with the connection
    };

    LocalHttpServer();
    ~LocalHttpServer();

    bool isListening() const { return _listenFd >= 0; }
    uint16_t port() const { return _port; }
    QByteArray url(const QByteArray& path) const;

    void setReply(const QByteArray& path, const Reply& reply);
    int requestCount(const QByteArray& path) const;

private:
    void acceptLoop();
    void serve(int fd);

    int _listenFd = -1;
    uint16_t _port = 0;
    std::atomic<bool> _stopping{false};
    mutable std::mutex _mutex;
    std::condition_variable _stopped;
    QMap<QByteArray, Reply> _replies;
    QMap<QByteArray, int> _counts;
    std::thread _acceptor;
    std::vector<std::thread> _workers;
};
