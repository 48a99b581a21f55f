#include "layout/VQMailer.h"
#include "MailTestSupport.h"
#include "layout/LocalMailDelivery.h"
#include "layout/VQMailDelivery.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/Resources.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QString text(const char* key) {
    return localizedString(str(key));
}

// Writes every value it is given, each ended by a NUL, to "record" beside it.
constexpr char kRecordingBridge[] =
    "printf '%s\\0' @SENDFLAG@ @SUBJECT@ @BODY@ @CR_BODY@ @NAMES@ @ADDRESSES@ @ATTACHMENTS@ "
    "> record\n";

QVariantMap recipient(const QString& name, const QString& address) {
    return {{str(VQMailer::kRecipientNameKey), name},
            {str(VQMailer::kRecipientAddressKey), address}};
}

// A fresh account with its bridges folder, and the mail settings of none.
class VQMailerTest : public ::testing::Test {
protected:
    void SetUp() override {
        LocalMailDelivery::setSendmailPath(QDir(home.path()).filePath(str("no-sendmail")));
        ASSERT_TRUE(QDir().mkpath(mailer.bridgePath()));
    }
    void TearDown() override { LocalMailDelivery::setSendmailPath(QString()); }

    QString bridgeFile(const QString& name) const {
        return QDir(mailer.bridgePath()).filePath(name);
    }

    void writeBridge(const QString& name, const QByteArray& script) {
        ASSERT_TRUE(writeTextFile(bridgeFile(name), script));
    }

    std::optional<MailAnswer> send(const QString& route, const QString& subject = str("Subject"),
                                   const QString& body = str("Body"),
                                   const QList<QVariantMap>& recipients = {},
                                   const QStringList& attachments = {}) {
        return awaitMail([&](VQMailer::Completion done) {
            mailer.sendMessageWithSubject(subject, body, recipients, attachments, route, false,
                                          nullptr, std::move(done));
        });
    }

    // The values the recording bridge wrote, in order.
    QStringList recorded() const {
        QStringList values =
            QString::fromUtf8(readFileBytes(bridgeFile(str("record")))).split(QChar(u'\0'));
        if (!values.isEmpty() && values.last().isEmpty())
            values.removeLast();
        return values;
    }

    TestHome home;
    TestHost host;
    VQMailer mailer;
};

} // namespace

