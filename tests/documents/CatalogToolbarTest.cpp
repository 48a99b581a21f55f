#include "documents/CatalogToolbar.h"
#include "../catalog/GridFixture.h"
#include "documents/CatalogPanel.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Commands.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Toolbar.h"

#include <QAction>
#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QRegularExpression>
#include <functional>
#include <set>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

// Every suffix of the item table and the print item.
const QStringList kAllSuffixes = {
    "add",           "addurl",       "addiphotos",      "remove",
    "rename",        "saveBack",     "export",          "locate",
    "pixelenhancer", "rotateCW",     "rotateCCW",       "flip",
    "crop",          "redeyereduce", "balloonMode",     "templateselector",
    "templatetext",  "toggledrawer", "first",           "previous",
    "next",          "last",         "layoutoptions",   "mark",
    "unmark",        "refresh",      "clearCells",      "addPage",
    "removePage",    "nextPage",     "prevPage",        "photoinfo",
    "printToDisk",   "printToEmail", "templateManager", kToolbarPrintItemIdentifier};

// A panel that answers the actions it is given and records what reaches it,
// with its toolbar made by the shared delegate.
class RecordingPanel : public QWidget, public CatalogPanel, public CommandResponder {
public:
    explicit RecordingPanel(CatalogToolbarKind kind) : delegate(kind, *this) {}

    QWidget* panelView() override { return this; }
    void setDocument(RoduvudeDadevizi*) override {}
    void setEditMode(int) override {}
    void setDragHilight(bool) override {}
    void setupToolbar() override { delegate.setupToolbar(window()); }
    void adjustToolbarButtons() override { delegate.adjustToolbarButtons(); }
    void calculateLayout() override {}
    bool canIHandleDrag(const DraggingInfo&) override { return false; }

    bool respondsToAction(const QString& action) const override {
        return answered.contains(action);
    }
    void performAction(const QString& action, QAction* sender) override {
        received.append({action, sender});
    }

    CatalogToolbarDelegate delegate;
    QStringList answered;
    QList<std::pair<QString, QAction*>> received;
};

class CatalogToolbarTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        for (const char* identifier : {kPhotoDocToolbarIdentifier, kLayoutDocToolbarIdentifier})
            UserDefaults::standardUserDefaults().removeObjectForKey(
                Toolbar::configurationKey(qs(identifier)));
        makeMain();
        addPhotos(3);
        controller->setPanels(&photograph, &layout);
        controller->setup();
    }
    void TearDown() override {
        controller->setPanels(nullptr, nullptr);
        Toolbar::installInWindow(window(), nullptr);
        // The panels are the fixture's, not the window's.
        photograph.setParent(nullptr);
        layout.setParent(nullptr);
        GridFixture::TearDown();
    }

    Toolbar* shownToolbar() const { return Toolbar::toolbarOfWindow(window()); }
    QAction* item(RecordingPanel& panel, const char* suffix) {
        return panel.delegate.findToolbarItemWithIdentifier(
            CatalogToolbar::itemIdentifier(panel.delegate.kind(), suffix));
    }
    // Shows every allowed item of the panel's toolbar and validates them.
    void showAllItems(RecordingPanel& panel) {
        Toolbar* bar = panel.delegate.toolbar();
        bar->setItemIdentifiers(CatalogToolbar::allowedItemIdentifiers(panel.delegate.kind()));
        bar->validateVisibleItems();
    }

    RecordingPanel photograph{CatalogToolbarKind::Photograph};
    RecordingPanel layout{CatalogToolbarKind::Layout};
};

CatalogToolbarState mainState() {
    CatalogToolbarState state;
    state.mainWindow = true;
    state.catalogCount = 3;
    state.pageCount = 1;
    return state;
}

CatalogToolbarState oneSelected(CatalogToolbarState state) {
    state.selectionCount = 1;
    state.selectionEnabled = true;
    state.selectionFile = true;
    return state;
}

} // namespace

