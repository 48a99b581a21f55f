#include "PaletteFixture.h"
#include "photoview/PhotoInfoWindowController.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "utilities/FinderComment.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QStackedWidget>
#include <QTextEdit>
#include <sys/xattr.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

// The comment attribute's bytes as the file system keeps them; null when absent.
QByteArray rawComment(const QString& path) {
    char buffer[1024];
    const ssize_t size =
        getxattr(QFile::encodeName(path).constData(), "user.xdg.comment", buffer, sizeof buffer);
    return size < 0 ? QByteArray() : QByteArray(buffer, int(size));
}

bool setRawComment(const QString& path, const QByteArray& bytes) {
    return setxattr(QFile::encodeName(path).constData(), "user.xdg.comment", bytes.constData(),
                    size_t(bytes.size()), 0) == 0;
}

QVariantMap tag(const char* name, const QVariant& value) {
    return {{str("TagName"), str(name)}, {str("exifValue"), value}};
}

} // namespace

class PhotoInfoTest : public PaletteFixture {
protected:
    void SetUp() override {
        PaletteFixture::SetUp();
        palette = PhotoInfoWindowController::sharedPhotoInfoController();
        palette->activate();
        drainEvents();
        ASSERT_EQ(palette->document(), document.get());
    }
    void TearDown() override {
        palette->close();
        PaletteFixture::TearDown();
    }

    template <class T> T* control(const char* name) { return palette->control<T>(name); }
    QString label(const char* name) { return control<QLabel>(name)->text(); }
    // The name of the view each tab's container shows.
    QStringList shownPanels() {
        QStringList names;
        for (const char* container :
             {"_basicContainerView", "_exifContainerView", "_moreInfoContainerView"})
            names << control<QStackedWidget>(container)->currentWidget()->objectName();
        return names;
    }
    QString addJPEG(const char* name, int width, int height) {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(Qt::darkYellow);
        const QString path = dir.filePath(str(name));
        EXPECT_TRUE(picture.save(path, "JPEG"));
        EXPECT_TRUE(catalog().addFileEntry(path));
        drainEvents();
        return path;
    }
    QString na() { return localizedString(str("NA")); }

    PhotoInfoWindowController* palette = nullptr;
};

TEST_F(PhotoInfoTest, OnePhotoShowsItsFileFactsAndNoneOrTwoShowAMessageOnEveryTab) {
    const QString path = addJPEG("facts.jpg", 120, 80);
    addJPEG("other.jpg", 10, 10);
    select({});
    EXPECT_EQ(shownPanels(), QStringList({str("_badSelectPanel1View"), str("_badSelectPanel2View"),
                                          str("_badSelectPanel3View")}));
    for (const char* field :
         {"_badSelectLabel1Field", "_badSelectLabel2Field", "_badSelectLabel3Field"})
        EXPECT_EQ(label(field), localizedString(str("NO_SELECTION")));

    select({0});
    EXPECT_EQ(shownPanels().first(), str("_basicPanelView"));
    EXPECT_EQ(shownPanels().last(), str("_moreInfoPanelView"));
    EXPECT_EQ(label("_basicFileNameField"), str("facts.jpg"));
    EXPECT_EQ(label("_basicFilePathField"), QFileInfo(path).path());
    EXPECT_EQ(label("_basicImageDimensionsField"), str("120 x 80"));
    EXPECT_EQ(label("_basicFileSizeField"), host().fileSizeString(QFileInfo(path).size()));
    EXPECT_FALSE(label("_basicFileKindField").isEmpty());
    EXPECT_NE(label("_basicFileKindField"), na());
    const QLocale locale;
    EXPECT_EQ(label("_basicModifiedDateField"),
              locale.toString(QFileInfo(path).lastModified(),
                              locale.dateFormat(QLocale::ShortFormat) + str(" ") +
                                  locale.timeFormat(QLocale::ShortFormat)));
    EXPECT_EQ(label("_basicImageTransformsField"), catalog().getTransformSummaryAtIndex(0));
    // No iPhoto library: its fields are off and say so.
    for (const char* field : {"_moreInfoIPhotoCaptionField", "_moreInfoIPhotoCommentsField"}) {
        EXPECT_FALSE(control<QLineEdit>(field)->isEnabled());
        EXPECT_EQ(control<QLineEdit>(field)->text(), na());
    }
    EXPECT_EQ(label("_moreInfoIPhotoRatingField"), na());

    select({0, 1});
    EXPECT_EQ(shownPanels(), QStringList({str("_badSelectPanel1View"), str("_badSelectPanel2View"),
                                          str("_badSelectPanel3View")}));
    for (const char* field :
         {"_badSelectLabel1Field", "_badSelectLabel2Field", "_badSelectLabel3Field"})
        EXPECT_EQ(label(field), localizedString(str("MULTI_SELECTION")));
}

