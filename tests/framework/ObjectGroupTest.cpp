#include "TestPage.h"
#include "framework/model/TMImageObject.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMRenderPass.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/ModalAlert.h"
#include "support/TestHost.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// A page object that counts what the group asks of it.
class Probe : public TMObject {
public:
    static std::shared_ptr<Probe> make(Point origin, Size size) {
        auto probe = create<Probe>();
        probe->initWithCenterSize({origin.x + size.width / 2, origin.y + size.height / 2}, size);
        return probe;
    }
    bool hitTest(Point point) const override {
        ++asked;
        return TMObject::hitTest(point);
    }
    void flipHorizontally() override { ++horizontalFlips; }
    void flipVertically() override { ++verticalFlips; }

    mutable int asked = 0;
    int horizontalFlips = 0;
    int verticalFlips = 0;
};

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<Probe>(str("TMTestGroupProbe"));
    return true;
}();

TMObjectRef plain(Point origin, Size size) {
    return TMObject::newTemplateObjectWithOriginSize(origin, size);
}

TMObjectGroupRef groupOf(const QList<TMObjectRef>& members) {
    TMObjectGroupRef group = TMObjectGroup::newTemplateObject();
    group->setGroupedObjects(members);
    return group;
}

void expectPoint(Point actual, Point expected, const char* what) {
    EXPECT_NEAR(actual.x, expected.x, 1e-3) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-3) << what;
}

QVariantMap nestedGroupRepresentation(int levels) {
    // The innermost group holds one plain object; each level holds the next.
    QVariantMap representation{
        {str("kind"), str("TMObjectGroup")},
        {str(kGroupContainerKey),
         Archiver::archivedData(QVariantList{plain({0, 0}, {10, 10})->dictRepresentation()})}};
    for (int level = 1; level < levels; ++level)
        representation = {
            {str("kind"), str("TMObjectGroup")},
            {str(kGroupContainerKey), Archiver::archivedData(QVariantList{representation})}};
    return representation;
}

int nestingDepth(const TMObjectRef& object) {
    int depth = 0;
    TMObjectRef at = object;
    while (auto group = std::dynamic_pointer_cast<TMObjectGroup>(at)) {
        ++depth;
        at.reset();
        for (const TMObjectRef& member : group->groupedObjects())
            if (std::dynamic_pointer_cast<TMObjectGroup>(member))
                at = member;
    }
    return depth;
}

struct ObjectGroup : ::testing::Test {
    TestHost host;
};

} // namespace

TEST_F(ObjectGroup, TakesTheUnionOfItsMembersAndDeselectsThem) {
    const TMObjectRef a = plain({0, 0}, {10, 10});
    const TMObjectRef b = plain({20, 20}, {10, 10});
    a->setSelected(true);
    b->setSelected(true);
    const TMObjectGroupRef group = groupOf({a, b});
    expectPoint(group->center(), {15, 15}, "centre");
    EXPECT_EQ(group->size(), (Size{30, 30}));
    EXPECT_FALSE(a->selected());
    EXPECT_FALSE(b->selected());
    EXPECT_TRUE(group->supportsSizeLock());
    EXPECT_EQ(group->groupedObjects(), (QList<TMObjectRef>{a, b}));
}

TEST_F(ObjectGroup, RotatedMembersForbidResizingAndTheSizeLockIsRefusedWithABeep) {
    const TMObjectRef turned = plain({0, 0}, {10, 10});
    turned->setRotation(15);
    const TMObjectGroupRef group = groupOf({turned, plain({20, 20}, {10, 10})});
    EXPECT_FALSE(group->supportsSizeLock());
    EXPECT_EQ(group->lockedSizeMask(), 3);

    const int beeps = ModalAlert::beepCount();
    group->setLockedSizeMask(0);
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
    EXPECT_EQ(group->lockedSizeMask(), 3);
    // Locked both ways, a resize changes nothing.
    const Size size = group->size();
    group->setSize({100, 100});
    EXPECT_EQ(group->size(), size);

    // Unrotated members again: the lock is the user's.
    group->setGroupedObjects({plain({0, 0}, {10, 10})});
    EXPECT_TRUE(group->supportsSizeLock());
    group->setLockedSizeMask(1);
    EXPECT_EQ(group->lockedSizeMask(), 1);
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
}

