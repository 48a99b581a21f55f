#include "shell/URLResourceRetriever.h"

#include "platform/foundation/URLImageRetrievalDelegate.h"
#include "platform/system/URLFetch.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QDebug>
#include <QImageReader>
#include <QTimer>
#include <algorithm>

namespace {

enum class Failure { Logged, Silent };

// The body at `url`, or a null array when the transfer fails for any reason.
QByteArray fetchBytes(const QUrl& url, const URLResourceRetriever::Limits& limits,
                      const std::atomic<bool>& cancelled,
                      const std::atomic<bool>* alsoCancelled = nullptr,
                      Failure failure = Failure::Logged) {
    URLFetch::Options options;
    options.connectTimeoutMs = limits.connectTimeoutSeconds * 1000;
    options.timeoutMs = limits.timeoutSeconds * 1000;
    options.maxRedirects = limits.maxRedirects;
    options.maxBytes = limits.maxBytes;
    options.protocols = "http,https,file";
    options.alsoCancelled = alsoCancelled;
    const URLFetch::Result result = URLFetch::get(url, options, &cancelled);
    if (!result.ok() && failure == Failure::Logged)
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
    : _cancelled(std::make_shared<std::atomic<bool>>(false)),
      _completionTimer(std::make_unique<QTimer>()) {
    // Each fetch gets a thread of its own, however many are running.
    _threads.setMaxThreadCount(64);
    _completionTimer->setInterval(kCompletionIntervalMs);
    QObject::connect(_completionTimer.get(), &QTimer::timeout, [this] { checkForCompletion(); });
    _completionTimer->start();
}

URLResourceRetriever::~URLResourceRetriever() {
    shutdown();
    _cancelled->store(true);
    _threads.waitForDone();
    std::vector<FetchRecordRef> left;
    {
        std::lock_guard lock(_dataLock);
        left = std::exchange(_completedFetches, {});
        left.insert(left.end(), _activeFetches.begin(), _activeFetches.end());
        _activeFetches.clear();
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    for (const FetchRecordRef& record : left)
        QMetaObject::invokeMethod(
            app,
            [record] { record->delegate->imageRetrievedDataTag(record->imagedata, record->tag); },
            Qt::QueuedConnection);
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
    if (!delegate)
        return;
    FetchRecordRef record;
    {
        // The test and the insertion in one hold: two equal requests cannot both start.
        std::lock_guard lock(_dataLock);
        const auto equal = [&](const FetchRecordRef& r) {
            return r->tag == tag && r->url == url && r->delegate->isEqualToDelegate(*delegate);
        };
        if (std::any_of(_activeFetches.begin(), _activeFetches.end(), equal) ||
            std::any_of(_completedFetches.begin(), _completedFetches.end(), equal))
            return;
        record = std::make_shared<FetchRecord>(FetchRecord{url, std::move(delegate), tag, {}});
        _activeFetches.push_back(record);
    }
    _threads.start([this, record, limits = _limits, cancelled = _cancelled] {
        fetchFinished(record,
                      fetchBytes(record->url, limits, *cancelled, nullptr, Failure::Silent));
    });
}

void URLResourceRetriever::fetchFinished(const FetchRecordRef& record, const QByteArray& data) {
    std::lock_guard lock(_dataLock);
    if (!data.isEmpty())
        record->imagedata = data;
    std::erase(_activeFetches, record);
    _completedFetches.push_back(record);
}

void URLResourceRetriever::checkForCompletion() {
    // Each record leaves the array before its delegate hears of it, and the lock
    // is not held meanwhile: a delegate may take locks of its own that a thread
    // holds while it asks for a fetch, and may ask for the same data again.
    for (;;) {
        FetchRecordRef record;
        {
            std::lock_guard lock(_dataLock);
            if (_completedFetches.empty())
                return;
            record = _completedFetches.front();
            _completedFetches.erase(_completedFetches.begin());
        }
        record->delegate->imageRetrievedDataTag(record->imagedata, record->tag);
    }
}

void URLResourceRetriever::shutdown() {
    _completionTimer.reset();
}
