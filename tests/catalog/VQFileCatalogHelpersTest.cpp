// The typed accessors over the catalog's numbered attributes.
#include "CatalogFixture.h"

#include "platform/foundation/LocalizedStrings.h"

namespace {

class VQFileCatalogHelpersTest : public CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        separator(".");
    }
    void TearDown() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(
            QStringLiteral("NSDecimalSeparator"));
        CatalogFixture::TearDown();
    }
    static void separator(const char* text) {
        UserDefaults::standardUserDefaults().setObjectForKey(QString::fromLatin1(text),
                                                             QStringLiteral("NSDecimalSeparator"));
    }
    static QString text(const char* key) { return localizedString(QString::fromLatin1(key)); }
    void set(int attribute, const QVariant& value) {
        catalog().setFileAttributeAtIndexToValue(attribute, 0, value);
    }
};

TEST_F(VQFileCatalogHelpersTest, SummaryListsTheChangedAdjustmentsInTheUsersSeparator) {
    addPhotos(1);
    EXPECT_EQ(catalog().getTransformSummaryAtIndex(0), text("NONE"));
    EXPECT_NE(text("NONE"), QStringLiteral("NONE"));

    set(kCatalogAttrRotation, 90.0f);
    set(kCatalogAttrSaturation, 1.25f);
    separator(",");
    EXPECT_EQ(catalog().getTransformSummaryAtIndex(0), text("ROTATE") + QStringLiteral(": 90,0, ") +
                                                           text("SATURATE") +
                                                           QStringLiteral(": 25,0%"));

    // Every part, in order; sharpness is a whole number, never localized.
    set(kCatalogAttrBrightness, 0.5f);
    set(kCatalogAttrContrast, 1.5f);
    set(kCatalogAttrSharpness, 3.0f);
    separator(".");
    EXPECT_EQ(catalog().getTransformSummaryAtIndex(0),
              text("ROTATE") + QStringLiteral(": 90.0, ") + text("SATURATE") +
                  QStringLiteral(": 25.0%, ") + text("BRIGHTEN") + QStringLiteral(": -50.0%, ") +
                  text("CONTRAST") + QStringLiteral(": 50.0%, ") + text("SHARPEN") +
                  QStringLiteral(": 3"));
}

TEST_F(VQFileCatalogHelpersTest, CropIsNormalisedIntoThePicture) {
    catalog().addFileEntry(photo(QStringLiteral("c.png"), 300, 200));
    const struct {
        Rect given;
        Rect stored;
    } cases[] = {
        {Rect(-10, 20, 100, 80), Rect(0, 20, 100, 80)},
        {Rect(250, 150, 100, 80), Rect(200, 120, 100, 80)},
        {Rect(0, 0, 400, 300), kZeroRect},
        {Rect(10, 10, 500, 50), Rect(0, 10, 300, 50)},
        {Rect(5, 6, 50, 60), Rect(5, 6, 50, 60)},
    };
    for (const auto& c : cases) {
        catalog().setFileImageCropAtIndexTo(0, c.given);
        EXPECT_EQ(catalog().getFileImageCropAtIndex(0), c.stored) << c.given.origin.x;
    }
    // Too small a crop stores nothing; the zero rectangle removes the crop.
    catalog().setFileImageCropAtIndexTo(0, Rect(5, 5, 3, 50));
    EXPECT_EQ(catalog().getFileImageCropAtIndex(0), Rect(5, 6, 50, 60));
    catalog().setFileImageCropAtIndexTo(0, kZeroRect);
    EXPECT_EQ(catalog().getFileImageCropAtIndex(0), kZeroRect);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrCrop, 0).toByteArray(),
              QByteArray(16, '\0'));
}

TEST_F(VQFileCatalogHelpersTest, OffsetIsTwoFloats) {
    addPhotos(1);
    EXPECT_EQ(catalog().getFileImageOffsetAtIndex(0), kZeroPoint);
    catalog().setFileImageOffsetAtIndexTo(0, Point{1.5f, -2.25f});
    EXPECT_EQ(catalog().getFileImageOffsetAtIndex(0), (Point{1.5f, -2.25f}));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrOffset, 0).toByteArray().size(), 8);
}

TEST_F(VQFileCatalogHelpersTest, EnhancingTheSelectionSetsOnlyWhatDiffers) {
    addPhotos(3);
    EXPECT_FALSE(catalog().adjustSelectionSharpnessContrastSaturationBrightness(1, 2, 3, 4));
    catalog().setFileSelectionStateAtIndexTo(0, true);
    catalog().setFileSelectionStateAtIndexTo(2, true);
    EXPECT_TRUE(catalog().getFileSelectionStateAtIndex(2));
    drainEvents();
    undo().removeAllActions();

    // The values they already have: nothing to undo.
    EXPECT_FALSE(catalog().adjustSelectionSharpnessContrastSaturationBrightness(0, 1, 1, 1));
    drainEvents();
    EXPECT_FALSE(undo().canUndo());

    EXPECT_TRUE(catalog().adjustSelectionSharpnessContrastSaturationBrightness(2, 1, 1.5f, 1));
    drainEvents();
    for (int index : {0, 2}) {
        EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrSharpness, index).toInt(), 2);
        EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrSaturation, index).toFloat(),
                        1.5f);
    }
    EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrSaturation, 1).toFloat(), 1.0f);
    ASSERT_TRUE(undo().canUndo());
    undo().undo();
    drainEvents();
    for (int index : {0, 2})
        EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrSaturation, index).toFloat(),
                        1.0f);
}

