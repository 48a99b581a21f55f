#include "catalog/VQFileCatalogScrollView.h"

#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/RoduvudeDadevizi.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/ClipView.h"

#include <algorithm>

VQFileCatalogScrollView::VQFileCatalogScrollView(QWidget* parent)
    : ScrollView(parent), _myCatalogView(new VQFileCatalogView) {
    setObjectName(QString::fromLatin1(kFileCatalogScrollViewName));
    setHasVerticalScroller(true);
    setBorderType(BorderType::BezelBorder);
    setDocumentView(_myCatalogView);
    _myCatalogView->sizeToSuperView();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, QString::fromLatin1(kVQFScrollUpNotify), nullptr,
                       [this](const Notification& n) {
                           if (n.object() == _myCatalogView)
                               scroll(true);
                       });
    center.addObserver(this, QString::fromLatin1(kVQFScrollDownNotify), nullptr,
                       [this](const Notification& n) {
                           if (n.object() == _myCatalogView)
                               scroll(false);
                       });
}

VQFileCatalogScrollView::~VQFileCatalogScrollView() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void VQFileCatalogScrollView::viewFrameChanged() {
    _myCatalogView->sizeToSuperView();
}

VQFileCatalog* VQFileCatalogScrollView::fileCatalog() const {
    const WindowController* controller = WindowController::forWindow(_parentWindow);
    const auto* document =
        controller ? qobject_cast<const RoduvudeDadevizi*>(controller->document()) : nullptr;
    return document ? &document->fileCatalog() : nullptr;
}

// The grid's catalog: the one it shows, which the window set.
VQFileCatalog* VQFileCatalogScrollView::attachedCatalog() const {
    return _myCatalogView->fileCatalog();
}

void VQFileCatalogScrollView::setParentWindow(QWidget* window) {
    _parentWindow = window;
    _myCatalogView->setParentWindow(window);
}

void VQFileCatalogScrollView::setFileCatalog(VQFileCatalog* catalog) {
    _myCatalogView->setFileCatalog(catalog);
}

Size VQFileCatalogScrollView::cellSize() const {
    return _myCatalogView->cellSize();
}

void VQFileCatalogScrollView::setCellSize(Size size) {
    _myCatalogView->setCellSize(size);
}

bool VQFileCatalogScrollView::autoSelection() const {
    return _myCatalogView->autoSelection();
}

void VQFileCatalogScrollView::setAutoSelection(bool flag) {
    _myCatalogView->setAutoSelection(flag);
}

void VQFileCatalogScrollView::setDragHilight(bool flag) {
    _myCatalogView->setDragHilight(flag);
}

void VQFileCatalogScrollView::heartbeat() {
    _myCatalogView->heartbeat();
}

bool VQFileCatalogScrollView::validateMenuItem(const QAction* item) const {
    return _myCatalogView->validateMenuItem(item);
}

void VQFileCatalogScrollView::renameSelection() {
    _myCatalogView->renameSelection();
}

void VQFileCatalogScrollView::rotateSelection(float degrees) {
    _myCatalogView->rotateSelection(degrees);
}

void VQFileCatalogScrollView::contextRotateRight(QAction* sender) {
    _myCatalogView->contextRotateRight(sender);
}
void VQFileCatalogScrollView::contextRotateLeft(QAction* sender) {
    _myCatalogView->contextRotateLeft(sender);
}
void VQFileCatalogScrollView::contextMark(QAction* sender) {
    _myCatalogView->contextMark(sender);
}
void VQFileCatalogScrollView::contextUnmark(QAction* sender) {
    _myCatalogView->contextUnmark(sender);
}
void VQFileCatalogScrollView::contextFlip(QAction* sender) {
    _myCatalogView->contextFlip(sender);
}
void VQFileCatalogScrollView::contextRename(QAction* sender) {
    _myCatalogView->contextRename(sender);
}
void VQFileCatalogScrollView::contextRemove(QAction* sender) {
    _myCatalogView->contextRemove(sender);
}
void VQFileCatalogScrollView::contextExport(QAction* sender) {
    _myCatalogView->contextExport(sender);
}
void VQFileCatalogScrollView::contextRefresh(QAction* sender) {
    _myCatalogView->contextRefresh(sender);
}
void VQFileCatalogScrollView::contextLocate(QAction* sender) {
    _myCatalogView->contextLocate(sender);
}
void VQFileCatalogScrollView::contextProcessInFinder(QAction* sender) {
    _myCatalogView->contextProcessInFinder(sender);
}

