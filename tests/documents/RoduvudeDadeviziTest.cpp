#include "documents/RoduvudeDadevizi.h"
#include "catalog/VQFileCatalog.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class RoduvudeDadeviziTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* key : {kDefaultSharpnessKey, kDefaultContrastKey, kDefaultSaturationKey,
                                kDefaultBrightnessKey})
            defaults().removeObjectForKey(QString::fromLatin1(key));
    }
    static UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }

    TestHome home;
    TestHost host;
    RoduvudeDadevizi document;
};

} // namespace

TEST_F(RoduvudeDadeviziTest, OwnsItsCatalog) {
    EXPECT_EQ(document.fileCatalog().document(), &document);
    EXPECT_EQ(document.fileCatalog().fileCount(), 0);
}

TEST_F(RoduvudeDadeviziTest, AnyDecodeFlagLeavesTheDocumentModified) {
    EXPECT_FALSE(document.modifiedOnDecode());
    document.setModifiedOnDecode(false);
    EXPECT_TRUE(document.modifiedOnDecode());
}

TEST_F(RoduvudeDadeviziTest, EnhancementDefaultsComeFromTheUserDefaultsTexts) {
    EXPECT_EQ(document.defaultSharpness(), 0);
    EXPECT_EQ(document.defaultContrast(), 1.0f);
    EXPECT_EQ(document.defaultSaturation(), 1.0f);
    EXPECT_EQ(document.defaultBrightness(), 1.0f);
    defaults().setObjectForKey(QStringLiteral("3"), QString::fromLatin1(kDefaultSharpnessKey));
    defaults().setObjectForKey(QStringLiteral("1.25"), QString::fromLatin1(kDefaultContrastKey));
    defaults().setObjectForKey(QStringLiteral("0.5"), QString::fromLatin1(kDefaultSaturationKey));
    defaults().setObjectForKey(QStringLiteral("2"), QString::fromLatin1(kDefaultBrightnessKey));
    EXPECT_EQ(document.defaultSharpness(), 3);
    EXPECT_EQ(document.defaultContrast(), 1.25f);
    EXPECT_EQ(document.defaultSaturation(), 0.5f);
    EXPECT_EQ(document.defaultBrightness(), 2.0f);
}

TEST_F(RoduvudeDadeviziTest, OwnDefaultsAreUndoable) {
    defaults().setObjectForKey(QStringLiteral("1.25"), QString::fromLatin1(kDefaultContrastKey));
    UndoManager& undo = *document.undoManager();
    undo.setGroupsByEvent(false);
    undo.beginUndoGrouping();
    document.setUsesAppEnhancementDefaults(false);
    document.setDefaultContrast(1.5f);
    document.setDefaultSharpness(2);
    undo.endUndoGrouping();
    EXPECT_EQ(document.defaultContrast(), 1.5f);
    EXPECT_EQ(document.defaultSharpness(), 2);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Default Sharpness"));

    undo.beginUndoGrouping();
    document.setDefaultBrightness(1.0f); // unchanged: nothing registered
    undo.endUndoGrouping();
    ASSERT_TRUE(undo.undo());
    EXPECT_TRUE(document.usesAppEnhancementDefaults());
    EXPECT_EQ(document.defaultContrast(), 1.25f);
    ASSERT_TRUE(undo.redo());
    EXPECT_EQ(document.defaultContrast(), 1.5f);
}

TEST_F(RoduvudeDadeviziTest, NewEntriesTakeTheDocumentsDefaults) {
    document.undoManager()->disableUndoRegistration();
    document.setUsesAppEnhancementDefaults(false);
    document.setDefaultSaturation(1.75f);
    document.fileCatalog().addURLEntry(QUrl(QStringLiteral("http://127.0.0.1:1/a.png")));
    const VQFileCatalogEntryRef record = document.fileCatalog().entryAtIndex(0);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->value(QString::fromLatin1(kEntrySaturationKey)), QVariant(1.75f));
    EXPECT_EQ(record->value(QString::fromLatin1(kEntrySharpnessKey)), QVariant(0));
    QCoreApplication::processEvents();
}

TEST_F(RoduvudeDadeviziTest, PrintSettingsStartFromTheStoredOnesAndAreUndoable) {
    host.settings[PrefPrintMirroredEnabled] = true;
    host.settings[PrefPrintSkipEmptyPrintAreasEnabled] = true;
    host.settings[PrefPrintLimitEnabled] = true;
    host.settings[PrefPrintLimitType] = 1;
    host.settings[PrefPrintLimitResolution] = 300;
    RoduvudeDadevizi fresh;
    EXPECT_TRUE(fresh.printMirrorImage());
    EXPECT_TRUE(fresh.printSkipEmptyPrintAreas());
    EXPECT_TRUE(fresh.printLimitEnabled());
    EXPECT_EQ(fresh.printLimitType(), 1);
    EXPECT_EQ(fresh.printLimitDPI(), 300);

    UndoManager& undo = *fresh.undoManager();
    undo.setGroupsByEvent(false);
    undo.beginUndoGrouping();
    fresh.setPrintMirrorImage(false);
    fresh.setPrintSkipEmptyPrintAreas(false);
    fresh.setPrintLimitEnabled(false);
    fresh.setPrintLimitType(0);
    fresh.setPrintLimitDPI(150);
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Print Settings"));
    EXPECT_EQ(fresh.changeCount(), 1);
    // Unchanged values register nothing.
    undo.beginUndoGrouping();
    fresh.setPrintLimitDPI(150);
    fresh.setPrintMirrorImage(false);
    undo.endUndoGrouping();
    EXPECT_EQ(fresh.changeCount(), 1);

    ASSERT_TRUE(undo.undo());
    EXPECT_TRUE(fresh.printMirrorImage());
    EXPECT_TRUE(fresh.printSkipEmptyPrintAreas());
    EXPECT_TRUE(fresh.printLimitEnabled());
    EXPECT_EQ(fresh.printLimitType(), 1);
    EXPECT_EQ(fresh.printLimitDPI(), 300);
    EXPECT_EQ(fresh.changeCount(), 0);
}
