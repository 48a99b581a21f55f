#include "shell/URLResourceRetriever.h"

#include "platform/foundation/URLImageRetrievalDelegate.h"
#include "platform/system/URLFetch.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QDebug>
#include <QImageReader>

namespace {

// The body at `url`, or a null array when the transfer fails for any reason.
QByteArray fetchBytes(const QUrl& url, const URLResourceRetriever::Limits& limits,
                      const std::atomic<bool>& cancelled,
                      const std::atomic<bool>* alsoCancelled = nullptr) {
    URLFetch::Options options;
    options.connectTimeoutMs = limits.connectTimeoutSeconds * 1000;
    options.timeoutMs = limits.timeoutSeconds * 1000;
    options.maxRedirects = limits.maxRedirects;
    options.maxBytes = limits.maxBytes;
    options.protocols = "http,https,file";
    options.alsoCancelled = alsoCancelled;
    const URLFetch::Result result = URLFetch::get(url, options, &cancelled);
    if (!result.ok())
        qWarning("Image fetch of %s failed: %s", url.toEncoded().constData(),
                 qPrintable(result.error));
    return result.body;
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

QByteArray URLResourceRetriever::synchronousDataFetch(const QUrl& url,
                                                      const std::atomic<bool>& cancelled) {
    return fetchBytes(url, _limits, *_cancelled, &cancelled);
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
