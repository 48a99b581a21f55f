#include "EditorFixture.h"
#include "framework/model/TMRectangleObject.h"
#include "platform/documents/DocumentController.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/RulerView.h"

#include <QAction>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class TemplateEditorWindowTest : public ::testing::Test, public EditorFixture {
protected:
    Rect visible() const { return controller->scrollView()->documentVisibleRect(); }
};

} // namespace

TEST(TemplateEditorZoom, StepsInAndOut) {
    using C = TemplateEditorController;
    struct Case {
        float zoom;
        float factor; // 0: zoom out
        float expected;
    };
    const Case cases[] = {
        {1, 2, 2},
        {2, 2, 4},
        {8, 2, 16},
        {0.25f, 2, 0.5f},
        {0.5f, 2, 1},
        {4, 1.4f, 6},
        {4, 1.1f, 4},
        {2, 1.5f, 2},
        {1, 2.5f, 2},
        {1, 5, 4},
        {1, 7, 4},
        {1, 0.5f, 0.5f},
        {0.5f, 1.5f, 0.75f},
        // A marquee no upper clamp would take to 800.
        {8, 100, 16},
        {1, 800, 16},
        {1, 0, 0.5f},
        {0.5f, 0, 0.25f},
        {3, 0, 2},
        {1.5f, 0, 1},
        {6, 0, 3},
        {16, 0, 8},
        {5.6f, 0, 4},
    };
    for (const Case& k : cases) {
        const float result = k.factor == 0 ? C::zoomedOut(k.zoom) : C::zoomedIn(k.zoom, k.factor);
        EXPECT_FLOAT_EQ(result, k.expected) << k.zoom << " by " << k.factor;
    }
}

TEST_F(TemplateEditorWindowTest, MenuZoomGoesByPowersOfTwoAndBeepsAtTheEnds) {
    const Rect page = document.pageDesc()->frame();
    ASSERT_EQ(page, (Rect{0, 0, 360, 288}));
    EXPECT_EQ(controller->zoomFactor(), 1.0f);
    int beeps = ModalAlert::beepCount();
    for (float expected : {0.5f, 0.25f}) {
        controller->zoomOut();
        EXPECT_EQ(controller->zoomFactor(), expected);
        EXPECT_EQ(canvas->width(), std::lround(360 * expected));
        EXPECT_EQ(canvas->bounds(), page); // page coordinates stay
    }
    controller->zoomOut();
    EXPECT_EQ(controller->zoomFactor(), 0.25f);
    EXPECT_EQ(ModalAlert::beepCount(), ++beeps);
    controller->zoomIn();
    controller->zoomIn();
    for (float expected : {2.0f, 4.0f, 8.0f, 16.0f}) {
        controller->zoomIn();
        EXPECT_EQ(controller->zoomFactor(), expected);
        EXPECT_EQ(canvas->height(), std::lround(288 * expected));
        EXPECT_EQ(canvas->bounds(), page);
    }
    controller->zoomIn();
    EXPECT_EQ(controller->zoomFactor(), 16.0f);
    EXPECT_EQ(ModalAlert::beepCount(), ++beeps);
}

TEST_F(TemplateEditorWindowTest, AMarqueeSetsTheFactor) {
    controller->zoomIn();
    controller->zoomIn();
    ASSERT_EQ(controller->zoomFactor(), 4.0f);
    const Rect v = visible();
    canvas->setRubberbandRect({v.minX(), v.minY(), v.width() / 1.4f, v.height() / 1.4f});
    controller->zoomIn(canvas);
    EXPECT_EQ(controller->zoomFactor(), 6.0f);
    // A menu item's zoom ignores the canvas's marquee.
    controller->zoomOut();
    EXPECT_EQ(controller->zoomFactor(), 3.0f);
    controller->zoomOut();
    EXPECT_EQ(controller->zoomFactor(), 2.0f);
    controller->zoomIn();
    ASSERT_EQ(controller->zoomFactor(), 4.0f);
    const Rect w = visible();
    canvas->setRubberbandRect({0, 0, w.width() / 1.1f, w.height() / 1.1f});
    controller->zoomIn(canvas);
    EXPECT_EQ(controller->zoomFactor(), 4.0f);
    controller->zoomIn();
    ASSERT_EQ(controller->zoomFactor(), 8.0f);
    const Rect x = visible();
    canvas->setRubberbandRect({0, 0, x.width() / 100, x.height() / 100});
    controller->zoomIn(canvas);
    EXPECT_EQ(controller->zoomFactor(), 16.0f);
    EXPECT_EQ(canvas->width(), 360 * 16);
}

