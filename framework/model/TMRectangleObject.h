#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMStrokeFillObject.h"

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>

// Keys of the representation beyond the stroke and fill keys.
inline constexpr char kCornerEnabledKey[] = "corner_en";
inline constexpr char kCornerRadiusKey[] = "corner_radius";

// Localization keys of the corners' undo actions.
inline constexpr char kRoundedCornersActionKey[] = "RCSTATE";
inline constexpr char kCornerRadiusActionKey[] = "CRADIUS";

class TMRectangleObject;
using TMRectangleObjectRef = std::shared_ptr<TMRectangleObject>;

// A stroked and/or filled rectangle, optionally with rounded corners, that
// ovals and captions build on.
class FORMWELL_EXPORT TMRectangleObject : public TMStrokeFillObject {
public:
    TMRectangleObject();
    ~TMRectangleObject() override;

    static TMRectangleObjectRef newTemplateObject();
    static TMRectangleObjectRef
    newTemplateObjectWithRepresentation(const QVariantMap& representation);
    static TMRectangleObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() {
        return QStringLiteral("TMRectangleObjectController");
    }
    QString objectControllerClass() const override {
        return QStringLiteral("TMRectangleObjectController");
    }

    // The shape tools' starting points: stroked; filled; rounded; filled and rounded.
    static QVariantMap stdRepresentation();
    static QVariantMap filledRepresentation();
    static QVariantMap stdRoundRepresentation();
    static QVariantMap filledRoundRepresentation();

    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;

    // Undoable; a setter given the current value does nothing.
    bool roundedCornersState() const { return _roundedCornersEnabled; }
    void setRoundedCornersState(bool enabled);
    float cornerRadius() const { return _cornerRadius; }
    void setCornerRadius(float radius);

    bool supportsLineJoin() const override { return true; }
    bool supportsLineCap() const override { return false; }

    BezierPath basicShape() const override;
    // Rotated frames start on a half point.
    Rect frame() const override;
    Rect encapsulatingFrame() const override;
    // The outline's band, or the whole shape when filled.
    bool hitTest(Point point) const override;
    void drawObject(bool drawHandles) override;

protected:
    // The rotated outline of the unrotated rectangle, moved to start on a half point.
    BezierPath snappedRotatedRectPath() const;

    bool _roundedCornersEnabled = false;
    float _cornerRadius = 0.0f;
};
