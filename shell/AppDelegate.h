#pragma once

#include "platform/HostServices.h"
#include "platform/Image.h"
#include "shell/SettingsStore.h"
#include "shell/SystemEnvironment.h"

#include <QCursor>
#include <QList>
#include <QUrl>
#include <array>
#include <memory>
#include <optional>

class BezierPath;
class ColorProfileHandle;
class Document;
class QThread;
class URLImageRetrievalDelegate;
class URLResourceRetriever;
class UserDefaults;

// The host whose reachability tells whether the network is usable: the web server
// that also serves the version file.
inline constexpr char kMakerWebServerHost[] = "www.lumisk.org";

// The application's delegate: the settings store and the process-wide services
// every other part reaches through the installed host. Installs itself as the host
// while it lives.
class AppDelegate : public HostServices {
public:
    // Defaults to the running system and the standard user defaults.
    explicit AppDelegate(std::unique_ptr<SystemEnvironment> environment = nullptr,
                         UserDefaults* defaults = nullptr);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Settings store.
    int preferencesIntFor(int index) override;
    void setPreferencesIntFor(int value, int index) override;
    bool preferencesBOOLFor(int index) override;
    void setPreferencesBOOLFor(bool value, int index) override;
    QString preferencesStringFor(int index) override;
    void setPreferencesStringFor(const QString& value, int index) override;
    Size preferencesNSSizeFor(int index) override;
    void setPreferencesNSSizeFor(Size value, int index) override;
    void initPreferences();
    // The user's output profiles, archived under "prefActiveProfilesKey"; an empty
    // list when none are stored or the stored archive can't be read.
    QList<std::shared_ptr<ColorProfileHandle>> activeProfiles();
    void setActiveProfiles(const QList<std::shared_ptr<ColorProfileHandle>>& profiles);

    // System.
    uint32_t osSystemVersion() override;
    // 10 for Intel, 2 otherwise.
    int systemArchitecture();
    // Installed memory in megabytes.
    int32_t physicalRAM();
    // The calling thread is the one recorded as the main thread (the one that made
    // the delegate, unless recorded again).
    bool isMainThread() const;
    void recordMainAppThread();

    // A private folder for temporary files, made on every call; its last component
    // is "Vyx".
    QString tempFolder() override;
    // "--" for 0, else bytes, kilobytes or megabytes with their unit.
    QString fileSizeString(int64_t bytes) override;
    // Code 1: the installed masks folder, unexpanded. Any other: the empty text.
    QString accessPath(int code) override;
    QStringList installedTemplateCategories() override;

    // Image fetches, forwarded to the retriever.
    Image synchronousImageFetch(const QUrl& url);
    void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl& url, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate);
    URLResourceRetriever& urlRetriever() { return *_urlRetriever; }

    // Shared cursors, made on first use.
    const QCursor& openHandCursor();
    const QCursor& crossArrowsCursor();
    const QCursor& zoomArrowsCursor();

    // Selection handles: shapes by style (0 circle, 1 diamond, 2 square), images by
    // kind (0 segment, 1 control, 2 selected). Other numbers name nothing.
    const BezierPath* handlePath(int style) override;
    Image handleGraphic();
    // Null when the image can't be read; the next request tries again.
    Image handleGraphic(int kind);
    void setHandleStyleToGraphic(int kind, const Image& image);
    void clearHandleGraphics() override;

    // The catalog document that commands go to. There are no catalog documents yet,
    // so there is none.
    Document* findTargetDocument();
    bool internetConnected();

    // Long work on the main thread is announced between these. Without a running
    // wait-cursor monitor only the nesting of the calls is kept.
    void resumeWaitMonitor() override;
    void suspendWaitMonitor() override;
    int waitMonitorNesting() const { return _waitMonitorNesting; }

    SettingsStore& settingsStore() { return _settings; }

private:
    std::unique_ptr<SystemEnvironment> _environment;
    UserDefaults& _defaults;
    SettingsStore _settings;
    QThread* _mainAppThread = nullptr;
    std::unique_ptr<URLResourceRetriever> _urlRetriever;
    std::optional<QCursor> _openHandCursor;
    std::optional<QCursor> _zoomArrowsCursor;
    std::optional<QCursor> _crossArrowsCursor;
    std::array<Image, 3> _handleGraphics;
    std::array<std::unique_ptr<BezierPath>, 3> _handlePaths;
    int _waitMonitorNesting = 0;
};
