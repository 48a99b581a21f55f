#include "documents/RovedezevOvod.h"

#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateView.h"
#include "library/NewTemplateManager.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/DraggingInfo.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>
#include <iterator>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

constexpr const char* kForwardedActions[] = {
    "rotateImageRight:", "rotateImageLeft:",  "flipImage:",      "removeFiles:",
    "renameFiles:",      "saveBack:",         "firstSelection:", "prevSelection:",
    "nextSelection:",    "lastSelection:",    "markSelection:",  "unmarkSelection:",
    "locateEntry:",      "refreshPhoto:",     "showPhotoInfo:",  "adjustImage:",
    "exportSelection:",  "printToDisk:",      "printToEmail:",   "editText:",
    "addLayoutPage:",    "removeLayoutPage:", "nextLayoutPage:", "previousLayoutPage:",
    "clearPhotoCells:",
};

bool isForwarded(const QString& action) {
    return std::any_of(std::begin(kForwardedActions), std::end(kForwardedActions),
                       [&action](const char* known) { return action == QLatin1String(known); });
}

// The shadow is stroked in widening rings of faint black.
constexpr float kShadowAlpha = 0.075f;
constexpr float kShadowWidths[] = {0, 4, 8, 12, 16};

} // namespace

RovedezevOvod::RovedezevOvod(QWidget* parent) : View(parent) {
    registerForDraggedTypes({qs(kDragDropInstalledTemplatePboardType)});
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, qs(kTemplateMapperMasterChangedNotify), nullptr,
                       [this](const Notification& n) { templateMapperMasterChanged(n); });
    center.addObserver(this, qs(kTemplateMapperPageChangedNotify), nullptr,
                       [this](const Notification& n) { templateMapperPageChanged(n); });
}

RovedezevOvod::~RovedezevOvod() {
    NotificationCenter::defaultCenter().removeObserver(this);
    // The view goes first, while the mapper it draws through is still alive.
    delete _templateView;
}

void RovedezevOvod::setDocument(RoduvudeDadevizi* document) {
    _document = document;
    // A document's layout is made on first use; a hidden panel does not use it.
    if (isVisible() || _templateView)
        calculateLayout();
    update();
}

TemplateMapper* RovedezevOvod::mapper() const {
    return _document ? _document->templateMapper().get() : nullptr;
}

void RovedezevOvod::followDocumentMapper() {
    const std::shared_ptr<TemplateMapper> current =
        _document ? _document->templateMapper() : nullptr;
    if (current == _shownMapper)
        return;
    if (_templateView) {
        _templateView->setImageSource(current.get());
        _templateView->setTemplate(current ? current->templateForCurrentPage() : nullptr);
    }
    _shownMapper = current;
}

TemplateView* RovedezevOvod::templateView() {
    if (_templateView)
        return _templateView;
    TemplateMapper* layout = mapper();
    const TemplateHandleRef page = layout ? layout->templateForCurrentPage() : nullptr;
    if (!page)
        return nullptr;
    followDocumentMapper();
    _templateView = new TemplateView(this);
    _templateView->setFrame(rectFromQt(widgetRectFromBounds(pageFrame())));
    _templateView->setTemplate(page);
    _templateView->setImageSource(layout);
    _templateView->setAllowsUserInteraction(true);
    _templateView->show();
    return _templateView;
}

Rect RovedezevOvod::pageFrame() {
    TemplateMapper* layout = mapper();
    const TemplateHandleRef page = layout ? layout->templateForCurrentPage() : nullptr;
    if (!page)
        return {};
    const Rect available = insetRect(bounds(), kPageMargin, kPageMargin);
    const Size size = UTScaleSizeToFit(page->pageRect().size, available.size);
    // Centred in the bounds: the panel's frame origin lies in its parent.
    return UTCenterRectInRect(Rect({0, 0}, size), bounds());
}

void RovedezevOvod::calculateLayout() {
    followDocumentMapper();
    if (!templateView())
        return;
    _templateView->setFrame(rectFromQt(widgetRectFromBounds(pageFrame())));
}

void RovedezevOvod::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    // Only the page already made moves here: Qt holds updates off while it hands
    // out pending resizes, and a page view made then would never be drawn.
    if (_templateView)
        _templateView->setFrame(rectFromQt(widgetRectFromBounds(pageFrame())));
}

void RovedezevOvod::showEvent(QShowEvent* event) {
    View::showEvent(event);
    calculateLayout();
}

bool RovedezevOvod::canIHandleDrag(const DraggingInfo& info) {
    return info.draggingPasteboard().hasType(qs(kDragDropInstalledTemplatePboardType));
}

