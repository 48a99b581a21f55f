#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

class UserDefaults;

// User default: the highest build automatic checks stay silent about (0: none).
inline constexpr char kIgnoreVersionKey[] = "Ignore Version";
// Keys of an update notice.
inline constexpr char kUpdateNoticeMessageKey[] = "msg";
inline constexpr char kUpdateNoticeURLKey[] = "url";
inline constexpr char kUpdateNoticeBuildKey[] = "build";

// What a version reply means to one check. The reply is one line of 4 or 5 fields
// separated by ";": version text, build number, release date, download address and
// optional release notes. White space around the whole text and around each field
// is not part of it (the file's last line break would otherwise end the address).
struct VersionCheckVerdict {
    enum class Kind {
        ConnectionFailed, // no text (Error 1)
        Malformed,        // not 4 or 5 fields, or no http(s) download address (Error 2)
        BadBuild,         // the build reads as 0 (Error 3)
        UpToDate,
        Ignored, // newer, but an automatic check was told to stay silent about it
        UpdateAvailable,
    };
    Kind kind = Kind::ConnectionFailed;
    // The text to show: the error or up-to-date text, or the release message.
    QString message;
    QString downloadURL;
    int build = 0;
};

// `body` is null when nothing could be fetched. `ignoreVersion` counts only for
// automatic checks.
VersionCheckVerdict evaluateVersionReply(const QByteArray& body, bool userInitiated,
                                         int runningBuild, int ignoreVersion,
                                         const QString& applicationName);

// Finds out whether a newer build has been published. Every check fetches the
// version file on a thread of its own, with connect and total time limits, so a
// silent server never holds up the application. A check the user asked for shows
// its answer in a panel on the main thread; an automatic one shows nothing and
// hands an offered update to the notice receiver (the application delegate),
// from its own thread.
class NFVersionChecker : public QObject {
    Q_OBJECT

public:
    struct Timeouts {
        long connectMs = 10000;
        long totalMs = 30000;
    };
    using NoticeReceiver = std::function<void(const QVariantMap& notice)>;

    ~NFVersionChecker() override;

    // Made on first use; lives as long as the application object.
    static NFVersionChecker* versionChecker();

    // Fetches `address` with "?version=<build>" (user) or "?launchVersion=<build>"
    // (automatic) appended. Main thread.
    void checkForUpdateUserCurrent(const QString& address, bool userInitiated, int runningBuild);

    // The update panel: the release message, with the download, skip-this-version
    // and remind-later actions.
    void showUpdateUrlBuild(const QString& message, const QString& url, int build);
    // The no-update panel with one message.
    void showNoUpdate(const QString& message);

    // Actions of the update panel.
    void dlNewVersion();
    void disable();
    void ignore();

    QString downloadURL() const { return _downloadURL; }
    int newBuildNumber() const { return _newBuildNumber; }
    // The name the messages give the application.
    static QString applicationName();

    // Called on the checking thread; set before checks start (each check keeps the
    // receiver it started with).
    void setNoticeReceiver(NoticeReceiver receiver);
    // Where "Ignore Version" lives; null: the standard user defaults.
    void setUserDefaults(UserDefaults* defaults);
    UserDefaults& userDefaults() const;
    void setTimeouts(const Timeouts& timeouts) { _timeouts = timeouts; }
    const Timeouts& timeouts() const { return _timeouts; }

Q_SIGNALS:
    // On the main thread once a check has come to its end, whatever it found.
    void checkFinished();

private:
    struct Link;

    NFVersionChecker();
    void finishUserCheck(const QByteArray& body, int runningBuild);

    std::shared_ptr<Link> _link;
    NoticeReceiver _receiver;
    UserDefaults* _defaults = nullptr;
    Timeouts _timeouts;
    QString _downloadURL;
    int _newBuildNumber = 0;
};
