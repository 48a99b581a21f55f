#include "TemplateFiles.h"

#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoObject.h"
#include "library/NewTemplateManager.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageFocus.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// What a fresh account gets: every shipped template installs, reads whole,
// and one of them is the default.
TEST(StarterTemplatesTest, EveryShippedTemplateInstallsAndReads) {
    TestHome home;
    TestHost host;
    UserDefaults::standardUserDefaults().removeObjectForKey(str(kDefaultTemplateFileNameKey));
    const QDir shipped(Resources::sharePath() + str("/Templates"));
    const QStringList files = shipped.entryList({str("*.vyxTemplate")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 4);

    NewTemplateManager manager(NewTemplateManager::userTemplatesFolderPath());
    for (const QString& file : files)
        EXPECT_TRUE(manager.installTemplateAtFile(shipped.filePath(file), false))
            << file.toStdString();
    ASSERT_EQ(manager.templates().size(), files.size());

    // Each carries its own identity, texts, thumbnail and cells.
    QStringList identities;
    for (const TemplateHandleRef& handle : manager.templates()) {
        const std::string name = handle->name().toStdString();
        EXPECT_EQ(handle->fileFormat(), 512) << name;
        EXPECT_FALSE(identities.contains(handle->documentID())) << name;
        identities.append(handle->documentID());
        EXPECT_NE(handle->documentID(), handle->fileName()) << name;
        EXPECT_NE(handle->category(), localizedString(str("CUSTOM"))) << name;
        EXPECT_FALSE(handle->creator().isEmpty()) << name;
        EXPECT_FALSE(handle->thumbnailProxy().isNull()) << name;
        EXPECT_GT(handle->pageRect().size.width, 0) << name;
        handle->objectsOnPage(0);
        EXPECT_GE(handle->photoCells(), 1) << name;
    }

    const TemplateHandleRef contact = manager.templateWithName(str("Contact Sheet (Letter)"));
    ASSERT_TRUE(contact);
    contact->objectsOnPage(0);
    EXPECT_EQ(contact->photoCells(), 20);
    const TemplateHandleRef twoUp = manager.templateWithName(str("2-Up with Cut Marks (A4)"));
    ASSERT_TRUE(twoUp);
    twoUp->objectsOnPage(0);
    EXPECT_EQ(twoUp->photoCells(), 2);
    EXPECT_EQ(twoUp->printAreas(), 2);
    EXPECT_EQ(twoUp->pageRect(), Rect(0, 0, 595, 842));

    const TemplateHandleRef fourUp = manager.templateWithName(str("4-Up with Cut Marks (Letter)"));
    ASSERT_TRUE(fourUp);
    fourUp->objectsOnPage(0);
    EXPECT_EQ(fourUp->photoCells(), 4);
    EXPECT_EQ(fourUp->printAreas(), 4);
    const TemplateHandleRef card = manager.templateWithName(str("Greeting Card (Letter)"));
    ASSERT_TRUE(card);
    card->objectsOnPage(0);
    ASSERT_EQ(card->editFields().value_or(QVariantList()).size(), 1);
    EXPECT_EQ(card->editFields()->first().toMap().value(str("id")).toString(), str("greeting"));
    const TemplateHandleRef single = manager.templateWithName(QString::fromUtf8("5 × 7 Single"));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->pageRect(), Rect(0, 0, 360, 504));

    const TemplateHandleRef collage = manager.templateWithName(str("Collage (A4)"));
    ASSERT_TRUE(collage);
    EXPECT_FLOAT_EQ(collage->photoCellRotation(1, 0), 5);
    const TemplateHandleRef wallets = manager.templateWithName(str("Wallet Sheet (Letter)"));
    ASSERT_TRUE(wallets);
    EXPECT_EQ(wallets->photoCellSize(8, 0), (Size{180, 252}));
    EXPECT_EQ(wallets->photoCells(), 9);

    const TemplateHandleRef fallback = manager.defaultTemplate();
    ASSERT_TRUE(fallback);
    EXPECT_EQ(fallback->documentID(), localizedString(str("DEFAULT_DOC_ID")));
}

TEST(StarterTemplatesTest, ThePortraitFadesItsPhotoIntoAnOval) {
    TestHome home;
    TestHost host;
    const QDir shipped(Resources::sharePath() + str("/Templates"));
    NewTemplateManager manager(NewTemplateManager::userTemplatesFolderPath());
    for (const char* file : {"Portrait (Letter).vyxTemplate", "Portrait (A4).vyxTemplate"})
        ASSERT_TRUE(manager.installTemplateAtFile(shipped.filePath(str(file)), false)) << file;

    for (const char* name : {"Portrait (Letter)", "Portrait (A4)"}) {
        const TemplateHandleRef portrait = manager.templateWithName(str(name));
        ASSERT_TRUE(portrait) << name;
        EXPECT_FALSE(portrait->thumbnailProxy().isNull()) << name;
        const TemplatePageObjects page = portrait->objectsOnPage(0);
        ASSERT_EQ(portrait->photoCells(), 1) << name;
        QList<TMObjectRef> objects = page.objects;
        for (const QVariantMap& dictionary : page.dictionaries)
            objects.append(TMObject::newTemplateObjectWithRepresentation(dictionary));
        std::shared_ptr<TMPhotoObject> cell;
        for (const TMObjectRef& object : objects)
            if (auto photo = std::dynamic_pointer_cast<TMPhotoObject>(object))
                cell = photo;
        ASSERT_TRUE(cell) << name;
        EXPECT_TRUE(cell->maskEnabled()) << name;
        const auto oval = std::dynamic_pointer_cast<TMOvalPhotoMask>(cell->mask());
        ASSERT_TRUE(oval) << name;
        EXPECT_GT(oval->featherPct(), 0.2f) << name;
        EXPECT_LE(oval->featherPct(), 1.0f) << name;
    }
}

// Every shipped mask is a greyscale picture of the kind the start-up
// installer copies, is listed in a masks folder, and keeps the middle of a
// photograph while cutting away its corner.
TEST(StarterTemplatesTest, ShippedMasksCutAPhotographToTheirShape) {
    TestHost host;
    host.masksPath = Resources::sharePath() + str("/Masks");
    const QStringList masks = TMBitmapPhotoMask::installedBitmapMasks();
    ASSERT_EQ(masks, QStringList({str("Rounded Frame.jpg"), str("Soft Vignette.jpg"),
                                  str("Torn Edge.jpg")}));

    constexpr int side = 120;
    for (const QString& name : masks) {
        const std::string label = name.toStdString();
        QImageReader reader(host.masksPath + QLatin1Char('/') + name);
        EXPECT_EQ(reader.read().format(), QImage::Format_Grayscale8) << label;

        const auto cell = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {side, side});
        auto mask = TMPhotoMask::create<TMBitmapPhotoMask>();
        mask->setMaskPatternName(name);
        cell->setMask(mask);
        cell->setMaskEnabled(true);

        QImage pixels(side, side, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(Qt::red);
        Image photograph(pixels);
        {
            ImageFocus focus(photograph);
            mask->applyMasktoRect(Rect(0, 0, side, side));
            focus.unlockFocus();
        }
        const QImage& masked = photograph.pixels();
        EXPECT_GE(qAlpha(masked.pixel(side / 2, side / 2)), 250) << label;
        for (const auto& [x, y] : {std::pair{1, 1}, std::pair{side - 2, side - 2},
                                   std::pair{side / 2, 1}, std::pair{1, side / 2}})
            EXPECT_LE(qAlpha(masked.pixel(x, y)), 8) << label << " at " << x << "," << y;
    }
}

} // namespace
