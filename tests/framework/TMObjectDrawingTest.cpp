#include "TestImageSource.h"
#include "framework/model/TMObject.h"
#include "platform/documents/View.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageFocus.h"
#include "support/TestHost.h"

#include <QImage>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

const ShadowValue kHardShadow{{10, -10}, 0, Qt::black};

// An image of 100 x 100 points, one pixel a point, in focus while it lives.
class Canvas {
public:
    explicit Canvas(bool flipped = false) {
        _image.setSize({100, 100});
        _image.setFlipped(flipped);
        _focus = std::make_unique<ImageFocus>(_image);
    }
    GraphicsContext& context() { return *_focus->context(); }
    // The pixel under a point of the canvas (y upward unless flipped).
    QColor at(float x, float y) {
        _focus->unlockFocus();
        const int px = int(std::floor(x));
        const int py = _image.isFlipped() ? int(std::floor(y)) : 99 - int(std::floor(y));
        return _image.pixels().pixelColor(px, py);
    }

private:
    Image _image;
    std::unique_ptr<ImageFocus> _focus;
};

bool isRed(const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.alpha() > 200;
}
bool isShadow(const QColor& c) {
    return c.red() < 40 && c.alpha() > 200;
}
bool isClear(const QColor& c) {
    return c.alpha() < 10;
}

// The square (30, 30, 40, 40): its outline runs along the pixels 30 and 70.
TMObjectRef makeSquare() {
    TMObjectRef object = TMObject::newTemplateObjectWithOriginSize({30, 30}, {40, 40});
    object->setShadow(kHardShadow);
    object->setShadowEnabled(true);
    return object;
}

// Draws as the subclasses that cast shadows do.
void drawWithShadow(TMObject& object, GraphicsContext& context) {
    context.setStrokeColor(Qt::red);
    context.saveGraphicsState();
    object.applyShadow();
    object.drawObject(false);
    context.restoreGraphicsState();
}

// A view that draws one object and notes what it is asked to redraw.
class ObjectView : public View {
public:
    void setNeedsDisplayInRect(const Rect& rect) override {
        invalidated.push_back(rect);
        View::setNeedsDisplayInRect(rect);
    }
    std::vector<Rect> invalidated;
    TMObjectRef object;
    std::vector<bool> toScreen;

protected:
    void drawRect(const Rect&) override {
        // White underneath, so that colours can be told apart.
        GraphicsContext* context = GraphicsContext::currentContext();
        context->setFillColor(Qt::white);
        context->rectFill(bounds());
        context->setColor(Qt::black);
        if (!object)
            return;
        toScreen.push_back(object->isDrawingToScreen());
        object->drawObject(true);
    }
};

bool isHandleFill(const QColor& c) {
    // The handle's fill over white: clearly blue-green, not grey or black.
    return c.blue() - c.red() > 40 && c.green() - c.red() > 25;
}

struct TMObjectInView : ::testing::Test {
    TMObjectInView() {
        view.resize(200, 200);
        view.object = TMObject::newTemplateObjectWithOriginSize({50, 50}, {100, 100});
        view.object->setSelected(true);
    }
    QImage render() { return view.grab().toImage(); }
    TestHost host;
    ObjectView view;
};

} // namespace

TEST(TMObjectDrawing, OutlineCastsTheShadowOffscreen) {
    TestHost host;
    TMObjectRef object = makeSquare();
    Canvas canvas;
    drawWithShadow(*object, canvas.context());
    EXPECT_TRUE(isRed(canvas.at(30.5f, 50)));
    EXPECT_TRUE(isShadow(canvas.at(40.5f, 25))); // the left side, moved right and down
    EXPECT_TRUE(isClear(canvas.at(20.5f, 50)));
    EXPECT_TRUE(isClear(canvas.at(40.5f, 75)));
    // Drawn into an image, the object has no view to remember.
    EXPECT_EQ(object->lastDrawnInView(), nullptr);
}

TEST(TMObjectDrawing, DisabledShadowCastsNothing) {
    TestHost host;
    TMObjectRef object = makeSquare();
    object->setShadowEnabled(false);
    Canvas canvas;
    drawWithShadow(*object, canvas.context());
    EXPECT_TRUE(isRed(canvas.at(30.5f, 50)));
    EXPECT_TRUE(isClear(canvas.at(40.5f, 25)));
}

TEST(TMObjectDrawing, DefaultShadowIsSoftAndFallsDownRight) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObjectWithOriginSize({30, 30}, {40, 40});
    object->setShadowEnabled(true);
    Canvas canvas;
    drawWithShadow(*object, canvas.context());
    const QColor below = canvas.at(40.5f, 27);
    EXPECT_GT(below.alpha(), 10);
    EXPECT_LT(below.alpha(), 190); // blurred, and 0.75 at most
    EXPECT_TRUE(isClear(canvas.at(40.5f, 80)));
}

