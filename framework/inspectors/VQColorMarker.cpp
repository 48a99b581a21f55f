#include "framework/inspectors/VQColorMarker.h"

#include "framework/editor/InspectorController.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/inspectors/VQGradientDelegate.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Resources.h"
#include "platform/graphics/Color.h"
#include "platform/ui/ColorPanel.h"
#include "platform/ui/ColorWell.h"

#include <QColorDialog>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>

#include <cmath>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const QRect kStandardWellRect(3, 6, 9, 20);
// The size of a marker whose image is missing.
constexpr QSize kFallbackSize(15, 30);

QImage markerImage(int size, bool selected) {
    return Resources::cachedApplicationImageNamed(
        QString::fromLatin1(size == VQColorMarker::Small ? "SMarker" : "MMarker") +
        (selected ? QStringLiteral("H") : QString()));
}

} // namespace

VQColorMarker::VQColorMarker(const QPointF& anchor, QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setToDefaults();
    _anchorPoint = anchor;
    anchorAtPoint(anchor);
    NotificationCenter::defaultCenter().addObserver(
        this, str(kVQColorMarkerSelectedNotification), nullptr,
        [this](const Notification& notification) { markerSelected(notification); });
    connect(ColorPanel::sharedColorPanel()->dialog(), &QColorDialog::currentColorChanged, this,
            [this] { colorPanelDidChange(); });
}

VQColorMarker::~VQColorMarker() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void VQColorMarker::setToDefaults() {
    _markerSize = Medium;
    _anchorPoint = QPointF();
    _wellRect = kStandardWellRect;
    takeImage();
}

void VQColorMarker::takeImage() {
    _image = markerImage(_markerSize, _selected);
    resize(_image.isNull() ? kFallbackSize : _image.size());
    update();
}

void VQColorMarker::setColor(const QColor& color) {
    if (color == _wellColor)
        return;
    _wellColor = color;
    update();
}

void VQColorMarker::setMarkerSize(int size) {
    if (size == _markerSize)
        return;
    _markerSize = size;
    if (size != Small && size != Medium)
        return;
    _wellRect = kStandardWellRect;
    takeImage();
    anchorAtPoint(_anchorPoint);
}

void VQColorMarker::setAnchorPoint(const QPointF& anchor) {
    if (anchor == _anchorPoint)
        return;
    _anchorPoint = anchor;
    anchorAtPoint(anchor);
}

void VQColorMarker::anchorAtPoint(const QPointF& anchor) {
    // The top centre on the anchor: the marker hangs below it.
    move(int(std::lround(anchor.x() - width() / 2.0)), int(std::lround(anchor.y())));
    update();
}

void VQColorMarker::setSelected(bool selected) {
    if (selected == _selected)
        return;
    _selected = selected;
    takeImage();
    if (selected)
        NotificationCenter::defaultCenter().postNotificationName(
            str(kVQColorMarkerSelectedNotification), static_cast<const QObject*>(this));
}

void VQColorMarker::markerSelected(const Notification& notification) {
    const auto* other =
        qobject_cast<const VQColorMarker*>(static_cast<const QObject*>(notification.object()));
    if (other && other != this && other->window() == window())
        setSelected(false);
}

void VQColorMarker::colorPanelDidChange() {
    if (_selected && !_settingUpPanel)
        colorChanged();
}

void VQColorMarker::colorChanged() {
    const QColor chosen = ColorPanel::sharedColorPanel()->color();
    if (chosen == _wellColor)
        return;
    setColor(chosen);
    if (_myAction)
        _myAction(this);
}

void VQColorMarker::setupColorPanel() {
    // No inspector's colour well and no other well may take what is chosen now.
    InspectorController::sharedInspectorController()->deactivateColorWells(this);
    ColorWell::clearColorPanelTarget();
    // The panel reports the colour it is given, rounded to its own
    // precision: that is not the user's choice, and must not change the step.
    if (_wellColor.isValid()) {
        const QScopedValueRollback settingUp(_settingUpPanel, true);
        ColorPanel::sharedColorPanel()->setColor(_wellColor);
    }
}

void VQColorMarker::editColor() {
    setupColorPanel();
    ColorPanel::sharedColorPanel()->orderFront();
}

void VQColorMarker::clickDetected() {
    if (!ColorPanel::sharedColorPanel()->isVisible())
        editColor();
    else
        setupColorPanel();
}

// ---------------------------------------------------------------------------
// Tracking

