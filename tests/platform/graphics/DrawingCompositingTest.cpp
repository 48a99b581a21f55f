#include "DrawingTestCanvas.h"

#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Compositing.h"

#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>

namespace {

// Premultiplied colour in [0, 1].
struct Premul {
    double r, g, b, a;
};

Premul premul(const QColor& c) {
    return {c.redF() * c.alphaF(), c.greenF() * c.alphaF(), c.blueF() * c.alphaF(), c.alphaF()};
}

// Porter-Duff with factors for source and destination: result = S·fs + D·fd.
Premul mix(const Premul& s, double fs, const Premul& d, double fd) {
    return {s.r * fs + d.r * fd, s.g * fs + d.g * fd, s.b * fs + d.b * fd, s.a * fs + d.a * fd};
}

Premul expected(CompositingOperation op, const Premul& s, const Premul& d) {
    switch (op) {
    case CompositingOperation::Clear:
        return {0, 0, 0, 0};
    case CompositingOperation::Copy:
        return s;
    case CompositingOperation::SourceOver:
    case CompositingOperation::Highlight:
        return mix(s, 1, d, 1 - s.a);
    case CompositingOperation::SourceIn:
        return mix(s, d.a, d, 0);
    case CompositingOperation::SourceOut:
        return mix(s, 1 - d.a, d, 0);
    case CompositingOperation::SourceAtop:
        return mix(s, d.a, d, 1 - s.a);
    case CompositingOperation::DestinationOver:
        return mix(s, 1 - d.a, d, 1);
    case CompositingOperation::DestinationIn:
        return mix(s, 0, d, s.a);
    case CompositingOperation::DestinationOut:
        return mix(s, 0, d, 1 - s.a);
    case CompositingOperation::DestinationAtop:
        return mix(s, 1 - d.a, d, s.a);
    case CompositingOperation::XOR:
        return mix(s, 1 - d.a, d, 1 - s.a);
    case CompositingOperation::PlusLighter:
        return {std::min(1.0, s.r + d.r), std::min(1.0, s.g + d.g), std::min(1.0, s.b + d.b),
                std::min(1.0, s.a + d.a)};
    case CompositingOperation::PlusDarker: {
        const double a = std::min(1.0, s.a + d.a);
        auto c = [&](double sc, double dc) { return std::max(0.0, a - ((d.a - dc) + (s.a - sc))); };
        return {c(s.r, d.r), c(s.g, d.g), c(s.b, d.b), a};
    }
    }
    return {};
}

void expectPixel(const QColor& actual, const Premul& want, const char* what) {
    const Premul got = premul(actual);
    const double tolerance = 3.0 / 255;
    EXPECT_NEAR(got.r, want.r, tolerance) << what;
    EXPECT_NEAR(got.g, want.g, tolerance) << what;
    EXPECT_NEAR(got.b, want.b, tolerance) << what;
    EXPECT_NEAR(got.a, want.a, tolerance) << what;
}

struct Case {
    CompositingOperation op;
    const char* name;
};

constexpr std::array kCases{
    Case{CompositingOperation::Clear, "Clear"},
    Case{CompositingOperation::Copy, "Copy"},
    Case{CompositingOperation::SourceOver, "SourceOver"},
    Case{CompositingOperation::SourceIn, "SourceIn"},
    Case{CompositingOperation::SourceOut, "SourceOut"},
    Case{CompositingOperation::SourceAtop, "SourceAtop"},
    Case{CompositingOperation::DestinationOver, "DestinationOver"},
    Case{CompositingOperation::DestinationIn, "DestinationIn"},
    Case{CompositingOperation::DestinationOut, "DestinationOut"},
    Case{CompositingOperation::DestinationAtop, "DestinationAtop"},
    Case{CompositingOperation::XOR, "XOR"},
    Case{CompositingOperation::PlusDarker, "PlusDarker"},
    Case{CompositingOperation::Highlight, "Highlight"},
    Case{CompositingOperation::PlusLighter, "PlusLighter"},
};

} // namespace

