#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMRectPhotoMask.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageFocus.h"
#include "support/TestHost.h"

#include <QImage>
#include <gtest/gtest.h>
#include <memory>

namespace {

// An opaque red picture, one pixel a unit, y upward, in focus while it lives:
// what a photo cell has drawn before it applies its mask.
class Drawn {
public:
    Drawn(int width, int height) : _height(height) {
        QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(Qt::red);
        _image = Image(pixels);
        _focus = std::make_unique<ImageFocus>(_image);
    }
    // The alpha at a pixel, counted from the lower left.
    int alpha(int x, int y) {
        _focus->unlockFocus();
        return qAlpha(_image.pixels().pixel(x, _height - 1 - y));
    }
    // Whether the pixel keeps the photograph's colour (red over whatever alpha).
    bool keepsColour(int x, int y) {
        _focus->unlockFocus();
        const QColor c =
            QColor::fromRgba(qUnpremultiply(_image.pixels().pixel(x, _height - 1 - y)));
        return c.alpha() == 0 || (c.red() > 250 && c.green() < 5 && c.blue() < 5);
    }

private:
    int _height;
    Image _image;
    std::unique_ptr<ImageFocus> _focus;
};

std::shared_ptr<TMOvalPhotoMask> oval(float feather) {
    auto mask = TMPhotoMask::create<TMOvalPhotoMask>();
    mask->setFeatherPct(feather);
    return mask;
}

std::shared_ptr<TMRectPhotoMask> rect(float feather, float corner) {
    auto mask = TMPhotoMask::create<TMRectPhotoMask>();
    mask->setFeatherPct(feather);
    mask->setCornerRadius(corner);
    return mask;
}

} // namespace

TEST(PhotoMaskDrawing, OvalKeepsItsInsideAndClearsTheCornersOfItsRectangleOnly) {
    TestHost host;
    Drawn drawn(240, 140);
    oval(0)->applyMasktoRect(Rect(20, 20, 200, 100));
    EXPECT_EQ(drawn.alpha(120, 70), 255); // centre
    EXPECT_EQ(drawn.alpha(30, 70), 255);  // near the left end of the oval
    EXPECT_EQ(drawn.alpha(22, 22), 0);    // corners of the rectangle
    EXPECT_EQ(drawn.alpha(217, 117), 0);
    EXPECT_EQ(drawn.alpha(120, 20), 0); // the margin inside the rectangle's edge
    EXPECT_EQ(drawn.alpha(5, 5), 255);  // outside the rectangle: untouched
    EXPECT_EQ(drawn.alpha(230, 130), 255);
    EXPECT_TRUE(drawn.keepsColour(120, 70));
    EXPECT_TRUE(drawn.keepsColour(5, 5));
}

TEST(PhotoMaskDrawing, TooSmallARectangleIsLeftAloneAndFourPixelsAreMasked) {
    TestHost host;
    {
        Drawn drawn(20, 120);
        oval(0)->applyMasktoRect(Rect(5, 5, 3, 100));
        for (int y : {5, 50, 104})
            for (int x : {5, 6, 7})
                EXPECT_EQ(drawn.alpha(x, y), 255) << x << "," << y;
    }
    {
        Drawn drawn(20, 20);
        oval(0)->applyMasktoRect(Rect(5, 5, 4, 4));
        EXPECT_LT(drawn.alpha(5, 5), 255);
        EXPECT_LT(drawn.alpha(8, 8), 255);
    }
}

TEST(PhotoMaskDrawing, FeatherFadesFromTheOutlineInwards) {
    TestHost host;
    Drawn drawn(220, 220);
    // Feather 1 over 200 pixels: a soft edge about 40 pixels wide.
    oval(1)->applyMasktoRect(Rect(10, 10, 200, 200));
    EXPECT_EQ(drawn.alpha(110, 110), 255);
    EXPECT_EQ(drawn.alpha(12, 110), 0);
    int previous = 0;
    bool between = false;
    for (int x = 13; x <= 110; ++x) {
        const int a = drawn.alpha(x, 110);
        EXPECT_GE(a, previous - 1) << "at " << x;
        previous = std::max(previous, a);
        between = between || (a > 60 && a < 200);
        EXPECT_TRUE(drawn.keepsColour(x, 110));
    }
    EXPECT_TRUE(between);
    EXPECT_LT(drawn.alpha(30, 110), 200); // still fading 16 pixels in
    EXPECT_EQ(drawn.alpha(70, 110), 255); // solid some 45 pixels in
}

