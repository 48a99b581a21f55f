#pragma once

#include "platform/foundation/Notification.h"
#include "platform/foundation/PlatformExport.h"

#include <QMetaObject>
#include <QString>
#include <QVariantMap>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class QObject;

// Delivers named notifications to the callbacks registered for them.
//
// An observer is a callback registered under an owner token, for a name and a
// sender; an empty name matches every name and a null sender every sender. The
// owner token is what removes the observer again; a QObject owner is removed
// automatically when it is destroyed.
//
// Posting delivers synchronously on the posting thread, in registration order,
// to the observers registered when the post began. An observer removed while a
// notification is being delivered is not called after its removal, so
// callbacks may remove themselves or others. Registration and removal are safe
// from any thread. Removal waits until calls of the removed callbacks running
// on other threads have returned, so the owner may be freed right after it;
// don't remove observers while holding a lock those callbacks take. (The
// automatic removal of a QObject owner runs from ~QObject, after the derived
// parts are gone: owners observed on other threads remove themselves in their
// own destructor.)
class LUMISK_PLATFORM_EXPORT NotificationCenter {
public:
    using Callback = std::function<void(const Notification&)>;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process-wide centre.
    static NotificationCenter& defaultCenter();

    void addObserver(const void* owner, const QString& name, const void* sender, Callback callback);
    void addObserver(const QObject* owner, const QString& name, const void* sender,
                     Callback callback);

    // Removes every observer of the owner.
    void removeObserver(const void* owner);
    // Removes the owner's observers registered for this name (empty: any) and
    // this sender (null: any); an observer registered for any name or any
    // sender is removed only when the same wildcard is given.
    void removeObserver(const void* owner, const QString& name, const void* sender);

    void postNotification(const Notification& notification);
    void postNotificationName(const QString& name, Notification::Sender sender = {},
                              QVariantMap userInfo = {});

private:
    struct Entry;
    using Matcher = std::function<bool(const Entry&)>;

    void add(const void* owner, const QString& name, const void* sender, Callback callback);
    void remove(const Matcher& matcher);
    void finishDelivery(Entry& entry);

    std::recursive_mutex _mutex;
    std::condition_variable_any _deliveryFinished;
    std::vector<std::shared_ptr<Entry>> _entries;
    // Owners that are QObjects, with their connection to QObject::destroyed.
    std::unordered_map<const void*, QMetaObject::Connection> _watchedOwners;
};
