#include "catalog/ImageFixtures.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/Exporter.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/ModalAlert.h"
#include "support/FullFileSystem.h"
#include "support/TestHost.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

const QString kType = str(kCatalogDocumentType);

void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The file's dictionary, read by the archive reader alone.
QVariantMap rawFile(const QString& path) {
    QString error;
    const QVariant root = Unarchiver::unarchiveObject(contents(path), &error);
    EXPECT_EQ(root.typeId(), QMetaType::QVariantMap) << error.toStdString();
    return root.toMap();
}

void writeRaw(const QString& path, const QVariantMap& file) {
    writeBytes(path, Archiver::archivedData(QVariant(file)));
}

// Reads the file's dictionary, changes it and writes it back.
void rewrite(const QString& path, const std::function<void(QVariantMap&)>& change) {
    QVariantMap file = rawFile(path);
    change(file);
    writeRaw(path, file);
}

// A frame in page points given to a photo cell and a print area alike.
struct Area {
    float x, y, width, height;
};
const QList<Area> kTwoAreas{{10, 10, 100, 150}, {130, 10, 100, 150}};

class CatalogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        for (const char* key : {kExportDefaultConfigKey, kPtdExportDefaultConfigKey,
                                kDefaultTemplateFileNameKey, kDefaultContrastKey,
                                kDefaultSharpnessKey, kDefaultSaturationKey, kDefaultBrightnessKey})
            defaults.removeObjectForKey(str(key));
        for (int index : {PrefPrintUseProfile, PrefPrintBypassColorMatching,
                          PrefPrintExternalMatching, PrefImportProfiles})
            host.settings.remove(index);
        host.settings[PrefRememberWindowSizeAndPos] = true;
        host.settings[PrefLayoutArrangementMode] = int(LayoutModeSequential);
        host.settings[PrefLayoutScaleMode] = int(ScalingModeFill);
        host.settings[PrefPTDResolution] = 72;
        QFile::remove(ZaroziveZodiroVirizidivi::counterFilePath());
        controller.registerDocumentType(RoduvudeDadevizi::documentType());
        QDir(library()->templatesFolderPath()).removeRecursively();
        installTemplate(localizedString(str("DEFAULT_DOC_ID")), {612, 792}, {{20, 20, 500, 700}});
        installTemplate(str("cards"), {240, 200}, kTwoAreas);
        installTemplate(str("postcard"), {420, 300}, {{10, 10, 400, 280}});
    }

    void TearDown() override {
        for (Document* document : controller.documents())
            document->close();
        drainEvents();
        QFile::remove(ZaroziveZodiroVirizidivi::counterFilePath());
    }

    static NewTemplateManager* library() { return NewTemplateManager::sharedTemplateManager(); }

    // Written by the template file code into the templates folder.
    static void installTemplate(const QString& id, Size page, const QList<Area>& areas) {
        TemplateDocument templateDocument;
        templateDocument.setDocumentID(id);
        templateDocument.setDocName(id);
        PrintInfo info;
        info.setPaperName(str("Custom"));
        info.setPaperSize(page);
        templateDocument.setPrintInfo(info);
        for (const Area& a : areas) {
            templateDocument.addObject(
                TMPhotoObject::newTemplateObjectWithOriginSize({a.x, a.y}, {a.width, a.height}));
            templateDocument.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize(
                {a.x, a.y}, {a.width, a.height}));
        }
        ASSERT_TRUE(QDir().mkpath(library()->templatesFolderPath()));
        const QString path =
            QDir(library()->templatesFolderPath()).filePath(id + str(".vyxTemplate"));
        QString error;
        ASSERT_TRUE(templateDocument.writeToFileOfType(path, str(kTemplateDocumentType), &error))
            << error.toStdString();
        library()->scanForChanges();
        ASSERT_TRUE(library()->templateWithID(id));
    }

    RoduvudeDadevizi* newCatalog() {
        std::shared_ptr<Document> made = controller.openUntitledDocumentOfType(kType, true);
        EXPECT_TRUE(made);
        return static_cast<RoduvudeDadevizi*>(made.get());
    }

    RoduvudeDadevizi* open(const QString& path, QString* error = nullptr) {
        QString reason;
        std::shared_ptr<Document> document =
            controller.openDocumentWithContentsOfFile(path, true, &reason);
        if (error)
            *error = reason;
        return static_cast<RoduvudeDadevizi*>(document.get());
    }

    // Writes the document to `path` (it becomes the document's file).
    static void save(RoduvudeDadevizi* document, const QString& path) {
        std::optional<std::pair<bool, QString>> result;
        document->saveToFile(path, kType, Document::SaveOperation::SaveAs,
                             [&](bool saved, const QString& reason) {
                                 result = {saved, reason};
                             });
        ASSERT_TRUE(result);
        ASSERT_TRUE(result->first) << result->second.toStdString();
    }

    void closeAll() {
        for (Document* document : controller.documents())
            document->close();
        drainEvents();
    }

    QString photo(int i, const QColor& color) {
        return writeImage(folder.filePath(str("photo%1.jpg").arg(i)), solidImage(200, 300, color),
                          "jpeg");
    }

    QStringList entryPaths(RoduvudeDadevizi* document) {
        QStringList paths;
        for (int i = 0; i < document->fileCatalog().fileCount(); ++i)
            paths << document->fileCatalog().getFilePathAtIndex(i);
        return paths;
    }

    // A catalog with every part the file holds set away from its first value.
    RoduvudeDadevizi* fullCatalog() {
        RoduvudeDadevizi* document = newCatalog();
        if (!document)
            return nullptr;
        const QColor colors[] = {Qt::red, Qt::green, Qt::blue};
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(document->fileCatalog().addFileEntry(photo(i, colors[i])));
            document->fileCatalog().setMarkerAtIndexTo(i, true);
        }
        document->templateMapper();
        document->setMasterTemplate(library()->templateWithID(str("cards")));
        document->setPrintArrangementMode(LayoutModeBook);
        document->setPrintScaleMode(ScalingModeFit);
        document->setPrintMirrorImage(true);
        document->setPrintLimitEnabled(true);
        document->setPrintSkipEmptyPrintAreas(true);
        document->setPrintLimitType(1);
        document->setPrintLimitDPI(200);
        document->setPtdMirrorImage(true);
        document->setPtdResolution(300);
        document->ptdExporter().setActiveExporter(str("PNG"));
        auto exporter = std::make_shared<Exporter>();
        exporter->setActiveExporter(str("TIFF"));
        document->setExporter(exporter);
        document->setCurrentPanel(DocumentPanelLayout);
        document->windowController()->window()->setGeometry(40, 60, 700, 500);
        drainEvents();
        return document;
    }

    TestHost host;
    QTemporaryDir folder;
    DocumentController controller;
};

} // namespace

