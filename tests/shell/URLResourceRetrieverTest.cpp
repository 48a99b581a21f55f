#include "shell/URLResourceRetriever.h"
#include "platform/foundation/URLImageRetrievalDelegate.h"
#include "support/LocalHttpServer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

QByteArray pngBytes(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

LocalHttpServer::Reply imageReply(const QByteArray& body) {
    LocalHttpServer::Reply reply;
    reply.contentType = "image/png";
    reply.body = body;
    return reply;
}

LocalHttpServer::Reply redirectTo(const QByteArray& location) {
    LocalHttpServer::Reply reply;
    reply.status = 302;
    reply.location = location;
    return reply;
}

struct Delivery {
    QByteArray data;
    int32_t tag = 0;
    bool onMainThread = false;
};

class RecordingDelegate : public URLImageRetrievalDelegate {
public:
    void imageRetrievedDataTag(const QByteArray& data, int32_t tag) override {
        deliveries.push_back({data, tag, QThread::currentThread() == qApp->thread()});
    }
    std::vector<Delivery> deliveries;
};

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class URLResourceRetrieverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        server.setReply("/red.png", imageReply(pngBytes(30, 20, Qt::red)));
        server.setReply("/blue.png", imageReply(pngBytes(5, 7, Qt::blue)));
    }
    QUrl url(const QByteArray& path) { return QUrl(QString::fromLatin1(server.url(path))); }

    LocalHttpServer server;
    URLResourceRetriever retriever;
};

} // namespace

TEST_F(URLResourceRetrieverTest, SynchronousFetchDecodesTheImage) {
    const Image image = retriever.synchronousImageFetch(url("/red.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelSize(), QSize(30, 20));
    EXPECT_EQ(image.size(), (Size{30, 20}));
    EXPECT_EQ(image.pixels().pixelColor(3, 3), QColor(Qt::red));
}

TEST_F(URLResourceRetrieverTest, BlockingReadGivesTheBytesWithinTheTimeLimit) {
    const QByteArray body = "not necessarily a picture";
    LocalHttpServer::Reply text;
    text.contentType = "text/plain";
    text.body = body;
    server.setReply("/text", text);
    LocalHttpServer::Reply empty;
    server.setReply("/empty", empty);
    LocalHttpServer::Reply silent;
    silent.hang = true;
    server.setReply("/silent", silent);

    EXPECT_EQ(retriever.synchronousDataFetch(url("/text")), body);
    const QByteArray none = retriever.synchronousDataFetch(url("/empty"));
    EXPECT_FALSE(none.isNull());
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(retriever.synchronousDataFetch(url("/missing")).isNull());

    URLResourceRetriever::Limits limits = retriever.limits();
    limits.timeoutSeconds = 1;
    retriever.setLimits(limits);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(retriever.synchronousDataFetch(url("/silent")).isNull());
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST_F(URLResourceRetrieverTest, FollowsRedirectsWithinTheLimit) {
    server.setReply("/hop1", redirectTo("/hop2"));
    server.setReply("/hop2", redirectTo(server.url("/blue.png")));
    server.setReply("/loop", redirectTo("/loop"));

    const Image image = retriever.synchronousImageFetch(url("/hop1"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelSize(), QSize(5, 7));

    EXPECT_TRUE(retriever.synchronousImageFetch(url("/loop")).isNull());
    EXPECT_EQ(server.requestCount("/loop"), retriever.limits().maxRedirects + 1);
}

TEST_F(URLResourceRetrieverTest, FailuresGiveNoImage) {
    LocalHttpServer::Reply text;
    text.contentType = "text/plain";
    text.body = "not a picture";
    server.setReply("/text", text);
    LocalHttpServer::Reply serverError = imageReply(pngBytes(4, 4, Qt::red));
    serverError.status = 500;
    server.setReply("/error", serverError);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    server.setReply("/tofile", redirectTo("file://" + dir.path().toUtf8() + "/x.png"));

    for (const QUrl& u : {url("/missing"), url("/text"), url("/error"), url("/tofile"),
                          QUrl(QStringLiteral("http://127.0.0.1:1/none.png")),
                          QUrl(QStringLiteral("gopher://127.0.0.1/x")), QUrl()}) {
        SCOPED_TRACE(u.toString().toStdString());
        EXPECT_TRUE(retriever.synchronousImageFetch(u).isNull());
    }
}

TEST_F(URLResourceRetrieverTest, FileURLsAreRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("local.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pngBytes(9, 3, Qt::green));
    file.close();
    const Image image = retriever.synchronousImageFetch(QUrl::fromLocalFile(path));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelSize(), QSize(9, 3));
}

TEST_F(URLResourceRetrieverTest, SizeLimitIsKeptWithAndWithoutALength) {
    const QByteArray big = pngBytes(200, 200, Qt::red);
    server.setReply("/big", imageReply(big));
    LocalHttpServer::Reply unannounced = imageReply(big);
    unannounced.omitLength = true;
    server.setReply("/big-unannounced", unannounced);

    URLResourceRetriever::Limits limits = retriever.limits();
    limits.maxBytes = big.size() - 1;
    retriever.setLimits(limits);
    EXPECT_TRUE(retriever.synchronousImageFetch(url("/big")).isNull());
    EXPECT_TRUE(retriever.synchronousImageFetch(url("/big-unannounced")).isNull());

    limits.maxBytes = big.size();
    retriever.setLimits(limits);
    EXPECT_FALSE(retriever.synchronousImageFetch(url("/big")).isNull());
    EXPECT_FALSE(retriever.synchronousImageFetch(url("/big-unannounced")).isNull());
}

TEST_F(URLResourceRetrieverTest, ASilentServerTimesOut) {
    LocalHttpServer::Reply silent;
    silent.hang = true;
    server.setReply("/silent", silent);
    URLResourceRetriever::Limits limits = retriever.limits();
    limits.timeoutSeconds = 1;
    retriever.setLimits(limits);
    EXPECT_TRUE(retriever.synchronousImageFetch(url("/silent")).isNull());
}

TEST_F(URLResourceRetrieverTest, AsynchronousResultsArriveOnTheMainThreadWithTheirTags) {
    auto delegate = std::make_shared<RecordingDelegate>();
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 7, delegate);
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/missing"), -3, delegate);
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/blue.png"), 1 << 30, delegate);
    // Nothing is delivered until the main thread's event loop turns.
    EXPECT_TRUE(delegate->deliveries.empty());
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == 3; }));

    std::map<int32_t, Delivery> byTag;
    for (const Delivery& d : delegate->deliveries) {
        EXPECT_TRUE(d.onMainThread);
        byTag[d.tag] = d;
    }
    ASSERT_EQ(byTag.size(), 3u);
    // The delegate gets the bytes as served.
    EXPECT_EQ(byTag[7].data, pngBytes(30, 20, Qt::red));
    EXPECT_TRUE(byTag[-3].data.isNull());
    EXPECT_EQ(byTag[1 << 30].data, pngBytes(5, 7, Qt::blue));
}

