#include "framework/model/GenericDocument.h"
#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoMaskManager.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMRectPhotoMask.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/GraphicsContext.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Counts the notifications of one name and sender.
class Counter {
public:
    Counter(const char* name, const void* sender) {
        NotificationCenter::defaultCenter().addObserver(this, QString::fromLatin1(name), sender,
                                                        [this](const Notification& n) {
                                                            ++count;
                                                            last = n.object();
                                                        });
    }
    ~Counter() { NotificationCenter::defaultCenter().removeObserver(this); }
    // Lets the queue post what it holds.
    int posted() {
        QCoreApplication::processEvents();
        return count;
    }
    int count = 0;
    const void* last = nullptr;
};

// Writes one dictionary, as a mask class writes its own part; archived under a
// stand-in name that retarget() turns into a mask's class name.
class DictionaryWriter : public Archivable {
public:
    void encodeWithCoder(Archiver& coder) const override { coder.encodeObject(own); }
    bool initWithCoder(Unarchiver&) override { return false; }
    QVariant own;
};

const char kStandIn[] = "PhotoMaskTestDictionaryWriter";

const bool kWriterRegistered = [] {
    ClassRegistry::shared().registerClass<DictionaryWriter>(QString::fromLatin1(kStandIn));
    return true;
}();

// The archive of a mask of the class whose own part is the dictionary.
QByteArray maskArchive(const QString& className, const QVariant& own) {
    auto writer = std::make_shared<DictionaryWriter>();
    writer->own = own;
    QByteArray data = Archiver::archivedData(std::static_pointer_cast<Archivable>(writer));
    // A class name is written as its length (32 bits, little-endian) and its bytes.
    const QByteArray standIn(kStandIn);
    const qsizetype at = data.indexOf(standIn);
    EXPECT_GE(at, 4);
    const QByteArray name = className.toUtf8();
    char length[4];
    qToLittleEndian<quint32>(quint32(name.size()), length);
    data.replace(at - 4, 4 + standIn.size(), QByteArray(length, 4) + name);
    return data;
}

template <class T> std::shared_ptr<T> roundTrip(const TMPhotoMaskRef& mask) {
    const QByteArray data = Archiver::archivedData(std::static_pointer_cast<Archivable>(mask));
    EXPECT_FALSE(data.isNull());
    return Unarchiver::unarchiveObjectOfClass<T>(data);
}

} // namespace

// ---------------------------------------------------------------------------
// Registry

TEST(PhotoMaskManager, ListsTheNineNamesInOrderAndMakesTheKindsThatExist) {
    TestHost host;
    TMPhotoMaskManager* manager = TMPhotoMaskManager::sharedManager();
    EXPECT_EQ(manager, gSharedPhotoMaskManager);
    EXPECT_EQ(manager, TMPhotoMaskManager::sharedManager());
    EXPECT_EQ(manager->photoMaskNames(),
              QStringList({"Bitmap", "Burst", "Cloud", "Diamond", "Heart", "Oval", "Pinking Shear",
                           "Rectangle", "Triangle"}));

    EXPECT_TRUE(std::dynamic_pointer_cast<TMOvalPhotoMask>(manager->photoMaskWithName("Oval")));
    EXPECT_TRUE(
        std::dynamic_pointer_cast<TMRectPhotoMask>(manager->photoMaskWithName("Rectangle")));
    EXPECT_TRUE(std::dynamic_pointer_cast<TMBitmapPhotoMask>(manager->photoMaskWithName("Bitmap")));
    // Names compare exactly; unknown names and kinds without a class give nothing.
    EXPECT_EQ(manager->photoMaskWithName("oval"), nullptr);
    EXPECT_EQ(manager->photoMaskWithName("Star"), nullptr);
    EXPECT_EQ(manager->photoMaskWithName(""), nullptr);
    if (!ClassRegistry::shared().classNamed("TMBurstPhotoMask")) {
        EXPECT_EQ(manager->photoMaskWithName("Burst"), nullptr);
    }

    // Every call makes a new mask.
    EXPECT_NE(manager->photoMaskWithName("Oval"), manager->photoMaskWithName("Oval"));
}

