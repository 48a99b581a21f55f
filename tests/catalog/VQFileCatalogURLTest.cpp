#include "CatalogFixture.h"

#include "shell/URLResourceRetriever.h"
#include "support/LocalHttpServer.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

namespace {

// The test host with the application's retriever behind its URL fetches.
class RetrieverHost : public TestHost {
public:
    QByteArray synchronousDataFetch(const QUrl& url) override {
        return retriever.synchronousDataFetch(url);
    }
    void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl& url, int32_t tag,
        std::shared_ptr<URLImageRetrievalDelegate> delegate) override {
        retriever.asynchronousImageFetchDataTagCompletionDelegate(url, tag, std::move(delegate));
    }
    URLResourceRetriever retriever;
};

QByteArray pngBytes(int width, int height) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    quadrantImage(width, height).save(&buffer, "PNG");
    return data;
}

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class VQFileCatalogURLTest : public CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        ASSERT_TRUE(server.isListening());
        LocalHttpServer::Reply reply;
        reply.contentType = "image/png";
        reply.body = redPhoto;
        server.setReply("/photos/red.png", reply);
    }
    QUrl url(const QByteArray& path) { return QUrl(QString::fromLatin1(server.url(path))); }
    Image picture(int attribute) {
        return catalog().getFileAttributeAtIndex(attribute, 0).value<Image>();
    }
    QString entryPath() {
        return catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString();
    }

    const QByteArray redPhoto = pngBytes(30, 20);
    RetrieverHost host;
    LocalHttpServer server;
};

} // namespace

TEST_F(VQFileCatalogURLTest, APlaceholderShowsUntilTheFetchedFileArrives) {
    catalog().addURLEntry(url("/photos/red.png"));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrName, 0),
              QVariant(QStringLiteral("red.png")));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrLocation, 0),
              QVariant(QString::fromLatin1(server.url("/photos"))));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrIsURL, 0), QVariant(true));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrIsLocalFile, 0), QVariant(false));
    drainEvents();
    NoticeRecorder recorder(&catalog());

    EXPECT_EQ(picture(kCatalogAttrImage).pixelSize(), QSize(320, 240));
    // Asked again while the fetch runs: the same placeholder, no second fetch.
    EXPECT_EQ(picture(kCatalogAttrImage).pixelSize(), QSize(320, 240));
    ASSERT_TRUE(
        waitFor([&] { return recorder.count(kVQFileCatalogPhotoVisiblyChangedNotify) == 1; }));
    drainEvents();
    EXPECT_EQ(server.requestCount("/photos/red.png"), 1);
    EXPECT_EQ(recorder.infos(kVQFileCatalogPhotoVisiblyChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("attr"), 2}, {QStringLiteral("index"), 0}}}));
    EXPECT_EQ(recorder.count(kVQFileCatalogAttributeChangedNofity), 1);

    const QString path = entryPath();
    EXPECT_TRUE(VQFileCatalog::isTemporaryFile(path));
    EXPECT_TRUE(path.endsWith(QStringLiteral("red.png")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), redPhoto);
    file.close();
    EXPECT_EQ(picture(kCatalogAttrImage).pixelSize(), QSize(30, 20));

    // Removing the entry deletes its file; undo fetches it again.
    catalog().removeSerialNumberEntry(1234);
    EXPECT_FALSE(QFileInfo::exists(path));
    drainEvents();
    ASSERT_TRUE(undo().undo());
    EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).isValid());
    EXPECT_EQ(picture(kCatalogAttrFullImage).pixelSize(), QSize(30, 20));
    EXPECT_EQ(server.requestCount("/photos/red.png"), 2);
}

