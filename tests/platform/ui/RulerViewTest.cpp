#include "platform/ui/RulerView.h"
#include "platform/documents/View.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class FlippedView : public View {
public:
    bool isFlipped() const override { return true; }
};

// A client of 400 by 200 widget pixels at (30, 20) in a frame, showing bounds
// of 100 by 50 points (a zoom of 4); a horizontal ruler above it from x 0,
// a vertical one at its left from y 0.
template <class ClientView> struct Rig {
    Rig() {
        frame.resize(500, 300);
        client = new ClientView;
        client->setParent(&frame);
        client->setGeometry(30, 20, 400, 200);
        client->setBoundsSize({100, 50});
        horizontal = new RulerView(RulerView::Orientation::Horizontal, &frame);
        horizontal->setGeometry(0, 0, 500, 20);
        vertical = new RulerView(RulerView::Orientation::Vertical, &frame);
        vertical->setGeometry(0, 0, 30, 300);
        horizontal->setClientView(client);
        vertical->setClientView(client);
    }
    QWidget frame;
    ClientView* client;
    RulerView* horizontal;
    RulerView* vertical;
};

} // namespace

TEST(RulerView, MarksFollowTheClientsScaleAndPosition) {
    Rig<FlippedView> rig;
    EXPECT_DOUBLE_EQ(rig.horizontal->rulerCoordinateForLocation(0), 30);
    EXPECT_DOUBLE_EQ(rig.horizontal->rulerCoordinateForLocation(10), 70);
    EXPECT_DOUBLE_EQ(rig.horizontal->locationForRulerCoordinate(70), 10);
    // Flipped: down the ruler is down the page.
    EXPECT_DOUBLE_EQ(rig.vertical->rulerCoordinateForLocation(0), 20);
    EXPECT_DOUBLE_EQ(rig.vertical->rulerCoordinateForLocation(10), 60);

    // Scrolling moves the client, and the marks with it; so does its bounds origin.
    rig.client->move(-10, 20);
    rig.client->setBoundsOrigin({5, 0});
    EXPECT_DOUBLE_EQ(rig.horizontal->rulerCoordinateForLocation(5), -10);
    EXPECT_DOUBLE_EQ(rig.horizontal->rulerCoordinateForLocation(15), 30);
}

TEST(RulerView, AnUnflippedClientCountsUpward) {
    Rig<View> rig;
    EXPECT_DOUBLE_EQ(rig.vertical->rulerCoordinateForLocation(0), 220);
    EXPECT_DOUBLE_EQ(rig.vertical->rulerCoordinateForLocation(50), 20);
}

TEST(RulerView, UnitsAndLabelSteps) {
    EXPECT_DOUBLE_EQ(RulerView::pointsPerUnit(QStringLiteral("Inches")), 72);
    EXPECT_NEAR(RulerView::pointsPerUnit(QStringLiteral("Centimeters")), 28.3465, 1e-4);
    EXPECT_DOUBLE_EQ(RulerView::pointsPerUnit(QStringLiteral("Points")), 1);
    EXPECT_DOUBLE_EQ(RulerView::pointsPerUnit(QStringLiteral("Picas")), 12);
    EXPECT_DOUBLE_EQ(RulerView::pointsPerUnit(QStringLiteral("Furlongs")), 72);

    Rig<FlippedView> rig;
    rig.horizontal->setMeasurementUnits(QStringLiteral("Inches"));
    EXPECT_DOUBLE_EQ(rig.horizontal->labelStep(), 1); // an inch is 288 pixels here
    rig.horizontal->setMeasurementUnits(QStringLiteral("Points"));
    // A point is 4 pixels: labels every 20 points are the first 48 pixels apart.
    EXPECT_DOUBLE_EQ(rig.horizontal->labelStep(), 20);
    EXPECT_EQ(rig.horizontal->measurementUnits(), QStringLiteral("Points"));
}

TEST(RulerView, KeepsRoomForMarkersBesideTheRule) {
    RulerView ruler(RulerView::Orientation::Horizontal);
    ruler.setRuleThickness(16);
    ruler.setReservedThicknessForMarkers(13);
    EXPECT_EQ(ruler.requiredThickness(), 29);
}

TEST(RulerView, DrawsTicksOnlyInTheRule) {
    Rig<FlippedView> rig;
    rig.horizontal->setRuleThickness(16);
    rig.horizontal->setReservedThicknessForMarkers(4);
    rig.horizontal->resize(500, 20);
    QImage image(rig.horizontal->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    rig.horizontal->render(&image, {}, {}, QWidget::RenderFlags());
    // The tick of location 0 (x 30) reaches up the rule but not into the markers' room.
    const QColor background = image.pixelColor(200, 1);
    EXPECT_NE(image.pixelColor(30, 10), background);
    EXPECT_EQ(image.pixelColor(30, 1), background);
}

namespace {

class Accessory : public QWidget {
public:
    explicit Accessory(QSize hint) : _hint(hint) {}
    QSize sizeHint() const override { return _hint; }

private:
    QSize _hint;
};

// Presses the left button on the ruler at a point of its widget.
void press(RulerView* ruler, QPointF at) {
    QMouseEvent event(QEvent::MouseButtonPress, at, ruler->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ruler, &event);
}

} // namespace

TEST(RulerView, AnAccessoryTakesTheOuterStripAndPushesTheMarkersInward) {
    Rig<FlippedView> rig;
    RulerView* ruler = rig.horizontal;
    ruler->setRuleThickness(16);
    ruler->setReservedThicknessForMarkers(13);
    auto* first = new Accessory({80, 22});
    ruler->setAccessoryView(first);
    EXPECT_EQ(ruler->accessoryView(), first);
    EXPECT_EQ(first->parentWidget(), ruler);
    EXPECT_EQ(ruler->reservedThicknessForAccessoryView(), 22);
    EXPECT_EQ(ruler->requiredThickness(), 16 + 13 + 22);
    ruler->resize(500, ruler->requiredThickness());
    EXPECT_EQ(first->geometry(), QRect(0, 0, 500, 22));

    // A marker of 15 by 10 at location 10 (x 70) stands in the markers' room,
    // below the strip: a press there picks it up, one in the strip does not.
    QImage arrow(15, 10, QImage::Format_ARGB32);
    arrow.fill(Qt::black);
    auto marker = std::make_shared<RulerMarker>(10, arrow, QPointF(7, 1));
    marker->setMovable(true);
    ruler->addMarker(marker);
    press(ruler, {70, 10});
    EXPECT_FALSE(ruler->isTrackingMarker());
    press(ruler, {70, 30});
    EXPECT_TRUE(ruler->isTrackingMarker());

    // A smaller replacement keeps the strip; the old view is handed back.
    auto* second = new Accessory({80, 10});
    ruler->setAccessoryView(second);
    std::unique_ptr<QWidget> handedBack(first);
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_FALSE(first->isVisibleTo(ruler));
    EXPECT_EQ(ruler->reservedThicknessForAccessoryView(), 22);
    EXPECT_EQ(second->geometry(), QRect(0, 0, 500, 22));

    // A vertical ruler keeps its strip at the left.
    auto* side = new Accessory({12, 40});
    rig.vertical->setAccessoryView(side);
    EXPECT_EQ(side->geometry(), QRect(0, 0, 12, 300));
}
