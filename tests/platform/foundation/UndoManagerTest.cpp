#include "platform/foundation/UndoManager.h"
#include "platform/foundation/Exception.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// A model value whose setter registers its own inverse, as the model's setters do.
struct Value {
    explicit Value(UndoManager& u, QString name = {}, std::vector<int>* l = nullptr)
        : undo(u), actionName(std::move(name)), log(l) {}

    UndoManager& undo;
    int value = 0;
    QString actionName;
    std::vector<int>* log;

    void set(int v) {
        const int old = value;
        undo.registerUndo(this, [this, old] { set(old); });
        if (!actionName.isEmpty())
            undo.setActionName(actionName);
        if (log)
            log->push_back(v);
        value = v;
    }
};

// Ends the current pass of the event loop.
void pass() {
    QCoreApplication::processEvents();
}

} // namespace

TEST(UndoManager, GroupUndoesAndRedoesAsOneStep) {
    UndoManager undo;
    Value x{undo}, y{undo};
    undo.beginUndoGrouping();
    x.set(1);
    y.set(2);
    x.set(3);
    undo.endUndoGrouping();
    EXPECT_TRUE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());

    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(undo.undo());
        EXPECT_EQ(x.value, 0);
        EXPECT_EQ(y.value, 0);
        EXPECT_FALSE(undo.canUndo());
        EXPECT_TRUE(undo.canRedo());

        ASSERT_TRUE(undo.redo());
        EXPECT_EQ(x.value, 3);
        EXPECT_EQ(y.value, 2);
        EXPECT_TRUE(undo.canUndo());
        EXPECT_FALSE(undo.canRedo());
    }
    EXPECT_FALSE(undo.redo());
}

TEST(UndoManager, UndoRunsAGroupBackwardsAndRedoForwards) {
    UndoManager undo;
    std::vector<int> log;
    Value x{undo, {}, &log};
    undo.beginUndoGrouping();
    x.set(1);
    x.set(2);
    x.set(3);
    undo.endUndoGrouping();
    log.clear();
    undo.undo();
    EXPECT_EQ(log, (std::vector<int>{2, 1, 0}));
    log.clear();
    undo.redo();
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
}

TEST(UndoManager, RegistrationOutsideUndoAndRedoClearsRedo) {
    UndoManager undo;
    Value x{undo};
    undo.beginUndoGrouping();
    x.set(1);
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    x.set(2);
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_TRUE(undo.canRedo());
    // Disabled registration changes nothing, so it must not lose the redo step.
    undo.disableUndoRegistration();
    undo.registerUndo(&x, [] {});
    undo.enableUndoRegistration();
    EXPECT_TRUE(undo.canRedo());

    undo.beginUndoGrouping();
    x.set(5);
    undo.endUndoGrouping();
    EXPECT_FALSE(undo.canRedo());
    undo.undo();
    EXPECT_EQ(x.value, 1);
    undo.undo();
    EXPECT_EQ(x.value, 0);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, ReportsUndoingAndRedoingToTheClosures) {
    UndoManager undo;
    std::vector<std::pair<bool, bool>> seen;
    struct Flagged {
        UndoManager& undo;
        std::vector<std::pair<bool, bool>>& seen;
        void change() {
            seen.emplace_back(undo.isUndoing(), undo.isRedoing());
            undo.registerUndo(this, [this] { change(); });
        }
    } f{undo, seen};
    f.change();
    undo.undo();
    undo.redo();
    undo.undo();
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{
                        {false, false}, {true, false}, {false, true}, {true, false}}));
    EXPECT_FALSE(undo.isUndoing());
    EXPECT_FALSE(undo.isRedoing());
}

TEST(UndoManager, GroupsByEventPass) {
    UndoManager undo;
    ASSERT_TRUE(undo.groupsByEvent());
    Value x{undo};
    x.set(1);
    x.set(2);
    EXPECT_EQ(undo.groupingLevel(), 1);
    pass();
    EXPECT_EQ(undo.groupingLevel(), 0);
    x.set(3);
    pass();
    pass();
    x.set(4);
    // Undo in the same pass closes the open group first.
    EXPECT_TRUE(undo.canUndo());
    ASSERT_TRUE(undo.undo());
    EXPECT_EQ(x.value, 3);
    EXPECT_EQ(undo.groupingLevel(), 0);
    undo.undo();
    EXPECT_EQ(x.value, 2);
    undo.undo();
    EXPECT_EQ(x.value, 0);
    EXPECT_FALSE(undo.canUndo());
    // The redo groups are whole passes too.
    undo.redo();
    EXPECT_EQ(x.value, 2);
}

TEST(UndoManager, NestedGroupsBelongToTheOutermost) {
    UndoManager undo;
    std::vector<int> log;
    Value x{undo, {}, &log};
    undo.beginUndoGrouping();
    x.set(1);
    undo.beginUndoGrouping();
    x.set(2);
    undo.beginUndoGrouping();
    undo.endUndoGrouping();
    undo.endUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 1);
    // Not while nested groups are open.
    undo.beginUndoGrouping();
    EXPECT_FALSE(undo.undo());
    undo.endUndoGrouping();
    x.set(3);
    undo.endUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 0);
    log.clear();
    undo.undo();
    EXPECT_EQ(log, (std::vector<int>{2, 1, 0}));
    EXPECT_FALSE(undo.canUndo());

    // An unmatched end is ignored.
    undo.endUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 0);
}

