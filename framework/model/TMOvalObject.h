#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMRectangleObject.h"

#include <memory>

class TMOvalObject;
using TMOvalObjectRef = std::shared_ptr<TMOvalObject>;

// The rectangle object's stroke and fill drawn as the ellipse inscribed in
// its rectangle; rounded corners make no difference to it.
class FORMWELL_EXPORT TMOvalObject : public TMRectangleObject {
public:
    static TMOvalObjectRef newTemplateObject();
    static TMOvalObjectRef newTemplateObjectWithRepresentation(const QVariantMap& representation);
    static TMOvalObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() { return QStringLiteral("TMOvalObjectController"); }

    bool supportsLineJoin() const override { return false; }
    bool supportsLineCap() const override { return false; }

    BezierPath basicShape() const override;
};
