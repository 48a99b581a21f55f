#include "catalog/RedEyeRects.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "photoview/MagnifierController.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "utilities/GeometryUtilities.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

// The aperture menu's items, in order.
constexpr const char* kApertureItems[] = {"INCREASE_MENU_TITLE", "DECREASE_MENU_TITLE",
                                          "INCREASE_MORE_MENU_TITLE", "DECREASE_MORE_MENU_TITLE"};
constexpr int kMoreSteps = 4;

MagnifierController& loupe() {
    return *MagnifierController::sharedMagnifierController();
}

} // namespace

void PhotoView::observeRedEye() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    // Only this panel's own spots: another panel shows another photo, or none.
    center.addObserver(this, qs(kPVNewRedEyeNofity), static_cast<const QObject*>(this),
                       [this](const Notification&) { redEyeChanged(); });
    center.addObserver(this, qs(kRedEyeMagnifierClosedNofity), nullptr,
                       [this](const Notification&) { magnifierClosed(); });
}

// ---------------------------------------------------------------------------
// The mode

void PhotoView::toggleRedEyeMode() {
    toggleEditMode(PhotoEditModeRedEye, &PhotoView::showRedEyePanel, &PhotoView::closeRedEyePanel);
}

void PhotoView::showRedEyePanel() {
    loupe().setOrigin(modePanelOrigin());
    loupe().showWindow();
}

void PhotoView::closeRedEyePanel() {
    if (loupe().isVisible()) {
        redEyeMouseExited();
        loupe().close();
    }
    if (_hotSpotRect != kZeroRect) {
        unsetCursor();
        setHotSpotRect(kZeroRect);
    }
}

void PhotoView::magnifierClosed() {
    ZaroziveZodiroVirizidivi* controller = windowController();
    if (!controller || controller->editMode() != PhotoEditModeRedEye)
        return;
    closeRedEyePanel();
    controller->setEditMode(PhotoEditModeNone);
}

// ---------------------------------------------------------------------------
// Following the pointer

Rect PhotoView::redEyeTrackingRect() const {
    return _cropRect != kZeroRect ? viewCrop() : _imageFrame;
}

void PhotoView::redEyeTrack(Point point) {
    const bool inside = !_myImage.isNull() && pointInRect(point, redEyeTrackingRect());
    if (inside && !_mouseInsidePhoto)
        redEyeMouseEntered();
    else if (!inside && _mouseInsidePhoto)
        redEyeMouseExited();
    if (inside)
        redEyeMouseMoved(point);
}

void PhotoView::redEyeMouseEntered() {
    setCursor(Qt::BlankCursor);
    _mouseInsidePhoto = true;
}

void PhotoView::redEyeMouseExited() {
    _mouseInsidePhoto = false;
    loupe().updateDisplayImageWithCenter(Image(), kZeroPoint);
    setHotSpotRect(kZeroRect);
    unsetCursor();
}

void PhotoView::leaveEvent(QEvent* event) {
    View::leaveEvent(event);
    if (_mouseInsidePhoto)
        redEyeMouseExited();
}

void PhotoView::setHotSpotRect(const Rect& rect) {
    if (rect == _hotSpotRect)
        return;
    if (_hotSpotRect != kZeroRect)
        redrawViewRect(_hotSpotRect, 1);
    if (rect != kZeroRect)
        redrawViewRect(rect, 1);
    _hotSpotRect = rect;
}

void PhotoView::redEyeMouseMoved(std::optional<Point> point) {
    if (_myImage.isNull() || editMode() != PhotoEditModeRedEye || !_mouseInsidePhoto ||
        _imageFrame.isEmpty())
        return;
    const Size shown = _myImage.size();
    loupe().setDisplayScale(shown.width / _imageFrame.width() * float(_redEyeDiameter));
    _lastMagnifierPoint = point.value_or(_lastMagnifierPoint);
    loupe().updateDisplayImageWithCenter(
        _myImage, UTMapPoint(_imageFrame, {kZeroPoint, shown}, _lastMagnifierPoint));
    const int half = _redEyeDiameter / 2;
    const float d = float(_redEyeDiameter);
    setHotSpotRect(
        {_lastMagnifierPoint.x - float(half), _lastMagnifierPoint.y - float(half), d, d});
}

// ---------------------------------------------------------------------------
// Spots

