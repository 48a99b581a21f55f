// Saving and opening a template that holds one 12-megapixel decoded picture,
// set against its floor: writing the same pixel bytes through QSaveFile and
// reading them back with a plain read. Also shows what deflate at zlib's
// default level, the earlier form, takes for the same bytes. Run on four cores:
//   taskset -c 0-3 bench/TemplateArchiveBench
// Exits with 1 when a figure misses its floor.
#include "framework/model/TMObject.h"
#include "framework/model/TemplateDocument.h"
#include "framework/model/TemplateFileFormat.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// What the importer hands out: opaque 8-bit RGBA, smooth gradients with grain.
const QImage& photo() {
    static const QImage image = [] {
        QImage made(kWidth, kHeight, QImage::Format_RGBX8888);
        uint32_t noise = 2463534242u;
        for (int y = 0; y < kHeight; ++y) {
            uchar* row = made.scanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                noise ^= noise << 13;
                noise ^= noise >> 17;
                noise ^= noise << 5;
                const int grain = int(noise & 15) - 8;
                row[4 * x] = uchar(std::clamp(x * 255 / kWidth + grain, 0, 255));
                row[4 * x + 1] = uchar(std::clamp(y * 255 / kHeight + grain, 0, 255));
                row[4 * x + 2] =
                    uchar(std::clamp((x + y) * 255 / (kWidth + kHeight) + grain, 0, 255));
                row[4 * x + 3] = 255;
            }
        }
        return made;
    }();
    return image;
}

// A page object that shows a named picture of its document.
class PictureUser : public TMObject {
public:
    bool supportsSharedIamges() const override { return true; }
    QString sharedImageRef() const override { return _ref; }
    void setSharedImageRef(const QString& reference) override { _ref = reference; }

private:
    QString _ref;
};

const QString kType = QString::fromLatin1(kTemplateDocumentType);

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

QString path(const char* name) {
    return folder().filePath(QString::fromLatin1(name));
}

// Seconds per run, by name.
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
    figures()[name] = double(timer.nsecsElapsed()) / 1e9 / double(count);
}

QByteArray pixelBytes() {
    const QImage& image = photo();
    return QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}

void BM_RawSave(benchmark::State& state) {
    const QByteArray bytes = pixelBytes();
    measure(state, "raw save", [&] {
        QSaveFile file(path("raw.bin"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            state.SkipWithError("the raw bytes were not written");
    });
}

void BM_RawLoad(benchmark::State& state) {
    measure(state, "raw load", [&] {
        QFile file(path("raw.bin"));
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly)) {
            bytes.resize(file.size());
            bytes.resize(file.read(bytes.data(), bytes.size()));
        }
        if (bytes.size() != qsizetype(kWidth) * kHeight * 4)
            state.SkipWithError("the raw bytes were not read");
        benchmark::DoNotOptimize(bytes.constData());
    });
}

// The earlier form's work alone: deflate at zlib's default level.
void BM_DeflateDefaultLevel(benchmark::State& state) {
    const QByteArray bytes = pixelBytes();
    measure(state, "deflate", [&] {
        const QByteArray packed = qCompress(bytes);
        figures()["deflate bytes"] = double(packed.size());
    });
}

void BM_TemplateSave(benchmark::State& state) {
    TemplateDocument document;
    const QString name = document.addImageSourceDataWithName(Image(photo()), QByteArray(),
                                                             QStringLiteral("picture"));
    TMObjectRef user = TMObject::newTemplateObjectOfKind(QStringLiteral("BenchPictureUser"));
    user->setSharedImageRef(name);
    document.addObject(user);
    document.setThumbnailGenMode(1);
    measure(state, "template save", [&] {
        if (!document.writeToFileOfType(path("picture.vyxTemplate"), kType))
            state.SkipWithError("the template was not saved");
    });
    figures()["template bytes"] = double(QFileInfo(path("picture.vyxTemplate")).size());
}

void BM_TemplateLoad(benchmark::State& state) {
    measure(state, "template load", [&] {
        TemplateDocument document;
        if (!document.readFromFileOfType(path("picture.vyxTemplate"), kType) ||
            document.getImageWithName(QStringLiteral("picture")).pixelSize() !=
                QSize(kWidth, kHeight))
            state.SkipWithError("the template was not opened");
    });
}

bool check(const char* what, double seconds, double ceiling) {
    const bool met = seconds <= ceiling;
    std::printf("%-44s %8.1f ms  ceiling %8.1f ms  %s\n", what, seconds * 1e3, ceiling * 1e3,
                met ? "met" : "MISSED");
    return met;
}

} // namespace

BENCHMARK(BM_RawSave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_RawLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_TemplateSave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_TemplateLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_DeflateDefaultLevel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestHost host;
    TMObject::registerKind<PictureUser>(QStringLiteral("BenchPictureUser"));
    benchmark::Initialize(&argc, argv);
    photo();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::map<std::string, double>& f = figures();
    const auto figure = [&](const char* name) { return f.count(name) ? f[name] : 0.0; };
    std::printf("\n%d cores available\n", QThread::idealThreadCount());
    if (figure("deflate bytes") > 0)
        std::printf("template %.1f MB, the pixels deflated at the default level %.1f MB\n",
                    figure("template bytes") / 1e6, figure("deflate bytes") / 1e6);
    if (figure("deflate") > 0 && figure("template save") > 0)
        std::printf("deflate alone / template save: %.1f\n",
                    figure("deflate") / figure("template save"));
    bool met = figure("template save") > 0 && figure("template load") > 0;
    met &= check("template save (5 x raw save)", figure("template save"), 5 * figure("raw save"));
    met &= check("template load (3 x raw load)", figure("template load"), 3 * figure("raw load"));
    if (figure("deflate bytes") > 0)
        met &= check("template size (deflated pixels), in bytes / 1000",
                     figure("template bytes") / 1e6, figure("deflate bytes") / 1e6);
    return met ? 0 : 1;
}
