#include "framework/model/TMPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMObject.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/Document.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/UndoManager.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kScreenDPI = 72.0f;

Notification::Sender unownedSender(const TMPhotoMask* mask) {
    return Notification::Sender(static_cast<const void*>(mask));
}

} // namespace

TMPhotoMask::TMPhotoMask() = default;

TMPhotoMask::TMPhotoMask(const TMPhotoMask& other)
    : Archivable(), std::enable_shared_from_this<TMPhotoMask>(),
      _parentObject(other._parentObject) {}

TMPhotoMask::~TMPhotoMask() {
    if (_queuedUnowned)
        NotificationQueue::defaultQueue().dequeueNotificationsMatching(
            Notification(QString::fromLatin1(kPhotoMaskChangedNofity), unownedSender(this)),
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
}

TMPhotoMaskRef TMPhotoMask::newMaskOfClass(const QString& className) {
    const std::shared_ptr<const ClassInfo> info = ClassRegistry::shared().classNamed(className);
    if (!info || !info->factory)
        return nullptr;
    TMPhotoMaskRef mask = std::dynamic_pointer_cast<TMPhotoMask>(info->factory());
    if (mask)
        mask->init();
    return mask;
}

void TMPhotoMask::init() {}

QString TMPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMPhotoMaskController");
}

void TMPhotoMask::encodeWithCoder(Archiver&) const {}

bool TMPhotoMask::initWithCoder(Unarchiver&) {
    return true;
}

QString TMPhotoMask::name() const {
    return QString();
}

void TMPhotoMask::setParentObject(TMObject* parent) {
    _parentObject = parent;
}

float TMPhotoMask::destinationDPI() const {
    if (_parentObject) {
        const float dpi = _parentObject->destinationDPI();
        if (dpi != 0)
            return dpi;
    }
    return kScreenDPI;
}

void TMPhotoMask::changeMade() {
    Notification::Sender sender;
    if (TMPhotoMaskRef self = weak_from_this().lock()) {
        sender = Notification::Sender(std::shared_ptr<const TMPhotoMask>(std::move(self)));
    } else {
        sender = unownedSender(this);
        _queuedUnowned = true;
    }
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(QString::fromLatin1(kPhotoMaskChangedNofity), std::move(sender)),
        NotificationQueue::PostASAP);
    if (_parentObject) {
        _parentObject->recache();
        _parentObject->changeMade();
    }
}

void TMPhotoMask::applyMasktoRect(const Rect&) {}

UndoManager* TMPhotoMask::undoManager() const {
    if (!_parentObject)
        return nullptr;
    Document* document = _parentObject->parentDocument();
    return document ? document->undoManager() : nullptr;
}

void TMPhotoMask::registerUndo(std::function<void(TMPhotoMask&)> step,
                               const char* actionKey) const {
    UndoManager* undo = undoManager();
    if (!undo)
        return;
    std::weak_ptr<TMPhotoMask> weak = const_cast<TMPhotoMask*>(this)->weak_from_this();
    undo->registerUndo(this, [weak, step = std::move(step)] {
        if (TMPhotoMaskRef self = weak.lock())
            step(*self);
    });
    undo->setActionName(frameworkString(actionKey));
}

QVariantMap TMPhotoMask::decodeOwnDictionary(Unarchiver& coder) {
    const QVariant value = coder.decodeObject();
    if (value.metaType() != QMetaType::fromType<QVariantMap>())
        coder.fail(QStringLiteral("A photo mask's dictionary is missing"));
    return value.toMap();
}

std::optional<double> TMPhotoMask::numberForKey(const QVariantMap& dictionary, const char* key) {
    const QVariant value = dictionary.value(QString::fromLatin1(key));
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

std::optional<float> TMPhotoMask::heldFraction(float value) {
    if (std::isnan(value))
        return std::nullopt;
    return std::clamp(value, 0.0f, 1.0f);
}
