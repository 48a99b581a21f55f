#include "platform/imaging/ColorMatching.h"

#include "platform/foundation/UserDefaults.h"

#include <QFile>
#include <lcms2.h>
#include <memory>

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using TransformPtr = std::unique_ptr<void, TransformDeleter>;

// Profiles larger than this are not display or photo profiles.
constexpr qsizetype kMaxProfileSize = 16 * 1024 * 1024;

ProfilePtr openRGBProfile(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > kMaxProfileSize)
        return nullptr;
    ProfilePtr profile(cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size())));
    if (!profile || cmsGetColorSpace(profile.get()) != cmsSigRgbData)
        return nullptr;
    return profile;
}

QByteArray makeSRGBProfile() {
    ProfilePtr profile(cmsCreate_sRGBProfile());
    cmsUInt32Number size = 0;
    if (!profile || !cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0)
        return {};
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size))
        return {};
    return bytes;
}

} // namespace

QByteArray defaultRGBProfile() {
    static const QByteArray sRGB = makeSRGBProfile();
    return sRGB;
}

QByteArray defaultDisplayProfile() {
    const QString path = UserDefaults::standardUserDefaults().stringForKey(
        QString::fromLatin1(kDisplayProfilePathKey));
    if (!path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxProfileSize) {
            const QByteArray bytes = file.readAll();
            if (isRGBProfile(bytes))
                return bytes;
        }
    }
    return defaultRGBProfile();
}

bool isRGBProfile(const QByteArray& profile) {
    return openRGBProfile(profile) != nullptr;
}

bool matchPixels(QImage& image, const QByteArray& sourceProfile,
                 const QByteArray& destinationProfile) {
    const QImage::Format format = image.format();
    if (format != QImage::Format_ARGB32 && format != QImage::Format_RGB32)
        return false;
    const ProfilePtr source = openRGBProfile(sourceProfile);
    const ProfilePtr destination = openRGBProfile(destinationProfile);
    if (!source || !destination)
        return false;
        // QImage keeps these formats as 0xAARRGGBB words.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const cmsUInt32Number pixelType = TYPE_BGRA_8;
#else
    const cmsUInt32Number pixelType = TYPE_ARGB_8;
#endif
    const TransformPtr transform(cmsCreateTransform(source.get(), pixelType, destination.get(),
                                                    pixelType, INTENT_PERCEPTUAL,
                                                    cmsFLAGS_COPY_ALPHA));
    if (!transform)
        return false;
    if (image.isNull())
        return true;
    const auto stride = cmsUInt32Number(image.bytesPerLine());
    uchar* bits = image.bits();
    cmsDoTransformLineStride(transform.get(), bits, bits, cmsUInt32Number(image.width()),
                             cmsUInt32Number(image.height()), stride, stride, 0, 0);
    return true;
}
