#pragma once

#include "platform/graphics/Image.h"

#include <QByteArray>
#include <QThreadPool>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <memory>

class URLImageRetrievalDelegate;

// Fetches images by URL (http, https and file) with libcurl. Kept by the
// application delegate for the life of the process.
class URLResourceRetriever {
public:
    struct Limits {
        long connectTimeoutSeconds = 20;
        long timeoutSeconds = 120;
        long maxRedirects = 8;
        // Larger downloads are given up: no photograph needs more, and a hostile
        // server must not fill memory.
        int64_t maxBytes = 256 * 1024 * 1024;
    };

    URLResourceRetriever();
    // Running fetches are cancelled; their delegates still hear of them (with no image).
    ~URLResourceRetriever();
    URLResourceRetriever(const URLResourceRetriever&) = delete;
    URLResourceRetriever& operator=(const URLResourceRetriever&) = delete;

    // Fetches and decodes on the calling thread; a null image when that fails.
    Image synchronousImageFetch(const QUrl& url);
    // The bytes at the URL, read on the calling thread within the limits; null when
    // the read fails. Safe on any thread.
    QByteArray synchronousDataFetch(const QUrl& url);
    // As above; setting `cancelled` ends the read (null answer).
    QByteArray synchronousDataFetch(const QUrl& url, const std::atomic<bool>& cancelled);

    // Fetches on a thread of its own; the delegate, kept alive until then, later gets
    // imageRetrievedDataTag on the main thread with the bytes (null on failure) and `tag`.
    void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl& url, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate);

    const Limits& limits() const { return _limits; }
    void setLimits(const Limits& limits) { _limits = limits; }

private:
    Limits _limits;
    std::shared_ptr<std::atomic<bool>> _cancelled;
    QThreadPool _threads;
};
