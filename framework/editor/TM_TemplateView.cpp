#include "framework/editor/TM_TemplateView.h"

#include "framework/Formwell.h"
#include "framework/editor/TMTextEditView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMRenderPass.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/ScrollView.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>
#include <cmath>

namespace {

// A widget coordinate for a page length: pages read from files may be of any
// size, widgets are not.
int widgetCoordinate(double value) {
    if (!std::isfinite(value))
        return 0;
    return int(std::clamp(value, double(-QWIDGETSIZE_MAX), double(QWIDGETSIZE_MAX)));
}

} // namespace

TM_TemplateView::TM_TemplateView(const Rect& frame, QWidget* parent) : View(parent) {
    setGeometry(
        widgetCoordinate(std::round(frame.minX())), widgetCoordinate(std::round(frame.minY())),
        widgetCoordinate(std::ceil(frame.width())), widgetCoordinate(std::ceil(frame.height())));
    setBoundsSize(frame.size);
    setFocusPolicy(Qt::StrongFocus);
    registerForDraggedTypes({QString::fromLatin1(FilenamesPboardType),
                             QString::fromLatin1(TIFFPboardType),
                             QString::fromLatin1(kObjectPasteboardType)});
    NotificationCenter::defaultCenter().addObserver(
        this, QString::fromLatin1(kToolSelectionChangedNotification), nullptr,
        [this](const Notification&) { resetCursorRects(); });
}

TM_TemplateView::~TM_TemplateView() {
    abandonGesture();
    NotificationCenter::defaultCenter().removeObserver(static_cast<const QObject*>(this));
    // Undo steps that act through the canvas go with it.
    if (_myDocument)
        _myDocument->undoManager()->removeAllActionsWithTarget(this);
}

TemplateDocument* TM_TemplateView::document() const {
    return _myDocument;
}

void TM_TemplateView::setDocument(TemplateDocument* document) {
    _myDocument = document;
}

TemplateEditorController* TM_TemplateView::mainController() const {
    return _myMainController;
}

void TM_TemplateView::setMainController(TemplateEditorController* controller) {
    _myMainController = controller;
}

ScrollView* TM_TemplateView::parentScrollView() const {
    return _parentScrollView;
}

void TM_TemplateView::setParentScrollView(ScrollView* scrollView) {
    _parentScrollView = scrollView;
}

QList<TMObjectRef> TM_TemplateView::documentObjects() const {
    return _myDocument ? _myDocument->objects() : QList<TMObjectRef>();
}

std::unique_ptr<TMTextEditor> TM_TemplateView::makeTextEditor(const TMTextObjectRef& object,
                                                              const Rect& frame) {
    return TMTextEditView::makeEditor(object, this, frame);
}

// ---------------------------------------------------------------------------
// Commands

namespace {

constexpr char kClearAction[] = "clear:";
constexpr char kSelectAllAction[] = "selectAll:";
constexpr char kDeselectAction[] = "deselect:";
constexpr char kAlignTextAction[] = "alignTextSelection:";
constexpr char kAddPrintAreasAction[] = "addPrintAreas:";
constexpr char kToolPaletteEquivalentAction[] = "toolPaletteEquivalent:";
constexpr char kToggleGuidesAction[] = "toggleGuides:";
constexpr char kClearAllGuidesAction[] = "clearAllGuides:";
constexpr char kHideGuidesKey[] = "HIDE_GUIDES";
constexpr char kShowGuidesKey[] = "SHOW_GUIDES";

bool anySelected(const QList<TMObjectRef>& selected, bool (*test)(const TMObjectRef&)) {
    return std::any_of(selected.begin(), selected.end(), test);
}

// Whether the clipboard holds page objects or a picture Qt can read.
bool clipboardOffersPaste(const QMimeData* clipboard) {
    return clipboard &&
           (Pasteboard(clipboard).hasType(QString::fromLatin1(kObjectPasteboardType)) ||
            TM_TemplateView::offersImage(*clipboard));
}

} // namespace

