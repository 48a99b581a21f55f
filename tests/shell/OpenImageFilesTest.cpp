#include "FakeEnvironment.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TemplateDocument.h"
#include "library/TemplateManagerWindowController.h"
#include "platform/documents/DocumentController.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/MainWindowTracker.h"
#include "shell/AppDelegate.h"
#include "shell/ImageLoader.h"
#include "shell/InstanceChannel.h"
#include "shell/PreferenceTable.h"
#include "shell/ScriptingBus.h"
#include "support/LogCapture.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMimeDatabase>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QString home(const QString& relative) {
    return QDir::homePath() + QLatin1Char('/') + relative;
}

// A small JPEG at the path under HOME; answers its absolute path.
QString writeJpeg(const QString& relative) {
    const QString path = home(relative);
    QDir().mkpath(QFileInfo(path).path());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    EXPECT_TRUE(image.save(path, "JPEG")) << path.toStdString();
    return path;
}

QStringList entryPaths(VQFileCatalog& catalog) {
    QStringList paths;
    for (int i = 0; i < catalog.fileCount(); ++i)
        paths << catalog.getFileAttributeAtIndex(kCatalogAttrPath, i).toString();
    return paths;
}

QList<RoduvudeDadevizi*> openCatalogs() {
    QList<RoduvudeDadevizi*> catalogs;
    for (Document* document : DocumentController::sharedDocumentController().documents())
        if (auto* catalog = qobject_cast<RoduvudeDadevizi*>(document))
            catalogs << catalog;
    return catalogs;
}

QSet<QWidget*> visibleWindows() {
    QSet<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            windows.insert(widget);
    return windows;
}

void activate(QWidget* window) {
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    QCoreApplication::processEvents();
}

