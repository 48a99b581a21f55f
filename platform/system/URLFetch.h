#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <functional>

// One blocking HTTP(S) GET with libcurl, meant for worker threads: the body of a
// URL, bounded in time and size. The rest of the program never sees libcurl.
namespace URLFetch {

struct Options {
    long connectTimeoutMs = 20000;
    // The whole transfer, connection included.
    long timeoutMs = 120000;
    long maxRedirects = 8;
    // Larger bodies are given up so that a hostile server can't fill memory.
    int64_t maxBytes = 256 * 1024 * 1024;
    // Schemes the first request may use; redirects only ever go to http and https.
    const char* protocols = "http,https";
    // A second flag that also ends the transfer when set (an owner's stop, say).
    const std::atomic<bool>* alsoCancelled = nullptr;
};

struct Result {
    // Set exactly when the transfer completed with a success status; an empty body
    // is then an empty, non-null array.
    QByteArray body;
    bool timedOut = false;
    QString error;
    bool ok() const { return !body.isNull(); }
};

// `cancelled`, when given, is polled during the transfer and ends it.
LUMISK_PLATFORM_EXPORT Result get(const QUrl& url, const Options& options,
                                  const std::atomic<bool>* cancelled = nullptr);

// POSTs `body` as `contentType`; the reply body as for get.
LUMISK_PLATFORM_EXPORT Result post(const QUrl& url, const QByteArray& body,
                                   const QByteArray& contentType, const Options& options,
                                   const std::atomic<bool>* cancelled = nullptr);

// Told of each piece of a download as it arrives: its length in bytes.
using ReceivedHandler = std::function<void(int64_t length)>;

// Writes the body to a new file at `path` (never replacing one). On success the
// result's body is empty but not null and `path` holds the bytes; on failure the
// file is removed. `received` runs on the calling thread.
LUMISK_PLATFORM_EXPORT Result download(const QUrl& url, const QString& path, const Options& options,
                                       const ReceivedHandler& received,
                                       const std::atomic<bool>* cancelled = nullptr);

} // namespace URLFetch