TEST(CatalogToolbarRules, EnabledItemsFollowTheState) {
    const QStringList always = {"add",           "addurl",       "templateselector",
                                "layoutoptions", "toggledrawer", "templateManager",
                                "first",         "previous",     "next",
                                "last"};
    const QStringList selected =
        always + QStringList{"remove",    "rename", "export",    "pixelenhancer", "rotateCW",
                             "rotateCCW", "flip",   "photoinfo", "mark",          "unmark"};
    struct Case {
        const char* name;
        std::function<CatalogToolbarState()> state;
        QStringList enabled;
    };
    const std::vector<Case> cases = {
        {"nothing selected", [] { return mainState(); }, always},
        {"empty catalog",
         [] {
             auto s = mainState();
             s.catalogCount = 0;
             return s;
         },
         {"add", "addurl", "templateselector", "layoutoptions", "toggledrawer", "templateManager"}},
        {"one photo, photograph panel", [] { return oneSelected(mainState()); },
         selected + QStringList{"crop", "redeyereduce", "balloonMode"}},
        {"one photo, layout panel",
         [] {
             auto s = oneSelected(mainState());
             s.layoutShown = true;
             return s;
         },
         selected},
        {"two photos",
         [] {
             auto s = oneSelected(mainState());
             s.selectionCount = 2;
             return s;
         },
         selected},
        {"one missing photo",
         [] {
             auto s = mainState();
             s.selectionCount = 1;
             s.selectionDisabled = true;
             return s;
         },
         always + QStringList{"remove", "pixelenhancer", "rotateCW", "rotateCCW", "flip",
                              "photoinfo", "mark", "unmark", "locate"}},
        {"one web photo in book",
         [] {
             auto s = mainState();
             s.selectionCount = 1;
             s.selectionEnabled = true;
             s.selectionURL = true;
             s.book = true;
             return s;
         },
         always + QStringList{"remove", "export", "pixelenhancer", "rotateCW", "rotateCCW", "flip",
                              "photoinfo", "refresh", "crop", "redeyereduce", "balloonMode"}},
        {"marked, no print areas",
         [] {
             auto s = mainState();
             s.marked = true;
             return s;
         },
         always + QStringList{kToolbarPrintItemIdentifier}},
        {"marked with print areas",
         [] {
             auto s = mainState();
             s.marked = true;
             s.printAreas = true;
             return s;
         },
         always + QStringList{kToolbarPrintItemIdentifier, "printToDisk", "printToEmail"}},
        {"save back off with modified entries",
         [] {
             auto s = mainState();
             s.modifiedEntries = true;
             return s;
         },
         always},
        {"save back on with modified entries",
         [] {
             auto s = mainState();
             s.modifiedEntries = true;
             s.saveBackSetting = true;
             return s;
         },
         always + QStringList{"saveBack"}},
        {"iPhoto library loaded",
         [] {
             auto s = mainState();
             s.iPhotoLoaded = true;
             return s;
         },
         always + QStringList{"addiphotos"}},
        {"layout, one page, not book",
         [] {
             auto s = mainState();
             s.layoutShown = true;
             s.editFields = true;
             s.selectedCellsVisible = true;
             return s;
         },
         always + QStringList{"templatetext"}},
        {"layout, one page, book",
         [] {
             auto s = mainState();
             s.layoutShown = true;
             s.book = true;
             return s;
         },
         always + QStringList{"addPage"}},
        {"layout, book, page 2 of 3, selected cell shown",
         [] {
             auto s = mainState();
             s.layoutShown = true;
             s.book = true;
             s.pageCount = 3;
             s.currentPage = 1;
             s.selectedCellsVisible = true;
             return s;
         },
         always + QStringList{"addPage", "removePage", "nextPage", "prevPage", "clearCells"}},
        {"last of 3 pages, photograph panel",
         [] {
             auto s = mainState();
             s.pageCount = 3;
             s.currentPage = 2;
             s.book = true;
             return s;
         },
         always + QStringList{"prevPage"}},
        {"a sheet on the window",
         [] {
             auto s = oneSelected(mainState());
             s.marked = s.printAreas = s.iPhotoLoaded = true;
             s.sheetAttached = true;
             return s;
         },
         {"templateManager"}},
        {"not the main window",
         [] {
             auto s = oneSelected(mainState());
             s.mainWindow = false;
             return s;
         },
         {"templateManager"}},
    };
    for (const Case& c : cases) {
        const CatalogToolbarState state = c.state();
        for (const QString& suffix : kAllSuffixes)
            EXPECT_EQ(CatalogToolbar::isItemEnabled(suffix, state), c.enabled.contains(suffix))
                << c.name << ": " << suffix.toStdString();
    }
    EXPECT_FALSE(CatalogToolbar::isItemEnabled(qs("unknown"), oneSelected(mainState())));
}

