#include "framework/editor/GeometryController.h"

#include "framework/Formwell.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/inspectors/SSCircularSlider.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/AngleDial.h"

#include <QCheckBox>
#include <QDial>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace {

constexpr char kSelectionChanged[] = "TemplateViewSelectionDidChangeNotification";
constexpr uint32_t kPantherVersion = 0x1030;
constexpr float kDegreesPerRadian = float(180.0 / M_PI);

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// The number at the start of a field's text, read as it is shown: in the
// user's locale first, then as a C number. Non-finite numbers are not numbers.
bool readNumber(const QString& text, double& value) {
    QString number = text.trimmed();
    qsizetype end = 0;
    while (end < number.size() &&
           (number.at(end).isDigit() || QStringLiteral("+-.,eE").contains(number.at(end))))
        ++end;
    number.truncate(end);
    bool ok = false;
    value = QLocale().toDouble(number, &ok);
    if (!ok)
        value = QLocale::c().toDouble(number, &ok);
    return ok && std::isfinite(value);
}

float fieldNumber(const QLineEdit* field) {
    double value = 0;
    return field && readNumber(field->text(), value) ? float(value) : 0.0f;
}

struct AnchorRow {
    int tag;
    const char* key;
};
constexpr AnchorRow kAnchors[] = {{0, "ANC_CENTER"},
                                  {1, "ANC_UPPER_LEFT"},
                                  {3, "ANC_UPPER_RIGHT"},
                                  {2, "ANC_LOWER_LEFT"},
                                  {4, "ANC_LOWER_RIGHT"}};

void setLockState(QCheckBox* box, int32_t mask) {
    box->setCheckState(mask == 0 ? Qt::Unchecked : mask == 3 ? Qt::Checked : Qt::PartiallyChecked);
}

} // namespace

GeometryController* GeometryController::sharedGeometryController() {
    return sharedInstance<GeometryController>();
}

GeometryController::GeometryController()
    : PaletteController(QStringLiteral("Geometry"), QSize(260, 150)) {
    window()->setWindowTitle(frameworkString("GEOMETRY"));
    setFrameAutosaveName(QStringLiteral("_geometry_window_Y"));
    buildStandardPalette();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, str(kSelectionChanged), nullptr, [this](const Notification& n) {
        if (_editingTemplateView && n.object() == static_cast<const QObject*>(_editingTemplateView))
            scheduleUpdate();
    });
    center.addObserver(this, str(kTemplateViewObjectCreatedNotification), nullptr,
                       [this](const Notification& n) {
                           if (_editingTemplateView &&
                               n.object() == static_cast<const QObject*>(_editingTemplateView))
                               activatePalette();
                       });
    center.addObserver(this, str(kTemplateViewObjectDeletedNotification), nullptr,
                       [this](const Notification& n) {
                           if (_geometryObject && n.object() == _geometryObject.get()) {
                               _geometryObject.reset();
                               scheduleUpdate();
                           }
                       });
    center.addObserver(this, str(kTemplateObjectChangedNofity), nullptr,
                       [this](const Notification& n) {
                           if (!_editingTemplateView)
                               return;
                           for (const TMObjectRef& object : _editingTemplateView->selectedObjects())
                               if (object.get() == n.object()) {
                                   updatePaletteValues();
                                   scheduleUpdate();
                                   return;
                               }
                       });
    center.addObserver(this, str(kPageDescUnitsChangedNotification), nullptr,
                       [this](const Notification&) {
                           if (!_editingTemplateView)
                               return;
                           updatePaletteValues();
                           setupPopupMenus();
                       });
    observeMainWindows();
    activatePalette();
}

GeometryController::~GeometryController() {
    NotificationCenter::defaultCenter().removeObserver(this);
    delete _usMenu;
    delete _metricMenu;
    delete _anchorPtsMenu;
}

QPoint GeometryController::defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const {
    // 116 points from the left, 10 above the bottom of the visible area.
    return {116, visibleFrame.y() + visibleFrame.height() - frameSize.height() - 10};
}

TemplateEditorController* GeometryController::editorOfWindow(const void* window) {
    const auto* widget = qobject_cast<const QWidget*>(static_cast<const QObject*>(window));
    return widget ? qobject_cast<TemplateEditorController*>(WindowController::forWindow(widget))
                  : nullptr;
}

const void* GeometryController::documentOfWindow(const void* window) const {
    TemplateEditorController* controller = editorOfWindow(window);
    return controller ? controller->document() : nullptr;
}

