#include "catalog/CatalogEntry.h"
#include "catalog/GridFixture.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "photoview/PixelAdjusterController.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UndoManager.h"
#include "platform/system/ScriptCommand.h"

#include <QDir>
#include <QFile>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

// The document's commands driven as a script drives them, over a real window.
class ScriptedCatalogTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        document->addWindowController(controller);
    }
    void TearDown() override {
        document->removeWindowController(controller);
        GridFixture::TearDown();
    }
    // The command's error; empty when it succeeded.
    QString run(const char* name, const QVariantMap& arguments = {}) {
        ScriptCommand command(qs(name), arguments);
        document->scriptCommands().dispatch(command);
        drainEvents();
        return command.errorString();
    }
    QList<int> entrySerials() {
        QList<int> list;
        for (const std::shared_ptr<CatalogEntry>& entry : document->entries())
            list.append(entry->serialNumber());
        return list;
    }
    float attribute(int attributeTag, int index) {
        return catalog().getFileAttributeAtIndex(attributeTag, index).toFloat();
    }
};

} // namespace

TEST_F(ScriptedCatalogTest, AddPhotoAppendsAFileTheCatalogAcceptsAsOneStep) {
    writeImage(QDir::home().filePath(qs("a.jpg")), solidImage(40, 30, Qt::red), "jpg");
    EXPECT_EQ(run("AddPhoto", {{qs("File"), qs("~/a.jpg")}}), QString());
    ASSERT_EQ(catalog().fileCount(), 1);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString(),
              QDir::home().filePath(qs("a.jpg")));
    EXPECT_EQ(undo().undoActionName(), localizedString(qs("ADD")));
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(catalog().fileCount(), 0);
    EXPECT_NE(undo().undoActionName(), localizedString(qs("ADD")));
}

TEST_F(ScriptedCatalogTest, AddPhotoRefusesWhatIsNoPhotoFileAndNamesIt) {
    const QString folder = dir.filePath(qs("folder.jpg"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString text = dir.filePath(qs("notes.txt"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture");
    file.close();
    const QString missing = dir.filePath(qs("missing.jpg"));
    const QString lastStep = undo().undoActionName();
    struct Case {
        const char* what;
        QVariant file;
        QString named;
    } cases[] = {
        {"missing", missing, missing},
        {"folder", folder, folder},
        {"text file", text, text},
        {"number", 42, qs("File")},
    };
    for (const Case& c : cases) {
        const QString error = run("AddPhoto", {{qs("File"), c.file}});
        EXPECT_TRUE(error.contains(c.named)) << c.what << ": " << error.toStdString();
        EXPECT_EQ(catalog().fileCount(), 0) << c.what;
    }
    EXPECT_EQ(undo().undoActionName(), lastStep);
}

TEST_F(ScriptedCatalogTest, EnhanceClampsItsValuesOverTheWindowsLastOnes) {
    addPhotos(1);
    catalog().setSelectionAtIndex(0);
    struct Case {
        QVariantMap arguments;
        int sharpness;
        float contrast, saturation, brightness;
    } cases[] = {
        {{{qs("Contrast"), 50}}, 2, 1.5f, 0.5f, 0.75f},
        {{{qs("Brightness"), -250}}, 2, 0.25f, 0.5f, 0.0f},
        {{{qs("Brightness"), 250.0}}, 2, 0.25f, 0.5f, 2.0f},
        {{{qs("Sharpness"), 12}}, 8, 0.25f, 0.5f, 0.75f},
        {{{qs("Sharpness"), -3}}, 0, 0.25f, 0.5f, 0.75f},
        {{{qs("Saturation"), -100}, {qs("Contrast"), 0}}, 2, 1.0f, 0.0f, 0.75f},
    };
    for (const Case& c : cases) {
        controller->setSharpness(2);
        controller->setContrast(0.25f);
        controller->setSaturation(0.5f);
        controller->setBrightness(0.75f);
        SCOPED_TRACE(c.arguments.firstKey().toStdString());
        EXPECT_EQ(run("Enhance", c.arguments), QString());
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrSharpness, 0), float(c.sharpness));
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrContrast, 0), c.contrast);
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrSaturation, 0), c.saturation);
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrBrightness, 0), c.brightness);
    }
}

