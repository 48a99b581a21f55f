#include "platform/system/Workspace.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <atomic>

namespace {

// The entry of an application folder, as application directories name it.
constexpr char kApplicationEntry[] = "AppRun";

std::atomic<Workspace*> gReplacement{nullptr};

constexpr const char* kPackageExtensions[] = {"preferencePane", "app", "bundle"};

} // namespace

Workspace::~Workspace() = default;

Workspace& Workspace::sharedWorkspace() {
    static Workspace desktop;
    Workspace* replacement = gReplacement.load();
    return replacement ? *replacement : desktop;
}

void Workspace::setSharedWorkspace(Workspace* workspace) {
    gReplacement.store(workspace);
}

bool Workspace::openURL(const QUrl& url) {
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool Workspace::openFile(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path) && openURL(QUrl::fromLocalFile(path));
}

bool Workspace::selectFile(const QString& path, const QString& rootPath) {
    const QFileInfo file(path);
    if (!file.exists())
        return false;
    // The desktop's file managers answer this interface on the session bus.
    const QStringList arguments{
        QStringLiteral("--session"),
        QStringLiteral("--dest=org.freedesktop.FileManager1"),
        QStringLiteral("--type=method_call"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
        QStringLiteral("array:string:") +
            QString::fromUtf8(QUrl::fromLocalFile(file.absoluteFilePath()).toEncoded()),
        QStringLiteral("string:")};
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        QProcess::execute(QStringLiteral("dbus-send"), arguments) == 0)
        return true;
    const QString folder = rootPath.isEmpty() ? file.absolutePath() : rootPath;
    return openURL(QUrl::fromLocalFile(folder));
}

bool Workspace::launchApplication(const QString& path) {
    const QFileInfo application(path);
    const QFileInfo program = application.isDir()
                                  ? QFileInfo(application.absoluteFilePath() + QLatin1Char('/') +
                                              QLatin1String(kApplicationEntry))
                                  : application;
    if (!program.isFile() || !program.isExecutable())
        return false;
    return QProcess::startDetached(program.absoluteFilePath(), {}, application.absolutePath());
}

bool Workspace::isFilePackageAtPath(const QString& path) {
    const QFileInfo folder(path);
    if (!folder.isDir())
        return false;
    const QString extension = folder.suffix();
    for (const char* package : kPackageExtensions)
        if (extension == QLatin1String(package))
            return true;
    return false;
}
