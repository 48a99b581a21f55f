#include "documents/DurevedeDudiruVorudu.h"

#include "catalog/DroppedPhotos.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/graphics/Image.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"

#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

void enqueueForController(ZaroziveZodiroVirizidivi* controller, const char* name,
                          const QVariantMap& info) {
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(qs(name), static_cast<const QObject*>(controller), info),
        NotificationQueue::PostASAP);
}

} // namespace

DurevedeDudiruVorudu::DurevedeDudiruVorudu(QWidget* parent)
    : QWidget(parent), _fileCatalogScrollView(new VQFileCatalogScrollView(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(_fileCatalogScrollView);
    resize(480, 600);
}

DurevedeDudiruVorudu::~DurevedeDudiruVorudu() = default;

ZaroziveZodiroVirizidivi* DurevedeDudiruVorudu::controller() const {
    return qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(this));
}

bool DurevedeDudiruVorudu::hasAttachedSheet() const {
    return ModalAlert::hasAttachedSheet(this);
}

void DurevedeDudiruVorudu::concludeDragOperation(const DraggingInfo& info) {
    ZaroziveZodiroVirizidivi* owner = controller();
    const RoduvudeDadevizi* document = owner ? owner->catalogDocument() : nullptr;
    if (document &&
        VQFileCatalogView::catalogOfDragSource(info.draggingSource()) == &document->fileCatalog())
        return;
    concludeDragOperationAtPosition(info, -1);
}

void DurevedeDudiruVorudu::concludeDragOperationAtPosition(const DraggingInfo& info, int position) {
    ZaroziveZodiroVirizidivi* owner = controller();
    if (!owner)
        return;
    const Pasteboard pasteboard = info.draggingPasteboard();
    const QVariantList items =
        pasteboard.propertyListForType(qs(kVQFileCatalogSelectionPboardType)).toList();
    if (!items.isEmpty()) {
        owner->receiveCatalogEntries(items, position);
        return;
    }
    if (pasteboard.hasType(qs(FilenamesPboardType))) {
        const QStringList files =
            pasteboard.propertyListForType(qs(FilenamesPboardType)).toStringList();
        enqueueForController(owner, kVQReceiveFilesNofity,
                             {{qs(kReceiveFilesKey), files}, {qs(kEntryPosKey), position}});
        if (!files.isEmpty())
            return;
    }
    const QUrl url = DroppedPhotos::imageURL(pasteboard);
    if (url.isValid()) {
        enqueueForController(owner, kVQReceiveURLNofity,
                             {{qs(kReceiveURLKey), url}, {qs(kEntryPosKey), position}});
        return;
    }
    if (pasteboard.hasType(qs(TIFFPboardType))) {
        const QImage picture = QImage::fromData(pasteboard.dataForType(qs(TIFFPboardType)));
        if (!picture.isNull())
            owner->receiveImage(Image(picture));
    }
}

void DurevedeDudiruVorudu::keyPressEvent(QKeyEvent* event) {
    ZaroziveZodiroVirizidivi* owner = controller();
    const bool command = CurrentEvent::modifierFlagsFromQt(event->modifiers()) & CommandKeyMask;
    if (!owner) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
        command ? owner->firstSelection() : owner->prevSelectionRow();
        break;
    case Qt::Key_Down:
        command ? owner->lastSelection() : owner->nextSelectionRow();
        break;
    case Qt::Key_Left:
        command ? owner->firstSelection() : owner->prevSelection();
        break;
    case Qt::Key_Right:
        command ? owner->lastSelection() : owner->nextSelection();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
