#include "framework/model/TemplateDocument.h"
#include "framework/Formwell.h"

#include "framework/editor/GeometryController.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMTextObject.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserAccount.h"
#include "platform/printing/PrintInfo.h"

#include <QApplication>
#include <QPointer>
#include <QUuid>
#include <algorithm>
#include <functional>
#include <unistd.h>

FORMWELL_EXPORT int32_t gNewDcoumentCount = 0;
FORMWELL_EXPORT int32_t gSaveCount = 0;
FORMWELL_EXPORT int32_t gPrintCount = 0;

namespace {

// Change version 2.0.0, for settings that give none.
constexpr int32_t kDefaultChangeVersion = 512;
// The thumbnail's longer side, in points.
constexpr float kThumbnailSide = 96.0f;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// Null and empty texts differ, as a missing property and an empty one do.
bool sameText(const QString& a, const QString& b) {
    return a.isNull() == b.isNull() && a == b;
}

Notification::Sender senderOf(const TemplateDocument* document) {
    return Notification::Sender(static_cast<const QObject*>(document));
}

[[maybe_unused]] const bool kTypeRegistered = [] {
    DocumentController::sharedDocumentController().registerDocumentType(
        {key(kTemplateDocumentType), {key(kTemplateDocumentExtension)}, [] {
             return std::make_shared<TemplateDocument>();
         }});
    return true;
}();

} // namespace

TemplateDocument::TemplateDocument() {
    // The palettes are windows: a process without a GUI application has none.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        InspectorController::sharedInspectorController()->activate();
        GeometryController::sharedGeometryController()->activate();
    }
    ++gNewDcoumentCount;
    _name = stringWithFormat(frameworkString(kTemplateNameKey), gNewDcoumentCount);
    if (HostServices* host = HostServices::current()) {
        _category = host->preferencesStringFor(PrefTemplateDocCategory);
        _copyright = host->preferencesStringFor(PrefTemplateDocCopyright);
        _creator = host->preferencesStringFor(PrefTemplateDocCreator);
    } else {
        _category = frameworkString(kTemplateCategoryKey);
        _copyright = QString(QLatin1String(""));
        _creator = UserAccount::userFullName();
    }
    _description = frameworkString(kTemplateDescriptionKey);

    _page = PageDesc::newPageDesc();

    _changeVersion = kDefaultChangeVersion;
    if (HostServices* host = HostServices::current()) {
        const int32_t version = host->preferencesIntFor(PrefTemplateDocVersion);
        if (version >= 1)
            _changeVersion = version;
    }

    _page->setParentDocument(this);
}

TemplateDocument::~TemplateDocument() {
    // Nothing queued about this document may arrive once it is gone.
    for (const char* name :
         {kTemplateDocumentPropertiesChangedNotify, kTemplateDocumentSavedNotify, kUTErrorNofity})
        NotificationQueue::defaultQueue().dequeueNotificationsMatching(
            Notification(key(name), senderOf(this)),
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
}

void TemplateDocument::makeWindowControllers() {
    auto* controller = new TemplateEditorController();
    addWindowController(controller);
    undoManager()->removeAllActions();
    controller->setup();
    updateChangeCount(ChangeCleared);
}

void TemplateDocument::postError(int32_t code) {
    QVariantMap userInfo;
    userInfo.insert(key(kErrCodeKey), code);
    userInfo.insert(key(kErrDocumentKey), QVariant::fromValue(static_cast<QObject*>(this)));
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(key(kUTErrorNofity), senderOf(this), userInfo), NotificationQueue::PostASAP);
}

// ---------------------------------------------------------------------------
// Properties

bool TemplateDocument::undoingOrRedoing() {
    UndoManager* undo = undoManager();
    return undo->isUndoing() || undo->isRedoing();
}

void TemplateDocument::nameUndoAction(const char* actionKey) {
    undoManager()->setActionName(frameworkString(actionKey));
}

void TemplateDocument::setStringProperty(QString& field, const QString& value,
                                         void (TemplateDocument::*setter)(const QString&)) {
    if (sameText(field, value))
        return;
    const bool registered = undoingOrRedoing();
    if (registered) {
        QPointer<TemplateDocument> self(this);
        undoManager()->registerUndo(this, [self, setter, old = field] {
            if (self)
                (self->*setter)(old);
        });
    }
    field = value;
    notifyPropertiesChanged();
    if (registered)
        nameUndoAction(kDocInfoActionKey);
}

void TemplateDocument::setDocName(const QString& name) {
    setStringProperty(_name, name, &TemplateDocument::setDocName);
}

void TemplateDocument::setDocCategory(const QString& category) {
    setStringProperty(_category, category, &TemplateDocument::setDocCategory);
}

void TemplateDocument::setDocCreator(const QString& creator) {
    setStringProperty(_creator, creator, &TemplateDocument::setDocCreator);
}

void TemplateDocument::setDocDescription(const QString& description) {
    setStringProperty(_description, description, &TemplateDocument::setDocDescription);
}

