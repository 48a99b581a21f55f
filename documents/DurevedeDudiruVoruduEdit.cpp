// The catalog window's Edit menu: its rules by tag and paste.

#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/Image.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <algorithm>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

constexpr const char* kEditActions[] = {
    "undo:", "redo:", "cut:", "copy:", "paste:", "duplicate:", "clear:", "selectAll:", "deselect:"};

// The records of a copy of catalog entries; null when the data is anything
// else, whoever put it there.
std::optional<QList<QVariantMap>> entryRecords(const QVariant& propertyList) {
    if (propertyList.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<QVariantMap> records;
    for (const QVariant& value : propertyList.toList()) {
        if (value.typeId() != QMetaType::QVariantMap)
            return std::nullopt;
        const QVariantMap record = value.toMap();
        if (record.isEmpty())
            return std::nullopt;
        for (auto it = record.cbegin(); it != record.cend(); ++it)
            if (!it.key().startsWith(QLatin1String("en_")))
                return std::nullopt;
        records.append(record);
    }
    return records;
}

} // namespace

QImage DurevedeDudiruVorudu::getImageFromPasteboard(const Pasteboard& pasteboard) {
    if (!pasteboard.hasType(qs(TIFFPboardType)))
        return QImage();
    return QImage::fromData(pasteboard.dataForType(qs(TIFFPboardType)));
}

bool DurevedeDudiruVorudu::respondsToAction(const QString& action) const {
    return std::any_of(std::begin(kEditActions), std::end(kEditActions),
                       [&action](const char* known) { return action == QLatin1String(known); });
}

bool DurevedeDudiruVorudu::validateMenuItem(QAction& item) {
    return validateItemTag(Commands::itemTag(&item), &item);
}

bool DurevedeDudiruVorudu::validateItemTag(int tag, QAction* item) const {
    if (!MainWindowTracker::sharedTracker().isMainWindow(this) || hasAttachedSheet())
        return false;
    if (tag < 210 || tag > 310)
        return true;
    ZaroziveZodiroVirizidivi* owner = controller();
    RoduvudeDadevizi* document = owner ? owner->catalogDocument() : nullptr;
    if (!document)
        return false;
    VQFileCatalog& catalog = document->fileCatalog();
    const bool selected = !catalog.getSelectedIndices().isEmpty();
    const bool editing = owner->editMode() != 0;
    UndoManager* undo = document->undoManager();
    switch (tag) {
    case 210:
    case 211:
    case 307:
        return !catalog.getAllIndices().isEmpty();
    case 301:
        if (item) {
            QString title = undo->undoMenuItemTitle();
            const qsizetype amp = title.indexOf(QLatin1Char('&'));
            if (amp >= 0)
                title.remove(amp, 1);
            item->setText(title);
        }
        return undo->canUndo();
    case 302:
        return undo->canRedo();
    case 303:
    case 304:
    case 306:
    case 308:
        return !editing && selected;
    case 305: {
        if (editing)
            return false;
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data)
            return false;
        const Pasteboard pasteboard(data);
        return pasteboard.hasType(qs(TIFFPboardType)) ||
               pasteboard.hasType(qs(kVQFileCatalogObjectPboardType)) ||
               pasteboard.hasType(qs(FilenamesPboardType));
    }
    case 310:
        return selected;
    default:
        return true;
    }
}

void DurevedeDudiruVorudu::performAction(const QString& action, QAction*) {
    ZaroziveZodiroVirizidivi* owner = controller();
    RoduvudeDadevizi* document = owner ? owner->catalogDocument() : nullptr;
    if (!document)
        return;
    if (action == QLatin1String("undo:"))
        document->undoManager()->undo();
    else if (action == QLatin1String("redo:"))
        document->undoManager()->redo();
    else if (action == QLatin1String("paste:"))
        paste();
    else if (action == QLatin1String("copy:"))
        owner->copySelectionToPasteboard();
    else if (action == QLatin1String("cut:")) {
        // The copy first: removing clears the selection it is made from.
        owner->copySelectionToPasteboard();
        owner->removeSelectedFiles();
    } else if (action == QLatin1String("duplicate:"))
        owner->duplicateSelectionInCatalog();
    else if (action == QLatin1String("clear:"))
        owner->removeSelectedFiles();
    else if (action == QLatin1String("selectAll:"))
        document->fileCatalog().selectAll();
    else if (action == QLatin1String("deselect:"))
        document->fileCatalog().clearSelection();
}

void DurevedeDudiruVorudu::paste() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) {
        ModalAlert::beep();
        return;
    }
    pasteFromPasteboard(Pasteboard(data));
}

void DurevedeDudiruVorudu::pasteFromPasteboard(const Pasteboard& pasteboard) {
    ZaroziveZodiroVirizidivi* owner = controller();
    RoduvudeDadevizi* document = owner ? owner->catalogDocument() : nullptr;
    if (!document)
        return;
    VQFileCatalog& catalog = document->fileCatalog();
    const QList<int> selected = catalog.getSelectedIndices();
    int position = selected.isEmpty() ? -1 : *std::min_element(selected.begin(), selected.end());
    UndoManager* undo = document->undoManager();
    const auto selectAt = [&catalog](int at) {
        catalog.setSelectionAtIndex(at < 0 ? catalog.fileCount() - 1 : at);
    };

    if (pasteboard.hasType(qs(kVQFileCatalogObjectPboardType))) {
        // A copy writes the archive; a property list is read as well.
        QVariant list =
            Unarchiver::unarchiveObject(pasteboard.dataForType(qs(kVQFileCatalogObjectPboardType)));
        if (list.typeId() != QMetaType::QVariantList)
            list = pasteboard.propertyListForType(qs(kVQFileCatalogObjectPboardType));
        const std::optional<QList<QVariantMap>> records = entryRecords(list);
        if (!records) {
            ModalAlert::beep();
            return;
        }
        if (records->isEmpty())
            return;
        undo->beginUndoGrouping();
        catalog.clearSelection();
        for (const QVariantMap& record : *records) {
            owner->receiveObjectAtPosition(record, position);
            selectAt(position);
            if (position >= 0)
                ++position;
        }
        undo->endUndoGrouping();
        return;
    }
    if (!pasteboard.hasType(qs(FilenamesPboardType))) {
        const QImage picture = getImageFromPasteboard(pasteboard);
        if (picture.isNull()) {
            ModalAlert::beep();
            return;
        }
        undo->beginUndoGrouping();
        catalog.clearSelection();
        owner->receiveImageAtPosition(Image(picture), position);
        selectAt(position);
        undo->endUndoGrouping();
        return;
    }
    const QStringList paths =
        pasteboard.propertyListForType(qs(FilenamesPboardType)).toStringList();
    if (paths.isEmpty())
        return;
    undo->beginUndoGrouping();
    catalog.clearSelection();
    for (const QString& path : paths) {
        if (owner->receivePathAtPosition(path, position) == 0)
            continue;
        selectAt(position);
        if (position >= 0)
            ++position;
    }
    undo->endUndoGrouping();
}
