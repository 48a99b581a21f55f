#pragma once

#include <QString>

// Direct SMTP delivery of a plain-text message, configured by the settings
// store: sender 32 and 33, server 34 and 35 (0 means 25), TLS from the start 36
// (off: STARTTLS whenever offered), authentication 37 (0 none, 1 "PLAIN",
// 2 "LOGIN", 3 "CRAM-MD5", others any mechanism offered), user 38, password 39.
//
// The settings are read on the main thread into a Configuration; the delivery
// itself blocks and belongs on a worker.
class VQMailDelivery {
public:
    struct Configuration {
        QString fullName;
        QString address;
        QString host;
        int port = 25;
        bool useSSL = false;
        int authenticationMethod = 0;
        QString user;
        QString password;
    };

    struct Outcome {
        bool delivered = false;
        QString error;
    };

    static Configuration currentConfiguration();
    static bool hasDeliveryClassBeenConfigured();
    static bool hasDeliveryClassBeenConfigured(const Configuration& configuration);
    // The mechanism of setting 37; empty for any.
    static QString mechanismName(int method);

    static Outcome deliverMessage(const Configuration& configuration, const QString& body,
                                  const QString& subject, const QString& address);
};
