#include "framework/inspectors/TMShadowSection.h"

#include "framework/Formwell.h"
#include "framework/inspectors/SSCircularSlider.h"
#include "framework/inspectors/TMObjectController.h"
#include "framework/model/ShadowAccessors.h"
#include "framework/model/TMObject.h"
#include "framework/model/TMUtilities.h"
#include "platform/ui/AngleDial.h"
#include "platform/ui/ColorWell.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace {

constexpr float kTurn = 360;
// The round slider of old systems: 50 points square, its corner 12 points
// left of the dial's and 10 below it.
constexpr int kRoundSliderSize = 50;
constexpr int kRoundSliderLeft = -12;
constexpr int kRoundSliderDown = 10;

QString str(const char* text) {
    return QString::fromLatin1(text);
}

float fieldValue(const QLineEdit* field) {
    return TMObjectController::fieldValue(field);
}

void showNumber(QLineEdit* field, float value) {
    TMObjectController::showNumber(field, value);
}

void showOnSlider(QSlider* slider, float value) {
    TMObjectController::showOnSlider(slider, value);
}

} // namespace

TMShadowSection::TMShadowSection(TMObjectController* owner, LabelNames labels, QWidget* parent)
    : QWidget(parent), _owner(owner) {
    setObjectName(str("shadowSection"));
    build(labels);
    if (TMObjectController::isOldSystem())
        replaceDirectionDial();
}

float TMShadowSection::castAngleForDirection(float direction) {
    float d = direction - 90;
    if (d < 0)
        d += kTurn;
    return kTurn - d;
}

float TMShadowSection::directionForCastAngle(float castAngle) {
    float direction = 450 - castAngle;
    if (direction >= kTurn)
        direction -= kTurn;
    return direction;
}

void TMShadowSection::build(LabelNames labelNames) {
    const bool photo = labelNames == LabelNames::PhotoCell;
    const auto label = [this](const char* name, const char* key, QRect frame) {
        auto* l = new QLabel(frameworkString(key), this);
        l->setObjectName(str(name));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setGeometry(frame);
        return l;
    };
    const auto field = [this](const char* name, QRect frame) {
        auto* f = new QLineEdit(this);
        f->setObjectName(str(name));
        f->setGeometry(frame);
        QObject::connect(f, &QLineEdit::editingFinished, f, [this, f] { shadowChanged(f); });
        return f;
    };
    const auto slider = [this](const char* name, QRect frame, int minimum, int maximum) {
        auto* s = new QSlider(Qt::Horizontal, this);
        s->setObjectName(str(name));
        s->setGeometry(frame);
        s->setRange(minimum, maximum);
        return s;
    };

    _shadowEnabledSwitch = new QCheckBox(frameworkString("INSP_SHADOW"), this);
    _shadowEnabledSwitch->setObjectName(str("_shadowEnabledSwitch"));
    _shadowEnabledSwitch->setGeometry(10, 4, 200, 20);
    QObject::connect(_shadowEnabledSwitch, &QCheckBox::clicked, _shadowEnabledSwitch,
                     [this] { shadowChanged(_shadowEnabledSwitch); });

    _directionLabel = label(photo ? "_directionLabel" : "_shadowDirectionLabel",
                            "INSP_SHADOW_DIRECTION", {4, 40, 66, 18});
    _shadowCastSlider = new AngleDial(this);
    _shadowCastSlider->setObjectName(str("_shadowCastSlider"));
    _shadowCastSlider->setGeometry(74, 29, 40, 40);
    // Applied when the dial is let go, or at once for a click or a key; the
    // field follows a drag as it goes.
    QObject::connect(_shadowCastSlider, &QDial::sliderReleased, _shadowCastSlider,
                     [this] { shadowChanged(_shadowCastSlider); });
    QObject::connect(_shadowCastSlider, &QDial::valueChanged, _shadowCastSlider, [this] {
        if (_shadowCastSlider->isSliderDown())
            showNumber(_shadowCastField, float(_shadowCastSlider->degrees()));
        else
            shadowChanged(_shadowCastSlider);
    });
    _shadowCastField = field("_shadowCastField", {118, 38, 44, 22});

    _colorLabel =
        label(photo ? "_colorLabel" : "_shadowColorLabel", "INSP_SHADOW_COLOR", {164, 40, 44, 18});
    _shadowColorWell = new ColorWell(this);
    _shadowColorWell->setObjectName(str("_shadowColorWell"));
    _shadowColorWell->setGeometry(212, 36, 38, 26);
    QObject::connect(_shadowColorWell, &ColorWell::colorChosen, _shadowColorWell,
                     [this] { shadowChanged(_shadowColorWell); });

    _offsetLabel =
        label(photo ? "_offsetLabel" : "_shadowOffsetLabel", "INSP_SHADOW_OFFSET", {4, 76, 66, 18});
    _shadowOffsetStepper =
        slider("_shadowOffsetStepper", {74, 75, 124, 20}, int(kMinOffset), int(kMaxOffset));
    _shadowOffsetField = field("_shadowOffsetField", {206, 74, 44, 22});
    connectSlider(_shadowOffsetStepper, _shadowOffsetField);

    _blurLabel =
        label(photo ? "_blurLabel" : "_shadowBlurLabel", "INSP_SHADOW_BLUR", {4, 104, 66, 18});
    _shadowBlurStepper = slider("_shadowBlurStepper", {74, 103, 124, 20}, 0, int(kMaxBlur));
    _shadowBlurField = field("_shadowBlurField", {206, 102, 44, 22});
    connectSlider(_shadowBlurStepper, _shadowBlurField);

    setFixedSize(kWidth, kHeight);
}

