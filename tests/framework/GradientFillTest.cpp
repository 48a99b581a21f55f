#include "framework/model/VQGradientFill.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Exception.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/DrawingTestCanvas.h"
#include "support/TestHost.h"

#include <QVariantList>
#include <QVariantMap>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const Color kRed = Color::calibratedRGB(1, 0, 0);
const Color kGreen = Color::calibratedRGB(0, 1, 0);
const Color kBlue = Color::calibratedRGB(0, 0, 1);
const Color kYellow = Color::calibratedRGB(1, 1, 0);
const Color kCyan = Color::calibratedRGB(0, 1, 1);

// Five steps told apart by colour and weight.
VQGradientFill fiveSteps() {
    VQGradientFill fill;
    fill.setColorAtStep(kRed, 0);
    fill.setColorAtStep(kCyan, 1);
    fill.insertColorWithWeightAtStep(kGreen, 0.25f, 1);
    fill.insertColorWithWeightAtStep(kBlue, 0.5f, 2);
    fill.insertColorWithWeightAtStep(kYellow, 0.75f, 3);
    return fill;
}

std::vector<Color> colorsOf(const VQGradientFill& fill) {
    std::vector<Color> colors;
    for (int i = 0; i < fill.steps(); ++i)
        colors.push_back(fill.colorAtStep(i));
    return colors;
}

std::vector<float> weightsOf(const VQGradientFill& fill) {
    std::vector<float> weights;
    for (int i = 0; i < fill.steps(); ++i)
        weights.push_back(fill.weightAtStep(i));
    return weights;
}

std::optional<QString> rangeError(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), str(kRangeException));
        return e.reason();
    }
    return std::nullopt;
}

// Writes a chosen dictionary in the place of a fill's own: an archive of
// another class whose name has as many bytes, renamed afterwards.
class ForgedFill : public Archivable {
public:
    void encodeWithCoder(Archiver& coder) const override { coder.encodeObject(dictionary); }
    bool initWithCoder(Unarchiver&) override { return false; }
    QVariantMap dictionary;
};

std::shared_ptr<VQGradientFill> readForged(const QVariantMap& dictionary) {
    static const bool registered = [] {
        ClassRegistry::shared().registerClass<ForgedFill>(QStringLiteral("VQGradientFilX"));
        return true;
    }();
    (void)registered;
    auto forged = std::make_shared<ForgedFill>();
    forged->dictionary = dictionary;
    QByteArray data = Archiver::archivedData(std::static_pointer_cast<Archivable>(forged));
    data.replace("VQGradientFilX", "VQGradientFill");
    return Unarchiver::unarchiveObjectOfClass<VQGradientFill>(data);
}

QByteArray archivedList(const QVariantList& list) {
    return Archiver::archivedData(QVariant(list));
}

QVariantList colorList(std::initializer_list<Color> colors) {
    QVariantList list;
    for (const Color& c : colors)
        list.append(QVariant::fromValue(c));
    return list;
}

QVariantList weightList(std::initializer_list<float> weights) {
    QVariantList list;
    for (float w : weights)
        list.append(QVariant(w));
    return list;
}

} // namespace

TEST(GradientFill, ANewFillRunsFromBlackToWhite) {
    VQGradientFill fill;
    EXPECT_EQ(fill.kind(), VQGradientFill::Axial);
    EXPECT_EQ(fill.angle(), 0.0f);
    EXPECT_TRUE(fill.drawsFlipped());
    EXPECT_EQ(VQGradientFill::maxSteps(), 5);
    EXPECT_EQ(colorsOf(fill),
              (std::vector<Color>{Color::calibratedRGB(0, 0, 0), Color::calibratedRGB(1, 1, 1)}));
    EXPECT_EQ(weightsOf(fill), (std::vector<float>{0, 1}));
    // Every standard fill is a fill of its own.
    EXPECT_NE(VQGradientFill::stdFill(), VQGradientFill::stdFill());
}

