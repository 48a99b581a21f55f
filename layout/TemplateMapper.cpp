#include "layout/TemplateMapper.h"

#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TMObject.h"
#include "layout/ColorProfileHandle.h"
#include "library/NewTemplateManager.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/imaging/ColorMatching.h"

#include <QCoreApplication>
#include <QThread>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QString positionKey(int32_t cell) {
    return key(kBookPositionKeyFormat).arg(cell);
}

QString pageEditValueKey(int32_t field) {
    return key(kPageEditValueKeyFormat).arg(field);
}

// Keys of the archive, in the order they are written.
constexpr char kTemplateIDKey[] = "TMap_TemplateID";
constexpr char kCategoryHintKey[] = "TMap_CatHint";
constexpr char kBookContainerKey[] = "TMap_BookCont";
constexpr char kTextValuesKey[] = "TMap_TextVals";
constexpr char kOutputProfileKey[] = "TMap_OutProf";
constexpr char kLayoutModeKey[] = "TMap_LayMode";
constexpr char kScaleModeKey[] = "TMap_ScaleMode";
constexpr char kCurrentPageKey[] = "TMap_CurPage";
constexpr char kPreviousPageKey[] = "TMap_PrevPage";
constexpr char kTrackSelectionKey[] = "TMap_TrackSel";
constexpr char kDestinationKey[] = "TMap_DestDev";
constexpr char kPreferredDPIKey[] = "TMap_PrefDPI";
constexpr char kUseProfileKey[] = "TMap_UseProf";
constexpr char kExternalMatchingKey[] = "TMap_ExMatch";
constexpr char kBypassMatchingKey[] = "TMap_BypMatch";

// Values of another kind than the key holds read as absent.
int32_t archivedInt(const QVariantMap& archive, const char* name, int32_t absent) {
    const QVariant value = archive.value(key(name));
    return PropertyList::isNumber(value) ? value.toInt() : absent;
}

float archivedFloat(const QVariantMap& archive, const char* name, float absent) {
    const QVariant value = archive.value(key(name));
    return PropertyList::isNumber(value) ? value.toFloat() : absent;
}

bool archivedBool(const QVariantMap& archive, const char* name, bool absent) {
    const QVariant value = archive.value(key(name));
    if (value.typeId() == QMetaType::Bool || PropertyList::isNumber(value))
        return value.toBool();
    return absent;
}

// The text under `name` when the dictionary holds a text there.
std::optional<QString> textIn(const QVariantMap& dictionary, const QString& name) {
    const auto it = dictionary.constFind(name);
    if (it == dictionary.constEnd() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}

bool onMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

[[maybe_unused]] const bool gRegistered = [] {
    TemplateMapper::registerArchivableClass();
    return true;
}();

} // namespace

TemplateMapper::TemplateMapper()
    : _bookContainer(std::make_shared<BookContainer>()),
      _editTextValues(std::make_shared<EditTextValues>()) {}

TemplateMapper::TemplateMapper(TemplateHandleRef masterTemplate,
                               std::shared_ptr<VQFileCatalog> catalog)
    : _masterTemplate(std::move(masterTemplate)), _sourceCatalog(std::move(catalog)),
      _bookContainer(std::make_shared<BookContainer>()),
      _editTextValues(std::make_shared<EditTextValues>()) {
    if (HostServices* services = HostServices::current()) {
        _useOutputProfile = services->preferencesBOOLFor(PrefPrintUseProfile);
        _profileUsesExternalMatching = services->preferencesBOOLFor(PrefPrintExternalMatching);
        _bypassColorMatching = services->preferencesBOOLFor(PrefPrintBypassColorMatching);
    }
    const QByteArray profileData =
        UserDefaults::standardUserDefaults().dataForKey(key(kPrefDefaultProfileKey));
    if (!profileData.isEmpty()) {
        ColorProfileHandle::registerArchivableClass();
        if (auto profile = Unarchiver::unarchiveObjectOfClass<ColorProfileHandle>(profileData)) {
            profile->setUsesExternalMatching(_profileUsesExternalMatching);
            _outputProfile = std::move(profile);
        }
    }
    // Cell counts and fields are known once the handle has read its page.
    if (_masterTemplate && !_masterTemplate->editFields())
        _masterTemplate->objectsOnPage(0);
    observeCatalog();
}

