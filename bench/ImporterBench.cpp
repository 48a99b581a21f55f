// Thumbnails and screen-size decodes of 12-megapixel JPEG
// photos, and Debian's vipsthumbnail on the same files for comparison. Run on
// one core: taskset -c 0 bench/ImporterBench
#include "catalog/Importer.h"
#include "support/SyntheticPhotos.h"
#include "support/TestHost.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int kPhotoCount = 8;
constexpr float kThumbnailSide = 256;

struct Photos {
    QTemporaryDir dir;
    QStringList paths;
    double megabytes = 0;

    Photos() : paths(writeSyntheticPhotos(QDir(dir.path()), kPhotoCount)) {
        for (const QString& path : paths)
            megabytes += QFileInfo(path).size() / 1e6;
    }
};

Photos& photos() {
    static Photos set;
    return set;
}

double gOurThumbnailSeconds = 0;
double gVipsThumbnailSeconds = 0;

void BM_ThumbnailWithSize(benchmark::State& state) {
    const QStringList& paths = photos().paths;
    QElapsedTimer timer;
    timer.start();
    int64_t count = 0;
    for (auto _ : state) {
        auto importer = Importer::initWithFile(paths[count % paths.size()]);
        const Size natural = importer->size();
        const float scale = kThumbnailSide / std::max(natural.width, natural.height);
        const Image thumbnail =
            importer->getThumbnailWithSize(Size{natural.width * scale, natural.height * scale});
        if (thumbnail.pixelSize() != QSize(256, 192))
            state.SkipWithError("wrong thumbnail size");
        ++count;
    }
    gOurThumbnailSeconds = timer.nsecsElapsed() / 1e9 / double(count);
    state.SetItemsProcessed(count);
}

void BM_VipsThumbnail(benchmark::State& state) {
    const QString vips = QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail"));
    if (vips.isEmpty()) {
        state.SkipWithError("vipsthumbnail is not installed");
        return;
    }
    QTemporaryDir out;
    QStringList arguments{QStringLiteral("--size"), QStringLiteral("256"), QStringLiteral("-o"),
                          out.filePath(QStringLiteral("%s.jpg"))};
    arguments += photos().paths;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VIPS_CONCURRENCY"), QStringLiteral("1"));
    QElapsedTimer timer;
    timer.start();
    int64_t count = 0;
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(vips, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0)
            state.SkipWithError("vipsthumbnail failed");
        count += photos().paths.size();
    }
    gVipsThumbnailSeconds = timer.nsecsElapsed() / 1e9 / double(count);
    state.SetItemsProcessed(count);
}

void BM_ImageWithScreenSize(benchmark::State& state) {
    const QStringList& paths = photos().paths;
    int64_t count = 0;
    for (auto _ : state) {
        // A different file each time, so the decoded-picture cache never answers.
        auto importer = Importer::initWithFile(paths[count % paths.size()]);
        importer->size();
        const Image picture = importer->getImageWithSize(Size{1600, 1200});
        if (picture.pixelSize() != QSize(1600, 1200))
            state.SkipWithError("wrong picture size");
        ++count;
    }
    state.SetItemsProcessed(count);
}

} // namespace

BENCHMARK(BM_ThumbnailWithSize)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_VipsThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_ImageWithScreenSize)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestHost host;
    host.systemVersion = 0x1049;
    benchmark::Initialize(&argc, argv);
    std::printf("Making %d synthetic %d x %d JPEG photos...\n", kPhotoCount, 4000, 3000);
    std::printf("%.1f MB in all\n", photos().megabytes);
    benchmark::RunSpecifiedBenchmarks();
    if (gOurThumbnailSeconds > 0 && gVipsThumbnailSeconds > 0)
        std::printf("Thumbnail per photo: importer %.1f ms, vipsthumbnail %.1f ms, ratio %.2f "
                    "(below 1: faster than vipsthumbnail)\n",
                    gOurThumbnailSeconds * 1e3, gVipsThumbnailSeconds * 1e3,
                    gOurThumbnailSeconds / gVipsThumbnailSeconds);
    benchmark::Shutdown();
    HostServices::install(nullptr);
    return 0;
}
