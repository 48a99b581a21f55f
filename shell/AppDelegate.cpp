#include "shell/AppDelegate.h"
#include "shell/SS_PrefsController.h"

#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/ColorProfileHandle.h"
#include "library/NewTemplateManager.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/BezierPath.h"
#include "shell/MainMenu.h"
#include "shell/NFVersionChecker.h"
#include "shell/PreferenceTable.h"
#include "shell/ScriptingBus.h"
#include "shell/SystemEnvironment.h"
#include "shell/URLResourceRetriever.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QPixmap>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kMasksPathKey[] = "MASKS_PATH";
constexpr char kByteValueTypeKey[] = "BYTE_VALUE_TYPE";
constexpr char kKByteValueTypeKey[] = "KBYTE_VALUE_TYPE";
constexpr char kMByteValueTypeKey[] = "MBYTE_VALUE_TYPE";
constexpr char kAppleAquaColorVariantKey[] = "AppleAquaColorVariant";
constexpr int kGraphiteColorVariant = 6;

constexpr char kTempFolderName[] = "Vyx";
constexpr char kImagesFolder[] = "/Images/";

constexpr char kGrabImage[] = "Grab";
constexpr char kResizeImage[] = "Resize";
constexpr char kZoomArrowsImage[] = "ZoomArrows";
constexpr const char* kHandleImages[3] = {"HandleSegment", "HandleControl", "HandleSelected"};
constexpr char kTiffType[] = "tiff";

constexpr int kCodeMasksPath = 1;
constexpr int kFileSizeKiloByte = 1024;
constexpr int kFileSizeMegaByte = 1024 * 1024;

// The application's image of that name; any image type when none is given.
QImage bundleImage(const QString& name, const QString& type = QString()) {
    const QString base = Resources::sharePath() + QLatin1String(kImagesFolder) + name;
    if (!type.isEmpty())
        return QImage(base + QLatin1Char('.') + type);
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        const QString path = base + QLatin1Char('.') + QString::fromLatin1(format);
        if (QFileInfo::exists(path))
            return QImage(path);
    }
    return QImage();
}

QCursor imageCursor(const char* name, int hotX, int hotY) {
    return QCursor(QPixmap::fromImage(bundleImage(QString::fromLatin1(name))), hotX, hotY);
}

