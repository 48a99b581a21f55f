// Thumbnails and screen-size decodes of 12-megapixel JPEG
// photos, and Debian's vipsthumbnail on the same files for comparison. Run on
// one core: taskset -c 0 bench/ImporterBench
#include "catalog/Importer.h"
#include "platform/foundation/HostServices.h"

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

constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kPhotoCount = 8;
constexpr float kThumbnailSide = 256;

// The importer asks the host only for the system version.
class BenchHost : public HostServices {
public:
    int preferencesIntFor(int) override { return 0; }
    void setPreferencesIntFor(int, int) override {}
    bool preferencesBOOLFor(int) override { return false; }
    void setPreferencesBOOLFor(bool, int) override {}
    QString preferencesStringFor(int) override { return {}; }
    void setPreferencesStringFor(const QString&, int) override {}
    Size preferencesNSSizeFor(int) override { return {}; }
    void setPreferencesNSSizeFor(Size, int) override {}
    uint32_t osSystemVersion() override { return 0x1049; }
    QString accessPath(int) override { return {}; }
    QString tempFolder() override { return QDir::tempPath(); }
    QString fileSizeString(int64_t bytes) override { return QString::number(bytes); }
    const BezierPath* handlePath(int) override { return nullptr; }
    void clearHandleGraphics() override {}
    QStringList installedTemplateCategories() override { return {}; }
    void resumeWaitMonitor() override {}
    void suspendWaitMonitor() override {}
    int32_t physicalRAM() override { return 4096; }
    QByteArray synchronousDataFetch(const QUrl&) override { return {}; }
    void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl&, int32_t, std::shared_ptr<URLImageRetrievalDelegate>) override {}
};

// Smooth gradients with fine noise, so the files have a photo's size and detail.
QImage syntheticPhoto(int seed) {
    QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
    uint32_t noise = 2463534242u + uint32_t(seed);
    for (int y = 0; y < kPhotoHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kPhotoWidth; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise & 31) - 16;
            const int r = (x * 255 / kPhotoWidth + seed * 40) % 256;
            const int g = (y * 255 / kPhotoHeight + ((x / 97) % 3) * 30) % 256;
            const int b = ((x + y) * 255 / (kPhotoWidth + kPhotoHeight) + seed * 20) % 256;
            row[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255),
                          std::clamp(b + grain, 0, 255));
        }
    }
    return image;
}

struct Photos {
    QTemporaryDir dir;
    QStringList paths;
    double megabytes = 0;

    Photos() {
        for (int i = 0; i < kPhotoCount; ++i) {
            const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
            if (!syntheticPhoto(i).save(path, "jpeg", 90))
                std::abort();
            paths.append(path);
            megabytes += QFileInfo(path).size() / 1e6;
        }
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
    BenchHost host;
    HostServices::install(&host);
    benchmark::Initialize(&argc, argv);
    std::printf("Making %d synthetic %d x %d JPEG photos...\n", kPhotoCount, kPhotoWidth,
                kPhotoHeight);
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
