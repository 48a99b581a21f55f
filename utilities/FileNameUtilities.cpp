#include "utilities/FileNameUtilities.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

bool somethingAt(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// The extension of a name's last path component: what follows its last dot, when
// that dot is not the component's first character.
qsizetype extensionDot(const QString& name) {
    const qsizetype componentStart = name.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > componentStart ? dot : -1;
}

QString join(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

QString UniqueFileNameInFolder(const QString& fileName, const QString& folder) {
    if (!somethingAt(join(folder, fileName)))
        return fileName;
    const qsizetype dot = extensionDot(fileName);
    const QString base = dot < 0 ? fileName : fileName.left(dot);
    const QString extension = dot < 0 ? QString() : fileName.mid(dot + 1);
    const QString copySuffix = localizedString(QString::fromLatin1(kCopySuffixKey));
    for (uint32_t n = 1;; ++n) {
        const QString suffix =
            n == 1 ? copySuffix : stringWithFormat(QStringLiteral("%@ %u"), copySuffix, n);
        QString candidate = base + suffix;
        if (!extension.isEmpty())
            candidate += QLatin1Char('.') + extension;
        if (!somethingAt(join(folder, candidate)))
            return candidate;
    }
}

QString NewTemplateFileName(const QString& templateName, const QString& folder) {
    QString name = templateName;
    const qsizetype dot = extensionDot(name);
    if (dot < 0 || name.mid(dot + 1) != QLatin1String(kTemplateFileExtension))
        name += QLatin1Char('.') + QLatin1String(kTemplateFileExtension);
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    name.replace(QLatin1Char(':'), QLatin1Char('_'));
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return join(folder, UniqueFileNameInFolder(name, folder));
}

QString SafeFileName(const QString& name, const QString& fallback) {
    QString safe = name;
    safe.replace(u'/', u'_');
    safe.replace(QChar(u'\0'), u'_');
    if (safe.isEmpty() || safe == QLatin1String(".") || safe == QLatin1String(".."))
        return fallback;
    return safe;
}

bool PathIsDirectlyInFolder(const QString& path, const QString& folder) {
    const QString cleanFolder = QDir::cleanPath(QDir(folder).absolutePath());
    const QString cleanPath = QDir::cleanPath(QDir(folder).absoluteFilePath(path));
    return QFileInfo(cleanPath).absolutePath() == cleanFolder && cleanPath != cleanFolder;
}