TemplateMapper::~TemplateMapper() {
    stopObservingCatalog();
    if (_registeredUndo && onMainThread())
        if (UndoManager* undo = undoManager())
            undo->removeAllActionsWithTarget(this);
}

TemplateMapperRef TemplateMapper::copy() const {
    auto mapper = std::make_shared<TemplateMapper>();
    mapper->_masterTemplate = _masterTemplate;
    mapper->_sourceCatalog = _sourceCatalog;
    mapper->_bookContainer = _bookContainer;
    mapper->_editTextValues = _editTextValues;
    mapper->_layoutMode = _layoutMode;
    mapper->_scalingMode = _scalingMode;
    mapper->_currentPageNum = _currentPageNum;
    mapper->_previousPageNum = _previousPageNum;
    mapper->_trackSelection = _trackSelection;
    mapper->_destinationDevice = _destinationDevice;
    mapper->_preferredDPI = _preferredDPI;
    mapper->_categoryHint = _categoryHint;
    mapper->_useOutputProfile = _useOutputProfile;
    mapper->_outputProfile = _outputProfile;
    mapper->_profileUsesExternalMatching = _profileUsesExternalMatching;
    mapper->_bypassColorMatching = _bypassColorMatching;
    mapper->observeCatalog();
    return mapper;
}

// Observers -------------------------------------------------------------------

void TemplateMapper::observeCatalog() {
    if (!_sourceCatalog)
        return;
    _observedCatalog = _sourceCatalog.get();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const char* name : {kVQFileCatalogMarkerChangedNotify, kVQFileCatalogFileAddedNofity,
                             kVQFileCatalogFileRemovedNofity, kVQFileCatalogEntriesMovedNofity})
        center.addObserver(static_cast<const void*>(this), key(name), _observedCatalog,
                           [this](const Notification&) { fileCatalogArrangementChanged(); });
    center.addObserver(static_cast<const void*>(this), key(kVQFileCatalogSelectionChangedNotify),
                       _observedCatalog,
                       [this](const Notification&) { fileCatalogSelectionChanged(); });
}

void TemplateMapper::stopObservingCatalog() {
    if (!_observedCatalog)
        return;
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
    _observedCatalog = nullptr;
}

void TemplateMapper::fileCatalogArrangementChanged() {
    postPageChanged();
}

void TemplateMapper::fileCatalogSelectionChanged() {
    synthesizePages();
}

void TemplateMapper::postPageChanged() {
    NotificationCenter::defaultCenter().postNotificationName(
        key(kTemplateMapperPageChangedNotify), static_cast<const TemplateMapper*>(this));
}

UndoManager* TemplateMapper::undoManager() const {
    if (!_sourceCatalog)
        return nullptr;
    RoduvudeDadevizi* document = _sourceCatalog->document();
    return document ? document->undoManager() : nullptr;
}

// Master, catalog and template queries -----------------------------------------

void TemplateMapper::setMasterTemplate(const TemplateHandleRef& masterTemplate) {
    if (masterTemplate == _masterTemplate)
        return;
    _masterTemplate = masterTemplate;
    if (_masterTemplate)
        _masterTemplate->objectsOnPage(0);
    NotificationCenter::defaultCenter().postNotificationName(
        key(kTemplateMapperMasterChangedNotify), static_cast<const TemplateMapper*>(this));
    synthesizePages();
}

void TemplateMapper::setFileCatalog(const std::shared_ptr<VQFileCatalog>& catalog) {
    stopObservingCatalog();
    _sourceCatalog = catalog;
    observeCatalog();
}

TemplateHandleRef TemplateMapper::templateForPage(int32_t) const {
    return _masterTemplate;
}

TemplateHandleRef TemplateMapper::templateForCurrentPage() {
    return templateForPage(currentPageNum());
}

