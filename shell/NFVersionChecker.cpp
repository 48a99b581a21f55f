#include "shell/NFVersionChecker.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/MainBundle.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/URLFetch.h"
#include "platform/system/Workspace.h"
#include "platform/ui/ModalAlert.h"

#include <QCoreApplication>
#include <QStringList>
#include <QUrl>
#include <climits>
#include <mutex>
#include <thread>

namespace {

constexpr char kBundleExecutableKey[] = "CFBundleExecutable";

constexpr char kUserQuery[] = "?version=%i";
constexpr char kAutomaticQuery[] = "?launchVersion=%i";

constexpr char kConnectionFailedText[] =
    "The version checker was unable to connect to the %@ version server. Please make sure that "
    "your internet connection is active and try again. (Error 1: Connection Failed)";
constexpr char kMalformedText[] =
    "There was an error reading the version status file for %@. (Error 2: version file "
    "mal-formated)";
constexpr char kBadBuildText[] = "There was an error reading the version status file for %@. "
                                 "(Error 3: version file mal-formatted)";
constexpr char kUpToDateText[] = "You currently have the most recent version of %@.";
constexpr char kReleaseMessage[] = "Version %@ of %@ was released on %@.\r%@";
constexpr char kUpdateTitle[] = "There is a new version of %@ available!";

constexpr char kDownloadButtonKey[] = "UPDATE_DOWNLOAD";
constexpr char kSkipVersionButtonKey[] = "UPDATE_SKIP_VERSION";
constexpr char kRemindLaterButtonKey[] = "UPDATE_REMIND_LATER";
constexpr char kOkKey[] = "OK";

constexpr char kFieldSeparator = ';';
constexpr int kMinFields = 4;
constexpr int kMaxFields = 5;
enum Field { kVersionField, kBuildField, kDateField, kAddressField, kNotesField };
// A version file is one short line; anything much larger is not one.
constexpr int64_t kMaxReplyBytes = 64 * 1024;

QString str(const char* text) {
    return QString::fromUtf8(text);
}

// The leading decimal integer of a text, as a number reads from one: blanks, a
// sign and digits; 0 when there are none; out-of-range values held at the limits.
int leadingInteger(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -value : value);
}

bool isWebAddress(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

} // namespace

VersionCheckVerdict evaluateVersionReply(const QByteArray& body, bool userInitiated,
                                         int runningBuild, int ignoreVersion,
                                         const QString& applicationName) {
    using Kind = VersionCheckVerdict::Kind;
    VersionCheckVerdict verdict;
    const auto ending = [&](Kind kind, const char* text) {
        verdict.kind = kind;
        verdict.message = stringWithFormat(str(text), applicationName);
        return verdict;
    };
    if (body.isNull())
        return ending(Kind::ConnectionFailed, kConnectionFailedText);

    QStringList fields = QString::fromUtf8(body).trimmed().split(QLatin1Char(kFieldSeparator));
    if (fields.size() < kMinFields || fields.size() > kMaxFields)
        return ending(Kind::Malformed, kMalformedText);
    for (QString& field : fields)
        field = field.trimmed();
    const QString notes = fields.size() > kNotesField ? fields[kNotesField] : QString();

    const int build = leadingInteger(fields[kBuildField]);
    if (build == 0)
        return ending(Kind::BadBuild, kBadBuildText);
    if (runningBuild >= build)
        return ending(Kind::UpToDate, kUpToDateText);
    // The address is opened in the user's browser: nothing but a web address.
    if (!isWebAddress(fields[kAddressField]))
        return ending(Kind::Malformed, kMalformedText);
    if (!userInitiated && ignoreVersion >= build) {
        verdict.kind = Kind::Ignored;
        return verdict;
    }
    verdict.kind = Kind::UpdateAvailable;
    verdict.message = stringWithFormat(str(kReleaseMessage), fields[kVersionField], applicationName,
                                       fields[kDateField], notes);
    verdict.downloadURL = fields[kAddressField];
    verdict.build = build;
    return verdict;
}

// The way back from checking threads, which may outlive the checker.
struct NFVersionChecker::Link {
    std::mutex mutex;
    NFVersionChecker* checker = nullptr;

    // Runs `work` on the main thread with the checker, if it is still there then.
    template <class F> void post(F work) {
        std::lock_guard<std::mutex> locked(mutex);
        if (!checker)
            return;
        QMetaObject::invokeMethod(
            checker, [work, checker = checker] { work(checker); }, Qt::QueuedConnection);
    }
};

NFVersionChecker::NFVersionChecker() : _link(std::make_shared<Link>()) {
    _link->checker = this;
}

NFVersionChecker::~NFVersionChecker() {
    std::lock_guard<std::mutex> locked(_link->mutex);
    _link->checker = nullptr;
}