// The palette follows the main editor window's canvas and comes up with it
// when wanted; it hides only when no editor window is main any more.
void GeometryController::mainWindowChanged(const Notification& notification) {
    if (TemplateEditorController* controller = editorOfWindow(notification.object())) {
        setEditingTemplateView(controller->templateView());
        PaletteController::mainWindowChanged(notification);
    }
}

void GeometryController::mainWindowResigned(const Notification& notification) {
    if (!editorOfWindow(notification.object()))
        return;
    setEditingTemplateView(nullptr);
    if (!servesMainWindow())
        PaletteController::mainWindowResigned(notification);
}

bool GeometryController::canShow() const {
    return _editingTemplateView != nullptr;
}

void GeometryController::setEditingTemplateView(TM_TemplateView* view) {
    _editingTemplateView = view;
    scheduleUpdate();
}

void GeometryController::scheduleUpdate() {
    // Rebuilt once, at the end of this pass of the event loop.
    if (_needsUpdate)
        return;
    _needsUpdate = true;
    QTimer::singleShot(0, window(), [this] {
        if (!_needsUpdate)
            return;
        _needsUpdate = false;
        activatePalette();
    });
}

TemplateDocument* GeometryController::document() const {
    return _geometryObject ? qobject_cast<TemplateDocument*>(_geometryObject->parentDocument())
                           : nullptr;
}

// ---------------------------------------------------------------------------
// Building

void GeometryController::buildStandardPalette() {
    QWidget* content = window();
    _standardPalette = new QWidget(content);
    _standardPalette->setObjectName(str("standardPalette"));
    auto* grid = new QGridLayout(_standardPalette);
    const auto field = [this](int tag) {
        auto* f = new QLineEdit(_standardPalette);
        f->setProperty("tag", tag);
        QObject::connect(f, &QLineEdit::editingFinished, f, [this, f] { geometryChanged(f); });
        return f;
    };
    const auto lock = [this](int tag) {
        auto* box = new QCheckBox(_standardPalette);
        box->setProperty("tag", tag);
        QObject::connect(box, &QCheckBox::clicked, box, [this, box] {
            // A mixed switch clicked is on.
            if (box->checkState() == Qt::PartiallyChecked)
                box->setCheckState(Qt::Checked);
            geometryLocked(box);
        });
        return box;
    };
    _anchorPopUp = new QToolButton(_standardPalette);
    _anchorPopUp->setPopupMode(QToolButton::InstantPopup);
    _anchorLabel = new QLabel(_standardPalette);
    _xField = field(AnchorX);
    _yField = field(AnchorY);
    _controlLock = lock(ControlPointLock);
    _sizePresetPopUp = new QToolButton(_standardPalette);
    _sizePresetPopUp->setPopupMode(QToolButton::InstantPopup);
    _widthField = field(Width);
    _heightField = field(Height);
    _sizeLock = lock(SizeLock);
    _rotationField = field(Rotation);
    _dial = new AngleDial(_standardPalette);
    _dial->setProperty("tag", RotationSlider);
    _dial->setFixedSize(40, 40);
    QObject::connect(_dial, &QDial::sliderReleased, _dial, [this] { geometryChanged(_dial); });
    QObject::connect(_dial, &QDial::valueChanged, _dial, [this] {
        if (!_dial->isSliderDown())
            geometryChanged(_dial);
    });
    _rotationLock = lock(RotationLock);

    grid->addWidget(_anchorPopUp, 0, 0);
    grid->addWidget(_anchorLabel, 0, 1);
    grid->addWidget(_xField, 0, 2);
    grid->addWidget(_yField, 0, 3);
    grid->addWidget(_controlLock, 0, 4);
    grid->addWidget(_sizePresetPopUp, 1, 0);
    grid->addWidget(_widthField, 1, 2);
    grid->addWidget(_heightField, 1, 3);
    grid->addWidget(_sizeLock, 1, 4);
    grid->addWidget(_dial, 2, 0, 1, 2);
    grid->addWidget(_rotationField, 2, 2);
    grid->addWidget(_rotationLock, 2, 4);
    _standardPalette->hide();

    _messageView = new QLabel(content);
    _messageView->setAlignment(Qt::AlignCenter);
    QFont font = _messageView->font();
    font.setPointSize(18);
    _messageView->setFont(font);
    _messageView->setStyleSheet(str("color: lightgray; background: transparent;"));
    _messageView->hide();
}