TEST(DrawingCompositing, EveryOperationOnKnownColours) {
    const QColor destinations[] = {QColor::fromRgbF(0.2f, 0.6f, 0.4f, 0.6f),
                                   QColor::fromRgbF(0.7f, 0.5f, 0.2f, 1.0f)};
    const QColor sources[] = {QColor::fromRgbF(0.9f, 0.1f, 0.3f, 0.5f),
                              QColor::fromRgbF(0.6f, 0.6f, 0.6f, 1.0f)};
    for (const QColor& dst : destinations) {
        for (const QColor& src : sources) {
            for (const Case& c : kCases) {
                DrawingTestCanvas canvas(20, 20);
                GraphicsContext& ctx = canvas.context();
                ctx.setFillColor(dst);
                ctx.rectFill({0, 0, 20, 20});
                ctx.setFillColor(src);
                ctx.rectFillUsingOperation({5, 5, 10, 10}, c.op);
                SCOPED_TRACE(testing::Message()
                             << c.name << " src " << src.name(QColor::HexArgb).toStdString()
                             << " dst " << dst.name(QColor::HexArgb).toStdString());
                expectPixel(canvas.at(10, 10), expected(c.op, premul(src), premul(dst)), "inside");
                expectPixel(canvas.at(2, 2), premul(dst), "outside stays"); // bounded by the source
            }
        }
    }
}

TEST(DrawingCompositing, OpaquePlusDarkerAddsAndTakesOne) {
    DrawingTestCanvas canvas(10, 10);
    GraphicsContext& ctx = canvas.context();
    ctx.setFillColor(QColor::fromRgbF(0.7f, 0.5f, 0.2f));
    ctx.rectFill({0, 0, 10, 10});
    ctx.setFillColor(QColor::fromRgbF(0.6f, 0.6f, 0.6f));
    ctx.rectFillUsingOperation({0, 0, 10, 10}, CompositingOperation::PlusDarker);
    const QColor c = canvas.at(5, 5);
    EXPECT_NEAR(c.redF(), 0.3, 0.01);
    EXPECT_NEAR(c.greenF(), 0.1, 0.01);
    EXPECT_NEAR(c.blueF(), 0.0, 0.01);
}

TEST(DrawingCompositing, PlusDarkerKeepsToTheClip) {
    DrawingTestCanvas canvas(20, 10);
    GraphicsContext& ctx = canvas.context();
    ctx.setFillColor(Qt::white);
    ctx.rectFill({0, 0, 20, 10});
    ctx.rectClip({0, 0, 10, 10});
    ctx.setFillColor(QColor::fromRgbF(0.5f, 0.5f, 0.5f));
    ctx.rectFillUsingOperation({0, 0, 20, 10}, CompositingOperation::PlusDarker);
    EXPECT_NEAR(canvas.at(5, 5).redF(), 0.5, 0.01);
    EXPECT_EQ(canvas.at(15, 5), QColor(Qt::white));
}

TEST(DrawingCompositing, PathsUseTheContextOperation) {
    DrawingTestCanvas canvas(20, 20);
    GraphicsContext& ctx = canvas.context();
    ctx.setFillColor(Qt::red);
    ctx.rectFill({0, 0, 20, 20});
    ctx.setCompositingOperation(CompositingOperation::Clear);
    ctx.fillPath(BezierPath::bezierPathWithRect({0, 0, 10, 20}));
    EXPECT_EQ(canvas.at(5, 5).alpha(), 0);
    EXPECT_EQ(canvas.at(15, 5), QColor(Qt::red));
}

namespace {

QImage solid(const QColor& color, int w = 10, int h = 10) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

} // namespace

