#include "layout/VQMailer.h"

#include "layout/LocalMailDelivery.h"
#include "layout/VQMailDelivery.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/ScriptRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <thread>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// Systems before this one had an older default bridge.
constexpr uint32_t kLastPreJaguarVersion = 0x101F;

// The text in double quotes, safe inside a POSIX shell script.
QString shellQuoted(const QString& value) {
    QString escaped;
    escaped.reserve(value.size() + 2);
    escaped += u'"';
    for (QChar c : value) {
        if (c == u'\\' || c == u'"' || c == u'$' || c == u'`')
            escaped += u'\\';
        escaped += c;
    }
    escaped += u'"';
    return escaped;
}

QString quotedList(const QStringList& values) {
    QStringList quoted;
    for (const QString& value : values)
        quoted << shellQuoted(value);
    return quoted.join(QStringLiteral(", "));
}

QString recipientValue(const QVariantMap& recipient, const char* key) {
    return recipient.value(QString::fromLatin1(key)).toString();
}

bool hasAddress(const QVariantMap& recipient) {
    const QString address = recipientValue(recipient, VQMailer::kRecipientAddressKey);
    return !address.isEmpty() && address != text("NONE_SELECTED");
}

QStringList addressesOf(const QList<QVariantMap>& recipients) {
    QStringList addresses;
    for (const QVariantMap& recipient : recipients)
        if (hasAddress(recipient))
            addresses << recipientValue(recipient, VQMailer::kRecipientAddressKey);
    return addresses;
}

// Posts the answer to the main thread, where the receiver, when there was one,
// is looked at: gone, it takes the answer with it.
void answer(const QPointer<QObject>& receiver, bool guarded, const VQMailer::Completion& done,
            bool sent, const QString& error) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!done || !application)
        return;
    QMetaObject::invokeMethod(
        application,
        [receiver, guarded, done, sent, error] {
            if (!guarded || receiver)
                done(sent, error);
        },
        Qt::QueuedConnection);
}

} // namespace

VQMailer::VQMailer()
    : _myLock(std::make_shared<std::recursive_mutex>()),
      _bridgePath(FileAccess::expandTilde(text("BRIDGES_PATH"))) {}

QStringList VQMailer::availableBridges() {
    const QDir folder(FileAccess::expandTilde(text("BRIDGES_PATH")));
    QStringList names;
    for (const QFileInfo& file : folder.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name))
        if (file.suffix() == QLatin1String(kBridgeExtension))
            names << file.completeBaseName();
    return names;
}

QString VQMailer::bridgeFilePath(const QString& route) const {
    QString name = route;
    if (QFileInfo(route).suffix().compare(QLatin1String(kBridgeExtension), Qt::CaseInsensitive))
        name += u'.' + QLatin1String(kBridgeExtension);
    return QDir(_bridgePath).filePath(name);
}

