#pragma once

// What the image importer and exporter share of exiv2; internal to the platform library.

#include <QByteArray>
#include <exiv2/exiv2.hpp>
#include <mutex>

namespace Exiv2Support {

// Once per process: exiv2's own messages off, its XMP parser ready for any thread.
inline void initialize() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

inline QByteArray bytesOf(const Exiv2::byte* data, long size) {
    return size > 0 ? QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))
                    : QByteArray();
}

} // namespace Exiv2Support
