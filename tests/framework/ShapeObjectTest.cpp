#include "ChangeCounter.h"
#include "framework/model/GenericDocument.h"
#include "framework/model/TMOvalObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/DrawingTestCanvas.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const Color kRed = Color::calibratedRGB(1, 0, 0);
const Color kBlue = Color::calibratedRGB(0, 0, 1);

// A user whose decimal separator is a comma, for the test's lifetime.
class CommaLocale {
public:
    CommaLocale() : _previous(QLocale()) {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        UserDefaults::standardUserDefaults().setObjectForKey(str(","), str("NSDecimalSeparator"));
    }
    ~CommaLocale() {
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
        QLocale::setDefault(_previous);
    }

private:
    QLocale _previous;
};

VQGradientFillRef radialFill() {
    VQGradientFillRef fill = VQGradientFill::stdFill();
    fill->setKind(VQGradientFill::Radial);
    fill->setColorAtStep(kRed, 0);
    fill->setSteps(3);
    return fill;
}

// Every property away from its default.
void changeEverything(TMRectangleObject& shape) {
    shape.setStrokeState(false);
    shape.setStrokeWidth(4.5f);
    shape.setStrokeColor(kRed);
    shape.setFillState(true);
    shape.setFillColor(kBlue);
    shape.setGradientFillState(true);
    shape.setGradientFill(radialFill());
    shape.setDashPattern(str("6-3.5"));
    shape.setLineJoin(2);
    shape.setLineCap(1);
    shape.setRoundedCornersState(true);
    shape.setCornerRadius(12.5f);
}

void expectEverythingChanged(const TMRectangleObject& shape) {
    EXPECT_FALSE(shape.strokeState());
    EXPECT_EQ(shape.strokeWidth(), 4.5f);
    EXPECT_EQ(shape.strokeColor(), kRed);
    EXPECT_TRUE(shape.fillState());
    EXPECT_EQ(shape.fillColor(), kBlue);
    EXPECT_TRUE(shape.gradientFillState());
    ASSERT_TRUE(shape.gradientFill());
    EXPECT_TRUE(*shape.gradientFill() == *radialFill());
    EXPECT_EQ(shape.dashPattern(), "6-3.5");
    EXPECT_EQ(shape.lineJoin(), 2);
    EXPECT_EQ(shape.lineCap(), 1);
    EXPECT_TRUE(shape.roundedCornersState());
    EXPECT_EQ(shape.cornerRadius(), 12.5f);
}

QByteArray archived(const Color& color) {
    return Archiver::archivedValue(color);
}

bool isClear(const QColor& c) {
    return c.alpha() < 10;
}

} // namespace

// ---------------------------------------------------------------------------
// Model and representation

TEST(ShapeObject, ANewRectangleIsStrokedAndUnfilled) {
    TestHost host;
    TMRectangleObjectRef shape = TMRectangleObject::newTemplateObject();
    EXPECT_EQ(shape->kind(), "TMRectangleObject");
    EXPECT_TRUE(shape->strokeState());
    EXPECT_EQ(shape->strokeWidth(), 1.0f);
    EXPECT_EQ(shape->strokeColor(), Color::blackColor());
    EXPECT_FALSE(shape->fillState());
    EXPECT_EQ(shape->fillColor(), Color::whiteColor());
    EXPECT_FALSE(shape->gradientFillState());
    ASSERT_TRUE(shape->gradientFill());
    EXPECT_TRUE(*shape->gradientFill() == VQGradientFill());
    EXPECT_EQ(shape->dashPattern(), "0");
    EXPECT_EQ(shape->lineJoin(), 0);
    EXPECT_EQ(shape->lineCap(), 0);
    EXPECT_FALSE(shape->roundedCornersState());
    EXPECT_EQ(shape->cornerRadius(), 0.0f);
    EXPECT_EQ(TMRectangleObject::classObjectControllerClass(), "TMRectangleObjectController");
    EXPECT_EQ(TMOvalObject::classObjectControllerClass(), "TMOvalObjectController");
    // Each shape has a gradient of its own.
    EXPECT_NE(shape->gradientFill(), TMRectangleObject::newTemplateObject()->gradientFill());
}

