#pragma once

#include "framework/model/TMObject.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/printing/PrintInfo.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <optional>

class Document;
class TemplateHandle;
using TemplateHandleRef = std::shared_ptr<TemplateHandle>;

// Format codes; the generation is the code masked with 0xFF00.
inline constexpr int32_t TemplateFormat1 = 0x100;
inline constexpr int32_t TemplateFormat2 = 0x200;
inline constexpr int32_t kTemplateFormatFamilyMask = 0xFF00;

// Localization keys of the defaults of a template without these texts.
inline constexpr char kCustomCategoryKey[] = "CUSTOM";
inline constexpr char kNoDescriptionKey[] = "NONE";

// Keys of an edit-field record.
inline constexpr char kEditFieldNameKey[] = "name";
inline constexpr char kEditFieldIDKey[] = "id";
inline constexpr char kEditFieldValueKey[] = "value";
inline constexpr char kEditFieldSerialKey[] = "sn";

// The objects of a template's page: dictionaries for the property-list
// generation, framework page objects for the binary one.
struct TemplatePageObjects {
    QList<QVariantMap> dictionaries;
    QList<TMObjectRef> objects;
    bool isEmpty() const { return dictionaries.isEmpty() && objects.isEmpty(); }
    qsizetype size() const { return dictionaries.size() + objects.size(); }
};

// The read-only view of one installed template file of either generation.
// Reads lazily, in two levels, and keeps no file open between calls.
class TemplateHandle : public std::enable_shared_from_this<TemplateHandle> {
public:
    // Null when the file is not a template.
    static TemplateHandleRef templateHandleWithFile(const QString& path);
    // 0 none, 256 the property-list generation, else the file's format word.
    static int32_t templateFormatAtPath(const QString& path);
    // An image of the application's shared resources, by file name with or
    // without its extension; null for none or a name that reaches elsewhere.
    static Image applicationImageNamed(const QString& name);

    // False when the file is no longer a template.
    bool reset();
    // Takes the basic properties (texts, version, thumbnail) that another
    // handle of the same file has read, perhaps on another thread, when this
    // one has read none yet and the file has not changed since. Templates of
    // the older generation are read through the main thread's information
    // cache and are never taken. True when taken.
    bool adoptBasicProperties(const TemplateHandle& loaded);

    // Same document ID.
    bool isEqual(const TemplateHandle& other);
    // By category, then name, both without regard to case.
    int compare(TemplateHandle& other);

    QString path() const { return _filePath; }
    QString fileName() const;
    int32_t fileFormat() const { return _fileFormat; }
    QDateTime fileModDate();

    // Basic properties.
    int32_t version();
    QString name();
    QString displayName() { return name(); }
    QString documentID();
    QString category();
    QString creator();
    QString description();
    QString copyright();
    // The file's thumbnail; without one, the page drawn with its longer side
    // 96 points and framed, kept until reset (and in the info cache for the
    // property-list generation). Null when the page has no area.
    Image thumbnailProxy();

    // Advanced properties.
    Rect pageRect();
    bool flipped();
    QVariantList namedImages();
    int32_t paperOrientation();
    int32_t photoCells() const { return _photoCellsOnPage; }
    int32_t printAreas() const { return int32_t(_printAreaRects ? _printAreaRects->size() : 0); }

    // A template has one page: every page number gives the first. A fresh set
    // of objects on every call, so that each caller may change its own.
    TemplatePageObjects objectsOnPage(int32_t page);
    // What the last objectsOnPage() found; nothing before the first call.
    int32_t photoCellsOnPage(int32_t) const { return _photoCellsOnPage; }
    std::optional<QVariantList> editFields() const { return _editFieldObjects; }
    std::optional<QStringList> printAreaRects() const { return _printAreaRects; }
    int32_t printAreasOnPage(int32_t) const { return printAreas(); }
    // Zero size / 0 degrees when there is no such cell.
    Size photoCellSize(int32_t cell, int32_t page);
    float photoCellRotation(int32_t cell, int32_t page);

    // Gives the print settings the template's page and paper.
    void assertPageDescOnDocument(Document& document);
    void assertPageDesc(PrintInfo& printInfo);

private:
    explicit TemplateHandle(const QString& path, int32_t format);
    int32_t family() const { return _fileFormat & kTemplateFormatFamilyMask; }
    void loadBasic();
    void loadAdvanced();
    void clearBasic();
    bool getBasic2xProperties();
    bool getBasic1xProperties();
    bool getAdvanced2xProperties();
    bool getAdvanced1xProperties();
    void applyDefaults(bool withCopyright);
    QList<QVariantMap> objectsOn1xPage();
    QList<TMObjectRef> objectsOn2xPage();
    std::optional<QVariantMap> readPropertyList() const;
    void setOrientationFromPage();
    Image makeThumbnail();

    int32_t _fileFormat = 0;
    QString _filePath;
    std::optional<QDateTime> _fileModDate;
    bool _basicPropertiesLoaded = false;
    bool _advancedPropertiesLoaded = false;
    int32_t _version = 0;
    QString _name;
    QString _documentID;
    QString _creator;
    QString _category;
    QString _description;
    QString _copyright;
    Image _thumbnailProxy;
    Rect _pageRect;
    std::optional<PrintInfo> _printInfo;
    bool _flipped = false;
    QVariantList _namedImages;
    std::optional<QList<QVariantMap>> _tempPageObjects;
    std::optional<QVariantList> _editFieldObjects;
    std::optional<QStringList> _printAreaRects;
    int32_t _photoCellsOnPage = 0;
    QString _paperName;
    int32_t _paperOrientation = 0;

    friend class TemplateInfoCache;
};
