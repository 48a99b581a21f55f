// The canvas's arrange, centre, scale, group, segment, align and print-area
// commands.

#include "framework/Formwell.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/Commands.h"
#include "platform/ui/ModalAlert.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

struct ActionRow {
    const char* action;
    int command;
};

enum Command {
    BringToFront,
    MoveForward,
    MoveBackward,
    SendToBack,
    Center,
    Scale,
    Group,
    Ungroup,
    AddSegments,
    InsertSegment,
    DeleteSegment,
    Align,
    AddPrintAreas,
    AddHGuide,
    AddVGuide,
};

constexpr ActionRow kArrangeActions[] = {
    {"addSegments:", AddSegments},
    {"addHGuide:", AddHGuide},
    {"addVGuide:", AddVGuide},
    {"bringToFront:", BringToFront},
    {"moveForward:", MoveForward},
    {"moveBackward:", MoveBackward},
    {"sendToBack:", SendToBack},
    {"centerObjects:", Center},
    {"scaleByPercent:", Scale},
    {"group:", Group},
    {"ungroup:", Ungroup},
    {"insertSegment:", InsertSegment},
    {"deleteSegment:", DeleteSegment},
    {"alignSelection:", Align},
    {"addPrintAreas:", AddPrintAreas},
};

int arrangeCommand(const QString& action) {
    for (const ActionRow& row : kArrangeActions)
        if (action == QLatin1String(row.action))
            return row.command;
    return -1;
}

// The scale sheet's controls, found by name.
constexpr char kScalePercentageField[] = "scalePercentageField";
constexpr char kScaleAxisPopUp[] = "scaleAxisPopUp";
constexpr char kScaleAxisOkButton[] = "scaleAxisOkButton";
constexpr char kScaleAxisCancelButton[] = "scaleAxisCancelButton";

// A percentage as the user types it, in their locale or as a C number.
double typedNumber(const QString& text) {
    bool ok = false;
    double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

QDialog* makeScaleSheet(QWidget* parent) {
    auto* sheet = new QDialog(parent, Qt::Sheet);
    sheet->setObjectName(QStringLiteral("ScaleByPercent"));
    auto* field = new QLineEdit(QStringLiteral("100"), sheet);
    field->setObjectName(QLatin1String(kScalePercentageField));
    auto* axis = new QComboBox(sheet);
    axis->setObjectName(QLatin1String(kScaleAxisPopUp));
    // The item data is the axis mask: 1 height, 2 width.
    axis->addItem(frameworkString("SCALE_BOTH_AXES"), 3);
    axis->addItem(frameworkString("SCALE_WIDTH_ONLY"), 2);
    axis->addItem(frameworkString("SCALE_HEIGHT_ONLY"), 1);
    auto* ok = new QPushButton(frameworkString("SCALE_OK"), sheet);
    ok->setObjectName(QLatin1String(kScaleAxisOkButton));
    ok->setDefault(true);
    auto* cancel = new QPushButton(frameworkString("SCALE_CANCEL"), sheet);
    cancel->setObjectName(QLatin1String(kScaleAxisCancelButton));

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(frameworkString("SCALE_BY"), sheet));
    row->addWidget(field);
    row->addWidget(new QLabel(QStringLiteral("%"), sheet));
    row->addWidget(axis);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    auto* column = new QVBoxLayout(sheet);
    column->addLayout(row);
    column->addLayout(buttons);

    // OK only while the number is at least one percent.
    QObject::connect(field, &QLineEdit::textChanged, ok,
                     [ok](const QString& text) { ok->setEnabled(typedNumber(text) >= 1.0); });
    QObject::connect(ok, &QPushButton::clicked, sheet, [sheet] { sheet->done(1); });
    QObject::connect(cancel, &QPushButton::clicked, sheet, [sheet] { sheet->done(0); });
    return sheet;
}

} // namespace

