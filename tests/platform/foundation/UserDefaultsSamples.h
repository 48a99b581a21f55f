#pragma once

// Values of every kind the defaults store keeps, and a type-aware text of a
// value, shared by UserDefaultsTest and the UserDefaultsProbe helper process.

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <QTimeZone>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <limits>
#include <vector>

namespace UserDefaultsSamples {

struct Sample {
    QString key;
    QVariant stored;
    // What the store answers, before a restart and after: the kinds the
    // property-list file gives back.
    QVariant read;
};

inline std::vector<Sample> samples() {
    QVariantMap nested;
    nested.insert(QStringLiteral("x"), QVariantList{true, 2.5});
    QVariantMap dictionary;
    dictionary.insert(QStringLiteral("a"), qint64(1));
    dictionary.insert(QStringLiteral("nested"), nested);
    dictionary.insert(QStringLiteral(""), QStringLiteral("empty key"));
    dictionary.insert(QStringLiteral("nothing"), QVariantMap());
    QVariantHash hash;
    hash.insert(QStringLiteral("b"), 2);
    hash.insert(QStringLiteral("a"), QStringList{QStringLiteral("s")});

    const QDateTime date(QDate(2005, 3, 1), QTime(12, 30, 15), QTimeZone::utc());
    const QString text = QString::fromUtf8("Gr\xc3\xbc\xc3\x9f"
                                           "e / \xe2\x9c\x93 \\ %2F <&> \r\n \xf0\x9f\x93\xb7");
    return {
        {QStringLiteral("integer"), qint64(-42), qint64(-42)},
        {QStringLiteral("int32"), int(7), qint64(7)},
        {QStringLiteral("unsigned"), uint(4000000000u), qint64(4000000000)},
        {QStringLiteral("big"), std::numeric_limits<qulonglong>::max(),
         std::numeric_limits<qulonglong>::max()},
        {QStringLiteral("smallest"), std::numeric_limits<qint64>::min(),
         std::numeric_limits<qint64>::min()},
        {QStringLiteral("float"), 0.1f, double(0.1f)},
        {QStringLiteral("double"), 0.1, 0.1},
        {QStringLiteral("whole real"), 2.0, 2.0},
        {QStringLiteral("tiny real"), 5e-324, 5e-324},
        {QStringLiteral("infinity"), -std::numeric_limits<double>::infinity(),
         -std::numeric_limits<double>::infinity()},
        {QStringLiteral("flag"), true, true},
        {QStringLiteral("no flag"), false, false},
        {QStringLiteral("text"), text, text},
        {QStringLiteral("empty text"), QStringLiteral(""), QStringLiteral("")},
        {QStringLiteral("data"), QByteArray("\0\x01\xff", 3), QByteArray("\0\x01\xff", 3)},
        {QStringLiteral("empty data"), QByteArray(""), QByteArray("")},
        // Kept to the second, in UTC.
        {QStringLiteral("date"),
         QDateTime(QDate(2005, 3, 1), QTime(14, 30, 15, 250), QTimeZone(7200)), date},
        {QStringLiteral("list"),
         QVariantList{1, QStringLiteral("two"), 3.5f, false, QVariantList{QByteArray("z")},
                      QVariantList(), date},
         QVariantList{qint64(1), QStringLiteral("two"), 3.5, false, QVariantList{QByteArray("z")},
                      QVariantList(), date}},
        {QStringLiteral("dictionary"), dictionary, dictionary},
        {QStringLiteral("hash"), hash,
         QVariantMap{{QStringLiteral("a"), QVariantList{QStringLiteral("s")}},
                     {QStringLiteral("b"), qint64(2)}}},
        {QStringLiteral(""), QStringLiteral("under the empty key"),
         QStringLiteral("under the empty key")},
        {QStringLiteral("slash/key"), 1, qint64(1)},
        {QStringLiteral("slash"), 2, qint64(2)},
        {QStringLiteral("<odd> & \"key\""), 3, qint64(3)},
    };
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

// One line of the probe's dump: the key, a tab, the description, with line
// breaks inside texts shown as \r and \n.
inline QString dumpLine(const QString& key, const QVariant& value) {
    QString line = key + u'\t' + describe(value);
    line.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
    return line + u'\n';
}

} // namespace UserDefaultsSamples
