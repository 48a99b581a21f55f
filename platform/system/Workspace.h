#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <QUrl>

// What the desktop does for the program: opening an address in the user's browser
// and starting another application. Tests put in a workspace of their own that
// records what was asked.
class LUMISK_PLATFORM_EXPORT Workspace {
public:
    Workspace() = default;
    virtual ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    static Workspace& sharedWorkspace();
    // Not owned; null puts the desktop's workspace back.
    static void setSharedWorkspace(Workspace* workspace);

    // Main thread only. False when no handler takes the address.
    virtual bool openURL(const QUrl& url);
    // Opens the file with the desktop's application for it. Main thread only.
    virtual bool openFile(const QString& path);
    // Shows the file selected in the desktop's file manager, in a window of
    // `rootPath` (its folder when empty); without a file manager that can
    // select, the folder is opened. Main thread only.
    virtual bool selectFile(const QString& path, const QString& rootPath);
    // Starts the application without waiting for it: an executable file, or an
    // application folder through its "AppRun". False when it can't be started.
    // Safe on any thread.
    virtual bool launchApplication(const QString& path);
    // Whether the path is a folder the desktop shows as one document: our
    // preference-pane bundles and application and plug-in folders
    // (".preferencePane", ".app", ".bundle"). Safe on any thread.
    virtual bool isFilePackageAtPath(const QString& path);
};
