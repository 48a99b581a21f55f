#include "platform/system/SMTPSession.h"

#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <mutex>

namespace {

struct Upload {
    const QByteArray* data = nullptr;
    qsizetype offset = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* userdata) {
    auto* upload = static_cast<Upload*>(userdata);
    const size_t room = size * count;
    const size_t left = size_t(upload->data->size() - upload->offset);
    const size_t n = left < room ? left : room;
    std::memcpy(buffer, upload->data->constData() + upload->offset, n);
    upload->offset += qsizetype(n);
    return n;
}

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QByteArray angled(const QByteArray& address) {
    return '<' + address + '>';
}

} // namespace

SMTPSession::Result SMTPSession::send(const Settings& settings, const QByteArray& from,
                                      const QList<QByteArray>& recipients,
                                      const QByteArray& message) {
    Result result;
    if (settings.host.isEmpty() || recipients.isEmpty()) {
        result.error = QStringLiteral("no server or no recipient");
        return result;
    }
    initCurlOnce();
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.error = QStringLiteral("no transfer handle");
        return result;
    }
    const QByteArray url = QByteArray(settings.implicitTLS ? "smtps://" : "smtp://") +
                           settings.host.toUtf8() + ':' + QByteArray::number(settings.port);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, settings.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, settings.timeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    // The TLS library's built-in store would win over the variable otherwise.
    const char* caFile = std::getenv("SSL_CERT_FILE");
    if (caFile && *caFile)
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile);
    if (!settings.implicitTLS)
        curl_easy_setopt(curl, CURLOPT_USE_SSL,
                         settings.authenticate ? long(CURLUSESSL_ALL) : long(CURLUSESSL_TRY));

    const QByteArray user = settings.user.toUtf8();
    const QByteArray password = settings.password.toUtf8();
    const QByteArray loginOptions =
        "AUTH=" + (settings.mechanism.isEmpty() ? QByteArray("*") : settings.mechanism.toLatin1());
    if (settings.authenticate) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, loginOptions.constData());
    }

    const QByteArray mailFrom = angled(from);
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, mailFrom.constData());
    QList<QByteArray> rcpt;
    curl_slist* list = nullptr;
    for (const QByteArray& recipient : recipients) {
        rcpt << angled(recipient);
        list = curl_slist_append(list, rcpt.last().constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, list);

    Upload upload{&message, 0};
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);

    const CURLcode code = curl_easy_perform(curl);
    result.ok = code == CURLE_OK;
    if (!result.ok) {
        result.refusedInClear =
            code == CURLE_USE_SSL_FAILED && settings.authenticate && !settings.implicitTLS;
        result.error = QString::fromUtf8(*errorBuffer ? errorBuffer : curl_easy_strerror(code));
    }
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return result;
}
