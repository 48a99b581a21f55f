#pragma once

#include "framework/model/TMObject.h"
#include "platform/foundation/Notification.h"
#include "platform/foundation/NotificationCenter.h"

#include <QCoreApplication>

// Counts the change notices one page object posts. They are queued to be
// posted as soon as possible, so posted() lets the queue run first.
class ChangeCounter {
public:
    explicit ChangeCounter(const TMObjectRef& object) {
        NotificationCenter::defaultCenter().addObserver(
            this, QString::fromLatin1(kTemplateObjectChangedNofity),
            static_cast<const TMObject*>(object.get()), [this](const Notification& notice) {
                ++count;
                sender = notice.object();
            });
    }
    ~ChangeCounter() { NotificationCenter::defaultCenter().removeObserver(this); }
    ChangeCounter(const ChangeCounter&) = delete;
    ChangeCounter& operator=(const ChangeCounter&) = delete;

    int posted() {
        QCoreApplication::processEvents();
        return count;
    }

    int count = 0;
    const void* sender = nullptr;
};
