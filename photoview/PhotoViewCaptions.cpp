#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TMCaptionObject.h"
#include "photoview/CaptionController.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/FontManager.h"
#include "platform/ui/ModalAlert.h"
#include "utilities/GeometryUtilities.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

constexpr char kCaptionMoveAction[] = "CAP_MOVE";
constexpr char kCaptionResizeAction[] = "CAP_RESIZE";
constexpr char kCaptionCreateAction[] = "CAP_CREATE";
constexpr char kCaptionDeleteAction[] = "CAP_DELETE";
constexpr char kCaptionLayerAction[] = "CAP_LAYER";
constexpr char kCaptionTextAction[] = "CAP_TEXT";
// While a caption is drawn the spanned rectangle is redrawn grown by this, in image units.
constexpr float kCreateRedrawOutset = 8;

// Undo puts the geometry back and registers the inverse, so redo repeats the change.
void registerGeometryUndo(UndoManager& undo, const TMObjectRef& caption) {
    undo.registerUndo(caption.get(), [undo = &undo, caption, geometry = caption->geometry()] {
        registerGeometryUndo(*undo, caption);
        caption->setGeometry(geometry);
    });
}

void registerTextUndo(UndoManager& undo, const TMObjectRef& caption) {
    auto* balloon = dynamic_cast<TMCaptionObject*>(caption.get());
    if (!balloon)
        return;
    undo.registerUndo(caption.get(), [undo = &undo, caption, text = balloon->text()] {
        registerTextUndo(*undo, caption);
        if (auto* b = dynamic_cast<TMCaptionObject*>(caption.get()))
            b->setText(text);
    });
}

QVariantList variantList(const QList<TMObjectRef>& captions) {
    QVariantList list;
    for (const TMObjectRef& caption : captions)
        list.append(QVariant::fromValue(caption));
    return list;
}

QList<TMObjectRef> captionList(const QVariantList& list) {
    QList<TMObjectRef> captions;
    for (const QVariant& item : list)
        if (TMObjectRef caption = item.value<TMObjectRef>())
            captions.append(caption);
    return captions;
}

// Puts the entry's caption list back, found by its serial number whatever is
// selected now, and registers the inverse. The panel follows when it shows the entry.
void restoreCaptions(UndoManager& undo, VQFileCatalog& catalog, QPointer<PhotoView> panel,
                     const QVariant& serial, const QList<TMObjectRef>& captions) {
    const int index = catalog.indexOfEntryWithSerialNumber(serial.toInt());
    if (index < 0)
        return;
    const QList<TMObjectRef> current = captionList(catalog.getFileImageCaptionsAtIndex(index));
    undo.registerUndo(&catalog, [undo = &undo, catalog = &catalog, panel, serial, current] {
        restoreCaptions(*undo, *catalog, panel, serial, current);
    });
    catalog.setFileImageCaptionsAtIndexTo(index, variantList(captions));
    if (panel && panel->photoSerialNumber() == serial) {
        panel->setCaptions(captions);
        panel->updateSelectedCaptionInfo();
    }
}

// The caption sheet: one text field, OK and Cancel.
class CaptionTextPanel : public QDialog {
public:
    explicit CaptionTextPanel(QWidget* parent) : QDialog(parent) {
        setObjectName(qs("CaptionTextPanel"));
        setWindowTitle(localizedString(qs("CAPTION")));
        field = new QLineEdit(this);
        field->setObjectName(qs("captionTextField"));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(field);
        layout->addWidget(buttons);
    }
    QLineEdit* field = nullptr;
};

} // namespace

void PhotoView::observeCaptions() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, qs(kTemplateObjectChangedNofity), nullptr,
                       [this](const Notification& n) { captionPropertyChanged(n); });
    center.addObserver(this, qs(kCaptionPanelClosedNofity), nullptr,
                       [this](const Notification&) { captionPanelClosed(); });
}

void PhotoView::captionPropertyChanged(const Notification& notification) {
    const auto it = std::find_if(_captions.begin(), _captions.end(), [&](const TMObjectRef& c) {
        return static_cast<const void*>(c.get()) == notification.object();
    });
    if (it == _captions.end())
        return;
    redrawCaption(*it);
    storeCaptionsInCatalog();
}

// ---------------------------------------------------------------------------
// The mode

void PhotoView::toggleCaptionMode() {
    toggleEditMode(PhotoEditModeCaption, &PhotoView::showCaptionPanel,
                   &PhotoView::closeCaptionPanel);
}

void PhotoView::showCaptionPanel() {
    CaptionController& palette = *CaptionController::sharedCaptionController();
    if (!palette.isVisible()) {
        palette.setOrigin(modePanelOrigin());
        palette.showWindow(this);
    }
    updateSelectedCaptionInfo();
}