TEST_F(CatalogFileTest, TheTypeIsKnownByItsExtension) {
    EXPECT_EQ(controller.typeFromFileExtension(str("lumisk")), kType);
    EXPECT_EQ(controller.typeForFileName(str("a/b.LUMISK")), kType);
    RoduvudeDadevizi* document = newCatalog();
    ASSERT_TRUE(document);
    ASSERT_EQ(document->windowControllers().size(), 1);
    EXPECT_TRUE(document->windowController());
    EXPECT_TRUE(document->windowController()->shouldCloseDocument());
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(document->undoManager()->canUndo());
    // No other type is written or read.
    QString error;
    EXPECT_TRUE(document->dataOfType(str("Vyx Template Document"), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(document->loadDataOfType(QByteArray("x"), str("Vyx Template Document")));
}

TEST_F(CatalogFileTest, AFullCatalogComesBackAsItWasSaved) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QStringList paths = entryPaths(document);
    const PrintInfo info = document->printInfo();
    EXPECT_EQ(info.paperSize(), (Size{240, 200}));
    const QString path = folder.filePath(str("full.lumisk"));
    save(document, path);
    EXPECT_FALSE(document->isDocumentEdited());
    closeAll();

    RoduvudeDadevizi* reopened = open(path);
    ASSERT_TRUE(reopened);
    EXPECT_FALSE(reopened->isDocumentEdited());
    EXPECT_EQ(entryPaths(reopened), paths);
    EXPECT_EQ(reopened->fileCatalog().getMarkedIndices(), (QList<int>{0, 1, 2}));
    ASSERT_TRUE(reopened->masterTemplate());
    EXPECT_EQ(reopened->masterTemplate()->documentID(), str("cards"));
    EXPECT_EQ(reopened->templateMapper()->fileCatalog(), reopened->sharedFileCatalog());
    EXPECT_EQ(reopened->getPrintArrangementMode(), int(LayoutModeBook));
    EXPECT_EQ(reopened->getPrintScaleMode(), int(ScalingModeFit));
    EXPECT_EQ(reopened->templateMapper()->layoutMode(), int(LayoutModeBook));
    EXPECT_EQ(reopened->templateMapper()->scalingMode(), int(ScalingModeFit));
    EXPECT_TRUE(reopened->printMirrorImage());
    EXPECT_TRUE(reopened->printLimitEnabled());
    EXPECT_TRUE(reopened->printSkipEmptyPrintAreas());
    EXPECT_EQ(reopened->printLimitType(), 1);
    EXPECT_EQ(reopened->printLimitDPI(), 200);
    EXPECT_TRUE(reopened->ptdMirrorImage());
    EXPECT_EQ(reopened->ptdResolution(), 300);
    EXPECT_EQ(reopened->ptdExporter().activeExporterName(), str("PNG"));
    ASSERT_TRUE(reopened->exporter());
    EXPECT_EQ(reopened->exporter()->activeExporterName(), str("TIFF"));
    EXPECT_EQ(reopened->printInfo(), info);
    EXPECT_EQ(reopened->currentPanel(), int(DocumentPanelLayout));
    EXPECT_EQ(reopened->savedWindowFrame(), (Rect{40, 60, 700, 500}));
    EXPECT_EQ(reopened->windowController()->window()->geometry(), QRect(40, 60, 700, 500));
    EXPECT_FALSE(reopened->undoManager()->canUndo());
}

TEST_F(CatalogFileTest, TheSavedFrameIsUsedOnlyWhileWindowsKeepTheirPlace) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QString path = folder.filePath(str("frame.lumisk"));
    save(document, path);
    closeAll();
    host.settings[PrefRememberWindowSizeAndPos] = false;
    RoduvudeDadevizi* reopened = open(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->savedWindowFrame(), (Rect{40, 60, 700, 500}));
    EXPECT_NE(reopened->windowController()->window()->geometry(), QRect(40, 60, 700, 500));
}