TEST(GradientFill, AnglesAreKeptWithinOneTurn) {
    const std::pair<float, float> cases[] = {
        {-30, 330},       {720, 0},    {360, 0},
        {45, 45},         {-360, 0},   {725, 5},
        {359.5f, 359.5f}, {-1e-7f, 0}, {1e30f, std::fmod(1e30f, 360.0f)}};
    for (const auto& [given, kept] : cases) {
        VQGradientFill fill;
        fill.setAngle(given);
        EXPECT_FLOAT_EQ(fill.angle(), kept) << given;
        EXPECT_GE(fill.angle(), 0.0f);
        EXPECT_LT(fill.angle(), 360.0f);
    }
}

TEST(GradientFill, ColoursBetweenStepsAreInterpolated) {
    VQGradientFill fill;
    EXPECT_EQ(fill.colorWithWeight(0.5f), Color::calibratedRGB(0.5f, 0.5f, 0.5f, 1));

    fill.setWeightAtStep(0.2f, 0);
    fill.setColorAtStep(kRed, 0);
    // Below the first weight no segment holds the place: the last colour.
    EXPECT_EQ(fill.colorWithWeight(0.1f), fill.colorAtStep(1));
    EXPECT_EQ(fill.colorWithWeight(1.5f), fill.colorAtStep(1));

    VQGradientFill three;
    three.insertColorWithWeightAtStep(kRed, 0.5f, 1);
    // A shared weight belongs to the lower segment, whose end it is.
    EXPECT_EQ(three.colorWithWeight(0.5f), kRed);
    const Color quarter = three.colorWithWeight(0.25f);
    EXPECT_FLOAT_EQ(quarter.redComponent(), 0.5f);
    EXPECT_FLOAT_EQ(quarter.greenComponent(), 0.0f);
}

TEST(GradientFill, StepsOfEqualWeightAnswerTheLowerColour) {
    VQGradientFill fill;
    fill.setColorAtStep(kRed, 0);
    fill.setColorAtStep(kBlue, 1);
    fill.setWeightAtStep(0.5f, 0);
    fill.setWeightAtStep(0.5f, 1);
    EXPECT_EQ(fill.colorWithWeight(0.5f), kRed);
    float out[4];
    const float in = 0.5f;
    VQCalcGradientColor(&fill, &in, out);
    for (float v : out)
        EXPECT_FALSE(std::isnan(v));
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[2], 0.0f);
}

TEST(GradientFill, TheColourFunctionWritesRedGreenBlueAlpha) {
    VQGradientFill fill;
    fill.setColorAtStep(Color::calibratedRGB(0.2f, 0.4f, 0.6f, 0.8f), 1);
    fill.setColorAtStep(Color::calibratedRGB(0.2f, 0.4f, 0.6f, 0.8f), 0);
    float out[4];
    const float in = 0.3f;
    VQCalcGradientColor(&fill, &in, out);
    EXPECT_FLOAT_EQ(out[0], 0.2f);
    EXPECT_FLOAT_EQ(out[1], 0.4f);
    EXPECT_FLOAT_EQ(out[2], 0.6f);
    EXPECT_FLOAT_EQ(out[3], 0.8f);
}

TEST(GradientFill, GrowingRepeatsTheLastStepAndShrinkingKeepsIt) {
    VQGradientFill fill;
    fill.setSteps(5);
    const Color black = Color::calibratedRGB(0, 0, 0);
    const Color white = Color::calibratedRGB(1, 1, 1);
    EXPECT_EQ(colorsOf(fill), (std::vector<Color>{black, white, white, white, white}));
    EXPECT_EQ(weightsOf(fill), (std::vector<float>{0, 1, 1, 1, 1}));
    fill.setSteps(3);
    EXPECT_EQ(colorsOf(fill), (std::vector<Color>{black, white, white}));
    fill.setSteps(3);
    EXPECT_EQ(fill.steps(), 3);
}

