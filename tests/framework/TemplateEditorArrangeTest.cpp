#include "EditorFixture.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/ModalAlert.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TemplateEditorArrangeTest : public ::testing::Test, public EditorFixture {
protected:
    TemplateEditorArrangeTest() {
        p = addRectangle(10, 10);
        q = addRectangle(100, 10);
        r = addRectangle(200, 10);
        undo()->removeAllActions();
    }
    UndoManager* undo() { return document.undoManager(); }
    // Sends the action to the canvas as an item with the tag would.
    void perform(const char* action, int tag = 0) {
        QAction item;
        Commands::setItemTag(&item, tag);
        canvas->performAction(str(action), &item);
        undo()->endUndoGrouping();
        QCoreApplication::processEvents();
    }
    QList<TMObjectRef> order() const { return document.objects(); }
    TMObjectRef p, q, r;
};

TEST_F(TemplateEditorArrangeTest, OrderCommandsMoveTheSelectionAndUndoRestoresTheOrder) {
    struct Case {
        const char* action;
        QList<int> selected; // indices into P, Q, R
        QList<int> expected;
        const char* name;
    };
    const Case cases[] = {
        {"bringToFront:", {0}, {1, 2, 0}, "Bring to Front"},
        {"moveForward:", {0}, {1, 0, 2}, "Move Forward"},
        {"moveForward:", {0, 1}, {2, 0, 1}, "Move Forward"},
        {"moveBackward:", {2}, {0, 2, 1}, "Move Backward"},
        {"moveBackward:", {1, 2}, {1, 2, 0}, "Move Backward"},
        {"sendToBack:", {1, 2}, {1, 2, 0}, "Send to Back"},
        {"sendToBack:", {2}, {2, 0, 1}, "Send to Back"},
    };
    const QList<TMObjectRef> objects{p, q, r};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.action);
        document.replaceObjects(objects);
        undo()->removeAllActions();
        for (int i = 0; i < 3; ++i)
            objects.at(i)->setSelected(k.selected.contains(i));
        perform(k.action);
        QList<TMObjectRef> expected;
        for (int i : k.expected)
            expected.append(objects.at(i));
        EXPECT_EQ(order(), expected);
        EXPECT_EQ(undo()->undoActionName(), str(k.name));
        ASSERT_TRUE(undo()->undo());
        EXPECT_EQ(order(), objects);
    }
}

TEST_F(TemplateEditorArrangeTest, MovingTheTopSelectionForwardBeepsAndRegistersNothing) {
    r->setSelected(true);
    const int beeps = ModalAlert::beepCount();
    perform("moveForward:");
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
    EXPECT_FALSE(undo()->canUndo());
    EXPECT_EQ(order(), (QList<TMObjectRef>{p, q, r}));

    p->setSelected(true);
    r->setSelected(false);
    perform("moveBackward:");
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 2);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(TemplateEditorArrangeTest, CenteringUsesThePageAtEveryZoom) {
    controller->zoomIn();
    ASSERT_EQ(controller->zoomFactor(), 2.0f);
    q->setSelected(true);
    perform("centerObjects:", EditorTag::CenterHorizontally);
    // The page is 360 by 288 points; the rectangle 40 by 30.
    EXPECT_EQ(q->frame().origin, (Point{160, 10}));
    perform("centerObjects:", EditorTag::CenterVertically);
    EXPECT_EQ(q->frame().origin, (Point{160, 129}));
    EXPECT_EQ(undo()->undoActionName(), str("Center"));
    ASSERT_TRUE(undo()->undo());
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(q->frame().origin, (Point{100, 10}));
    EXPECT_EQ(p->frame().origin, (Point{10, 10}));
}

// Answers the scale sheet as a user: types the percentage, picks the axes,
// and presses OK when it can be pressed (Cancel otherwise).
struct ScaleAnswer {
    QString percent;
    int axisMask;
    bool okEnabled = false;
    int operator()(QDialog& sheet) {
        auto* field = sheet.findChild<QLineEdit*>(str("scalePercentageField"));
        auto* axis = sheet.findChild<QComboBox*>(str("scaleAxisPopUp"));
        auto* ok = sheet.findChild<QPushButton*>(str("scaleAxisOkButton"));
        auto* cancel = sheet.findChild<QPushButton*>(str("scaleAxisCancelButton"));
        if (!field || !axis || !ok || !cancel)
            return QDialog::Rejected;
        EXPECT_TRUE(sheet.parentWidget() && sheet.parentWidget()->isWindow());
        field->selectAll();
        QTest::keyClicks(field, percent);
        axis->setCurrentIndex(axis->findData(axisMask));
        okEnabled = ok->isEnabled();
        (okEnabled ? ok : cancel)->click();
        return sheet.result();
    }
};

