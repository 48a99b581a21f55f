#include "framework/inspectors/TMPolygonObjectController.h"

#include "framework/Formwell.h"
#include "framework/model/TMPolygonObject.h"

#include <QCheckBox>
#include <QSignalBlocker>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObjectController::registerControllerClass(TMPolygonObject::classObjectControllerClass(), [] {
        return std::make_unique<TMPolygonObjectController>();
    });
    return true;
}();

constexpr int kPolygonOptionsHeight = 30;

} // namespace

TMPolygonObjectController::TMPolygonObjectController() = default;

TMPolygonObjectController::~TMPolygonObjectController() {
    // The options view may be out of the palette.
    delete _polygonOptionsView;
}

QVariant TMPolygonObjectController::closedState() const {
    return propertyValue(&TMPolygonObject::closedState, _closed);
}

void TMPolygonObjectController::setClosedState(const QVariant& closed) {
    setPropertyValue(closed, &TMPolygonObject::setClosedState, _closed);
}

void TMPolygonObjectController::closedModeChanged(QObject*) {
    setClosedState(_polygonClosedSwitch->isChecked());
}

void TMPolygonObjectController::addPolygonOptionsView() {
    delete _polygonOptionsView;
    auto* view = newPalette("PolygonOptions", kPolygonOptionsHeight);
    _polygonOptionsView = view;
    _polygonClosedSwitch = new QCheckBox(frameworkString("INSP_POLYGON_CLOSED"), view);
    _polygonClosedSwitch->setObjectName(QStringLiteral("_polygonClosedSwitch"));
    _polygonClosedSwitch->setGeometry(10, 4, 220, 20);
    QObject::connect(_polygonClosedSwitch, &QCheckBox::clicked, _polygonClosedSwitch,
                     [this] { closedModeChanged(_polygonClosedSwitch); });
    appendExtensionView(_paletteView, view);
}

void TMPolygonObjectController::removePolygonOptionsView() {
    removeExtensionView(_paletteView, _polygonOptionsView);
}

void TMPolygonObjectController::setInspectedObject(const TMObjectRef& object) {
    if (object == inspectedObject())
        return;
    TMRectangleObjectController::setInspectedObject(object);
    const bool shown = isExtensionViewShown(_paletteView, _polygonOptionsView);
    if (std::dynamic_pointer_cast<TMPolygonObject>(object)) {
        if (!shown)
            addPolygonOptionsView();
    } else if (shown) {
        removePolygonOptionsView();
    }
}

void TMPolygonObjectController::updateInspectorPalette() {
    TMRectangleObjectController::updateInspectorPalette();
    if (!isExtensionViewShown(_paletteView, _polygonOptionsView))
        return;
    const QSignalBlocker quiet(_polygonClosedSwitch);
    _polygonClosedSwitch->setChecked(closedState().toBool());
}