TEST_F(TemplateEditorWindowTest, ZoomingInCentresOnTheToolsPointClampedPerAxis) {
    struct Case {
        Point center;
        const char* what;
    };
    const Case cases[] = {
        {{200, 150}, "inside"},
        {{350, 280}, "past the far edges"},
        {{10, 10}, "before the near edges"},
        {{10, 280}, "near x, far y"},
    };
    for (const Case& k : cases) {
        while (controller->zoomFactor() > 1)
            controller->zoomOut();
        canvas->setRubberbandRect({});
        canvas->setZoomCenterPoint(k.center);
        controller->zoomIn(canvas);
        ASSERT_EQ(controller->zoomFactor(), 2.0f);
        const Rect v = visible();
        const Rect b = canvas->bounds();
        ASSERT_LT(v.width(), b.width()) << k.what;
        ASSERT_LT(v.height(), b.height()) << k.what;
        const float x = std::clamp(k.center.x - v.width() / 2, 0.0f, b.width() - v.width());
        const float y = std::clamp(k.center.y - v.height() / 2, 0.0f, b.height() - v.height());
        // The scroll point is a whole pixel: half a page point at 200 %.
        EXPECT_NEAR(v.minX(), x, 0.5f) << k.what;
        EXPECT_NEAR(v.minY(), y, 0.5f) << k.what;
    }
}

TEST_F(TemplateEditorWindowTest, ZoomingOutKeepsTheCentreWithinThePage) {
    controller->zoomIn();
    controller->zoomIn();
    controller->zoomIn();
    ASSERT_EQ(controller->zoomFactor(), 8.0f);
    controller->scrollView()->contentView()->scrollToPoint({300, 250});
    const Point centre = visible().center();
    controller->zoomOut();
    const Rect v = visible();
    // Twice the area around the same centre, brought back inside the page.
    const float x = std::clamp(centre.x - v.width() / 2, 0.0f, 360 - v.width());
    const float y = std::clamp(centre.y - v.height() / 2, 0.0f, 288 - v.height());
    EXPECT_NEAR(v.minX(), x, 0.5f);
    EXPECT_NEAR(v.minY(), y, 0.5f);
}

TEST_F(TemplateEditorWindowTest, APageSizeChangeResetsZoomAndFrameAndTheMaximumFollows) {
    controller->zoomIn();
    ASSERT_EQ(controller->zoomFactor(), 2.0f);
    const QSize maximumAtTwo = window()->maximumSize();
    controller->zoomOut();
    const QSize maximumAtOne = window()->maximumSize();
    EXPECT_LT(maximumAtOne.height(), maximumAtTwo.height());
    controller->zoomIn();

    document.pageDesc()->setPageSize({4, 3});
    QCoreApplication::processEvents();
    EXPECT_EQ(controller->zoomFactor(), 1.0f);
    EXPECT_EQ(canvas->frame().size, (Size{288, 216}));
    EXPECT_EQ(canvas->bounds(), (Rect{0, 0, 288, 216}));
    // The window reaches the page and no further: 72 points fewer each way.
    EXPECT_EQ(window()->maximumSize().height(), maximumAtOne.height() - 72);
    EXPECT_LE(window()->height(), window()->maximumSize().height());
}

TEST_F(TemplateEditorWindowTest, TheWidestWindowIsTheScreensWidth) {
    document.pageDesc()->setPageSize({40, 4});
    QCoreApplication::processEvents();
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
    EXPECT_EQ(window()->maximumSize().width(), screen);
}