bool TM_TemplateView::validateMenuItemTag(int tag, const QList<TMObjectRef>& objects,
                                          bool hasGuides, const QMimeData* clipboard) {
    QList<TMObjectRef> selected;
    for (const TMObjectRef& object : objects)
        if (object && object->selected())
            selected.append(object);
    const qsizetype count = selected.size();
    const auto onePolygon = [&]() -> TMPolygonObject* {
        return count == 1 ? dynamic_cast<TMPolygonObject*>(selected.first().get()) : nullptr;
    };
    using namespace EditorTag;
    if (tag < Cut)
        return true;
    switch (tag) {
    case Cut:
    case Copy:
    case Clear:
    case Duplicate:
    case Deselect:
        return count > 0;
    case Paste:
        return clipboardOffersPaste(clipboard);
    case SelectAll:
        return !objects.isEmpty();
    case BringToFront:
    case MoveForward:
    case MoveBackward:
    case SendToBack:
    case ScaleByPercent:
    case CenterVertically:
    case CenterHorizontally:
        return count > 0;
    case AlignLeft:
    case AlignRight:
    case AlignTop:
    case AlignBottom:
    case AlignHorizontalCenters:
    case AlignVerticalCenters:
    case Group:
        return count > 1;
    case AddSegments:
        return onePolygon() != nullptr;
    case InsertSegment: {
        const TMPolygonObject* polygon = onePolygon();
        return polygon && polygon->selectedKnob() > 1;
    }
    case DeleteSegment: {
        const TMPolygonObject* polygon = onePolygon();
        return polygon && polygon->selectedKnob() != 0 && polygon->segmentCount() > 1;
    }
    case AlignTextLeft:
    case AlignTextCenter:
    case AlignTextRight:
    case AlignTextJustified:
        return anySelected(selected, [](const TMObjectRef& object) {
            return dynamic_cast<const TMTextObject*>(object.get()) != nullptr;
        });
    case Ungroup:
        return anySelected(selected, [](const TMObjectRef& object) {
            return dynamic_cast<const TMObjectGroup*>(object.get()) != nullptr;
        });
    case ClearGuides:
        return hasGuides;
    default:
        return true;
    }
}

bool TM_TemplateView::validateMenuItemTag(int tag) const {
    // Commands wait while a gesture runs.
    if (_gesture)
        return false;
    const TemplateDocument* doc = _myDocument;
    const bool hasGuides = doc && (!doc->pageDesc()->horizontalGuides().isEmpty() ||
                                   !doc->pageDesc()->verticalGuides().isEmpty());
    return validateMenuItemTag(tag, documentObjects(), hasGuides,
                               QGuiApplication::clipboard()->mimeData());
}

bool TM_TemplateView::respondsToAction(const QString& action) const {
    if (respondsToPasteboardAction(action))
        return true;
    for (const char* known :
         {kSelectAllAction, kDeselectAction, kAlignTextAction, kToggleGuidesAction,
          kClearAllGuidesAction, kToolPaletteEquivalentAction})
        if (action == QLatin1String(known))
            return true;
    return respondsToArrangeAction(action);
}

bool TM_TemplateView::validateMenuItem(QAction& item) {
    const int tag = Commands::itemTag(&item);
    if (tag == EditorTag::ToggleGuides && _myDocument)
        item.setText(frameworkString(_myDocument->pageDesc()->showsGuides() ? kHideGuidesKey
                                                                            : kShowGuidesKey));
    return validateMenuItemTag(tag);
}

void TM_TemplateView::performAction(const QString& action, QAction* sender) {
    if (performPasteboardAction(action))
        return;
    if (action == QLatin1String(kToolPaletteEquivalentAction))
        ToolPaletteController::sharedToolPaletteController()->setCurrentTool(
            sender ? Commands::itemTag(sender) : kTMToolSelect);
    else if (action == QLatin1String(kSelectAllAction))
        selectAll();
    else if (action == QLatin1String(kDeselectAction))
        deselect();
    else if (action == QLatin1String(kAlignTextAction))
        alignTextSelection();
    else if (action == QLatin1String(kToggleGuidesAction))
        toggleGuides();
    else if (action == QLatin1String(kClearAllGuidesAction))
        clearAllGuides();
    else
        performArrangeAction(action, sender);
}