TEST(CatalogToolbarRules, EachPanelMakesItsOwnItemsOnly) {
    const QRegularExpression keyLike(qs("^[A-Z0-9_]+$"));
    for (CatalogToolbarKind kind : {CatalogToolbarKind::Photograph, CatalogToolbarKind::Layout}) {
        int made = 0;
        for (const QString& suffix : kAllSuffixes) {
            const QString identifier = CatalogToolbar::itemIdentifier(kind, suffix.toLatin1());
            std::unique_ptr<QAction> item(CatalogToolbar::makeItem(kind, identifier, 0, false));
            made += item != nullptr;
            if (item) {
                // Texts come from the string table, never the key itself.
                EXPECT_FALSE(keyLike.match(item->text()).hasMatch()) << suffix.toStdString();
                EXPECT_FALSE(item->icon().isNull()) << suffix.toStdString();
                EXPECT_FALSE(item->toolTip().endsWith(qs("_TIP"))) << suffix.toStdString();
                EXPECT_FALSE(Toolbar::itemPaletteLabel(item.get()).isEmpty());
            }
        }
        EXPECT_EQ(made, kind == CatalogToolbarKind::Photograph ? 28 : 32);
    }
    // The other panel's items, and the other panel's prefix, make nothing.
    for (const char* identifier : {"photodoctoolbar.templateselector", "photodoctoolbar.addPage",
                                   "layoutdoctoolbar.crop", "layoutdoctoolbar.balloonMode"}) {
        for (CatalogToolbarKind kind : {CatalogToolbarKind::Photograph, CatalogToolbarKind::Layout})
            EXPECT_EQ(CatalogToolbar::makeItem(kind, qs(identifier), 0, false), nullptr)
                << identifier;
    }
    EXPECT_EQ(CatalogToolbar::makeItem(CatalogToolbarKind::Photograph, qs("layoutdoctoolbar.add"),
                                       0, false),
              nullptr);
    // Every allowed identifier is either the toolbar's own or made by the panel.
    for (CatalogToolbarKind kind : {CatalogToolbarKind::Photograph, CatalogToolbarKind::Layout}) {
        const QStringList allowed = CatalogToolbar::allowedItemIdentifiers(kind);
        EXPECT_EQ(allowed.size(), kind == CatalogToolbarKind::Photograph ? 32 : 36);
        for (const QString& identifier : CatalogToolbar::defaultItemIdentifiers(kind))
            EXPECT_TRUE(allowed.contains(identifier)) << identifier.toStdString();
        for (const QString& identifier : allowed) {
            std::unique_ptr<QAction> item(CatalogToolbar::makeItem(kind, identifier, 0, false));
            EXPECT_TRUE(item || identifier.startsWith(qs("NSToolbar"))) << identifier.toStdString();
        }
    }
}

TEST_F(CatalogToolbarTest, ThePanelsToolbarIsInstalledWithItsDefaults) {
    Toolbar* bar = shownToolbar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar, photograph.delegate.toolbar());
    EXPECT_EQ(bar->identifier(), qs(kPhotoDocToolbarIdentifier));
    EXPECT_TRUE(bar->allowsUserCustomization());
    EXPECT_TRUE(bar->autosavesConfiguration());
    EXPECT_EQ(bar->itemIdentifiers(),
              CatalogToolbar::defaultItemIdentifiers(CatalogToolbarKind::Photograph));
    EXPECT_EQ(
        photograph.delegate.findToolbarItemWithIdentifier(qs("photodoctoolbar.crop"))->objectName(),
        qs("photodoctoolbar.crop"));
    EXPECT_EQ(photograph.delegate.findToolbarItemWithIdentifier(qs("photodoctoolbar.flip")),
              nullptr);

    // The layout panel's toolbar takes the window's place.
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    EXPECT_EQ(shownToolbar(), layout.delegate.toolbar());
    EXPECT_EQ(shownToolbar()->identifier(), qs(kLayoutDocToolbarIdentifier));
    EXPECT_EQ(window()->findChildren<Toolbar*>().size(), 1);
    EXPECT_EQ(photograph.delegate.toolbar(), nullptr);
    EXPECT_EQ(shownToolbar()->itemIdentifiers(),
              CatalogToolbar::defaultItemIdentifiers(CatalogToolbarKind::Layout));
}