TEST_F(CatalogFileTest, TheFileHoldsEachKeyAsItsKindOfValue) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QString path = folder.filePath(str("kinds.lumisk"));
    save(document, path);
    const QVariantMap file = rawFile(path);

    const char* integers[] = {
        "fileFmt",          "cmpFileFmt",     "printScaleMode", "printArrangementMode",
        "defaultSharpness", "printLimitType", "printLimitDPI",  "ptdResolution",
        "currentPanel"};
    const char* reals[] = {"defaultContrast", "defaultSaturation", "defaultBrightness"};
    const char* flags[] = {"useAppEnhDefaults", "printMirrorImage", "printLimitEnabled",
                           "printSkipEmptyPrintAreasEnabled", "ptdMirrorImage"};
    const char* archives[] = {"exporter", "ptd_exporter", "templateMapper", "printInfo"};
    QStringList expected{str("catalog"), str("windowFrame")};
    for (const char* k : integers) {
        expected << str(k);
        EXPECT_EQ(file.value(str(k)).typeId(), QMetaType::Int) << k;
    }
    for (const char* k : reals) {
        expected << str(k);
        EXPECT_EQ(file.value(str(k)).typeId(), QMetaType::Float) << k;
    }
    for (const char* k : flags) {
        expected << str(k);
        EXPECT_EQ(file.value(str(k)).typeId(), QMetaType::Bool) << k;
    }
    for (const char* k : archives) {
        expected << str(k);
        EXPECT_EQ(file.value(str(k)).typeId(), QMetaType::QByteArray) << k;
    }
    QStringList keys = file.keys();
    keys.sort();
    expected.sort();
    EXPECT_EQ(keys, expected);

    EXPECT_EQ(file.value(str("fileFmt")), QVariant(512));
    EXPECT_EQ(file.value(str("cmpFileFmt")), QVariant(512));
    EXPECT_EQ(file.value(str("printScaleMode")), QVariant(int(ScalingModeFit)));
    EXPECT_EQ(file.value(str("printArrangementMode")), QVariant(int(LayoutModeBook)));
    EXPECT_EQ(file.value(str("ptdResolution")), QVariant(300));
    EXPECT_EQ(file.value(str("currentPanel")), QVariant(1));
    EXPECT_EQ(file.value(str("printLimitDPI")), QVariant(200));
    EXPECT_EQ(file.value(str("catalog")).typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(file.value(str("catalog")).toMap().value(str("entries")).toList().size(), 3);
    EXPECT_EQ(file.value(str("windowFrame")), QVariant(str("{{40, 60}, {700, 500}}")));
    EXPECT_TRUE(Unarchiver::unarchiveObjectOfClass<TemplateMapper>(
        file.value(str("templateMapper")).toByteArray()));
    EXPECT_TRUE(Unarchiver::unarchiveObjectOfClass<Exporter>(
        file.value(str("ptd_exporter")).toByteArray()));
    const std::optional<PrintInfo> info =
        Unarchiver::unarchiveValue<PrintInfo>(file.value(str("printInfo")).toByteArray());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->paperSize(), (Size{240, 200}));
}

