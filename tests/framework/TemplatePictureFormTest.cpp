#include "framework/model/TMObject.h"
#include "framework/model/TemplateDocument.h"
#include "framework/model/TemplateFileFormat.h"
#include "platform/archiving/ArchiveFormat.h"
#include "platform/archiving/Archiver.h"
#include "support/TestHost.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// A page object that shows a named picture of its document.
class PictureUser : public TMObject {
public:
    bool supportsSharedIamges() const override { return true; }
    QString sharedImageRef() const override { return _ref; }
    void setSharedImageRef(const QString& reference) override { _ref = reference; }
    void initWithRepresentation(const QVariantMap& representation) override {
        TMObject::initWithRepresentation(representation);
        _ref = representation.value(str("picture_ref")).toString();
    }
    QVariantMap dictRepresentation() const override {
        QVariantMap d = TMObject::dictRepresentation();
        d.insert(str("picture_ref"), _ref);
        return d;
    }

private:
    QString _ref;
};

const bool kKindRegistered = [] {
    TMObject::registerKind<PictureUser>(str("TMTestPictureUser"));
    return true;
}();

// Gradients with noise, as in a photo.
QImage photoLike(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(w, h, QImage::Format_RGBX8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int grain = int(random() % 17) - 8;
            image.setPixel(x, y,
                           qRgb(std::clamp(x * 255 / w + grain, 0, 255),
                                std::clamp(y * 255 / h + grain, 0, 255),
                                std::clamp((x + y) * 255 / (w + h) - grain, 0, 255)));
        }
    return image;
}

QByteArray u32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// An image archive in the first form, the rows deflated as one stream, laid
// out byte by byte.
QByteArray firstFormArchive(const QImage& pixels, Size size, bool flipped, const QByteArray& icc) {
    using namespace archive_format;
    QByteArray rows;
    for (int y = 0; y < pixels.height(); ++y)
        rows.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width() * 4);
    const QByteArray deflated = qCompress(rows).mid(4);
    auto i32 = [](qint32 v) { return char(kInt32) + u32(quint32(v)); };
    auto dat = [](const QByteArray& d) { return char(kData) + u32(quint32(d.size())) + d; };
    float sides[2] = {size.width, size.height};
    quint32 bits[2];
    std::memcpy(bits, sides, sizeof bits);
    const QByteArray body = i32(pixels.width()) + i32(pixels.height()) + i32(pixels.format()) +
                            char(kSize) + u32(bits[0]) + u32(bits[1]) + char(kBool) +
                            char(flipped ? 1 : 0) + dat(icc) + dat(deflated);
    return QByteArray(kMagic, 4) + u32(kVersion) + char(kValueObject) + u32(kNewClass) + u32(5) +
           QByteArray("Image") + u32(0) + body + char(kObjectEnd);
}

class TemplatePictureFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        host.settings[45] = 512;
        host.settings[47] = QSizeF(8.5, 11);
        host.settings[48] = 1;
        host.settings[49] = 8;
    }

    // Saves a template whose one object shows the picture, kept as decoded pixels.
    QString save(const Image& picture, const char* name) {
        TemplateDocument document;
        const QString reference =
            document.addImageSourceDataWithName(picture, QByteArray(), str("picture"));
        TMObjectRef user = TMObject::newTemplateObjectOfKind(str("TMTestPictureUser"));
        EXPECT_TRUE(user);
        user->setSharedImageRef(reference);
        document.addObject(user);
        document.setThumbnailGenMode(1);
        const QString target = folder.filePath(str(name));
        EXPECT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
        return target;
    }

    TestHost host;
    QTemporaryDir folder;
};

} // namespace

TEST_F(TemplatePictureFormTest, SavedPictureReopensEqual) {
    // Tall enough for several bands of rows.
    Image picture(photoLike(640, 2000, 1), Size{320, 1000});
    picture.setIccProfile(QByteArray("profile"));
    const QString target = save(picture, "picture.vyxTemplate");

    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType)));
    const Image back = reopened.getImageWithName(str("picture"));
    EXPECT_EQ(back.pixels(), picture.pixels());
    EXPECT_EQ(back.size(), picture.size());
    EXPECT_EQ(back.iccProfile(), picture.iccProfile());
    // Named pictures are kept flipped.
    EXPECT_TRUE(back.isFlipped());
}

TEST_F(TemplatePictureFormTest, PictureWrittenInTheFirstFormStillOpens) {
    // The saved file's picture archive is swapped for one of the first form of
    // the same length (the profile pads it), so the rest of the file stays valid.
    const QImage pixels = photoLike(37, 23, 2);
    Image picture(pixels, Size{37, 23});
    picture.setIccProfile(QByteArray(2000, 'p'));
    const QString target = save(picture, "first-form.vyxTemplate");

    Image stored = picture;
    stored.setFlipped(true);
    const QByteArray current = Archiver::archivedValue(stored);
    const qsizetype padding =
        current.size() - firstFormArchive(pixels, picture.size(), true, QByteArray()).size();
    ASSERT_GT(padding, 0);
    const QByteArray first =
        firstFormArchive(pixels, picture.size(), true, QByteArray(padding, 'q'));
    ASSERT_EQ(first.size(), current.size());

    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf(current);
    ASSERT_GE(at, 0);
    bytes.replace(at, first.size(), first);
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();

    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType)));
    const Image back = reopened.getImageWithName(str("picture"));
    EXPECT_EQ(back.pixels(), pixels);
    EXPECT_EQ(back.iccProfile(), QByteArray(padding, 'q'));
}