void TMShadowSection::connectSlider(QSlider* slider, QLineEdit* field) {
    TMObjectController::connectSliderFollowedByField(
        slider, field, [this](QObject* sender) { shadowChanged(sender); });
}

void TMShadowSection::replaceDirectionDial() {
    const QRect dial = _shadowCastSlider->geometry();
    // The frame's lower-left corner moves left and down; the size is its own.
    const QPoint lowerLeft(dial.left() + kRoundSliderLeft, dial.bottom() + 1 + kRoundSliderDown);
    _circularSlider = new SSCircularSlider(
        QRect(lowerLeft.x(), lowerLeft.y() - kRoundSliderSize, kRoundSliderSize, kRoundSliderSize),
        this);
    _circularSlider->setObjectName(str("circularSlider"));
    _circularSlider->setAllowsCenterPoint(false);
    _circularSlider->setAllowsNonEdgePositions(false);
    _circularSlider->setEnabled(false);
    _circularSlider->show();
    delete _shadowCastSlider;
}

QList<QLabel*> TMShadowSection::labels() const {
    return {_directionLabel, _colorLabel, _offsetLabel, _blurLabel};
}

QVariant TMShadowSection::shadowEnabled() const {
    if (const TMObjectRef object = _owner->inspectedObject())
        return object->shadowEnabled();
    return QVariant(_shadowEnabled);
}

void TMShadowSection::setShadowEnabled(const QVariant& enabled) {
    const bool on = enabled.toBool();
    if (const TMObjectRef object = _owner->inspectedObject()) {
        object->setShadowEnabled(on);
        return;
    }
    if (on == _shadowEnabled)
        return;
    _shadowEnabled = on;
    _owner->updateInspectorPalette();
}

QVariant TMShadowSection::shadow() const {
    const TMObjectRef object = _owner->inspectedObject();
    const std::optional<ShadowValue>& value = object ? object->shadow() : _myShadow;
    return value ? QVariant::fromValue(*value) : QVariant();
}

void TMShadowSection::setShadow(const QVariant& shadow) {
    std::optional<ShadowValue> value;
    if (shadow.canConvert<ShadowValue>())
        value = shadow.value<ShadowValue>();
    if (const TMObjectRef object = _owner->inspectedObject()) {
        object->setShadow(value);
        return;
    }
    if (value == _myShadow)
        return;
    _myShadow = value;
    _owner->updateInspectorPalette();
}

