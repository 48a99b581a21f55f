#include "PhotoPanelFixture.h"
#include "PrintedPhoto.h"
#include "catalog/GridFixture.h"
#include "catalog/RedEyeRects.h"
#include "photoview/MagnifierController.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/MainWindowTracker.h"
#include "utilities/GeometryUtilities.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

bool isRed(const QColor& c) {
    return c.red() > 150 && c.green() < 90 && c.blue() < 90;
}

QList<Rect> rects(const QVariantList& list) {
    QList<Rect> out;
    for (const QVariant& item : list)
        out.append(rectFromData(item.toByteArray()));
    return out;
}

void expectRect(const Rect& actual, const Rect& expected, float tolerance = 1e-3f) {
    EXPECT_NEAR(actual.minX(), expected.minX(), tolerance);
    EXPECT_NEAR(actual.minY(), expected.minY(), tolerance);
    EXPECT_NEAR(actual.width(), expected.width(), tolerance);
    EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

// A grey photo with a red disc of the radius about a centre given from the top left.
QImage redDiscImage(int width, int height, QPoint centre, int radius) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(120, 120, 120));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(230, 20, 20));
    painter.drawEllipse(centre, radius, radius);
    return image;
}

class Paints : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

} // namespace

// ---------------------------------------------------------------------------
// The loupe

class MagnifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        MagnifierController& loupe = *MagnifierController::sharedMagnifierController();
        loupe.updateDisplayImageWithCenter(Image(), kZeroPoint);
        loupe.setDisplayScale(0);
        loupe.showWindow();
        drainEvents();
    }
    void TearDown() override { MagnifierController::sharedMagnifierController()->close(); }
    MagnifierView* view() {
        return MagnifierController::sharedMagnifierController()->magnifiedPixelView();
    }
    QImage shot() { return view()->grab().toImage(); }

    TestHome home;
};

TEST_F(MagnifierTest, WithoutImageSixHelpLinesSitCentredInThreePairs) {
    ASSERT_EQ(view()->size(),
              QSize(MagnifierController::kViewSide, MagnifierController::kViewSide));
    const QImage image = shot();
    // The rows holding ink, gathered into bands, each with its ink's left and right.
    struct Band {
        int top, bottom, left, right;
    };
    QList<Band> bands;
    for (int y = 0; y < image.height(); ++y) {
        int left = image.width(), right = -1;
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        if (right < 0)
            continue;
        if (!bands.isEmpty() && bands.last().bottom >= y - 1) {
            Band& band = bands.last();
            band.bottom = y;
            band.left = std::min(band.left, left);
            band.right = std::max(band.right, right);
        } else {
            bands.append({y, y, left, right});
        }
    }
    ASSERT_EQ(bands.size(), 6);
    const float h = QFontMetricsF(QApplication::font()).height();
    // Tops step by one line within a pair and by one and a half between pairs.
    const float steps[] = {1, 1.5f, 1, 1.5f, 1};
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(bands[i + 1].top - bands[i].top, steps[i] * h, 0.35 * h) << i;
    // The pairs lie about the middle, each line centred across.
    EXPECT_NEAR((bands[2].top + bands[3].bottom) / 2.0, 64, 0.5 * h);
    for (const Band& band : bands)
        EXPECT_NEAR((band.left + band.right) / 2.0, 64, 4);
}