TEST(DrawingCompositing, ImageFractionScalesTheSourceBeforeTheOperation) {
    struct FractionCase {
        CompositingOperation op;
        Premul want; // over opaque green, source opaque red at half
    };
    const FractionCase cases[] = {
        {CompositingOperation::Copy, {0.5, 0, 0, 0.5}}, // replaced, not blended
        {CompositingOperation::SourceOver, {0.5, 0.5, 0, 1}},
        {CompositingOperation::DestinationIn, {0, 0.5, 0, 0.5}}, // masked by half
        {CompositingOperation::DestinationOut, {0, 0.5, 0, 0.5}},
        {CompositingOperation::SourceAtop, {0.5, 0.5, 0, 1}},
    };
    for (const FractionCase& c : cases) {
        DrawingTestCanvas canvas(20, 20);
        GraphicsContext& ctx = canvas.context();
        ctx.setFillColor(Qt::green);
        ctx.rectFill({0, 0, 20, 20});
        ctx.drawImage(Image(solid(Qt::red)), {0, 0, 10, 10}, kZeroRect, c.op, 0.5f);
        SCOPED_TRACE(int(c.op));
        expectPixel(canvas.at(5, 5), c.want, "inside");
        EXPECT_EQ(canvas.at(15, 15), QColor(Qt::green));
    }
}

TEST(DrawingCompositing, DestinationInMasksWithTheMaskAlpha) {
    // A photograph, then a mask image with an opaque oval, a half-transparent
    // band and a clear rest, composited destination-in over part of it.
    DrawingTestCanvas canvas(100, 100);
    GraphicsContext& ctx = canvas.context();
    ctx.setFillColor(Qt::red);
    ctx.rectFill({0, 0, 100, 100});

    Image mask;
    mask.setSize({60, 60});
    {
        ImageFocus focus(mask);
        GraphicsContext& m = *focus.context();
        m.setFillColor(Qt::black);
        m.fillPath(BezierPath::bezierPathWithOvalInRect({10, 10, 40, 40}));
        m.setFillColor(QColor(0, 0, 0, 128));
        m.rectFill({0, 55, 60, 5});
    }
    ctx.drawImage(mask, {20, 20, 60, 60}, kZeroRect, CompositingOperation::DestinationIn, 1);
    EXPECT_EQ(canvas.at(50, 50), QColor(Qt::red));      // inside the oval: kept
    EXPECT_EQ(canvas.at(24, 24).alpha(), 0);            // in the mask, outside the oval: gone
    EXPECT_NEAR(canvas.at(50, 77).alphaF(), 0.5, 0.02); // the half band
    EXPECT_EQ(canvas.at(10, 10), QColor(Qt::red));      // outside the mask's rectangle: untouched
    EXPECT_EQ(canvas.at(90, 90), QColor(Qt::red));
}

TEST(DrawingCompositing, OperationsFromStoredNumbers) {
    EXPECT_EQ(Compositing::operationFromInt(2), CompositingOperation::SourceOver);
    EXPECT_EQ(Compositing::operationFromInt(7), CompositingOperation::DestinationIn);
    EXPECT_EQ(Compositing::operationFromInt(13), CompositingOperation::PlusLighter);
    EXPECT_EQ(Compositing::operationFromInt(14), CompositingOperation::SourceOver);
    EXPECT_EQ(Compositing::operationFromInt(-1), CompositingOperation::SourceOver);
    QPainter::CompositionMode mode;
    EXPECT_FALSE(Compositing::qtMode(CompositingOperation::PlusDarker, &mode));
    ASSERT_TRUE(Compositing::qtMode(CompositingOperation::Copy, &mode));
    EXPECT_EQ(mode, QPainter::CompositionMode_Source);
}

TEST(DrawingCompositing, VectorDevicesDrawUnsupportedOperationsAsSourceOver) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPdfWriter pdf(dir.filePath(QStringLiteral("ops.pdf")));
    QPainter painter(&pdf);
    GraphicsContext ctx(painter, {595, 842}, DestinationKind::Printer);
    for (const Case& c : kCases) {
        ctx.setFillColor(Qt::red);
        ctx.rectFillUsingOperation({10, 10, 50, 50}, c.op); // must neither warn-loop nor crash
    }
    EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_SourceOver);
}