void RovedezevOvod::concludeDragOperation(const DraggingInfo& info) {
    const QVariant id =
        info.draggingPasteboard().propertyListForType(qs(kDragDropInstalledTemplatePboardType));
    if (!id.isValid() || !_document)
        return;
    if (!_document->setMasterTemplateWithID(id.toString()))
        return;
    window()->show();
    window()->raise();
    window()->activateWindow();
}

void RovedezevOvod::templateMapperMasterChanged(const Notification& notification) {
    if (!_shownMapper || notification.object() != _shownMapper.get())
        return;
    TemplateMapper* layout = _shownMapper.get();
    if (TemplateView* view = templateView())
        view->setTemplate(layout->templateForCurrentPage());
    calculateLayout();
    update();
}

void RovedezevOvod::templateMapperPageChanged(const Notification& notification) {
    if (!_shownMapper || notification.object() != _shownMapper.get())
        return;
    if (_templateView)
        _templateView->update();
}

void RovedezevOvod::clearSelectedCells() {
    TemplateMapper* layout = mapper();
    VQFileCatalog* catalog = layout ? layout->fileCatalog().get() : nullptr;
    if (!catalog)
        return;
    const int32_t page = layout->currentPageNum();
    bool cleared = false;
    for (int32_t position = 0; position < layout->photoCellCount(); ++position) {
        const int32_t index = layout->entryIndexOnPage(page, position);
        if (index == -1 || !catalog->getFileAttributeAtIndex(kCatalogAttrSelected, index).toBool())
            continue;
        layout->setEntryIndexOnPage(page, position, -1);
        cleared = true;
    }
    if (cleared)
        update();
}

bool RovedezevOvod::areSelectedCellsVisible() const {
    // Asked on every validation: a layout not made yet holds no cells.
    TemplateMapper* layout = _document ? _document->existingTemplateMapper().get() : nullptr;
    VQFileCatalog* catalog = layout ? layout->fileCatalog().get() : nullptr;
    if (!catalog)
        return false;
    const int32_t page = layout->currentPageNum();
    for (int32_t position = 0; position < layout->photoCellCount(); ++position) {
        const int32_t index = layout->entryIndexOnPage(page, position);
        if (index != -1 && catalog->getFileAttributeAtIndex(kCatalogAttrSelected, index).toBool())
            return true;
    }
    return false;
}

bool RovedezevOvod::areSelectedCellsOnAPage() const {
    // Asked on every validation: a layout not made yet holds no cells.
    TemplateMapper* layout = _document ? _document->existingTemplateMapper().get() : nullptr;
    VQFileCatalog* catalog = layout ? layout->fileCatalog().get() : nullptr;
    if (!catalog)
        return false;
    const QList<int32_t> placed = layout->getAllPageEntryIndices();
    return std::any_of(placed.begin(), placed.end(), [catalog](int32_t index) {
        return index != -1 &&
               catalog->getFileAttributeAtIndex(kCatalogAttrSelected, index).toBool();
    });
}

void RovedezevOvod::drawRect(const Rect&) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const Rect b = bounds();
    context->setColor(Qt::gray);
    context->frameRect(b, 1);
    if (!_templateView)
        return;
    const Rect page = rectFromQt(_templateView->geometry());
    // The page view's frame in the panel's y-up bounds.
    const Rect frame(page.minX(), b.height() - page.minY() - page.height(), page.width(),
                     page.height());
    BezierPath shadow = BezierPath::bezierPathWithRect(
        Rect(frame.minX() + 2, frame.minY(), frame.width() - 2, frame.height() - 15));
    shadow.setLineJoinStyle(LineJoinStyle::Round);
    context->setStrokeColor(QColor::fromRgbF(0, 0, 0, kShadowAlpha));
    for (float width : kShadowWidths) {
        shadow.setLineWidth(width);
        context->strokePath(shadow);
    }
    if (dragHilight()) {
        context->setColor(QApplication::palette().color(QPalette::Highlight));
        context->frameRect(insetRect(b, 1, 1), 3);
    }
}

CommandResponder* RovedezevOvod::controllerFor(const QString& action) const {
    auto* responder = dynamic_cast<CommandResponder*>(WindowController::forWindow(window()));
    return responder && responder->respondsToAction(action) ? responder : nullptr;
}

bool RovedezevOvod::respondsToAction(const QString& action) const {
    return isForwarded(action) &&
           Commands::objectRespondsToAction(WindowController::forWindow(window()), action);
}

bool RovedezevOvod::validateMenuItem(QAction& item) {
    CommandResponder* controller = controllerFor(Commands::itemAction(&item));
    return controller ? controller->validateMenuItem(item) : true;
}

void RovedezevOvod::performAction(const QString& action, QAction* sender) {
    if (isForwarded(action))
        Commands::sendActionToObject(WindowController::forWindow(window()), action, sender);
}
