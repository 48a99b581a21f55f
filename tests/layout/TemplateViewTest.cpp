#include "LayoutFixture.h"

#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMRectangleObject.h"
#include "layout/TemplateTester.h"
#include "layout/TemplateView.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/Color.h"
#include "platform/printing/PrintInfo.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/TickClock.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <cmath>

namespace {

const QColor kHighlight(255, 0, 255);

bool highlightPixel(const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.blue() > 200;
}

int countPixels(const QImage& image, const QRect& area, bool (*test)(const QColor&)) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool near(const QColor& a, const QColor& b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

bool reddishPixel(const QColor& c) {
    return c.red() > 180 && c.green() < 90 && c.blue() < 90;
}

bool bluePixel(const QColor& c) {
    return c.blue() > 200 && c.red() < 60 && c.green() < 60;
}

// Remembers what the view marks for redrawing.
class RecordingView : public TemplateView {
public:
    void setNeedsDisplayInRect(const Rect& rect) override {
        marked.append(rect);
        TemplateView::setNeedsDisplayInRect(rect);
    }
    QList<Rect> marked;
};

void sendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// Press at `from`, drag through `moves` and release at the last.
void dragAlong(QWidget& widget, QPointF from, const QList<QPointF>& moves) {
    sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (const QPointF& p : moves)
        sendMouse(widget, QEvent::MouseMove, p, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, moves.isEmpty() ? from : moves.last(),
              Qt::NoButton);
}

void dropOn(QWidget& widget, QMimeData& data, QPointF at) {
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &drop);
}

} // namespace

// Pages of 240 x 160 points with cells of 50 x 100 at x = 10, 70, 130 (y 10
// from the top: binary pages are flipped), shown at one point a pixel.
class TemplateViewTest : public LayoutFixture {
protected:
    void SetUp() override {
        LayoutFixture::SetUp();
        QPalette palette = QApplication::palette();
        _savedPalette = palette;
        palette.setColor(QPalette::Highlight, kHighlight);
        QApplication::setPalette(palette);
    }
    void TearDown() override {
        QApplication::setPalette(_savedPalette);
        LayoutFixture::TearDown();
    }

    TemplateHandleRef pageTemplate(const char* name, int cells, Size page = {240, 160},
                                   const QList<TMObjectRef>& extra = {}) {
        TemplateDocument doc;
        PrintInfo info;
        info.setPaperName(str("Custom"));
        info.setPaperSize(page);
        doc.setPrintInfo(info);
        for (int i = 0; i < cells; ++i)
            doc.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({float(10 + 60 * i), 10},
                                                                         {50, 100}));
        for (const TMObjectRef& object : extra)
            doc.addObject(object);
        const QString path = dir.filePath(str(name));
        EXPECT_TRUE(doc.writeToFileOfType(path, str(kTemplateDocumentType)));
        const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(path);
        EXPECT_TRUE(handle);
        return handle;
    }

    void addSizedPhotos(int count, QSize size, QColor color = QColor()) {
        for (int i = 0; i < count; ++i) {
            QImage picture(size, QImage::Format_RGB32);
            picture.fill(color.isValid() ? color : QColor::fromHsv((i * 40) % 360, 200, 200));
            catalog().addImageEntry(Image(picture));
            catalog().setMarkerAtIndexTo(catalog().fileCount() - 1, true);
        }
        drainEvents();
    }

    // Writes a yellow 60 x 80 PNG for each name and puts the files' names on `data`,
    // as a file manager's drag does.
    void dragFiles(QMimeData& data, const QStringList& names) {
        QImage picture(60, 80, QImage::Format_RGB32);
        picture.fill(Qt::yellow);
        QStringList files;
        for (const QString& name : names) {
            files << dir.filePath(name);
            ASSERT_TRUE(picture.save(files.last()));
        }
        ASSERT_TRUE(Pasteboard::setPropertyListForType(data, files, str(FilenamesPboardType)));
    }

    void showView(TemplateView& view, const TemplateMapperRef& mapper) {
        view.setTemplate(mapper->masterTemplate());
        view.setImageSource(mapper.get());
        const Rect page = mapper->masterTemplate()->pageRect();
        view.setFrame({0, 0, page.width(), page.height()});
        view.setAllowsUserInteraction(true);
        view.show();
        drainEvents();
    }

    QPalette _savedPalette;
};

