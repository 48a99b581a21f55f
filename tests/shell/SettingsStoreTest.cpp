#include "FakeEnvironment.h"
#include "layout/ColorProfileHandle.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "shell/AppDelegate.h"
#include "shell/PasswordScrambling.h"
#include "shell/PreferenceTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString key(int index) {
    return QString::fromLatin1(preferenceEntry(index).key);
}
const QString kLevelKey = QString::fromLatin1(kPreferencesInitializedKey);

// A delegate over a defaults file of its own, with machine answers the test sets
// before the first read.
class Store {
public:
    Store() : path(dir.filePath(QStringLiteral("test.defaults"))), defaults(path) {
        auto env = std::make_unique<FakeEnvironment>();
        environment = env.get();
        delegate = std::make_unique<AppDelegate>(std::move(env), &defaults);
    }
    // What another process would find in the file now.
    QVariant storedElsewhere(const QString& k) {
        defaults.synchronize();
        UserDefaults other(path);
        return other.objectForKey(k);
    }

    QTemporaryDir dir;
    QString path;
    UserDefaults defaults;
    FakeEnvironment* environment = nullptr;
    std::unique_ptr<AppDelegate> delegate;
};

class SettingsStoreTest : public ::testing::Test {
protected:
    Store store;
    AppDelegate& d = *store.delegate;
    UserDefaults& defaults = store.defaults;
};

} // namespace

TEST_F(SettingsStoreTest, FreshStoreGetsEveryDefault) {
    EXPECT_TRUE(d.preferencesBOOLFor(PrefDocumentDrawerOpen));
    EXPECT_EQ(defaults.integerForKey(kLevelKey), 144);

    const std::map<int, int> ints = {{2, 720}, {3, 720},  {5, 0},    {10, 768}, {11, 200}, {12, 0},
                                     {15, 15}, {16, 300}, {17, 300}, {18, 0},   {27, 0},   {35, 25},
                                     {37, 0},  {41, 1},   {45, 256}, {48, 1},   {49, 8}};
    for (auto [index, value] : ints)
        EXPECT_EQ(d.preferencesIntFor(index), value) << "index " << index;

    const std::map<int, bool> flags = {
        {4, true},   {6, true},   {8, true},   {9, false},  {14, true},  {19, true},
        {20, false}, {21, false}, {22, false}, {23, false}, {24, false}, {25, true},
        {36, false}, {40, true},  {46, true},  {50, true},  {51, false}};
    for (auto [index, value] : flags)
        EXPECT_EQ(d.preferencesBOOLFor(index), value) << "index " << index;

    EXPECT_EQ(d.preferencesNSSizeFor(1), (Size{720, 720}));
    EXPECT_EQ(d.preferencesNSSizeFor(13), kZeroSize);
    EXPECT_EQ(d.preferencesNSSizeFor(26), kZeroSize);
    EXPECT_EQ(d.preferencesNSSizeFor(47), (Size{8.5f, 11}));

    const std::map<int, QString> texts = {{32, QString()},
                                          {33, QString()},
                                          {34, QString()},
                                          {38, QString()},
                                          {39, QString()},
                                          {42, QStringLiteral("General")},
                                          {43, QStringLiteral("Jane Q. Doe")},
                                          {44, QString()}};
    for (const auto& [index, value] : texts) {
        const QString text = d.preferencesStringFor(index);
        EXPECT_EQ(text, value) << "index " << index;
        EXPECT_FALSE(text.isNull()) << "index " << index;
    }

    // Stored forms, and what is outside the indices.
    EXPECT_EQ(defaults.objectForKey(key(1)), QVariant(QStringLiteral("{720, 720}")));
    EXPECT_EQ(defaults.objectForKey(key(39)).typeId(), QMetaType::QByteArray);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("default_live_preview")), 1);
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("_show_templateManager")),
              QStringLiteral("YES"));
    for (int index : {22, 23, 24, 27})
        EXPECT_FALSE(defaults.objectForKey(key(index)).isValid()) << "index " << index;
}

