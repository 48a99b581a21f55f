#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/imaging/UserData.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

class QWidget;

// Writes a picture into an image file of one format. The formats are those of
// Qt's image writers ("JPEG", "PNG", "TIFF", "BMP", when the writer is present),
// each with a default file type and file-name extension as four-character codes
// (the extension padded with spaces: 'jpg '). A format's own settings (the JPEG
// quality, the TIFF compression) are kept as bytes, an XML property list, that its
// settings dialog edits; a format without settings has no dialog.
//
// The file gets the format's pixels from Qt's writer; exiv2 then adds the ICC
// profile, the metadata items ('exif', 'iptc', 'xmp ') and an EXIF thumbnail to
// the formats that can hold them (JPEG, PNG, TIFF; a BMP file holds pixels only).
// Writing goes to a temporary file beside the target that replaces it only when
// every byte is written, so a failed export leaves an existing file as it was.
class LUMISK_PLATFORM_EXPORT GraphicsExporter {
public:
    // Errors, numbered as the platform's file and codec calls number them.
    enum Error : int {
        NoError = 0,
        DiskFullError = -34, // no room left (or the file size limit reached)
        IOError = -36,       // any other failure of the system's file calls
        VolumeLockedError = -44,
        ParamError = -50, // no picture, or settings bytes that are not this format's
        WritePermissionError = -61,
        OutOfMemoryError = -108,
        FolderNotFoundError = -120,
        UserCanceledError = -128,
        CodecError = -8960, // the encoder or the metadata writer refused the picture
    };

    // Codec qualities, as the platform numbers them.
    static constexpr int kCodecLowQuality = 0x100;
    static constexpr int kCodecNormalQuality = 0x200;
    static constexpr int kCodecHighQuality = 0x300;
    static constexpr int kCodecLosslessQuality = 0x400;

    // The installed formats, in a fixed order.
    static QStringList formatNames();
    // Null when no such format is installed.
    static std::unique_ptr<GraphicsExporter> open(const QString& formatName);
    ~GraphicsExporter();
    GraphicsExporter(const GraphicsExporter&) = delete;
    GraphicsExporter& operator=(const GraphicsExporter&) = delete;

    const QString& name() const;
    uint32_t defaultFileType() const;
    uint32_t defaultFileNameExtension() const;

    // Whether the format has settings, and so a settings dialog.
    bool canRequestSettings() const;
    QByteArray settingsAsBytes() const;
    // ParamError, with the settings unchanged, when the bytes are not settings of this format.
    int setSettingsFromBytes(const QByteArray& bytes);
    // Shows the settings dialog over the parent; UserCanceledError when the user cancels.
    int requestSettings(QWidget* parent = nullptr);

    // A codec quality (0 to 1024) that overrides the format's setting; -1: the setting.
    void setCompressionQuality(int codecQuality) { _compressionQuality = codecQuality; }
    int compressionQuality() const { return _compressionQuality; }
    // The ICC profile to embed; empty: none.
    void setColorProfile(QByteArray profile) { _profile = std::move(profile); }
    // Whether an EXIF block is written at all; without it no metadata or thumbnail is.
    void setExifEnabled(bool enabled) { _exifEnabled = enabled; }
    // The metadata items to carry into the file; nothing: none.
    void setMetaData(std::optional<UserData> items) { _metaData = std::move(items); }
    // The largest thumbnail to put in the EXIF block; the empty size: none.
    void setThumbnailSize(QSize maximum) { _thumbnailSize = maximum; }

    // Writes the picture; NoError or an Error. Its dots per metre, when set,
    // become the file's resolution.
    int exportImage(const QImage& pixels, const QString& path);

    // What the exporter knows of one format (defined with the list of formats).
    struct Format;

private:
    explicit GraphicsExporter(const Format& format);
    QByteArray encode(const QImage& pixels, int& error) const;
    QByteArray addMetadata(const QByteArray& encoded, const QImage& pixels, int& error) const;

    const Format& _format;
    int _quality = kCodecHighQuality; // JPEG setting, codec quality
    int _tiffCompression = 1;         // TIFF setting: 0 none, 1 LZW
    int _compressionQuality = -1;
    QByteArray _profile;
    bool _exifEnabled = false;
    std::optional<UserData> _metaData;
    QSize _thumbnailSize;
};

// Qt's writer quality (0 to 100) for a codec quality: 256 to 1024 mapped
// linearly, lower qualities giving 0.
LUMISK_PLATFORM_EXPORT int qtQualityForCodecQuality(int codecQuality);