TEST_F(VQMailerTest, RoutesFindTheirBridgeFiles) {
    writeBridge(text("DEFAULT_BRIDGE_SCRIPT") + str(".txt"), "default");
    writeBridge(str("MyBridge.txt"), "lower");
    writeBridge(str("MyBridge.TXT"), "upper");
    writeBridge(str("Other.sh.txt"), "other");
    const struct {
        QString route;
        std::optional<QString> script;
    } cases[] = {
        {QString(), str("default")},         {str(""), str("default")},
        {str("MyBridge"), str("lower")},     {str("MyBridge.TXT"), str("upper")},
        {str("MyBridge.txt"), str("lower")}, {str("Other.sh"), str("other")},
        {str("Missing"), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mailer.loadBridgeScript(c.route), c.script) << c.route.toStdString();

    // Older systems name another default.
    host.systemVersion = 0x1015;
    EXPECT_EQ(mailer.loadBridgeScript(QString()),
              text("DEFAULT_BRIDGE_SCRIPT_PRE_JAG") == text("DEFAULT_BRIDGE_SCRIPT")
                  ? std::optional<QString>(str("default"))
                  : std::nullopt);
}

TEST_F(VQMailerTest, AMissingBridgeAnswersNo) {
    for (const QString& route : {QString(), str("Missing")}) {
        const std::optional<MailAnswer> answer = send(route);
        ASSERT_TRUE(answer) << route.toStdString();
        EXPECT_FALSE(answer->sent);
        EXPECT_FALSE(answer->error.isEmpty());
    }
}

TEST_F(VQMailerTest, AvailableBridgesAreTheTxtFilesByName) {
    for (const char* name : {"Zed.txt", "alpha.txt", "Mail.txt", "Notes.TXT", "script.sh"})
        writeBridge(str(name), "x");
    ASSERT_TRUE(QDir().mkpath(bridgeFile(str("Folder.txt"))));
    writeBridge(str("Folder.txt/Inner.txt"), "x");
    EXPECT_EQ(VQMailer::availableBridges(), (QStringList{str("Mail"), str("Zed"), str("alpha")}));
}

TEST_F(VQMailerTest, TokensAreReplacedQuotedAndEscaped) {
    const QString script = str("F=@SENDFLAG@ S=@SUBJECT@ B=@BODY@ C=@CR_BODY@ N=@NAMES@ "
                               "A=@ADDRESSES@ T=@ATTACHMENTS@ again @SUBJECT@");
    const struct {
        const char* body;
        const char* bodyToken;
        const char* crBodyToken;
    } bodies[] = {
        {"say \"hi\"\nbye", "\"say \\\"hi\\\"\nbye\"", "\"say 'hi'\rbye\""},
        {"$HOME `id` \\", "\"\\$HOME \\`id\\` \\\\\"", "\"\\$HOME \\`id\\` \\\\\""},
        {"", "\"\"", "\"\""},
    };
    for (const auto& b : bodies) {
        const QString replaced = VQMailer::scriptWithTokens(
            script, str("Hi"), str(b.body),
            {recipient(str("Ann"), str("ann@example.org")), recipient(QString(), str("b@x.org")),
             recipient(str("Name only"), QString()), recipient(str("None"), text("NONE_SELECTED"))},
            {str("/tmp/a.jpg"), str("/tmp/b.jpg")}, true);
        EXPECT_EQ(replaced,
                  str("F=1 S=\"Hi\" B=%1 C=%2 N=\"Ann\" A=\"ann@example.org\", \"b@x.org\" "
                      "T=\"/tmp/a.jpg\", \"/tmp/b.jpg\" again \"Hi\"")
                      .arg(str(b.bodyToken), str(b.crBodyToken)))
            << b.body;
    }
    // Empty lists give empty texts.
    EXPECT_EQ(VQMailer::scriptWithTokens(str("[@NAMES@][@ADDRESSES@][@ATTACHMENTS@]@SENDFLAG@"), {},
                                         {}, {}, {}, false),
              str("[][][]0"));
}

TEST_F(VQMailerTest, HostileValuesReachTheBridgeExactlyAndRunNothing) {
    writeBridge(str("Recorder.txt"), kRecordingBridge);
    const QString subject = str("Say \"$(touch x)\" and `touch x`");
    const QString body = str("line \"one\"\n$(touch x) \\ `touch x` $HOME");
    const QString name = str("O\"Brien $(touch x)");
    const QString address = str("`touch x`@example.org");
    const QString path = QDir(home.path()).filePath(str("a \"b\" $(touch x) `touch x`.jpg"));
    const std::optional<MailAnswer> answer =
        send(str("Recorder"), subject, body, {recipient(name, address)}, {path, path});
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->sent) << answer->error.toStdString();
    QString crBody = body;
    crBody.replace(u'\n', u'\r').replace(u'"', u'\'');
    EXPECT_EQ(recorded(),
              (QStringList{str("0"), subject, body, crBody, name, address, path + str(","), path}));
    for (const QString& folder : {mailer.bridgePath(), home.path(), QDir::currentPath()})
        EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath(str("x")))) << folder.toStdString();
}

TEST_F(VQMailerTest, ABridgeThatFailsAnswersNoWithItsErrorOutput) {
    const struct {
        const char* script;
        const char* error;
    } cases[] = {
        {"echo 'no mail program' >&2\nexit 3\n", "no mail program"},
        {"if then fi\n", "syntax"},
        {"exec /nonexistent/mail-program\n", "nonexistent"},
    };
    for (const auto& c : cases) {
        writeBridge(str("Failing.txt"), c.script);
        const std::optional<MailAnswer> answer = send(str("Failing"));
        ASSERT_TRUE(answer) << c.script;
        EXPECT_FALSE(answer->sent) << c.script;
        EXPECT_TRUE(answer->error.contains(str(c.error), Qt::CaseInsensitive))
            << answer->error.toStdString();
    }
}

TEST_F(VQMailerTest, ABridgeStillRunningAfterTheWaitCountsAsHandedOver) {
    writeBridge(str("Slow.txt"), "sleep 1\ntouch done\n");
    mailer.setHandOverMs(100);
    const std::optional<MailAnswer> answer = send(str("Slow"));
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->sent);
    EXPECT_FALSE(QFileInfo::exists(bridgeFile(str("done"))));
    // Not killed for being slow: it runs to its end.
    QDeadlineTimer deadline(10000);
    while (!QFileInfo::exists(bridgeFile(str("done"))) && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_TRUE(QFileInfo::exists(bridgeFile(str("done"))));
    QThread::msleep(200);
}