TEST_F(TemplateEditorWindowTest, RulersMeasureInThePagesUnitAndFollowTheZoom) {
    RulerView* top = controller->scrollView()->horizontalRulerView();
    RulerView* left = controller->scrollView()->verticalRulerView();
    EXPECT_TRUE(top->isVisible());
    EXPECT_TRUE(left->isVisible());
    EXPECT_EQ(top->reservedThicknessForMarkers(), 13.0f);
    EXPECT_EQ(top->clientView(), canvas);
    EXPECT_EQ(top->measurementUnits(), str("Inches"));

    document.pageDesc()->setDisplayUnit(str("Centimeters"));
    QCoreApplication::processEvents();
    EXPECT_EQ(top->measurementUnits(), str("Centimeters"));
    EXPECT_EQ(left->measurementUnits(), str("Centimeters"));

    const auto span = [](RulerView* ruler) {
        return ruler->rulerCoordinateForLocation(72) - ruler->rulerCoordinateForLocation(0);
    };
    EXPECT_DOUBLE_EQ(span(top), 72);
    controller->zoomIn();
    EXPECT_DOUBLE_EQ(span(top), 144);
    EXPECT_DOUBLE_EQ(span(left), 144); // down the flipped page
}

TEST_F(TemplateEditorWindowTest, TitleIsTheNameWithoutExtensionAndWhatItIs) {
    EXPECT_EQ(controller->windowTitleForDocumentDisplayName(str("Card.vyxTemplate")),
              QStringLiteral(u"Card – Template"));
    EXPECT_EQ(controller->windowTitleForDocumentDisplayName(str("a.b.vyxTemplate")),
              QStringLiteral(u"a.b – Template"));
    EXPECT_EQ(controller->windowTitleForDocumentDisplayName(str("Untitled")),
              QStringLiteral(u"Untitled – Template"));
}

TEST_F(TemplateEditorWindowTest, AShownWindowIsZoomedToShowTheWholePage) {
    // The clip view shows the page exactly at 100 %.
    EXPECT_EQ(controller->scrollView()->contentSize(), (Size{360, 288}));
    EXPECT_EQ(window()->size(), window()->maximumSize());
    EXPECT_EQ(visible(), canvas->bounds());
}

TEST_F(TemplateEditorWindowTest, BecomingKeyGivesTheCanvasTheKeyboard) {
    QMainWindow other;
    makeKey(&other);
    ASSERT_NE(QApplication::focusWidget(), canvas);
    makeKey(window());
    EXPECT_EQ(QApplication::focusWidget(), canvas);
}

