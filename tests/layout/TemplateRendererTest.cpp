#include "RendererFixtures.h"

#include "framework/TestImageSource.h"
#include "framework/model/TMImageObject.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateFileFormat.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateFiles.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Color.h"
#include "support/TestHost.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

class TemplateRendererTest : public ::testing::Test {
protected:
    TemplateHandleRef oldTemplate(Size page, const QVariantList& objects,
                                  const QVariantMap& extra = {}) {
        const QString path = writeOldTemplate(_folder, "old.plist", page, objects, extra);
        return TemplateHandle::templateHandleWithFile(path);
    }

    // A 200 x 100 page that is one photo cell.
    TemplateHandleRef oneCellPage() {
        return oldTemplate({200, 100}, {oldObject("photo", 0, 0, 200, 100)});
    }

    TestHost _host;
    QTemporaryDir _folder;
};

QImage renderOffscreen(TemplateRenderer& renderer, int width, int height, bool flipped = false) {
    Canvas canvas(width, height, DestinationKind::Image, flipped);
    renderer.renderInRect(Rect(0, 0, float(width), float(height)));
    return canvas.pixels();
}

// Top-down rows of a rendered upward page.
QColor at(const QImage& pixels, int x, int row) {
    return pixels.pixelColor(x, row);
}

