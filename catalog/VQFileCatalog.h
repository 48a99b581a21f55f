#pragma once

#include "framework/model/GenericDocument.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class QTimer;
class RoduvudeDadevizi;

// The image cache's budget in KiB: a quarter of the memory, never below 32 MiB.
int64_t imageCacheBudgetKiB(int32_t physicalMegabytes);

// Keys of a catalog entry record. Absent keys mean their neutral value.
inline constexpr char kEntryPathKey[] = "en_path";
inline constexpr char kEntryAliasKey[] = "en_alias";
inline constexpr char kEntrySerialNumberKey[] = "en_serialno";
inline constexpr char kEntrySelectedKey[] = "en_sel";
inline constexpr char kEntryMarkerKey[] = "en_marker";
inline constexpr char kEntryEnabledKey[] = "en_enable";
inline constexpr char kEntryBadKey[] = "en_bad";
inline constexpr char kEntryRotationKey[] = "en_rot";
inline constexpr char kEntryCropKey[] = "en_crop";
inline constexpr char kEntryOffsetKey[] = "en_offset";
inline constexpr char kEntrySharpnessKey[] = "en_sharp";
inline constexpr char kEntryContrastKey[] = "en_contrast";
inline constexpr char kEntrySaturationKey[] = "en_sat";
inline constexpr char kEntryBrightnessKey[] = "en_bright";
inline constexpr char kEntryRedEyeKey[] = "en_redeye";
inline constexpr char kEntryCaptionsKey[] = "en_captions";
inline constexpr char kEntryCropConstraintKey[] = "en_crop_constraint";
inline constexpr char kEntryCropRatioKey[] = "en_crop_ratio";
inline constexpr char kEntryCropPresetKey[] = "en_crop_preset";
inline constexpr char kEntryThumbnailKey[] = "en_thumb";
inline constexpr char kEntryThumbnailQueueKey[] = "en_thumb_que";
inline constexpr char kEntryImageKey[] = "en_image";
inline constexpr char kEntryImageAccessKey[] = "en_image_access";
inline constexpr char kEntryImageSizeKey[] = "en_image_size";
inline constexpr char kEntryIconKey[] = "en_icon";
inline constexpr char kEntryMetadataKey[] = "en_metadata";
inline constexpr char kEntryComponentInfoKey[] = "en_compinfo";
inline constexpr char kEntryEXIFKey[] = "en_exifdata";
inline constexpr char kEntryFileSizeKey[] = "en_size";
inline constexpr char kEntryModDateKey[] = "en_moddate";
inline constexpr char kEntryImageURLKey[] = "en_image_url";
inline constexpr char kEntryImageURLFlagKey[] = "en_image_url_flag";
inline constexpr char kEntryRawImageFlagKey[] = "en_raw_image_flag";
inline constexpr char kEntryRawImageDataKey[] = "en_raw_image_data";
inline constexpr char kEntryRawImageNameKey[] = "en_raw_image_name";
inline constexpr char kEntryPositionKey[] = "en_pos";

// The numbered attributes of an entry; ids not listed answer nothing.
enum CatalogAttribute : int {
    kCatalogAttrName = 1,
    kCatalogAttrPath = 2,
    kCatalogAttrExtension = 3,
    kCatalogAttrModDate = 4,
    kCatalogAttrFileSize = 5,
    kCatalogAttrLocation = 6,
    kCatalogAttrURL = 7,
    kCatalogAttrIsURL = 10,
    kCatalogAttrIsLocalFile = 11,
    kCatalogAttrIsRaw = 12,
    kCatalogAttrSelected = 16,
    kCatalogAttrMarked = 17,
    kCatalogAttrEnabled = 18,
    kCatalogAttrRotation = 24,
    kCatalogAttrCrop = 25,
    kCatalogAttrOffset = 26,
    kCatalogAttrSharpness = 27,
    kCatalogAttrContrast = 28,
    kCatalogAttrSaturation = 29,
    kCatalogAttrBrightness = 30,
    kCatalogAttrRedEye = 31,
    kCatalogAttrAdjustments = 32,
    kCatalogAttrCaptions = 33,
    kCatalogAttrCropConstraint = 34,
    kCatalogAttrCropRatio = 35,
    kCatalogAttrCropPreset = 36,
    kCatalogAttrIcon = 64,
    kCatalogAttrThumbnail = 65,
    kCatalogAttrImage = 66,
    kCatalogAttrImageSize = 67,
    kCatalogAttrSerialNumber = 68,
    kCatalogAttrImageLoaded = 69,
    kCatalogAttrMetadata = 90,
    kCatalogAttrComponentInfo = 91,
    kCatalogAttrEXIF = 92,
    kCatalogAttrFullImage = 100,
};

