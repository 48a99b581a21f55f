#include "platform/foundation/HostServices.h"

#include "platform/foundation/Exception.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"

#include <atomic>

namespace {
std::atomic<HostServices*> gHost{nullptr};
}

HostServices::~HostServices() {
    HostServices* self = this;
    gHost.compare_exchange_strong(self, nullptr);
}

QByteArray HostServices::cancellableDataFetch(const QUrl& url, const std::atomic<bool>& cancelled) {
    return cancelled.load() ? QByteArray() : synchronousDataFetch(url);
}

// Kept for the process's life: a cursor must not outlive the application's
// cleanup when destroyed at exit.
const QCursor& HostServices::openHandCursor() {
    static const QCursor* cursor = new QCursor(Qt::OpenHandCursor);
    return *cursor;
}

const QCursor& HostServices::zoomArrowsCursor() {
    static const QCursor* cursor = new QCursor(Qt::SizeVerCursor);
    return *cursor;
}

const QCursor& HostServices::crossArrowsCursor() {
    static const QCursor* cursor = new QCursor(Qt::SizeAllCursor);
    return *cursor;
}

HostServices* HostServices::current() {
    return gHost.load();
}

void HostServices::install(HostServices* host) {
    gHost.store(host);
}

HostServices& host() {
    HostServices* h = gHost.load();
    if (!h)
        Exception::raise(QString::fromLatin1(kInternalInconsistencyException),
                         QStringLiteral("no host services installed"));
    return *h;
}

BezierPath makeSelectionHandlePath(int style) {
    const Rect square(-3, -3, 7, 7);
    if (style == 1) {
        BezierPath path = BezierPath::bezierPathWithRect(square);
        AffineTransform rotation;
        rotation.rotateByDegrees(45);
        path.transformUsingAffineTransform(rotation);
        return path;
    }
    if (style == 2) {
        BezierPath path = BezierPath::bezierPathWithRect(square);
        path.setLineWidth(2);
        return path;
    }
    return BezierPath::bezierPathWithOvalInRect(square);
}

WaitMonitorScope::WaitMonitorScope() {
    if (HostServices* host = HostServices::current())
        host->resumeWaitMonitor();
}

WaitMonitorScope::~WaitMonitorScope() {
    if (HostServices* host = HostServices::current())
        host->suspendWaitMonitor();
}
