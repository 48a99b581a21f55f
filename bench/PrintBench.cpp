// The Print command over 20 Letter pages of 12-megapixel JPEG photos, one
// full-page cell each, limited to page bitmaps at 300 dpi and printed to PDF
// through the print panel (answered by the dialog seam). Yardstick: the same
// pages rendered into 300 dpi images by the renderer. The run draws on a
// worker thread; a 10 ms timer on the main thread measures the longest gap
// between its ticks meanwhile.
// Targets: per page within 1.5 x the yardstick; no main-thread stall over 50 ms.
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateRenderer.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/printing/PrintInfo.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/ModalAlert.h"
#include "support/LetterLayout.h"
#include "support/SyntheticPhotos.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int kPageCount = 20;
constexpr int kDpi = 300;
const Size kLetter{612, 792};

QString str(const char* text) {
    return QString::fromUtf8(text);
}

struct Setup {
    QTemporaryDir photos;
    QStringList paths;
    TestHost host;
    std::unique_ptr<RoduvudeDadevizi> document;
    ZaroziveZodiroVirizidivi* controller = nullptr;

    Setup() : paths(writeSyntheticPhotos(QDir(photos.path()), kPageCount)) {
        host.settings[PrefLayoutArrangementMode] = int(LayoutModeSequential);
        host.settings[PrefLayoutScaleMode] = 0;
        host.settings[PrefImportProfiles] = false;
        installLetterTemplate(str("letter-one-cell"), false);
        document = letterLayoutOfPhotos(paths, str("letter-one-cell"));
        controller = new ZaroziveZodiroVirizidivi;
        document->addWindowController(controller);
        document->undoManager()->disableUndoRegistration();
        document->setPrintLimitEnabled(true);
        document->setPrintLimitType(1);
        document->setPrintLimitDPI(kDpi);
    }
};

// Each bench starts from a new document, so that both decode every photo;
// let go before the application ends.
std::unique_ptr<Setup> gSetup;

Setup& setup() {
    return *gSetup;
}

void freshSetup() {
    gSetup.reset();
    gSetup = std::make_unique<Setup>();
}

double gImageSeconds = 0;
double gPrintSeconds = 0;
qint64 gLongestStallMs = 0;

void BM_RenderToImages(benchmark::State& state) {
    freshSetup();
    RoduvudeDadevizi& document = *setup().document;
    for (auto _ : state) {
        const TemplateMapperRef mapper = document.templateMapper()->copy();
        mapper->setDestinationDevice(DestinationOutput);
        document.fileCatalog().setDeliverScreenResolution(false);
        TemplateRenderer renderer;
        renderer.setTemplate(document.masterTemplate());
        renderer.setImageSource(mapper.get());
        renderer.setRenderDPI(float(kDpi));
        renderer.setIsRenderingOffscreen(true);
        const Size pixels{kLetter.width * kDpi / 72, kLetter.height * kDpi / 72};
        QElapsedTimer timer;
        timer.start();
        for (int p = 0; p < kPageCount; ++p) {
            mapper->setCurrentPageNum(p);
            QImage image(int(std::ceil(pixels.width)), int(std::ceil(pixels.height)),
                         QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            GraphicsContext context(painter, pixels, DestinationKind::Image, true);
            GraphicsContext::Focus focus(context);
            renderer.renderInRect(Rect({0, 0}, pixels));
        }
        gImageSeconds = timer.nsecsElapsed() / 1e9;
        document.fileCatalog().setDeliverScreenResolution(true);
    }
}

void BM_PrintCommand(benchmark::State& state) {
    freshSetup();
    for (auto _ : state) {
        QTemporaryDir out;
        const QString pdf = QDir(out.path()).filePath(str("pages.pdf"));
        ModalAlert::ScopedDialogResponder panel([&](QDialog& dialog) {
            auto* printDialog = qobject_cast<QPrintDialog*>(&dialog);
            if (!printDialog)
                return int(QDialog::Rejected);
            printDialog->printer()->setOutputFileName(pdf);
            return int(QDialog::Accepted);
        });
        QElapsedTimer gap;
        qint64 longest = 0;
        QTimer ticks;
        ticks.setInterval(10);
        QObject::connect(&ticks, &QTimer::timeout,
                         [&] { longest = std::max(longest, gap.restart()); });
        QElapsedTimer timer;
        timer.start();
        setup().controller->printDocument();
        // The panel runs from the event loop first; the stall is measured
        // from the moment the pages are being drawn.
        while (setup().controller->printOperation() &&
               setup().controller->printOperation()->currentPage() == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        gap.start();
        ticks.start();
        while (setup().controller->printOperation())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        ticks.stop();
        gPrintSeconds = timer.nsecsElapsed() / 1e9;
        gLongestStallMs = longest;
        if (!QFile::exists(pdf))
            state.SkipWithError("no PDF was printed");
    }
}

BENCHMARK(BM_RenderToImages)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_PrintCommand)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    // The bench's templates and settings go to an account of its own.
    const auto home = useBenchAccount();
    if (!home)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // No queue of this machine is reached: the panel's answer prints to a file.
    qputenv("CUPS_SERVER", "/nonexistent/lumisk-bench.sock");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gSetup.reset();
    if (gImageSeconds > 0 && gPrintSeconds > 0) {
        std::printf("\n%d Letter pages of 12 MP photos, %d dpi bitmap limit\n", kPageCount, kDpi);
        std::printf("rendered to images: %.3f s per page\n", gImageSeconds / kPageCount);
        std::printf("printed to PDF: %.3f s per page = %.2f x (target 1.5)\n",
                    gPrintSeconds / kPageCount, gPrintSeconds / gImageSeconds);
        std::printf("longest main-thread stall while printing: %lld ms (target 50)\n",
                    static_cast<long long>(gLongestStallMs));
    }
    std::fflush(stdout);
    return 0;
}
