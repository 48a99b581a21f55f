#include "framework/inspectors/VQGradientFillPanel.h"

#include "framework/Formwell.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/inspectors/SSCircularSlider.h"
#include "framework/inspectors/VQColorMarker.h"
#include "framework/inspectors/VQGradientFillWell.h"
#include "framework/inspectors/VQGradientView.h"
#include "framework/inspectors/VQGradientViewMatrix.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/AngleDial.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

constexpr uint32_t kPantherVersion = 0x1030;
constexpr double kPi = 3.141592653589793;
constexpr int kPresetCount = 8;

constexpr char kGradientActionsMenu[] = "Gradient Actions";
constexpr char kColorMarkerActionsMenu[] = "Color Marker Actions";

// Calls back when the watched widget is moved or resized.
class FrameWatcher : public QObject {
public:
    FrameWatcher(QWidget* watched, std::function<void()> changed)
        : QObject(watched), _changed(std::move(changed)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
            _changed();
        return false;
    }

private:
    std::function<void()> _changed;
};

// A number typed into a field: in the user's locale first, then as a C number.
bool readNumber(const QString& text, double& value) {
    bool ok = false;
    value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value);
}

QString angleText(float degrees) {
    return QLocale().toString(double(degrees), 'g', 6);
}

} // namespace

VQGradientFillPanel* VQGradientFillPanel::sharedGradientFillPanelController() {
    return sharedInstance<VQGradientFillPanel>();
}

VQGradientFillPanel::VQGradientFillPanel()
    : PaletteController(QStringLiteral("GradientFillPanel"), QSize(300, 324)),
      _gradientFill(VQGradientFill::stdFill()) {
    window()->setWindowTitle(frameworkString("GRADIENT_PANEL"));
    setFrameAutosaveName(QStringLiteral("_gradient_fill_window_Y"));
    ensurePresetStore();
    buildWindow();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, str(kVQColorMarkerSelectedNotification), nullptr,
                       [this](const Notification& n) { markerSelected(n); });
    observeMainWindows();
    updateDisplayedValues();
}

VQGradientFillPanel::~VQGradientFillPanel() {
    NotificationCenter::defaultCenter().removeObserver(this);
    if (_activeWell) {
        VQGradientFillWell* well = _activeWell;
        _activeWell = nullptr;
        well->deactivate();
    }
    delete _myContextMenu;
}

// ---------------------------------------------------------------------------
// Building

