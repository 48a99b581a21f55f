#include "platform/ui/Toolbar.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Commands.h"

#include <QAction>
#include <QMainWindow>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Items "a", "b" and "c" with tags 1 to 3; enables the tags it is told.
struct Delegate : ToolbarDelegate {
    QList<int> enabledTags;
    int made = 0;
    QAction* toolbarItemForItemIdentifier(Toolbar& toolbar, const QString& identifier) override {
        const QStringList known = {str("a"), str("b"), str("c")};
        const qsizetype index = known.indexOf(identifier);
        if (index < 0)
            return nullptr;
        ++made;
        auto* item = new QAction(identifier.toUpper(), &toolbar);
        Commands::setItemTag(item, int(index) + 1);
        return item;
    }
    QStringList toolbarAllowedItemIdentifiers(const Toolbar&) const override {
        return {str("a"),
                str("b"),
                str("c"),
                str("unknown"),
                str(kToolbarPrintItemIdentifier),
                str(kToolbarSeparatorItemIdentifier),
                str(kToolbarFlexibleSpaceItemIdentifier)};
    }
    QStringList toolbarDefaultItemIdentifiers(const Toolbar&) const override {
        return {str("a"), str(kToolbarSeparatorItemIdentifier), str("c")};
    }
    bool validateToolbarItem(QAction& item) override {
        return enabledTags.contains(Commands::itemTag(&item));
    }
};

const char kIdentifier[] = "com.example.testtoolbar";

class ToolbarTest : public ::testing::Test {
protected:
    ToolbarTest() {
        UserDefaults::standardUserDefaults().removeObjectForKey(
            Toolbar::configurationKey(str(kIdentifier)));
    }
    QMainWindow window;
    Delegate delegate;
};

} // namespace

TEST_F(ToolbarTest, ShowsTheDefaultItemsIconOnlyAndSmall) {
    auto* bar = new Toolbar(str(kIdentifier), &window);
    bar->setDisplayMode(Toolbar::DisplayModeIconOnly);
    bar->setSizeMode(Toolbar::SizeModeSmall);
    bar->setDelegate(&delegate);
    EXPECT_EQ(bar->identifier(), str(kIdentifier));
    EXPECT_EQ(bar->itemIdentifiers(),
              QStringList({str("a"), str(kToolbarSeparatorItemIdentifier), str("c")}));
    EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    const QSize small = bar->iconSize();
    bar->setSizeMode(Toolbar::SizeModeRegular);
    EXPECT_LT(small.width(), bar->iconSize().width());
    EXPECT_TRUE(bar->itemWithIdentifier(str(kToolbarSeparatorItemIdentifier))->isSeparator());
    EXPECT_EQ(bar->itemWithIdentifier(str("b")), nullptr);
}

TEST_F(ToolbarTest, ItemsFollowTheDelegatesValidation) {
    auto* bar = new Toolbar(str(kIdentifier), &window);
    bar->setDelegate(&delegate);
    QAction* a = bar->itemWithIdentifier(str("a"));
    QAction* c = bar->itemWithIdentifier(str("c"));
    EXPECT_FALSE(a->isEnabled());
    delegate.enabledTags = {3};
    bar->validateVisibleItems();
    EXPECT_FALSE(a->isEnabled());
    EXPECT_TRUE(c->isEnabled());
}

TEST_F(ToolbarTest, OnlyAllowedItemsShowAndAnAutosavedConfigurationComesBack) {
    {
        auto* bar = new Toolbar(str(kIdentifier), &window);
        bar->setAutosavesConfiguration(true);
        bar->setDelegate(&delegate);
        // "d" is not allowed; "unknown" is allowed but the delegate makes no item.
        bar->setItemIdentifiers({str("c"), str("d"), str("unknown"),
                                 str(kToolbarFlexibleSpaceItemIdentifier), str("b")});
        EXPECT_EQ(bar->itemIdentifiers(),
                  QStringList({str("c"), str(kToolbarFlexibleSpaceItemIdentifier), str("b")}));
        delete bar;
    }
    auto* again = new Toolbar(str(kIdentifier), &window);
    again->setAutosavesConfiguration(true);
    again->setDelegate(&delegate);
    EXPECT_EQ(again->itemIdentifiers(),
              QStringList({str("c"), str(kToolbarFlexibleSpaceItemIdentifier), str("b")}));

    // Without autosaving the defaults stand.
    auto* plain = new Toolbar(str(kIdentifier), &window);
    plain->setDelegate(&delegate);
    EXPECT_EQ(plain->itemIdentifiers().first(), str("a"));
}

TEST_F(ToolbarTest, ThePrintItemSendsPrintDocumentAlongTheChain) {
    struct Printer : CommandResponder {
        int printed = 0;
        bool respondsToAction(const QString& action) const override {
            return action == QLatin1String("printDocument:");
        }
        void performAction(const QString&, QAction*) override { ++printed; }
    } printer;
    auto* bar = new Toolbar(str(kIdentifier), &window);
    bar->setDelegate(&delegate);
    bar->setItemIdentifiers({str(kToolbarPrintItemIdentifier)});
    QAction* print = bar->itemWithIdentifier(str(kToolbarPrintItemIdentifier));
    ASSERT_NE(print, nullptr);
    bar->validateVisibleItems();
    EXPECT_FALSE(print->isEnabled()); // nothing answers it yet
    Commands::addApplicationResponder(&printer);
    bar->validateVisibleItems();
    EXPECT_TRUE(print->isEnabled());
    print->trigger();
    EXPECT_EQ(printer.printed, 1);
    Commands::removeApplicationResponder(&printer);
}
