#include "platform/imaging/GraphicsImporter.h"

#include "platform/imaging/ColorMatching.h"
#include "platform/imaging/Exiv2Support.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <cmath>
#include <cstring>

namespace {

// Offscreen rectangles are 16-bit, so no image side may exceed this.
constexpr int kMaxSide = 32767;
// Decodes larger than this (in MB) are refused, whatever the file claims.
constexpr int kAllocationLimitMB = 1024;
// The word that marks image 2 as the embedded thumbnail.
constexpr char kThumbnailMarker[4] = {'n', '=', 't', 'h'};

using Exiv2Support::bytesOf;

bool isUsableSize(const QSize& size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= kMaxSide &&
           size.height() <= kMaxSide;
}

void prepareReader(QImageReader& reader) {
    reader.setDecideFormatFromContent(true);
    // The caller turns pictures itself; the file's orientation tag is metadata.
    reader.setAutoTransform(false);
    reader.setAllocationLimit(kAllocationLimitMB);
}

uint32_t codecTypeOf(const QByteArray& format) {
    char code[4] = {' ', ' ', ' ', ' '};
    std::memcpy(code, format.constData(), size_t(std::min<qsizetype>(format.size(), 4)));
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

bool isLossy(const QByteArray& format) {
    return format == "jpeg" || format == "jpg" || format == "webp";
}

int sign(qreal value) {
    return value < 0 ? -1 : 1;
}

// Copies an opaque picture into the destination at a position, clipped.
void copyOpaque(QImage& destination, const QImage& picture, QPoint at) {
    const QRect area = QRect(at, picture.size()).intersected(destination.rect());
    if (area.isEmpty())
        return;
    const int count = area.width();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* from = reinterpret_cast<const uint32_t*>(picture.constScanLine(y - at.y())) +
                           (area.left() - at.x());
        auto* to = reinterpret_cast<uint32_t*>(destination.scanLine(y)) + area.left();
        for (int x = 0; x < count; ++x)
            to[x] = from[x] | 0xFF000000u;
    }
}

} // namespace

std::unique_ptr<GraphicsImporter> GraphicsImporter::forFile(const QString& path) {
    if (path.isEmpty())
        return nullptr;
    QImageReader reader(path);
    prepareReader(reader);
    if (!reader.canRead())
        return nullptr;
    const QByteArray format = reader.format();
    QSize size = reader.size();
    if (!size.isValid()) {
        // The decoder cannot tell the size without decoding.
        const QImage image = reader.read();
        size = image.size();
    }
    if (!isUsableSize(size))
        return nullptr;
    return std::unique_ptr<GraphicsImporter>(new GraphicsImporter(path, format, size));
}

QStringList GraphicsImporter::fileExtensions() {
    QStringList extensions;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        extensions.append(QString::fromLatin1(format).toLower());
    extensions.removeDuplicates();
    return extensions;
}

GraphicsImporter::GraphicsImporter(QString path, QByteArray format, QSize size)
    : _path(std::move(path)), _format(std::move(format)), _naturalSize(size) {}

GraphicsImporter::~GraphicsImporter() = default;

