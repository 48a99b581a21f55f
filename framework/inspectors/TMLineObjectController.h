#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMShapeObjectController.h"
#include "platform/graphics/Color.h"

// The inspector of lines: stroke and shadow. A line has no fill, so its
// stroke can never be switched off. Its palette is "LinePalette".
class FORMWELL_EXPORT TMLineObjectController : public TMShapeObjectController {
    Q_OBJECT

public:
    TMLineObjectController();
    ~TMLineObjectController() override;

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

    void setInspectedObject(const TMObjectRef& object) override;
    void updateInspectorPalette() override;

private:
    bool _strokeEnabled = true;
    float _strokeWidth = 1.0f;
    Color _strokeColor = Color::blackColor();
    QString _dashPattern = QStringLiteral("0");
    int32_t _lineCap = 0;
};
