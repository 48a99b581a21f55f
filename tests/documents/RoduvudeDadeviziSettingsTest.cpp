#include "documents/RoduvudeDadevizi.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Counts the document's notices by name, as they are posted.
class Notices {
public:
    explicit Notices(const RoduvudeDadevizi& document) {
        NotificationCenter::defaultCenter().addObserver(
            this, QString(), static_cast<const void*>(&document),
            [this](const Notification& n) { ++counts[n.name()]; });
    }
    ~Notices() { NotificationCenter::defaultCenter().removeObserver(this); }
    int posted(const char* name) {
        drainEvents();
        return counts.value(str(name));
    }
    int total() {
        drainEvents();
        int sum = 0;
        for (int n : std::as_const(counts))
            sum += n;
        return sum;
    }
    void clear() {
        drainEvents();
        counts.clear();
    }
    QHash<QString, int> counts;
};

// One undoable setting: how to set it, read it, the value it starts from and a
// different one, and the notice that a change queues (none for most).
struct Setting {
    const char* name;
    const char* action;
    std::function<void(RoduvudeDadevizi&, double)> set;
    std::function<double(RoduvudeDadevizi&)> get;
    double start;
    double changed;
    const char* notice;
};

const QList<Setting>& settings() {
    static const QList<Setting> table{
        {"scale mode", "SCALE_MODE", [](auto& d, double v) { d.setPrintScaleMode(int(v)); },
         [](auto& d) { return double(d.getPrintScaleMode()); }, 1, 2, kScaleModeChangedNotify},
        {"arrangement", "ARRANGE_MODE",
         [](auto& d, double v) { d.setPrintArrangementMode(int(v)); },
         [](auto& d) { return double(d.getPrintArrangementMode()); }, 1, 2,
         kArrangementModeChangedNotify},
        {"ptd resolution", "PTD_SETTING", [](auto& d, double v) { d.setPtdResolution(int(v)); },
         [](auto& d) { return double(d.ptdResolution()); }, 150, 300, nullptr},
        {"ptd mirror", "PTD_SETTING", [](auto& d, double v) { d.setPtdMirrorImage(v != 0); },
         [](auto& d) { return double(d.ptdMirrorImage()); }, 0, 1, nullptr},
        {"print mirror", "PRINT_SETTING", [](auto& d, double v) { d.setPrintMirrorImage(v != 0); },
         [](auto& d) { return double(d.printMirrorImage()); }, 1, 0, nullptr},
        {"skip empty", "PRINT_SETTING",
         [](auto& d, double v) { d.setPrintSkipEmptyPrintAreas(v != 0); },
         [](auto& d) { return double(d.printSkipEmptyPrintAreas()); }, 0, 1, nullptr},
        {"limit enabled", "PRINT_SETTING",
         [](auto& d, double v) { d.setPrintLimitEnabled(v != 0); },
         [](auto& d) { return double(d.printLimitEnabled()); }, 1, 0, nullptr},
        {"limit type", "PRINT_SETTING", [](auto& d, double v) { d.setPrintLimitType(int(v)); },
         [](auto& d) { return double(d.printLimitType()); }, 1, 0, nullptr},
        {"limit dpi", "PRINT_SETTING", [](auto& d, double v) { d.setPrintLimitDPI(int(v)); },
         [](auto& d) { return double(d.printLimitDPI()); }, 240, 600, nullptr},
        {"app defaults", "DEF_USAGE",
         [](auto& d, double v) { d.setUsesAppEnhancementDefaults(v != 0); },
         [](auto& d) { return double(d.usesAppEnhancementDefaults()); }, 1, 0,
         kPixelEnhancemntChangedNotify},
    };
    return table;
}

