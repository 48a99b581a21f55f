// The canvas's pasteboard commands, drag and drop, and image import.

#include "framework/Formwell.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/model/TMGeometry.h"
#include "framework/model/TMImageObject.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/UndoManager.h"
#include "platform/imaging/GraphicsImporter.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/ScrollView.h"

#include <QBuffer>
#include <QClipboard>
#include <QDrag>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QPixmap>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace {

constexpr char kCopyAction[] = "copy:";
constexpr char kCutAction[] = "cut:";
constexpr char kPasteAction[] = "paste:";
constexpr char kClearAction[] = "clear:";
constexpr char kDuplicateAction[] = "duplicate:";
constexpr char kImportImageAction[] = "importImage:";
constexpr char kReplaceImageAction[] = "replaceImage:";

constexpr char kPasteKey[] = "PASTE";
constexpr char kClearKey[] = "CLEAR";
constexpr char kDuplicateKey[] = "DUP";
constexpr char kAddObjectsKey[] = "ADD_OBJECTS";
constexpr char kImportKey[] = "IMPORT";
constexpr char kImportPanelKey[] = "ImportOp";
constexpr char kReplaceKey[] = "REPLACEOP";
constexpr char kOKKey[] = "OK";
constexpr char kReplaceFailedTitle[] = "Replace Operation Failed!!!";
constexpr char kReplaceFailedMessage[] = "Could not replace the selected graphics.";
constexpr char kImageObjectKind[] = "TMImageObject";
constexpr char kTextObjectKind[] = "TMTextObject";

// Successive imports cascade by this much on both axes.
constexpr float kImportCascade = 16;

QString key(const char* text) {
    return QString::fromLatin1(text);
}

QString newIdentifier() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// Photo cells get new identifiers, and the property texts among the same
// objects that were bound to one of them follow; a text bound to a cell
// outside the set keeps its binding. The objects belong to no document yet.
void renewCellIdentifiers(const QList<TMObjectRef>& objects) {
    QHash<QString, QString> renewed;
    for (const TMObjectRef& object : objects) {
        if (!object->isPhotoObject())
            continue;
        const QString identifier = newIdentifier();
        renewed.insert(object->uniqueID(), identifier);
        object->setUniqueID(identifier);
    }
    if (renewed.isEmpty())
        return;
    for (const TMObjectRef& object : objects) {
        auto* text = dynamic_cast<TMTextObject*>(object.get());
        if (text && text->kind() == key(kTextObjectKind) &&
            text->variant() == TMTextObject::PropertyText)
            if (const auto it = renewed.constFind(text->propertyCellID()); it != renewed.cend())
                text->setPropertyCellID(*it);
    }
}

// The objects the pasteboard's data names, made from their representations;
// pictures carried by image objects go into the document unless it holds
// one by their name. Anything that is not a page object is left out; an image
// object without a picture beeps.
QList<TMObjectRef> objectsFromPasteboardData(const QByteArray& data, TemplateDocument& document,
                                             bool* beeped) {
    QList<TMObjectRef> made;
    const QVariant root = Unarchiver::unarchiveObject(data);
    if (root.typeId() != QMetaType::QVariantList)
        return made;
    for (const QVariant& item : root.toList()) {
        if (item.typeId() != QMetaType::QVariantMap)
            continue;
        QVariantMap representation = item.toMap();
        const QString kind = representation.value(key(kKindKey)).toString();
        if (!TMObject::isPageObjectKind(kind))
            continue;
        if (kind == key(kImageObjectKind)) {
            const QVariant name = representation.value(key(kImageRefKey));
            if (name.typeId() == QMetaType::QString &&
                !document.getImageWithName(name.toString()).isNull()) {
                representation.remove(key(kImageRawKey));
            } else {
                const QVariant raw = representation.value(key(kImageRawKey));
                const std::optional<Image> picture =
                    raw.typeId() == QMetaType::QByteArray
                        ? Unarchiver::unarchiveValue<Image>(raw.toByteArray())
                        : std::nullopt;
                if (!picture || picture->isNull()) {
                    ModalAlert::beep();
                    *beeped = true;
                    continue;
                }
                representation.remove(key(kImageRawKey));
                representation.insert(key(kImageRefKey), document.addImageSourceDataWithName(
                                                             *picture, QByteArray(), QString()));
            }
        }
        if (TMObjectRef object =
                TMObject::newTemplateObjectOfKindWithRepresentation(kind, representation))
            made.append(object);
    }
    return made;
}

