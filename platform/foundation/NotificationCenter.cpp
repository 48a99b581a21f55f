#include "platform/foundation/NotificationCenter.h"

#include <QObject>
#include <algorithm>
#include <thread>

struct NotificationCenter::Entry {
    const void* owner = nullptr;
    QString name;
    const void* sender = nullptr;
    Callback callback;
    bool removed = false;
    // Threads inside the callback right now; a thread appears once per nested call.
    std::vector<std::thread::id> delivering;

    bool deliversTo(const Notification& notification) const {
        return (name.isEmpty() || name == notification.name()) &&
               (sender == nullptr || sender == notification.object());
    }
    bool busyOnOtherThread() const {
        const auto self = std::this_thread::get_id();
        return std::any_of(delivering.begin(), delivering.end(),
                           [self](std::thread::id id) { return id != self; });
    }
};

NotificationCenter::NotificationCenter() = default;

NotificationCenter::~NotificationCenter() {
    for (auto& [owner, connection] : _watchedOwners)
        QObject::disconnect(connection);
}

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: observers may still remove themselves while statics are torn down.
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

void NotificationCenter::addObserver(const void* owner, const QString& name, const void* sender,
                                     Callback callback) {
    add(owner, name, sender, std::move(callback));
}

void NotificationCenter::addObserver(const QObject* owner, const QString& name, const void* sender,
                                     Callback callback) {
    const void* token = owner;
    add(token, name, sender, std::move(callback));
    if (!owner)
        return;
    std::lock_guard lock(_mutex);
    if (_watchedOwners.count(token))
        return;
    _watchedOwners[token] =
        QObject::connect(owner, &QObject::destroyed, [this, token] { removeObserver(token); });
}

void NotificationCenter::add(const void* owner, const QString& name, const void* sender,
                             Callback callback) {
    if (!callback)
        return;
    auto entry = std::make_shared<Entry>();
    entry->owner = owner;
    entry->name = name;
    entry->sender = sender;
    entry->callback = std::move(callback);
    std::lock_guard lock(_mutex);
    _entries.push_back(std::move(entry));
}

void NotificationCenter::removeObserver(const void* owner) {
    remove([owner](const Entry& e) { return e.owner == owner; });
}

void NotificationCenter::removeObserver(const void* owner, const QString& name,
                                        const void* sender) {
    remove([&](const Entry& e) {
        return e.owner == owner && (name.isEmpty() || e.name == name) &&
               (sender == nullptr || e.sender == sender);
    });
}

void NotificationCenter::remove(const Matcher& matcher) {
    std::vector<std::shared_ptr<Entry>> removed;
    std::unique_lock lock(_mutex);
    auto keep = std::stable_partition(_entries.begin(), _entries.end(),
                                      [&](const auto& e) { return !matcher(*e); });
    std::move(keep, _entries.end(), std::back_inserter(removed));
    _entries.erase(keep, _entries.end());
    for (auto& entry : removed) {
        entry->removed = true;
        const void* owner = entry->owner;
        auto watched = _watchedOwners.find(owner);
        if (watched != _watchedOwners.end() &&
            std::none_of(_entries.begin(), _entries.end(),
                         [owner](const auto& e) { return e->owner == owner; })) {
            QObject::disconnect(watched->second);
            _watchedOwners.erase(watched);
        }
    }
    _deliveryFinished.wait(lock, [&] {
        return std::none_of(removed.begin(), removed.end(),
                            [](const auto& e) { return e->busyOnOtherThread(); });
    });
    lock.unlock();
    // The callbacks (and whatever they captured) are released here, outside the lock,
    // unless a delivery on this thread still holds them.
    removed.clear();
}

void NotificationCenter::postNotification(const Notification& notification) {
    std::vector<std::shared_ptr<Entry>> targets;
    {
        std::lock_guard lock(_mutex);
        for (const auto& entry : _entries)
            if (entry->deliversTo(notification))
                targets.push_back(entry);
    }
    for (const auto& entry : targets) {
        {
            std::lock_guard lock(_mutex);
            if (entry->removed)
                continue;
            entry->delivering.push_back(std::this_thread::get_id());
        }
        try {
            entry->callback(notification);
        } catch (...) {
            finishDelivery(*entry);
            throw;
        }
        finishDelivery(*entry);
    }
}

void NotificationCenter::finishDelivery(Entry& entry) {
    {
        std::lock_guard lock(_mutex);
        auto it =
            std::find(entry.delivering.begin(), entry.delivering.end(), std::this_thread::get_id());
        if (it != entry.delivering.end())
            entry.delivering.erase(it);
    }
    _deliveryFinished.notify_all();
}

void NotificationCenter::postNotificationName(const QString& name, Notification::Sender sender,
                                              QVariantMap userInfo) {
    postNotification(Notification(name, std::move(sender), std::move(userInfo)));
}