// The document's own enhancement values, read with the application's defaults off.
const QList<Setting>& enhancements() {
    static const QList<Setting> table{
        {"sharpness", "DEF_SHARPNESS", [](auto& d, double v) { d.setDefaultSharpness(int(v)); },
         [](auto& d) { return double(d.defaultSharpness()); }, 0, 4, kPixelEnhancemntChangedNotify},
        {"contrast", "DEF_CONTRAST", [](auto& d, double v) { d.setDefaultContrast(float(v)); },
         [](auto& d) { return double(d.defaultContrast()); }, 1, 1.5,
         kPixelEnhancemntChangedNotify},
        {"saturation", "DEF_SATURATION",
         [](auto& d, double v) { d.setDefaultSaturation(float(v)); },
         [](auto& d) { return double(d.defaultSaturation()); }, 1, 0.5,
         kPixelEnhancemntChangedNotify},
        {"brightness", "DEF_BRIGHTNESS",
         [](auto& d, double v) { d.setDefaultBrightness(float(v)); },
         [](auto& d) { return double(d.defaultBrightness()); }, 1, 1.25,
         kPixelEnhancemntChangedNotify},
    };
    return table;
}

class RoduvudeDadeviziSettings : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        for (const char* key : {kDefaultSharpnessKey, kDefaultContrastKey, kDefaultSaturationKey,
                                kDefaultBrightnessKey, kDefaultTemplateFileNameKey})
            defaults.removeObjectForKey(str(key));
        // No templates installed: the mapper has no master.
        QDir(NewTemplateManager::sharedTemplateManager()->templatesFolderPath())
            .removeRecursively();
        NewTemplateManager::sharedTemplateManager()->scanForChanges();
        host.settings[PrefLayoutScaleMode] = 1;
        host.settings[PrefLayoutArrangementMode] = 1;
        host.settings[PrefPTDResolution] = 150;
        host.settings[PrefPTDMirroredEnabled] = false;
        host.settings[PrefPrintMirroredEnabled] = true;
        host.settings[PrefPrintSkipEmptyPrintAreasEnabled] = false;
        host.settings[PrefPrintLimitEnabled] = true;
        host.settings[PrefPrintLimitType] = 1;
        host.settings[PrefPrintLimitResolution] = 240;
        document = std::make_unique<RoduvudeDadevizi>();
        drainEvents();
        document->undoManager()->removeAllActions();
        document->updateChangeCount(Document::ChangeCleared);
    }
    void TearDown() override {
        document.reset();
        drainEvents();
    }

    // Changes the setting in an event pass of its own, then undoes and redoes it.
    void expectUndoableStep(const Setting& s) {
        SCOPED_TRACE(s.name);
        RoduvudeDadevizi& d = *document;
        UndoManager* undo = d.undoManager();
        ASSERT_EQ(s.get(d), s.start);
        Notices notices(d);
        const int changes = d.changeCount();
        s.set(d, s.changed);
        EXPECT_EQ(s.get(d), s.changed);
        EXPECT_EQ(undo->undoActionName(), localizedString(str(s.action)));
        drainEvents();
        EXPECT_EQ(d.changeCount(), changes + 1);
        ASSERT_TRUE(undo->undo());
        EXPECT_EQ(s.get(d), s.start);
        EXPECT_EQ(undo->redoActionName(), localizedString(str(s.action)));
        EXPECT_EQ(d.changeCount(), changes);
        ASSERT_TRUE(undo->redo());
        EXPECT_EQ(s.get(d), s.changed);
        EXPECT_EQ(undo->undoActionName(), localizedString(str(s.action)));
        if (s.notice) {
            EXPECT_GE(notices.posted(s.notice), 1);
        } else {
            EXPECT_EQ(notices.total(), 0);
        }
    }

    void expectNothingForTheSameValue(const Setting& s) {
        SCOPED_TRACE(s.name);
        RoduvudeDadevizi& d = *document;
        Notices notices(d);
        s.set(d, s.start);
        drainEvents();
        EXPECT_EQ(s.get(d), s.start);
        EXPECT_FALSE(d.undoManager()->canUndo());
        EXPECT_EQ(d.changeCount(), 0);
        EXPECT_EQ(notices.total(), 0);
    }

    TestHost host;
    std::unique_ptr<RoduvudeDadevizi> document;
};

} // namespace

TEST_F(RoduvudeDadeviziSettings, EachSettingUndoesAndRedoesUnderItsActionName) {
    for (const Setting& s : settings())
        expectUndoableStep(s);
}

