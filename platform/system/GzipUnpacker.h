#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <atomic>
#include <cstdint>

// Unpacks a gzip file in process, as "gunzip -N" would: the members one after
// another, and the file name stored in the first header.
namespace GzipUnpacker {

inline constexpr int64_t kDefaultMaxOutput = int64_t(256) * 1024 * 1024;

struct Result {
    bool ok = false;
    // The name stored in the header as it stands (it may hold anything); empty
    // when none was stored.
    QString storedName;
    int64_t bytesWritten = 0;
    QString error;
};

// Writes the unpacked bytes to a new file at `outputPath`; on failure that file
// is removed. More output than `maxOutput` is a failure.
LUMISK_PLATFORM_EXPORT Result unpackFile(const QString& packedPath, const QString& outputPath,
                                         int64_t maxOutput = kDefaultMaxOutput,
                                         const std::atomic<bool>* cancelled = nullptr);

} // namespace GzipUnpacker