void TM_TemplateView::alignTextSelection() {
    ModalAlert::beep();
}

// ---------------------------------------------------------------------------
// Selection

QList<TMObjectRef> TM_TemplateView::selectedObjects() const {
    QList<TMObjectRef> selected;
    for (const TMObjectRef& object : documentObjects())
        if (object->selected())
            selected.append(object);
    return selected;
}

void TM_TemplateView::postSelectionDidChange() {
    NotificationCenter::defaultCenter().postNotificationName(
        QString::fromLatin1(kTemplateViewSelectionDidChangeNotification),
        static_cast<const QObject*>(this));
}

void TM_TemplateView::makeWindowKey() {
    if (QWidget* w = window(); w && w->isVisible())
        w->activateWindow();
}

void TM_TemplateView::selectAll() {
    const uint32_t held = ShiftKeyMask | AlternateKeyMask | CommandKeyMask;
    if ((CurrentEvent::modifierFlags() & held) == held) {
        // The hidden way to add print areas.
        ModalAlert::beep();
        if (Commands::targetForAction(QString::fromLatin1(kAddPrintAreasAction)) == this)
            performAction(QString::fromLatin1(kAddPrintAreasAction), nullptr);
        return;
    }
    makeWindowKey();
    bool changed = false;
    for (const TMObjectRef& object : documentObjects()) {
        if (object->selected())
            continue;
        object->setSelected(true);
        setNeedsDisplayInRect(object->visibleFrame());
        changed = true;
    }
    if (changed)
        postSelectionDidChange();
}

void TM_TemplateView::deselect() {
    makeWindowKey();
    bool changed = false;
    for (const TMObjectRef& object : documentObjects()) {
        if (!object->selected())
            continue;
        object->setSelected(false);
        setNeedsDisplayInRect(object->visibleFrame());
        changed = true;
    }
    if (changed)
        postSelectionDidChange();
}

void TM_TemplateView::deselectAllObjects() {
    for (const TMObjectRef& object : documentObjects()) {
        if (!object->selected())
            continue;
        object->setSelected(false);
        setNeedsDisplayInRect(object->visibleFrame());
        postSelectionDidChange();
    }
}

void TM_TemplateView::selectOnly(qsizetype index) {
    const QList<TMObjectRef> objects = documentObjects();
    if (index < 0 || index >= objects.size())
        return;
    deselectAllObjects();
    const TMObjectRef& target = objects.at(index);
    target->setSelected(true);
    setNeedsDisplayInRect(target->visibleFrame());
    postSelectionDidChange();
}

void TM_TemplateView::advanceSelection() {
    const QList<TMObjectRef> objects = documentObjects();
    if (objects.isEmpty())
        return;
    qsizetype last = -1;
    for (qsizetype i = 0; i < objects.size(); ++i)
        if (objects.at(i)->selected())
            last = i;
    selectOnly(last < 0 || last + 1 >= objects.size() ? 0 : last + 1);
}

void TM_TemplateView::retreatSelection() {
    const QList<TMObjectRef> objects = documentObjects();
    if (objects.isEmpty())
        return;
    qsizetype first = -1;
    for (qsizetype i = objects.size() - 1; i >= 0; --i)
        if (objects.at(i)->selected())
            first = i;
    selectOnly(first <= 0 ? objects.size() - 1 : first - 1);
}

Rect TM_TemplateView::boundsOfSelection() const {
    Rect bounds;
    const QList<TMObjectRef> objects = documentObjects();
    for (qsizetype i = objects.size() - 1; i >= 0; --i)
        if (objects.at(i)->selected())
            bounds = unionRect(bounds, objects.at(i)->frame());
    return bounds;
}

Rect TM_TemplateView::visibleBoundsOfSelection() const {
    Rect bounds;
    const QList<TMObjectRef> objects = documentObjects();
    for (qsizetype i = objects.size() - 1; i >= 0; --i)
        if (objects.at(i)->selected())
            bounds = unionRect(bounds, objects.at(i)->visibleFrame());
    return bounds;
}

Point TM_TemplateView::centerOfSelection() const {
    const Rect bounds = boundsOfSelection();
    return {bounds.midX(), bounds.midY()};
}

