#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/graphics/Font.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One typeface of a font family as the font pop-ups list it. The font name
// stands where the platform has a PostScript name: the family and the style
// joined by a hyphen ("DejaVu Sans-Bold"), unique across the fonts installed.
struct LUMISK_PLATFORM_EXPORT FontMember {
    enum Trait : int { ItalicTrait = 1, BoldTrait = 2 };

    QString fontName;
    QString faceName;
    // On the 1...1000 scale of Font.
    int weight = 400;
    int traits = 0;

    friend bool operator==(const FontMember&, const FontMember&) = default;
};

// The shared font manager over the fonts the system has installed: which
// families and typefaces there are, and fonts converted to another family,
// face or size, keeping what the conversion does not change.
class LUMISK_PLATFORM_EXPORT FontManager {
public:
    static FontManager& sharedFontManager();

    QStringList availableFontFamilies() const;
    // The family's typefaces in the order the font database lists them;
    // empty for a family that is not installed.
    QList<FontMember> availableMembersOfFontFamily(const QString& family) const;
    // The name of the member the font is drawn with: the member of its family
    // with its slant and the weight nearest its own, the plainest of those
    // that tie. The family's name when the family has no members.
    QString fontName(const Font& font) const;

    // The font in the family, with its size, weight and slant; unchanged for
    // a family that is not installed.
    Font convertFontToFamily(const Font& font, const QString& family) const;
    // The face of that name at the font's size; none for an unknown name.
    std::optional<Font> convertFontToFace(const Font& font, const QString& fontName) const;
    // None for a size below 1 point, above the largest or not a number.
    std::optional<Font> convertFontToSize(const Font& font, float size) const;

private:
    FontManager() = default;
};
