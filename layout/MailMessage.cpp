#include "layout/MailMessage.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUuid>

namespace {

// RFC 5322 limits a line to 998 octets; quoted-printable keeps within 76.
constexpr int kMaxLineOctets = 998;
constexpr int kMaxQuotedPrintableLine = 76;
// An encoded word may be 75 characters long; "=?UTF-8?B?" and "?=" take 12.
constexpr int kMaxEncodedWordBytes = 45;

bool isAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0x7E || (c.unicode() < 0x20 && c != u'\n' && c != u'\r' && c != u'\t'))
            return false;
    return true;
}

QString singleLine(const QString& text) {
    QString line = text;
    line.replace(QRegularExpression(QStringLiteral("[\\r\\n]+")), QStringLiteral(" "));
    return line;
}

// Encoded words of whole UTF-8 characters, folded onto continuation lines.
QByteArray encodedWords(const QString& text) {
    QByteArray out;
    QByteArray chunk;
    const auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype step = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray character = text.mid(i, step).toUtf8();
        if (chunk.size() + character.size() > kMaxEncodedWordBytes)
            flush();
        chunk += character;
        i += step;
    }
    flush();
    return out;
}

QByteArray headerText(const QString& text) {
    const QString line = singleLine(text);
    return isAscii(line) ? line.toLatin1() : encodedWords(line);
}

QByteArray displayName(const QString& name) {
    const QString line = singleLine(name);
    if (!isAscii(line))
        return encodedWords(line);
    QByteArray quoted = line.toLatin1();
    quoted.replace('\\', "\\\\");
    quoted.replace('"', "\\\"");
    return '"' + quoted + '"';
}

QByteArray mailbox(const MailMessage::Address& address) {
    const QByteArray spec = '<' + address.address.toUtf8() + '>';
    return address.name.trimmed().isEmpty() ? spec : displayName(address.name) + ' ' + spec;
}

QByteArray quotedPrintableLine(const QByteArray& line) {
    QByteArray out;
    int column = 0;
    const auto put = [&](const QByteArray& piece) {
        // Room is left for the "=" of a soft break.
        if (column + piece.size() > kMaxQuotedPrintableLine - 1) {
            out += "=\r\n";
            column = 0;
        }
        out += piece;
        column += int(piece.size());
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto byte = uchar(line[i]);
        const bool last = i == line.size() - 1;
        const bool plain =
            (byte >= 33 && byte <= 126 && byte != '=') || ((byte == ' ' || byte == '\t') && !last);
        put(plain ? QByteArray(1, char(byte))
                  : '=' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0'));
    }
    return out;
}

} // namespace

bool MailMessage::isAcceptableAddress(const QString& address) {
    if (address.trimmed().isEmpty())
        return false;
    for (QChar c : address)
        if (c == u'\r' || c == u'\n' || c == u'<' || c == u'>')
            return false;
    return true;
}

QString MailMessage::flowedText(const QString& body, int width) {
    QString normalized = body;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(u'\r', u'\n');
    // The last line's break ends it; it starts no line of its own.
    if (normalized.endsWith(u'\n'))
        normalized.chop(1);
    QStringList out;
    for (QString line : normalized.split(u'\n')) {
        // The signature separator keeps its space; any other trailing space
        // would make the line look soft.
        if (line != QLatin1String("-- "))
            while (line.endsWith(u' '))
                line.chop(1);
        do {
            qsizetype cut = line.size();
            if (line.size() > width) {
                // After the last space within the width, else after the first one
                // beyond it: a long word is never split.
                qsizetype space = line.lastIndexOf(u' ', width - 1);
                if (space <= 0)
                    space = line.indexOf(u' ', width);
                if (space > 0)
                    cut = space + 1;
            }
            QString piece = line.left(cut);
            line = line.mid(cut);
            if (piece.startsWith(u' ') || piece.startsWith(u'>') ||
                piece.startsWith(QLatin1String("From ")))
                piece.prepend(u' ');
            out << piece;
        } while (!line.isEmpty());
    }
    return out.join(u'\n');
}

std::optional<QByteArray> MailMessage::compose(const Address& from, const Address& to,
                                               const QString& subject, const QString& body,
                                               const QDateTime& date, QString* error) {
    if (!isAcceptableAddress(to.address) ||
        (!from.address.isEmpty() && !isAcceptableAddress(from.address))) {
        if (error)
            *error =
                QStringLiteral("address refused: %1")
                    .arg(singleLine(isAcceptableAddress(to.address) ? from.address : to.address));
        return std::nullopt;
    }
    const QString text = flowedText(body);
    QList<QByteArray> lines;
    bool longLine = false;
    for (const QString& line : text.split(u'\n')) {
        lines << line.toUtf8();
        longLine = longLine || lines.last().size() > kMaxLineOctets;
    }
    const bool quoted = !isAscii(text) || longLine;

    const QString domain = from.address.section(u'@', 1).trimmed();
    QByteArray message;
    message += "Date: " + date.toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    message += "Message-ID: <" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@' +
               (domain.isEmpty() ? QByteArray("localhost") : domain.toUtf8()) + ">\r\n";
    if (!from.address.isEmpty())
        message += "From: " + mailbox(from) + "\r\n";
    message += "To: " + mailbox(to) + "\r\n";
    message += "Subject: " + headerText(subject) + "\r\n";
    message += "MIME-Version: 1.0\r\n";
    message += QByteArray("Content-Type: text/plain; charset=") + (quoted ? "utf-8" : "us-ascii") +
               "; format=flowed\r\n";
    message += QByteArray("Content-Transfer-Encoding: ") + (quoted ? "quoted-printable" : "7bit") +
               "\r\n\r\n";
    for (const QByteArray& line : lines)
        message += (quoted ? quotedPrintableLine(line) : line) + "\r\n";
    return message;
}
