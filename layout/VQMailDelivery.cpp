#include "layout/VQMailDelivery.h"

#include "layout/MailMessage.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/system/SMTPSession.h"

namespace {

constexpr int kDefaultPort = 25;

} // namespace

VQMailDelivery::Configuration VQMailDelivery::currentConfiguration() {
    HostServices& settings = host();
    Configuration c;
    c.fullName = settings.preferencesStringFor(PrefSendersFullName);
    c.address = settings.preferencesStringFor(PrefSendersEmailAddress);
    c.host = settings.preferencesStringFor(PrefSendMailHost);
    const int port = settings.preferencesIntFor(PrefSendServerPort);
    c.port = port == 0 ? kDefaultPort : port;
    c.useSSL = settings.preferencesBOOLFor(PrefSendUseSSL);
    c.authenticationMethod = settings.preferencesIntFor(PrefSendAuthenticationMethod);
    c.user = settings.preferencesStringFor(PrefSendUsername);
    c.password = settings.preferencesStringFor(PrefSendPassword);
    return c;
}

bool VQMailDelivery::hasDeliveryClassBeenConfigured() {
    return hasDeliveryClassBeenConfigured(currentConfiguration());
}

bool VQMailDelivery::hasDeliveryClassBeenConfigured(const Configuration& c) {
    if (c.fullName.isEmpty() || c.address.isEmpty() || c.host.isEmpty())
        return false;
    return c.authenticationMethod == 0 || (!c.user.isEmpty() && !c.password.isEmpty());
}

QString VQMailDelivery::mechanismName(int method) {
    switch (method) {
    case 1:
        return QStringLiteral("PLAIN");
    case 2:
        return QStringLiteral("LOGIN");
    case 3:
        return QStringLiteral("CRAM-MD5");
    default:
        return QString();
    }
}

VQMailDelivery::Outcome VQMailDelivery::deliverMessage(const Configuration& c, const QString& body,
                                                       const QString& subject,
                                                       const QString& address) {
    Outcome outcome;
    if (c.authenticationMethod != 0 && c.password.isEmpty()) {
        outcome.error = localizedString(QStringLiteral("MAIL_NOT_CONFIGURED"));
        return outcome;
    }
    if (!MailMessage::isAcceptableAddress(c.address)) {
        outcome.error = localizedString(QStringLiteral("MAIL_BAD_ADDRESS"));
        return outcome;
    }
    const std::optional<QByteArray> message =
        MailMessage::compose({c.fullName, c.address}, {QString(), address}, subject, body,
                             QDateTime::currentDateTime(), &outcome.error);
    if (!message) {
        outcome.error = localizedString(QStringLiteral("MAIL_BAD_ADDRESS"));
        return outcome;
    }
    SMTPSession::Settings settings;
    settings.host = c.host;
    settings.port = c.port;
    settings.implicitTLS = c.useSSL;
    settings.authenticate = c.authenticationMethod != 0;
    settings.mechanism = mechanismName(c.authenticationMethod);
    settings.user = c.user;
    settings.password = c.password;
    const SMTPSession::Result sent =
        SMTPSession::send(settings, c.address.toUtf8(), {address.toUtf8()}, *message);
    outcome.delivered = sent.ok;
    if (sent.refusedInClear)
        outcome.error = localizedString(QStringLiteral("MAIL_REFUSED_IN_CLEAR"));
    else if (!sent.ok)
        outcome.error = sent.error;
    return outcome;
}
