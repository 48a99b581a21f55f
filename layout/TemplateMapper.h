#pragma once

#include "framework/model/TemplateImageSource.h"
#include "library/TemplateHandle.h"
#include "platform/archiving/Archivable.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class ColorProfileHandle;
class UndoManager;
class VQFileCatalog;

// How the marked photos of the catalog are spread over pages.
enum LayoutMode : int32_t {
    LayoutModeOnePhotoPerPage = 0,
    LayoutModeSequential = 1,
    LayoutModeBook = 2,
};

// Where the layout is drawn: the window, or a printer or file.
enum DestinationDevice : int32_t { DestinationScreen = 0, DestinationOutput = 1 };

// Notifications, posted at once with the mapper (a const TemplateMapper*) as object.
inline constexpr char kTemplateMapperMasterChangedNotify[] = "TemplateMapperMasterChangedNofity";
inline constexpr char kTemplateMapperPageChangedNotify[] = "TemplateMapperPageChangedNofity";

// Keys of a book page and of a placement's undo record.
inline constexpr char kBookPositionKeyFormat[] = "Pos%1";
inline constexpr char kPageHasEditValuesKey[] = "pgEditVals";
inline constexpr char kPageEditValueKeyFormat[] = "EditVal_%1";
inline constexpr char kPlacementPageKey[] = "page";
inline constexpr char kPlacementPositionKey[] = "pos";
inline constexpr char kPlacementSerialKey[] = "serialNo";

// User defaults: field texts shared by id across documents, and the archived
// default output profile.
inline constexpr char kTemplateTextObjectsKey[] = "VyxTemplateTextObjects";
inline constexpr char kPrefDefaultProfileKey[] = "prefDefaultProfileKey";

// Localization keys.
inline constexpr char kPrintsCategoryKey[] = "PRINTS";
inline constexpr char kPicturePlacementAction[] = "PIC_PLACEMENT";

// A book layout: one dictionary per page, shared by a mapper and its copies.
struct BookContainer {
    std::mutex lock;
    QList<QVariantMap> pages;
};
using BookContainerRef = std::shared_ptr<BookContainer>;

// The document's own edit-field texts, keyed by field number, shared likewise.
struct EditTextValues {
    std::mutex lock;
    QVariantMap texts;
};
using EditTextValuesRef = std::shared_ptr<EditTextValues>;

class TemplateMapper;
using TemplateMapperRef = std::shared_ptr<TemplateMapper>;

// The layout of one catalog document: the master template of every page, the
// catalog whose photos fill its photo cells, how they are spread over pages, the
// current page, and in book mode which photo the user placed in which cell. It is
// also what page objects ask for photos, texts and colour matching while they draw.
//
// The document owns one mapper; output commands draw with copies set for output.
// A copy shares the book pages and the document texts, so placements and texts
// changed through it land in the document; pages, modes and settings are its own.
// Copies may draw on print threads; everything else runs on the main thread.
class TemplateMapper : public TemplateImageSource, public Archivable {
public:
    static constexpr char kArchiveClassName[] = "TemplateMapper";

    // Starts observing the catalog. The colour settings come from the settings
    // store and the default profile in the user defaults.
    TemplateMapper(TemplateHandleRef masterTemplate, std::shared_ptr<VQFileCatalog> catalog);
    // Made by the unarchiver: no catalog until setFileCatalog.
    TemplateMapper();
    ~TemplateMapper() override;
    TemplateMapper(const TemplateMapper&) = delete;
    TemplateMapper& operator=(const TemplateMapper&) = delete;

    // Every field copied; the master, catalog, book pages, texts and profile shared.
    TemplateMapperRef copy() const;

    // Master, catalog and template queries.
    TemplateHandleRef masterTemplate() const { return _masterTemplate; }
    void setMasterTemplate(const TemplateHandleRef& masterTemplate);
    std::shared_ptr<VQFileCatalog> fileCatalog() const { return _sourceCatalog; }
    void setFileCatalog(const std::shared_ptr<VQFileCatalog>& catalog);
    TemplateHandleRef templateForPage(int32_t page) const;
    TemplateHandleRef templateForCurrentPage();
    int32_t photoCellCount();
    QVariantList masterEditFields() const;
    QStringList masterPrintAreaRects() const;

    // Modes and pages. A setter given the value held does nothing; a real change
    // posts exactly one page-change notice.
    int32_t layoutMode() const { return _layoutMode; }
    void setLayoutMode(int32_t mode);
    int32_t scalingMode() const { return _scalingMode; }
    void setScalingMode(int32_t mode);
    int32_t pageCount();
    // -1 when there are no pages; clamps the stored page to the pages there are.
    int32_t currentPageNum();
    // Whether it changed the page.
    bool setCurrentPageNum(int32_t page);
    int32_t previousPageNum() const { return _previousPageNum; }
    // The catalog index of the photo the cell shows on the current page, or -1.
    int32_t sourceIndexForCell(int32_t cell);

