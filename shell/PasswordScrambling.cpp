#include "shell/PasswordScrambling.h"

#include <QStringDecoder>

namespace {

// Byte i of the key repeated to `length` bytes, lowered by i. The stream is as long
// as the input, whatever its length: long user names and passwords must not overrun.
QByteArray keyStream(const QString& key, qsizetype length) {
    QByteArray keyBytes = key.toUtf8();
    if (keyBytes.isEmpty())
        keyBytes = QByteArray(kDefaultScramblingKey);
    QByteArray stream(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        stream[i] = char(uint8_t(uint8_t(keyBytes[i % keyBytes.size()]) - uint8_t(i)));
    return stream;
}

QByteArray applyStream(const QByteArray& bytes, const QString& key) {
    const QByteArray stream = keyStream(key, bytes.size());
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = char(bytes[i] ^ stream[i]);
    return out;
}

} // namespace

QByteArray EncryptString(const QString& text, const QString& key) {
    if (text.isEmpty())
        return QByteArray("");
    return applyStream(text.toUtf8(), key);
}

QString DecryptString(const QByteArray& data, const QString& key) {
    if (data.isEmpty())
        return QString(QLatin1String(""));
    const QByteArray plain = applyStream(data, key);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(plain);
    if (decoder.hasError())
        return QString();
    return text;
}
