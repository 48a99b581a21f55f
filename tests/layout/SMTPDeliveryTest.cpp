// Direct SMTP against an aiosmtpd server that the test starts on 127.0.0.1,
// with a certificate made for it by openssl; received messages are read back
// by Python's email package.
#include "MailTestSupport.h"
#include "layout/VQMailDelivery.h"
#include "layout/VQMailer.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

const QString kPython = str("/usr/bin/python3");

bool hasServerModule() {
    static const bool found = [] {
        QProcess probe;
        probe.start(kPython, {str("-c"), str("import aiosmtpd")});
        return probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit &&
               probe.exitCode() == 0;
    }();
    return found;
}

// A self-signed certificate for 127.0.0.1 in `folder`: cert.pem and key.pem.
bool makeCertificate(const QString& folder) {
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.start(str("openssl"),
                  {str("req"), str("-x509"), str("-newkey"), str("rsa:2048"), str("-nodes"),
                   str("-keyout"), str("key.pem"), str("-out"), str("cert.pem"), str("-days"),
                   str("1"), str("-subj"), str("/CN=127.0.0.1"), str("-addext"),
                   str("subjectAltName=IP:127.0.0.1")});
    return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
}

struct ServerOptions {
    const char* mode = "starttls";
    const char* mechanisms = "PLAIN,LOGIN,CRAM-MD5";
    const char* reject = "";
    bool authenticated = true;
};

// The server runs while alive; closing its input ends it.
class SMTPServer {
public:
    SMTPServer(const QString& certificates, const ServerOptions& options) {
        QStringList arguments{str(LUMISK_SMTP_SERVER_SCRIPT),
                              str("--mode"),
                              str(options.mode),
                              str("--cert"),
                              QDir(certificates).filePath(str("cert.pem")),
                              str("--key"),
                              QDir(certificates).filePath(str("key.pem")),
                              str("--mechanisms"),
                              str(options.mechanisms),
                              str("--reject"),
                              str(options.reject),
                              str("--out"),
                              out.path()};
        if (options.authenticated)
            arguments << str("--user") << str("lu") << str("--password") << str("open sesame");
        _process.setProcessChannelMode(QProcess::SeparateChannels);
        _process.setStandardErrorFile(QProcess::nullDevice());
        _process.start(kPython, arguments);
        if (_process.waitForReadyRead(20000))
            port = _process.readLine().trimmed().toInt();
    }
    ~SMTPServer() {
        _process.closeWriteChannel();
        if (!_process.waitForFinished(10000))
            _process.kill();
        _process.waitForFinished();
    }

    QString log() const { return QString::fromUtf8(readFileBytes(out.filePath(str("log.txt")))); }
    QString message(int n) const { return out.filePath(QString::number(n) + str(".eml")); }

    QTemporaryDir out;
    int port = 0;

private:
    QProcess _process;
};

QJsonObject parsed(const QString& path) {
    QProcess python;
    python.start(kPython, {str(LUMISK_PARSE_MAIL_SCRIPT), path});
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

class SMTPDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!hasServerModule())
            GTEST_SKIP() << "SKIPPED: Python's aiosmtpd is not installed";
        ASSERT_TRUE(certificates.isValid());
        ASSERT_TRUE(makeCertificate(certificates.path()));
        const QByteArray caFile = QFile::encodeName(certificates.filePath(str("cert.pem")));
        setenv("SSL_CERT_FILE", caFile.constData(), 1);
    }
    void TearDown() override { unsetenv("SSL_CERT_FILE"); }

    VQMailDelivery::Configuration configuration(int port, int method = 1) const {
        VQMailDelivery::Configuration c;
        c.fullName = str("Lu Misk");
        c.address = str("lu@example.org");
        c.host = str("127.0.0.1");
        c.port = port;
        c.authenticationMethod = method;
        c.user = str("lu");
        c.password = str("open sesame");
        return c;
    }

    void useSettings(const VQMailDelivery::Configuration& c) {
        host.settings[PrefSendersFullName] = c.fullName;
        host.settings[PrefSendersEmailAddress] = c.address;
        host.settings[PrefSendMailHost] = c.host;
        host.settings[PrefSendServerPort] = c.port;
        host.settings[PrefSendUseSSL] = c.useSSL;
        host.settings[PrefSendAuthenticationMethod] = c.authenticationMethod;
        host.settings[PrefSendUsername] = c.user;
        host.settings[PrefSendPassword] = c.password;
    }

    TestHome home;
    TestHost host;
    QTemporaryDir certificates;
};

} // namespace