void VQGradientFillPanel::buildWindow() {
    QWidget* content = window();
    content->setFixedSize(300, 324);
    const auto named = [](QWidget* w, const char* name) {
        w->setObjectName(str(name));
        return w;
    };

    _fillStylePopUp = new QComboBox(content);
    named(_fillStylePopUp, "_fillStylePopUp");
    _fillStylePopUp->addItem(frameworkString("AXIAL_GRADIENT"), int(VQGradientFill::Axial));
    _fillStylePopUp->addItem(frameworkString("RADIAL_GRADIENT"), int(VQGradientFill::Radial));
    _fillStylePopUp->setGeometry(10, 12, 120, 24);
    QObject::connect(_fillStylePopUp, &QComboBox::activated, content,
                     [this] { fillStyleChanged(); });

    _axialRotationSlider = new AngleDial(content);
    named(_axialRotationSlider, "_axialRotationSlider");
    _axialRotationSlider->setGeometry(196, 4, 40, 40);
    QObject::connect(_axialRotationSlider, &QDial::valueChanged, content,
                     [this] { axialRotationChanged(_axialRotationSlider); });
    QObject::connect(_axialRotationSlider, &QDial::sliderPressed, content,
                     [this] { beginGesture(); });
    QObject::connect(_axialRotationSlider, &QDial::sliderReleased, content,
                     [this] { endGesture(); });

    _axialRotationField = new QLineEdit(content);
    named(_axialRotationField, "_axialRotationField");
    _axialRotationField->setGeometry(244, 13, 46, 22);
    QObject::connect(_axialRotationField, &QLineEdit::editingFinished, content,
                     [this] { axialRotationChanged(_axialRotationField); });

    _previewGradient = new VQGradientView(content);
    named(_previewGradient, "_previewGradient");
    _previewGradient->setGeometry(10, 48, 280, 64);
    _previewGradient->setDelegate(this);
    _previewGradient->setDrawsCompass(true);
    _previewGradient->setDragEnabled(true);
    _previewGradient->setDrawsBorder(true);

    _spectrumGradient = new VQGradientView(content);
    named(_spectrumGradient, "_spectrumGradient");
    _spectrumGradient->setGeometry(14, 124, 272, 20);
    _spectrumGradient->setDelegate(this);
    _spectrumGradient->setDrawsBorder(true);
    new FrameWatcher(_spectrumGradient, [this] { spectrumGradientFrameDidChange(); });

    _addMarkerButton = new QPushButton(QStringLiteral("+"), content);
    named(_addMarkerButton, "_addMarkerButton");
    _addMarkerButton->setGeometry(10, 180, 28, 22);
    QObject::connect(_addMarkerButton, &QPushButton::clicked, content,
                     [this] { addColorMarker(_addMarkerButton); });
    _removeMarkerButton = new QPushButton(QStringLiteral("\u2212"), content);
    named(_removeMarkerButton, "_removeMarkerButton");
    _removeMarkerButton->setGeometry(42, 180, 28, 22);
    QObject::connect(_removeMarkerButton, &QPushButton::clicked, content,
                     [this] { deleteColorMarker(); });

    // The end markers stay for the panel's life; inner ones come and go.
    const QRect s = _spectrumGradient->geometry();
    _colorMarkers.push_back(makeMarker(QPointF(s.x() + 1, s.y() + s.height()), VQColorMarker::Small,
                                       _gradientFill->colorAtStep(0).toQColor()));
    _colorMarkers.push_back(
        makeMarker(QPointF(s.x() + s.width() - 2, s.y() + s.height()), VQColorMarker::Small,
                   _gradientFill->colorAtStep(_gradientFill->steps() - 1).toQColor()));

    _presetsTable = new VQGradientViewMatrix(content);
    named(_presetsTable, "_presetsTable");
    _presetsTable->setDelegate(this);
    _presetsTable->setAction([this](VQGradientViewMatrix*) { presetSelectionMade(); });
    _presetsTable->setGeometry(10, 210, 273, 105);
    new FrameWatcher(_presetsTable, [this] { presetsTableFrameDidChange(); });
    presetsTableFrameDidChange();
}

VQColorMarker* VQGradientFillPanel::makeMarker(const QPointF& anchor, int size,
                                               const QColor& color) {
    auto* marker = new VQColorMarker(anchor, window());
    marker->setMarkerSize(size);
    marker->setColor(color);
    marker->setAction([this](VQColorMarker* m) { markerColorChanged(m); });
    marker->setDelegate(this);
    marker->show();
    return marker;
}

// ---------------------------------------------------------------------------
// Following the editor windows

QPoint VQGradientFillPanel::defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const {
    // Centred in the visible area.
    return {visibleFrame.x() + (visibleFrame.width() - frameSize.width()) / 2,
            visibleFrame.y() + (visibleFrame.height() - frameSize.height()) / 2};
}

TemplateEditorController* VQGradientFillPanel::editorOfWindow(const void* window) {
    const auto* widget = qobject_cast<const QWidget*>(static_cast<const QObject*>(window));
    return widget ? qobject_cast<TemplateEditorController*>(WindowController::forWindow(widget))
                  : nullptr;
}

const void* VQGradientFillPanel::documentOfWindow(const void* window) const {
    TemplateEditorController* controller = editorOfWindow(window);
    return controller ? controller->document() : nullptr;
}

void VQGradientFillPanel::mainWindowChanged(const Notification& notification) {
    TemplateEditorController* controller = editorOfWindow(notification.object());
    if (!controller)
        return;
    _myDocument = qobject_cast<TemplateDocument*>(controller->document());
    PaletteController::mainWindowChanged(notification);
    updateDisplayedValues();
}

void VQGradientFillPanel::mainWindowResigned(const Notification& notification) {
    if (!editorOfWindow(notification.object()))
        return;
    if (_myDocument == documentOfWindow(notification.object()))
        _myDocument = nullptr;
    // Hidden but still wanted, unless another editor window is main now.
    if (!servesMainWindow())
        PaletteController::mainWindowResigned(notification);
}

