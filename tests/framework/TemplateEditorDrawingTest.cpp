#include "EditorFixture.h"
#include "framework/model/TMRectangleObject.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/printing/PrintInfo.h"
#include "platform/printing/PrintOperation.h"
#include "platform/printing/PrintableArea.h"

#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QColor kGridBlue(0, 0, 255);
const QColor kGuideGreen(0, 160, 0);

// A filled block that records the resolution and handles it was drawn with.
class Probe : public TMObject {
public:
    static std::shared_ptr<Probe> make(const Rect& rect) {
        auto probe = create<Probe>();
        probe->initWithRect(rect);
        return probe;
    }
    // No line round it: what it covers is its frame.
    Rect visibleFrame() const override { return frame(); }
    void drawObject(bool handles) override {
        GraphicsContext* context = GraphicsContext::currentContext();
        context->saveGraphicsState();
        context->setFillColor(Qt::red);
        context->fillPath(path());
        context->restoreGraphicsState();
        (handles ? dpi : printDpi) = destinationDPI();
        ++(handles ? draws : prints);
    }
    // On screen, with handles, and for output, without.
    float dpi = -1;
    float printDpi = -1;
    int draws = 0;
    int prints = 0;
};

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<Probe>(QStringLiteral("TestDrawingProbe"));
    return true;
}();

bool near(const QColor& a, const QColor& b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

bool white(const QImage& image, int x, int y) {
    return near(image.pixelColor(x, y), Qt::white, 6);
}

// Minimum margins of 18 points left, 27 top, 9 right and bottom for any paper.
class PrinterMargins {
public:
    PrinterMargins()
        : _previous(PrintableArea::setMinimumMarginsSource(
              [](const PrintInfo&) { return QMarginsF(18, 27, 9, 9); })) {}
    ~PrinterMargins() { PrintableArea::setMinimumMarginsSource(_previous); }

private:
    PrintableArea::MinimumMarginsSource _previous;
};

// Reads a PDF back through poppler: its page size in points and its first
// page at 72 dpi.
struct ReadPDF {
    explicit ReadPDF(const QString& pdf) {
        QProcess info;
        info.start(str("pdfinfo"), {pdf});
        info.waitForFinished();
        for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n'))
            if (line.startsWith(str("Page size:")))
                pageSize = line.mid(10).trimmed();
        const QString stem = pdf + str("-page");
        QProcess render;
        render.start(str("pdftoppm"), {str("-r"), str("72"), str("-f"), str("1"), str("-l"),
                                       str("1"), str("-png"), str("-singlefile"), pdf, stem});
        render.waitForFinished();
        page = QImage(stem + str(".png"));
    }
    QString pageSize;
    QImage page;
};

class TemplateEditorDrawingTest : public ::testing::Test, public EditorFixture {
protected:
    TemplateEditorDrawingTest() {
        PrintInfo info = document.printInfo();
        info.setPaperSize({612, 792});
        document.Document::setPrintInfo(info);
        const PageDescRef& page = document.pageDesc();
        page->setPageSize({5, 4});
        page->setGridDivisions(2); // 36 points
        page->setGridColor(Color::fromQColor(kGridBlue));
        page->setGuideColor(Color::fromQColor(kGuideGreen));
        page->setShowsGrid(true);
        page->setShowsMargin(true);
        page->setShowsGuides(true);
        probe = Probe::make({200, 150, 40, 30});
        document.addObject(probe);
        canvas->setHorizontalGuides({100.3});
        canvas->setVerticalGuides({250.0});
        QCoreApplication::processEvents();
    }
    QImage shot() { return canvas->grab().toImage(); }

    PrinterMargins margins;
    std::shared_ptr<Probe> probe;
};

} // namespace