TEST(ShapeObject, OnlyTheRectangleOffersLineJoins) {
    TestHost host;
    EXPECT_TRUE(TMRectangleObject::newTemplateObject()->supportsLineJoin());
    EXPECT_FALSE(TMRectangleObject::newTemplateObject()->supportsLineCap());
    EXPECT_FALSE(TMOvalObject::newTemplateObject()->supportsLineJoin());
    EXPECT_FALSE(TMOvalObject::newTemplateObject()->supportsLineCap());
}

TEST(ShapeObject, RepresentationsKeepEveryValueOfBothShapes) {
    TestHost host;
    for (const char* kind : {"TMRectangleObject", "TMOvalObject"}) {
        TMObjectRef object = TMObject::newTemplateObjectOfKind(str(kind));
        auto shape = std::dynamic_pointer_cast<TMRectangleObject>(object);
        ASSERT_TRUE(shape) << kind;
        changeEverything(*shape);
        const QVariantMap representation = shape->dictRepresentation();
        EXPECT_EQ(representation.value(str(kKindKey)), str(kind));
        EXPECT_EQ(representation.value(str(kLineJoinKey)).metaType().id(), QMetaType::Float);
        auto back = std::dynamic_pointer_cast<TMRectangleObject>(
            TMObject::newTemplateObjectOfKindWithRepresentation(str(kind), representation));
        ASSERT_TRUE(back) << kind;
        EXPECT_EQ(back->kind(), str(kind));
        expectEverythingChanged(*back);
        // The copy owns a gradient of its own.
        EXPECT_NE(back->gradientFill(), shape->gradientFill());
    }
}

TEST(ShapeObject, ATemplateFileKeepsEveryValue) {
    TestHost host;
    QTemporaryDir folder;
    const QString target = folder.path() + "/shapes.vyxTemplate";
    {
        TemplateDocument document;
        TMRectangleObjectRef rectangle = TMRectangleObject::newTemplateObject();
        changeEverything(*rectangle);
        document.addObject(rectangle);
        TMOvalObjectRef oval = TMOvalObject::newTemplateObject();
        changeEverything(*oval);
        document.addObject(oval);
        ASSERT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
    }
    TemplateDocument reopened;
    QString error;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType), &error))
        << error.toStdString();
    ASSERT_EQ(reopened.objects().size(), 2);
    auto rectangle = std::dynamic_pointer_cast<TMRectangleObject>(reopened.objects()[0]);
    auto oval = std::dynamic_pointer_cast<TMOvalObject>(reopened.objects()[1]);
    ASSERT_TRUE(rectangle);
    ASSERT_TRUE(oval);
    expectEverythingChanged(*rectangle);
    expectEverythingChanged(*oval);
}

TEST(ShapeObject, OlderKeysAreReadWhenTheCurrentOnesAreMissing) {
    TestHost host;
    const QVariantMap older{{str("kind"), str("TMRectangleObject")},
                            {str(kOldStrokeWidthKey), 3},
                            {str(kOldStrokeColorKey), archived(kRed)},
                            {str(kOldFillEnabledKey), true},
                            {str(kOldFillColorKey), archived(kBlue)}};
    TMRectangleObjectRef shape = TMRectangleObject::newTemplateObjectWithRepresentation(older);
    EXPECT_EQ(shape->strokeWidth(), 3.0f);
    EXPECT_EQ(shape->strokeColor(), kRed);
    EXPECT_TRUE(shape->fillState());
    EXPECT_EQ(shape->fillColor(), kBlue);

    QVariantMap both = older;
    both.insert(str(kStrokeWidthKey), 5.0f);
    both.insert(str(kStrokeColorKey), archived(kBlue));
    both.insert(str(kFillEnabledKey), false);
    both.insert(str(kFillColorKey), archived(kRed));
    shape = TMRectangleObject::newTemplateObjectWithRepresentation(both);
    EXPECT_EQ(shape->strokeWidth(), 5.0f);
    EXPECT_EQ(shape->strokeColor(), kBlue);
    EXPECT_FALSE(shape->fillState());
    EXPECT_EQ(shape->fillColor(), kRed);
}