TEST_F(SettingsStoreTest, StoreAtLevel100GetsOnlyTheLaterSteps) {
    store.environment->processor = SystemEnvironment::kPowerPCProcessor;
    store.environment->version = 0x1039;
    defaults.setIntegerForKey(100, kLevelKey);
    defaults.setBoolForKey(false, key(4));
    defaults.setIntegerForKey(2, key(5));
    defaults.setIntegerForKey(500, key(10));
    defaults.setIntegerForKey(333, key(11));
    defaults.setIntegerForKey(1, key(12));
    defaults.setObjectForKey(QStringLiteral("{10, 20}"), key(13));
    defaults.setBoolForKey(false, key(14));
    defaults.setIntegerForKey(9, key(15));
    defaults.setObjectForKey(QStringLiteral("{700, 650}"), key(1));

    EXPECT_EQ(d.preferencesIntFor(PrefPTDResolution), 300);
    EXPECT_EQ(defaults.integerForKey(kLevelKey), 144);

    EXPECT_FALSE(d.preferencesBOOLFor(4));
    EXPECT_EQ(d.preferencesIntFor(5), 2);
    EXPECT_EQ(d.preferencesIntFor(10), 500);
    EXPECT_EQ(d.preferencesIntFor(11), 333);
    EXPECT_EQ(d.preferencesIntFor(12), 1);
    EXPECT_EQ(d.preferencesNSSizeFor(13), (Size{10, 20}));
    EXPECT_FALSE(d.preferencesBOOLFor(14));
    EXPECT_EQ(d.preferencesIntFor(15), 9);
    // A window size of the user's own is not replaced from the screen.
    EXPECT_EQ(d.preferencesNSSizeFor(1), (Size{700, 650}));
    // Steps 72 to 90 did not run; 128 to 144 did.
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("default_live_preview")).isValid());
    EXPECT_FALSE(defaults.objectForKey(key(6)).isValid());
    EXPECT_EQ(d.preferencesStringFor(42), QStringLiteral("General"));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("_show_templateManager")),
              QStringLiteral("YES"));
    EXPECT_TRUE(d.preferencesBOOLFor(25));
    EXPECT_TRUE(defaults.boolForKey(key(51)));
}

TEST_F(SettingsStoreTest, StoreAboveTheCurrentLevelRunsNoStep) {
    defaults.setIntegerForKey(200, kLevelKey);
    for (int index = -1; index <= 52; ++index) {
        d.preferencesIntFor(index);
        d.preferencesBOOLFor(index);
        d.preferencesStringFor(index);
        d.preferencesNSSizeFor(index);
    }
    EXPECT_EQ(defaults.integerForKey(kLevelKey), 200);
    EXPECT_FALSE(d.preferencesBOOLFor(4));
    EXPECT_EQ(d.preferencesIntFor(10), 0);
    EXPECT_TRUE(d.preferencesStringFor(42).isNull());
    EXPECT_EQ(d.preferencesNSSizeFor(1), kZeroSize);
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("default_live_preview")).isValid());
}

TEST(SettingsStoreLadder, WindowSizeFromTheScreen) {
    struct Case {
        float screenWidth, screenHeight;
        int width, height;
    };
    const Case cases[] = {
        {1440, 878, 720, 720},                                    // both limited from above
        {1024, 600, 600, 560},                                    // width limited from below
        {800, 500, 600, 528},                                     // both limited from below
        {1300, 700, 720, 660},       {1270.9f, 750.9f, 720, 710}, // truncated
        {1150.9f, 640.9f, 600, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screenWidth << " x " << c.screenHeight);
        Store store;
        store.environment->screen = Rect(0, 0, c.screenWidth, c.screenHeight);
        EXPECT_EQ(store.delegate->preferencesIntFor(2), c.width);
        EXPECT_EQ(store.delegate->preferencesIntFor(3), c.height);
    }
}

TEST(SettingsStoreLadder, WindowSizeOfOlderDefaultsIsReplaced) {
    // 600 by 528 (or nothing) is what older versions stored without asking the screen.
    for (const char* stored : {"{600, 528}", "{0, 528}", "{600, 0}"}) {
        SCOPED_TRACE(stored);
        Store store;
        store.defaults.setIntegerForKey(100, kLevelKey);
        store.defaults.setObjectForKey(QString::fromLatin1(stored), key(1));
        EXPECT_EQ(store.delegate->preferencesNSSizeFor(1), (Size{720, 720}));
    }
}

