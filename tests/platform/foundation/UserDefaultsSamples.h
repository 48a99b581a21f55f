#pragma once

// Values of every kind the defaults store keeps, and a type-aware text of a
// value, shared by UserDefaultsTest and the UserDefaultsProbe helper process.

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <limits>

namespace UserDefaultsSamples {

inline QVariantMap values() {
    QVariantMap nested;
    nested.insert(QStringLiteral("x"), QVariantList{true, 2.5});
    QVariantMap dictionary;
    dictionary.insert(QStringLiteral("a"), qint64(1));
    dictionary.insert(QStringLiteral("nested"), nested);
    dictionary.insert(QStringLiteral(""), QStringLiteral("empty key"));
    dictionary.insert(QStringLiteral("nothing"), QVariantMap());

    QVariantMap samples;
    samples.insert(QStringLiteral("integer"), qint64(-42));
    samples.insert(QStringLiteral("int32"), int(7));
    samples.insert(QStringLiteral("unsigned"), uint(4000000000u));
    samples.insert(QStringLiteral("big"), std::numeric_limits<qulonglong>::max());
    samples.insert(QStringLiteral("float"), 0.1f);
    samples.insert(QStringLiteral("double"), 0.1);
    samples.insert(QStringLiteral("flag"), true);
    samples.insert(QStringLiteral("text"), QString::fromUtf8("Gr\xc3\xbc\xc3\x9f"
                                                             "e / \xe2\x9c\x93 \\ %2F"));
    samples.insert(QStringLiteral("empty text"), QStringLiteral(""));
    samples.insert(QStringLiteral("data"), QByteArray("\0\x01\xff", 3));
    samples.insert(QStringLiteral("empty data"), QByteArray(""));
    samples.insert(QStringLiteral("date"),
                   QDateTime(QDate(2005, 3, 1), QTime(12, 30, 15, 250), Qt::UTC));
    samples.insert(QStringLiteral("list"),
                   QVariantList{1, QStringLiteral("two"), 3.5f, false,
                                QVariantList{QByteArray("z")}, QVariantList()});
    samples.insert(QStringLiteral("dictionary"), dictionary);
    samples.insert(QStringLiteral(""), QStringLiteral("under the empty key"));
    samples.insert(QStringLiteral("slash/key"), 1);
    samples.insert(QStringLiteral("slash"), 2);
    return samples;
}

inline QString describe(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return QStringLiteral("invalid");
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("bool:true") : QStringLiteral("bool:false");
    case QMetaType::Int:
        return QStringLiteral("int:") + QString::number(v.toInt());
    case QMetaType::UInt:
        return QStringLiteral("uint:") + QString::number(v.toUInt());
    case QMetaType::LongLong:
        return QStringLiteral("qlonglong:") + QString::number(v.toLongLong());
    case QMetaType::ULongLong:
        return QStringLiteral("qulonglong:") + QString::number(v.toULongLong());
    case QMetaType::Float:
        return QStringLiteral("float:") + QString::number(double(v.toFloat()), 'g', 9);
    case QMetaType::Double:
        return QStringLiteral("double:") + QString::number(v.toDouble(), 'g', 17);
    case QMetaType::QString: {
        const QString s = v.toString();
        return s.isNull() ? QStringLiteral("QString:null")
                          : QStringLiteral("QString:\"") + s + u'"';
    }
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return b.isNull() ? QStringLiteral("QByteArray:null")
                          : QStringLiteral("QByteArray:<") + QString::fromLatin1(b.toHex()) + u'>';
    }
    case QMetaType::QDateTime: {
        const QDateTime t = v.toDateTime();
        return QStringLiteral("QDateTime:") + t.toString(Qt::ISODateWithMs) +
               QStringLiteral(" spec ") + QString::number(int(t.timeSpec()));
    }
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant& e : v.toList())
            parts << describe(e);
        return u'[' + parts.join(QStringLiteral(", ")) + u']';
    }
    case QMetaType::QVariantMap: {
        QStringList parts;
        const QVariantMap m = v.toMap();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            parts << u'"' + it.key() + QStringLiteral("\": ") + describe(it.value());
        return u'{' + parts.join(QStringLiteral(", ")) + u'}';
    }
    default:
        return QStringLiteral("other:") + QString::fromLatin1(v.typeName());
    }
}

} // namespace UserDefaultsSamples