TEST_F(ObjectGroup, DoublingTheWidthDoublesMemberWidthsAndTheirDistanceFromTheCentre) {
    const TMObjectRef a = plain({0, 0}, {10, 10});
    const TMObjectRef b = plain({20, 20}, {10, 10});
    const TMObjectGroupRef group = groupOf({a, b});
    group->setSize({60, 30});
    expectPoint(a->center(), {-5, 5}, "a");
    expectPoint(b->center(), {35, 25}, "b");
    EXPECT_EQ(a->size(), (Size{20, 10}));
    EXPECT_EQ(b->size(), (Size{20, 10}));

    // Dragging the right knob: the group's left edge stays, its members fill it.
    const TMObjectGroupRef dragged = groupOf({plain({0, 0}, {10, 10}), plain({20, 20}, {10, 10})});
    EXPECT_EQ(dragged->resizeByMovingKnobToPoint(5, {60, 15}), 5);
    Rect united = kZeroRect;
    for (const TMObjectRef& member : dragged->groupedObjects())
        united = unionRect(united, member->frame());
    EXPECT_EQ(united, Rect(0, 0, 60, 30));
}

TEST_F(ObjectGroup, SizesOfNoWidthOrNoEndAreIgnored) {
    const TMObjectRef a = plain({0, 0}, {10, 10});
    const TMObjectGroupRef group = groupOf({a, plain({20, 20}, {10, 10})});
    for (const Size size : {Size{0, 30}, Size{30, 0}, Size{INFINITY, 30}, Size{NAN, 30}}) {
        group->setAbsoluteSize(size);
        EXPECT_EQ(group->size(), (Size{30, 30}));
        EXPECT_EQ(a->size(), (Size{10, 10}));
    }
    // A group without extent has no factor to scale by.
    const TMObjectRef line = plain({0, 0}, {0, 10});
    const TMObjectGroupRef flat = groupOf({line});
    const Size flatSize = flat->size();
    EXPECT_EQ(flatSize.width, 0);
    flat->setAbsoluteSize({20, 10});
    EXPECT_EQ(flat->size(), flatSize);
    EXPECT_EQ(line->size(), (Size{0, 10}));
}

TEST_F(ObjectGroup, RotatingAQuarterTurnCarriesMembersAlong) {
    const TMObjectRef a = plain({20, 0}, {10, 10});
    a->setRotation(350);
    const TMObjectRef b = plain({0, 0}, {10, 10});
    const TMObjectGroupRef group = groupOf({a, b});
    const Point c = group->center();
    const Point before = a->center();
    group->setRotation(90);
    EXPECT_FLOAT_EQ(a->rotation(), 80);
    EXPECT_FLOAT_EQ(b->rotation(), 90);
    // A quarter turn about the group's centre, the way rotations turn.
    expectPoint(a->center(), {c.x - (before.y - c.y), c.y + (before.x - c.x)}, "a");
    EXPECT_FLOAT_EQ(group->rotation(), 90);
}

TEST_F(ObjectGroup, FlippingMirrorsMembersAcrossTheGroupsOwnAxis) {
    const auto turned = Probe::make({20, 10}, {10, 10});
    turned->setRotation(30);
    const auto other = Probe::make({0, 0}, {10, 10});
    const TMObjectGroupRef group = groupOf({turned, other});
    const Point c = group->center();
    const Point before = turned->center();
    group->flipHorizontally();
    expectPoint(turned->center(), {c.x - (before.x - c.x), before.y}, "mirrored");
    EXPECT_FLOAT_EQ(turned->rotation(), 30);
    EXPECT_EQ(turned->horizontalFlips, 1);
    EXPECT_EQ(other->horizontalFlips, 1);
    EXPECT_EQ(turned->verticalFlips, 0);

    // Turned a quarter, the group's vertical axis lies along the page's x axis.
    const auto right = Probe::make({30, -5}, {10, 10});
    const auto left = Probe::make({-10, -5}, {10, 10});
    const TMObjectGroupRef quarter = groupOf({right, left});
    const Point q = quarter->center();
    quarter->setRotation(90);
    expectPoint(right->center(), {q.x, q.y + 20}, "turned");
    quarter->flipHorizontally();
    expectPoint(right->center(), {q.x, q.y - 20}, "turned and mirrored");
    expectPoint(left->center(), {q.x, q.y + 20}, "the other");
    EXPECT_FLOAT_EQ(right->rotation(), 90);
    EXPECT_EQ(right->horizontalFlips, 1);

    quarter->flipVertically();
    expectPoint(right->center(), {q.x, q.y - 20}, "on the mirror axis");
    EXPECT_EQ(right->verticalFlips, 1);
}

