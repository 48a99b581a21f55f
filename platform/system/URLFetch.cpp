#include "platform/system/URLFetch.h"

#include <curl/curl.h>
#include <mutex>

namespace {

constexpr char kUserAgent[] = "Lumisk/1.0";
// A server may not send us to a local file.
constexpr char kRedirectProtocols[] = "http,https";

struct Transfer {
    QByteArray data;
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
    if (int64_t(transfer->data.size()) + int64_t(n) > transfer->maxBytes)
        return 0; // makes curl fail the transfer
    transfer->data.append(ptr, qsizetype(n));
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

} // namespace

URLFetch::Result URLFetch::get(const QUrl& url, const Options& options,
                               const std::atomic<bool>* cancelled) {
    Result result;
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
    Transfer transfer;
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
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK) {
        result.timedOut = code == CURLE_OPERATION_TIMEDOUT;
        result.error = QString::fromUtf8(curl_easy_strerror(code));
        return result;
    }
    result.body = transfer.data.isNull() ? QByteArray("") : transfer.data;
    return result;
}
