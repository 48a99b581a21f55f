#include "ClickOut.h"
#include "TestPage.h"
#include "framework/model/TMArcObject.h"
#include "framework/model/TMBezigonObject.h"
#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/model/TMCaptionObject.h"
#include "framework/model/TMImageObject.h"
#include "framework/model/TMLineObject.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMOvalObject.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoMaskManager.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMRectPhotoMask.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateDocument.h"
#include "framework/model/TemplateFileFormat.h"
#include "framework/model/VQGradientFill.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/PropertyList.h"
#include "support/TestHost.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <map>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const QString kType = str(kTemplateDocumentType);

// An editable text field as far as numbering goes.
class NumberedField : public TMObject {
public:
    static std::shared_ptr<NumberedField> make() { return create<NumberedField>(); }
    bool isEditableTextObject() const override { return true; }
    int32_t editableTextNumber() const override { return number; }
    void setEditableTextNumber(int32_t n) override { number = n; }

    int32_t number = 0;
};

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<NumberedField>(str("TMTestGroupedField"));
    return true;
}();

TMObjectGroupRef groupOf(const QList<TMObjectRef>& members) {
    TMObjectGroupRef group = TMObjectGroup::newTemplateObject();
    group->setGroupedObjects(members);
    return group;
}

TMPhotoObjectRef cellAt(float x, float y) {
    return TMPhotoObject::newTemplateObjectWithOriginSize({x, y}, {40, 30});
}

QByteArray pngBytes(QSize size, QColor colour) {
    QImage pixels(size, QImage::Format_ARGB32);
    pixels.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixels.save(&buffer, "PNG");
    return bytes;
}

// The records of a template file, found by walking it from the end of its
// header area.
std::map<QByteArray, QByteArray> recordsOf(const QString& path) {
    std::map<QByteArray, QByteArray> records;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    const QByteArray bytes = file.readAll();
    qint64 at = 512;
    while (at + 32 <= bytes.size() && bytes.mid(at, 12) == "OBJHVARNVXTM") {
        const uint32_t length = qFromBigEndian<uint32_t>(bytes.constData() + at + 20);
        records[bytes.mid(at + 12, 4)] = bytes.mid(at + 32, length);
        at += 32 + length;
    }
    return records;
}

// Replaces the page of a saved file by a record of its own at the end.
QByteArray withPage(QByteArray bytes, const QVariantList& page) {
    const QByteArray archive = Archiver::archivedData(page);
    ObjectHeader header{kObjectHeaderTag,
                        kTemplateMagicVARN,
                        kTemplateMagicVXTM,
                        kRecordPage,
                        1,
                        uint32_t(archive.size()),
                        {0, 0}};
    SwapObjectHeaderHostToBig(&header);
    qToBigEndian(uint32_t(bytes.size()),
                 bytes.data() + sizeof(HeaderPrefixRec) + 4 * HeaderOffsetsRec::Page);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(archive);
    return bytes;
}

struct TemplateGroups : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        host.masksPath = folder.filePath(str("Masks"));
        QDir().mkpath(host.masksPath);
        QImage mask(8, 8, QImage::Format_Grayscale8);
        mask.fill(255);
        ASSERT_TRUE(mask.save(host.masksPath + str("/Star.png"), "PNG"));
    }
    QString path(const char* name) const { return folder.filePath(str(name)); }

    std::shared_ptr<TMBitmapPhotoMask> bitmapMask() {
        auto mask = TMPhotoMask::create<TMBitmapPhotoMask>();
        mask->setMaskPatternName(str("Star.png"));
        return mask;
    }

    TestHost host;
    QTemporaryDir folder;
};

} // namespace

