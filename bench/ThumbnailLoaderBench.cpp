// Thumbnails of a long queue made by the catalog's background loader against the
// same thumbnails made directly with the importer, in one run. The loader should
// stay within 1.1 x the direct time: nothing it does may grow with the queue.
// Usage: bench/ThumbnailLoaderBench [entries [photos]] (default 2000 over 100).
#include "catalog/Importer.h"
#include "catalog/VQFileCatalog.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/NotificationCenter.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;

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

// Gradients with fine noise, so the files have a photo's size; no embedded thumbnail.
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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchHost host;
    HostServices::install(&host);
    const int entries = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const int photos = argc > 2 ? std::max(1, atoi(argv[2])) : 100;

    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < photos; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
        if (!syntheticPhoto(i).save(path, "jpeg", 90)) {
            std::fprintf(stderr, "Couldn't write %s\n", qPrintable(path));
            return 1;
        }
        paths.append(path);
    }

    // Direct runs before and after the loader's, so drift of the machine's load
    // weighs on both sides alike.
    const auto direct = [&] {
        QElapsedTimer clock;
        clock.start();
        int made = 0;
        for (int i = 0; i < entries; ++i) {
            const auto importer = Importer::initWithFile(paths[i % photos]);
            if (!importer)
                continue;
            const Size size = UTScaleSizeToFit(importer->size(), Size{72, 72});
            made += !importer->getThumbnailWithSize(size).isNull();
        }
        if (made != entries)
            std::fprintf(stderr, "Only %d of %d thumbnails made\n", made, entries);
        return clock.nsecsElapsed() / 1e9;
    };
    const double directBefore = direct();

    auto catalog = std::make_shared<VQFileCatalog>();
    catalog->setUsesDeferedLoader(true);
    for (int i = 0; i < entries; ++i)
        catalog->addFileEntry(paths[i % photos]);
    std::atomic<int> done{0};
    int observer = 0;
    NotificationCenter::defaultCenter().addObserver(
        &observer, QString::fromLatin1(kVQFileCatalogThumbnailLoadCompletNofity), catalog.get(),
        [&done](const Notification&) { ++done; });
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < entries; ++i)
        catalog->getFileAttributeAtIndex(kCatalogAttrThumbnail, i);
    while (done.load() < entries)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const double loaderSeconds = clock.nsecsElapsed() / 1e9;
    NotificationCenter::defaultCenter().removeObserver(&observer);
    catalog->shutdown();

    const double directAfter = direct();
    const double directSeconds = (directBefore + directAfter) / 2;

    std::printf("%d thumbnails over %d photos of %d x %d\n", entries, photos, kPhotoWidth,
                kPhotoHeight);
    std::printf("loader: %.2f s, direct: %.2f s before and %.2f s after, ratio %.3f "
                "(target <= 1.1)\n",
                loaderSeconds, directBefore, directAfter, loaderSeconds / directSeconds);
    return loaderSeconds <= 1.1 * directSeconds ? 0 : 2;
}
