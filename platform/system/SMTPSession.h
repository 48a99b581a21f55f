#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One blocking SMTP submission with libcurl, meant for worker threads: a whole
// message handed to one server for the envelope's recipients. The rest of the
// program never sees libcurl.
//
// Certificates are always verified, against the file named by SSL_CERT_FILE when
// that is set. Without implicit TLS the session upgrades with STARTTLS whenever the
// server offers it; when it authenticates, a server that offers no STARTTLS is left
// before any credential is sent, so a password never crosses the network in clear.
namespace SMTPSession {

struct Settings {
    QString host;
    int port = 25;
    // TLS from the first byte (smtps) rather than STARTTLS.
    bool implicitTLS = false;
    bool authenticate = false;
    // "PLAIN", "LOGIN", "CRAM-MD5"; empty takes any mechanism the server offers.
    QString mechanism;
    QString user;
    QString password;
    long connectTimeoutMs = 20000;
    long timeoutMs = 120000;
};

struct Result {
    bool ok = false;
    // The server offered no encryption while a password was to be sent.
    bool refusedInClear = false;
    QString error;
};

LUMISK_PLATFORM_EXPORT Result send(const Settings& settings, const QByteArray& from,
                                   const QList<QByteArray>& recipients, const QByteArray& message);

} // namespace SMTPSession
