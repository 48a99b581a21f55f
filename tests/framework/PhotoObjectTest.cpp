#include "ChangeCounter.h"
#include "framework/model/GenericDocument.h"
#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMRectPhotoMask.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

TMPhotoObjectRef read(const QVariantMap& representation) {
    return TMPhotoObject::newTemplateObjectWithRepresentation(representation);
}

} // namespace

TEST(PhotoObject, ANewCellHasTheDefaults) {
    TestHost host;
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObject();
    EXPECT_EQ(cell->kind(), "TMPhotoObject");
    EXPECT_TRUE(cell->isPhotoObject());
    EXPECT_EQ(cell->photoNumber(), 0);
    EXPECT_EQ(cell->opacity(), 1.0f);
    EXPECT_FALSE(cell->maskEnabled());
    auto oval = std::dynamic_pointer_cast<TMOvalPhotoMask>(cell->mask());
    ASSERT_TRUE(oval);
    EXPECT_EQ(oval->featherPct(), 0.0f);
    EXPECT_EQ(oval->parentObject(), cell.get());
    ASSERT_TRUE(cell->shadow());
    EXPECT_FLOAT_EQ(cell->shadow()->offset.width, 7.071068f);
    EXPECT_FLOAT_EQ(cell->shadow()->offset.height, -7.071068f);
    EXPECT_FALSE(cell->supportsSharedIamges());
    EXPECT_TRUE(cell->sharedImageRef().isNull());
    EXPECT_EQ(TMPhotoObject::classObjectControllerClass(), "TMPhotoObjectController");

    // Made from an origin: the centre is the middle of the rectangle.
    TMPhotoObjectRef placed = TMPhotoObject::newTemplateObjectWithOriginSize({10, 20}, {100, 50});
    EXPECT_EQ(placed->center(), (Point{60, 45}));
    EXPECT_EQ(placed->size(), (Size{100, 50}));
}

TEST(PhotoObject, TheVisibleFrameLeavesRoomForTheRenderedShadow) {
    TestHost host;
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObjectWithOriginSize({100, 100}, {50, 40});
    TMObjectRef plain = TMObject::newTemplateObjectWithOriginSize({100, 100}, {50, 40});
    const Rect base = plain->visibleFrame();
    EXPECT_EQ(cell->visibleFrame(), insetRect(base, -72, -72));
}

TEST(PhotoObject, TheRepresentationCarriesNumberOpacityAndMask) {
    TestHost host;
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {80, 60});
    cell->setPhotoNumber(3);
    cell->setOpacity(0.5f);
    cell->setMaskEnabled(true);
    auto rect = TMPhotoMask::create<TMRectPhotoMask>();
    rect->setFeatherPct(0.2f);
    rect->setCornerRadius(0.3f);
    cell->setMask(rect);

    const QVariantMap representation = cell->dictRepresentation();
    EXPECT_EQ(representation.value("photo_num").metaType().id(), QMetaType::Int);
    EXPECT_EQ(representation.value("photo_opacity").metaType().id(), QMetaType::Float);
    EXPECT_EQ(representation.value("photo_mask_en").metaType().id(), QMetaType::Bool);
    EXPECT_EQ(representation.value("photo_mask").metaType().id(), QMetaType::QByteArray);

    TMPhotoObjectRef back = read(representation);
    EXPECT_EQ(back->photoNumber(), 3);
    EXPECT_EQ(back->opacity(), 0.5f);
    EXPECT_TRUE(back->maskEnabled());
    auto backRect = std::dynamic_pointer_cast<TMRectPhotoMask>(back->mask());
    ASSERT_TRUE(backRect);
    EXPECT_NE(backRect, rect);
    EXPECT_EQ(backRect->featherPct(), 0.2f);
    EXPECT_EQ(backRect->cornerRadius(), 0.3f);
    EXPECT_EQ(backRect->parentObject(), back.get());
    EXPECT_EQ(back->uniqueID(), cell->uniqueID());

    // A copy goes the same way and owns a mask of its own.
    TMObjectRef copy = cell->copy();
    auto copied = std::dynamic_pointer_cast<TMPhotoObject>(copy);
    ASSERT_TRUE(copied);
    EXPECT_NE(copied->mask(), cell->mask());
    EXPECT_EQ(copied->mask()->parentObject(), copied.get());
}

TEST(PhotoObject, MissingOrDamagedKeysKeepTheDefaults) {
    TestHost host;
    TMPhotoObjectRef bare = read({{"kind", "TMPhotoObject"}});
    EXPECT_EQ(bare->photoNumber(), 0);
    EXPECT_EQ(bare->opacity(), 1.0f);
    EXPECT_FALSE(bare->maskEnabled());
    EXPECT_TRUE(std::dynamic_pointer_cast<TMOvalPhotoMask>(bare->mask()));

    TMPhotoObjectRef damaged = read({{"photo_mask", QByteArray("not an archive")}});
    ASSERT_TRUE(std::dynamic_pointer_cast<TMOvalPhotoMask>(damaged->mask()));
    EXPECT_EQ(damaged->mask()->parentObject(), damaged.get());

    // A stored mask of nothing is kept as no mask.
    TMPhotoObjectRef none = read({{"photo_mask", Archiver::archivedData(QVariant())}});
    EXPECT_EQ(none->mask(), nullptr);
}