TEST(UndoManager, AnExplicitGroupInsideAnEventGroupKeepsItOpenUntilItEnds) {
    // A gesture opened after a change in the same pass spans later passes.
    UndoManager undo;
    Value x{undo};
    x.set(1);
    undo.beginUndoGrouping();
    x.set(2);
    pass();
    EXPECT_EQ(undo.groupingLevel(), 2);
    x.set(3);
    undo.endUndoGrouping();
    x.set(4);
    pass();
    EXPECT_EQ(undo.groupingLevel(), 0);
    x.set(5);
    pass();
    undo.undo();
    EXPECT_EQ(x.value, 4);
    undo.undo();
    EXPECT_EQ(x.value, 0);
}

TEST(UndoManager, EmptyGroupsAreDropped) {
    UndoManager undo;
    undo.beginUndoGrouping();
    undo.setActionName(QStringLiteral("NOTHING"));
    undo.endUndoGrouping();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(undo.undo());
}

TEST(UndoManager, DisabledRegistrationIsCounted) {
    UndoManager undo;
    Value x{undo};
    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    x.set(1);
    undo.enableUndoRegistration();
    EXPECT_FALSE(undo.isUndoRegistrationEnabled());
    x.set(2);
    pass();
    EXPECT_FALSE(undo.canUndo());
    undo.enableUndoRegistration();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());
    // An extra enable must not leave a debt for the next disable.
    undo.enableUndoRegistration();
    x.set(3);
    pass();
    undo.disableUndoRegistration();
    EXPECT_FALSE(undo.isUndoRegistrationEnabled());
    undo.enableUndoRegistration();
    undo.undo();
    EXPECT_EQ(x.value, 2);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, RemovesActionsByTarget) {
    UndoManager undo;
    Value x{undo}, y{undo};
    x.set(1);
    pass();
    y.set(10);
    pass();
    x.set(2);
    y.set(20);
    pass();
    y.set(30);
    pass();
    undo.undo();
    ASSERT_TRUE(undo.canRedo());
    undo.removeAllActionsWithTarget(&y);
    EXPECT_FALSE(undo.canRedo());
    y.set(40);
    x.set(3);
    undo.removeAllActionsWithTarget(&y);
    pass();

    // The group with only y's step is gone, the mixed ones keep x's.
    undo.undo();
    EXPECT_EQ(x.value, 2);
    undo.undo();
    EXPECT_EQ(x.value, 1);
    undo.undo();
    EXPECT_EQ(x.value, 0);
    EXPECT_EQ(y.value, 40);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, RemoveAllActionsIncludesTheOpenGroup) {
    UndoManager undo;
    Value x{undo};
    x.set(1);
    pass();
    x.set(2);
    undo.undo();
    x.set(3);
    undo.removeAllActions();
    pass();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());
    x.set(4);
    undo.undo();
    EXPECT_EQ(x.value, 3);
}

TEST(UndoManager, ActionNames) {
    UndoManager undo;
    Value x{undo, QStringLiteral("MOVE")};
    EXPECT_EQ(undo.undoMenuItemTitle(), QStringLiteral("Undo"));
    x.set(1);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("MOVE"));
    pass();
    x.actionName.clear();
    undo.beginUndoGrouping();
    x.set(2);
    undo.endUndoGrouping();
    EXPECT_EQ(undo.undoActionName(), QString());
    // Named after its group closed.
    undo.setActionName(QStringLiteral("RESIZE"));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("RESIZE"));
    EXPECT_EQ(undo.undoMenuItemTitle(), QStringLiteral("Undo RESIZE"));

    undo.undo();
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("RESIZE"));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("MOVE"));
    undo.undo();
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("MOVE"));
    EXPECT_EQ(undo.undoActionName(), QString());
    undo.redo();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("MOVE"));
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("RESIZE"));
}

TEST(UndoManager, LevelsOfUndoDropTheOldestGroups) {
    UndoManager undo;
    undo.setLevelsOfUndo(2);
    Value x{undo};
    for (int v = 1; v <= 4; ++v) {
        x.set(v);
        pass();
    }
    EXPECT_TRUE(undo.undo());
    EXPECT_TRUE(undo.undo());
    EXPECT_FALSE(undo.undo());
    EXPECT_EQ(x.value, 2);
    undo.redo();
    undo.setLevelsOfUndo(1);
    EXPECT_TRUE(undo.canRedo());
    EXPECT_TRUE(undo.undo());
    EXPECT_FALSE(undo.undo());
}

TEST(UndoManager, AThrowingClosureLeavesAUsableManager) {
    UndoManager undo;
    Value x{undo};
    x.set(1);
    pass();
    undo.registerUndo(&x, [] { throw std::runtime_error("failed"); });
    pass();
    EXPECT_THROW(undo.undo(), std::runtime_error);
    EXPECT_FALSE(undo.isUndoing());
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_TRUE(undo.undo());
    EXPECT_EQ(x.value, 0);
}

TEST(UndoManager, WithoutEventGroupsRegistrationNeedsAGroup) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value x{undo};
    EXPECT_THROW(x.set(1), Exception);
    EXPECT_EQ(x.value, 0);
    undo.beginUndoGrouping();
    x.set(2);
    pass();
    EXPECT_EQ(undo.groupingLevel(), 1);
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(x.value, 0);
    EXPECT_TRUE(undo.canRedo());
}