TEST_F(MagnifierTest, ScaleFourShowsAFourByFourSquareEnlargedThirtyTwoTimes) {
    // Green all round a checker of red and blue pixels, rows and columns 6 to 9
    // from the top left, so the square about (8, 8) is the checker alone.
    QImage pixels(16, 16, QImage::Format_RGB32);
    pixels.fill(Qt::green);
    for (int y = 6; y < 10; ++y)
        for (int x = 6; x < 10; ++x)
            pixels.setPixelColor(x, y, (x + y) % 2 ? Qt::blue : Qt::red);
    MagnifierController& loupe = *MagnifierController::sharedMagnifierController();
    loupe.setDisplayScale(4);
    loupe.updateDisplayImageWithCenter(Image(pixels, {16, 16}), {8, 8});
    const QImage image = shot();
    ASSERT_TRUE(view()->crosshairs().has_value());
    // Each cell's middle lies off the crosshairs and the oval.
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const QColor c = image.pixelColor(32 * column + 16, 32 * row + 16);
            const QColor expected = (6 + column + 6 + row) % 2 ? Qt::blue : Qt::red;
            // Smoothing may blend a little at the cell's middle, not more.
            EXPECT_NEAR(c.red(), expected.red(), 16) << column << "," << row;
            EXPECT_NEAR(c.green(), expected.green(), 16) << column << "," << row;
            EXPECT_NEAR(c.blue(), expected.blue(), 16) << column << "," << row;
        }
    // The crosshairs are stroked over it, black on white: grey along the middle.
    for (const QPoint& on : {QPoint(64, 10), QPoint(10, 64)}) {
        const QColor c = image.pixelColor(on);
        EXPECT_LT(std::abs(c.red() - c.blue()), 40) << on.x() << "," << on.y();
        EXPECT_LT(std::abs(c.red() - c.green()), 40) << on.x() << "," << on.y();
    }
}

TEST_F(MagnifierTest, AScaleChangeAloneDoesNotRepaint) {
    QImage pixels(16, 16, QImage::Format_RGB32);
    pixels.fill(Qt::red);
    MagnifierController& loupe = *MagnifierController::sharedMagnifierController();
    loupe.setDisplayScale(4);
    loupe.updateDisplayImageWithCenter(Image(pixels, {16, 16}), {8, 8});
    drainEvents();
    Paints paints;
    view()->installEventFilter(&paints);
    loupe.setDisplayScale(8);
    drainEvents();
    EXPECT_EQ(paints.count, 0);
    loupe.updateDisplayImageWithCenter(Image(pixels, {16, 16}), {8, 8});
    drainEvents();
    EXPECT_GE(paints.count, 1);
    EXPECT_EQ(view()->displayScale(), 8);
    view()->removeEventFilter(&paints);
}

// ---------------------------------------------------------------------------
// Red-eye mode

// The catalog window, main, with its photograph panel of 498 x 398 points.
class PhotoViewRedEyeTest : public PhotoPanelFixture {
protected:
    void SetUp() override {
        testHost.setPreferencesIntFor(15, PrefRedEyeAperture);
        PhotoPanelFixture::SetUp();
    }
    void TearDown() override {
        if (controller)
            controller->setEditMode(0);
        MagnifierController::sharedMagnifierController()->close();
        PhotoPanelFixture::TearDown();
    }
    void showPhoto(const QImage& image, const char* format = "png") {
        ++photos;
        ASSERT_TRUE(catalog().addFileEntry(
            writeImage(dir.filePath(str("eye%1.%2").arg(photos).arg(str(format))), image, format)));
        showFirstPhoto();
    }
    void enterRedEyeMode() { enterMode(&PhotoView::toggleRedEyeMode, PhotoEditModeRedEye); }
    QPoint at(Point image) const {
        const Point view = UTMapPoint(panel()->imageRect(), panel()->imageFrame(), image);
        return panel()->widgetRectFromBounds({view, kZeroSize}).topLeft().toPoint();
    }
    // From off the photo, so that a move is seen wherever the pointer was last.
    void hover(Point image) {
        QTest::mouseMove(panel(), QPoint(2, 2));
        QTest::mouseMove(panel(), at(image));
        drainEvents();
    }
    void click(Point image) {
        hover(image);
        QTest::mousePress(panel(), Qt::LeftButton, Qt::NoModifier, at(image));
        QTest::mouseRelease(panel(), Qt::LeftButton, Qt::NoModifier, at(image));
        drainEvents();
    }
    void key(Qt::Key k, int times = 1) {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(panel(), k);
    }
    QList<Rect> stored() { return rects(catalog().getFileImageRedEyeAtIndex(0)); }
    int photos = 0;
};

