// The background thumbnail loader and the image cache's eviction.
#include "CatalogFixture.h"

#include "shell/URLResourceRetriever.h"
#include "support/LocalHttpServer.h"
#include "support/LogCapture.h"

#include <QBuffer>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <mutex>

namespace {

// The retriever behind URL reads, as in the application.
class RetrieverHost : public TestHost {
public:
    QByteArray synchronousDataFetch(const QUrl& url) override {
        return retriever.synchronousDataFetch(url);
    }
    QByteArray cancellableDataFetch(const QUrl& url, const std::atomic<bool>& cancelled) override {
        return retriever.synchronousDataFetch(url, cancelled);
    }
    URLResourceRetriever retriever;
};

// Completion notices arrive on the loader thread.
class LoadedRecorder {
public:
    explicit LoadedRecorder(const VQFileCatalog* catalog) {
        NotificationCenter::defaultCenter().addObserver(
            this, QString::fromLatin1(kVQFileCatalogThumbnailLoadCompletNofity), catalog,
            [this](const Notification& n) {
                std::lock_guard lock(mutex);
                indices.push_back(n.userInfo().value(QString::fromLatin1(kVQIndexKey)).toInt());
            });
    }
    ~LoadedRecorder() { NotificationCenter::defaultCenter().removeObserver(this); }
    // A deep copy: nothing shared with the list the loader thread appends to.
    QList<int> seen() {
        std::lock_guard lock(mutex);
        return QList<int>(indices.cbegin(), indices.cend());
    }

private:
    std::mutex mutex;
    std::vector<int> indices;
};

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

QByteArray pngBytes(int width, int height) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    quadrantImage(width, height).save(&buffer, "PNG");
    return data;
}

} // namespace

class VQFileCatalogLoaderTest : public CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        testHost.physicalMemoryMB = 2048;
        catalog().setUsesDeferedLoader(true);
    }
    VQFileCatalogEntry& record(int index) { return *catalog().entryAtIndex(index); }
    bool imageLoaded(int index) {
        return catalog().getFileAttributeAtIndex(kCatalogAttrImageLoaded, index).toBool();
    }
    bool has(int index, const char* name) {
        return catalog().entryAtIndex(index)->contains(QString::fromLatin1(name));
    }
    // Held by the test, it keeps the loader from decoding.
    std::recursive_mutex& iconLock() { return catalog()._iconLock; }
    bool loaded(int index) {
        std::lock_guard lock(catalog()._theLock);
        return !has(index, kEntryThumbnailQueueKey);
    }
    QSize thumbnailPixels(int index) {
        std::lock_guard lock(catalog()._theLock);
        return record(index)
            .value(QString::fromLatin1(kEntryThumbnailKey))
            .value<Image>()
            .pixelSize();
    }
};

TEST(ImageCacheBudgetTest, IsAQuarterOfTheMemoryWithAFloor) {
    EXPECT_EQ(imageCacheBudgetKiB(512), 131072);
    EXPECT_EQ(imageCacheBudgetKiB(64), 32768);
    EXPECT_EQ(imageCacheBudgetKiB(0), 32768);
    EXPECT_EQ(imageCacheBudgetKiB(8192), 2097152);
}

TEST_F(VQFileCatalogLoaderTest, EvictionDropsTheOldestImagesOnlyUntilWithinBudget) {
    testHost.physicalMemoryMB = 64;
    addPhotos(10);
    const QDateTime start = QDateTime::currentDateTime();
    const Image big(solidImage(1000, 1000, Qt::gray));
    // Entry 9 stays uncached; the oldest access is entry 4's.
    const int order[] = {4, 0, 7, 1, 8, 2, 5, 3, 6};
    for (int step = 0; step < 9; ++step) {
        record(order[step]).insert(QString::fromLatin1(kEntryImageKey), QVariant::fromValue(big));
        record(order[step]).insert(QString::fromLatin1(kEntryImageAccessKey), start.addSecs(step));
    }
    catalog().cleanCachedEntries();
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(imageLoaded(i), i != 4) << i;
    EXPECT_FALSE(has(4, kEntryImageAccessKey));
    // 8 x 3906 KiB = 31248 KiB fit: a second pass drops nothing.
    catalog().cleanCachedEntries();
    EXPECT_EQ(catalog().getAllIndices().size(), 10);
    int cached = 0;
    for (int i = 0; i < 10; ++i)
        cached += imageLoaded(i);
    EXPECT_EQ(cached, 8);

    // With 512 MB the same images all stay.
    testHost.physicalMemoryMB = 512;
    record(4).insert(QString::fromLatin1(kEntryImageKey), QVariant::fromValue(big));
    catalog().cleanCachedEntries();
    EXPECT_TRUE(imageLoaded(4));
}