// Notifications, all with the catalog (a const VQFileCatalog*) as object.
inline constexpr char kVQFileCatalogFileAddedNofity[] = "VQFileCatalogFileAddedNofity";
inline constexpr char kVQFileCatalogFileRemovedNofity[] = "VQFileCatalogFileRemovedNofity";
inline constexpr char kVQFileCatalogEntriesMovedNofity[] = "VQFileCatalogEntriesMovedNofity";
inline constexpr char kVQFileCatalogSelectionChangedNotify[] =
    "VQFileCatalogSelectionChangedNotify";
inline constexpr char kVQFileCatalogMarkerChangedNotify[] = "VQFileCatalogMarkerChangedNotify";
inline constexpr char kVQFileCatalogAttributeChangedNofity[] =
    "VQFileCatalogAttributeChangedNofity";
inline constexpr char kVQFileCatalogPhotoVisiblyChangedNotify[] =
    "VQFileCatalogPhotoVisiblyChangedNotify";
inline constexpr char kVQFileCatalogPropertyChangedNotify[] = "VQFileCatalogPropertyChangedNotify";
// Posted on the loader thread itself, userInfo {"vq_index"}: observers hand work on
// views to the main thread themselves.
inline constexpr char kVQFileCatalogThumbnailLoadCompletNofity[] =
    "VQFileCatalogThumbnailLoadCompletNofity";

// User-info keys.
inline constexpr char kUpdatedIndexesKey[] = "updatedIndexes";
inline constexpr char kAttrKey[] = "attr";
inline constexpr char kIndexKey[] = "index";
inline constexpr char kVQIndexKey[] = "vq_index";

// Keys of the undo parameters of an attribute change and of a move.
inline constexpr char kEncapsulatedAttribKey[] = "attrib";
inline constexpr char kEncapsulatedIndexKey[] = "index";
inline constexpr char kEncapsulatedValueKey[] = "value";
inline constexpr char kSwapSourceKey[] = "src";
inline constexpr char kSwapDestinationKey[] = "dest";

// Keys of the adjustments dictionary (attribute 32).
inline constexpr char kAdjustSharpnessKey[] = "sharpness";
inline constexpr char kAdjustContrastKey[] = "contrast";
inline constexpr char kAdjustSaturationKey[] = "saturation";
inline constexpr char kAdjustBrightnessKey[] = "brightness";

// Keys of the catalog record in the document file.
inline constexpr char kCatalogEntriesKey[] = "entries";
inline constexpr char kCatalogFileTypesKey[] = "fileTypes";
inline constexpr char kCatalogAllowDeferedLoaderKey[] = "allowDeferedLoader";
inline constexpr char kCatalogThumbWidthKey[] = "thumbWidth";
inline constexpr char kCatalogThumbHeightKey[] = "thumbHeight";
inline constexpr char kCatalogSerialNumberKey[] = "serialNumber";
inline constexpr char kCatalogBookContainerKey[] = "bookContainer";

// Error codes sent with "UTErrorNofity".
inline constexpr int kErrorUnreadablePhoto = 99;
inline constexpr int kErrorMissingFile = 143;

