// The catalog window's selection, enhancement and page commands, and the
// copies of its entries: to the clipboard and within the catalog.

#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TMObject.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateView.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

// Cached or derived data: the receiving catalog makes its own.
constexpr const char* kLocalKeys[] = {
    kEntryImageKey, kEntryImageAccessKey,   kEntryImageSizeKey, kEntryMetadataKey,
    kEntryEXIFKey,  kEntryComponentInfoKey, kEntryThumbnailKey};

// The bytes a clipboard type holds once written the platform's way.
QByteArray propertyListBytes(const QVariant& propertyList, const QString& type) {
    QMimeData data;
    Pasteboard::setPropertyListForType(data, propertyList, type);
    return data.data(Pasteboard::mimeTypeForType(type));
}

} // namespace

// ---------------------------------------------------------------------------
// Selection and markers

std::optional<QList<int>> ZaroziveZodiroVirizidivi::getAllIndices() const {
    VQFileCatalog* entries = catalog();
    const QList<int> all = entries ? entries->getAllIndices() : QList<int>();
    if (all.isEmpty())
        return std::nullopt;
    return all;
}

bool ZaroziveZodiroVirizidivi::anySelectedHas(int attribute, bool wanted) const {
    VQFileCatalog* entries = catalog();
    if (!entries)
        return false;
    const QList<int> selected = entries->getSelectedIndices();
    return std::any_of(selected.begin(), selected.end(), [&](int index) {
        return entries->getFileAttributeAtIndex(attribute, index).toBool() == wanted;
    });
}

bool ZaroziveZodiroVirizidivi::isSelectionEnabled() const {
    return anySelectedHas(kCatalogAttrEnabled, true);
}

bool ZaroziveZodiroVirizidivi::isSelectionDisabled() const {
    return anySelectedHas(kCatalogAttrEnabled, false);
}

bool ZaroziveZodiroVirizidivi::isSelectionURL() const {
    return anySelectedHas(kCatalogAttrIsURL, true);
}

bool ZaroziveZodiroVirizidivi::isSelectionFile() const {
    return anySelectedHas(kCatalogAttrIsLocalFile, true);
}

void ZaroziveZodiroVirizidivi::selectAll() {
    if (VQFileCatalog* entries = catalog())
        entries->selectAll();
}

void ZaroziveZodiroVirizidivi::deselect() {
    if (VQFileCatalog* entries = catalog())
        entries->clearSelection();
}

void ZaroziveZodiroVirizidivi::toggleMarker() {
    if (VQFileCatalog* entries = catalog())
        entries->toggleSelectionMarker();
}

void ZaroziveZodiroVirizidivi::locateEntry() {
    if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
        grid->locateSelection();
}

void ZaroziveZodiroVirizidivi::refreshPhoto() {
    if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
        grid->refreshSelection();
}

void ZaroziveZodiroVirizidivi::scrollToSelection() {
    if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
        grid->scrollToSelection();
}

void ZaroziveZodiroVirizidivi::setAdjustmentSharpnessContrastSaturationBrightness(
    int sharpness, float contrast, float saturation, float brightness) {
    setSharpness(sharpness);
    setContrast(contrast);
    setSaturation(saturation);
    setBrightness(brightness);
    if (VQFileCatalog* entries = catalog())
        entries->adjustSelectionSharpnessContrastSaturationBrightness(float(sharpness), contrast,
                                                                      saturation, brightness);
}

// ---------------------------------------------------------------------------
// Pages

void ZaroziveZodiroVirizidivi::addLayoutPage() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return;
    const TemplateMapperRef mapper = doc->templateMapper();
    const int32_t added = mapper->pageCount();
    mapper->addPage();
    mapper->setCurrentPageNum(added);
    updateInfoLabels();
}

void ZaroziveZodiroVirizidivi::removeLayoutPage() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return;
    const TemplateMapperRef mapper = doc->templateMapper();
    if (mapper->pageCount() < 2)
        return;
    const int32_t current = mapper->currentPageNum();
    mapper->removePage(current);
    mapper->setCurrentPageNum(std::min(current, mapper->pageCount() - 1));
    updateInfoLabels();
}

void ZaroziveZodiroVirizidivi::nextLayoutPage() {
    turnLayoutPage(1);
}

void ZaroziveZodiroVirizidivi::previousLayoutPage() {
    turnLayoutPage(-1);
}

void ZaroziveZodiroVirizidivi::turnLayoutPage(int step) {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return;
    const TemplateMapperRef mapper = doc->templateMapper();
    mapper->setCurrentPageNum(mapper->currentPageNum() + step);

    const std::optional<QList<int>> selection = getSelection();
    const std::optional<QList<int>> marked = getMarked();
    if (_printArrangementMode != LayoutModeBook && selection && marked) {
        const qsizetype j = marked->indexOf(selection->first());
        const int32_t k = mapper->photoCellCount();
        if (j >= 0 && k > 0) {
            qsizetype target = -1;
            if (_printArrangementMode == LayoutModeSequential)
                target = k * (j / k + step);
            else
                target = j + step;
            if (target >= 0 && target < marked->size())
                if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
                    grid->setSelectionIndex(marked->at(target));
        }
    }

    UndoManager* undo = doc->undoManager();
    undo->registerUndo(this, [self = QPointer(this), step] {
        if (self)
            self->turnLayoutPage(-step);
    });
    // Undo and redo keep the name of the command the user gave.
    if (!undo->isUndoing() && !undo->isRedoing())
        undo->setActionName(localizedString(qs(step > 0 ? "NEXT_PAGE" : "PREV_PAGE")));
}