TEST_F(CatalogFileTest, ADocumentWithoutWindowExportersOrMapperLeavesTheirKeysOut) {
    RoduvudeDadevizi document;
    QString error;
    const QByteArray data = document.dataOfType(kType, &error);
    ASSERT_FALSE(data.isNull()) << error.toStdString();
    const QVariantMap file = Unarchiver::unarchiveObject(data).toMap();
    for (const char* k : {"windowFrame", "templateMapper", "exporter", "ptd_exporter"})
        EXPECT_FALSE(file.contains(str(k))) << k;
    for (const char* k : {"catalog", "printInfo", "ptdResolution", "currentPanel"})
        EXPECT_TRUE(file.contains(str(k))) << k;
}

TEST_F(CatalogFileTest, ThePrintToDiskResolutionIsWrittenAsStored) {
    host.settings[PrefPTDResolution] = 0;
    RoduvudeDadevizi document;
    const auto written = [&] {
        return Unarchiver::unarchiveObject(document.dataOfType(kType))
            .toMap()
            .value(str("ptdResolution"));
    };
    EXPECT_EQ(written(), QVariant(0));
    EXPECT_EQ(document.ptdResolution(), 72);
    EXPECT_EQ(written(), QVariant(72));
}

TEST_F(CatalogFileTest, SavingResetsOwnEnhancementDefaultsAndTellsThePalette) {
    RoduvudeDadevizi* document = newCatalog();
    ASSERT_TRUE(document);
    document->setUsesAppEnhancementDefaults(false);
    document->setDefaultSharpness(5);
    document->setDefaultContrast(1.5f);
    document->setDefaultSaturation(0.5f);
    document->setDefaultBrightness(1.25f);
    drainEvents();
    int notices = 0;
    NotificationCenter::defaultCenter().addObserver(this, str(kPixelEnhancemntChangedNotify),
                                                    static_cast<const void*>(document),
                                                    [&](const Notification&) { ++notices; });
    const QString path = folder.filePath(str("own.lumisk"));
    save(document, path);
    EXPECT_TRUE(document->usesAppEnhancementDefaults());
    EXPECT_EQ(document->defaultSharpness(), 0);
    EXPECT_EQ(document->defaultContrast(), 1.0f);
    drainEvents();
    EXPECT_EQ(notices, 1);
    NotificationCenter::defaultCenter().removeObserver(this);

    const QVariantMap file = rawFile(path);
    EXPECT_EQ(file.value(str("useAppEnhDefaults")), QVariant(true));
    EXPECT_EQ(file.value(str("defaultSharpness")), QVariant(0));
    for (const char* k : {"defaultContrast", "defaultSaturation", "defaultBrightness"})
        EXPECT_EQ(file.value(str(k)), QVariant(1.0f)) << k;
}

TEST_F(CatalogFileTest, AFileWithoutLayoutOpensOnTheDefaultTemplate) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QString path = folder.filePath(str("older.lumisk"));
    save(document, path);
    closeAll();
    rewrite(path, [](QVariantMap& file) { file.remove(str("templateMapper")); });
    RoduvudeDadevizi* reopened = open(path);
    ASSERT_TRUE(reopened);
    ASSERT_TRUE(reopened->templateMapper()->masterTemplate());
    EXPECT_EQ(reopened->masterTemplate()->documentID(), localizedString(str("DEFAULT_DOC_ID")));
    EXPECT_EQ(reopened->templateMapper()->layoutMode(), int(LayoutModeBook));
}

TEST_F(CatalogFileTest, AnOlderFileNamesItsMasterByDocumentID) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QString path = folder.filePath(str("named.lumisk"));
    save(document, path);
    closeAll();
    const struct {
        const char* id;
        QString master;
    } cases[] = {{"postcard", str("postcard")},
                 {"not-installed", localizedString(str("DEFAULT_DOC_ID"))}};
    for (const auto& c : cases) {
        rewrite(path, [&](QVariantMap& file) {
            file.remove(str("templateMapper"));
            file.insert(str("templateFileName"), str(c.id));
            // A shown layout panel uses the layout; only the calls below may.
            file.insert(str("currentPanel"), int(DocumentPanelPhotograph));
        });
        RoduvudeDadevizi* reopened = open(path);
        ASSERT_TRUE(reopened) << c.id;
        // The mapper is made on first use when the library has no such template.
        ASSERT_TRUE(reopened->templateMapper()->masterTemplate()) << c.id;
        EXPECT_EQ(reopened->masterTemplate()->documentID(), c.master) << c.id;
        EXPECT_FALSE(reopened->isDocumentEdited()) << c.id;
        closeAll();
    }
    // Never written back.
    RoduvudeDadevizi* reopened = open(path);
    ASSERT_TRUE(reopened);
    save(reopened, path);
    EXPECT_FALSE(rawFile(path).contains(str("templateFileName")));
    EXPECT_FALSE(rawFile(path).contains(str("templateMapper")));
    reopened->templateMapper();
    save(reopened, path);
    EXPECT_FALSE(rawFile(path).contains(str("templateFileName")));
    EXPECT_TRUE(rawFile(path).contains(str("templateMapper")));
}

