#include "platform/foundation/Geometry.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <gtest/gtest.h>

TEST(Geometry, IntegralRectRoundsOutwardAndEmptiesToZero) {
    EXPECT_EQ(integralRect({0.5f, -0.5f, 1.0f, 1.0f}), Rect(0, -1, 2, 2));
    EXPECT_EQ(integralRect({1, 1, 0, 5}), kZeroRect);
    EXPECT_EQ(integralRect({1.2f, 2.7f, 3.1f, 0.2f}), Rect(1, 2, 4, 1));
}

TEST(Geometry, UnionIgnoresEmptyRectangles) {
    const Rect a{0, 0, 10, 10};
    EXPECT_EQ(unionRect(a, {50, 50, 0, 0}), a);
    EXPECT_EQ(unionRect({-5, -5, 0, 3}, a), a);
    EXPECT_EQ(unionRect(a, {5, 5, 10, 10}), Rect(0, 0, 15, 15));
    EXPECT_EQ(unionRect(kZeroRect, kZeroRect), kZeroRect);
}

TEST(Geometry, IntersectionOfTouchingRectanglesIsZero) {
    EXPECT_EQ(intersectionRect({0, 0, 10, 10}, {10, 0, 5, 5}), kZeroRect);
    EXPECT_EQ(intersectionRect({0, 0, 10, 10}, {5, 5, 10, 10}), Rect(5, 5, 5, 5));
    EXPECT_FALSE(intersectsRect({0, 0, 10, 10}, {10, 0, 5, 5}));
    EXPECT_TRUE(intersectsRect({0, 0, 10, 10}, {9, 9, 5, 5}));
}

TEST(Geometry, ContainmentIsHalfOpen) {
    const Rect r{0, 0, 10, 10};
    EXPECT_TRUE(pointInRect({0, 0}, r));
    EXPECT_FALSE(pointInRect({10, 5}, r));
    EXPECT_FALSE(pointInRect({5, 10}, r));
    // A flipped view moves the open side to the top edge.
    EXPECT_FALSE(mouseInRect({5, 0}, r, true));
    EXPECT_TRUE(mouseInRect({5, 10}, r, true));
    EXPECT_TRUE(containsRect(r, {0, 0, 10, 10}));
    EXPECT_FALSE(containsRect(r, {1, 1, 0, 0}));
}

TEST(Geometry, InsetAndOffset) {
    EXPECT_EQ(insetRect({0, 0, 10, 20}, 2, 3), Rect(2, 3, 6, 14));
    EXPECT_EQ(insetRect({0, 0, 10, 20}, -1, -1), Rect(-1, -1, 12, 22));
    EXPECT_EQ(offsetRect({1, 2, 3, 4}, -1, 5), Rect(0, 7, 3, 4));
}

TEST(Geometry, TextFormsUsePercentG) {
    EXPECT_EQ(stringFromPoint({1.5f, -2}), QStringLiteral("{1.5, -2}"));
    EXPECT_EQ(stringFromSize({612, 792}), QStringLiteral("{612, 792}"));
    EXPECT_EQ(stringFromRect({0, 0.25f, 100, 1e7f}), QStringLiteral("{{0, 0.25}, {100, 1e+07}}"));
}

TEST(Geometry, TextFormsReadBackLeniently) {
    EXPECT_EQ(pointFromString(QStringLiteral("{1.5, -2}")), Point({1.5f, -2}));
    EXPECT_EQ(rectFromString(QStringLiteral("{{1, 2}, {3, 4}}")), Rect(1, 2, 3, 4));
    EXPECT_EQ(sizeFromString(QStringLiteral("{7}")), Size({7, 0}));
    EXPECT_EQ(pointFromString(QStringLiteral("garbage")), kZeroPoint);
    const Rect r{0.1f, 123.456f, -7.25f, 1e-3f};
    EXPECT_EQ(rectFromString(stringFromRect(r)), r);
}

// A desktop process runs in the user's locale, where printf writes "1,5"; a
// point text written there must read back anywhere.
TEST(Geometry, TextFormsIgnoreTheProcessLocale) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess::execute(QStringLiteral("localedef"),
                      {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                       QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("de_DE.UTF-8"))});
    qputenv("LOCPATH", QFile::encodeName(dir.path()));
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE locale could be built here";
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%g", 1.5);
    ASSERT_STREQ(buffer, "1,5");

    EXPECT_EQ(stringFromPoint({1.5f, -2.25f}), QStringLiteral("{1.5, -2.25}"));
    EXPECT_EQ(pointFromString(QStringLiteral("{1.5, -2.25}")), Point({1.5f, -2.25f}));
    EXPECT_EQ(pointFromString(QStringLiteral("{+3.5, 4}")), Point({3.5f, 4}));
    std::setlocale(LC_NUMERIC, "C");
}
