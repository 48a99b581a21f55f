#include "utilities/OffscreenUtilities.h"

#include <gtest/gtest.h>

namespace {

// A 3-row by 4-column buffer whose every pixel holds a value of its own.
GWorldPtr numbered(const QDRect& bounds = {10, 20, 13, 24}) {
    GWorldPtr world = UTCreateGWorld(bounds);
    for (int r = 0; r < world->pixels().height(); ++r)
        for (int c = 0; c < world->pixels().width(); ++c)
            world->pixels().setPixel(c, r, 0xFF000000u | uint32_t(r * 16 + c));
    return world;
}

uint32_t at(const GWorldPtr& world, int row, int column) {
    return world->pixels().pixel(column, row) & 0xFFFFFFu;
}

} // namespace

TEST(OffscreenUtilities, CreateGWorldIsWhiteThirtyTwoBitOverItsBounds) {
    const QDRect bounds{-5, 7, 20, 47};
    GWorldPtr world = UTCreateGWorld(bounds);
    ASSERT_TRUE(world);
    EXPECT_EQ(world->bounds(), bounds);
    EXPECT_EQ(world->pixelSize(), 32);
    EXPECT_EQ(world->pixels().format(), QImage::Format_ARGB32);
    EXPECT_EQ(world->pixels().size(), QSize(40, 25));
    EXPECT_GE(world->rowBytes(), 40 * 4);
    for (int r = 0; r < 25; ++r)
        for (int c = 0; c < 40; ++c)
            ASSERT_EQ(world->pixels().pixel(c, r), 0xFFFFFFFFu);
}

TEST(OffscreenUtilities, CreateGWorldOfEmptyBoundsIsNull) {
    EXPECT_FALSE(UTCreateGWorld({0, 0, 0, 10}));
    EXPECT_FALSE(UTCreateGWorld({0, 0, 10, 0}));
    EXPECT_FALSE(UTCreateGWorld({10, 10, 0, 0}));
}

TEST(OffscreenUtilities, RotateGWorldTurnsByQuarters) {
    // Source: 3 rows, 4 columns. Each case names where source (row, column) lands.
    struct Case {
        int degrees;
        QDRect bounds;
        int (*row)(int r, int c);
        int (*column)(int r, int c);
    };
    const QDRect same{10, 20, 13, 24}, turned{20, 10, 24, 13};
    const Case cases[] = {
        {90, turned, [](int, int c) { return c; }, [](int r, int) { return 2 - r; }},
        {-270, turned, [](int, int c) { return c; }, [](int r, int) { return 2 - r; }},
        {450, turned, [](int, int c) { return c; }, [](int r, int) { return 2 - r; }},
        {180, same, [](int r, int) { return 2 - r; }, [](int, int c) { return 3 - c; }},
        {-180, same, [](int r, int) { return 2 - r; }, [](int, int c) { return 3 - c; }},
        {270, turned, [](int, int c) { return 3 - c; }, [](int r, int) { return r; }},
        {-90, turned, [](int, int c) { return 3 - c; }, [](int r, int) { return r; }},
        {45, same, [](int r, int) { return r; }, [](int, int c) { return c; }},
        {0, same, [](int r, int) { return r; }, [](int, int c) { return c; }},
        {360, same, [](int r, int) { return r; }, [](int, int c) { return c; }},
    };
    const GWorldPtr source = numbered();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        GWorldPtr destination;
        EXPECT_EQ(UTRotateGWorld(source, destination, c.degrees), 0);
        ASSERT_TRUE(destination);
        EXPECT_EQ(destination->bounds(), c.bounds);
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 4; ++col)
                ASSERT_EQ(at(destination, c.row(r, col), c.column(r, col)), uint32_t(r * 16 + col))
                    << r << "," << col;
    }
}

TEST(OffscreenUtilities, RotateGWorldIntoAGivenDestination) {
    const GWorldPtr source = numbered();
    GWorldPtr destination = UTCreateGWorld({0, 0, 4, 3});
    const GWorld* given = destination.get();
    EXPECT_EQ(UTRotateGWorld(source, destination, 90), 0);
    EXPECT_EQ(destination.get(), given);
    EXPECT_EQ(at(destination, 0, 2), 0x00u);
    EXPECT_EQ(at(destination, 3, 0), 0x23u);
}

TEST(OffscreenUtilities, RotateGWorldDropsWhatFallsOutsideASmallDestination) {
    const GWorldPtr source = numbered();
    GWorldPtr destination = UTCreateGWorld({0, 0, 2, 2});
    EXPECT_EQ(UTRotateGWorld(source, destination, 180), 0);
    EXPECT_EQ(at(destination, 0, 0), 0x23u);
    EXPECT_EQ(at(destination, 1, 1), 0x12u);
}

TEST(OffscreenUtilities, RotateGWorldOfEightBitsKeepsItsUnitSize) {
    GWorldPtr source = GWorld::make({0, 0, 2, 3}, QImage::Format_Grayscale8);
    ASSERT_TRUE(source);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            source->pixels().scanLine(r)[c] = uchar(10 * r + c);
    GWorldPtr destination;
    UTRotateGWorld(source, destination, -90);
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->pixelSize(), 8);
    EXPECT_EQ(destination->bounds(), QDRect({0, 0, 3, 2}));
    // Anticlockwise: the last column becomes the first row.
    EXPECT_EQ(destination->pixels().scanLine(0)[0], 2);
    EXPECT_EQ(destination->pixels().scanLine(0)[1], 12);
    EXPECT_EQ(destination->pixels().scanLine(2)[1], 10);

    // A destination of another unit size receives nothing.
    GWorldPtr wide = UTCreateGWorld({0, 0, 3, 2});
    UTRotateGWorld(source, wide, -90);
    EXPECT_EQ(wide->pixels().pixel(0, 0), 0xFFFFFFFFu);
}

TEST(OffscreenUtilities, RotateGWorldOfWideBuffersUsesTheWholeRowStride) {
    // 5000 pixels of 32 bits need more than 14 bits of row bytes.
    GWorldPtr source = UTCreateGWorld({0, 0, 2, 5000});
    ASSERT_TRUE(source);
    source->pixels().setPixel(4999, 1, 0xFF123456u);
    source->pixels().setPixel(0, 1, 0xFF654321u);
    GWorldPtr destination;
    UTRotateGWorld(source, destination, 90);
    ASSERT_TRUE(destination);
    EXPECT_EQ(at(destination, 4999, 0), 0x123456u);
    EXPECT_EQ(at(destination, 0, 0), 0x654321u);
    EXPECT_EQ(at(destination, 0, 1), 0xFFFFFFu);
}

TEST(OffscreenUtilities, RotateGWorldWithoutSourceDoesNothing) {
    GWorldPtr destination;
    EXPECT_EQ(UTRotateGWorld(nullptr, destination, 90), 0);
    EXPECT_FALSE(destination);
}
