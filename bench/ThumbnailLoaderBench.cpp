// Thumbnails of a long queue made by the catalog's background loader against the
// same thumbnails made directly with the importer, in one run. The loader should
// stay within 1.1 x the direct time: nothing it does may grow with the queue.
// Usage: bench/ThumbnailLoaderBench [entries [photos]] (default 2000 over 100).
#include "catalog/Importer.h"
#include "catalog/VQFileCatalog.h"
#include "platform/foundation/NotificationCenter.h"
#include "support/SyntheticPhotos.h"
#include "support/TestHost.h"
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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestHost host;
    host.systemVersion = 0x1049;
    const int entries = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const int photos = argc > 2 ? std::max(1, atoi(argv[2])) : 100;

    QTemporaryDir dir;
    const QStringList paths =
        writeSyntheticPhotos(QDir(dir.path()), photos, kPhotoWidth, kPhotoHeight);

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
