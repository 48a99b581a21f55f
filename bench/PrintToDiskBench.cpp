// Print to disk of 100 Letter pages at 300 dpi, one full-page area each, from
// 100 synthetic 12-megapixel JPEG photos, against two yardsticks over the same
// photos: the floor (each photo decoded by QImageReader, resampled to the area,
// written by QImageWriter at the same quality) and printing the same pages to
// PDF through the print operation. Print to disk runs with the photo colour
// matching setting off and on. Target: print to disk within 1.5 x the floor.
// One run of each; all figures are printed at the end. Run on one core:
// taskset -c 0 bench/PrintToDiskBench
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/Exporter.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateRenderer.h"
#include "platform/documents/View.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/imaging/GraphicsExporter.h"
#include "platform/printing/PrintInfo.h"
#include "platform/printing/PrintOperation.h"
#include "support/LetterLayout.h"
#include "support/SyntheticPhotos.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

constexpr int kPageCount = 100;
constexpr int kDpi = 300;
constexpr int kCodecQuality = 768;
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
        // No profile, thumbnail or metadata: the floor writes pixels only.
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kExportDefaultConfigKey));
        installLetterTemplate(str("letter-one-area"), true);
        document = letterLayoutOfPhotos(paths, str("letter-one-area"));
        controller = new ZaroziveZodiroVirizidivi;
        controller->setDocument(document.get());
    }
};

Setup& setup() {
    static Setup set;
    return set;
}

// The pages of the document's layout as a print operation asks for them.
class LayoutPages : public View {
public:
    explicit LayoutPages(RoduvudeDadevizi& document) : _mapper(document.templateMapper()->copy()) {
        setBoundsSize(kLetter);
        _mapper->setDestinationDevice(1);
        _renderer.setTemplate(document.masterTemplate());
        _renderer.setImageSource(_mapper.get());
        _renderer.setRenderDPI(float(kDpi));
    }
    bool isFlipped() const override { return true; }
    bool knowsPageRange(PageRange& range) override {
        range = PageRange{1, _mapper->pageCount()};
        return true;
    }
    Rect rectForPage(int page) override {
        _mapper->setCurrentPageNum(page - 1);
        return Rect({0, 0}, kLetter);
    }

protected:
    void drawRect(const Rect&) override { _renderer.renderInRect(Rect({0, 0}, kLetter)); }

private:
    TemplateMapperRef _mapper;
    TemplateRenderer _renderer;
};

double gFloorSeconds = 0;
double gDiskSeconds[2] = {0, 0};
double gPdfSeconds = 0;

void BM_Floor(benchmark::State& state) {
    QTemporaryDir out;
    const QSize area(int(std::lround((kLetter.width - 2) * kDpi / 72.0)),
                     int(std::lround((kLetter.height - 2) * kDpi / 72.0)));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        int n = 0;
        for (const QString& path : setup().paths) {
            QImageReader reader(path);
            const QImage photo = reader.read();
            const QImage scaled =
                photo.scaled(area, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
            QImageWriter writer(QDir(out.path()).filePath(QString::number(++n) + str(".jpg")),
                                "jpeg");
            writer.setQuality(qtQualityForCodecQuality(kCodecQuality));
            if (!writer.write(scaled))
                state.SkipWithError("floor write failed");
        }
        gFloorSeconds = timer.nsecsElapsed() / 1e9;
    }
}

void BM_PrintToDisk(benchmark::State& state) {
    const bool matching = state.range(0) != 0;
    setup().host.settings[PrefImportProfiles] = matching;
    for (auto _ : state) {
        QTemporaryDir out;
        QElapsedTimer timer;
        timer.start();
        const std::optional<QStringList> written = setup().controller->printBatchToPath(
            out.path(), str("Vyx_Photo"), str("JPEG"), kCodecQuality, kDpi, false);
        gDiskSeconds[matching] = timer.nsecsElapsed() / 1e9;
        if (!written || written->size() != kPageCount)
            state.SkipWithError("print to disk failed");
    }
}

void BM_PrintToPdf(benchmark::State& state) {
    setup().host.settings[PrefImportProfiles] = false;
    for (auto _ : state) {
        QTemporaryDir out;
        VQFileCatalog& catalog = setup().document->fileCatalog();
        catalog.setDeliverScreenResolution(false);
        LayoutPages pages(*setup().document);
        PrintInfo info;
        info.setPaperSize(kLetter);
        PrintOperation operation(&pages, info);
        operation.setShowsPrintPanel(false);
        operation.setPDFOutputPath(QDir(out.path()).filePath(str("pages.pdf")));
        QElapsedTimer timer;
        timer.start();
        if (!operation.runOperation())
            state.SkipWithError("printing failed");
        gPdfSeconds = timer.nsecsElapsed() / 1e9;
        catalog.setDeliverScreenResolution(true);
    }
}

BENCHMARK(BM_Floor)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_PrintToDisk)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_PrintToPdf)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    const auto home = useBenchAccount();
    if (!home)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gFloorSeconds > 0) {
        std::printf("\n%d Letter pages at %d dpi\n", kPageCount, kDpi);
        std::printf("floor (QImageReader, resample, QImageWriter): %.2f s\n", gFloorSeconds);
        for (int matching = 0; matching < 2; ++matching)
            std::printf("print to disk, photo colour matching %s: %.2f s = %.2f x floor "
                        "(target 1.5)\n",
                        matching ? "on " : "off", gDiskSeconds[matching],
                        gDiskSeconds[matching] / gFloorSeconds);
        std::printf("print to PDF: %.2f s\n", gPdfSeconds);
    }
    return 0;
}