int32_t TemplateMapper::photoCellCount() {
    const TemplateHandleRef master = templateForCurrentPage();
    return master ? master->photoCellsOnPage(0) : 0;
}

QVariantList TemplateMapper::masterEditFields() const {
    return _masterTemplate ? _masterTemplate->editFields().value_or(QVariantList())
                           : QVariantList();
}

QStringList TemplateMapper::masterPrintAreaRects() const {
    return _masterTemplate ? _masterTemplate->printAreaRects().value_or(QStringList())
                           : QStringList();
}

int32_t TemplateMapper::photoCellsOnFirstPage() const {
    return _masterTemplate ? _masterTemplate->photoCellsOnPage(0) : 0;
}

QList<int32_t> TemplateMapper::markedPhotos() const {
    return _sourceCatalog ? _sourceCatalog->getMarkedIndices() : QList<int32_t>();
}

// Modes and pages ----------------------------------------------------------------

void TemplateMapper::setLayoutMode(int32_t mode) {
    if (mode == _layoutMode)
        return;
    _layoutMode = mode;
    if (!synthesizePages())
        postPageChanged();
}

void TemplateMapper::setScalingMode(int32_t mode) {
    if (mode == _scalingMode)
        return;
    _scalingMode = mode;
    if (!synthesizePages())
        postPageChanged();
}

int32_t TemplateMapper::pageCount() {
    if (_layoutMode == LayoutModeBook) {
        std::lock_guard lock(_bookContainer->lock);
        if (_bookContainer->pages.isEmpty()) {
            _bookContainer->pages.append(QVariantMap());
            return 1;
        }
        return int32_t(_bookContainer->pages.size());
    }
    const auto marked = int32_t(markedPhotos().size());
    if (_layoutMode == LayoutModeOnePhotoPerPage)
        return marked;
    const int32_t cells = photoCellsOnFirstPage();
    if (cells <= 0)
        return 0;
    return (marked + cells - 1) / cells;
}

int32_t TemplateMapper::currentPageNum() {
    const int32_t count = pageCount();
    if (count == 0)
        return -1;
    if (_currentPageNum >= count)
        _currentPageNum = count - 1;
    if (_currentPageNum < 0)
        _currentPageNum = 0;
    return _currentPageNum;
}

bool TemplateMapper::setCurrentPageNum(int32_t page) {
    if (page >= pageCount())
        page = pageCount() - 1;
    if (page < 0)
        page = 0;
    if (page == _currentPageNum && _previousPageNum != -1)
        return false;
    _previousPageNum = _currentPageNum;
    _currentPageNum = page;
    postPageChanged();
    return true;
}

int32_t TemplateMapper::sourceIndexForCell(int32_t cell) {
    if (!_sourceCatalog)
        return -1;
    // Without pages every cell is empty.
    const int32_t page = currentPageNum();
    if (page < 0)
        return -1;
    int32_t j = -1;
    switch (_layoutMode) {
    case LayoutModeSequential:
        j = photoCellsOnFirstPage() * page + cell;
        break;
    case LayoutModeBook:
        j = entryIndexOnPage(page, cell);
        break;
    case LayoutModeOnePhotoPerPage:
        j = page;
        break;
    default:
        return -1;
    }
    if (j < 0)
        return -1;
    const QList<int32_t> photos =
        _layoutMode == LayoutModeBook ? _sourceCatalog->getAllIndices() : markedPhotos();
    return j < photos.size() ? photos[j] : -1;
}

// Book mode ----------------------------------------------------------------------

QVariantMap TemplateMapper::pageDictionary(int32_t page) {
    std::lock_guard lock(_bookContainer->lock);
    if (uint32_t(page) >= uint32_t(_bookContainer->pages.size()))
        return QVariantMap();
    return _bookContainer->pages[page];
}

int32_t TemplateMapper::entryIndexOnPage(int32_t page, int32_t position) {
    const QVariant serial = pageDictionary(page).value(positionKey(position));
    if (!PropertyList::isNumber(serial) || !_sourceCatalog)
        return -1;
    return _sourceCatalog->indexOfEntryWithSerialNumber(serial.toInt());
}