TEST_F(CatalogFileTest, ANewerFileIsRefusedWithTheAlertAndANewerWriterIsRead) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QString path = folder.filePath(str("newer.lumisk"));
    save(document, path);
    closeAll();
    std::vector<ModalAlert::Request> alerts;
    ModalAlert::ScopedResponder user([&](const ModalAlert::Request& r) {
        alerts.push_back(r);
        return int(ModalAlert::DefaultReturn);
    });

    rewrite(path, [](QVariantMap& file) { file.insert(str("cmpFileFmt"), 513); });
    QString error;
    EXPECT_FALSE(open(path, &error));
    EXPECT_TRUE(controller.documents().isEmpty());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, localizedString(str("FILE_FORMAT_TITLE")));
    EXPECT_EQ(alerts[0].message, localizedString(str("FILE_FORMAT_MESSAGE")));
    EXPECT_NE(alerts[0].title, str("FILE_FORMAT_TITLE"));

    rewrite(path, [](QVariantMap& file) {
        file.insert(str("cmpFileFmt"), 512);
        file.insert(str("fileFmt"), 600);
    });
    RoduvudeDadevizi* reopened = open(path, &error);
    ASSERT_TRUE(reopened) << error.toStdString();
    EXPECT_EQ(reopened->fileCatalog().fileCount(), 3);
    closeAll();
    rewrite(path, [](QVariantMap& file) { file.remove(str("cmpFileFmt")); });
    EXPECT_TRUE(open(path));
    EXPECT_EQ(alerts.size(), 1u);
}

TEST_F(CatalogFileTest, MissingKeysKeepTheNewDocumentsValuesExceptTheModes) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QString path = folder.filePath(str("sparse.lumisk"));
    save(document, path);
    closeAll();
    rewrite(path, [](QVariantMap& file) {
        for (const char* k : {"printScaleMode", "printArrangementMode", "ptdMirrorImage",
                              "ptdResolution", "printLimitDPI", "windowFrame", "currentPanel"})
            file.remove(str(k));
    });
    host.settings[PrefLayoutScaleMode] = 2;
    host.settings[PrefLayoutArrangementMode] = 1;
    host.settings[PrefPTDMirroredEnabled] = false;
    host.settings[PrefPTDResolution] = 150;
    host.settings[PrefPrintLimitResolution] = 90;
    RoduvudeDadevizi* reopened = open(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->getPrintScaleMode(), 0);
    EXPECT_EQ(reopened->getPrintArrangementMode(), 0);
    EXPECT_EQ(reopened->templateMapper()->scalingMode(), 0);
    EXPECT_FALSE(reopened->ptdMirrorImage());
    EXPECT_EQ(reopened->ptdResolution(), 150);
    EXPECT_EQ(reopened->printLimitDPI(), 90);
    EXPECT_EQ(reopened->currentPanel(), int(DocumentPanelPhotograph));
    EXPECT_EQ(reopened->savedWindowFrame(), kZeroRect);
}

