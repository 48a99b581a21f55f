#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <cstddef>
#include <memory>

// A named notification: a sender and a user-info dictionary.
class LUMISK_PLATFORM_EXPORT Notification {
public:
    // The object a notification is about. Observers match and compare senders by
    // address only. How the sender is held decides what a queued notification does
    // when the sender goes away before the queue posts it:
    // - std::shared_ptr<T>: the notification keeps the object alive until it has
    //   been delivered and dropped, so the address is always valid.
    // - QObject*: watched; when the object is destroyed before posting, the
    //   notification is posted without a sender (object() answers null), so no
    //   observer ever sees a dangling address.
    // - any other pointer: not held. Fine for posting at once; a poster that
    //   enqueues with one guarantees the object outlives the queued notification,
    //   or removes its notifications in its destructor with
    //   NotificationQueue::dequeueNotificationsMatching(..., CoalescingOnSender).
    // Pointers are converted to const void* as given: pass the same pointer type
    // (the class itself, not a base) that observers register with.
    class Sender {
    public:
        Sender() : Sender(static_cast<const void*>(nullptr)) {}
        Sender(std::nullptr_t) : Sender() {}
        Sender(const void* object) : _address(object), _isWatched(false) {}
        Sender(const QObject* object)
            : _address(object), _watched(object), _isWatched(object != nullptr) {}
        template <class T>
        Sender(std::shared_ptr<T> object)
            : _address(static_cast<const void*>(object.get())), _retained(std::move(object)),
              _isWatched(false) {}

        // The sender's address; null for none, or once a watched QObject is gone.
        const void* address() const { return _isWatched && _watched.isNull() ? nullptr : _address; }
        // The owning reference when the sender was given as a shared pointer.
        const std::shared_ptr<const void>& retained() const { return _retained; }

    private:
        // Every constructor sets these (a nested class used in a default argument
        // of its enclosing class cannot rely on member initializers).
        const void* _address;
        std::shared_ptr<const void> _retained;
        QPointer<const QObject> _watched;
        bool _isWatched;
    };

    Notification() = default;
    Notification(QString name, Sender sender = {}, QVariantMap userInfo = {})
        : _name(std::move(name)), _sender(std::move(sender)), _userInfo(std::move(userInfo)) {}

    const QString& name() const { return _name; }
    const void* object() const { return _sender.address(); }
    const Sender& sender() const { return _sender; }
    const QVariantMap& userInfo() const { return _userInfo; }

private:
    QString _name;
    Sender _sender;
    QVariantMap _userInfo;
};