bool TM_TemplateView::respondsToArrangeAction(const QString& action) {
    return arrangeCommand(action) >= 0;
}

void TM_TemplateView::performArrangeAction(const QString& action, QAction* sender) {
    const int tag = sender ? Commands::itemTag(sender) : 0;
    switch (arrangeCommand(action)) {
    case BringToFront:
        bringToFront();
        return;
    case MoveForward:
        moveForward();
        return;
    case MoveBackward:
        moveBackward();
        return;
    case SendToBack:
        sendToBack();
        return;
    case Center:
        centerObjects(tag);
        return;
    case Scale:
        scaleByPercent();
        return;
    case Group:
        group();
        return;
    case Ungroup:
        ungroup();
        return;
    case AddSegments:
        addSegments();
        return;
    case AddHGuide:
        addHGuide();
        return;
    case AddVGuide:
        addVGuide();
        return;
    case InsertSegment:
        insertSegment();
        return;
    case DeleteSegment:
        deleteSegment();
        return;
    case Align:
        alignSelection(tag);
        return;
    case AddPrintAreas:
        addPrintAreas();
        return;
    default:
        return;
    }
}

void TM_TemplateView::nameUndoAction(const char* key) {
    if (_myDocument)
        _myDocument->undoManager()->setActionName(frameworkString(key));
}

// ---------------------------------------------------------------------------
// Stacking order

namespace {

// The unselected objects and the selected ones, each in their order.
QList<TMObjectRef> partitioned(const QList<TMObjectRef>& objects, bool selectedFirst) {
    QList<TMObjectRef> selected;
    QList<TMObjectRef> others;
    for (const TMObjectRef& object : objects)
        (object->selected() ? selected : others).append(object);
    return selectedFirst ? selected + others : others + selected;
}

} // namespace

void TM_TemplateView::bringToFront() {
    if (!_myDocument)
        return;
    restoreObjectOrder(partitioned(_myDocument->objects(), false));
    nameUndoAction("BRFRONT");
    update();
}

void TM_TemplateView::sendToBack() {
    if (!_myDocument)
        return;
    restoreObjectOrder(partitioned(_myDocument->objects(), true));
    nameUndoAction("SDBACK");
    update();
}

void TM_TemplateView::moveForward() {
    if (!_myDocument)
        return;
    QList<TMObjectRef> order = _myDocument->objects();
    const qsizetype n = order.size();
    if (n < 2)
        return;
    bool swapped = false;
    bool met = false;
    // From the top down, so that a run of selected objects rises as a block.
    for (qsizetype i = n - 1; i >= 1; --i) {
        if (order.at(i)->selected()) {
            met = true;
        } else if (order.at(i - 1)->selected()) {
            order.swapItemsAt(i, i - 1);
            swapped = true;
        }
    }
    if (swapped) {
        restoreObjectOrder(order);
        nameUndoAction("MVFWD");
        update();
    } else if (met) {
        ModalAlert::beep();
    }
}

void TM_TemplateView::moveBackward() {
    if (!_myDocument)
        return;
    QList<TMObjectRef> order = _myDocument->objects();
    const qsizetype n = order.size();
    if (n < 2)
        return;
    bool swapped = false;
    bool met = false;
    for (qsizetype i = 0; i <= n - 2; ++i) {
        if (order.at(i)->selected()) {
            met = true;
        } else if (order.at(i + 1)->selected()) {
            order.swapItemsAt(i, i + 1);
            swapped = true;
        }
    }
    if (swapped) {
        restoreObjectOrder(order);
        nameUndoAction("MVBACK");
        update();
    } else if (met) {
        ModalAlert::beep();
    }
}

// ---------------------------------------------------------------------------
// Centre and scale

