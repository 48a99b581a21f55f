#include "DrawingTestCanvas.h"

#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"

#include <gtest/gtest.h>

namespace {

// Top half red, bottom half blue as stored (top row first).
QImage redOverBlue(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    return image;
}

QColor drawn(bool contextFlipped, bool imageFlipped, double x, double y,
             const Rect& source = kZeroRect) {
    DrawingTestCanvas canvas(10, 10, contextFlipped);
    Image image(redOverBlue(10, 10));
    image.setFlipped(imageFlipped);
    canvas.context().drawImage(image, {0, 0, 10, 10}, source, CompositingOperation::SourceOver, 1);
    const QImage& px = canvas.pixels();
    return px.pixelColor(int(x), int(y)); // device pixels, top row first
}

} // namespace

TEST(DrawingImage, UnflippedImagesShowUprightInUnflippedContexts) {
    EXPECT_EQ(drawn(false, false, 5, 2), QColor(Qt::red));
    EXPECT_EQ(drawn(false, false, 5, 8), QColor(Qt::blue));
    // A flipped image shows upside down there...
    EXPECT_EQ(drawn(false, true, 5, 2), QColor(Qt::blue));
    // ...and upright in a flipped context, where an unflipped one turns over.
    EXPECT_EQ(drawn(true, true, 5, 2), QColor(Qt::red));
    EXPECT_EQ(drawn(true, false, 5, 2), QColor(Qt::blue));
}

TEST(DrawingImage, SourceRectangleCountsFromTheLowerLeft) {
    // The lower half of the image (blue) stretched over the whole destination,
    // flipped or not.
    EXPECT_EQ(drawn(false, false, 5, 2, {0, 0, 10, 5}), QColor(Qt::blue));
    EXPECT_EQ(drawn(false, false, 5, 8, {0, 0, 10, 5}), QColor(Qt::blue));
    EXPECT_EQ(drawn(false, true, 5, 2, {0, 5, 10, 5}), QColor(Qt::red));
    EXPECT_EQ(drawn(false, true, 5, 8, {0, 5, 10, 5}), QColor(Qt::red));
}

TEST(DrawingImage, SourceRectangleIsInPointsNotPixels) {
    // 40 x 40 pixels for a 10 x 10 point image.
    DrawingTestCanvas canvas(20, 20);
    Image image(redOverBlue(40, 40), Size{10, 10});
    canvas.context().drawImage(image, {0, 0, 20, 20}, {0, 5, 10, 5},
                               CompositingOperation::SourceOver, 1);
    EXPECT_EQ(canvas.at(10, 10), QColor(Qt::red));
    EXPECT_EQ(canvas.at(2, 2), QColor(Qt::red));
}

TEST(DrawingImage, EmptyOrOutsideSourcesDrawNothing) {
    DrawingTestCanvas canvas(10, 10);
    Image image(redOverBlue(10, 10));
    canvas.context().drawImage(image, {0, 0, 10, 10}, {2, 2, 0, 5},
                               CompositingOperation::SourceOver, 1);
    canvas.context().drawImage(image, {0, 0, 10, 10}, {20, 20, 5, 5},
                               CompositingOperation::SourceOver, 1);
    canvas.context().drawImage(Image(), {0, 0, 10, 10}, kZeroRect, CompositingOperation::Copy, 1);
    EXPECT_EQ(canvas.at(5, 5).alpha(), 0);
}

