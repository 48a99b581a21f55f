#include "framework/inspectors/TMShapeObjectController.h"

#include "framework/Formwell.h"
#include "framework/inspectors/TMShadowSection.h"
#include "framework/inspectors/VQGradientFillWell.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TMUtilities.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Stepper.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

template <class T> T* named(T* widget, const char* name, QRect frame) {
    widget->setObjectName(str(name));
    widget->setGeometry(frame);
    return widget;
}

constexpr QSize kMenuImageSize{48, 18};

QPixmap blankMenuImage() {
    QPixmap image(kMenuImageSize);
    image.fill(Qt::transparent);
    return image;
}

QPixmap strokeImage(int width) {
    QPixmap image = blankMenuImage();
    QPainter painter(&image);
    painter.fillRect(QRect(4, (kMenuImageSize.height() - width) / 2, 40, width), Qt::black);
    return image;
}

// A thick end of a line over its thin centre line, as the cap draws it.
QPixmap capImage(Qt::PenCapStyle cap) {
    QPixmap image = blankMenuImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkGray, 10, Qt::SolidLine, cap));
    painter.drawLine(QPointF(4, 9), QPointF(32, 9));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(QPointF(4, 9), QPointF(32, 9));
    return image;
}

// A thick corner, as the join draws it.
QPixmap joinImage(Qt::PenJoinStyle join) {
    QPixmap image = blankMenuImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath corner;
    corner.moveTo(8, 17);
    corner.lineTo(24, 5);
    corner.lineTo(40, 17);
    painter.setPen(QPen(Qt::darkGray, 6, Qt::SolidLine, Qt::FlatCap, join));
    painter.drawPath(corner);
    return image;
}

QPixmap pixmapOf(const Image& image) {
    return QPixmap::fromImage(image.toQImage());
}

// A pull-down: a button with a menu whose first item is its title, never shown.
QToolButton* newPullDown(QWidget* parent, const char* name, QRect frame) {
    auto* button = named(new QToolButton(parent), name, frame);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setIconSize({32, 14});
    auto* menu = new QMenu(button);
    // Room for the pictures of the strokes and patterns.
    menu->setStyleSheet(QStringLiteral("QMenu { icon-size: 40px; }"));
    button->setMenu(menu);
    menu->addAction(QString())->setVisible(false);
    return button;
}

void check(QAbstractButton* button, bool checked) {
    const QSignalBlocker quiet(button);
    button->setChecked(checked);
}

} // namespace

const QStringList& TMShapeObjectController::dashPatterns() {
    static const QStringList patterns{str("0"),    str("1-1"),     str("2-2"),
                                      str("4-4"),  str("8-8"),     str("5-3"),
                                      str("10-6"), str("9-2-3-2"), str("10-5-4-5")};
    return patterns;
}

QIcon TMShapeObjectController::shapeMenuIcon(const QString& name) {
    if (name.startsWith(str("Stroke"))) {
        bool ok = false;
        const int width = name.mid(6).toInt(&ok);
        return ok && width >= 1 && width <= 8 ? QIcon(strokeImage(width)) : QIcon();
    }
    static const QHash<QString, Qt::PenCapStyle> caps{{str("CapButt"), Qt::FlatCap},
                                                      {str("CapRound"), Qt::RoundCap},
                                                      {str("CapSquare"), Qt::SquareCap}};
    static const QHash<QString, Qt::PenJoinStyle> joins{{str("JoinMiter"), Qt::MiterJoin},
                                                        {str("JoinRound"), Qt::RoundJoin},
                                                        {str("JoinBevel"), Qt::BevelJoin}};
    if (caps.contains(name))
        return QIcon(capImage(caps.value(name)));
    if (joins.contains(name))
        return QIcon(joinImage(joins.value(name)));
    return {};
}

QString TMShapeObjectController::dashPatternText(const QString& pattern) {
    if (pattern == QLatin1String(kSolidDashPattern))
        return frameworkString("SOLID");
    return TM_LocalizeDecimalString(pattern);
}

TMShapeObjectController::TMShapeObjectController() = default;

TMShapeObjectController::~TMShapeObjectController() {
    delete _paletteView;
}

// ---------------------------------------------------------------------------
// Building

