#include "platform/system/ScriptingDictionary.h"

#include <QFile>
#include <QXmlStreamReader>

namespace {

QString latin(const char* text) {
    return QString::fromLatin1(text);
}

bool kindOf(const QString& code, ScriptingDictionary::Kind& kind) {
    using Kind = ScriptingDictionary::Kind;
    static const QList<std::pair<QString, Kind>> codes{{latin("s"), Kind::Text},
                                                       {latin("d"), Kind::Number},
                                                       {latin("i"), Kind::Integer},
                                                       {latin("b"), Kind::Flag},
                                                       {latin("v"), Kind::Any}};
    for (const auto& [text, value] : codes)
        if (text == code) {
            kind = value;
            return true;
        }
    return false;
}

bool isInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

} // namespace

ScriptingDictionary::ScriptingDictionary(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    Method* current = nullptr;
    qint64 start = -1;
    while (!reader.atEnd() && _errorString.isEmpty()) {
        reader.readNext();
        const auto attribute = [&reader](const char* name) {
            return reader.attributes().value(latin(name)).toString();
        };
        if (reader.isStartElement()) {
            const QStringView element = reader.name();
            if (element == latin("interface") && _interfaceName.isEmpty()) {
                _interfaceName = attribute("name");
                start = reader.characterOffset();
            } else if (start < 0) {
                continue;
            } else if (element == latin("method")) {
                _methods.append({attribute("name"), {}});
                current = &_methods.last();
            } else if (element == latin("property")) {
                _properties.append({attribute("name"), attribute("type"),
                                    attribute("access") == latin("readwrite")});
            } else if (element == latin("annotation") && current &&
                       attribute("name").startsWith(latin(kKeyAnnotation))) {
                Key key{attribute("name").mid(int(qstrlen(kKeyAnnotation))), Kind::Any};
                if (!kindOf(attribute("value"), key.kind))
                    _errorString = latin("Unknown kind \"%1\" of key \"%2\".")
                                       .arg(attribute("value"), key.name);
                current->keys.append(key);
            }
        } else if (reader.isEndElement()) {
            if (reader.name() == latin("method"))
                current = nullptr;
            else if (reader.name() == latin("interface") && start >= 0)
                break;
        }
    }
    if (reader.hasError())
        _errorString = reader.errorString();
    else if (_interfaceName.isEmpty() && _errorString.isEmpty())
        _errorString = latin("No interface.");
    if (!_errorString.isEmpty()) {
        _interfaceName.clear();
        _methods.clear();
        _properties.clear();
        return;
    }
    // The element as written: from its start tag up to the end of its end tag.
    const QString text = QString::fromUtf8(xml);
    const qsizetype open = text.lastIndexOf(latin("<interface"), start);
    _introspection = text.mid(open, reader.characterOffset() - open) + QLatin1Char('\n');
}

ScriptingDictionary ScriptingDictionary::fromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ScriptingDictionary empty{QByteArray()};
        empty._errorString = latin("Cannot read \"%1\": %2").arg(path, file.errorString());
        return empty;
    }
    return ScriptingDictionary(file.readAll());
}

const ScriptingDictionary::Method* ScriptingDictionary::method(const QString& name) const {
    for (const Method& candidate : _methods)
        if (candidate.name == name)
            return &candidate;
    return nullptr;
}

const ScriptingDictionary::Property* ScriptingDictionary::property(const QString& name) const {
    for (const Property& candidate : _properties)
        if (candidate.name == name)
            return &candidate;
    return nullptr;
}

bool ScriptingDictionary::fits(const QVariant& value, Kind kind) {
    switch (kind) {
    case Kind::Text:
        return value.typeId() == QMetaType::QString;
    case Kind::Number:
        return isInteger(value) || value.typeId() == QMetaType::Double;
    case Kind::Integer:
        return isInteger(value);
    case Kind::Flag:
        return value.typeId() == QMetaType::Bool;
    case Kind::Any:
        return true;
    }
    return false;
}

std::optional<ScriptingDictionary::Kind> ScriptingDictionary::kindOfType(const QString& signature) {
    Kind kind = Kind::Any;
    if (!kindOf(signature, kind))
        return std::nullopt;
    return kind;
}

QString ScriptingDictionary::checkArguments(const Method& method, const QVariantMap& arguments) {
    for (auto it = arguments.begin(); it != arguments.end(); ++it) {
        const Key* known = nullptr;
        for (const Key& key : method.keys)
            if (key.name == it.key())
                known = &key;
        if (!known)
            return latin("Unknown key \"%1\".").arg(it.key());
        if (!fits(it.value(), known->kind))
            return latin("Wrong kind of value for \"%1\".").arg(it.key());
    }
    return {};
}