TEST_F(CatalogToolbarTest, ItemsGoToTheirTargetsAndNeedAReceiver) {
    photograph.answered =
        QStringList{"rotateImageRight:", "removeFiles:", "toggleCropMode:", "exportSelection:"};
    showAllItems(photograph);
    catalog().setSelectionAtIndex(0);
    photograph.adjustToolbarButtons();

    // Answered by the panel and carried out by the controller.
    EXPECT_TRUE(item(photograph, "rotateCW")->isEnabled());
    EXPECT_TRUE(item(photograph, "remove")->isEnabled());
    EXPECT_TRUE(item(photograph, "export")->isEnabled());
    // The panel's own mode toggle needs no controller.
    EXPECT_TRUE(item(photograph, "crop")->isEnabled());
    // Nothing answers a toggle the panel lacks.
    EXPECT_FALSE(item(photograph, "redeyereduce")->isEnabled());
    // A panel that does not answer gets nothing, though the controller could.
    EXPECT_FALSE(item(photograph, "flip")->isEnabled());
    // Controller items.
    EXPECT_TRUE(item(photograph, "add")->isEnabled());
    EXPECT_TRUE(item(photograph, "layoutoptions")->isEnabled());
    EXPECT_TRUE(item(photograph, "toggledrawer")->isEnabled());

    QAction* rotate = item(photograph, "rotateCW");
    rotate->trigger();
    ASSERT_EQ(photograph.received.size(), 1);
    EXPECT_EQ(photograph.received[0].first, qs("rotateImageRight:"));
    EXPECT_EQ(photograph.received[0].second, rotate);
    // A disabled item sends nothing.
    item(photograph, "redeyereduce")->trigger();
    EXPECT_EQ(photograph.received.size(), 1);
}

TEST_F(CatalogToolbarTest, PrintFollowsTheMarkedPhotos) {
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    QAction* print = layout.delegate.findToolbarItemWithIdentifier(qs(kToolbarPrintItemIdentifier));
    ASSERT_NE(print, nullptr);
    for (int index = 0; index < catalog().fileCount(); ++index)
        catalog().clearMarkerAtIndex(index);
    layout.adjustToolbarButtons();
    EXPECT_FALSE(print->isEnabled());
    catalog().setMarkerAtIndex(1);
    layout.adjustToolbarButtons();
    EXPECT_TRUE(print->isEnabled());
    EXPECT_TRUE(controller->validateToolbarItem(*print));
}

TEST_F(CatalogToolbarTest, ASheetDisablesEveryPanelAndControllerItem) {
    photograph.answered = QStringList{"rotateImageRight:", "removeFiles:", "firstSelection:"};
    showAllItems(photograph);
    catalog().setSelectionAtIndex(0);
    photograph.adjustToolbarButtons();
    const QStringList before = {"rotateCW", "remove", "first", "add", "layoutoptions"};
    for (const QString& suffix : before)
        EXPECT_TRUE(item(photograph, suffix.toLatin1())->isEnabled()) << suffix.toStdString();

    QDialog sheet;
    int result = -1;
    ModalAlert::beginDialogSheet(window(), &sheet, [&result](int code) { result = code; });
    ASSERT_TRUE(ModalAlert::hasAttachedSheet(window()));
    photograph.adjustToolbarButtons();
    int checked = 0;
    for (QAction* shown : photograph.delegate.toolbar()->actions()) {
        const QString identifier = Toolbar::itemIdentifier(shown);
        if (identifier.startsWith(qs("photodoctoolbar.")) ||
            identifier == qs(kToolbarPrintItemIdentifier)) {
            EXPECT_FALSE(shown->isEnabled()) << identifier.toStdString();
            ++checked;
        }
    }
    EXPECT_EQ(checked, 29);

    sheet.reject();
    drainEvents();
    EXPECT_EQ(result, int(QDialog::Rejected));
    photograph.adjustToolbarButtons();
    for (const QString& suffix : before)
        EXPECT_TRUE(item(photograph, suffix.toLatin1())->isEnabled()) << suffix.toStdString();
}

TEST_F(CatalogToolbarTest, StateDependentImagesAndTooltips) {
    photograph.answered = QStringList{"toggleCropMode:", "toggleRedEyeMode:"};
    showAllItems(photograph);
    const auto imageOf = [](const char* name) {
        const QImage image(Resources::sharePath() + qs("/Images/") + qs(name));
        EXPECT_FALSE(image.isNull()) << name;
        return QPixmap::fromImage(image).toImage();
    };
    const auto shows = [&](const char* suffix, const char* name) {
        return item(photograph, suffix)
                   ->icon()
                   .pixmap(32)
                   .toImage()
                   .convertToFormat(QImage::Format_ARGB32) ==
               imageOf(name).convertToFormat(QImage::Format_ARGB32);
    };
    EXPECT_TRUE(shows("crop", "Crop_Photo.tiff"));
    controller->setEditMode(1);
    photograph.adjustToolbarButtons();
    EXPECT_TRUE(shows("crop", "Crop_Photo_ON.tiff"));
    EXPECT_TRUE(shows("redeyereduce", "Red_Eye_Reduce.tiff"));
    controller->setEditMode(2);
    photograph.adjustToolbarButtons();
    EXPECT_TRUE(shows("crop", "Crop_Photo.tiff"));
    EXPECT_TRUE(shows("redeyereduce", "Red_Eye_Reduce_ON.tiff"));
    controller->setEditMode(0);

    // The drawer's item offers to close what is open.
    photograph.adjustToolbarButtons();
    EXPECT_EQ(item(photograph, "toggledrawer")->toolTip(), localizedString(qs("CLOSE_CAT_TIP")));
    EXPECT_TRUE(shows("toggledrawer", "Toggle_Catalog_Closed.tiff"));
    scroll()->hide();
    photograph.adjustToolbarButtons();
    EXPECT_EQ(item(photograph, "toggledrawer")->toolTip(), localizedString(qs("OPEN_CAT_TIP")));
    EXPECT_TRUE(shows("toggledrawer", "Toggle_Catalog_Open.tiff"));
}

