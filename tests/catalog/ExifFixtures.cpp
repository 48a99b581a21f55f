#include "ExifFixtures.h"

#include <QBuffer>
#include <QFile>
#include <exiv2/exiv2.hpp>

bool writeExifTags(const QString& path, const std::vector<ExifTag>& tags, bool bigEndian,
                   const QImage& thumbnail) {
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        for (const ExifTag& tag : tags) {
            const Exiv2::ExifKey key(tag.key);
            const Exiv2::TypeId type =
                tag.type ? Exiv2::TypeInfo::typeId(tag.type) : key.defaultTypeId();
            Exiv2::Value::AutoPtr value = Exiv2::Value::create(type);
            if (value->read(tag.value) != 0)
                return false;
            exif.add(key, value.get());
        }
        if (!thumbnail.isNull()) {
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            thumbnail.save(&buffer, "jpeg", 90);
            Exiv2::ExifThumb(exif).setJpegThumbnail(
                reinterpret_cast<const Exiv2::byte*>(jpeg.constData()), long(jpeg.size()));
        }
        image->setByteOrder(bigEndian ? Exiv2::bigEndian : Exiv2::littleEndian);
        image->setExifData(exif);
        image->writeMetadata();
        return true;
    } catch (const Exiv2::AnyError&) {
        return false;
    }
}

std::vector<ExifReadBack> readExifTags(const QString& path) {
    std::vector<ExifReadBack> result;
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        for (const Exiv2::Exifdatum& datum : image->exifData())
            result.push_back({QString::fromStdString(datum.groupName()), datum.tag(),
                              uint16_t(datum.typeId()), uint32_t(datum.count())});
    } catch (const Exiv2::AnyError&) {
    }
    return result;
}

const std::vector<ExifTag>& sampleExifTags() {
    static const std::vector<ExifTag> tags = {
        {"Exif.Image.Make", "Lumisk Test Camera"},
        {"Exif.Image.Model", "Model 7"},
        {"Exif.Image.Orientation", "6"},
        {"Exif.Image.XResolution", "300/1"},
        {"Exif.Image.YResolution", "300/1"},
        {"Exif.Image.ResolutionUnit", "2"},
        {"Exif.Image.Software", "exiv2"},
        {"Exif.Image.DateTime", "2006:07:14 10:20:30"},
        {"Exif.Image.YCbCrPositioning", "2"},
        {"Exif.Image.Copyright", "A"},
        {"Exif.Photo.ExposureTime", "1/125"},
        {"Exif.Photo.FNumber", "28/10"},
        {"Exif.Photo.ExposureProgram", "2"},
        {"Exif.Photo.ISOSpeedRatings", "200"},
        {"Exif.Photo.ExifVersion", "48 50 50 48"},
        {"Exif.Photo.DateTimeOriginal", "2006:07:14 10:20:30"},
        {"Exif.Photo.ComponentsConfiguration", "1 2 3 0"},
        {"Exif.Photo.ShutterSpeedValue", "7/1"},
        {"Exif.Photo.ApertureValue", "2970854/1000000"},
        {"Exif.Photo.ExposureBiasValue", "-2/3"},
        {"Exif.Photo.MeteringMode", "5"},
        {"Exif.Photo.Flash", "16"},
        {"Exif.Photo.FocalLength", "50/1"},
        {"Exif.Photo.SubjectArea", "100 200 30 40"},
        {"Exif.Photo.UserComment", "charset=Ascii a comment"},
        {"Exif.Photo.FlashpixVersion", "48 49 48 48"},
        {"Exif.Photo.ColorSpace", "1"},
        {"Exif.Photo.PixelXDimension", "64"},
        {"Exif.Photo.PixelYDimension", "48"},
        {"Exif.Photo.FileSource", "3"},
        {"Exif.Photo.SceneType", "1"},
        {"Exif.Photo.WhiteBalance", "0"},
        {"Exif.Photo.SceneCaptureType", "0"},
        {"Exif.GPSInfo.GPSVersionID", "2 2 0 0"},
        {"Exif.GPSInfo.GPSLatitudeRef", "N"},
        {"Exif.GPSInfo.GPSLatitude", "50/1 30/1 0/1"},
        {"Exif.GPSInfo.GPSLongitudeRef", "E"},
        {"Exif.GPSInfo.GPSLongitude", "8/1 15/1 30/1"},
        {"Exif.Iop.InteroperabilityIndex", "R98"},
        {"Exif.Iop.InteroperabilityVersion", "48 49 48 48"},
    };
    return tags;
}
