// The background thumbnail loader and the budgeted image cache of the catalog.
#include "catalog/VQFileCatalog.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/NotificationCenter.h"
#include "utilities/GeometryUtilities.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>

namespace {

using namespace std::chrono_literals;

constexpr auto kIdleSleep = 100ms;
constexpr auto kStopPoll = 10ms;
constexpr int64_t kPatienceSeconds = 5;
constexpr int64_t kMinimumBudgetKiB = 32768;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

int64_t imageCacheBudgetKiB(int32_t physicalMegabytes) {
    return std::max<int64_t>(int64_t(physicalMegabytes) * 256, kMinimumBudgetKiB);
}

bool VQFileCatalog::activateDeferedLoader() {
    const std::shared_ptr<LoaderFlags> flags = _loaderFlags;
    bool expected = false;
    // Set before the thread starts, so two activations never start two threads.
    if (!flags->deferedLoaderOn.compare_exchange_strong(expected, true))
        return true;
    std::shared_ptr<VQFileCatalog> self = weak_from_this().lock();
    if (!self) {
        flags->deferedLoaderOn = false;
        return false;
    }
    flags->deferedLoaderShouldStop = false;
    try {
        std::thread([self = std::move(self), flags]() mutable {
            flags->thread = std::this_thread::get_id();
            self->deferedLoaderThread();
            // The catalog goes first, so a stop that sees the thread gone may free it at once.
            self.reset();
            flags->thread = std::thread::id();
            flags->deferedLoaderOn = false;
        }).detach();
    } catch (const std::system_error& e) {
        qWarning("Couldn't start the thumbnail loader: %s", e.what());
        flags->deferedLoaderOn = false;
        return false;
    }
    return true;
}

void VQFileCatalog::stopDeferedLoader() {
    const std::shared_ptr<LoaderFlags> flags = _loaderFlags;
    const int64_t t0 = QDateTime::currentSecsSinceEpoch();
    flags->deferedLoaderShouldStop = true;
    // The loader's own last reference may end the catalog on the loader thread.
    if (!flags->deferedLoaderOn || flags->thread.load() == std::this_thread::get_id())
        return;
    for (;;) {
        flags->deferedLoaderShouldStop = true;
        if (QDateTime::currentSecsSinceEpoch() - t0 > kPatienceSeconds) {
            qWarning("Lost patience!");
            return;
        }
        std::this_thread::sleep_for(kStopPoll);
        if (!flags->deferedLoaderOn)
            return;
    }
}

void VQFileCatalog::deferedLoaderThread() {
    const std::shared_ptr<LoaderFlags> flags = _loaderFlags;
    while (!flags->deferedLoaderShouldStop) {
        if (!loadNextThumbnail())
            std::this_thread::sleep_for(kIdleSleep);
    }
}

void VQFileCatalog::postThumbnailLoaded(int index) {
    if (_disableNotifications)
        return;
    QVariantMap info;
    info.insert(key(kVQIndexKey), index);
    NotificationCenter::defaultCenter().postNotificationName(
        key(kVQFileCatalogThumbnailLoadCompletNofity), static_cast<const VQFileCatalog*>(this),
        info);
}

bool VQFileCatalog::loadNextThumbnail() {
    const std::atomic<bool>& stop = _loaderFlags->deferedLoaderShouldStop;
    const QString queueKey = key(kEntryThumbnailQueueKey);
    std::unique_lock lock(_theLock);
    int index = -1;
    qint64 ticket = 0;
    VQFileCatalogEntryRef record;
    QString path;
    float rotation = 0;
    try {
        for (int i = 0; i < _entries.size() && !stop; ++i) {
            if (_entries.at(i)->contains(queueKey)) {
                index = i;
                record = _entries.at(i);
                ticket = record->value(queueKey).toLongLong();
                break;
            }
        }
        if (!record)
            return false;
        rotation = record->value(key(kEntryRotationKey), 0.0f).toFloat();
        path = record->value(key(kEntryPathKey)).toString();
        if (path.isEmpty() && record->isURL()) {
            const QUrl url = record->value(key(kEntryImageURLKey)).toUrl();
            lock.unlock();
            const QByteArray data = host().cancellableDataFetch(url, stop);
            lock.lock();
            // A stopped fetch says nothing about the URL: the entry stays queued.
            if (stop)
                return false;
            if (data.isEmpty() || !storeFetchedURLData(*record, data)) {
                record->insert(key(kEntryEnabledKey), false);
                record->remove(queueKey);
                lock.unlock();
                postThumbnailLoaded(index);
                return false;
            }
            path = record->value(key(kEntryPathKey)).toString();
        } else if (path.isEmpty() && record->isRaw()) {
            makeTempFileForImageEntryThreaded(*record, false);
            path = record->value(key(kEntryPathKey)).toString();
        }
        if (path.isEmpty()) {
            // Nothing to make a thumbnail from: the entry leaves the queue marked bad
            // instead of holding up every entry behind it.
            record->insert(key(kEntryBadKey), true);
            record->remove(queueKey);
            lock.unlock();
            postThumbnailLoaded(index);
            return true;
        }
    } catch (const std::exception& e) {
        qWarning("Exception caught in deferedLoaderThread: %s", e.what());
        return false;
    }
    lock.unlock();

    if (stop)
        return false;
    const Image thumbnail = getThumbnailImageFromPathWithRotationWithLock(path, rotation, true);

    lock.lock();
    const QVariant current = record->value(queueKey);
    if (current.isValid() && current.toLongLong() == ticket) {
        record->remove(queueKey);
        if (thumbnail.isNull() && !QFileInfo::exists(path)) {
            // The file went away while it was read (renamed, moved or deleted): that
            // is not an unreadable photo. The next change test follows the file or
            // shows the entry as missing; the cell keeps its placeholder meanwhile.
            return true;
        }
        if (!thumbnail.isNull())
            record->insert(key(kEntryThumbnailKey), QVariant::fromValue(thumbnail));
        else
            record->insert(key(kEntryBadKey), true);
    }
    lock.unlock();
    postThumbnailLoaded(index);
    return true;
}

Image VQFileCatalog::getThumbnailImageFromImageWithRotation(const Image& image, float) const {
    const Size fitted = UTScaleSizeToFit(image.size(), _thumbnailSize);
    QImage canvas(int(_thumbnailSize.width), int(_thumbnailSize.height),
                  QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, fitted.width, fitted.height), image.pixels());
    painter.end();
    return Image(canvas);
}

