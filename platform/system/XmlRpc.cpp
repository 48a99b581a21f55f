#include "platform/system/XmlRpc.h"

#include <QDateTime>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

// Deeper nesting than this is refused rather than followed.
constexpr int kMaxDepth = 64;

void writeValue(QXmlStreamWriter& xml, const QVariant& value) {
    xml.writeStartElement(QStringLiteral("value"));
    switch (value.typeId()) {
    case QMetaType::Bool:
        xml.writeTextElement(QStringLiteral("boolean"),
                             value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
        xml.writeTextElement(QStringLiteral("int"), QString::number(value.toInt()));
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const qlonglong n = value.toLongLong();
        if (n >= INT32_MIN && n <= INT32_MAX)
            xml.writeTextElement(QStringLiteral("int"), QString::number(n));
        else // the protocol has no wider integer
            xml.writeTextElement(QStringLiteral("double"), QString::number(double(n), 'g', 17));
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        xml.writeTextElement(QStringLiteral("double"), QString::number(value.toDouble(), 'g', 17));
        break;
    case QMetaType::QDateTime:
        xml.writeTextElement(
            QStringLiteral("dateTime.iso8601"),
            value.toDateTime().toUTC().toString(QStringLiteral("yyyyMMdd'T'HH:mm:ss")));
        break;
    case QMetaType::QByteArray:
        xml.writeTextElement(QStringLiteral("base64"),
                             QString::fromLatin1(value.toByteArray().toBase64()));
        break;
    case QMetaType::QVariantMap: {
        xml.writeStartElement(QStringLiteral("struct"));
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            xml.writeStartElement(QStringLiteral("member"));
            xml.writeTextElement(QStringLiteral("name"), it.key());
            writeValue(xml, it.value());
            xml.writeEndElement();
        }
        xml.writeEndElement();
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        xml.writeStartElement(QStringLiteral("array"));
        xml.writeStartElement(QStringLiteral("data"));
        for (const QVariant& item : value.toList())
            writeValue(xml, item);
        xml.writeEndElement();
        xml.writeEndElement();
        break;
    }
    default:
        if (!value.isValid() || value.isNull())
            xml.writeEmptyElement(QStringLiteral("nil"));
        else
            xml.writeTextElement(QStringLiteral("string"), value.toString());
    }
    xml.writeEndElement();
}

// Reads the XML while tracking where a fault in the structure was seen.
class Reader {
public:
    explicit Reader(const QByteArray& body) : _xml(body) {}

    QString error;

    bool fail(const QString& why) {
        if (error.isEmpty())
            error = why;
        return false;
    }

    // Moves to the next start element, or fails at `parentEnd`'s end.
    bool nextStart() {
        while (!_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = _xml.readNext();
            if (token == QXmlStreamReader::StartElement)
                return true;
            if (token == QXmlStreamReader::EndElement)
                return false;
            if (token == QXmlStreamReader::Characters && !_xml.isWhitespace())
                return fail(QStringLiteral("unexpected text"));
        }
        return false;
    }

    bool expectStart(const char* name) {
        if (!nextStart() || _xml.name() != QLatin1String(name))
            return fail(QStringLiteral("expected <%1>").arg(QLatin1String(name)));
        return true;
    }

    // After the start of an element: to its end element, only whitespace between.
    bool expectEnd() {
        while (!_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = _xml.readNext();
            if (token == QXmlStreamReader::EndElement)
                return true;
            if (token == QXmlStreamReader::StartElement ||
                (token == QXmlStreamReader::Characters && !_xml.isWhitespace()))
                return fail(QStringLiteral("unexpected content"));
        }
        return fail(QStringLiteral("truncated reply"));
    }

    QString elementText() {
        const QString text = _xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (_xml.hasError())
            fail(QStringLiteral("unexpected element in a scalar"));
        return text;
    }

