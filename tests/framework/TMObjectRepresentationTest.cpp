#include "framework/model/TMObject.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "support/TestHost.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kSystemWithShadows = 0x1046;
constexpr uint32_t kSystemWithoutShadows = 0x1028;

QVariantMap point(float x, float y) {
    return TMObject::dictionaryFromPoint({x, y});
}
QVariantMap size(float w, float h) {
    return TMObject::dictionaryFromSize({w, h});
}

// A subclass with a representation key of its own, to see that the kind
// registry and copying make the right class.
class TestShape : public TMObject {
public:
    static std::shared_ptr<TestShape> make() { return create<TestShape>(); }
    void initWithRepresentation(const QVariantMap& representation) override {
        TMObject::initWithRepresentation(representation);
        if (representation.contains(QStringLiteral("corners")))
            corners = representation.value(QStringLiteral("corners")).toInt();
    }
    QVariantMap dictRepresentation() const override {
        QVariantMap d = TMObject::dictRepresentation();
        d.insert(QStringLiteral("corners"), corners);
        return d;
    }
    int corners = 4;
};

// Writes nothing where the representation belongs.
class EmptyWriter : public TMObject {
public:
    static std::shared_ptr<EmptyWriter> make() { return create<EmptyWriter>(); }
    void encodeWithCoder(Archiver& coder) const override { coder.encodeObject(QVariant()); }
};

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TestShape>(QStringLiteral("TMTestShape"));
    TMObject::registerKind<EmptyWriter>(QStringLiteral("TMEmptyWriter"));
    return true;
}();

} // namespace

TEST(TMObjectRepresentation, NewObjectHasTheDefaults) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObject();
    EXPECT_EQ(object->kind(), QStringLiteral("TMObject"));
    EXPECT_EQ(object->center(), (Point{72, 72}));
    // Crosswise: the width comes from PHOTO_HEIGHT, the height from PHOTO_WIDTH.
    EXPECT_EQ(object->size(), (Size{108, 144}));
    EXPECT_EQ(object->rotation(), 0);
    EXPECT_EQ(object->lockedControlPtMask(), 0);
    EXPECT_EQ(object->lockedSizeMask(), 0);
    EXPECT_FALSE(object->rotationLocked());
    EXPECT_EQ(object->shadowEnabled(), QVariant(false));
    ASSERT_TRUE(object->shadow().has_value());
    EXPECT_EQ(object->shadow()->blurRadius, 6.0f);
    EXPECT_EQ(object->shadow()->offset, (Size{3.535534f, -3.535534f}));
    EXPECT_NEAR(object->shadow()->color.alphaF(), 0.75f, 1e-4);
    EXPECT_EQ(object->shadow()->color.red(), 0);
    EXPECT_EQ(object->zoomFactor(), 1.0f);
    EXPECT_EQ(object->destinationDPI(), 0.0f);
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
            .match(object->uniqueID())
            .hasMatch());
    EXPECT_NE(object->uniqueID(), TMObject::newTemplateObject()->uniqueID());
}

TEST(TMObjectRepresentation, SystemWithoutShadowsHasNoShadow) {
    TestHost host;
    host.systemVersion = kSystemWithoutShadows;
    TMObjectRef object = TMObject::newTemplateObject();
    EXPECT_FALSE(object->supportsShadow());
    EXPECT_FALSE(object->shadow().has_value());
    EXPECT_FALSE(object->shadowEnabled().isValid());
    // 0x102F is the last version without shadows, 0x1030 the first with.
    host.systemVersion = 0x102F;
    EXPECT_FALSE(object->supportsShadow());
    host.systemVersion = 0x1030;
    EXPECT_TRUE(object->supportsShadow());
}