QWidget* GeometryController::control(int tag) const {
    switch (tag) {
    case AnchorX:
        return _xField;
    case AnchorY:
        return _yField;
    case ControlPointLock:
        return _controlLock;
    case Width:
        return _widthField;
    case Height:
        return _heightField;
    case SizeLock:
        return _sizeLock;
    case Rotation:
        return _rotationField;
    case RotationSlider:
        return _ssSlider ? static_cast<QWidget*>(_ssSlider) : _dial;
    case RotationLock:
        return _rotationLock;
    default:
        return nullptr;
    }
}

QString GeometryController::message() const {
    return _messageView->isVisible() || !_messageView->isHidden() ? _messageView->text()
                                                                  : QString();
}

void GeometryController::activatePalette() {
    const QList<TMObjectRef> selected =
        _editingTemplateView ? _editingTemplateView->selectedObjects() : QList<TMObjectRef>();
    QWidget* content = window();
    if (selected.size() == 1) {
        _geometryObject = selected.first();
        _messageView->hide();
        _standardPalette->setGeometry(content->rect());
        _standardPalette->show();
    } else {
        _geometryObject.reset();
        _standardPalette->hide();
        // A strip the window's width, 24 high, centred and moved down by 10.
        _messageView->setGeometry(0, content->height() / 2 - 12 + 10, content->width(), 24);
        _messageView->setText(frameworkString(selected.isEmpty() ? "No Objects Selected"
                                                                 : "Multiple Objects Selected"));
        _messageView->show();
    }
    updatePaletteValues();
    setupPopupMenus();
}

// ---------------------------------------------------------------------------
// Values

void GeometryController::updatePaletteValues() {
    if (_geometryObject && !_standardPalette->isHidden()) {
        if (!_ssSlider && HostServices::current() &&
            HostServices::current()->osSystemVersion() < kPantherVersion) {
            const QPoint origin = _dial->geometry().topLeft();
            _ssSlider = new SSCircularSlider(QRect(origin + QPoint(-12, 10), QSize(50, 50)),
                                             _standardPalette);
            _ssSlider->setAllowsCenterPoint(false);
            _ssSlider->setAllowsNonEdgePositions(false);
            _ssSlider->setContinuous(true);
            _ssSlider->setAction([this](SSCircularSlider*) { geometryChanged(_ssSlider); });
            _dial->hide();
            _ssSlider->show();
        }
        const TMObjectRef& object = _geometryObject;
        if (TemplateDocument* doc = document()) {
            const PageDescRef& page = doc->pageDesc();
            const Point anchor = anchorPt();
            _xField->setText(page->convertPointToDisplayUnit(anchor.x));
            _yField->setText(page->convertPointToDisplayUnit(anchor.y));
            _widthField->setText(page->convertPointToDisplayUnit(object->size().width));
            _heightField->setText(page->convertPointToDisplayUnit(object->size().height));
            _rotationField->setText(QLocale().toString(double(object->rotation()), 'g', 6));
            setSliderValue(object->rotation());
        }
        const int32_t control = object->lockedControlPtMask();
        setLockState(_controlLock, control);
        _xField->setEnabled(control == 0);
        _yField->setEnabled(control == 0);
        _anchorPopUp->setEnabled(control == 0);
        _controlLock->setEnabled(object->supportsControlPtLock());

        const int32_t size = object->lockedSizeMask();
        setLockState(_sizeLock, size);
        _widthField->setEnabled(size == 0);
        _heightField->setEnabled(size == 0);
        _sizePresetPopUp->setEnabled(size == 0);
        _sizeLock->setEnabled(object->supportsSizeLock());

        QWidget* dial = this->control(RotationSlider);
        if (!object->supportsRotation()) {
            _rotationLock->setEnabled(false);
            _rotationField->setEnabled(false);
            dial->setEnabled(false);
        } else {
            _rotationLock->setEnabled(true);
            _rotationLock->setChecked(object->rotationLocked());
            _rotationField->setEnabled(!object->rotationLocked());
            dial->setEnabled(!object->rotationLocked());
            if (_ssSlider)
                _ssSlider->setEnabled(!object->rotationLocked());
        }
        _rotationLock->setEnabled(_rotationLock->isEnabled() && object->supportsRotationLock());
    }
    recordDisplayedValues();
}

