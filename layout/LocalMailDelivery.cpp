#include "layout/LocalMailDelivery.h"

#include "layout/MailMessage.h"
#include "platform/foundation/LocalizedStrings.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>

namespace {

QMutex gPathLock;
QString gSendmailPath;

} // namespace

QString LocalMailDelivery::sendmailPath() {
    const QMutexLocker lock(&gPathLock);
    return gSendmailPath.isEmpty() ? QString::fromLatin1(kDefaultSendmailPath) : gSendmailPath;
}

void LocalMailDelivery::setSendmailPath(const QString& path) {
    const QMutexLocker lock(&gPathLock);
    gSendmailPath = path;
}

bool LocalMailDelivery::hasDeliveryClassBeenConfigured() {
    const QFileInfo program(sendmailPath());
    return program.isFile() && program.isExecutable();
}

VQMailDelivery::Outcome
LocalMailDelivery::deliverMessage(const QString& program, const QString& fullName,
                                  const QString& sender, const QString& body,
                                  const QString& subject, const QString& address) {
    VQMailDelivery::Outcome outcome;
    std::optional<QByteArray> message =
        MailMessage::compose({fullName, sender}, {QString(), address}, subject, body,
                             QDateTime::currentDateTime(), &outcome.error);
    if (!message) {
        outcome.error = localizedString(QStringLiteral("MAIL_BAD_ADDRESS"));
        return outcome;
    }
    // The local service takes lines in the system's own convention.
    message->replace("\r\n", "\n");
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("-t"), QStringLiteral("-i")});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(kTimeoutMs)) {
        outcome.error = process.errorString();
        return outcome;
    }
    process.write(*message);
    process.closeWriteChannel();
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        outcome.error = process.errorString();
        return outcome;
    }
    outcome.delivered = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!outcome.delivered) {
        outcome.error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        if (outcome.error.isEmpty())
            outcome.error =
                QStringLiteral("%1: exit status %2").arg(program).arg(process.exitCode());
    }
    return outcome;
}