TEST_F(TemplateViewTest, SelectionOutlinedOnlyInModesOneAndTwo) {
    addSizedPhotos(2, {50, 100}, Qt::white);
    const TemplateMapperRef mapper = makeMapper(pageTemplate("two.vyxTemplate", 2));
    for (int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        mapper->setLayoutMode(mode);
        if (mode == LayoutModeBook)
            mapper->setEntryIndexOnPage(0, 0, 0);
        TemplateView view;
        showView(view, mapper);
        ASSERT_GE(mapper->sourceIndexForCell(0), 0);
        mapper->setSelectionStateForCell(true, 0);
        const QImage pixels = view.grab().toImage();
        const int around = countPixels(pixels, QRect(5, 5, 60, 110), highlightPixel);
        if (mode == 0)
            EXPECT_EQ(around, 0);
        else
            EXPECT_GT(around, 100);
        // The unselected second cell is never outlined.
        EXPECT_EQ(countPixels(pixels, QRect(66, 5, 58, 110), highlightPixel), 0);
    }
}

TEST_F(TemplateViewTest, EmptyPrintAreaBlankedAndOneWithAPhotoKept) {
    addSizedPhotos(1, {50, 100}, Qt::green);
    // A blue square in a print area apart from the cells shows unless blanked.
    const TMRectangleObjectRef square =
        TMRectangleObject::newTemplateObjectWithOriginSize({200, 20}, {20, 20});
    square->setFillState(true);
    square->setFillColor(Color::calibratedRGB(0, 0, 1));
    const TMObjectRef apart =
        TMPrintAreaObject::newTemplateObjectWithOriginSize({195, 15}, {30, 30});
    const TMObjectRef overCell =
        TMPrintAreaObject::newTemplateObjectWithOriginSize({5, 5}, {60, 110});
    const TemplateHandleRef handle =
        pageTemplate("areas.vyxTemplate", 1, {240, 160}, {square, apart, overCell});
    const TemplateMapperRef mapper = makeMapper(handle);
    mapper->setLayoutMode(LayoutModeSequential);
    ASSERT_EQ(mapper->masterPrintAreaRects().size(), 2);
    for (bool skip : {false, true}) {
        SCOPED_TRACE(skip);
        TemplateView view;
        showView(view, mapper);
        view.setSkipEmptyPrintAreas(skip);
        const QImage pixels = view.grab().toImage();
        const int blue = countPixels(pixels, QRect(200, 20, 20, 20), bluePixel);
        if (skip)
            EXPECT_EQ(blue, 0);
        else
            EXPECT_GT(blue, 300);
        // The photo's area prints normally.
        EXPECT_TRUE(near(pixels.pixelColor(35, 60), Qt::green))
            << pixels.pixelColor(35, 60).name().toStdString();
    }
}

