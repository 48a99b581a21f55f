#include "TestImageSource.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TemplateDocument.h"
#include "platform/graphics/GraphicsContext.h"
#include "support/TestHost.h"

#include <QColor>
#include <gtest/gtest.h>

namespace {

// A filled block that records how it was asked to draw.
class Block : public TMObject {
public:
    static std::shared_ptr<Block> make(const Rect& rect, QColor color) {
        auto block = create<Block>();
        block->initWithRect(rect);
        block->color = color;
        return block;
    }

    void drawObject(bool) override {
        GraphicsContext* context = GraphicsContext::currentContext();
        context->saveGraphicsState();
        context->setFillColor(color);
        context->fillPath(path());
        context->restoreGraphicsState();
        ++draws;
        thumbnailWhileDrawing = drawingThumbnail();
        dpiWhileDrawing = destinationDPI();
        sourceWhileDrawing = imageSource();
        offscreenWhileDrawing = isRenderingOffscreen();
    }
    void recache() override {
        ++recaches;
        dpiAtRecache.push_back(destinationDPI());
    }

    QColor color;
    int draws = 0;
    int recaches = 0;
    bool thumbnailWhileDrawing = false;
    float dpiWhileDrawing = -1;
    TemplateImageSource* sourceWhileDrawing = nullptr;
    bool offscreenWhileDrawing = false;
    std::vector<float> dpiAtRecache;
};

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<Block>(QStringLiteral("TestThumbnailBlock"));
    return true;
}();

void useLetterPage(TestHost& host) {
    host.settings[46] = false;
    host.settings[47] = QSizeF(8.5, 11);
    host.settings[48] = 1;
    host.settings[49] = 8;
}

bool isColor(const QImage& pixels, int x, int y, QColor expected) {
    const QColor c = pixels.pixelColor(x, y);
    return std::abs(c.red() - expected.red()) < 8 && std::abs(c.green() - expected.green()) < 8 &&
           std::abs(c.blue() - expected.blue()) < 8 && c.alpha() > 247;
}

} // namespace

TEST(TemplateDocumentThumbnail, LetterPageGivesA96PointProxyOfItsObjects) {
    TestHost host;
    useLetterPage(host);
    TemplateDocument document;
    // Page coordinates run top-down: the red block sits near the top, the
    // blue one near the bottom right.
    auto red = Block::make({206, 150, 200, 100}, Qt::red);
    auto blue = Block::make({450, 600, 150, 180}, Qt::blue);
    document.addObject(red);
    document.addObject(blue);

    document.autoGenerateThumbnail();
    const Image thumbnail = document.thumbnailProxy();
    ASSERT_FALSE(thumbnail.isNull());
    // 612 x 792 scaled by 96 / 792 is 74.18 x 96, made whole outward.
    EXPECT_EQ(thumbnail.size(), (Size{75, 96}));
    EXPECT_EQ(thumbnail.pixelSize(), QSize(75, 96));
    EXPECT_FALSE(thumbnail.isFlipped());

    const QImage pixels = thumbnail.toQImage();
    // The top row of the pixels is the top of the page.
    EXPECT_TRUE(isColor(pixels, 37, 24, Qt::red));
    EXPECT_TRUE(isColor(pixels, 64, 84, Qt::blue));
    EXPECT_TRUE(isColor(pixels, 37, 60, Qt::white));
    EXPECT_TRUE(isColor(pixels, 10, 90, Qt::white));
    // The one-point frame round the proxy.
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(74, 0), QPoint(0, 95), QPoint(74, 95), QPoint(37, 0), QPoint(0, 48)})
        EXPECT_TRUE(isColor(pixels, corner.x(), corner.y(), Qt::black))
            << corner.x() << "," << corner.y();

    // Drawn as thumbnails, then set back.
    for (const auto& block : {red, blue}) {
        EXPECT_EQ(block->draws, 1);
        EXPECT_TRUE(block->thumbnailWhileDrawing);
        // Drawn at the thumbnail's resolution, not the screen's.
        EXPECT_EQ(block->dpiWhileDrawing, float(int32_t(72.0f * (96.0f / 792.0f))));
        EXPECT_FALSE(block->drawingThumbnail());
        EXPECT_EQ(block->destinationDPI(), 0);
        ASSERT_EQ(block->dpiAtRecache.size(), 2u);
        EXPECT_EQ(block->dpiAtRecache[0], float(int32_t(72.0f * (96.0f / 792.0f))));
        EXPECT_EQ(block->dpiAtRecache[1], 0);
    }
}