TEST_F(PhotoViewRedEyeTest, FirstClickStoresTheBoundsThenASpotOfTheApertureInImageUnits) {
    // At full size a spot is the aperture wide; at half size twice as wide.
    const struct {
        int width, height;
        float side;
    } cases[] = {{400, 300, 15}, {800, 700, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        while (catalog().fileCount() > 0)
            catalog().removeEntryAtIndex(0);
        drainEvents();
        showPhoto(redDiscImage(c.width, c.height, {c.width / 2, c.height / 2}, 10));
        EXPECT_NEAR(panel()->imageFrame().width(), c.width * 15 / c.side, 0.5);
        enterRedEyeMode();
        click({100, 100});
        EXPECT_TRUE(panel()->mouseInsidePhoto());
        const QList<Rect> spots = stored();
        ASSERT_EQ(spots.size(), 2);
        expectRect(spots[0], {0, 0, float(c.width), float(c.height)});
        expectRect(spots[1], {100 - c.side / 2, 100 - c.side / 2, c.side, c.side}, 0.6f);
        controller->setEditMode(0);
    }
}

TEST_F(PhotoViewRedEyeTest, HoverHidesThePointerAndFeedsTheApertureAndTheLoupe) {
    showPhoto(redDiscImage(400, 300, {200, 150}, 10));
    enterRedEyeMode();
    MagnifierController& loupe = *MagnifierController::sharedMagnifierController();
    EXPECT_TRUE(loupe.isVisible());
    EXPECT_NE(QApplication::activeWindow(), loupe.window());
    EXPECT_TRUE(loupe.magnifiedPixelView()->displayImage().isNull());
    hover({200, 150});
    EXPECT_TRUE(panel()->mouseInsidePhoto());
    EXPECT_EQ(panel()->cursor().shape(), Qt::BlankCursor);
    const Point view = UTMapPoint(panel()->imageRect(), panel()->imageFrame(), {200, 150});
    // Half the diameter in whole points: 7 of 15.
    expectRect(panel()->hotSpotRect(), {view.x - 7, view.y - 7, 15, 15}, 0.51f);
    EXPECT_FALSE(loupe.magnifiedPixelView()->displayImage().isNull());
    EXPECT_NEAR(loupe.magnifiedPixelView()->displayScale(), 15, 0.01);
    // Screen image y counts from the bottom: 150 of 300 is the middle either way.
    EXPECT_NEAR(loupe.magnifiedPixelView()->displayCenter().x, 200, 1);
    EXPECT_NEAR(loupe.magnifiedPixelView()->displayCenter().y, 150, 1);
    // Off the photo the loupe shows its help again and the square goes.
    QTest::mouseMove(panel(), QPoint(3, 3));
    drainEvents();
    EXPECT_FALSE(panel()->mouseInsidePhoto());
    EXPECT_EQ(panel()->hotSpotRect(), kZeroRect);
    EXPECT_NE(panel()->cursor().shape(), Qt::BlankCursor);
    EXPECT_TRUE(loupe.magnifiedPixelView()->displayImage().isNull());
}

TEST_F(PhotoViewRedEyeTest, OnACroppedPhotoOnlyTheCropIsTracked) {
    showPhoto(redDiscImage(400, 300, {200, 150}, 10));
    catalog().setFileImageCropAtIndexTo(0, {100, 100, 100, 80});
    drainEvents();
    enterRedEyeMode();
    const struct {
        Point at;
        bool inside;
    } cases[] = {{{150, 140}, true},
                 {{50, 50}, false},
                 {{250, 140}, false},
                 {{150, 200}, false},
                 {{101, 101}, true}};
    for (const auto& c : cases) {
        hover(c.at);
        EXPECT_EQ(panel()->mouseInsidePhoto(), c.inside) << c.at.x << "," << c.at.y;
    }
    // A click outside the crop adds nothing.
    click({50, 50});
    EXPECT_TRUE(stored().isEmpty());
}

TEST_F(PhotoViewRedEyeTest, TheApertureStaysBetweenFourAndSixtyFourAndIsRemembered) {
    showPhoto(redDiscImage(400, 300, {200, 150}, 10));
    enterRedEyeMode();
    hover({200, 150});
    key(Qt::Key_Up, 60);
    EXPECT_EQ(panel()->redEyeDiameter(), PhotoView::kLargestAperture);
    EXPECT_EQ(host().preferencesIntFor(PrefRedEyeAperture), 64);
    QMenu* menu = panel()->menuForEvent();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), str("Red-eye Aperture"));
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    const char* keys[] = {"INCREASE_MENU_TITLE", "DECREASE_MENU_TITLE", "INCREASE_MORE_MENU_TITLE",
                          "DECREASE_MORE_MENU_TITLE"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i]->text(), localizedString(str(keys[i])));
        EXPECT_NE(items[i]->text(), str(keys[i]));
    }
    const auto enabled = [&] {
        panel()->menuForEvent();
        return QList<bool>{items[0]->isEnabled(), items[1]->isEnabled(), items[2]->isEnabled(),
                           items[3]->isEnabled()};
    };
    EXPECT_EQ(enabled(), (QList<bool>{false, true, false, true}));
    items[0]->trigger();
    items[2]->trigger();
    EXPECT_EQ(panel()->redEyeDiameter(), 64);
    items[3]->trigger();
    EXPECT_EQ(panel()->redEyeDiameter(), 60);
    EXPECT_EQ(panel()->hotSpotRect().width(), 60);
    key(Qt::Key_Left, 70);
    EXPECT_EQ(panel()->redEyeDiameter(), PhotoView::kSmallestAperture);
    EXPECT_EQ(host().preferencesIntFor(PrefRedEyeAperture), 4);
    EXPECT_EQ(enabled(), (QList<bool>{true, false, true, false}));
    items[1]->trigger();
    EXPECT_EQ(panel()->redEyeDiameter(), 4);
    key(Qt::Key_Right);
    EXPECT_EQ(panel()->redEyeDiameter(), 5);
}