TEST(PhotoMaskDrawing, SoftEdgeWidthFollowsTheFeatherAndTheSmallerSide) {
    TestHost host;
    // 500 x 300 at feather 1: 61 soft outlines one pixel apart from x = 4.5.
    Drawn drawn(500, 300);
    rect(1, 0)->applyMasktoRect(Rect(0, 0, 500, 300));
    EXPECT_LT(drawn.alpha(55, 150), 255);
    EXPECT_EQ(drawn.alpha(72, 150), 255);
    EXPECT_EQ(drawn.alpha(2, 150), 0);
}

TEST(PhotoMaskDrawing, RectangleCornersAreRoundedByAFractionOfHalfTheSmallerSide) {
    TestHost host;
    {
        // Radius 0.5 x 50 = 25 pixels.
        Drawn drawn(200, 100);
        rect(0, 0.5f)->applyMasktoRect(Rect(0, 0, 200, 100));
        EXPECT_EQ(drawn.alpha(6, 6), 0);
        EXPECT_EQ(drawn.alpha(6, 50), 255);
        EXPECT_EQ(drawn.alpha(100, 6), 255);
        EXPECT_EQ(drawn.alpha(1, 50), 0);
        EXPECT_EQ(drawn.alpha(100, 99), 0);
    }
    {
        // Radius 0 still rounds by one pixel: the corner is nearly square.
        Drawn drawn(200, 100);
        rect(0, 0)->applyMasktoRect(Rect(0, 0, 200, 100));
        EXPECT_EQ(drawn.alpha(6, 6), 255);
        EXPECT_EQ(drawn.alpha(193, 93), 255);
    }
}

TEST(PhotoMaskDrawing, SmallFeatherGivesAnInvisibleOutlineThenTheSolidShape) {
    TestHost host;
    // f x min / 5 below 1: the increment is 1; the solid shape sits one pixel in.
    Drawn hard(100, 100);
    oval(0)->applyMasktoRect(Rect(0, 0, 100, 100));
    Drawn soft(100, 100);
    oval(0.01f)->applyMasktoRect(Rect(0, 0, 100, 100));
    EXPECT_EQ(soft.alpha(50, 50), 255);
    EXPECT_EQ(hard.alpha(2, 50), 255);
    EXPECT_LT(soft.alpha(2, 50), 200);
    EXPECT_EQ(soft.alpha(4, 50), 255);
}

TEST(PhotoMaskDrawing, ANegativeFeatherKeepsThePhotographAsAHardEdgeDoes) {
    TestHost host;
    Drawn hard(120, 80);
    oval(0)->applyMasktoRect(Rect(0, 0, 120, 80));
    Drawn ovalNegative(120, 80);
    oval(-0.4f)->applyMasktoRect(Rect(0, 0, 120, 80));
    Drawn hardRect(120, 80);
    rect(0, 0.2f)->applyMasktoRect(Rect(0, 0, 120, 80));
    Drawn rectNegative(120, 80);
    rect(-1, 0.2f)->applyMasktoRect(Rect(0, 0, 120, 80));
    for (int y = 0; y < 80; y += 3)
        for (int x = 0; x < 120; x += 3) {
            ASSERT_EQ(ovalNegative.alpha(x, y), hard.alpha(x, y)) << x << "," << y;
            ASSERT_EQ(rectNegative.alpha(x, y), hardRect.alpha(x, y)) << x << "," << y;
        }
    EXPECT_EQ(ovalNegative.alpha(30, 40), 255);
    EXPECT_EQ(rectNegative.alpha(10, 40), 255);
}