void TM_TemplateView::centerObjects(int tag) {
    // The page in points at every zoom: the bounds, not the scaled frame.
    const Rect page = bounds();
    recordSelectionOriginForUndo();
    for (const TMObjectRef& object : selectedObjects()) {
        const Rect frame = object->frame();
        Point delta;
        if (tag == EditorTag::CenterVertically)
            delta = {0, page.midY() - frame.midY()};
        else if (tag == EditorTag::CenterHorizontally)
            delta = {page.midX() - frame.midX(), 0};
        else
            continue;
        setNeedsDisplayInRect(object->visibleFrame());
        object->moveBy(delta);
        setNeedsDisplayInRect(object->visibleFrame());
    }
    nameUndoAction("CENTER");
}

QDialog* TM_TemplateView::scaleWindow() const {
    return _scaleWindow;
}

void TM_TemplateView::scaleByPercent() {
    if (selectedObjects().isEmpty() || _scaleWindow)
        return;
    QDialog* sheet = makeScaleSheet(window());
    _scaleWindow = sheet;
    QPointer<TM_TemplateView> self(this);
    ModalAlert::beginDialogSheet(
        window(), *sheet, [self, sheet = QPointer<QDialog>(sheet)](int code) {
            if (!sheet)
                return;
            const auto* field = sheet->findChild<QLineEdit*>(QLatin1String(kScalePercentageField));
            const auto* axis = sheet->findChild<QComboBox*>(QLatin1String(kScaleAxisPopUp));
            const auto* ok = sheet->findChild<QPushButton*>(QLatin1String(kScaleAxisOkButton));
            const float percent = float(typedNumber(field->text()));
            const int mask = axis->currentData().toInt();
            // An answer of OK counts only while OK could be pressed.
            const int returnCode = code != 0 && ok->isEnabled() ? 1 : 0;
            sheet->hide();
            sheet->deleteLater();
            if (self)
                self->scaleByPercentDidEnd(returnCode, percent, mask);
        });
}

void TM_TemplateView::scaleByPercentDidEnd(int returnCode, float percent, int axisMask) {
    if (returnCode == 0 || !_myDocument)
        return;
    makeWindowKey();
    const float factor = percent * 0.01f;
    UndoManager* undo = _myDocument->undoManager();
    bool changed = false;
    for (const TMObjectRef& object : selectedObjects()) {
        Size size = object->size();
        if (axisMask & 1)
            size.height *= factor;
        if (axisMask & 2)
            size.width *= factor;
        if (size == object->size())
            continue;
        registerGeometryUndo(*undo, object);
        setNeedsDisplayInRect(object->visibleFrame());
        object->setSize(size);
        setNeedsDisplayInRect(object->visibleFrame());
        changed = true;
    }
    if (changed)
        nameUndoAction("SCALE");
}

// ---------------------------------------------------------------------------
// Groups

void TM_TemplateView::group() {
    makeWindowKey();
    const QList<TMObjectRef> selected = selectedObjects();
    if (!selected.isEmpty())
        groupObjects(selected);
}

void TM_TemplateView::groupObjects(const QList<TMObjectRef>& members) {
    if (!_myDocument || members.isEmpty())
        return;
    QList<TMObjectRef> order;
    for (const TMObjectRef& object : _myDocument->objects())
        if (!members.contains(object))
            order.append(object);
    for (const TMObjectRef& member : members) {
        setNeedsDisplayInRect(member->visibleFrame());
        member->setSelected(false);
    }
    TMObjectGroupRef group = TMObjectGroup::newTemplateObject();
    group->setGroupedObjects(members);
    group->setParentDocument(_myDocument);
    group->setSelected(true);
    order.append(group);
    // One replacement renumbers the objects and tells the document's observers.
    _myDocument->replaceObjects(order);
    setNeedsDisplayInRect(group->visibleFrame());
    postSelectionDidChange();

    UndoManager* undo = _myDocument->undoManager();
    QPointer<TM_TemplateView> self(this);
    undo->registerUndo(this, [self, group] {
        if (self)
            self->ungroupObject(group);
    });
    if (!undo->isUndoing())
        nameUndoAction("GROUP");
}