TEST_F(URLResourceRetrieverTest, DelegateIsKeptAliveUntilDelivery) {
    std::weak_ptr<RecordingDelegate> watch;
    {
        auto delegate = std::make_shared<RecordingDelegate>();
        watch = delegate;
        retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 1, delegate);
    }
    ASSERT_TRUE(waitFor([&] {
        auto d = watch.lock();
        return !d || !d->deliveries.empty();
    }));
    waitFor([&] { return watch.expired(); }, 2000);
    EXPECT_TRUE(watch.expired());
}

TEST_F(URLResourceRetrieverTest, DestroyingTheRetrieverCancelsRunningFetches) {
    LocalHttpServer::Reply silent;
    silent.hang = true;
    server.setReply("/silent", silent);
    auto delegate = std::make_shared<RecordingDelegate>();
    {
        URLResourceRetriever own;
        own.asynchronousImageFetchDataTagCompletionDelegate(url("/silent"), 5, delegate);
        ASSERT_TRUE(waitFor([&] { return server.requestCount("/silent") == 1; }));
    } // would wait out the two-minute timeout if the fetch were not cancelled
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == 1; }));
    EXPECT_EQ(delegate->deliveries[0].tag, 5);
    EXPECT_TRUE(delegate->deliveries[0].data.isNull());
}

namespace {

// Turns the event loop for a while, so that any delivery due has come.
void passTicks(int ticks) {
    QDeadlineTimer deadline(ticks * URLResourceRetriever::kCompletionIntervalMs + 300);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

TEST_F(URLResourceRetrieverTest, EqualRequestsShareOneFetchUntilItIsDelivered) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto other = std::make_shared<RecordingDelegate>();
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 4, delegate);
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 4, delegate);
    // Another tag, or another delegate, is a request of its own.
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 5, delegate);
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 4, other);
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == 2; }));
    ASSERT_TRUE(waitFor([&] { return other->deliveries.size() == 1; }));
    passTicks(1);
    ASSERT_EQ(delegate->deliveries.size(), 2u);
    std::vector<int32_t> tags{delegate->deliveries[0].tag, delegate->deliveries[1].tag};
    std::sort(tags.begin(), tags.end());
    EXPECT_EQ(tags, (std::vector<int32_t>{4, 5}));
    EXPECT_EQ(other->deliveries.size(), 1u);
    EXPECT_EQ(server.requestCount("/red.png"), 3);

    // Once delivered, the same request fetches anew.
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 4, delegate);
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == 3; }));
    EXPECT_EQ(delegate->deliveries[2].tag, 4);
    EXPECT_EQ(delegate->deliveries[2].data, pngBytes(30, 20, Qt::red));
    EXPECT_EQ(server.requestCount("/red.png"), 4);
}

