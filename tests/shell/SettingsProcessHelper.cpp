// Writes settings through the application delegate and ends ("write"), or checks
// that they are there ("read"). Run twice, as two processes over one home folder.
#include "platform/foundation/PreferenceIndex.h"
#include "shell/AppDelegate.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

int check(bool ok, const char* what) {
    if (!ok)
        std::fprintf(stderr, "not kept: %s\n", what);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumisk"));
    QApplication::setOrganizationName(QStringLiteral("Lumisk"));
    if (argc != 2)
        return 2;
    AppDelegate delegate;
    if (std::strcmp(argv[1], "write") == 0) {
        delegate.setPreferencesBOOLFor(false, PrefDocumentDrawerOpen);
        delegate.setPreferencesIntFor(250, PrefDocumentDrawerWidth);
        delegate.setPreferencesNSSizeFor({800, 640}, PrefDocumentWindowSize);
        delegate.setPreferencesNSSizeFor({21.5f, 27.9f}, PrefTemplatePageSize);
        delegate.setPreferencesStringFor(QStringLiteral("alice"), PrefSendUsername);
        delegate.setPreferencesStringFor(QStringLiteral("open sesame"), PrefSendPassword);
        return 0;
    }
    if (std::strcmp(argv[1], "read") == 0) {
        int failures = 0;
        failures += check(!delegate.preferencesBOOLFor(PrefDocumentDrawerOpen), "flag 4");
        failures += check(delegate.preferencesIntFor(PrefDocumentDrawerWidth) == 250, "integer 11");
        failures += check(delegate.preferencesNSSizeFor(PrefDocumentWindowSize) == Size{800, 640},
                          "size 1");
        failures += check(delegate.preferencesNSSizeFor(PrefTemplatePageSize) == Size{21.5f, 27.9f},
                          "size 47");
        failures += check(
            delegate.preferencesStringFor(PrefSendUsername) == QStringLiteral("alice"), "text 38");
        failures +=
            check(delegate.preferencesStringFor(PrefSendPassword) == QStringLiteral("open sesame"),
                  "text 39");
        failures += check(delegate.preferencesIntFor(PrefPTDResolution) == 300, "integer 16");
        return failures;
    }
    return 2;
}