TEST(GradientFill, ShrinkingRemovesTheStepsBeforeTheLast) {
    struct Case {
        int from, to;
        std::vector<Color> kept;
    };
    const Case cases[] = {{5, 3, {kRed, kGreen, kCyan}},
                          {4, 2, {kRed, kCyan}},
                          {5, 2, {kRed, kCyan}},
                          {5, 4, {kRed, kGreen, kBlue, kCyan}}};
    for (const Case& c : cases) {
        VQGradientFill fill = fiveSteps();
        if (c.from == 4)
            fill.removeStep(3);
        ASSERT_EQ(fill.steps(), c.from);
        fill.setSteps(c.to);
        EXPECT_EQ(colorsOf(fill), c.kept) << c.from << " to " << c.to;
        EXPECT_EQ(fill.weightAtStep(fill.steps() - 1), 1.0f);
    }
}

TEST(GradientFill, UnsupportedCountsRaiseAndChangeNothing) {
    VQGradientFill fill;
    EXPECT_EQ(rangeError([&] { fill.setSteps(6); }), "Number of steps (6) is unsupported");
    EXPECT_EQ(rangeError([&] { fill.setSteps(1); }), "Number of steps (1) is unsupported");
    EXPECT_EQ(rangeError([&] { fill.removeStep(0); }), "Number of steps (1) is unsupported");
    EXPECT_EQ(fill.steps(), 2);

    VQGradientFill five = fiveSteps();
    EXPECT_EQ(rangeError([&] { five.insertColorWithWeightAtStep(kRed, 0.5f, 2); }),
              "Number of steps (6) is unsupported");
    EXPECT_EQ(five.steps(), 5);
}

TEST(GradientFill, StepAccessorsRefuseIndicesBeyondTheSteps) {
    VQGradientFill fill;
    for (int bad : {-1, 2}) {
        EXPECT_TRUE(rangeError([&] { fill.colorAtStep(bad); }));
        EXPECT_TRUE(rangeError([&] { fill.setColorAtStep(kRed, bad); }));
        EXPECT_TRUE(rangeError([&] { fill.weightAtStep(bad); }));
        EXPECT_TRUE(rangeError([&] { fill.setWeightAtStep(0.5f, bad); }));
    }
    EXPECT_TRUE(fill == VQGradientFill());
}

TEST(GradientFill, InsertAndRemoveClampTheirIndex) {
    VQGradientFill fill;
    fill.insertColorWithWeightAtStep(kRed, 2, 99);
    fill.insertColorWithWeightAtStep(kBlue, -1, -7);
    EXPECT_EQ(fill.colorAtStep(0), kBlue);
    EXPECT_EQ(fill.colorAtStep(3), kRed);
    EXPECT_EQ(weightsOf(fill), (std::vector<float>{-1, 0, 1, 2}));
    fill.removeStep(40);
    fill.removeStep(-3);
    EXPECT_EQ(weightsOf(fill), (std::vector<float>{0, 1}));
}

TEST(GradientFill, ACopyHasItsOwnSteps) {
    VQGradientFill fill;
    fill.setKind(VQGradientFill::Radial);
    fill.setDrawsFlipped(false);
    VQGradientFillRef copy = fill.copy();
    EXPECT_TRUE(*copy == fill);
    EXPECT_FALSE(copy->drawsFlipped());
    copy->setColorAtStep(kRed, 0);
    EXPECT_FALSE(*copy == fill);
    EXPECT_EQ(fill.colorAtStep(0), Color::calibratedRGB(0, 0, 0));
}

TEST(GradientFill, AnArchiveKeepsEveryValueButTheDrawingFlag) {
    auto fill = std::make_shared<VQGradientFill>(fiveSteps());
    fill->setKind(VQGradientFill::Radial);
    fill->setAngle(123.5f);
    fill->setSteps(3);
    fill->setDrawsFlipped(false);
    const QByteArray data = Archiver::archivedData(std::static_pointer_cast<Archivable>(fill));
    auto back = Unarchiver::unarchiveObjectOfClass<VQGradientFill>(data);
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == *fill);
    EXPECT_EQ(back->angle(), 123.5f);
    EXPECT_TRUE(back->drawsFlipped());
}