TEST(PhotoObject, ABitmapMaskNamesItsPictureAsASharedImage) {
    TestHost host;
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObject();
    auto bitmap = TMPhotoMask::create<TMBitmapPhotoMask>();
    bitmap->setMaskPatternName("Hearts/x.png");
    cell->setMask(bitmap);
    EXPECT_TRUE(cell->supportsSharedIamges());
    EXPECT_EQ(cell->sharedImageRef(), ":mask:_Hearts/x.png");
}

TEST(PhotoObject, MaskArchivesOfEveryKindRoundTripThroughATemplateFile) {
    TestHost host;
    QTemporaryDir folder;
    host.masksPath = folder.path();
    const QString target = folder.path() + "/masks.vyxTemplate";
    {
        TemplateDocument document;
        auto add = [&](TMPhotoMaskRef mask) {
            TMPhotoObjectRef cell = TMPhotoObject::newTemplateObject();
            cell->setMask(mask);
            cell->setMaskEnabled(true);
            document.addObject(cell);
        };
        auto oval = TMPhotoMask::create<TMOvalPhotoMask>();
        oval->setFeatherPct(0.75f);
        add(oval);
        auto rect = TMPhotoMask::create<TMRectPhotoMask>();
        rect->setFeatherPct(0.5f);
        rect->setCornerRadius(0.9f);
        add(rect);
        auto bitmap = TMPhotoMask::create<TMBitmapPhotoMask>();
        bitmap->setMaskPatternName("Stars/star.png");
        bitmap->setPatternRotation(180);
        add(bitmap);
        ASSERT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
    }
    TemplateDocument reopened;
    QString error;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType), &error))
        << error.toStdString();
    ASSERT_EQ(reopened.objects().size(), 3);
    std::vector<TMPhotoObjectRef> cells;
    for (const TMObjectRef& object : reopened.objects()) {
        auto cell = std::dynamic_pointer_cast<TMPhotoObject>(object);
        ASSERT_TRUE(cell);
        EXPECT_TRUE(cell->maskEnabled());
        EXPECT_EQ(cell->mask()->parentObject(), cell.get());
        cells.push_back(cell);
    }
    auto oval = std::dynamic_pointer_cast<TMOvalPhotoMask>(cells[0]->mask());
    ASSERT_TRUE(oval);
    EXPECT_EQ(oval->featherPct(), 0.75f);
    auto rect = std::dynamic_pointer_cast<TMRectPhotoMask>(cells[1]->mask());
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->featherPct(), 0.5f);
    EXPECT_EQ(rect->cornerRadius(), 0.9f);
    auto bitmap = std::dynamic_pointer_cast<TMBitmapPhotoMask>(cells[2]->mask());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->maskPatternName(), "Stars/star.png");
    EXPECT_EQ(bitmap->patternRotation(), 180);
}

// ---------------------------------------------------------------------------
// Setters

struct PhotoObjectSetters : ::testing::Test {
    PhotoObjectSetters() {
        undo = document.undoManager();
        cell = TMPhotoObject::newTemplateObject();
        cell->setParentDocument(&document);
    }
    template <class F> void action(F f) {
        undo->beginUndoGrouping();
        f();
        undo->endUndoGrouping();
    }

    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMPhotoObjectRef cell;
};

TEST_F(PhotoObjectSetters, OpacityMaskSwitchAndMaskAreUndoable) {
    ChangeCounter changes(cell);
    action([&] { cell->setOpacity(0.25f); });
    EXPECT_EQ(undo->undoActionName(), "Opacity");
    action([&] { cell->setMaskEnabled(true); });
    EXPECT_EQ(undo->undoActionName(), "Mask On/Off");
    const TMPhotoMaskRef before = cell->mask();
    auto rect = TMPhotoMask::create<TMRectPhotoMask>();
    action([&] { cell->setMask(rect); });
    EXPECT_EQ(undo->undoActionName(), "Mask Change");
    EXPECT_EQ(rect->parentObject(), cell.get());
    EXPECT_GE(changes.posted(), 1);

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(cell->mask(), before);
    EXPECT_EQ(before->parentObject(), cell.get());
    ASSERT_TRUE(undo->undo());
    EXPECT_FALSE(cell->maskEnabled());
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(cell->opacity(), 1.0f);
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(cell->opacity(), 0.25f);
}

TEST_F(PhotoObjectSetters, UnchangedValuesAndTheNumberRegisterNothing) {
    ChangeCounter changes(cell);
    cell->setOpacity(1.0f);
    cell->setMaskEnabled(false);
    cell->setMask(cell->mask());
    cell->setPhotoNumber(4);
    EXPECT_EQ(cell->photoNumber(), 4);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(changes.posted(), 0);
}
