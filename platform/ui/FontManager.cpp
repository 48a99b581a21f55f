#include "platform/ui/FontManager.h"

#include <QFontDatabase>
#include <cmath>
#include <cstdlib>

namespace {

constexpr float kSmallestPointSize = 1;

FontMember memberOf(const QString& family, const QString& style) {
    FontMember member;
    member.faceName = style;
    member.fontName = QStringLiteral("%1-%2").arg(family, style);
    member.weight = QFontDatabase::weight(family, style);
    if (member.weight <= 0)
        member.weight = QFont::Normal;
    // Oblique faces slant too, though the database calls only italic ones italic.
    if (QFontDatabase::font(family, style, 12).style() != QFont::StyleNormal)
        member.traits |= FontMember::ItalicTrait;
    if (member.weight >= QFont::DemiBold)
        member.traits |= FontMember::BoldTrait;
    return member;
}

} // namespace

FontManager& FontManager::sharedFontManager() {
    static FontManager manager;
    return manager;
}

QStringList FontManager::availableFontFamilies() const {
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family))
            families.append(family);
    return families;
}

QList<FontMember> FontManager::availableMembersOfFontFamily(const QString& family) const {
    QList<FontMember> members;
    if (!QFontDatabase::hasFamily(family))
        return members;
    for (const QString& style : QFontDatabase::styles(family))
        members.append(memberOf(family, style));
    return members;
}

QString FontManager::fontName(const Font& font) const {
    const FontMember* best = nullptr;
    const QList<FontMember> members = availableMembersOfFontFamily(font.familyName());
    for (const FontMember& member : members) {
        if (bool(member.traits & FontMember::ItalicTrait) != font.isItalic())
            continue;
        const int distance = std::abs(member.weight - font.weight());
        const int bestDistance = best ? std::abs(best->weight - font.weight()) : 0;
        // Between faces of one weight, the plain one: its name carries the
        // fewest qualifiers ("Book" rather than "Condensed").
        if (!best || distance < bestDistance ||
            (distance == bestDistance && member.faceName.size() < best->faceName.size()))
            best = &member;
    }
    return best ? best->fontName : font.familyName();
}

Font FontManager::convertFontToFamily(const Font& font, const QString& family) const {
    if (!QFontDatabase::hasFamily(family))
        return font;
    return font.withFamily(family);
}

std::optional<Font> FontManager::convertFontToFace(const Font& font,
                                                   const QString& fontName) const {
    const auto faceIn = [&](const QString& family) -> std::optional<Font> {
        for (const FontMember& member : availableMembersOfFontFamily(family))
            if (member.fontName == fontName)
                return Font(family, font.pointSize(), member.weight,
                            member.traits & FontMember::ItalicTrait);
        return std::nullopt;
    };
    if (std::optional<Font> found = faceIn(font.familyName()))
        return found;
    for (const QString& family : availableFontFamilies())
        if (fontName.startsWith(family))
            if (std::optional<Font> found = faceIn(family))
                return found;
    return std::nullopt;
}

std::optional<Font> FontManager::convertFontToSize(const Font& font, float size) const {
    if (!std::isfinite(size) || size < kSmallestPointSize || size > Font::kMaxPointSize)
        return std::nullopt;
    return font.withSize(size);
}
