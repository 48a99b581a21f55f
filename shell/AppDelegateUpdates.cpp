// The application delegate's update checks and the running of scripts from the
// Scripts menu.
#include "shell/AppDelegate.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "shell/MainMenu.h"
#include "shell/NFVersionChecker.h"
#include "utilities/RunScriptFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QWidget>
#include <thread>

namespace {

constexpr char kScriptFailTitleKey[] = "SCRIPT_FAIL_TITLE";
constexpr char kScriptFailKey[] = "SCRIPT_FAIL";
constexpr char kOkKey[] = "OK";

constexpr qint64 kUpdateCheckInterval = 86400; // seconds
// Setting 41: how often the template exchange is checked.
constexpr int kExchangeWeekly = 1;
constexpr int kExchangeMonthly = 2;

QString str(const char* text) {
    return QString::fromLatin1(text);
}

std::optional<QDateTime> storedDate(const UserDefaults& defaults, const char* key) {
    const QVariant value = defaults.objectForKey(str(key));
    if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return std::nullopt;
    return value.toDateTime();
}

} // namespace

void AppDelegate::checkForUpdates(const QObject* sender) {
    NFVersionChecker::versionChecker()->checkForUpdateUserCurrent(_versionFileURL,
                                                                  sender != nullptr, kCurrentBuild);
}

bool AppDelegate::autoUpdate() {
    const std::optional<QDateTime> last = storedDate(_defaults, kLastUpdateCheckKey);
    if (last && last->secsTo(QDateTime::currentDateTimeUtc()) < kUpdateCheckInterval)
        return false;
    _shortThreads.start([this] { autoUpdateThread(); });
    return true;
}

bool AppDelegate::autoExchangeUpdate() {
    const std::optional<QDateTime> checked = storedDate(_defaults, kLastExchangeCheckDateKey);
    const std::optional<QDateTime> ignored = storedDate(_defaults, kLastExchangeIgnoreDateKey);
    // An absent date is the distant past.
    std::optional<QDateTime> base = checked;
    if (ignored && (!base || *ignored > *base))
        base = ignored;
    if (base) {
        QDateTime due;
        switch (preferencesIntFor(PrefExchangeUpdateFrequency)) {
        case kExchangeWeekly:
            due = base->addDays(7);
            break;
        case kExchangeMonthly:
            due = base->addMonths(1);
            break;
        default:
            due = base->addDays(1);
            break;
        }
        if (due > QDateTime::currentDateTimeUtc())
            return false;
    }
    _shortThreads.start([this] { autoExchangeUpdateThread(); });
    return true;
}

void AppDelegate::autoUpdateThread() {
    if (internetConnected())
        _shouldAutoUpdate.store(true);
}

void AppDelegate::autoExchangeUpdateThread() {
    if (internetConnected())
        _shouldExchangeAutoUpdate.store(true);
}

void AppDelegate::signalUpdateMessage(const QVariantMap& notice) {
    std::lock_guard<std::mutex> locked(_updateInfo->mutex);
    _updateInfo->notice = notice;
}

void AppDelegate::runScript(const QString& path) {
    // The menu belongs to the delegate: while it is there, so is the delegate.
    const QPointer<MainMenu> alive = _mainMenu.get();
    std::thread([this, path, alive] {
        const int16_t status = RunScriptFile(path);
        if (QCoreApplication* application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                application,
                [this, path, status, alive] {
                    if (alive)
                        scriptFinished(path, status);
                },
                Qt::QueuedConnection);
    }).detach();
}

void AppDelegate::scriptFinished(const QString& path, int16_t status) {
    if (status != 0) {
        ModalAlert::Request alert;
        alert.title = localizedString(str(kScriptFailTitleKey));
        alert.message = stringWithFormat(localizedString(str(kScriptFailKey)), int(status), path);
        alert.defaultButton = localizedString(str(kOkKey));
        ModalAlert::run(alert);
    }
    if (QWidget* window = mainWindow()) {
        window->raise();
        window->activateWindow();
    }
}
