#include "support/ExchangeServer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

ExchangeServer::ExchangeServer() {
    QDir(_dir.path()).mkdir(QStringLiteral("files"));
    setState({});
    _process.setProgram(QStringLiteral("/usr/bin/python3"));
    _process.setArguments({QStringLiteral(LUMISK_TEST_SUPPORT_DIR "/exchange_server.py"),
                           _dir.filePath(QStringLiteral("state.json")),
                           _dir.filePath(QStringLiteral("calls.log")), filesFolder()});
    _process.setProcessChannelMode(QProcess::SeparateChannels);
    _process.start();
    if (!_process.waitForStarted(10000))
        return;
    while (!_process.canReadLine() && _process.waitForReadyRead(10000)) {
    }
    _port = _process.readLine().trimmed().toInt();
}

ExchangeServer::~ExchangeServer() {
    if (_process.state() != QProcess::NotRunning) {
        _process.kill();
        _process.waitForFinished(5000);
    }
}

QUrl ExchangeServer::endpoint() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/RPC2").arg(_port));
}

QString ExchangeServer::fileURL(const QString& name) const {
    return QStringLiteral("http://127.0.0.1:%1/files/%2").arg(_port).arg(name);
}

QString ExchangeServer::filesFolder() const {
    return _dir.filePath(QStringLiteral("files"));
}

void ExchangeServer::setState(const QJsonObject& state) {
    QFile file(_dir.filePath(QStringLiteral("state.json")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(state).toJson());
}

QJsonArray ExchangeServer::calls() const {
    QFile file(_dir.filePath(QStringLiteral("calls.log")));
    QJsonArray calls;
    if (!file.open(QIODevice::ReadOnly))
        return calls;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            calls.append(QJsonDocument::fromJson(line).array());
    return calls;
}

QStringList ExchangeServer::calledMethods() const {
    QStringList methods;
    for (const QJsonValue& call : calls())
        methods.append(call.toArray().at(0).toString());
    return methods;
}