void PhotoView::closeCaptionPanel() {
    CaptionController& palette = *CaptionController::sharedCaptionController();
    if (!palette.isVisible() || palette.associatedView() != this)
        return;
    endCaptionDrag();
    unsetCursor();
    palette.close();
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->setEditMode(PhotoEditModeNone);
}

void PhotoView::captionPanelClosed() {
    closeCaptionPanel();
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->setEditMode(PhotoEditModeNone);
}

void PhotoView::updateSelectedCaptionInfo() {
    CaptionController& palette = *CaptionController::sharedCaptionController();
    if (palette.associatedView() == this || !palette.associatedView())
        palette.setSelection(selectedCaptions());
}

// ---------------------------------------------------------------------------
// Selection and storing

QList<TMObjectRef> PhotoView::selectedCaptions() const {
    QList<TMObjectRef> selected;
    for (const TMObjectRef& caption : _captions)
        if (caption->selected())
            selected.append(caption);
    return selected;
}

bool PhotoView::deselectAllCaptions() {
    bool any = false;
    for (const TMObjectRef& caption : _captions) {
        if (!caption->selected())
            continue;
        caption->setSelected(false);
        redrawCaption(caption);
        any = true;
    }
    if (any)
        updateSelectedCaptionInfo();
    return any;
}

void PhotoView::storeCaptionsInCatalog() {
    if (const std::optional<int> index = singleSelection())
        _document->fileCatalog().setFileImageCaptionsAtIndexTo(*index, variantList(_captions));
}

Point PhotoView::captionPoint(Point viewPoint) const {
    const Rect b = bounds();
    const Point clamped{std::clamp(viewPoint.x, b.minX(), b.maxX()),
                        std::clamp(viewPoint.y, b.minY(), b.maxY())};
    return UTMapPoint(_imageFrame, _imageNaturalBounds, clamped);
}

void PhotoView::redrawImageRect(const Rect& imageRect) {
    if (_imageNaturalBounds.isEmpty() || _imageFrame.isEmpty())
        return;
    redrawViewRect(UTMapRect(_imageNaturalBounds, _imageFrame, imageRect), 1);
}

void PhotoView::redrawCaption(const TMObjectRef& caption) {
    redrawImageRect(caption->visibleFrame());
}

// ---------------------------------------------------------------------------
// Mouse: select, move, resize, create

void PhotoView::testCaptionSelection(Point point, Qt::KeyboardModifiers modifiers, int clickCount) {
    const Point p = captionPoint(point);
    TMObjectRef hit;
    for (auto it = _captions.crbegin(); it != _captions.crend(); ++it)
        if ((*it)->hitTest(p)) {
            hit = *it;
            break;
        }
    UndoManager* undo = _document ? _document->undoManager() : nullptr;
    if (!hit) {
        deselectAllCaptions();
        _captionDrag = CaptionDrag{CaptionDrag::Create, p, p, nullptr, 0, kZeroRect};
        if (undo)
            undo->beginUndoGrouping();
        return;
    }
    if (clickCount > 1) {
        if (hit->selected())
            editCaptionText(hit);
        return;
    }
    const bool shift = modifiers & Qt::ShiftModifier;
    if (!hit->selected()) {
        if (!shift)
            deselectAllCaptions();
        hit->setSelected(true);
        redrawCaption(hit);
        storeCaptionsInCatalog();
        updateSelectedCaptionInfo();
    } else if (shift) {
        hit->setSelected(false);
        redrawCaption(hit);
        storeCaptionsInCatalog();
        updateSelectedCaptionInfo();
        return;
    }
    const int knob = hit->knobUnderPoint(p);
    _captionDrag =
        CaptionDrag{knob ? CaptionDrag::Resize : CaptionDrag::Move, p, p, hit, knob, kZeroRect};
    if (undo)
        undo->beginUndoGrouping();
}