TEST_F(CatalogToolbarTest, ACustomizedToolbarSurvivesARestart) {
    const QString flip = CatalogToolbar::itemIdentifier(CatalogToolbarKind::Photograph, "flip");
    const QString add = CatalogToolbar::itemIdentifier(CatalogToolbarKind::Photograph, "add");
    const QString remove = CatalogToolbar::itemIdentifier(CatalogToolbarKind::Photograph, "remove");
    ModalAlert::ScopedDialogResponder responder([&](QDialog& dialog) {
        auto& customize = *qobject_cast<ToolbarCustomizationDialog*>(&dialog);
        customize.selectShownRow(0); // add
        customize.removeSelected();
        // An item of the other panel is not offered; one already shown is not doubled.
        EXPECT_FALSE(customize.selectAllowedIdentifier(qs("photodoctoolbar.addPage")));
        EXPECT_TRUE(customize.selectAllowedIdentifier(remove));
        customize.addSelected();
        EXPECT_EQ(customize.shownIdentifiers().count(remove), 1);
        EXPECT_TRUE(customize.selectAllowedIdentifier(flip));
        customize.selectShownRow(-1);
        customize.addSelected();
        customize.moveSelected(-1);
        customize.moveSelected(-100);
        EXPECT_TRUE(customize.selectAllowedIdentifier(qs(kToolbarSeparatorItemIdentifier)));
        customize.addSelected();
        return int(QDialog::Accepted);
    });
    photograph.delegate.toolbar()->runCustomizationPalette();
    drainEvents();
    QStringList expected =
        CatalogToolbar::defaultItemIdentifiers(CatalogToolbarKind::Photograph).mid(1);
    expected.insert(expected.size() - 1, flip);
    expected.insert(expected.size() - 1, qs(kToolbarSeparatorItemIdentifier));
    EXPECT_EQ(shownToolbar()->itemIdentifiers(), expected);
    EXPECT_EQ(photograph.delegate.findToolbarItemWithIdentifier(add), nullptr);

    // A new toolbar of the same identifier, as the next launch makes it.
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    EXPECT_EQ(shownToolbar()->itemIdentifiers(),
              CatalogToolbar::defaultItemIdentifiers(CatalogToolbarKind::Layout));
    RecordingPanel relaunched(CatalogToolbarKind::Photograph);
    relaunched.delegate.setupToolbar(window());
    EXPECT_EQ(shownToolbar(), relaunched.delegate.toolbar());
    EXPECT_EQ(shownToolbar()->itemIdentifiers(), expected);
    Toolbar::installInWindow(window(), nullptr);
}

TEST_F(CatalogToolbarTest, CustomizationCanReturnToTheDefaultsOrBeCancelled) {
    const QStringList defaults =
        CatalogToolbar::defaultItemIdentifiers(CatalogToolbarKind::Photograph);
    shownToolbar()->setItemIdentifiers(defaults.mid(0, 2));
    {
        ModalAlert::ScopedDialogResponder responder([](QDialog& dialog) {
            auto& customize = *qobject_cast<ToolbarCustomizationDialog*>(&dialog);
            customize.selectShownRow(0);
            customize.removeSelected();
            return int(QDialog::Rejected);
        });
        shownToolbar()->runCustomizationPalette();
        drainEvents();
    }
    EXPECT_EQ(shownToolbar()->itemIdentifiers(), defaults.mid(0, 2));
    ModalAlert::ScopedDialogResponder responder([](QDialog& dialog) {
        qobject_cast<ToolbarCustomizationDialog*>(&dialog)->resetToDefaults();
        return int(QDialog::Accepted);
    });
    shownToolbar()->runCustomizationPalette();
    drainEvents();
    EXPECT_EQ(shownToolbar()->itemIdentifiers(), defaults);
}