// The resolution a picture's file recorded: Qt gives a picture whose file
// records none the default of a new image. Files store whole dots per metre
// or per inch, so two decimals give back what was written.
float fileResolution(const Image& image) {
    constexpr double kMetresPerInch = 0.0254;
    const QImage& pixels = image.pixels();
    const int perMetre = pixels.dotsPerMeterX();
    if (perMetre <= 0 || perMetre == QImage(1, 1, pixels.format()).dotsPerMeterX())
        return 72.0f;
    return float(std::round(perMetre * kMetresPerInch * 100) / 100);
}

// A picture from image-file bytes, with the resolution its file recorded.
Image imageFromFileData(const QByteArray& data, float* dotsPerInch) {
    Image image = Image::fromFileData(data);
    if (dotsPerInch && !image.isNull())
        *dotsPerInch = fileResolution(image);
    return image;
}

// A picture that the data offers in a format Qt reads, with its resolution.
Image imageFromMimeData(const QMimeData& data, float* dotsPerInch) {
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString& format : data.formats()) {
        if (!readable.contains(format.toLatin1()))
            continue;
        const Image image = imageFromFileData(data.data(format), dotsPerInch);
        if (!image.isNull())
            return image;
    }
    if (data.hasImage()) {
        // An in-process picture: its encoding carries the resolution along.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (qvariant_cast<QImage>(data.imageData()).save(&buffer, "PNG"))
            return imageFromFileData(bytes, dotsPerInch);
    }
    return {};
}

} // namespace

bool TM_TemplateView::respondsToPasteboardAction(const QString& action) {
    for (const char* known : {kCopyAction, kCutAction, kPasteAction, kClearAction, kDuplicateAction,
                              kImportImageAction, kReplaceImageAction})
        if (action == QLatin1String(known))
            return true;
    return false;
}

bool TM_TemplateView::performPasteboardAction(const QString& action) {
    if (action == QLatin1String(kCopyAction))
        copy();
    else if (action == QLatin1String(kCutAction))
        cut();
    else if (action == QLatin1String(kPasteAction))
        paste();
    else if (action == QLatin1String(kClearAction))
        clear();
    else if (action == QLatin1String(kDuplicateAction))
        duplicate();
    else if (action == QLatin1String(kImportImageAction))
        importImage();
    else if (action == QLatin1String(kReplaceImageAction))
        replaceImage();
    else
        return false;
    return true;
}

// ---------------------------------------------------------------------------
// Copy

QVariantList TM_TemplateView::representationsOfSelection(bool pictures,
                                                         QList<TMObjectRef>* drawn) const {
    const QList<TMObjectRef> selected = selectedObjects();
    QList<TMObjectRef> copies;
    for (const TMObjectRef& object : selected)
        copies.append(object->copy());
    renewCellIdentifiers(copies);
    QVariantList representations;
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const TMObjectRef& copy = copies.at(i);
        QVariantMap representation = copy->dictRepresentation();
        Image picture;
        if (const auto* image = dynamic_cast<const TMImageObject*>(selected.at(i).get()))
            picture = image->image();
        if (pictures && selected.at(i)->supportsSharedIamges() && !picture.isNull())
            representation.insert(key(kImageRawKey), Archiver::archivedValue(picture));
        representations.append(representation);
        if (!drawn)
            continue;
        // The copy shows the picture without the document that names it.
        if (auto* image = dynamic_cast<TMImageObject*>(copy.get()); image && !picture.isNull()) {
            image->setSharedImageRef(QString());
            image->setImage(picture);
        }
        drawn->append(copy);
    }
    return representations;
}

