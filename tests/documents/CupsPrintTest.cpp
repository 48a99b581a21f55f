// Prints a catalog's layout to a print queue of a print server that the test
// starts for itself: a cupsd listening on a socket in a folder of its own, with
// the PDF printer's backend writing into that folder. The system's print
// server, its queues and its configuration are left alone: the backend's
// configuration file is replaced only inside the server's own mount namespace.
#include "PrintFixture.h"

#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QThread>
#include <cstdlib>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kCupsPdfBackend[] = "/usr/lib/cups/backend/cups-pdf";
constexpr char kCupsPdfConfig[] = "/etc/cups/cups-pdf.conf";
constexpr const char* kCupsPdfPPDs[] = {"/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd",
                                        "/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"};
constexpr char kQueue[] = "LumiskTest";

bool writeText(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

// Runs a tool to its end (bounded); its output, or why it failed.
std::pair<bool, QString> runTool(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(tool, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {false, tool + str(" did not finish")};
    }
    const QString output = QString::fromLocal8Bit(process.readAll());
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, output};
}

class CupsPrint : public PrintFixture {
protected:
    // The server and its queue come first: the print system asks for its
    // server once, when the first document takes the default page set-up.
    void SetUp() override {
        if (const QString lacking = missing(); !lacking.isEmpty())
            GTEST_SKIP() << "Missing for the print server: " << lacking.toStdString();
        if (const QString why = startServer(); !why.isEmpty())
            GTEST_SKIP() << "No print server of our own: " << why.toStdString();
        const auto [ok, output] =
            runTool(tools[str("lpadmin")], {str("-h"), socket, str("-p"), str(kQueue), str("-E"),
                                            str("-v"), str("cups-pdf:/"), str("-P"), ppd});
        ASSERT_TRUE(ok) << output.toStdString();
        const auto [made, why] =
            runTool(tools[str("lpadmin")], {str("-h"), socket, str("-d"), str(kQueue)});
        ASSERT_TRUE(made) << why.toStdString();
        setenv("CUPS_SERVER", socket.toLocal8Bit().constData(), 1);
        PrintFixture::SetUp();
    }

    void TearDown() override {
        if (server.state() != QProcess::NotRunning) {
            ::kill(pid_t(server.processId()), SIGTERM);
            if (!server.waitForFinished(10000)) {
                server.kill();
                server.waitForFinished();
            }
        }
        if (document)
            PrintFixture::TearDown();
    }

    // What is missing to run a print server here; empty when nothing is.
    QString missing() {
        QStringList lacking;
        for (const char* tool : {"cupsd", "lpadmin", "lpstat", "unshare", "mount"}) {
            const QString found =
                QStandardPaths::findExecutable(str(tool)).isEmpty()
                    ? QStandardPaths::findExecutable(str(tool), {str("/usr/sbin"), str("/sbin")})
                    : QStandardPaths::findExecutable(str(tool));
            if (found.isEmpty())
                lacking << str(tool);
            else
                tools[str(tool)] = found;
        }
        if (!QFileInfo::exists(str(kCupsPdfBackend)))
            lacking << str("the cups-pdf backend");
        if (!QFileInfo::exists(str(kCupsPdfConfig)))
            lacking << str(kCupsPdfConfig);
        for (const char* candidate : kCupsPdfPPDs)
            if (ppd.isEmpty() && QFileInfo::exists(str(candidate)))
                ppd = str(candidate);
        if (ppd.isEmpty())
            lacking << str("the cups-pdf PPD");
        // A mount namespace of its own needs the administrator.
        if (::geteuid() != 0)
            lacking << str("root rights for a mount namespace");
        return lacking.join(str(", "));
    }