TEST_F(SMTPDeliveryTest, EachMechanismAuthenticatesOverTLS) {
    const struct {
        const char* mode;
        bool implicitTLS;
        int method;
        const char* offered;
        const char* used;
    } cases[] = {
        {"starttls", false, 1, "PLAIN,LOGIN,CRAM-MD5", "AUTH PLAIN ok tls"},
        {"starttls", false, 2, "PLAIN,LOGIN,CRAM-MD5", "AUTH LOGIN ok tls"},
        {"starttls", false, 3, "PLAIN,LOGIN,CRAM-MD5", "AUTH CRAM-MD5 ok tls"},
        // Any mechanism: the one the server offers.
        {"starttls", false, 5, "LOGIN", "AUTH LOGIN ok tls"},
        {"implicit", true, 1, "PLAIN,LOGIN,CRAM-MD5", "AUTH PLAIN ok tls"},
        {"implicit", true, 3, "PLAIN,LOGIN,CRAM-MD5", "AUTH CRAM-MD5 ok tls"},
    };
    for (const auto& c : cases) {
        SMTPServer server(certificates.path(), {c.mode, c.offered});
        ASSERT_GT(server.port, 0) << c.mode;
        VQMailDelivery::Configuration settings = configuration(server.port, c.method);
        settings.useSSL = c.implicitTLS;
        const VQMailDelivery::Outcome outcome = VQMailDelivery::deliverMessage(
            settings, str("Hello"), str("Subject"), str("ann@example.org"));
        EXPECT_TRUE(outcome.delivered)
            << c.mode << " " << c.method << ": " << outcome.error.toStdString();
        EXPECT_TRUE(server.log().startsWith(str(c.used))) << server.log().toStdString();
        EXPECT_TRUE(QFileInfo::exists(server.message(1))) << c.mode << " " << c.method;
    }
}

TEST_F(SMTPDeliveryTest, WithoutAuthenticationSTARTTLSIsUsedWhenOfferedAndPlainOtherwise) {
    for (const char* mode : {"starttls", "plain"}) {
        SMTPServer server(certificates.path(), {mode, "PLAIN", "", false});
        ASSERT_GT(server.port, 0);
        const VQMailDelivery::Outcome outcome = VQMailDelivery::deliverMessage(
            configuration(server.port, 0), str("Hello"), str("Subject"), str("ann@example.org"));
        EXPECT_TRUE(outcome.delivered) << mode << ": " << outcome.error.toStdString();
        EXPECT_FALSE(server.log().contains(str("AUTH")));
        EXPECT_TRUE(QFileInfo::exists(server.message(1))) << mode;
    }
}

TEST_F(SMTPDeliveryTest, AWrongPasswordAnswersNo) {
    SMTPServer server(certificates.path(), {});
    ASSERT_GT(server.port, 0);
    VQMailDelivery::Configuration settings = configuration(server.port, 1);
    settings.password = str("guess");
    const VQMailDelivery::Outcome outcome = VQMailDelivery::deliverMessage(
        settings, str("Hello"), str("Subject"), str("ann@example.org"));
    EXPECT_FALSE(outcome.delivered);
    EXPECT_FALSE(outcome.error.isEmpty());
    EXPECT_TRUE(server.log().contains(str("AUTH PLAIN fail")));
    EXPECT_FALSE(QFileInfo::exists(server.message(1)));
}

