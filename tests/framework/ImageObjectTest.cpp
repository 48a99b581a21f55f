#include "TestPage.h"
#include "framework/model/TMImageObject.h"
#include "framework/model/TMRenderPass.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/UndoManager.h"
#include "support/TestHost.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kYellow(255, 255, 0);

// Four quadrants, top row first: red and green above, blue and yellow below.
Image quadrants(int width, int height) {
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&pixels);
    p.fillRect(0, 0, width / 2, height / 2, kRed);
    p.fillRect(width / 2, 0, width - width / 2, height / 2, kGreen);
    p.fillRect(0, height / 2, width / 2, height - height / 2, kBlue);
    p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, kYellow);
    return Image(pixels);
}

Image filled(QColor colour, int side = 4) {
    QImage pixels(side, side, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(colour);
    return Image(pixels);
}

// A point of the object's own frame turned onto the page the way frames turn.
Point onPage(Point center, float degrees, Point local) {
    const double a = double(degrees) * std::numbers::pi / 180.0;
    return {float(center.x + local.x * std::cos(a) - local.y * std::sin(a)),
            float(center.y + local.x * std::sin(a) + local.y * std::cos(a))};
}

QColor blended(QColor colour, QColor background, float fraction) {
    const auto mix = [&](int c, int b) {
        return int(std::lround(c * fraction + b * (1 - fraction)));
    };
    return QColor(mix(colour.red(), background.red()), mix(colour.green(), background.green()),
                  mix(colour.blue(), background.blue()));
}

QColor added(QColor colour, QColor background, float fraction) {
    const auto add = [&](int c, int b) {
        return std::min(255, int(std::lround(b + c * fraction)));
    };
    return QColor(add(colour.red(), background.red()), add(colour.green(), background.green()),
                  add(colour.blue(), background.blue()));
}

struct ImageObject : ::testing::Test {
    TestHost host;
};

} // namespace

TEST_F(ImageObject, ANewObjectDrawsFullyOverWithAShadowTenPointsAway) {
    const auto object = TMImageObject::newTemplateObject();
    EXPECT_FLOAT_EQ(object->opacity(), 1);
    EXPECT_EQ(object->composition(), int32_t(CompositingOperation::SourceOver));
    EXPECT_FALSE(object->flipHorizontal());
    EXPECT_FALSE(object->flipVertical());
    EXPECT_TRUE(object->image().isNull());
    EXPECT_TRUE(object->supportsSharedIamges());
    ASSERT_TRUE(object->shadow());
    EXPECT_FLOAT_EQ(object->shadow()->offset.width, 7.071068f);
    EXPECT_FLOAT_EQ(object->shadow()->offset.height, -7.071068f);
    EXPECT_FLOAT_EQ(object->shadow()->blurRadius, 6);

    // With no picture, no image key is written.
    const QVariantMap written = object->dictRepresentation();
    EXPECT_FALSE(written.contains(str(kImageRefKey)));
    EXPECT_FALSE(written.contains(str(kImageRawKey)));
    EXPECT_EQ(TMImageObject::newTemplateObjectWithRepresentation(written)->dictRepresentation(),
              written);
}

