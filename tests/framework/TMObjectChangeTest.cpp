#include "ChangeCounter.h"
#include "framework/model/GenericDocument.h"
#include "framework/model/TMObject.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// An object in a document, with its undo manager.
struct TMObjectUndo : ::testing::Test {
    TMObjectUndo() {
        undo = document.undoManager();
        object = TMObject::newTemplateObject();
        object->setParentDocument(&document);
    }

    // What the editor does before it moves an object.
    void recordGeometryForUndo() {
        undo->beginUndoGrouping();
        undo->registerUndo(object.get(),
                           [o = object, g = object->geometry()] { o->setGeometry(g); });
        undo->endUndoGrouping();
    }

    // One user action: one undo group.
    template <class F> void action(F f) {
        undo->beginUndoGrouping();
        f();
        undo->endUndoGrouping();
    }

    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMObjectRef object;
};

} // namespace

TEST(TMObjectChange, ChangesInOnePassGiveOneNotification) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObject();
    TMObjectRef other = TMObject::newTemplateObject();
    ChangeCounter counter(object);
    ChangeCounter otherCounter(other);
    object->changeMade();
    object->changeMade();
    object->changeMade();
    other->changeMade();
    EXPECT_EQ(counter.count, 0); // posted later, not at once
    EXPECT_EQ(counter.posted(), 1);
    EXPECT_EQ(counter.sender, static_cast<const void*>(object.get()));
    EXPECT_EQ(otherCounter.posted(), 1);

    object->changeMade();
    EXPECT_EQ(counter.posted(), 2);
}

TEST(TMObjectChange, QueuedNotificationOutlivesItsLastOwner) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObject();
    ChangeCounter counter(object);
    std::weak_ptr<TMObject> weak = object;
    object->changeMade();
    object.reset();
    EXPECT_FALSE(weak.expired());
    EXPECT_EQ(counter.posted(), 1);
    EXPECT_TRUE(weak.expired());
}

TEST(TMObjectChange, SettersAnnounceOnlyRealChanges) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObject();
    ChangeCounter counter(object);
    object->setCenter(object->center());
    object->setSize(object->size());
    object->setRotation(0);
    object->setLockedControlPtMask(0);
    object->setLockedSizeMask(0);
    object->setRotationLocked(false);
    object->setSelected(false);
    object->moveBy({0, 0});
    object->setShadowEnabled(false);
    object->setShadow(object->shadow());
    object->setGeometry(object->geometry());
    EXPECT_EQ(counter.posted(), 0);

    object->setLockedSizeMask(3);
    EXPECT_EQ(counter.posted(), 1);
    EXPECT_EQ(object->lockedSizeMask(), 3);
}

TEST(TMObjectChange, LocksHoldPositionSizeAndRotation) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObjectWithOriginSize({0, 0}, {20, 10});
    EXPECT_EQ(object->center(), (Point{10, 5}));

    object->setLockedControlPtMask(1);
    object->setCenter({50, 60});
    EXPECT_EQ(object->center(), (Point{10, 60}));
    object->moveBy({5, 5});
    EXPECT_EQ(object->center(), (Point{10, 65}));

    object->setLockedSizeMask(2);
    object->setSize({40, 40});
    EXPECT_EQ(object->size(), (Size{40, 10}));

    object->setRotationLocked(true);
    object->setRotation(45);
    EXPECT_EQ(object->rotation(), 0);
}

TEST(TMObjectChange, SetFrameKeepsLockedComponents) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObjectWithOriginSize({0, 0}, {20, 10});
    object->setRotation(15);
    object->setLockedSizeMask(1);
    object->setLockedControlPtMask(2);
    object->setFrame({100, 100, 50, 30});
    EXPECT_EQ(object->size(), (Size{20, 30}));
    EXPECT_EQ(object->center(), (Point{125, 5}));
    EXPECT_EQ(object->rotation(), 15);
    EXPECT_EQ(object->lockedSizeMask(), 1);

    object->setLockedSizeMask(0);
    object->setLockedControlPtMask(0);
    object->setFrameCornersFromTo({30, 40}, {10, 0});
    EXPECT_EQ(object->size(), (Size{20, 40}));
    EXPECT_EQ(object->center(), (Point{20, 20}));
}