bool TM_TemplateView::copyToPasteboard(PasteboardData& pasteboard, QList<TMObjectRef>* shown) {
    QList<TMObjectRef> drawn;
    const QVariantList representations = representationsOfSelection(true, &drawn);
    if (representations.isEmpty())
        return false;
    const QByteArray archived = Archiver::archivedData(QVariant(representations));
    pasteboard.declareType(key(kObjectPasteboardType), [archived] { return archived; });
    pasteboard.declareType(key(PDFPboardType), [drawn] { return PDFDataForObjects(drawn); });
    if (shown)
        *shown = drawn;
    return true;
}

void TM_TemplateView::dragSelectionOut() {
    auto data = std::make_unique<PasteboardData>(this);
    QList<TMObjectRef> drawn;
    if (!copyToPasteboard(*data, &drawn))
        return;
    const float zoom = bounds().width() > 0 ? float(width()) / bounds().width() : 1.0f;
    const QImage picture = imageOfObjects(drawn, zoom);
    if (picture.isNull())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    drag->setPixmap(QPixmap::fromImage(picture));
    drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    DragSession::runDrag(*drag, Qt::CopyAction, Qt::CopyAction);
}

void TM_TemplateView::copy() {
    auto data = std::make_unique<PasteboardData>(this);
    if (copyToPasteboard(*data))
        QGuiApplication::clipboard()->setMimeData(data.release());
}

void TM_TemplateView::cut() {
    copy();
    clear();
}

// ---------------------------------------------------------------------------
// Paste

bool TM_TemplateView::pastObjectsFromPasteboard(const Pasteboard& pasteboard) {
    if (!_myDocument)
        return false;
    bool beeped = false;
    const QList<TMObjectRef> made = objectsFromPasteboardData(
        pasteboard.dataForType(key(kObjectPasteboardType)), *_myDocument, &beeped);
    // One copy may be pasted many times: every paste makes cells of its own.
    renewCellIdentifiers(made);
    for (const TMObjectRef& object : made) {
        createNewObject(object);
        object->setSelected(true);
        object->setLastDrawnInView(this);
        setNeedsDisplayInRect(object->visibleFrame());
    }
    if (made.isEmpty() && !beeped)
        ModalAlert::beep();
    return !made.isEmpty();
}

bool TM_TemplateView::offersImage(const QMimeData& data) {
    if (data.hasImage())
        return true;
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    const QStringList offered = data.formats();
    return std::any_of(offered.begin(), offered.end(), [&readable](const QString& format) {
        return readable.contains(format.toLatin1());
    });
}

Image TM_TemplateView::getImageFromPasteboard(const Pasteboard& pasteboard, float* dotsPerInch) {
    const QMimeData* data = pasteboard.mimeData();
    return data ? imageFromMimeData(*data, dotsPerInch) : Image();
}

void TM_TemplateView::paste() {
    makeWindowKey();
    deselectAllObjects();
    const Pasteboard pasteboard(QGuiApplication::clipboard()->mimeData());
    if (pasteboard.hasType(key(kObjectPasteboardType))) {
        if (!pastObjectsFromPasteboard(pasteboard))
            return;
    } else if (pasteboard.mimeData() && offersImage(*pasteboard.mimeData())) {
        float dotsPerInch = 72;
        const Image image = getImageFromPasteboard(pasteboard, &dotsPerInch);
        if (image.isNull()) {
            ModalAlert::beep();
            return;
        }
        receiveImage(image, QByteArray(), {0, 0}, dotsPerInch);
    } else {
        return;
    }
    postSelectionDidChange();
    const Point center = _myMainController ? _myMainController->centerOfScrollView()
                                           : Point{bounds().midX(), bounds().midY()};
    const Point selection = centerOfSelection();
    moveSelection({center.x - selection.x, center.y - selection.y});
    nameUndoAction(kPasteKey);
}

// ---------------------------------------------------------------------------
// Clear and duplicate

void TM_TemplateView::clear() {
    makeWindowKey();
    const QList<TMObjectRef> objects = documentObjects();
    bool removed = false;
    for (qsizetype i = objects.size() - 1; i >= 0; --i) {
        const TMObjectRef& object = objects.at(i);
        if (!object->selected())
            continue;
        setNeedsDisplayInRect(object->visibleFrame());
        destroyNewObject(object);
        removed = true;
    }
    if (!removed)
        return;
    nameUndoAction(kClearKey);
    postSelectionDidChange();
}

