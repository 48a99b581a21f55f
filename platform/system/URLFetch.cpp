#include "platform/system/URLFetch.h"

#include <QFile>
#include <curl/curl.h>
#include <mutex>

namespace {

constexpr char kUserAgent[] = "Lumisk/1.0";
// A server may not send us to a local file.
constexpr char kRedirectProtocols[] = "http,https";

struct Transfer {
    QByteArray data;
    // Set for a download: the body goes there instead of into `data`.
    QFile* file = nullptr;
    int64_t written = 0;
    const URLFetch::ReceivedHandler* received = nullptr;
    int64_t maxBytes = 0;
    const std::atomic<bool>* cancelled = nullptr;
    const std::atomic<bool>* alsoCancelled = nullptr;
    bool isCancelled() const {
        return (cancelled && cancelled->load()) || (alsoCancelled && alsoCancelled->load());
    }
};

size_t writeBody(char* ptr, size_t size, size_t count, void* userdata) {
    auto* transfer = static_cast<Transfer*>(userdata);
    const size_t n = size * count;
    const int64_t had = transfer->file ? transfer->written : int64_t(transfer->data.size());
    if (had + int64_t(n) > transfer->maxBytes)
        return 0; // makes curl fail the transfer
    if (transfer->file) {
        if (transfer->file->write(ptr, qint64(n)) != qint64(n))
            return 0;
        transfer->written += int64_t(n);
    } else {
        transfer->data.append(ptr, qsizetype(n));
    }
    if (transfer->received && *transfer->received)
        (*transfer->received)(int64_t(n));
    return n;
}

int progress(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(userdata);
    return transfer->isCancelled() ? 1 : 0;
}

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Request {
    const QByteArray* postBody = nullptr;
    QByteArray contentType;
};

URLFetch::Result perform(const QUrl& url, const URLFetch::Options& options,
                         const std::atomic<bool>* cancelled, const Request& request,
                         Transfer& transfer) {
    URLFetch::Result result;
    if (!url.isValid()) {
        result.error = QStringLiteral("invalid address");
        return result;
    }
    if ((cancelled && cancelled->load()) ||
        (options.alsoCancelled && options.alsoCancelled->load())) {
        result.error = QStringLiteral("cancelled");
        return result;
    }
    initCurlOnce();
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.error = QStringLiteral("no transfer handle");
        return result;
    }
    transfer.maxBytes = options.maxBytes;
    transfer.cancelled = cancelled;
    transfer.alsoCancelled = options.alsoCancelled;
    const QByteArray encoded = url.toEncoded();
    curl_easy_setopt(curl, CURLOPT_URL, encoded.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, options.protocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, kRedirectProtocols);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, options.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(options.maxBytes));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    // A download keeps its bytes as sent: a packed file stays packed.
    if (!transfer.file)
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_slist* headers = nullptr;
    if (request.postBody) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.postBody->constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.postBody->size()));
        headers = curl_slist_append(headers, ("Content-Type: " + request.contentType).constData());
        // The body goes at once, without waiting for a "100 Continue".
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    if (code != CURLE_OK) {
        result.timedOut = code == CURLE_OPERATION_TIMEDOUT;
        result.error = QString::fromUtf8(curl_easy_strerror(code));
        return result;
    }
    result.body = transfer.data.isNull() ? QByteArray("") : transfer.data;
    return result;
}

} // namespace

URLFetch::Result URLFetch::get(const QUrl& url, const Options& options,
                               const std::atomic<bool>* cancelled) {
    Transfer transfer;
    return perform(url, options, cancelled, {}, transfer);
}

URLFetch::Result URLFetch::post(const QUrl& url, const QByteArray& body,
                                const QByteArray& contentType, const Options& options,
                                const std::atomic<bool>* cancelled) {
    Transfer transfer;
    Request request;
    request.postBody = &body;
    request.contentType = contentType;
    return perform(url, options, cancelled, request, transfer);
}

URLFetch::Result URLFetch::download(const QUrl& url, const QString& path, const Options& options,
                                    const ReceivedHandler& received,
                                    const std::atomic<bool>* cancelled) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        Result result;
        result.error = QStringLiteral("cannot create %1").arg(path);
        return result;
    }
    Transfer transfer;
    transfer.file = &file;
    transfer.received = &received;
    Result result = perform(url, options, cancelled, {}, transfer);
    file.close();
    if (!result.ok())
        file.remove();
    else
        result.body = QByteArray("");
    return result;
}