// One photo of a catalog: a file, a picture kept in the document ("raw"), or a
// picture at a URL. Shared, so that undo can keep a removed record.
class VQFileCatalogEntry : public QVariantMap {
public:
    using QVariantMap::QVariantMap;
    bool isRaw() const;
    bool isURL() const;
};
using VQFileCatalogEntryRef = std::shared_ptr<VQFileCatalogEntry>;

// The ordered photos of one catalog document. Every other part reads and changes
// a photo through the numbered attributes (getFileAttributeAtIndex and
// setFileAttributeAtIndexToValue); entries are found again across moves, undo and
// saving by serial number.
//
// Threads: the main thread changes the catalog; the getter is also called from
// other threads (a print operation's drawing, the thumbnail loader). `_theLock`, a
// recursive lock, guards the list and every record: every read and change of
// either holds it, including the whole of a decode, so a picture handed out is
// never one being replaced. Notifications are enqueued from any thread and posted
// on the main thread; the setter's visible-change notice is posted at once with
// the lock held.
class VQFileCatalog : public std::enable_shared_from_this<VQFileCatalog> {
public:
    VQFileCatalog();
    // Deletes the temporary files of raw and URL entries.
    ~VQFileCatalog();
    VQFileCatalog(const VQFileCatalog&) = delete;
    VQFileCatalog& operator=(const VQFileCatalog&) = delete;

    // The owner calls this before it lets the catalog go: stops the eviction timer
    // and the thumbnail loader.
    void shutdown();

    int fileCount() const;
    // The catalog's identity text in drags ("VQSelectionCatalogKey"): the
    // process id and a counter, so that no catalog of this or another running
    // process shares it.
    const QString& description() const { return _description; }
    // Null when none is set.
    QStringList fileExtensionFilters() const;
    void setFileExtensionFilters(const QStringList& filters);
    bool deliverScreenResolution() const { return _deliverScreenResolution; }
    void setDeliverScreenResolution(bool flag) { _deliverScreenResolution = flag; }
    // The first selected photo at full resolution as TIFF, as drags offer it; the
    // delivery setting is as it was afterwards. Empty without a selection.
    QByteArray selectionTIFFData();
    // The same of any entry; empty when out of range or unreadable.
    QByteArray fullSizeTIFFDataAtIndex(int index);
    // Metadata is always kept.
    bool extractsMetaData() const { return true; }
    void setExtractsMetaData(bool) { _extractMetaData = true; }
    Size maxScreenResolution() const { return _maxScreenResolution; }
    // Stores the size fitted into 800 x 800.
    void setMaxScreenResolution(Size size);
    Size thumbnailSize() const { return _thumbnailSize; }
    // Whether thumbnails are made by the background loader; off for a new catalog.
    bool usesDeferedLoader() const { return _allowDeferedLoader; }
    void setUsesDeferedLoader(bool flag) { _allowDeferedLoader = flag; }
    RoduvudeDadevizi* document() const { return _document; }
    void setDocument(RoduvudeDadevizi* document) { _document = document; }
    bool notificationsDisabled() const { return _disableNotifications; }
    void setNotificationsDisabled(bool flag) { _disableNotifications = flag; }
    // The next serial number; each is handed out once.
    int nextSerialNumber();
    void markDocumentChanged();
    void postError(int code);