void VQGradientFillPanel::activate() {
    PaletteController::activate();
    updateDisplayedValues();
}

void VQGradientFillPanel::windowWillClose() {
    setActiveGradientFillWell(nullptr);
    PaletteController::windowWillClose();
}

// ---------------------------------------------------------------------------
// The well and the fill

void VQGradientFillPanel::setActiveGradientFillWell(VQGradientFillWell* well) {
    if (well && well == _activeWell) {
        if (well->gradientFill() == _gradientFill)
            return;
        // The well gives back each edit; a fill that is more than that echo
        // (another object's, or one restored by Undo) needs markers of its own,
        // or they would stand for steps it does not have.
        const bool echo = *well->gradientFill() == *_gradientFill;
        _gradientFill = well->gradientFill()->copy();
        updateDisplayedValues();
        if (!echo)
            rebuildMarkers();
        return;
    }
    // Cleared first, so that the old well's deactivation does not come back here.
    VQGradientFillWell* previous = _activeWell;
    _activeWell = nullptr;
    if (previous && previous != well)
        previous->deactivate();
    _activeWell = well;
    if (well) {
        _gradientFill = well->gradientFill()->copy();
        updateDisplayedValues();
    }
    rebuildMarkers();
}

VQGradientFillWell* VQGradientFillPanel::activeGradientFillWell() const {
    return _activeWell;
}

void VQGradientFillPanel::setGradientFill(const VQGradientFillRef& fill) {
    if (!fill || fill == _gradientFill)
        return;
    _gradientFill = fill;
    updateDisplayedValues();
}

void VQGradientFillPanel::changeMade() {
    if (_activeWell)
        _activeWell->setGradientFill(_gradientFill->copy());
}

void VQGradientFillPanel::beginGesture() {
    // Everything one press changes is one undo step of the served document.
    if (_gestureDocument || !_myDocument)
        return;
    _gestureDocument = _myDocument;
    _gestureDocument->undoManager()->beginUndoGrouping();
}

void VQGradientFillPanel::endGesture() {
    if (!_gestureDocument)
        return;
    _gestureDocument->undoManager()->endUndoGrouping();
    _gestureDocument = nullptr;
}

// ---------------------------------------------------------------------------
// Style and angle

void VQGradientFillPanel::fillStyleChanged() {
    _gradientFill->setKind(_fillStylePopUp->currentData().toInt());
    updateDisplayedValues();
    changeMade();
}

void VQGradientFillPanel::setAxialSliderValue(float degrees) {
    if (_ssSlider) {
        float angle = 360 - degrees;
        if (angle < 0)
            angle += 360;
        _ssSlider->setAngleAndDistance(float(angle / 180 * kPi), 1.0f);
        return;
    }
    float value = degrees + 90;
    if (value >= 360)
        value -= 360;
    const int shown = int(std::lround(value)) % 360;
    _axialRotationSlider->setDegrees(shown);
}

int VQGradientFillPanel::dialDegrees() const {
    return _axialRotationSlider->degrees();
}

float VQGradientFillPanel::axialSliderValue() const {
    if (_ssSlider) {
        float radians = 0;
        _ssSlider->getAngleAndDistance(&radians, nullptr);
        float degrees = float(360 - radians * 180 / kPi);
        if (degrees >= 360)
            degrees -= 360;
        return degrees;
    }
    float degrees = float(dialDegrees() - 90);
    if (degrees < 0)
        degrees += 360;
    return degrees;
}

void VQGradientFillPanel::axialRotationChanged(QObject* sender) {
    if (sender == _axialRotationField) {
        double value = 0;
        if (!readNumber(_axialRotationField->text(), value) || value < 0 || value >= 360)
            value = 0;
        _axialRotationField->setText(angleText(float(value)));
        _gradientFill->setAngle(float(value));
        setAxialSliderValue(float(value));
    } else {
        const float degrees = axialSliderValue();
        _gradientFill->setAngle(degrees);
        _axialRotationField->setText(angleText(degrees));
        _axialRotationField->setFocus();
    }
    updateDisplayedValues();
    changeMade();
}

