#include "catalog/GenericDragReceiverView.h"
#include "platform/ui/Pasteboard.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Takes text only; records what it is given and whether the view counted the call.
class TextTarget : public DragReceiverTarget {
public:
    explicit TextTarget(GenericDragReceiverView& view) : _view(view) {}
    bool canHandleDrag(const Pasteboard& pasteboard) override {
        askedInHandler = _view.inDragHandler();
        return pasteboard.hasType(str(StringPboardType));
    }
    void handleDragAtPointFromView(const Pasteboard& pasteboard, Point point, View* view) override {
        handled.push_back(pasteboard.propertyListForType(str(StringPboardType)).toString());
        points.push_back(point);
        views.push_back(view);
        handledInHandler = _view.inDragHandler();
    }
    std::vector<QString> handled;
    std::vector<Point> points;
    std::vector<View*> views;
    bool askedInHandler = false;
    bool handledInHandler = false;

private:
    GenericDragReceiverView& _view;
};

class GenericDragReceiverViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(100, 50);
        view.setupForDragTypesWithTarget({str(StringPboardType)}, &target);
    }
    bool enter(QMimeData& data, QPoint at) {
        QDragEnterEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
        return event.isAccepted();
    }
    bool drop(QMimeData& data, QPoint at) {
        QDropEvent event(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
        return event.isAccepted();
    }
    QColor pixel(int x, int y) { return view.grab().toImage().pixelColor(x, y); }

    GenericDragReceiverView view;
    TextTarget target{view};
};

} // namespace

TEST_F(GenericDragReceiverViewTest, AHoverItsTargetTakesIsFramedAndTheDropHandedOver) {
    const QColor hilight = QApplication::palette().color(QPalette::Highlight);
    EXPECT_NE(pixel(1, 1), hilight);
    QMimeData text;
    text.setText(str("words"));
    ASSERT_TRUE(enter(text, {10, 5}));
    EXPECT_TRUE(view.dragHilight());
    EXPECT_TRUE(target.askedInHandler);
    EXPECT_FALSE(view.inDragHandler());
    // A three-pixel frame along the edges, the middle untouched.
    for (const QPoint& spot : {QPoint(0, 0), QPoint(2, 25), QPoint(50, 47), QPoint(99, 49)})
        EXPECT_EQ(pixel(spot.x(), spot.y()), hilight) << spot.x() << "," << spot.y();
    EXPECT_NE(pixel(3, 25), hilight);
    EXPECT_NE(pixel(50, 25), hilight);

    ASSERT_TRUE(drop(text, {10, 5}));
    EXPECT_FALSE(view.dragHilight());
    EXPECT_NE(pixel(0, 0), hilight);
    ASSERT_EQ(target.handled, std::vector<QString>{str("words")});
    // In the view's bounds, y upward from the lower left.
    EXPECT_EQ(target.points.front(), (Point{10, 45}));
    EXPECT_EQ(target.views.front(), &view);
    EXPECT_TRUE(target.handledInHandler);
    EXPECT_FALSE(view.inDragHandler());
}

TEST_F(GenericDragReceiverViewTest, WhatItsTargetRefusesOrAnExitedDragChangesNothing) {
    QMimeData image;
    image.setImageData(QImage(2, 2, QImage::Format_RGB32));
    EXPECT_FALSE(enter(image, {10, 5}));
    EXPECT_FALSE(view.dragHilight());

    QMimeData text;
    text.setText(str("words"));
    ASSERT_TRUE(enter(text, {10, 5}));
    QDragLeaveEvent leave;
    QApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(view.dragHilight());
    EXPECT_TRUE(target.handled.empty());

    view.disableDrags();
    EXPECT_FALSE(enter(text, {10, 5}));
    EXPECT_FALSE(drop(text, {10, 5}));
    EXPECT_TRUE(target.handled.empty());
}

TEST_F(GenericDragReceiverViewTest, TheHandlerFlagCountsNestedCalls) {
    EXPECT_FALSE(view.inDragHandler());
    view.setInDragHandler(true);
    view.setInDragHandler(true);
    view.setInDragHandler(false);
    EXPECT_TRUE(view.inDragHandler());
    view.setInDragHandler(false);
    EXPECT_FALSE(view.inDragHandler());
}