void TemplateDocument::setDocCopyright(const QString& copyright) {
    setStringProperty(_copyright, copyright, &TemplateDocument::setDocCopyright);
}

void TemplateDocument::setDocChangeVersion(int32_t version) {
    if (version == _changeVersion)
        return;
    const bool registered = undoingOrRedoing();
    if (registered) {
        QPointer<TemplateDocument> self(this);
        undoManager()->registerUndo(this, [self, old = _changeVersion] {
            if (self)
                self->setDocChangeVersion(old);
        });
    }
    _changeVersion = version;
    notifyPropertiesChanged();
    if (registered)
        nameUndoAction(kDocInfoActionKey);
}

void TemplateDocument::setThumbnailProxy(const Image& image) {
    // A thumbnail made while saving never enters the undo list.
    const bool registered = !_saveInProgress;
    if (registered) {
        QPointer<TemplateDocument> self(this);
        undoManager()->registerUndo(this, [self, old = _thumbnailProxy] {
            if (self)
                self->setThumbnailProxy(old);
        });
    }
    _thumbnailProxy = image;
    notifyPropertiesChanged();
    if (registered)
        nameUndoAction(kDocInfoActionKey);
}

void TemplateDocument::setThumbnailGenMode(int32_t mode) {
    if (mode == _thumbnailGenMode)
        return;
    QPointer<TemplateDocument> self(this);
    undoManager()->registerUndo(this, [self, old = int32_t(_thumbnailGenMode)] {
        if (self)
            self->setThumbnailGenMode(old);
    });
    _thumbnailGenMode = int8_t(mode);
    notifyPropertiesChanged();
    nameUndoAction(kDocInfoActionKey);
}

void TemplateDocument::notifyPropertiesChanged() {
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(key(kTemplateDocumentPropertiesChangedNotify), senderOf(this)),
        NotificationQueue::PostASAP);
}

void TemplateDocument::notifyDocumentSaved() {
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(key(kTemplateDocumentSavedNotify), senderOf(this)),
        NotificationQueue::PostWhenIdle);
}

void TemplateDocument::autoGenerateThumbnail() {
    if (_objects.isEmpty() || !_page)
        return;
    const Rect frame = _page->frame();
    const float longer = std::max(frame.width(), frame.height());
    // A page without area has no thumbnail to scale to.
    if (!(longer > 0))
        return;
    const float scale = kThumbnailSide / longer;
    const Rect proxyRect = integralRect({0, 0, frame.width() * scale, frame.height() * scale});
    TM_TemplateView canvas(frame);
    canvas.setDocument(this);
    const Image image = canvas.renderTemplateProxyInRect(proxyRect);
    if (!image.isNull())
        setThumbnailProxy(image);
}

void TemplateDocument::setPrintInfo(const PrintInfo& printInfo) {
    QPointer<TemplateDocument> self(this);
    undoManager()->registerUndo(this, [self, old = this->printInfo()] {
        if (self)
            self->setPrintInfo(old);
    });
    GenericDocument::setPrintInfo(printInfo);
    setupPageFromPrintInfo();
    nameUndoAction(kPageSetupActionKey);
}

void TemplateDocument::setupPageFromPrintInfo() {
    if (!_page)
        return;
    const PrintInfo& info = printInfo();
    const Size paper = info.paperSize();
    const float unit = _page->pointsPerUnit();
    _page->setPageSize({paper.width / unit, paper.height / unit});
    _page->setName(info.paperName());
}

// ---------------------------------------------------------------------------
// Named images

Image TemplateDocument::getImageWithName(const QString& name) {
    const auto it = _namedImages.find(name);
    if (it == _namedImages.end())
        return {};
    if (it->img)
        return *it->img;
    if (!it->src)
        return {};
    // Left undecoded on failure, so a later request tries again.
    const Image image = Image::fromFileData(*it->src);
    if (!image.isNull())
        it->img = image;
    return image;
}

QByteArray TemplateDocument::getSourceDataWithName(const QString& name) const {
    const auto it = _namedImages.constFind(name);
    if (it == _namedImages.constEnd() || !it->src)
        return {};
    return *it->src;
}

QString TemplateDocument::addImageSourceDataWithName(const Image& image,
                                                     const QByteArray& sourceData,
                                                     const QString& name) {
    QString base = name;
    int counter = 0;
    if (name.isNull()) {
        base = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        counter = 1;
    }
    QString candidate = base;
    while (_namedImages.contains(candidate))
        candidate = stringWithFormat(QStringLiteral("%@_%04d"), base, counter++);

    NamedImage entry;
    if (!image.isNull()) {
        Image flipped = image;
        flipped.setFlipped(true);
        entry.img = flipped;
    }
    if (!sourceData.isNull())
        entry.src = sourceData;
    _namedImages.insert(candidate, entry);
    return candidate;
}

void TemplateDocument::setImageSourceDataWithName(const Image& image, const QByteArray& sourceData,
                                                  const QString& name) {
    const auto it = _namedImages.find(name);
    if (it == _namedImages.end())
        return;
    if (image.isNull()) {
        it->img.reset();
    } else {
        Image flipped = image;
        flipped.setFlipped(true);
        it->img = flipped;
    }
    if (sourceData.isNull())
        it->src.reset();
    else
        it->src = sourceData;
}

