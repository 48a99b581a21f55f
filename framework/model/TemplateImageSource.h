#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TMObject;

// How the image source fits photographs into their cells.
enum ScalingMode : int32_t { ScalingModeFill = 0, ScalingModeFit = 1, ScalingModeStretch = 2 };

// Where page objects get photographs, texts and photo properties while they
// draw. Whoever draws a template sets one on every object first; the layout
// mapper answers it. A cell index is a photo number - 1.
class FORMWELL_EXPORT TemplateImageSource {
public:
    virtual ~TemplateImageSource();

    // The cell's photograph at screen size; a null image when the cell has none.
    virtual Image imageForCell(int32_t cell) = 0;
    // The cell's photograph at full size; a null image when the cell has none.
    virtual Image hiresImageForCell(int32_t cell) = 0;
    // (0, 0, natural width, natural height); the zero rectangle without a photograph.
    virtual Rect naturalImageBoundsForCell(int32_t cell) = 0;
    // In natural pixels; the zero rectangle when not cropped or without a photograph.
    virtual Rect cropRectForCell(int32_t cell) = 0;
    // The placement offset in natural pixels; (0, 0) when none.
    virtual Point offsetForCell(int32_t cell) = 0;
    virtual void setOffsetForCell(Point offset, int32_t cell) = 0;
    // A drawing found the stored offset too far and drew the nearest one that
    // keeps the cell covered; a source may keep it. Not a change by the user: by
    // default stored through setOffsetForCell with notifications off.
    virtual void keepDrawnOffsetForCell(Point offset, int32_t cell);
    // One mode for all cells: ScalingModeFill, ScalingModeFit, any other value stretches.
    virtual int32_t scalingModeForCell(int32_t cell) = 0;
    // The caption objects of the cell's photograph, placed in its natural
    // pixels; empty when the cell has none.
    virtual std::vector<std::shared_ptr<TMObject>> captionArrayForCell(int32_t cell) = 0;
    // 0 or less: none set.
    virtual float preferredDPI() = 0;
    // 0 the screen, 1 a printer or a file.
    virtual int32_t destinationDevice() = 0;
    virtual bool notificationsDisabled() = 0;
    virtual void setNotificationsDisabled(bool disabled) = 0;
    // Matches a rendered image to the output profile, when one is used.
    virtual void colorMatchImage(Image& image) = 0;
    // The text of an editable field (editable text number - 1), never null.
    virtual QString editValueForField(int32_t field) = 0;
    // The value of a property key ("File-F001", "Template-T003") for a cell;
    // a null text for a template key it does not know.
    virtual QString propertyForCell(const QString& key, int32_t cell) = 0;
};
