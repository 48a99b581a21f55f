#include "framework/model/MasterEXIFTagDictionary.h"

#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"

#include <QDir>
#include <QStringList>
#include <mutex>
#include <optional>

namespace {

std::mutex gTagFileMutex;
// The file last read and where it was read from: another resources folder is
// another file.
QString gTagFilePath;
std::optional<QVariantMap> gTagFile;

std::optional<QVariantMap> tagFile() {
    const QString path = QDir(Resources::sharePath()).filePath(QLatin1String(kEXIFTagFileName));
    std::lock_guard lock(gTagFileMutex);
    if (!gTagFile || gTagFilePath != path) {
        const QVariant contents = PropertyList::readFromFile(path);
        if (PropertyList::kindOf(contents) != PropertyList::Kind::Dictionary)
            return std::nullopt;
        gTagFile = contents.toMap();
        gTagFilePath = path;
    }
    return gTagFile;
}

} // namespace

QVariant GetMasterEXIFTagDictionary() {
    const std::optional<QVariantMap> file = tagFile();
    if (!file)
        return {};
    static const QStringList kGroups = {QStringLiteral("0"), QStringLiteral("EXIF"),
                                        QStringLiteral("File"), QStringLiteral("iPhoto"),
                                        QStringLiteral("Template")};
    QVariantMap result;
    for (const QString& group : kGroups) {
        const QVariant tags = file->value(group);
        if (PropertyList::kindOf(tags) != PropertyList::Kind::Dictionary)
            continue;
        const QVariantMap map = tags.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            result.insert(QStringLiteral("%1-%2").arg(group, it.key()), it.value());
    }
    return result;
}