TEST(ShapeObject, MissingKeysTakeTheirDefaults) {
    TestHost host;
    TMRectangleObjectRef shape = TMRectangleObject::newTemplateObjectWithRepresentation({});
    EXPECT_TRUE(shape->strokeState());
    EXPECT_EQ(shape->strokeWidth(), 1.0f);
    EXPECT_EQ(shape->strokeColor(), Color::blackColor());
    EXPECT_FALSE(shape->fillState());
    EXPECT_EQ(shape->fillColor(), Color::whiteColor());
    EXPECT_EQ(shape->dashPattern(), "0");
    // Read without a radius, corners are 8 points round; made new, 0.
    EXPECT_EQ(shape->cornerRadius(), 8.0f);
    EXPECT_EQ(TMRectangleObject::newTemplateObject()->cornerRadius(), 0.0f);

    // Damaged archives count as missing.
    shape = TMRectangleObject::newTemplateObjectWithRepresentation(
        {{str(kStrokeColorKey), QByteArray("junk")}, {str(kGradientFillKey), QByteArray("junk")}});
    EXPECT_EQ(shape->strokeColor(), Color::blackColor());
    ASSERT_TRUE(shape->gradientFill());
    EXPECT_TRUE(*shape->gradientFill() == VQGradientFill());
}

TEST(ShapeObject, PrototypesGiveTheToolsTheirStart) {
    TestHost host;
    struct Case {
        QVariantMap prototype;
        bool filled, rounded;
    };
    const Case cases[] = {{TMRectangleObject::stdRepresentation(), false, false},
                          {TMRectangleObject::filledRepresentation(), true, false},
                          {TMRectangleObject::stdRoundRepresentation(), false, true},
                          {TMRectangleObject::filledRoundRepresentation(), true, true}};
    for (const Case& c : cases) {
        TMRectangleObjectRef shape =
            TMRectangleObject::newTemplateObjectWithRepresentation(c.prototype);
        EXPECT_EQ(shape->fillState(), c.filled);
        EXPECT_EQ(shape->roundedCornersState(), c.rounded);
        EXPECT_TRUE(shape->strokeState());
        EXPECT_EQ(shape->cornerRadius(), 8.0f);
    }
}

TEST(ShapeObject, StrokeWidthsAreKeptWithinTheirLimitsBySetting) {
    TestHost host;
    TMRectangleObjectRef shape = TMRectangleObject::newTemplateObject();
    shape->setStrokeWidth(0);
    EXPECT_EQ(shape->strokeWidth(), 0.1f);
    shape->setStrokeWidth(50);
    EXPECT_EQ(shape->strokeWidth(), 32.0f);
    // Read from a representation it stays as stored.
    shape = TMRectangleObject::newTemplateObjectWithRepresentation({{str(kStrokeWidthKey), 0.05f}});
    EXPECT_EQ(shape->strokeWidth(), 0.05f);
}

// ---------------------------------------------------------------------------
// Undo

struct ShapeSetters : ::testing::Test {
    ShapeSetters() {
        undo = document.undoManager();
        shape = TMRectangleObject::newTemplateObject();
        shape->setParentDocument(&document);
    }
    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMRectangleObjectRef shape;
};