TEST_F(VQFileCatalogURLTest, AFailedFetchDisablesTheEntry) {
    catalog().addURLEntry(url("/photos/none.png"));
    drainEvents();
    NoticeRecorder recorder(&catalog());
    EXPECT_EQ(picture(kCatalogAttrImage).pixelSize(), QSize(320, 240));
    ASSERT_TRUE(
        waitFor([&] { return recorder.count(kVQFileCatalogPhotoVisiblyChangedNotify) == 1; }));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 0), QVariant(false));
    EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).isValid());
    // The missing-photo picture, not kept, and the entry stays.
    EXPECT_EQ(picture(kCatalogAttrImage).pixelSize(), QSize(320, 240));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageLoaded, 0), QVariant(false));
    EXPECT_EQ(catalog().fileCount(), 1);
}

TEST_F(VQFileCatalogURLTest, AFullImageIsReadOnTheSpot) {
    catalog().addURLEntry(url("/photos/red.png"));
    catalog().addURLEntry(url("/photos/none.png"));
    drainEvents();
    NoticeRecorder recorder(&catalog());
    catalog().setDeliverScreenResolution(false);
    EXPECT_EQ(picture(kCatalogAttrFullImage).pixelSize(), QSize(30, 20));
    EXPECT_TRUE(VQFileCatalog::isTemporaryFile(entryPath()));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageLoaded, 0), QVariant(false));

    const Image missing =
        catalog().getFileAttributeAtIndex(kCatalogAttrFullImage, 1).value<Image>();
    EXPECT_EQ(missing.pixelSize(), QSize(320, 240));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 1), QVariant(false));
    drainEvents();
    EXPECT_EQ(recorder.count(kVQFileCatalogAttributeChangedNofity), 1);
}

TEST_F(VQFileCatalogURLTest, ADeliveryForAnEntryOrCatalogThatWentAwayDoesNothing) {
    catalog().addURLEntry(url("/photos/red.png"));
    catalog().addURLEntry(url("/photos/red.png"));
    ASSERT_FALSE(picture(kCatalogAttrImage).isNull());
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 1).isNull());
    catalog().removeEntryAtIndex(0);
    NoticeRecorder recorder(&catalog());
    ASSERT_TRUE(
        waitFor([&] { return recorder.count(kVQFileCatalogPhotoVisiblyChangedNotify) == 1; }));
    drainEvents();
    EXPECT_EQ(recorder.infos(kVQFileCatalogPhotoVisiblyChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("attr"), 2}, {QStringLiteral("index"), 0}}}));

    catalog().addURLEntry(url("/photos/red.png"));
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 1).isNull());
    document.reset();
    ASSERT_TRUE(waitFor([&] { return server.requestCount("/photos/red.png") == 3; }));
    drainEvents();
}

TEST_F(VQFileCatalogURLTest, AskedAgainWhileItsFetchRunsTheEntryIsFetchedOnce) {
    LocalHttpServer::Reply slow;
    slow.contentType = "image/png";
    slow.body = redPhoto;
    slow.delayMs = 500;
    server.setReply("/photos/slow.png", slow);
    catalog().addURLEntry(url("/photos/slow.png"));
    drainEvents();
    NoticeRecorder recorder(&catalog());
    EXPECT_EQ(picture(kCatalogAttrImage).pixelSize(), QSize(320, 240));
    // Turned off and on while the fetch runs, the entry asks for its picture again.
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrEnabled, 0, false);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrEnabled, 0, true);
    EXPECT_EQ(picture(kCatalogAttrImage).pixelSize(), QSize(320, 240));
    ASSERT_TRUE(
        waitFor([&] { return recorder.count(kVQFileCatalogPhotoVisiblyChangedNotify) == 1; }));
    // Long enough for a second delivery to have come.
    waitFor([] { return false; }, 1500);
    EXPECT_EQ(recorder.count(kVQFileCatalogPhotoVisiblyChangedNotify), 1);
    EXPECT_EQ(server.requestCount("/photos/slow.png"), 1);
    EXPECT_EQ(picture(kCatalogAttrImage).pixelSize(), QSize(30, 20));
}