TEST_F(TemplateEditorDrawingTest, AtFullSizeGridMarginGuidesAndObjects) {
    ASSERT_EQ(controller->zoomFactor(), 1.0f);
    const QImage image = shot();
    ASSERT_EQ(image.size(), QSize(360, 288));
    // The margin frame: one point inside the printable area, in the grid colour.
    EXPECT_TRUE(near(image.pixelColor(18, 150), kGridBlue)) << "left edge of the margin";
    EXPECT_TRUE(near(image.pixelColor(150, 27), kGridBlue)) << "top edge of the margin";
    EXPECT_TRUE(white(image, 17, 150));
    EXPECT_TRUE(white(image, 150, 26));
    // Grid lines every 36 points, only inside the margin.
    EXPECT_FALSE(white(image, 72, 140));
    EXPECT_TRUE(white(image, 54, 140));
    EXPECT_TRUE(white(image, 72, 10)) << "the grid is clipped to the margin";
    // The guide at 100.3 fills pixel column 100 and no other.
    EXPECT_TRUE(near(image.pixelColor(100, 5), kGuideGreen));
    EXPECT_TRUE(white(image, 99, 5));
    EXPECT_TRUE(white(image, 101, 5));
    EXPECT_TRUE(near(image.pixelColor(5, 250), kGuideGreen));
    // Objects above the grid, drawn with handles at 72 dpi.
    EXPECT_TRUE(near(image.pixelColor(220, 165), Qt::red));
    EXPECT_EQ(probe->dpi, 72.0f);
    EXPECT_EQ(probe->prints, 0);

    // Margins off: no frame, and the grid reaches the page's edge.
    document.pageDesc()->setShowsMargin(false);
    document.pageDesc()->setShowsGrid(false);
    document.pageDesc()->setShowsGuides(false);
    const QImage bare = shot();
    EXPECT_TRUE(white(bare, 18, 150));
    EXPECT_TRUE(white(bare, 72, 140));
    EXPECT_TRUE(white(bare, 100, 5));
}

TEST_F(TemplateEditorDrawingTest, AtDoubleSizeTheBandIsOnePixelAndObjectsAre144Dpi) {
    controller->zoomIn();
    ASSERT_EQ(controller->zoomFactor(), 2.0f);
    document.pageDesc()->setShowsGrid(false);
    document.pageDesc()->setShowsGuides(false);
    canvas->setRubberbandRect({40, 40, 60, 50});
    const QImage image = canvas->grab().toImage();
    ASSERT_EQ(image.size(), QSize(720, 576));
    const QColor band = canvas->palette().color(QPalette::Highlight);
    EXPECT_TRUE(near(image.pixelColor(80, 120), band)) << "left edge of the band";
    EXPECT_TRUE(white(image, 81, 120)) << "half a point wide";
    EXPECT_TRUE(near(image.pixelColor(100, 80), band)) << "top edge of the band";
    EXPECT_TRUE(white(image, 100, 81));
    EXPECT_EQ(probe->dpi, 144.0f);
}

TEST_F(TemplateEditorDrawingTest, TheDropHighlightFramesTheVisibleAreaThreePixelsWide) {
    document.pageDesc()->setShowsGrid(false);
    document.pageDesc()->setShowsMargin(false);
    document.pageDesc()->setShowsGuides(false);
    EXPECT_TRUE(white(shot(), 1, 150));
    canvas->setDragHilight(true);
    const Rect visible = controller->scrollView()->documentVisibleRect();
    const QImage image = shot();
    const QColor hilight = canvas->palette().color(QPalette::Highlight);
    const int left = int(visible.minX());
    const int y = int(visible.midY());
    EXPECT_TRUE(near(image.pixelColor(left, y), hilight));
    EXPECT_TRUE(near(image.pixelColor(left + 2, y), hilight));
    EXPECT_TRUE(white(image, left + 3, y));
    canvas->setDragHilight(false);
    EXPECT_TRUE(white(shot(), left, y));
}