void VQFileCatalog::setMaxScreenResolution(Size size) {
    std::lock_guard lock(_theLock);
    _maxScreenResolution = UTScaleSizeToFit(size, Size{800, 800});
}

void VQFileCatalog::cleanCachedEntries() {
    struct EvictionRecord {
        int index;
        int64_t dataSize;
        QDateTime accessDate;
    };
    // Another thread decoding a full-size picture (a print run) holds the lock
    // for a while: the pass waits for the next tick rather than stall the main
    // thread meanwhile.
    std::unique_lock lock(_theLock, std::try_to_lock);
    if (!lock.owns_lock())
        return;
    const QString imageKey = key(kEntryImageKey);
    const QString accessKey = key(kEntryImageAccessKey);
    std::vector<EvictionRecord> records;
    int64_t total = 0;
    for (int i = 0; i < _entries.size(); ++i) {
        const VQFileCatalogEntry& record = *_entries.at(i);
        if (!record.contains(imageKey))
            continue;
        const QSize pixels = record.value(imageKey).value<Image>().pixelSize();
        const int64_t cost = int64_t(pixels.width()) * pixels.height() * 4 / 1024;
        total += cost;
        const QVariant access = record.value(accessKey);
        records.push_back(
            {i, cost, access.isValid() ? access.toDateTime() : QDateTime::currentDateTime()});
    }
    const int64_t budget = imageCacheBudgetKiB(host().physicalRAM());
    if (total <= budget)
        return;
    std::stable_sort(records.begin(), records.end(),
                     [](const EvictionRecord& a, const EvictionRecord& b) {
                         return a.accessDate < b.accessDate;
                     });
    for (const EvictionRecord& evicted : records) {
        VQFileCatalogEntry& record = *_entries.at(evicted.index);
        record.remove(imageKey);
        record.remove(accessKey);
        total -= evicted.dataSize;
        if (total <= budget)
            break;
    }
}

void VQFileCatalog::startEvictionTimer() {
    if (!QCoreApplication::instance())
        return;
    _heartbeatTimer = std::make_unique<QTimer>();
    _heartbeatTimer->setInterval(1000);
    QObject::connect(_heartbeatTimer.get(), &QTimer::timeout, [this] { cleanCachedEntries(); });
    _heartbeatTimer->start();
}

void VQFileCatalog::stopEvictionTimer() {
    if (!_heartbeatTimer)
        return;
    _heartbeatTimer->disconnect();
    // A timer ends on its own thread; the catalog may end on the loader's.
    if (QThread::currentThread() == _heartbeatTimer->thread())
        _heartbeatTimer.reset();
    else
        _heartbeatTimer.release()->deleteLater();
}
