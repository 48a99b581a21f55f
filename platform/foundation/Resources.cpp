#include "platform/foundation/Resources.h"

#include "platform/foundation/FileAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <dlfcn.h>

namespace {

QString gShareOverride;

constexpr char kImagesFolder[] = "/Images";
// No shipped picture comes near this; a larger file is refused rather than read whole.
constexpr qint64 kMaxImageFileSize = qint64(256) * 1024 * 1024;

QString prefixPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&Resources::libraryPath), &info) == 0 || !info.dli_fname)
        return QDir::currentPath();
    // <prefix>/lib/libLumiskPlatform.so
    QDir dir = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteDir();
    dir.cdUp();
    return dir.absolutePath();
}

} // namespace

namespace Resources {

QString libraryPath() {
    return prefixPath() + QStringLiteral("/lib");
}

QString sharePath() {
    if (!gShareOverride.isEmpty())
        return gShareOverride;
    return prefixPath() + QStringLiteral("/share/lumisk");
}

QString preferencePanesPath() {
    return libraryPath() + QStringLiteral("/lumisk/PreferencePanes");
}

QImage applicationImageNamed(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..") ||
        name == QLatin1String("."))
        return {};
    const QDir folder(sharePath() + QLatin1String(kImagesFolder));
    QStringList candidates{name};
    if (QFileInfo(name).suffix().isEmpty())
        for (const char* extension : {".png", ".tiff", ".tif", ".jpg"})
            candidates.append(name + QLatin1String(extension));
    for (const QString& candidate : std::as_const(candidates)) {
        const std::optional<QByteArray> bytes =
            FileAccess::readRegularFile(folder.filePath(candidate), kMaxImageFileSize);
        if (!bytes)
            continue;
        QImage pixels = QImage::fromData(*bytes);
        if (!pixels.isNull())
            return pixels;
    }
    return {};
}

QImage cachedApplicationImageNamed(const QString& name) {
    // A missing picture is kept too, as null, so it is looked for only once.
    static QHash<QString, QImage> cache;
    const QString key = sharePath() + QLatin1Char('/') + name;
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QImage image = applicationImageNamed(name);
    cache.insert(key, image);
    return image;
}

void setSharePathForTesting(const QString& path) {
    gShareOverride = path;
}

} // namespace Resources