TEST_F(ShapeSetters, EverySetterUndoesAndRedoesUnderItsName) {
    struct Case {
        const char* action;
        std::function<void(TMRectangleObject&)> set;
        std::function<bool(const TMRectangleObject&)> isNew;
    };
    const VQGradientFillRef gradient = radialFill();
    const std::vector<Case> cases = {
        {"Stroke On/Off", [](auto& s) { s.setStrokeState(false); },
         [](const auto& s) { return !s.strokeState(); }},
        {"Stroke Color", [](auto& s) { s.setStrokeColor(kRed); },
         [](const auto& s) { return s.strokeColor() == kRed; }},
        {"Stroke Width", [](auto& s) { s.setStrokeWidth(7); },
         [](const auto& s) { return s.strokeWidth() == 7.0f; }},
        {"Fill On/Off", [](auto& s) { s.setFillState(true); },
         [](const auto& s) { return s.fillState(); }},
        {"Fill Color", [](auto& s) { s.setFillColor(kBlue); },
         [](const auto& s) { return s.fillColor() == kBlue; }},
        {"Fill On/Off", [](auto& s) { s.setGradientFillState(true); },
         [](const auto& s) { return s.gradientFillState(); }},
        {"Gradient Fill", [gradient](auto& s) { s.setGradientFill(gradient); },
         [gradient](const auto& s) { return s.gradientFill() == gradient; }},
        {"Dash Pattern", [](auto& s) { s.setDashPattern(str("4-2.50")); },
         [](const auto& s) { return s.dashPattern() == "4-2.5"; }},
        {"Line Join", [](auto& s) { s.setLineJoin(1); },
         [](const auto& s) { return s.lineJoin() == 1; }},
        {"Line Cap", [](auto& s) { s.setLineCap(2); },
         [](const auto& s) { return s.lineCap() == 2; }},
        {"Rounded Corners", [](auto& s) { s.setRoundedCornersState(true); },
         [](const auto& s) { return s.roundedCornersState(); }},
        {"Corner Radius", [](auto& s) { s.setCornerRadius(-3); },
         [](const auto& s) { return s.cornerRadius() == -3.0f; }},
    };
    for (const Case& c : cases) {
        const QVariantMap before = shape->dictRepresentation();
        ChangeCounter changes(shape);
        undo->beginUndoGrouping();
        c.set(*shape);
        undo->endUndoGrouping();
        EXPECT_TRUE(c.isNew(*shape)) << c.action;
        EXPECT_EQ(undo->undoActionName(), str(c.action));
        EXPECT_GE(changes.posted(), 1) << c.action;
        ASSERT_TRUE(undo->undo()) << c.action;
        EXPECT_FALSE(c.isNew(*shape)) << c.action;
        EXPECT_EQ(shape->dictRepresentation(), before) << c.action;
        EXPECT_EQ(undo->redoActionName(), str(c.action));
        ASSERT_TRUE(undo->redo()) << c.action;
        EXPECT_TRUE(c.isNew(*shape)) << c.action;
        ASSERT_TRUE(undo->undo()) << c.action;
        undo->removeAllActions();
    }
}

TEST_F(ShapeSetters, UnchangedValuesRegisterNothing) {
    ChangeCounter changes(shape);
    shape->setStrokeState(true);
    shape->setStrokeColor(Color::blackColor());
    shape->setStrokeWidth(1);
    shape->setFillState(false);
    shape->setFillColor(Color::whiteColor());
    shape->setGradientFillState(false);
    shape->setGradientFill(shape->gradientFill());
    shape->setGradientFill(shape->gradientFill()->copy());
    shape->setGradientFill(nullptr);
    shape->setDashPattern(str("0-0"));
    shape->setLineJoin(0);
    shape->setLineCap(0);
    shape->setRoundedCornersState(false);
    shape->setCornerRadius(0);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(changes.posted(), 0);

    shape->setStrokeWidth(32);
    undo->removeAllActions();
    // Beyond the limit the width stays at it: nothing to undo.
    shape->setStrokeWidth(50);
    EXPECT_FALSE(undo->canUndo());
}

// ---------------------------------------------------------------------------
// Dash patterns

TEST(ShapeObject, DashPatternsAreNormalised) {
    TestHost host;
    const std::pair<const char*, const char*> cases[] = {
        {"4-2.50", "4-2.5"}, {"3.0-3", "3-3"}, {"", "0"},           {"0", "0"},
        {"0-0", "0"},        {"abc", "0"},     {"6-3", "6-3"},      {" 2 - 1.26", "2-1.3"},
        {"2,5", "2.5"},      {"5", "5"},       {"2.5x-1", "2.5-1"}, {"1e2-0", "100-0"},
    };
    for (const auto& [given, normal] : cases)
        EXPECT_EQ(TMRectangleObject::validateDashPattern(str(given)), str(normal)) << given;
}

