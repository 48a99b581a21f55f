#include "framework/model/GenericDocument.h"
#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateImageSource.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/imaging/ColorMatching.h"
#include "support/TestHost.h"

#include <QDir>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

// A photograph of 200 x 100 pixels in three columns: red up to x 50,
// green to 150, blue beyond.
QImage columns() {
    QImage picture(200, 100, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&picture);
    p.fillRect(0, 0, 50, 100, Qt::red);
    p.fillRect(50, 0, 100, 100, Qt::green);
    p.fillRect(150, 0, 50, 100, Qt::blue);
    return picture;
}

QImage plain(int width, int height, QColor colour) {
    QImage picture(width, height, QImage::Format_ARGB32_Premultiplied);
    picture.fill(colour);
    return picture;
}

// An image source with one photograph per cell, the rest set by the test.
class PhotoSource : public TemplateImageSource {
public:
    Image imageForCell(int32_t cell) override { return screen.value(cell); }
    Image hiresImageForCell(int32_t cell) override {
        return hires.contains(cell) ? hires.value(cell) : screen.value(cell);
    }
    Rect naturalImageBoundsForCell(int32_t cell) override {
        if (natural)
            return *natural;
        const Image image = hiresImageForCell(cell);
        return image.isNull() ? kZeroRect
                              : Rect(0, 0, float(image.pixelSize().width()),
                                     float(image.pixelSize().height()));
    }
    Rect cropRectForCell(int32_t) override { return crop; }
    Point offsetForCell(int32_t) override { return offset; }
    void setOffsetForCell(Point o, int32_t cell) override {
        offset = o;
        writtenCell = cell;
        disabledWhileWriting = disabled;
        ++offsetWrites;
    }
    int32_t scalingModeForCell(int32_t) override { return mode; }
    std::vector<std::shared_ptr<TMObject>> captionArrayForCell(int32_t) override {
        return captions;
    }
    float preferredDPI() override { return dpi; }
    int32_t destinationDevice() override { return device; }
    bool notificationsDisabled() override { return disabled; }
    void setNotificationsDisabled(bool value) override { disabled = value; }
    void colorMatchImage(Image& image) override { matched.push_back(image); }
    QString editValueForField(int32_t) override { return QString(); }
    QString propertyForCell(const QString&, int32_t) override { return QString(); }

    QHash<int32_t, Image> screen;
    QHash<int32_t, Image> hires;
    std::optional<Rect> natural;
    Rect crop = kZeroRect;
    Point offset = kZeroPoint;
    int32_t mode = ScalingModeFill;
    float dpi = 0;
    int32_t device = 0;
    bool disabled = false;
    std::vector<std::shared_ptr<TMObject>> captions;
    std::vector<Image> matched;
    int offsetWrites = 0;
    int32_t writtenCell = -1;
    bool disabledWhileWriting = false;
};

// A page one pixel a point, top-down as the editor's canvas and the
// renderer's images are, white unless told otherwise.
class Page {
public:
    Page(int width, int height, DestinationKind kind, QColor background = Qt::white)
        : _pixels(width, height, QImage::Format_ARGB32_Premultiplied) {
        _pixels.fill(background);
        _painter.begin(&_pixels);
        _context = std::make_unique<GraphicsContext>(_painter, Size{float(width), float(height)},
                                                     kind, true);
        _focus = std::make_unique<GraphicsContext::Focus>(*_context);
    }
    const QImage& pixels() {
        if (_painter.isActive()) {
            _focus.reset();
            _context.reset();
            _painter.end();
        }
        return _pixels;
    }
    QColor at(int x, int y) { return pixels().pixelColor(x, y); }

private:
    QImage _pixels;
    QPainter _painter;
    std::unique_ptr<GraphicsContext> _context;
    std::unique_ptr<GraphicsContext::Focus> _focus;
};

bool near(const QColor& a, const QColor& b, int tolerance = 8) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

std::string text(const QColor& c) {
    return c.name(QColor::HexArgb).toStdString();
}

#define EXPECT_COLOUR(page, x, y, colour)                                                          \
    EXPECT_TRUE(near((page).at(x, y), colour))                                                     \
        << "at " << (x) << "," << (y) << ": " << text((page).at(x, y))

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);

