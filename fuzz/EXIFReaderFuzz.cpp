// Feeds arbitrary bytes to the EXIF reader twice: as the payload of an APP1
// segment, and as a JPEG stream read from memory (the scan for APP0 and APP1
// segments, then the same parser). Whatever comes out must be a well-formed
// EXIF dictionary.
#include "catalog/EXIFReader.h"
#include "platform/foundation/Resources.h"

#include <QBuffer>
#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void ignoreMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

void check(const QVariant& result) {
    if (!result.isValid())
        return;
    static const QSet<QString> kGroups = {QStringLiteral("0"), QStringLiteral("1"),
                                          QStringLiteral("EXIF"),
                                          QStringLiteral("Interoperability")};
    const QVariantMap groups = result.toMap();
    if (groups.isEmpty())
        std::abort();
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        if (!kGroups.contains(group.key()))
            std::abort();
        const QVariantMap entries = group.value().toMap();
        if (entries.isEmpty())
            std::abort();
        for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
            const QVariantMap fields = entry.value().toMap();
            if (fields.size() != 5 || !fields.contains(QLatin1String(kEXIFValueKey)))
                std::abort();
            // Tags are 16 bits, and pointers and thumbnail locations are never stored.
            bool ok = false;
            const uint tag = entry.key().toUInt(&ok, 16);
            if (!ok || tag > 0xFFFF || tag == 0x8769 || tag == 0x8825 || tag == 0xA005 ||
                tag == 0x0201 || tag == 0x0202)
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The name table once, from the source tree; the invalid-format notes of
    // damaged input are expected and only slow the run down.
    Resources::setSharePathForTesting(QStringLiteral(LUMISK_SHARED_RESOURCES));
    qInstallMessageHandler(ignoreMessages);
    if (EXIFTagName(kEXIFIFDExif, 0x829A).startsWith(QLatin1String("Unknown")))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check(EXIFParseAPP1(data, qsizetype(size)));
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    check(EXIFReadJPEGStream(stream));
    return 0;
}