NFVersionChecker* NFVersionChecker::versionChecker() {
    static NFVersionChecker* shared = nullptr;
    if (!shared) {
        shared = new NFVersionChecker;
        qAddPostRoutine([] {
            delete shared;
            shared = nullptr;
        });
    }
    return shared;
}

QString NFVersionChecker::applicationName() {
    return MainBundle::objectForInfoDictionaryKey(str(kBundleExecutableKey)).toString();
}

void NFVersionChecker::setNoticeReceiver(NoticeReceiver receiver) {
    _receiver = std::move(receiver);
}

void NFVersionChecker::setUserDefaults(UserDefaults* defaults) {
    _defaults = defaults;
}

UserDefaults& NFVersionChecker::userDefaults() const {
    return _defaults ? *_defaults : UserDefaults::standardUserDefaults();
}

void NFVersionChecker::checkForUpdateUserCurrent(const QString& address, bool userInitiated,
                                                 int runningBuild) {
    const QUrl url(address + stringWithFormat(str(userInitiated ? kUserQuery : kAutomaticQuery),
                                              runningBuild));
    URLFetch::Options options;
    options.connectTimeoutMs = _timeouts.connectMs;
    options.timeoutMs = _timeouts.totalMs;
    options.maxBytes = kMaxReplyBytes;
    // Read here, on the main thread; the check itself runs elsewhere.
    const int ignoreVersion = int(userDefaults().integerForKey(str(kIgnoreVersionKey)));
    const QString name = applicationName();

    std::thread([url, options, userInitiated, runningBuild, ignoreVersion, name,
                 receiver = _receiver, link = _link] {
        const URLFetch::Result fetched = URLFetch::get(url, options);
        if (!fetched.ok())
            qWarning("Version check of %s failed: %s", url.toEncoded().constData(),
                     qPrintable(fetched.error));
        if (userInitiated) {
            link->post([body = fetched.body, runningBuild](NFVersionChecker* checker) {
                checker->finishUserCheck(body, runningBuild);
            });
            return;
        }
        // Automatic checks show nothing; an offered update waits for the delegate.
        const VersionCheckVerdict verdict =
            evaluateVersionReply(fetched.body, false, runningBuild, ignoreVersion, name);
        if (verdict.kind == VersionCheckVerdict::Kind::UpdateAvailable && receiver)
            receiver(QVariantMap{{str(kUpdateNoticeMessageKey), verdict.message},
                                 {str(kUpdateNoticeURLKey), verdict.downloadURL},
                                 {str(kUpdateNoticeBuildKey), verdict.build}});
        link->post([](NFVersionChecker* checker) { Q_EMIT checker->checkFinished(); });
    }).detach();
}

void NFVersionChecker::finishUserCheck(const QByteArray& body, int runningBuild) {
    const VersionCheckVerdict verdict =
        evaluateVersionReply(body, true, runningBuild, 0, applicationName());
    if (verdict.kind == VersionCheckVerdict::Kind::UpdateAvailable)
        showUpdateUrlBuild(verdict.message, verdict.downloadURL, verdict.build);
    else
        showNoUpdate(verdict.message);
    Q_EMIT checkFinished();
}

void NFVersionChecker::showUpdateUrlBuild(const QString& message, const QString& url, int build) {
    _downloadURL = url;
    _newBuildNumber = build;
    ModalAlert::Request panel;
    panel.title = stringWithFormat(str(kUpdateTitle), applicationName());
    panel.message = message;
    panel.defaultButton = localizedString(str(kDownloadButtonKey));
    panel.alternateButton = localizedString(str(kSkipVersionButtonKey));
    panel.otherButton = localizedString(str(kRemindLaterButtonKey));
    switch (ModalAlert::run(panel)) {
    case ModalAlert::DefaultReturn:
        dlNewVersion();
        break;
    case ModalAlert::AlternateReturn:
        disable();
        break;
    default:
        ignore();
        break;
    }
}

void NFVersionChecker::showNoUpdate(const QString& message) {
    ModalAlert::Request panel;
    panel.title = applicationName();
    panel.message = message;
    panel.defaultButton = localizedString(str(kOkKey));
    ModalAlert::run(panel);
}

void NFVersionChecker::dlNewVersion() {
    if (!isWebAddress(_downloadURL)) {
        qWarning("Not a web address, not opened: %s", qPrintable(_downloadURL));
        return;
    }
    Workspace::sharedWorkspace().openURL(QUrl(_downloadURL, QUrl::StrictMode));
}

void NFVersionChecker::disable() {
    userDefaults().setIntegerForKey(_newBuildNumber, str(kIgnoreVersionKey));
    userDefaults().synchronize();
}

void NFVersionChecker::ignore() {
    userDefaults().setIntegerForKey(0, str(kIgnoreVersionKey));
    userDefaults().synchronize();
}