TEST_F(CatalogFileTest, ACatalogRepairedWhileReadOpensEditedAndARevertOfAnUnchangedFileIsSaved) {
    RoduvudeDadevizi* document = newCatalog();
    ASSERT_TRUE(document);
    const QString before = photo(0, Qt::red);
    ASSERT_TRUE(document->fileCatalog().addFileEntry(before));
    const QString path = folder.filePath(str("moved.lumisk"));
    save(document, path);
    closeAll();
    const QString after = folder.filePath(str("renamed.jpg"));
    ASSERT_TRUE(QFile::rename(before, after));

    RoduvudeDadevizi* reopened = open(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(entryPaths(reopened), QStringList{after});
    EXPECT_TRUE(reopened->isDocumentEdited());
    EXPECT_FALSE(reopened->modifiedOnDecode());

    save(reopened, path);
    reopened->setPrintScaleMode(ScalingModeStretch);
    drainEvents();
    EXPECT_TRUE(reopened->isDocumentEdited());
    QString error;
    ASSERT_TRUE(reopened->revertToSavedFromFile(path, kType, &error)) << error.toStdString();
    EXPECT_FALSE(reopened->isDocumentEdited());
    EXPECT_EQ(reopened->getPrintScaleMode(), int(ScalingModeFill));
    EXPECT_EQ(reopened->templateMapper()->scalingMode(), int(ScalingModeFill));
    EXPECT_FALSE(reopened->undoManager()->canUndo());
}

namespace {

// A file that is refused, made from a sound one.
struct Damage {
    const char* name;
    std::function<QByteArray(const QVariantMap& sound)> bytes;
};

QByteArray with(QVariantMap file, const char* key, const QVariant& value) {
    file.insert(str(key), value);
    return Archiver::archivedData(QVariant(file));
}

const QList<Damage>& damages() {
    static const QList<Damage> table{
        {"no archive", [](const QVariantMap&) { return QByteArray("not an archive at all"); }},
        {"empty", [](const QVariantMap&) { return QByteArray(); }},
        {"a list",
         [](const QVariantMap&) {
             return Archiver::archivedData(QVariantList{1, 2});
         }},
        {"cut short",
         [](const QVariantMap& f) {
             const QByteArray whole = Archiver::archivedData(QVariant(f));
             return whole.left(whole.size() / 2);
         }},
        {"catalog text", [](const QVariantMap& f) { return with(f, "catalog", str("x")); }},
        {"scale mode real", [](const QVariantMap& f) { return with(f, "printScaleMode", 1.0f); }},
        {"flag as number", [](const QVariantMap& f) { return with(f, "useAppEnhDefaults", 1); }},
        {"contrast text",
         [](const QVariantMap& f) { return with(f, "defaultContrast", str("1.0")); }},
        {"resolution too large",
         [](const QVariantMap& f) { return with(f, "ptdResolution", qlonglong(1) << 40); }},
        {"panel 7", [](const QVariantMap& f) { return with(f, "currentPanel", 7); }},
        {"format text", [](const QVariantMap& f) { return with(f, "cmpFileFmt", str("512")); }},
        {"frame number", [](const QVariantMap& f) { return with(f, "windowFrame", 12); }},
        {"template name number",
         [](const QVariantMap& f) { return with(f, "templateFileName", 3); }},
        {"exporter garbage",
         [](const QVariantMap& f) { return with(f, "exporter", QByteArray("garbage")); }},
        {"ptd exporter cut short",
         [](const QVariantMap& f) {
             const QByteArray whole = f.value(str("ptd_exporter")).toByteArray();
             return with(f, "ptd_exporter", whole.left(whole.size() - 3));
         }},
        {"mapper of another class",
         [](const QVariantMap& f) {
             return with(f, "templateMapper", f.value(str("ptd_exporter")).toByteArray());
         }},
        {"mapper as dictionary",
         [](const QVariantMap& f) { return with(f, "templateMapper", QVariantMap()); }},
        {"print info text", [](const QVariantMap& f) { return with(f, "printInfo", str("A4")); }},
        {"print info of another class",
         [](const QVariantMap& f) {
             return with(f, "printInfo", f.value(str("ptd_exporter")).toByteArray());
         }},
    };
    return table;
}

} // namespace

TEST_F(CatalogFileTest, DamagedFilesAreNotOpened) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QString sound = folder.filePath(str("sound.lumisk"));
    save(document, sound);
    closeAll();
    const QVariantMap file = rawFile(sound);
    int alerts = 0;
    ModalAlert::ScopedResponder user([&](const ModalAlert::Request&) {
        ++alerts;
        return int(ModalAlert::DefaultReturn);
    });
    for (const Damage& d : damages()) {
        const QString path = folder.filePath(str("damaged %1.lumisk").arg(str(d.name)));
        writeBytes(path, d.bytes(file));
        QString error;
        EXPECT_FALSE(open(path, &error)) << d.name;
        EXPECT_TRUE(error.contains(QFileInfo(path).fileName()))
            << d.name << ": " << error.toStdString();
        EXPECT_TRUE(controller.documents().isEmpty()) << d.name;
    }
    EXPECT_EQ(alerts, 0);
}

