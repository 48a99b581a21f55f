#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMObjectController.h"
#include "platform/graphics/Color.h"

#include <QPointer>

class ColorWell;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

// The inspector of print areas: whether cut marks are drawn, their length,
// their distance from the area and their colour. Its palette
// ("PrintAreaPalette") carries the outlet names as object names.
class FORMWELL_EXPORT TMPrintAreaObjectController : public TMObjectController {
    Q_OBJECT

public:
    static constexpr float kMinLength = 6;
    static constexpr float kMaxLength = 72;
    static constexpr float kMinOffset = 0;
    static constexpr float kMaxOffset = 72;

    TMPrintAreaObjectController();
    ~TMPrintAreaObjectController() override;

    // A bool, floats in points, a Color.
    QVariant cutMarksState() const;
    void setCutMarksState(const QVariant& state);
    QVariant cutMarkLength() const;
    void setCutMarkLength(const QVariant& length);
    QVariant cutMarkOffset() const;
    void setCutMarkOffset(const QVariant& offset);
    QVariant cutMarkColor() const;
    void setCutMarkColor(const QVariant& color);

    void cuttingMarkSwitchChanged(QObject* sender);
    // From the slider or the field; the value is held to 6...72 points.
    void markLengthChanged(QObject* sender);
    // The same, 0...72 points.
    void markOffsetChanged(QObject* sender);
    void markColorChanged(QObject* sender);

    void setInspectedObject(const TMObjectRef& object) override;
    void updateInspectorPalette() override;
    QWidget* getInspectorPalette() override;
    QWidget* paletteView() const { return _paletteView; }

private:
    void loadPalette();
    // A measure's slider and field and their action.
    void connectMeasure(QSlider* slider, QLineEdit* field,
                        void (TMPrintAreaObjectController::*action)(QObject*));

    bool _cutMarksEnabled = true;
    float _cutMarkLen = 18;
    float _cutMarkOffset = 0;
    Color _cutMarkColor = Color::blackColor();

    QPointer<QWidget> _paletteView;
    QCheckBox* _cuttingMarksSwitch = nullptr;
    QLabel* _markLengthLabel = nullptr;
    QSlider* _markLenthSlider = nullptr;
    QLineEdit* _markLengthField = nullptr;
    QLabel* _markOffsetLabel = nullptr;
    QSlider* _markOffsetSlider = nullptr;
    QLineEdit* _markOffsetField = nullptr;
    ColorWell* _markColorWell = nullptr;
    QLabel* _markColorLabel = nullptr;
};