TEST_F(VQMailerTest, TheShippedBridgeOpensAMessageWithEveryAttachment) {
    const QString shipped =
        QDir(Resources::sharePath())
            .filePath(str("Mail Bridges/") + text("DEFAULT_BRIDGE_SCRIPT") + str(".txt"));
    ASSERT_TRUE(QFile::copy(shipped, bridgeFile(QFileInfo(shipped).fileName())))
        << shipped.toStdString();
    // A stand-in for the desktop's mail program that records its arguments.
    const QString bin = QDir(home.path()).filePath(str("bin"));
    ASSERT_TRUE(writeTextFile(QDir(bin).filePath(str("xdg-email")),
                              "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$HOME/xdg-email.args\"\n",
                              true));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ':' + path);
    const QStringList files{str("/tmp/one, two.jpg,"), str("/tmp/\"three\".jpg")};
    const std::optional<MailAnswer> answer =
        send(QString(), str("2 photos"), str("\n\n"),
             {recipient(str("Ann"), str("ann@example.org")), recipient({}, str("b@x.org"))}, files);
    qputenv("PATH", path);
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->sent) << answer->error.toStdString();
    QStringList args =
        QString::fromUtf8(readFileBytes(QDir(home.path()).filePath(str("xdg-email.args"))))
            .split(QChar(u'\0'));
    args.removeLast();
    EXPECT_EQ(args, (QStringList{str("--utf8"), str("--subject"), str("2 photos"), str("--body"),
                                 str("\n\n"), str("ann@example.org"), str("b@x.org"),
                                 str("--attach"), files[0], str("--attach"), files[1]}));
}

TEST_F(VQMailerTest, TheLocalServiceGetsOneMessagePerRecipient) {
    // Records its arguments and each message; refuses a message to "bad@".
    const QString sendmail = QDir(home.path()).filePath(str("sendmail"));
    ASSERT_TRUE(writeTextFile(
        sendmail,
        "#!/bin/sh\n"
        "echo \"$*\" >> \"$HOME/sendmail.args\"\n"
        "message=$(cat)\n"
        "printf '%s\\n---\\n' \"$message\" >> \"$HOME/sendmail.messages\"\n"
        "case \"$message\" in *'To: <bad@'*) echo 'unknown user' >&2; exit 67;; esac\n",
        true));
    LocalMailDelivery::setSendmailPath(sendmail);
    host.settings[PrefSendersFullName] = str("Lu Misk");
    host.settings[PrefSendersEmailAddress] = str("lu@example.org");
    std::optional<MailAnswer> answer =
        send(str(VQMailer::kLocalDeliveryRoute), str("Hello"), str("Body text"),
             {recipient(str("Ann"), str("ann@example.org")), recipient({}, str("")),
              recipient(str("Bo"), str("bo@example.org"))},
             {str("/tmp/ignored.jpg")});
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->sent) << answer->error.toStdString();
    EXPECT_EQ(readFileBytes(QDir(home.path()).filePath(str("sendmail.args"))),
              QByteArray("-t -i\n-t -i\n"));
    const QByteArray all = readFileBytes(QDir(home.path()).filePath(str("sendmail.messages")));
    EXPECT_TRUE(all.contains("To: <ann@example.org>\n"));
    EXPECT_TRUE(all.contains("To: <bo@example.org>\n"));
    EXPECT_TRUE(all.contains("From: \"Lu Misk\" <lu@example.org>\n"));
    EXPECT_TRUE(all.contains("Subject: Hello\n"));
    EXPECT_TRUE(all.contains("\n\nBody text\n"));
    EXPECT_FALSE(all.contains("ignored.jpg"));
    EXPECT_FALSE(all.contains('\r'));

    // A failure of the first recipient is not hidden by the second's success.
    QFile::remove(QDir(home.path()).filePath(str("sendmail.args")));
    answer = send(str(VQMailer::kLocalDeliveryRoute), str("Hello"), str("Body"),
                  {recipient({}, str("bad@example.org")), recipient({}, str("ok@example.org"))});
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->sent);
    EXPECT_TRUE(answer->error.contains(str("bad@example.org")));
    EXPECT_TRUE(answer->error.contains(str("unknown user")));
    EXPECT_EQ(readFileBytes(QDir(home.path()).filePath(str("sendmail.args"))),
              QByteArray("-t -i\n-t -i\n"));
}