TEST(GradientFill, ArchivedStepsThatDoNotMatchReadAsTheDefaultSteps) {
    const QVariantMap base{{str(kVQGKindKey), 1}, {str(kVQGAngleKey), 45.0f}};
    const QByteArray threeColors = archivedList(colorList({kRed, kGreen, kBlue}));
    const QByteArray sixColors =
        archivedList(colorList({kRed, kGreen, kBlue, kRed, kGreen, kBlue}));
    const QByteArray twoWeights = archivedList(weightList({0, 1}));
    const QByteArray sixWeights = archivedList(weightList({0, 0.2f, 0.4f, 0.6f, 0.8f, 1}));
    struct Case {
        const char* what;
        QVariant colors;
        QVariant weights;
    };
    const Case cases[] = {
        {"no colours", QVariant(), twoWeights},
        {"no weights", threeColors, QVariant()},
        {"unequal lengths", threeColors, twoWeights},
        {"six steps", sixColors, sixWeights},
        {"one step", archivedList(colorList({kRed})), archivedList(weightList({0}))},
        {"weights that are not numbers", archivedList(colorList({kRed, kBlue})),
         archivedList({str("a"), str("b")})},
        {"damaged colours", QByteArray("garbage"), twoWeights},
    };
    for (const Case& c : cases) {
        QVariantMap dictionary = base;
        if (c.colors.isValid())
            dictionary.insert(str(kVQGColorsKey), c.colors);
        if (c.weights.isValid())
            dictionary.insert(str(kVQGWeightsKey), c.weights);
        auto fill = readForged(dictionary);
        ASSERT_TRUE(fill) << c.what;
        EXPECT_EQ(fill->kind(), 1) << c.what;
        EXPECT_EQ(fill->angle(), 45.0f) << c.what;
        EXPECT_TRUE(*fill == [] {
            VQGradientFill expected;
            expected.setKind(1);
            expected.setAngle(45);
            return expected;
        }()) << c.what;
        // Drawing reads every step without harm.
        EXPECT_EQ(fill->colorWithWeight(0.5f), Color::calibratedRGB(0.5f, 0.5f, 0.5f));
    }

    QVariantMap good = base;
    good.insert(str(kVQGColorsKey), threeColors);
    good.insert(str(kVQGWeightsKey), archivedList(weightList({0, 0.5f, 1})));
    auto fill = readForged(good);
    ASSERT_TRUE(fill);
    EXPECT_EQ(colorsOf(*fill), (std::vector<Color>{kRed, kGreen, kBlue}));

    auto empty = readForged({});
    ASSERT_TRUE(empty);
    EXPECT_TRUE(*empty == VQGradientFill());
}

TEST(GradientFill, AxialEndsFollowTheAngleAndTheFlip) {
    const Rect r(10, 20, 100, 50);
    struct Case {
        float angle;
        bool flipped;
        Point start, end;
    };
    const Case cases[] = {
        {0, true, {10, 45}, {110, 45}},   {0, false, {10, 45}, {110, 45}},
        {90, true, {60, 20}, {60, 70}},   {90, false, {60, 70}, {60, 20}},
        {180, true, {110, 45}, {10, 45}}, {270, true, {60, 70}, {60, 20}},
        {270, false, {60, 20}, {60, 70}},
    };
    for (const Case& c : cases) {
        VQGradientFill fill;
        fill.setAngle(c.angle);
        fill.setDrawsFlipped(c.flipped);
        Point start, end;
        fill.calculateAxialStartPtEndPtForRect(&start, &end, r);
        EXPECT_EQ(start, c.start) << c.angle << " " << c.flipped;
        EXPECT_EQ(end, c.end) << c.angle << " " << c.flipped;
    }

    // Across a square at 45 degrees: corner to opposite corner.
    const Rect square(0, 0, 100, 100);
    const std::pair<bool, std::pair<Point, Point>> diagonals[] = {{true, {{0, 0}, {100, 100}}},
                                                                  {false, {{0, 100}, {100, 0}}}};
    for (const auto& [flipped, ends] : diagonals) {
        VQGradientFill fill;
        fill.setAngle(45);
        fill.setDrawsFlipped(flipped);
        Point start, end;
        fill.calculateAxialStartPtEndPtForRect(&start, &end, square);
        EXPECT_EQ(start, ends.first);
        EXPECT_NEAR(end.x, ends.second.x, 1e-3);
        EXPECT_NEAR(end.y, ends.second.y, 1e-3);
    }

    // The other quadrants start at the corner the direction leaves from.
    const std::pair<float, Point> corners[] = {{135, {100, 0}}, {225, {100, 100}}, {315, {0, 100}}};
    for (const auto& [angle, corner] : corners) {
        VQGradientFill fill;
        fill.setAngle(angle);
        Point start, end;
        fill.calculateAxialStartPtEndPtForRect(&start, &end, square);
        EXPECT_EQ(start, corner) << angle;
        EXPECT_NEAR(end.x, 100 - corner.x, 1e-3) << angle;
        EXPECT_NEAR(end.y, 100 - corner.y, 1e-3) << angle;
    }
}