TEST_F(TMObjectUndo, GeometryRegistersNothingOutsideUndo) {
    QVariantMap moved = object->geometry();
    moved.insert("center", TMObject::dictionaryFromPoint({300, 300}));
    object->setGeometry(moved);
    EXPECT_EQ(object->center(), (Point{300, 300}));
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(TMObjectUndo, UndoAndRedoOfAMove) {
    const Point start = object->center();
    recordGeometryForUndo();
    object->setCenter({300, 200});
    object->setCenter({310, 210});

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(object->center(), start);
    EXPECT_TRUE(undo->canRedo());
    EXPECT_EQ(undo->redoActionName(), QStringLiteral("Move"));

    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(object->center(), (Point{310, 210}));
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Move"));

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(object->center(), start);
}

TEST_F(TMObjectUndo, UndoNamesTheKindOfChange) {
    struct Case {
        const char* key;
        QVariant value;
        const char* action;
    };
    const Case cases[] = {
        {"size", TMObject::dictionaryFromSize({1, 2}), "Resize"},
        {"center", TMObject::dictionaryFromPoint({1, 2}), "Move"},
        {"rot", QVariant(90.0f), "Rotation"},
        {"size_lock", QVariant(3), "Lock"},
    };
    for (const Case& c : cases) {
        recordGeometryForUndo();
        QVariantMap changed = object->geometry();
        changed.insert(c.key, c.value);
        object->setGeometry(changed);
        ASSERT_TRUE(undo->undo()) << c.key;
        EXPECT_EQ(undo->redoActionName(), QString::fromLatin1(c.action)) << c.key;
        ASSERT_TRUE(undo->redo()) << c.key;
        EXPECT_EQ(object->geometry().value(c.key), c.value) << c.key;
        undo->removeAllActions();
    }
}

TEST_F(TMObjectUndo, EqualGeometryRegistersNothingEvenWhileUndoing) {
    ChangeCounter counter(object);
    undo->beginUndoGrouping();
    undo->registerUndo(object.get(), [o = object] { o->setGeometry(o->geometry()); });
    undo->endUndoGrouping();
    ASSERT_TRUE(undo->undo());
    EXPECT_FALSE(undo->canRedo());
    EXPECT_EQ(counter.posted(), 0);
}

TEST_F(TMObjectUndo, ShadowChangesUndoAndRedo) {
    action([&] { object->setShadowEnabled(true); });
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Shadow"));
    const ShadowValue hard{{10, -10}, 0, Qt::red};
    const std::optional<ShadowValue> original = object->shadow();
    action([&] { object->setShadow(hard); });

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(object->shadow(), original);
    EXPECT_EQ(object->shadowEnabled(), QVariant(true));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(object->shadowEnabled(), QVariant(false));

    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(object->shadowEnabled(), QVariant(true));
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(object->shadow(), std::optional<ShadowValue>(hard));
    EXPECT_FALSE(undo->canRedo());
}

TEST_F(TMObjectUndo, UndoOfAnObjectThatIsGoneDoesNothing) {
    action([&] { object->setShadowEnabled(true); });
    object.reset();
    QCoreApplication::processEvents(); // the queued change notifications let go of it
    EXPECT_TRUE(undo->undo());
    EXPECT_FALSE(undo->canRedo());
}

TEST_F(TMObjectUndo, DocumentThatIsGoneIsForgotten) {
    auto other = std::make_unique<GenericDocument>();
    object->setParentDocument(other.get());
    EXPECT_EQ(object->parentDocument(), other.get());
    other.reset();
    EXPECT_EQ(object->parentDocument(), nullptr);
    object->setShadowEnabled(true); // registers nowhere, and doesn't crash
    EXPECT_EQ(object->shadowEnabled(), QVariant(true));
}