void VQFileCatalogScrollView::locateSelection() {
    _myCatalogView->contextLocate();
}

void VQFileCatalogScrollView::refreshSelection() {
    _myCatalogView->contextRefresh();
}

void VQFileCatalogScrollView::firstSelection() {
    VQFileCatalog* catalog = attachedCatalog();
    if (!catalog || catalog->fileCount() == 0)
        return;
    catalog->clearSelection();
    catalog->setSelectionAtIndex(0);
    scrollToSelection();
    _myCatalogView->update();
}

void VQFileCatalogScrollView::lastSelection() {
    VQFileCatalog* catalog = attachedCatalog();
    if (!catalog || catalog->fileCount() == 0)
        return;
    catalog->clearSelection();
    catalog->setSelectionAtIndex(catalog->fileCount() - 1);
    scrollToSelection();
    _myCatalogView->update();
}

void VQFileCatalogScrollView::advanceSelection() {
    if (VQFileCatalog* catalog = attachedCatalog())
        catalog->advanceSelection();
    scrollToSelection();
    _myCatalogView->update();
}

void VQFileCatalogScrollView::retreatSelection() {
    if (VQFileCatalog* catalog = attachedCatalog())
        catalog->retreatSelection();
    scrollToSelection();
    _myCatalogView->update();
}

void VQFileCatalogScrollView::advanceSelectionRow() {
    _myCatalogView->advanceSelectionRow();
    scrollToSelection();
    _myCatalogView->update();
}

void VQFileCatalogScrollView::retreatSelectionRow() {
    _myCatalogView->retreatSelectionRow();
    scrollToSelection();
    _myCatalogView->update();
}

void VQFileCatalogScrollView::setSelectionIndex(int index) {
    VQFileCatalog* catalog = attachedCatalog();
    if (!catalog || index < 0 || index >= catalog->fileCount())
        return;
    catalog->clearSelection();
    catalog->setSelectionAtIndex(index);
    scrollToSelection();
}

void VQFileCatalogScrollView::scrollToSelection() {
    VQFileCatalog* catalog = attachedCatalog();
    if (!catalog)
        return;
    const QList<int> selected = catalog->getSelectedIndices();
    scrollToCellRectAtIndex(selected.isEmpty() ? 0 : selected.first());
}

void VQFileCatalogScrollView::scrollToCellRectAtIndex(int index) {
    const Rect cell = _myCatalogView->getCellRectAtIndex(index);
    // No cell (no columns, or no such entry): nothing to show.
    if (cell.isEmpty())
        return;
    const Rect document = _myCatalogView->bounds();
    Rect v = documentVisibleRect();
    if (v.height() < cell.height() || v.width() < cell.width()) {
        // Lower or narrower than a cell: its top-left corner is what shows.
        v.origin = {cell.minX(), cell.maxY() - v.height()};
    } else {
        if (cell.minX() < v.minX() - 1 || cell.maxX() > v.maxX() + 1)
            v.origin.x = cell.minX();
        // Whole cell heights, as many as it takes; the count is known, so the
        // stepping never runs past the document.
        const float h = cell.height();
        int guard = int(document.height() / h) + 2;
        while (!containsRect(insetRect(v, -1, -1), cell) && guard-- > 0)
            v.origin.y += v.minY() > cell.minY() ? -h : h;
    }
    if (v.maxY() > document.maxY())
        v.origin.y = document.maxY() - v.height();
    contentView()->scrollToPoint(v.origin);
    reflectScrolledClipView(contentView());
}

void VQFileCatalogScrollView::removeSelectedFiles() {
    const Rect before = documentVisibleRect();
    const float top = before.maxY();
    _myCatalogView->removeSelectedFiles();
    _myCatalogView->calculateCellLayout();
    _myCatalogView->sizeToSuperView();
    if (_myCatalogView->bounds().maxY() > top) {
        contentView()->scrollToPoint(before.origin);
        reflectScrolledClipView(contentView());
    }
    scrollToSelection();
}

void VQFileCatalogScrollView::scroll(bool up) {
    Rect v = documentVisibleRect();
    v.origin.y += up ? -kAutoscrollStep : kAutoscrollStep;
    contentView()->scrollToPoint(contentView()->constrainScrollPoint(v.origin));
    reflectScrolledClipView(contentView());
    // The drop frame goes around what shows, not with the pixels that moved.
    _myCatalogView->update();
}