// Photo cell 1 at the top left of the page, 50 x 100 points: a portrait cell.
struct PhotoCell : ::testing::Test {
    PhotoCell() {
        cell = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {50, 100});
        cell->setPhotoNumber(1);
        cell->setImageSource(&source);
        source.screen.insert(0, Image(columns()));
    }
    void draw(Page& page) {
        cell->drawObject(false);
        page.pixels();
    }

    TestHost host;
    PhotoSource source;
    TMPhotoObjectRef cell;
};

} // namespace

TEST_F(PhotoCell, FillCoversTheCellWithTheMiddleOfALandscapePhotograph) {
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    for (auto [x, y] : {std::pair{1, 1}, {25, 50}, {48, 98}, {1, 98}})
        EXPECT_COLOUR(page, x, y, kGreen);
    EXPECT_COLOUR(page, 55, 50, kWhite);
    EXPECT_EQ(source.offsetWrites, 0);
}

TEST_F(PhotoCell, FitShowsAllOfThePhotographCentredInTheCell) {
    source.mode = ScalingModeFit;
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    // 50 x 25 points in the middle of the cell's height.
    EXPECT_COLOUR(page, 5, 50, kRed);
    EXPECT_COLOUR(page, 25, 50, kGreen);
    EXPECT_COLOUR(page, 45, 50, kBlue);
    EXPECT_COLOUR(page, 25, 30, kWhite);
    EXPECT_COLOUR(page, 25, 70, kWhite);
}

TEST_F(PhotoCell, FitEnlargesASmallPhotograph) {
    source.mode = ScalingModeFit;
    source.screen.insert(0, Image(plain(10, 10, Qt::blue)));
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    // 50 x 50, centred.
    EXPECT_COLOUR(page, 2, 27, kBlue);
    EXPECT_COLOUR(page, 47, 72, kBlue);
    EXPECT_COLOUR(page, 25, 22, kWhite);
    EXPECT_COLOUR(page, 25, 78, kWhite);
}

TEST_F(PhotoCell, StretchDistortsThePhotographToTheCell) {
    source.mode = ScalingModeStretch;
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    EXPECT_COLOUR(page, 5, 50, kRed);
    EXPECT_COLOUR(page, 25, 2, kGreen);
    EXPECT_COLOUR(page, 25, 97, kGreen);
    EXPECT_COLOUR(page, 45, 50, kBlue);
}

TEST_F(PhotoCell, ThePhotographIsUprightOnThePage) {
    source.mode = ScalingModeStretch;
    QImage picture = plain(20, 20, Qt::blue);
    QPainter(&picture).fillRect(0, 0, 20, 10, Qt::red); // top half
    source.screen.insert(0, Image(picture));
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    EXPECT_COLOUR(page, 25, 10, kRed);
    EXPECT_COLOUR(page, 25, 90, kBlue);
}

TEST_F(PhotoCell, TheOffsetMovesThePhotographAndIsHeldAtItsEdge) {
    // The screen picture is half the natural size; offsets are natural pixels.
    source.natural = Rect(0, 0, 400, 200);
    source.offset = {60, 0};
    {
        Page page(60, 110, DestinationKind::Screen);
        draw(page);
        EXPECT_COLOUR(page, 2, 50, kRed);
        EXPECT_COLOUR(page, 20, 50, kGreen);
        EXPECT_EQ(source.offsetWrites, 0);
    }
    for (bool disabledBefore : {false, true}) {
        cell->recache();
        source.offset = {200, 0};
        source.disabled = disabledBefore;
        Page page(60, 110, DestinationKind::Screen);
        draw(page);
        EXPECT_COLOUR(page, 2, 50, kRed);
        EXPECT_COLOUR(page, 47, 50, kRed);
        // 75 photograph pixels were as far as it goes: 150 natural ones.
        EXPECT_EQ(source.offset, (Point{150, 0}));
        EXPECT_EQ(source.writtenCell, 0);
        EXPECT_TRUE(source.disabledWhileWriting);
        EXPECT_EQ(source.disabled, disabledBefore);
    }
}

