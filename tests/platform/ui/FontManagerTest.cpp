#include "platform/ui/FontManager.h"

#include <QGuiApplication>
#include <QSet>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

FontManager& manager() {
    return FontManager::sharedFontManager();
}

// An installed family with an upright regular and an upright bold face.
std::optional<std::pair<FontMember, FontMember>> regularAndBold(QString* family) {
    for (const QString& name : manager().availableFontFamilies()) {
        std::optional<FontMember> regular, bold;
        for (const FontMember& member : manager().availableMembersOfFontFamily(name)) {
            if (member.traits & FontMember::ItalicTrait)
                continue;
            if (member.weight == QFont::Normal)
                regular = member;
            else if (member.weight == QFont::Bold)
                bold = member;
        }
        if (regular && bold) {
            *family = name;
            return std::make_pair(*regular, *bold);
        }
    }
    return std::nullopt;
}

TEST(FontManager, MembersNameTheirFamilyAndStyleWithTheirTraits) {
    const QStringList families = manager().availableFontFamilies();
    ASSERT_FALSE(families.isEmpty());
    EXPECT_EQ(QSet<QString>(families.begin(), families.end()).size(), families.size());
    QSet<QString> names;
    for (const QString& family : families) {
        for (const FontMember& member : manager().availableMembersOfFontFamily(family)) {
            SCOPED_TRACE(member.fontName.toStdString());
            EXPECT_EQ(member.fontName, family + QStringLiteral("-") + member.faceName);
            EXPECT_EQ(bool(member.traits & FontMember::BoldTrait),
                      member.weight >= QFont::DemiBold);
            EXPECT_FALSE(names.contains(member.fontName));
            names.insert(member.fontName);
        }
    }
    EXPECT_TRUE(manager().availableMembersOfFontFamily(QStringLiteral("No Such Family")).isEmpty());
}

TEST(FontManager, ConversionsKeepWhatTheyDoNotChange) {
    QString family;
    const auto faces = regularAndBold(&family);
    if (!faces)
        GTEST_SKIP() << "SKIPPED: no installed family with a regular and a bold face";
    const Font regular(family, 15, QFont::Normal, false);
    EXPECT_EQ(manager().fontName(regular), faces->first.fontName);
    EXPECT_EQ(manager().fontName(regular.withBold(true)), faces->second.fontName);

    const std::optional<Font> bold = manager().convertFontToFace(regular, faces->second.fontName);
    ASSERT_TRUE(bold);
    EXPECT_EQ(*bold, Font(family, 15, QFont::Bold, false));
    EXPECT_FALSE(manager().convertFontToFace(regular, QStringLiteral("No Such Face")));

    QString other;
    for (const QString& name : manager().availableFontFamilies())
        if (name != family)
            other = name;
    ASSERT_FALSE(other.isEmpty());
    EXPECT_EQ(manager().convertFontToFamily(*bold, other), Font(other, 15, QFont::Bold, false));
    EXPECT_EQ(manager().convertFontToFamily(*bold, QStringLiteral("No Such Family")), *bold);
}

TEST(FontManager, SizesBelowOnePointOrBeyondTheLargestGiveNoFont) {
    const Font font(QStringLiteral("Sans"), 12);
    struct Case {
        float size;
        bool converts;
    };
    const Case cases[] = {{1, true},
                          {13.5f, true},
                          {Font::kMaxPointSize, true},
                          {0.99f, false},
                          {0, false},
                          {-12, false},
                          {Font::kMaxPointSize + 1, false},
                          {std::numeric_limits<float>::quiet_NaN(), false},
                          {std::numeric_limits<float>::infinity(), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const std::optional<Font> converted = manager().convertFontToSize(font, c.size);
        ASSERT_EQ(converted.has_value(), c.converts);
        if (converted) {
            EXPECT_EQ(*converted, font.withSize(c.size));
        }
    }
}

} // namespace

namespace {

TEST(FontManager, AnUprightFontIsNamedAfterAnUprightFaceOfItsWeight) {
    int checked = 0;
    for (const QString& family : manager().availableFontFamilies()) {
        for (const FontMember& member : manager().availableMembersOfFontFamily(family)) {
            SCOPED_TRACE(member.fontName.toStdString());
            // Oblique faces count as slanted.
            if (member.faceName.contains(QStringLiteral("Oblique"))) {
                EXPECT_TRUE(member.traits & FontMember::ItalicTrait);
            }
        }
        const QString name = manager().fontName(Font(family, 12, QFont::Normal, false));
        for (const FontMember& member : manager().availableMembersOfFontFamily(family)) {
            if (member.fontName != name)
                continue;
            SCOPED_TRACE(name.toStdString());
            EXPECT_FALSE(member.traits & FontMember::ItalicTrait);
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

} // namespace