void TM_TemplateView::moveSelection(Point delta) {
    for (const TMObjectRef& object : selectedObjects()) {
        setNeedsDisplayInRect(object->visibleFrame());
        object->moveBy(delta);
        setNeedsDisplayInRect(object->visibleFrame());
    }
}

// ---------------------------------------------------------------------------
// Undo primitives

void TM_TemplateView::recordSelectionOriginForUndo() {
    if (!_myDocument)
        return;
    UndoManager* undo = _myDocument->undoManager();
    for (const TMObjectRef& object : selectedObjects())
        registerGeometryUndo(*undo, object);
}

void registerGeometryUndo(UndoManager& undo, const TMObjectRef& object) {
    undo.registerUndo(object.get(),
                      [object, geometry = object->geometry()] { object->setGeometry(geometry); });
}

void TM_TemplateView::assertObjectView() {
    for (const TMObjectRef& object : documentObjects())
        object->setLastDrawnInView(this);
}

void TM_TemplateView::createNewObject(const TMObjectRef& object) {
    if (!_myDocument || !object)
        return;
    object->setSelected(false);
    QPointer<TM_TemplateView> self(this);
    _myDocument->undoManager()->registerUndo(this, [self, object] {
        if (self)
            self->destroyNewObject(object);
    });
    _myDocument->addObject(object);
}

void TM_TemplateView::destroyNewObject(const TMObjectRef& object) {
    if (!_myDocument || !object)
        return;
    object->setSelected(false);
    QPointer<TM_TemplateView> self(this);
    _myDocument->undoManager()->registerUndo(this, [self, object] {
        if (self)
            self->createNewObject(object);
    });
    _myDocument->removeObject(object);
}

void TM_TemplateView::restoreObjectOrder(const QList<TMObjectRef>& objects) {
    if (!_myDocument)
        return;
    QPointer<TM_TemplateView> self(this);
    _myDocument->undoManager()->registerUndo(this, [self, order = _myDocument->objects()] {
        if (self)
            self->restoreObjectOrder(order);
    });
    _myDocument->replaceObjects(objects);
}

// ---------------------------------------------------------------------------
// Keyboard

bool TM_TemplateView::event(QEvent* event) {
    // Tab and Shift-Tab (Qt's Backtab) walk the objects, not the focus chain.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return true;
        }
    }
    return View::event(event);
}

void TM_TemplateView::moveSelectionForUndo(Point delta) {
    if (!_myDocument || selectedObjects().isEmpty())
        return;
    // One undo step per key press, however the presses fall into event passes.
    UndoManager* undo = _myDocument->undoManager();
    undo->beginUndoGrouping();
    recordSelectionOriginForUndo();
    moveSelection(delta);
    undo->endUndoGrouping();
}

void TM_TemplateView::keyPressEvent(QKeyEvent* event) {
    if (_gesture) {
        _waitingKeys.push_back(std::unique_ptr<QKeyEvent>(event->clone()));
        return;
    }
    float small = 1.0f;
    float large = 2.0f;
    if (_myDocument && _myDocument->pageDesc()->snapsToGrid()) {
        small = _myDocument->pageDesc()->gridSpacing();
        large = 2 * small;
    }
    const float step = event->modifiers() & Qt::AltModifier ? large : small;
    assertObjectView();
    const CurrentEvent::Scope current(*event);
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (respondsToAction(QString::fromLatin1(kClearAction)))
            performAction(QString::fromLatin1(kClearAction), nullptr);
        return;
    case Qt::Key_Tab:
        if (event->modifiers() & Qt::ShiftModifier)
            retreatSelection();
        else
            advanceSelection();
        return;
    case Qt::Key_Backtab:
        retreatSelection();
        return;
    case Qt::Key_Left:
        moveSelectionForUndo({-step, 0});
        return;
    case Qt::Key_Right:
        moveSelectionForUndo({step, 0});
        return;
    case Qt::Key_Down:
        moveSelectionForUndo({0, step});
        return;
    case Qt::Key_Up:
        moveSelectionForUndo({0, -step});
        return;
    default:
        View::keyPressEvent(event);
        return;
    }
}