TEST_F(PhotoViewRedEyeTest, ArrowKeysActOnlyWhileThePointerIsOverThePhoto) {
    showPhoto(redDiscImage(400, 300, {200, 150}, 10));
    enterRedEyeMode();
    QTest::mouseMove(panel(), QPoint(3, 3));
    drainEvents();
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(panel(), &up);
    EXPECT_TRUE(up.isAccepted());
    EXPECT_EQ(panel()->redEyeDiameter(), 15);
    EXPECT_EQ(panel()->menuForEvent(), nullptr);
    hover({200, 150});
    key(Qt::Key_Up);
    EXPECT_EQ(panel()->redEyeDiameter(), 16);
}

TEST_F(PhotoViewRedEyeTest, ARightClickBringsTheMenuAndAddsNoSpot) {
    showPhoto(redDiscImage(400, 300, {200, 150}, 10));
    enterRedEyeMode();
    hover({200, 150});
    QContextMenuEvent request(QContextMenuEvent::Mouse, at({200, 150}),
                              panel()->mapToGlobal(at({200, 150})));
    QApplication::sendEvent(panel(), &request);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), str("Red-eye Aperture"));
    menu->hide();
    drainEvents();
    QTest::mouseClick(panel(), Qt::RightButton, Qt::NoModifier, at({200, 150}));
    drainEvents();
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->hide();
    // The platform's Control key with the main button brings the menu too.
    panel()->redEyeSelect(UTMapPoint(panel()->imageRect(), panel()->imageFrame(), {200, 150}),
                          Qt::LeftButton, Qt::MetaModifier);
    drainEvents();
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_TRUE(panel()->redEyeArray().isEmpty());
}

