#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// One plain-text message as it crosses the network: Date, Message-ID and
// MIME-Version headers, a format=flowed body wrapped at 72 columns. Plain ASCII
// goes as it is; anything else as UTF-8, quoted-printable in the body and
// encoded words in the headers, so that no text is lost on the way.
//
// No line break of a value reaches a header: breaks in names and the subject
// become spaces, and an address holding one, or an angle bracket, is refused.
class MailMessage {
public:
    struct Address {
        QString name;
        QString address;
    };

    static constexpr int kFlowedWidth = 72;

    // Lines end in CR LF. Null, with the reason in `error`, when an address is
    // refused; `from` may have no address (the mail service puts its own).
    static std::optional<QByteArray> compose(const Address& from, const Address& to,
                                             const QString& subject, const QString& body,
                                             const QDateTime& date, QString* error = nullptr);

    // Not empty, and no line break, "<" or ">".
    static bool isAcceptableAddress(const QString& address);

    // The body as format=flowed lines joined by line feeds: trailing spaces of the
    // user's lines trimmed, lines longer than `width` broken after a space (a word
    // longer than that stays whole), lines starting with a space, ">" or "From "
    // stuffed with a space.
    static QString flowedText(const QString& body, int width = kFlowedWidth);
};