TEST_F(TemplateEditorWindowTest, TheToolbarItemsAndTheirRules) {
    Toolbar* bar = controller->toolbar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->identifier(), str("com.varnsoft.vyxtm.editortoolbar"));
    EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(bar->sizeMode(), int(Toolbar::SizeModeSmall));
    EXPECT_TRUE(bar->autosavesConfiguration());
    EXPECT_EQ(
        bar->itemIdentifiers(),
        QStringList({str("editortoolbar.importgraphic"), str(kToolbarSeparatorItemIdentifier),
                     str("editortoolbar.alignleftedges"), str("editortoolbar.alignrightedges"),
                     str("editortoolbar.aligntopedges"), str("editortoolbar.alignbottomedges"),
                     str("editortoolbar.alignverticalcenters"),
                     str("editortoolbar.alignhorizcenters"), str(kToolbarSeparatorItemIdentifier),
                     str("editortoolbar.scalebypercent")}));
    const QStringList allowed = controller->toolbarAllowedItemIdentifiers(*bar);
    EXPECT_EQ(allowed.size(), 21);
    EXPECT_EQ(allowed.first(), str(kToolbarPrintItemIdentifier));

    // Every item of the table, with its texts, tag and image.
    struct Row {
        const char* name;
        int tag;
        const char* label;
    };
    const Row rows[] = {{"save", 0, "Save"},
                        {"saveas", 0, "Save As"},
                        {"pagesetup", 0, "Page Setup"},
                        {"bringtofront", 1401, "Bring to Front"},
                        {"moveforward", 1402, nullptr},
                        {"movebackward", 1403, nullptr},
                        {"sendtoback", 1404, nullptr},
                        {"scalebypercent", 1405, "Scale"},
                        {"alignleftedges", 1411, nullptr},
                        {"alignrightedges", 1412, nullptr},
                        {"aligntopedges", 1413, nullptr},
                        {"alignbottomedges", 1414, nullptr},
                        {"alignhorizcenters", 1415, nullptr},
                        {"alignverticalcenters", 1416, nullptr},
                        {"centeredvertical", 1417, nullptr},
                        {"centeredhorizontal", 1418, nullptr},
                        {"importgraphic", 208, "Import"}};
    QStringList identifiers;
    for (const Row& row : rows)
        identifiers << str("editortoolbar.") + str(row.name);
    bar->setItemIdentifiers(identifiers);
    for (const Row& row : rows) {
        QAction* item =
            controller->findToolbarItemWithIdentifier(str("editortoolbar.") + str(row.name));
        ASSERT_NE(item, nullptr) << row.name;
        EXPECT_EQ(Commands::itemTag(item), row.tag) << row.name;
        EXPECT_FALSE(item->icon().isNull()) << row.name;
        EXPECT_FALSE(item->toolTip().isEmpty()) << row.name;
        if (row.label) {
            EXPECT_EQ(item->text(), str(row.label));
        }
    }
    EXPECT_EQ(controller->toolbarItemForItemIdentifier(*bar, str("editortoolbar.nothing")),
              nullptr);

    QAction* save = controller->findToolbarItemWithIdentifier(str("editortoolbar.save"));
    QAction* front = controller->findToolbarItemWithIdentifier(str("editortoolbar.bringtofront"));
    TMObjectRef selected = addRectangle(0, 0);
    bar->validateVisibleItems();
    EXPECT_TRUE(save->isEnabled()); // tag 0 in the key window
    // Arranging follows the canvas's rule: on only with a selection.
    EXPECT_FALSE(front->isEnabled());
    selected->setSelected(true);
    bar->validateVisibleItems();
    EXPECT_TRUE(front->isEnabled());

    QMainWindow other;
    makeKey(&other);
    bar->validateVisibleItems();
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(front->isEnabled());
    bar->setItemIdentifiers(controller->toolbarDefaultItemIdentifiers(*bar));
}

TEST_F(TemplateEditorWindowTest, TheWindowsCommands) {
    EXPECT_TRUE(controller->respondsToAction(str("zoomIn:")));
    EXPECT_TRUE(controller->respondsToAction(str("printDocument:")));
    EXPECT_FALSE(controller->respondsToAction(str("cut:")));
    QAction toggle;
    Commands::setItemAction(&toggle, str("toggleToolbar:"));
    ASSERT_TRUE(controller->toolbar()->isVisible());
    const int withToolbar = window()->maximumHeight();
    ASSERT_TRUE(Commands::sendAction(&toggle));
    EXPECT_FALSE(controller->toolbar()->isVisible());
    // The page keeps its room: the window's largest height loses the toolbar's.
    EXPECT_LT(window()->maximumHeight(), withToolbar);
    Commands::sendAction(&toggle);
    EXPECT_TRUE(controller->toolbar()->isVisible());

    QAction zoomIn;
    Commands::setItemAction(&zoomIn, str("zoomIn:"));
    ASSERT_TRUE(Commands::sendAction(&zoomIn));
    EXPECT_EQ(controller->zoomFactor(), 2.0f);
}

TEST_F(TemplateEditorWindowTest, AppearanceChangesDropTheHandleGraphics) {
    const int cleared = host.handleGraphicsCleared;
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Highlight, QColor(10, 200, 30));
    QApplication::setPalette(palette);
    QCoreApplication::processEvents();
    EXPECT_GT(host.handleGraphicsCleared, cleared);
    QApplication::setPalette(QPalette());
}