TEST_F(TemplateGroups, PhotoCellsAreNumberedThroughGroupsInListOrder) {
    TemplateDocument document;
    const auto first = cellAt(0, 0);
    const auto second = cellAt(50, 0);
    const auto third = cellAt(100, 0);
    const auto fourth = cellAt(150, 0);
    const auto deep = cellAt(200, 0);
    document.addObject(first);
    document.addObject(groupOf({second, TMObject::newTemplateObject(), third}));
    document.addObject(fourth);
    EXPECT_EQ(first->photoNumber(), 1);
    EXPECT_EQ(second->photoNumber(), 2);
    EXPECT_EQ(third->photoNumber(), 3);
    EXPECT_EQ(fourth->photoNumber(), 4);

    // A nested group counts in its place.
    document.addObject(groupOf({groupOf({deep})}));
    EXPECT_EQ(deep->photoNumber(), 5);
    EXPECT_EQ(document.countPhotoObjects(), 5);
    EXPECT_EQ(document.photoObjectNumberWithID(third->uniqueID()), 3);
    EXPECT_EQ(document.photoObjectNumberWithID(deep->uniqueID()), 5);
    EXPECT_EQ(document.idOfPhotoObjectWithNumber(2), second->uniqueID());
    EXPECT_EQ(document.idOfPhotoObjectWithNumber(5), deep->uniqueID());
    EXPECT_TRUE(document.idOfPhotoObjectWithNumber(6).isNull());
    EXPECT_EQ(document.photoObjectNumberWithID(str("no such cell")), 0);

    // Inside a group, a cell without a number matches nothing.
    second->setPhotoNumber(0);
    EXPECT_EQ(document.photoObjectNumberWithID(second->uniqueID()), 0);
    EXPECT_TRUE(document.idOfPhotoObjectWithNumber(0).isNull());
    // At the top of the list it does.
    first->setPhotoNumber(0);
    EXPECT_EQ(document.idOfPhotoObjectWithNumber(0), first->uniqueID());

    // Removing the first cell renumbers those in groups too.
    document.removeObject(first);
    EXPECT_EQ(second->photoNumber(), 1);
    EXPECT_EQ(third->photoNumber(), 2);
    EXPECT_EQ(fourth->photoNumber(), 3);
    EXPECT_EQ(deep->photoNumber(), 4);
}