TEST(GradientFill, AnAxialFillAt45DegreesRunsFromTopLeftToBottomRight) {
    TestHost host;
    for (bool flipped : {true, false}) {
        DrawingTestCanvas canvas(100, 100, flipped);
        VQGradientFill fill;
        fill.setAngle(45);
        fill.setDrawsFlipped(flipped);
        fill.fillRect({0, 0, 100, 100});
        // Points as seen: the top left is y 0 when flipped and y 100 when not.
        const float top = flipped ? 1 : 99;
        const float bottom = flipped ? 99 : 1;
        const QColor topLeft = canvas.at(1, top);
        const QColor bottomRight = canvas.at(99, bottom);
        const QColor middle = canvas.at(50, 50);
        const QColor bottomLeft = canvas.at(1, bottom);
        EXPECT_LT(topLeft.red(), 10) << flipped;
        EXPECT_GT(bottomRight.red(), 245) << flipped;
        EXPECT_NEAR(middle.red(), 128, 6) << flipped;
        // Across the direction the colour stays.
        EXPECT_NEAR(bottomLeft.red(), 128, 6) << flipped;
        EXPECT_EQ(topLeft.alpha(), 255);
    }
}

TEST(GradientFill, ARadialFillRunsFromTheCentreToTheCorners) {
    TestHost host;
    DrawingTestCanvas canvas(100, 100, true);
    VQGradientFill fill;
    fill.setKind(VQGradientFill::Radial);
    fill.fillRect({0, 0, 100, 100});
    EXPECT_LT(canvas.at(50, 50).red(), 8);
    for (const auto& [x, y] : {std::pair{0.5f, 0.5f}, {99.5f, 0.5f}, {0.5f, 99.5f}, {99.5f, 99.5f}})
        EXPECT_GT(canvas.at(x, y).red(), 245) << x << "," << y;
    // Half way to a side's middle: a quarter of the way to the corner's radius
    // of 70.7 is 25 / 70.7 of the way.
    EXPECT_NEAR(canvas.at(75, 50).red(), 255 * 25 / 70.71, 8);
}

TEST(GradientFill, FillingKeepsToTheClip) {
    TestHost host;
    DrawingTestCanvas canvas(100, 100, true);
    canvas.context().saveGraphicsState();
    canvas.context().rectClip({20, 20, 60, 60});
    VQGradientFill fill;
    fill.fillRect({20, 20, 60, 60});
    canvas.context().restoreGraphicsState();
    EXPECT_EQ(canvas.at(10, 50).alpha(), 0);
    EXPECT_EQ(canvas.at(50, 50).alpha(), 255);
}

TEST(GradientFill, ARotatedFillTurnsAboutTheRectanglesCentre) {
    TestHost host;
    DrawingTestCanvas canvas(100, 100, true);
    VQGradientFill fill;
    // Left to right, turned a quarter: top to bottom on a flipped canvas.
    fill.fillRectRotated({0, 0, 100, 100}, 90);
    EXPECT_LT(canvas.at(50, 1).red(), 10);
    EXPECT_GT(canvas.at(50, 99).red(), 245);
    EXPECT_NEAR(canvas.at(1, 50).red(), 128, 6);
    EXPECT_NEAR(canvas.at(99, 50).red(), 128, 6);
}
