// Feeds arbitrary bytes, as an image file, to the graphics importer: the Qt
// image readers, exiv2's metadata, thumbnail and profile readers, and colour
// matching with whatever profile the file embeds.
#include "platform/imaging/ColorMatching.h"
#include "platform/imaging/GraphicsImporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Pictures are drawn small: scaled decoding keeps the work per input bounded.
constexpr int kDrawSide = 48;

// The file the inputs are written to, removed when the run ends.
struct InputFile {
    QString path;
    ~InputFile() { QFile::remove(path); }
};

const QString& inputPath() {
    static const InputFile file{QDir::temp().filePath(
        QStringLiteral("importer-fuzz-%1").arg(QCoreApplication::applicationPid()))};
    return file.path;
}

void drawCurrentImage(GraphicsImporter& importer, bool matchColors) {
    const std::optional<QRect> natural = importer.naturalBounds();
    if (!natural)
        return;
    if (natural->isEmpty())
        std::abort();
    QImage world(kDrawSide, kDrawSide * 3 / 4, QImage::Format_ARGB32);
    world.fill(Qt::white);
    if (!importer.setBoundsRect(QRect(2, 3, world.width() - 4, world.height() - 6)))
        std::abort();
    importer.setDestinationColorProfile(matchColors ? defaultRGBProfile() : QByteArray());
    importer.setGWorld(&world, QPoint(0, 0));
    importer.draw();
    // A quarter turn takes the other drawing path.
    QTransform turn;
    turn.rotate(90);
    importer.setMatrix(importer.matrix() * turn * QTransform::fromTranslate(world.width(), 0));
    importer.draw();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The decoders complain about every damaged input.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile file(inputPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    std::unique_ptr<GraphicsImporter> importer = GraphicsImporter::forFile(inputPath());
    if (!importer)
        return 0;

    const QByteArray profile = importer->colorProfile();
    QImage probe(4, 4, QImage::Format_ARGB32);
    probe.fill(qRgb(200, 30, 90));
    matchPixels(probe, profile, defaultRGBProfile());

    if (const std::optional<UserData> metadata = importer->metaData()) {
        const std::optional<UserData> again = UserData::fromFlattened(metadata->flatten());
        if (!again || *again != *metadata)
            std::abort();
    }
    importer->imageDescription();
    importer->componentName();
    drawCurrentImage(*importer, !profile.isEmpty());

    if (importer->imageCount() == 2) {
        if (!importer->setImageIndex(2))
            std::abort();
        importer->metaData();
        drawCurrentImage(*importer, false);
    }
    return 0;
}