void TemplateMapper::setEntryIndexOnPage(int32_t page, int32_t position, int32_t index) {
    const QString positionName = positionKey(position);
    QVariant serial;
    if (index != -1 && _sourceCatalog)
        serial = _sourceCatalog->getFileAttributeAtIndex(kCatalogAttrSerialNumber, index);
    int32_t changedPage = page;
    int32_t old = -1;
    {
        std::lock_guard lock(_bookContainer->lock);
        QList<QVariantMap>& pages = _bookContainer->pages;
        if (uint32_t(page) >= uint32_t(pages.size())) {
            pages.append(QVariantMap());
            changedPage = int32_t(pages.size() - 1);
        }
        QVariantMap& dictionary = pages[changedPage];
        const QVariant stored = dictionary.value(positionName);
        if (PropertyList::isNumber(stored))
            old = stored.toInt();
        if (PropertyList::isNumber(serial))
            dictionary.insert(positionName, serial.toInt());
        else
            dictionary.remove(positionName);
    }
    if (UndoManager* undo = undoManager()) {
        const QVariantMap record{{key(kPlacementPageKey), changedPage},
                                 {key(kPlacementPositionKey), position},
                                 {key(kPlacementSerialKey), old}};
        undo->registerUndo(this, [this, record] { placeEntries(record); });
        undo->setActionName(localizedString(key(kPicturePlacementAction)));
        _registeredUndo = true;
    }
    if (page == currentPageNum())
        postPageChanged();
}

void TemplateMapper::placeEntries(const QVariantMap& record) {
    const int32_t page = record.value(key(kPlacementPageKey)).toInt();
    const int32_t position = record.value(key(kPlacementPositionKey)).toInt();
    const int32_t serial = record.value(key(kPlacementSerialKey)).toInt();
    const int32_t index =
        serial >= 0 && _sourceCatalog ? _sourceCatalog->findSerialNumber(serial) : -1;
    setEntryIndexOnPage(page, position, index);
    NotificationCenter::defaultCenter().postNotificationName(
        key(kVQFileCatalogAttributeChangedNofity),
        static_cast<const VQFileCatalog*>(_sourceCatalog.get()));
}

void TemplateMapper::addPage() {
    std::lock_guard lock(_bookContainer->lock);
    _bookContainer->pages.append(QVariantMap());
}

void TemplateMapper::removePage(int32_t page) {
    std::lock_guard lock(_bookContainer->lock);
    if (uint32_t(page) < uint32_t(_bookContainer->pages.size()))
        _bookContainer->pages.removeAt(page);
}

void TemplateMapper::setBookContainer(const BookContainerRef& container) {
    _bookContainer = container ? container : std::make_shared<BookContainer>();
}

void TemplateMapper::setBookContainer(const QVariantList& pages) {
    auto container = std::make_shared<BookContainer>();
    for (const QVariant& page : pages)
        if (page.typeId() == QMetaType::QVariantMap)
            container->pages.append(page.toMap());
    setBookContainer(container);
}

QList<int32_t> TemplateMapper::placementsOn(const QVariantMap& page) const {
    QList<int32_t> indices;
    const QString prefix = key(kBookPositionKeyFormat).left(3);
    for (auto it = page.constBegin(); it != page.constEnd(); ++it) {
        if (!it.key().startsWith(prefix) || !PropertyList::isNumber(it.value()))
            continue;
        bool isCell = false;
        it.key().mid(prefix.size()).toInt(&isCell);
        if (!isCell)
            continue;
        indices.append(
            _sourceCatalog ? _sourceCatalog->indexOfEntryWithSerialNumber(it.value().toInt()) : -1);
    }
    return indices;
}

QList<int32_t> TemplateMapper::getAllPageEntryIndices() {
    QList<QVariantMap> pages;
    {
        std::lock_guard lock(_bookContainer->lock);
        pages = _bookContainer->pages;
    }
    QList<int32_t> indices;
    for (const QVariantMap& page : pages)
        indices.append(placementsOn(page));
    return indices;
}

