#include "layout/ColorProfileHandle.h"

#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"

namespace {

constexpr char kPathKey[] = "CPH_Path";
constexpr char kNameKey[] = "CPH_Name";

[[maybe_unused]] const bool gRegistered = [] {
    ColorProfileHandle::registerArchivableClass();
    return true;
}();

} // namespace

std::shared_ptr<ColorProfileHandle> ColorProfileHandle::profileWithPath(const QString& path) {
    return std::make_shared<ColorProfileHandle>(path);
}

QVariantMap ColorProfileHandle::encodeInDictionary() const {
    QVariantMap dictionary;
    if (!_pathToICCProfile.isNull())
        dictionary.insert(QString::fromLatin1(kPathKey), _pathToICCProfile);
    if (!_profileName.isNull())
        dictionary.insert(QString::fromLatin1(kNameKey), _profileName);
    return dictionary;
}

void ColorProfileHandle::decodeFromDictionary(const QVariantMap& dictionary) {
    const QVariant path = dictionary.value(QString::fromLatin1(kPathKey));
    if (path.typeId() == QMetaType::QString)
        _pathToICCProfile = path.toString();
    const QVariant name = dictionary.value(QString::fromLatin1(kNameKey));
    if (name.typeId() == QMetaType::QString)
        _profileName = name.toString();
}

void ColorProfileHandle::encodeWithCoder(Archiver& coder) const {
    coder.encodeObject(QVariant(encodeInDictionary()));
}

bool ColorProfileHandle::initWithCoder(Unarchiver& coder) {
    const QVariant dictionary = coder.decodeObject();
    if (dictionary.typeId() != QMetaType::QVariantMap)
        return false;
    decodeFromDictionary(dictionary.toMap());
    return true;
}

void ColorProfileHandle::registerArchivableClass() {
    ClassRegistry::shared().registerClass<ColorProfileHandle>(
        QString::fromLatin1(kArchiveClassName));
}
