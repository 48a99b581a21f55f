#include "utilities/GeometryUtilities.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

// The step-down exactly as stated: one whole point at a time from the truncated
// bound, stopping at a long side of 0.
Size literalStepDown(Size size, Size bounds) {
    if (size.width > size.height) {
        const float r = size.height / size.width;
        for (long long n = std::max(0LL, (long long)bounds.width);; --n)
            if (!(r * float(n) > bounds.height) || n == 0)
                return {float(n), r * float(n)};
    }
    const float r = size.width / size.height;
    for (long long n = std::max(0LL, (long long)bounds.height);; --n)
        if (!(float(n) * r > bounds.width) || n == 0)
            return {float(n) * r, float(n)};
}

struct ScaleCase {
    Size size, bounds, fit, fit2;
};

} // namespace

TEST(GeometryUtilities, ScaleSizeToFitStepsTheLongSideDown) {
    const ScaleCase cases[] = {
        {{400, 300}, {200, 200}, {200, 150}, {200, 150}},
        {{300, 400}, {500, 500}, {300, 400}, {375, 500}},
        // Tall narrow bounds: the landscape width steps down until the height fits.
        {{400, 300}, {1000, 100}, {133, 99.75f}, {133, 99.75f}},
        // Bounds are truncated before the loop.
        {{400, 300}, {99.9f, 99.9f}, {99, 74.25f}, {99, 74.25f}},
        {{300, 300}, {99.9f, 150}, {99, 99}, {99, 99}},
        // A product equal to the bound is accepted.
        {{400, 100}, {80, 20}, {80, 20}, {80, 20}},
        {{10, 20}, {10, 20}, {10, 20}, {10, 20}},
        // Bounds below zero stop at a long side of 0.
        {{400, 300}, {-5, -5}, {0, 0}, {0, 0}},
        {{300, 400}, {100, -1}, {0, 0}, {0, 0}},
        {{300, 400}, {-1, 100}, {0, 0}, {0, 0}},
    };
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE(stringFromSize(c.size).toStdString() + " in " +
                     stringFromSize(c.bounds).toStdString());
        EXPECT_EQ(UTScaleSizeToFit(c.size, c.bounds), c.fit);
        EXPECT_EQ(UTScaleSizeToFit2(c.size, c.bounds), c.fit2);
    }
}

TEST(GeometryUtilities, ScaleSizeToFitMatchesTheOnePointStepDown) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> side(0.5f, 3000.0f);
    for (int i = 0; i < 3000; ++i) {
        const Size size{side(random), side(random)}, bounds{side(random), side(random)};
        ASSERT_EQ(UTScaleSizeToFit2(size, bounds), literalStepDown(size, bounds))
            << stringFromSize(size).toStdString() << " in " << stringFromSize(bounds).toStdString();
    }
}

TEST(GeometryUtilities, ScaleSizeToFitWithHugeBoundsAnswersAtOnce) {
    const Size fit = UTScaleSizeToFit({400, 300}, {1e30f, 30});
    EXPECT_EQ(fit, Size({40, 30}));
    EXPECT_EQ(UTScaleSizeToFit2({3, 4}, {1e20f, 1e20f}).height, 1e20f);
}

TEST(GeometryUtilities, ZeroSidesPassInfinityAndNaNOn) {
    const Rect mapped = UTMapRect({0, 0, 0, 10}, {0, 0, 10, 10}, {1, 1, 1, 1});
    EXPECT_TRUE(std::isinf(mapped.origin.x));
    EXPECT_TRUE(std::isinf(mapped.size.width));
    EXPECT_EQ(mapped.origin.y, 1);
    EXPECT_TRUE(std::isnan(UTMapPoint({0, 0, 0, 10}, {0, 0, 10, 10}, {0, 0}).x));
    EXPECT_TRUE(std::isnan(UT_QDRectAspectRatio({5, 5, 5, 5})));
}

TEST(GeometryUtilities, Placing) {
    struct Case {
        const char* name;
        Rect result, expected;
    };
    const Case cases[] = {
        {"centre in", UTCenterRectInRect({99, 99, 10, 20}, {0, 0, 100, 50}), {45, 15, 10, 20}},
        {"centre in, odd", UTCenterRectInRect({0, 0, 3, 3}, {1, 1, 4, 5}), {1.5f, 2, 3, 3}},
        {"centre on point", UTCenterRectOnPoint({7, 7, 10, 4}, {0, 0}), {-5, -2, 10, 4}},
        {"from points", UTRectFromPoints({10, 20}, {5, 30}), {5, 20, 5, 10}},
        {"from equal points", UTRectFromPoints({3, 3}, {3, 3}), {3, 3, 0, 0}},
        {"bind, left overhang",
         UTBindRectInRect({-10, 0, 50, 50}, {0, 0, 100, 100}),
         {0, 0, 50, 50}},
        {"bind, wider than bounds",
         UTBindRectInRect({-10, 0, 200, 50}, {0, 0, 100, 100}),
         {-90, 0, 200, 50}},
        {"bind, top right", UTBindRectInRect({80, 90, 30, 30}, {0, 0, 100, 100}), {70, 70, 30, 30}},
        {"bind, taller than bounds",
         UTBindRectInRect({0, -20, 10, 150}, {0, 0, 100, 100}),
         {0, -30, 10, 150}},
        {"bind, inside", UTBindRectInRect({10, 10, 5, 5}, {0, 0, 100, 100}), {10, 10, 5, 5}},
        {"map",
         UTMapRect({10, 10, 100, 50}, {0, 0, 200, 200}, {60, 35, 10, 5}),
         {100, 100, 20, 20}},
        {"right 90", UTRotateRectRight90({10, 20, 30, 40}, {0, 0, 100, 7}), {20, 60, 40, 30}},
        {"left 90", UTRotateRectLeft90({10, 20, 30, 40}, {0, 0, 7, 100}), {40, 10, 40, 30}},
        {"mirror", UTMirrorRect({10, 5, 20, 8}, {0, 0, 100, 50}), {70, 5, 20, 8}},
        {"mirror, offset bounds", UTMirrorRect({10, 5, 20, 8}, {10, 0, 100, 50}), {90, 5, 20, 8}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.name;
    EXPECT_EQ(UTMapPoint({10, 10, 100, 50}, {0, 0, 200, 200}, {60, 35}), Point({100, 100}));
    EXPECT_EQ(UTMapPoint({0, 0, 10, 10}, {0, 0, -10, 10}, {2, 2}), Point({-2, 2}));
}

TEST(GeometryUtilities, QuickDrawRectangles) {
    struct Case {
        QDRect r, bounds, expected;
    };
    const Case cases[] = {
        {{0, 0, 10, 20}, {0, 0, 100, 100}, {45, 40, 55, 60}},
        // Halves truncate toward zero.
        {{0, 0, 3, 3}, {0, 0, 10, 10}, {4, 4, 7, 7}},
        {{5, 5, 10, 10}, {-11, -11, 0, 0}, {-8, -8, -3, -3}},
        // A larger rectangle overhangs the bounds evenly.
        {{0, 0, 40, 40}, {10, 10, 30, 30}, {0, 0, 40, 40}},
    };
    for (const Case& c : cases) {
        QDRect r = c.r;
        UT_CenterQDRectInRect(r, c.bounds);
        EXPECT_EQ(r, c.expected) << c.r.top << "," << c.r.left << " in " << c.bounds.top;
    }
    EXPECT_FLOAT_EQ(UT_QDRectAspectRatio({0, 0, 300, 400}), 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(UT_QDRectAspectRatio({10, 10, 20, 15}), 0.5f);
}
