#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/imaging/UserData.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTransform>
#include <cstdint>
#include <memory>
#include <optional>

// Reads one image file and draws it into an offscreen picture. Image 1 is the
// picture itself; image 2 is the thumbnail embedded in the file's EXIF data,
// present only when the file has one. Drawing maps the current image's natural
// bounds through the matrix into the coordinates of the destination, whose
// top-left pixel sits at the destination's origin; a picture drawn smaller
// than its natural size is decoded at the smaller size.
class LUMISK_PLATFORM_EXPORT GraphicsImporter {
public:
    // Qualities, as the platform's codecs number them.
    static constexpr uint32_t kCodecLowQuality = 0x100;
    static constexpr uint32_t kCodecNormalQuality = 0x200;
    static constexpr uint32_t kCodecHighQuality = 0x300;
    static constexpr uint32_t kCodecLosslessQuality = 0x400;
    // Flag: draw the pixels as they are, ignoring any destination profile.
    static constexpr uint32_t kDontUseColorMatching = 8;
    // Metadata item types.
    static constexpr uint32_t kExifItemType = fourCharCode("exif");
    static constexpr uint32_t kXmpItemType = fourCharCode("xmp ");
    static constexpr uint32_t kIptcItemType = fourCharCode("iptc");
    // Item of image 2's metadata that marks it as a thumbnail by holding the word "n=th".
    static constexpr uint32_t kThumbnailItemType = fourCharCode("nth?");

    struct ImageDescription {
        uint32_t codecType = 0; // four-character code of the compression
        uint32_t spatialQuality = 0;
        QSize size;
    };

    // Null when the file is not an image we can read.
    static std::unique_ptr<GraphicsImporter> forFile(const QString& path);
    // Lower-case extensions of the files that can be read.
    static QStringList fileExtensions();
    ~GraphicsImporter();
    GraphicsImporter(const GraphicsImporter&) = delete;
    GraphicsImporter& operator=(const GraphicsImporter&) = delete;

    const QString& path() const { return _path; }

    int imageCount();
    int imageIndex() const { return _imageIndex; }
    bool setImageIndex(int index);

    // Of the current image, at the origin; nothing when it cannot be read.
    std::optional<QRect> naturalBounds();

    QTransform matrix() const { return _matrix; }
    void setMatrix(const QTransform& matrix) { _matrix = matrix; }
    // Sets the matrix that maps the natural bounds onto the rectangle.
    bool setBoundsRect(const QRect& bounds);
    // The natural bounds as the matrix places them.
    std::optional<QRect> boundsRect();

    uint32_t quality() const { return _quality; }
    void setQuality(uint32_t quality) { _quality = quality; }
    uint32_t flags() const { return _flags; }
    void setFlags(uint32_t flags) { _flags = flags; }
    // The profile drawn pixels are matched to; empty: no matching.
    void setDestinationColorProfile(QByteArray profile) {
        _destinationProfile = std::move(profile);
    }

    // The picture to draw into (32-bit, not owned) and the coordinates of its top-left pixel.
    void setGWorld(QImage* pixels, QPoint origin);
    bool draw();

    // The ICC profile embedded in the file; empty when it has none.
    QByteArray colorProfile();
    // The current image's metadata; nothing when it cannot be read.
    std::optional<UserData> metaData();
    std::optional<ImageDescription> imageDescription();
    // The name of the decoder that reads the file.
    std::optional<QString> componentName();

private:
    GraphicsImporter(QString path, QByteArray format, QSize size);
    void loadMetadata();
    // Decodes into `into`'s pixels when the decoder's size and format match them.
    QImage decode(QSize size, QImage into = QImage());
    QImage prepareForDrawing(QImage picture);
    void matchForDrawing(QImage& picture);

    QString _path;
    QByteArray _format;
    QSize _naturalSize;
    int _imageIndex = 1;
    QTransform _matrix;
    uint32_t _quality = kCodecNormalQuality;
    uint32_t _flags = 0;
    QByteArray _destinationProfile;
    QImage* _destination = nullptr;
    QPoint _origin;

    bool _metadataLoaded = false;
    QByteArray _profile;
    QByteArray _thumbnail;
    QByteArray _thumbnailFormat;
    std::optional<QSize> _thumbnailSize;
    UserData _userData;
};