TEST_F(PhotoCell, OnlyTheCroppedPartIsPlacedAndTheOffsetStaysInsideIt) {
    source.mode = ScalingModeStretch;
    source.crop = Rect(150, 0, 50, 100);
    {
        Page page(60, 110, DestinationKind::Screen);
        draw(page);
        EXPECT_COLOUR(page, 2, 2, kBlue);
        EXPECT_COLOUR(page, 47, 97, kBlue);
    }
    source.mode = ScalingModeFill;
    source.crop = Rect(100, 0, 100, 100);
    source.offset = {100, 0};
    cell->recache();
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    EXPECT_COLOUR(page, 2, 50, kGreen);
    EXPECT_COLOUR(page, 47, 50, kGreen);
    EXPECT_EQ(source.offset, (Point{25, 0}));
}

TEST_F(PhotoCell, TheScreenShowsTheScreenPictureOutputTheFullOne) {
    source.mode = ScalingModeStretch;
    source.screen.insert(0, Image(plain(20, 40, Qt::red)));
    source.hires.insert(0, Image(plain(200, 400, Qt::blue)));
    {
        Page page(60, 110, DestinationKind::Screen);
        draw(page);
        EXPECT_COLOUR(page, 25, 50, kRed);
        EXPECT_TRUE(cell->cachedImage());
        EXPECT_TRUE(source.matched.empty());
    }
    source.device = 1;
    Page page(60, 110, DestinationKind::Image);
    draw(page);
    EXPECT_COLOUR(page, 25, 50, kBlue);
    EXPECT_FALSE(cell->cachedImage());
    EXPECT_EQ(source.matched.size(), 1u);
}

TEST_F(PhotoCell, AnOvalMaskCutsTheRenderedPhotograph) {
    cell->setMaskEnabled(true);
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    EXPECT_COLOUR(page, 25, 50, kGreen);
    EXPECT_COLOUR(page, 5, 50, kGreen);
    EXPECT_COLOUR(page, 2, 2, kWhite);
    EXPECT_COLOUR(page, 47, 97, kWhite);
    EXPECT_COLOUR(page, 25, 0, kWhite);
}

TEST_F(PhotoCell, ABitmapMaskKeepsItsLightPartTheRightWayUp) {
    QTemporaryDir masks;
    host.masksPath = masks.path();
    QImage picture(4, 4, QImage::Format_Grayscale8);
    picture.fill(0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            picture.scanLine(y)[x] = 255; // the top half is light
    ASSERT_TRUE(picture.save(masks.path() + "/top.png", "PNG"));
    auto bitmap = TMPhotoMask::create<TMBitmapPhotoMask>();
    bitmap->setMaskPatternName("top.png");
    cell->setMask(bitmap);
    cell->setMaskEnabled(true);
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    EXPECT_COLOUR(page, 25, 20, kGreen);
    EXPECT_COLOUR(page, 25, 80, kWhite);
}

TEST_F(PhotoCell, CaptionsArePlacedInTheNaturalPixelsOfThePhotograph) {
    source.mode = ScalingModeStretch;
    source.screen.insert(0, Image(plain(200, 100, Qt::white)));
    // A square of 20 natural pixels about the photograph's centre.
    TMObjectRef caption = TMObject::newTemplateObjectWithOriginSize({90, 40}, {20, 20});
    source.captions = {caption};
    Page page(60, 110, DestinationKind::Screen, Qt::white);
    draw(page);
    EXPECT_EQ(caption->zoomFactor(), 4.0f);
    // Stretched 1/4 across and 1 down: its sides at x 22.5 and 27.5.
    int dark = 0;
    for (int y = 0; y < 110; ++y)
        for (int x = 0; x < 60; ++x)
            if (page.at(x, y).value() < 128) {
                ++dark;
                EXPECT_TRUE(x >= 21 && x <= 29 && y >= 38 && y <= 62) << x << "," << y;
            }
    EXPECT_GE(dark, 8);
}

// ---------------------------------------------------------------------------
// The placeholder

namespace {

QImage drawnPlaceholder(int number, bool thumbnail = false) {
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {120, 60});
    cell->setPhotoNumber(number);
    cell->setDrawingThumbnail(thumbnail);
    Page page(130, 70, DestinationKind::Screen);
    cell->drawObject(false);
    return page.pixels();
}

} // namespace

