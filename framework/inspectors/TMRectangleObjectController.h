#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMShapeObjectController.h"
#include "framework/model/VQGradientFill.h"
#include "platform/graphics/Color.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

// The inspector of rectangles, ovals, captions (and, through its subclass,
// polygons): stroke with join, fill and shadow ("BasicPalette"). A plain
// rectangle also gets the rounded-corner controls ("CornerRadius"), made
// afresh each time a rectangle follows another kind of object.
class FORMWELL_EXPORT TMRectangleObjectController : public TMShapeObjectController {
    Q_OBJECT

public:
    static constexpr float kMinCornerRadius = 1;
    static constexpr float kMaxCornerRadius = 32;

    TMRectangleObjectController();
    ~TMRectangleObjectController() override;

    QVariant strokeState() const override;
    void setStrokeState(const QVariant& state) override;
    QVariant strokeWidth() const override;
    void setStrokeWidth(const QVariant& width) override;
    QVariant strokeColor() const override;
    void setStrokeColor(const QVariant& color) override;
    QVariant dashPattern() const override;
    void setDashPattern(const QVariant& pattern) override;
    QVariant lineCap() const override;
    void setLineCap(const QVariant& cap) override;
    QVariant fillState() const override;
    void setFillState(const QVariant& state) override;
    QVariant fillColor() const override;
    void setFillColor(const QVariant& color) override;
    QVariant gradientFillState() const override;
    void setGradientFillState(const QVariant& state) override;
    QVariant gradientFill() const override;
    void setGradientFill(const QVariant& fill) override;
    // An int, a bool, a float.
    QVariant lineJoin() const;
    void setLineJoin(const QVariant& join);
    QVariant roundedCornersState() const;
    void setRoundedCornersState(const QVariant& state);
    QVariant cornerRadius() const;
    void setCornerRadius(const QVariant& radius);

    void strokeModeChange(QObject* sender) { strokeModeChanged(sender); }
    void joinPopUpChanged(QObject* sender);
    // Held to 1...32 points.
    void cornerRadiusChanged(QObject* sender);
    void cornerRadiusSwitchChanged(QObject* sender);

    void setInspectedObject(const TMObjectRef& object) override;
    void updateInspectorPalette() override;
    void deactivateColorWells(QObject* sender) override;

    void addCornerRadiusView();
    void removeCornerRadiusView();
    QWidget* cornerRadiusView() const { return _cornerRadiusView; }

protected:
    // The inspected object when it has the shapes' stroke and fill.
    template <class Read, class Value> QVariant shapeValue(Read read, const Value& held) const;
    template <class Write, class Value>
    void setShapeValue(const QVariant& value, Write write, Value& held);

private:
    void loadCornerRadiusView();

    bool _strokeEnabled = true;
    float _strokeWidth = 1.0f;
    Color _strokeColor = Color::blackColor();
    QString _dashPattern = QStringLiteral("0");
    int32_t _lineCap = 0;
    int32_t _lineJoin = 0;
    bool _fillEnabled = false;
    Color _fillColor = Color::whiteColor();
    bool _gradientFillEnabled = false;
    VQGradientFillRef _gradientFill = VQGradientFill::stdFill();
    bool _roundedCornersEnabled = false;
    float _cornerRadius = 0;

    QComboBox* _joinPopUp = nullptr;
    QLabel* _strokeJoinLabel = nullptr;
    QPointer<QWidget> _cornerRadiusView;
    QCheckBox* _cornerRadiusSwitch = nullptr;
    QSlider* _cornerRadiusSlider = nullptr;
    QLineEdit* _cornerRadiusField = nullptr;
    QLabel* _cornerRadiusLabel = nullptr;
};

// Named by the class operations of ovals and captions; adds nothing.
class FORMWELL_EXPORT TMOvalObjectController : public TMRectangleObjectController {
    Q_OBJECT
};

class FORMWELL_EXPORT TMCaptionObjectController : public TMRectangleObjectController {
    Q_OBJECT
};
