#include "shell/NFVersionChecker.h"
#include "platform/foundation/MainBundle.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Workspace.h"
#include "platform/ui/ModalAlert.h"
#include "support/LocalHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>
#include <mutex>

namespace {

using Kind = VersionCheckVerdict::Kind;

constexpr char kReply4[] = "2.1.1;27;June 5, 2006;http://www.lumisk.org/Downloads/Lumisk.tgz";
constexpr char kReply5[] =
    "2.1.1;27;June 5, 2006;http://www.lumisk.org/Downloads/Lumisk.tgz;Faster printing.";

class RecordingWorkspace : public Workspace {
public:
    bool openURL(const QUrl& url) override {
        opened << url;
        return true;
    }
    bool launchApplication(const QString&) override { return false; }
    QList<QUrl> opened;
};

class NFVersionCheckerTest : public ::testing::Test {
protected:
    NFVersionCheckerTest()
        : defaults(QDir::homePath() + QStringLiteral("/checker.defaults")),
          checker(NFVersionChecker::versionChecker()) {
        defaults.removeObjectForKey(QString::fromLatin1(kIgnoreVersionKey));
        checker->setUserDefaults(&defaults);
        checker->setTimeouts({2000, 2000});
        checker->setNoticeReceiver([this](const QVariantMap& notice) {
            std::lock_guard<std::mutex> locked(mutex);
            notices << notice;
        });
        previousHandler = ModalAlert::setResponder([this](const ModalAlert::Request& alert) {
            alerts << alert;
            return answer;
        });
        Workspace::setSharedWorkspace(&workspace);
    }
    ~NFVersionCheckerTest() override {
        Workspace::setSharedWorkspace(nullptr);
        ModalAlert::setResponder(previousHandler);
        checker->setNoticeReceiver(nullptr);
        checker->setUserDefaults(nullptr);
        checker->setTimeouts({});
    }

    void serve(const QByteArray& query, const QByteArray& body) {
        LocalHttpServer::Reply reply;
        reply.contentType = "text/plain";
        reply.body = body;
        server.setReply("/VyxVersion.txt" + query, reply);
    }
    QString address() const { return QString::fromLatin1(server.url("/VyxVersion.txt")); }

    // Runs the event loop until the check has ended.
    void check(bool user, int running = 26, int timeoutMs = 10000) {
        QSignalSpy finished(checker, &NFVersionChecker::checkFinished);
        checker->checkForUpdateUserCurrent(address(), user, running);
        ASSERT_TRUE(finished.wait(timeoutMs));
    }
    QList<QVariantMap> takeNotices() {
        std::lock_guard<std::mutex> locked(mutex);
        return std::exchange(notices, {});
    }
    qint64 storedIgnoreVersion() {
        // As another process would read it: from the file.
        UserDefaults reread(defaults.filePath());
        return reread.integerForKey(QString::fromLatin1(kIgnoreVersionKey));
    }

    LocalHttpServer server;
    UserDefaults defaults;
    NFVersionChecker* checker;
    RecordingWorkspace workspace;
    ModalAlert::Responder previousHandler;
    QList<ModalAlert::Request> alerts;
    int answer = ModalAlert::OtherReturn;
    std::mutex mutex;
    QList<QVariantMap> notices;
};

} // namespace