TEST(PhotoMaskManager, NewMasksHaveTheirDefaults) {
    TestHost host;
    QTemporaryDir masks;
    host.masksPath = masks.path();
    TMPhotoMaskManager* manager = TMPhotoMaskManager::sharedManager();

    auto oval = std::dynamic_pointer_cast<TMOvalPhotoMask>(manager->defaultPhotoMask());
    ASSERT_TRUE(oval);
    EXPECT_EQ(oval->featherPct(), 0.0f);
    EXPECT_EQ(oval->parentObject(), nullptr);
    EXPECT_EQ(oval->name(), "Oval");
    EXPECT_EQ(oval->maskControllerClass(), "TMOvalPhotoMaskController");

    auto rect = std::dynamic_pointer_cast<TMRectPhotoMask>(manager->photoMaskWithName("Rectangle"));
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->featherPct(), 0.0f);
    EXPECT_EQ(rect->cornerRadius(), 0.1f);
    EXPECT_EQ(rect->name(), "Rectangle");

    auto bitmap =
        std::dynamic_pointer_cast<TMBitmapPhotoMask>(manager->photoMaskWithName("Bitmap"));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->maskPatternName(), "");
    EXPECT_EQ(bitmap->patternRotation(), 0);
    EXPECT_EQ(bitmap->name(), "Bitmap");
}

// ---------------------------------------------------------------------------
// Parent, resolution, copies

TEST(PhotoMask, DrawsForTheParentsResolutionOr72) {
    TestHost host;
    auto mask = TMPhotoMask::create<TMOvalPhotoMask>();
    EXPECT_EQ(mask->destinationDPI(), 72.0f);
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObject();
    mask->setParentObject(cell.get());
    EXPECT_EQ(mask->destinationDPI(), 72.0f); // the parent reports 0
    cell->setDestinationDPI(300.7f);
    EXPECT_EQ(mask->destinationDPI(), 300.0f);
}

TEST(PhotoMask, CopiesAreIndependentMasksOfTheSameClassAndParent) {
    TestHost host;
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObject();
    auto rect = TMPhotoMask::create<TMRectPhotoMask>();
    rect->setFeatherPct(0.4f);
    rect->setCornerRadius(0.7f);
    rect->setParentObject(cell.get());

    auto copy = std::dynamic_pointer_cast<TMRectPhotoMask>(rect->copy());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy, rect);
    EXPECT_EQ(copy->featherPct(), 0.4f);
    EXPECT_EQ(copy->cornerRadius(), 0.7f);
    EXPECT_EQ(copy->parentObject(), cell.get());
    copy->setFeatherPct(0.1f);
    EXPECT_EQ(rect->featherPct(), 0.4f);
}

TEST(PhotoMask, ParentGoneLeavesNoDanglingParent) {
    TestHost host;
    TMPhotoMaskRef kept;
    TMPhotoMaskRef replaced;
    {
        TMPhotoObjectRef cell = TMPhotoObject::newTemplateObject();
        replaced = cell->mask();
        cell->setMask(TMPhotoMask::create<TMRectPhotoMask>());
        kept = cell->mask();
        EXPECT_EQ(kept->parentObject(), cell.get());
    }
    // The queued change notification held the cell until it was posted.
    QCoreApplication::processEvents();
    EXPECT_EQ(kept->parentObject(), nullptr);
    EXPECT_EQ(replaced->parentObject(), nullptr);
    // A change of an orphaned mask only announces itself.
    Counter changed(kPhotoMaskChangedNofity, static_cast<const TMPhotoMask*>(kept.get()));
    std::static_pointer_cast<TMRectPhotoMask>(kept)->setFeatherPct(0.5f);
    EXPECT_EQ(changed.posted(), 1);
}

// ---------------------------------------------------------------------------
// Setters: undo, notifications, the cell's side

struct PhotoMaskSetters : ::testing::Test {
    PhotoMaskSetters() {
        undo = document.undoManager();
        cell = TMPhotoObject::newTemplateObject();
        cell->setParentDocument(&document);
        oval = std::dynamic_pointer_cast<TMOvalPhotoMask>(cell->mask());
    }

    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMPhotoObjectRef cell;
    std::shared_ptr<TMOvalPhotoMask> oval;
};

TEST_F(PhotoMaskSetters, AnUnchangedValueRegistersAndPostsNothing) {
    ASSERT_TRUE(oval);
    Counter maskChanged(kPhotoMaskChangedNofity, static_cast<const TMPhotoMask*>(oval.get()));
    Counter cellChanged(kTemplateObjectChangedNofity, static_cast<const TMObject*>(cell.get()));
    oval->setFeatherPct(0.0f);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(maskChanged.posted(), 0);
    EXPECT_EQ(cellChanged.posted(), 0);
}