void TM_TemplateView::ungroup() {
    makeWindowKey();
    for (const TMObjectRef& object : selectedObjects())
        if (auto group = std::dynamic_pointer_cast<TMObjectGroup>(object))
            ungroupObject(group);
}

void TM_TemplateView::ungroupObject(const TMObjectGroupRef& group) {
    if (!_myDocument || !group)
        return;
    QList<TMObjectRef> order = _myDocument->objects();
    const qsizetype index = order.indexOf(group);
    if (index < 0)
        return;
    const QList<TMObjectRef> members = group->groupedObjects();
    setNeedsDisplayInRect(group->visibleFrame());
    order.removeAt(index);
    for (qsizetype i = 0; i < members.size(); ++i) {
        const TMObjectRef& member = members.at(i);
        member->setParentDocument(_myDocument);
        member->setSelected(true);
        order.insert(index + i, member);
    }
    _myDocument->replaceObjects(order);
    for (const TMObjectRef& member : members)
        setNeedsDisplayInRect(member->visibleFrame());
    NotificationCenter::defaultCenter().postNotificationName(
        QString::fromLatin1(kTemplateViewObjectDeletedNotification),
        static_cast<const void*>(group.get()));
    postSelectionDidChange();

    UndoManager* undo = _myDocument->undoManager();
    QPointer<TM_TemplateView> self(this);
    undo->registerUndo(this, [self, members] {
        if (self)
            self->groupObjects(members);
    });
    if (!undo->isUndoing())
        nameUndoAction("UNGROUP");
}

// ---------------------------------------------------------------------------
// Segments

namespace {

TMPolygonObject* firstSelectedPolygon(const QList<TMObjectRef>& selected) {
    return selected.isEmpty() ? nullptr : dynamic_cast<TMPolygonObject*>(selected.first().get());
}

} // namespace

void TM_TemplateView::addSegments() {
    const QList<TMObjectRef> selected = selectedObjects();
    if (!firstSelectedPolygon(selected) || !_myDocument)
        return;
    const TMObjectRef object = selected.first();
    registerGeometryUndo(*_myDocument->undoManager(), object);
    recreateObject(object);
    nameUndoAction("RESIZE");
}

void TM_TemplateView::insertSegment() {
    changeSegment(&TMPolygonObject::insertSegment);
}

void TM_TemplateView::deleteSegment() {
    changeSegment(&TMPolygonObject::deleteSegment);
}

void TM_TemplateView::changeSegment(void (TMPolygonObject::*change)()) {
    const QList<TMObjectRef> selected = selectedObjects();
    TMPolygonObject* polygon = firstSelectedPolygon(selected);
    if (!polygon || !_myDocument)
        return;
    const TMObjectRef object = selected.first();
    registerGeometryUndo(*_myDocument->undoManager(), object);
    setNeedsDisplayInRect(object->visibleFrame());
    (polygon->*change)();
    setNeedsDisplayInRect(object->visibleFrame());
    nameUndoAction("RESIZE");
}

// ---------------------------------------------------------------------------
// Align and print areas