TEST_F(TemplateRendererTest, FillFitAndStretchPlaceThePhotoInItsCell) {
    const struct {
        const char* what;
        int32_t mode;
        Image photo;
        // Sampled pixels (x, row from the top) and what they show.
        std::vector<std::tuple<int, int, QColor>> samples;
    } cases[] = {
        // Filling the 200 x 100 cell from a square photo shows its middle 400 x 200 band.
        {"fill, square photo",
         ScalingModeFill,
         bandedPhoto(400, 400),
         {{2, 2, Qt::green}, {197, 2, Qt::green}, {100, 50, Qt::green}, {2, 97, Qt::green}}},
        // A fitting photo keeps its size, centred.
        {"fit, small photo",
         ScalingModeFit,
         plainPhoto(100, 100, Qt::green),
         {{45, 50, Qt::white}, {55, 50, Qt::green}, {145, 50, Qt::green}, {155, 50, Qt::white}}},
        // A larger one is reduced to fit.
        {"fit, wide photo",
         ScalingModeFit,
         plainPhoto(1000, 500, Qt::green),
         {{2, 2, Qt::green}, {197, 97, Qt::green}}},
        {"fit, tall photo",
         ScalingModeFit,
         plainPhoto(300, 600, Qt::green),
         {{70, 50, Qt::white}, {80, 50, Qt::green}, {120, 50, Qt::green}, {130, 50, Qt::white}}},
        // Stretching shows the whole photo, squeezed to the cell.
        {"stretch",
         ScalingModeStretch,
         bandedPhoto(400, 400),
         {{100, 10, Qt::red}, {100, 50, Qt::green}, {100, 90, Qt::blue}}},
        {"any other mode stretches",
         7,
         bandedPhoto(400, 400),
         {{100, 10, Qt::red}, {100, 50, Qt::green}, {100, 90, Qt::blue}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestImageSource source;
        source.images[0] = c.photo;
        source.scalingMode = c.mode;
        TemplateRenderer renderer;
        renderer.setTemplate(oneCellPage());
        renderer.setImageSource(&source);
        const QImage pixels = renderOffscreen(renderer, 200, 100);
        for (const auto& [x, row, colour] : c.samples)
            EXPECT_TRUE(near(at(pixels, x, row), colour))
                << x << "," << row << " " << pixels.pixelColor(x, row).name().toStdString();
        // No offset was asked for, so none is stored.
        EXPECT_FALSE(source.offsets.contains(0));
    }
}

TEST_F(TemplateRendererTest, AnOffsetPastThePhotosEdgeIsBoundAndStoredBack) {
    const struct {
        Point offset;
        Point stored;
        QColor top;
        QColor bottom;
        bool storedBack;
    } cases[] = {
        // The band moves to the photo's top edge and no further.
        {{0, 150}, {0, 100}, Qt::red, Qt::green, true},
        {{0, -150}, {0, -100}, Qt::green, Qt::blue, true},
        // Within reach: shown as it is, nothing stored.
        {{0, 100}, {0, 100}, Qt::red, Qt::green, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset.y);
        TestImageSource source;
        source.images[0] = bandedPhoto(400, 400);
        source.offsets[0] = c.offset;
        TemplateRenderer renderer;
        renderer.setTemplate(oneCellPage());
        renderer.setImageSource(&source);
        TestImageSource::Calls before = source.calls;
        const QImage pixels = renderOffscreen(renderer, 200, 100);
        EXPECT_EQ(source.offsets.value(0), c.stored);
        EXPECT_EQ(source.calls.setOffset - before.setOffset, c.storedBack ? 1 : 0);
        EXPECT_TRUE(near(at(pixels, 100, 10), c.top)) << at(pixels, 100, 10).name().toStdString();
        EXPECT_TRUE(near(at(pixels, 100, 90), c.bottom));
    }
}

TEST_F(TemplateRendererTest, OffsetsMoveThePhotoAlikeOnFlippedPagesAndOnOlderSystems) {
    const struct {
        const char* what;
        bool flipped;
        uint32_t system;
        QColor top;
        QColor bottom;
    } cases[] = {
        // A flipped page is drawn top-down, its photos marked flipped: the same picture.
        {"flipped page", true, 0x1046, Qt::red, Qt::green},
        // Before 10.3 the source rectangle was taken unmirrored: the other half shows.
        {"before 10.3", false, 0x1028, Qt::green, Qt::blue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        _host.systemVersion = c.system;
        TestImageSource source;
        source.images[0] = bandedPhoto(400, 400);
        source.offsets[0] = {0, 150};
        TemplateRenderer renderer;
        renderer.setTemplate(TemplateHandle::templateHandleWithFile(
            writeOldTemplate(_folder, "flip.plist", {200, 100},
                             {oldObject("photo", 0, 0, 200, 100)}, {}, c.flipped)));
        ASSERT_EQ(renderer.templateHandle()->flipped(), c.flipped);
        renderer.setImageSource(&source);
        const QImage pixels = renderOffscreen(renderer, 200, 100, c.flipped);
        EXPECT_TRUE(near(at(pixels, 100, 10), c.top)) << at(pixels, 100, 10).name().toStdString();
        EXPECT_TRUE(near(at(pixels, 100, 90), c.bottom))
            << at(pixels, 100, 90).name().toStdString();
        EXPECT_EQ(source.offsets.value(0), (Point{0, 100}));
    }
}

TEST_F(TemplateRendererTest, OutputAsksForTheFullPhotoAndTheScreenForTheScreenOne) {
    TestImageSource source;
    source.images[0] = plainPhoto(40, 20, Qt::green);
    TemplateRenderer renderer;
    renderer.setTemplate(oneCellPage());
    renderer.setImageSource(&source);
    {
        Canvas screen(200, 100, DestinationKind::Screen);
        renderer.renderInRect(Rect(0, 0, 200, 100));
    }
    EXPECT_EQ(source.calls.screenImage, 1);
    EXPECT_EQ(source.calls.hiresImage, 0);
    // Offscreen drawing onto a screen context is output all the same.
    renderer.setIsRenderingOffscreen(true);
    {
        Canvas screen(200, 100, DestinationKind::Screen);
        renderer.renderInRect(Rect(0, 0, 200, 100));
    }
    EXPECT_EQ(source.calls.hiresImage, 1);
    renderer.setIsRenderingOffscreen(false);
    renderOffscreen(renderer, 200, 100);
    EXPECT_EQ(source.calls.hiresImage, 2);
    EXPECT_EQ(source.calls.screenImage, 1);
}

TEST_F(TemplateRendererTest, AnEmptyOldCellShowsItsNumberOnlyOnScreen) {
    TestImageSource source;
    TemplateRenderer renderer;
    renderer.setTemplate(oldTemplate(
        {300, 100}, {oldObject("photo", 0, 0, 140, 100), oldObject("photo", 160, 0, 140, 100)}));
    renderer.setImageSource(&source);
    const QRect second(160, 0, 140, 100);

    // A thumbnail, drawn offscreen, shows nothing of either cell.
    renderer.setIsRenderingOffscreen(true);
    renderer.setDrawingThumbnail(true);
    {
        Canvas canvas(300, 100, DestinationKind::Image);
        renderer.renderInRect(Rect(0, 0, 300, 100));
        EXPECT_EQ(countPixels(canvas.pixels(), canvas.pixels().rect(), notWhite), 0);
    }

    renderer.setIsRenderingOffscreen(false);
    renderer.setDrawingThumbnail(false);
    Canvas screen(300, 100, DestinationKind::Screen);
    renderer.renderInRect(Rect(0, 0, 300, 100));
    const QImage& pixels = screen.pixels();
    const QColor highlight = Color::calibratedWhite(0.85f).toQColor();
    EXPECT_TRUE(near(pixels.pixelColor(170, 5), highlight, 4));
    EXPECT_TRUE(near(pixels.pixelColor(10, 95), highlight, 4));
    EXPECT_TRUE(near(pixels.pixelColor(150, 50), Qt::white, 0));
    // The label, in the grid colour, differs between the cells by its number.
    const auto label = [](const QColor& c) { return c.red() < 180 && c.red() > 60; };
    QImage first = pixels.copy(QRect(0, 0, 140, 100));
    QImage other = pixels.copy(second);
    int firstCount = 0;
    int otherCount = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 140; ++x) {
            firstCount += label(first.pixelColor(x, y)) ? 1 : 0;
            otherCount += label(other.pixelColor(x, y)) ? 1 : 0;
        }
    EXPECT_GT(firstCount, 30);
    EXPECT_GT(otherCount, 30);
    EXPECT_NE(first, other);
    // Without an image source the cells are empty too.
    renderer.setImageSource(nullptr);
    Canvas bare(300, 100, DestinationKind::Screen);
    renderer.renderInRect(Rect(0, 0, 300, 100));
    EXPECT_TRUE(near(bare.pixels().pixelColor(170, 5), highlight, 4));
}

TEST_F(TemplateRendererTest, XAndYScaleApart) {
    const QVariantMap filled{{str("kind"), str("rectangle")},
                             {str("origin"), inches(0, 0)},
                             {str("size"), inches(50, 50, "width", "height")},
                             {str("fill"), true},
                             {str("stroke"), 0.0},
                             {str("fillColor"), Archiver::archivedValue(Color::deviceRGB(1, 0, 0))},
                             {str("color"), Archiver::archivedValue(Color::deviceRGB(1, 0, 0))}};
    TemplateRenderer renderer;
    EXPECT_EQ(renderer.calculateScaleInRect(Rect(0, 0, 200, 100)), Size{});
    renderer.setTemplate(oldTemplate({100, 100}, {filled, oldObject("photo", 50, 50, 50, 50)}));
    EXPECT_EQ(renderer.calculateScaleInRect(Rect(10, 10, 200, 100)), (Size{2, 1}));

    Canvas canvas(220, 120, DestinationKind::Image);
    renderer.renderInRect(Rect(10, 10, 200, 100));
    EXPECT_EQ(renderer.renderBounds(), Rect(10, 10, 200, 100));
    // The 50-point square becomes 100 wide and 50 high, moved by (10, 10).
    EXPECT_TRUE(reddish(canvas.atPage(12, 12)));
    EXPECT_TRUE(reddish(canvas.atPage(107, 57)));
    EXPECT_FALSE(reddish(canvas.atPage(113, 30)));
    EXPECT_FALSE(reddish(canvas.atPage(50, 63)));
    EXPECT_FALSE(reddish(canvas.atPage(8, 30)));

    const std::optional<QList<BezierPath>> cells =
        renderer.photoCellPathsInRect(Rect(10, 10, 200, 100));
    ASSERT_TRUE(cells);
    ASSERT_EQ(cells->size(), 1);
    EXPECT_EQ(cells->first().bounds(), Rect(110, 60, 100, 50));
    EXPECT_EQ(renderer.photoCell1xPaths().first().bounds(), Rect(50, 50, 50, 50));
}

TEST_F(TemplateRendererTest, RenderDPIIsKeptAsAWholeNumber) {
    const struct {
        float set;
        float kept;
    } cases[] = {{299.9f, 299}, {72, 72}, {0.5f, 0}, {-3.7f, -3}, {NAN, 0}, {1e20f, 2147483647.0f}};
    TemplateRenderer renderer;
    EXPECT_EQ(renderer.renderDPI(), 0);
    for (const auto& c : cases) {
        renderer.setRenderDPI(c.set);
        EXPECT_EQ(renderer.renderDPI(), c.kept) << c.set;
    }
}

// A source that looks at the cell asking while it draws.
struct ProbeSource : TestImageSource {
    Image hiresImageForCell(int32_t cell) override {
        if (probe)
            probe();
        return TestImageSource::hiresImageForCell(cell);
    }
    std::function<void()> probe;
};

TEST_F(TemplateRendererTest, TheObjectsDrawWithTheRenderersSettingsAndGetTheirOwnBack) {
    const TMObjectRef cell = TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {50, 50});
    TemplateRenderer renderer;
    renderer.setTemplate(TemplateHandle::templateHandleWithFile(
        writeNewTemplate(_folder, "dpi.vyxTemplate", {100, 100}, {cell})));
    ProbeSource source;
    source.images[0] = plainPhoto(400, 400, Qt::green);
    renderer.setImageSource(&source);
    renderer.setRenderDPI(299.9f);
    renderer.setIsRenderingOffscreen(true);
    renderer.setDrawingThumbnail(true);
    const auto copy = std::dynamic_pointer_cast<TMPhotoObject>(renderer.pageObjects().objects[0]);
    ASSERT_TRUE(copy);
    int asked = 0;
    source.probe = [&] {
        ++asked;
        EXPECT_EQ(copy->destinationDPI(), 299);
        EXPECT_EQ(copy->imageSource(), &source);
        EXPECT_TRUE(copy->isRenderingOffscreen());
        EXPECT_TRUE(copy->drawingThumbnail());
    };
    renderOffscreen(renderer, 100, 100, true);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(copy->destinationDPI(), 0);
    EXPECT_EQ(copy->imageSource(), nullptr);
}

TEST_F(TemplateRendererTest, AnEmptyPageDrawsNothingAndScalesByZero) {
    // A page description that does not read leaves the page without area.
    const QString path = _folder.filePath(str("nopage.vyxTemplate"));
    ASSERT_TRUE(writeBytes(path, handMadeTemplate({{HeaderOffsetsRec::PageDescription,
                                                    kRecordPageDescription, str("no page")}})));
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(path);
    ASSERT_TRUE(handle);
    ASSERT_TRUE(handle->pageRect().isEmpty());
    TemplateRenderer renderer;
    renderer.setTemplate(handle);
    EXPECT_EQ(renderer.calculateScaleInRect(Rect(0, 0, 100, 100)), Size{});
    EXPECT_FALSE(renderer.photoCellPathsInRect(Rect(0, 0, 100, 100)));
    Canvas canvas(100, 100, DestinationKind::Image);
    renderer.renderInRect(Rect(0, 0, 100, 100));
    EXPECT_EQ(countPixels(canvas.pixels(), canvas.pixels().rect(), notWhite), 0);
    EXPECT_TRUE(handle->thumbnailProxy().isNull());
}

// ---------------------------------------------------------------------------
// Print areas of the binary generation

// The layout view as the renderer asks it: print areas follow its flag and
// its test for photos.
class LayoutView : public View, public TemplateRendererView {
public:
    explicit LayoutView(TemplateRenderer& renderer) : _renderer(renderer) { resize(400, 400); }
    bool isFlipped() const override { return true; }
    bool skipEmptyPrintAreas() const override { return skip; }
    bool photoIntersectsRect(const Rect& rect) override {
        asked.append(rect);
        return holdsPhoto(rect);
    }
    bool skip = false;
    std::function<bool(const Rect&)> holdsPhoto;
    QList<Rect> asked;

protected:
    void drawRect(const Rect&) override { _renderer.renderInRect(bounds()); }

private:
    TemplateRenderer& _renderer;
};

class PrintAreaTest : public TemplateRendererTest {
protected:
    void SetUp() override {
        const TMObjectRef cell =
            TMPhotoObject::newTemplateObjectWithOriginSize({40, 40}, {100, 100});
        TMPrintAreaObjectRef nearCell =
            TMPrintAreaObject::newTemplateObjectWithOriginSize({30.5f, 30.5f}, {150, 150});
        TMPrintAreaObjectRef apart =
            TMPrintAreaObject::newTemplateObjectWithOriginSize({250.5f, 250.5f}, {100, 100});
        for (const auto& area : {nearCell, apart})
            area->setCutMarkColor(Color::deviceRGB(1, 0, 0));
        _handle = TemplateHandle::templateHandleWithFile(
            writeNewTemplate(_folder, "areas.vyxTemplate", {400, 400}, {cell, nearCell, apart}));
        ASSERT_TRUE(_handle);
        ASSERT_TRUE(_handle->flipped());
    }

    // Cut marks are half a point wide: half red over white.
    static bool markPixel(const QColor& c) {
        return c.red() > 200 && c.red() - c.green() > 60 && c.red() - c.blue() > 60;
    }

    // Which of the two areas show their (red) cut marks.
    static std::pair<bool, bool> areasShown(const QImage& pixels) {
        return {countPixels(pixels, QRect(0, 0, 200, 200), markPixel) > 20,
                countPixels(pixels, QRect(220, 220, 180, 180), markPixel) > 20};
    }

    TemplateHandleRef _handle;
};

TEST_F(PrintAreaTest, DrawnIntoAnImageByTheRenderersFlags) {
    const struct {
        const char* what;
        bool printToDisk;
        bool skip;
        bool photo;
        std::pair<bool, bool> shown;
    } cases[] = {
        {"plain", false, false, false, {true, true}},
        {"print to disk", true, false, true, {false, false}},
        {"skipping, a photo in the cell", false, true, true, {true, false}},
        {"skipping, to disk, a photo in the cell", true, true, true, {true, false}},
        {"skipping, no photo", false, true, false, {false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestImageSource source;
        if (c.photo)
            source.images[0] = plainPhoto(100, 100, Qt::green);
        TemplateRenderer renderer;
        renderer.setTemplate(_handle);
        renderer.setImageSource(&source);
        renderer.setIsPrintingToDisk(c.printToDisk);
        renderer.setSkipEmptyPrintAreas(c.skip);
        renderer.setIsRenderingOffscreen(true);
        EXPECT_EQ(areasShown(renderOffscreen(renderer, 400, 400, true)), c.shown);
    }
}

TEST_F(PrintAreaTest, DrawnThroughTheLayoutViewByTheViewsFlags) {
    const struct {
        const char* what;
        bool printToDisk;
        bool viewSkips;
        std::pair<bool, bool> shown;
    } cases[] = {
        {"plain", false, false, {true, true}},
        // Print to disk through the view never shows them, whatever holds a photo.
        {"print to disk", true, false, {false, false}},
        {"print to disk, the view skipping", true, true, {false, false}},
        {"the view skipping", false, true, {true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestImageSource source;
        source.images[0] = plainPhoto(100, 100, Qt::green);
        TemplateRenderer renderer;
        renderer.setTemplate(_handle);
        renderer.setImageSource(&source);
        renderer.setIsPrintingToDisk(c.printToDisk);
        // The renderer's own flag does not count while the view draws.
        renderer.setSkipEmptyPrintAreas(!c.viewSkips);
        LayoutView view(renderer);
        view.skip = c.viewSkips;
        view.holdsPhoto = [](const Rect& r) { return intersectsRect(r, Rect(40, 40, 100, 100)); };
        const QImage pixels = view.grab().toImage();
        EXPECT_EQ(areasShown(pixels), c.shown);
        if (c.viewSkips && !c.printToDisk) {
            EXPECT_EQ(view.asked,
                      (QList<Rect>{Rect(30.5f, 30.5f, 150, 150), Rect(250.5f, 250.5f, 100, 100)}));
        }
    }
}

// ---------------------------------------------------------------------------
// Objects of the older generation

TEST_F(TemplateRendererTest, OldShapesLinesAndImagesDraw) {
    QImage blue(10, 10, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    QVariantMap rectangle = oldObject("rectangle", 10, 10, 30, 30);
    rectangle.insert(str("fill"), 1);
    rectangle.insert(str("fillColor"), Archiver::archivedValue(Color::deviceRGB(0, 1, 0)));
    rectangle.insert(str("stroke"), 2.0);
    QVariantMap oval = oldObject("oval", 60, 10, 30, 30);
    // No fill: only the outline, black by default.
    QVariantMap line{{str("kind"), str("line")},
                     {str("origin"), inches(10, 60)},
                     {str("vector"), inches(80, 0, "dX", "dY")},
                     {str("startPt"), inches(10, 60)},
                     {str("endPt"), inches(90, 60)},
                     {str("stroke"), 3.0},
                     {str("color"), Archiver::archivedValue(Color::deviceRGB(1, 0, 0))}};
    QVariantMap image = oldObject("image", 110, 10, 30, 30);
    image.insert(str("data"), Archiver::archivedValue(Image(blue)));
    // An unknown operation draws source over.
    image.insert(str("composition"), 99);
    QVariantMap missing = oldObject("image", 110, 60, 30, 30);
    QVariantMap unknown = oldObject("circle", 0, 0, 200, 100);

    TemplateRenderer renderer;
    renderer.setTemplate(oldTemplate({200, 100}, {rectangle, oval, line, image, missing, unknown}));
    renderer.setIsRenderingOffscreen(true);
    Canvas canvas(200, 100, DestinationKind::Image);
    renderer.renderInRect(Rect(0, 0, 200, 100));
    EXPECT_TRUE(near(canvas.atPage(25, 25), Qt::green));
    EXPECT_TRUE(near(canvas.atPage(10, 25), Qt::black, 40));
    EXPECT_TRUE(near(canvas.atPage(75, 25), Qt::white));
    EXPECT_TRUE(notWhite(canvas.atPage(60, 25)) || notWhite(canvas.atPage(59, 25)));
    EXPECT_FALSE(reddish(canvas.atPage(60, 25)));
    EXPECT_TRUE(reddish(canvas.atPage(50, 60)));
    EXPECT_TRUE(near(canvas.atPage(125, 25), Qt::blue));
    // An image object without an image is only framed.
    EXPECT_TRUE(near(canvas.atPage(110, 75), Qt::black, 40));
    EXPECT_TRUE(near(canvas.atPage(125, 75), Qt::white));
    // The decoded image is kept in the copy, not in the template.
    EXPECT_TRUE(renderer.pageObjects().dictionaries[3].contains(str("unarchived_image")));
    EXPECT_FALSE(renderer.pageObjects().dictionaries[3].contains(str("scaled_image")));
    EXPECT_FALSE(renderer.pageObjects().dictionaries[4].contains(str("unarchived_image")));
}

TEST_F(TemplateRendererTest, OldImagesKeepAScreenCopyAndShowTheSameOnScreen) {
    QImage blue(10, 10, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    QVariantMap image = oldObject("image", 20, 20, 40, 40);
    image.insert(str("data"), Archiver::archivedValue(Image(blue)));
    image.insert(str("opacity"), 0.5);
    TemplateRenderer renderer;
    renderer.setTemplate(oldTemplate({100, 100}, {image}));
    for (int pass = 0; pass < 2; ++pass) {
        Canvas screen(100, 100, DestinationKind::Screen);
        renderer.renderInRect(Rect(0, 0, 100, 100));
        // Half opaque over white.
        EXPECT_TRUE(near(screen.atPage(40, 40), QColor(127, 127, 255), 8))
            << pass << " " << screen.atPage(40, 40).name().toStdString();
        EXPECT_TRUE(near(screen.atPage(10, 10), Qt::white));
        const QVariantMap& object = renderer.pageObjects().dictionaries[0];
        ASSERT_TRUE(object.contains(str("scaled_image")));
        EXPECT_EQ(object.value(str("scaled_image")).value<Image>().size(), (Size{40, 40}));
    }
}

TEST_F(TemplateRendererTest, OldObjectRectangles) {
    TemplateRenderer renderer;
    renderer.setTemplate(
        oldTemplate({200, 200}, {QVariantMap{{str("kind"), str("photo")},
                                             {str("center"), inches(100, 100)},
                                             {str("scale"), QVariantMap{{str("ratio"), 0.5}}}},
                                 QVariantMap{{str("kind"), str("photo")}},
                                 oldObject("photo", 10, 20, 30, 40)}));
    const QList<BezierPath> cells = renderer.photoCell1xPaths();
    ASSERT_EQ(cells.size(), 3);
    EXPECT_EQ(cells[0].bounds(), Rect(75, 75, 50, 50));
    EXPECT_EQ(cells[1].bounds(), Rect(0, 0, 100, 100));
    EXPECT_EQ(cells[2].bounds(), Rect(10, 20, 30, 40));
}

// ---------------------------------------------------------------------------
// Named images

QByteArray pngBytes(int width, int height, QColor colour) {
    QImage pixels(width, height, QImage::Format_ARGB32);
    pixels.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixels.save(&buffer, "PNG");
    return bytes;
}

TEST_F(TemplateRendererTest, NamedImagesOfTheBinaryGeneration) {
    const auto entry = [](const char* name, const char* kind, const QByteArray& archive) {
        return QVariantMap{{str("name"), str(name)}, {str(kind), archive}};
    };
    const QVariantList images{
        // A damaged source file: the search goes on to the next of that name.
        entry("logo", "srcData", Archiver::archivedData(QByteArray("not an image"))),
        entry("logo", "srcData", Archiver::archivedData(pngBytes(30, 20, Qt::red))),
        entry("stamp", "data", Archiver::archivedValue(Image(QImage(), Size{}))),
        entry("stamp", "data", Archiver::archivedValue(plainPhoto(5, 6, Qt::blue))),
    };
    const QString path = _folder.filePath(str("named.vyxTemplate"));
    ASSERT_TRUE(writeBytes(
        path, handMadeTemplate({{HeaderOffsetsRec::NamedImages, kRecordNamedImages, images}})));
    TemplateRenderer renderer;
    EXPECT_TRUE(renderer.getTemplateImageFileByName(str("logo")).isNull());
    renderer.setTemplate(TemplateHandle::templateHandleWithFile(path));

    const Image logo = renderer.getTemplateImageFileByName(str("logo"));
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), (Size{30, 20}));
    EXPECT_TRUE(logo.isFlipped());
    EXPECT_EQ(logo.pixels().pixelColor(3, 3), QColor(Qt::red));

    const Image stamp = renderer.getTemplateImageFileByName(str("stamp"));
    ASSERT_FALSE(stamp.isNull());
    EXPECT_EQ(stamp.pixelSize(), QSize(5, 6));
    EXPECT_TRUE(renderer.getTemplateImageFileByName(str("other")).isNull());
    EXPECT_TRUE(renderer.getTemplateImageFileByName(QString()).isNull());
}

TEST_F(TemplateRendererTest, NamedImagesOfTheOlderGenerationAreArchived) {
    const QVariantList images{
        // Source files mean nothing to the older generation.
        QVariantMap{{str("name"), str("logo")},
                    {str("srcData"), Archiver::archivedData(pngBytes(30, 20, Qt::red))}},
        QVariantMap{{str("name"), str("logo")},
                    {str("data"), Archiver::archivedValue(plainPhoto(7, 3, Qt::blue))}}};
    QVariantMap image = oldObject("image", 0, 0, 50, 50);
    image.insert(str("file"), str("logo"));
    TemplateRenderer renderer;
    renderer.setTemplate(oldTemplate({50, 50}, {image}, {{str("image files"), images}}));
    const Image logo = renderer.getTemplateImageFileByName(str("logo"));
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.pixelSize(), QSize(7, 3));
    // The image object that names it draws it.
    Canvas canvas(50, 50, DestinationKind::Image);
    renderer.renderInRect(Rect(0, 0, 50, 50));
    EXPECT_TRUE(near(canvas.atPage(25, 25), Qt::blue));
}

TEST_F(TemplateRendererTest, OldImageFilesNotAmongTheNamedImagesAreResources) {
    const Image grab = TemplateHandle::applicationImageNamed(str("Grab"));
    ASSERT_FALSE(grab.isNull());
    // No size: the resource's own.
    QVariantMap image{
        {str("kind"), str("image")}, {str("origin"), inches(0, 0)}, {str("file"), str("Grab")}};
    QVariantMap elsewhere = image;
    elsewhere.insert(str("file"), str("../Grab"));
    TemplateRenderer renderer;
    renderer.setTemplate(oldTemplate({100, 100}, {image, elsewhere}));
    renderOffscreen(renderer, 100, 100);
    const QList<QVariantMap>& objects = renderer.pageObjects().dictionaries;
    EXPECT_EQ(objects[0].value(str("unarchived_image")).value<Image>(), grab);
    EXPECT_FALSE(objects[1].contains(str("unarchived_image")));
}

TEST_F(TemplateRendererTest, BinaryImageObjectsTakeTheirNamedImage) {
    const TMImageObjectRef image = TMImageObject::newTemplateObjectWithOriginSize({0, 0}, {50, 50});
    TemplateDocument document;
    image->setParentDocument(&document);
    const QString name =
        document.addImageSourceDataWithName(Image(), pngBytes(8, 8, Qt::red), str("mark"));
    image->setSharedImageRef(name);
    const QString path =
        writeNewTemplate(_folder, "image.vyxTemplate", {50, 50}, {image}, &document);
    TemplateRenderer renderer;
    renderer.setTemplate(TemplateHandle::templateHandleWithFile(path));
    const auto copy = std::dynamic_pointer_cast<TMImageObject>(renderer.pageObjects().objects[0]);
    ASSERT_TRUE(copy);
    ASSERT_TRUE(copy->image().isNull());
    renderOffscreen(renderer, 50, 50, true);
    EXPECT_FALSE(copy->image().isNull());
    Canvas canvas(50, 50, DestinationKind::Image, true);
    renderer.renderInRect(Rect(0, 0, 50, 50));
    EXPECT_TRUE(reddish(canvas.pixels().pixelColor(25, 25)));
}

// ---------------------------------------------------------------------------
// Caches and notices

TEST_F(TemplateRendererTest, RecachingRedrawsTheCellsAsked) {
    const QList<TMObjectRef> cells{
        TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {50, 50}),
        TMRectangleObject::newTemplateObjectWithOriginSize({60, 0}, {10, 10}),
        TMPhotoObject::newTemplateObjectWithOriginSize({50, 50}, {50, 50})};
    TemplateRenderer renderer;
    renderer.setTemplate(TemplateHandle::templateHandleWithFile(
        writeNewTemplate(_folder, "two.vyxTemplate", {100, 100}, cells)));
    TestImageSource source;
    source.images[0] = plainPhoto(50, 50, Qt::green);
    source.images[1] = plainPhoto(50, 50, Qt::blue);
    renderer.setImageSource(&source);
    const auto draw = [&] {
        Canvas screen(100, 100, DestinationKind::Screen, true);
        renderer.renderInRect(Rect(0, 0, 100, 100));
    };
    draw();
    const QHash<int32_t, int> first = source.calls.screenImageOfCell;
    EXPECT_EQ(first.value(0), 1);
    EXPECT_EQ(first.value(1), 1);
    // The screen renderings are kept.
    draw();
    EXPECT_EQ(source.calls.screenImageOfCell, first);
    // Photo cells are counted apart from the other objects.
    renderer.recachePhotoCell(1);
    draw();
    EXPECT_EQ(source.calls.screenImageOfCell.value(0), 1);
    EXPECT_EQ(source.calls.screenImageOfCell.value(1), 2);
    renderer.recachePhotoCell(5);
    renderer.recache();
    draw();
    EXPECT_EQ(source.calls.screenImageOfCell.value(0), 2);
    EXPECT_EQ(source.calls.screenImageOfCell.value(1), 3);

    // The cells' own outlines, the rectangle left out.
    const QList<BezierPath> outlines = renderer.photoCell2xPaths();
    ASSERT_EQ(outlines.size(), 2);
    EXPECT_EQ(outlines[0].bounds(), renderer.pageObjects().objects[0]->path().bounds());
    EXPECT_EQ(outlines[1].bounds(), renderer.pageObjects().objects[2]->path().bounds());
}

TEST_F(TemplateRendererTest, AChangedTemplateFileGivesANewCopy) {
    TemplateRenderer renderer;
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(
        writeNewTemplate(_folder, "changing.vyxTemplate", {100, 100},
                         {TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {50, 50})}));
    const TemplateHandleRef other = TemplateHandle::templateHandleWithFile(
        writeNewTemplate(_folder, "other.vyxTemplate", {100, 100},
                         {TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {50, 50})}));
    renderer.setTemplate(handle);
    // Held, so that a new copy cannot take the old one's place in memory.
    const TMObjectRef before = renderer.pageObjects().objects.value(0);
    ASSERT_TRUE(before);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotificationName(str(kTemplateChangedNotify), other);
    EXPECT_EQ(renderer.pageObjects().objects.value(0), before);
    center.postNotificationName(str(kTemplateRemovedNotify), handle);
    EXPECT_EQ(renderer.pageObjects().objects.value(0), before);
    center.postNotificationName(str(kTemplateChangedNotify), handle);
    const TMObjectRef after = renderer.pageObjects().objects.value(0);
    EXPECT_NE(after, nullptr);
    EXPECT_NE(after, before);
    // Setting a template drops the copy too.
    renderer.setTemplate(other);
    EXPECT_NE(renderer.pageObjects().objects.value(0), after);
    renderer.setTemplate(nullptr);
    EXPECT_TRUE(renderer.pageObjects().isEmpty());
    EXPECT_FALSE(renderer.photoCellPathsInRect(Rect(0, 0, 10, 10)));
}

} // namespace
