#include "framework/model/TMPhotoMaskManager.h"

#include <array>

TMPhotoMaskManager* gSharedPhotoMaskManager = nullptr;

namespace {

struct MaskKind {
    const char* name;
    const char* className;
};

constexpr std::array<MaskKind, 9> kMaskKinds = {{
    {"Bitmap", "TMBitmapPhotoMask"},
    {"Burst", "TMBurstPhotoMask"},
    {"Cloud", "TMCloudPhotoMask"},
    {"Diamond", "TMDiamondPhotoMask"},
    {"Heart", "TMHeartPhotoMask"},
    {"Oval", "TMOvalPhotoMask"},
    {"Pinking Shear", "TMPinkingPhotoMask"},
    {"Rectangle", "TMRectPhotoMask"},
    {"Triangle", "TMTrianglePhotoMask"},
}};

constexpr char kDefaultMaskName[] = "Oval";

} // namespace

TMPhotoMaskManager* TMPhotoMaskManager::sharedManager() {
    if (!gSharedPhotoMaskManager) {
        static TMPhotoMaskManager manager;
        gSharedPhotoMaskManager = &manager;
    }
    return gSharedPhotoMaskManager;
}

QStringList TMPhotoMaskManager::photoMaskNames() const {
    QStringList names;
    for (const MaskKind& kind : kMaskKinds)
        names.append(QString::fromLatin1(kind.name));
    return names;
}

QString TMPhotoMaskManager::maskClassNameForName(const QString& name) {
    for (const MaskKind& kind : kMaskKinds)
        if (name == QLatin1String(kind.name))
            return QString::fromLatin1(kind.className);
    return QString();
}

TMPhotoMaskRef TMPhotoMaskManager::photoMaskWithName(const QString& name) const {
    const QString className = maskClassNameForName(name);
    if (className.isNull())
        return nullptr;
    return TMPhotoMask::newMaskOfClass(className);
}

TMPhotoMaskRef TMPhotoMaskManager::defaultPhotoMask() const {
    return photoMaskWithName(QString::fromLatin1(kDefaultMaskName));
}
