#pragma once

#include <QString>
#include <cstdint>

// Version texts "major.minor.patch" packed as major << 8 | minor << 4 | patch,
// minor and patch capped at 15, the major number neither capped nor masked.
int32_t EncodeVersion(const QString& version);
QString DecodeVersion(int32_t packed);