TEST_F(TemplateViewTest, ThreePagesPrintedToPDFMoveTheMappersPage) {
    const QColor colors[] = {Qt::red, Qt::green, Qt::blue};
    for (const QColor& color : colors)
        addSizedPhotos(1, {50, 100}, color);
    const TemplateMapperRef mapper = makeMapper(pageTemplate("one.vyxTemplate", 1));
    mapper->setLayoutMode(LayoutModeSequential);
    ASSERT_EQ(mapper->pageCount(), 3);

    TemplateView view;
    view.setTemplate(mapper->masterTemplate());
    view.setImageSource(mapper.get());
    view.setFrame({0, 0, 240, 160});
    PageRange range;
    EXPECT_TRUE(view.knowsPageRange(range));
    EXPECT_EQ(range, (PageRange{1, 3}));

    PrintInfo info;
    info.setPaperName(str("Custom"));
    info.setPaperSize({240, 160});
    info.setLeftMargin(0);
    info.setRightMargin(0);
    info.setTopMargin(0);
    info.setBottomMargin(0);
    PrintOperation operation(&view, info);
    operation.setShowsPrintPanel(false);
    const QString pdf = dir.filePath(str("pages.pdf"));
    operation.setPDFOutputPath(pdf);
    view.setPrintOp(&operation);
    ASSERT_TRUE(operation.runOperation());
    EXPECT_EQ(mapper->currentPageNum(), 2);

    QProcess poppler;
    poppler.start(str("pdftoppm"),
                  {str("-r"), str("72"), str("-png"), pdf, dir.filePath(str("page"))});
    ASSERT_TRUE(poppler.waitForFinished(60000));
    ASSERT_EQ(poppler.exitCode(), 0);
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        const QImage pixels(dir.filePath(str("page-%1.png").arg(page)));
        ASSERT_FALSE(pixels.isNull());
        const QPoint cellCentre(pixels.width() * 35 / 240, pixels.height() * 60 / 160);
        EXPECT_TRUE(near(pixels.pixelColor(cellCentre), colors[page - 1], 30))
            << pixels.pixelColor(cellCentre).name().toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(str("page-4.png"))));
}

TEST_F(TemplateViewTest, LetterPagePreRenderedAt300DPITaggedWithTheDisplayProfile) {
    addSizedPhotos(1, {50, 100}, Qt::red);
    const TemplateMapperRef mapper = makeMapper(pageTemplate("letter.vyxTemplate", 1, {612, 792}));
    mapper->setLayoutMode(LayoutModeSequential);
    TemplateView view;
    view.setTemplate(mapper->masterTemplate());
    view.setImageSource(mapper.get());
    view.setFrame({0, 0, 612, 792});
    view.setPreRender(true);
    view.setRenderDPI(300);
    view.rectForPage(1);
    ASSERT_TRUE(view.captureImage());
    EXPECT_EQ(view.captureImage()->pixels().size(), QSize(2550, 3300));
    EXPECT_FALSE(view.captureImage()->iccProfile().isEmpty());
    EXPECT_EQ(view.renderer().renderDPI(), 300);
    // The photo at (10, 10) points from the top lands at 300 / 72 the scale.
    const QColor inCell = view.captureImage()->pixels().pixelColor(35 * 300 / 72, 60 * 300 / 72);
    EXPECT_TRUE(reddishPixel(inCell)) << inCell.name().toStdString();
    // The next draw shows it once and lets it go.
    const QImage drawn = view.grab().toImage();
    EXPECT_FALSE(view.captureImage());
    EXPECT_TRUE(reddishPixel(drawn.pixelColor(35, 60)))
        << drawn.pixelColor(35, 60).name().toStdString();
}

TEST_F(TemplateViewTest, PanOfTenUnitsMovesTheOffsetByTwenty) {
    // Twice as wide (and high) in pixels as the cell in points.
    addSizedPhotos(1, {100, 200});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("pan.vyxTemplate", 1));
    mapper->setLayoutMode(LayoutModeSequential);
    TemplateView view;
    showView(view, mapper);
    const Point before = mapper->offsetForCell(0);
    dragAlong(view, {30, 50}, {{35, 50}, {40, 50}});
    const Point after = mapper->offsetForCell(0);
    EXPECT_FLOAT_EQ(after.x - before.x, 20);
    EXPECT_FLOAT_EQ(after.y - before.y, 0);
    EXPECT_TRUE(mapper->selectionStateForCell(0));
    EXPECT_EQ(view.interactionMode(), TemplateView::InteractionModePan);
}