TEST_F(TemplateEditorArrangeTest, ScaleSheetScalesTheChosenAxes) {
    struct Case {
        const char* percent;
        int axisMask;
        bool okEnabled;
        Size size;
        bool undoable;
    };
    const Case cases[] = {
        {"50", 3, true, {20, 15}, true},    {"50", 1, true, {40, 15}, true},
        {"200", 2, true, {80, 30}, true},   {"100", 3, true, {40, 30}, false},
        {"0.5", 3, false, {40, 30}, false}, {"1", 3, true, {0.4f, 0.3f}, true},
    };
    q->setSelected(true);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.percent);
        undo()->removeAllActions();
        ScaleAnswer answer{str(k.percent), k.axisMask};
        ModalAlert::ScopedDialogResponder responder(std::ref(answer));
        canvas->performAction(str("scaleByPercent:"), nullptr);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        undo()->endUndoGrouping();
        EXPECT_EQ(answer.okEnabled, k.okEnabled);
        EXPECT_FLOAT_EQ(q->size().width, k.size.width);
        EXPECT_FLOAT_EQ(q->size().height, k.size.height);
        EXPECT_EQ(undo()->canUndo(), k.undoable);
        if (k.undoable) {
            EXPECT_EQ(undo()->undoActionName(), str("Scale"));
            ASSERT_TRUE(undo()->undo());
        }
        EXPECT_EQ(q->size(), (Size{40, 30}));
        EXPECT_EQ(p->size(), (Size{40, 30}));
    }
}

TEST_F(TemplateEditorArrangeTest, ScaleWithoutSelectionOpensNoSheet) {
    int asked = 0;
    ModalAlert::ScopedDialogResponder responder([&](QDialog&) {
        ++asked;
        return int(QDialog::Rejected);
    });
    canvas->performAction(str("scaleByPercent:"), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, 0);
}

TEST_F(TemplateEditorArrangeTest, GroupThenUngroupKeepsPlaceAndUndoRegroups) {
    TMObjectRef s = addRectangle(250, 100);
    p->setSelected(true);
    q->setSelected(true);
    perform("group:");
    ASSERT_EQ(order().size(), 3);
    auto group = std::dynamic_pointer_cast<TMObjectGroup>(order().last());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->groupedObjects(), (QList<TMObjectRef>{p, q}));
    EXPECT_TRUE(group->selected());
    EXPECT_EQ(canvas->selectedObjects(), (QList<TMObjectRef>{group}));
    EXPECT_EQ(undo()->undoActionName(), str("Group"));

    // Move the group into the middle, then ungroup it there.
    document.replaceObjects({r, group, s});
    NoticeCount deleted("TemplateViewObjectDeletedNotification", group.get());
    perform("ungroup:");
    EXPECT_EQ(order(), (QList<TMObjectRef>{r, p, q, s}));
    EXPECT_EQ(canvas->selectedObjects(), (QList<TMObjectRef>{p, q}));
    EXPECT_EQ(deleted.count, 1);
    EXPECT_EQ(undo()->undoActionName(), str("Ungroup"));

    // Undo makes a new group of the same members and leaves the name alone.
    ASSERT_TRUE(undo()->undo());
    ASSERT_EQ(order().size(), 3);
    auto regrouped = std::dynamic_pointer_cast<TMObjectGroup>(order().last());
    ASSERT_NE(regrouped, nullptr);
    EXPECT_EQ(regrouped->groupedObjects(), (QList<TMObjectRef>{p, q}));
    EXPECT_TRUE(regrouped->selected());
    EXPECT_EQ(undo()->redoActionName(), str("Ungroup"));
}