void TM_TemplateView::alignSelection(int tag) {
    const QList<TMObjectRef> selected = selectedObjects();
    recordSelectionOriginForUndo();
    float minX = 99999, maxX = -99999, minY = 99999, maxY = -99999;
    double sumMidX = 0, sumMidY = 0;
    for (const TMObjectRef& object : selected) {
        const Rect f = object->frame();
        minX = std::min(minX, f.minX());
        maxX = std::max(maxX, f.maxX());
        minY = std::min(minY, f.minY());
        maxY = std::max(maxY, f.maxY());
        sumMidX += f.minX() + f.width() * 0.5;
        sumMidY += f.minY() + f.height() * 0.5;
    }
    const qsizetype n = selected.size();
    const float meanMidX = n ? float(sumMidX / double(n)) : 0.0f;
    const float meanMidY = n ? float(sumMidY / double(n)) : 0.0f;
    for (const TMObjectRef& object : selected) {
        const Rect f = object->frame();
        Point delta;
        switch (tag) {
        case EditorTag::AlignLeft:
            delta = {minX - f.minX(), 0};
            break;
        case EditorTag::AlignRight:
            delta = {maxX - f.maxX(), 0};
            break;
        case EditorTag::AlignTop:
            delta = {0, minY - f.minY()};
            break;
        case EditorTag::AlignBottom:
            delta = {0, maxY - f.maxY()};
            break;
        case EditorTag::AlignHorizontalCenters:
            delta = {0, meanMidY - (f.minY() + f.height() * 0.5f)};
            break;
        case EditorTag::AlignVerticalCenters:
            delta = {meanMidX - (f.minX() + f.width() * 0.5f), 0};
            break;
        default:
            continue;
        }
        setNeedsDisplayInRect(object->visibleFrame());
        object->moveBy(delta);
        setNeedsDisplayInRect(object->visibleFrame());
    }
    nameUndoAction("ALIGN");
}

void TM_TemplateView::addPrintAreas() {
    if (!_myDocument)
        return;
    UndoManager* undo = _myDocument->undoManager();
    // One undo step brings back the old objects, print areas and all.
    undo->beginUndoGrouping();
    deselectAllObjects();
    const QList<TMObjectRef> before = _myDocument->objects();
    QList<TMObjectRef> order;
    QList<Rect> cells;
    for (const TMObjectRef& object : before) {
        if (dynamic_cast<TMPrintAreaObject*>(object.get())) {
            setNeedsDisplayInRect(object->visibleFrame());
            continue;
        }
        order.append(object);
        if (dynamic_cast<TMPhotoObject*>(object.get()))
            cells.append(object->frame());
    }
    QList<TMObjectRef> areas;
    for (const Rect& cell : cells) {
        TMPrintAreaObjectRef area =
            TMPrintAreaObject::newTemplateObjectWithOriginSize(cell.origin, cell.size);
        area->setParentDocument(_myDocument);
        area->setCutMarksState(false);
        area->setSelected(true);
        areas.append(area);
    }
    // At the back, as sending the new selection to the back would put them.
    restoreObjectOrder(areas + order);
    for (const TMObjectRef& area : areas)
        setNeedsDisplayInRect(area->visibleFrame());
    if (!areas.isEmpty())
        postSelectionDidChange();
    nameUndoAction("ADD_PRINT_AREAS");
    undo->endUndoGrouping();
}

// ---------------------------------------------------------------------------
// Guide commands

void TM_TemplateView::addHGuide() {
    addGuide(RulerView::Orientation::Horizontal);
}

void TM_TemplateView::addVGuide() {
    addGuide(RulerView::Orientation::Vertical);
}

void TM_TemplateView::addGuide(RulerView::Orientation orientation) {
    RulerView* target = ruler(orientation);
    if (!target) {
        ModalAlert::beep();
        return;
    }
    const bool horizontal = orientation == RulerView::Orientation::Horizontal;
    const QList<float> guides = horizontal ? horizontalGuides() : verticalGuides();
    // The page in points, whatever the zoom.
    const float extent = horizontal ? bounds().width() : bounds().height();
    float place = 72;
    QList<float> tried;
    // Each place is tried once: every taken place is another guide, so one
    // more try than there are guides finds a free place unless the cycle
    // came back to its start.
    for (qsizetype attempt = 0; attempt <= guides.size(); ++attempt) {
        if (tried.contains(place))
            break;
        if (!guides.contains(place)) {
            target->addMarker(makeGuideMarker(orientation, place));
            guidesChangedInRuler();
            return;
        }
        tried.append(place);
        place += 18;
        if (place > extent)
            place -= extent - 6;
    }
    ModalAlert::beep();
}