TEST(ShapeObject, PatternsAreStoredWithAPointInEveryLocale) {
    TestHost host;
    CommaLocale comma;
    EXPECT_EQ(TMRectangleObject::validateDashPattern(str("2.5")), "2.5");
    EXPECT_EQ(TMRectangleObject::validateDashPattern(str("2,5-1")), "2.5-1");
    TMRectangleObjectRef shape = TMRectangleObject::newTemplateObject();
    shape->setDashPattern(str("2.5-2.5"));
    EXPECT_EQ(shape->dashPattern(), "2.5-2.5");
}

TEST(ShapeObject, PathsCarryTheDash) {
    TestHost host;
    TMRectangleObjectRef shape = TMRectangleObject::newTemplateObject();
    EXPECT_TRUE(shape->path().lineDash().empty());
    shape->setDashPattern(str("5"));
    EXPECT_TRUE(shape->path().lineDash().empty());
    shape->setDashPattern(str("6-3"));
    EXPECT_EQ(shape->path().lineDash(), (std::vector<float>{6, 3}));
    // Patterns stored elsewhere, comma included, are read as they stand.
    shape = TMRectangleObject::newTemplateObjectWithRepresentation(
        {{str(kDashPatternKey), str("2,5-1-0.5")}});
    EXPECT_EQ(shape->dashPattern(), "2,5-1-0.5");
    EXPECT_EQ(shape->path().lineDash(), (std::vector<float>{2.5f, 1, 0.5f}));
    shape = TMRectangleObject::newTemplateObjectWithRepresentation(
        {{str(kDashPatternKey), str("0-0")}});
    EXPECT_TRUE(shape->path().lineDash().empty());
    shape->setStrokeWidth(3);
    shape->setLineJoin(1);
    EXPECT_EQ(shape->path().lineWidth(), 3.0f);
    EXPECT_EQ(shape->path().lineJoinStyle(), LineJoinStyle::Round);
}

TEST(ShapeObject, DashMenuImagesShowThePattern) {
    TestHost host;
    const Image solid = TMRectangleObject::dashedMenuImage(str("0"));
    EXPECT_EQ(solid.size(), (Size{64, 12}));
    const Image dashed = TMRectangleObject::dashedMenuImage(str("6-3"));
    auto inkAt = [](const Image& image, int x) {
        return image.pixels().pixelColor(x, image.pixels().height() - 7).alpha();
    };
    // The line starts at x 6: on for 6 points, off for 3.
    EXPECT_GT(inkAt(dashed, 8), 100);
    EXPECT_LT(inkAt(dashed, 13), 30);
    EXPECT_GT(inkAt(solid, 13), 100);
}

TEST(ShapeObject, ACommaLocaleKeepsADashThroughSaveAndReopen) {
    TestHost host;
    CommaLocale comma;
    QTemporaryDir folder;
    const QString target = folder.path() + "/dash.vyxTemplate";
    {
        TemplateDocument document;
        TMRectangleObjectRef shape = TMRectangleObject::newTemplateObject();
        shape->setDashPattern(str("2.5"));
        EXPECT_EQ(shape->dashPattern(), "2.5");
        shape->setDashPattern(str("2.5-2.5"));
        document.addObject(shape);
        ASSERT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
    }
    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType)));
    ASSERT_EQ(reopened.objects().size(), 1);
    auto shape = std::dynamic_pointer_cast<TMRectangleObject>(reopened.objects()[0]);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->dashPattern(), "2.5-2.5");
    EXPECT_EQ(shape->path().lineDash(), (std::vector<float>{2.5f, 2.5f}));

    // Drawn at ten pixels a point, the bottom edge is 25 pixels on, 25 off.
    shape->setFrame({0, 4, 20, 10});
    DrawingTestCanvas canvas(20, 20, false, [] {
        QImage pixels(200, 200, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(Qt::transparent);
        return pixels;
    }());
    shape->drawObject(false);
    const QImage& pixels = canvas.pixels();
    // The edge runs along y 4.5 from x 0.5.
    const int row = 200 - 45;
    auto inked = [&](double x) { return pixels.pixelColor(int(x * 10), row).alpha() > 128; };
    EXPECT_TRUE(inked(0.5 + 1.2));
    EXPECT_FALSE(inked(0.5 + 3.7));
    EXPECT_TRUE(inked(0.5 + 6.2));
    EXPECT_FALSE(inked(0.5 + 8.8));
}