void GeometryController::recordDisplayedValues() {
    if (_geometryObject && !_standardPalette->isHidden()) {
        _displayedObjWidth = fieldNumber(_widthField);
        _displayedObjHeight = fieldNumber(_heightField);
        _displayedObjCtrlX = fieldNumber(_xField);
        _displayedObjCtrlY = fieldNumber(_yField);
        _displayedObjRotation = fieldNumber(_rotationField);
    } else {
        _displayedObjWidth = _displayedObjHeight = _displayedObjCtrlX = _displayedObjCtrlY =
            _displayedObjRotation = 0;
    }
}

Point GeometryController::anchorPt() const {
    if (!_geometryObject)
        return {0, 0};
    const Rect f = _geometryObject->frame();
    switch (_curAnchorPt) {
    case 0:
        return _geometryObject->center();
    case 1:
        return {f.minX(), f.minY()};
    case 3:
        return {f.minX() + f.width(), f.minY()};
    case 2:
        return {f.minX(), f.minY() + f.height()};
    case 4:
        return {f.minX() + f.width(), f.minY() + f.height()};
    default:
        return {0, 0};
    }
}

void GeometryController::setAnchorPt(Point p) {
    if (!_geometryObject)
        return;
    if (_curAnchorPt == 0) {
        _geometryObject->setCenter(p);
        return;
    }
    const Point anchor = anchorPt();
    const Point center = _geometryObject->center();
    _geometryObject->setCenter({p.x - anchor.x + center.x, p.y - anchor.y + center.y});
}

float GeometryController::sliderValue() const {
    if (_ssSlider) {
        float angle = 0;
        _ssSlider->getAngleAndDistance(&angle, nullptr);
        float value = 360 - angle * kDegreesPerRadian + 90;
        if (value >= 360)
            value -= 360;
        return value;
    }
    return float(_dial->degrees());
}

void GeometryController::setSliderValue(float degrees) {
    if (_ssSlider) {
        float angle = 90 - degrees;
        if (angle < 0)
            angle += 360;
        _ssSlider->setAngleAndDistance(angle / kDegreesPerRadian, 1.0f);
        return;
    }
    _dial->setDegrees(int(std::lround(degrees)));
}

void GeometryController::registerGeometryUndo(const char* actionKey) {
    TemplateDocument* doc = document();
    if (!doc)
        return;
    const TMObjectRef object = _geometryObject;
    ::registerGeometryUndo(*doc->undoManager(), object);
    doc->undoManager()->setActionName(frameworkString(actionKey));
}

void GeometryController::geometryChanged(QWidget* sender) {
    if (!_geometryObject || !sender)
        return;
    const int tag = sender == _ssSlider ? int(RotationSlider) : sender->property("tag").toInt();
    const auto* field = qobject_cast<QLineEdit*>(sender);
    if (tag == Rotation || tag == RotationSlider) {
        if (_geometryObject->rotationLocked())
            return;
        double value = 0;
        if (tag == RotationSlider)
            value = sliderValue();
        else if (!field || !readNumber(field->text(), value))
            return;
        // A remainder, not repeated steps: any finite number ends at once;
        // whole turns above 360 stay 360.
        if (value > 360) {
            value = std::fmod(value, 360.0);
            if (value == 0)
                value = 360;
        } else if (value < -360) {
            value = std::fmod(value, 360.0);
        }
        if (value < 0)
            value += 360;
        if (float(value) == _displayedObjRotation)
            return;
        registerGeometryUndo("ROTATION");
        _geometryObject->setRotation(float(value));
        if (tag == RotationSlider)
            _rotationField->setText(QLocale().toString(value, 'g', 6));
        updatePaletteValues();
        return;
    }
    if (tag != AnchorX && tag != AnchorY && tag != Width && tag != Height)
        return;
    TemplateDocument* doc = document();
    double number = 0;
    if (!doc || !field || !readNumber(field->text(), number))
        return;
    const float n = float(number);
    const float points = doc->pageDesc()->convertDisplayUnitToPoint(n);
    const float shown = tag == AnchorX   ? _displayedObjCtrlX
                        : tag == AnchorY ? _displayedObjCtrlY
                        : tag == Width   ? _displayedObjWidth
                                         : _displayedObjHeight;
    if (n == shown)
        return;
    Point anchor = anchorPt();
    Size size = _geometryObject->size();
    if (tag == AnchorX || tag == AnchorY) {
        registerGeometryUndo("MOVE");
        (tag == AnchorX ? anchor.x : anchor.y) = points;
        setAnchorPt(anchor);
    } else {
        registerGeometryUndo("RESIZE");
        (tag == Width ? size.width : size.height) = points;
        _geometryObject->setSize(size);
    }
    updatePaletteValues();
}