TEST(TMObjectRepresentation, RoundTripKeepsEveryField) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObject();
    object->setCenter({210.5f, 99.25f});
    object->setSize({33.5f, 17});
    object->setRotation(30);
    object->setLockedControlPtMask(2);
    object->setLockedSizeMask(1);
    object->setRotationLocked(true);
    object->setShadowEnabled(true);
    object->setShadow(ShadowValue{{-4, 2.5f}, 9, QColor::fromRgbF(0.25f, 0.5f, 1, 0.5f)});

    const QVariantMap representation = object->dictRepresentation();
    EXPECT_EQ(representation.value("rot").typeId(), QMetaType::Float);
    EXPECT_EQ(representation.value("control_lock").typeId(), QMetaType::Int);
    EXPECT_EQ(representation.value("rotation_lock").typeId(), QMetaType::Bool);
    EXPECT_EQ(representation.value("shadow").typeId(), QMetaType::QByteArray);

    TMObjectRef read = TMObject::newTemplateObjectWithRepresentation(representation);
    EXPECT_EQ(read->kind(), object->kind());
    EXPECT_EQ(read->center(), object->center());
    EXPECT_EQ(read->size(), object->size());
    EXPECT_EQ(read->rotation(), 30);
    EXPECT_EQ(read->lockedControlPtMask(), 2);
    EXPECT_EQ(read->lockedSizeMask(), 1);
    EXPECT_TRUE(read->rotationLocked());
    EXPECT_EQ(read->shadowEnabled(), QVariant(true));
    EXPECT_EQ(read->shadow(), object->shadow());
    EXPECT_EQ(read->uniqueID(), object->uniqueID());
    EXPECT_EQ(read->dictRepresentation(), representation);
}

TEST(TMObjectRepresentation, CopyKeepsClassAndIdentifier) {
    TestHost host;
    std::shared_ptr<TestShape> shape = TestShape::make();
    shape->corners = 7;
    shape->setCenter({10, 20});
    TMObjectRef copy = shape->copy();
    auto copiedShape = std::dynamic_pointer_cast<TestShape>(copy);
    ASSERT_TRUE(copiedShape);
    EXPECT_NE(copy.get(), shape.get());
    EXPECT_EQ(copiedShape->corners, 7);
    EXPECT_EQ(copy->kind(), QStringLiteral("TMTestShape"));
    EXPECT_EQ(copy->uniqueID(), shape->uniqueID());
    EXPECT_EQ(copy->center(), (Point{10, 20}));
}

TEST(TMObjectRepresentation, RegistryMakesClassesByKind) {
    TestHost host;
    QVariantMap representation = TestShape::make()->dictRepresentation();
    representation.insert("corners", 5);
    TMObjectRef object =
        TMObject::newTemplateObjectOfKindWithRepresentation("TMTestShape", representation);
    ASSERT_TRUE(std::dynamic_pointer_cast<TestShape>(object));
    EXPECT_EQ(std::static_pointer_cast<TestShape>(object)->corners, 5);
    EXPECT_TRUE(TMObject::newTemplateObjectOfKind("TMObject"));
    // Unknown kinds and archivable classes that are not page objects give nothing.
    EXPECT_FALSE(TMObject::newTemplateObjectOfKind("TMNoSuchObject"));
    EXPECT_FALSE(TMObject::newTemplateObjectOfKind("Color"));
}

TEST(TMObjectRepresentation, OldGenerationLengthsAreInches) {
    TestHost host;
    QVariantMap old{{"kind", "rectangle"}, {"origin", point(1, 2)}, {"size", size(2, 1)}};
    TMObjectRef a = TMObject::newTemplateObjectWithRepresentation(old);
    EXPECT_EQ(a->size(), (Size{144, 72}));
    EXPECT_EQ(a->center(), (Point{144, 180}));
    // The kind of an old representation does not replace the class's own.
    EXPECT_EQ(a->kind(), QStringLiteral("TMObject"));

    QVariantMap current = old;
    current.insert("kind", "TMRectangleObject");
    TMObjectRef b = TMObject::newTemplateObjectWithRepresentation(current);
    EXPECT_EQ(b->size(), (Size{2, 1}));
    EXPECT_EQ(b->center(), (Point{2, 2.5f}));
    EXPECT_EQ(b->kind(), QStringLiteral("TMRectangleObject"));

    // A centre is in points in either generation, and wins over an origin.
    QVariantMap withCenter = old;
    withCenter.insert("center", point(5, 6));
    TMObjectRef c = TMObject::newTemplateObjectWithRepresentation(withCenter);
    EXPECT_EQ(c->center(), (Point{5, 6}));
    EXPECT_EQ(c->size(), (Size{144, 72}));
}

