#include "framework/model/TemplateDocument.h"
#include "platform/foundation/NotificationCenter.h"
#include "support/TestHost.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QRegularExpression>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Page objects that take numbers or share images, as the subclasses do.
class NumberedPhoto : public TMObject {
public:
    static std::shared_ptr<NumberedPhoto> make() { return create<NumberedPhoto>(); }
    bool isPhotoObject() const override { return true; }
    int32_t photoNumber() const override { return number; }
    void setPhotoNumber(int32_t n) override { number = n; }
    void objectWillBeRemoved(Document* document) override { removedFrom = document; }

    int32_t number = 0;
    Document* removedFrom = nullptr;
};

class NumberedField : public TMObject {
public:
    static std::shared_ptr<NumberedField> make() { return create<NumberedField>(); }
    bool isEditableTextObject() const override { return true; }
    int32_t editableTextNumber() const override { return number; }
    void setEditableTextNumber(int32_t n) override { number = n; }

    int32_t number = 0;
};

class SharedPicture : public TMObject {
public:
    static std::shared_ptr<SharedPicture> make(const QString& ref) {
        auto object = create<SharedPicture>();
        object->ref = ref;
        return object;
    }
    bool supportsSharedIamges() const override { return true; }
    QString sharedImageRef() const override { return ref; }

    QString ref;
};

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<NumberedPhoto>(str("TestNumberedPhoto"));
    TMObject::registerKind<NumberedField>(str("TestNumberedField"));
    TMObject::registerKind<SharedPicture>(str("TestSharedPicture"));
    return true;
}();

std::vector<int32_t> photoNumbers(const std::vector<std::shared_ptr<NumberedPhoto>>& photos) {
    std::vector<int32_t> numbers;
    for (const auto& photo : photos)
        numbers.push_back(photo->number);
    return numbers;
}

