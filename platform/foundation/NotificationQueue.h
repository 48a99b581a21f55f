#pragma once

#include "platform/foundation/Notification.h"
#include "platform/foundation/PlatformExport.h"

#include <QFlags>
#include <memory>

class NotificationCenter;

// Holds notifications back and posts them later through a notification centre,
// so that several alike notifications made close together arrive once.
//
// Queued notifications are posted on the main thread (the thread of the
// application object), driven by its event loop:
// - PostASAP: at the end of the current pass of the event loop;
// - PostWhenIdle: once the events pending then are processed and no
//   as-soon-as-possible notification is waiting;
// - PostNow: at once, on the calling thread, after coalescing.
// Within a style, notifications post in the order they were enqueued; one that
// an observer enqueues while the queue posts waits for the next pass.
//
// Coalescing: enqueuing removes every queued notification (of either style)
// that matches the new one on what the mask names, and the new one is queued
// at the end. Enqueuing and dequeuing are safe from any thread.
//
// How a queued notification holds its sender (and what happens when the sender
// goes away first) is described at Notification::Sender.
class LUMISK_PLATFORM_EXPORT NotificationQueue {
public:
    enum PostingStyle { PostWhenIdle = 1, PostASAP = 2, PostNow = 3 };
    enum CoalescingFlag { NoCoalescing = 0, CoalescingOnName = 1, CoalescingOnSender = 2 };
    Q_DECLARE_FLAGS(CoalesceMask, CoalescingFlag)

    explicit NotificationQueue(NotificationCenter& center);
    ~NotificationQueue();
    NotificationQueue(const NotificationQueue&) = delete;
    NotificationQueue& operator=(const NotificationQueue&) = delete;

    // The process-wide queue, posting to the default centre.
    static NotificationQueue& defaultQueue();

    // Coalesces on name and sender unless told otherwise.
    void enqueueNotification(const Notification& notification, PostingStyle postingStyle);
    void enqueueNotification(const Notification& notification, PostingStyle postingStyle,
                             CoalesceMask coalesceMask);
    // Removes the queued notifications that match on what the mask names (an
    // empty mask names nothing to compare, so it matches every one).
    void dequeueNotificationsMatching(const Notification& notification, CoalesceMask coalesceMask);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(NotificationQueue::CoalesceMask)