void PhotoView::captionDragTo(Point point, bool up) {
    CaptionDrag& drag = *_captionDrag;
    const Point p = captionPoint(point);
    UndoManager* undo = _document ? _document->undoManager() : nullptr;
    switch (drag.kind) {
    case CaptionDrag::Move:
        if (p != drag.previous) {
            if (moveSelectedCaptions({p.x - drag.previous.x, p.y - drag.previous.y}))
                drag.changed = true;
            drag.previous = p;
        }
        break;
    case CaptionDrag::Resize:
        if (p != drag.previous) {
            if (!drag.undoRegistered && undo) {
                registerGeometryUndo(*undo, drag.caption);
                drag.undoRegistered = true;
            }
            redrawCaption(drag.caption);
            drag.knob = drag.caption->resizeByMovingKnobToPoint(drag.knob, p);
            redrawCaption(drag.caption);
            drag.changed = true;
            drag.previous = p;
        }
        break;
    case CaptionDrag::Create: {
        if (p == drag.start)
            break;
        const Rect r = UTRectFromPoints(drag.start, p);
        if (r == drag.last)
            break;
        if (!drag.caption) {
            registerCaptionListUndo();
            drag.undoRegistered = true;
            TMCaptionObjectRef caption = TMCaptionObject::newTemplateObjectWithRepresentation(
                TMRectangleObject::filledRoundRepresentation());
            // The same size on screen whatever the photo's resolution.
            const float s = _imageNaturalBounds.width() / _imageFrame.width();
            const Point tail = caption->relativeTailVertex();
            caption->setRelativeTailVertex({tail.x * s, tail.y * s});
            caption->setMaxSize(_imageNaturalBounds.size);
            if (const std::optional<Font> font = FontManager::sharedFontManager().convertFontToSize(
                    caption->font(), s * caption->font().pointSize()))
                caption->setFont(*font);
            QList<TMObjectRef> captions = _captions;
            captions.append(caption);
            _captions = captions;
            caption->setSelected(true);
            caption->setInCreation(true);
            drag.caption = caption;
        }
        if (drag.last != kZeroRect)
            redrawImageRect(insetRect(drag.last, -kCreateRedrawOutset, -kCreateRedrawOutset));
        drag.last = r;
        drag.caption->setFrameCornersFromTo(drag.start, p);
        redrawImageRect(insetRect(r, -kCreateRedrawOutset, -kCreateRedrawOutset));
        redrawCaption(drag.caption);
        break;
    }
    }
    if (!up)
        return;
    const CaptionDrag done = drag;
    _captionDrag.reset();
    switch (done.kind) {
    case CaptionDrag::Move:
        if (done.changed)
            storeCaptionsInCatalog();
        break;
    case CaptionDrag::Resize:
        done.caption->setInResize(false);
        done.caption->recache();
        if (done.changed)
            storeCaptionsInCatalog();
        if (done.undoRegistered && undo)
            undo->setActionName(localizedString(qs(kCaptionResizeAction)));
        break;
    case CaptionDrag::Create:
        if (done.caption) {
            done.caption->setSelected(true);
            done.caption->setInCreation(false);
            done.caption->recache();
            redrawCaption(done.caption);
            storeCaptionsInCatalog();
            updateSelectedCaptionInfo();
            if (undo)
                undo->setActionName(localizedString(qs(kCaptionCreateAction)));
        }
        break;
    }
    if (undo)
        undo->endUndoGrouping();
}

void PhotoView::endCaptionDrag() {
    if (!_captionDrag)
        return;
    // Ended from outside (the mode or the window went): as a release where it is.
    captionDragTo(UTMapPoint(_imageNaturalBounds, _imageFrame, _captionDrag->previous), true);
}

bool PhotoView::moveSelectedCaptions(Point delta) {
    UndoManager* undo = _document ? _document->undoManager() : nullptr;
    bool any = false;
    for (const TMObjectRef& caption : _captions) {
        if (!caption->selected())
            continue;
        if (undo)
            registerGeometryUndo(*undo, caption);
        redrawCaption(caption);
        caption->moveBy(delta);
        redrawCaption(caption);
        any = true;
    }
    if (any && undo)
        undo->setActionName(localizedString(qs(kCaptionMoveAction)));
    return any;
}

void PhotoView::nudgeCaptionByXByY(float dx, float dy) {
    const float s = _imageFrame.width() > 0 ? _imageNaturalBounds.width() / _imageFrame.width() : 1;
    if (moveSelectedCaptions({dx * s, dy * s}))
        storeCaptionsInCatalog();
    else
        ModalAlert::beep();
}

bool PhotoView::captionKey(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
        if (!deleteSelectedCaptions())
            ModalAlert::beep();
        return true;
    }
    const float step = event->modifiers() & Qt::AltModifier ? 8 : 1;
    switch (key) {
    case Qt::Key_Left:
        nudgeCaptionByXByY(-step, 0);
        return true;
    case Qt::Key_Right:
        nudgeCaptionByXByY(step, 0);
        return true;
    case Qt::Key_Down:
        nudgeCaptionByXByY(0, -step);
        return true;
    case Qt::Key_Up:
        nudgeCaptionByXByY(0, step);
        return true;
    default:
        return false;
    }
}

void PhotoView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (editMode() != PhotoEditModeCaption || event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    const Point point = boundsPointFromWidget(event->position());
    if (!_myImage.isNull() && pointInRect(point, _imageFrame))
        testCaptionSelection(point, event->modifiers(), 2);
}

void PhotoView::updateCaptionCursorAt(Point point) {
    if (ModalAlert::hasAttachedSheet(window()) || !pointInRect(point, _imageFrame)) {
        unsetCursor();
        return;
    }
    const Point p = captionPoint(point);
    for (auto it = _captions.crbegin(); it != _captions.crend(); ++it)
        if ((*it)->hitTest(p)) {
            setCursor(cropCursor((*it)->knobUnderPoint(p) ? CropGeometry::Cursor::Resize
                                                          : CropGeometry::Cursor::Grab));
            return;
        }
    setCursor(cropCursor(CropGeometry::Cursor::Cross));
}

