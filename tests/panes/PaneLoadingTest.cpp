#include "platform/foundation/Resources.h"
#include "platform/ui/PreferencePane.h"

#include <QJsonObject>
#include <QPluginLoader>
#include <gtest/gtest.h>

namespace {

struct PaneCase {
    const char* name;
    const char* identifier;
    const char* principalClass;
};

void PrintTo(const PaneCase& c, std::ostream* os) {
    *os << c.name;
}

class PaneLoading : public ::testing::TestWithParam<PaneCase> {};

TEST_P(PaneLoading, LoadsFromItsBundleFolderWithItsIdentity) {
    const PaneCase& c = GetParam();
    const QString path = QStringLiteral("%1/%2.preferencePane/%2.so")
                             .arg(Resources::preferencePanesPath(), QLatin1String(c.name));
    QPluginLoader loader(path);
    const QJsonObject meta = loader.metaData().value(QStringLiteral("MetaData")).toObject();
    EXPECT_EQ(meta.value(QStringLiteral("CFBundleIdentifier")).toString(),
              QLatin1String(c.identifier));
    EXPECT_EQ(meta.value(QStringLiteral("NSPrincipalClass")).toString(),
              QLatin1String(c.principalClass));

    QObject* root = loader.instance();
    ASSERT_NE(root, nullptr) << loader.errorString().toStdString();
    EXPECT_NE(qobject_cast<PreferencePaneBundle*>(root), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Panes, PaneLoading,
    ::testing::Values(PaneCase{"TemplatePane", "com.varnsoft.preference.template.halverin",
                               "TemplatePreferenceController"},
                      PaneCase{"CatalogPane", "com.varnsoft.preference.catalog.halverin",
                               "CatalogPreferenceController"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
