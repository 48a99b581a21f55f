#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QCursor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <memory>

class BezierPath;
class URLImageRetrievalDelegate;

// What the framework and the preference panes may ask of the application. The
// application's delegate implements it and installs itself at start; library
// tests install a small test host.
class LUMISK_PLATFORM_EXPORT HostServices {
public:
    virtual ~HostServices();

    // The settings store, by preference index.
    virtual int preferencesIntFor(int index) = 0;
    virtual void setPreferencesIntFor(int value, int index) = 0;
    virtual bool preferencesBOOLFor(int index) = 0;
    virtual void setPreferencesBOOLFor(bool value, int index) = 0;
    virtual QString preferencesStringFor(int index) = 0;
    virtual void setPreferencesStringFor(const QString& value, int index) = 0;
    virtual Size preferencesNSSizeFor(int index) = 0;
    virtual void setPreferencesNSSizeFor(Size value, int index) = 0;

    // The system version in binary-coded decimal, one nibble a digit (0x1046 is 10.4.6).
    virtual uint32_t osSystemVersion() = 0;
    virtual QString accessPath(int code) = 0;
    virtual QString tempFolder() = 0;
    virtual QString fileSizeString(int64_t bytes) = 0;
    // The shared outline of a selection handle of a style 0 to 2, centred on the origin.
    virtual const BezierPath* handlePath(int style) = 0;
    virtual void clearHandleGraphics() = 0;
    virtual QStringList installedTemplateCategories() = 0;
    virtual void resumeWaitMonitor() = 0;
    virtual void suspendWaitMonitor() = 0;
    // The layout view's cursors over a photo: panning, zooming and moving it.
    // A host without images of its own answers the system's nearest shapes.
    virtual const QCursor& openHandCursor();
    virtual const QCursor& zoomArrowsCursor();
    virtual const QCursor& crossArrowsCursor();

    // Installed memory in megabytes.
    virtual int32_t physicalRAM() = 0;
    // The bytes at the URL, read on the calling thread within the fetch time limits;
    // null when the read fails. Safe on any thread.
    virtual QByteArray synchronousDataFetch(const QUrl& url) = 0;
    // As above, but a set `cancelled` ends the read soon (null answer). A host that
    // can't cancel reads the whole.
    virtual QByteArray cancellableDataFetch(const QUrl& url, const std::atomic<bool>& cancelled);
    // Reads the URL on a thread of its own; the delegate, kept alive until then, gets
    // the bytes (null on failure) and the tag on the main thread.
    virtual void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl& url, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate) = 0;

    // The installed host, or null before the application (or a test) installs one.
    static HostServices* current();
    static void install(HostServices* host);
};

// Resumes the installed host's wait monitor while alive (long work on the main
// thread); does nothing without a host.
class LUMISK_PLATFORM_EXPORT WaitMonitorScope {
public:
    WaitMonitorScope();
    ~WaitMonitorScope();
    WaitMonitorScope(const WaitMonitorScope&) = delete;
    WaitMonitorScope& operator=(const WaitMonitorScope&) = delete;
};

// Shorthand for the installed host; asking before one is installed is a programming error.
LUMISK_PLATFORM_EXPORT HostServices& host();

// The outline behind `handlePath`: a 7-point square centred on the origin, drawn
// as a circle (style 0), a diamond (1) or a square of line width 2 (2).
LUMISK_PLATFORM_EXPORT BezierPath makeSelectionHandlePath(int style);