TEST_F(ImageObject, RepresentationsOfBothGenerations) {
    const QByteArray raw = Archiver::archivedValue(filled(kBlue));
    const struct {
        const char* what;
        QVariantMap representation;
        QString name;
        bool ownImage;
        int32_t composition;
        float opacity;
        bool hflip;
    } cases[] = {
        {"a name wins over an own picture",
         {{str("kind"), str("TMImageObject")},
          {str("image_ref"), str("logo")},
          {str("image_raw"), raw},
          {str("image_comp"), 13},
          {str("image_opacity"), 0.25},
          {str("image_hflip"), true}},
         str("logo"),
         false,
         13,
         0.25f,
         true},
        {"an own picture",
         {{str("kind"), str("TMImageObject")}, {str("image_raw"), raw}, {str("image_comp"), 1}},
         QString(),
         true,
         1,
         1,
         false},
        {"older: a file name, then its own keys only",
         {{str("kind"), str("image")},
          {str("file"), str("old logo")},
          {str("composition"), 5},
          {str("opacity"), 0.5},
          {str("image_comp"), 7},
          {str("image_hflip"), true}},
         str("old logo"),
         false,
         5,
         0.5f,
         false},
        {"older: picture data",
         {{str("kind"), str("image")}, {str("data"), raw}, {str("opacity"), 0.75}},
         QString(),
         true,
         2,
         0.75f,
         false},
        {"no picture at all",
         {{str("kind"), str("TMImageObject")}, {str("image_opacity"), 0.5}},
         QString(),
         false,
         2,
         0.5f,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = TMImageObject::newTemplateObjectWithRepresentation(c.representation);
        EXPECT_EQ(read->sharedImageRef(), c.name);
        EXPECT_EQ(bool(read->ownImage()), c.ownImage);
        if (c.ownImage) {
            EXPECT_EQ(read->image().pixels().pixelColor(1, 1), kBlue);
            EXPECT_TRUE(read->image().isFlipped());
        }
        EXPECT_EQ(read->composition(), c.composition);
        EXPECT_FLOAT_EQ(read->opacity(), c.opacity);
        EXPECT_EQ(read->flipHorizontal(), c.hflip);
        // Written again, it reads back the same.
        const QVariantMap written = read->dictRepresentation();
        EXPECT_EQ(written.contains(str(kImageRefKey)), !c.name.isNull());
        EXPECT_EQ(written.contains(str(kImageRawKey)), c.ownImage);
        EXPECT_EQ(TMImageObject::newTemplateObjectWithRepresentation(written)->dictRepresentation(),
                  written);
    }
}

TEST_F(ImageObject, TheDocumentsNamedImageComesBeforeTheOwnOne) {
    TemplateDocument document;
    const QString logo =
        document.addImageSourceDataWithName(filled(kGreen), QByteArray(), str("logo"));
    const auto object = TMImageObject::newTemplateObjectWithOriginSize({0, 0}, {20, 20});
    document.addObject(object);

    object->setSharedImageRef(logo);
    EXPECT_EQ(object->image().pixels().pixelColor(1, 1), kGreen);
    // An own picture set later does not hide the named one.
    object->setImage(filled(kBlue));
    EXPECT_EQ(object->sharedImageRef(), logo);
    EXPECT_EQ(object->image().pixels().pixelColor(1, 1), kGreen);
    // Named after an image the document does not have: the own picture.
    object->setSharedImageRef(str("missing"));
    EXPECT_TRUE(object->image().isNull());
    object->setImage(filled(kBlue));
    EXPECT_EQ(object->image().pixels().pixelColor(1, 1), kBlue);
    // Neither change is undoable.
    EXPECT_FALSE(document.undoManager()->canUndo());
}

TEST_F(ImageObject, SettingsAreUndoableUnderTheirNames) {
    TemplateDocument document;
    const auto object = TMImageObject::newTemplateObject();
    document.addObject(object);
    UndoManager* undo = document.undoManager();
    undo->setGroupsByEvent(false);
    undo->removeAllActions();
    const auto step = [&](const std::function<void()>& change) {
        undo->beginUndoGrouping();
        change();
        undo->endUndoGrouping();
    };

    step([&] { object->setOpacity(0.5f); });
    EXPECT_EQ(undo->undoActionName(), str("Opacity"));
    step([&] { object->setComposition(13); });
    EXPECT_EQ(undo->undoActionName(), str("Compositing"));
    step([&] { object->setFlipHorizontal(true); });
    EXPECT_EQ(undo->undoActionName(), str("Flip Horizontal"));
    step([&] { object->setFlipVertical(true); });
    EXPECT_EQ(undo->undoActionName(), str("Flip Vertical"));
    // The current opacity again registers nothing.
    step([&] { object->setOpacity(0.5f); });
    EXPECT_EQ(undo->undoActionName(), str("Flip Vertical"));

    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(undo->undo());
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FLOAT_EQ(object->opacity(), 1);
    EXPECT_EQ(object->composition(), 2);
    EXPECT_FALSE(object->flipHorizontal());
    EXPECT_FALSE(object->flipVertical());
    ASSERT_TRUE(undo->redo());
    EXPECT_FLOAT_EQ(object->opacity(), 0.5f);
}

TEST_F(ImageObject, AnObjectWithoutExtentOrPictureDrawsNothing) {
    for (const Size size : {Size{0, 40}, Size{40, 0}, Size{-5, 40}}) {
        const auto object = TMImageObject::newTemplateObjectWithOriginSize({10, 10}, size);
        object->setImage(filled(kRed));
        TestPage page(60, 60, DestinationKind::Screen);
        object->drawObject(false);
        for (int y = 0; y < 60; y += 3)
            for (int x = 0; x < 60; x += 3)
                ASSERT_EQ(page.at(x, y), QColor(Qt::white)) << x << "," << y;
        EXPECT_FALSE(object->cachedImage());
    }
    const auto empty = TMImageObject::newTemplateObjectWithOriginSize({10, 10}, {40, 40});
    empty->setSharedImageRef(str("nothing by that name"));
    TestPage page(60, 60, DestinationKind::Screen);
    empty->drawObject(false);
    EXPECT_EQ(page.at(30, 30), QColor(Qt::white));
}

TEST_F(ImageObject, AMirroredTurnedPictureShowsLikeItsFrameWithOpacityAndCompositing) {
    const QColor background(64, 64, 64);
    const Point center{100, 100};
    const struct {
        const char* what;
        CompositingOperation op;
        QColor (*expected)(QColor, QColor, float);
    } operations[] = {
        {"source over", CompositingOperation::SourceOver, blended},
        {"plus lighter", CompositingOperation::PlusLighter, added},
    };
    for (const auto& operation : operations) {
        for (const DestinationKind kind : {DestinationKind::Screen, DestinationKind::Image}) {
            SCOPED_TRACE(std::string(operation.what) +
                         (kind == DestinationKind::Screen ? " on screen" : " off screen"));
            const auto object = TMImageObject::newTemplateObjectWithOriginSize({60, 80}, {80, 40});
            object->setImage(quadrants(40, 20));
            object->setRotation(30);
            object->setFlipHorizontal(true);
            object->setOpacity(0.5f);
            object->setComposition(int32_t(operation.op));
            TestPage page(200, 200, kind, background);
            object->drawObject(false);

            // Mirrored left-right in its own frame, then turned by 30 degrees
            // as the frame is: the red quarter shows at the upper right.
            const struct {
                Point local;
                QColor colour;
            } quarters[] = {
                {{20, -10}, kRed}, {{-20, -10}, kGreen}, {{20, 10}, kBlue}, {{-20, 10}, kYellow}};
            for (const auto& q : quarters) {
                const Point p = onPage(center, 30, q.local);
                const QColor want = operation.expected(q.colour, background, 0.5f);
                const QColor got = page.at(int(p.x), int(p.y));
                EXPECT_TRUE(nearColour(got, want, 10))
                    << "at " << p.x << "," << p.y << ": " << colourText(got) << " not "
                    << colourText(want);
            }
            // Outside the turned frame the page is untouched.
            const Point outside = onPage(center, 30, {0, 28});
            EXPECT_EQ(page.at(int(outside.x), int(outside.y)), background);
            const Rect frame = object->frame();
            EXPECT_TRUE(pointInRect(onPage(center, 30, {39, 19}), frame));
        }
    }
}

TEST_F(ImageObject, OnScreenAPictureOfTheObjectsSizeOffScreenTheFullOne) {
    // A fine 400-pixel checkerboard in a 40-point object, on a page of 10 pixels a point.
    QImage checks(400, 400, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            checks.setPixelColor(x, y, (x + y) % 2 ? Qt::black : Qt::white);
    const auto object = TMImageObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
    object->setImage(Image(checks));

    {
        TestPage page(400, 400, DestinationKind::Image, Qt::gray, 10);
        object->drawObject(false);
        EXPECT_FALSE(object->cachedImage());
        EXPECT_EQ(page.at(100, 100), QColor(Qt::white));
        EXPECT_EQ(page.at(101, 100), QColor(Qt::black));
    }
    {
        TestPage page(400, 400, DestinationKind::Screen, Qt::gray, 10);
        object->drawObject(false);
        ASSERT_TRUE(object->cachedImage());
        EXPECT_EQ(object->cachedImage()->pixelSize(), QSize(40, 40));
        // Resampled once: the checks are gone.
        EXPECT_EQ(page.at(100, 100), page.at(101, 100));
    }
    // Any change of the picture's look drops the cache.
    object->setOpacity(0.5f);
    EXPECT_FALSE(object->cachedImage());
}

TEST_F(ImageObject, TheShadowIsCastBesideThePicture) {
    const auto darkenedOutside = [](bool shadow) {
        const auto object = TMImageObject::newTemplateObjectWithOriginSize({40, 40}, {40, 40});
        object->setImage(filled(kRed));
        object->setShadowEnabled(shadow);
        TestPage page(120, 120, DestinationKind::Image);
        object->drawObject(false);
        int count = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x)
                if ((x < 39 || x > 80 || y < 39 || y > 80) && page.at(x, y).value() < 230)
                    ++count;
        return count;
    };
    EXPECT_EQ(darkenedOutside(false), 0);
    EXPECT_GT(darkenedOutside(true), 100);
}
