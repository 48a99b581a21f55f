#include "platform/imaging/GraphicsExporter.h"

#include "platform/foundation/PropertyList.h"
#include "platform/imaging/Exiv2Support.h"
#include "platform/imaging/GraphicsImporter.h"
#include "platform/ui/ModalAlert.h"

#include <QBuffer>
#include <QColorSpace>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLabel>
#include <QRandomGenerator>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

struct GraphicsExporter::Format {
    QString name;
    QByteArray writerFormat;
    uint32_t fileType;
    uint32_t extension;
    bool hasSettings;
    // Whether exiv2 can add a profile and metadata to such files.
    bool holdsMetadata;
};

namespace {

using Format = GraphicsExporter::Format;

const std::vector<Format>& allFormats() {
    static const std::vector<Format> formats = {
        {QStringLiteral("JPEG"), "jpeg", fourCharCode("JPEG"), fourCharCode("jpg "), true, true},
        {QStringLiteral("PNG"), "png", fourCharCode("PNGf"), fourCharCode("png "), false, true},
        {QStringLiteral("TIFF"), "tiff", fourCharCode("TIFF"), fourCharCode("tif "), true, true},
        {QStringLiteral("BMP"), "bmp", fourCharCode("BMPf"), fourCharCode("bmp "), false, false},
    };
    return formats;
}

bool isInstalled(const Format& format) {
    return QImageWriter::supportedImageFormats().contains(format.writerFormat);
}

// Keys of the settings bytes.
const QString kFormatKey = QStringLiteral("Format");
const QString kQualityKey = QStringLiteral("Quality");
const QString kCompressionKey = QStringLiteral("Compression");

// TIFF compressions as Qt's writer numbers them.
constexpr int kTiffNoCompression = 0;
constexpr int kTiffLZWCompression = 1;

// The EXIF thumbnail is a small JPEG of its own; this quality keeps it well under
// the 64 KB that one JPEG segment can hold, whatever the picture.
constexpr int kThumbnailQuality = 75;

QString tr(const char* text) {
    return QCoreApplication::translate("GraphicsExporter", text);
}

int errorForErrno(int code) {
    switch (code) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return GraphicsExporter::DiskFullError;
    case EROFS:
        return GraphicsExporter::VolumeLockedError;
    case EACCES:
    case EPERM:
        return GraphicsExporter::WritePermissionError;
    case ENOENT:
    case ENOTDIR:
        return GraphicsExporter::FolderNotFoundError;
    case ENOMEM:
        return GraphicsExporter::OutOfMemoryError;
    default:
        return GraphicsExporter::IOError;
    }
}

// Writes the bytes into a new file beside the target and renames it over the
// target once all of them are on disk. An existing target keeps its mode; a
// link is followed, so that the file it names is the one replaced.
int writeReplacing(const QString& path, const QByteArray& bytes) {
    QFileInfo target(path);
    if (target.isSymLink() && target.exists())
        target = QFileInfo(target.canonicalFilePath());
    const QByteArray finalPath = QFile::encodeName(target.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    struct stat existing {};
    const bool exists = ::stat(finalPath.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return GraphicsExporter::IOError;

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/." + QFile::encodeName(target.fileName()) + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errorForErrno(errno);
    }
    if (fd < 0)
        return GraphicsExporter::IOError;

    int failure = 0;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            failure = errno;
            break;
        }
        data += written;
        left -= written;
    }
    if (!failure && exists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        failure = errno;
    // Some file systems report a failed write only when the file is closed.
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (!failure && ::rename(temporary.constData(), finalPath.constData()) != 0)
        failure = errno;
    if (failure) {
        ::unlink(temporary.constData());
        return errorForErrno(failure);
    }
    return GraphicsExporter::NoError;
}

QByteArray jpegThumbnail(const QImage& pixels, QSize maximum) {
    QImage thumbnail = pixels;
    if (pixels.width() > maximum.width() || pixels.height() > maximum.height())
        thumbnail = pixels.scaled(maximum, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (thumbnail.isNull())
        return {};
    thumbnail = thumbnail.convertToFormat(QImage::Format_RGB32);
    thumbnail.setColorSpace(QColorSpace());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kThumbnailQuality);
    return writer.write(thumbnail) ? bytes : QByteArray();
}