void VQColorMarker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setSelected(true);
    _tracking = true;
    _lastGlobalPoint = event->globalPosition();
    _lastPoint =
        parentWidget() ? parentWidget()->mapFromGlobal(_lastGlobalPoint) : _lastGlobalPoint;
    if (_myDelegate)
        _myDelegate->colorMarkerTrackingBegan(this);
    _periodicTimer.start();
}

void VQColorMarker::mouseMoveEvent(QMouseEvent* event) {
    if (_tracking)
        trackTo(event->globalPosition());
}

void VQColorMarker::mouseReleaseEvent(QMouseEvent* event) {
    if (!_tracking || event->button() != Qt::LeftButton)
        return;
    trackTo(event->globalPosition());
    endTracking();
    // Every press and release, moved or not, leaves the colour panel set up
    // for this marker.
    clickDetected();
}

void VQColorMarker::trackTo(const QPointF& globalPoint) {
    _lastGlobalPoint = globalPoint;
    const QPointF p = parentWidget() ? parentWidget()->mapFromGlobal(globalPoint) : globalPoint;
    if (p == _lastPoint)
        return;
    const QPointF delta = p - _lastPoint;
    _lastPoint = p;
    if (_myDelegate)
        _myDelegate->offsetColorMarkerBy(this, float(delta.x()), float(delta.y()));
}

void VQColorMarker::endTracking() {
    _periodicTimer.stop();
    _tracking = false;
    if (_myDelegate)
        _myDelegate->colorMarkerTrackingEnded(this);
}

void VQColorMarker::contextMenuEvent(QContextMenuEvent* event) {
    setSelected(true);
    QMenu* menu = _myDelegate ? _myDelegate->menuForEvent(this, event->pos()) : nullptr;
    if (!menu) {
        event->ignore();
        return;
    }
    menu->popup(event->globalPos());
}

void VQColorMarker::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (_wellColor.isValid())
        painter.fillRect(_wellRect.intersected(event->rect()), _wellColor);
    if (!_image.isNull()) {
        painter.drawImage(0, 0, _image);
    } else {
        painter.setPen(_selected ? palette().color(QPalette::Highlight)
                                 : palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// ---------------------------------------------------------------------------
// Copies and archives

VQColorMarker* VQColorMarker::copy(QWidget* parent) const {
    auto* marker = new VQColorMarker(_anchorPoint, parent);
    marker->setMarkerSize(_markerSize);
    marker->_wellRect = _wellRect;
    marker->_wellColor = _wellColor;
    marker->_myAction = _myAction;
    marker->_myDelegate = _myDelegate;
    return marker;
}

QByteArray VQColorMarker::archivedData() const {
    QVariantMap dictionary;
    if (_wellColor.isValid())
        dictionary.insert(str(kVQCMColorKey), QVariant::fromValue(Color::fromQColor(_wellColor)));
    dictionary.insert(str(kVQCMSizeKey), qint32(_markerSize));
    dictionary.insert(str(kVQCMAnchorKey), stringFromPoint(Point::fromQPointF(_anchorPoint)));
    dictionary.insert(str(kVQCMWellKey), stringFromRect(Rect::fromQRectF(QRectF(_wellRect))));
    return Archiver::archivedData(dictionary);
}

bool VQColorMarker::initWithArchivedData(const QByteArray& data) {
    const QVariant root = Unarchiver::unarchiveObject(data);
    if (root.metaType() != QMetaType::fromType<QVariantMap>())
        return false;
    const QVariantMap dictionary = root.toMap();
    setToDefaults();
    const QVariant color = dictionary.value(str(kVQCMColorKey));
    if (color.metaType() == QMetaType::fromType<Color>())
        setColor(color.value<Color>().toQColor());
    if (dictionary.contains(str(kVQCMSizeKey)))
        setMarkerSize(dictionary.value(str(kVQCMSizeKey)).toInt());
    if (dictionary.contains(str(kVQCMAnchorKey)))
        _anchorPoint =
            pointFromString(dictionary.value(str(kVQCMAnchorKey)).toString()).toQPointF();
    if (dictionary.contains(str(kVQCMWellKey)))
        _wellRect =
            rectFromString(dictionary.value(str(kVQCMWellKey)).toString()).toQRectF().toRect();
    anchorAtPoint(_anchorPoint);
    _myAction = {};
    _myDelegate = nullptr;
    return true;
}
