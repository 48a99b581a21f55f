#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMShadowedObjectController.h"

#include <QIcon>
#include <QPointer>
#include <QStringList>

class ColorWell;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class Stepper;
class VQGradientFillWell;

// What the inspectors of drawn shapes share: the stroke controls (switch,
// colour, width pull-down, field and stepper, dash pull-down and field, cap),
// the fill controls of the shapes that fill (switch, colour, solid or
// gradient, gradient well) and the shadow section, with the actions of all of
// them. Stroke and fill are never both off: a switch that would turn off the
// last of them springs back with a beep and changes nothing.
//
// Subclasses build the palette from these parts and answer the properties
// from the class of object they inspect.
class FORMWELL_EXPORT TMShapeObjectController : public TMShadowedObjectController {
    Q_OBJECT

public:
    // Widths held while nothing is inspected stay within these.
    static constexpr float kMinStrokeWidth = 0.1f;
    static constexpr float kMaxStrokeWidth = 32.0f;
    static constexpr int kPaletteWidth = 260;

    // The pattern pull-down's patterns, after its title item.
    static const QStringList& dashPatterns();
    // The pictures of the width, cap and join menus ("Stroke1".."Stroke8",
    // "CapButt", "CapRound", "CapSquare", "JoinMiter", "JoinRound",
    // "JoinBevel"); a null icon for any other name.
    static QIcon shapeMenuIcon(const QString& name);
    // A pattern as the dash field shows it: the localized "SOLID" for the
    // solid pattern, otherwise with the user's decimal separator.
    static QString dashPatternText(const QString& pattern);

    ~TMShapeObjectController() override;

    // The accessor pattern: bools; floats in points; Colors; a text; ints;
    // a VQGradientFillRef. An invalid answer means the property is not there.
    virtual QVariant strokeState() const = 0;
    virtual void setStrokeState(const QVariant& state) = 0;
    virtual QVariant strokeWidth() const = 0;
    virtual void setStrokeWidth(const QVariant& width) = 0;
    virtual QVariant strokeColor() const = 0;
    virtual void setStrokeColor(const QVariant& color) = 0;
    virtual QVariant dashPattern() const = 0;
    virtual void setDashPattern(const QVariant& pattern) = 0;
    virtual QVariant lineCap() const = 0;
    virtual void setLineCap(const QVariant& cap) = 0;
    virtual QVariant fillState() const { return {}; }
    virtual void setFillState(const QVariant&) {}
    virtual QVariant fillColor() const { return {}; }
    virtual void setFillColor(const QVariant&) {}
    virtual QVariant gradientFillState() const { return {}; }
    virtual void setGradientFillState(const QVariant&) {}
    virtual QVariant gradientFill() const { return {}; }
    virtual void setGradientFill(const QVariant&) {}

    // Stroke actions.
    void strokeModeChanged(QObject* sender);
    // The sender is the chosen item of the width pull-down.
    void strokePopupChanged(QObject* sender);
    void strokeWidthChanged(QObject* sender);
    void strokeColorChanged(QObject* sender);
    // The sender is the chosen item of the pattern pull-down.
    void dashPopUpChanged(QObject* sender);
    void dashValueChanged(QObject* sender);
    void capPopUpChanged(QObject* sender);
    // Fill actions.
    void fillModeChange(QObject* sender);
    void fillColorChanged(QObject* sender);
    // The sender is the solid or the gradient button group.
    void fillTypeChanged(QObject* sender);
    void gradientFillChanged(QObject* sender);

    QWidget* getInspectorPalette() override;
    QWidget* paletteView() const { return _paletteView; }
    QToolButton* strokePopUp() const { return _strokePopUp; }
    QToolButton* dashPopUp() const { return _dashPopUp; }
    QButtonGroup* fillSolidMatrix() const { return _fillSolidMatrix; }
    QButtonGroup* fillGradientMatrix() const { return _fillGradientMatrix; }

protected:
    TMShapeObjectController();

    // A palette of the width of the shapes' palettes, named as its
    // interface description.
    static QWidget* newPalette(const char* name, int height);
    // The stroke controls into the palette from the top; answers the bottom.
    int buildStrokeControls(QWidget* palette, int top);
    // A pop-up of three tagged items with pictures.
    QComboBox* buildTaggedPopUp(QWidget* palette, const char* name, const char* const* titleKeys,
                                const char* const* imageNames, QRect frame);
    // The fill controls into the view from the top; answers the bottom.
    int buildFillControls(QWidget* view, int top);

    // The stroke controls' values; enables them by the switch and answers it.
    bool updateStrokeControls();
    void updateFillControls();
    void deactivateStrokeAndFillWells();

    static QLabel* newLabel(QWidget* parent, const char* name, const char* key, QRect frame);

    QPointer<QWidget> _paletteView;
    QCheckBox* _strokeSwitch = nullptr;
    ColorWell* _strokeColorWell = nullptr;
    QToolButton* _strokePopUp = nullptr;
    QLineEdit* _strokeWidthField = nullptr;
    Stepper* _strokeWidthStepper = nullptr;
    QPushButton* _kludgePopUp = nullptr;
    QToolButton* _dashPopUp = nullptr;
    QLineEdit* _dashValueField = nullptr;
    QComboBox* _capPopUp = nullptr;
    QLabel* _strokeColorLabel = nullptr;
    QLabel* _strokeCapLabel = nullptr;
    QLabel* _strokeWidthLabel = nullptr;
    QLabel* _strokeDashLabel = nullptr;

    QCheckBox* _fillSwitch = nullptr;
    ColorWell* _fillColorWell = nullptr;
    QButtonGroup* _fillSolidMatrix = nullptr;
    QButtonGroup* _fillGradientMatrix = nullptr;
    VQGradientFillWell* _gradientFillWell = nullptr;
};
