#include "framework/model/GenericDocument.h"
#include "framework/model/TMBurstPhotoMask.h"
#include "framework/model/TMCloudPhotoMask.h"
#include "framework/model/TMDiamondPhotoMask.h"
#include "framework/model/TMHeartPhotoMask.h"
#include "framework/model/TMPhotoMaskCanvas.h"
#include "framework/model/TMPhotoMaskManager.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPinkingPhotoMask.h"
#include "framework/model/TMTrianglePhotoMask.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Random.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/ImageFocus.h"
#include "support/TestHost.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>

namespace {

// An opaque red picture, one pixel a unit, y upward, in focus while it lives.
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
    QImage pixels() {
        _focus->unlockFocus();
        return _image.pixels();
    }

private:
    int _height;
    Image _image;
    std::unique_ptr<ImageFocus> _focus;
};

template <class T> std::shared_ptr<T> roundTrip(const std::shared_ptr<T>& mask) {
    const QByteArray data = Archiver::archivedData(std::static_pointer_cast<Archivable>(mask));
    EXPECT_FALSE(data.isNull());
    return Unarchiver::unarchiveObjectOfClass<T>(data);
}

template <class T> QImage drawnBy(T& mask, int width, int height) {
    Drawn drawn(width, height);
    mask.applyMasktoRect(Rect(0, 0, float(width), float(height)));
    return drawn.pixels();
}

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Writes an oval's dictionary and a cloud's, as a cloud mask writes its
// part; archived under a stand-in name then replaced by the cloud's.
class CloudWriter : public Archivable {
public:
    void encodeWithCoder(Archiver& coder) const override {
        coder.encodeObject(oval);
        coder.encodeObject(own);
    }
    bool initWithCoder(Unarchiver&) override { return false; }
    QVariantMap oval;
    QVariantMap own;
};

const char kStandIn[] = "ShapedMaskTestCloudWriter";

const bool kWriterRegistered = [] {
    ClassRegistry::shared().registerClass<CloudWriter>(QString::fromLatin1(kStandIn));
    return true;
}();

QByteArray cloudArchive(const QVariantMap& oval, const QVariantMap& own) {
    auto writer = std::make_shared<CloudWriter>();
    writer->oval = oval;
    writer->own = own;
    QByteArray data = Archiver::archivedData(std::static_pointer_cast<Archivable>(writer));
    // A class name is written as its length (32 bits, little-endian) and its bytes.
    const QByteArray standIn(kStandIn);
    const qsizetype at = data.indexOf(standIn);
    EXPECT_GE(at, 4);
    const QByteArray name("TMCloudPhotoMask");
    char length[4];
    qToLittleEndian<quint32>(quint32(name.size()), length);
    data.replace(at - 4, 4 + standIn.size(), QByteArray(length, 4) + name);
    return data;
}

} // namespace

// ---------------------------------------------------------------------------
// Registry, names, defaults

