#include "ChangeCounter.h"
#include "TestImageSource.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/GraphicsContext.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// A white page, one pixel a point; top-down unless told otherwise.
class Page {
public:
    Page(int width, int height, bool flipped = true, DestinationKind kind = DestinationKind::Image)
        : _pixels(width, height, QImage::Format_ARGB32_Premultiplied) {
        _pixels.fill(Qt::white);
        _painter.begin(&_pixels);
        _context = std::make_unique<GraphicsContext>(_painter, Size{float(width), float(height)},
                                                     kind, flipped);
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

private:
    QImage _pixels;
    QPainter _painter;
    std::unique_ptr<GraphicsContext> _context;
    std::unique_ptr<GraphicsContext::Focus> _focus;
};

bool isDark(const QColor& c) {
    return c.red() < 100 && c.green() < 100 && c.blue() < 100;
}

bool isRed(const QColor& c) {
    return c.red() > 150 && c.green() < 100 && c.blue() < 100;
}

// The smallest rectangle of pixels that pass the test; empty when none does.
QRect extent(const QImage& pixels, const std::function<bool(const QColor&)>& test) {
    QRect found;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            if (test(pixels.pixelColor(x, y)))
                found |= QRect(x, y, 1, 1);
    return found;
}

QImage drawn(TMTextObject& text, int width, int height, bool flipped = true,
             DestinationKind kind = DestinationKind::Image) {
    Page page(width, height, flipped, kind);
    text.drawObject(false);
    return page.pixels();
}

// A text in a 40-point serif-less font at the top left of a 400 x 100 page.
TMTextObjectRef bigText(const char* words) {
    TMTextObjectRef text = TMTextObject::newTemplateObjectWithOriginSize({0, 0}, {400, 100});
    text->setText(str(words));
    text->setFont(Font(str("DejaVu Sans"), 40));
    return text;
}

} // namespace

TEST(TextObjectDrawing, TheTextStartsAtTheTopOfItsBoxInsideTheFrame) {
    TestHost host;
    TMTextObjectRef text = bigText("MMMM");
    const QRect ink = extent(drawn(*text, 400, 100), isDark);
    ASSERT_FALSE(ink.isEmpty());
    // The box is 4 points in from every edge; the text begins at its top left.
    EXPECT_GE(ink.left(), 4);
    EXPECT_LE(ink.left(), 12);
    EXPECT_GE(ink.top(), 4);
    EXPECT_LE(ink.top(), 20);
    EXPECT_LT(ink.bottom(), 60);
}

TEST(TextObjectDrawing, TextIsUprightOnFlippedAndUpwardPagesAndInPrint) {
    TestHost host;
    // The box lies in the middle of the page height, so both directions put
    // it on the same pixel rows; an upright "L" then inks the same pixels.
    TMTextObjectRef text = TMTextObject::newTemplateObjectWithOriginSize({20, 20}, {200, 60});
    text->setText(str("L"));
    text->setFont(Font(str("DejaVu Sans"), 40));
    const QImage flipped = drawn(*text, 240, 100, true);
    const QImage upward = drawn(*text, 240, 100, false);
    const QImage print = drawn(*text, 240, 100, false, DestinationKind::Printer);
    const QRect ink = extent(flipped, isDark);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_EQ(extent(upward, isDark), ink);
    EXPECT_EQ(extent(print, isDark), ink);
    // The foot of the L is at the bottom: its bottom row is wider than its top row.
    auto inkedInRow = [&](int y) {
        int n = 0;
        for (int x = ink.left(); x <= ink.right(); ++x)
            n += isDark(upward.pixelColor(x, y));
        return n;
    };
    EXPECT_GT(inkedInRow(ink.bottom() - 1), 2 * inkedInRow(ink.top() + 1));
}

TEST(TextObjectDrawing, ARotatedTextTurnsWithItsBox) {
    TestHost host;
    TMTextObjectRef text = TMTextObject::newTemplateObjectWithOriginSize({30, 120}, {240, 60});
    text->setText(str("MMMMMM"));
    text->setFont(Font(str("DejaVu Sans"), 30));
    const QRect level = extent(drawn(*text, 300, 300), isDark);
    ASSERT_FALSE(level.isEmpty());
    EXPECT_GT(level.width(), 2 * level.height());

    text->setRotation(90);
    const QRect turned = extent(drawn(*text, 300, 300), isDark);
    ASSERT_FALSE(turned.isEmpty());
    EXPECT_GT(turned.height(), 2 * turned.width());
    EXPECT_NEAR(turned.height(), level.width(), 3);
    // The box turns about the object's centre (150, 150): the text stays within
    // the turned frame.
    EXPECT_GE(turned.top(), 30);
    EXPECT_LE(turned.bottom(), 270);
    EXPECT_GE(turned.left(), 120);
    EXPECT_LE(turned.right(), 180);
}

