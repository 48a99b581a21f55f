#include "layout/ColorProfileHandle.h"

#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/imaging/ColorMatching.h"

#include <QtDebug>

namespace {

constexpr char kPathKey[] = "CPH_Path";
constexpr char kNameKey[] = "CPH_Name";

[[maybe_unused]] const bool gRegistered = [] {
    ColorProfileHandle::registerArchivableClass();
    return true;
}();

// The text after the last "/", or the whole text without one.
QString filenameFromFullPath(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

std::shared_ptr<ColorProfileHandle> ColorProfileHandle::profileWithPath(const QString& path) {
    return std::make_shared<ColorProfileHandle>(path);
}

bool ColorProfileHandle::open() const {
    std::lock_guard lock(_lock);
    if (!_profileRef.isEmpty())
        return true;
    int result = kColorMatchNoError;
    _profileRef = readProfileFile(_pathToICCProfile, &result);
    _lastErrCode = result;
    return result == kColorMatchNoError;
}

void ColorProfileHandle::close() {
    std::lock_guard lock(_lock);
    _profileRef.clear();
}

bool ColorProfileHandle::isOpen() const {
    std::lock_guard lock(_lock);
    return !_profileRef.isEmpty();
}

QByteArray ColorProfileHandle::profileRef() const {
    std::lock_guard lock(_lock);
    return _profileRef;
}

int ColorProfileHandle::lastCMError() const {
    std::lock_guard lock(_lock);
    return _lastErrCode;
}

void ColorProfileHandle::setLastCMError(int code) const {
    std::lock_guard lock(_lock);
    _lastErrCode = code;
}

QString ColorProfileHandle::name() const {
    {
        std::lock_guard lock(_lock);
        if (!_profileName.isNull())
            return _profileName;
    }
    if (!open())
        return QString();
    const QString description = profileDescription(profileRef());
    std::lock_guard lock(_lock);
    if (_profileName.isNull() && !description.isNull())
        _profileName = filenameFromFullPath(description);
    return _profileName;
}

QString ColorProfileHandle::description() const {
    return open() ? profileDescription(profileRef()) : QString();
}

bool ColorProfileHandle::isEqual(const ColorProfileHandle& other) const {
    return this == &other || name() == other.name();
}

bool ColorProfileHandle::colorMatchImage(Image& image) const {
    if (!open() || image.isNull())
        return false;
    const QByteArray destination = profileRef();
    const QByteArray source =
        image.iccProfile().isEmpty() ? defaultDisplayProfile() : image.iccProfile();
    QImage pixels = image.pixels();
    const int result = matchBitmap(pixels, source, destination);
    if (result != kColorMatchNoError) {
        qWarning("Matching source: %s to destination: %s failed with code: %d",
                 qUtf8Printable(profileDescription(source)), qUtf8Printable(name()), result);
        return false;
    }
    image.setPixels(std::move(pixels));
    image.setIccProfile(_externalMatch ? destination : defaultOutputProfile());
    return true;
}

QVariantMap ColorProfileHandle::encodeInDictionary() const {
    QVariantMap dictionary;
    if (!_pathToICCProfile.isNull())
        dictionary.insert(QString::fromLatin1(kPathKey), _pathToICCProfile);
    std::lock_guard lock(_lock);
    if (!_profileName.isNull())
        dictionary.insert(QString::fromLatin1(kNameKey), _profileName);
    return dictionary;
}

void ColorProfileHandle::decodeFromDictionary(const QVariantMap& dictionary) {
    const QVariant path = dictionary.value(QString::fromLatin1(kPathKey));
    if (path.typeId() == QMetaType::QString)
        _pathToICCProfile = path.toString();
    const QVariant name = dictionary.value(QString::fromLatin1(kNameKey));
    if (name.typeId() == QMetaType::QString) {
        std::lock_guard lock(_lock);
        _profileName = name.toString();
    }
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

QList<std::shared_ptr<ColorProfileHandle>>
ColorProfileHandle::activeProfiles(UserDefaults& defaults) {
    registerArchivableClass();
    QList<std::shared_ptr<ColorProfileHandle>> profiles;
    const QByteArray data = defaults.dataForKey(QString::fromLatin1(kPrefActiveProfilesKey));
    if (data.isNull())
        return profiles;
    QString error;
    const QVariant list = Unarchiver::unarchiveObject(data, &error);
    if (!error.isEmpty())
        qWarning("The active profile list can't be read: %s", qPrintable(error));
    for (const QVariant& item : list.toList())
        if (auto handle = objectFromVariantAs<ColorProfileHandle>(item))
            profiles.append(std::move(handle));
    return profiles;
}

void ColorProfileHandle::setActiveProfiles(
    const QList<std::shared_ptr<ColorProfileHandle>>& profiles, UserDefaults& defaults) {
    registerArchivableClass();
    QVariantList list;
    for (const std::shared_ptr<ColorProfileHandle>& handle : profiles)
        list.append(variantFromObject(handle));
    QString error;
    const QByteArray data = Archiver::archivedData(QVariant(list), &error);
    if (data.isNull()) {
        qWarning("The active profile list can't be archived: %s", qPrintable(error));
        return;
    }
    defaults.setObjectForKey(data, QString::fromLatin1(kPrefActiveProfilesKey));
}