TEST_F(TemplateGroups, PrintAreasAndFieldsAreNumberedInNestedGroups) {
    TemplateDocument document;
    const auto area1 = TMPrintAreaObject::newTemplateObject();
    const auto area2 = TMPrintAreaObject::newTemplateObject();
    const auto area3 = TMPrintAreaObject::newTemplateObject();
    const auto field1 = NumberedField::make();
    const auto field2 = NumberedField::make();
    const auto field3 = NumberedField::make();
    document.addObject(field1);
    document.addObject(groupOf({area1, groupOf({field2, area2}), cellAt(0, 0)}));
    document.addObject(area3);
    document.addObject(groupOf({groupOf({groupOf({field3})})}));
    EXPECT_EQ(area1->printAreaNumber(), 1);
    EXPECT_EQ(area2->printAreaNumber(), 2);
    EXPECT_EQ(area3->printAreaNumber(), 3);
    EXPECT_EQ(field1->number, 1);
    EXPECT_EQ(field2->number, 2);
    EXPECT_EQ(field3->number, 3);
    EXPECT_EQ(document.objectsTakenBy(TMObjectGroup::Query::PrintAreaObjects),
              (QList<TMObjectRef>{area1, area2, area3}));

    // Numbers come from the document, never from the file.
    const QString target = path("numbered.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
    const QList<TMObjectRef> areas =
        reopened.objectsTakenBy(TMObjectGroup::Query::PrintAreaObjects);
    ASSERT_EQ(areas.size(), 3);
    for (qsizetype i = 0; i < areas.size(); ++i)
        EXPECT_EQ(std::static_pointer_cast<TMPrintAreaObject>(areas.at(i))->printAreaNumber(),
                  i + 1);
}

TEST_F(TemplateGroups, NamedImagesUsedOnlyInsideNestedGroupsSurviveSaveAndReopen) {
    TemplateDocument document;
    const QString logo =
        document.addImageSourceDataWithName(Image(), pngBytes({6, 6}, Qt::red), str("logo"));
    document.addImageSourceDataWithName(Image(), pngBytes({6, 6}, Qt::blue), str("spare"));
    const auto picture = TMImageObject::newTemplateObjectWithOriginSize({10, 10}, {30, 30});
    picture->setSharedImageRef(logo);
    const auto masked = cellAt(60, 10);
    document.addObject(groupOf({TMObject::newTemplateObject(), groupOf({groupOf({picture})})}));
    document.addObject(groupOf({groupOf({masked})}));
    masked->setMask(bitmapMask());
    masked->setMaskEnabled(true);
    const QString maskName = masked->sharedImageRef();
    ASSERT_FALSE(document.getSourceDataWithName(maskName).isNull());

    EXPECT_EQ(document.listUnusedImages(), QStringList{str("spare")});

    const QString target = path("nested.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));
    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
    EXPECT_EQ(reopened.getSourceDataWithName(logo), document.getSourceDataWithName(logo));
    EXPECT_EQ(reopened.getSourceDataWithName(maskName), document.getSourceDataWithName(maskName));
    EXPECT_TRUE(reopened.getSourceDataWithName(str("spare")).isNull());
    EXPECT_TRUE(reopened.listUnusedImages().isEmpty());

    // The reopened picture draws the named image from inside its groups.
    const QList<TMObjectRef> shared =
        reopened.objectsTakenBy(TMObjectGroup::Query::SharedImageObjects);
    ASSERT_EQ(shared.size(), 2);
    TestPage page(100, 60, DestinationKind::Image);
    shared.front()->drawObject(false);
    EXPECT_TRUE(nearColour(page.at(25, 25), Qt::red)) << colourText(page.at(25, 25));

    // Saved again, they are still there.
    const QString again = path("nested-again.vyxTemplate");
    ASSERT_TRUE(reopened.writeToFileOfType(again, kType));
    TemplateDocument third;
    ASSERT_TRUE(third.readFromFileOfType(again, kType));
    EXPECT_FALSE(third.getSourceDataWithName(logo).isNull());
    EXPECT_FALSE(third.getSourceDataWithName(maskName).isNull());
}

TEST_F(TemplateGroups, ANamedImageSharedByTwoObjectsIsStoredOnce) {
    TemplateDocument document;
    const QString logo =
        document.addImageSourceDataWithName(Image(), pngBytes({8, 8}, Qt::green), str("logo"));
    const auto left = TMImageObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
    const auto right = TMImageObject::newTemplateObjectWithOriginSize({60, 0}, {40, 40});
    left->setSharedImageRef(logo);
    right->setSharedImageRef(logo);
    document.addObject(left);
    document.addObject(groupOf({right}));
    const QString target = path("shared.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(target, kType));

    const auto records = recordsOf(target);
    ASSERT_TRUE(records.count("NIMG"));
    const QVariantList stored = Unarchiver::unarchiveObject(records.at("NIMG")).toList();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.front().toMap().value(str("name")).toString(), logo);
    const QVariantList page = Unarchiver::unarchiveObject(records.at("PAGE")).toList();
    ASSERT_EQ(page.size(), 2);
    EXPECT_EQ(page.front().toMap().value(str(kImageRefKey)).toString(), logo);
    EXPECT_FALSE(page.front().toMap().contains(str(kImageRawKey)));

    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, kType));
    TestPage pixels(100, 40, DestinationKind::Image);
    for (const TMObjectRef& object : reopened.objects())
        object->drawObject(false);
    EXPECT_TRUE(nearColour(pixels.at(20, 20), Qt::green)) << colourText(pixels.at(20, 20));
    EXPECT_TRUE(nearColour(pixels.at(80, 20), Qt::green)) << colourText(pixels.at(80, 20));
    EXPECT_TRUE(nearColour(pixels.at(50, 20), Qt::white));
}

