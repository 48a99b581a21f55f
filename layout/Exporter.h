#pragma once

#include "platform/archiving/Archivable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <vector>

class GraphicsExporter;
class Image;

// User-defaults key of the user's export default, an exporter dictionary.
inline constexpr char kExportDefaultConfigKey[] = "EXEXP_ExportDefaultConfig";

// Keys of the exporter dictionary.
inline constexpr char kExporterUseColorSyncKey[] = "VQEXP_UseColorSyncKey";
inline constexpr char kExporterCreateThumbnailKey[] = "VQEXP_CreateThumbnailKey";
inline constexpr char kExporterCreateEXIFKey[] = "VQEXP_CreateEXIFKey";
inline constexpr char kExporterIgnoreCropKey[] = "VQEXP_IgnoreCropKey";
inline constexpr char kExporterNameKey[] = "VQEXP_ExporterNameKey";
inline constexpr char kExporterConfigKey[] = "VQEXP_ExporterConfigKey";

// Writes images into files of one of the installed image formats. It keeps the
// list of formats (one open exporter each), the active one, that format's own
// settings as bytes, and four choices: embed a colour profile, add an EXIF
// thumbnail, carry the photo's metadata, ignore the photo's crop (the last is
// read by the callers). Its configuration, without the quality and the metadata,
// is a dictionary of "VQEXP_" keys kept in the user defaults and in documents.
//
// The bytes in the configuration are the one source of the active format's
// settings: they are handed to its exporter before every use, and making another
// format active replaces them with that format's current settings.
class Exporter : public Archivable {
public:
    static constexpr char kArchiveClassName[] = "Exporter";
    // The largest EXIF thumbnail, in pixels each way.
    static constexpr int kThumbnailSide = 96;
    // The error of an export with no format installed.
    static constexpr int kNoExporterError = -3000;

    // Starts from the user's export default when there is one.
    Exporter();
    ~Exporter() override;
    Exporter(const Exporter&) = delete;
    Exporter& operator=(const Exporter&) = delete;

    QVariantMap encodeInDictionary() const;
    void decodeFromDictionary(const QVariantMap& dictionary);
    // Stores the dictionary as the user's export default.
    void makeDefault() const;

    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    static void registerArchivableClass();

    void initExporterList();
    void destroyExporterList();
    QStringList exporterNames() const;
    // Null when no format is active.
    QString activeExporterName() const;
    void setActiveExporter(const QString& name);
    bool setActiveExporterWithFileType(uint32_t fileType);
    // Exact match with the lower-case extension of a format ("jpg", not "JPG").
    bool setActiveExporterWithExtension(const QString& extension);

    bool optionsAvailable() const;
    // The active format's settings dialog; confirmed settings become the configuration.
    void options();

    void applyConfig();
    void recordConfig();
    QByteArray getConfig() const { return _exporterConfig; }
    // Null is ignored.
    void setConfig(const QByteArray& config);

    bool usesColorSync() const { return _useColorSync; }
    void setUsesColorSync(bool flag) { _useColorSync = flag; }
    bool createsThumbnail() const { return _createThumbnail; }
    void setCreatesThumbnail(bool flag) { _createThumbnail = flag; }
    bool createsEXIF() const { return _createEXIF; }
    void setCreatesEXIF(bool flag) { _createEXIF = flag; }
    bool ignoresCrop() const { return _ignoreCrop; }
    void setIgnoresCrop(bool flag) { _ignoreCrop = flag; }
    // Codec quality (256 low to 1024 lossless); -1 leaves the format's setting.
    int spatialQuality() const { return _spatialQuality; }
    void setSpatialQuality(int quality) { _spatialQuality = quality; }
    // The photo's metadata items, flattened as the catalog keeps them.
    const QByteArray& metaData() const { return _metaData; }
    void setMetaData(QByteArray metaData) { _metaData = std::move(metaData); }

    // Makes the photo's own format active, from the importer's component information,
    // and takes its profile, thumbnail and quality choices; false when no format fits.
    bool setupWithComponentInfo(const QVariantMap& info);
    // The name with its extension replaced by the active format's.
    QString fileNameWithExtension(const QString& fileName);
    // Writes the image; on failure an existing file at the path is left as it was.
    // Pass the image by move where it is not needed afterwards: its pixels are then
    // written without a copy.
    bool exportImageToFile(Image image, const QString& path);
    int lastError() const { return _lastError; }
    // Empty after success.
    QString errorString() const;

private:
    struct Record {
        std::unique_ptr<GraphicsExporter> instance;
        QString name;
        uint32_t fileType = 0;
        uint32_t extension = 0;
    };
    static constexpr size_t kNone = size_t(-1);
    // An exporter with every field clear, as an archive is read into.
    struct Blank {};
    explicit Exporter(Blank);

    void resetChoices();
    Record* activeRecord();
    const Record* activeRecord() const;
    void activate(size_t index);

    std::vector<Record> _exporterList;
    bool _hasList = false;
    size_t _activeExporter = kNone;
    QString _activeExporterName;
    QByteArray _exporterConfig;
    bool _useColorSync = false;
    bool _createThumbnail = false;
    bool _createEXIF = false;
    bool _ignoreCrop = false;
    QByteArray _metaData;
    int _lastError = 0;
    int _spatialQuality = -1;
};