TEST_F(URLResourceRetrieverTest, AnUndeliveredRequestIsDroppedWhileItsDataWaits) {
    auto delegate = std::make_shared<RecordingDelegate>();
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/blue.png"), 1, delegate);
    // Fetched at once, delivered only at the next tick: meanwhile asked again.
    ASSERT_TRUE(waitFor([&] { return server.requestCount("/blue.png") == 1; }));
    QThread::msleep(100);
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/blue.png"), 1, delegate);
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == 1; }));
    passTicks(1);
    EXPECT_EQ(delegate->deliveries.size(), 1u);
    EXPECT_EQ(server.requestCount("/blue.png"), 1);
}

TEST_F(URLResourceRetrieverTest, FailedAndEmptyFetchesDeliverNoDataWithTheirTags) {
    LocalHttpServer::Reply empty;
    server.setReply("/empty", empty);
    LocalHttpServer::Reply gone = imageReply(pngBytes(4, 4, Qt::red));
    gone.status = 404;
    server.setReply("/gone.png", gone);
    auto delegate = std::make_shared<RecordingDelegate>();
    const struct {
        const char* path;
        int32_t tag;
    } cases[] = {{"/gone.png", 404}, {"/missing.png", 11}, {"/empty", 12}};
    for (const auto& c : cases)
        retriever.asynchronousImageFetchDataTagCompletionDelegate(url(c.path), c.tag, delegate);
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == std::size(cases); }));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto found = std::find_if(delegate->deliveries.begin(), delegate->deliveries.end(),
                                        [&](const Delivery& d) { return d.tag == c.tag; });
        ASSERT_NE(found, delegate->deliveries.end());
        EXPECT_TRUE(found->data.isNull());
        EXPECT_TRUE(found->onMainThread);
    }
}

TEST_F(URLResourceRetrieverTest, DeliveriesComeInTheOrderTheFetchesCompleted) {
    for (const auto& [path, delay] : {std::pair{"/slow.png", 900}, std::pair{"/middle.png", 450}}) {
        LocalHttpServer::Reply reply = imageReply(pngBytes(2, 2, Qt::green));
        reply.delayMs = delay;
        server.setReply(path, reply);
    }
    auto delegate = std::make_shared<RecordingDelegate>();
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/slow.png"), 1, delegate);
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 2, delegate);
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/middle.png"), 3, delegate);
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == 3; }));
    std::vector<int32_t> tags;
    for (const Delivery& d : delegate->deliveries) {
        tags.push_back(d.tag);
        EXPECT_TRUE(d.onMainThread);
    }
    EXPECT_EQ(tags, (std::vector<int32_t>{2, 3, 1}));
}

TEST_F(URLResourceRetrieverTest, ADelegateMayAskAgainWhileItIsTold) {
    struct Repeating : RecordingDelegate {
        void imageRetrievedDataTag(const QByteArray& data, int32_t tag) override {
            RecordingDelegate::imageRetrievedDataTag(data, tag);
            if (deliveries.size() == 1)
                retriever->asynchronousImageFetchDataTagCompletionDelegate(url, tag, self.lock());
        }
        URLResourceRetriever* retriever = nullptr;
        QUrl url;
        std::weak_ptr<Repeating> self;
    };
    auto delegate = std::make_shared<Repeating>();
    delegate->retriever = &retriever;
    delegate->url = url("/red.png");
    delegate->self = delegate;
    retriever.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 6, delegate);
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == 2; }));
    EXPECT_EQ(server.requestCount("/red.png"), 2);
}

TEST_F(URLResourceRetrieverTest, AfterShutdownFetchesAreDeliveredOnlyWhenTheRetrieverGoes) {
    auto delegate = std::make_shared<RecordingDelegate>();
    {
        URLResourceRetriever own;
        own.shutdown();
        own.asynchronousImageFetchDataTagCompletionDelegate(url("/red.png"), 8, delegate);
        ASSERT_TRUE(waitFor([&] { return server.requestCount("/red.png") == 1; }));
        passTicks(2);
        EXPECT_TRUE(delegate->deliveries.empty());
    }
    ASSERT_TRUE(waitFor([&] { return delegate->deliveries.size() == 1; }));
    EXPECT_EQ(delegate->deliveries[0].tag, 8);
    EXPECT_EQ(delegate->deliveries[0].data, pngBytes(30, 20, Qt::red));
}