QList<int32_t> TemplateMapper::getEntryIndicesOnPage(int32_t page) {
    return placementsOn(pageDictionary(page));
}

int32_t TemplateMapper::entriesOnPage(int32_t page) {
    return int32_t(getEntryIndicesOnPage(page).size());
}

// Category hint --------------------------------------------------------------------

QString TemplateMapper::getCategoryHint() const {
    if (!_categoryHint.isNull())
        return _categoryHint;
    if (_masterTemplate)
        return _masterTemplate->category();
    return localizedString(key(kPrintsCategoryKey));
}

void TemplateMapper::setCategoryHint(const QString& hint) {
    if (hint.isNull() == _categoryHint.isNull() && hint == _categoryHint)
        return;
    if (UndoManager* undo = undoManager()) {
        const QString old = _categoryHint;
        undo->registerUndo(this, [this, old] { setCategoryHint(old); });
        _registeredUndo = true;
    }
    _categoryHint = hint;
}

// Selection tracking ---------------------------------------------------------------

bool TemplateMapper::synthesizePages() {
    if (!_trackSelection || _layoutMode == LayoutModeBook)
        return false;
    const QList<int32_t> selected =
        _sourceCatalog ? _sourceCatalog->getSelectedIndices() : QList<int32_t>();
    const QList<int32_t> marked = markedPhotos();
    int32_t page = -1;
    for (int32_t index : selected) {
        const auto position = int32_t(marked.indexOf(index));
        if (position >= 0) {
            page = position;
            break;
        }
    }
    if (_layoutMode == LayoutModeSequential && page >= 0) {
        const int32_t cells = photoCellsOnFirstPage();
        page = cells != 0 ? page / cells : _currentPageNum;
    }
    return setCurrentPageNum(page);
}

// Image source ---------------------------------------------------------------------

Image TemplateMapper::imageForCell(int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    return index < 0 ? Image() : _sourceCatalog->getFileImageAtIndex(index);
}

Image TemplateMapper::hiresImageForCell(int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    return index < 0 ? Image() : _sourceCatalog->getFileDirectImageAtIndex(index);
}

Rect TemplateMapper::naturalImageBoundsForCell(int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    if (index < 0)
        return kZeroRect;
    return Rect(kZeroPoint, _sourceCatalog->getFileImageSizeAtIndex(index));
}

bool TemplateMapper::selectionStateForCell(int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    return index >= 0 && _sourceCatalog->getFileSelectionStateAtIndex(index);
}

void TemplateMapper::setSelectionStateForCell(bool selected, int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    if (index < 0)
        return;
    if (selected) {
        _sourceCatalog->clearSelection();
        _sourceCatalog->setSelectionAtIndex(index);
    } else {
        _sourceCatalog->clearSelectionAtIndex(index);
    }
}

Rect TemplateMapper::cropRectForCell(int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    return index < 0 ? kZeroRect : _sourceCatalog->getFileImageCropAtIndex(index);
}

void TemplateMapper::setCropRectForCell(const Rect& crop, int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    if (index >= 0)
        _sourceCatalog->setFileImageCropAtIndexTo(index, crop);
}

Point TemplateMapper::offsetForCell(int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    return index < 0 ? kZeroPoint : _sourceCatalog->getFileImageOffsetAtIndex(index);
}

void TemplateMapper::setOffsetForCell(Point offset, int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    if (index >= 0)
        _sourceCatalog->setFileImageOffsetAtIndexTo(index, offset);
}

// Showing a page is no edit: the bound offset is kept without an undo step or a
// change to the document. Output copies draw on their own threads and already
// show the bound offset, so they keep nothing.
void TemplateMapper::keepDrawnOffsetForCell(Point offset, int32_t cell) {
    if (_destinationDevice != DestinationScreen || !onMainThread())
        return;
    const int32_t index = sourceIndexForCell(cell);
    if (index < 0)
        return;
    UndoManager* undo = undoManager();
    if (undo)
        undo->disableUndoRegistration();
    const bool wasDisabled = _sourceCatalog->notificationsDisabled();
    _sourceCatalog->setNotificationsDisabled(true);
    _sourceCatalog->setFileImageOffsetAtIndexTo(index, offset);
    _sourceCatalog->setNotificationsDisabled(wasDisabled);
    if (undo)
        undo->enableUndoRegistration();
}

