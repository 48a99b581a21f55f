// Scrolls the thumbnail grid of a catalog window over a long catalog of small
// generated JPEGs, top to bottom, one wheel notch a step, with the background
// loader making thumbnails meanwhile. Each step (the wheel event and the
// repaint it causes) must take at most 16.7 ms at the 99th percentile; only
// cells that were shown may have asked for a thumbnail; the memory the run
// adds must stay within the catalog's image cache budget.
// Usage: bench/GridScrollBench [entries [step points]] (default 10000, 30).
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/foundation/HostServices.h"
#include "platform/ui/ClipView.h"
#include "support/SyntheticPhotos.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

namespace {

// Small photos keep generation quick; the grid's cost does not depend on their size.
constexpr int kPhotoWidth = 160;
constexpr int kPhotoHeight = 120;
constexpr double kFrameMs = 1000.0 / 60.0;

long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestHost host;
    const int entries = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const int step = argc > 2 ? std::max(1, atoi(argv[2])) : 30;

    QTemporaryDir dir;
    QElapsedTimer setUp;
    setUp.start();
    const QStringList paths =
        writeSyntheticPhotos(QDir(dir.path()), entries, kPhotoWidth, kPhotoHeight);
    const double writeSeconds = setUp.nsecsElapsed() / 1e9;

    auto document = std::make_unique<RoduvudeDadevizi>();
    VQFileCatalog& catalog = document->fileCatalog();
    for (const QString& path : paths)
        catalog.addFileEntry(path);
    auto* controller = new ZaroziveZodiroVirizidivi;
    controller->setDocument(document.get());
    controller->setUpCatalogWindow();
    controller->window()->resize(480, 600);
    VQFileCatalogScrollView* scroll = controller->fileCatalogScrollView();
    VQFileCatalogView* grid = scroll->fileCatalogView();
    // From the top, before anything is drawn: showing lays the window out at
    // once, its painting waits for the event loop.
    controller->window()->show();
    scroll->firstSelection();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();

    const long residentBefore = residentKiB();
    std::vector<double> stepMs;
    std::set<int> rowsShown;
    const float cell = grid->cellSize().height;
    auto noteShownRows = [&] {
        const Rect shown = scroll->documentVisibleRect();
        const float top = grid->bounds().maxY();
        for (int row = int((top - shown.maxY()) / cell); row <= int((top - shown.minY()) / cell);
             ++row)
            rowsShown.insert(row);
    };
    noteShownRows();
    const auto thumbnailsAsked = [&] {
        int asked = 0;
        for (int i = 0; i < catalog.fileCount(); ++i) {
            const VQFileCatalogEntryRef record = catalog.entryAtIndex(i);
            asked += record->contains(QString::fromLatin1(kEntryThumbnailKey)) ||
                     record->contains(QString::fromLatin1(kEntryThumbnailQueueKey));
        }
        return asked;
    };
    // A quarter of the way down, most entries have never been shown: none of
    // those may have asked.
    const float checkpoint = grid->bounds().height() * 0.75f;
    int askedAtCheckpoint = -1;
    int shownAtCheckpoint = 0;
    QElapsedTimer clock;
    for (;;) {
        const float before = scroll->documentVisibleRect().minY();
        if (before <= 0)
            break;
        const QPointF at(50, 50);
        QWheelEvent wheel(at, scroll->mapToGlobal(at), QPoint(0, -step), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        clock.start();
        QApplication::sendEvent(scroll, &wheel);
        // The repaint the scroll asks for, and whatever else waits (the loader's
        // notices, the heartbeat's redraw).
        QApplication::processEvents();
        stepMs.push_back(clock.nsecsElapsed() / 1e6);
        noteShownRows();
        if (askedAtCheckpoint < 0 && scroll->documentVisibleRect().minY() <= checkpoint) {
            askedAtCheckpoint = thumbnailsAsked();
            shownAtCheckpoint = int(rowsShown.size()) * grid->columns();
        }
        if (scroll->documentVisibleRect().minY() >= before)
            break;
    }
    const long residentAfter = residentKiB();

    const int asked = thumbnailsAsked();
    const int shown = int(rowsShown.size()) * grid->columns();

    std::vector<double> sorted = stepMs;
    std::sort(sorted.begin(), sorted.end());
    const auto percentile = [&](double p) {
        return sorted.empty() ? 0.0
                              : sorted[std::min(sorted.size() - 1, size_t(p * sorted.size()))];
    };
    const double p99 = percentile(0.99);
    const int64_t budget = imageCacheBudgetKiB(host.physicalRAM());
    const long grown = residentAfter - residentBefore;

    std::printf("%d entries of %d x %d (written in %.1f s), %d columns, %zu steps of %d points\n",
                entries, kPhotoWidth, kPhotoHeight, writeSeconds, grid->columns(), stepMs.size(),
                step);
    std::printf("step + repaint: median %.2f ms, 99th percentile %.2f ms, worst %.2f ms "
                "(target p99 <= %.1f ms)\n",
                percentile(0.5), p99, sorted.empty() ? 0.0 : sorted.back(), kFrameMs);
    std::printf("thumbnails asked for: %d of %d cells shown a quarter down, %d of %d at the end "
                "(target asked <= shown)\n",
                askedAtCheckpoint, shownAtCheckpoint, asked, shown);
    std::printf("memory added: %ld KiB, cache budget %lld KiB\n", grown, (long long)budget);

    catalog.shutdown();
    delete controller;
    const bool ok = p99 <= kFrameMs && asked <= shown && askedAtCheckpoint <= shownAtCheckpoint &&
                    grown <= budget && !stepMs.empty();
    return ok ? 0 : 2;
}