TEST_F(TemplateEditorWindowTest, ClosingTheWindowDeselects) {
    TMObjectRef a = addRectangle(0, 0);
    a->setSelected(true);
    window()->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(a->selected());
}

TEST(TemplateEditorPlacement, AFurtherWindowOpensRightOfAndBelowTheFrontmostTemplateWindow) {
    TestHost host;
    DocumentController& documents = DocumentController::sharedDocumentController();
    const QString type = str(kTemplateDocumentType);
    std::shared_ptr<Document> first = documents.openUntitledDocumentOfType(type, true);
    ASSERT_NE(first, nullptr);
    QWidget* firstWindow = first->windowForSheet();
    firstWindow->move(40, 50);
    makeKey(firstWindow);
    std::shared_ptr<Document> second = documents.openUntitledDocumentOfType(type, true);
    QWidget* secondWindow = second->windowForSheet();
    EXPECT_EQ(secondWindow->pos(), firstWindow->pos() + QPoint(22, 23));
    // The newest is frontmost now: the next one cascades from it.
    std::shared_ptr<Document> third = documents.openUntitledDocumentOfType(type, true);
    EXPECT_EQ(third->windowForSheet()->pos(), secondWindow->pos() + QPoint(22, 23));
    for (const auto& document : {third, second, first})
        document->close();
    QCoreApplication::processEvents();
}

// ---------------------------------------------------------------------------
// Printing

namespace {

// The pixels of the first page of a PDF, read by poppler at 72 dpi.
QImage firstPage(const QString& pdf, int* pages) {
    QProcess info;
    info.start(str("pdfinfo"), {pdf});
    info.waitForFinished();
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.startsWith(str("Pages:")))
            *pages = line.mid(6).trimmed().toInt();
    const QString stem = pdf + str("-page");
    QProcess render;
    render.start(str("pdftoppm"), {str("-r"), str("72"), str("-f"), str("1"), str("-l"), str("1"),
                                   str("-png"), str("-singlefile"), pdf, stem});
    render.waitForFinished();
    return QImage(stem + str(".png"));
}

} // namespace

TEST_F(TemplateEditorWindowTest, PrintsThePaperWithTheObjectsAndHandsTheObjectsBack) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(str("page.pdf"));
    auto red = std::static_pointer_cast<TMRectangleObject>(addRectangle(100, 200));
    red->setFillState(true);
    red->setFillColor(Color::fromQColor(QColor(Qt::red)));
    PrintInfo info = document.printInfo();
    info.setPaperSize({612, 792});
    document.Document::setPrintInfo(info);

    QCoreApplication::processEvents();
    const int changes = document.changeCount();
    bool asked = false;
    const PrintOperation::PanelResponder previous =
        PrintOperation::setPanelResponder([&](PrintOperation& operation, QPrinter& printer) {
            asked = true;
            EXPECT_EQ(operation.view(), controller->printedTemplateView());
            EXPECT_EQ(operation.view()->bounds(), (Rect{0, 0, 612, 792}));
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
    controller->printDocument();
    ASSERT_NE(controller->printedTemplateView(), nullptr);
    QTRY_VERIFY(controller->printedTemplateView() == nullptr);
    PrintOperation::setPanelResponder(previous);
    EXPECT_TRUE(asked);
    EXPECT_EQ(document.printInfo().leftMargin(), 0.0f);
    EXPECT_EQ(document.printInfo().topMargin(), 0.0f);
    // Margins for printing are no change of the template.
    EXPECT_EQ(document.changeCount(), changes);

    int pages = 0;
    const QImage page = firstPage(pdf, &pages);
    EXPECT_EQ(pages, 1);
    ASSERT_EQ(page.size(), QSize(612, 792));
    // The rectangle's inside, top-down from the paper's top left; and blank paper.
    const QColor inside = page.pixelColor(120, 215);
    EXPECT_GT(inside.red(), 200);
    EXPECT_LT(inside.green(), 60);
    EXPECT_EQ(page.pixelColor(400, 600), QColor(Qt::white));
    // Afterwards the objects redraw on the screen canvas.
    EXPECT_EQ(red->lastDrawnInView(), canvas);
}