TEST(SettingsStoreLadder, MeasurementUnitAndPageSize) {
    struct Case {
        const char* apple;  // AppleMeasurementUnits, or none
        const char* ns;     // NSMeasurementUnit, or none
        const char* locale; // what the locale measures in
        int unit;
        float divisor;
    };
    const Case cases[] = {
        {"Centimeters", nullptr, "Inches", 2, 28.35f},
        {"Points", nullptr, "Inches", 4, 1.0f},
        {"Picas", nullptr, "Inches", 3, 12.0f},
        {"Inches", "Centimeters", "Centimeters", 1, 72.0f},
        {nullptr, "Centimeters", "Inches", 2, 28.35f},
        {nullptr, nullptr, "Centimeters", 2, 28.35f},
        {nullptr, nullptr, "Inches", 1, 72.0f},
        {"Furlongs", nullptr, "Centimeters", 1, 72.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.apple ? c.apple : "-") << " " << (c.ns ? c.ns : "-") << " " << c.locale);
        Store store;
        store.environment->paper = {595, 842};
        store.environment->localeUnits = QString::fromLatin1(c.locale);
        if (c.apple)
            store.defaults.setObjectForKey(QString::fromLatin1(c.apple),
                                           QString::fromLatin1(kAppleMeasurementUnitsKey));
        if (c.ns)
            store.defaults.setObjectForKey(QString::fromLatin1(c.ns),
                                           QString::fromLatin1(kNSMeasurementUnitKey));
        EXPECT_EQ(store.delegate->preferencesIntFor(48), c.unit);
        // The stored text keeps six significant digits.
        const Size expected = sizeFromString(stringFromSize({595 / c.divisor, 842 / c.divisor}));
        EXPECT_EQ(store.delegate->preferencesNSSizeFor(47), expected);
    }
}

TEST(SettingsStoreLadder, SimplifiedPrintingByProcessorAndSystem) {
    struct Case {
        int processor;
        uint32_t version;
        bool simplified;
    };
    const Case cases[] = {
        {SystemEnvironment::kPowerPCProcessor, 0x1045, true},
        {SystemEnvironment::kPowerPCProcessor, 0x1046, false},
        {SystemEnvironment::kIntelProcessor, 0x1039, false},
        {SystemEnvironment::kIntelProcessor, 0x1046, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.processor << " " << std::hex << c.version);
        Store store;
        store.environment->processor = c.processor;
        store.environment->version = c.version;
        EXPECT_EQ(store.delegate->preferencesBOOLFor(51), c.simplified);
    }
}

TEST_F(SettingsStoreTest, IndicesOfOtherTypesOrNoneReadAsEmpty) {
    for (int index : {0, 7, 28, 29, 30, 31, 52, -1, 4, 32, 1, 39}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(d.preferencesIntFor(index), -1);
    }
    for (int index : {0, 7, 31, 52, -1, 5, 32, 1})
        EXPECT_FALSE(d.preferencesBOOLFor(index)) << index;
    for (int index : {0, 7, 31, 52, -1, 35, 4, 1})
        EXPECT_TRUE(d.preferencesStringFor(index).isNull()) << index;
    for (int index : {0, 2, 7, 31, 52, -1, 4, 32})
        EXPECT_EQ(d.preferencesNSSizeFor(index), kZeroSize) << index;
}

TEST_F(SettingsStoreTest, SettersIgnoreIndicesOfOtherTypesOrNone) {
    d.initPreferences();
    defaults.synchronize();
    const QVariantMap before = [&] {
        UserDefaults copy(store.path);
        QVariantMap all;
        for (int index = 1; index <= 51; ++index)
            if (preferenceEntry(index).key)
                all[key(index)] = copy.objectForKey(key(index));
        return all;
    }();
    for (int index : {0, 7, 28, 31, 52, -1}) {
        d.setPreferencesIntFor(5, index);
        d.setPreferencesBOOLFor(true, index);
        d.setPreferencesStringFor(QStringLiteral("x"), index);
        d.setPreferencesNSSizeFor({700, 700}, index);
    }
    d.setPreferencesIntFor(5, PrefDocumentDrawerOpen);        // a flag
    d.setPreferencesBOOLFor(true, PrefLayoutArrangementMode); // an integer
    d.setPreferencesStringFor(QStringLiteral("x"), PrefSendServerPort);
    d.setPreferencesNSSizeFor({700, 700}, PrefTemplateDocCategory);
    d.setPreferencesIntFor(5, PrefTemplatePageSize); // a size
    for (const auto& [k, value] : before.asKeyValueRange())
        EXPECT_EQ(store.storedElsewhere(k), value) << k.toStdString();
}

