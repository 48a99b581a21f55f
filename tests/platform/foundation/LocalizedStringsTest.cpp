#include "platform/foundation/LocalizedStrings.h"

#include <gtest/gtest.h>

TEST(LocalizedStrings, ParsesQuotedEntriesWithEscapesAndComments) {
    const auto table = LocalizedStrings::parseTable(QStringLiteral(R"(
/* a comment */
"USER_PATH" = "~/Lumisk";   // trailing comment
"A Program Error Occurred!" = "Something \"broke\"\r\nagain";
not an entry
"MISSING_VALUE" = ;
"LAST" = "x")"));
    EXPECT_EQ(table.value(QStringLiteral("USER_PATH")), QStringLiteral("~/Lumisk"));
    EXPECT_EQ(table.value(QStringLiteral("A Program Error Occurred!")),
              QStringLiteral("Something \"broke\"\r\nagain"));
    EXPECT_FALSE(table.contains(QStringLiteral("MISSING_VALUE")));
    EXPECT_EQ(table.value(QStringLiteral("LAST")), QStringLiteral("x"));
}

TEST(LocalizedStrings, LooksUpTheBundleTableAndAnswersMissingKeysWithTheKey) {
    EXPECT_EQ(localizedString(QStringLiteral("GREETING"), QStringLiteral("TestBundle")),
              QStringLiteral("Hello"));
    EXPECT_EQ(localizedString(QStringLiteral("NOT_THERE"), QStringLiteral("TestBundle")),
              QStringLiteral("NOT_THERE"));
    EXPECT_EQ(localizedString(QStringLiteral("GREETING"), QStringLiteral("NoSuchBundle")),
              QStringLiteral("GREETING"));
}