void VQGradientFillPanel::showAngleControls(bool shown) {
    _axialRotationField->setVisible(shown);
    _axialRotationSlider->setVisible(shown && !_ssSlider);
    if (_ssSlider)
        _ssSlider->setVisible(shown);
}

// ---------------------------------------------------------------------------
// Display

void VQGradientFillPanel::updateDisplayedValues() {
    if (!window()->isVisible())
        return;
    // Hosts before 10.3 turn the angle with the circular slider.
    const HostServices* host = HostServices::current();
    const bool old = host && const_cast<HostServices*>(host)->osSystemVersion() < kPantherVersion;
    if (old && !_ssSlider) {
        const QPoint origin = _axialRotationSlider->geometry().topLeft();
        _ssSlider = new SSCircularSlider(QRect(origin + QPoint(-12, 7), QSize(46, 46)), window());
        _ssSlider->setObjectName(str("_ssSlider"));
        _ssSlider->setAllowsCenterPoint(false);
        _ssSlider->setAllowsNonEdgePositions(false);
        _ssSlider->setContinuous(true);
        _ssSlider->setAction([this](SSCircularSlider*) { axialRotationChanged(_ssSlider); });
    } else if (!old && _ssSlider) {
        delete _ssSlider;
        _ssSlider = nullptr;
    }
    const int style = _fillStylePopUp->findData(_gradientFill->kind());
    if (style >= 0) {
        const QSignalBlocker quiet(_fillStylePopUp);
        _fillStylePopUp->setCurrentIndex(style);
    }
    if (_gradientFill->kind() != VQGradientFill::Axial) {
        showAngleControls(false);
    } else {
        showAngleControls(true);
        if (!_axialRotationField->hasFocus())
            _axialRotationField->setText(angleText(_gradientFill->angle()));
        setAxialSliderValue(_gradientFill->angle());
    }
    drawPreviewBox();
    drawSpectrumBox();
    updateDisplayedState();
}

void VQGradientFillPanel::updateDisplayedState() {
    if (!window()->isVisible())
        return;
    _addMarkerButton->setEnabled(int(_colorMarkers.size()) < VQGradientFill::maxSteps());
    const int s = selectedMarkerIdx();
    _removeMarkerButton->setEnabled(s > 0 && s < int(_colorMarkers.size()) - 1);
}

void VQGradientFillPanel::drawPreviewBox() {
    _previewGradient->setGradientFill(_gradientFill);
    _previewGradient->update();
}

void VQGradientFillPanel::drawSpectrumBox() {
    VQGradientFillRef spectrum = _gradientFill->copy();
    spectrum->setKind(VQGradientFill::Axial);
    spectrum->setAngle(0);
    _spectrumGradient->setGradientFill(spectrum);
    _spectrumGradient->update();
}

QPointF VQGradientFillPanel::anchorForWeight(float weight) const {
    const QRect s = _spectrumGradient->geometry();
    return {s.x() + 1 + (s.width() - 2) * double(weight), double(s.y() + s.height())};
}

void VQGradientFillPanel::rebuildMarkers() {
    while (_colorMarkers.size() >= 3) {
        delete _colorMarkers[1];
        _colorMarkers.erase(_colorMarkers.begin() + 1);
    }
    const int steps = _gradientFill->steps();
    _colorMarkers.front()->setColor(_gradientFill->colorAtStep(0).toQColor());
    _colorMarkers.front()->setSelected(false);
    _colorMarkers.back()->setColor(_gradientFill->colorAtStep(steps - 1).toQColor());
    _colorMarkers.back()->setSelected(false);
    for (int i = 1; i <= steps - 2; ++i)
        _colorMarkers.insert(_colorMarkers.begin() + i,
                             makeMarker(anchorForWeight(_gradientFill->weightAtStep(i)),
                                        VQColorMarker::Medium,
                                        _gradientFill->colorAtStep(i).toQColor()));
    _selectedColorMarkerIndex = -1;
    updateDisplayedState();
}

void VQGradientFillPanel::spectrumGradientFrameDidChange() {
    const int count = std::min(int(_colorMarkers.size()), _gradientFill->steps());
    for (int i = 0; i < count; ++i)
        _colorMarkers[size_t(i)]->setAnchorPoint(anchorForWeight(_gradientFill->weightAtStep(i)));
}

