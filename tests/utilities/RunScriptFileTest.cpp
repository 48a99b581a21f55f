#include "utilities/RunScriptFile.h"
#include "platform/system/ScriptRunner.h"
#include "platform/system/Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

class RecordingWorkspace : public Workspace {
public:
    bool launchApplication(const QString& path) override {
        std::lock_guard<std::mutex> locked(mutex);
        launched << path;
        return launches;
    }
    bool openURL(const QUrl& url) override {
        opened << url;
        return true;
    }

    std::mutex mutex;
    QStringList launched;
    QList<QUrl> opened;
    bool launches = true;
};

// Warnings written while it lives.
class LogCapture {
public:
    LogCapture() {
        captured().clear();
        _previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { captured() << text; });
    }
    ~LogCapture() { qInstallMessageHandler(_previous); }
    static QStringList& captured() {
        static QStringList lines;
        return lines;
    }

private:
    QtMessageHandler _previous;
};

class RunScriptFileTest : public ::testing::Test {
protected:
    RunScriptFileTest() { Workspace::setSharedWorkspace(&workspace); }
    ~RunScriptFileTest() override { Workspace::setSharedWorkspace(nullptr); }

    QString write(const QString& name, const QByteArray& contents, bool executable) {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            permissions |= QFile::ExeOwner;
        file.setPermissions(permissions);
        return path;
    }

    QTemporaryDir dir;
    RecordingWorkspace workspace;
};

} // namespace

TEST_F(RunScriptFileTest, KindsOfFiles) {
    struct Case {
        const char* name;
        QByteArray contents;
        bool executable;
        ScriptRunner::Kind kind;
    };
    using K = ScriptRunner::Kind;
    const Case cases[] = {
        {"Text.scpt", "echo hi\n", false, K::Script},
        {"Shell", "#!/bin/sh\nexit 0\n", true, K::Script},
        {"Binary",
         "\x7f"
         "ELF\x02\x01",
         true, K::Application},
        {"Tool.app", "#!/bin/sh\n", true, K::Application},
        {"Readme.txt", "#!/bin/sh\n", false, K::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            ScriptRunner::kindOfFile(write(QString::fromLatin1(c.name), c.contents, c.executable)),
            c.kind)
            << c.name;
    QDir().mkpath(dir.filePath(QStringLiteral("Folder.app")));
    QDir().mkpath(dir.filePath(QStringLiteral("Folder")));
    EXPECT_EQ(ScriptRunner::kindOfFile(dir.filePath(QStringLiteral("Folder.app"))), K::Application);
    EXPECT_EQ(ScriptRunner::kindOfFile(dir.filePath(QStringLiteral("Folder"))), K::None);
    EXPECT_EQ(ScriptRunner::kindOfFile(dir.filePath(QStringLiteral("Missing.scpt"))), K::None);
}

TEST_F(RunScriptFileTest, ScriptStatuses) {
    struct Case {
        const char* name;
        QByteArray contents;
        bool executable;
        int status;
    };
    const Case cases[] = {
        {"Ok.sh", "#!/bin/sh\nexit 0\n", true, 0},
        {"Three.sh", "#!/bin/sh\nexit 3\n", true, 3},
        {"Top.sh", "#!/bin/sh\nexit 255\n", true, 255},
        // A script file that isn't executable runs under its "#!" line, or the shell.
        {"Plain.scpt", "#!/bin/sh -e\nfalse\nexit 0\n", false, 1},
        {"Bare.scpt", "exit 7\n", false, 7},
        {"Killed.sh", "#!/bin/sh\nkill -9 $$\n", true, kRunScriptKilled},
        {"NoInterpreter.sh", "#!/nonexistent/interpreter\n", true, kRunScriptCannotStart},
        {"Notes.txt", "exit 0\n", false, kRunScriptCannotStart},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunScriptFile(write(QString::fromLatin1(c.name), c.contents, c.executable)),
                  c.status)
            << c.name;
    EXPECT_TRUE(workspace.launched.isEmpty());
}

TEST_F(RunScriptFileTest, ScriptsRunInTheirFolderAndTheirErrorsAreLogged) {
    const QString script =
        write(QStringLiteral("Sub/Where.sh"), "#!/bin/sh\npwd > here.txt\necho broken >&2\n", true);
    LogCapture log;
    EXPECT_EQ(RunScriptFile(script), 0);
    QFile here(dir.filePath(QStringLiteral("Sub/here.txt")));
    ASSERT_TRUE(here.open(QIODevice::ReadOnly));
    EXPECT_EQ(QDir(QString::fromLocal8Bit(here.readAll().trimmed())).canonicalPath(),
              QDir(dir.filePath(QStringLiteral("Sub"))).canonicalPath());
    EXPECT_TRUE(LogCapture::captured().join(QLatin1Char('\n')).contains(QStringLiteral("broken")));
}

TEST_F(RunScriptFileTest, ApplicationsAreLaunchedNotRun) {
    const QString bundle = write(QStringLiteral("Tool.app"), "#!/bin/sh\nexit 9\n", true);
    const QString binary = write(QStringLiteral("Binary"),
                                 "\x7f"
                                 "ELF",
                                 true);
    EXPECT_EQ(RunScriptFile(bundle), 0);
    EXPECT_EQ(RunScriptFile(binary), 0);
    EXPECT_EQ(workspace.launched, QStringList({bundle, binary}));
    workspace.launches = false;
    EXPECT_EQ(RunScriptFile(bundle), kRunScriptLaunchFailed);
}

TEST_F(RunScriptFileTest, ScriptsRunOneAtATime) {
    const QString log = dir.filePath(QStringLiteral("log.txt"));
    const QByteArray body = "#!/bin/sh\necho start >> '" + QFile::encodeName(log) +
                            "'\nsleep 0.2\necho end >> '" + QFile::encodeName(log) + "'\n";
    const QString first = write(QStringLiteral("First.sh"), body, true);
    const QString second = write(QStringLiteral("Second.sh"), body, true);
    std::thread other([&] { RunScriptFile(first); });
    RunScriptFile(second);
    other.join();
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("start\nend\nstart\nend\n"));
}

