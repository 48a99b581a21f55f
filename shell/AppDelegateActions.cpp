// The application-wide menu actions: preferences and web pages.
#include "shell/AppDelegate.h"

#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/Resources.h"
#include "platform/system/Workspace.h"
#include "shell/SS_PrefsController.h"

#include <QDir>
#include <QUrl>

namespace {

constexpr const char* kPanesOrder[] = {"com.varnsoft.preference.general.halverin",
                                       "com.varnsoft.preference.catalog.halverin",
                                       "com.varnsoft.preference.template.halverin"};
constexpr char kTechURLKey[] = "TECH_URL";
constexpr char kCommentURLKey[] = "COM_URL";
constexpr char kVarnURLKey[] = "VARN_URL";
constexpr char kTipsURLKey[] = "TIPS_URL";

void openLocalizedURL(const char* key) {
    Workspace::sharedWorkspace().openURL(QUrl(localizedString(QString::fromLatin1(key))));
}

} // namespace

void AppDelegate::showPreferences() {
    if (!_preferenceWindowController) {
        // The panes are found and loaded when the window is first asked for.
        auto controller = std::make_unique<SS_PrefsController>(
            QDir::cleanPath(Resources::preferencePanesPath() + QLatin1Char('/')));
        QStringList order;
        for (const char* identifier : kPanesOrder)
            order << QString::fromLatin1(identifier);
        controller->setPanesOrder(order);
        setPreferenceWindowController(std::move(controller));
    }
    _preferenceWindowController->showPreferencesWindow();
}

void AppDelegate::setPreferenceWindowController(std::unique_ptr<SS_PrefsController> controller) {
    _preferenceWindowController = std::move(controller);
}

void AppDelegate::openTechSupport() {
    openLocalizedURL(kTechURLKey);
}

void AppDelegate::openComment() {
    openLocalizedURL(kCommentURLKey);
}

void AppDelegate::openVarnWeb() {
    openLocalizedURL(kVarnURLKey);
}

void AppDelegate::openTips() {
    openLocalizedURL(kTipsURLKey);
}