TEST(ShapedMask, TheRegistryAnswersAllNineKindsWithTheirDefaults) {
    TestHost host;
    TMPhotoMaskManager* manager = TMPhotoMaskManager::sharedManager();
    for (const QString& name : manager->photoMaskNames()) {
        const TMPhotoMaskRef mask = manager->photoMaskWithName(name);
        ASSERT_TRUE(mask) << name.toStdString();
        EXPECT_EQ(mask->name(), name);
    }
    auto diamond =
        std::dynamic_pointer_cast<TMDiamondPhotoMask>(manager->photoMaskWithName("Diamond"));
    ASSERT_TRUE(diamond);
    EXPECT_EQ(diamond->maskControllerClass(), "TMDiamondPhotoMaskController");
    EXPECT_EQ(diamond->featherPct(), 0.0f);

    auto triangle =
        std::dynamic_pointer_cast<TMTrianglePhotoMask>(manager->photoMaskWithName("Triangle"));
    ASSERT_TRUE(triangle);
    EXPECT_EQ(triangle->triangleStyle(), 0);
    EXPECT_EQ(triangle->triangleEdge(), 0);
    EXPECT_EQ(triangle->maskControllerClass(), "TMTrianglePhotoMaskController");

    auto pinking =
        std::dynamic_pointer_cast<TMPinkingPhotoMask>(manager->photoMaskWithName("Pinking Shear"));
    ASSERT_TRUE(pinking);
    EXPECT_EQ(pinking->tps(), 8);
    EXPECT_EQ(pinking->maskControllerClass(), "TMPinkingPhotoMaskController");

    auto cloud = std::dynamic_pointer_cast<TMCloudPhotoMask>(manager->photoMaskWithName("Cloud"));
    ASSERT_TRUE(cloud);
    EXPECT_EQ(cloud->puffiness(), 0.25f);
    EXPECT_FALSE(cloud->cachedCloud().hasPath());
    EXPECT_EQ(cloud->maskControllerClass(), "TMCloudPhotoMaskController");

    auto heart = std::dynamic_pointer_cast<TMHeartPhotoMask>(manager->photoMaskWithName("Heart"));
    ASSERT_TRUE(heart);
    EXPECT_EQ(heart->peak(), 0.5f);
    EXPECT_EQ(heart->cleft(), 0.5f);
    EXPECT_EQ(heart->maskControllerClass(), "TMHeartPhotoMaskController");

    auto burst = std::dynamic_pointer_cast<TMBurstPhotoMask>(manager->photoMaskWithName("Burst"));
    ASSERT_TRUE(burst);
    EXPECT_EQ(burst->rayCount(), 20.0f);
    EXPECT_EQ(burst->rayLength(), 0.5f);
    EXPECT_EQ(burst->maskControllerClass(), "TMBurstPhotoMaskController");
}

// ---------------------------------------------------------------------------
// Setters

struct ShapedMaskSetters : ::testing::Test {
    ShapedMaskSetters() {
        undo = document.undoManager();
        cell = TMPhotoObject::newTemplateObject();
        cell->setParentDocument(&document);
    }
    template <class T> std::shared_ptr<T> owned() {
        auto mask = TMPhotoMask::create<T>();
        cell->setMask(mask);
        undo->removeAllActions();
        return mask;
    }
    // Runs a change in its own undo group and answers the action's name.
    template <class F> QString change(F f) {
        undo->beginUndoGrouping();
        f();
        undo->endUndoGrouping();
        return undo->canUndo() ? undo->undoActionName() : QString();
    }

    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMPhotoObjectRef cell;
};

TEST_F(ShapedMaskSetters, EveryChangeNamesItsActionAndUndoes) {
    auto triangle = owned<TMTrianglePhotoMask>();
    EXPECT_EQ(change([&] { triangle->setTriangleStyle(1); }), "Style");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(triangle->triangleStyle(), 0);
    EXPECT_EQ(change([&] { triangle->setTriangleEdge(3); }), "Edge");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(triangle->triangleEdge(), 0);

    auto pinking = owned<TMPinkingPhotoMask>();
    EXPECT_EQ(change([&] { pinking->setTps(12); }), "Teeth");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(pinking->tps(), 8);

    auto cloud = owned<TMCloudPhotoMask>();
    EXPECT_EQ(change([&] { cloud->setPuffiness(0.75f); }), "Puffiness");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(cloud->puffiness(), 0.25f);

    auto heart = owned<TMHeartPhotoMask>();
    EXPECT_EQ(change([&] { heart->setPeak(0.1f); }), "Peak");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(heart->peak(), 0.5f);
    EXPECT_EQ(change([&] { heart->setCleft(0.9f); }), "Cleft");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(heart->cleft(), 0.5f);

    auto burst = owned<TMBurstPhotoMask>();
    EXPECT_EQ(change([&] { burst->setRayCount(7); }), "Ray Count");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(burst->rayCount(), 20.0f);
    EXPECT_EQ(change([&] { burst->setRayLength(0.2f); }), "Ray Length");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(burst->rayLength(), 0.5f);
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(burst->rayLength(), 0.2f);
}