TEST_F(PhotoMaskSetters, AChangeIsUndoableAndAnnouncedOncePerPass) {
    ASSERT_TRUE(oval);
    Counter maskChanged(kPhotoMaskChangedNofity, static_cast<const TMPhotoMask*>(oval.get()));
    Counter cellChanged(kTemplateObjectChangedNofity, static_cast<const TMObject*>(cell.get()));
    undo->beginUndoGrouping();
    oval->setFeatherPct(0.25f);
    oval->setFeatherPct(0.5f);
    undo->endUndoGrouping();
    EXPECT_EQ(undo->undoActionName(), "Feather");
    EXPECT_EQ(maskChanged.posted(), 1);
    EXPECT_EQ(maskChanged.last, oval.get());
    EXPECT_EQ(cellChanged.posted(), 1);

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(oval->featherPct(), 0.0f);
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(oval->featherPct(), 0.5f);
}

TEST_F(PhotoMaskSetters, RectangleAndBitmapSettersNameTheirActions) {
    auto rect = TMPhotoMask::create<TMRectPhotoMask>();
    cell->setMask(rect);
    undo->removeAllActions();

    undo->beginUndoGrouping();
    rect->setCornerRadius(0.3f);
    undo->endUndoGrouping();
    EXPECT_EQ(undo->undoActionName(), "Corners");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(rect->cornerRadius(), 0.1f);

    auto bitmap = TMPhotoMask::create<TMBitmapPhotoMask>();
    cell->setMask(bitmap);
    undo->removeAllActions();
    undo->beginUndoGrouping();
    bitmap->setMaskPatternName("Hearts/x.png");
    bitmap->setPatternRotation(90);
    undo->endUndoGrouping();
    EXPECT_EQ(undo->undoActionName(), "Mask Change");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(bitmap->maskPatternName(), "");
    EXPECT_EQ(bitmap->patternRotation(), 0);

    // The same name again changes nothing.
    bitmap->setMaskPatternName("");
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(PhotoMaskSetters, FeatherAndCornerRadiusAreHeldToTheirRange) {
    // What the setters keep is what a saved template reads back.
    struct Case {
        float given;
        float kept;
    };
    const Case cases[] = {{-0.5f, 0.0f}, {-INFINITY, 0.0f}, {0.3f, 0.3f},
                          {1.0f, 1.0f},  {1.5f, 1.0f},      {INFINITY, 1.0f}};
    for (const Case& c : cases) {
        auto ovalMask = TMPhotoMask::create<TMOvalPhotoMask>();
        ovalMask->setFeatherPct(0.5f);
        ovalMask->setFeatherPct(c.given);
        EXPECT_EQ(ovalMask->featherPct(), c.kept) << c.given;
        EXPECT_EQ(roundTrip<TMOvalPhotoMask>(ovalMask)->featherPct(), c.kept) << c.given;

        auto rectMask = TMPhotoMask::create<TMRectPhotoMask>();
        rectMask->setFeatherPct(0.5f);
        rectMask->setCornerRadius(0.5f);
        rectMask->setFeatherPct(c.given);
        rectMask->setCornerRadius(c.given);
        EXPECT_EQ(rectMask->featherPct(), c.kept) << c.given;
        EXPECT_EQ(rectMask->cornerRadius(), c.kept) << c.given;
        auto back = roundTrip<TMRectPhotoMask>(rectMask);
        EXPECT_EQ(back->featherPct(), c.kept) << c.given;
        EXPECT_EQ(back->cornerRadius(), c.kept) << c.given;
    }

    // Not a number changes nothing; a value held to the current one registers nothing.
    ASSERT_TRUE(oval);
    Counter maskChanged(kPhotoMaskChangedNofity, static_cast<const TMPhotoMask*>(oval.get()));
    oval->setFeatherPct(std::nanf(""));
    oval->setFeatherPct(-2.0f);
    EXPECT_EQ(oval->featherPct(), 0.0f);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(maskChanged.posted(), 0);

    // Undo gives back the value the mask had, not the one asked for.
    undo->beginUndoGrouping();
    oval->setFeatherPct(7.0f);
    undo->endUndoGrouping();
    EXPECT_EQ(oval->featherPct(), 1.0f);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(oval->featherPct(), 0.0f);
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(oval->featherPct(), 1.0f);
}

TEST_F(PhotoMaskSetters, AChangeDropsTheCellsRendering) {
    cell->setSize({40, 40});
    // A draw on screen keeps the rendering.
    QImage page(60, 60, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    QPainter painter(&page);
    GraphicsContext context(painter, {60, 60}, DestinationKind::Screen, true);
    GraphicsContext::Focus focus(context);
    cell->drawObject(false);
    ASSERT_TRUE(cell->cachedImage());
    oval->setFeatherPct(0.2f);
    EXPECT_FALSE(cell->cachedImage());
}

// ---------------------------------------------------------------------------
// Archives

TEST(PhotoMaskArchive, EveryKindRoundTrips) {
    TestHost host;
    auto oval = TMPhotoMask::create<TMOvalPhotoMask>();
    oval->setFeatherPct(0.35f);
    auto ovalBack = roundTrip<TMOvalPhotoMask>(oval);
    ASSERT_TRUE(ovalBack);
    EXPECT_EQ(ovalBack->featherPct(), 0.35f);

    auto rect = TMPhotoMask::create<TMRectPhotoMask>();
    rect->setFeatherPct(1.0f);
    rect->setCornerRadius(0.0f);
    auto rectBack = roundTrip<TMRectPhotoMask>(rect);
    ASSERT_TRUE(rectBack);
    EXPECT_EQ(rectBack->featherPct(), 1.0f);
    EXPECT_EQ(rectBack->cornerRadius(), 0.0f);

    auto bitmap = TMPhotoMask::create<TMBitmapPhotoMask>();
    bitmap->setMaskPatternName("Hearts/x.tif");
    bitmap->setPatternRotation(-90);
    auto bitmapBack = roundTrip<TMBitmapPhotoMask>(bitmap);
    ASSERT_TRUE(bitmapBack);
    EXPECT_EQ(bitmapBack->maskPatternName(), "Hearts/x.tif");
    EXPECT_EQ(bitmapBack->patternRotation(), -90);
}

TEST(PhotoMaskArchive, MissingKeysReadAsZeroNotAsDefaults) {
    TestHost host;
    auto rect = Unarchiver::unarchiveObjectOfClass<TMRectPhotoMask>(
        maskArchive("TMRectPhotoMask", QVariantMap{{"feather_pct", 0.5f}}));
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->featherPct(), 0.5f);
    EXPECT_EQ(rect->cornerRadius(), 0.0f); // not the 0.1 of a new mask

    auto bitmap = Unarchiver::unarchiveObjectOfClass<TMBitmapPhotoMask>(
        maskArchive("TMBitmapPhotoMask", QVariantMap{{"pattern_rot", 180}}));
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(bitmap->maskPatternName().isNull());
    EXPECT_EQ(bitmap->patternRotation(), 180);
}

TEST(PhotoMaskArchive, OutOfRangeValuesAreCorrectedOnReading) {
    TestHost host;
    struct Case {
        QVariantMap stored;
        float feather;
        float corner;
    };
    const Case cases[] = {
        {{{"feather_pct", 2.5f}, {"corner_radius", 3.0f}}, 0.05f, 0.1f},
        {{{"feather_pct", 1.0f}, {"corner_radius", 1.0f}}, 1.0f, 1.0f},
        {{{"feather_pct", -1.0f}, {"corner_radius", std::nan("")}}, 0.05f, 0.1f},
        {{{"feather_pct", "wide"}, {"corner_radius", 0.25}}, 0.0f, 0.25f},
    };
    for (const Case& c : cases) {
        auto rect = Unarchiver::unarchiveObjectOfClass<TMRectPhotoMask>(
            maskArchive("TMRectPhotoMask", c.stored));
        ASSERT_TRUE(rect);
        EXPECT_EQ(rect->featherPct(), c.feather);
        EXPECT_EQ(rect->cornerRadius(), c.corner);
        auto oval = Unarchiver::unarchiveObjectOfClass<TMOvalPhotoMask>(
            maskArchive("TMOvalPhotoMask", c.stored));
        ASSERT_TRUE(oval);
        EXPECT_EQ(oval->featherPct(), c.feather);
    }
}

TEST(PhotoMaskArchive, AMaskWithoutItsDictionaryDoesNotRead) {
    TestHost host;
    EXPECT_TRUE(Unarchiver::unarchiveObjectOfClass<TMOvalPhotoMask>(
        maskArchive("TMOvalPhotoMask", QVariantMap())));
    EXPECT_FALSE(Unarchiver::unarchiveObjectOfClass<TMOvalPhotoMask>(
        maskArchive("TMOvalPhotoMask", QVariant())));
    EXPECT_FALSE(Unarchiver::unarchiveObjectOfClass<TMRectPhotoMask>(
        maskArchive("TMRectPhotoMask", QStringLiteral("feather_pct"))));
}