    // At the start of <value>: reads it through its end.
    bool readValue(QVariant& out, int depth) {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("nesting too deep"));
        // A value without a type element is a string.
        QString loose;
        while (!_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = _xml.readNext();
            if (token == QXmlStreamReader::Characters) {
                loose += _xml.text();
                continue;
            }
            if (token == QXmlStreamReader::EndElement) {
                out = loose;
                return true;
            }
            if (token == QXmlStreamReader::StartElement)
                break;
        }
        if (_xml.atEnd())
            return fail(QStringLiteral("truncated reply"));
        if (!loose.trimmed().isEmpty())
            return fail(QStringLiteral("text beside a typed value"));
        if (!readTyped(out, depth))
            return false;
        return expectEnd();
    }

    bool readTyped(QVariant& out, int depth) {
        const QStringView name = _xml.name();
        if (name == u"int" || name == u"i4") {
            bool ok = false;
            const int n = elementText().trimmed().toInt(&ok);
            if (!ok)
                return fail(QStringLiteral("bad integer"));
            out = n;
        } else if (name == u"boolean") {
            const QString text = elementText().trimmed();
            if (text != u"0" && text != u"1")
                return fail(QStringLiteral("bad boolean"));
            out = text == u"1";
        } else if (name == u"string") {
            out = elementText();
        } else if (name == u"double") {
            bool ok = false;
            const double d = elementText().trimmed().toDouble(&ok);
            if (!ok)
                return fail(QStringLiteral("bad double"));
            out = d;
        } else if (name == u"dateTime.iso8601") {
            const QString text = elementText().trimmed();
            QDateTime date;
            for (const char* form :
                 {"yyyyMMdd'T'HH:mm:ss", "yyyy-MM-dd'T'HH:mm:ss", "yyyyMMdd'T'HHmmss"}) {
                date = QDateTime::fromString(text, QLatin1String(form));
                if (date.isValid())
                    break;
            }
            if (!date.isValid())
                date = QDateTime::fromString(text, Qt::ISODate);
            if (!date.isValid())
                return fail(QStringLiteral("bad date"));
            if (date.timeSpec() == Qt::LocalTime)
                date.setTimeZone(QTimeZone::utc());
            out = date;
        } else if (name == u"base64") {
            const QByteArray raw = elementText().toLatin1();
            auto decoded = QByteArray::fromBase64Encoding(
                QByteArray(raw).replace('\n', "").replace('\r', "").replace(' ', ""),
                QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                return fail(QStringLiteral("bad base64"));
            out = *decoded;
        } else if (name == u"nil") {
            out = QVariant();
            return expectEnd();
        } else if (name == u"struct") {
            QVariantMap map;
            while (nextStart()) {
                if (_xml.name() != u"member")
                    return fail(QStringLiteral("expected <member>"));
                if (!expectStart("name"))
                    return false;
                const QString key = elementText();
                if (!expectStart("value"))
                    return false;
                QVariant member;
                if (!readValue(member, depth + 1) || !expectEnd())
                    return false;
                map.insert(key, member);
            }
            if (!error.isEmpty())
                return false;
            out = map;
        } else if (name == u"array") {
            if (!expectStart("data"))
                return false;
            QVariantList list;
            while (nextStart()) {
                if (_xml.name() != u"value")
                    return fail(QStringLiteral("expected <value>"));
                QVariant item;
                if (!readValue(item, depth + 1))
                    return false;
                list.append(item);
            }
            if (!error.isEmpty() || !expectEnd())
                return false;
            out = list;
        } else {
            return fail(QStringLiteral("unknown type <%1>").arg(name.toString()));
        }
        return error.isEmpty();
    }

    XmlRpc::Response read() {
        XmlRpc::Response response;
        if (!expectStart("methodResponse")) {
            response.error = error;
            return response;
        }
        if (!nextStart()) {
            response.error = error.isEmpty() ? QStringLiteral("empty reply") : error;
            return response;
        }
        QVariant value;
        if (_xml.name() == u"params") {
            if (expectStart("param") && expectStart("value") && readValue(value, 0) && expectEnd())
                expectEnd();
        } else if (_xml.name() == u"fault") {
            response.isFault = true;
            if (expectStart("value") && readValue(value, 0))
                expectEnd();
            if (error.isEmpty() && value.typeId() != QMetaType::QVariantMap)
                fail(QStringLiteral("fault without a struct"));
            QVariantMap fault = value.toMap();
            response.faultCode = fault.take(QStringLiteral("faultCode"));
            response.faultString = fault.take(QStringLiteral("faultString")).toString();
            response.faultExtra = fault;
            value = QVariant();
        } else {
            fail(QStringLiteral("expected <params> or <fault>"));
        }
        if (error.isEmpty())
            expectEnd();
        while (error.isEmpty() && !_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = _xml.readNext();
            if (token == QXmlStreamReader::StartElement ||
                (token == QXmlStreamReader::Characters && !_xml.isWhitespace()))
                fail(QStringLiteral("content after the reply"));
        }
        if (error.isEmpty() && _xml.hasError())
            fail(_xml.errorString());
        if (!error.isEmpty()) {
            response = {};
            response.error = error;
            return response;
        }
        response.value = value;
        return response;
    }

private:
    QXmlStreamReader _xml;
};

} // namespace

QByteArray XmlRpc::encodeCall(const QString& method, const QVariantList& params) {
    QByteArray body;
    QXmlStreamWriter xml(&body);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("methodCall"));
    xml.writeTextElement(QStringLiteral("methodName"), method);
    xml.writeStartElement(QStringLiteral("params"));
    for (const QVariant& param : params) {
        xml.writeStartElement(QStringLiteral("param"));
        writeValue(xml, param);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return body;
}

XmlRpc::Response XmlRpc::decodeResponse(const QByteArray& body) {
    Response response = Reader(body).read();
    if (!response.error.isEmpty())
        response.error = QStringLiteral("malformed XML-RPC reply: %1").arg(response.error);
    return response;
}