// exiv2 0.27 writes the profile of a PNG file that had none in a chunk whose name
// is empty, which PNG readers reject (and so drop the profile); the chunk gets
// the name PNG writers commonly give it.
QByteArray namePngProfileChunk(QByteArray png) {
    static const QByteArray kName = QByteArrayLiteral("ICC profile");
    qsizetype at = 8; // after the signature
    while (at + 12 <= png.size()) {
        const auto* header = reinterpret_cast<const uchar*>(png.constData() + at);
        const qsizetype length = qsizetype(header[0]) << 24 | qsizetype(header[1]) << 16 |
                                 qsizetype(header[2]) << 8 | qsizetype(header[3]);
        if (length > png.size() - at - 12)
            break;
        if (png.mid(at + 4, 4) == "iCCP") {
            if (length == 0 || png.at(at + 8) != '\0')
                break;
            QByteArray body = kName + png.mid(at + 8, length);
            const uint32_t newLength = uint32_t(body.size());
            QByteArray chunk;
            for (int shift = 24; shift >= 0; shift -= 8)
                chunk.append(char((newLength >> shift) & 0xFF));
            chunk.append("iCCP").append(body);
            const uLong crc =
                crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(chunk.constData() + 4),
                      uInt(chunk.size() - 4));
            for (int shift = 24; shift >= 0; shift -= 8)
                chunk.append(char((crc >> shift) & 0xFF));
            png.replace(at, length + 12, chunk);
            break;
        }
        at += length + 12;
    }
    return png;
}

// The picture's size replaces the one the metadata brought from the photo's file.
void updatePixelDimensions(Exiv2::ExifData& exif, QSize size) {
    for (const auto& [key, value] : {std::pair{"Exif.Photo.PixelXDimension", size.width()},
                                     std::pair{"Exif.Photo.PixelYDimension", size.height()}}) {
        const auto found = exif.findKey(Exiv2::ExifKey(key));
        if (found != exif.end())
            found->setValue(std::to_string(value));
    }
}

} // namespace

int qtQualityForCodecQuality(int codecQuality) {
    const int span = GraphicsExporter::kCodecLosslessQuality - GraphicsExporter::kCodecLowQuality;
    const int above = std::clamp(codecQuality - GraphicsExporter::kCodecLowQuality, 0, span);
    return (above * 100 + span / 2) / span;
}

QStringList GraphicsExporter::formatNames() {
    QStringList names;
    for (const Format& format : allFormats())
        if (isInstalled(format))
            names.append(format.name);
    return names;
}

std::unique_ptr<GraphicsExporter> GraphicsExporter::open(const QString& formatName) {
    for (const Format& format : allFormats())
        if (format.name == formatName && isInstalled(format))
            return std::unique_ptr<GraphicsExporter>(new GraphicsExporter(format));
    return nullptr;
}

GraphicsExporter::GraphicsExporter(const Format& format) : _format(format) {}

GraphicsExporter::~GraphicsExporter() = default;

const QString& GraphicsExporter::name() const {
    return _format.name;
}

uint32_t GraphicsExporter::defaultFileType() const {
    return _format.fileType;
}

uint32_t GraphicsExporter::defaultFileNameExtension() const {
    return _format.extension;
}

bool GraphicsExporter::canRequestSettings() const {
    return _format.hasSettings;
}

QByteArray GraphicsExporter::settingsAsBytes() const {
    QVariantMap settings{{kFormatKey, _format.name}};
    if (_format.writerFormat == "jpeg")
        settings.insert(kQualityKey, _quality);
    else if (_format.writerFormat == "tiff")
        settings.insert(kCompressionKey, _tiffCompression);
    return PropertyList::toXml(settings);
}

int GraphicsExporter::setSettingsFromBytes(const QByteArray& bytes) {
    const QVariant value = PropertyList::fromXml(bytes);
    if (value.typeId() != QMetaType::QVariantMap)
        return ParamError;
    const QVariantMap settings = value.toMap();
    if (settings.value(kFormatKey).toString() != _format.name)
        return ParamError;
    if (_format.writerFormat == "jpeg") {
        const QVariant quality = settings.value(kQualityKey);
        if (!quality.canConvert<int>() || quality.toInt() < 0 ||
            quality.toInt() > kCodecLosslessQuality)
            return ParamError;
        _quality = quality.toInt();
    } else if (_format.writerFormat == "tiff") {
        const QVariant compression = settings.value(kCompressionKey);
        if (!compression.canConvert<int>() || (compression.toInt() != kTiffNoCompression &&
                                               compression.toInt() != kTiffLZWCompression))
            return ParamError;
        _tiffCompression = compression.toInt();
    }
    return NoError;
}