TEST_F(TemplateEditorArrangeTest, AlignMovesToTheTargetAndLockedObjectsStay) {
    struct Case {
        int tag;
        QList<Rect> frames;
        QList<Point> expected;
    };
    const Case cases[] = {
        {EditorTag::AlignLeft,
         {{{10, 5}, {40, 30}}, {{40, 50}, {40, 30}}, {{70, 90}, {40, 30}}},
         {{10, 5}, {10, 50}, {10, 90}}},
        {EditorTag::AlignRight,
         {{{10, 5}, {40, 30}}, {{40, 50}, {20, 30}}, {{70, 90}, {40, 30}}},
         {{70, 5}, {90, 50}, {70, 90}}},
        {EditorTag::AlignTop,
         {{{10, 5}, {40, 30}}, {{40, 50}, {40, 30}}, {{70, 90}, {40, 30}}},
         {{10, 5}, {40, 5}, {70, 5}}},
        {EditorTag::AlignBottom,
         {{{10, 5}, {40, 30}}, {{40, 50}, {40, 10}}, {{70, 90}, {40, 30}}},
         {{10, 90}, {40, 110}, {70, 90}}},
        // Middles of the x ranges 0-20, 100-140 and 40-60: mean 60.
        {EditorTag::AlignVerticalCenters,
         {{{0, 5}, {20, 30}}, {{100, 50}, {40, 30}}, {{40, 90}, {20, 30}}},
         {{50, 5}, {40, 50}, {50, 90}}},
        {EditorTag::AlignHorizontalCenters,
         {{{0, 0}, {20, 20}}, {{100, 100}, {40, 40}}, {{40, 40}, {40, 20}}},
         {{0, 50}, {100, 40}, {40, 50}}},
    };
    const QList<TMObjectRef> objects{p, q, r};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.tag);
        for (int i = 0; i < 3; ++i) {
            objects.at(i)->setFrame(k.frames.at(i));
            objects.at(i)->setSelected(true);
        }
        undo()->removeAllActions();
        perform("alignSelection:", k.tag);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(objects.at(i)->frame().origin, k.expected.at(i)) << i;
        EXPECT_EQ(undo()->undoActionName(), str("Align"));
        ASSERT_TRUE(undo()->undo());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(objects.at(i)->frame(), k.frames.at(i)) << i;
    }
}

TEST_F(TemplateEditorArrangeTest, AligningMiddlesOfTwoMeetsAtTheMeanAndALockedObjectStays) {
    p->setFrame({{0, 10}, {20, 30}});
    q->setFrame({{100, 50}, {40, 30}});
    p->setSelected(true);
    q->setSelected(true);
    perform("alignSelection:", EditorTag::AlignVerticalCenters);
    EXPECT_EQ(p->frame().midX(), 65.0f);
    EXPECT_EQ(q->frame().midX(), 65.0f);

    r->setFrame({{200, 10}, {40, 30}});
    r->setLockedControlPtMask(3);
    r->setSelected(true);
    perform("alignSelection:", EditorTag::AlignLeft);
    EXPECT_EQ(p->frame().minX(), 45.0f);
    EXPECT_EQ(q->frame().minX(), 45.0f);
    EXPECT_EQ(r->frame().minX(), 200.0f);
}