TEST_F(TemplateViewTest, ZoomOnlyOnVerticalMovesAroundTheCropsCentre) {
    addSizedPhotos(1, {100, 200});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("zoom.vyxTemplate", 1));
    mapper->setLayoutMode(LayoutModeSequential);
    TemplateView view;
    showView(view, mapper);
    view.setInteractionMode(TemplateView::InteractionModeZoom);
    const Rect before = mapper->cropRectForCell(0);
    dragAlong(view, {30, 50}, {{40, 50}, {20, 50}});
    EXPECT_EQ(mapper->cropRectForCell(0), before);
    EXPECT_EQ(view.interactionMode(), TemplateView::InteractionModeZoom);

    dragAlong(view, {30, 50}, {{30, 55}});
    const Rect natural = mapper->naturalImageBoundsForCell(0);
    const Rect crop = mapper->cropRectForCell(0);
    ASSERT_NE(crop, Rect());
    EXPECT_NE(crop.size, natural.size);
    EXPECT_NEAR(crop.midX(), natural.midX(), 0.01);
    EXPECT_NEAR(crop.midY(), natural.midY(), 0.01);
    EXPECT_NEAR(crop.width() / crop.height(), natural.width() / natural.height(), 0.001);
    // 5 units at scale 1, 200 pixels over 100 points: 10 at top and bottom.
    EXPECT_NEAR(std::abs(crop.height() - natural.height()), 20, 0.01);
}

TEST_F(TemplateViewTest, PhotoInSeveralCellsRedrawnInAllWhilePanned) {
    addSizedPhotos(2, {100, 200});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("book.vyxTemplate", 3));
    mapper->setLayoutMode(LayoutModeBook);
    mapper->setEntryIndexOnPage(0, 0, 0);
    mapper->setEntryIndexOnPage(0, 1, 1);
    mapper->setEntryIndexOnPage(0, 2, 0);
    drainEvents();
    ASSERT_EQ(mapper->sourceIndexForCell(2), 0);
    RecordingView view;
    showView(view, mapper);
    view.marked.clear();
    dragAlong(view, {30, 50}, {{36, 50}});
    // Each cell of the photo over its outline grown by 2 points; not the other.
    EXPECT_TRUE(view.marked.contains(Rect{8.5f, 8.5f, 54, 104}));
    EXPECT_TRUE(view.marked.contains(Rect{128.5f, 8.5f, 54, 104}));
    EXPECT_FALSE(view.marked.contains(Rect{68.5f, 8.5f, 54, 104}));
}

TEST_F(TemplateViewTest, DroppedFilesAddedThenPlacedFromTheCellDroppedOn) {
    addSizedPhotos(1, {50, 100});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("book3.vyxTemplate", 3));
    mapper->setLayoutMode(LayoutModeBook);
    TemplateView view;
    showView(view, mapper);
    QMimeData data;
    ASSERT_NO_FATAL_FAILURE(dragFiles(data, {str("drop0.png"), str("drop1.png")}));
    dropOn(view, data, {95, 60});
    drainEvents();
    ASSERT_EQ(catalog().fileCount(), 3);
    EXPECT_EQ(mapper->sourceIndexForCell(0), -1);
    EXPECT_EQ(mapper->sourceIndexForCell(1), 1);
    EXPECT_EQ(mapper->sourceIndexForCell(2), 2);
    EXPECT_FALSE(view.inDragOperation());
    EXPECT_EQ(view.lastDropIdx(), -1);
}

TEST_F(TemplateViewTest, DropOutsideTheCellsAddsNothing) {
    const TemplateMapperRef mapper = makeMapper(pageTemplate("book1.vyxTemplate", 3));
    mapper->setLayoutMode(LayoutModeBook);
    TemplateView view;
    showView(view, mapper);
    QMimeData data;
    ASSERT_NO_FATAL_FAILURE(dragFiles(data, {str("outside.png")}));
    dropOn(view, data, {230, 150});
    drainEvents();
    EXPECT_EQ(catalog().fileCount(), 0);
    EXPECT_EQ(mapper->sourceIndexForCell(0), -1);
}

