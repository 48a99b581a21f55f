#pragma once

#include "platform/graphics/Image.h"

#include <QByteArray>
#include <QThreadPool>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class QTimer;
class URLImageRetrievalDelegate;

// Fetches images by URL (http, https and file) with libcurl. Kept by the
// application delegate for the life of the process.
//
// An asynchronous fetch is a record that sits in the active fetches while its
// thread reads, then in the completed fetches until the delivery timer (every
// second, on the thread that made the retriever: the main thread) hands its
// data to the delegate, in the order the fetches completed. A request equal to
// one that is active or not yet delivered (same delegate, URL and tag) is
// dropped: it would only bring the same data twice.
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

    static constexpr int kCompletionIntervalMs = 1000;

    URLResourceRetriever();
    // Running fetches are cancelled; their delegates, and those of fetches not yet
    // delivered, still hear of them through the event loop (cancelled ones with no data).
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
    // imageRetrievedDataTag on the main thread with the bytes (null on failure or
    // an empty body) and `tag`. Safe on any thread.
    void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl& url, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate);

    // Stops the delivery timer for good; fetches still complete but are delivered
    // only when the retriever goes. Call on the thread that made the retriever.
    void shutdown();

    const Limits& limits() const { return _limits; }
    void setLimits(const Limits& limits) { _limits = limits; }

private:
    struct FetchRecord {
        QUrl url;
        std::shared_ptr<URLImageRetrievalDelegate> delegate;
        int32_t tag = 0;
        QByteArray imagedata;
    };
    using FetchRecordRef = std::shared_ptr<FetchRecord>;

    void fetchFinished(const FetchRecordRef& record, const QByteArray& data);
    void checkForCompletion();

    Limits _limits;
    std::shared_ptr<std::atomic<bool>> _cancelled;
    std::recursive_mutex _dataLock;
    std::vector<FetchRecordRef> _activeFetches;
    std::vector<FetchRecordRef> _completedFetches;
    std::unique_ptr<QTimer> _completionTimer;
    QThreadPool _threads;
};