TEST_F(TemplateEditorArrangeTest, PrintAreasReplaceTheOldOnesAtTheCellsAndOneUndoRestores) {
    TMObjectRef first = TMPhotoObject::newTemplateObjectWithOriginSize({20, 20}, {100, 80});
    TMObjectRef second = TMPhotoObject::newTemplateObjectWithOriginSize({150, 40}, {90, 120});
    auto old = TMPrintAreaObject::newTemplateObjectWithOriginSize({0, 0}, {360, 288});
    document.addObject(first);
    document.addObject(old);
    document.addObject(second);
    const QList<TMObjectRef> before = order();
    q->setSelected(true);
    undo()->removeAllActions();

    perform("addPrintAreas:");
    const QList<TMObjectRef> after = order();
    ASSERT_EQ(after.size(), 7);
    QList<Rect> frames;
    for (int i = 0; i < 2; ++i) {
        auto* area = dynamic_cast<TMPrintAreaObject*>(after.at(i).get());
        ASSERT_NE(area, nullptr) << i;
        EXPECT_FALSE(area->cutMarksState());
        EXPECT_TRUE(area->selected());
        frames.append(area->frame());
    }
    EXPECT_EQ(frames, (QList<Rect>{first->frame(), second->frame()}));
    EXPECT_EQ(after.mid(2), (QList<TMObjectRef>{p, q, r, first, second}));
    EXPECT_FALSE(q->selected());
    EXPECT_EQ(undo()->undoActionName(), str("Add Print Areas"));

    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(order(), before);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(TemplateEditorArrangeTest, ToolbarReachesTheCommandsOnceTheyAreEnabled) {
    p->setSelected(true);
    q->setSelected(true);
    p->setFrame({{30, 10}, {40, 30}});
    QAction* item = controller->findToolbarItemWithIdentifier(str("editortoolbar.alignleftedges"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(controller->validateToolbarItem(*item));
    controller->toolbar()->validateVisibleItems();
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    undo()->endUndoGrouping();
    EXPECT_EQ(q->frame().minX(), 30.0f);
    EXPECT_EQ(undo()->undoActionName(), str("Align"));

    q->setSelected(false);
    EXPECT_FALSE(controller->validateToolbarItem(*item));
    // Bring to Front is not among the default items: the one the palette offers.
    QAction* front = controller->toolbarItemForItemIdentifier(*controller->toolbar(),
                                                              str("editortoolbar.bringtofront"));
    ASSERT_NE(front, nullptr);
    EXPECT_TRUE(controller->validateToolbarItem(*front));
    front->setEnabled(true);
    front->trigger();
    EXPECT_EQ(order().last(), p);
}

} // namespace

namespace {

class TemplateEditorGuideCommandTest : public ::testing::Test, public EditorFixture {
protected:
    void add(const char* action) {
        canvas->performAction(str(action), nullptr);
        QCoreApplication::processEvents();
    }
};

TEST_F(TemplateEditorGuideCommandTest, GuidesGoToTheFirstFreePlaceAndReachThePage) {
    add("addHGuide:");
    add("addHGuide:");
    add("addHGuide:");
    EXPECT_EQ(canvas->horizontalGuides(), (QList<float>{72, 90, 108}));
    EXPECT_TRUE(canvas->verticalGuides().isEmpty());
    QVariantList stored;
    for (float v : {72.0f, 90.0f, 108.0f})
        stored.append(v);
    EXPECT_EQ(document.pageDesc()->horizontalGuides(), stored);
    EXPECT_TRUE(document.isDocumentEdited());

    canvas->setVerticalGuides({72.0f, 90.0f});
    add("addVGuide:");
    EXPECT_EQ(canvas->verticalGuides(), (QList<float>{72, 90, 108}));

    // An added guide survives save and reopen.
    QTemporaryDir folder;
    const QString path = folder.filePath(str("Guides.vyxTemplate"));
    QString error;
    ASSERT_TRUE(document.writeToFileOfType(path, str(kTemplateDocumentType), &error))
        << error.toStdString();
    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(path, str(kTemplateDocumentType), &error))
        << error.toStdString();
    EXPECT_EQ(reopened.pageDesc()->horizontalGuides().size(), 3);
    EXPECT_EQ(reopened.pageDesc()->verticalGuides().value(2).toFloat(), 108.0f);
}

TEST_F(TemplateEditorGuideCommandTest,
       WhenEveryPlaceIsTakenItBeepsAndAtAnyZoomGuidesStayOnThePage) {
    controller->zoomIn();
    controller->zoomIn();
    ASSERT_EQ(controller->zoomFactor(), 4.0f);
    const int beeps = ModalAlert::beepCount();
    int added = 0;
    while (ModalAlert::beepCount() == beeps && added < 1000) {
        add("addVGuide:");
        ++added;
    }
    ASSERT_EQ(ModalAlert::beepCount(), beeps + 1);
    const QList<float> guides = canvas->verticalGuides();
    EXPECT_EQ(guides.size(), added - 1);
    EXPECT_GT(guides.size(), 10);
    // The page is 288 points high.
    for (float g : guides)
        EXPECT_LE(g, 288.0f);
    add("addVGuide:");
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 2);
    EXPECT_EQ(canvas->verticalGuides(), guides);
}

} // namespace
