#include "platform/documents/View.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageFocus.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Notes what it is asked to draw and who has the focus meanwhile.
class ProbeView : public View {
public:
    bool flipped = false;
    bool isFlipped() const override { return flipped; }
    View* focusWhileDrawing = nullptr;
    View* focusInsideImage = reinterpret_cast<View*>(1);
    Rect dirty;

protected:
    void drawRect(const Rect& dirtyRect) override {
        dirty = dirtyRect;
        focusWhileDrawing = View::focusView();
        GraphicsContext* context = GraphicsContext::currentContext();
        context->setFillColor(Qt::white);
        context->rectFill(bounds());
        context->setFillColor(Qt::red);
        context->rectFill({10, 10, 20, 10}); // in bounds coordinates
        Image image;
        image.setSize({4, 4});
        ImageFocus inner(image);
        focusInsideImage = View::focusView();
    }
};

bool isRed(const QColor& c) {
    return c.red() > 200 && c.green() < 50;
}

} // namespace

TEST(View, BoundsFollowTheFrameUntilScaled) {
    View view;
    view.resize(200, 100);
    EXPECT_EQ(view.bounds(), Rect(0, 0, 200, 100));
    view.setBoundsSize({100, 50});
    EXPECT_EQ(view.bounds(), Rect(0, 0, 100, 50));
    view.resize(400, 200); // the scale stays
    EXPECT_EQ(view.bounds(), Rect(0, 0, 200, 100));
    view.setBoundsOrigin({-10, 5});
    EXPECT_EQ(view.bounds(), Rect(-10, 5, 200, 100));
    view.setBoundsSize({0, 10}); // ignored
    EXPECT_EQ(view.bounds().size, (Size{200, 100}));
}

TEST(View, MapsBoundsToWidgetPixels) {
    ProbeView view;
    view.resize(200, 100);
    view.setBoundsSize({100, 50});
    // y upward: the bounds' lower left is the widget's bottom left.
    EXPECT_EQ(view.widgetRectFromBounds({10, 10, 20, 10}), QRectF(20, 60, 40, 20));
    EXPECT_EQ(view.boundsPointFromWidget({20, 80}), (Point{10, 10}));
    view.flipped = true;
    EXPECT_EQ(view.widgetRectFromBounds({10, 10, 20, 10}), QRectF(20, 20, 40, 20));
    EXPECT_EQ(view.boundsPointFromWidget({20, 20}), (Point{10, 10}));
}

TEST(View, DrawsInBoundsCoordinatesWithItselfInFocus) {
    ProbeView view;
    view.resize(200, 100);
    view.setBoundsSize({100, 50});
    const QImage shot = view.grab().toImage();
    EXPECT_TRUE(isRed(shot.pixelColor(30, 70)));  // bounds (15, 15)
    EXPECT_FALSE(isRed(shot.pixelColor(30, 30))); // bounds (15, 35)
    EXPECT_EQ(view.focusWhileDrawing, &view);
    EXPECT_EQ(view.focusInsideImage, nullptr);
    EXPECT_EQ(View::focusView(), nullptr);
    EXPECT_EQ(view.dirty, Rect(0, 0, 100, 50));
}

TEST(View, FlippedViewDrawsFromTheTop) {
    ProbeView view;
    view.flipped = true;
    view.resize(100, 100);
    const QImage shot = view.grab().toImage();
    EXPECT_TRUE(isRed(shot.pixelColor(15, 15)));
    EXPECT_FALSE(isRed(shot.pixelColor(15, 85)));
}
