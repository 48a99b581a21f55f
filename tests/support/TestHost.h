#pragma once

#include "platform/foundation/HostServices.h"

#include <QHash>
#include <QVariant>
#include <array>
#include <memory>

// Host services for library tests: settings kept in memory, a settable system
// version, and counters for the wait-monitor calls. Installs itself while alive.
class TestHost : public HostServices {
public:
    TestHost();
    ~TestHost() override;

    int preferencesIntFor(int index) override;
    void setPreferencesIntFor(int value, int index) override;
    bool preferencesBOOLFor(int index) override;
    void setPreferencesBOOLFor(bool value, int index) override;
    QString preferencesStringFor(int index) override;
    void setPreferencesStringFor(const QString& value, int index) override;
    Size preferencesNSSizeFor(int index) override;
    void setPreferencesNSSizeFor(Size value, int index) override;

    uint32_t osSystemVersion() override { return systemVersion; }
    QString accessPath(int code) override;
    QString tempFolder() override;
    QString fileSizeString(int64_t bytes) override;
    // Made once per style as the application makes them: a 7-point square
    // around the origin as an oval (0), a diamond (1) or the square (2).
    const BezierPath* handlePath(int style) override;
    void clearHandleGraphics() override { ++handleGraphicsCleared; }
    QStringList installedTemplateCategories() override { return templateCategories; }
    void resumeWaitMonitor() override { ++waitMonitorResumed; }
    void suspendWaitMonitor() override { ++waitMonitorSuspended; }
    int32_t physicalRAM() override { return physicalMemoryMB; }
    // No network: every read fails. A test that serves URLs overrides these.
    QByteArray synchronousDataFetch(const QUrl& url) override;
    // Delivers the failure on the main thread, as the application would.
    void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl& url, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate) override;

    uint32_t systemVersion = 0x1046;
    int32_t physicalMemoryMB = 2048;
    QString masksPath;
    QStringList templateCategories;
    QHash<int, QVariant> settings;
    int handleGraphicsCleared = 0;
    int waitMonitorResumed = 0;
    int waitMonitorSuspended = 0;

private:
    HostServices* _previous;
    std::array<std::unique_ptr<BezierPath>, 3> _handlePaths;
};
