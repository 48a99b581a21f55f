#include "shell/URLResourceRetriever.h"

#include "platform/foundation/URLImageRetrievalDelegate.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QDebug>
#include <QImageReader>
#include <curl/curl.h>
#include <mutex>

namespace {

constexpr char kUserAgent[] = "Lumisk/1.0";
constexpr char kProtocols[] = "http,https,file";
// A server may not send us to a local file.
constexpr char kRedirectProtocols[] = "http,https";

struct Transfer {
    QByteArray data;
    int64_t maxBytes = 0;
    const std::atomic<bool>* cancelled = nullptr;
};

size_t writeBody(char* ptr, size_t size, size_t count, void* userdata) {
    auto* transfer = static_cast<Transfer*>(userdata);
    const size_t n = size * count;
    if (int64_t(transfer->data.size()) + int64_t(n) > transfer->maxBytes)
        return 0; // makes curl fail the transfer
    transfer->data.append(ptr, qsizetype(n));
    return n;
}

int progress(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(userdata);
    return transfer->cancelled->load() ? 1 : 0;
}

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The body at `url`, or a null array when the transfer fails for any reason.
QByteArray fetchBytes(const QUrl& url, const URLResourceRetriever::Limits& limits,
                      const std::atomic<bool>& cancelled) {
    if (!url.isValid() || cancelled.load())
        return QByteArray();
    CURL* curl = curl_easy_init();
    if (!curl)
        return QByteArray();
    Transfer transfer;
    transfer.maxBytes = limits.maxBytes;
    transfer.cancelled = &cancelled;
    const QByteArray encoded = url.toEncoded();
    curl_easy_setopt(curl, CURLOPT_URL, encoded.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, kRedirectProtocols);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) {
        qWarning("Image fetch of %s failed: %s", encoded.constData(), curl_easy_strerror(result));
        return QByteArray();
    }
    if (transfer.data.isNull())
        transfer.data = QByteArray(""); // an empty body is still a completed transfer
    return transfer.data;
}

Image decodeImage(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return Image();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage pixels = reader.read();
    if (pixels.isNull())
        return Image();
    Image image(pixels);
    if (pixels.colorSpace().isValid())
        image.setIccProfile(pixels.colorSpace().iccProfile());
    return image;
}

Image fetchImage(const QUrl& url, const URLResourceRetriever::Limits& limits,
                 const std::atomic<bool>& cancelled) {
    return decodeImage(fetchBytes(url, limits, cancelled));
}

} // namespace

URLResourceRetriever::URLResourceRetriever()
    : _cancelled(std::make_shared<std::atomic<bool>>(false)) {
    initCurlOnce();
    // Each fetch gets a thread of its own, however many are running.
    _threads.setMaxThreadCount(64);
}

URLResourceRetriever::~URLResourceRetriever() {
    _cancelled->store(true);
    _threads.waitForDone();
}

Image URLResourceRetriever::synchronousImageFetch(const QUrl& url) {
    return fetchImage(url, _limits, *_cancelled);
}

QByteArray URLResourceRetriever::synchronousDataFetch(const QUrl& url) {
    return fetchBytes(url, _limits, *_cancelled);
}

void URLResourceRetriever::asynchronousImageFetchDataTagCompletionDelegate(
    const QUrl& url, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate) {
    _threads.start([url, tag, delegate = std::move(delegate), limits = _limits,
                    cancelled = _cancelled] {
        QByteArray data = fetchBytes(url, limits, *cancelled);
        if (!delegate)
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [delegate, data = std::move(data), tag] { delegate->imageRetrievedDataTag(data, tag); },
            Qt::QueuedConnection);
    });
}