TEST_F(PhotoViewRedEyeTest, ClosingTheLoupeEndsTheMode) {
    showPhoto(redDiscImage(400, 300, {200, 150}, 10));
    enterRedEyeMode();
    hover({200, 150});
    MagnifierController::sharedMagnifierController()->window()->close();
    drainEvents();
    EXPECT_EQ(controller->editMode(), PhotoEditModeNone);
    EXPECT_FALSE(panel()->mouseInsidePhoto());
    EXPECT_EQ(panel()->hotSpotRect(), kZeroRect);
    // Toggling twice shows and hides it again.
    enterRedEyeMode();
    EXPECT_TRUE(MagnifierController::sharedMagnifierController()->isVisible());
    panel()->toggleRedEyeMode();
    EXPECT_FALSE(MagnifierController::sharedMagnifierController()->isVisible());
    EXPECT_EQ(controller->editMode(), PhotoEditModeNone);
}

TEST_F(PhotoViewRedEyeTest, AClickInOneWindowChangesNothingInAnother) {
    showPhoto(redDiscImage(400, 300, {200, 150}, 10));
    RoduvudeDadevizi other;
    ASSERT_TRUE(other.fileCatalog().addFileEntry(
        writeImage(dir.filePath(str("other.png")), redDiscImage(300, 200, {50, 50}, 10), "png")));
    drainEvents();
    other.fileCatalog().setSelectionAtIndex(0);
    auto* otherController = new ZaroziveZodiroVirizidivi;
    otherController->setDocument(&other);
    otherController->setup();
    place(*otherController);
    otherController->setEditMode(PhotoEditModeRedEye);
    enterRedEyeMode();
    click({200, 150});
    EXPECT_EQ(stored().size(), 2);
    EXPECT_TRUE(other.fileCatalog().getFileImageRedEyeAtIndex(0).isEmpty());
    otherController->setEditMode(0);
    delete otherController;
    drainEvents();
}

TEST_F(PhotoViewRedEyeTest, AClickOnARedDiscCorrectsItAndUndoBringsTheRedBack) {
    showPhoto(redDiscImage(400, 300, {120, 100}, 6), "jpg");
    // Through the menu command, as the user chooses it.
    QAction command;
    Commands::setItemAction(&command, str("toggleRedEyeMode:"));
    Commands::setItemTag(&command, 706);
    ASSERT_TRUE(controller->validateMenuItem(command));
    controller->performAction(str("toggleRedEyeMode:"), &command);
    drainEvents();
    ASSERT_EQ(controller->editMode(), PhotoEditModeRedEye);
    const auto shownAtDisc = [&] {
        const QImage pixels = panel()->photoImage().toQImage();
        return pixels.pixelColor(120 * pixels.width() / 400, 100 * pixels.height() / 300);
    };
    ASSERT_TRUE(isRed(shownAtDisc()));
    // Image space counts y from the bottom.
    hover({120, 200});
    EXPECT_FALSE(MagnifierController::sharedMagnifierController()
                     ->magnifiedPixelView()
                     ->displayImage()
                     .isNull());
    click({120, 200});
    EXPECT_FALSE(isRed(shownAtDisc())) << shownAtDisc().name().toStdString();
    EXPECT_EQ(undo().undoActionName(), localizedString(str("RED_EYE_FILTER")));
    const auto printedAtDisc = [&] {
        const QImage printed = printedPhoto(*controller, *document, {400, 300});
        return printed.pixelColor(120 * printed.width() / 400, 100 * printed.height() / 300);
    };
    EXPECT_FALSE(isRed(printedAtDisc())) << printedAtDisc().name().toStdString();
    undo().undo();
    drainEvents();
    EXPECT_TRUE(isRed(shownAtDisc()));
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_TRUE(isRed(printedAtDisc())) << printedAtDisc().name().toStdString();
}