QWidget* TMShapeObjectController::newPalette(const char* name, int height) {
    auto* palette = new QWidget;
    palette->setObjectName(str(name));
    palette->setFixedSize(kPaletteWidth, height);
    return palette;
}

QLabel* TMShapeObjectController::newLabel(QWidget* parent, const char* name, const char* key,
                                          QRect frame) {
    auto* label = named(new QLabel(frameworkString(key), parent), name, frame);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

int TMShapeObjectController::buildStrokeControls(QWidget* palette, int top) {
    _strokeSwitch = named(new QCheckBox(frameworkString("INSP_STROKE"), palette), "_strokeSwitch",
                          {10, top + 4, 200, 20});
    QObject::connect(_strokeSwitch, &QCheckBox::clicked, _strokeSwitch,
                     [this] { strokeModeChanged(_strokeSwitch); });

    _strokeColorLabel =
        newLabel(palette, "_strokeColorLabel", "INSP_STROKE_COLOR", {4, top + 32, 66, 18});
    _strokeColorWell = named(new ColorWell(palette), "_strokeColorWell", {74, top + 28, 38, 26});
    QObject::connect(_strokeColorWell, &ColorWell::colorChosen, _strokeColorWell,
                     [this] { strokeColorChanged(_strokeColorWell); });

    _strokeWidthLabel =
        newLabel(palette, "_strokeWidthLabel", "INSP_STROKE_WIDTH", {4, top + 64, 66, 18});
    _strokeWidthField = named(new QLineEdit(palette), "_strokeWidthField", {74, top + 62, 44, 22});
    QObject::connect(_strokeWidthField, &QLineEdit::editingFinished, _strokeWidthField,
                     [this] { strokeWidthChanged(_strokeWidthField); });
    _strokeWidthStepper =
        named(new Stepper(palette), "_strokeWidthStepper", {120, top + 62, 20, 22});
    _strokeWidthStepper->setRange(double(kMinStrokeWidth), double(kMaxStrokeWidth));
    _strokeWidthStepper->setSingleStep(1);
    QObject::connect(_strokeWidthStepper, &Stepper::valueChanged, _strokeWidthStepper,
                     [this] { strokeWidthChanged(_strokeWidthStepper); });
    _strokePopUp = newPullDown(palette, "_strokePopUp", {146, top + 61, 56, 24});
    _strokePopUp->setIcon(shapeMenuIcon(str("Stroke3")));
    for (int width = 1; width <= 8; ++width) {
        QAction* item = _strokePopUp->menu()->addAction(QString());
        item->setIcon(shapeMenuIcon(str("Stroke%1").arg(width)));
        QObject::connect(item, &QAction::triggered, item,
                         [this, item] { strokePopupChanged(item); });
    }
    // Kept from the palette's first layout; it must not be seen.
    _kludgePopUp = named(new QPushButton(palette), "_kludgePopUp", {206, top + 61, 24, 24});
    _kludgePopUp->setFlat(true);
    _kludgePopUp->setFocusPolicy(Qt::NoFocus);
    _kludgePopUp->setStyleSheet(str("QPushButton { background: transparent; border: none; }"));

    _strokeDashLabel =
        newLabel(palette, "_strokeDashLabel", "INSP_STROKE_DASH", {4, top + 94, 66, 18});
    _dashValueField = named(new QLineEdit(palette), "_dashValueField", {74, top + 92, 110, 22});
    QObject::connect(_dashValueField, &QLineEdit::editingFinished, _dashValueField,
                     [this] { dashValueChanged(_dashValueField); });
    _dashPopUp = newPullDown(palette, "_dashPopUp", {190, top + 91, 60, 24});
    _dashPopUp->setIcon(QIcon(pixmapOf(TMRectangleObject::dashedMenuImage(str("4-4")))));
    for (const QString& pattern : dashPatterns()) {
        QAction* item = _dashPopUp->menu()->addAction(QString());
        item->setIcon(QIcon(pixmapOf(TMRectangleObject::dashedMenuImage(pattern))));
        // The item's picture is named by its pattern.
        item->setData(pattern);
        QObject::connect(item, &QAction::triggered, item, [this, item] { dashPopUpChanged(item); });
    }

    _strokeCapLabel =
        newLabel(palette, "_strokeCapLabel", "INSP_STROKE_CAP", {4, top + 124, 66, 18});
    static const char* const capTitles[] = {"INSP_CAP_BUTT", "INSP_CAP_ROUND", "INSP_CAP_SQUARE"};
    static const char* const capImages[] = {"CapButt", "CapRound", "CapSquare"};
    _capPopUp =
        buildTaggedPopUp(palette, "_capPopUp", capTitles, capImages, {74, top + 120, 120, 26});
    QObject::connect(_capPopUp, &QComboBox::activated, _capPopUp,
                     [this] { capPopUpChanged(_capPopUp); });
    return top + 150;
}

QComboBox* TMShapeObjectController::buildTaggedPopUp(QWidget* palette, const char* name,
                                                     const char* const* titleKeys,
                                                     const char* const* imageNames, QRect frame) {
    auto* popUp = named(new QComboBox(palette), name, frame);
    popUp->setIconSize(kMenuImageSize);
    for (int tag = 0; tag < 3; ++tag)
        popUp->addItem(shapeMenuIcon(str(imageNames[tag])), frameworkString(titleKeys[tag]), tag);
    return popUp;
}

int TMShapeObjectController::buildFillControls(QWidget* view, int top) {
    _fillSwitch = named(new QCheckBox(frameworkString("INSP_FILL"), view), "_fillSwitch",
                        {10, top + 4, 200, 20});
    QObject::connect(_fillSwitch, &QCheckBox::clicked, _fillSwitch,
                     [this] { fillModeChange(_fillSwitch); });
    // Two groups of one button each, so that either can show no selection.
    const auto matrix = [this, view](const char* name, const char* key, int tag, int y) {
        auto* group = new QButtonGroup(view);
        group->setObjectName(str(name));
        group->setExclusive(false);
        auto* cell = named(new QRadioButton(frameworkString(key), view), name, {24, y, 86, 20});
        cell->setAutoExclusive(false);
        group->addButton(cell, tag);
        QObject::connect(group, &QButtonGroup::idClicked, group, [this, group](int id) {
            check(group->button(id), true);
            fillTypeChanged(group);
        });
        return group;
    };
    _fillSolidMatrix = matrix("_fillSolidMatrix", "INSP_FILL_SOLID", 0, top + 32);
    _fillColorWell = named(new ColorWell(view), "_fillColorWell", {114, top + 29, 38, 26});
    QObject::connect(_fillColorWell, &ColorWell::colorChosen, _fillColorWell,
                     [this] { fillColorChanged(_fillColorWell); });
    _fillGradientMatrix = matrix("_fillGradientMatrix", "INSP_FILL_GRADIENT", 1, top + 62);
    _gradientFillWell =
        named(new VQGradientFillWell(view), "_gradientFillWell", {114, top + 59, 60, 26});
    QObject::connect(_gradientFillWell, &VQGradientFillWell::gradientFillChanged, _gradientFillWell,
                     [this] { gradientFillChanged(_gradientFillWell); });
    return top + 90;
}

// ---------------------------------------------------------------------------
// Actions

void TMShapeObjectController::strokeModeChanged(QObject*) {
    if (_strokeSwitch->isChecked()) {
        setStrokeState(true);
        return;
    }
    const QVariant fill = fillState();
    if (fill.isValid() && fill.toBool()) {
        setStrokeState(false);
        return;
    }
    check(_strokeSwitch, true);
    ModalAlert::beep();
    setStrokeState(true);
}

void TMShapeObjectController::fillModeChange(QObject*) {
    const bool on = _fillSwitch->isChecked();
    if (!on) {
        // The last of stroke and fill stays on, and nothing is recorded.
        const QVariant stroke = strokeState();
        if (!stroke.isValid() || !stroke.toBool()) {
            check(_fillSwitch, true);
            ModalAlert::beep();
            return;
        }
    }
    setFillState(on);
}

void TMShapeObjectController::strokePopupChanged(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    const int index = item ? int(_strokePopUp->menu()->actions().indexOf(item)) : -1;
    if (index < 1)
        return;
    setStrokeWidth(float(index));
    _strokeWidthField->setText(QString::number(index));
    makeFirstResponder(_strokeWidthField);
}

void TMShapeObjectController::strokeWidthChanged(QObject* sender) {
    const bool fromStepper = sender == _strokeWidthStepper;
    const float width =
        fromStepper ? float(_strokeWidthStepper->value()) : fieldValue(_strokeWidthField);
    setStrokeWidth(std::max(width, kMinStrokeWidth));
    // The field shows the width as the object keeps it.
    updateInspectorPalette();
    if (fromStepper)
        makeFirstResponder(_strokeWidthField);
}

void TMShapeObjectController::strokeColorChanged(QObject*) {
    setStrokeColor(QVariant::fromValue(Color::fromQColor(_strokeColorWell->color())));
}

void TMShapeObjectController::dashPopUpChanged(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    const QString pattern = item ? item->data().toString() : QString();
    if (pattern.isEmpty())
        return;
    setDashPattern(pattern);
    _dashValueField->setText(dashPatternText(pattern));
    makeFirstResponder(_dashValueField);
}

void TMShapeObjectController::dashValueChanged(QObject*) {
    setDashPattern(_dashValueField->text());
    updateInspectorPalette();
}

void TMShapeObjectController::capPopUpChanged(QObject*) {
    setLineCap(_capPopUp->currentData().toInt());
}

void TMShapeObjectController::fillColorChanged(QObject*) {
    setFillColor(QVariant::fromValue(Color::fromQColor(_fillColorWell->color())));
}

void TMShapeObjectController::fillTypeChanged(QObject* sender) {
    auto* matrix = qobject_cast<QButtonGroup*>(sender);
    setGradientFillState(matrix && matrix->checkedId() == 1);
    updateInspectorPalette();
}

void TMShapeObjectController::gradientFillChanged(QObject*) {
    setGradientFill(QVariant::fromValue(_gradientFillWell->gradientFill()));
}

// ---------------------------------------------------------------------------
// Showing the values

bool TMShapeObjectController::updateStrokeControls() {
    const bool on = strokeState().toBool();
    check(_strokeSwitch, on);
    _strokeColorWell->setColor(strokeColor().value<Color>().toQColor());
    const float width = strokeWidth().toFloat();
    showNumber(_strokeWidthField, width);
    {
        const QSignalBlocker quiet(_strokeWidthStepper);
        _strokeWidthStepper->setValue(double(width));
    }
    _dashValueField->setText(dashPatternText(dashPattern().toString()));
    {
        const QSignalBlocker quiet(_capPopUp);
        _capPopUp->setCurrentIndex(_capPopUp->findData(lineCap().toInt()));
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{_strokeColorWell, _strokeWidthField, _strokeWidthStepper,
                                         _strokePopUp, _dashPopUp, _dashValueField, _capPopUp})
        control->setEnabled(on);
    for (QLabel* label : {_strokeColorLabel, _strokeCapLabel, _strokeWidthLabel, _strokeDashLabel})
        TM_EnableControlText(label, on);
    return on;
}

void TMShapeObjectController::updateFillControls() {
    const bool on = fillState().toBool();
    const bool gradient = gradientFillState().toBool();
    check(_fillSwitch, on);
    _fillColorWell->setColor(fillColor().value<Color>().toQColor());
    {
        const QSignalBlocker quiet(_gradientFillWell);
        _gradientFillWell->setGradientFill(gradientFill().value<VQGradientFillRef>());
    }
    QAbstractButton* solid = _fillSolidMatrix->button(0);
    QAbstractButton* graded = _fillGradientMatrix->button(1);
    solid->setEnabled(on);
    graded->setEnabled(on);
    check(solid, on && !gradient);
    check(graded, on && gradient);
    _gradientFillWell->setEnabled(on && gradient);
    _fillColorWell->setEnabled(on && !gradient);
}

void TMShapeObjectController::deactivateStrokeAndFillWells() {
    _strokeColorWell->deactivate();
    if (_fillColorWell)
        _fillColorWell->deactivate();
    if (_gradientFillWell)
        _gradientFillWell->deactivate();
}

QWidget* TMShapeObjectController::getInspectorPalette() {
    updateInspectorPalette();
    return _paletteView;
}
