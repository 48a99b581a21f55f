#include "platform/system/FileDisplay.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>

namespace {

constexpr int kIconSide = 32;

} // namespace

QString FileDisplay::displayNameAtPath(const QString& path) {
    if (path.isEmpty())
        return QString();
    return QFileInfo(QDir::cleanPath(path)).fileName();
}

QString FileDisplay::kindAtPath(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).exists())
        return QString();
    return QMimeDatabase().mimeTypeForFile(path).comment();
}

Image FileDisplay::iconForFile(const QString& path) {
    if (path.isEmpty())
        return Image();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        return Image();
    const QImage pixels = icon.pixmap(kIconSide, kIconSide).toImage();
    if (pixels.isNull())
        return Image();
    return Image(pixels, Size{kIconSide, kIconSide});
}