// Lets queued and idle notices arrive.
void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A session bus of the test's own.
class PrivateBus {
public:
    PrivateBus() {
        address = str("unix:path=") + folder.filePath(str("bus"));
        daemon.start(str("dbus-daemon"),
                     {str("--session"), str("--nofork"), str("--address=") + address});
        daemon.waitForStarted();
        QDeadlineTimer deadline(10000);
        while (!QFile::exists(folder.filePath(str("bus"))) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        client = QDBusConnection::connectToBus(address, str("client"));
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(str("client"));
        daemon.kill();
        daemon.waitForFinished();
    }

    QTemporaryDir folder;
    QProcess daemon;
    QString address;
    QDBusConnection client{str("none")};
};

// A lumisk started by the test with the test's HOME and bus, on the offscreen
// platform.
class LumiskProcess : public QProcess {
public:
    LumiskProcess(const QString& busAddress, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(str("QT_QPA_PLATFORM"), str("offscreen"));
        environment.insert(str("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        setProcessEnvironment(environment);
        start(str(LUMISK_BINARY), arguments);
        waitForStarted();
    }
    ~LumiskProcess() override {
        if (state() != NotRunning) {
            kill();
            waitForFinished();
        }
    }
    bool ended(int milliseconds = 60000) {
        QDeadlineTimer deadline(milliseconds);
        while (state() != NotRunning && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return state() == NotRunning;
    }
};

// The entries of the front catalog of the Lumisk on the bus; none while there
// is no catalog (or no Lumisk).
std::optional<QList<int>> frontCatalogEntries(QDBusConnection& bus) {
    const QDBusMessage catalogs = bus.call(
        QDBusMessage::createMethodCall(str(ScriptingBus::kService), str(ScriptingBus::kRootPath),
                                       str(ScriptingBus::kService), str("Catalogs")));
    if (catalogs.type() != QDBusMessage::ReplyMessage || catalogs.arguments().isEmpty())
        return std::nullopt;
    const QDBusArgument list = catalogs.arguments().first().value<QDBusArgument>();
    list.beginArray();
    if (list.atEnd())
        return std::nullopt;
    QDBusObjectPath path;
    QString name;
    list.beginStructure();
    list >> path >> name;
    list.endStructure();
    QDBusMessage get =
        QDBusMessage::createMethodCall(str(ScriptingBus::kService), path.path(),
                                       str("org.freedesktop.DBus.Properties"), str("Get"));
    get.setArguments({str(ScriptingBus::kCatalogInterface), str("Entries")});
    const QDBusMessage entries = bus.call(get);
    if (entries.type() != QDBusMessage::ReplyMessage || entries.arguments().isEmpty())
        return std::nullopt;
    return qdbus_cast<QList<int>>(
        entries.arguments().first().value<QDBusVariant>().variant().value<QDBusArgument>());
}

// Waits until the front catalog has the number of entries.
bool frontCatalogHas(QDBusConnection& bus, qsizetype count) {
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        const std::optional<QList<int>> entries = frontCatalogEntries(bus);
        if (entries && entries->size() == count)
            return true;
        QThread::msleep(50);
    }
    return false;
}

class OpenImageFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        DocumentController& documents = DocumentController::sharedDocumentController();
        documents.registerDocumentType(RoduvudeDadevizi::documentType());
        ImageLoader::registerDocumentTypes(documents);
        delegate = std::make_unique<AppDelegate>(std::make_unique<FakeEnvironment>(), &defaults);
    }
    void TearDown() override {
        DocumentController& documents = DocumentController::sharedDocumentController();
        for (Document* document : documents.documents())
            if (std::shared_ptr<Document> taken = documents.takeDocument(document))
                taken->close();
        settle();
        if (delegate->launchComplete())
            delegate->applicationWillTerminate();
        delegate.reset();
    }
    void launch() {
        delegate->applicationWillFinishLaunching();
        delegate->applicationDidFinishLaunching();
        // A first launch shows the template manager once it has set itself up,
        // on a thread: that is awaited, so that no window appears later.
        QWidget* manager =
            TemplateManagerWindowController::sharedTemplateManagerController()->window();
        QDeadlineTimer deadline(10000);
        while (!manager->isVisible() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    RoduvudeDadevizi* newCatalog() {
        delegate->newCatalogDocument();
        auto* catalog = qobject_cast<RoduvudeDadevizi*>(
            DocumentController::sharedDocumentController().documents().first());
        EXPECT_NE(catalog, nullptr);
        return catalog;
    }

    TestHome account;
    UserDefaults defaults{home(str("defaults.plist"))};
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace

TEST_F(OpenImageFilesTest, ImageTypesAreRegisteredWhereAReaderTakesThem) {
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    const struct {
        const char* type;
        const char* extension;
    } cases[] = {
        {"JPEG Image", "jpg"},     {"JPEG Image", "jpeg"},    {"PNG File", "png"},
        {"GIF Image", "gif"},      {"BMP Image", "bmp"},      {"TIFF Image", "tif"},
        {"TIFF Image", "tiff"},    {"TARGA File", "tga"},     {"PICT Image", "pict"},
        {"PDF File", "pdf"},       {"EPS File", "eps"},       {"QTIF Image", "qtif"},
        {"SGI File", "sgi"},       {"Photoshop File", "psd"}, {"MacPaint File", "pntg"},
        {"Flashpix Image", "fpx"},
    };
    const DocumentController& documents = DocumentController::sharedDocumentController();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        const bool hasReader = readable.contains(QByteArray(c.extension));
        EXPECT_EQ(documents.typeForFileName(str("/p/photo.") + str(c.extension).toUpper()),
                  hasReader ? str(c.type) : QString());
    }
    // Qt reads these itself, so they are always there.
    for (const char* name : {"JPEG Image", "PNG File"})
        EXPECT_TRUE(documents.documentTypes().contains(str(name))) << name;
    for (const DocumentController::DocumentType& type : ImageLoader::documentTypes()) {
        EXPECT_TRUE(ImageLoader::acceptedTypeNames().contains(type.name));
        for (const QString& extension : type.extensions)
            EXPECT_TRUE(readable.contains(extension.toLatin1())) << extension.toStdString();
    }
}

TEST_F(OpenImageFilesTest, AJpegOpenedBehindATemplateGoesToThatCatalog) {
    launch();
    RoduvudeDadevizi* catalog = newCatalog();
    auto* other = qobject_cast<RoduvudeDadevizi*>(
        DocumentController::sharedDocumentController()
            .openUntitledDocumentOfType(str(kCatalogDocumentType), true)
            .get());
    ASSERT_NE(other, nullptr);
    // Front to back: the template (current), the catalog, the other catalog.
    activate(other->windowControllers().first()->window());
    activate(catalog->windowControllers().first()->window());
    std::shared_ptr<Document> templateDocument =
        DocumentController::sharedDocumentController().openUntitledDocumentOfType(
            str(kTemplateDocumentType), true);
    ASSERT_NE(templateDocument, nullptr);
    activate(templateDocument->windowControllers().first()->window());
    ASSERT_EQ(DocumentController::sharedDocumentController().documents(),
              (QList<Document*>{templateDocument.get(), catalog, other}));
    ASSERT_EQ(DocumentController::sharedDocumentController().currentDocument(),
              templateDocument.get());
    const QString photo = writeJpeg(str("Pictures/beach.jpg"));
    const QSet<QWidget*> before = visibleWindows();

    delegate->openPaths({photo});
    settle();

    EXPECT_EQ(entryPaths(catalog->fileCatalog()), QStringList(photo));
    EXPECT_EQ(other->fileCatalog().fileCount(), 0);
    QSet<QWidget*> after = visibleWindows();
    for (QWidget* opened : after.subtract(before))
        ADD_FAILURE() << "opened: " << opened->metaObject()->className() << " "
                      << opened->windowTitle().toStdString();
    EXPECT_EQ(openCatalogs().size(), 2);
    EXPECT_EQ(DocumentController::sharedDocumentController().documents().size(), 3)
        << "the image's own document does not stay open";
    // Added with auto-selection: nothing was selected, so the new photo is.
    EXPECT_EQ(catalog->fileCatalog().getSelectedIndices(), QList<int>{0});
}

TEST_F(OpenImageFilesTest, WithNothingOpenANewCatalogHoldsThePhoto) {
    launch();
    ASSERT_TRUE(DocumentController::sharedDocumentController().documents().isEmpty());
    const QString photo = writeJpeg(str("Pictures/dog.jpeg"));

    delegate->openPaths({photo});
    settle();

    const QList<RoduvudeDadevizi*> catalogs = openCatalogs();
    ASSERT_EQ(catalogs.size(), 1);
    EXPECT_TRUE(catalogs.first()->fileName().isEmpty()) << "untitled";
    EXPECT_EQ(entryPaths(catalogs.first()->fileCatalog()), QStringList(photo));
    EXPECT_EQ(DocumentController::sharedDocumentController().documents().size(), 1);
}

TEST_F(OpenImageFilesTest, OtherTypesAreLoggedAndRefused) {
    const QString photo = writeJpeg(str("Pictures/cat.jpg"));
    for (const char* type : {"Photo Catalog", "Vyx Template Document", ""}) {
        SCOPED_TRACE(type);
        ImageLoader loader;
        LogCapture log;
        EXPECT_FALSE(loader.readFromFileOfType(photo, str(type)));
        EXPECT_EQ(log.lines(),
                  QStringList(str("ImageLoader: %1 for type %2").arg(photo, str(type))));
        EXPECT_TRUE(DocumentController::sharedDocumentController().documents().isEmpty())
            << "no catalog is made for a refused file";
    }
}

TEST_F(OpenImageFilesTest, TwoFilesAppendInTheOrderGiven) {
    launch();
    RoduvudeDadevizi* catalog = newCatalog();
    const QString first = writeJpeg(str("Pictures/zebra.jpg"));
    const QString second = writeJpeg(str("Pictures/ant.jpg"));
    catalog->fileCatalog().addFileEntry(writeJpeg(str("Pictures/kept.jpg")));
    catalog->fileCatalog().setFileSelectionStateAtIndexTo(0, true);

    delegate->openPaths({first, second});
    settle();

    EXPECT_EQ(entryPaths(catalog->fileCatalog()),
              (QStringList{home(str("Pictures/kept.jpg")), first, second}));
    EXPECT_EQ(catalog->fileCatalog().getSelectedIndices(), QList<int>{0})
        << "a selection that is there stays";
}

TEST_F(OpenImageFilesTest, FilesNamedBeforeLaunchWaitForItAsFoldersDo) {
    const QString folder = home(str("Pictures/Trip"));
    const QString inFolder = writeJpeg(str("Pictures/Trip/one.jpg"));
    const QString second = writeJpeg(str("Pictures/b.jpg"));
    const QString first = writeJpeg(str("Pictures/a.jpg"));

    delegate->applicationWillFinishLaunching();
    delegate->openPaths({second, folder, first});
    EXPECT_EQ(delegate->pendingFiles(), (QStringList{second, first}));
    EXPECT_EQ(delegate->pendingFolder(), folder);
    EXPECT_TRUE(DocumentController::sharedDocumentController().documents().isEmpty());

    delegate->applicationDidFinishLaunching();
    settle();

    EXPECT_TRUE(delegate->pendingFiles().isEmpty());
    const QList<RoduvudeDadevizi*> catalogs = openCatalogs();
    ASSERT_EQ(catalogs.size(), 1);
    EXPECT_EQ(entryPaths(catalogs.first()->fileCatalog()), (QStringList{inFolder, second, first}));
}

TEST_F(OpenImageFilesTest, AFileOfNoImageTypeIsNotOpened) {
    launch();
    const QString notes = home(str("notes.txt"));
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a photo");
    file.close();
    LogCapture log;

    delegate->openPaths({notes});

    EXPECT_TRUE(DocumentController::sharedDocumentController().documents().isEmpty());
    EXPECT_TRUE(log.contains(str("Not opened: ") + notes)) << log.lines().join('\n').toStdString();
}

TEST_F(OpenImageFilesTest, WhileAnotherProgramIsActiveTheMainCatalogWindowTakesAFolder) {
    launch();
    RoduvudeDadevizi* catalog = newCatalog();
    activate(catalog->windowControllers().first()->window());
    // The file manager, or the second lumisk, is the active program now.
    QApplication::setActiveWindow(nullptr);
    settle();
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    const QString photo = writeJpeg(str("Pictures/Scans/scan.jpg"));

    delegate->openPaths({home(str("Pictures/Scans"))});

    EXPECT_EQ(openCatalogs(), QList<RoduvudeDadevizi*>{catalog});
    EXPECT_EQ(entryPaths(catalog->fileCatalog()), QStringList(photo));
}

// The real program started a second time, with two photos: it hands them to the
// running Lumisk, here this process listening on the same runtime folder.
TEST_F(OpenImageFilesTest, ASecondLumiskHandsItsFilesToTheRunningOne) {
    launch();
    RoduvudeDadevizi* catalog = newCatalog();
    InstanceChannel channel;
    ASSERT_EQ(channel.handOverOrListen({}), InstanceChannel::Outcome::Listening);
    ASSERT_TRUE(channel.socketPath().startsWith(QDir::homePath())) << "the test's own folder";
    QObject::connect(&channel, &InstanceChannel::pathsReceived,
                     [this](const QStringList& paths) { delegate->openHandedOverPaths(paths); });
    const QString first = writeJpeg(str("Pictures/first.jpg"));
    const QString second = writeJpeg(str("Pictures/Second Folder/second.jpg"));

    QProcess lumisk;
    lumisk.setWorkingDirectory(home(str("Pictures")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(str("QT_QPA_PLATFORM"), str("offscreen"));
    lumisk.setProcessEnvironment(environment);
    // The first relative to the working folder: it is made absolute on the way.
    lumisk.start(str(LUMISK_BINARY), {str("first.jpg"), second});
    ASSERT_TRUE(lumisk.waitForStarted());
    QDeadlineTimer deadline(60000);
    while (lumisk.state() != QProcess::NotRunning && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(lumisk.state(), QProcess::NotRunning) << "the second lumisk ended";
    settle();

    EXPECT_EQ(lumisk.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(lumisk.exitCode(), 0) << lumisk.readAllStandardError().toStdString();
    EXPECT_EQ(entryPaths(catalog->fileCatalog()), (QStringList{first, second}));
    EXPECT_EQ(openCatalogs().size(), 1);
}

TEST_F(OpenImageFilesTest, StartedAgainWithNothingToOpenTheRunningLumiskComesForward) {
    launch();
    const bool saved = delegate->preferencesBOOLFor(PrefAppNewDocumentOnActivate);
    for (const bool newOnActivate : {false, true}) {
        SCOPED_TRACE(newOnActivate);
        delegate->setPreferencesBOOLFor(newOnActivate, PrefAppNewDocumentOnActivate);
        for (RoduvudeDadevizi* open : openCatalogs())
            open->close();
        settle();
        ASSERT_TRUE(openCatalogs().isEmpty());
        delegate->openHandedOverPaths({});
        settle();
        EXPECT_EQ(openCatalogs().size(), newOnActivate ? 1 : 0);
        // With a window shown, that window comes forward and nothing new opens.
        RoduvudeDadevizi* catalog = newOnActivate ? openCatalogs().first() : newCatalog();
        QWidget* window = catalog->windowControllers().first()->window();
        window->show();
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        settle();
        delegate->openHandedOverPaths({});
        settle();
        EXPECT_EQ(openCatalogs().size(), 1);
        EXPECT_EQ(QApplication::activeWindow(), window);
    }
    delegate->setPreferencesBOOLFor(saved, PrefAppNewDocumentOnActivate);
}

TEST_F(OpenImageFilesTest, TheInstalledDesktopEntryOffersLumiskForTheImageTypes) {
    QTemporaryDir prefix;
    QProcess install;
    install.start(str(CMAKE_COMMAND), {str("--install"), str(LUMISK_BUILD_DIR), str("--prefix"),
                                       prefix.path(), str("--component"), str("DesktopEntry")});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    QFile entry(prefix.filePath(str("share/applications/lumisk.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));

    QHash<QString, QString> keys;
    bool inEntry = false;
    for (const QByteArray& raw : entry.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == str("[Desktop Entry]");
        else if (inEntry && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    EXPECT_EQ(keys.value(str("Type")), str("Application"));
    EXPECT_EQ(keys.value(str("Exec")), str("lumisk %F"));
    const QStringList offered =
        keys.value(str("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QMimeDatabase mimeTypes;
    for (const DocumentController::DocumentType& type : ImageLoader::documentTypes()) {
        for (const QString& extension : type.extensions) {
            const QMimeType mime =
                mimeTypes.mimeTypeForFile(str("photo.") + extension, QMimeDatabase::MatchExtension);
            EXPECT_TRUE(offered.contains(mime.name()))
                << extension.toStdString() << " is " << mime.name().toStdString();
        }
    }
}

// The real program both times: the running one takes a second start's photos
// into its front catalog; once it has crashed, its socket does not keep the
// next start from running.
TEST(SecondLumiskTest, TheRunningLumiskTakesASecondStartsPhotosAndACrashLeavesNoBlock) {
    TestHome account;
    PrivateBus bus;
    ASSERT_TRUE(bus.client.isConnected());
    {
        // A new catalog at start, and no update checks that would reach the network.
        UserDefaults settings(home(str(".config/Lumisk/Lumisk.plist")));
        settings.setIntegerForKey(144, str(kPreferencesInitializedKey));
        settings.setBoolForKey(true, str("prefAppNewDocumentOnActivatekey"));
        settings.setBoolForKey(false, str("prefCheckForApplicationUpdatesKey"));
        settings.setBoolForKey(false, str("prefExchangeCheckForUpdatesKey"));
        ASSERT_TRUE(settings.synchronize());
    }
    const QString first = writeJpeg(str("Pictures/first.jpg"));
    const QString second = writeJpeg(str("Pictures/second.jpg"));

    auto running = std::make_unique<LumiskProcess>(bus.address, QStringList());
    ASSERT_TRUE(frontCatalogHas(bus.client, 0)) << "the running Lumisk shows an empty catalog";

    LumiskProcess secondStart(bus.address, {first, second});
    ASSERT_TRUE(secondStart.ended());
    EXPECT_EQ(secondStart.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(secondStart.exitCode(), 0) << secondStart.readAllStandardError().toStdString();
    EXPECT_TRUE(frontCatalogHas(bus.client, 2));

    ::kill(pid_t(running->processId()), SIGKILL);
    ASSERT_TRUE(running->ended());
    running.reset();
    ASSERT_TRUE(QFileInfo::exists(InstanceChannel(InstanceChannel::runtimeFolder()).socketPath()))
        << "the crash left its socket";

    LumiskProcess afterCrash(bus.address, {first});
    EXPECT_TRUE(frontCatalogHas(bus.client, 1)) << "it runs, with the photo it was given";
    EXPECT_EQ(afterCrash.state(), QProcess::Running);
}
