#include "ImageFixtures.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <exiv2/exiv2.hpp>
#include <lcms2.h>

QImage quadrantImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = width / 2, h = height / 2;
    painter.fillRect(0, 0, w, h, kTopLeft);
    painter.fillRect(w, 0, width - w, h, kTopRight);
    painter.fillRect(0, h, w, height - h, kBottomLeft);
    painter.fillRect(w, h, width - w, height - h, kBottomRight);
    return image;
}

QImage solidImage(int width, int height, const QColor& color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QString writeImage(const QString& path, const QImage& image, const char* format) {
    return image.save(path, format, 100) ? path : QString();
}

namespace {

Exiv2::Image::AutoPtr openForWriting(const QString& path) {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    return image;
}

} // namespace

bool addExif(const QString& path, const QString& make, const QImage& thumbnail) {
    try {
        Exiv2::Image::AutoPtr image = openForWriting(path);
        Exiv2::ExifData exif = image->exifData();
        exif["Exif.Image.Make"] = make.toStdString();
        if (!thumbnail.isNull()) {
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            thumbnail.save(&buffer, "jpeg", 95);
            Exiv2::ExifThumb(exif).setJpegThumbnail(
                reinterpret_cast<const Exiv2::byte*>(jpeg.constData()), long(jpeg.size()));
        }
        image->setExifData(exif);
        image->writeMetadata();
        return true;
    } catch (const Exiv2::AnyError&) {
        return false;
    }
}

bool embedProfile(const QString& path, const QByteArray& profile) {
    try {
        Exiv2::Image::AutoPtr image = openForWriting(path);
        Exiv2::DataBuf bytes(reinterpret_cast<const Exiv2::byte*>(profile.constData()),
                             long(profile.size()));
        image->setIccProfile(bytes);
        image->writeMetadata();
        return true;
    } catch (const Exiv2::AnyError&) {
        return false;
    }
}

QByteArray adobeRGBProfile() {
    return QColorSpace(QColorSpace::AdobeRgb).iccProfile();
}

namespace {

// The bytes of a profile, which is closed. The header's creation time is
// cleared, so that a profile made twice is the same bytes whatever the clock.
QByteArray savedProfile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    constexpr qsizetype kDateTimeOffset = 24;
    constexpr qsizetype kDateTimeSize = 12;
    if (bytes.size() >= kDateTimeOffset + kDateTimeSize)
        std::fill_n(bytes.begin() + kDateTimeOffset, kDateTimeSize, '\0');
    return bytes;
}

} // namespace

QByteArray wideGamutProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.708, 0.292, 1.0}, {0.170, 0.797, 1.0}, {0.131, 0.046, 1.0}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return savedProfile(profile);
}

QByteArray gammaProfile(double gamma, const char* description, bool multilingualDescription) {
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", description);
    // lcms2 writes a 'desc' tag of its own; a null one removes it.
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, multilingualDescription ? nullptr : text);
    if (multilingualDescription)
        cmsWriteTag(profile, cmsSigProfileDescriptionMLTag, text);
    cmsMLUfree(text);
    return savedProfile(profile);
}

QByteArray grayProfile() {
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    return savedProfile(profile);
}

bool near(QRgb pixel, const QColor& color, int tolerance) {
    return std::abs(qRed(pixel) - color.red()) <= tolerance &&
           std::abs(qGreen(pixel) - color.green()) <= tolerance &&
           std::abs(qBlue(pixel) - color.blue()) <= tolerance;
}

MetadataReadBack readMetadataBack(const QString& path) {
    MetadataReadBack found;
    try {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
#pragma GCC diagnostic pop
        image->readMetadata();
        found.readable = true;
        if (image->iccProfileDefined())
            found.profile = QByteArray(reinterpret_cast<const char*>(image->iccProfile()->pData_),
                                       image->iccProfile()->size_);
        const Exiv2::ExifData& exif = image->exifData();
        // A TIFF file's own structure is listed with the EXIF data; an EXIF block
        // proper adds the EXIF directory, the thumbnail's or a camera's tags.
        for (const Exiv2::Exifdatum& datum : exif) {
            const std::string group = datum.groupName();
            if (group == "Photo" || group == "Thumbnail" || group == "GPSInfo" ||
                datum.key() == "Exif.Image.Make" || datum.key() == "Exif.Image.ExifTag")
                found.hasExif = true;
        }
        const auto make = exif.findKey(Exiv2::ExifKey("Exif.Image.Make"));
        if (make != exif.end())
            found.make = QString::fromStdString(make->toString());
        const Exiv2::DataBuf thumbnail = Exiv2::ExifThumbC(exif).copy();
        if (thumbnail.size_ > 0)
            found.thumbnail =
                QImage::fromData(
                    QByteArray(reinterpret_cast<const char*>(thumbnail.pData_), thumbnail.size_))
                    .size();
    } catch (...) {
    }
    return found;
}
