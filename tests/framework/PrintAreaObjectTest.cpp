#include "TestImageSource.h"
#include "TestPage.h"
#include "framework/model/TMLabelText.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMRenderPass.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/UndoManager.h"
#include "support/TestHost.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

bool reddish(const QColor& c) {
    return c.red() > 200 && c.green() < 200 && c.red() - c.green() > 40;
}

bool white(const QColor& c) {
    return nearColour(c, Qt::white, 6);
}

// Pixels of the label: darker than the editor's translucent fill ever is.
int labelPixels(const QImage& pixels, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (pixels.pixelColor(x, y).value() < 150)
                ++count;
    return count;
}

struct PrintArea : ::testing::Test {
    TestHost host;
};

} // namespace

TEST_F(PrintArea, ANewAreaHasLongMarksAtItsFrameAndNeverRotates) {
    const auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({100, 100}, {50, 40});
    EXPECT_TRUE(area->cutMarksState());
    EXPECT_FLOAT_EQ(area->cutMarkLength(), 18);
    EXPECT_FLOAT_EQ(area->cutMarkOffset(), 0);
    EXPECT_EQ(area->cutMarkColor(), Color::blackColor());
    EXPECT_EQ(area->printAreaNumber(), 0);
    EXPECT_EQ(area->visibleFrame(), insetRect(area->encapsulatingFrame(), -18, -18));
    area->setCutMarksState(false);
    EXPECT_EQ(area->visibleFrame(), area->encapsulatingFrame());

    EXPECT_TRUE(area->rotationLocked());
    EXPECT_FALSE(area->supportsRotation());
    area->setRotationLocked(false);
    EXPECT_TRUE(area->rotationLocked());
    area->setRotation(30);
    EXPECT_EQ(area->rotation(), 0);
}

TEST_F(PrintArea, MissingKeysReadAsOnePointMarksAtOnePoint) {
    const QVariantMap bare{{str("kind"), str("TMPrintAreaObject")}, {str("rotation_lock"), false}};
    const auto read = TMPrintAreaObject::newTemplateObjectWithRepresentation(bare);
    EXPECT_TRUE(read->cutMarksState());
    EXPECT_FLOAT_EQ(read->cutMarkLength(), 1);
    EXPECT_FLOAT_EQ(read->cutMarkOffset(), 1);
    EXPECT_EQ(read->cutMarkColor(), Color::blackColor());
    EXPECT_EQ(read->printAreaNumber(), 0);
    EXPECT_TRUE(read->rotationLocked());

    const auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({0, 0}, {30, 20});
    area->setCutMarksState(false);
    area->setCutMarkLength(7.5f);
    area->setCutMarkOffset(2.25f);
    area->setCutMarkColor(Color::deviceRGB(0.2f, 0.4f, 0.6f, 0.8f));
    area->setPrintAreaNumber(3);
    const QVariantMap written = area->dictRepresentation();
    for (const char* key :
         {kTMPrintAreaObjectCutMarksEnabledKey, kTMPrintAreaObjectCutMarksLengthKey,
          kTMPrintAreaObjectCutMarksOffsetKey, kTMPrintAreaObjectCutMarksColorKey,
          kTMPrintAreaNumberKey})
        EXPECT_TRUE(written.contains(str(key))) << key;
    const auto back = TMPrintAreaObject::newTemplateObjectWithRepresentation(written);
    EXPECT_EQ(back->dictRepresentation(), written);
    EXPECT_EQ(back->cutMarkColor(), Color::deviceRGB(0.2f, 0.4f, 0.6f, 0.8f));
    EXPECT_EQ(back->printAreaNumber(), 3);
}

TEST_F(PrintArea, MarkSettingsAreUndoableUnderTheirNames) {
    TemplateDocument document;
    const auto area = TMPrintAreaObject::newTemplateObject();
    document.addObject(area);
    UndoManager* undo = document.undoManager();
    undo->setGroupsByEvent(false);
    undo->removeAllActions();

    const auto step = [&](const std::function<void()>& change) {
        undo->beginUndoGrouping();
        change();
        undo->endUndoGrouping();
    };
    step([&] { area->setCutMarkOffset(5); });
    EXPECT_EQ(undo->undoActionName(), str("Cut Mark Distance"));
    step([&] { area->setCutMarkLength(10); });
    EXPECT_EQ(undo->undoActionName(), str("Cut Mark Length"));
    step([&] { area->setCutMarksState(false); });
    EXPECT_EQ(undo->undoActionName(), str("Cut Marks On/Off"));
    step([&] { area->setCutMarkColor(Color::deviceRGB(1, 0, 0)); });
    EXPECT_EQ(undo->undoActionName(), str("Cut Mark Color"));
    // The same value again registers nothing.
    step([&] { area->setCutMarkOffset(5); });
    EXPECT_EQ(undo->undoActionName(), str("Cut Mark Color"));

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(area->cutMarkColor(), Color::blackColor());
    ASSERT_TRUE(undo->undo());
    EXPECT_TRUE(area->cutMarksState());
    ASSERT_TRUE(undo->undo());
    EXPECT_FLOAT_EQ(area->cutMarkLength(), 18);
    ASSERT_TRUE(undo->undo());
    EXPECT_FLOAT_EQ(area->cutMarkOffset(), 0);
    EXPECT_FALSE(undo->canUndo());
    ASSERT_TRUE(undo->redo());
    EXPECT_FLOAT_EQ(area->cutMarkOffset(), 5);
    EXPECT_EQ(undo->undoActionName(), str("Cut Mark Distance"));

    // The number is the document's to give.
    area->setPrintAreaNumber(9);
    EXPECT_EQ(undo->undoActionName(), str("Cut Mark Distance"));
}

