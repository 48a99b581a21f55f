#include "utilities/VersionUtilities.h"

#include <gtest/gtest.h>

TEST(VersionUtilities, EncodeVersion) {
    struct Case {
        const char* text;
        int32_t packed;
    };
    const Case cases[] = {
        {"1.2.3", 0x123},
        {"2.17.3", 0x2F3},
        {"2.3.99", 0x23F},
        {"2", 0x200},
        {"2.5", 0x250},
        {"1.2.3.4", 0},
        {"", 0},
        {"abc", 0},
        {"1.x.3", 0x103},
        {"3b.4c.5d", 0x345},
        {" 7. 8", 0x780},
        {"300.0.1", 0x12C01},
        // Only values above 15 are capped; negative ones pass through.
        {"1.-1.0", 0x100 - 0x10},
        {"-1", -256},
        // The major number is neither capped nor masked.
        {"8388608", int32_t(0x80000000u)},
        {"99999999999", int32_t(0xFFFFFF00u)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeVersion(QString::fromUtf8(c.text)), c.packed) << c.text;
}

TEST(VersionUtilities, DecodeVersion) {
    struct Case {
        int32_t packed;
        const char* text;
    };
    const Case cases[] = {
        {0x123, "1.2.3"},     {0x100, "1.0.0"}, {0x2F3, "2.15.3"}, {0, "0.0.0"},
        {0x12C01, "300.0.1"}, {-256, "-1.0.0"}, {-1, "-1.15.15"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeVersion(c.packed), QString::fromUtf8(c.text)) << c.packed;
}

TEST(VersionUtilities, RoundTripWithinTheCaps) {
    for (const char* text : {"1.0.0", "4.15.15", "10.3.9", "255.1.2"})
        EXPECT_EQ(DecodeVersion(EncodeVersion(QString::fromUtf8(text))), QString::fromUtf8(text));
    EXPECT_EQ(DecodeVersion(EncodeVersion(QStringLiteral("2.17.30"))), QStringLiteral("2.15.15"));
}