TEST(TemplateDocumentThumbnail, NoObjectsKeepTheOldThumbnail) {
    TestHost host;
    useLetterPage(host);
    TemplateDocument document;
    document.autoGenerateThumbnail();
    EXPECT_TRUE(document.thumbnailProxy().isNull());

    const Image old(QImage(8, 8, QImage::Format_ARGB32_Premultiplied));
    document.setThumbnailProxy(old);
    document.autoGenerateThumbnail();
    EXPECT_EQ(document.thumbnailProxy(), old);
}

TEST(TemplateDocumentThumbnail, WidePagesAre96PointsWide) {
    TestHost host;
    useLetterPage(host);
    host.settings[47] = QSizeF(11, 8.5);
    TemplateDocument document;
    document.addObject(Block::make({0, 0, 792, 612}, Qt::green));
    document.autoGenerateThumbnail();
    EXPECT_EQ(document.thumbnailProxy().size(), (Size{96, 75}));
    EXPECT_TRUE(isColor(document.thumbnailProxy().toQImage(), 48, 37, Qt::green));
}

TEST(TemplateDocumentThumbnail, ProxyStretchesTheWholeBoundsIntoTheRectangle) {
    TestHost host;
    TemplateDocument document;
    auto block = Block::make({0, 0, 300, 600}, Qt::red);
    document.addObject(block);
    TM_TemplateView canvas({0, 0, 600, 600});
    canvas.setDocument(&document);

    // Scales 1/6 across and 1/12 down: the block fills the left half.
    const Image proxy = canvas.renderTemplateProxyInRect({0, 0, 100, 50});
    ASSERT_EQ(proxy.pixelSize(), QSize(100, 50));
    const QImage pixels = proxy.toQImage();
    EXPECT_TRUE(isColor(pixels, 25, 25, Qt::red));
    EXPECT_TRUE(isColor(pixels, 75, 25, Qt::white));
    EXPECT_EQ(block->dpiAtRecache.front(), 6);
    EXPECT_EQ(block->dpiWhileDrawing, 6);

    EXPECT_TRUE(canvas.renderTemplateProxyInRect({0, 0, 0, 10}).isNull());
}

TEST(TemplateDocumentThumbnail, EachDrawingPassGivesTheObjectsBackTheirOwnState) {
    TestHost host;
    TemplateDocument document;
    auto block = Block::make({0, 0, 300, 600}, Qt::red);
    document.addObject(block);
    // State some other drawer left behind.
    TestImageSource source;
    block->setImageSource(&source);
    block->setDestinationDPI(300);
    block->setIsRenderingOffscreen(true);
    const auto expectOwnState = [&] {
        EXPECT_EQ(block->imageSource(), &source);
        EXPECT_EQ(block->destinationDPI(), 300);
        EXPECT_TRUE(block->isRenderingOffscreen());
        EXPECT_FALSE(block->drawingThumbnail());
    };

    TM_TemplateView canvas({0, 0, 600, 600});
    canvas.setDocument(&document);
    ASSERT_FALSE(canvas.renderTemplateProxyInRect({0, 0, 100, 50}).isNull());
    EXPECT_EQ(block->dpiWhileDrawing, 6);
    EXPECT_TRUE(block->thumbnailWhileDrawing);
    EXPECT_EQ(block->sourceWhileDrawing, nullptr);
    EXPECT_FALSE(block->offscreenWhileDrawing);
    expectOwnState();

    // On screen: no resolution without an editor window, 72 dpi at its 100 %.
    const QImage shot = canvas.grab().toImage();
    EXPECT_TRUE(isColor(shot, 10, 10, Qt::red));
    EXPECT_EQ(block->draws, 2);
    EXPECT_EQ(block->dpiWhileDrawing, 0);
    EXPECT_FALSE(block->thumbnailWhileDrawing);
    EXPECT_EQ(block->sourceWhileDrawing, nullptr);
    expectOwnState();

    TemplateEditorController controller;
    canvas.setMainController(&controller);
    canvas.grab();
    EXPECT_EQ(block->draws, 3);
    EXPECT_EQ(block->dpiWhileDrawing, 72);
    expectOwnState();
}