TEST_F(VQFileCatalogLoaderTest, TheTimerEvictsWithoutBeingAsked) {
    testHost.physicalMemoryMB = 1;
    addPhotos(1);
    // 6000 x 1500 x 4 bytes is 35156 KiB: over the 32768 KiB floor on its own.
    record(0).insert(QString::fromLatin1(kEntryImageKey),
                     QVariant::fromValue(Image(solidImage(6000, 1500, Qt::gray))));
    EXPECT_TRUE(waitFor([&] { return !imageLoaded(0); }, 5000));
}

TEST_F(VQFileCatalogLoaderTest, MaxScreenResolutionIsFittedInto800By800) {
    const struct {
        Size given, stored;
    } cases[] = {{{1600, 1200}, {800, 600}},
                 {{640, 480}, {640, 480}},
                 {{800, 800}, {800, 800}},
                 {{1000, 4000}, {200, 800}}};
    for (const auto& c : cases) {
        catalog().setMaxScreenResolution(c.given);
        EXPECT_EQ(catalog().maxScreenResolution(), c.stored) << c.given.width;
    }
}

TEST_F(VQFileCatalogLoaderTest, AQuarterTurnAsksForTheExchangedSize) {
    const QString path = photo(QStringLiteral("wide.png"), 400, 300);
    const Image turned = catalog().getThumbnailImageFromPathWithRotationWithLock(path, 90, true);
    EXPECT_EQ(turned.pixelSize(), QSize(54, 72));
    const Image straight = catalog().getThumbnailImageFromPathWithRotationWithLock(path, 0, false);
    EXPECT_EQ(straight.pixelSize(), QSize(72, 54));
}

TEST_F(VQFileCatalogLoaderTest, FiftyQueuedEntriesGetThumbnailsInIndexOrder) {
    addPhotos(50);
    LoadedRecorder recorder(&catalog());
    {
        // Queue all before the loader may decode, so the order is the loader's own.
        std::lock_guard hold(iconLock());
        for (int i = 0; i < 50; ++i) {
            const Image placeholder =
                catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, i).value<Image>();
            EXPECT_FALSE(placeholder.isNull());
        }
        EXPECT_TRUE(catalog().deferedLoaderOn());
    }
    ASSERT_TRUE(waitFor([&] { return recorder.seen().size() >= 50; }));
    QList<int> expected;
    for (int i = 0; i < 50; ++i)
        expected.append(i);
    EXPECT_EQ(recorder.seen(), expected);
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(loaded(i));
        EXPECT_EQ(thumbnailPixels(i), QSize(40, 30)) << i;
        EXPECT_FALSE(has(i, kEntryBadKey));
    }
}

TEST_F(VQFileCatalogLoaderTest, AnUnreadableFileEndsBad) {
    addPhotos(1);
    const QString path = catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not a picture at all");
    file.close();
    LoadedRecorder recorder(&catalog());
    catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0);
    ASSERT_TRUE(waitFor([&] { return recorder.seen().size() == 1; }));
    EXPECT_TRUE(has(0, kEntryBadKey));
    EXPECT_TRUE(loaded(0));
    // The next request gives the entry up.
    EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0).isValid());
    EXPECT_EQ(catalog().fileCount(), 0);
}

TEST_F(VQFileCatalogLoaderTest, AFileGoneDuringTheDecodeIsMissingNotUnreadable) {
    addPhotos(1);
    const QString path = catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString();
    const QString queueKey = QString::fromLatin1(kEntryThumbnailQueueKey);
    {
        std::unique_lock hold(iconLock());
        catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0);
        ASSERT_TRUE(record(0).contains(queueKey));
        // Renamed away by another program while the loader waits to read it.
        ASSERT_TRUE(QFile::rename(path, path + QStringLiteral(".moved")));
    }
    ASSERT_TRUE(waitFor([&] { return !record(0).contains(queueKey); }));
    EXPECT_FALSE(has(0, kEntryBadKey));
    // The entry stays for the change test to follow or mark missing.
    catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0);
    EXPECT_EQ(catalog().fileCount(), 1);
}

