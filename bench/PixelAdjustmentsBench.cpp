// Pixel adjustments and red-eye correction on a 12-megapixel picture, each
// set against its floor: copying the same bytes into a reused buffer. Run on
// four cores, so the one-thread and all-thread figures come from one run:
//   taskset -c 0-3 bench/PixelAdjustmentsBench
// Exits with 1 when a figure misses its floor.
#include "catalog/PixelAdjustments.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr double kMegapixels = double(kWidth) * kHeight / 1e6;

// Smooth gradients with fine noise, like a photo's detail.
const QImage& photo() {
    static const QImage image = [] {
        QImage made(kWidth, kHeight, QImage::Format_ARGB32);
        uint32_t noise = 2463534242u;
        for (int y = 0; y < kHeight; ++y) {
            auto* row = reinterpret_cast<QRgb*>(made.scanLine(y));
            for (int x = 0; x < kWidth; ++x) {
                noise ^= noise << 13;
                noise ^= noise >> 17;
                noise ^= noise << 5;
                const int grain = int(noise & 31) - 16;
                row[x] = qRgb(std::clamp(x * 255 / kWidth + grain, 0, 255),
                              std::clamp(y * 255 / kHeight + grain, 0, 255),
                              std::clamp((x + y) * 255 / (kWidth + kHeight) + grain, 0, 255));
            }
        }
        return made;
    }();
    return image;
}

// Megapixels per second of each run, by name.
std::map<std::string, double>& figures() {
    static std::map<std::string, double> table;
    return table;
}

template <class Step> void measure(benchmark::State& state, const std::string& name, Step step) {
    QElapsedTimer timer;
    timer.start();
    int64_t count = 0;
    for (auto _ : state) {
        step();
        ++count;
    }
    const double rate = kMegapixels * double(count) / (double(timer.nsecsElapsed()) / 1e9);
    figures()[name] = rate;
    state.counters["MP/s"] = rate;
}

void BM_MemcpyIntoReusedBuffer(benchmark::State& state) {
    const QImage& source = photo();
    QImage target(source.size(), source.format());
    measure(state, "memcpy", [&] {
        std::memcpy(target.bits(), source.constBits(), size_t(source.sizeInBytes()));
        benchmark::DoNotOptimize(target.constBits());
        benchmark::ClobberMemory();
    });
}

const char* const kKinds[] = {"plain copy", "sharpening", "colour matrix", "all four"};

// range(0): 0 plain copy, 1 sharpening only, 2 colour matrix only, 3 all four.
// range(1): threads, 0 for all cores.
void BM_AdjustIntoReusedBuffer(benchmark::State& state) {
    const bool sharpen = state.range(0) & 1;
    const bool matrix = state.range(0) & 2;
    const int threads = int(state.range(1));
    QImage result;
    const std::string name =
        std::string(kKinds[state.range(0)]) + (threads == 1 ? ", one thread" : ", all threads");
    measure(state, name, [&] {
        ApplyPixelAdjustmentsInto(photo(), result, sharpen ? 3 : 0, matrix ? 1.2f : 1.0f,
                                  matrix ? 1.3f : 1.0f, matrix ? 1.1f : 1.0f, threads);
        benchmark::DoNotOptimize(result.constBits());
    });
}

// What the importer does: a new picture per call.
void BM_AdjustIntoNewPicture(benchmark::State& state) {
    measure(state, "all four, new picture", [&] {
        const QImage result = ApplyPixelAdjustments(photo(), 3, 1.2f, 1.3f, 1.1f);
        benchmark::DoNotOptimize(result.constBits());
    });
}

QByteArray spot(float x, float y, float width, float height) {
    const float values[4] = {x, y, width, height};
    return QByteArray(reinterpret_cast<const char*>(values), sizeof values);
}

// Two red eyes marked on an 800 x 600 view of the photo, each 300 pixels
// wide in the full picture. Each run first puts the eyes' pixels back, which
// is included in the time (a copy of 2 x 300 rows of 300 pixels).
void BM_RedEyeCorrection(benchmark::State& state) {
    QImage eyes = ApplyPixelAdjustments(photo(), 0, 1.0f, 1.0f, 1.0f);
    const QRect areas[] = {{1500, 1200, 300, 300}, {2100, 1200, 300, 300}};
    {
        QPainter painter(&eyes);
        for (const QRect& area : areas)
            painter.fillRect(area, QColor(200, 40, 30));
    }
    const QList<QByteArray> spots = {spot(0, 0, 800, 600), spot(300, 300, 60, 60),
                                     spot(420, 300, 60, 60)};
    QImage bitmap = eyes.copy();
    for (auto _ : state) {
        for (const QRect& area : areas)
            for (int y = area.top(); y <= area.bottom(); ++y)
                std::memcpy(bitmap.scanLine(y) + area.left() * 4,
                            eyes.constScanLine(y) + area.left() * 4, size_t(area.width()) * 4);
        ApplyRedEyeCorrection(bitmap, spots);
        benchmark::DoNotOptimize(bitmap.constBits());
    }
    // At the centre the red falls to the least of green and blue.
    if (qRed(bitmap.pixel(1650, 1350)) != 30)
        state.SkipWithError("the eye was not corrected");
}

bool check(const char* what, double figure, double floor, const char* unit) {
    const bool met = figure >= floor;
    std::printf("%-52s %9.1f %-5s floor %9.1f  %s\n", what, figure, unit, floor,
                met ? "met" : "MISSED");
    return met;
}

} // namespace

BENCHMARK(BM_MemcpyIntoReusedBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AdjustIntoReusedBuffer)
    ->ArgsProduct({{0, 1, 2, 3}, {1}})
    ->Args({0, 0})
    ->Args({3, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_AdjustIntoNewPicture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RedEyeCorrection)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    photo();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::map<std::string, double>& f = figures();
    const auto figure = [&](const char* name) { return f.count(name) ? f[name] : 0.0; };
    const int cores = QThread::idealThreadCount();
    std::printf("\n%d cores available\n", cores);
    bool met = true;
    met &= check("plain copy, one thread (0.8 x memcpy)", figure("plain copy, one thread"),
                 0.8 * figure("memcpy"), "MP/s");
    met &= check("all four, one thread", figure("all four, one thread"), 400, "MP/s");
    if (cores >= 4)
        met &= check("all four, all threads (3 x one thread)", figure("all four, all threads"),
                     3 * figure("all four, one thread"), "MP/s");
    else
        std::printf("all threads: fewer than 4 cores, not checked\n");
    return met ? 0 : 1;
}