// ---------------------------------------------------------------------------
// Markers

int VQGradientFillPanel::indexOfMarker(const VQColorMarker* marker) const {
    const auto found = std::find(_colorMarkers.begin(), _colorMarkers.end(), marker);
    return found == _colorMarkers.end() ? -1 : int(found - _colorMarkers.begin());
}

int VQGradientFillPanel::selectedMarkerIdx() const {
    for (size_t i = 0; i < _colorMarkers.size(); ++i)
        if (_colorMarkers[i]->selected())
            return int(i);
    return -1;
}

VQColorMarker* VQGradientFillPanel::colorMarkerAtMousePos(const QPoint& point) const {
    const int count = std::min(int(_colorMarkers.size()), _gradientFill->steps());
    for (int i = 0; i < count; ++i)
        if (_colorMarkers[size_t(i)]->geometry().contains(point))
            return _colorMarkers[size_t(i)];
    return nullptr;
}

void VQGradientFillPanel::markerSelected(const Notification& notification) {
    const auto* marker =
        qobject_cast<const VQColorMarker*>(static_cast<const QObject*>(notification.object()));
    if (!marker || marker->window() != window())
        return;
    _selectedColorMarkerIndex = indexOfMarker(marker);
    updateDisplayedState();
}

void VQGradientFillPanel::offsetColorMarkerBy(VQColorMarker* marker, float dx, float) {
    const int i = indexOfMarker(marker);
    // Only inner markers move, and only sideways, never onto a neighbour.
    if (i <= 0 || i >= int(_colorMarkers.size()) - 1)
        return;
    const QPointF anchor = marker->anchorPoint();
    const double x = anchor.x() + double(dx);
    const double left = std::trunc(_colorMarkers[size_t(i - 1)]->anchorPoint().x());
    const double right = std::trunc(_colorMarkers[size_t(i + 1)]->anchorPoint().x());
    if (!(x > left && x < right))
        return;
    marker->setAnchorPoint(QPointF(x, anchor.y()));
    const QRect s = _spectrumGradient->geometry();
    _gradientFill->setWeightAtStep(float((x - s.x()) / s.width()), i);
    updateDisplayedValues();
    changeMade();
}

void VQGradientFillPanel::colorMarkerTrackingBegan(VQColorMarker*) {
    beginGesture();
}

void VQGradientFillPanel::colorMarkerTrackingEnded(VQColorMarker*) {
    endGesture();
}

void VQGradientFillPanel::markerColorChanged(VQColorMarker* marker) {
    const int i = indexOfMarker(marker);
    if (i < 0 || i >= _gradientFill->steps() || !marker->color().isValid())
        return;
    _gradientFill->setColorAtStep(Color::fromQColor(marker->color()), i);
    updateDisplayedValues();
    changeMade();
}

void VQGradientFillPanel::addColorMarker(QObject* sender) {
    const int count = int(_colorMarkers.size());
    if (count >= VQGradientFill::maxSteps())
        return;
    const auto x = [this](int i) { return _colorMarkers[size_t(i)]->anchorPoint().x(); };
    const auto y = [this](int i) { return _colorMarkers[size_t(i)]->anchorPoint().y(); };
    const int s = selectedMarkerIdx();
    int index = -1;
    QPointF at;
    if (sender == _addMarkerButton) {
        index = s >= 1 ? s : 1;
        at = QPointF((x(index - 1) + x(index)) / 2, y(index - 1));
    } else if (sender == _addItem) {
        const double px = _colorMarkerInsertionPoint.x();
        if (px < x(0) || px > x(count - 1))
            return;
        index = 0;
        while (index < count && x(index) <= px)
            ++index;
        const QRect spectrum = _spectrumGradient->geometry();
        at = QPointF(px, spectrum.y() + spectrum.height());
    } else if (sender == _addBeforeItem) {
        if (s < 1 || s > count - 1)
            return;
        index = s;
        at = QPointF((x(s - 1) + x(s)) / 2, y(s));
    } else if (sender == _addAfterItem) {
        if (s < 0 || s > count - 2)
            return;
        index = s + 1;
        at = QPointF((x(s) + x(s + 1)) / 2, y(s + 1));
    }
    if (index < 1 || index >= count)
        return;
    const QRect spectrum = _spectrumGradient->geometry();
    const float weight = float((at.x() - spectrum.x()) / spectrum.width());
    // The fill's own colour at the new place, so that the look stays as it was.
    const Color color = _gradientFill->colorWithWeight(weight);
    VQColorMarker* marker = makeMarker(at, VQColorMarker::Medium, color.toQColor());
    _colorMarkers.insert(_colorMarkers.begin() + index, marker);
    marker->setSelected(true);
    _gradientFill->insertColorWithWeightAtStep(color, weight, index);
    updateDisplayedState();
}