TEST_F(VQMailerTest, DeliveryRoutesWithoutConfigurationOrRecipientsAnswerNo) {
    const QString sendmail = QDir(home.path()).filePath(str("sendmail"));
    const struct {
        const char* route;
        bool configured;
        QList<QVariantMap> recipients;
        const char* error;
    } cases[] = {
        {VQMailer::kLocalDeliveryRoute,
         false,
         {recipient({}, str("a@x.org"))},
         "MAIL_LOCAL_NOT_CONFIGURED"},
        {VQMailer::kSMTPRoute, false, {recipient({}, str("a@x.org"))}, "MAIL_NOT_CONFIGURED"},
        {VQMailer::kLocalDeliveryRoute, true, {}, "MAIL_NO_RECIPIENTS"},
        {VQMailer::kSMTPRoute, true, {recipient(str("Name only"), {})}, "MAIL_NO_RECIPIENTS"},
        {VQMailer::kLocalDeliveryRoute,
         true,
         {recipient({}, text("NONE_SELECTED"))},
         "MAIL_NO_RECIPIENTS"},
    };
    for (const auto& c : cases) {
        host.settings.clear();
        LocalMailDelivery::setSendmailPath(QDir(home.path()).filePath(str("no-sendmail")));
        if (c.configured) {
            ASSERT_TRUE(writeTextFile(sendmail, "#!/bin/sh\ntouch \"$HOME/sent\"\n", true));
            LocalMailDelivery::setSendmailPath(sendmail);
            host.settings[PrefSendersFullName] = str("Lu");
            host.settings[PrefSendersEmailAddress] = str("lu@example.org");
            host.settings[PrefSendMailHost] = str("127.0.0.1");
            host.settings[PrefSendServerPort] = 9;
        }
        const std::optional<MailAnswer> answer =
            send(str(c.route), str("S"), str("B"), c.recipients, {str("/tmp/a.jpg")});
        ASSERT_TRUE(answer) << c.route;
        EXPECT_FALSE(answer->sent) << c.route << " " << c.error;
        EXPECT_EQ(answer->error, text(c.error)) << c.route;
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(home.path()).filePath(str("sent"))));
}

TEST_F(VQMailerTest, SMTPNeedsSenderServerAndCredentialsWhenAuthenticating) {
    const struct {
        const char* name;
        const char* address;
        const char* server;
        int method;
        const char* user;
        const char* password;
        bool configured;
    } cases[] = {
        {"Lu", "lu@x.org", "mail.x.org", 0, "", "", true},
        {"", "lu@x.org", "mail.x.org", 0, "", "", false},
        {"Lu", "", "mail.x.org", 0, "", "", false},
        {"Lu", "lu@x.org", "", 0, "", "", false},
        {"Lu", "lu@x.org", "mail.x.org", 2, "lu", "", false},
        {"Lu", "lu@x.org", "mail.x.org", 2, "", "secret", false},
        {"Lu", "lu@x.org", "mail.x.org", 2, "lu", "secret", true},
    };
    for (const auto& c : cases) {
        host.settings[PrefSendersFullName] = str(c.name);
        host.settings[PrefSendersEmailAddress] = str(c.address);
        host.settings[PrefSendMailHost] = str(c.server);
        host.settings[PrefSendAuthenticationMethod] = c.method;
        host.settings[PrefSendUsername] = str(c.user);
        host.settings[PrefSendPassword] = str(c.password);
        EXPECT_EQ(VQMailDelivery::hasDeliveryClassBeenConfigured(), c.configured)
            << c.name << "|" << c.address << "|" << c.server << "|" << c.user << "|" << c.password;
    }
    host.settings[PrefSendServerPort] = 0;
    EXPECT_EQ(VQMailDelivery::currentConfiguration().port, 25);
    host.settings[PrefSendServerPort] = 2525;
    EXPECT_EQ(VQMailDelivery::currentConfiguration().port, 2525);
    const std::pair<int, const char*> mechanisms[] = {{1, "PLAIN"}, {2, "LOGIN"}, {3, "CRAM-MD5"},
                                                      {4, ""},      {5, ""},      {-1, ""}};
    for (const auto& [method, name] : mechanisms)
        EXPECT_EQ(VQMailDelivery::mechanismName(method), str(name)) << method;
}