TEST_F(SMTPDeliveryTest, APlainServerGetsNoPasswordAndTheUserIsToldWhy) {
    SMTPServer server(certificates.path(), {"plain"});
    ASSERT_GT(server.port, 0);
    for (int method : {1, 2, 3, 5}) {
        const VQMailDelivery::Outcome outcome =
            VQMailDelivery::deliverMessage(configuration(server.port, method), str("Hello"),
                                           str("Subject"), str("ann@example.org"));
        EXPECT_FALSE(outcome.delivered) << method;
        EXPECT_EQ(outcome.error, localizedString(str("MAIL_REFUSED_IN_CLEAR"))) << method;
    }
    EXPECT_EQ(server.log(), QString());
}

TEST_F(SMTPDeliveryTest, ACertificateNotTrustedIsRefused) {
    QTemporaryDir other;
    ASSERT_TRUE(makeCertificate(other.path()));
    const QByteArray caFile = QFile::encodeName(other.filePath(str("cert.pem")));
    setenv("SSL_CERT_FILE", caFile.constData(), 1);
    for (bool implicitTLS : {false, true}) {
        SMTPServer tls(certificates.path(), {implicitTLS ? "implicit" : "starttls"});
        ASSERT_GT(tls.port, 0);
        VQMailDelivery::Configuration settings = configuration(tls.port, 1);
        settings.useSSL = implicitTLS;
        EXPECT_FALSE(VQMailDelivery::deliverMessage(settings, str("Hello"), str("Subject"),
                                                    str("ann@example.org"))
                         .delivered)
            << implicitTLS;
        EXPECT_FALSE(tls.log().contains(str("AUTH")));
    }
}

TEST_F(SMTPDeliveryTest, TheMessageReadsBackWithItsHeadersAndFlowedBody) {
    SMTPServer server(certificates.path(), {});
    ASSERT_GT(server.port, 0);
    const QString longLine =
        str("A paragraph long enough to be wrapped: it goes on and on past seventy-two "
            "columns, so that the flowed format breaks it after a space and a reader joins "
            "it again.");
    const QString longWord = QString(120, QChar(u'w'));
    const struct {
        const char* name;
        QString subject;
        QString body;
        QString expected;
        const char* charset;
        const char* encoding;
    } cases[] = {
        {"Lu Misk", str("2 photos"),
         longLine + str("\nFrom here on\n> quoted\n trailing   \n") + longWord + str("\n-- \nLu"),
         longLine + str("\nFrom here on\n> quoted\n trailing\n") + longWord + str("\n-- \nLu"),
         "us-ascii", "7bit"},
        {"Zoë Ünal",
         str("Größe: ✓ Fotos aus Köln, und ein sehr langer Betreff, der umbrochen wird"),
         str("Grüße aus Köln — ") + longLine + str("\n😀 fin"),
         str("Grüße aus Köln — ") + longLine + str("\n😀 fin"), "utf-8", "quoted-printable"},
    };
    int n = 0;
    for (const auto& c : cases) {
        VQMailDelivery::Configuration settings = configuration(server.port, 1);
        settings.fullName = str(c.name);
        const VQMailDelivery::Outcome outcome =
            VQMailDelivery::deliverMessage(settings, c.body, c.subject, str("ann@example.org"));
        ASSERT_TRUE(outcome.delivered) << outcome.error.toStdString();
        const QJsonObject message = parsed(server.message(++n));
        ASSERT_FALSE(message.isEmpty());
        EXPECT_EQ(message[str("from_name")].toString(), str(c.name));
        EXPECT_EQ(message[str("from_address")].toString(), str("lu@example.org"));
        EXPECT_EQ(message[str("to")].toArray().first().toString(), str("ann@example.org"));
        EXPECT_EQ(message[str("subject")].toString(), c.subject);
        EXPECT_TRUE(message[str("date_valid")].toBool());
        EXPECT_TRUE(message[str("message_id")].toString().endsWith(str("@example.org>")));
        EXPECT_EQ(message[str("mime_version")].toString(), str("1.0"));
        EXPECT_EQ(message[str("content_type")].toString(), str("text/plain"));
        EXPECT_EQ(message[str("format")].toString(), str("flowed"));
        EXPECT_EQ(message[str("charset")].toString(), str(c.charset));
        EXPECT_EQ(message[str("transfer_encoding")].toString(), str(c.encoding));
        EXPECT_EQ(message[str("unflowed")].toString(), c.expected);
        EXPECT_TRUE(message[str("defects")].toArray().isEmpty());
        // Wrapped: only the long word goes past the width.
        for (const QString& line : message[str("body")].toString().split(u'\n'))
            if (!line.contains(longWord)) {
                EXPECT_LE(line.size(), 73) << line.toStdString();
            }
        EXPECT_LE(message[str("longest_raw_line")].toInt(), 998);
    }
}