    // Adding. A position from 0 to the count inserts there, any other appends.
    // A file that can't be found is not added: false, and error 143 is posted.
    bool addFileEntryAtPosition(const QString& path, int position);
    void addImageEntryAtPosition(const Image& image, int position);
    void addURLEntryAtPosition(const QUrl& url, int position);
    // Inserts the record at its "en_pos" with a new serial number (a pasted record),
    // or with its own when `keepSerialNumber` (a removed entry restored by undo).
    void addObjectEntry(const VQFileCatalogEntryRef& record, bool keepSerialNumber = false);
    // A record from outside (a paste): only the values that fit their keys.
    VQFileCatalogEntryRef entryFromPastedRecord(const QVariantMap& record) const {
        return entryFromStoredRecord(record);
    }
    void addEntryFromCatalogFromIndexToIndex(VQFileCatalog& source, int sourceIndex, int position);
    // Shorthands appending at the end.
    bool addFileEntry(const QString& path) { return addFileEntryAtPosition(path, -1); }
    void addImageEntry(const Image& image) { addImageEntryAtPosition(image, -1); }
    void addURLEntry(const QUrl& url) { addURLEntryAtPosition(url, -1); }

    // Removing and reordering.
    void removeSerialNumberEntry(int serialNumber);
    void removeEntryAtIndex(int index);
    void resetEntryAtIndex(int index);
    void reloadEntryImageAtIndex(int index);
    void moveEntryFromIndexToIndex(int source, int destination);
    // The undo action of a move: {"src", "dest"}.
    void swapEntries(const QVariantMap& parameters);
    // The record itself; null when out of range.
    VQFileCatalogEntryRef entryAtIndex(int index) const;

    // Lookup; -1 (or 0 for getEntryPosition) when none.
    int findSerialNumber(int serialNumber);
    int indexOfEntryWithSerialNumber(int serialNumber) const;
    int getEntryPosition(const QString& name) const;
    QList<int> getModifiedFileIndices();

    // Change tests of file entries. testEntryForChange repairs the record of a
    // file that moved and raises an invalid-argument Exception when the file is
    // missing and can't be found again. The catalog pass disables such entries
    // and reports each once (error 143).
    bool testEntryForChange(VQFileCatalogEntry& record);
    bool testAllEntriesForChanges();

    // File references ("en_alias"): the bytes of FileReference records.
    // Null when the path names no existing file.
    QByteArray createAliasObjectFromPath(const QString& path) const;
    // The file the record names; when the document has a file name, also found
    // again under the document's folder. Null when it can't be found. *newAlias
    // receives the updated record when the file was found elsewhere, else null.
    QString getPathFromAliasObjectNewAlias(const QByteArray& alias, QByteArray* newAlias) const;
    // The end of a chain of symbolic links; any other path, or on failure, the path.
    static QString resolveAliasFile(const QString& path);

    // The catalog record of the document file ("catalog"), and the read that
    // replaces settings and entries by a record's. Reading takes from a file
    // only values that fit their keys; serial numbers are made unique.
    QVariantMap encodedCatalog() const;
    void decodeCatalog(const QVariantMap& catalog);
    // Whether the path's extension or content type code ('JPEG') is one of the
    // extension filters, case ignored; never without filters.
    bool matchesCriteria(const QString& path) const;
    // The volume of a path under /Volumes; null for any other path.
    static QString extractMountedVolume(const QString& path);

    // Selection and markers. A negative index means the last entry.
    void setSelectionAtIndexTo(int index, bool flag);
    void setSelectionAtIndex(int index);
    void clearSelectionAtIndex(int index);
    void clearSelection();
    void selectAll();
    void advanceSelection();
    void retreatSelection();
    // Ascending; empty when there is none.
    QList<int> getSelectedIndices() const;
    QList<int> getMarkedIndices() const;
    QList<int> getAllIndices() const;
    int lastSelectedIndex() const { return _lastSelectedIndex; }
    void setMarkerAtIndexTo(int index, bool flag);
    void setMarkerAtIndex(int index);
    void clearMarkerAtIndex(int index);
    void toggleMarkerAtIndex(int index);
    void toggleSelectionMarker();
    void setSelectionMarker(bool flag);
    void notifySelectionChanged(const QList<int>& indices);
    void notifyMarkerChanged(const QList<int>& indices);