    // Starts the server; empty when it runs, else why not.
    QString startServer() {
        // Filters run as lp: the folder must be reachable for it, so not in
        // the test's private home.
        spool = std::make_unique<QTemporaryDir>(str("/tmp/lumisk-cups-XXXXXX"));
        if (!spool->isValid())
            return str("no folder for the server");
        const QDir root(spool->path());
        QFile::setPermissions(root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                               QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther);
        for (const char* sub : {"out", "spool", "pdf-spool", "tmp", "cache", "state", "log"}) {
            root.mkpath(str(sub));
            // Everyone writes here: the scheduler, lp's filters, the backend.
            ::chmod(root.filePath(str(sub)).toLocal8Bit().constData(), 01777);
        }
        socket = root.filePath(str("cups.sock"));
        outFolder = root.filePath(str("out"));
        const QString cupsd = root.filePath(str("cupsd.conf"));
        const QString files = root.filePath(str("cups-files.conf"));
        const QString pdfConfig = root.filePath(str("cups-pdf.conf"));
        bool written =
            writeText(cupsd, str("Listen %1\nBrowsing No\nWebInterface No\nLogLevel warn\n"
                                 "DefaultAuthType None\n"
                                 "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                 "<Policy default>\n  <Limit All>\n    Order allow,deny\n"
                                 "    Allow all\n  </Limit>\n</Policy>\n")
                                 .arg(socket));
        written = written &&
                  writeText(files, str("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                                       "StateDir %1/state\nTempDir %1/tmp\n"
                                       "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                                       "PageLog %1/log/page_log\nPrintcap %1/printcap\n"
                                       "User lp\nGroup lp\n")
                                       .arg(root.path()));
        written =
            written && writeText(pdfConfig, str("Out %1\nAnonDirName %1\nSpool %2\n"
                                                "UserUMask 0000\nGrp lp\n")
                                                .arg(outFolder, root.filePath(str("pdf-spool"))));
        if (!written)
            return str("the server's configuration could not be written");

        server.setProcessChannelMode(QProcess::MergedChannels);
        // The server ends with the test, however the test ends.
        server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        server.start(tools[str("unshare")],
                     {str("--mount"), str("sh"), str("-c"),
                      str("mount --bind \"$1\" \"$2\" && exec \"$3\" -f -c \"$4\" -s \"$5\""),
                      str("sh"), pdfConfig, str(kCupsPdfConfig), tools[str("cupsd")], cupsd,
                      files});
        if (!server.waitForStarted(10000))
            return str("unshare could not be started");
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired()) {
            if (server.state() == QProcess::NotRunning)
                return str("the print server stopped: ") + QString::fromLocal8Bit(server.readAll());
            const auto [ok, output] = runTool(tools[str("lpstat")], {str("-h"), socket, str("-r")});
            if (ok && output.contains(str("is running")))
                return QString();
            QThread::msleep(100);
        }
        return str("the print server did not answer");
    }

    std::unique_ptr<QTemporaryDir> spool;
    QProcess server;
    QHash<QString, QString> tools;
    QString ppd;
    QString socket;
    QString outFolder;
};

} // namespace

TEST_F(CupsPrint, ThreePagesReachTheQueueAsAPDF) {
    useTemplate("queued", {300, 200}, {{10, 10, 100, 150}});
    addPhotos({Qt::red, Qt::green, Qt::blue});
    QStringList alerts;
    ModalAlert::ScopedResponder alertResponder([&](const ModalAlert::Request& request) {
        alerts << request.title + str(": ") + request.message;
        return int(ModalAlert::DefaultReturn);
    });
    QString chosenPrinter;
    ModalAlert::ScopedDialogResponder responder([&](QDialog& dialog) {
        auto* panel = qobject_cast<QPrintDialog*>(&dialog);
        EXPECT_TRUE(panel);
        if (!panel)
            return int(QDialog::Rejected);
        // Accepting takes the panel's queue: the default one of our server.
        panel->accept();
        chosenPrinter = panel->printer()->printerName();
        return int(QDialog::Accepted);
    });
    controller->printDocument();
    ASSERT_TRUE(waitForPrintEnd());
    EXPECT_EQ(chosenPrinter, str(kQueue));
    ASSERT_TRUE(alerts.isEmpty()) << alerts.join(str("\n")).toStdString();

    QString pdf;
    QDeadlineTimer deadline(90000);
    while (pdf.isEmpty() && !deadline.hasExpired()) {
        const QStringList made = QDir(outFolder).entryList({str("*.pdf")}, QDir::Files);
        // Finished once it has stopped growing.
        if (!made.isEmpty()) {
            const QString path = QDir(outFolder).filePath(made.first());
            const qint64 size = QFileInfo(path).size();
            QThread::msleep(500);
            if (size > 0 && QFileInfo(path).size() == size)
                pdf = path;
        } else {
            QThread::msleep(200);
        }
    }
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF from the queue";
    const auto [pages, size] = pdfInfo(pdf);
    EXPECT_EQ(pages, 3);
}