TEST_F(SMTPDeliveryTest, LineBreaksNeverReachAHeader) {
    SMTPServer server(certificates.path(), {});
    ASSERT_GT(server.port, 0);
    for (const char* address : {"ann@example.org\r\nBcc: eve@example.org", "<eve@example.org>",
                                "ann@example.org>\r\nRCPT TO:<eve@example.org", ""}) {
        const VQMailDelivery::Outcome outcome = VQMailDelivery::deliverMessage(
            configuration(server.port), str("Hello"), str("Subject"), str(address));
        EXPECT_FALSE(outcome.delivered) << address;
    }
    EXPECT_FALSE(server.log().contains(str("RCPT")));

    VQMailDelivery::Configuration settings = configuration(server.port);
    settings.fullName = str("Lu\r\nBcc: eve@example.org");
    const VQMailDelivery::Outcome outcome = VQMailDelivery::deliverMessage(
        settings, str("Hello"), str("Hi\r\nBcc: eve@example.org\nX-Other: 1"),
        str("ann@example.org"));
    ASSERT_TRUE(outcome.delivered) << outcome.error.toStdString();
    const QJsonObject message = parsed(server.message(1));
    EXPECT_EQ(message[str("subject")].toString(), str("Hi Bcc: eve@example.org X-Other: 1"));
    EXPECT_EQ(message[str("from_name")].toString(), str("Lu Bcc: eve@example.org"));
    for (const QJsonValue& name : message[str("header_names")].toArray())
        EXPECT_NE(name.toString().toLower(), str("bcc"));
    EXPECT_FALSE(server.log().contains(str("eve@")));
}

TEST_F(SMTPDeliveryTest, EveryRecipientIsTriedAndOneFailureFailsTheSend) {
    SMTPServer server(certificates.path(), {"starttls", "PLAIN", "bad@example.org"});
    ASSERT_GT(server.port, 0);
    useSettings(configuration(server.port, 1));
    VQMailer mailer;
    const auto recipient = [](const char* address) {
        return QVariantMap{{str(VQMailer::kRecipientAddressKey), str(address)}};
    };
    std::optional<MailAnswer> answer = awaitMail([&](VQMailer::Completion done) {
        mailer.sendMessageWithSubject(
            str("S"), str("B"), {recipient("bad@example.org"), recipient("ok@example.org")}, {},
            str(VQMailer::kSMTPRoute), true, nullptr, std::move(done));
    });
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->sent);
    EXPECT_TRUE(answer->error.contains(str("bad@example.org"))) << answer->error.toStdString();
    EXPECT_TRUE(server.log().contains(str("RCPT ok@example.org")));
    EXPECT_EQ(parsed(server.message(1))[str("to")].toArray().first().toString(),
              str("ok@example.org"));

    answer = awaitMail([&](VQMailer::Completion done) {
        mailer.sendNotificationWithSubject(
            str("S"), str("B"), {recipient("ok@example.org"), recipient("ok@example.org")}, nullptr,
            std::move(done));
    });
    // The notification takes the user's route; none is set: the default bridge,
    // which this account lacks.
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->sent);
}