int GraphicsExporter::requestSettings(QWidget* parent) {
    if (!_format.hasSettings)
        return ParamError;
    QDialog dialog(parent);
    dialog.setWindowTitle(tr("%1 Options").arg(_format.name));
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    QSlider* quality = nullptr;
    QComboBox* compression = nullptr;
    if (_format.writerFormat == "jpeg") {
        quality = new QSlider(Qt::Horizontal, &dialog);
        quality->setObjectName(QStringLiteral("quality"));
        quality->setRange(kCodecLowQuality, kCodecLosslessQuality);
        quality->setSingleStep(kCodecLowQuality / 8);
        quality->setPageStep(kCodecLowQuality);
        quality->setTickInterval(kCodecLowQuality);
        quality->setTickPosition(QSlider::TicksBelow);
        quality->setValue(std::max(_quality, kCodecLowQuality));
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(tr("Low"), &dialog));
        row->addWidget(quality, 1);
        row->addWidget(new QLabel(tr("Best"), &dialog));
        form->addRow(tr("Quality:"), row);
    } else {
        compression = new QComboBox(&dialog);
        compression->setObjectName(QStringLiteral("compression"));
        compression->addItem(tr("None"), kTiffNoCompression);
        compression->addItem(tr("LZW"), kTiffLZWCompression);
        compression->setCurrentIndex(compression->findData(_tiffCompression));
        form->addRow(tr("Compression:"), compression);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    if (ModalAlert::runDialog(dialog) != QDialog::Accepted)
        return UserCanceledError;
    if (quality)
        _quality = quality->value();
    if (compression)
        _tiffCompression = compression->currentData().toInt();
    return NoError;
}

QByteArray GraphicsExporter::encode(const QImage& pixels, int& error) const {
    QImage picture = pixels;
    // The profile goes in as the caller's bytes, not as Qt's reading of them.
    picture.setColorSpace(QColorSpace());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, _format.writerFormat);
    if (_format.writerFormat == "jpeg")
        writer.setQuality(
            qtQualityForCodecQuality(_compressionQuality >= 0 ? _compressionQuality : _quality));
    else if (_format.writerFormat == "tiff")
        writer.setCompression(_tiffCompression);
    if (!writer.write(picture)) {
        error = CodecError;
        return {};
    }
    return bytes;
}

QByteArray GraphicsExporter::addMetadata(const QByteArray& encoded, const QImage& pixels,
                                         int& error) const {
    Exiv2Support::initialize();
    try {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(encoded.constData()), long(encoded.size()));
#pragma GCC diagnostic pop
        if (!image.get()) {
            error = CodecError;
            return {};
        }
        image->readMetadata();
        Exiv2::ExifData exif;
        if (_exifEnabled) {
            if (_metaData) {
                if (const auto item = _metaData->item(GraphicsImporter::kExifItemType))
                    Exiv2::ExifParser::decode(
                        exif, reinterpret_cast<const Exiv2::byte*>(item->constData()),
                        uint32_t(item->size()));
                if (const auto item = _metaData->item(GraphicsImporter::kIptcItemType)) {
                    Exiv2::IptcData iptc;
                    if (Exiv2::IptcParser::decode(
                            iptc, reinterpret_cast<const Exiv2::byte*>(item->constData()),
                            uint32_t(item->size())) == 0)
                        image->setIptcData(iptc);
                }
                if (const auto item = _metaData->item(GraphicsImporter::kXmpItemType))
                    image->setXmpPacket(item->toStdString());
            }
            // A thumbnail the photo's file brought shows that file, not this picture.
            Exiv2::ExifThumb(exif).erase();
            updatePixelDimensions(exif, pixels.size());
            if (!_thumbnailSize.isEmpty()) {
                const QByteArray thumbnail = jpegThumbnail(pixels, _thumbnailSize);
                if (thumbnail.isEmpty()) {
                    error = CodecError;
                    return {};
                }
                Exiv2::ExifThumb(exif).setJpegThumbnail(
                    reinterpret_cast<const Exiv2::byte*>(thumbnail.constData()),
                    long(thumbnail.size()));
            }
        }
        image->setExifData(exif);
        if (!_profile.isEmpty()) {
            Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte*>(_profile.constData()),
                                   long(_profile.size()));
            image->setIccProfile(profile, true);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0) {
            error = CodecError;
            return {};
        }
        const Exiv2::DataBuf written = io.read(long(io.size()));
        io.close();
        QByteArray bytes = Exiv2Support::bytesOf(written.pData_, written.size_);
        if (_format.writerFormat == "png" && !_profile.isEmpty())
            bytes = namePngProfileChunk(std::move(bytes));
        return bytes;
    } catch (const std::bad_alloc&) {
        error = OutOfMemoryError;
    } catch (...) {
        error = CodecError;
    }
    return {};
}

int GraphicsExporter::exportImage(const QImage& pixels, const QString& path) {
    if (pixels.isNull() || path.isEmpty())
        return ParamError;
    int error = NoError;
    QByteArray bytes;
    try {
        bytes = encode(pixels, error);
        const bool addsMetadata = _exifEnabled || !_profile.isEmpty();
        if (!error && addsMetadata && _format.holdsMetadata)
            bytes = addMetadata(bytes, pixels, error);
    } catch (const std::bad_alloc&) {
        error = OutOfMemoryError;
    }
    if (error)
        return error;
    return writeReplacing(path, bytes);
}