QByteArray pngBytes(QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

TEST(TemplateDocumentObjects, NumberingFollowsAddRemoveAndReorder) {
    TestHost host;
    TemplateDocument document;
    int added = 0;
    NotificationCenter::defaultCenter().addObserver(&added, str("ObjectAddedOrRemoved"),
                                                    static_cast<const void*>(&document),
                                                    [&added](const Notification&) { ++added; });

    auto p1 = NumberedPhoto::make();
    auto p2 = NumberedPhoto::make();
    auto p3 = NumberedPhoto::make();
    auto f1 = NumberedField::make();
    auto f2 = NumberedField::make();
    auto plain = TMObject::newTemplateObject();
    for (const TMObjectRef& object : QList<TMObjectRef>{p1, f1, p2, plain, p3, f2})
        document.addObject(object);
    EXPECT_EQ(added, 6); // at once, one per object
    EXPECT_EQ(p2->parentDocument(), &document);
    EXPECT_EQ(photoNumbers({p1, p2, p3}), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(f1->number, 1);
    EXPECT_EQ(f2->number, 2);
    EXPECT_EQ(document.countPhotoObjects(), 3);

    document.removeObject(p2);
    EXPECT_EQ(added, 7);
    EXPECT_EQ(p2->removedFrom, &document);
    EXPECT_EQ(photoNumbers({p1, p3}), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(document.countPhotoObjects(), 2);
    EXPECT_EQ(document.photoObjectNumberWithID(p3->uniqueID()), 2);
    EXPECT_EQ(document.photoObjectNumberWithID(p2->uniqueID()), 0);
    EXPECT_EQ(document.photoObjectNumberWithID(plain->uniqueID()), 0);
    EXPECT_EQ(document.idOfPhotoObjectWithNumber(1), p1->uniqueID());
    EXPECT_TRUE(document.idOfPhotoObjectWithNumber(3).isNull());

    // Removing what the document doesn't hold changes and posts nothing.
    document.removeObject(p2);
    EXPECT_EQ(added, 7);

    // Reorder: the list replaced by the same objects back to front.
    QList<TMObjectRef> reversed = document.objects();
    std::reverse(reversed.begin(), reversed.end());
    document.replaceObjects(reversed);
    EXPECT_EQ(added, 8);
    EXPECT_EQ(p1->removedFrom, &document);
    EXPECT_EQ(document.objects(), reversed);
    EXPECT_EQ(photoNumbers({p3, p1}), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(f2->number, 1);
    EXPECT_EQ(f1->number, 2);
    EXPECT_EQ(document.idOfPhotoObjectWithNumber(1), p3->uniqueID());

    // An object listed twice leaves entirely.
    document.addObject(p1);
    EXPECT_EQ(document.countPhotoObjects(), 3);
    document.removeObject(p1);
    EXPECT_FALSE(document.objects().contains(p1));
    EXPECT_EQ(p3->number, 1);
    NotificationCenter::defaultCenter().removeObserver(&added);
}

TEST(TemplateDocumentObjects, NamedImagesAreSharedByName) {
    TestHost host;
    TemplateDocument document;
    const Image picture(QImage(3, 2, QImage::Format_ARGB32_Premultiplied));

    EXPECT_EQ(document.addImageSourceDataWithName(picture, {}, str("logo")), str("logo"));
    EXPECT_EQ(document.addImageSourceDataWithName(picture, {}, str("logo")), str("logo_0000"));
    EXPECT_EQ(document.addImageSourceDataWithName(picture, {}, str("logo")), str("logo_0001"));
    const Image stored = document.getImageWithName(str("logo_0000"));
    EXPECT_TRUE(stored.isFlipped());
    EXPECT_EQ(stored.pixelSize(), QSize(3, 2));

    const QString generated = document.addImageSourceDataWithName(picture, {}, QString());
    EXPECT_TRUE(QRegularExpression(str("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
                    .match(generated)
                    .hasMatch())
        << generated.toStdString();

    // Unknown names: nothing answered, nothing changed.
    EXPECT_TRUE(document.getImageWithName(str("missing")).isNull());
    EXPECT_TRUE(document.getSourceDataWithName(str("missing")).isNull());
    document.setImageSourceDataWithName(picture, QByteArray("x"), str("missing"));
    EXPECT_TRUE(document.getImageWithName(str("missing")).isNull());

    // Replacing parts: null removes them.
    document.setImageSourceDataWithName(Image(), QByteArray("bytes"), str("logo"));
    EXPECT_EQ(document.getSourceDataWithName(str("logo")), QByteArray("bytes"));
    EXPECT_TRUE(document.getImageWithName(str("logo")).isNull()); // the bytes are no image
    document.setImageSourceDataWithName(picture, QByteArray(), str("logo"));
    EXPECT_TRUE(document.getSourceDataWithName(str("logo")).isNull());
    EXPECT_TRUE(document.getImageWithName(str("logo")).isFlipped());
}

TEST(TemplateDocumentObjects, SourceDataIsDecodedOnFirstUse) {
    TestHost host;
    TemplateDocument document;
    const QByteArray png = pngBytes({5, 4}, Qt::red);
    const QString name = document.addImageSourceDataWithName(Image(), png, str("photo"));
    EXPECT_EQ(document.getSourceDataWithName(name), png);

    const Image decoded = document.getImageWithName(name);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.pixelSize(), QSize(5, 4));
    EXPECT_EQ(decoded.size(), (Size{5, 4}));
    EXPECT_TRUE(decoded.isFlipped());
    EXPECT_EQ(QColor(decoded.pixels().pixel(2, 2)), QColor(Qt::red));
    // Cached: the bytes may go, the picture stays.
    document.setImageSourceDataWithName(decoded, QByteArray(), name);
    EXPECT_EQ(document.getImageWithName(name), decoded);

    // Bytes that are no image stay undecoded and are tried again.
    const QString broken =
        document.addImageSourceDataWithName(Image(), png.left(20), str("broken"));
    EXPECT_TRUE(document.getImageWithName(broken).isNull());
    document.setImageSourceDataWithName(Image(), png, broken);
    EXPECT_FALSE(document.getImageWithName(broken).isNull());
    EXPECT_TRUE(Image::fromFileData({}).isNull());
}

TEST(TemplateDocumentObjects, UnusedImagesAreThoseNoObjectRefersTo) {
    TestHost host;
    TemplateDocument document;
    const Image picture(QImage(2, 2, QImage::Format_ARGB32_Premultiplied));
    const QString a = document.addImageSourceDataWithName(picture, {}, str("a"));
    const QString b = document.addImageSourceDataWithName(picture, {}, str("b"));
    const QString c = document.addImageSourceDataWithName(picture, {}, str("c"));
    EXPECT_EQ(document.listUnusedImages(), (QStringList{a, b, c}));

    document.addObject(SharedPicture::make(a));
    document.addObject(SharedPicture::make(a)); // shared by two objects
    document.addObject(SharedPicture::make(c));
    document.addObject(TMObject::newTemplateObject());
    EXPECT_EQ(document.listUnusedImages(), QStringList{b});

    // Without the object that used c, c is unused again.
    document.removeObject(document.objects().at(2));
    EXPECT_EQ(document.listUnusedImages(), (QStringList{b, c}));
}