TEST_F(TemplateGroups, EveryPageObjectClassReadsBackAndWritesTheSameRecords) {
    TemplateDocument document;
    const QString logo =
        document.addImageSourceDataWithName(Image(), pngBytes({5, 3}, Qt::cyan), str("logo"));
    QImage decoded(3, 3, QImage::Format_ARGB32);
    decoded.fill(Qt::magenta);
    document.addImageSourceDataWithName(Image(decoded), QByteArray(), str("decoded only"));

    const auto oval = cellAt(0, 0);
    auto ovalMask = TMPhotoMask::create<TMOvalPhotoMask>();
    ovalMask->setFeatherPct(0.25f);
    oval->setMask(ovalMask);
    oval->setMaskEnabled(true);
    const auto rect = cellAt(50, 0);
    auto rectMask = TMPhotoMask::create<TMRectPhotoMask>();
    rectMask->setCornerRadius(0.5f);
    rect->setMask(rectMask);
    rect->setOpacity(0.75f);
    const auto bitmap = cellAt(100, 0);
    bitmap->setRotation(20);
    const auto unmasked = cellAt(150, 0);
    unmasked->setMask(nullptr);
    unmasked->setShadowEnabled(true);

    const auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({0, 100}, {80, 60});
    area->setCutMarkOffset(3);
    area->setCutMarkColor(Color::deviceRGB(0, 0.5f, 1));
    const auto own = TMImageObject::newTemplateObjectWithOriginSize({100, 100}, {30, 20});
    QImage ownPixels(3, 2, QImage::Format_ARGB32);
    ownPixels.fill(Qt::darkYellow);
    own->setImage(Image(ownPixels));
    own->setFlipVertical(true);
    own->setComposition(13);
    const auto sharedOne = TMImageObject::newTemplateObjectWithOriginSize({150, 100}, {30, 20});
    sharedOne->setSharedImageRef(logo);
    const auto sharedTwo = TMImageObject::newTemplateObjectWithOriginSize({200, 100}, {30, 20});
    sharedTwo->setSharedImageRef(str("decoded only"));
    sharedTwo->setRotation(45);

    document.addObject(oval);
    document.addObject(groupOf({rect, groupOf({bitmap, area, groupOf({sharedOne})})}));
    document.addObject(unmasked);
    document.addObject(own);
    document.addObject(groupOf({sharedTwo, TMObject::newTemplateObject()}));
    bitmap->setMask(bitmapMask());
    document.addObject(TMObject::newTemplateObjectWithOriginSize({5, 5}, {10, 10}));

    // Text in its three variants, the property text bound to a cell in a group.
    const auto plain = TMTextObject::newTemplateObjectWithOriginSize({0, 200}, {120, 40});
    plain->setText(str("Happy birthday"));
    plain->setDrawBackground(true);
    const auto field = TMTextObject::newTemplateObjectWithOriginSize({0, 250}, {120, 40});
    field->setVariant(1);
    field->setName(str("Greeting"));
    const auto property = TMTextObject::newTemplateObjectWithOriginSize({0, 300}, {120, 40});
    property->setVariant(2);
    property->setPropertyCellID(rect->uniqueID());
    // Shapes with their stroke and fill models.
    const auto box = TMRectangleObject::newTemplateObjectWithOriginSize({200, 200}, {60, 40});
    box->setFillState(true);
    box->setGradientFillState(true);
    box->setDashPattern(str("6 3"));
    box->setRoundedCornersState(true);
    box->setCornerRadius(6);
    const auto ellipse = TMOvalObject::newTemplateObjectWithOriginSize({200, 250}, {60, 40});
    ellipse->setStrokeWidth(3);
    const auto line = TMLineObject::newTemplateObject();
    line->setInCreation(true);
    line->setFrameCornersFromTo({10, 400}, {90, 430});
    line->setInCreation(false);
    const auto arc = TMArcObject::newTemplateObject();
    arc->setInCreation(true);
    arc->setFrameCornersFromTo({100, 400}, {200, 450});
    arc->setInCreation(false);
    document.addObject(plain);
    document.addObject(groupOf({field, groupOf({property, box})}));
    document.addObject(ellipse);
    document.addObject(groupOf({line, arc}));

    // Polygons clicked out as the editor does, and a cell with each mask kind.
    const auto polygon = TMPolygonObject::newTemplateObject();
    clickOut(*polygon, {300, 300}, {{360, 300}}, {340, 350});
    polygon->setClosedState(true);
    polygon->setFillState(true);
    const auto bezigon = TMBezigonObject::newTemplateObject();
    clickOut(*bezigon, {300, 400}, {{360, 400}}, {330, 460});
    document.addObject(polygon);
    document.addObject(groupOf({bezigon}));
    // A thought cloud whose puffs were built before saving.
    const auto caption = TMCaptionObject::newTemplateObjectWithOriginSize({300, 550}, {120, 60});
    caption->setShape(TMCaptionObject::SmallCloud);
    caption->setTailStyle(TMCaptionObject::Bubbles);
    caption->setMaxSize({600, 400});
    caption->setText(str("Look!"));
    caption->basicShape();
    ASSERT_TRUE(caption->hasCachedOutline());
    document.addObject(caption);
    float x = 400;
    for (const QString& name : TMPhotoMaskManager::sharedManager()->photoMaskNames()) {
        const TMPhotoMaskRef mask = TMPhotoMaskManager::sharedManager()->photoMaskWithName(name);
        if (!mask)
            continue;
        const auto masked = cellAt(x, 500);
        masked->setMask(mask);
        masked->setMaskEnabled(true);
        document.addObject(masked);
        x += 45;
    }
    EXPECT_GE(x, 400 + 45 * 8) << "the oval, rectangle and six shaped masks";
    EXPECT_EQ(property->photoNumber(), rect->photoNumber());

    const QString first = path("every.vyxTemplate");
    ASSERT_TRUE(document.writeToFileOfType(first, kType));
    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(first, kType));
    ASSERT_EQ(reopened.objects().size(), document.objects().size());
    for (qsizetype i = 0; i < document.objects().size(); ++i) {
        const TMObjectRef& written = document.objects().at(i);
        const TMObjectRef& read = reopened.objects().at(i);
        EXPECT_EQ(read->kind(), written->kind());
        EXPECT_EQ(typeid(*read), typeid(*written)) << written->kind().toStdString();
        EXPECT_EQ(read->dictRepresentation(), written->dictRepresentation())
            << written->kind().toStdString();
    }

    const QString second = path("every-again.vyxTemplate");
    ASSERT_TRUE(reopened.writeToFileOfType(second, kType));
    const auto before = recordsOf(first);
    const auto after = recordsOf(second);
    ASSERT_TRUE(before.count("PAGE") && before.count("NIMG"));
    EXPECT_EQ(after.at("PAGE"), before.at("PAGE"));
    EXPECT_EQ(after.at("NIMG"), before.at("NIMG"));
    EXPECT_EQ(Unarchiver::unarchiveObject(before.at("NIMG")).toList().size(), 3);

    // The property text in its group follows its cell once reopened.
    const QList<TMObjectRef> properties =
        reopened.objectsTakenBy(TMObjectGroup::Query::PropertyTextObjects);
    ASSERT_EQ(properties.size(), 1);
    EXPECT_EQ(properties.first()->photoNumber(),
              reopened.photoObjectNumberWithID(rect->uniqueID()));
    EXPECT_NE(properties.first()->photoNumber(), 0);
}