TEST_F(VQFileCatalogHelpersTest, TypedGettersReadTheirAttributes) {
    addPhotos(1);
    EXPECT_EQ(catalog().getFileNameAtIndex(0), name(0));
    EXPECT_TRUE(catalog().getFilePathAtIndex(0).endsWith(QLatin1String("p0.png")));
    EXPECT_EQ(catalog().getFileLocationAtIndex(0), dir.path());
    EXPECT_EQ(catalog().getSerialNumberAtIndex(0).toInt(), serials().first());
    EXPECT_GT(catalog().getFileImageDataSizeAtIndex(0).toLongLong(), 0);
    EXPECT_FALSE(catalog().fileImageLoadedAtIndex(0));
    EXPECT_EQ(catalog().getFileImageAtIndex(0).pixelSize(), QSize(40, 30));
    EXPECT_TRUE(catalog().fileImageLoadedAtIndex(0));
    EXPECT_EQ(catalog().getFileDirectImageAtIndex(0).pixelSize(), QSize(40, 30));
    EXPECT_EQ(catalog().getFileImageSizeAtIndex(0), (Size{40, 30}));
    EXPECT_TRUE(catalog().getFileImageRedEyeAtIndex(0).isEmpty());
    EXPECT_TRUE(catalog().getFileImageCaptionsAtIndex(0).isEmpty());
}

TEST_F(VQFileCatalogHelpersTest, AnUnknownSizeIsTheZeroSize) {
    // A picture the importer can't open has no known size yet.
    const QString path = dir.filePath(QStringLiteral("broken.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture");
    file.close();
    ASSERT_TRUE(catalog().addFileEntry(path));
    EXPECT_EQ(catalog().getFileImageSizeAtIndex(0), kZeroSize);
    EXPECT_EQ(catalog().getFileImageSizeAtIndex(7), kZeroSize);
}

TEST_F(VQFileCatalogHelpersTest, IPhotoFieldsAnswerAsTheLibraryWithoutDataDoes) {
    addPhotos(1);
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    catalog().addImageEntry(Image(picture));
    drainEvents();
    const struct {
        const char* tag;
        int index;
        QString expected;
    } cases[] = {
        {"iPhoto-IP001", 0, QStringLiteral("")},
        {"iPhoto-IP002", 0, text("STAR_RATING_0")},
        {"iPhoto-IP003", 0, QStringLiteral("")},
        {"iPhoto-IP004", 0, QStringLiteral("")},
        {"iPhoto", 0, QStringLiteral("")},
        // A photo kept in the document has no path to ask about.
        {"iPhoto-IP002", 1, QStringLiteral("")},
    };
    for (const auto& c : cases) {
        const QString value =
            catalog().getEXIFValueForTagAtIndex(QString::fromLatin1(c.tag), c.index);
        EXPECT_EQ(value, c.expected) << c.tag << " " << c.index;
        EXPECT_FALSE(value.isNull()) << c.tag << " " << c.index;
    }
    EXPECT_NE(text("STAR_RATING_0"), QStringLiteral("STAR_RATING_0"));
}

TEST_F(VQFileCatalogHelpersTest, PhotoPropertyTextsAreNeverNull) {
    addPhotos(1);
    for (const char* tag : {"iPhoto-IP001", "iPhoto", "Template-T001", "Template-T009", "Make"})
        EXPECT_FALSE(catalog().getEXIFValueForTagAtIndex(QString::fromLatin1(tag), 0).isNull())
            << tag;
    QVariantMap make;
    make.insert(QStringLiteral("exifValue"), QStringLiteral("Cam"));
    QVariantMap group;
    group.insert(QStringLiteral("10F"), make);
    QVariantMap exif;
    exif.insert(QStringLiteral("0"), group);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrEXIF, 0, exif);
    EXPECT_EQ(catalog().getEXIFValueForTagAtIndex(QStringLiteral("0-10F"), 0),
              QStringLiteral("Cam"));
    EXPECT_EQ(catalog().getEXIFValueForTagAtIndex(QStringLiteral("0-110"), 0), QString(""));
    EXPECT_FALSE(catalog().getEXIFValueForTagAtIndex(QStringLiteral("0-110"), 0).isNull());
}

} // namespace