TEST(TMObjectRepresentation, MissingKeysKeepDefaults) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObjectWithRepresentation({{"rot", 12.5}});
    EXPECT_EQ(object->rotation(), 12.5f);
    EXPECT_EQ(object->center(), (Point{72, 72}));
    EXPECT_EQ(object->size(), (Size{108, 144}));
    EXPECT_EQ(object->kind(), QStringLiteral("TMObject"));
    EXPECT_EQ(object->uniqueID().size(), 36);
    ASSERT_TRUE(object->shadow().has_value());
    EXPECT_EQ(object->shadow()->blurRadius, 6.0f);
}

TEST(TMObjectRepresentation, DamagedShadowLeavesNoShadow) {
    TestHost host;
    TMObjectRef object =
        TMObject::newTemplateObjectWithRepresentation({{"shadow", QByteArray("not an archive")}});
    EXPECT_FALSE(object->shadow().has_value());
    // Written back as an archive of nothing, which reads as no shadow again.
    TMObjectRef again = TMObject::newTemplateObjectWithRepresentation(object->dictRepresentation());
    EXPECT_FALSE(again->shadow().has_value());
}

TEST(TMObjectRepresentation, SystemWithoutShadowsCarriesTheStoredShadowThrough) {
    TestHost host;
    const QByteArray stored =
        TMObject::newTemplateObject()->dictRepresentation().value("shadow").toByteArray();
    ASSERT_FALSE(stored.isEmpty());

    host.systemVersion = kSystemWithoutShadows;
    QVariantMap representation{{"kind", "TMObject"}, {"shadow", stored}, {"shadow_en", true}};
    TMObjectRef object = TMObject::newTemplateObjectWithRepresentation(representation);
    EXPECT_FALSE(object->shadow().has_value());
    EXPECT_EQ(object->dictRepresentation().value("shadow").toByteArray(), stored);
    EXPECT_EQ(object->dictRepresentation().value("shadow_en"), QVariant(true));
    // Bytes that are no archive at all go through just the same.
    representation.insert("shadow", QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(TMObject::newTemplateObjectWithRepresentation(representation)
                  ->dictRepresentation()
                  .value("shadow")
                  .toByteArray(),
              QByteArray("\x01\x02\x03", 3));

    representation.remove("shadow");
    EXPECT_FALSE(TMObject::newTemplateObjectWithRepresentation(representation)
                     ->dictRepresentation()
                     .contains("shadow"));
}

TEST(TMObjectRepresentation, ArchivesHoldTheRepresentation) {
    TestHost host;
    TMObjectRef object = TMObject::newTemplateObject();
    object->setCenter({1, 2});
    object->setShadowEnabled(true);
    QString error;
    const QByteArray data =
        Archiver::archivedData(std::static_pointer_cast<Archivable>(object), &error);
    ASSERT_FALSE(data.isNull()) << error.toStdString();

    auto read = Unarchiver::unarchiveObjectOfClass<TMObject>(data, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->dictRepresentation(), object->dictRepresentation());
    EXPECT_EQ(read->kind(), QStringLiteral("TMObject"));
}

TEST(TMObjectRepresentation, DecodingNothingGivesNoObject) {
    TestHost host;
    const QByteArray data =
        Archiver::archivedData(std::static_pointer_cast<Archivable>(EmptyWriter::make()));
    ASSERT_FALSE(data.isNull());
    QString error;
    EXPECT_FALSE(Unarchiver::unarchiveObjectOfClass<TMObject>(data, &error));
}