TEST_F(TemplateEditorDrawingTest, PrintingDrawsNoAidsAndTheShadowAsOnScreen) {
    auto shadowed = std::static_pointer_cast<TMRectangleObject>(addRectangle(60, 200));
    shadowed->setFillState(true);
    shadowed->setFillColor(Color::fromQColor(Qt::black));
    shadowed->setShadowEnabled(true);
    document.pageDesc()->setShowsGrid(false);
    document.pageDesc()->setShowsMargin(false);
    document.pageDesc()->setShowsGuides(false);
    const QImage screen = shot();
    document.pageDesc()->setShowsGrid(true);
    document.pageDesc()->setShowsMargin(true);
    document.pageDesc()->setShowsGuides(true);
    canvas->setRubberbandRect({40, 40, 60, 50});

    QTemporaryDir folder;
    const QString pdf = folder.filePath(str("page.pdf"));
    const PrintOperation::PanelResponder previous =
        PrintOperation::setPanelResponder([&](PrintOperation&, QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
    controller->printDocument();
    QTRY_VERIFY(controller->printedTemplateView() == nullptr);
    PrintOperation::setPanelResponder(previous);
    EXPECT_EQ(probe->prints, 1);
    EXPECT_EQ(probe->printDpi, 0.0f) << "the print canvas has no window controller";

    const QImage page = ReadPDF(pdf).page;
    ASSERT_EQ(page.size(), QSize(612, 792));
    EXPECT_TRUE(near(page.pixelColor(220, 165), Qt::red));
    for (const QPoint& aid : {QPoint(18, 150), QPoint(72, 140), QPoint(100, 5), QPoint(5, 250),
                              QPoint(40, 60), QPoint(70, 40)})
        EXPECT_TRUE(white(page, aid.x(), aid.y())) << aid.x() << ", " << aid.y();
    // The shadow reaches as far, in points, as on the screen at 100 %.
    const auto shadowExtent = [](const QImage& image) {
        int last = 0;
        for (int x = 100; x < 140; ++x)
            if (!white(image, x, 225))
                last = x;
        return last;
    };
    EXPECT_GT(shadowExtent(screen), 100);
    EXPECT_NEAR(shadowExtent(page), shadowExtent(screen), 2);
}

TEST_F(TemplateEditorDrawingTest, AThumbnailShowsGridAndMarginButNoGuides) {
    // The document's own thumbnails are drawn on a canvas of no window.
    TM_TemplateView thumbnail({0, 0, 360, 288});
    thumbnail.setDocument(&document);
    document.pageDesc()->setHorizontalGuides({100.3});
    const QImage image = thumbnail.renderTemplateProxyInRect({0, 0, 360, 288}).toQImage();
    ASSERT_EQ(image.size(), QSize(360, 288));
    const auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    EXPECT_TRUE(near(at(18, 150), kGridBlue));
    EXPECT_FALSE(near(at(72, 140), Qt::white, 6));
    EXPECT_TRUE(near(at(100, 50), Qt::white, 6)) << "no guide";
    EXPECT_TRUE(near(at(220, 165), Qt::red));
}

TEST(TemplateEditorPDF, OneObjectGivesAPageOfItsSizeShowingIt) {
    TestHost host;
    EXPECT_TRUE(TM_TemplateView::PDFDataForObjects({}).isNull());
    auto block = Probe::make({-20, 10, 50, 30});
    ASSERT_EQ(block->visibleFrame(), (Rect{-20, 10, 50, 30}));
    const QByteArray data = TM_TemplateView::PDFDataForObjects({block});
    ASSERT_TRUE(data.startsWith("%PDF"));
    QTemporaryDir folder;
    QFile file(folder.filePath(str("objects.pdf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    const ReadPDF read(file.fileName());
    EXPECT_TRUE(read.pageSize.startsWith(str("50 x 30 pts"))) << read.pageSize.toStdString();
    ASSERT_EQ(read.page.size(), QSize(50, 30));
    for (const QPoint& p : {QPoint(1, 1), QPoint(25, 15), QPoint(48, 28)})
        EXPECT_TRUE(near(read.page.pixelColor(p), Qt::red)) << p.x() << ", " << p.y();
}