TEST(PhotoCellPlaceholder, TheEditorShowsAGreyCellWithItsNumberedLabel) {
    TestHost host;
    const QColor shadow = QGuiApplication::palette().color(QPalette::Active, QPalette::Dark);
    const QImage one = drawnPlaceholder(1);
    EXPECT_TRUE(near(one.pixelColor(10, 8), shadow)) << text(one.pixelColor(10, 8));
    EXPECT_TRUE(near(one.pixelColor(110, 52), shadow));
    EXPECT_TRUE(near(one.pixelColor(125, 30), kWhite));
    // The outline in the same colour along the edge, half of it outside.
    EXPECT_TRUE(near(one.pixelColor(120, 30), shadow)) << text(one.pixelColor(120, 30));
    EXPECT_TRUE(near(one.pixelColor(122, 30), kWhite));

    int label = 0;
    for (int y = 15; y < 45; ++y)
        for (int x = 5; x < 115; ++x)
            if (one.pixelColor(x, y).value() < 110)
                ++label;
    EXPECT_GT(label, 40);
    // The label has the number: another number draws another label.
    EXPECT_NE(one.copy(5, 15, 110, 30), drawnPlaceholder(2).copy(5, 15, 110, 30));
    EXPECT_EQ(one.copy(5, 15, 110, 30), drawnPlaceholder(1).copy(5, 15, 110, 30));

    // A thumbnail has the grey cell without the label.
    const QImage thumbnail = drawnPlaceholder(1, true);
    for (int y = 15; y < 45; ++y)
        for (int x = 5; x < 115; ++x)
            ASSERT_FALSE(thumbnail.pixelColor(x, y).value() < 110) << x << "," << y;
}

TEST_F(PhotoCell, OffscreenACellWithoutAPhotographStaysEmpty) {
    source.screen.clear();
    source.device = 1;
    Page page(60, 110, DestinationKind::Image);
    draw(page);
    for (auto [x, y] : {std::pair{2, 2}, {25, 50}, {47, 97}})
        EXPECT_COLOUR(page, x, y, kWhite);
    // Without an image source at all it shows the placeholder.
    cell->setImageSource(nullptr);
    Page library(60, 110, DestinationKind::Image);
    cell->drawObject(false);
    EXPECT_FALSE(near(library.at(25, 10), kWhite));
}

TEST_F(PhotoCell, ACellWithoutAreaDrawsNothing) {
    cell->setSize({0, 100});
    Page page(60, 110, DestinationKind::Screen);
    draw(page);
    EXPECT_COLOUR(page, 0, 50, kWhite);
    EXPECT_FALSE(cell->cachedImage());
}

// ---------------------------------------------------------------------------
// Output resolution

TEST_F(PhotoCell, OutputRendersAtThePreferredOrTheNaturalResolution) {
    cell->setSize({144, 144});
    source.device = 1;
    struct Case {
        float dpi;
        Size natural;
        bool shadow;
        QSize pixels;
    };
    const Case cases[] = {
        {0, {100, 80}, false, {144, 144}},     // below 72 dpi: 72
        {300, {100, 80}, false, {600, 600}},   // the preferred resolution
        {0, {1200, 900}, false, {1200, 1200}}, // 1200 / 2 inches: 600 dpi
        // The shadow's room: 2 x (7.071068 + 6) points at 600/144 pixels a point.
        {300, {100, 80}, true, {709, 709}},
    };
    for (const Case& c : cases) {
        source.dpi = c.dpi;
        source.natural = Rect({0, 0}, c.natural);
        source.matched.clear();
        cell->setShadowEnabled(c.shadow);
        Page page(200, 200, DestinationKind::Image);
        EXPECT_EQ(cell->destPhotoCellSize(),
                  (Size{float(c.pixels.width() - (c.shadow ? 109 : 0)),
                        float(c.pixels.height() - (c.shadow ? 109 : 0))}));
        draw(page);
        ASSERT_EQ(source.matched.size(), 1u) << c.dpi;
        EXPECT_EQ(source.matched[0].pixelSize(), c.pixels) << c.dpi;
        // The rendering carries the display's profile into the source's matching.
        EXPECT_EQ(source.matched[0].iccProfile(), defaultDisplayProfile());
    }
}

