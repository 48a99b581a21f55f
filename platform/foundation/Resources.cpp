#include "platform/foundation/Resources.h"

#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>

namespace {

QString gShareOverride;

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

void setSharePathForTesting(const QString& path) {
    gShareOverride = path;
}

} // namespace Resources
