#include "support/LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

LocalHttpServer::LocalHttpServer() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return;
    }
    _listenFd = fd;
    _port = ntohs(address.sin_port);
    _acceptor = std::thread([this] { acceptLoop(); });
}

LocalHttpServer::~LocalHttpServer() {
    {
        std::lock_guard lock(_mutex);
        _stopping = true;
    }
    _stopped.notify_all();
    if (_acceptor.joinable())
        _acceptor.join();
    for (std::thread& worker : _workers)
        worker.join();
    if (_listenFd >= 0)
        ::close(_listenFd);
}

QByteArray LocalHttpServer::url(const QByteArray& path) const {
    return "http://127.0.0.1:" + QByteArray::number(_port) + path;
}

void LocalHttpServer::setReply(const QByteArray& path, const Reply& reply) {
    std::lock_guard lock(_mutex);
    _replies[path] = reply;
}

int LocalHttpServer::requestCount(const QByteArray& path) const {
    std::lock_guard lock(_mutex);
    return _counts.value(path);
}

void LocalHttpServer::acceptLoop() {
    while (!_stopping) {
        pollfd p{_listenFd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int fd = ::accept(_listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        std::lock_guard lock(_mutex);
        _workers.emplace_back([this, fd] { serve(fd); });
    }
}

void LocalHttpServer::serve(int fd) {
    QByteArray request;
    char buffer[4096];
    while (!request.contains("\r\n\r\n") && !_stopping) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, n);
    }
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray path = requestLine.size() >= 2 ? requestLine[1] : QByteArray();

    Reply reply;
    {
        std::unique_lock lock(_mutex);
        ++_counts[path];
        if (_replies.contains(path))
            reply = _replies.value(path);
        else
            reply.status = 404;
        if (reply.hang) {
            _stopped.wait(lock, [this] { return _stopping.load(); });
            ::close(fd);
            return;
        }
        if (reply.delayMs > 0)
            _stopped.wait_for(lock, std::chrono::milliseconds(reply.delayMs),
                              [this] { return _stopping.load(); });
    }

    QByteArray response = "HTTP/1.0 " + QByteArray::number(reply.status) + " Reply\r\n";
    response += "Content-Type: " + reply.contentType + "\r\n";
    if (!reply.location.isEmpty())
        response += "Location: " + reply.location + "\r\n";
    if (!reply.omitLength)
        response += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    response += reply.body;
    qsizetype sent = 0;
    while (sent < response.size()) {
        const ssize_t n =
            ::send(fd, response.constData() + sent, size_t(response.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}