// ---------------------------------------------------------------------------
// Geometry and hit testing

TEST(ShapeObject, TheBandOfAnUnfilledRectangleHitsButNotItsMiddle) {
    TestHost host;
    TMRectangleObjectRef shape =
        TMRectangleObject::newTemplateObjectWithOriginSize({0, 0}, {100, 100});
    EXPECT_TRUE(shape->hitTest({1.5f, 50}));
    EXPECT_TRUE(shape->hitTest({50, 99}));
    EXPECT_FALSE(shape->hitTest({50, 50}));
    EXPECT_FALSE(shape->hitTest({110, 50}));
    shape->setFillState(true);
    EXPECT_TRUE(shape->hitTest({50, 50}));

    TMOvalObjectRef oval = TMOvalObject::newTemplateObjectWithOriginSize({0, 0}, {100, 100});
    EXPECT_TRUE(oval->hitTest({1.5f, 50}));
    EXPECT_FALSE(oval->hitTest({50, 50}));
    // The corner of the rectangle is outside the ellipse.
    EXPECT_FALSE(oval->hitTest({3, 3}));
}

TEST(ShapeObject, RotatedFramesStartOnAHalfPoint) {
    TestHost host;
    TMRectangleObjectRef shape =
        TMRectangleObject::newTemplateObjectWithOriginSize({10, 10}, {40, 20});
    EXPECT_EQ(shape->frame(), (Rect{10, 10, 40, 20}));
    shape->setRotation(30);
    const Rect f = shape->frame();
    EXPECT_FLOAT_EQ(f.minX() - std::floor(f.minX()), 0.5f);
    EXPECT_FLOAT_EQ(f.minY() - std::floor(f.minY()), 0.5f);
    EXPECT_NEAR(f.width(), 40 * std::cos(M_PI / 6) + 20 * std::sin(M_PI / 6), 1e-3);
}

TEST(ShapeObject, EncapsulatingFramesMakeRoomForTheStrokeAndTheKnobs) {
    TestHost host;
    TMRectangleObjectRef shape =
        TMRectangleObject::newTemplateObjectWithOriginSize({10, 10}, {40, 20});
    shape->setStrokeWidth(4);
    EXPECT_EQ(shape->encapsulatingFrame(), (Rect{5, 5, 50, 30}));
    shape->setRoundedCornersState(true);
    shape->setRotation(30);
    const Rect unselected = shape->encapsulatingFrame();
    EXPECT_EQ(unselected, insetRect(shape->frame(), -5, -5));
    shape->setSelected(true);
    const Rect selected = shape->encapsulatingFrame();
    const float half = shape->halfKnobWidth();
    EXPECT_EQ(selected, insetRect(unselected, -half, -half));
}

// ---------------------------------------------------------------------------
// Drawing