int32_t TemplateMapper::scalingModeForCell(int32_t) {
    return _scalingMode;
}

bool TemplateMapper::flippedModeForCell(int32_t) {
    return _masterTemplate && _masterTemplate->flipped();
}

std::vector<std::shared_ptr<TMObject>> TemplateMapper::captionArrayForCell(int32_t cell) {
    std::vector<std::shared_ptr<TMObject>> captions;
    const int32_t index = sourceIndexForCell(cell);
    if (index < 0)
        return captions;
    for (const QVariant& item : _sourceCatalog->getFileImageCaptionsAtIndex(index))
        if (TMObjectRef caption = item.value<TMObjectRef>())
            captions.push_back(std::move(caption));
    return captions;
}

bool TemplateMapper::notificationsDisabled() {
    return _sourceCatalog && _sourceCatalog->notificationsDisabled();
}

void TemplateMapper::setNotificationsDisabled(bool disabled) {
    if (_sourceCatalog)
        _sourceCatalog->setNotificationsDisabled(disabled);
}

void TemplateMapper::colorMatchImage(Image& image) {
    if (!_useOutputProfile)
        return;
    if (!_bypassColorMatching) {
        if (_outputProfile)
            _outputProfile->colorMatchImage(image);
        return;
    }
    if (image.isNull())
        return;
    const QByteArray profile = defaultOutputProfile();
    if (!profile.isEmpty())
        image.setIccProfile(profile);
}

QString TemplateMapper::propertyForCell(const QString& propertyKey, int32_t cell) {
    const int32_t index = sourceIndexForCell(cell);
    if (propertyKey.startsWith(QLatin1String("Template"))) {
        const QStringList pieces = propertyKey.split(QLatin1Char('-'));
        if (pieces.size() < 2)
            return QString();
        const QString& code = pieces[1];
        if (code == QLatin1String("T001"))
            return QString::number(currentPageNum() + 1);
        if (code == QLatin1String("T002"))
            return QString::number(pageCount());
        const struct {
            const char* code;
            QString (TemplateHandle::*read)();
        } facts[] = {{"T003", &TemplateHandle::name},
                     {"T004", &TemplateHandle::category},
                     {"T005", &TemplateHandle::creator},
                     {"T006", &TemplateHandle::copyright},
                     {"T007", &TemplateHandle::description}};
        for (const auto& fact : facts)
            if (code == QLatin1String(fact.code))
                return _masterTemplate ? (_masterTemplate.get()->*fact.read)() : QStringLiteral("");
        return QString();
    }
    if (index < 0)
        return QStringLiteral("");
    return _sourceCatalog->getEXIFValueForTagAtIndex(propertyKey, index);
}

// Edit-field texts -----------------------------------------------------------------

QVariantMap TemplateMapper::currentPageDictionary() {
    return pageDictionary(currentPageNum());
}

void TemplateMapper::updateCurrentPageDictionary(const std::function<void(QVariantMap&)>& change) {
    const int32_t page = currentPageNum();
    std::lock_guard lock(_bookContainer->lock);
    if (uint32_t(page) < uint32_t(_bookContainer->pages.size()))
        change(_bookContainer->pages[page]);
}

bool TemplateMapper::currentPageHasTextValues() {
    if (_layoutMode != LayoutModeBook)
        return false;
    const QVariant flag = currentPageDictionary().value(key(kPageHasEditValuesKey));
    return (flag.typeId() == QMetaType::Bool || PropertyList::isNumber(flag)) && flag.toBool();
}

void TemplateMapper::setCurrentPageHasTextValues(bool flag) {
    if (_layoutMode != LayoutModeBook)
        return;
    updateCurrentPageDictionary(
        [flag](QVariantMap& page) { page.insert(key(kPageHasEditValuesKey), flag); });
}

