// Feeds arbitrary bytes to the gzip unpacker under a small output cap: it either
// succeeds within the cap or fails and leaves no output file.
#include "platform/system/GzipUnpacker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString packed = dir.filePath(QStringLiteral("in.gz"));
    const QString out = dir.filePath(QStringLiteral("out"));
    QFile::remove(out);
    QFile file(packed);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    constexpr int64_t kCap = 1 << 20;
    const GzipUnpacker::Result result = GzipUnpacker::unpackFile(packed, out, kCap);
    if (result.ok != QFile::exists(out))
        std::abort();
    if (result.ok && (result.bytesWritten > kCap || QFile(out).size() != result.bytesWritten))
        std::abort();
    return 0;
}
