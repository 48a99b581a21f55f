#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/ShadowValue.h"

#include <optional>

// Paragraph settings of a run of text.
struct ParagraphStyle {
    // 0 left, 1 right, 2 centre, 3 justified, 4 natural (the writing direction's start).
    enum Alignment : qint32 { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };

    qint32 alignment = Natural;
    float lineSpacing = 0;        // extra points between lines
    float lineHeightMultiple = 0; // 0: the font's own line height
    float minimumLineHeight = 0;

    friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

// The attributes of one run of a TextStorage; an absent attribute means the
// default (Helvetica-like default font, black, natural alignment, no kern, no
// baseline offset, no shadow).
struct TextAttributes {
    std::optional<Font> font;
    std::optional<Color> foregroundColor;
    std::optional<ParagraphStyle> paragraphStyle;
    std::optional<float> kern;
    std::optional<float> baselineOffset;
    std::optional<ShadowValue> shadow;

    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};