TEST_F(RunScriptFileTest, AChattyScriptDoesNotBlock) {
    // Far more error output than a pipe holds.
    const QString script =
        write(QStringLiteral("Chatty.sh"),
              "#!/bin/sh\nhead -c 1000000 /dev/zero | tr '\\0' x >&2\nexit 4\n", true);
    LogCapture log;
    EXPECT_EQ(RunScriptFile(script), 4);
}

TEST_F(RunScriptFileTest, TheDesktopWorkspaceStartsApplications) {
    Workspace::setSharedWorkspace(nullptr);
    const QString marker = dir.filePath(QStringLiteral("started.txt"));
    const QByteArray body = "#!/bin/sh\ntouch '" + QFile::encodeName(marker) + "'\n";
    // An application folder starts through its entry, in the folder it lies in.
    const QString bundle = dir.filePath(QStringLiteral("Tool.app"));
    write(QStringLiteral("Tool.app/AppRun"), body, true);
    EXPECT_EQ(RunScriptFile(bundle), 0);
    for (int i = 0; i < 100 && !QFileInfo::exists(marker); ++i)
        QThread::msleep(50);
    EXPECT_TRUE(QFileInfo::exists(marker));

    write(QStringLiteral("Broken.app/AppRun"), body, false);
    EXPECT_EQ(RunScriptFile(dir.filePath(QStringLiteral("Broken.app"))), kRunScriptLaunchFailed);
    QDir().mkpath(dir.filePath(QStringLiteral("Empty.app")));
    EXPECT_EQ(RunScriptFile(dir.filePath(QStringLiteral("Empty.app"))), kRunScriptLaunchFailed);
}