void VQGradientFillPanel::deleteColorMarker() {
    const int s = selectedMarkerIdx();
    if (s <= 0 || s >= int(_colorMarkers.size()) - 1)
        return;
    _gradientFill->removeStep(s);
    delete _colorMarkers[size_t(s)];
    _colorMarkers.erase(_colorMarkers.begin() + s);
    _selectedColorMarkerIndex = -1;
    updateDisplayedValues();
    changeMade();
}

void VQGradientFillPanel::editColorMarker() {
    const int s = _selectedColorMarkerIndex;
    if (s >= 0 && s < int(_colorMarkers.size()))
        _colorMarkers[size_t(s)]->editColor();
}

// ---------------------------------------------------------------------------
// Context menus

QMenu* VQGradientFillPanel::menuForEvent(QWidget* source, const QPoint& point) {
    const QPoint p = source->mapTo(window(), point);
    auto* marker = qobject_cast<VQColorMarker*>(source);
    const int steps = _gradientFill->steps();
    if (source == _spectrumGradient) {
        if (!_myContextMenu || _markerMenuKept) {
            delete _myContextMenu;
            _myContextMenu = new QMenu(str(kGradientActionsMenu));
            _markerMenuKept = false;
            _addItem = _myContextMenu->addAction(frameworkString("ADD_COLORMARKER"));
            QObject::connect(_addItem, &QAction::triggered, _myContextMenu,
                             [this] { addColorMarker(_addItem); });
            _addBeforeItem = nullptr;
            _addAfterItem = nullptr;
        }
        const bool room = steps < VQGradientFill::maxSteps();
        _addItem->setEnabled(room);
        if (room)
            _colorMarkerInsertionPoint = p;
        return _myContextMenu;
    }
    const int index = indexOfMarker(marker);
    if (index < 0)
        return nullptr;
    if (!_myContextMenu || !_markerMenuKept) {
        delete _myContextMenu;
        _myContextMenu = new QMenu(str(kColorMarkerActionsMenu));
        _markerMenuKept = true;
        QMenu* menu = _myContextMenu;
        QAction* edit = menu->addAction(frameworkString("EDIT_COLORMARKER"));
        edit->setObjectName(str("EDIT_COLORMARKER"));
        QObject::connect(edit, &QAction::triggered, menu, [this] { editColorMarker(); });
        menu->addSeparator();
        _addBeforeItem = menu->addAction(frameworkString("ADD_COLORMARKER_BEFORE"));
        _addBeforeItem->setObjectName(str("ADD_COLORMARKER_BEFORE"));
        QObject::connect(_addBeforeItem, &QAction::triggered, menu,
                         [this] { addColorMarker(_addBeforeItem); });
        _addAfterItem = menu->addAction(frameworkString("ADD_COLORMARKER_AFTER"));
        _addAfterItem->setObjectName(str("ADD_COLORMARKER_AFTER"));
        QObject::connect(_addAfterItem, &QAction::triggered, menu,
                         [this] { addColorMarker(_addAfterItem); });
        menu->addSeparator();
        QAction* remove = menu->addAction(frameworkString("DELETE_COLORMARKER"));
        remove->setObjectName(str("DELETE_COLORMARKER"));
        QObject::connect(remove, &QAction::triggered, menu, [this] { deleteColorMarker(); });
        _addItem = nullptr;
    }
    _selectedColorMarkerIndex = index;
    const QList<QAction*> items = _myContextMenu->actions();
    for (QAction* item : items)
        item->setEnabled(true);
    const auto disable = [&](const char* name) {
        for (QAction* item : items)
            if (item->objectName() == str(name))
                item->setEnabled(false);
    };
    if (steps >= VQGradientFill::maxSteps()) {
        disable("ADD_COLORMARKER_BEFORE");
        disable("ADD_COLORMARKER_AFTER");
    }
    if (index == 0) {
        disable("ADD_COLORMARKER_BEFORE");
        disable("DELETE_COLORMARKER");
    }
    if (index == int(_colorMarkers.size()) - 1) {
        disable("ADD_COLORMARKER_AFTER");
        disable("DELETE_COLORMARKER");
    }
    return _myContextMenu;
}