void GraphicsImporter::loadMetadata() {
    if (_metadataLoaded)
        return;
    _metadataLoaded = true;
    Exiv2Support::initialize();
    try {
        // A file object of its own, so that the path is never taken for a URL.
        // exiv2 0.27 hands its objects over in std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        Exiv2::BasicIo::AutoPtr io(new Exiv2::FileIo(QFile::encodeName(_path).toStdString()));
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(io);
#pragma GCC diagnostic pop
        if (!image.get())
            return;
        image->readMetadata();
        if (image->iccProfileDefined())
            _profile = bytesOf(image->iccProfile()->pData_, image->iccProfile()->size_);

        const Exiv2::ExifData& exif = image->exifData();
        if (!exif.empty()) {
            const Exiv2::DataBuf thumbnail = Exiv2::ExifThumbC(exif).copy();
            _thumbnail = bytesOf(thumbnail.pData_, thumbnail.size_);
            Exiv2::ByteOrder order = image->byteOrder();
            if (order == Exiv2::invalidByteOrder)
                order = Exiv2::littleEndian;
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, order, exif);
            if (!blob.empty())
                _userData.addItem(kExifItemType, bytesOf(blob.data(), long(blob.size())));
        }
        if (!image->iptcData().empty()) {
            const Exiv2::DataBuf iptc = Exiv2::IptcParser::encode(image->iptcData());
            if (iptc.size_ > 0)
                _userData.addItem(kIptcItemType, bytesOf(iptc.pData_, iptc.size_));
        }
        const std::string& xmp = image->xmpPacket();
        if (!xmp.empty())
            _userData.addItem(kXmpItemType, QByteArray(xmp.data(), qsizetype(xmp.size())));
    } catch (...) {
        // Unreadable metadata is no metadata; the picture itself may still be fine.
    }
}

int GraphicsImporter::imageCount() {
    loadMetadata();
    return _thumbnail.isEmpty() ? 1 : 2;
}

bool GraphicsImporter::setImageIndex(int index) {
    if (index < 1 || index > imageCount())
        return false;
    _imageIndex = index;
    return true;
}

std::optional<QRect> GraphicsImporter::naturalBounds() {
    if (_imageIndex == 1)
        return QRect(QPoint(0, 0), _naturalSize);
    if (!_thumbnailSize) {
        QBuffer buffer(&_thumbnail);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        prepareReader(reader);
        _thumbnailFormat = reader.format();
        _thumbnailSize = reader.size();
    }
    if (!isUsableSize(*_thumbnailSize))
        return std::nullopt;
    return QRect(QPoint(0, 0), *_thumbnailSize);
}

bool GraphicsImporter::setBoundsRect(const QRect& bounds) {
    const std::optional<QRect> natural = naturalBounds();
    if (!natural)
        return false;
    _matrix = QTransform(qreal(bounds.width()) / natural->width(), 0, 0,
                         qreal(bounds.height()) / natural->height(), bounds.left(), bounds.top());
    return true;
}

std::optional<QRect> GraphicsImporter::boundsRect() {
    const std::optional<QRect> natural = naturalBounds();
    if (!natural)
        return std::nullopt;
    return _matrix.mapRect(QRectF(*natural)).toAlignedRect();
}

void GraphicsImporter::setGWorld(QImage* pixels, QPoint origin) {
    _destination = pixels;
    _origin = origin;
}

