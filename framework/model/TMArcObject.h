#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMLineObject.h"
#include "framework/model/VQGradientFill.h"

#include <memory>

// Keys of the representation beyond the line's and the shapes' fill keys.
inline constexpr char kConcavityEnabledKey[] = "conc_en";

// Localization key of the concavity's undo action.
inline constexpr char kConcavityActionKey[] = "CONCAVITY";

class TMArcObject;
using TMArcObjectRef = std::shared_ptr<TMArcObject>;

// A quarter of an ellipse between the two ends of a line: it leaves one end
// and arrives at the other tangent to the box they span, bulging towards one
// of the box's free corners (the concavity picks which). Filled, it is the
// pie-shaped quarter, with a colour or a gradient.
class FORMWELL_EXPORT TMArcObject : public TMLineObject {
public:
    TMArcObject();
    ~TMArcObject() override;

    static TMArcObjectRef newTemplateObject();
    static TMArcObjectRef newTemplateObjectWithRepresentation(const QVariantMap& representation);
    static TMArcObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() { return QStringLiteral("TMArcObjectController"); }
    QString objectControllerClass() const override {
        return QStringLiteral("TMArcObjectController");
    }

    // The arc tools' starting points: open; filled.
    static QVariantMap stdRepresentation();
    static QVariantMap filledRepresentation();

    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;

    // Undoable; a setter given the current value does nothing.
    bool fillState() const { return _fillEnabled; }
    void setFillState(bool enabled);
    const Color& fillColor() const { return _fillColor; }
    void setFillColor(const Color& color);
    bool gradientFillState() const { return _gradientFillEnabled; }
    void setGradientFillState(bool enabled);
    const VQGradientFillRef& gradientFill() const { return _gradientFill; }
    // Compared by value; null is ignored.
    void setGradientFill(const VQGradientFillRef& fill);
    bool concavity() const { return _concavity; }
    void setConcavity(bool concavity);

    // While the Option key is held during a creation or knob drag, the arc
    // shows its other side; releasing the key turns it back.
    void checkForConcavityToggle();

    // The open arc, or the pie while the filled shape is asked for.
    BezierPath basicShape() const override;
    // Framed by the pie when filled.
    Rect encapsulatingFrame() const override;
    // Near the curve, or anywhere in the filled quarter.
    bool hitTest(Point point) const override;
    void drawObject(bool drawHandles) override;

    void setFrameCornersFromTo(Point from, Point to) override;
    int resizeByMovingKnobToPoint(int knob, Point point) override;
    void setInCreation(bool inCreation) override;
    void setInResize(bool inResize) override;
    void flipHorizontally() override;

private:
    // The arc's two ends relative to the centre: the origin end first.
    void arcEnds(Point* a, Point* b) const;
    BezierPath arcShape(bool filled) const;
    // Sets the shape asked for while it lives.
    class FilledPathScope;

    bool _fillEnabled = false;
    Color _fillColor = Color::whiteColor();
    bool _gradientFillEnabled = false;
    VQGradientFillRef _gradientFill;
    bool _concavity = false;
    mutable bool _createFilledPath = false;
    bool _optionKeyDown = false;
};
