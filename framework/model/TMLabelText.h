#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"

#include <QColor>
#include <QString>

// The label that placeholders of the editor show (a photo cell's, a print
// area's): the message font from 24 points down until the text fits the width
// and the height limit, never below 7 points, centred in a box of the width
// and that limit.
struct FORMWELL_EXPORT TMLabelText {
    static constexpr float kLargestFontSize = 24.0f;
    // Below this the font is lowered no further: a text that still does not
    // fit is drawn one point smaller, at 7.
    static constexpr float kSmallestFontSize = 8.0f;
    static constexpr float kHeightLimit = 30.0f;

    // The smaller of the rectangle's height less 2 and 30.
    static float heightLimitForRect(const Rect& r);
    static float fontSizeForText(const QString& text, float width, float heightLimit);
    // The box the text is drawn in, centred in r.
    static Rect textRectInRect(const Rect& r);
    // Draws into the current graphics context.
    static void drawInRect(const QString& text, const Rect& r, const QColor& color);
};
