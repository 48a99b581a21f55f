// Feeds arbitrary bytes to the property-list reader; whatever it accepts must
// also write out and read back as the same value.
#include "platform/foundation/PropertyList.h"

#include <QDateTime>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using PropertyList::Kind;

bool same(const QVariant& a, const QVariant& b) {
    const Kind kind = PropertyList::kindOf(a);
    if (kind != PropertyList::kindOf(b))
        return false;
    switch (kind) {
    case Kind::Dictionary: {
        const QVariantMap ma = a.toMap(), mb = b.toMap();
        if (ma.keys() != mb.keys())
            return false;
        for (auto it = ma.cbegin(); it != ma.cend(); ++it)
            if (!same(it.value(), mb.value(it.key())))
                return false;
        return true;
    }
    case Kind::Array: {
        const QVariantList la = a.toList(), lb = b.toList();
        if (la.size() != lb.size())
            return false;
        for (qsizetype i = 0; i < la.size(); ++i)
            if (!same(la.at(i), lb.at(i)))
                return false;
        return true;
    }
    case Kind::Integer:
        return a.typeId() == b.typeId() && a.toULongLong() == b.toULongLong();
    case Kind::Real: {
        const double da = a.toDouble(), db = b.toDouble();
        return (std::isnan(da) && std::isnan(db)) || da == db;
    }
    case Kind::Date:
        return a.toDateTime() == b.toDateTime();
    default:
        return a == b;
    }
}

[[noreturn]] void failure(const char* what, const QString& detail = QString()) {
    std::fprintf(stderr, "%s %s\n", what, qPrintable(detail));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const QVariant value = PropertyList::fromXml(bytes, &error);
    if (!value.isValid()) {
        if (error.isEmpty())
            failure("a refused list gives no reason");
        return 0;
    }
    const QByteArray xml = PropertyList::toXml(value, &error);
    if (xml.isEmpty())
        failure("a list that was read does not write:", error);
    const QVariant reread = PropertyList::fromXml(xml, &error);
    if (!reread.isValid())
        failure("a written list does not read:", error);
    if (!same(value, reread))
        failure("a value changed on the way through a file");
    return 0;
}