TEST_F(TemplateViewTest, URLDragsOnlyOfReadableImageTypes) {
    const TemplateMapperRef mapper = makeMapper(pageTemplate("url.vyxTemplate", 1));
    TemplateView view;
    showView(view, mapper);
    const struct {
        const char* url;
        bool accepted;
    } cases[] = {{"http://127.0.0.1/photo.png", true},
                 {"http://127.0.0.1/photo.JPG", true},
                 {"http://127.0.0.1/page.html", false},
                 {"http://127.0.0.1/noextension", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        QMimeData data;
        data.setUrls({QUrl(str(c.url))});
        QDragEnterEvent enter(QPoint(30, 50), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&view, &enter);
        EXPECT_EQ(enter.dropAction() != Qt::IgnoreAction, c.accepted);
        QDragLeaveEvent leave;
        QApplication::sendEvent(&view, &leave);
    }
}

TEST_F(TemplateViewTest, EntryMenuOnlyOnACellWithAPhoto) {
    addSizedPhotos(2, {50, 100});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("menu.vyxTemplate", 3));
    mapper->setLayoutMode(LayoutModeBook);
    mapper->setEntryIndexOnPage(0, 0, 0);
    mapper->setEntryIndexOnPage(0, 1, 1);
    mapper->setSelectionStateForCell(true, 0);
    drainEvents();
    TemplateView view;
    showView(view, mapper);
    EXPECT_EQ(view.menuForPoint({155, 60}), nullptr);
    EXPECT_EQ(view.menuForPoint({230, 150}), nullptr);

    QMenu* menu = view.menuForPoint({95, 60});
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(mapper->selectionStateForCell(1));
    EXPECT_FALSE(mapper->selectionStateForCell(0));
    QList<QAction*> items;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            items << action;
    ASSERT_EQ(items.size(), 17);
    EXPECT_EQ(menu->actions().size(), 17 + 5);
    EXPECT_EQ(items[0]->data().toInt(), 303);
    EXPECT_EQ(items[16]->data().toInt(), 2014);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(items[i]->isEnabled(), i < 13) << i;
    // Built once.
    EXPECT_EQ(view.menuForPoint({35, 60}), menu);
}

TEST_F(TemplateViewTest, CatalogItemsGoToTheWindowsScrollView) {
    addSizedPhotos(1, {50, 100});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("menu2.vyxTemplate", 1));
    mapper->setLayoutMode(LayoutModeSequential);
    QWidget window;
    auto* scroll = new QWidget(&window);
    scroll->setObjectName(str(kFileCatalogScrollViewName));
    auto* view = new TemplateView(&window);
    showView(*view, mapper);
    QMenu* menu = view->menuForPoint({35, 60});
    ASSERT_NE(menu, nullptr);
    int enabled = 0;
    for (QAction* action : menu->actions())
        enabled += !action->isSeparator() && action->isEnabled();
    EXPECT_EQ(enabled, 17);
}

TEST_F(TemplateViewTest, PageChangeNoticeOfItsMapperRedrawsThePage) {
    addSizedPhotos(2, {50, 100});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("notice.vyxTemplate", 1));
    mapper->setLayoutMode(LayoutModeSequential);
    TemplateView view;
    showView(view, mapper);
    const QColor first = view.grab().toImage().pixelColor(35, 60);
    ASSERT_TRUE(mapper->setCurrentPageNum(1));
    drainEvents();
    const QColor second = view.grab().toImage().pixelColor(35, 60);
    EXPECT_NE(first, second);
}

TEST_F(TemplateViewTest, MirroredPageDrawnRightToLeft) {
    addSizedPhotos(1, {50, 100}, Qt::red);
    const TemplateMapperRef mapper = makeMapper(pageTemplate("mirror.vyxTemplate", 1));
    mapper->setLayoutMode(LayoutModeSequential);
    TemplateView view;
    showView(view, mapper);
    const QImage plain = view.grab().toImage();
    view.setDrawMirrored(true);
    const QImage mirrored = view.grab().toImage();
    EXPECT_TRUE(reddishPixel(plain.pixelColor(35, 60)));
    EXPECT_FALSE(reddishPixel(plain.pixelColor(240 - 35, 60)));
    EXPECT_TRUE(reddishPixel(mirrored.pixelColor(240 - 35, 60)));
    EXPECT_FALSE(reddishPixel(mirrored.pixelColor(35, 60)));
}

