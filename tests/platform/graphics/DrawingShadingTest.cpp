#include "DrawingTestCanvas.h"

#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Shading.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Red at 0 to blue at 1.
std::array<float, 4> redToBlue(float t) {
    return {1 - t, 0, t, 1};
}

void expectColor(const QColor& c, double r, double g, double b, double tolerance = 0.02) {
    EXPECT_NEAR(c.redF(), r, tolerance);
    EXPECT_NEAR(c.greenF(), g, tolerance);
    EXPECT_NEAR(c.blueF(), b, tolerance);
    EXPECT_GT(c.alpha(), 250);
}

} // namespace

TEST(DrawingShading, AxialRunsFromStartToEndAndExtendsBothWays) {
    DrawingTestCanvas canvas(100, 40);
    canvas.context().drawShading(Shading::axial({20, 0}, {80, 0}, redToBlue));
    expectColor(canvas.at(20.5, 20), 1, 0, 0);
    expectColor(canvas.at(50, 20), 0.5, 0, 0.5);
    expectColor(canvas.at(79.5, 20), 0, 0, 1);
    expectColor(canvas.at(2, 5), 1, 0, 0);   // before the start
    expectColor(canvas.at(98, 35), 0, 0, 1); // past the end
    expectColor(canvas.at(35, 2), 0.75, 0, 0.25);
    expectColor(canvas.at(35, 38), 0.75, 0, 0.25); // constant across the axis
}

TEST(DrawingShading, RadialRunsFromTheStartCircleToTheEndCircle) {
    DrawingTestCanvas canvas(100, 100);
    canvas.context().drawShading(Shading::radial({50, 50}, 0, {50, 50}, 40, redToBlue));
    expectColor(canvas.at(50, 50), 1, 0, 0, 0.03);
    expectColor(canvas.at(70.5, 50.5), 0.5, 0, 0.5, 0.03);
    expectColor(canvas.at(50.5, 30), 0.5, 0, 0.5, 0.03);
    expectColor(canvas.at(50.5, 89.5), 0, 0, 1, 0.03);
    expectColor(canvas.at(2, 2), 0, 0, 1); // past the end circle
}

TEST(DrawingShading, FillsOnlyTheClipAndFollowsTheTransform) {
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    ctx.saveGraphicsState();
    ctx.addClip(BezierPath::bezierPathWithOvalInRect({10, 10, 80, 80}));
    AffineTransform turn; // axis along the page's y
    turn.translateXByYBy(50, 50);
    turn.rotateByDegrees(90);
    ctx.concat(turn);
    ctx.drawShading(Shading::axial({-40, 0}, {40, 0}, redToBlue));
    ctx.restoreGraphicsState();
    expectColor(canvas.at(50, 12), 1, 0, 0, 0.04);
    expectColor(canvas.at(50, 88), 0, 0, 1, 0.04);
    expectColor(canvas.at(30, 50), 0.5, 0, 0.5);
    EXPECT_EQ(canvas.at(3, 3).alpha(), 0);
}

TEST(DrawingShading, DenseSamplingLeavesNoBands) {
    // A long, slow ramp: neighbouring pixels differ by at most one level and
    // never step back, and a bend in the function lands where it should.
    DrawingTestCanvas canvas(1000, 4);
    auto bent = [](float t) -> std::array<float, 4> {
        const float v = t < 0.5f ? t * 0.2f : 0.1f + (t - 0.5f) * 1.8f;
        return {v, v, v, 1};
    };
    canvas.context().drawShading(Shading::axial({0, 0}, {1000, 0}, bent));
    int previous = canvas.at(0.5, 2).red();
    int largestStep = 0;
    for (int x = 1; x < 1000; ++x) {
        const int v = canvas.at(x + 0.5, 2).red();
        EXPECT_GE(v, previous) << x;
        largestStep = std::max(largestStep, v - previous);
        previous = v;
    }
    EXPECT_LE(largestStep, 2);
    EXPECT_NEAR(canvas.at(250, 2).redF(), 0.05, 0.01);
    EXPECT_NEAR(canvas.at(500, 2).redF(), 0.1, 0.01);
    EXPECT_NEAR(canvas.at(750, 2).redF(), 0.55, 0.01);
}

TEST(DrawingShading, FunctionAnswersAreClamped) {
    const Shading s = Shading::axial({0, 0}, {1, 0}, [](float) -> std::array<float, 4> {
        return {2.0f, -1.0f, NAN, 0.5f};
    });
    const QColor c = s.colorAt(0.5f);
    EXPECT_EQ(c.red(), 255);
    EXPECT_EQ(c.green(), 0);
    EXPECT_EQ(c.blue(), 0);
    EXPECT_NEAR(c.alphaF(), 0.5, 0.01);
    EXPECT_FALSE(s.isRadial());
    EXPECT_TRUE(Shading::radial({0, 0}, 0, {0, 0}, 5, redToBlue).isRadial());
}