TEST(ShapeObject, AFilledRoundedRectangleCastsOneShadowFromItsFill) {
    TestHost host;
    TMRectangleObjectRef shape =
        TMRectangleObject::newTemplateObjectWithOriginSize({20, 20}, {60, 60});
    shape->setFillState(true);
    shape->setGradientFillState(true);
    shape->setRoundedCornersState(true);
    shape->setCornerRadius(8);
    shape->setStrokeWidth(4);
    shape->setStrokeColor(kRed);
    shape->setShadow(ShadowValue{{10, -10}, 0, QColor(0, 0, 0, 128)});
    shape->setShadowEnabled(true);
    DrawingTestCanvas canvas(100, 100, true);
    shape->drawObject(false);

    // The gradient runs from black at the left to white at the right.
    EXPECT_LT(canvas.at(30, 50).red(), 60);
    EXPECT_GT(canvas.at(70, 50).red(), 190);
    EXPECT_EQ(canvas.at(50, 50).alpha(), 255);
    EXPECT_EQ(canvas.at(50, 50).blue(), canvas.at(50, 50).red());
    // The stroke.
    const QColor stroke = canvas.at(20.5, 50);
    EXPECT_GT(stroke.red(), 200);
    EXPECT_LT(stroke.green(), 60);
    // One shadow of half alpha, moved right and (on this flipped canvas) up.
    const QColor shadow = canvas.at(85, 15);
    EXPECT_NEAR(shadow.alpha(), 128, 12);
    // The fill's shadow ends at x 90.5; a stroke's would reach 92.5.
    EXPECT_TRUE(isClear(canvas.at(91.5, 40)));
    EXPECT_GT(canvas.at(89.5, 40).alpha(), 100);
    // The rounded corner leaves the rectangle's corner empty.
    EXPECT_TRUE(isClear(canvas.at(20.5, 80.5)));
}

TEST(ShapeObject, AnUnfilledShapeCastsItsShadowFromTheStroke) {
    TestHost host;
    TMRectangleObjectRef shape =
        TMRectangleObject::newTemplateObjectWithOriginSize({20, 20}, {60, 60});
    shape->setStrokeWidth(4);
    shape->setShadow(ShadowValue{{10, -10}, 0, QColor(0, 0, 0, 128)});
    shape->setShadowEnabled(true);
    DrawingTestCanvas canvas(100, 100, false);
    shape->drawObject(false);
    EXPECT_GT(canvas.at(91.5, 40).alpha(), 100);
    EXPECT_TRUE(isClear(canvas.at(60, 40)));
}

TEST(ShapeObject, AThumbnailDrawsTheGradientUnflipped) {
    TestHost host;
    for (bool thumbnail : {false, true}) {
        TMRectangleObjectRef shape =
            TMRectangleObject::newTemplateObjectWithOriginSize({0, 0}, {100, 100});
        shape->setStrokeState(false);
        shape->setFillState(true);
        shape->setGradientFillState(true);
        VQGradientFillRef fill = VQGradientFill::stdFill();
        fill->setAngle(90);
        shape->setGradientFill(fill);
        shape->setDrawingThumbnail(thumbnail);
        // Thumbnails are drawn y upward, pages y downward.
        DrawingTestCanvas canvas(100, 100, !thumbnail);
        shape->drawObject(false);
        EXPECT_EQ(shape->gradientFill()->drawsFlipped(), !thumbnail);
        // Either way black is at the top as seen.
        const float top = thumbnail ? 98 : 2;
        const float bottom = thumbnail ? 2 : 98;
        EXPECT_LT(canvas.at(50, top).red(), 20) << thumbnail;
        EXPECT_GT(canvas.at(50, bottom).red(), 235) << thumbnail;
    }
}

TEST(ShapeObject, AnOvalFillsItsEllipse) {
    TestHost host;
    TMOvalObjectRef oval = TMOvalObject::newTemplateObjectWithOriginSize({20, 30}, {60, 40});
    oval->setFillState(true);
    oval->setFillColor(kRed);
    oval->setStrokeState(false);
    oval->setRoundedCornersState(true);
    DrawingTestCanvas canvas(100, 100, false);
    oval->drawObject(false);
    EXPECT_GT(canvas.at(50, 50).red(), 240);
    EXPECT_GT(canvas.at(22, 50).red(), 200);
    EXPECT_GT(canvas.at(50, 68).red(), 200);
    EXPECT_TRUE(isClear(canvas.at(23, 33)));
    EXPECT_TRUE(isClear(canvas.at(77, 67)));
}
