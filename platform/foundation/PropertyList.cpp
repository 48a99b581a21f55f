#include "platform/foundation/PropertyList.h"
#include "platform/foundation/FileAccess.h"

#include <QDateTime>
#include <QFile>
#include <QStringDecoder>
#include <QStringList>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace PropertyList {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ssZ");

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The first character XML 1.0 cannot carry (control characters, unpaired
// surrogates, U+FFFE/U+FFFF), or -1.
qsizetype firstNonXmlChar(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || !isXmlChar(c.unicode()))
            return i;
    }
    return -1;
}

QString characterName(const QString& text, qsizetype at) {
    return QStringLiteral("U+%1").arg(
        QString::number(text.at(at).unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

enum class Encoding { Utf8, Utf16 };

// The document's text in the encodings property lists are written in: UTF-8,
// with or without its mark, and UTF-16 with its mark. Anything the decoder
// had to guess at or replace is refused, and so is any character XML cannot
// hold (unpaired surrogates among them): a list that reads must write again.
std::optional<QString> decodeDocument(const QByteArray& bytes, Encoding* encoding, QString* error) {
    const auto startsWith = [&](const char* mark, qsizetype size) {
        return bytes.size() >= size && std::equal(mark, mark + size, bytes.constData());
    };
    QStringDecoder::Encoding decoderEncoding = QStringDecoder::Utf8;
    qsizetype skip = 0;
    *encoding = Encoding::Utf8;
    if (startsWith("\xFF\xFE\x00\x00", 4) || startsWith("\x00\x00\xFE\xFF", 4)) {
        *error = QStringLiteral("UTF-32 text is not accepted");
        return std::nullopt;
    }
    if (startsWith("\xEF\xBB\xBF", 3)) {
        skip = 3;
    } else if (startsWith("\xFF\xFE", 2) || startsWith("\xFE\xFF", 2)) {
        decoderEncoding = bytes.at(0) == '\xFF' ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE;
        *encoding = Encoding::Utf16;
        skip = 2;
    } else if (startsWith("\x00<", 2) || startsWith("<\x00", 2)) {
        *error = QStringLiteral("UTF-16 text without its byte-order mark is not accepted");
        return std::nullopt;
    }
    QStringDecoder decoder(decoderEncoding, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes).sliced(skip));
    if (decoder.hasError()) {
        *error = *encoding == Encoding::Utf8 ? QStringLiteral("the text is not valid UTF-8")
                                             : QStringLiteral("the text is not valid UTF-16");
        return std::nullopt;
    }
    if (const qsizetype bad = firstNonXmlChar(text); bad >= 0) {
        const qsizetype line = text.left(bad).count(QLatin1Char('\n')) + 1;
        *error = QStringLiteral("line %1: the character %2 cannot be held by XML")
                     .arg(line)
                     .arg(characterName(text, bad));
        return std::nullopt;
    }
    return text;
}

// A declared encoding must name the one the text was found in.
bool declaredEncodingMatches(QStringView declared, Encoding encoding) {
    if (declared.isEmpty())
        return true;
    if (encoding == Encoding::Utf8)
        return declared.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0;
    return declared.compare(QLatin1String("UTF-16"), Qt::CaseInsensitive) == 0 ||
           declared.compare(QLatin1String("UTF-16LE"), Qt::CaseInsensitive) == 0 ||
           declared.compare(QLatin1String("UTF-16BE"), Qt::CaseInsensitive) == 0;
}

class Writer {
public:
    explicit Writer(QByteArray* out) : _xml(out) {
        _xml.setAutoFormatting(true);
        _xml.setAutoFormattingIndent(-1);
    }

    bool write(const QVariant& value) {
        _xml.writeStartDocument();
        _xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
        _xml.writeStartElement(QStringLiteral("plist"));
        _xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        if (!writeValue(value, 1))
            return false;
        _xml.writeEndElement();
        _xml.writeEndDocument();
        if (_xml.hasError())
            return fail(QStringLiteral("the XML writer failed"));
        return true;
    }

    const QString& error() const { return _error; }

private:
    bool fail(const QString& message) {
        if (_error.isEmpty())
            _error = message;
        return false;
    }

    // A carriage return goes out as a character reference: a literal one
    // would read back as a line feed.
    bool writeText(const QString& element, const QString& text) {
        const qsizetype bad = firstNonXmlChar(text);
        if (bad >= 0)
            return fail(QStringLiteral("text contains the character %1, which XML cannot hold")
                            .arg(characterName(text, bad)));
        _xml.writeStartElement(element);
        qsizetype start = 0;
        while (start <= text.size()) {
            qsizetype cr = text.indexOf(QLatin1Char('\r'), start);
            if (cr < 0)
                cr = text.size();
            if (cr > start)
                _xml.writeCharacters(text.mid(start, cr - start));
            if (cr == text.size())
                break;
            _xml.writeEntityReference(QStringLiteral("#13"));
            start = cr + 1;
        }
        _xml.writeEndElement();
        return true;
    }

    void writeSimple(const QString& element, const QString& text) {
        _xml.writeTextElement(element, text);
    }

    bool enter(int depth) {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("nesting deeper than %1 levels").arg(kMaxDepth));
        return true;
    }

    bool writeValue(const QVariant& value, int depth) {
        switch (kindOf(value)) {
        case Kind::Invalid:
            return fail(QStringLiteral("a value of type %1 cannot be stored in a property list")
                            .arg(QLatin1String(value.isValid() ? value.typeName() : "(none)")));
        case Kind::Dictionary: {
            if (!enter(depth))
                return false;
            _xml.writeStartElement(QStringLiteral("dict"));
            if (value.typeId() == QMetaType::QVariantHash) {
                const QVariantHash hash = value.toHash();
                QStringList keys = hash.keys();
                std::sort(keys.begin(), keys.end());
                for (const QString& key : keys)
                    if (!writeText(QStringLiteral("key"), key) ||
                        !writeValue(hash.value(key), depth + 1))
                        return false;
            } else {
                const QVariantMap map = value.toMap();
                for (auto it = map.cbegin(); it != map.cend(); ++it)
                    if (!writeText(QStringLiteral("key"), it.key()) ||
                        !writeValue(it.value(), depth + 1))
                        return false;
            }
            _xml.writeEndElement();
            return true;
        }
        case Kind::Array: {
            if (!enter(depth))
                return false;
            _xml.writeStartElement(QStringLiteral("array"));
            if (value.typeId() == QMetaType::QStringList) {
                for (const QString& s : value.toStringList())
                    if (!writeText(QStringLiteral("string"), s))
                        return false;
            } else {
                for (const QVariant& item : value.toList())
                    if (!writeValue(item, depth + 1))
                        return false;
            }
            _xml.writeEndElement();
            return true;
        }
        case Kind::String:
            return writeText(QStringLiteral("string"), value.toString());
        case Kind::Integer: {
            const int id = value.typeId();
            const bool isUnsigned = id == QMetaType::UInt || id == QMetaType::ULongLong ||
                                    id == QMetaType::ULong || id == QMetaType::UShort ||
                                    id == QMetaType::UChar;
            writeSimple(QStringLiteral("integer"), isUnsigned
                                                       ? QString::number(value.toULongLong())
                                                       : QString::number(value.toLongLong()));
            return true;
        }
        case Kind::Real:
            writeSimple(QStringLiteral("real"), realText(value));
            return true;
        case Kind::Boolean:
            _xml.writeEmptyElement(value.toBool() ? QStringLiteral("true")
                                                  : QStringLiteral("false"));
            return true;
        case Kind::Data:
            writeSimple(QStringLiteral("data"),
                        QString::fromLatin1(value.toByteArray().toBase64()));
            return true;
        case Kind::Date: {
            const QDateTime utc = value.toDateTime().toUTC();
            if (!utc.isValid())
                return fail(QStringLiteral("invalid date"));
            if (utc.date().year() < 1 || utc.date().year() > 9999)
                return fail(QStringLiteral("date outside the years 1 to 9999"));
            writeSimple(QStringLiteral("date"), utc.toString(kDateFormat));
            return true;
        }
        }
        return fail(QStringLiteral("unknown value kind"));
    }

    // The shortest text that reads back as the same number.
    static QString realText(const QVariant& value) {
        const double d = value.toDouble();
        if (std::isnan(d))
            return QStringLiteral("nan");
        if (std::isinf(d))
            return d > 0 ? QStringLiteral("+infinity") : QStringLiteral("-infinity");
        char buffer[64];
        const std::to_chars_result r =
            value.typeId() == QMetaType::Float
                ? std::to_chars(buffer, buffer + sizeof buffer, value.toFloat())
                : std::to_chars(buffer, buffer + sizeof buffer, d);
        return QString::fromLatin1(buffer, r.ptr - buffer);
    }

    QXmlStreamWriter _xml;
    QString _error;
};

class Parser {
public:
    // The text is read as it stands: whatever encoding it declares was
    // checked against the one it was found in.
    Parser(const QString& text, Encoding encoding) : _xml(text), _encoding(encoding) {}

    QVariant parse() {
        QVariant result;
        bool haveRoot = false;
        while (!_xml.atEnd() && !_xml.hasError()) {
            switch (_xml.readNext()) {
            case QXmlStreamReader::StartDocument:
                if (!declaredEncodingMatches(_xml.documentEncoding(), _encoding))
                    _xml.raiseError(
                        QStringLiteral("the declared encoding \"%1\" is not accepted here (%2)")
                            .arg(_xml.documentEncoding().toString(),
                                 _encoding == Encoding::Utf8
                                     ? QStringLiteral("the text is UTF-8")
                                     : QStringLiteral("the text is UTF-16")));
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
            case QXmlStreamReader::EndDocument:
                break;
            case QXmlStreamReader::DTD:
                // An internal subset could declare entities; a property list has no use for one.
                if (!_xml.entityDeclarations().isEmpty() || _xml.text().contains(QLatin1Char('[')))
                    _xml.raiseError(QStringLiteral("document type declarations with an internal "
                                                   "subset are not accepted"));
                break;
            case QXmlStreamReader::Characters:
                if (!_xml.isWhitespace())
                    _xml.raiseError(QStringLiteral("text outside the root element"));
                break;
            case QXmlStreamReader::StartElement:
                if (haveRoot) {
                    _xml.raiseError(QStringLiteral("more than one root element"));
                } else if (_xml.name() != QLatin1String("plist")) {
                    _xml.raiseError(QStringLiteral("root element is <%1>, not <plist>")
                                        .arg(_xml.name().toString()));
                } else {
                    haveRoot = true;
                    result = parsePlistBody();
                }
                break;
            default:
                fail(QStringLiteral("unexpected %1").arg(_xml.tokenString()));
                break;
            }
        }
        if (!_xml.hasError() && !haveRoot)
            _xml.raiseError(QStringLiteral("no <plist> element"));
        if (_xml.hasError()) {
            _error = QStringLiteral("line %1, column %2: %3")
                         .arg(_xml.lineNumber())
                         .arg(_xml.columnNumber())
                         .arg(_xml.errorString());
            return {};
        }
        return result;
    }

    const QString& error() const { return _error; }

private:
    bool failed() const { return _xml.hasError(); }

    QVariant fail(const QString& message) {
        if (!_xml.hasError())
            _xml.raiseError(message);
        return {};
    }

    // Skips whitespace, comments and processing instructions up to the next
    // start or end element; anything else is an error (answered as Invalid).
    QXmlStreamReader::TokenType nextElement() {
        while (!_xml.atEnd()) {
            switch (_xml.readNext()) {
            case QXmlStreamReader::StartElement:
            case QXmlStreamReader::EndElement:
                return _xml.tokenType();
            case QXmlStreamReader::Characters:
                if (!_xml.isWhitespace()) {
                    fail(QStringLiteral("unexpected text"));
                    return QXmlStreamReader::Invalid;
                }
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                break;
            case QXmlStreamReader::Invalid:
                return QXmlStreamReader::Invalid;
            default:
                fail(QStringLiteral("unexpected %1").arg(_xml.tokenString()));
                return QXmlStreamReader::Invalid;
            }
        }
        fail(QStringLiteral("unexpected end of document"));
        return QXmlStreamReader::Invalid;
    }

    QVariant parsePlistBody() {
        switch (nextElement()) {
        case QXmlStreamReader::EndElement:
            return fail(QStringLiteral("empty property list"));
        case QXmlStreamReader::StartElement:
            break;
        default:
            return {};
        }
        QVariant value = parseValue(1);
        if (failed())
            return {};
        switch (nextElement()) {
        case QXmlStreamReader::EndElement:
            return value;
        case QXmlStreamReader::StartElement:
            return fail(QStringLiteral("more than one value in <plist>"));
        default:
            return {};
        }
    }

    QString elementText() {
        QString text = _xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        return failed() ? QString() : text;
    }

    // The current token is the value's start element.
    QVariant parseValue(int depth) {
        const QStringView name = _xml.name();
        if (name == QLatin1String("dict"))
            return parseDict(depth);
        if (name == QLatin1String("array"))
            return parseArray(depth);
        if (name == QLatin1String("string")) {
            const QString text = elementText();
            return failed() ? QVariant() : QVariant(text.isNull() ? QStringLiteral("") : text);
        }
        if (name == QLatin1String("integer"))
            return parseInteger(elementText().trimmed());
        if (name == QLatin1String("real"))
            return parseReal(elementText().trimmed());
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool flag = name == QLatin1String("true");
            const QString text = elementText();
            if (failed())
                return {};
            if (!text.isEmpty())
                return fail(QStringLiteral("<%1> must be empty").arg(flag ? "true" : "false"));
            return QVariant(flag);
        }
        if (name == QLatin1String("data"))
            return parseData(elementText());
        if (name == QLatin1String("date"))
            return parseDate(elementText().trimmed());
        return fail(QStringLiteral("unknown element <%1>").arg(name.toString()));
    }

    QVariant parseDict(int depth) {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("nesting deeper than %1 levels").arg(kMaxDepth));
        QVariantMap map;
        for (;;) {
            const QXmlStreamReader::TokenType token = nextElement();
            if (token == QXmlStreamReader::EndElement)
                return map;
            if (token != QXmlStreamReader::StartElement)
                return {};
            if (_xml.name() != QLatin1String("key"))
                return fail(QStringLiteral("<%1> where a <key> was expected in <dict>")
                                .arg(_xml.name().toString()));
            const QString key = elementText();
            if (failed())
                return {};
            const QXmlStreamReader::TokenType next = nextElement();
            if (next == QXmlStreamReader::EndElement)
                return fail(QStringLiteral("key \"%1\" has no value").arg(key));
            if (next != QXmlStreamReader::StartElement)
                return {};
            if (_xml.name() == QLatin1String("key"))
                return fail(QStringLiteral("key \"%1\" has no value").arg(key));
            QVariant value = parseValue(depth + 1);
            if (failed())
                return {};
            if (map.contains(key))
                return fail(QStringLiteral("key \"%1\" appears twice").arg(key));
            map.insert(key, value);
        }
    }

    QVariant parseArray(int depth) {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("nesting deeper than %1 levels").arg(kMaxDepth));
        QVariantList list;
        for (;;) {
            const QXmlStreamReader::TokenType token = nextElement();
            if (token == QXmlStreamReader::EndElement)
                return list;
            if (token != QXmlStreamReader::StartElement)
                return {};
            QVariant value = parseValue(depth + 1);
            if (failed())
                return {};
            list.append(value);
        }
    }

    // Decimal, or hexadecimal after "0x", with an optional sign.
    QVariant parseInteger(const QString& text) {
        if (failed())
            return {};
        const QByteArray bytes = text.toLatin1();
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        bool negative = false;
        if (p != end && (*p == '-' || *p == '+'))
            negative = *p++ == '-';
        int base = 10;
        if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
            base = 16;
            p += 2;
        }
        quint64 magnitude = 0;
        const std::from_chars_result r = std::from_chars(p, end, magnitude, base);
        if (p == end || r.ec == std::errc::invalid_argument || r.ptr != end)
            return fail(QStringLiteral("\"%1\" is not an integer").arg(text));
        constexpr quint64 kSignedMax = quint64(std::numeric_limits<qint64>::max());
        if (r.ec == std::errc::result_out_of_range || (negative && magnitude > kSignedMax + 1))
            return fail(QStringLiteral("integer \"%1\" out of range").arg(text));
        if (negative)
            return QVariant(qint64(0 - magnitude));
        if (magnitude > kSignedMax)
            return QVariant(magnitude);
        return QVariant(qint64(magnitude));
    }

    QVariant parseReal(const QString& text) {
        if (failed())
            return {};
        const QString lower = text.toLower();
        if (lower == QLatin1String("nan"))
            return QVariant(std::numeric_limits<double>::quiet_NaN());
        for (const char* inf : {"inf", "+inf", "infinity", "+infinity"})
            if (lower == QLatin1String(inf))
                return QVariant(std::numeric_limits<double>::infinity());
        for (const char* inf : {"-inf", "-infinity"})
            if (lower == QLatin1String(inf))
                return QVariant(-std::numeric_limits<double>::infinity());
        const QByteArray bytes = text.toLatin1();
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        if (p != end && *p == '+' && end - p > 1 && p[1] != '-')
            ++p;
        double value = 0;
        const std::from_chars_result r = std::from_chars(p, end, value, std::chars_format::general);
        if (p == end || r.ec == std::errc::invalid_argument || r.ptr != end ||
            !std::isfinite(value))
            return fail(QStringLiteral("\"%1\" is not a real number").arg(text));
        if (r.ec == std::errc::result_out_of_range)
            return fail(QStringLiteral("real \"%1\" out of range").arg(text));
        return QVariant(value);
    }

    // Whitespace may break the text into lines; anything else must be strict
    // padded base64.
    QVariant parseData(const QString& text) {
        if (failed())
            return {};
        QByteArray compact;
        compact.reserve(text.size());
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u == ' ' || u == '\t' || u == '\n' || u == '\r')
                continue;
            const bool alphabet = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                                  (u >= '0' && u <= '9') || u == '+' || u == '/' || u == '=';
            if (!alphabet)
                return fail(QStringLiteral("<data> is not base64"));
            compact.append(char(u));
        }
        const qsizetype firstPad = compact.indexOf('=');
        const qsizetype padding = firstPad < 0 ? 0 : compact.size() - firstPad;
        if (compact.size() % 4 != 0 || padding > 2 || compact.count('=') != padding)
            return fail(QStringLiteral("<data> is not base64"));
        const QByteArray::FromBase64Result decoded =
            QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return fail(QStringLiteral("<data> is not base64"));
        return QVariant(*decoded);
    }

    QVariant parseDate(const QString& text) {
        if (failed())
            return {};
        // yyyy-MM-ddTHH:mm:ssZ, nothing else.
        static const char kPattern[] = "dddd-dd-ddTdd:dd:ddZ";
        bool shape = text.size() == int(sizeof kPattern) - 1;
        for (qsizetype i = 0; shape && i < text.size(); ++i) {
            const char16_t u = text.at(i).unicode();
            shape = kPattern[i] == 'd' ? (u >= '0' && u <= '9') : u == char16_t(kPattern[i]);
        }
        if (shape) {
            const auto number = [&](int from, int count) { return text.mid(from, count).toInt(); };
            const QDate date(number(0, 4), number(5, 2), number(8, 2));
            const QTime time(number(11, 2), number(14, 2), number(17, 2));
            if (date.isValid() && time.isValid() && date.year() >= 1)
                return QVariant(QDateTime(date, time, QTimeZone::utc()));
        }
        return fail(
            QStringLiteral("\"%1\" is not a date of the form 2006-01-02T15:04:05Z").arg(text));
    }

    QXmlStreamReader _xml;
    Encoding _encoding;
    QString _error;
};