QImage GraphicsImporter::decode(QSize size, QImage into) {
    QBuffer buffer(&_thumbnail);
    QImageReader reader;
    if (_imageIndex == 2) {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
    } else {
        reader.setFileName(_path);
    }
    prepareReader(reader);
    // The decoders scale smoothly from this quality on.
    reader.setQuality(_quality >= kCodecNormalQuality ? 75 : 25);
    const std::optional<QRect> natural = naturalBounds();
    if (natural && size != natural->size())
        reader.setScaledSize(size);
    QImage image = std::move(into);
    if (!reader.read(&image))
        return QImage();
    if (image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage GraphicsImporter::prepareForDrawing(QImage picture) {
    const QImage::Format format =
        picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    picture = std::move(picture).convertToFormat(format);
    matchForDrawing(picture);
    return picture;
}

void GraphicsImporter::matchForDrawing(QImage& picture) {
    if (_destinationProfile.isEmpty() || (_flags & kDontUseColorMatching))
        return;
    QByteArray source = colorProfile();
    if (!isRGBProfile(source))
        source = defaultRGBProfile();
    if (source != _destinationProfile)
        matchPixels(picture, source, _destinationProfile);
}

bool GraphicsImporter::draw() {
    if (!_destination || _destination->isNull() || _destination->depth() != 32)
        return false;
    const std::optional<QRect> natural = naturalBounds();
    if (!natural)
        return false;
    const QTransform toPixels = _matrix * QTransform::fromTranslate(-_origin.x(), -_origin.y());
    const QRectF target = toPixels.mapRect(QRectF(*natural));
    if (!target.intersects(QRectF(_destination->rect())))
        return true;

    const bool straight = toPixels.m12() == 0 && toPixels.m21() == 0;
    const bool quarterTurned = toPixels.m11() == 0 && toPixels.m22() == 0;
    if (straight || quarterTurned) {
        // Scaled while decoding, then turned or mirrored without resampling.
        const QSize drawn(qRound(target.width()), qRound(target.height()));
        if (drawn.isEmpty())
            return true;
        const QTransform turn(
            straight ? sign(toPixels.m11()) : 0, straight ? 0 : sign(toPixels.m12()),
            straight ? 0 : sign(toPixels.m21()), straight ? sign(toPixels.m22()) : 0, 0, 0);
        const QPoint at(qRound(target.left()), qRound(target.top()));
        // A picture filling the whole destination is decoded straight into it when
        // the decoder makes opaque 32-bit pixels, which have the destination's layout;
        // anything else comes back in the decoder's own pixels.
        QImage into;
        if (turn.isIdentity() && at == QPoint(0, 0) && drawn == _destination->size())
            into = QImage(_destination->bits(), drawn.width(), drawn.height(),
                          _destination->bytesPerLine(), QImage::Format_RGB32);
        const bool intoDestination = !into.isNull();
        QImage picture = decode(quarterTurned ? drawn.transposed() : drawn, std::move(into));
        if (picture.isNull())
            return false;
        if (intoDestination && picture.constBits() == _destination->constBits()) {
            matchForDrawing(picture);
            return true;
        }
        picture = prepareForDrawing(std::move(picture));
        if (!turn.isIdentity())
            picture = picture.transformed(turn);
        if (!picture.hasAlphaChannel()) {
            copyOpaque(*_destination, picture, at);
        } else {
            QPainter painter(_destination);
            painter.drawImage(at, picture);
        }
        return true;
    }

    // Any other angle: decode no larger than the drawing needs, then resample.
    const qreal scale = std::min<qreal>(1, std::sqrt(std::abs(toPixels.determinant())));
    const QSize decoded(std::max(1, qRound(natural->width() * scale)),
                        std::max(1, qRound(natural->height() * scale)));
    QImage picture = decode(decoded);
    if (picture.isNull())
        return false;
    picture = prepareForDrawing(std::move(picture));
    QPainter painter(_destination);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, _quality >= kCodecNormalQuality);
    painter.setTransform(QTransform::fromScale(qreal(natural->width()) / decoded.width(),
                                               qreal(natural->height()) / decoded.height()) *
                         toPixels);
    painter.drawImage(QPoint(0, 0), picture);
    return true;
}

QByteArray GraphicsImporter::colorProfile() {
    loadMetadata();
    return _profile;
}

std::optional<UserData> GraphicsImporter::metaData() {
    loadMetadata();
    if (_imageIndex == 1)
        return _userData;
    UserData thumbnail;
    thumbnail.addItem(kThumbnailItemType, QByteArray(kThumbnailMarker, sizeof kThumbnailMarker));
    return thumbnail;
}

std::optional<GraphicsImporter::ImageDescription> GraphicsImporter::imageDescription() {
    const std::optional<QRect> natural = naturalBounds();
    if (!natural)
        return std::nullopt;
    const QByteArray& format = _imageIndex == 1 ? _format : _thumbnailFormat;
    return ImageDescription{codecTypeOf(format),
                            isLossy(format) ? kCodecNormalQuality : kCodecLosslessQuality,
                            natural->size()};
}

std::optional<QString> GraphicsImporter::componentName() {
    if (_format.isEmpty())
        return std::nullopt;
    return QString::fromLatin1(_format).toUpper();
}
