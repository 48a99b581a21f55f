#include "platform/foundation/FileTypeCode.h"

#include "platform/foundation/FileAccess.h"

#include <QFile>

namespace FileTypeCode {

namespace {

// Enough for every signature below.
constexpr qint64 kLeadingBytes = 12;

bool startsWith(const QByteArray& data, const char* signature, qsizetype length,
                qsizetype offset = 0) {
    return data.size() >= offset + length &&
           data.mid(offset, length) == QByteArray::fromRawData(signature, length);
}

} // namespace

QString typeCodeOfData(const QByteArray& data) {
    struct Signature {
        const char* bytes;
        qsizetype length;
        const char* code;
    };
    static const Signature kSignatures[] = {
        {"\xFF\xD8\xFF", 3, "JPEG"},
        {"\x89PNG\r\n\x1A\n", 8, "PNGf"},
        {"GIF87a", 6, "GIFf"},
        {"GIF89a", 6, "GIFf"},
        {"II*\0", 4, "TIFF"},
        {"MM\0*", 4, "TIFF"},
        {"8BPS", 4, "8BPS"},
        {"%PDF", 4, "PDF "},
        {"\0\0\0\x0CjP  \r\n\x87\n", 12, "jp2 "},
        {"BM", 2, "BMPf"},
    };
    for (const Signature& signature : kSignatures)
        if (startsWith(data, signature.bytes, signature.length))
            return QString::fromLatin1(signature.code);
    return QString();
}

QString typeCodeOfFile(const QString& path) {
    QFile file;
    if (!FileAccess::openRegularFileForReading(file, path))
        return QString();
    return typeCodeOfData(file.read(kLeadingBytes));
}

QString typeCodeText(const QString& code) {
    if (code.isEmpty())
        return QString();
    return QLatin1Char('\'') + code + QLatin1Char('\'');
}

uint32_t fourCharCode(const QString& code) {
    const QByteArray chars = code.toLatin1().left(4);
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | (i < chars.size() ? uint8_t(chars[i]) : (chars.isEmpty() ? 0 : ' '));
    return value;
}

} // namespace FileTypeCode
