#include "platform/imaging/ColorMatching.h"

#include "platform/foundation/UserDefaults.h"

#include <QFile>
#include <lcms2.h>
#include <memory>
#include <vector>

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

namespace {

ProfilePtr openAnyProfile(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > kMaxProfileSize)
        return nullptr;
    return ProfilePtr(cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size())));
}

QString readDescriptionTag(void* profile, cmsTagSignature signature) {
    if (!cmsIsTag(profile, signature))
        return QString();
    const auto* text = static_cast<const cmsMLU*>(cmsReadTag(profile, signature));
    if (!text)
        return QString();
    const cmsUInt32Number bytes = cmsMLUgetWide(text, "en", "US", nullptr, 0);
    if (bytes < sizeof(wchar_t))
        return QString();
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    cmsMLUgetWide(text, "en", "US", buffer.data(),
                  cmsUInt32Number(buffer.size() * sizeof(wchar_t)));
    const QString description = QString::fromWCharArray(buffer.data());
    return description.isEmpty() ? QString() : description;
}

// The lcms2 pixel type of a 32-bit QImage format kept as native 0xAARRGGBB words.
cmsUInt32Number wordPixelType() {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    return TYPE_BGRA_8;
#else
    return TYPE_ARGB_8;
#endif
}

} // namespace

QByteArray defaultOutputProfile() {
    const QString path = UserDefaults::standardUserDefaults().stringForKey(
        QString::fromLatin1(kOutputProfilePathKey));
    if (!path.isEmpty()) {
        const QByteArray bytes = readProfileFile(path);
        if (!bytes.isEmpty())
            return bytes;
    }
    return defaultRGBProfile();
}

QByteArray readProfileFile(const QString& path, int* result) {
    int code = kColorMatchNoError;
    QByteArray bytes;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxProfileSize) {
        code = kColorMatchFileError;
    } else {
        bytes = file.readAll();
        if (!openAnyProfile(bytes)) {
            code = kColorMatchNotAProfile;
            bytes.clear();
        }
    }
    if (result)
        *result = code;
    return bytes;
}

QString profileDescription(const QByteArray& profile) {
    const ProfilePtr opened = openAnyProfile(profile);
    if (!opened)
        return QString();
    const QString description = readDescriptionTag(opened.get(), cmsSigProfileDescriptionTag);
    if (!description.isNull())
        return description;
    return readDescriptionTag(opened.get(), cmsSigProfileDescriptionMLTag);
}

int matchBitmap(QImage& image, const QByteArray& sourceProfile,
                const QByteArray& destinationProfile) {
    cmsUInt32Number pixelType = 0;
    QImage::Format straight = image.format();
    switch (image.format()) {
    case QImage::Format_RGB888:
        pixelType = TYPE_RGB_8;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        pixelType = wordPixelType();
        break;
    case QImage::Format_ARGB32_Premultiplied:
        pixelType = wordPixelType();
        straight = QImage::Format_ARGB32;
        break;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
        pixelType = TYPE_RGBA_8;
        break;
    case QImage::Format_RGBA8888_Premultiplied:
        pixelType = TYPE_RGBA_8;
        straight = QImage::Format_RGBA8888;
        break;
    default:
        return kColorMatchUnknownLayout;
    }
    const ProfilePtr source = openAnyProfile(sourceProfile);
    const ProfilePtr destination = openAnyProfile(destinationProfile);
    if (!source || !destination)
        return kColorMatchNotAProfile;
    if (cmsGetColorSpace(source.get()) != cmsSigRgbData ||
        cmsGetColorSpace(destination.get()) != cmsSigRgbData)
        return kColorMatchNotRGB;
    const cmsUInt32Number flags = T_EXTRA(pixelType) ? cmsFLAGS_COPY_ALPHA : 0;
    const TransformPtr transform(cmsCreateTransform(source.get(), pixelType, destination.get(),
                                                    pixelType, INTENT_PERCEPTUAL, flags));
    if (!transform)
        return kColorMatchTransformFailed;
    if (image.isNull())
        return kColorMatchNoError;
    const auto run = [&transform](QImage& pixels) {
        const auto stride = cmsUInt32Number(pixels.bytesPerLine());
        uchar* bits = pixels.bits();
        cmsDoTransformLineStride(transform.get(), bits, bits, cmsUInt32Number(pixels.width()),
                                 cmsUInt32Number(pixels.height()), stride, stride, 0, 0);
    };
    if (straight == image.format()) {
        run(image);
    } else {
        // Colours are matched on straight values; premultiplied pixels go there and back.
        QImage pixels = image.convertToFormat(straight);
        run(pixels);
        image = pixels.convertToFormat(image.format());
    }
    return kColorMatchNoError;
}