TEST_F(ScriptedCatalogTest, AFirstEnhanceOfOneFactorKeepsTheOthersAtTheDocumentsDefaults) {
    addPhotos(1);
    catalog().setSelectionAtIndex(0);
    EXPECT_EQ(run("Enhance", {{qs("Brightness"), 40}}), QString());
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrBrightness, 0), 1.4f);
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrContrast, 0), document->defaultContrast());
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrSaturation, 0), document->defaultSaturation());
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrSharpness, 0), float(document->defaultSharpness()));
    EXPECT_FLOAT_EQ(document->defaultContrast(), 1.0f);
}

TEST_F(ScriptedCatalogTest, EnhanceWithoutValuesOpensThePaletteAndChangesNothing) {
    addPhotos(1);
    catalog().setSelectionAtIndex(0);
    QWidget* palette = PixelAdjusterController::sharedPixelAdjusterController()->window();
    palette->hide();
    const float brightness = attribute(kCatalogAttrBrightness, 0);
    const QString lastStep = undo().undoActionName();
    EXPECT_EQ(run("Enhance"), QString());
    EXPECT_TRUE(palette->isVisible());
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrBrightness, 0), brightness);
    EXPECT_EQ(undo().undoActionName(), lastStep);
    palette->hide();
}

TEST_F(ScriptedCatalogTest, RotationAndRemovalActOnTheSelectionWithoutAsking) {
    addPhotos(3);
    catalog().setSelectionAtIndex(1);
    EXPECT_EQ(run("RotateCW"), QString());
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrRotation, 1), 90);
    EXPECT_EQ(run("RotateCCW"), QString());
    EXPECT_EQ(run("RotateCCW"), QString());
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrRotation, 1), -90);
    EXPECT_FLOAT_EQ(attribute(kCatalogAttrRotation, 0), 0);

    int alerts = 0;
    ModalAlert::ScopedResponder responder([&](const ModalAlert::Request&) {
        ++alerts;
        return int(ModalAlert::DefaultReturn);
    });
    const QList<int> before = serials();
    EXPECT_EQ(run("Remove"), QString());
    EXPECT_EQ(alerts, 0);
    EXPECT_EQ(serials(), (QList<int>{before[0], before[2]}));
    EXPECT_EQ(entrySerials(), serials());
}

TEST_F(ScriptedCatalogTest, AnUnknownTemplateIDShowsTheLayoutAndKeepsTheMaster) {
    addPhotos(1);
    controller->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
    const auto master = document->masterTemplate();
    const QString error = run("SelectMasterTemplate", {{qs("DocumentID"), qs("no-such-id")}});
    EXPECT_TRUE(error.contains(qs("no-such-id"))) << error.toStdString();
    EXPECT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    EXPECT_EQ(document->masterTemplate(), master);
}

TEST_F(ScriptedCatalogTest, EntriesNameThePhotosBySerialNumber) {
    EXPECT_TRUE(document->entries().isEmpty());
    EXPECT_FALSE(document->valueInEntriesAtIndex(0));
    addPhotos(2);
    EXPECT_EQ(entrySerials(), serials());
    ASSERT_TRUE(document->valueInEntriesAtIndex(1));
    EXPECT_EQ(document->valueInEntriesAtIndex(1)->serialNumber(), serials()[1]);
    EXPECT_FALSE(document->valueInEntriesAtIndex(2));
    EXPECT_FALSE(document->valueInEntriesAtIndex(-1));
}

TEST_F(ScriptedCatalogTest, AnUnknownCommandIsRefused) {
    EXPECT_FALSE(run("Explode").isEmpty());
}
