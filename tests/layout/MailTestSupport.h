#pragma once

// Waiting for a mailer's answer, and small files for the mail tests.

#include "layout/VQMailer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <optional>

struct MailAnswer {
    bool sent = false;
    QString error;
};

// Runs the event loop until the completion has run; null when it never did.
template <class Send> std::optional<MailAnswer> awaitMail(Send send, int ms = 30000) {
    // Shared: an answer that comes after the wait gave up has somewhere to go.
    const auto answer = std::make_shared<std::optional<MailAnswer>>();
    send([answer](bool sent, const QString& error) { *answer = MailAnswer{sent, error}; });
    QDeadlineTimer deadline(ms);
    while (!*answer && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return *answer;
}

inline bool writeTextFile(const QString& path, const QByteArray& contents,
                          bool executable = false) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) < 0)
        return false;
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return true;
}

inline QByteArray readFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