void ZaroziveZodiroVirizidivi::cycleInteractionMode() {
    TemplateView* view = _rovedezevOvod ? _rovedezevOvod->templateView() : nullptr;
    if (!view || !_toolModeSwitcher)
        return;
    const int32_t mode = view->interactionMode();
    _toolModeSwitcher->setValue(mode >= TemplateView::InteractionModeMove ? 0 : mode + 1);
}

// ---------------------------------------------------------------------------
// Copies of entries

QVariantMap ZaroziveZodiroVirizidivi::portableRecord(const QVariantMap& entry) {
    QVariantMap record(entry);
    for (const char* key : kLocalKeys)
        record.remove(qs(key));
    VQFileCatalogEntry kind;
    for (const char* flag : {kEntryRawImageFlagKey, kEntryImageURLFlagKey})
        kind.insert(qs(flag), entry.value(qs(flag)));
    // The source's temporary file goes when the source closes; the receiver
    // writes or fetches its own.
    if (kind.isRaw() || kind.isURL())
        record.remove(qs(kEntryPathKey));
    const auto captions = record.find(qs(kEntryCaptionsKey));
    if (captions != record.end()) {
        QVariantList representations;
        for (const QVariant& item : captions->toList())
            if (const TMObjectRef caption = item.value<TMObjectRef>())
                representations.append(caption->dictRepresentation());
        *captions = representations;
    }
    record.insert(qs(kEntryPositionKey), -1);
    record.insert(qs(kEntrySelectedKey), false);
    return record;
}

QVariantList ZaroziveZodiroVirizidivi::selectionPortableRecords() const {
    QVariantList records;
    VQFileCatalog* entries = catalog();
    if (!entries)
        return records;
    for (int index : entries->getSelectedIndices())
        if (const VQFileCatalogEntryRef entry = entries->entryAtIndex(index))
            records.append(portableRecord(*entry));
    return records;
}

QMimeData* ZaroziveZodiroVirizidivi::makeSelectionPasteboardData() {
    VQFileCatalog* entries = catalog();
    const QList<int> selected = entries ? entries->getSelectedIndices() : QList<int>();
    if (selected.isEmpty())
        return nullptr;
    QVariantList paths;
    for (int index : selected)
        paths.append(entries->getFileAttributeAtIndex(kCatalogAttrPath, index).toString());
    const QByteArray archive = Archiver::archivedData(QVariant(selectionPortableRecords()));
    const QByteArray uriList = propertyListBytes(paths, qs(FilenamesPboardType));

    auto* data = new PasteboardData(this);
    if (!archive.isEmpty())
        data->declareType(qs(kVQFileCatalogObjectPboardType), [archive] { return archive; });
    if (selected.size() == 1) {
        // Made from the copied photo when asked, found again by its serial number.
        const int serial =
            entries->getFileAttributeAtIndex(kCatalogAttrSerialNumber, selected.first()).toInt();
        const std::weak_ptr<VQFileCatalog> source = entries->weak_from_this();
        data->declareType(qs(TIFFPboardType), [source, serial]() -> QByteArray {
            const std::shared_ptr<VQFileCatalog> owner = source.lock();
            return owner
                       ? owner->fullSizeTIFFDataAtIndex(owner->indexOfEntryWithSerialNumber(serial))
                       : QByteArray();
        });
    }
    if (!uriList.isEmpty())
        data->declareType(qs(FilenamesPboardType), [uriList] { return uriList; });
    return data;
}

void ZaroziveZodiroVirizidivi::copySelectionToPasteboard() {
    if (QMimeData* data = makeSelectionPasteboardData())
        QGuiApplication::clipboard()->setMimeData(data);
}

void ZaroziveZodiroVirizidivi::duplicateSelectionInCatalog() {
    VQFileCatalog* entries = catalog();
    RoduvudeDadevizi* doc = catalogDocument();
    if (!entries || !doc)
        return;
    const QList<int> selected = entries->getSelectedIndices();
    const QVariantList records = selectionPortableRecords();
    if (records.isEmpty())
        return;
    // Through the archive, so that the copies share nothing with their sources.
    const QVariantList copies =
        Unarchiver::unarchiveObject(Archiver::archivedData(QVariant(records))).toList();
    int position = selected.first();
    UndoManager* undo = doc->undoManager();
    undo->beginUndoGrouping();
    entries->clearSelection();
    for (const QVariant& record : copies) {
        receiveObjectAtPosition(record.toMap(), position);
        entries->setSelectionAtIndex(position);
        ++position;
    }
    undo->endUndoGrouping();
}