TEST_F(CatalogFileTest, ARevertToADamagedFileLeavesTheDocumentAsItWas) {
    RoduvudeDadevizi* document = fullCatalog();
    ASSERT_TRUE(document);
    const QString path = folder.filePath(str("revert.lumisk"));
    save(document, path);
    const QVariantMap file = rawFile(path);
    const TemplateHandleRef master = document->masterTemplate();
    const std::shared_ptr<TemplateMapper> mapper = document->templateMapper();
    // Edits since the save.
    document->setPrintScaleMode(ScalingModeStretch);
    document->setPtdResolution(600);
    document->fileCatalog().removeEntryAtIndex(0);
    drainEvents();
    ASSERT_TRUE(document->isDocumentEdited());
    const int changes = document->changeCount();
    const QStringList paths = entryPaths(document);

    for (const Damage& d : damages()) {
        writeBytes(path, d.bytes(file));
        QString error;
        EXPECT_FALSE(document->revertToSavedFromFile(path, kType, &error)) << d.name;
        EXPECT_TRUE(error.contains(str("revert.lumisk"))) << d.name << ": " << error.toStdString();
        EXPECT_EQ(entryPaths(document), paths) << d.name;
        EXPECT_EQ(document->getPrintScaleMode(), int(ScalingModeStretch)) << d.name;
        EXPECT_EQ(document->ptdResolution(), 600) << d.name;
        EXPECT_EQ(document->templateMapper(), mapper) << d.name;
        EXPECT_EQ(document->masterTemplate(), master) << d.name;
        EXPECT_EQ(document->changeCount(), changes) << d.name;
        EXPECT_TRUE(document->undoManager()->canUndo()) << d.name;
    }

    // The sound file takes the document back.
    writeRaw(path, file);
    QString error;
    ASSERT_TRUE(document->revertToSavedFromFile(path, kType, &error)) << error.toStdString();
    EXPECT_EQ(document->fileCatalog().fileCount(), 3);
    EXPECT_EQ(document->getPrintScaleMode(), int(ScalingModeFit));
    EXPECT_EQ(document->ptdResolution(), 300);
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(CatalogFileTest, AFailedWriteKeepsTheOldFileAndTheEdits) {
    FullFileSystem full(FullFileSystem::Kind::SizeLimit, 64 * 1024);
    ASSERT_TRUE(full.ready());
    const QString path = full.filePath(str("big.lumisk"));
    {
        RoduvudeDadevizi* document = newCatalog();
        ASSERT_TRUE(document);
        save(document, path);
        closeAll();
    }
    const QByteArray before = contents(path);
    ASSERT_FALSE(before.isEmpty());
    RoduvudeDadevizi* document = open(path);
    ASSERT_TRUE(document);
    // Photos kept in the document: far more than the folder takes.
    for (int i = 0; i < 4; ++i) {
        QImage noise(160, 160, QImage::Format_RGB32);
        uint32_t state = 11u + uint32_t(i);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x) {
                state = state * 1664525u + 1013904223u;
                noise.setPixel(x, y, state | 0xFF000000u);
            }
        document->fileCatalog().addImageEntry(Image(noise));
    }
    document->setUsesAppEnhancementDefaults(false);
    document->setDefaultContrast(1.5f);
    drainEvents();
    ASSERT_TRUE(document->isDocumentEdited());

    std::vector<ModalAlert::Request> alerts;
    ModalAlert::ScopedResponder user([&](const ModalAlert::Request& r) {
        alerts.push_back(r);
        return int(ModalAlert::DefaultReturn);
    });
    std::optional<std::pair<bool, QString>> result;
    document->saveDocument([&](bool ok, const QString& reason) { result = {ok, reason}; });
    QTRY_VERIFY(result.has_value());
    const QByteArray after = contents(path);
    const QStringList left = QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files);
    full.release();

    EXPECT_FALSE(result->first);
    EXPECT_TRUE(result->second.contains(full.systemReason())) << result->second.toStdString();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, result->second);
    EXPECT_EQ(after, before);
    EXPECT_EQ(left, QStringList{str("big.lumisk")});
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(document->fileCatalog().fileCount(), 4);
    EXPECT_EQ(document->fileName(), path);
    // The document's own enhancement values go only with a save that succeeded.
    EXPECT_FALSE(document->usesAppEnhancementDefaults());
    EXPECT_EQ(document->defaultContrast(), 1.5f);
}

TEST_F(CatalogFileTest, ClosingTheWindowOfAnEditedCatalogSavesWhenAskedAndCloses) {
    RoduvudeDadevizi* document = newCatalog();
    ASSERT_TRUE(document);
    const QString path = folder.filePath(str("close.lumisk"));
    save(document, path);
    document->setPrintScaleMode(ScalingModeFit);
    drainEvents();
    ASSERT_TRUE(document->isDocumentEdited());
    QPointer<QWidget> window = document->windowController()->window();
    ASSERT_TRUE(window && window->isVisible());

    std::vector<ModalAlert::Request> asked;
    ModalAlert::ScopedResponder user([&](const ModalAlert::Request& r) {
        asked.push_back(r);
        return int(ModalAlert::DefaultReturn); // Save
    });
    window->close();
    QTRY_VERIFY(window.isNull());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].title.contains(str("close.lumisk")));
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_EQ(rawFile(path).value(str("printScaleMode")), QVariant(int(ScalingModeFit)));
}