TEST(VersionReplyTest, Verdicts) {
    struct Case {
        const char* name;
        QByteArray body;
        bool user;
        int ignore;
        Kind kind;
        const char* message;
    };
    const Case cases[] = {
        {"FourFields", kReply4, true, 0, Kind::UpdateAvailable,
         "Version 2.1.1 of Lumisk was released on June 5, 2006.\r"},
        {"FiveFields", kReply5, true, 0, Kind::UpdateAvailable,
         "Version 2.1.1 of Lumisk was released on June 5, 2006.\rFaster printing."},
        {"TrailingLineBreak", QByteArray(kReply4) + "\r\n", true, 0, Kind::UpdateAvailable,
         "Version 2.1.1 of Lumisk was released on June 5, 2006.\r"},
        {"BlanksAroundFields", " 2.1.1 ; 27 ;June 5, 2006; http://www.lumisk.org/a.tgz \n", true, 0,
         Kind::UpdateAvailable, "Version 2.1.1 of Lumisk was released on June 5, 2006.\r"},
        {"ThreeFields", "2.1.1;27;June 5, 2006", true, 0, Kind::Malformed,
         "There was an error reading the version status file for Lumisk. (Error 2: version file "
         "mal-formated)"},
        {"SixFields", QByteArray(kReply5) + ";more", true, 0, Kind::Malformed, nullptr},
        {"Empty", "", true, 0, Kind::Malformed, nullptr},
        {"NotAWebAddress", "2.1.1;27;June 5, 2006;file:///etc/passwd", true, 0, Kind::Malformed,
         nullptr},
        {"NoAddress", "2.1.1;27;June 5, 2006;", true, 0, Kind::Malformed, nullptr},
        {"BuildNotANumber", "2.1.1;new;June 5, 2006;http://www.lumisk.org/a.tgz", true, 0,
         Kind::BadBuild,
         "There was an error reading the version status file for Lumisk. (Error 3: version file "
         "mal-formatted)"},
        {"BuildZero", "2.1.1;0;June 5, 2006;http://www.lumisk.org/a.tgz", true, 0, Kind::BadBuild,
         nullptr},
        {"LeadingDigitsCount", "2.1.1;27b;June 5, 2006;http://www.lumisk.org/a.tgz", true, 0,
         Kind::UpdateAvailable, nullptr},
        {"EqualBuild", "2.1;26;May 1, 2006;http://www.lumisk.org/a.tgz", true, 0, Kind::UpToDate,
         "You currently have the most recent version of Lumisk."},
        {"OlderBuild", "2.0;25;May 1, 2006;http://www.lumisk.org/a.tgz", false, 0, Kind::UpToDate,
         nullptr},
        {"NoText", QByteArray(), true, 0, Kind::ConnectionFailed,
         "The version checker was unable to connect to the Lumisk version server. Please make "
         "sure that your internet connection is active and try again. (Error 1: Connection "
         "Failed)"},
        {"AutomaticIgnored", kReply4, false, 27, Kind::Ignored, nullptr},
        {"AutomaticNewerThanIgnored", kReply4, false, 26, Kind::UpdateAvailable, nullptr},
        {"UserDoesNotIgnore", kReply4, true, 27, Kind::UpdateAvailable, nullptr},
    };
    for (const Case& c : cases) {
        const VersionCheckVerdict verdict =
            evaluateVersionReply(c.body, c.user, 26, c.ignore, QStringLiteral("Lumisk"));
        EXPECT_EQ(verdict.kind, c.kind) << c.name;
        if (c.message) {
            EXPECT_EQ(verdict.message.toStdString(), c.message) << c.name;
        }
    }
    const VersionCheckVerdict offered =
        evaluateVersionReply(QByteArray(kReply4) + "\n", true, 26, 0, QStringLiteral("Lumisk"));
    EXPECT_EQ(offered.downloadURL, QStringLiteral("http://www.lumisk.org/Downloads/Lumisk.tgz"));
    EXPECT_EQ(offered.build, 27);
}

TEST(MainBundleTest, TheApplicationIsNamedByItsExecutableEntry) {
    EXPECT_EQ(MainBundle::objectForInfoDictionaryKey(QStringLiteral("CFBundleExecutable")),
              QVariant(QStringLiteral("Lumisk")));
    EXPECT_EQ(NFVersionChecker::applicationName(), QStringLiteral("Lumisk"));
    EXPECT_FALSE(MainBundle::objectForInfoDictionaryKey(QStringLiteral("NoSuchEntry")).isValid());
}

TEST_F(NFVersionCheckerTest, AUserCheckOffersTheUpdateAndDownloads) {
    serve("?version=26", QByteArray(kReply4) + "\n");
    answer = ModalAlert::DefaultReturn;
    check(true);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].title, QStringLiteral("There is a new version of Lumisk available!"));
    EXPECT_EQ(alerts[0].message,
              QStringLiteral("Version 2.1.1 of Lumisk was released on June 5, 2006.\r"));
    EXPECT_EQ(checker->newBuildNumber(), 27);
    // The file's last line break is not part of the address.
    EXPECT_EQ(workspace.opened,
              QList<QUrl>{QUrl(QStringLiteral("http://www.lumisk.org/Downloads/Lumisk.tgz"))});
    EXPECT_EQ(server.requestCount("/VyxVersion.txt?version=26"), 1);
}