TEST_F(ShapedMaskSetters, RayCountIsRoundedBeforeItIsComparedAndStored) {
    auto burst = owned<TMBurstPhotoMask>();
    burst->setRayCount(12.4f);
    EXPECT_EQ(burst->rayCount(), 12.0f);
    undo->removeAllActions();
    burst->setRayCount(12.4f);
    burst->setRayCount(11.6f);
    EXPECT_FALSE(undo->canUndo());
    // Unchanged values register nothing for the other kinds either.
    auto heart = owned<TMHeartPhotoMask>();
    heart->setPeak(0.5f);
    heart->setCleft(0.5f);
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(ShapedMaskSetters, ShapeChangesDropTheCachedOutline) {
    auto cloud = owned<TMCloudPhotoMask>();
    auto heart = owned<TMHeartPhotoMask>();
    auto burst = owned<TMBurstPhotoMask>();
    drawnBy(*cloud, 120, 90);
    drawnBy(*heart, 120, 90);
    drawnBy(*burst, 120, 90);
    ASSERT_TRUE(cloud->cachedCloud().hasPath());
    ASSERT_TRUE(heart->cachedHeart().hasPath());
    ASSERT_TRUE(burst->cachedBurst().hasPath());
    cloud->setPuffiness(0.5f);
    heart->setPeak(1.0f);
    burst->setRayLength(1.0f);
    EXPECT_FALSE(cloud->cachedCloud().hasPath());
    EXPECT_FALSE(heart->cachedHeart().hasPath());
    EXPECT_FALSE(burst->cachedBurst().hasPath());
    drawnBy(*heart, 120, 90);
    drawnBy(*burst, 120, 90);
    heart->setCleft(0.0f);
    burst->setRayCount(5);
    EXPECT_FALSE(heart->cachedHeart().hasPath());
    EXPECT_FALSE(burst->cachedBurst().hasPath());
}

// ---------------------------------------------------------------------------
// Outlines

TEST(ShapedMaskOutline, IsoscelesTriangleStandsOnTheBottomCornersWithItsApexAtTheTopMiddle) {
    TestHost host;
    auto triangle = TMPhotoMask::create<TMTrianglePhotoMask>();
    // Q of 200 x 100: (3, 2.5) to (197, 97.5).
    const BezierPath path = triangle->trianglePathInRect(Rect(3, 2.5f, 194, 95), 0);
    ASSERT_EQ(path.elementCount(), 4);
    Point p[3];
    path.elementAtIndexAssociatedPoints(0, p);
    EXPECT_EQ(p[0], (Point{3, 2.5f}));
    path.elementAtIndexAssociatedPoints(1, p);
    EXPECT_EQ(p[0], (Point{100, 97.5f}));
    path.elementAtIndexAssociatedPoints(2, p);
    EXPECT_EQ(p[0], (Point{197, 2.5f}));

    Drawn drawn(200, 100);
    triangle->applyMasktoRect(Rect(0, 0, 200, 100));
    EXPECT_EQ(drawn.alpha(100, 50), 255);
    EXPECT_EQ(drawn.alpha(10, 5), 255);   // near the bottom left corner
    EXPECT_EQ(drawn.alpha(190, 5), 255);  // near the bottom right corner
    EXPECT_EQ(drawn.alpha(100, 93), 255); // just under the apex
    EXPECT_EQ(drawn.alpha(10, 90), 0);    // top corners
    EXPECT_EQ(drawn.alpha(190, 90), 0);
    EXPECT_EQ(drawn.alpha(100, 0), 0); // the margin
}

TEST(ShapedMaskOutline, TriangleInsetKeepsItsSidesParallel) {
    TestHost host;
    auto triangle = TMPhotoMask::create<TMTrianglePhotoMask>();
    struct Case {
        int style, edge;
    };
    for (const Case c : {Case{0, 0}, Case{0, 1}, Case{0, 2}, Case{0, 3}, Case{1, 0}, Case{1, 1},
                         Case{1, 2}, Case{1, 3}}) {
        triangle->setTriangleStyle(c.style);
        triangle->setTriangleEdge(c.edge);
        const Rect r(0, 0, 300, 200);
        const BezierPath outer = triangle->trianglePathInRect(r, 0);
        const BezierPath inner = triangle->trianglePathInRect(r, 10);
        // Every vertex of the inset triangle lies inside the outer one, and the
        // outer vertices moved in by more than the inset.
        for (int i = 0; i < 3; ++i) {
            Point a[3], b[3];
            outer.elementAtIndexAssociatedPoints(i, a);
            inner.elementAtIndexAssociatedPoints(i, b);
            EXPECT_TRUE(outer.containsPoint(b[0])) << c.style << "/" << c.edge << " " << i;
            EXPECT_GT(std::hypot(a[0].x - b[0].x, a[0].y - b[0].y), 10.0f);
        }
        // The centroid of the inset triangle is 10 from each outer side: its
        // area is smaller than the outer's by the inset strip.
        EXPECT_LT(inner.bounds().width(), outer.bounds().width());
        EXPECT_LT(inner.bounds().height(), outer.bounds().height());
    }
}

TEST(ShapedMaskOutline, TriangleEdgeOutsideTheFourClearsThePhotograph) {
    TestHost host;
    auto triangle = TMPhotoMask::create<TMTrianglePhotoMask>();
    triangle->setTriangleEdge(5);
    EXPECT_TRUE(triangle->trianglePathInRect(Rect(0, 0, 50, 50), 0).isEmpty());
    Drawn drawn(120, 100);
    triangle->applyMasktoRect(Rect(10, 0, 100, 100));
    for (int x : {10, 60, 109})
        for (int y : {0, 50, 99})
            EXPECT_EQ(drawn.alpha(x, y), 0) << x << "," << y;
    EXPECT_EQ(drawn.alpha(5, 50), 255);
}

TEST(ShapedMaskOutline, PinkingTeethAreEqualAlongBothSides) {
    TestHost host;
    auto pinking = TMPhotoMask::create<TMPinkingPhotoMask>();
    const BezierPath path = pinking->pinkingPathInRect(Rect(0, 0, 400, 200), 0, nullptr);
    Point p[3];
    path.elementAtIndexAssociatedPoints(0, p);
    EXPECT_EQ(p[0], (Point{12.5f, 200})); // half a 25-point tooth in
    path.elementAtIndexAssociatedPoints(1, p);
    EXPECT_EQ(p[0], (Point{25, 187.5f})); // notch half a tooth deep
    path.elementAtIndexAssociatedPoints(2, p);
    EXPECT_EQ(p[0], (Point{37.5f, 200}));
    // 15 notches on each long side and 7 on each short side, two points
    // each, plus the move, three corner lines and the close, the fourth corner.
    EXPECT_EQ(path.elementCount(), 1 + 3 + 2 * (15 + 7 + 15 + 7) + 1);

    // In a 400 x 200 cell the outline rectangle is (4, 3, 392, 194): teeth of
    // 392 / 17 by 194 / 8 pixels, the first notch's deepest point at x = 27.
    Drawn drawn(400, 200);
    pinking->applyMasktoRect(Rect(0, 0, 400, 200));
    EXPECT_EQ(drawn.alpha(200, 100), 255);
    EXPECT_EQ(drawn.alpha(27, 192), 0);   // inside the first notch
    EXPECT_EQ(drawn.alpha(39, 192), 255); // on the following tooth
    EXPECT_EQ(drawn.alpha(1, 100), 0);
}

TEST(ShapedMaskOutline, PinkingReportsWhenTheInsetHasEatenTheTeeth) {
    TestHost host;
    auto pinking = TMPhotoMask::create<TMPinkingPhotoMask>();
    bool fill = false;
    pinking->pinkingPathInRect(Rect(0, 0, 400, 200), 1, &fill);
    EXPECT_FALSE(fill);
    pinking->pinkingPathInRect(Rect(0, 0, 400, 200), 11, &fill);
    EXPECT_TRUE(fill);
}

TEST(ShapedMaskOutline, BurstHasItsTipsMidwayBetweenInnerPoints) {
    TestHost host;
    auto burst = TMPhotoMask::create<TMBurstPhotoMask>();
    const BezierPath path = burst->burstPathInRect(Rect(0, 0, 200, 200));
    // Move, then tip and inner point for each ray, then close.
    ASSERT_EQ(path.elementCount(), 1 + 2 * 20 + 1);
    for (int ray = 0; ray < 20; ++ray) {
        Point tip[3];
        path.elementAtIndexAssociatedPoints(1 + 2 * ray, tip);
        const double degrees = std::atan2(tip[0].y, tip[0].x) * 180 / std::numbers::pi;
        const double expected = 9 + 18 * ray;
        EXPECT_NEAR(degrees < 0 ? degrees + 360 : degrees, expected, 1e-3) << ray;
    }

    Drawn drawn(200, 200);
    burst->applyMasktoRect(Rect(0, 0, 200, 200));
    auto at = [&](double degrees, double distance) {
        const double t = degrees / 180 * std::numbers::pi;
        return drawn.alpha(int(100 + distance * std::cos(t)), int(100 + distance * std::sin(t)));
    };
    EXPECT_EQ(at(0, 0), 255);
    EXPECT_EQ(at(9, 85), 255); // along a ray
    EXPECT_EQ(at(0, 85), 0);   // between two rays
    EXPECT_EQ(at(171, 85), 255);
    EXPECT_EQ(at(180, 85), 0);
}

TEST(ShapedMaskOutline, HeartHasItsCleftAtTheTopAndItsPointAtTheBottom) {
    TestHost host;
    auto heart = TMPhotoMask::create<TMHeartPhotoMask>();
    // Peak 0.5 puts the lower control points H / 5 above the tip; cleft 0.5
    // puts the notch H / 6 below the top.
    const BezierPath path = heart->heartPathInRect(Rect(0, 0, 120, 120));
    Point p[3];
    path.elementAtIndexAssociatedPoints(1, p);
    EXPECT_FLOAT_EQ(p[0].y, -60 + 120.0f / 5);
    path.elementAtIndexAssociatedPoints(3, p);
    EXPECT_EQ(p[2], (Point{0, 60 - 20}));

    Drawn drawn(200, 200);
    heart->applyMasktoRect(Rect(0, 0, 200, 200));
    EXPECT_EQ(drawn.alpha(100, 100), 255);
    EXPECT_EQ(drawn.alpha(55, 160), 255);  // left lobe
    EXPECT_EQ(drawn.alpha(145, 160), 255); // right lobe
    EXPECT_EQ(drawn.alpha(100, 190), 0);   // the cleft
    EXPECT_EQ(drawn.alpha(100, 10), 255);  // towards the point
    EXPECT_EQ(drawn.alpha(20, 20), 0);     // beside the point
    EXPECT_EQ(drawn.alpha(180, 20), 0);
}

TEST(ShapedMaskOutline, DiamondTouchesTheMiddlesOfTheSides) {
    TestHost host;
    auto diamond = TMPhotoMask::create<TMDiamondPhotoMask>();
    Drawn drawn(200, 100);
    diamond->applyMasktoRect(Rect(0, 0, 200, 100));
    EXPECT_EQ(drawn.alpha(100, 50), 255);
    EXPECT_EQ(drawn.alpha(10, 50), 255);
    EXPECT_EQ(drawn.alpha(100, 90), 255);
    EXPECT_EQ(drawn.alpha(30, 10), 0);
    EXPECT_EQ(drawn.alpha(170, 90), 0);
}

TEST(ShapedMaskOutline, CloudKeepsItsMiddleAndCutsItsCorners) {
    TestHost host;
    Random::setSeed(3);
    auto cloud = TMPhotoMask::create<TMCloudPhotoMask>();
    Drawn drawn(300, 200);
    cloud->applyMasktoRect(Rect(0, 0, 300, 200));
    EXPECT_EQ(drawn.alpha(150, 100), 255);
    EXPECT_EQ(drawn.alpha(1, 1), 0);
    EXPECT_EQ(drawn.alpha(298, 198), 0);
    EXPECT_EQ(cloud->cachedCloud().rect(), Rect(2, 2, 296, 196));
}

TEST(ShapedMaskOutline, FeatheredShapesFadeTowardsTheirEdge) {
    TestHost host;
    auto triangle = TMPhotoMask::create<TMTrianglePhotoMask>();
    triangle->setFeatherPct(1);
    auto heart = TMPhotoMask::create<TMHeartPhotoMask>();
    heart->setFeatherPct(1);
    for (TMPhotoMask* mask :
         {static_cast<TMPhotoMask*>(triangle.get()), static_cast<TMPhotoMask*>(heart.get())}) {
        Drawn drawn(200, 200);
        mask->applyMasktoRect(Rect(0, 0, 200, 200));
        EXPECT_EQ(drawn.alpha(100, 60), 255);
        // Along the vertical middle the alpha rises from the bottom edge inwards.
        bool between = false;
        for (int y = 0; y < 60; ++y) {
            const int a = drawn.alpha(100, y);
            between = between || (a > 40 && a < 215);
        }
        EXPECT_TRUE(between);
    }
}

// ---------------------------------------------------------------------------
// Faults

TEST(ShapedMaskFaults, NoTeethNoRaysAndANarrowCloudStillDrawAShape) {
    TestHost host;
    QElapsedTimer timer;
    timer.start();
    auto pinking = TMPhotoMask::create<TMPinkingPhotoMask>();
    for (int teeth : {0, -3, 2000000000}) {
        pinking->setTps(teeth);
        Drawn drawn(100, 80);
        pinking->applyMasktoRect(Rect(0, 0, 100, 80));
        EXPECT_EQ(drawn.alpha(50, 40), 255) << teeth;
        EXPECT_EQ(drawn.alpha(0, 0), 0) << teeth;
    }
    auto burst = TMPhotoMask::create<TMBurstPhotoMask>();
    for (float rays : {0.0f, -4.0f, 1e9f}) {
        burst->setRayCount(rays);
        Drawn drawn(100, 100);
        burst->applyMasktoRect(Rect(0, 0, 100, 100));
        EXPECT_EQ(drawn.alpha(50, 50), 255) << rays;
    }
    auto cloud = TMPhotoMask::create<TMCloudPhotoMask>();
    EXPECT_FALSE(cloud->cloudPathInRect(Rect(0, 0, 5, 60)).isEmpty());
    Drawn drawn(8, 60);
    cloud->applyMasktoRect(Rect(0, 0, 8, 60));
    EXPECT_EQ(drawn.alpha(4, 30), 255);
    EXPECT_LT(timer.elapsed(), 20000);
}

TEST(ShapedMaskFaults, TheGrowingInsetRampEndsWhateverTheFeather) {
    TestHost host;
    for (float feather : {-1.0f, -1e-6f, 1e30f, std::nanf("")}) {
        Drawn drawn(100, 60);
        int outlines = 0;
        TMPhotoMaskCanvas::applyGrowingInsetOutlines(
            Rect(0, 0, 100, 60), feather, [&outlines](const Rect& q, float inset, bool*) {
                ++outlines;
                return BezierPath::bezierPathWithRect(insetRect(q, inset, inset));
            });
        // At most one soft outline a pixel of half the smaller side, plus the last.
        EXPECT_LE(outlines, 30) << feather;
        EXPECT_GE(outlines, 1) << feather;
    }
    // A setter keeps a negative feather from reaching the drawing at all.
    auto pinking = TMPhotoMask::create<TMPinkingPhotoMask>();
    pinking->setFeatherPct(-2);
    EXPECT_EQ(pinking->featherPct(), 0.0f);
    Drawn drawn(100, 60);
    pinking->applyMasktoRect(Rect(0, 0, 100, 60));
    EXPECT_EQ(drawn.alpha(50, 30), 255);
}

// ---------------------------------------------------------------------------
// Archives

TEST(ShapedMaskArchive, EveryKindRoundTripsItsValues) {
    TestHost host;
    auto diamond = TMPhotoMask::create<TMDiamondPhotoMask>();
    diamond->setFeatherPct(0.3f);
    auto diamondBack = roundTrip(diamond);
    ASSERT_TRUE(diamondBack);
    EXPECT_EQ(diamondBack->featherPct(), 0.3f);

    auto triangle = TMPhotoMask::create<TMTrianglePhotoMask>();
    triangle->setTriangleStyle(1);
    triangle->setTriangleEdge(2);
    triangle->setFeatherPct(0.2f);
    auto triangleBack = roundTrip(triangle);
    ASSERT_TRUE(triangleBack);
    EXPECT_EQ(triangleBack->triangleStyle(), 1);
    EXPECT_EQ(triangleBack->triangleEdge(), 2);
    EXPECT_EQ(triangleBack->featherPct(), 0.2f);

    auto pinking = TMPhotoMask::create<TMPinkingPhotoMask>();
    pinking->setTps(13);
    auto pinkingBack = roundTrip(pinking);
    ASSERT_TRUE(pinkingBack);
    EXPECT_EQ(pinkingBack->tps(), 13);

    auto heart = TMPhotoMask::create<TMHeartPhotoMask>();
    heart->setPeak(0.2f);
    heart->setCleft(0.7f);
    drawnBy(*heart, 90, 70);
    auto heartBack = roundTrip(heart);
    ASSERT_TRUE(heartBack);
    EXPECT_EQ(heartBack->peak(), 0.2f);
    EXPECT_EQ(heartBack->cleft(), 0.7f);
    EXPECT_EQ(heartBack->cachedHeart().rect(), heart->cachedHeart().rect());
    EXPECT_EQ(heartBack->cachedHeart().path().elements(), heart->cachedHeart().path().elements());

    auto burst = TMPhotoMask::create<TMBurstPhotoMask>();
    burst->setRayCount(9);
    burst->setRayLength(0.8f);
    auto burstBack = roundTrip(burst);
    ASSERT_TRUE(burstBack);
    EXPECT_EQ(burstBack->rayCount(), 9.0f);
    EXPECT_EQ(burstBack->rayLength(), 0.8f);
    EXPECT_FALSE(burstBack->cachedBurst().hasPath());
}

TEST(ShapedMaskArchive, AReadCloudDrawsTheSameCloudAtTheSameSize) {
    TestHost host;
    Random::setSeed(11);
    auto cloud = TMPhotoMask::create<TMCloudPhotoMask>();
    cloud->setPuffiness(0.6f);
    const QImage before = drawnBy(*cloud, 260, 180);
    Random::setSeed(99);
    auto back = roundTrip(cloud);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->puffiness(), 0.6f);
    EXPECT_EQ(drawnBy(*back, 260, 180), before);

    // Another size makes a new random cloud; the same seed would repeat it.
    auto fresh = TMPhotoMask::create<TMCloudPhotoMask>();
    fresh->setPuffiness(0.6f);
    Random::setSeed(12);
    const QImage other = drawnBy(*fresh, 260, 180);
    EXPECT_NE(other, before);
    Random::setSeed(12);
    drawnBy(*back, 300, 180);
    EXPECT_EQ(back->cachedCloud().rect(), Rect(2, 2, 296, 176));
}