// ---------------------------------------------------------------------------
// Presets

QString VQGradientFillPanel::presetKey(int row, int column) {
    return QString::asprintf("%04d:%04d", row, column);
}

QVariantMap VQGradientFillPanel::storedPresets() {
    const QVariant root = Unarchiver::unarchiveObject(
        UserDefaults::standardUserDefaults().dataForKey(str(kGradientPresetsKey)));
    return root.metaType() == QMetaType::fromType<QVariantMap>() ? root.toMap() : QVariantMap();
}

void VQGradientFillPanel::ensurePresetStore() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QVariant root =
        Unarchiver::unarchiveObject(defaults.dataForKey(str(kGradientPresetsKey)));
    // Anything but a dictionary is no store at all.
    if (root.metaType() == QMetaType::fromType<QVariantMap>())
        return;
    QVariantMap presets;
    for (int column = 0; column < kPresetCount; ++column) {
        VQGradientFillRef fill = VQGradientFill::stdFill();
        fill->setAngle(float(column * 45));
        presets.insert(presetKey(0, column), variantFromObject(fill));
    }
    defaults.setObjectForKey(Archiver::archivedData(presets), str(kGradientPresetsKey));
}

void VQGradientFillPanel::presetsTableFrameDidChange() {
    const QSize size = _presetsTable->size();
    _presetColumns = int(float(size.width()) / VQGradientViewMatrix::kCellSide + 1);
    _presetRows = int(float(size.height()) / VQGradientViewMatrix::kCellSide + 1);
    _presetsTable->renewRowsColumns(_presetRows, _presetColumns);
    ensurePresetStore();
    const QVariantMap presets = storedPresets();
    for (int r = 0; r < _presetRows; ++r)
        for (int c = 0; c < _presetColumns; ++c) {
            // A value that is no fill is an empty cell.
            const VQGradientFillRef fill =
                objectFromVariantAs<VQGradientFill>(presets.value(presetKey(r, c)));
            _presetsTable->cellAtRowColumn(r, c)->setRepresentedObject(fill ? fill->copy()
                                                                            : nullptr);
        }
    _presetsTable->update();
}

void VQGradientFillPanel::cellDidChangeAtRowColumnOfMatrix(int row, int column,
                                                           VQGradientViewMatrix* matrix) {
    if (matrix != _presetsTable)
        return;
    const VQGradientViewCell* cell = matrix->cellAtRowColumn(row, column);
    if (!cell)
        return;
    ensurePresetStore();
    QVariantMap presets = storedPresets();
    if (cell->representedObject())
        presets.insert(presetKey(row, column),
                       variantFromObject(cell->representedObject()->copy()));
    else
        presets.remove(presetKey(row, column));
    UserDefaults::standardUserDefaults().setObjectForKey(Archiver::archivedData(presets),
                                                         str(kGradientPresetsKey));
}

void VQGradientFillPanel::presetSelectionMade() {
    const VQGradientFillRef fill = _presetsTable->selectedFill();
    if (!fill)
        return;
    _previewGradient->setGradientFill(fill);
    gradientViewDragConcluded(_previewGradient);
}

void VQGradientFillPanel::gradientViewDragConcluded(VQGradientView* view) {
    if (!view || !view->gradientFill())
        return;
    // A copy: the panel's edits must never reach the preset's own fill.
    _gradientFill = view->gradientFill()->copy();
    changeMade();
    rebuildMarkers();
    updateDisplayedValues();
}