void setError(QString* error, const QString& message) {
    if (error)
        *error = message;
}

} // namespace

bool isInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

bool isNumber(const QVariant& value) {
    return isInteger(value) || value.typeId() == QMetaType::Float ||
           value.typeId() == QMetaType::Double;
}

Kind kindOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return Kind::Dictionary;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return Kind::Array;
    case QMetaType::QString:
        return Kind::String;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return Kind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Real;
    case QMetaType::Bool:
        return Kind::Boolean;
    case QMetaType::QByteArray:
        return Kind::Data;
    case QMetaType::QDateTime:
        return Kind::Date;
    default:
        return Kind::Invalid;
    }
}

QByteArray toXml(const QVariant& value, QString* error) {
    QByteArray out;
    Writer writer(&out);
    if (!writer.write(value)) {
        setError(error, writer.error());
        return {};
    }
    return out;
}

QVariant fromXml(const QByteArray& xml, QString* error) {
    Encoding encoding = Encoding::Utf8;
    QString reason;
    const std::optional<QString> text = decodeDocument(xml, &encoding, &reason);
    if (!text) {
        setError(error, reason);
        return {};
    }
    Parser parser(*text, encoding);
    QVariant value = parser.parse();
    if (!value.isValid())
        setError(error, parser.error());
    return value;
}

bool writeToFile(const QVariant& value, const QString& path, QString* error) {
    QString reason;
    const QByteArray xml = toXml(value, &reason);
    if (xml.isEmpty()) {
        setError(error, QStringLiteral("%1: %2").arg(path, reason));
        return false;
    }
    if (xml.size() > kMaxFileSize) {
        setError(error,
                 QStringLiteral("%1: the property list is larger than a file may hold").arg(path));
        return false;
    }
    if (!FileAccess::writeFileAtomically(path, xml, &reason)) {
        setError(error, QStringLiteral("%1: %2").arg(path, reason));
        return false;
    }
    return true;
}

QVariant readFromFile(const QString& path, QString* error) {
    QString reason;
    const std::optional<QByteArray> xml = FileAccess::readRegularFile(path, kMaxFileSize, &reason);
    if (!xml) {
        setError(error, QStringLiteral("%1: %2").arg(path, reason));
        return {};
    }
    QVariant value = fromXml(*xml, &reason);
    if (!value.isValid())
        setError(error, QStringLiteral("%1: %2").arg(path, reason));
    return value;
}

} // namespace PropertyList