TEST(ShapedMaskArchive, ACloudReadWithPuffinessAboveOneStartsAfresh) {
    TestHost host;
    auto cloud = TMPhotoMask::create<TMCloudPhotoMask>();
    drawnBy(*cloud, 100, 100);
    ASSERT_TRUE(cloud->cachedCloud().hasPath());
    QVariantMap own{{"cloud_puff", 2.5f},
                    {"cloud_bounds", stringFromRect(cloud->cachedCloud().rect())},
                    {"cloud_path", Archiver::archivedValue(cloud->cachedCloud().path())}};
    auto back = Unarchiver::unarchiveObjectOfClass<TMCloudPhotoMask>(
        cloudArchive(QVariantMap{{"feather_pct", 0.1f}}, own));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->puffiness(), 0.25f);
    EXPECT_EQ(back->featherPct(), 0.1f);
    EXPECT_FALSE(back->cachedCloud().hasPath());

    // The same with a puffiness in range keeps the stored cloud.
    own.insert("cloud_puff", 0.5f);
    back = Unarchiver::unarchiveObjectOfClass<TMCloudPhotoMask>(
        cloudArchive(QVariantMap{{"feather_pct", 0.1f}}, own));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->puffiness(), 0.5f);
    EXPECT_TRUE(back->cachedCloud().hasPath());
    EXPECT_EQ(back->cachedCloud().path().elements(), cloud->cachedCloud().path().elements());

    // A damaged path is dropped, not the mask.
    own.insert("cloud_path", QByteArray("damaged"));
    back = Unarchiver::unarchiveObjectOfClass<TMCloudPhotoMask>(
        cloudArchive(QVariantMap{{"feather_pct", 0.1f}}, own));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->cachedCloud().hasPath());
}

