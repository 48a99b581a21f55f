#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"
#include "utilities/GWorld.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <memory>

class GraphicsImporter;

// Keys of the component information dictionary.
inline constexpr const char* kComponentNameKey = "componentName";
inline constexpr const char* kCodecTypeKey = "codecType";
inline constexpr const char* kSpatialQualityKey = "spatialQuality";
inline constexpr const char* kHadColorSyncKey = "hadColorSync";
inline constexpr const char* kHadThumbnailKey = "hadThumbnail";
inline constexpr const char* kFileTypeKey = "fileType";
inline constexpr const char* kExtensionKey = "extension";

// Decodes one image file for the photo catalog: its natural size, the photo at a
// requested size turned, colour-matched and adjusted, its thumbnail, metadata
// and component information. One lock serialises all decoding in the process
// and guards a cache of the last decoded picture, so that changing only an
// adjustment does not decode the file again. An importer serves one request.
class Importer {
public:
    // Null when the file cannot be opened as an image.
    static std::unique_ptr<Importer> initWithFile(const QString& path);
    ~Importer();
    Importer(const Importer&) = delete;
    Importer& operator=(const Importer&) = delete;

    // The extensions of the image files that can be read.
    static QStringList validExtensions();
    // Forgets the cached picture when it was decoded from that file.
    static void flushCachedGWorld(const QString& path);
    static bool isGWorldCached(const QString& path);

    // Natural pixel size; the zero size on failure.
    Size size();

    float rotationAngle() const { return _rotationAngle; }
    void setRotationAngle(float degrees) { _rotationAngle = degrees; }
    float sharpness() const { return _sharpness; }
    void setSharpness(float sharpness) { _sharpness = sharpness; }
    float contrast() const { return _contrast; }
    void setContrast(float contrast) { _contrast = contrast; }
    float saturation() const { return _saturation; }
    void setSaturation(float saturation) { _saturation = saturation; }
    float brightness() const { return _brightness; }
    void setBrightness(float brightness) { _brightness = brightness; }
    uint32_t renderQuality() const { return _renderQuality; }
    void setRenderQuality(uint32_t quality) { _renderQuality = quality; }
    const QList<QByteArray>& redEyeArray() const { return _redEyeArray; }
    void setRedEyeArray(QList<QByteArray> redEyeArray) { _redEyeArray = std::move(redEyeArray); }
    bool usesColorSync() const { return _useColorSync; }
    void setUsesColorSync(bool flag) { _useColorSync = flag; }

    // The photo at the requested pixel size (zero: natural), with rotation,
    // colour matching, the adjustments and red-eye correction; null on failure.
    Image getImageWithSize(Size requested);
    // A plain thumbnail at the requested size (zero: natural), from the file's
    // embedded thumbnail when it has one, turned by the rotation; null on failure.
    Image getThumbnailWithSize(Size requested);
    // The file's metadata as flattened items; null when it cannot be read.
    QByteArray getMetaData();
    QVariantMap getComponentInfo();
    void applyRedEyeToBitmap(QImage& bitmap) const;

private:
    Importer(std::unique_ptr<GraphicsImporter> importer, QString path);
    // Decodes into a new world for the request, colour-matched to the display
    // profile when asked to; the profile its pixels are in.
    GWorldPtr decodeWorld(Size requested, const QByteArray& display, QByteArray& profile,
                          Size& natural);
    Image drawThumbnail(Size requested);

    std::unique_ptr<GraphicsImporter> _gi;
    float _sharpness = 0;
    float _contrast = 1.0f;
    float _saturation = 1.0f;
    float _brightness = 1.0f;
    float _rotationAngle = 0;
    uint32_t _renderQuality;
    QList<QByteArray> _redEyeArray;
    QString _filePath;
    Size _naturalBounds;
    bool _useColorSync = false;
    bool _hadColorSync = false;
    // Files carry no type code on this platform, so this stays 0.
    int32_t _fileType = 0;
};

// Whether image 2 of the importer's file is an embedded thumbnail with a size.
bool HasEmbeddedThumbnail(GraphicsImporter& importer);