// ---------------------------------------------------------------------------
// The list: delete, stacking order, undo

void PhotoView::registerCaptionListUndo() {
    if (!_document)
        return;
    UndoManager& undo = *_document->undoManager();
    VQFileCatalog& catalog = _document->fileCatalog();
    undo.registerUndo(&catalog, [undo = &undo, catalog = &catalog, panel = QPointer(this),
                                 serial = _imageSerialNumber, captions = _captions] {
        restoreCaptions(*undo, *catalog, panel, serial, captions);
    });
}

void PhotoView::changeCaptionList(const QList<TMObjectRef>& captions, const char* actionKey) {
    setCaptions(captions);
    storeCaptionsInCatalog();
    if (_document)
        _document->undoManager()->setActionName(localizedString(qs(actionKey)));
}

bool PhotoView::deleteSelectedCaptions() {
    QList<TMObjectRef> kept;
    bool any = false;
    for (const TMObjectRef& caption : _captions) {
        if (caption->selected()) {
            redrawCaption(caption);
            any = true;
        } else {
            kept.append(caption);
        }
    }
    if (!any)
        return false;
    registerCaptionListUndo();
    changeCaptionList(kept, kCaptionDeleteAction);
    updateSelectedCaptionInfo();
    return true;
}

void PhotoView::bringSelectedCaptionsToFront() {
    registerCaptionListUndo();
    QList<TMObjectRef> order;
    for (const TMObjectRef& caption : _captions)
        if (!caption->selected())
            order.append(caption);
    order.append(selectedCaptions());
    changeCaptionList(order, kCaptionLayerAction);
}

void PhotoView::sendSelectedCaptionsToBack() {
    registerCaptionListUndo();
    QList<TMObjectRef> order = selectedCaptions();
    for (const TMObjectRef& caption : _captions)
        if (!caption->selected())
            order.append(caption);
    changeCaptionList(order, kCaptionLayerAction);
}

void PhotoView::moveSelectedCaptionsForward() {
    moveSelectedCaptionsOneStep(1);
}

void PhotoView::moveSelectedCaptionsBackward() {
    moveSelectedCaptionsOneStep(-1);
}

void PhotoView::moveSelectedCaptionsOneStep(int direction) {
    QList<TMObjectRef> order = _captions;
    const qsizetype n = order.size() - 1;
    if (n < 1)
        return;
    bool swapped = false, seen = false;
    // From the far end of the move backwards, so that each selected caption
    // moves one place at most and one that is stuck holds those right behind.
    for (qsizetype step = 0; step < n; ++step) {
        const qsizetype ahead = direction > 0 ? n - step : step;
        const qsizetype behind = ahead - direction;
        if (order[ahead]->selected()) {
            seen = true;
        } else if (order[behind]->selected()) {
            order.swapItemsAt(ahead, behind);
            swapped = seen = true;
        }
    }
    if (swapped) {
        registerCaptionListUndo();
        changeCaptionList(order, kCaptionLayerAction);
    } else if (seen) {
        ModalAlert::beep();
    }
}

// ---------------------------------------------------------------------------
// The text sheet

void PhotoView::editCaptionText(const TMObjectRef& caption) {
    auto* balloon = dynamic_cast<TMCaptionObject*>(caption.get());
    if (!balloon)
        return;
    if (!_captionTextPanel)
        _captionTextPanel = new CaptionTextPanel(this);
    auto* sheet = static_cast<CaptionTextPanel*>(_captionTextPanel.data());
    sheet->field->setText(balloon->text());
    sheet->field->setFocus();
    sheet->field->selectAll();
    _editingCaptionText = true;
    ModalAlert::beginDialogSheet(window(), sheet, [self = QPointer(this), caption](int code) {
        if (!self || !self->_captionTextPanel)
            return;
        self->_editingCaptionText = false;
        auto* panel = static_cast<CaptionTextPanel*>(self->_captionTextPanel.data());
        if (code == QDialog::Accepted && self->_document) {
            UndoManager& undo = *self->_document->undoManager();
            registerTextUndo(undo, caption);
            if (auto* b = dynamic_cast<TMCaptionObject*>(caption.get()))
                b->setText(panel->field->text());
            self->redrawCaption(caption);
            undo.setActionName(localizedString(qs(kCaptionTextAction)));
        }
        panel->hide();
    });
}

bool PhotoView::isEditingCaptionText() const {
    return _editingCaptionText;
}

QDialog* PhotoView::captionTextPanel() const {
    return _captionTextPanel;
}