    // Book mode: placements name photos by serial number.
    int32_t entryIndexOnPage(int32_t page, int32_t position);
    // Undoable ("PIC_PLACEMENT"); a page beyond the last lands on a new last page.
    void setEntryIndexOnPage(int32_t page, int32_t position, int32_t index);
    // Applies an undo record {"page", "pos", "serialNo"}.
    void placeEntries(const QVariantMap& record);
    void addPage();
    void removePage(int32_t page);
    BookContainerRef bookContainer() const { return _bookContainer; }
    void setBookContainer(const BookContainerRef& container);
    // For the pages an older catalog record hands over; entries that are no
    // dictionaries are skipped.
    void setBookContainer(const QVariantList& pages);
    QList<int32_t> getAllPageEntryIndices();
    QList<int32_t> getEntryIndicesOnPage(int32_t page);
    int32_t entriesOnPage(int32_t page);

    // The category the template chooser preselects.
    QString getCategoryHint() const;
    // Undoable, without an action name.
    void setCategoryHint(const QString& hint);

    // Selection tracking: whether it changed the current page.
    bool synthesizePages();
    bool tracksSelection() const { return _trackSelection; }
    void setTracksSelection(bool flag) { _trackSelection = flag; }
    void fileCatalogArrangementChanged();
    void fileCatalogSelectionChanged();

    // The image source.
    int32_t destinationDevice() override { return _destinationDevice; }
    void setDestinationDevice(int32_t device) { _destinationDevice = device; }
    float preferredDPI() override { return _preferredDPI; }
    void setPreferredDPI(float dpi) { _preferredDPI = dpi; }
    Image imageForCell(int32_t cell) override;
    Image hiresImageForCell(int32_t cell) override;
    Rect naturalImageBoundsForCell(int32_t cell) override;
    bool selectionStateForCell(int32_t cell);
    // YES makes the cell's photo the only selected one.
    void setSelectionStateForCell(bool selected, int32_t cell);
    Rect cropRectForCell(int32_t cell) override;
    void setCropRectForCell(const Rect& crop, int32_t cell);
    Point offsetForCell(int32_t cell) override;
    // A user's change: undoable, marks the document changed.
    void setOffsetForCell(Point offset, int32_t cell) override;
    // Keeps the offset a drawing bound into the cell; see the interface.
    void keepDrawnOffsetForCell(Point offset, int32_t cell) override;
    int32_t scalingModeForCell(int32_t cell) override;
    bool flippedModeForCell(int32_t cell);
    std::vector<std::shared_ptr<TMObject>> captionArrayForCell(int32_t cell) override;
    bool notificationsDisabled() override;
    void setNotificationsDisabled(bool disabled) override;
    void colorMatchImage(Image& image) override;
    QString editValueForField(int32_t field) override;
    QString propertyForCell(const QString& key, int32_t cell) override;

    // Edit-field texts; neither registers undo.
    void setEditValueForField(const QString& text, int32_t field);
    void setCurrentPageEditValueForField(const QString& text, int32_t field);
    bool currentPageHasTextValues();
    void setCurrentPageHasTextValues(bool flag);
    EditTextValuesRef editTextValues() const { return _editTextValues; }

    // Colour settings.
    bool usesOutputProfile() const { return _useOutputProfile; }
    void setUsesOutputProfile(bool flag) { _useOutputProfile = flag; }
    bool bypassColorMatching() const { return _bypassColorMatching; }
    void setBypassColorMatching(bool flag) { _bypassColorMatching = flag; }
    std::shared_ptr<ColorProfileHandle> outputProfile() const { return _outputProfile; }
    void setOutputProfile(const std::shared_ptr<ColorProfileHandle>& profile);
    bool profileUsesExternalMatching() const { return _profileUsesExternalMatching; }
    void setProfileUsesExternalMatching(bool flag);

    // The archive: one dictionary of "TMap_" keys. Reading takes the master by
    // document ID (else the library's default template) and reads values of a
    // wrong kind as absent.
    QVariantMap encodeInDictionary() const;
    void decodeFromDictionary(const QVariantMap& archive);
    void encodeWithCoder(Archiver& coder) const override;
    bool initWithCoder(Unarchiver& coder) override;
    // Makes the class known to the unarchiver; harmless when repeated.
    static void registerArchivableClass();

private:
    void observeCatalog();
    void stopObservingCatalog();
    void postPageChanged();
    UndoManager* undoManager() const;
    QList<int32_t> markedPhotos() const;
    int32_t photoCellsOnFirstPage() const;
    QVariantMap pageDictionary(int32_t page);
    QVariantMap currentPageDictionary();
    void updateCurrentPageDictionary(const std::function<void(QVariantMap&)>& change);
    QList<int32_t> placementsOn(const QVariantMap& page) const;

    TemplateHandleRef _masterTemplate;
    std::shared_ptr<VQFileCatalog> _sourceCatalog;
    BookContainerRef _bookContainer;
    EditTextValuesRef _editTextValues;
    int32_t _layoutMode = LayoutModeOnePhotoPerPage;
    int32_t _scalingMode = ScalingModeFill;
    int32_t _currentPageNum = 0;
    int32_t _previousPageNum = -1;
    bool _trackSelection = true;
    int32_t _destinationDevice = DestinationScreen;
    float _preferredDPI = 0;
    QString _categoryHint;
    bool _useOutputProfile = false;
    std::shared_ptr<ColorProfileHandle> _outputProfile;
    bool _profileUsesExternalMatching = false;
    bool _bypassColorMatching = false;
    // The catalog the observers were registered for.
    const VQFileCatalog* _observedCatalog = nullptr;
    // Whether undo steps name this mapper, to be removed with it.
    bool _registeredUndo = false;
};
