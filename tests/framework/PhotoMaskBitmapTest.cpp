#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageFocus.h"
#include "support/TestHost.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// An opaque red picture, one pixel a unit, y upward, in focus while it lives.
class Drawn {
public:
    Drawn(int width, int height) : _height(height) {
        QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(Qt::red);
        _image = Image(pixels);
        _focus = std::make_unique<ImageFocus>(_image);
    }
    int alpha(int x, int y) {
        _focus->unlockFocus();
        return qAlpha(_image.pixels().pixel(x, _height - 1 - y));
    }

private:
    int _height;
    Image _image;
    std::unique_ptr<ImageFocus> _focus;
};

// Counts the warnings that say a photograph was left unmasked.
class UnmaskedWarnings {
public:
    UnmaskedWarnings() { _previous = qInstallMessageHandler(&UnmaskedWarnings::handle); }
    ~UnmaskedWarnings() { qInstallMessageHandler(_previous); }
    static inline int count = 0;

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtWarningMsg && message.contains(QLatin1String("unmasked")))
            ++count;
    }
    QtMessageHandler _previous = nullptr;
};

// A masks folder of the test host.
struct BitmapMasks : ::testing::Test {
    BitmapMasks() {
        host.masksPath = folder.path() + QStringLiteral("/Masks");
        QDir().mkpath(host.masksPath);
    }

    QString path(const QString& name) const { return host.masksPath + QLatin1Char('/') + name; }

    // A picture of the size whose pixels the function gives.
    void write(const QString& name, QImage picture) {
        QDir().mkpath(QFileInfo(path(name)).path());
        ASSERT_TRUE(picture.save(path(name), "PNG")) << name.toStdString();
    }
    static QImage grey(int width, int height, const std::function<int(int, int)>& value) {
        QImage picture(width, height, QImage::Format_Grayscale8);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.scanLine(y)[x] = uchar(value(x, y));
        return picture;
    }
    void touch(const QString& name) {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    static std::shared_ptr<TMBitmapPhotoMask> mask(const QString& pattern, int rotation = 0) {
        auto m = TMPhotoMask::create<TMBitmapPhotoMask>();
        m->setMaskPatternName(pattern);
        m->setPatternRotation(rotation);
        return m;
    }

    TestHost host;
    QTemporaryDir folder;
};

} // namespace

TEST_F(BitmapMasks, InstalledMasksListFilesAndFoldersCaseInsensitively) {
    touch("b.jpg");
    touch("A.png");
    touch("notes.txt");
    touch("Hearts/x.tif");
    EXPECT_EQ(TMBitmapPhotoMask::installedBitmapMasks(),
              QStringList({"A.png", "b.jpg", "Hearts/", "Hearts/x.tif"}));
    EXPECT_EQ(TMBitmapPhotoMask::defaultBitmapMask(), "A.png");
    EXPECT_EQ(TMPhotoMask::create<TMBitmapPhotoMask>()->maskPatternName(), "A.png");

    host.masksPath = folder.path() + QStringLiteral("/Nowhere");
    EXPECT_TRUE(TMBitmapPhotoMask::installedBitmapMasks().isEmpty());
    EXPECT_EQ(TMBitmapPhotoMask::defaultBitmapMask(), "");
}

TEST_F(BitmapMasks, GreyValuesBecomeCoverageStretchedOverTheRectangle) {
    // Three columns: white, mid-grey, black.
    write("steps.png", grey(3, 1, [](int x, int) { return x == 0 ? 255 : x == 1 ? 128 : 0; }));
    Drawn drawn(80, 40);
    mask("steps.png")->applyMasktoRect(Rect(10, 10, 60, 20));
    EXPECT_EQ(drawn.alpha(15, 20), 255);
    EXPECT_NEAR(drawn.alpha(40, 20), 128, 3);
    EXPECT_EQ(drawn.alpha(65, 20), 0);
    EXPECT_EQ(drawn.alpha(5, 5), 255); // outside the rectangle
    EXPECT_EQ(drawn.alpha(75, 35), 255);
}

TEST_F(BitmapMasks, APicturesOwnAlphaIsTheCoverage) {
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(255, 255, 255, 0));
    picture.setPixel(1, 0, qRgba(0, 0, 0, 255));
    write("alpha.png", picture);
    Drawn drawn(40, 20);
    mask("alpha.png")->applyMasktoRect(Rect(0, 0, 40, 20));
    EXPECT_EQ(drawn.alpha(5, 10), 0);
    EXPECT_EQ(drawn.alpha(35, 10), 255);
}

TEST_F(BitmapMasks, QuarterTurnsTurnThePictureOtherAnglesDoNot) {
    // White on top, black below.
    write("half.png", grey(4, 4, [](int, int y) { return y < 2 ? 255 : 0; }));
    struct Case {
        int rotation;
        bool upperLeft, upperRight, lowerLeft, lowerRight;
    };
    // 90 turns clockwise, -90 anticlockwise.
    const Case cases[] = {
        {0, true, true, false, false},   {45, true, true, false, false},
        {90, false, true, false, true},  {-90, true, false, true, false},
        {180, false, false, true, true},
    };
    for (const Case& c : cases) {
        Drawn drawn(40, 40);
        mask("half.png", c.rotation)->applyMasktoRect(Rect(0, 0, 40, 40));
        // y upward: the top of the picture is at the largest y.
        EXPECT_EQ(drawn.alpha(10, 30) == 255, c.upperLeft) << c.rotation;
        EXPECT_EQ(drawn.alpha(30, 30) == 255, c.upperRight) << c.rotation;
        EXPECT_EQ(drawn.alpha(10, 10) == 255, c.lowerLeft) << c.rotation;
        EXPECT_EQ(drawn.alpha(30, 10) == 255, c.lowerRight) << c.rotation;
    }
}