void TM_TemplateView::duplicate() {
    makeWindowKey();
    if (!_myDocument || selectedObjects().isEmpty())
        return;
    const QVariantList representations = representationsOfSelection(false, nullptr);
    deselectAllObjects();
    const float offset = gridSpacing();
    bool added = false;
    for (const QVariant& item : representations) {
        const QVariantMap representation = item.toMap();
        TMObjectRef object = TMObject::newTemplateObjectOfKindWithRepresentation(
            representation.value(key(kKindKey)).toString(), representation);
        if (!object)
            continue;
        object->setParentDocument(_myDocument);
        object->moveBy({offset, offset});
        createNewObject(object);
        object->setSelected(true);
        object->setLastDrawnInView(this);
        setNeedsDisplayInRect(object->visibleFrame());
        added = true;
    }
    if (!added)
        return;
    nameUndoAction(kDuplicateKey);
    postSelectionDidChange();
}

// ---------------------------------------------------------------------------
// Drag destination

bool TM_TemplateView::canIHandleDrag(const DraggingInfo& info) const {
    const Pasteboard pasteboard = info.draggingPasteboard();
    return !pasteboard
                .availableTypeFromArray(
                    {key(FilenamesPboardType), key(TIFFPboardType), key(kObjectPasteboardType)})
                .isNull();
}

void TM_TemplateView::setDragHilight(bool hilight) {
    if (hilight == _dragHilightState)
        return;
    _dragHilightState = hilight;
    setNeedsDisplay(true);
}

uint32_t TM_TemplateView::draggingEntered(const DraggingInfo& info) {
    if (!canIHandleDrag(info))
        return DragOperationNone;
    setDragHilight(true);
    return DragOperationGeneric;
}

void TM_TemplateView::draggingExited() {
    setDragHilight(false);
}

bool TM_TemplateView::prepareForDragOperation(const DraggingInfo& info) {
    setDragHilight(false);
    return canIHandleDrag(info);
}

bool TM_TemplateView::performDragOperation(const DraggingInfo& info) {
    setDragHilight(false);
    return canIHandleDrag(info);
}

void TM_TemplateView::concludeDragOperation(const DraggingInfo& info) {
    const Point drop = info.draggingLocation();
    const Pasteboard pasteboard = info.draggingPasteboard();
    if (pasteboard.hasType(key(kObjectPasteboardType))) {
        deselectAllObjects();
        if (!pastObjectsFromPasteboard(pasteboard))
            return;
        postSelectionDidChange();
        const Point selection = centerOfSelection();
        moveSelection({drop.x - selection.x, drop.y - selection.y});
        nameUndoAction(kAddObjectsKey);
    } else if (pasteboard.hasType(key(FilenamesPboardType))) {
        const Rect visible =
            _parentScrollView ? _parentScrollView->documentVisibleRect() : bounds();
        for (const QVariant& path :
             pasteboard.propertyListForType(key(FilenamesPboardType)).toList()) {
            _lastImportViewRect = visible;
            _lastImportPoint = drop;
            receiveImageFile(path.toString());
        }
    } else if (pasteboard.hasType(key(TIFFPboardType))) {
        if (const Image image = getImageFromPasteboard(pasteboard); !image.isNull())
            receiveImage(image, QByteArray(), drop);
    }
}

// ---------------------------------------------------------------------------
// Import

void TM_TemplateView::importImage() {
    const uint32_t held = ShiftKeyMask | AlternateKeyMask | CommandKeyMask;
    if ((CurrentEvent::modifierFlags() & held) == held) {
        ModalAlert::beep();
        replaceImage();
        return;
    }
    ModalAlert::PanelRequest request;
    request.title = frameworkString(kImportPanelKey);
    request.extensions = GraphicsImporter::fileExtensions();
    request.multipleSelection = true;
    const QStringList paths = ModalAlert::runPanel(request);
    if (paths.isEmpty())
        return;
    const Rect visible = _parentScrollView ? _parentScrollView->documentVisibleRect() : bounds();
    if (visible != _lastImportViewRect) {
        _lastImportViewRect = visible;
        _lastImportPoint = {visible.midX(), visible.midY()};
    }
    for (const QString& path : paths)
        receiveImageFile(path);
}

