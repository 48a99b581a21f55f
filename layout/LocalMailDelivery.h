#pragma once

#include "layout/VQMailDelivery.h"

#include <QString>

// Delivery through the local mail service: the message, addressed in its
// headers, goes to `sendmail -t -i`. Configured when that program exists. The
// delivery blocks and belongs on a worker.
class LocalMailDelivery {
public:
    static constexpr char kDefaultSendmailPath[] = "/usr/sbin/sendmail";
    static constexpr int kTimeoutMs = 120000;

    // The program; tests point it elsewhere (empty restores the default).
    static QString sendmailPath();
    static void setSendmailPath(const QString& path);

    static bool hasDeliveryClassBeenConfigured();
    // The sender is settings 32 and 33 when set; else the service's own.
    static VQMailDelivery::Outcome deliverMessage(const QString& program, const QString& fullName,
                                                  const QString& sender, const QString& body,
                                                  const QString& subject, const QString& address);
};