QString TemplateMapper::editValueForField(int32_t field) {
    const QVariantList fields = masterEditFields();
    if (field < 0 || field >= fields.size())
        return QStringLiteral("");
    const QVariantMap fieldRecord = fields[field].toMap();
    if (_layoutMode == LayoutModeBook && currentPageHasTextValues())
        if (const auto text = textIn(currentPageDictionary(), pageEditValueKey(field)))
            return *text;
    const QString fieldID = textIn(fieldRecord, key(kEditFieldIDKey)).value_or(QString());
    const std::optional<QString> ownValue = textIn(fieldRecord, key(kEditFieldValueKey));
    if (!fieldID.isEmpty()) {
        const QVariant shared =
            UserDefaults::standardUserDefaults().objectForKey(key(kTemplateTextObjectsKey));
        if (shared.typeId() == QMetaType::QVariantMap) {
            if (const auto text = textIn(shared.toMap(), fieldID))
                return *text;
            if (ownValue)
                return *ownValue;
        }
    }
    {
        std::lock_guard lock(_editTextValues->lock);
        if (const auto text = textIn(_editTextValues->texts, QString::number(field)))
            return *text;
    }
    return ownValue.value_or(QStringLiteral(""));
}

void TemplateMapper::setEditValueForField(const QString& text, int32_t field) {
    const QVariantList fields = masterEditFields();
    if (field < 0 || field >= fields.size())
        return;
    const QString fieldID = textIn(fields[field].toMap(), key(kEditFieldIDKey)).value_or(QString());
    if (!fieldID.isEmpty()) {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        QVariantMap shared = defaults.dictionaryForKey(key(kTemplateTextObjectsKey));
        shared.insert(fieldID, text);
        defaults.setObjectForKey(shared, key(kTemplateTextObjectsKey));
    }
    {
        std::lock_guard lock(_editTextValues->lock);
        _editTextValues->texts.insert(QString::number(field), text);
    }
    setCurrentPageHasTextValues(false);
    postPageChanged();
}

void TemplateMapper::setCurrentPageEditValueForField(const QString& text, int32_t field) {
    if (_layoutMode != LayoutModeBook) {
        setEditValueForField(text, field);
        return;
    }
    const QVariantList fields = masterEditFields();
    if (field < 0 || field >= fields.size() || currentPageNum() < 0)
        return;
    const QString fieldID = textIn(fields[field].toMap(), key(kEditFieldIDKey)).value_or(QString());
    updateCurrentPageDictionary([&](QVariantMap& page) {
        page.insert(pageEditValueKey(field), text);
        page.insert(key(kPageHasEditValuesKey), true);
        if (fieldID.isEmpty())
            return;
        for (int32_t other = 0; other < fields.size(); ++other)
            if (other != field &&
                textIn(fields[other].toMap(), key(kEditFieldIDKey)) == std::optional(fieldID))
                page.insert(pageEditValueKey(other), text);
    });
    postPageChanged();
}

// Colour settings ------------------------------------------------------------------

void TemplateMapper::setOutputProfile(const std::shared_ptr<ColorProfileHandle>& profile) {
    _outputProfile = profile;
    if (_outputProfile)
        _outputProfile->setUsesExternalMatching(_profileUsesExternalMatching);
}

void TemplateMapper::setProfileUsesExternalMatching(bool flag) {
    _profileUsesExternalMatching = flag;
    if (_outputProfile)
        _outputProfile->setUsesExternalMatching(flag);
}

// Archive --------------------------------------------------------------------------