TEST_F(PrintArea, CutMarksAtOffsetFiveAndLengthTenWhereverDrawn) {
    const struct {
        const char* what;
        DestinationKind kind;
        bool thumbnail;
    } destinations[] = {
        {"output", DestinationKind::Image, false},
        {"thumbnail", DestinationKind::Screen, true},
        {"editor", DestinationKind::Screen, false},
    };
    for (const auto& d : destinations) {
        SCOPED_TRACE(d.what);
        // Edges on half points, so each 0.5-point mark lies within one row or column.
        const auto area =
            TMPrintAreaObject::newTemplateObjectWithOriginSize({30.5f, 30.5f}, {40, 20});
        area->setCutMarkOffset(5);
        area->setCutMarkLength(10);
        area->setCutMarkColor(Color::deviceRGB(1, 0, 0));
        TestPage page(100, 80, d.kind);
        {
            TMRenderPass pass({area}, TMRenderState{.drawingThumbnail = d.thumbnail},
                              TMRenderPass::Renderings::Drop);
            area->drawObject(false);
        }
        const QImage& pixels = page.pixels();
        // Horizontal marks on the rows of the lower and upper edges, vertical
        // marks on the columns of the left and right edges: from 5 to 15
        // points beyond the frame.
        for (const int row : {30, 50}) {
            for (int x = 16; x <= 24; ++x)
                EXPECT_TRUE(reddish(pixels.pixelColor(x, row))) << x << "," << row;
            for (int x = 76; x <= 84; ++x)
                EXPECT_TRUE(reddish(pixels.pixelColor(x, row))) << x << "," << row;
            for (const int x : {14, 26, 29, 72, 74, 87})
                EXPECT_TRUE(white(pixels.pixelColor(x, row))) << x << "," << row;
        }
        for (const int column : {30, 70}) {
            for (int y = 16; y <= 24; ++y)
                EXPECT_TRUE(reddish(pixels.pixelColor(column, y))) << column << "," << y;
            for (int y = 56; y <= 64; ++y)
                EXPECT_TRUE(reddish(pixels.pixelColor(column, y))) << column << "," << y;
            for (const int y : {14, 26, 29, 52, 54, 67})
                EXPECT_TRUE(white(pixels.pixelColor(column, y))) << column << "," << y;
        }
        // Nothing is drawn where no mark runs.
        EXPECT_TRUE(white(pixels.pixelColor(20, 20)));
        EXPECT_TRUE(white(pixels.pixelColor(80, 60)));
    }
}

TEST_F(PrintArea, TheEditorLookAndLabelShowOnlyInTheEditor) {
    TestImageSource source;
    const auto drawn = [&](DestinationKind kind, bool thumbnail, TemplateImageSource* imageSource) {
        const auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({20, 20}, {200, 60});
        area->setPrintAreaNumber(2);
        area->setCutMarksState(false);
        TestPage page(240, 100, kind);
        {
            TMRenderPass pass(
                {area}, TMRenderState{.drawingThumbnail = thumbnail, .imageSource = imageSource},
                TMRenderPass::Renderings::Drop);
            area->drawObject(false);
        }
        return page.pixels();
    };
    const QRect inside(25, 25, 190, 50);

    const QImage editor = drawn(DestinationKind::Screen, false, nullptr);
    EXPECT_FALSE(white(editor.pixelColor(30, 30))) << colourText(editor.pixelColor(30, 30));
    EXPECT_TRUE(white(editor.pixelColor(10, 10)));
    EXPECT_GT(labelPixels(editor, inside), 40);

    // Neither in output, nor in a thumbnail, nor in a layout on screen.
    const struct {
        const char* what;
        QImage pixels;
    } others[] = {
        {"output", drawn(DestinationKind::Image, false, nullptr)},
        {"printer-bound source", drawn(DestinationKind::Image, false, &source)},
        {"thumbnail", drawn(DestinationKind::Screen, true, nullptr)},
        {"layout on screen", drawn(DestinationKind::Screen, false, &source)},
    };
    for (const auto& other : others) {
        EXPECT_TRUE(white(other.pixels.pixelColor(30, 30))) << other.what;
        EXPECT_EQ(labelPixels(other.pixels, inside), 0) << other.what;
    }
}

TEST_F(PrintArea, TheLabelCarriesTheNumber) {
    const auto labelOf = [&](int32_t number) {
        const auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({20, 20}, {200, 60});
        area->setPrintAreaNumber(number);
        area->setCutMarksState(false);
        TestPage page(240, 100, DestinationKind::Screen);
        area->drawObject(false);
        return page.pixels().copy(20, 20, 200, 60);
    };
    EXPECT_NE(labelOf(1), labelOf(7));
    EXPECT_EQ(labelOf(7), labelOf(7));
}

TEST_F(PrintArea, LabelsShrinkToFitAndNoFurtherThanSevenPoints) {
    const QString label = str("Print Area 1");
    // Room enough: 24 points.
    EXPECT_FLOAT_EQ(TMLabelText::fontSizeForText(label, 400, 30), 24);
    // The height limit is the area's height less 2, at most 30.
    EXPECT_FLOAT_EQ(TMLabelText::heightLimitForRect(Rect(0, 0, 100, 20)), 18);
    EXPECT_FLOAT_EQ(TMLabelText::heightLimitForRect(Rect(0, 0, 100, 80)), 30);
    EXPECT_EQ(TMLabelText::textRectInRect(Rect(10, 10, 100, 20)), Rect(10, 11, 100, 18));
    const float narrower = TMLabelText::fontSizeForText(label, 60, 18);
    EXPECT_LT(narrower, 24);
    EXPECT_GE(narrower, 8);
    // Too narrow for any size: drawn at 7.
    EXPECT_FLOAT_EQ(TMLabelText::fontSizeForText(label, 5, 18), 7);
}