    // The attribute interface. The getter is safe on any thread; the setter runs
    // on the main thread.
    QVariant getFileAttributeAtIndex(int attribute, int index);
    void setFileAttributeAtIndexToValue(int attribute, int index, const QVariant& value);
    static QVariantMap makeEncapsulatedParamsFromAttributeIndexAndValue(int attribute, int index,
                                                                        const QVariant& value);
    void setEncapsulatedAttribute(const QVariantMap& parameters);
    static void rotateEntryRedEyeArrayRotation(VQFileCatalogEntry& record, float degrees);
    static void rotateEntryCaptionArrayOnCenterRotation(VQFileCatalogEntry& record, Point center,
                                                        float degrees);

    // The temporary file of a raw or URL entry; with `threaded` a URL entry is
    // fetched in the background and shows a placeholder meanwhile.
    void makeTempFileForImageEntryThreaded(VQFileCatalogEntry& record, bool threaded);
    // The fetched bytes of a URL entry, on the main thread; null when the fetch failed.
    void imageRetrievedDataTag(const QByteArray& data, int serialNumber);

    // Typed forms of the numbered attributes; every change goes through the setter.
    bool fileImageLoadedAtIndex(int index);
    Image getFileImageAtIndex(int index);
    Image getFileDirectImageAtIndex(int index);
    QVariant getFileImageDataSizeAtIndex(int index);
    // The zero size when not known.
    Size getFileImageSizeAtIndex(int index);
    QString getFileNameAtIndex(int index);
    QString getFilePathAtIndex(int index);
    QString getFileLocationAtIndex(int index);
    QVariant getSerialNumberAtIndex(int index);
    // The adjustments in one line ("NONE" when there are none).
    QString getTransformSummaryAtIndex(int index);
    bool getFileSelectionStateAtIndex(int index);
    // Posts no selection notice.
    void setFileSelectionStateAtIndexTo(int index, bool flag);
    Rect getFileImageCropAtIndex(int index);
    // Normalised into the picture; a crop of the whole picture is no crop, a crop of
    // 3 points or less on a side is ignored.
    void setFileImageCropAtIndexTo(int index, Rect crop);
    Point getFileImageOffsetAtIndex(int index);
    void setFileImageOffsetAtIndexTo(int index, Point offset);
    QVariantList getFileImageRedEyeAtIndex(int index);
    void setFileImageRedEyeAtIndexTo(int index, const QVariantList& spots);
    QVariantList getFileImageCaptionsAtIndex(int index);
    void setFileImageCaptionsAtIndexTo(int index, const QVariantList& captions);
    // Sets the four enhancements of every selected entry; whether anything changed.
    bool adjustSelectionSharpnessContrastSaturationBrightness(float sharpness, float contrast,
                                                              float saturation, float brightness);
    // The text a template field bound to a photo property shows; never null.
    QString getEXIFValueForTagAtIndex(const QString& tag, int index);

    // Thumbnails, placeholders and temporary paths.
    // A new path prefix inside the temporary folder; callers append a file name.
    static QString createTempPath();
    // Whether the file lies directly in the application's temporary folder.
    static bool isTemporaryFile(const QString& path);
    Image getThumbnailImageFromPathWithRotationWithLock(const QString& path, float degrees,
                                                        bool withLock);
    // A copy scaled to fit the thumbnail size on a white ground of exactly that size.
    Image getThumbnailImageFromImageWithRotation(const Image& image, float degrees) const;
    static Image makeMissingFileImage(const QString& text);
    static Image makeURLRetrievalFileImage(const QString& text);