TEST_F(BitmapMasks, AMissingOrUnusablePictureLeavesThePhotographUnmaskedAndIsLoggedOnce) {
    QImage colour(2, 2, QImage::Format_RGB32);
    colour.fill(Qt::black);
    write("colour.png", colour); // neither alpha nor plain grey
    for (const char* pattern : {"gone.png", "colour.png"}) {
        UnmaskedWarnings warnings;
        UnmaskedWarnings::count = 0;
        auto m = mask(pattern);
        for (int i = 0; i < 2; ++i) {
            Drawn drawn(20, 20);
            m->applyMasktoRect(Rect(0, 0, 20, 20));
            EXPECT_EQ(drawn.alpha(10, 10), 255) << pattern;
            EXPECT_EQ(drawn.alpha(1, 1), 255) << pattern;
        }
        EXPECT_TRUE(m->maskingImage().isNull());
        EXPECT_EQ(UnmaskedWarnings::count, 1) << pattern;
    }
}

TEST_F(BitmapMasks, PatternNamesThatLeaveTheMasksFolderAreMissingMasks) {
    // A picture that would clear everything, outside the masks folder.
    const QImage black = grey(2, 2, [](int, int) { return 0; });
    ASSERT_TRUE(black.save(folder.path() + QStringLiteral("/outside.png"), "PNG"));
    ASSERT_TRUE(QFile::link(folder.path() + QStringLiteral("/outside.png"), path("link.png")));
    write("Sub/inside.png", black);

    for (const QString& pattern :
         {QStringLiteral("../outside.png"), folder.path() + QStringLiteral("/outside.png"),
          QStringLiteral("Sub/../../outside.png"), QStringLiteral("link.png")}) {
        Drawn drawn(20, 20);
        mask(pattern)->applyMasktoRect(Rect(0, 0, 20, 20));
        EXPECT_EQ(drawn.alpha(10, 10), 255) << pattern.toStdString();
    }
    Drawn drawn(20, 20);
    mask("Sub/inside.png")->applyMasktoRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(drawn.alpha(10, 10), 0);

    struct Case {
        const char* name;
        bool plain;
    };
    const Case cases[] = {{"A.png", true},        {"Hearts/x.tif", true}, {"", false},
                          {"/etc/passwd", false}, {"../a.png", false},    {"a/../b.png", false},
                          {"./a.png", false},     {"Hearts/", false},     {"a//b.png", false}};
    for (const Case& c : cases)
        EXPECT_EQ(TMBitmapPhotoMask::isPlainPatternName(c.name), c.plain) << c.name;
}

TEST_F(BitmapMasks, TheSamePatternAgainKeepsTheCachedPicture) {
    write("a.png", grey(2, 2, [](int, int) { return 0; }));
    auto m = mask("a.png");
    ASSERT_FALSE(m->maskingImage().isNull());
    ASSERT_TRUE(QFile::remove(path("a.png")));
    m->setMaskPatternName("a.png");
    EXPECT_FALSE(m->maskingImage().isNull());
    m->setMaskPatternName("b.png");
    EXPECT_TRUE(m->maskingImage().isNull());
}

TEST_F(BitmapMasks, TheMaskFileIsKeptOnceAmongTheTemplatesNamedImages) {
    // White on top, black below.
    write("A.png", grey(4, 4, [](int, int y) { return y < 2 ? 255 : 0; }));
    QFile file(path("A.png"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();

    TemplateDocument document;
    TMPhotoObjectRef first = TMPhotoObject::newTemplateObject();
    document.addObject(first);
    first->setMask(mask("A.png"));
    EXPECT_EQ(document.getSourceDataWithName(":mask:_A.png"), bytes);
    EXPECT_EQ(first->sharedImageRef(), ":mask:_A.png");

    TMPhotoObjectRef second = TMPhotoObject::newTemplateObject();
    second->setMask(mask("A.png"));
    document.addObject(second);
    EXPECT_TRUE(document.getSourceDataWithName(":mask:_A.png_0000").isNull());
    EXPECT_TRUE(document.listUnusedImages().isEmpty());

    // Without the file, the document's copy masks, the right way up.
    ASSERT_TRUE(QFile::remove(path("A.png")));
    TMPhotoObjectRef third = TMPhotoObject::newTemplateObject();
    document.addObject(third);
    third->setMask(mask("A.png"));
    auto m = std::static_pointer_cast<TMBitmapPhotoMask>(third->mask());
    Drawn drawn(40, 40);
    m->applyMasktoRect(Rect(0, 0, 40, 40));
    EXPECT_EQ(drawn.alpha(20, 35), 255);
    EXPECT_EQ(drawn.alpha(20, 5), 0);

    // Nothing outside the folder reaches the document.
    ASSERT_TRUE(grey(2, 2, [](int, int) {
                    return 0;
                }).save(folder.path() + QStringLiteral("/outside.png"), "PNG"));
    third->setMask(mask("../outside.png"));
    EXPECT_TRUE(document.getSourceDataWithName(":mask:_../outside.png").isNull());
}