TEST(TMObjectDrawing, ResolutionScalesTheShadow) {
    TestHost host;
    TMObjectRef object = makeSquare();
    object->setDestinationDPI(144.9f);
    EXPECT_EQ(object->destinationDPI(), 144.0f);
    Canvas canvas;
    drawWithShadow(*object, canvas.context());
    EXPECT_TRUE(isShadow(canvas.at(50.5f, 15)));
    EXPECT_TRUE(isClear(canvas.at(40.5f, 25)));
}

TEST(TMObjectDrawing, ThumbnailsCastTheShadowTheSameWayOnThePage) {
    TestHost host;
    // In a flipped image y runs down; the thumbnail's shadow still falls down.
    TMObjectRef object = makeSquare();
    object->setDrawingThumbnail(true);
    Canvas thumbnail(true);
    drawWithShadow(*object, thumbnail.context());
    EXPECT_TRUE(isShadow(thumbnail.at(40.5f, 75)));
    EXPECT_TRUE(isClear(thumbnail.at(40.5f, 25)));

    object->setDrawingThumbnail(false);
    Canvas flipped(true);
    drawWithShadow(*object, flipped.context());
    EXPECT_TRUE(isShadow(flipped.at(40.5f, 25)));
}

TEST(TMObjectDrawing, NoShadowOnASystemWithout) {
    TestHost host;
    host.systemVersion = 0x1028;
    TMObjectRef object = makeSquare();
    Canvas canvas;
    object->applyShadow();
    EXPECT_FALSE(canvas.context().shadow().has_value());
    drawWithShadow(*object, canvas.context());
    EXPECT_TRUE(isClear(canvas.at(40.5f, 25)));
}

TEST(TMObjectDrawing, ProxyIsTheRectangleOutline) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObject();
    Canvas canvas;
    canvas.context().setStrokeColor(Qt::red);
    object->drawProxyInRect({10.5f, 10.5f, 20, 20});
    EXPECT_TRUE(isRed(canvas.at(10.5f, 20)));
    EXPECT_TRUE(isClear(canvas.at(20, 20)));
}

TEST(TMObjectDrawing, DrawingToScreen) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObject();
    EXPECT_FALSE(object->isDrawingToScreen()); // nothing in focus
    {
        Canvas canvas;
        EXPECT_FALSE(object->isDrawingToScreen());
    }
    QImage device(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&device);
    GraphicsContext screen(painter, {10, 10}, DestinationKind::Screen);
    GraphicsContext::Focus focus(screen);
    EXPECT_TRUE(object->isDrawingToScreen());
    TestImageSource source;
    object->setImageSource(&source);
    EXPECT_TRUE(object->isDrawingToScreen());
    source.device = 1;
    EXPECT_FALSE(object->isDrawingToScreen());
}

TEST_F(TMObjectInView, HandlesAreDrawnAtTheKnobs) {
    const QImage shot = render();
    // Knob 1 at (50, 50), knob 8 at (150, 150), knob 5 at (150, 100); y runs up.
    EXPECT_TRUE(isHandleFill(shot.pixelColor(50, 150)));
    EXPECT_TRUE(isHandleFill(shot.pixelColor(150, 50)));
    EXPECT_TRUE(isHandleFill(shot.pixelColor(150, 100)));
    EXPECT_FALSE(isHandleFill(shot.pixelColor(100, 100)));
    EXPECT_EQ(view.object->lastDrawnInView(), &view);
    ASSERT_FALSE(view.toScreen.empty());
    EXPECT_TRUE(view.toScreen.back());

    view.object->setSelected(false);
    EXPECT_FALSE(isHandleFill(render().pixelColor(50, 150)));
}

TEST_F(TMObjectInView, HandlesKeepTheirSizeInAZoomedView) {
    view.setBoundsSize({100, 100}); // everything drawn twice as large
    const QImage shot = render();
    // Knob 1 is at (100, 100) on the widget; the handle is 7 pixels across.
    EXPECT_TRUE(isHandleFill(shot.pixelColor(100, 100)));
    EXPECT_FALSE(isHandleFill(shot.pixelColor(105, 105)));
    EXPECT_FALSE(isHandleFill(shot.pixelColor(95, 95)));
}

TEST_F(TMObjectInView, ChangesMarkTheOldAndNewAreas) {
    render();
    const Rect before = view.object->visibleFrame();
    view.invalidated.clear();
    view.object->setCenter({120, 110});
    const Rect after = view.object->visibleFrame();
    ASSERT_GE(view.invalidated.size(), 2u);
    EXPECT_EQ(view.invalidated.front(), before);
    EXPECT_EQ(view.invalidated.back(), after);

    // While drawing for output (an image source is set) nothing is marked.
    TestImageSource source;
    view.object->setImageSource(&source);
    view.invalidated.clear();
    view.object->setCenter({10, 10});
    EXPECT_TRUE(view.invalidated.empty());
}

TEST_F(TMObjectInView, ScreenDrawingForAPrinterSourceIsNotToScreen) {
    TestImageSource source;
    source.device = 1;
    view.object->setImageSource(&source);
    render();
    ASSERT_FALSE(view.toScreen.empty());
    EXPECT_FALSE(view.toScreen.back());
}