    // The thumbnail loader: one thread per catalog, started on demand. It keeps the
    // catalog alive while it runs, so the owner may let go at any time.
    // Answers whether a loader runs (none can for a catalog no shared_ptr owns).
    bool activateDeferedLoader();
    // Asks the loader to end, aborting a running fetch, and waits for it (5 s at most).
    void stopDeferedLoader();
    bool deferedLoaderOn() const { return _loaderFlags->deferedLoaderOn; }
    // The eviction pass of the image cache, run every second by the timer.
    void cleanCachedEntries();

private:
    class URLDelegate;
    friend class VQFileCatalogLoaderTest;
    struct LoaderFlags {
        std::atomic<bool> deferedLoaderOn{false};
        std::atomic<bool> deferedLoaderShouldStop{false};
        std::atomic<std::thread::id> thread{};
    };

    void deferedLoaderThread();
    // One pass of the loader; false when it found nothing to do.
    bool loadNextThumbnail();
    void postThumbnailLoaded(int index);
    void startEvictionTimer();
    void stopEvictionTimer();
    // Writes a URL entry's fetched bytes to its temporary file and stores the path.
    bool storeFetchedURLData(VQFileCatalogEntry& record, const QByteArray& data);

    VQFileCatalogEntryRef newEntryWithDefaults() const;
    void insertEntry(const VQFileCatalogEntryRef& record, int position);
    void registerAddUndo(const VQFileCatalogEntryRef& record);
    void enqueue(const char* name, int postingStyle, int coalesceMask,
                 const QVariantMap& userInfo = {});
    void enqueueFileAdded();
    QString uniqueRawImageName();
    QVariant getAttribute(int attribute, int index);
    QVariant getThumbnail(int index, const VQFileCatalogEntryRef& record);
    QVariant getImageSize(const VQFileCatalogEntryRef& record);
    QVariant getImage(int attribute, int index, const VQFileCatalogEntryRef& record);
    QVariant imageRequest(int attribute, int index, VQFileCatalogEntry& record);
    QVariant missingFilePicture(int index);
    QVariant enhancementDefault(int attribute) const;
    // The case of the setter; answers the undo action name (empty: no undo) and
    // whether the change is visible.
    QString setAttribute(int attribute, VQFileCatalogEntry& record, const QVariant& value,
                         bool& visible);
    QString setRotation(VQFileCatalogEntry& record, float rotation);
    bool applyAdjustment(VQFileCatalogEntry& record, const char* key, const QVariant& value);
    void disableURLEntry(VQFileCatalogEntry& record);
    void selectionOrMarkerIndex(int& index) const;

    // Change tests: the files below the document's folder by name, walked at
    // most once per catalog pass.
    struct NameSearch;
    QString findMovedFile(VQFileCatalogEntry& record, const QString& missingPath);
    QString findByNameBelowDocumentFolder(const QString& name);
    QString documentFolder() const;
    // Reading: an entry record with only the values that fit their keys.
    VQFileCatalogEntryRef entryFromStoredRecord(const QVariantMap& stored) const;
    void repairSerialNumbers(std::optional<qint64> storedCounter);

    QList<VQFileCatalogEntryRef> _entries;
    NameSearch* _nameSearch = nullptr;
    std::optional<QStringList> _fileExtensionsFilter;
    mutable std::recursive_mutex _theLock;
    std::recursive_mutex _iconLock;
    Size _thumbnailSize{72, 72};
    // Read by drawing and loader threads too.
    std::atomic<bool> _deliverScreenResolution{true};
    bool _extractMetaData = true;
    Size _maxScreenResolution{800, 800};
    RoduvudeDadevizi* _document = nullptr;
    int32_t _addedImageCount = 0;
    // Wider than a serial number, so that a counter at the top of the range stays defined.
    int64_t _photoSerialNumber = 1234;
    bool _performingDecode = false;
    int32_t _lastSelectedIndex = -1;
    std::atomic<bool> _disableNotifications{false};
    std::atomic<bool> _allowDeferedLoader{false};
    // Shared with the loader thread, which may outlive a stop that lost patience.
    std::shared_ptr<LoaderFlags> _loaderFlags = std::make_shared<LoaderFlags>();
    std::unique_ptr<QTimer> _heartbeatTimer;
    const QString _description;
};