TEST(DrawingImage, MirroringAndTurningThroughTheTransform) {
    // An image whose left half is green: mirrored left-right it shows on the right.
    QImage leftGreen(10, 10, QImage::Format_ARGB32_Premultiplied);
    leftGreen.fill(Qt::white);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 5; ++x)
            leftGreen.setPixel(x, y, qRgb(0, 255, 0));
    DrawingTestCanvas canvas(40, 20);
    GraphicsContext& ctx = canvas.context();
    AffineTransform t;
    t.translateXByYBy(10, 10);
    t.scaleXByYBy(-1, 1);
    ctx.saveGraphicsState();
    ctx.concat(t);
    ctx.drawImage(Image(leftGreen), {-5, -5, 10, 10}, kZeroRect, CompositingOperation::SourceOver,
                  1);
    ctx.restoreGraphicsState();

    // Turned a quarter counter-clockwise: the top (red) goes to the left.
    AffineTransform turn;
    turn.translateXByYBy(30, 10);
    turn.rotateByDegrees(90);
    ctx.concat(turn);
    ctx.drawImage(Image(redOverBlue(10, 10)), {-5, -5, 10, 10}, kZeroRect,
                  CompositingOperation::SourceOver, 1);
    EXPECT_EQ(canvas.at(7, 10), QColor(Qt::white));
    EXPECT_EQ(canvas.at(13, 10), QColor(Qt::green));
    EXPECT_EQ(canvas.at(27, 10), QColor(Qt::red));
    EXPECT_EQ(canvas.at(33, 10), QColor(Qt::blue));
}

TEST(DrawingImage, PicturesDrawnIntoImagesComeBackTheSameWayUp) {
    for (bool flipped : {false, true}) {
        Image picture;
        picture.setSize({10, 10});
        picture.setFlipped(flipped);
        {
            ImageFocus focus(picture);
            focus.context()->setFillColor(Qt::red);
            // the upper half as the picture's own coordinates see it
            focus.context()->rectFill(flipped ? Rect{0, 0, 10, 5} : Rect{0, 5, 10, 5});
        }
        DrawingTestCanvas canvas(10, 10, flipped);
        canvas.context().drawImage(picture, {0, 0, 10, 10}, kZeroRect,
                                   CompositingOperation::SourceOver, 1);
        SCOPED_TRACE(flipped);
        EXPECT_EQ(canvas.at(5, flipped ? 2 : 8), QColor(Qt::red));
        EXPECT_EQ(canvas.at(5, flipped ? 8 : 2).alpha(), 0);
    }
}

TEST(DrawingImage, ConversionsKeepPixelsAndResolution) {
    const QImage pixels = redOverBlue(300, 150);
    const Image image = Image::fromQImage(pixels, 300.0 / 72.0);
    EXPECT_FLOAT_EQ(image.size().width, 72);
    EXPECT_FLOAT_EQ(image.size().height, 36);
    EXPECT_EQ(image.toQImage().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(image.toQImage(QImage::Format_RGB32).pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixels().size(), QSize(300, 150));

    DrawingTestCanvas canvas(72, 36);
    image.drawInRectFromRectOperationFraction({0, 0, 72, 36}, kZeroRect, CompositingOperation::Copy,
                                              1);
    EXPECT_EQ(canvas.at(10, 30), QColor(Qt::red));
    EXPECT_EQ(canvas.at(10, 5), QColor(Qt::blue));
}

TEST(DrawingImage, FocusDrawsInPlaceButLeavesCopiesAlone) {
    QImage start(4, 4, QImage::Format_ARGB32_Premultiplied);
    start.fill(Qt::blue);
    Image picture(start);
    const Image copy = picture;
    const uchar* ownBits = nullptr;
    {
        ImageFocus focus(picture);
        focus.context()->setFillColor(Qt::red);
        focus.context()->rectFill({0, 0, 4, 4});
    }
    EXPECT_EQ(picture.pixels().pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(copy.pixels().pixelColor(1, 1), QColor(Qt::blue));

    // Unshared pixels are drawn into where they are, not copied first.
    start = QImage();
    Image alone(QImage(4, 4, QImage::Format_ARGB32_Premultiplied));
    ownBits = alone.pixels().constBits();
    {
        ImageFocus focus(alone);
        focus.context()->setFillColor(Qt::green);
        focus.context()->rectFill({0, 0, 4, 4});
    }
    EXPECT_EQ(alone.pixels().constBits(), ownBits);
    EXPECT_EQ(alone.pixels().pixelColor(2, 2), QColor(Qt::green));
}