void GeometryController::geometryLocked(QAbstractButton* sender) {
    if (!_geometryObject || !sender)
        return;
    auto* box = qobject_cast<QCheckBox*>(sender);
    const bool on = box ? box->checkState() != Qt::Unchecked : sender->isChecked();
    switch (sender->property("tag").toInt()) {
    case ControlPointLock:
        if ((on ? 3 : 0) == _geometryObject->lockedControlPtMask())
            return;
        registerGeometryUndo("OBJECT_LOCK");
        _geometryObject->setLockedControlPtMask(on ? 3 : 0);
        break;
    case SizeLock:
        if ((on ? 3 : 0) == _geometryObject->lockedSizeMask())
            return;
        registerGeometryUndo("OBJECT_LOCK");
        _geometryObject->setLockedSizeMask(on ? 3 : 0);
        break;
    case RotationLock:
        if (on == _geometryObject->rotationLocked())
            return;
        registerGeometryUndo("OBJECT_LOCK");
        _geometryObject->setRotationLocked(on);
        break;
    default:
        return;
    }
    updatePaletteValues();
}

// ---------------------------------------------------------------------------
// Menus

void GeometryController::setupPopupMenus() {
    TemplateDocument* doc = document();
    _sizePresetPopUp->setMenu(doc ? menuForUnits(doc->pageDesc()->displayUnit()) : nullptr);
    if (!_anchorPtsMenu) {
        _anchorPtsMenu = new QMenu;
        _anchorPtsMenu->addSeparator();
        for (const AnchorRow& row : kAnchors) {
            QAction* item = _anchorPtsMenu->addAction(frameworkString(row.key));
            item->setData(row.tag);
            const int tag = row.tag;
            QObject::connect(item, &QAction::triggered, item,
                             [this, tag] { anchorPtChanged(tag); });
        }
    }
    _anchorPopUp->setMenu(_anchorPtsMenu);
    _anchorPopUp->setText(str(" "));
    _sizePresetPopUp->setText(str(" "));
}

QMenu* GeometryController::menuForUnits(const QString& unit) {
    const bool metric = unit == str("Centimeters");
    QMenu*& menu = metric ? _metricMenu : _usMenu;
    if (menu)
        return menu;
    menu = new QMenu(str(metric ? "Metric Sizes" : "US Sizes"));
    menu->addSeparator();
    const QStringList metricSizes{str("9 x 13"),  str("10 x 15"), str("13 x 18"),
                                  str("20 x 25"), QString(),      str("13 x 9"),
                                  str("15 x 10"), str("18 x 13"), str("25 x 20")};
    const QStringList usSizes{str("3 x 4"),  str("4 x 5"), str("4 x 6"), str("5 x 7"),
                              str("8 x 10"), QString(),    str("4 x 3"), str("5 x 4"),
                              str("6 x 4"),  str("7 x 5"), str("10 x 8")};
    for (const QString& title : metric ? metricSizes : usSizes) {
        if (title.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        QAction* item = menu->addAction(title);
        QObject::connect(item, &QAction::triggered, item,
                         [this, title] { sizePresetChanged(title); });
    }
    return menu;
}

void GeometryController::anchorPtChanged(int tag) {
    if (tag == _curAnchorPt)
        return;
    _curAnchorPt = tag;
    _anchorLabel->setText(frameworkString(QStringLiteral("ANC_ABBREV_%1").arg(tag)));
    updatePaletteValues();
    _xField->setFocus();
}

void GeometryController::sizePresetChanged(const QString& title) {
    const QStringList parts = title.split(str(" x "));
    if (parts.size() != 2)
        return;
    // The numbers count in the page's display unit, whatever it is.
    _widthField->setText(QLocale().toString(parts.at(0).toDouble()));
    geometryChanged(_widthField);
    // Two steps, width then height: the pass's own group ends after the width.
    if (TemplateDocument* doc = document()) {
        UndoManager* undo = doc->undoManager();
        if (undo->groupsByEvent() && undo->groupingLevel() == 1)
            undo->endUndoGrouping();
    }
    _heightField->setText(QLocale().toString(parts.at(1).toDouble()));
    geometryChanged(_heightField);
    _widthField->setFocus();
}
