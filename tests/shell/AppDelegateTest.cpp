#include "shell/AppDelegate.h"
#include "FakeEnvironment.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/BezierPath.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPixmap>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() {
        auto env = std::make_unique<FakeEnvironment>();
        environment = env.get();
        delegate = std::make_unique<AppDelegate>(std::move(env));
    }
    FakeEnvironment* environment;
    std::unique_ptr<AppDelegate> delegate;
};

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

// The user's folder under the system's temporary folder, with nothing standing
// there yet (an earlier case may have made it or planted a link).
QString clearedSharedTempRoot() {
    const QString path = QDir::tempPath() + QStringLiteral("/lumisk-") + QString::number(getuid());
    if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
    return path;
}

void writeImage(const QString& path, QColor colour) {
    QImage image(9, 9, QImage::Format_ARGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path, "TIFF")) << path.toStdString();
}

} // namespace

TEST_F(AppDelegateTest, InstallsItselfAsTheHost) {
    EXPECT_EQ(HostServices::current(), delegate.get());
    delegate.reset();
    EXPECT_EQ(HostServices::current(), nullptr);
}

TEST_F(AppDelegateTest, FileSizeStrings) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        int64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "--"},
        {1, "1 bytes"},
        {1023, "1,023 bytes"},
        {-5, "-5 bytes"},
        {-4096, "-4,096 bytes"},
        {1024, "1.0 KB"},
        {1536, "1.5 KB"},
        {1048575, "1,024.0 KB"},
        {1048576, "1.0 MB"},
        {5368709120LL, "5,120.0 MB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(delegate->fileSizeString(c.bytes).toStdString(), c.text) << c.bytes;
}

TEST_F(AppDelegateTest, AccessPaths) {
    const QString masks = delegate->accessPath(1);
    EXPECT_EQ(masks, localizedString(QStringLiteral("MASKS_PATH")));
    EXPECT_NE(masks, QStringLiteral("MASKS_PATH"));
    EXPECT_TRUE(masks.startsWith(QLatin1Char('~'))) << "unexpanded";
    for (int code : {0, 2, -1}) {
        EXPECT_TRUE(delegate->accessPath(code).isEmpty());
        EXPECT_FALSE(delegate->accessPath(code).isNull());
    }
}

TEST_F(AppDelegateTest, SystemAnswersComeFromTheEnvironment) {
    EXPECT_EQ(delegate->osSystemVersion(), 0x1046u);
    environment->version = 0x1039;
    EXPECT_EQ(delegate->osSystemVersion(), 0x1039u);
    environment->processor = 2;
    EXPECT_EQ(delegate->systemArchitecture(), 2);
    EXPECT_EQ(delegate->physicalRAM(), 2048);
}