TEST_F(TemplateViewTest, TesterShowsTheBareTemplatePageSizedAndFreesItselfOnClose) {
    const TemplateHandleRef handle = pageTemplate("tester.vyxTemplate", 2, {300, 200});
    QPointer<TemplateTester> tester = TemplateTester::testTemplate(handle);
    ASSERT_TRUE(tester);
    EXPECT_TRUE(tester->isVisible());
    EXPECT_EQ(tester->size(), QSize(300, 200));
    EXPECT_EQ(tester->templateView()->renderer().templateHandle(), handle);
    EXPECT_EQ(tester->templateView()->imageSource(), nullptr);
    tester->close();
    drainEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(tester);
}

TEST_F(TemplateViewTest, CursorFollowsTheModeOverAPhotoOnATimer) {
    addSizedPhotos(1, {50, 100});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("cursor.vyxTemplate", 2));
    mapper->setLayoutMode(LayoutModeSequential);
    TemplateView view;
    showView(view, mapper);
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.mouseEnteredView();
    EXPECT_TRUE(view.cursorTimerRunning());
    const struct {
        int32_t mode;
        Qt::CursorShape shape;
    } cases[] = {{TemplateView::InteractionModePan, Qt::OpenHandCursor},
                 {TemplateView::InteractionModeZoom, Qt::SizeVerCursor},
                 {TemplateView::InteractionModeMove, Qt::SizeAllCursor}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        view.setInteractionMode(c.mode);
        QCursor::setPos(view.mapToGlobal(QPoint(35, 60)));
        QTest::qWait(3 * TemplateView::kCursorRefreshMs);
        EXPECT_EQ(view.cursor().shape(), c.shape);
    }
    // Over the empty second cell: the arrow again.
    QCursor::setPos(view.mapToGlobal(QPoint(95, 60)));
    QTest::qWait(3 * TemplateView::kCursorRefreshMs);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(view.grabCursorShown() || view.zoomCursorShown() || view.reposCursorShown());
    view.mouseExitedView();
    EXPECT_FALSE(view.cursorTimerRunning());
}

TEST_F(TemplateViewTest, CursorRefreshedWhileDraggingOnlyAfterFourteenTicks) {
    addSizedPhotos(1, {100, 200});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("ticks.vyxTemplate", 1));
    mapper->setLayoutMode(LayoutModeSequential);
    TemplateView view;
    showView(view, mapper);
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.mouseExitedView();
    view.mouseEnteredView();
    QCursor::setPos(view.mapToGlobal(QPoint(35, 60)));
    ManualTickClock clock(100);
    sendMouse(view, QEvent::MouseButtonPress, {30, 50}, Qt::LeftButton);
    clock.advance(14);
    sendMouse(view, QEvent::MouseMove, {31, 50}, Qt::LeftButton);
    EXPECT_FALSE(view.grabCursorShown());
    clock.advance(1);
    sendMouse(view, QEvent::MouseMove, {32, 50}, Qt::LeftButton);
    EXPECT_TRUE(view.grabCursorShown());
    sendMouse(view, QEvent::MouseButtonRelease, {32, 50}, Qt::NoButton);
}

TEST_F(TemplateViewTest, PanInARotatedCellTurnsTheMoveAndRoundsIt) {
    addSizedPhotos(1, {100, 200});
    const TMObjectRef turned = TMPhotoObject::newTemplateObjectWithOriginSize({70, 10}, {50, 100});
    turned->setRotation(90);
    const TemplateMapperRef mapper =
        makeMapper(pageTemplate("turned.vyxTemplate", 0, {240, 160}, {turned}));
    mapper->setLayoutMode(LayoutModeSequential);
    ASSERT_EQ(mapper->masterTemplate()->photoCellRotation(0, 0), 90);
    TemplateView view;
    showView(view, mapper);
    const Point before = mapper->offsetForCell(0);
    dragAlong(view, {95, 60}, {{105, 60}});
    const Point after = mapper->offsetForCell(0);
    // A move along x turns into one along y, exactly.
    EXPECT_EQ(after.x, before.x);
    EXPECT_FLOAT_EQ(std::abs(after.y - before.y), 20);
}