TEST_F(PhotoCell, OnScreenTheRenderingIsKeptUntilRecached) {
    auto drawOnScreen = [&] {
        Page page(60, 110, DestinationKind::Screen);
        draw(page);
    };
    drawOnScreen();
    ASSERT_TRUE(cell->cachedImage());
    EXPECT_EQ(cell->cachedImage()->pixelSize(), QSize(50, 100));
    cell->recache();
    EXPECT_FALSE(cell->cachedImage());
    drawOnScreen();
    ASSERT_TRUE(cell->cachedImage());
    cell->setPhotoNumber(2);
    EXPECT_FALSE(cell->cachedImage());
    drawOnScreen();
    ASSERT_TRUE(cell->cachedImage());
    cell->setOpacity(0.5f);
    EXPECT_FALSE(cell->cachedImage());
    // While being resized nothing is kept.
    cell->setInResize(true);
    drawOnScreen();
    EXPECT_FALSE(cell->cachedImage());
}

TEST_F(PhotoCell, UndoAndRedoOfAResizeRedrawTheCellAtItsSize) {
    GenericDocument document;
    cell->setParentDocument(&document);
    UndoManager* undo = document.undoManager();
    const auto drawOnScreen = [](const TMPhotoObjectRef& c) {
        Page page(210, 110, DestinationKind::Screen);
        c->drawObject(false);
        return page.pixels();
    };
    const auto freshCell = [&](Size size) {
        TMPhotoObjectRef fresh = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, size);
        fresh->setPhotoNumber(1);
        fresh->setImageSource(&source);
        return drawOnScreen(fresh);
    };
    drawOnScreen(cell);
    ASSERT_TRUE(cell->cachedImage());

    // The editor's drag of the right edge out to 200 points: it records the
    // geometry first, the cell renders anew while the drag lasts and keeps
    // its rendering once the drag is over.
    undo->beginUndoGrouping();
    undo->registerUndo(cell.get(), [c = cell, g = cell->geometry()] { c->setGeometry(g); });
    undo->endUndoGrouping();
    cell->setInResize(true);
    cell->resizeByMovingKnobToPoint(5, {200, 50});
    drawOnScreen(cell);
    cell->setInResize(false);
    const QImage wide = drawOnScreen(cell);
    ASSERT_EQ(cell->size(), (Size{200, 100}));
    EXPECT_EQ(wide, freshCell({200, 100}));

    ASSERT_TRUE(undo->undo());
    ASSERT_EQ(cell->size(), (Size{50, 100}));
    const QImage undone = drawOnScreen(cell);
    EXPECT_EQ(undone, freshCell({50, 100}));
    // The narrow cell shows the middle of the photograph, not the squeezed wide one.
    EXPECT_TRUE(near(undone.pixelColor(5, 50), kGreen)) << text(undone.pixelColor(5, 50));

    ASSERT_TRUE(undo->redo());
    ASSERT_EQ(cell->size(), (Size{200, 100}));
    EXPECT_EQ(drawOnScreen(cell), freshCell({200, 100}));
}

TEST_F(PhotoCell, AnAbsurdResolutionRendersNothingInsteadOfExhaustingMemory) {
    source.device = 1;
    source.dpi = 1e7f;
    Page page(60, 110, DestinationKind::Image);
    draw(page);
    EXPECT_TRUE(source.matched.empty());
    EXPECT_COLOUR(page, 25, 50, kWhite);
    // A sound resolution afterwards renders again.
    source.dpi = 144;
    Page again(60, 110, DestinationKind::Image);
    draw(again);
    ASSERT_EQ(source.matched.size(), 1u);
    EXPECT_EQ(source.matched[0].pixelSize(), QSize(100, 200));
    EXPECT_COLOUR(again, 25, 50, kGreen);
}

TEST(PhotoCellPlaceholder, ALabelTooWideForTheCellShrinksUntilItFits) {
    TestHost host;
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {40, 60});
    cell->setPhotoNumber(1);
    Page page(50, 70, DestinationKind::Screen);
    cell->drawObject(false);
    const QImage pixels = page.pixels();
    int left = 40, right = -1, top = 60, bottom = -1;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x)
            if (pixels.pixelColor(x, y).value() < 110) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, left);
    // At 24 points the label would run across the whole cell and be some 17
    // pixels high; shrunk it fits the width with room to spare.
    EXPECT_GE(left, 1);
    EXPECT_LE(right, 38);
    EXPECT_LT(bottom - top, 12);
}