TEST_F(SettingsStoreTest, Clamps) {
    d.setPreferencesIntFor(500, PrefDocumentWindowWidth);
    EXPECT_EQ(d.preferencesNSSizeFor(1), (Size{600, 720}));
    d.setPreferencesIntFor(450, PrefDocumentWindowHeight);
    EXPECT_EQ(d.preferencesNSSizeFor(1), (Size{600, 500}));
    d.setPreferencesNSSizeFor({100, 499.5f}, PrefDocumentWindowSize);
    EXPECT_EQ(d.preferencesNSSizeFor(1), (Size{600, 500}));
    d.setPreferencesNSSizeFor({1000.5f, 800.25f}, PrefDocumentWindowSize);
    EXPECT_EQ(d.preferencesNSSizeFor(1), (Size{1000.5f, 800.25f}));
    EXPECT_EQ(d.preferencesIntFor(2), 1000); // truncated
    // Other sizes have no limits.
    d.setPreferencesNSSizeFor({10, 20}, PrefTemplateSelectorSize);
    EXPECT_EQ(d.preferencesNSSizeFor(13), (Size{10, 20}));

    d.setPreferencesIntFor(700, PrefDocumentWindowWidth);
    struct Case {
        int value, stored;
    };
    for (const Case c : {Case{150, 200}, Case{900, 700}, Case{650, 650}, Case{701, 700},
                         Case{199, 200}, Case{-5, 200}, Case{700, 700}}) {
        d.setPreferencesIntFor(c.value, PrefDocumentDrawerWidth);
        EXPECT_EQ(d.preferencesIntFor(11), c.stored) << c.value;
    }
}