TEST_F(TemplateGroups, APropertyTextInAGroupFollowsItsCell) {
    TemplateDocument document;
    const auto first = cellAt(0, 0);
    const auto second = cellAt(50, 0);
    const auto text = TMTextObject::newTemplateObjectWithOriginSize({0, 100}, {80, 20});
    text->setVariant(2);
    text->setPropertyCellID(second->uniqueID());
    document.addObject(first);
    document.addObject(groupOf({groupOf({text}), second}));
    EXPECT_EQ(text->photoNumber(), 2);
    document.removeObject(first);
    EXPECT_EQ(text->photoNumber(), 1);
}

TEST_F(TemplateGroups, OlderGenerationKindsReadIntoTheirClasses) {
    const QByteArray picture = Archiver::archivedValue(Image(QImage(4, 4, QImage::Format_ARGB32)));
    const auto object = [](const char* kind, QVariantMap more) {
        more.insert(str("kind"), str(kind));
        more.insert(str("origin"), QVariantMap{{str("x"), 1.0}, {str("y"), 0.5}});
        more.insert(str("size"), QVariantMap{{str("width"), 2.0}, {str("height"), 1.0}});
        return more;
    };
    const QVariantMap file{
        {str("name"), str("Old")},
        {str("image files"),
         QVariantList{QVariantMap{{str("name"), str("seal")}, {str("data"), picture}}}},
        {str("objects"),
         QVariantList{object("photo", {}),
                      object("image", {{str("file"), str("seal")}, {str("opacity"), 0.5}}),
                      object("image", {{str("data"), picture}, {str("composition"), 1}}),
                      object("group", {}), object("rectangle", {}), object("oval", {}),
                      object("line", {}), object("text", {})}},
    };
    const QString older = path("older.vyxTemplate");
    ASSERT_TRUE(PropertyList::writeToFile(file, older));

    TemplateDocument document;
    ASSERT_TRUE(document.readFromFileOfType(older, kType));
    // Kinds the older generation never had are not read.
    ASSERT_EQ(document.objects().size(), 7);
    const auto cell = std::dynamic_pointer_cast<TMPhotoObject>(document.objects().at(0));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->photoNumber(), 1);
    EXPECT_EQ(cell->size(), (Size{144, 72}));
    EXPECT_EQ(cell->center(), (Point{144, 72}));
    const auto named = std::dynamic_pointer_cast<TMImageObject>(document.objects().at(1));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->sharedImageRef(), str("seal"));
    EXPECT_FLOAT_EQ(named->opacity(), 0.5f);
    EXPECT_EQ(named->image().pixelSize(), QSize(4, 4));
    const auto own = std::dynamic_pointer_cast<TMImageObject>(document.objects().at(2));
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->sharedImageRef().isNull());
    EXPECT_EQ(own->image().pixelSize(), QSize(4, 4));
    EXPECT_EQ(own->composition(), 1);
    EXPECT_TRUE(std::dynamic_pointer_cast<TMRectangleObject>(document.objects().at(3)));
    EXPECT_TRUE(std::dynamic_pointer_cast<TMOvalObject>(document.objects().at(4)));
    EXPECT_TRUE(std::dynamic_pointer_cast<TMLineObject>(document.objects().at(5)));
    EXPECT_TRUE(std::dynamic_pointer_cast<TMTextObject>(document.objects().at(6)));
    EXPECT_TRUE(document.listUnusedImages().isEmpty());
}

