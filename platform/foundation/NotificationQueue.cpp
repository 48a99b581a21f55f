#include "platform/foundation/NotificationQueue.h"

#include "platform/foundation/NotificationCenter.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace {

struct QueuedNotification {
    Notification notification;
    quint64 serial = 0;
};

bool matches(const Notification& queued, const Notification& pattern,
             NotificationQueue::CoalesceMask mask) {
    if (mask.testFlag(NotificationQueue::CoalescingOnName) && queued.name() != pattern.name())
        return false;
    if (mask.testFlag(NotificationQueue::CoalescingOnSender) && queued.object() != pattern.object())
        return false;
    return true;
}

} // namespace

struct NotificationQueue::Private {
    explicit Private(NotificationCenter& c) : center(c) {
        idleTimer.setSingleShot(true);
        idleTimer.setInterval(0);
        QObject::connect(&idleTimer, &QTimer::timeout, &context, [this] { postWhenIdle(); });
        if (auto* app = QCoreApplication::instance()) {
            context.moveToThread(app->thread());
            idleTimer.moveToThread(app->thread());
        }
    }

    // Moves the matching notifications out of both lists; the caller drops them
    // after unlocking, because a retained sender may be freed with them.
    void takeMatching(const Notification& pattern, CoalesceMask mask,
                      std::vector<QueuedNotification>& out) {
        for (auto* list : {&asap, &idle}) {
            for (auto it = list->begin(); it != list->end();) {
                if (matches(it->notification, pattern, mask)) {
                    out.push_back(std::move(*it));
                    it = list->erase(it);
                } else {
                    ++it;
                }
            }
        }
    }

    // Called with the lock held.
    void scheduleASAP() {
        if (asapScheduled)
            return;
        asapScheduled = true;
        QMetaObject::invokeMethod(
            &context, [this] { postASAP(); }, Qt::QueuedConnection);
    }

    // Called with the lock held.
    void scheduleWhenIdle() {
        if (idleScheduled)
            return;
        idleScheduled = true;
        if (QThread::currentThread() == idleTimer.thread())
            idleTimer.start();
        else
            QMetaObject::invokeMethod(
                &context, [this] { idleTimer.start(); }, Qt::QueuedConnection);
    }

    // Posts what was queued in `list` before `limit`, one at a time, so an
    // observer can still dequeue the notifications that follow.
    void postQueued(std::deque<QueuedNotification>& list, quint64 limit) {
        struct Reschedule {
            Private* d;
            ~Reschedule() {
                std::lock_guard lock(d->mutex);
                if (!d->asap.empty())
                    d->scheduleASAP();
                if (!d->idle.empty())
                    d->scheduleWhenIdle();
            }
        } reschedule{this};
        for (;;) {
            std::optional<QueuedNotification> next;
            {
                std::lock_guard lock(mutex);
                if (list.empty() || list.front().serial >= limit)
                    return;
                next = std::move(list.front());
                list.pop_front();
            }
            center.postNotification(next->notification);
        }
    }

    void postASAP() {
        quint64 limit;
        {
            std::lock_guard lock(mutex);
            asapScheduled = false;
            limit = nextSerial;
        }
        postQueued(asap, limit);
    }

    void postWhenIdle() {
        quint64 limit;
        {
            std::lock_guard lock(mutex);
            idleScheduled = false;
            // Not idle while as-soon-as-possible notifications wait.
            if (!asap.empty()) {
                scheduleWhenIdle();
                return;
            }
            limit = nextSerial;
        }
        postQueued(idle, limit);
    }

    NotificationCenter& center;
    std::mutex mutex;
    std::deque<QueuedNotification> asap;
    std::deque<QueuedNotification> idle;
    quint64 nextSerial = 0;
    bool asapScheduled = false;
    bool idleScheduled = false;
    // Receives the queued calls and owns the idle timer, on the main thread.
    QObject context;
    QTimer idleTimer;
};

NotificationQueue::NotificationQueue(NotificationCenter& center)
    : d(std::make_unique<Private>(center)) {}

NotificationQueue::~NotificationQueue() = default;

NotificationQueue& NotificationQueue::defaultQueue() {
    // Never destroyed, like the default centre it posts to.
    static NotificationQueue* queue = new NotificationQueue(NotificationCenter::defaultCenter());
    return *queue;
}

void NotificationQueue::enqueueNotification(const Notification& notification,
                                            PostingStyle postingStyle) {
    enqueueNotification(notification, postingStyle,
                        CoalesceMask(CoalescingOnName) | CoalescingOnSender);
}

void NotificationQueue::enqueueNotification(const Notification& notification,
                                            PostingStyle postingStyle, CoalesceMask coalesceMask) {
    std::vector<QueuedNotification> coalesced;
    {
        std::lock_guard lock(d->mutex);
        if (coalesceMask != NoCoalescing)
            d->takeMatching(notification, coalesceMask, coalesced);
        switch (postingStyle) {
        case PostASAP:
            d->asap.push_back({notification, d->nextSerial++});
            d->scheduleASAP();
            break;
        case PostWhenIdle:
            d->idle.push_back({notification, d->nextSerial++});
            d->scheduleWhenIdle();
            break;
        case PostNow:
            break;
        }
    }
    coalesced.clear();
    if (postingStyle == PostNow)
        d->center.postNotification(notification);
}

void NotificationQueue::dequeueNotificationsMatching(const Notification& notification,
                                                     CoalesceMask coalesceMask) {
    std::vector<QueuedNotification> removed;
    std::lock_guard lock(d->mutex);
    d->takeMatching(notification, coalesceMask, removed);
    // Declared before the lock, `removed` is dropped after unlocking.
}