TEST(SystemEnvironment, RunningSystem) {
    SystemEnvironment env;
    EXPECT_GE(env.systemVersion(), 0x1046u);
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(env.processorCode(), 10);
#endif
    const int64_t bytes = int64_t(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGESIZE);
    EXPECT_EQ(env.installedMemoryMB(), int32_t(bytes / (1024 * 1024)));
    EXPECT_FALSE(env.userFullName().isEmpty());
    const Size paper = env.defaultPaperSize();
    EXPECT_GT(paper.width, 500);
    EXPECT_GT(paper.height, paper.width);
    EXPECT_FALSE(env.mainScreenVisibleFrame().isEmpty());

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(env.localeMeasurementUnits(), QStringLiteral("Centimeters"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(env.localeMeasurementUnits(), QStringLiteral("Inches"));

    // Name resolution of a host: localhost resolves without a network.
    EXPECT_EQ(env.reachabilityFlags(QStringLiteral("localhost")),
              std::optional<uint32_t>(SystemEnvironment::kReachable));
    EXPECT_EQ(env.reachabilityFlags(QString()), std::nullopt);
}

TEST_F(AppDelegateTest, MainThread) {
    EXPECT_TRUE(delegate->isMainThread());
    bool elsewhere = true;
    std::thread([&] { elsewhere = delegate->isMainThread(); }).join();
    EXPECT_FALSE(elsewhere);
}

TEST_F(AppDelegateTest, TempFolderIsPrivateToTheUser) {
    clearedSharedTempRoot();
    const QString path = delegate->tempFolder();
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("Vyx"));
    EXPECT_TRUE(path.startsWith(QDir::tempPath() + QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(modeOf(path), 0700u);
    EXPECT_EQ(modeOf(QFileInfo(path).path()), 0700u);
    EXPECT_EQ(delegate->tempFolder(), path);

    // Removed in between: made again.
    QDir(path).removeRecursively();
    EXPECT_EQ(delegate->tempFolder(), path);
    EXPECT_TRUE(QFileInfo(path).isDir());

    // Opened up in between: closed again.
    ::chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 0777);
    delegate->tempFolder();
    EXPECT_EQ(modeOf(QFileInfo(path).path()), 0700u);
}

TEST_F(AppDelegateTest, TempFolderShunsAPlantedLink) {
    // Someone else placed a link where the user's folder belongs.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString planted = clearedSharedTempRoot();
    ASSERT_TRUE(QFile::link(elsewhere.path(), planted));
    const QString path = delegate->tempFolder();
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("Vyx"));
    EXPECT_FALSE(path.startsWith(planted));
    EXPECT_FALSE(QFileInfo::exists(elsewhere.filePath(QStringLiteral("Vyx"))));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(modeOf(path), 0700u);
}

TEST_F(AppDelegateTest, Cursors) {
    const QCursor& hand = delegate->openHandCursor();
    EXPECT_EQ(hand.shape(), Qt::OpenHandCursor);
    EXPECT_EQ(&delegate->openHandCursor(), &hand);

    const QCursor& cross = delegate->crossArrowsCursor();
    EXPECT_EQ(cross.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cross.hotSpot(), QPoint(8, 8));
    EXPECT_EQ(cross.pixmap().size(), QSize(16, 16));
    EXPECT_EQ(&delegate->crossArrowsCursor(), &cross);

    const QCursor& zoom = delegate->zoomArrowsCursor();
    EXPECT_EQ(zoom.shape(), Qt::BitmapCursor);
    EXPECT_EQ(zoom.hotSpot(), QPoint(10, 10));
    EXPECT_EQ(zoom.pixmap().size(), QSize(20, 20));
}

TEST_F(AppDelegateTest, OpenHandCursorBefore103IsTheGrabImage) {
    environment->version = 0x1029;
    const QCursor& hand = delegate->openHandCursor();
    EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
    EXPECT_EQ(hand.hotSpot(), QPoint(8, 8));
    EXPECT_FALSE(hand.pixmap().isNull());
}

TEST_F(AppDelegateTest, HandlePaths) {
    for (int style : {0, 1, 2})
        EXPECT_EQ(delegate->handlePath(style), delegate->handlePath(style)) << style;
    EXPECT_EQ(delegate->handlePath(3), nullptr);
    EXPECT_EQ(delegate->handlePath(-1), nullptr);

    // Square from (-3, -3), 7 by 7: an oval inside it, the square itself, and the
    // square turned 45 degrees about the origin.
    const BezierPath& oval = *delegate->handlePath(0);
    const BezierPath& diamond = *delegate->handlePath(1);
    const BezierPath& square = *delegate->handlePath(2);
    EXPECT_EQ(oval.bounds(), Rect(-3, -3, 7, 7));
    EXPECT_TRUE(oval.containsPoint({0.5f, 0.5f}));
    EXPECT_FALSE(oval.containsPoint({3.8f, 3.8f}));
    EXPECT_TRUE(square.containsPoint({3.8f, 3.8f}));
    EXPECT_EQ(square.bounds(), Rect(-3, -3, 7, 7));
    EXPECT_EQ(square.lineWidth(), 2.0f);
    EXPECT_EQ(oval.lineWidth(), 1.0f);
    EXPECT_EQ(diamond.lineWidth(), 1.0f);
    const Rect b = diamond.bounds();
    EXPECT_NEAR(b.minX(), -7 / std::sqrt(2.0f), 1e-4);
    EXPECT_NEAR(b.maxX(), 7 / std::sqrt(2.0f), 1e-4);
    EXPECT_NEAR(b.minY(), -6 / std::sqrt(2.0f), 1e-4);
    EXPECT_NEAR(b.maxY(), 8 / std::sqrt(2.0f), 1e-4);
    EXPECT_TRUE(diamond.containsPoint({0, 5.5f}));
    EXPECT_FALSE(diamond.containsPoint({3.8f, 3.8f}));
}

TEST_F(AppDelegateTest, ShippedHandleGraphicsLoad) {
    for (int kind : {0, 1, 2})
        EXPECT_FALSE(delegate->handleGraphic(kind).isNull()) << kind;
    EXPECT_EQ(delegate->handleGraphic(), delegate->handleGraphic(0));
    EXPECT_TRUE(delegate->handleGraphic(3).isNull());
}

TEST_F(AppDelegateTest, HandleGraphicsFollowTheAppearanceAfterClearing) {
    QTemporaryDir share;
    ASSERT_TRUE(share.isValid());
    QDir(share.path()).mkpath(QStringLiteral("Images"));
    const QString images = share.filePath(QStringLiteral("Images/"));
    writeImage(images + QStringLiteral("HandleControl1.tiff"), Qt::blue);
    writeImage(images + QStringLiteral("HandleControl6.tiff"), Qt::gray);
    Resources::setSharePathForTesting(share.path());

    auto colour = [&](int kind) { return delegate->handleGraphic(kind).pixels().pixelColor(4, 4); };
    EXPECT_EQ(colour(1), QColor(Qt::blue));
    UserDefaults::standardUserDefaults().setIntegerForKey(6,
                                                          QStringLiteral("AppleAquaColorVariant"));
    EXPECT_EQ(colour(1), QColor(Qt::blue)); // kept until cleared
    delegate->clearHandleGraphics();
    EXPECT_EQ(colour(1), QColor(Qt::gray));
    UserDefaults::standardUserDefaults().setIntegerForKey(1,
                                                          QStringLiteral("AppleAquaColorVariant"));
    delegate->clearHandleGraphics();
    EXPECT_EQ(colour(1), QColor(Qt::blue));

    // A missing image is not kept, so a later request finds it.
    EXPECT_TRUE(delegate->handleGraphic(2).isNull());
    writeImage(images + QStringLiteral("HandleSelected1.tiff"), Qt::red);
    EXPECT_EQ(colour(2), QColor(Qt::red));

    // An image set for a kind is the answer until cleared.
    QImage green(3, 3, QImage::Format_ARGB32);
    green.fill(Qt::green);
    delegate->setHandleStyleToGraphic(0, Image(green));
    EXPECT_EQ(delegate->handleGraphic().pixelSize(), QSize(3, 3));
    delegate->clearHandleGraphics();
    EXPECT_TRUE(delegate->handleGraphic(0).isNull());

    Resources::setSharePathForTesting(QString());
}

TEST_F(AppDelegateTest, InternetConnectedByReachabilityFlags) {
    struct Case {
        std::optional<uint32_t> flags;
        bool connected;
    };
    const Case cases[] = {{std::nullopt, false}, {0u, false},     {2u, true},     {2u | 4u, false},
                          {4u, false},           {2u | 1u, true}, {2u | 8u, true}};
    for (const Case& c : cases) {
        environment->flags = c.flags;
        EXPECT_EQ(delegate->internetConnected(), c.connected) << (c.flags ? int(*c.flags) : -1);
    }
    EXPECT_EQ(environment->askedHost, QString::fromLatin1(kMakerWebServerHost));
}

TEST_F(AppDelegateTest, WaitMonitorCallsReachTheMonitor) {
    delegate->startWaitMonitor();
    EXPECT_TRUE(delegate->waitCursorMonitor().isRunning());
    EXPECT_TRUE(delegate->waitCursorMonitor().isSuspended());
    delegate->resumeWaitMonitor();
    EXPECT_FALSE(delegate->waitCursorMonitor().isSuspended());
    HostServices::current()->suspendWaitMonitor();
    EXPECT_TRUE(delegate->waitCursorMonitor().isSuspended());
    delegate->stopWaitMonitor();
    EXPECT_FALSE(delegate->waitCursorMonitor().isRunning());
}
