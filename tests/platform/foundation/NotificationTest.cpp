#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NotificationQueue.h"

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kChanged = QStringLiteral("TemplateObjectChangedNofity");
const QString kOther = QStringLiteral("PhotoMaskChangedNofity");

// Records what reached one observer.
struct Recorder {
    std::vector<Notification> received;
    NotificationCenter::Callback callback() {
        return [this](const Notification& n) { received.push_back(n); };
    }
    int count() const { return int(received.size()); }
};

// One pass of the event loop.
void pass() {
    QCoreApplication::processEvents();
}

} // namespace

TEST(NotificationCenter, MatchesObserversByNameAndSender) {
    NotificationCenter center;
    int a = 0, b = 0;
    Recorder any, byName, bySender, byBoth;
    center.addObserver(&any, QString(), nullptr, any.callback());
    center.addObserver(&byName, kChanged, nullptr, byName.callback());
    center.addObserver(&bySender, QString(), &a, bySender.callback());
    center.addObserver(&byBoth, kChanged, &a, byBoth.callback());

    center.postNotificationName(kChanged, &a, {{QStringLiteral("k"), 7}});
    center.postNotificationName(kChanged, &b);
    center.postNotificationName(kOther, &a);
    center.postNotificationName(kOther);

    EXPECT_EQ(any.count(), 4);
    EXPECT_EQ(byName.count(), 2);
    EXPECT_EQ(bySender.count(), 2);
    ASSERT_EQ(byBoth.count(), 1);
    EXPECT_EQ(byBoth.received[0].object(), &a);
    EXPECT_EQ(byBoth.received[0].userInfo().value(QStringLiteral("k")).toInt(), 7);
}

TEST(NotificationCenter, RemovesAllOrPartOfAnOwnersObservers) {
    NotificationCenter center;
    int a = 0, b = 0;
    Recorder r, other;
    center.addObserver(&r, kChanged, &a, r.callback());
    center.addObserver(&r, kChanged, &b, r.callback());
    center.addObserver(&r, kOther, nullptr, r.callback());
    center.addObserver(&other, kChanged, nullptr, other.callback());

    // A specific sender does not remove the any-sender registration.
    center.removeObserver(&r, kOther, &a);
    center.removeObserver(&r, kChanged, &a);
    center.postNotificationName(kChanged, &a);
    center.postNotificationName(kChanged, &b);
    center.postNotificationName(kOther, &a);
    EXPECT_EQ(r.count(), 2);
    EXPECT_EQ(other.count(), 2);

    center.removeObserver(&r);
    center.postNotificationName(kChanged, &b);
    center.postNotificationName(kOther);
    EXPECT_EQ(r.count(), 2);
    EXPECT_EQ(other.count(), 3);
}

TEST(NotificationCenter, ObserversMayRemoveThemselvesAndOthersDuringDelivery) {
    NotificationCenter center;
    int first = 0, second = 0, third = 0, late = 0;
    center.addObserver(&first, kChanged, nullptr, [&](const Notification&) {
        ++first;
        center.removeObserver(&first);
        center.removeObserver(&second);
        // Added during a delivery: only for later posts.
        center.addObserver(&late, kChanged, nullptr, [&](const Notification&) { ++late; });
    });
    center.addObserver(&second, kChanged, nullptr, [&](const Notification&) { ++second; });
    center.addObserver(&third, kChanged, nullptr, [&](const Notification&) {
        ++third;
        center.removeObserver(&third);
    });

    center.postNotificationName(kChanged);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(third, 1);
    EXPECT_EQ(late, 0);

    center.postNotificationName(kChanged);
    EXPECT_EQ(first + second + third, 2);
    EXPECT_EQ(late, 1);
}

TEST(NotificationCenter, DestroyedQObjectOwnerIsRemoved) {
    NotificationCenter center;
    int calls = 0;
    auto* owner = new QObject;
    center.addObserver(owner, kChanged, nullptr, [&](const Notification&) { ++calls; });
    center.addObserver(owner, kOther, nullptr, [&](const Notification&) { ++calls; });
    center.postNotificationName(kChanged);
    delete owner;
    center.postNotificationName(kChanged);
    center.postNotificationName(kOther);
    EXPECT_EQ(calls, 1);

    // Removed by hand first: the later destruction must not touch the centre.
    auto* other = new QObject;
    center.addObserver(other, kChanged, nullptr, [&](const Notification&) { ++calls; });
    center.removeObserver(other);
    delete other;
    center.postNotificationName(kChanged);
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, DeliversOnThePostingThread) {
    NotificationCenter center;
    std::thread::id seen;
    center.addObserver(&seen, kChanged, nullptr,
                       [&](const Notification&) { seen = std::this_thread::get_id(); });
    std::thread::id worker;
    std::thread t([&] {
        worker = std::this_thread::get_id();
        center.postNotificationName(kChanged);
    });
    t.join();
    EXPECT_EQ(seen, worker);
}