TEST_F(RoduvudeDadeviziSettings, EachOwnEnhancementValueUndoesAndRedoesUnderItsActionName) {
    document->undoManager()->disableUndoRegistration();
    document->setUsesAppEnhancementDefaults(false);
    document->undoManager()->enableUndoRegistration();
    for (const Setting& s : enhancements())
        expectUndoableStep(s);
}

TEST_F(RoduvudeDadeviziSettings, AnEqualValueRegistersAndPostsNothing) {
    for (const Setting& s : settings())
        expectNothingForTheSameValue(s);
    for (const Setting& s : enhancements())
        expectNothingForTheSameValue(s);
}

TEST_F(RoduvudeDadeviziSettings, EveryActionNameHasAText) {
    for (const char* action :
         {kTemplateChangeAction, kPanelSwitchAction, kScaleModeAction, kArrangeModeAction,
          kPtdSettingAction, kPrintSettingAction, kDefUsageAction, kDefSharpnessAction,
          kDefContrastAction, kDefSaturationAction, kDefBrightnessAction}) {
        const QString text = localizedString(str(action));
        EXPECT_FALSE(text.isEmpty()) << action;
        EXPECT_NE(text, str(action)) << action;
    }
}

TEST_F(RoduvudeDadeviziSettings, ModeNoticesArriveOnceForSeveralChangesInOnePass) {
    Notices notices(*document);
    document->setPrintScaleMode(0);
    document->setPrintScaleMode(2);
    document->setPrintArrangementMode(0);
    document->setPrintArrangementMode(2);
    // Queued: nothing before the event loop turns.
    EXPECT_TRUE(notices.counts.isEmpty());
    EXPECT_EQ(notices.posted(kScaleModeChangedNotify), 1);
    EXPECT_EQ(notices.posted(kArrangementModeChangedNotify), 1);
    EXPECT_EQ(notices.posted(kPixelEnhancemntChangedNotify), 0);
    // The mapper, made on first use, follows.
    EXPECT_EQ(document->templateMapper()->scalingMode(), 2);
    EXPECT_EQ(document->templateMapper()->layoutMode(), 2);
}

TEST_F(RoduvudeDadeviziSettings, OnlyTheNumberFormsOfEnhancementSettersPostTheirNotice) {
    Notices notices(*document);
    document->setUsesAppEnhancementDefaults(false);
    document->setDefaultContrast(1.5f);
    EXPECT_EQ(notices.posted(kPixelEnhancemntChangedNotify), 0);
    document->setDefaultContrastNumber(1.25f);
    document->setDefaultSharpnessNumber(3);
    document->setDefaultSaturationNumber(0.5f);
    document->setDefaultBrightnessNumber(0.75f);
    document->setUsesAppEnhancementDefaultsNumber(true);
    EXPECT_EQ(notices.posted(kPixelEnhancemntChangedNotify), 1);
    EXPECT_TRUE(document->usesAppEnhancementDefaults());
}

TEST_F(RoduvudeDadeviziSettings, APanelAboveOneIsNotStoredButStillRegistersAStep) {
    UndoManager* undo = document->undoManager();
    document->setCurrentPanel(2);
    EXPECT_EQ(document->currentPanel(), DocumentPanelPhotograph);
    EXPECT_TRUE(undo->canUndo());
    EXPECT_EQ(undo->undoActionName(), localizedString(str(kPanelSwitchAction)));
    drainEvents();
    document->setCurrentPanel(DocumentPanelLayout);
    EXPECT_EQ(document->currentPanel(), DocumentPanelLayout);
    document->setCurrentPanel(-1);
    EXPECT_EQ(document->currentPanel(), DocumentPanelLayout);
    // Undo asks the window to switch; without a window it changes nothing.
    drainEvents();
    EXPECT_TRUE(undo->undo());
    EXPECT_EQ(document->currentPanel(), DocumentPanelLayout);
}