TEST_F(TemplateViewTest, PageWithoutAreaDrawsNothingAndPreRendersNothing) {
    addSizedPhotos(1, {50, 100}, Qt::red);
    const QVariantMap root{
        {str("name"), str("flat")},
        {str("pageDesc"),
         QVariantMap{{str("dpi"), 72.0}, {str("width"), 0.0}, {str("height"), 0.0}}},
        {str("objects"),
         QVariantList{
             QVariantMap{{str("kind"), str("photo")},
                         {str("origin"), QVariantMap{{str("x"), 0.1}, {str("y"), 0.1}}},
                         {str("size"), QVariantMap{{str("width"), 1.0}, {str("height"), 1.0}}}}}}};
    const QString path = dir.filePath(str("flat.template"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(PropertyList::toXml(root));
    file.close();
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(path);
    ASSERT_TRUE(handle);
    ASSERT_TRUE(handle->pageRect().isEmpty());
    const TemplateMapperRef mapper = makeMapper(handle);
    mapper->setLayoutMode(LayoutModeSequential);
    TemplateView view;
    view.setTemplate(handle);
    view.setImageSource(mapper.get());
    view.setFrame({0, 0, 100, 100});
    view.setPreRender(true);
    view.setRenderDPI(300);
    EXPECT_EQ(view.rectForPage(1), view.bounds());
    EXPECT_FALSE(view.captureImage());
    const QImage drawn = view.grab().toImage();
    EXPECT_EQ(countPixels(drawn, QRect(2, 2, 96, 96), reddishPixel), 0);
}

TEST_F(TemplateViewTest, VisibleChangeOfAPhotoRedrawsOnlyItsCells) {
    addSizedPhotos(2, {100, 200});
    const TemplateMapperRef mapper = makeMapper(pageTemplate("changed.vyxTemplate", 3));
    mapper->setLayoutMode(LayoutModeBook);
    mapper->setEntryIndexOnPage(0, 0, 0);
    mapper->setEntryIndexOnPage(0, 1, 1);
    mapper->setEntryIndexOnPage(0, 2, 0);
    drainEvents();
    RecordingView view;
    showView(view, mapper);
    view.marked.clear();
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, 90);
    drainEvents();
    EXPECT_TRUE(view.marked.contains(Rect{8.5f, 8.5f, 54, 104}));
    EXPECT_TRUE(view.marked.contains(Rect{128.5f, 8.5f, 54, 104}));
    EXPECT_FALSE(view.marked.contains(Rect{68.5f, 8.5f, 54, 104}));

    // Ignored while a press is tracked: the view redraws those cells itself.
    sendMouse(view, QEvent::MouseButtonPress, {95, 60}, Qt::LeftButton);
    view.marked.clear();
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, 180);
    drainEvents();
    EXPECT_FALSE(view.marked.contains(Rect{8.5f, 8.5f, 54, 104}));
    sendMouse(view, QEvent::MouseButtonRelease, {95, 60}, Qt::NoButton);
}

TEST_F(TemplateViewTest, DropTargetCellHighlightedInBookMode) {
    addSizedPhotos(1, {50, 100}, Qt::white);
    const TemplateMapperRef mapper = makeMapper(pageTemplate("target.vyxTemplate", 3));
    mapper->setLayoutMode(LayoutModeBook);
    TemplateView view;
    showView(view, mapper);
    QMimeData data;
    ASSERT_NO_FATAL_FAILURE(dragFiles(data, {str("target.png")}));
    QDragEnterEvent enter(QPoint(95, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(view.inDragOperation());
    QDragMoveEvent move(QPoint(95, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    EXPECT_EQ(view.lastDropIdx(), 1);
    const QImage pixels = view.grab().toImage();
    EXPECT_GT(countPixels(pixels, QRect(65, 5, 60, 110), highlightPixel), 100);
    EXPECT_EQ(countPixels(pixels, QRect(5, 5, 58, 110), highlightPixel), 0);
    QDragLeaveEvent leave;
    QApplication::sendEvent(&view, &leave);
    EXPECT_EQ(view.lastDropIdx(), -1);
    EXPECT_FALSE(view.inDragOperation());
    EXPECT_EQ(catalog().fileCount(), 1);
}