TEST_F(NFVersionCheckerTest, AUserCheckReportsEachFault) {
    struct Case {
        const char* name;
        QByteArray body;
        const char* contains;
    };
    const Case cases[] = {
        {"FiveFields", kReply5, "Faster printing."},
        {"ThreeFields", "2.1.1;27;June 5, 2006\n", "(Error 2: version file mal-formated)"},
        {"SixFields", QByteArray(kReply5) + ";x", "(Error 2: version file mal-formated)"},
        {"FileAddress", "2.1.1;27;June 5, 2006;file:///etc/passwd\n",
         "(Error 2: version file mal-formated)"},
        {"BuildNotANumber", "2.1.1;soon;June 5, 2006;http://www.lumisk.org/a.tgz",
         "(Error 3: version file mal-formatted)"},
        {"EqualBuild", "2.1;26;May 1, 2006;http://www.lumisk.org/a.tgz",
         "You currently have the most recent version of Lumisk."},
    };
    for (const Case& c : cases) {
        alerts.clear();
        serve("?version=26", c.body);
        check(true);
        ASSERT_EQ(alerts.size(), 1) << c.name;
        EXPECT_TRUE(alerts[0].message.contains(QString::fromUtf8(c.contains))) << c.name;
    }
    EXPECT_TRUE(workspace.opened.isEmpty());
}

TEST_F(NFVersionCheckerTest, NoFileIsAConnectionFailure) {
    check(true); // nothing served: 404
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].message.contains(QStringLiteral("(Error 1: Connection Failed)")));
}

TEST_F(NFVersionCheckerTest, ASilentServerTimesOutWhileTheApplicationRunsOn) {
    LocalHttpServer::Reply hang;
    hang.hang = true;
    server.setReply("/VyxVersion.txt?version=26", hang);
    checker->setTimeouts({500, 1000});
    int ticks = 0;
    QTimer ticker;
    ticker.callOnTimeout([&] { ++ticks; });
    ticker.start(50);
    QElapsedTimer clock;
    clock.start();
    check(true);
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_GT(ticks, 10); // the event loop ran all along
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].message.contains(QStringLiteral("(Error 1: Connection Failed)")));
}

TEST_F(NFVersionCheckerTest, AutomaticChecksShowNothingAndLeaveANotice) {
    serve("?launchVersion=26", kReply5);
    check(false);
    EXPECT_TRUE(alerts.isEmpty());
    const QList<QVariantMap> received = takeNotices();
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0].value(QStringLiteral("msg")).toString(),
              QStringLiteral("Version 2.1.1 of Lumisk was released on June 5, 2006.\rFaster "
                             "printing."));
    EXPECT_EQ(received[0].value(QStringLiteral("url")).toString(),
              QStringLiteral("http://www.lumisk.org/Downloads/Lumisk.tgz"));
    EXPECT_EQ(received[0].value(QStringLiteral("build")).toInt(), 27);

    // Failures of automatic checks are silent.
    for (const QByteArray& body : {QByteArray("1;2;3"), QByteArray("2.1;x;d;http://a.b/c"),
                                   QByteArray("2.1;26;d;http://a.b/c")}) {
        serve("?launchVersion=26", body);
        check(false);
    }
    LocalHttpServer::Reply missing;
    missing.status = 404;
    server.setReply("/VyxVersion.txt?launchVersion=26", missing);
    check(false);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_TRUE(takeNotices().isEmpty());
}

TEST_F(NFVersionCheckerTest, SkippingABuildSilencesAutomaticChecksForItOnly) {
    serve("?version=26", kReply4);
    answer = ModalAlert::AlternateReturn; // skip this version
    check(true);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(storedIgnoreVersion(), 27); // written to disk at once
    EXPECT_TRUE(workspace.opened.isEmpty());

    serve("?launchVersion=26", kReply4);
    check(false);
    EXPECT_TRUE(takeNotices().isEmpty());

    serve("?launchVersion=26", "2.2;28;July 1, 2006;http://www.lumisk.org/b.tgz");
    check(false);
    const QList<QVariantMap> received = takeNotices();
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0].value(QStringLiteral("build")).toInt(), 28);

    // The user asking still gets 27 offered.
    alerts.clear();
    answer = ModalAlert::OtherReturn; // remind me later: nothing skipped any more
    check(true);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].title, QStringLiteral("There is a new version of Lumisk available!"));
    EXPECT_EQ(storedIgnoreVersion(), 0);
    serve("?launchVersion=26", kReply4);
    check(false);
    EXPECT_EQ(takeNotices().size(), 1);
}

TEST_F(NFVersionCheckerTest, OnlyWebAddressesAreOpened) {
    checker->showUpdateUrlBuild(QStringLiteral("message"), QStringLiteral("file:///etc/passwd"),
                                30);
    checker->dlNewVersion();
    EXPECT_TRUE(workspace.opened.isEmpty());
    checker->showUpdateUrlBuild(QStringLiteral("message"),
                                QStringLiteral("https://www.lumisk.org/x.tgz"), 30);
    checker->dlNewVersion();
    EXPECT_EQ(workspace.opened, QList<QUrl>{QUrl(QStringLiteral("https://www.lumisk.org/x.tgz"))});
}
