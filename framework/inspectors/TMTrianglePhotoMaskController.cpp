#include "framework/inspectors/TMTrianglePhotoMaskController.h"

#include "framework/Formwell.h"
#include "framework/model/TMTrianglePhotoMask.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMTrianglePhotoMaskController"),
        [] { return std::make_unique<TMTrianglePhotoMaskController>(); });
    return true;
}();

} // namespace

namespace {

QComboBox* popUp(QWidget* palette, const char* name, int top,
                 std::initializer_list<std::pair<const char*, int>> items) {
    auto* pop = new QComboBox(palette);
    pop->setObjectName(QString::fromLatin1(name));
    pop->setGeometry(74, top - 1, 176, 24);
    for (const auto& [key, tag] : items)
        pop->addItem(frameworkString(key), tag);
    return pop;
}

void selectTag(QComboBox* pop, int tag) {
    const QSignalBlocker quiet(pop);
    pop->setCurrentIndex(pop->findData(tag));
}

} // namespace

TMTrianglePhotoMaskController::TMTrianglePhotoMaskController()
    : TMOvalPhotoMaskController(QStringLiteral("TriangleMaskPalette"), 2) {
    addLabel("_styleLabel", "INSP_MASK_STYLE", 0);
    _stylePopUp = popUp(paletteView(), "_stylePopUp", rowTop(0),
                        {{"INSP_TRIANGLE_ISOSCELES", 0}, {"INSP_TRIANGLE_RIGHT", 1}});
    QObject::connect(_stylePopUp, &QComboBox::activated, _stylePopUp,
                     [this] { styleChanged(_stylePopUp); });
    addLabel("_edgeLabel", "INSP_MASK_EDGE", 1);
    _edgePopUp = popUp(paletteView(), "_edgePopUp", rowTop(1),
                       {{"INSP_EDGE_BOTTOM", 0},
                        {"INSP_EDGE_TOP", 1},
                        {"INSP_EDGE_LEFT", 2},
                        {"INSP_EDGE_RIGHT", 3}});
    QObject::connect(_edgePopUp, &QComboBox::activated, _edgePopUp,
                     [this] { edgeChanged(_edgePopUp); });
}

QString TMTrianglePhotoMaskController::nibName() const {
    return QStringLiteral("TriangleMaskPalette");
}

QVariant TMTrianglePhotoMaskController::triangleStyle() const {
    return maskValue(&TMTrianglePhotoMask::triangleStyle, _style);
}

void TMTrianglePhotoMaskController::setTriangleStyle(const QVariant& style) {
    setMaskValue(style, &TMTrianglePhotoMask::setTriangleStyle, _style);
}

QVariant TMTrianglePhotoMaskController::triangleEdge() const {
    return maskValue(&TMTrianglePhotoMask::triangleEdge, _edge);
}

void TMTrianglePhotoMaskController::setTriangleEdge(const QVariant& edge) {
    setMaskValue(edge, &TMTrianglePhotoMask::setTriangleEdge, _edge);
}

void TMTrianglePhotoMaskController::styleChanged(QObject*) {
    setTriangleStyle(_stylePopUp->currentData().toInt());
    updateInspectorPalette();
}

void TMTrianglePhotoMaskController::edgeChanged(QObject*) {
    setTriangleEdge(_edgePopUp->currentData().toInt());
    updateInspectorPalette();
}

void TMTrianglePhotoMaskController::updateInspectorPalette() {
    selectTag(_stylePopUp, triangleStyle().toInt());
    selectTag(_edgePopUp, triangleEdge().toInt());
    _stylePopUp->setEnabled(enabled());
    _edgePopUp->setEnabled(enabled());
    TMOvalPhotoMaskController::updateInspectorPalette();
}