TEST(NotificationCenter, RemovalWaitsForADeliveryOnAnotherThread) {
    NotificationCenter center;
    std::atomic<bool> started{false}, finished{false};
    int owner = 0;
    center.addObserver(&owner, kChanged, nullptr, [&](const Notification&) {
        started = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        finished = true;
    });
    std::thread t([&] { center.postNotificationName(kChanged); });
    while (!started)
        std::this_thread::yield();
    center.removeObserver(&owner);
    // Once removal returns the owner may go away: its callback must be done.
    EXPECT_TRUE(finished);
    t.join();
}

TEST(NotificationQueue, ChangesOfOneObjectInOnePassCoalesce) {
    NotificationCenter center;
    NotificationQueue queue(center);
    int a = 0;
    Recorder r;
    center.addObserver(&r, kChanged, nullptr, r.callback());

    for (int i = 0; i < 3; ++i)
        queue.enqueueNotification(Notification(kChanged, &a, {{QStringLiteral("i"), i}}),
                                  NotificationQueue::PostASAP);
    EXPECT_EQ(r.count(), 0);
    pass();
    ASSERT_EQ(r.count(), 1);
    EXPECT_EQ(r.received[0].object(), &a);
    // The latest one is the one kept.
    EXPECT_EQ(r.received[0].userInfo().value(QStringLiteral("i")).toInt(), 2);

    pass();
    EXPECT_EQ(r.count(), 1);
}

TEST(NotificationQueue, CoalescingFollowsTheMask) {
    struct Case {
        const char* what;
        NotificationQueue::CoalesceMask mask;
        int expected;
    };
    // Posted per case: X from a, X from b, Y from a, X from a (the default mask: 3).
    const Case cases[] = {
        {"name only", NotificationQueue::CoalescingOnName, 2},
        {"sender only", NotificationQueue::CoalescingOnSender, 2},
        {"none", NotificationQueue::NoCoalescing, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NotificationCenter center;
        NotificationQueue queue(center);
        int a = 0, b = 0;
        Recorder r;
        center.addObserver(&r, QString(), nullptr, r.callback());
        queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostASAP, c.mask);
        queue.enqueueNotification(Notification(kChanged, &b), NotificationQueue::PostASAP, c.mask);
        queue.enqueueNotification(Notification(kOther, &a), NotificationQueue::PostASAP, c.mask);
        queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostASAP, c.mask);
        pass();
        EXPECT_EQ(r.count(), c.expected);
    }
}

TEST(NotificationQueue, TwoSendersGiveTwoAndNamesStaySeparate) {
    NotificationCenter center;
    NotificationQueue queue(center);
    int a = 0, b = 0;
    Recorder r;
    center.addObserver(&r, QString(), nullptr, r.callback());
    queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostASAP);
    queue.enqueueNotification(Notification(kChanged, &b), NotificationQueue::PostASAP);
    queue.enqueueNotification(Notification(kOther, &a), NotificationQueue::PostASAP);
    queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostASAP);
    pass();
    ASSERT_EQ(r.count(), 3);
    // In order of enqueuing, a coalesced one taking the place of the last.
    EXPECT_EQ(r.received[0].object(), &b);
    EXPECT_EQ(r.received[1].name(), kOther);
    EXPECT_EQ(r.received[2].object(), &a);
    EXPECT_EQ(r.received[2].name(), kChanged);
}

TEST(NotificationQueue, PostNowDeliversAtOnceAndReplacesQueuedOnes) {
    NotificationCenter center;
    NotificationQueue queue(center);
    int a = 0;
    Recorder r;
    center.addObserver(&r, kChanged, nullptr, r.callback());
    queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostASAP);
    queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostWhenIdle);
    queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostNow);
    EXPECT_EQ(r.count(), 1);
    QTest::qWait(50);
    EXPECT_EQ(r.count(), 1);
}

TEST(NotificationQueue, WhenIdlePostsAfterAsSoonAsPossible) {
    NotificationCenter center;
    NotificationQueue queue(center);
    int a = 0, b = 0;
    Recorder r;
    center.addObserver(&r, QString(), nullptr, r.callback());
    queue.enqueueNotification(Notification(kOther, &a), NotificationQueue::PostWhenIdle);
    queue.enqueueNotification(Notification(kOther, &a), NotificationQueue::PostWhenIdle);
    queue.enqueueNotification(Notification(kChanged, &b), NotificationQueue::PostASAP);
    EXPECT_EQ(r.count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.count() == 2; }, 2000));
    EXPECT_EQ(r.received[0].name(), kChanged);
    EXPECT_EQ(r.received[1].name(), kOther);
    QTest::qWait(20);
    EXPECT_EQ(r.count(), 2);
}