TEST(ShapedMaskArchive, EveryKindRoundTripsThroughATemplateFile) {
    TestHost host;
    QTemporaryDir folder;
    host.masksPath = folder.path();
    const QString target = folder.path() + "/shaped.vyxTemplate";
    Random::setSeed(5);
    QImage cloudBefore;
    {
        TemplateDocument document;
        std::vector<TMPhotoMaskRef> masks;
        auto triangle = TMPhotoMask::create<TMTrianglePhotoMask>();
        triangle->setTriangleEdge(3);
        masks.push_back(triangle);
        auto pinking = TMPhotoMask::create<TMPinkingPhotoMask>();
        pinking->setTps(5);
        masks.push_back(pinking);
        auto cloud = TMPhotoMask::create<TMCloudPhotoMask>();
        cloudBefore = drawnBy(*cloud, 150, 120);
        masks.push_back(cloud);
        auto heart = TMPhotoMask::create<TMHeartPhotoMask>();
        heart->setCleft(0.25f);
        masks.push_back(heart);
        auto burst = TMPhotoMask::create<TMBurstPhotoMask>();
        burst->setRayCount(6);
        masks.push_back(burst);
        auto diamond = TMPhotoMask::create<TMDiamondPhotoMask>();
        diamond->setFeatherPct(0.4f);
        masks.push_back(diamond);
        for (const TMPhotoMaskRef& mask : masks) {
            TMPhotoObjectRef cell = TMPhotoObject::newTemplateObject();
            cell->setMask(mask);
            document.addObject(cell);
        }
        ASSERT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
    }
    TemplateDocument reopened;
    QString error;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType), &error))
        << error.toStdString();
    ASSERT_EQ(reopened.objects().size(), 6);
    auto mask = [&](int i) {
        auto cell = std::dynamic_pointer_cast<TMPhotoObject>(reopened.objects()[i]);
        return cell ? cell->mask() : nullptr;
    };
    auto triangle = std::dynamic_pointer_cast<TMTrianglePhotoMask>(mask(0));
    ASSERT_TRUE(triangle);
    EXPECT_EQ(triangle->triangleEdge(), 3);
    auto pinking = std::dynamic_pointer_cast<TMPinkingPhotoMask>(mask(1));
    ASSERT_TRUE(pinking);
    EXPECT_EQ(pinking->tps(), 5);
    auto cloud = std::dynamic_pointer_cast<TMCloudPhotoMask>(mask(2));
    ASSERT_TRUE(cloud);
    Random::setSeed(77);
    EXPECT_EQ(drawnBy(*cloud, 150, 120), cloudBefore);
    auto heart = std::dynamic_pointer_cast<TMHeartPhotoMask>(mask(3));
    ASSERT_TRUE(heart);
    EXPECT_EQ(heart->cleft(), 0.25f);
    auto burst = std::dynamic_pointer_cast<TMBurstPhotoMask>(mask(4));
    ASSERT_TRUE(burst);
    EXPECT_EQ(burst->rayCount(), 6.0f);
    auto diamond = std::dynamic_pointer_cast<TMDiamondPhotoMask>(mask(5));
    ASSERT_TRUE(diamond);
    EXPECT_EQ(diamond->featherPct(), 0.4f);
}