TEST_F(ObjectGroup, MovesUnderItsLocksAndTheMembersFollow) {
    const TMObjectRef a = plain({0, 0}, {10, 10});
    const TMObjectGroupRef group = groupOf({a, plain({20, 20}, {10, 10})});
    group->moveBy({5, 7});
    expectPoint(group->center(), {20, 22}, "group");
    expectPoint(a->center(), {10, 12}, "member");
    group->setLockedControlPtMask(1);
    group->moveBy({5, 7});
    expectPoint(group->center(), {20, 29}, "x locked");
    expectPoint(a->center(), {10, 19}, "member, x locked");
    group->setLockedControlPtMask(3);
    group->moveBy({5, 7});
    expectPoint(a->center(), {10, 19}, "member, both locked");
}

TEST_F(ObjectGroup, UndoOfAMoveBringsGroupAndMembersBack) {
    TemplateDocument document;
    const TMObjectRef a = plain({0, 0}, {10, 10});
    const TMObjectGroupRef group = groupOf({a, plain({20, 20}, {10, 10})});
    document.addObject(group);
    EXPECT_EQ(a->parentDocument(), &document);
    UndoManager* undo = document.undoManager();
    undo->removeAllActions();

    // As the editor's drag does: the geometry before the move is the undo step.
    undo->beginUndoGrouping();
    undo->registerUndo(group.get(),
                       [group, before = group->geometry()] { group->setGeometry(before); });
    group->moveBy({40, -10});
    undo->endUndoGrouping();
    expectPoint(a->center(), {45, -5}, "moved");

    ASSERT_TRUE(undo->undo());
    expectPoint(group->center(), {15, 15}, "group after undo");
    expectPoint(a->center(), {5, 5}, "member after undo");
    ASSERT_TRUE(undo->redo());
    expectPoint(group->center(), {55, 5}, "group after redo");
    expectPoint(a->center(), {45, -5}, "member after redo");
}

TEST_F(ObjectGroup, TheTopmostMemberIsHitFirst) {
    const auto bottom = Probe::make({0, 0}, {20, 20});
    const auto top = Probe::make({10, 10}, {20, 20});
    const TMObjectGroupRef group = groupOf({bottom, top});
    EXPECT_TRUE(group->hitTest({15, 15}));
    EXPECT_EQ(top->asked, 1);
    EXPECT_EQ(bottom->asked, 0);

    EXPECT_TRUE(group->hitTest({5, 5}));
    EXPECT_EQ(top->asked, 2);
    EXPECT_EQ(bottom->asked, 1);

    // Outside the frame, no member is asked; inside the frame between members, none is hit.
    EXPECT_FALSE(group->hitTest({100, 100}));
    EXPECT_FALSE(group->hitTest({27, 3}));
    EXPECT_EQ(top->asked, 3);
    EXPECT_EQ(bottom->asked, 2);
}

TEST_F(ObjectGroup, FramesReachOverEveryMember) {
    const TMObjectRef a = plain({0, 0}, {10, 10});
    const auto cell = TMPhotoObject::newTemplateObjectWithOriginSize({20, 20}, {10, 10});
    const TMObjectGroupRef group = groupOf({a, cell});
    EXPECT_EQ(group->encapsulatingFrame(), Rect(-1, -1, 32, 32));
    // The photo cell's visible frame leaves room for its shadow.
    EXPECT_EQ(group->visibleFrame(), unionRect(a->visibleFrame(), cell->visibleFrame()));
    group->setSelected(true);
    EXPECT_EQ(group->encapsulatingFrame(), Rect(-5, -5, 40, 40));
}

TEST_F(ObjectGroup, QueriesDescendIntoNestedGroupsInMemberOrder) {
    const auto first = TMPhotoObject::newTemplateObject();
    const auto second = TMPhotoObject::newTemplateObject();
    const auto third = TMPhotoObject::newTemplateObject();
    const auto area = TMPrintAreaObject::newTemplateObject();
    const auto picture = TMImageObject::newTemplateObject();
    const TMObjectGroupRef inner = groupOf({second, area, third});
    const TMObjectGroupRef outer = groupOf({first, plain({0, 0}, {5, 5}), inner, picture});

    EXPECT_EQ(outer->containedPhotoObjects(), (QList<TMObjectRef>{first, second, third}));
    EXPECT_EQ(outer->containedPrintAreaObjects(), QList<TMObjectRef>{area});
    EXPECT_EQ(outer->containedSharedImageObjects(), QList<TMObjectRef>{picture});
    EXPECT_TRUE(outer->containedEditableTextObjects().isEmpty());
    EXPECT_TRUE(outer->containedPropertyTextObjects().isEmpty());
}