TEST_F(RoduvudeDadeviziSettings, SettingsAreTakenWhenTheDocumentIsMade) {
    EXPECT_EQ(document->getPrintScaleMode(), 1);
    EXPECT_EQ(document->getPrintArrangementMode(), 1);
    EXPECT_EQ(document->ptdResolution(), 150);
    EXPECT_FALSE(document->ptdMirrorImage());
    EXPECT_TRUE(document->printMirrorImage());
    EXPECT_FALSE(document->printSkipEmptyPrintAreas());
    EXPECT_TRUE(document->printLimitEnabled());
    EXPECT_EQ(document->printLimitType(), 1);
    EXPECT_EQ(document->printLimitDPI(), 240);
    EXPECT_EQ(document->currentPanel(), DocumentPanelPhotograph);

    host.settings[PrefLayoutScaleMode] = 0;
    host.settings[PrefPTDResolution] = 600;
    host.settings[PrefPTDMirroredEnabled] = true;
    host.settings[PrefPrintLimitResolution] = 72;
    EXPECT_EQ(document->getPrintScaleMode(), 1);
    EXPECT_EQ(document->ptdResolution(), 150);
    EXPECT_FALSE(document->ptdMirrorImage());
    EXPECT_EQ(document->printLimitDPI(), 240);
    RoduvudeDadevizi later;
    EXPECT_EQ(later.getPrintScaleMode(), 0);
    EXPECT_EQ(later.ptdResolution(), 600);
    EXPECT_TRUE(later.ptdMirrorImage());
}

TEST_F(RoduvudeDadeviziSettings, APrintToDiskResolutionOfNoneBecomes72AndIsKept) {
    host.settings[PrefPTDResolution] = 0;
    RoduvudeDadevizi fresh;
    EXPECT_EQ(fresh.ptdResolution(), 72);
    // Kept: a later setting does not replace it.
    host.settings[PrefPTDResolution] = 300;
    EXPECT_EQ(fresh.ptdResolution(), 72);
}

TEST_F(RoduvudeDadeviziSettings, WithAppDefaultsTheContrastFollowsTheUserDefault) {
    document->undoManager()->disableUndoRegistration();
    document->setUsesAppEnhancementDefaults(false);
    document->setDefaultContrast(1.75f);
    document->setUsesAppEnhancementDefaults(true);
    EXPECT_EQ(document->defaultContrast(), 1.0f);
    UserDefaults::standardUserDefaults().setObjectForKey(str("0.8"), str(kDefaultContrastKey));
    EXPECT_EQ(document->defaultContrast(), 0.8f);
    document->setUsesAppEnhancementDefaults(false);
    EXPECT_EQ(document->defaultContrast(), 1.75f);
}

TEST_F(RoduvudeDadeviziSettings, ScriptedModesAreClampedAndTakeTheWholePart) {
    const struct {
        double given;
        int stored;
    } cases[] = {{1.7, 1}, {2.0, 2}, {5.0, 2}, {-3.0, 0}, {0.2, 0}};
    for (const auto& c : cases) {
        document->setPhotoScaling(c.given);
        document->setLayoutArrangement(c.given);
        EXPECT_EQ(document->getPrintScaleMode(), c.stored) << c.given;
        EXPECT_EQ(document->getPrintArrangementMode(), c.stored) << c.given;
        EXPECT_EQ(document->photoScaling(), double(c.stored));
        EXPECT_EQ(document->layoutArrangement(), double(c.stored));
    }
}

TEST_F(RoduvudeDadeviziSettings, WithoutAnInstalledTemplateThereIsNoMasterAndNothingFails) {
    EXPECT_FALSE(NewTemplateManager::sharedTemplateManager()->defaultTemplate());
    const std::shared_ptr<TemplateMapper> mapper = document->templateMapper();
    ASSERT_TRUE(mapper);
    EXPECT_FALSE(mapper->masterTemplate());
    EXPECT_FALSE(document->masterTemplate());
    const PrintInfo before = document->printInfo();
    document->setMasterTemplate(nullptr);
    EXPECT_FALSE(document->masterTemplate());
    EXPECT_EQ(document->printInfo(), before);
    EXPECT_EQ(document->undoManager()->undoActionName(),
              localizedString(str(kTemplateChangeAction)));
}