void TMShadowSection::shadowChanged(QObject* sender) {
    if (sender == _shadowEnabledSwitch) {
        setShadowEnabled(_shadowEnabledSwitch->isChecked());
        return;
    }
    const QVariant current = shadow();
    ShadowValue copy =
        current.canConvert<ShadowValue>() ? current.value<ShadowValue>() : ShadowValue();
    if (_shadowCastSlider && sender == _shadowCastSlider) {
        const float direction = float(_shadowCastSlider->degrees());
        setCastAngle(copy, castAngleForDirection(direction));
        showNumber(_shadowCastField, direction);
        TMObjectController::makeFirstResponder(_shadowCastField);
    } else if (sender == _shadowCastField) {
        float direction = fieldValue(_shadowCastField);
        // Not wrapped: a direction outside one turn starts again at the top.
        if (!(direction >= 0 && direction < kTurn))
            direction = 0;
        showNumber(_shadowCastField, direction);
        setCastAngle(copy, castAngleForDirection(direction));
        if (_shadowCastSlider)
            _shadowCastSlider->setDegrees(int(std::lround(direction)));
    } else if (sender == _shadowColorWell) {
        copy.color = _shadowColorWell->color();
    } else if (sender == _shadowBlurStepper) {
        copy.blurRadius = float(_shadowBlurStepper->value());
        showNumber(_shadowBlurField, copy.blurRadius);
        TMObjectController::makeFirstResponder(_shadowBlurField);
    } else if (sender == _shadowBlurField) {
        const float blur = std::clamp(fieldValue(_shadowBlurField), 0.0f, kMaxBlur);
        showNumber(_shadowBlurField, blur);
        copy.blurRadius = blur;
        showOnSlider(_shadowBlurStepper, blur);
    } else if (sender == _shadowOffsetStepper) {
        const float offset = float(_shadowOffsetStepper->value());
        setCastOffset(copy, offset);
        showNumber(_shadowOffsetField, offset);
        TMObjectController::makeFirstResponder(_shadowOffsetField);
    } else if (sender == _shadowOffsetField) {
        const float offset = std::clamp(fieldValue(_shadowOffsetField), kMinOffset, kMaxOffset);
        showNumber(_shadowOffsetField, offset);
        setCastOffset(copy, offset);
        showOnSlider(_shadowOffsetStepper, offset);
    }
    setShadow(QVariant::fromValue(copy));
}

void TMShadowSection::updateShadowControls() {
    const bool old = TMObjectController::isOldSystem();
    const bool enabled = shadowEnabled().toBool();
    {
        const QSignalBlocker quiet(_shadowEnabledSwitch);
        _shadowEnabledSwitch->setChecked(enabled);
    }
    _shadowEnabledSwitch->setEnabled(!old);
    if (!old) {
        const QVariant current = shadow();
        const ShadowValue value =
            current.canConvert<ShadowValue>() ? current.value<ShadowValue>() : ShadowValue();
        _shadowColorWell->setColor(value.color);
        showNumber(_shadowBlurField, value.blurRadius);
        showOnSlider(_shadowBlurStepper, value.blurRadius);
        const float offset = castOffset(value);
        showNumber(_shadowOffsetField, offset);
        showOnSlider(_shadowOffsetStepper, offset);
        const float direction = directionForCastAngle(castAngle(value));
        showNumber(_shadowCastField, direction);
        if (_shadowCastSlider)
            _shadowCastSlider->setDegrees(int(std::lround(direction)));
    }
    for (QWidget* control : std::initializer_list<QWidget*>{
             _shadowColorWell, _shadowBlurStepper, _shadowBlurField, _shadowOffsetStepper,
             _shadowOffsetField, _shadowCastField, _shadowCastSlider.data()})
        if (control)
            control->setEnabled(enabled);
    for (QLabel* label : labels())
        TM_EnableControlText(label, enabled);
}
