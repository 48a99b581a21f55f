#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Sends a message with a subject, a body, recipients and attachments by one of
// three routes, named by a text (the user default "prefNotificationMailerKey"):
//   - null: the default mail bridge; any text but "0" and "1": the bridge of
//     that name, a POSIX shell script kept as a ".txt" file in the bridges folder;
//   - "0": the local mail service (`sendmail -t -i`);
//   - "1": direct SMTP (VQMailDelivery).
// The two delivery routes send the body alone to each recipient with an
// address; attachments reach a bridge only.
//
// A bridge is the script's text with its tokens replaced by the message's values,
// each in double quotes with `\`, `"`, `$` and the backquote escaped, so that no
// value can run a command. List tokens give `"a", "b"`: words ending in a comma,
// which a bridge strips.
//
// Sends run on a worker thread, one at a time per mailer, and answer through the
// completion on the main thread: a bridge may not end until the mail program
// quits, so one still running after kHandOverMs counts as handed over.
class VQMailer {
public:
    // A recipient: "name" and "address" texts; empty, or an address of
    // "NONE_SELECTED", counts as missing.
    static constexpr char kRecipientNameKey[] = "name";
    static constexpr char kRecipientAddressKey[] = "address";
    static constexpr char kMailerRouteKey[] = "prefNotificationMailerKey";
    static constexpr char kLocalDeliveryRoute[] = "0";
    static constexpr char kSMTPRoute[] = "1";
    static constexpr char kBridgeExtension[] = "txt";
    static constexpr int kHandOverMs = 20000;

    // Called on the main thread; the error says why when nothing was sent.
    using Completion = std::function<void(bool sent, const QString& error)>;

    VQMailer();

    // The bridges directly in the folder, without their extension, by name.
    static QStringList availableBridges();
    QString bridgePath() const { return _bridgePath; }

    // The bridge script of a route (null: the default bridge); null when its file
    // can't be read.
    std::optional<QString> loadBridgeScript(const QString& route) const;
    // The file of a bridge: the route with ".txt" unless it ends so, in any case.
    QString bridgeFilePath(const QString& route) const;

    // The script with every token replaced by its value, in the tokens' order.
    static QString scriptWithTokens(QString script, const QString& subject, const QString& body,
                                    const QList<QVariantMap>& recipients,
                                    const QStringList& attachments, bool deliverImmediately);

    // `receiver` (may be null) bounds the completion's life: gone, it is not called.
    void sendMessageWithSubject(const QString& subject, const QString& body,
                                const QList<QVariantMap>& recipients,
                                const QStringList& attachments, const QString& route,
                                bool deliverImmediately, QObject* receiver, Completion done);
    // No attachments, the route of the user default, delivered at once.
    void sendNotificationWithSubject(const QString& subject, const QString& body,
                                     const QList<QVariantMap>& recipients, QObject* receiver,
                                     Completion done);

    // How long a running bridge is waited for before it counts as handed over.
    void setHandOverMs(int ms) { _handOverMs = ms; }

private:
    std::shared_ptr<std::recursive_mutex> _myLock;
    QString _bridgePath;
    int _handOverMs = kHandOverMs;
};
