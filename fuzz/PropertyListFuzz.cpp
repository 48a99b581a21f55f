// Feeds arbitrary bytes to the property-list reader; whatever it accepts must
// also write out and read back.
#include "platform/foundation/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const QVariant value = PropertyList::fromXml(bytes, &error);
    if (!value.isValid()) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const QByteArray xml = PropertyList::toXml(value, &error);
    if (xml.isEmpty() || !PropertyList::fromXml(xml, &error).isValid())
        std::abort();
    return 0;
}