TEST(TextObjectDrawing, AnEmptyTextDrawsOnlyItsBackground) {
    TestHost host;
    TMTextObjectRef text = TMTextObject::newTemplateObjectWithOriginSize({0, 0}, {100, 60});
    text->setText(QString());
    text->setDrawBackground(true);
    text->setBackgroundColor(Color::calibratedRGB(0, 0, 1));
    const QImage pixels = drawn(*text, 100, 60);
    EXPECT_EQ(pixels.pixelColor(50, 30), QColor(0, 0, 255));
    EXPECT_EQ(pixels.pixelColor(6, 6), QColor(0, 0, 255));
    // The background fills the text box, 4 points in from the frame.
    EXPECT_EQ(pixels.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_TRUE(extent(pixels, isDark).isEmpty());
}

TEST(TextObjectDrawing, AFieldShowsTheSourceValueForThatDrawOnly) {
    TestHost host;
    TemplateDocument document;
    TMTextObjectRef field = bigText("i");
    field->setVariant(TMTextObject::EditableField);
    field->setShadowEnabled(true);
    document.addObject(TMTextObject::newTemplateObject());
    document.addObject(field);
    ASSERT_EQ(field->editableTextNumber(), 1);
    // Settle what setting up registered and announced.
    QCoreApplication::processEvents();
    document.undoManager()->removeAllActions();
    document.updateChangeCount(Document::ChangeCleared);

    const int narrow = extent(drawn(*field, 400, 100), isDark).width();
    TestImageSource source;
    source.fieldValues[0] = str("MMMMMM");
    ChangeCounter changes(field);
    const TextStorage before = field->textStorage();
    field->setImageSource(&source);
    const int wide = extent(drawn(*field, 400, 100), isDark).width();
    EXPECT_GT(wide, 4 * narrow);

    // The template keeps its own text; nothing is undoable or announced.
    EXPECT_EQ(field->textStorage(), before);
    EXPECT_EQ(field->text(), "i");
    EXPECT_EQ(changes.posted(), 0);
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_FALSE(document.isDocumentEdited());

    // A field the source has no value for draws nothing.
    field->setEditableTextNumber(7);
    EXPECT_TRUE(extent(drawn(*field, 400, 100), isDark).isEmpty());
    field->setImageSource(nullptr);
}

TEST(TextObjectDrawing, APropertyTextShowsItsCellsPropertyAndFollowsTheCell) {
    TestHost host;
    TemplateDocument document;
    TMPhotoObjectRef first = TMPhotoObject::newTemplateObject();
    TMPhotoObjectRef second = TMPhotoObject::newTemplateObject();
    TMTextObjectRef property = bigText("stored");
    property->setVariant(TMTextObject::PropertyText);
    property->setPropertyKey(str("EXIF-E003"));
    property->setPropertyCellID(second->uniqueID());
    property->setText(str("stored"));
    document.addObject(first);
    document.addObject(second);
    document.addObject(property);
    ASSERT_EQ(property->photoNumber(), 2);

    TestImageSource source;
    source.properties[{str("EXIF-E003"), 0}] = str("i");
    source.properties[{str("EXIF-E003"), 1}] = str("MMMMMM");
    property->setImageSource(&source);
    const int secondWidth = extent(drawn(*property, 400, 100), isDark).width();

    // The cells change places: the text still shows the second cell's value,
    // now cell 0.
    document.replaceObjects({second, first, property});
    ASSERT_EQ(property->photoNumber(), 1);
    source.properties[{str("EXIF-E003"), 0}] = str("MMMMMM");
    source.properties[{str("EXIF-E003"), 1}] = str("i");
    EXPECT_EQ(extent(drawn(*property, 400, 100), isDark).width(), secondWidth);
    source.properties[{str("EXIF-E003"), 0}] = str("i");
    EXPECT_LT(4 * extent(drawn(*property, 400, 100), isDark).width(), secondWidth);

    // A cell without a photograph answers the empty text, a template key the
    // source does not know none at all: both draw nothing.
    source.properties[{str("EXIF-E003"), 0}] = str("");
    EXPECT_TRUE(extent(drawn(*property, 400, 100), isDark).isEmpty());
    property->setPropertyKey(str("Template-T099"));
    EXPECT_TRUE(extent(drawn(*property, 400, 100), isDark).isEmpty());
    EXPECT_EQ(property->text(), "stored");
    property->setImageSource(nullptr);
}

TEST(TextObjectDrawing, TheShadowScalesWithTheDestinationResolution) {
    TestHost host;
    TMTextObjectRef text = bigText("MM");
    text->setTextColor(Color::calibratedRGB(1, 0, 0));
    ShadowValue shadow;
    shadow.offset = {6, -6};
    shadow.blurRadius = 0;
    shadow.color = Qt::black;
    text->setShadow(shadow);
    text->setShadowEnabled(true);
    QCoreApplication::processEvents();
    ChangeCounter changes(text);

    // How far the shadow reaches right of the letters, in pixels of a page
    // whose units are pixels.
    auto reach = [&](float dpi) {
        text->setDestinationDPI(dpi);
        const QImage pixels = drawn(*text, 400, 100);
        const QRect letters = extent(pixels, isRed);
        const QRect shade = extent(pixels, isDark);
        EXPECT_FALSE(letters.isEmpty());
        EXPECT_FALSE(shade.isEmpty());
        return shade.right() - letters.right();
    };
    const int screen = reach(0);
    const int print = reach(300);
    EXPECT_NEAR(screen, 6, 1);
    EXPECT_NEAR(print, 6 * 300 / 72.0, 2);
    // Drawing with the shadow on announces nothing, so a canvas that redraws on
    // changes comes to rest.
    EXPECT_EQ(changes.posted(), 0);
}