QVariantMap TemplateMapper::encodeInDictionary() const {
    QVariantMap archive;
    if (_masterTemplate)
        archive.insert(key(kTemplateIDKey), _masterTemplate->documentID());
    if (!_categoryHint.isNull())
        archive.insert(key(kCategoryHintKey), _categoryHint);
    {
        std::lock_guard lock(_bookContainer->lock);
        QVariantList pages;
        for (const QVariantMap& page : _bookContainer->pages)
            pages.append(page);
        archive.insert(key(kBookContainerKey), pages);
    }
    {
        std::lock_guard lock(_editTextValues->lock);
        archive.insert(key(kTextValuesKey), _editTextValues->texts);
    }
    if (_outputProfile)
        archive.insert(key(kOutputProfileKey),
                       Archiver::archivedData(ArchivableRef(_outputProfile)));
    archive.insert(key(kLayoutModeKey), _layoutMode);
    archive.insert(key(kScaleModeKey), _scalingMode);
    archive.insert(key(kCurrentPageKey), _currentPageNum);
    archive.insert(key(kPreviousPageKey), _previousPageNum);
    archive.insert(key(kTrackSelectionKey), _trackSelection);
    archive.insert(key(kDestinationKey), _destinationDevice);
    archive.insert(key(kPreferredDPIKey), _preferredDPI);
    archive.insert(key(kUseProfileKey), _useOutputProfile);
    archive.insert(key(kExternalMatchingKey), _profileUsesExternalMatching);
    archive.insert(key(kBypassMatchingKey), _bypassColorMatching);
    return archive;
}

void TemplateMapper::encodeWithCoder(Archiver& coder) const {
    coder.encodeObject(QVariant(encodeInDictionary()));
}

bool TemplateMapper::initWithCoder(Unarchiver& coder) {
    const QVariant decoded = coder.decodeObject();
    if (decoded.typeId() != QMetaType::QVariantMap)
        return false;
    decodeFromDictionary(decoded.toMap());
    return true;
}

void TemplateMapper::decodeFromDictionary(const QVariantMap& archive) {

    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    TemplateHandleRef master;
    if (const auto documentID = textIn(archive, key(kTemplateIDKey)))
        master = library->templateWithID(*documentID);
    _masterTemplate = master ? master : library->defaultTemplate();
    // Cell counts and fields are known once the handle has read its page.
    if (_masterTemplate && !_masterTemplate->editFields())
        _masterTemplate->objectsOnPage(0);

    if (const auto hint = textIn(archive, key(kCategoryHintKey)))
        setCategoryHint(*hint);
    const QVariant pages = archive.value(key(kBookContainerKey));
    if (pages.typeId() == QMetaType::QVariantList)
        setBookContainer(pages.toList());
    else
        setBookContainer(std::make_shared<BookContainer>());
    const QVariant texts = archive.value(key(kTextValuesKey));
    _editTextValues = std::make_shared<EditTextValues>();
    if (texts.typeId() == QMetaType::QVariantMap)
        _editTextValues->texts = texts.toMap();

    _layoutMode = archivedInt(archive, kLayoutModeKey, LayoutModeOnePhotoPerPage);
    _scalingMode = archivedInt(archive, kScaleModeKey, ScalingModeFill);
    _currentPageNum = archivedInt(archive, kCurrentPageKey, 0);
    _previousPageNum = archivedInt(archive, kPreviousPageKey, -1);
    _trackSelection = archivedBool(archive, kTrackSelectionKey, true);
    _destinationDevice = archivedInt(archive, kDestinationKey, DestinationScreen);
    _preferredDPI = archivedFloat(archive, kPreferredDPIKey, 0);
    _useOutputProfile = archivedBool(archive, kUseProfileKey, false);
    _profileUsesExternalMatching = archivedBool(archive, kExternalMatchingKey, false);
    _bypassColorMatching = archivedBool(archive, kBypassMatchingKey, false);

    const QVariant profileData = archive.value(key(kOutputProfileKey));
    if (profileData.typeId() == QMetaType::QByteArray) {
        ColorProfileHandle::registerArchivableClass();
        _outputProfile =
            Unarchiver::unarchiveObjectOfClass<ColorProfileHandle>(profileData.toByteArray());
        if (_outputProfile)
            _outputProfile->setUsesExternalMatching(_profileUsesExternalMatching);
    }
}

void TemplateMapper::registerArchivableClass() {
    ClassRegistry::shared().registerClass<TemplateMapper>(QString::fromLatin1(kArchiveClassName));
}