TEST(NotificationQueue, WhenIdleWaitsForAsSoonAsPossibleOnesEnqueuedWhilePosting) {
    NotificationCenter center;
    NotificationQueue queue(center);
    QStringList order;
    center.addObserver(&order, QString(), nullptr, [&](const Notification& n) {
        order << n.name();
        if (n.name() == kChanged)
            queue.enqueueNotification(Notification(kOther), NotificationQueue::PostASAP);
    });
    const QString idle = QStringLiteral("idle");
    queue.enqueueNotification(Notification(idle), NotificationQueue::PostWhenIdle);
    queue.enqueueNotification(Notification(kChanged), NotificationQueue::PostASAP);
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 3; }, 2000));
    EXPECT_EQ(order, QStringList({kChanged, kOther, idle}));
}

TEST(NotificationQueue, DequeueRemovesMatchingNotificationsOfBothStyles) {
    NotificationCenter center;
    NotificationQueue queue(center);
    int a = 0, b = 0;
    Recorder r;
    center.addObserver(&r, QString(), nullptr, r.callback());
    queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostASAP);
    queue.enqueueNotification(Notification(kOther, &a), NotificationQueue::PostWhenIdle);
    queue.enqueueNotification(Notification(kChanged, &b), NotificationQueue::PostASAP);
    queue.dequeueNotificationsMatching(Notification(QString(), &a),
                                       NotificationQueue::CoalescingOnSender);
    QTest::qWait(50);
    ASSERT_EQ(r.count(), 1);
    EXPECT_EQ(r.received[0].object(), &b);
}

TEST(NotificationQueue, ObserverMayDequeueWhatFollowsAndEnqueueForTheNextPass) {
    NotificationCenter center;
    NotificationQueue queue(center);
    int a = 0, b = 0;
    int changed = 0, other = 0;
    center.addObserver(&changed, kChanged, nullptr, [&](const Notification&) {
        ++changed;
        queue.dequeueNotificationsMatching(Notification(kOther, &b),
                                           NotificationQueue::CoalescingOnName);
        // Re-enqueuing from an observer must wait for the next pass, not loop.
        queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostASAP);
    });
    center.addObserver(&other, kOther, nullptr, [&](const Notification&) { ++other; });
    queue.enqueueNotification(Notification(kChanged, &a), NotificationQueue::PostASAP);
    queue.enqueueNotification(Notification(kOther, &b), NotificationQueue::PostASAP);
    pass();
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(other, 0);
    pass();
    EXPECT_EQ(changed, 2);
    center.removeObserver(&changed);
    pass();
    EXPECT_EQ(changed, 2);
}

TEST(NotificationQueue, KeepsASharedSenderAliveUntilPosted) {
    NotificationCenter center;
    NotificationQueue queue(center);
    auto object = std::make_shared<int>(5);
    const void* address = object.get();
    std::weak_ptr<int> watch = object;
    Recorder r;
    center.addObserver(&r, kChanged, address, r.callback());
    queue.enqueueNotification(Notification(kChanged, object), NotificationQueue::PostASAP);
    object.reset();
    EXPECT_FALSE(watch.expired());
    pass();
    ASSERT_EQ(r.count(), 1);
    EXPECT_EQ(r.received[0].object(), address);
    r.received.clear();
    EXPECT_TRUE(watch.expired());
}

TEST(NotificationQueue, DestroyedQObjectSenderIsNotPassedOn) {
    NotificationCenter center;
    NotificationQueue queue(center);
    auto* sender = new QObject;
    const void* address = sender;
    Recorder bySender, any;
    center.addObserver(&bySender, kChanged, address, bySender.callback());
    center.addObserver(&any, kChanged, nullptr, any.callback());
    queue.enqueueNotification(Notification(kChanged, sender), NotificationQueue::PostASAP);
    delete sender;
    pass();
    EXPECT_EQ(bySender.count(), 0);
    ASSERT_EQ(any.count(), 1);
    EXPECT_EQ(any.received[0].object(), nullptr);
}

TEST(NotificationQueue, EnqueuedOnAWorkerPostsOnTheMainThread) {
    NotificationCenter center;
    NotificationQueue queue(center);
    std::vector<QThread*> threads;
    center.addObserver(&threads, QString(), nullptr,
                       [&](const Notification&) { threads.push_back(QThread::currentThread()); });
    std::thread t([&] {
        queue.enqueueNotification(Notification(kChanged), NotificationQueue::PostASAP);
        queue.enqueueNotification(Notification(kOther), NotificationQueue::PostWhenIdle);
    });
    t.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return threads.size() == 2; }, 2000));
    EXPECT_EQ(threads[0], QCoreApplication::instance()->thread());
    EXPECT_EQ(threads[1], QCoreApplication::instance()->thread());
}

TEST(NotificationQueue, DefaultQueuePostsToDefaultCenter) {
    int a = 0;
    Recorder r;
    NotificationCenter::defaultCenter().addObserver(&r, kChanged, &a, r.callback());
    for (int i = 0; i < 3; ++i)
        NotificationQueue::defaultQueue().enqueueNotification(Notification(kChanged, &a),
                                                              NotificationQueue::PostASAP);
    pass();
    EXPECT_EQ(r.count(), 1);
    NotificationCenter::defaultCenter().removeObserver(&r);
}