TEST_F(ObjectGroup, ReadingDropsOnlyMembersOfUnknownKinds) {
    const auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({0, 0}, {10, 10});
    const TMObjectRef other = plain({30, 0}, {10, 10});
    QVariantMap stranger = plain({100, 100}, {10, 10})->dictRepresentation();
    stranger.insert(str("kind"), str("TMNoSuchObject"));
    const QVariantMap representation{
        {str("kind"), str("TMObjectGroup")},
        {str(kGroupContainerKey), Archiver::archivedData(QVariantList{
                                      area->dictRepresentation(), stranger, str("not a dictionary"),
                                      other->dictRepresentation()})}};
    const TMObjectGroupRef group =
        TMObjectGroup::newTemplateObjectWithRepresentation(representation);
    ASSERT_EQ(group->groupedObjects().size(), 2);
    EXPECT_TRUE(std::dynamic_pointer_cast<TMPrintAreaObject>(group->groupedObjects().at(0)));
    EXPECT_EQ(group->groupedObjects().at(1)->uniqueID(), other->uniqueID());
    // The stranger took no part in the frame.
    EXPECT_EQ(group->frame(), Rect(0, 0, 40, 10));
}

TEST_F(ObjectGroup, RepresentationKeepsMembersFrameAndSizeLock) {
    const TMObjectGroupRef group =
        groupOf({plain({0, 0}, {10, 10}), groupOf({plain({20, 20}, {10, 10})})});
    group->setLockedSizeMask(2);
    const QVariantMap written = group->dictRepresentation();
    const TMObjectGroupRef read = TMObjectGroup::newTemplateObjectWithRepresentation(written);
    EXPECT_EQ(read->dictRepresentation(), written);
    EXPECT_EQ(read->lockedSizeMask(), 2);
    ASSERT_EQ(read->groupedObjects().size(), 2);
    EXPECT_TRUE(std::dynamic_pointer_cast<TMObjectGroup>(read->groupedObjects().at(1)));
    // A copy is the same group with the same members.
    EXPECT_EQ(group->copy()->dictRepresentation(), written);
}

TEST_F(ObjectGroup, NestingDeeperThanTheLimitIsDroppedWhenRead) {
    const TMObjectRef atLimit = TMObjectGroup::newTemplateObjectWithRepresentation(
        nestedGroupRepresentation(TMObjectGroup::kMaxNestingDepth));
    EXPECT_EQ(nestingDepth(atLimit), TMObjectGroup::kMaxNestingDepth);

    const TMObjectRef beyond = TMObjectGroup::newTemplateObjectWithRepresentation(
        nestedGroupRepresentation(TMObjectGroup::kMaxNestingDepth + 6));
    EXPECT_EQ(nestingDepth(beyond), TMObjectGroup::kMaxNestingDepth);
}

TEST_F(ObjectGroup, ParentDocumentReachesEveryMember) {
    TemplateDocument document;
    const TMObjectRef deep = plain({0, 0}, {10, 10});
    const TMObjectGroupRef group = groupOf({plain({20, 0}, {5, 5}), groupOf({deep})});
    document.addObject(group);
    EXPECT_EQ(deep->parentDocument(), &document);
    EXPECT_EQ(group->parentDocument(), &document);
}

TEST_F(ObjectGroup, MembersAreDrawnInOrderWithThePassesRenderState) {
    QImage redPixels(4, 4, QImage::Format_ARGB32_Premultiplied);
    redPixels.fill(Qt::red);
    QImage bluePixels = redPixels;
    bluePixels.fill(Qt::blue);
    const auto red = TMImageObject::newTemplateObjectWithOriginSize({0, 0}, {20, 20});
    red->setImage(Image(redPixels));
    const auto blue = TMImageObject::newTemplateObjectWithOriginSize({10, 10}, {20, 20});
    blue->setImage(Image(bluePixels));
    const auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({60, 60}, {20, 20});
    const TMObjectGroupRef group = groupOf({red, groupOf({blue, area})});

    TestPage page(100, 100, DestinationKind::Screen);
    {
        TMRenderPass pass({group}, TMRenderState{.destinationDPI = 300, .drawingThumbnail = true},
                          TMRenderPass::Renderings::Drop);
        EXPECT_TRUE(area->drawingThumbnail());
        EXPECT_EQ(area->destinationDPI(), 300);
        group->drawObject(true);
    }
    EXPECT_FALSE(area->drawingThumbnail());
    EXPECT_EQ(area->destinationDPI(), 0);

    EXPECT_TRUE(nearColour(page.at(5, 5), Qt::red)) << colourText(page.at(5, 5));
    // The later member lies on top.
    EXPECT_TRUE(nearColour(page.at(15, 15), Qt::blue)) << colourText(page.at(15, 15));
    EXPECT_TRUE(nearColour(page.at(50, 50), Qt::white));
}