// A folder only this user can enter: made when missing, and refused when it is not a
// real folder owned by the user (someone else may have made it first).
bool makePrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    ::mkdir(native.constData(), 0700);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid())
        return false;
    if ((info.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

// The user's private place for temporary files: a folder of the user's own under the
// system's temporary folder, or inside the user's cache when that can't be had safely.
QString privateTempRoot() {
    const QString shared =
        QDir::tempPath() + QStringLiteral("/lumisk-") + QString::number(::getuid());
    if (makePrivateFolder(shared))
        return shared;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    const QString fallback = cache + QStringLiteral("/tmp");
    makePrivateFolder(fallback);
    return fallback;
}

} // namespace

AppDelegate* AppDelegate::current() {
    return dynamic_cast<AppDelegate*>(HostServices::current());
}

AppDelegate::AppDelegate(std::unique_ptr<SystemEnvironment> environment, UserDefaults* defaults)
    : _environment(environment ? std::move(environment) : std::make_unique<SystemEnvironment>()),
      _defaults(defaults ? *defaults : UserDefaults::standardUserDefaults()),
      _settings(_defaults, *_environment), _urlRetriever(std::make_unique<URLResourceRetriever>()),
      _resources(_defaults, _environment->systemVersion()),
      _updateInfo(std::make_shared<UpdateInfo>()),
      _versionFileURL(QString::fromLatin1(kVersionFileURL)),
      _mainMenu(std::make_unique<MainMenu>()) {
    recordMainAppThread();
    HostServices::install(this);
    NFVersionChecker* checker = NFVersionChecker::versionChecker();
    checker->setUserDefaults(&_defaults);
    checker->setNoticeReceiver([info = _updateInfo](const QVariantMap& notice) {
        std::lock_guard<std::mutex> locked(info->mutex);
        info->notice = notice;
    });
    QObject::connect(_mainMenu->checkForUpdatesItem(), &QAction::triggered, _mainMenu.get(),
                     [this] { checkForUpdates(_mainMenu->checkForUpdatesItem()); });
    QObject::connect(_mainMenu->preferencesItem(), &QAction::triggered, _mainMenu.get(),
                     [this] { showPreferences(); });
    _mainMenu->setApplicationAction(QStringLiteral("newTemplateDocument:"),
                                    [this] { newTemplateDocument(); });
    _mainMenu->setApplicationAction(QStringLiteral("newCatalogDocument:"),
                                    [this] { newCatalogDocument(); });
    _mainMenu->setApplicationAction(QStringLiteral("openDocument:"), [] {
        DocumentController::sharedDocumentController().openDocument();
    });
    _mainMenu->setApplicationAction(QStringLiteral("showTemplateManager:"),
                                    [this] { showTemplateManager(); });
}

AppDelegate::~AppDelegate() {
    _shortThreads.waitForDone();
    NFVersionChecker* checker = NFVersionChecker::versionChecker();
    checker->setUserDefaults(nullptr);
    checker->setNoticeReceiver(nullptr);
}

// Settings store.

int AppDelegate::preferencesIntFor(int index) {
    return _settings.preferencesIntFor(index);
}
void AppDelegate::setPreferencesIntFor(int value, int index) {
    _settings.setPreferencesIntFor(value, index);
}
bool AppDelegate::preferencesBOOLFor(int index) {
    return _settings.preferencesBOOLFor(index);
}
void AppDelegate::setPreferencesBOOLFor(bool value, int index) {
    _settings.setPreferencesBOOLFor(value, index);
}
QString AppDelegate::preferencesStringFor(int index) {
    return _settings.preferencesStringFor(index);
}
void AppDelegate::setPreferencesStringFor(const QString& value, int index) {
    _settings.setPreferencesStringFor(value, index);
}
Size AppDelegate::preferencesNSSizeFor(int index) {
    return _settings.preferencesNSSizeFor(index);
}
void AppDelegate::setPreferencesNSSizeFor(Size value, int index) {
    _settings.setPreferencesNSSizeFor(value, index);
}
void AppDelegate::initPreferences() {
    _settings.initPreferences();
}

QList<std::shared_ptr<ColorProfileHandle>> AppDelegate::activeProfiles() {
    return ColorProfileHandle::activeProfiles(_defaults);
}

void AppDelegate::setActiveProfiles(const QList<std::shared_ptr<ColorProfileHandle>>& profiles) {
    ColorProfileHandle::setActiveProfiles(profiles, _defaults);
}

// System.

uint32_t AppDelegate::osSystemVersion() {
    return _environment->systemVersion();
}
int AppDelegate::systemArchitecture() {
    return _environment->processorCode();
}
int32_t AppDelegate::physicalRAM() {
    return _environment->installedMemoryMB();
}
bool AppDelegate::isMainThread() const {
    return QThread::currentThread() == _mainAppThread;
}
void AppDelegate::recordMainAppThread() {
    _mainAppThread = QThread::currentThread();
}

QString AppDelegate::tempFolder() {
    const QString path = privateTempRoot() + QLatin1Char('/') + QLatin1String(kTempFolderName);
    makePrivateFolder(path); // a failure is ignored: the path is still the answer
    return path;
}

QString AppDelegate::fileSizeString(int64_t bytes) {
    const QLocale locale;
    if (bytes == 0)
        return QStringLiteral("--");
    if (bytes < kFileSizeKiloByte)
        return locale.toString(qlonglong(bytes)) +
               localizedString(QString::fromLatin1(kByteValueTypeKey));
    if (bytes < kFileSizeMegaByte)
        return locale.toString(double(bytes) * (1.0 / kFileSizeKiloByte), 'f', 1) +
               localizedString(QString::fromLatin1(kKByteValueTypeKey));
    return locale.toString(double(bytes) * (1.0 / kFileSizeMegaByte), 'f', 1) +
           localizedString(QString::fromLatin1(kMByteValueTypeKey));
}

QString AppDelegate::accessPath(int code) {
    if (code == kCodeMasksPath)
        return localizedString(QString::fromLatin1(kMasksPathKey));
    return QString(QLatin1String(""));
}

QStringList AppDelegate::installedTemplateCategories() {
    return NewTemplateManager::sharedTemplateManager()->templateCategories();
}

// Image fetches.

Image AppDelegate::synchronousImageFetch(const QUrl& url) {
    return _urlRetriever->synchronousImageFetch(url);
}

QByteArray AppDelegate::synchronousDataFetch(const QUrl& url) {
    return _urlRetriever->synchronousDataFetch(url);
}

QByteArray AppDelegate::cancellableDataFetch(const QUrl& url, const std::atomic<bool>& cancelled) {
    return _urlRetriever->synchronousDataFetch(url, cancelled);
}

void AppDelegate::asynchronousImageFetchDataTagCompletionDelegate(
    const QUrl& url, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate) {
    _urlRetriever->asynchronousImageFetchDataTagCompletionDelegate(url, tag, std::move(delegate));
}

// Cursors.

const QCursor& AppDelegate::openHandCursor() {
    if (!_openHandCursor) {
        if (osSystemVersion() < 0x1030)
            _openHandCursor = imageCursor(kGrabImage, 8, 8);
        else
            _openHandCursor = QCursor(Qt::OpenHandCursor);
    }
    return *_openHandCursor;
}

const QCursor& AppDelegate::crossArrowsCursor() {
    if (!_crossArrowsCursor)
        _crossArrowsCursor = imageCursor(kResizeImage, 8, 8);
    return *_crossArrowsCursor;
}

const QCursor& AppDelegate::zoomArrowsCursor() {
    if (!_zoomArrowsCursor)
        _zoomArrowsCursor = imageCursor(kZoomArrowsImage, 10, 10);
    return *_zoomArrowsCursor;
}

// Selection handles.

const BezierPath* AppDelegate::handlePath(int style) {
    if (style < 0 || style > 2)
        return nullptr;
    std::unique_ptr<BezierPath>& slot = _handlePaths[size_t(style)];
    if (!slot) {
        slot = std::make_unique<BezierPath>(makeSelectionHandlePath(style));
    }
    return slot.get();
}

Image AppDelegate::handleGraphic() {
    return handleGraphic(0);
}

Image AppDelegate::handleGraphic(int kind) {
    if (kind < 0 || kind > 2)
        return Image();
    if (!_handleGraphics[size_t(kind)].isNull())
        return _handleGraphics[size_t(kind)];
    const bool graphite = _defaults.integerForKey(QString::fromLatin1(kAppleAquaColorVariantKey)) ==
                          kGraphiteColorVariant;
    const QString name = QString::fromLatin1(kHandleImages[kind]) +
                         (graphite ? QStringLiteral("6") : QStringLiteral("1"));
    const QImage pixels = bundleImage(name, QString::fromLatin1(kTiffType));
    if (pixels.isNull())
        return Image();
    const Image image(pixels);
    setHandleStyleToGraphic(kind, image);
    return image;
}

void AppDelegate::setHandleStyleToGraphic(int kind, const Image& image) {
    if (kind < 0 || kind > 2)
        return;
    _handleGraphics[size_t(kind)] = image;
}

void AppDelegate::clearHandleGraphics() {
    for (Image& image : _handleGraphics)
        image = Image();
}

// Documents and network.

Document* AppDelegate::findTargetDocument() {
    // The class exactly: a document of a kind made from the catalog's is not a target.
    const auto isCatalog = [](const Document* document) {
        return document && document->metaObject() == &RoduvudeDadevizi::staticMetaObject;
    };
    DocumentController& controller = DocumentController::sharedDocumentController();
    if (Document* current = controller.currentDocument(); isCatalog(current))
        return current;
    for (Document* document : controller.documents())
        if (isCatalog(document))
            return document;
    return nullptr;
}

bool AppDelegate::internetConnected() {
    const std::optional<uint32_t> flags =
        _environment->reachabilityFlags(QString::fromLatin1(kMakerWebServerHost));
    if (!flags)
        return false;
    return (*flags & SystemEnvironment::kReachable) &&
           !(*flags & SystemEnvironment::kConnectionRequired);
}

// Wait-cursor monitor.

void AppDelegate::startWaitMonitor() {
    _waitMonitor.startWaitMonitor();
    // Catalog windows' heartbeats are the main thread's signs of life.
    ZaroziveZodiroVirizidivi::setSignOfLife([this] { clearWaitCursor(); });
}

void AppDelegate::stopWaitMonitor() {
    ZaroziveZodiroVirizidivi::setSignOfLife({});
    _waitMonitor.stopWaitMonitor();
}

void AppDelegate::resumeWaitMonitor() {
    _waitMonitor.resumeWaitMonitor();
}

void AppDelegate::suspendWaitMonitor() {
    _waitMonitor.suspendWaitMonitor();
}

void AppDelegate::clearWaitCursor() {
    _waitMonitor.clearWaitCursor();
}