TEST_F(TemplateGroups, TenThousandNestedGroupsReadWithoutACrash) {
    constexpr int kLevels = 10000;
    QVariantMap representation{{str("kind"), str("TMObjectGroup")},
                               {str(kGroupContainerKey), Archiver::archivedData(QVariantList{
                                                             cellAt(0, 0)->dictRepresentation()})}};
    for (int level = 1; level < kLevels; ++level)
        representation = {
            {str("kind"), str("TMObjectGroup")},
            {str(kGroupContainerKey), Archiver::archivedData(QVariantList{representation})}};

    TemplateDocument saved;
    const QString target = path("deep.vyxTemplate");
    ASSERT_TRUE(saved.writeToFileOfType(target, kType));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = withPage(file.readAll(), QVariantList{representation});
    file.close();
    const QString deep = path("deeper.vyxTemplate");
    QFile out(deep);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_EQ(out.write(bytes), bytes.size());
    out.close();

    TemplateDocument document;
    ASSERT_TRUE(document.readFromFileOfType(deep, kType));
    ASSERT_EQ(document.objects().size(), 1);
    int depth = 0;
    TMObjectRef at = document.objects().front();
    while (auto group = std::dynamic_pointer_cast<TMObjectGroup>(at)) {
        ++depth;
        at = group->groupedObjects().isEmpty() ? nullptr : group->groupedObjects().front();
    }
    EXPECT_EQ(depth, TMObjectGroup::kMaxNestingDepth);
    // The innermost group kept lay beyond what was read: no cell is numbered.
    EXPECT_EQ(document.countPhotoObjects(), 0);
}