TEST_F(SettingsStoreTest, UnchangedWritesWriteNothing) {
    d.initPreferences();
    // A registered default answers like a stored value but is never written: if a
    // setter wrote, the key would turn up in the file.
    d.setPreferencesStringFor(QStringLiteral("alice"), PrefSendUsername);
    struct Case {
        int index;
        QVariant registered;
        std::function<void()> write;
    };
    const std::vector<Case> cases = {
        {10, 768, [&] { d.setPreferencesIntFor(768, 10); }},
        {4, true, [&] { d.setPreferencesBOOLFor(true, 4); }},
        {22, false, [&] { d.setPreferencesBOOLFor(false, 22); }},
        {13, QStringLiteral("{3, 4}"),
         [&] {
             d.setPreferencesNSSizeFor({3, 4}, 13);
         }},
        {1, QStringLiteral("{640, 600}"), [&] { d.setPreferencesIntFor(640, 2); }},
        {1, QStringLiteral("{640, 600}"), [&] { d.setPreferencesIntFor(600, 3); }},
        {1, QStringLiteral("{640, 600}"),
         [&] {
             d.setPreferencesNSSizeFor({640, 600}, 1);
         }},
        {33, QStringLiteral("a@b.c"),
         [&] { d.setPreferencesStringFor(QStringLiteral("a@b.c"), 33); }},
        {39, EncryptString(QStringLiteral("pw"), QStringLiteral("alice")),
         [&] { d.setPreferencesStringFor(QStringLiteral("pw"), 39); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        defaults.removeObjectForKey(key(c.index));
        defaults.registerDefaults({{key(c.index), c.registered}});
        ASSERT_FALSE(store.storedElsewhere(key(c.index)).isValid());
        c.write();
        EXPECT_FALSE(store.storedElsewhere(key(c.index)).isValid());
    }
    // A null text is never written; a change is.
    d.setPreferencesStringFor(QString(), 33);
    EXPECT_FALSE(store.storedElsewhere(key(33)).isValid());
    d.setPreferencesStringFor(QStringLiteral(""), 33);
    EXPECT_EQ(store.storedElsewhere(key(33)), QVariant(QStringLiteral("")));
    d.setPreferencesIntFor(767, 10);
    EXPECT_EQ(store.storedElsewhere(key(10)).toInt(), 767);
}

TEST_F(SettingsStoreTest, SizesReadFromTheirText) {
    d.initPreferences();
    for (const char* text : {"garbage", "", "{}"}) {
        defaults.setObjectForKey(QString::fromLatin1(text), key(26));
        EXPECT_EQ(d.preferencesNSSizeFor(26), kZeroSize) << text;
    }
    defaults.setObjectForKey(QStringLiteral("{12.5, 7}"), key(26));
    EXPECT_EQ(d.preferencesNSSizeFor(26), (Size{12.5f, 7}));
    defaults.removeObjectForKey(key(26));
    EXPECT_EQ(d.preferencesNSSizeFor(26), kZeroSize);
}

TEST_F(SettingsStoreTest, PasswordIsStoredScrambledAndSurvivesANewUserName) {
    d.setPreferencesStringFor(QStringLiteral("alice"), PrefSendUsername);
    d.setPreferencesStringFor(QStringLiteral("open sesame"), PrefSendPassword);
    EXPECT_EQ(defaults.dataForKey(key(39)),
              EncryptString(QStringLiteral("open sesame"), QStringLiteral("alice")));
    EXPECT_EQ(d.preferencesStringFor(39), QStringLiteral("open sesame"));

    d.setPreferencesStringFor(QStringLiteral("bob"), PrefSendUsername);
    EXPECT_EQ(d.preferencesStringFor(39), QStringLiteral("open sesame"));
    EXPECT_EQ(defaults.dataForKey(key(39)),
              EncryptString(QStringLiteral("open sesame"), QStringLiteral("bob")));

    // An empty user name scrambles with the default key.
    d.setPreferencesStringFor(QStringLiteral(""), PrefSendUsername);
    EXPECT_EQ(defaults.dataForKey(key(39)),
              EncryptString(QStringLiteral("open sesame"), QStringLiteral("Z")));
    EXPECT_EQ(d.preferencesStringFor(39), QStringLiteral("open sesame"));

    // Long names and passwords are kept whole.
    const QString longName = QString(300, QChar(u'n'));
    const QString longPassword = QString(400, QChar(u'p'));
    d.setPreferencesStringFor(longPassword, PrefSendPassword);
    d.setPreferencesStringFor(longName, PrefSendUsername);
    EXPECT_EQ(d.preferencesStringFor(39), longPassword);

    // No stored password reads as none.
    defaults.removeObjectForKey(key(39));
    EXPECT_TRUE(d.preferencesStringFor(39).isNull());
}

TEST_F(SettingsStoreTest, TheDefaultsFileHoldsNoClearPassword) {
    const struct {
        const char* user;
        const char* password;
    } cases[] = {{"alice", "open sesame"}, {"", "pässwörd"}, {"bob", "a"}};
    for (const auto& c : cases) {
        d.setPreferencesStringFor(QString::fromUtf8(c.user), PrefSendUsername);
        d.setPreferencesStringFor(QString::fromUtf8(c.password), PrefSendPassword);
        ASSERT_TRUE(defaults.synchronize());
        QFile file(store.path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.contains(key(39).toUtf8())) << c.password;
        // Neither the text nor its base64 form (the file's data encoding).
        const QByteArray password = QByteArray(c.password);
        if (password.size() > 1) {
            EXPECT_FALSE(bytes.contains(password)) << c.password;
            EXPECT_FALSE(bytes.contains(password.toBase64())) << c.password;
        }
        EXPECT_EQ(d.preferencesStringFor(PrefSendPassword), QString::fromUtf8(c.password));
    }
}

TEST_F(SettingsStoreTest, ActiveProfilesRoundTripInOrder) {
    EXPECT_TRUE(d.activeProfiles().isEmpty());

    auto named = ColorProfileHandle::profileWithPath(QStringLiteral("/profiles/Printer.icc"));
    named->decodeFromDictionary({{QStringLiteral("CPH_Name"), QStringLiteral("Glossy Paper")}});
    auto unnamed = ColorProfileHandle::profileWithPath(QStringLiteral("/profiles/Other.icc"));
    d.setActiveProfiles({named, unnamed});
    EXPECT_EQ(store.storedElsewhere(QString::fromLatin1(kActiveProfilesKey)).typeId(),
              QMetaType::QByteArray);

    const auto profiles = d.activeProfiles();
    ASSERT_EQ(profiles.size(), 2);
    EXPECT_EQ(profiles[0]->path(), QStringLiteral("/profiles/Printer.icc"));
    EXPECT_EQ(profiles[0]->name(), QStringLiteral("Glossy Paper"));
    EXPECT_EQ(profiles[1]->path(), QStringLiteral("/profiles/Other.icc"));
    EXPECT_TRUE(profiles[1]->name().isNull());

    d.setActiveProfiles({});
    EXPECT_TRUE(d.activeProfiles().isEmpty());
    EXPECT_TRUE(defaults.objectForKey(QString::fromLatin1(kActiveProfilesKey)).isValid());

    // Damaged data reads as no profiles.
    defaults.setObjectForKey(QByteArray("not an archive"), QString::fromLatin1(kActiveProfilesKey));
    EXPECT_TRUE(d.activeProfiles().isEmpty());
}
