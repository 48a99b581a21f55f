#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// The test exchange server (exchange_server.py) on 127.0.0.1, in a process of
// its own, with its state, call log and files in a temporary folder.
class ExchangeServer {
public:
    ExchangeServer();
    ~ExchangeServer();

    bool isRunning() const { return _port > 0; }
    QUrl endpoint() const;
    QString fileURL(const QString& name) const;
    QString filesFolder() const;

    void setState(const QJsonObject& state);
    // Each call so far: [method, params].
    QJsonArray calls() const;
    QStringList calledMethods() const;

private:
    QTemporaryDir _dir;
    QProcess _process;
    int _port = 0;
};