TEST_F(CatalogFileTest, TheQuitReviewSavesAndClosesEveryEditedCatalog) {
    RoduvudeDadevizi* first = newCatalog();
    RoduvudeDadevizi* second = newCatalog();
    ASSERT_TRUE(first && second);
    const QString firstPath = folder.filePath(str("first.lumisk"));
    save(first, firstPath);
    first->setPrintLimitDPI(123);
    second->setPrintLimitDPI(456);
    drainEvents();
    int alerts = 0;
    ModalAlert::ScopedResponder user([&](const ModalAlert::Request&) {
        ++alerts;
        return int(ModalAlert::DefaultReturn); // Save
    });
    ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& r) {
        EXPECT_EQ(r.extensions, QStringList{str("lumisk")});
        return QStringList{folder.filePath(str("second"))};
    });
    std::optional<bool> allClosed;
    controller.closeAllDocuments([&](bool closed) { allClosed = closed; });
    QTRY_VERIFY(allClosed.has_value());
    EXPECT_TRUE(*allClosed);
    EXPECT_EQ(alerts, 2);
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_EQ(rawFile(firstPath).value(str("printLimitDPI")), QVariant(123));
    EXPECT_EQ(rawFile(folder.filePath(str("second.lumisk"))).value(str("printLimitDPI")),
              QVariant(456));
}

TEST_F(CatalogFileTest, NewCatalogOfCameraPhotosPrintedToDiskSavedAndReopened) {
    QTemporaryDir output;
    ASSERT_TRUE(output.isValid());
    RoduvudeDadevizi* document = newCatalog();
    ASSERT_TRUE(document);
    EXPECT_EQ(document->displayName(), str("Untitled"));

    const QColor colors[] = {Qt::red, Qt::blue, Qt::green};
    QStringList photos;
    for (int i = 0; i < 3; ++i) {
        const QString path = writeImage(folder.filePath(str("camera%1.jpg").arg(i)),
                                        solidImage(400, 600, colors[i]), "jpeg");
        ASSERT_TRUE(addExif(path, str("Maker")));
        ASSERT_TRUE(document->fileCatalog().addFileEntry(path));
        document->fileCatalog().setMarkerAtIndexTo(i, true);
        photos << path;
    }
    document->templateMapper();
    document->setMasterTemplate(library()->templateWithID(str("cards")));
    document->setPrintArrangementMode(LayoutModeSequential);
    document->setPrintScaleMode(ScalingModeFit);
    drainEvents();
    ASSERT_EQ(document->templateMapper()->pageCount(), 2);

    // Print to disk through the folder sheet, at 150 dots per inch.
    ZaroziveZodiroVirizidivi* window = document->windowController();
    ASSERT_TRUE(window);
    ModalAlert::ScopedPanelResponder choose([&](const ModalAlert::PanelRequest& r) {
        if (r.chooseDirectories) {
            QComboBox* resolutions = window->ptdResolutionPopup();
            resolutions->setCurrentIndex(resolutions->findData(150));
            Q_EMIT resolutions->activated(resolutions->currentIndex());
            return QStringList{output.path()};
        }
        return QStringList{folder.filePath(str("trip"))};
    });
    window->printToDisk();
    drainEvents();
    const QStringList printed = QDir(output.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(printed, (QStringList{str("Vyx_Photo_0001.jpg"), str("Vyx_Photo_0002.jpg"),
                                    str("Vyx_Photo_0003.jpg")}));

    std::optional<bool> saved;
    document->saveDocument([&](bool ok, const QString&) { saved = ok; });
    QTRY_VERIFY(saved.has_value());
    ASSERT_TRUE(*saved);
    const QString path = folder.filePath(str("trip.lumisk"));
    EXPECT_EQ(document->fileName(), path);
    closeAll();
    ASSERT_TRUE(controller.documents().isEmpty());

    QString error;
    RoduvudeDadevizi* reopened = open(path, &error);
    ASSERT_TRUE(reopened) << error.toStdString();
    EXPECT_EQ(reopened->displayName(), str("trip.lumisk"));
    EXPECT_EQ(entryPaths(reopened), photos);
    ASSERT_TRUE(reopened->masterTemplate());
    EXPECT_EQ(reopened->masterTemplate()->documentID(), str("cards"));
    EXPECT_EQ(reopened->getPrintArrangementMode(), int(LayoutModeSequential));
    EXPECT_EQ(reopened->getPrintScaleMode(), int(ScalingModeFit));
    EXPECT_EQ(reopened->templateMapper()->pageCount(), 2);
    EXPECT_EQ(reopened->ptdResolution(), 150);
    EXPECT_FALSE(reopened->isDocumentEdited());
    for (const QString& photoPath : photos)
        EXPECT_TRUE(QFileInfo::exists(photoPath)) << photoPath.toStdString();
    for (const QString& name : printed)
        EXPECT_TRUE(QFileInfo::exists(QDir(output.path()).filePath(name))) << name.toStdString();
}