void TM_TemplateView::receiveImageFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    float dotsPerInch = 72;
    const Image image = imageFromFileData(data, &dotsPerInch);
    if (image.isNull())
        return;
    receiveImage(image, data, _lastImportPoint, dotsPerInch);
    _lastImportPoint = {_lastImportPoint.x + kImportCascade, _lastImportPoint.y + kImportCascade};
}

void TM_TemplateView::receiveImage(const Image& image, const QByteArray& sourceData, Point point,
                                   float dotsPerInch) {
    if (!_myDocument || image.isNull() || !(dotsPerInch > 0))
        return;
    const QString name =
        _myDocument->addImageSourceDataWithName(image, sourceData, newIdentifier());
    const Size pixels = TMIntegralSize(image.size());
    const Size size{pixels.width * 72 / dotsPerInch, pixels.height * 72 / dotsPerInch};
    const Rect frame = TMIntegralRect(
        {point.x - size.width / 2, point.y - size.height / 2, size.width, size.height});

    const TMImageObjectRef object = TMImageObject::newTemplateObject();
    // Shaped before it joins the document, so that only its adding is undone.
    object->setFrame(frame);
    object->setSharedImageRef(name);
    if (dotsPerInch != 72)
        object->setImageDpi(dotsPerInch);
    object->setParentDocument(_myDocument);
    object->setLastDrawnInView(this);

    deselectAllObjects();
    ToolPaletteController::sharedToolPaletteController()->resetTool();
    createNewObject(object);
    object->setSelected(true);
    setNeedsDisplayInRect(object->visibleFrame());
    postSelectionDidChange();
    nameUndoAction(kImportKey);
}

// ---------------------------------------------------------------------------
// Replace

void TM_TemplateView::setNamedImage(const QString& name, const Image& image,
                                    const QByteArray& data) {
    if (!_myDocument)
        return;
    QPointer<TM_TemplateView> self(this);
    _myDocument->undoManager()->registerUndo(
        this, [self, name, image = _myDocument->getImageWithName(name),
               data = _myDocument->getSourceDataWithName(name)] {
            if (self)
                self->setNamedImage(name, image, data);
        });
    _myDocument->setImageSourceDataWithName(image, data, name);
    for (const TMObjectRef& object :
         _myDocument->objectsTakenBy(TMObjectGroup::Query::SharedImageObjects)) {
        if (object->sharedImageRef() != name || !dynamic_cast<TMImageObject*>(object.get()))
            continue;
        object->recache();
        object->changeMade();
    }
}

void TM_TemplateView::replaceImage() {
    if (!_myDocument)
        return;
    ModalAlert::PanelRequest request;
    request.title = frameworkString(kReplaceKey);
    request.extensions = GraphicsImporter::fileExtensions();
    const QStringList paths = ModalAlert::runPanel(request);
    if (paths.isEmpty())
        return;
    QString name;
    QByteArray data;
    for (const TMObjectRef& object : documentObjects()) {
        if (!object->selected() || !dynamic_cast<TMImageObject*>(object.get()) ||
            object->sharedImageRef().isNull())
            continue;
        QFile file(paths.first());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        data = file.readAll();
        // Bytes that are no picture would leave every user of the name blank.
        if (Image::fromFileData(data).isNull())
            continue;
        name = object->sharedImageRef();
        break;
    }
    if (name.isNull()) {
        ModalAlert::beep();
        ModalAlert::Request alert(key(kReplaceFailedTitle), key(kReplaceFailedMessage));
        alert.defaultButton = frameworkString(kOKKey);
        ModalAlert::run(alert);
        return;
    }
    setNamedImage(name, Image(), data);
    nameUndoAction(kReplaceKey);
}
