#pragma once

#include "framework/FormwellExport.h"
#include "platform/graphics/ShadowValue.h"
#include "platform/ui/AngleDial.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <optional>

class ColorWell;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;
class SSCircularSlider;
class TMObjectController;

// The shadow controls that the inspectors of shapes, images, photo cells and
// text share: a switch, the direction as a dial and a field, the colour, the
// offset and the blur, each measure as a slider and a field. It edits the
// shadow of its inspector's inspected object, or its own held values while
// nothing is inspected.
//
// The direction is what the user sees: degrees clockwise from the top, where
// the shadow falls towards; the model keeps the cast angle, counter-clockwise
// from the right, pointing where the shadow comes from. direction = 450 - cast.
//
// Every edit sets a new shadow (never the old one changed in place), so each
// is one undoable "SHADOW" step. Controls carry their outlet names as object
// names.
class FORMWELL_EXPORT TMShadowSection : public QWidget {
    Q_OBJECT

public:
    // The photo-cell inspector names its labels without the "_shadow" prefix.
    enum class LabelNames { Standard, PhotoCell };

    static constexpr int kWidth = 260;
    static constexpr int kHeight = 128;
    static constexpr float kMaxBlur = 32;
    static constexpr float kMinOffset = 1;
    static constexpr float kMaxOffset = 32;

    TMShadowSection(TMObjectController* owner, LabelNames labels, QWidget* parent);

    // The cast angle for a direction of 0 up to 360, and the direction shown
    // for a cast angle.
    static float castAngleForDirection(float direction);
    static float directionForCastAngle(float castAngle);

    // The accessor pattern: a bool; a ShadowValue, or invalid for none.
    QVariant shadowEnabled() const;
    void setShadowEnabled(const QVariant& enabled);
    QVariant shadow() const;
    void setShadow(const QVariant& shadow);

    // The one action of every shadow control.
    void shadowChanged(QObject* sender);
    // Shows the values and enables the controls by the switch.
    void updateShadowControls();

    QCheckBox* shadowEnabledSwitch() const { return _shadowEnabledSwitch; }
    QLineEdit* shadowCastField() const { return _shadowCastField; }
    // Null on a system before 10.3, where circularSlider() stands in.
    AngleDial* shadowCastSlider() const { return _shadowCastSlider; }
    SSCircularSlider* circularSlider() const { return _circularSlider; }
    ColorWell* shadowColorWell() const { return _shadowColorWell; }
    QSlider* shadowBlurStepper() const { return _shadowBlurStepper; }
    QLineEdit* shadowBlurField() const { return _shadowBlurField; }
    QSlider* shadowOffsetStepper() const { return _shadowOffsetStepper; }
    QLineEdit* shadowOffsetField() const { return _shadowOffsetField; }
    QList<QLabel*> labels() const;

private:
    void build(LabelNames labels);
    // Before 10.3 a disabled round slider takes the dial's place.
    void replaceDirectionDial();
    void connectSlider(QSlider* slider, QLineEdit* field);

    TMObjectController* _owner;
    bool _shadowEnabled = false;
    std::optional<ShadowValue> _myShadow;

    QCheckBox* _shadowEnabledSwitch = nullptr;
    QLineEdit* _shadowCastField = nullptr;
    QPointer<AngleDial> _shadowCastSlider;
    SSCircularSlider* _circularSlider = nullptr;
    ColorWell* _shadowColorWell = nullptr;
    QSlider* _shadowBlurStepper = nullptr;
    QLineEdit* _shadowBlurField = nullptr;
    QSlider* _shadowOffsetStepper = nullptr;
    QLineEdit* _shadowOffsetField = nullptr;
    QLabel* _directionLabel = nullptr;
    QLabel* _colorLabel = nullptr;
    QLabel* _offsetLabel = nullptr;
    QLabel* _blurLabel = nullptr;
};