QStringList TemplateDocument::listUnusedImages() const {
    QStringList names = _namedImages.keys();
    for (const TMObjectRef& object : objectsTakenBy(TMObjectGroup::Query::SharedImageObjects))
        names.removeAll(object->sharedImageRef());
    return names;
}

// ---------------------------------------------------------------------------
// Objects

void TemplateDocument::addObject(const TMObjectRef& object) {
    if (!object)
        return;
    object->setParentDocument(this);
    _objects.append(object);
    numberObjects();
    NotificationCenter::defaultCenter().postNotificationName(key(kObjectAddedOrRemoved),
                                                             senderOf(this));
}

void TemplateDocument::removeObject(const TMObjectRef& object) {
    if (!object)
        return;
    object->objectWillBeRemoved(this);
    bool removed = false;
    for (qsizetype i = _objects.size() - 1; i >= 0; --i) {
        if (_objects.at(i) == object) {
            _objects.removeAt(i);
            removed = true;
        }
    }
    if (!removed)
        return;
    numberObjects();
    NotificationCenter::defaultCenter().postNotificationName(key(kObjectAddedOrRemoved),
                                                             senderOf(this));
}

void TemplateDocument::replaceObjects(const QList<TMObjectRef>& objects) {
    for (const TMObjectRef& object : std::as_const(_objects))
        object->objectWillBeRemoved(this);
    _objects.clear();
    for (const TMObjectRef& object : objects)
        if (object)
            _objects.append(object);
    numberObjects();
    NotificationCenter::defaultCenter().postNotificationName(key(kObjectAddedOrRemoved),
                                                             senderOf(this));
}

QList<TMObjectRef> TemplateDocument::objectsTakenBy(TMObjectGroup::Query query) const {
    return TMObjectGroup::objectsTakenBy(_objects, query);
}

void TemplateDocument::numberObjects() {
    numberPhotoObjects();
    numberEditableTextObjects();
    numberPropertyTextObjects();
    numberPrintAreaObjects();
}

void TemplateDocument::numberPhotoObjects() {
    int32_t number = 0;
    for (const TMObjectRef& object : objectsTakenBy(TMObjectGroup::Query::PhotoObjects))
        object->setPhotoNumber(++number);
}

void TemplateDocument::numberEditableTextObjects() {
    int32_t number = 0;
    for (const TMObjectRef& object : objectsTakenBy(TMObjectGroup::Query::EditableTextObjects))
        object->setEditableTextNumber(++number);
}

void TemplateDocument::numberPrintAreaObjects() {
    int32_t number = 0;
    for (const TMObjectRef& object : objectsTakenBy(TMObjectGroup::Query::PrintAreaObjects))
        static_cast<TMPrintAreaObject&>(*object).setPrintAreaNumber(++number);
}

void TemplateDocument::numberPropertyTextObjects() {
    for (const TMObjectRef& object : objectsTakenBy(TMObjectGroup::Query::PropertyTextObjects))
        if (auto* text = dynamic_cast<TMTextObject*>(object.get()))
            text->setPhotoNumber(photoObjectNumberWithID(text->propertyCellID()));
}

int32_t TemplateDocument::countPhotoObjects() const {
    return int32_t(objectsTakenBy(TMObjectGroup::Query::PhotoObjects).size());
}

namespace {

// The first photo cell of the list that matches, those inside groups searched
// in their group's place; one inside a group matches only once it is numbered.
TMObjectRef firstPhotoObject(const QList<TMObjectRef>& objects,
                             const std::function<bool(const TMObject&)>& matches) {
    for (const TMObjectRef& object : objects) {
        if (object->isPhotoObject()) {
            if (matches(*object))
                return object;
        } else if (const auto* group = dynamic_cast<const TMObjectGroup*>(object.get())) {
            for (const TMObjectRef& cell : group->containedPhotoObjects())
                if (matches(*cell) && cell->photoNumber() != 0)
                    return cell;
        }
    }
    return nullptr;
}

} // namespace

int32_t TemplateDocument::photoObjectNumberWithID(const QString& uniqueID) const {
    const TMObjectRef cell = firstPhotoObject(
        _objects, [&](const TMObject& object) { return object.uniqueID() == uniqueID; });
    return cell ? cell->photoNumber() : 0;
}

QString TemplateDocument::idOfPhotoObjectWithNumber(int32_t number) const {
    const TMObjectRef cell = firstPhotoObject(
        _objects, [&](const TMObject& object) { return object.photoNumber() == number; });
    return cell ? cell->uniqueID() : QString();
}

QList<QObject*> TemplateDocument::objectControllers() const {
    QList<QObject*> controllers;
    for (const std::unique_ptr<QObject>& controller : _objectControllers)
        controllers.append(controller.get());
    return controllers;
}

void TemplateDocument::addObjectController(std::unique_ptr<QObject> controller) {
    if (controller)
        _objectControllers.push_back(std::move(controller));
}