std::optional<QString> VQMailer::loadBridgeScript(const QString& route) const {
    QString name = route;
    if (name.isEmpty()) {
        HostServices* services = HostServices::current();
        const bool older = services && services->osSystemVersion() <= kLastPreJaguarVersion;
        name = text(older ? "DEFAULT_BRIDGE_SCRIPT_PRE_JAG" : "DEFAULT_BRIDGE_SCRIPT");
    }
    QFile file(bridgeFilePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

QString VQMailer::scriptWithTokens(QString script, const QString& subject, const QString& body,
                                   const QList<QVariantMap>& recipients,
                                   const QStringList& attachments, bool deliverImmediately) {
    // A name goes with its address; a recipient with a name alone is skipped.
    QStringList names;
    QStringList addresses;
    for (const QVariantMap& recipient : recipients) {
        if (!hasAddress(recipient))
            continue;
        const QString name = recipientValue(recipient, kRecipientNameKey);
        if (!name.isEmpty())
            names << name;
        addresses << recipientValue(recipient, kRecipientAddressKey);
    }
    QString crBody = body;
    crBody.replace(u'\n', u'\r');
    crBody.replace(u'"', u'\'');
    const std::pair<const char*, QString> tokens[] = {
        {"SENDFLAG_TOKEN", deliverImmediately ? QStringLiteral("1") : QStringLiteral("0")},
        {"SUBJECT_TOKEN", shellQuoted(subject)},
        {"BODY_TOKEN", shellQuoted(body)},
        {"CR_BODY_TOKEN", shellQuoted(crBody)},
        {"NAMES_TOKEN", quotedList(names)},
        {"ADDRESS_TOKEN", quotedList(addresses)},
        {"ATTACHMENTS_TOKEN", quotedList(attachments)},
    };
    for (const auto& [key, value] : tokens)
        script.replace(text(key), value);
    return script;
}

void VQMailer::sendNotificationWithSubject(const QString& subject, const QString& body,
                                           const QList<QVariantMap>& recipients, QObject* receiver,
                                           Completion done) {
    const QString route =
        UserDefaults::standardUserDefaults().stringForKey(QString::fromLatin1(kMailerRouteKey));
    sendMessageWithSubject(subject, body, recipients, {}, route, true, receiver, std::move(done));
}

void VQMailer::sendMessageWithSubject(const QString& subject, const QString& body,
                                      const QList<QVariantMap>& recipients,
                                      const QStringList& attachments, const QString& route,
                                      bool deliverImmediately, QObject* receiver, Completion done) {
    const bool guarded = receiver != nullptr;
    const QPointer<QObject> target(receiver);
    const auto finish = [target, guarded, done](bool sent, const QString& error) {
        answer(target, guarded, done, sent, error);
    };
    const bool local = route == QLatin1String(kLocalDeliveryRoute);
    const bool smtp = route == QLatin1String(kSMTPRoute);

    if (local || smtp) {
        // Settings are read here, on the caller's thread; the worker only sends.
        const VQMailDelivery::Configuration configuration = VQMailDelivery::currentConfiguration();
        const bool configured = local
                                    ? LocalMailDelivery::hasDeliveryClassBeenConfigured()
                                    : VQMailDelivery::hasDeliveryClassBeenConfigured(configuration);
        if (!configured) {
            finish(false, text(local ? "MAIL_LOCAL_NOT_CONFIGURED" : "MAIL_NOT_CONFIGURED"));
            return;
        }
        const QStringList addresses = addressesOf(recipients);
        if (addresses.isEmpty()) {
            finish(false, text("MAIL_NO_RECIPIENTS"));
            return;
        }
        const QString program = LocalMailDelivery::sendmailPath();
        std::thread([lock = _myLock, local, configuration, program, addresses, subject, body,
                     finish] {
            const std::lock_guard<std::recursive_mutex> held(*lock);
            QStringList errors;
            for (const QString& address : addresses) {
                const VQMailDelivery::Outcome outcome =
                    local ? LocalMailDelivery::deliverMessage(program, configuration.fullName,
                                                              configuration.address, body, subject,
                                                              address)
                          : VQMailDelivery::deliverMessage(configuration, body, subject, address);
                // Every recipient is tried; one failure is the send's failure.
                if (!outcome.delivered)
                    errors << stringWithFormat(text("MAIL_RECIPIENT_FAILED"), address,
                                               outcome.error);
            }
            finish(errors.isEmpty(), errors.join(u'\n'));
        }).detach();
        return;
    }

    const std::optional<QString> script = loadBridgeScript(route);
    if (!script) {
        finish(false, stringWithFormat(text("MAIL_NO_BRIDGE"),
                                       route.isEmpty() ? text("DEFAULT_BRIDGE_SCRIPT") : route));
        return;
    }
    const QByteArray replaced =
        scriptWithTokens(*script, subject, body, recipients, attachments, deliverImmediately)
            .toUtf8();
    std::thread([lock = _myLock, replaced, folder = _bridgePath, handOverMs = _handOverMs, finish] {
        const std::lock_guard<std::recursive_mutex> held(*lock);
        ScriptRunner::runShellText(
            replaced, folder, handOverMs, [&finish](const ScriptRunner::Outcome& outcome) {
                if (outcome.stillRunning ||
                    (outcome.started && !outcome.killed && outcome.exitCode == 0)) {
                    finish(true, QString());
                    return;
                }
                QString error = QString::fromLocal8Bit(outcome.standardError).trimmed();
                if (error.isEmpty())
                    error = outcome.error;
                finish(false, stringWithFormat(text("MAIL_BRIDGE_FAILED"),
                                               outcome.started ? outcome.exitCode : -1, error));
            });
    }).detach();
}