TEST_F(PhotoInfoTest, EXIFLinesComeFromGroupZeroThenEXIFSortedByTagKey) {
    addJPEG("tags.jpg", 20, 20);
    struct Case {
        const char* what;
        QVariantMap exif;
        const char* text; // null: the "NO_EXIF" message
    };
    const Case cases[] = {
        {"both groups",
         {{str("EXIF"), QVariantMap{{str("33434"), tag("ExposureTime", str("1/60"))},
                                    {str("33437"), tag("FNumber", 2.8)}}},
          {str("0"), QVariantMap{{str("272"), tag("Model", str("Box"))},
                                 {str("271"), tag("Make", str("Acme"))}}},
          {str("GPS"), QVariantMap{{str("1"), tag("Latitude", str("N"))}}}},
         "Make:  Acme\nModel:  Box\nExposureTime:  1/60\nFNumber:  2.8\n"},
        {"EXIF only",
         {{str("EXIF"), QVariantMap{{str("33434"), tag("ExposureTime", 0.5)}}}},
         "ExposureTime:  0.5\n"},
        {"neither group",
         {{str("GPS"), QVariantMap{{str("1"), tag("Latitude", str("N"))}}}},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        catalog().setFileAttributeAtIndexToValue(kCatalogAttrEXIF, 0, c.exif);
        select({0});
        if (c.text) {
            EXPECT_EQ(shownPanels().at(1), str("_exifPanelView"));
            EXPECT_EQ(control<QTextEdit>("_exifDataTextView")->toPlainText(), str(c.text));
        } else {
            EXPECT_EQ(shownPanels().at(1), str("_badSelectPanel2View"));
            EXPECT_EQ(label("_badSelectLabel2Field"), localizedString(str("NO_EXIF")));
        }
        // The other tabs show the photo all the same.
        EXPECT_EQ(shownPanels().at(0), str("_basicPanelView"));
        EXPECT_EQ(shownPanels().at(2), str("_moreInfoPanelView"));
        EXPECT_EQ(label("_basicFileNameField"), str("tags.jpg"));
    }
}

TEST_F(PhotoInfoTest, EntriesWithoutAReadableFileShowNAAndTheKnownPixelSize) {
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    catalog().addImageEntry(Image(picture));
    drainEvents();
    catalog().getFileImageAtIndex(0); // the picture is decoded once shown
    const QString missing = addJPEG("gone.jpg", 30, 20);
    addJPEG("kept.jpg", 50, 40);
    struct Case {
        const char* what;
        int index;
        const char* dimensions;
    };
    const Case cases[] = {
        {"pasted picture", 0, "64 x 48"},
        {"missing file", 1, "30 x 20"},
    };
    catalog().getFileImageSizeAtIndex(1);
    ASSERT_TRUE(QFile::remove(missing));
    // As the catalog's change test leaves an entry whose file went away.
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrEnabled, 1, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        select({2});
        EXPECT_EQ(label("_basicImageDimensionsField"), str("50 x 40"));
        select({c.index});
        EXPECT_EQ(shownPanels().first(), str("_basicPanelView"));
        for (const char* field : {"_basicCreationDateField", "_basicModifiedDateField",
                                  "_basicFileKindField", "_basicFileSizeField"})
            EXPECT_EQ(label(field), na()) << field;
        EXPECT_EQ(label("_basicImageDimensionsField"), str(c.dimensions));
        EXPECT_FALSE(control<QLabel>("_basicFileIcon")->pixmap().isNull());
        EXPECT_FALSE(control<QLineEdit>("_moreInfoFinderCommentsField")->isEnabled());
    }
}

TEST_F(PhotoInfoTest, TheCommentIsWrittenToTheFileOnlyWhenChanged) {
    const QString path = addJPEG("comment.jpg", 20, 20);
    if (!UTSetFinderCommentInFile(path, str("probe")))
        GTEST_SKIP() << "the temporary folder keeps no user attributes";
    // Quotes the reader leaves out: a rewrite of the same text would drop them.
    ASSERT_TRUE(setRawComment(path, "\"Beach\""));
    const QVariantMap marked{{str("0"), QVariantMap{{str("1"), tag("Marker", str("cached"))}}}};
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrEXIF, 0, marked);
    select({0});
    auto* field = control<QLineEdit>("_moreInfoFinderCommentsField");
    EXPECT_TRUE(field->isEnabled());
    EXPECT_EQ(field->text(), str("Beach"));

    type(field, str("Beach"));
    EXPECT_EQ(rawComment(path), QByteArray("\"Beach\""));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEXIF, 0).toMap(), marked);

    type(field, str("Beach at dusk"));
    EXPECT_EQ(rawComment(path), QByteArray("Beach at dusk"));
    EXPECT_EQ(field->text(), str("Beach at dusk"));
    // The cached tags were dropped and read again from the file.
    EXPECT_NE(catalog().getFileAttributeAtIndex(kCatalogAttrEXIF, 0).toMap(), marked);
    EXPECT_FALSE(control<QTextEdit>("_exifDataTextView")->toPlainText().contains(str("Marker")));
}

TEST_F(PhotoInfoTest, AHiddenPaletteCatchesUpAsItShows) {
    addJPEG("a.jpg", 20, 20);
    addJPEG("b.jpg", 20, 20);
    select({0});
    EXPECT_EQ(label("_basicFileNameField"), str("a.jpg"));
    palette->hide();
    select({1});
    palette->activate();
    drainEvents();
    EXPECT_EQ(label("_basicFileNameField"), str("b.jpg"));
}