TEST_F(VQFileCatalogLoaderTest, ARotationDuringTheDecodeKeepsTheNewTicket) {
    catalog().addFileEntry(photo(QStringLiteral("wide.png"), 400, 300));
    drainEvents();
    LoadedRecorder recorder(&catalog());
    {
        std::unique_lock hold(iconLock());
        catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0);
        const qint64 first =
            record(0).value(QString::fromLatin1(kEntryThumbnailQueueKey)).toLongLong();
        // Let the loader take the entry and wait for the decode.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, 90.0f);
        EXPECT_FALSE(has(0, kEntryThumbnailQueueKey));
        catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0);
        EXPECT_GT(record(0).value(QString::fromLatin1(kEntryThumbnailQueueKey)).toLongLong(),
                  first);
    }
    ASSERT_TRUE(waitFor([&] { return loaded(0); }));
    // The thumbnail made for the old rotation was dropped.
    EXPECT_EQ(thumbnailPixels(0), QSize(54, 72));
}

TEST_F(VQFileCatalogLoaderTest, AURLEntryIsFetchedAndGetsItsThumbnail) {
    RetrieverHost urlHost;
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    LocalHttpServer::Reply reply;
    reply.contentType = "image/png";
    reply.body = pngBytes(144, 72);
    server.setReply("/p/wide.png", reply);
    catalog().addURLEntry(QUrl(QString::fromLatin1(server.url("/p/wide.png"))));
    LoadedRecorder recorder(&catalog());
    EXPECT_FALSE(
        catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0).value<Image>().isNull());
    ASSERT_TRUE(waitFor([&] { return recorder.seen().size() == 1; }));
    EXPECT_EQ(thumbnailPixels(0), QSize(72, 36));
    const QString path = catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString();
    EXPECT_TRUE(path.endsWith(QLatin1String("wide.png")));
    EXPECT_TRUE(VQFileCatalog::isTemporaryFile(path));
    EXPECT_EQ(QFile(path).size(), reply.body.size());
    catalog().stopDeferedLoader();
}

TEST_F(VQFileCatalogLoaderTest, AURLThatFailsDisablesTheEntry) {
    RetrieverHost urlHost;
    LocalHttpServer server;
    LocalHttpServer::Reply reply;
    reply.status = 404;
    server.setReply("/p/gone.png", reply);
    catalog().addURLEntry(QUrl(QString::fromLatin1(server.url("/p/gone.png"))));
    LoadedRecorder recorder(&catalog());
    catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0);
    ASSERT_TRUE(waitFor([&] { return recorder.seen().size() == 1; }));
    EXPECT_TRUE(loaded(0));
    EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 0).toBool());
    catalog().stopDeferedLoader();
}

TEST_F(VQFileCatalogLoaderTest, AStopWhileTheServerHangsReturnsAtOnceAndFreesTheCatalog) {
    RetrieverHost urlHost;
    LocalHttpServer server;
    LocalHttpServer::Reply reply;
    reply.hang = true;
    server.setReply("/p/slow.png", reply);
    catalog().addURLEntry(QUrl(QString::fromLatin1(server.url("/p/slow.png"))));
    catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0);
    ASSERT_TRUE(waitFor([&] { return server.requestCount("/p/slow.png") > 0; }));
    const std::weak_ptr<VQFileCatalog> watched = document->sharedFileCatalog();
    LogCapture log;
    QElapsedTimer clock;
    clock.start();
    document.reset();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(watched.expired());
    EXPECT_FALSE(log.contains(QStringLiteral("Lost patience!")));
}

TEST_F(VQFileCatalogLoaderTest, TwoActivationsStartOneThread) {
    addPhotos(1);
    EXPECT_TRUE(catalog().activateDeferedLoader());
    EXPECT_TRUE(catalog().activateDeferedLoader());
    EXPECT_TRUE(catalog().deferedLoaderOn());
    catalog().stopDeferedLoader();
    EXPECT_FALSE(catalog().deferedLoaderOn());
    // A catalog no shared owner holds makes its thumbnails at once.
    VQFileCatalog alone;
    alone.setUsesDeferedLoader(true);
    ASSERT_TRUE(alone.addFileEntry(photo(QStringLiteral("alone.png"))));
    EXPECT_FALSE(alone.activateDeferedLoader());
    EXPECT_EQ(alone.getFileAttributeAtIndex(kCatalogAttrThumbnail, 0).value<Image>().pixelSize(),
              QSize(40, 30));
    alone.shutdown();
}

TEST_F(VQFileCatalogLoaderTest, AThumbnailOfAnImageFillsTheThumbnailSizeOnWhite) {
    const Image thumbnail =
        catalog().getThumbnailImageFromImageWithRotation(Image(solidImage(200, 100, Qt::blue)), 90);
    ASSERT_EQ(thumbnail.pixelSize(), QSize(72, 72));
    EXPECT_TRUE(near(thumbnail.pixels().pixel(36, 18), Qt::blue));
    EXPECT_TRUE(near(thumbnail.pixels().pixel(36, 60), Qt::white));
}