void PhotoView::redEyeSelect(Point point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    // The platform's Control key (Meta to Qt) and other buttons bring the menu.
    if (_myImage.isNull() || editMode() != PhotoEditModeRedEye || !_mouseInsidePhoto ||
        button != Qt::LeftButton || (modifiers & Qt::MetaModifier) || _imageFrame.isEmpty())
        return;
    const Rect natural = _imageNaturalBounds;
    const float side = natural.width() / _imageFrame.width() * float(_redEyeDiameter);
    const Point centre = UTMapPoint(_imageFrame, natural, point);
    addRedEye(dataFromRect({centre.x - side / 2, centre.y - side / 2, side, side}));
    update();
    redEyeMouseExited();
    NotificationCenter::defaultCenter().postNotificationName(qs(kPVNewRedEyeNofity),
                                                             static_cast<const QObject*>(this));
    redEyeTrack(point);
}

void PhotoView::addRedEye(const QByteArray& spot) {
    if (_redEyeArray.isEmpty())
        _redEyeArray.append(dataFromRect(_imageNaturalBounds));
    _redEyeArray.append(spot);
}

void PhotoView::redEyeChanged() {
    const std::optional<int> index = singleSelection();
    if (!index)
        return;
    VQFileCatalog& catalog = _document->fileCatalog();
    catalog.setFileImageRedEyeAtIndexTo(*index, _redEyeArray);
    setPhotoImage(catalog.getFileImageAtIndex(*index));
    setPhotoImageSize(catalog.getFileImageSizeAtIndex(*index));
}

// ---------------------------------------------------------------------------
// The aperture

void PhotoView::setRedEyeDiameter(int diameter) {
    _redEyeDiameter = diameter;
    host().setPreferencesIntFor(diameter, PrefRedEyeAperture);
}

void PhotoView::increaseAperture() {
    if (_myImage.isNull() || editMode() != PhotoEditModeRedEye || !_mouseInsidePhoto)
        return;
    if (_redEyeDiameter < kLargestAperture)
        setRedEyeDiameter(_redEyeDiameter + 1);
    redEyeMouseMoved();
}

void PhotoView::decreaseAperture() {
    if (_myImage.isNull() || editMode() != PhotoEditModeRedEye || !_mouseInsidePhoto)
        return;
    if (_redEyeDiameter > kSmallestAperture)
        setRedEyeDiameter(_redEyeDiameter - 1);
    redEyeMouseMoved();
}

void PhotoView::increaseApertureMore() {
    for (int i = 0; i < kMoreSteps; ++i)
        increaseAperture();
}

void PhotoView::decreaseApertureMore() {
    for (int i = 0; i < kMoreSteps; ++i)
        decreaseAperture();
}

bool PhotoView::redEyeKey(int key) {
    if (_myImage.isNull() || !_mouseInsidePhoto)
        return false;
    const bool grow = key == Qt::Key_Right || key == Qt::Key_Up;
    // A key at the limit does nothing.
    if (grow ? _redEyeDiameter >= kLargestAperture : _redEyeDiameter <= kSmallestAperture)
        return true;
    setRedEyeDiameter(_redEyeDiameter + (grow ? 1 : -1));
    redEyeMouseMoved();
    return true;
}

QMenu* PhotoView::menuForEvent() {
    if (_myImage.isNull() || editMode() != PhotoEditModeRedEye || !_mouseInsidePhoto)
        return nullptr;
    if (!_apertureMenu) {
        _apertureMenu = std::make_unique<QMenu>();
        _apertureMenu->setObjectName(qs("apertureMenu"));
        _apertureMenu->setTitle(qs("Red-eye Aperture"));
        const std::function<void()> actions[] = {
            [this] { increaseAperture(); }, [this] { decreaseAperture(); },
            [this] { increaseApertureMore(); }, [this] { decreaseApertureMore(); }};
        for (int i = 0; i < 4; ++i)
            connect(_apertureMenu->addAction(localizedString(qs(kApertureItems[i]))),
                    &QAction::triggered, this, actions[i]);
    }
    const QList<QAction*> items = _apertureMenu->actions();
    const bool grow = _redEyeDiameter <= kLargestAperture - 1;
    const bool shrink = _redEyeDiameter >= kSmallestAperture + 1;
    items[0]->setEnabled(grow);
    items[2]->setEnabled(grow);
    items[1]->setEnabled(shrink);
    items[3]->setEnabled(shrink);
    return _apertureMenu.get();
}

void PhotoView::contextMenuEvent(QContextMenuEvent* event) {
    if (editMode() == PhotoEditModeRedEye && event->reason() == QContextMenuEvent::Mouse)
        redEyeTrack(boundsPointFromWidget(event->pos()));
    if (QMenu* menu = menuForEvent()) {
        event->accept();
        menu->popup(event->globalPos());
        return;
    }
    View::contextMenuEvent(event);
}
