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
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ProgressSheet.h"
#include "support/TestHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

const QColor kColors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta, Qt::cyan};

bool close(const QColor& a, const QColor& b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QString counterText() {
    QFile file(ZaroziveZodiroVirizidivi::counterFilePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void setCounter(const QString& value) {
    const QString path = ZaroziveZodiroVirizidivi::counterFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(value.toUtf8());
}

// A frame in page points (y downward) given to a photo cell and a print area alike.
struct Area {
    float x, y, width, height;
};

// A catalog window over a document whose master is written by the template
// file code into the templates folder; one photo of its own colour per cell.
class PrintToDisk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        defaults.removeObjectForKey(str(kExportDefaultConfigKey));
        defaults.removeObjectForKey(str(kPtdExportDefaultConfigKey));
        defaults.removeObjectForKey(str(kDefaultTemplateFileNameKey));
        for (int index : {PrefLayoutScaleMode, PrefPrintUseProfile, PrefPrintBypassColorMatching,
                          PrefPrintExternalMatching})
            host.settings.remove(index);
        // The marked photos fill the cells page after page.
        host.settings[PrefLayoutArrangementMode] = int(LayoutModeSequential);
        host.settings[PrefPTDResolution] = 72;
        host.settings[PrefPTDMirroredEnabled] = false;
        QFile::remove(ZaroziveZodiroVirizidivi::counterFilePath());
        document = std::make_unique<RoduvudeDadevizi>();
        controller = new ZaroziveZodiroVirizidivi;
        controller->setDocument(document.get());
    }
    void TearDown() override {
        delete controller;
        document.reset();
        drainEvents();
        QFile::remove(ZaroziveZodiroVirizidivi::counterFilePath());
    }

    // The master: a page of `page` points, a photo cell and a print area on each area.
    void useTemplate(const char* id, Size page, const QList<Area>& areas) {
        TemplateDocument templateDocument;
        templateDocument.setDocumentID(str(id));
        templateDocument.setDocName(str(id));
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
        NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
        ASSERT_TRUE(QDir().mkpath(library->templatesFolderPath()));
        const QString path =
            QDir(library->templatesFolderPath()).filePath(str(id) + str(".vyxTemplate"));
        QString error;
        ASSERT_TRUE(templateDocument.writeToFileOfType(path, str(kTemplateDocumentType), &error))
            << error.toStdString();
        library->scanForChanges();
        const TemplateHandleRef master = library->templateWithID(str(id));
        ASSERT_TRUE(master);
        document->setTemplateMapper(
            std::make_shared<TemplateMapper>(master, document->sharedFileCatalog()));
    }

    // Photos shaped as the cells (2 : 3), marked as new photos are.
    void addPhotos(int count) {
        for (int i = 0; i < count; ++i) {
            QImage picture(80, 120, QImage::Format_RGB32);
            picture.fill(kColors[i]);
            document->fileCatalog().addImageEntry(Image(picture));
            document->fileCatalog().setMarkerAtIndexTo(document->fileCatalog().fileCount() - 1,
                                                       true);
        }
        drainEvents();
    }

    std::optional<QStringList> scripted(const QVariant& resolution, const QVariant& mirror = {},
                                        const QString& base = str("Vyx_Photo")) {
        return controller->printBatchToPath(folder.path(), base, str("PNG"), QVariant(), resolution,
                                            mirror);
    }

    QStringList filesInFolder() { return QDir(folder.path()).entryList(QDir::Files, QDir::Name); }

    // The file shows its own photo's colour and no other photo's.
    void expectShowsOnly(const QString& path, int photo) {
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << path.toStdString();
        EXPECT_TRUE(close(image.pixelColor(image.width() / 2, image.height() / 2), kColors[photo]))
            << path.toStdString();
        for (int y = 0; y < image.height(); y += 7)
            for (int x = 0; x < image.width(); x += 7)
                for (int other = 0; other < 6; ++other)
                    if (other != photo && close(image.pixelColor(x, y), kColors[other], 20)) {
                        ADD_FAILURE() << path.toStdString() << " shows photo " << other << " at "
                                      << x << "," << y;
                        return;
                    }
    }

    TestHost host;
    QTemporaryDir folder;
    std::unique_ptr<RoduvudeDadevizi> document;
    ZaroziveZodiroVirizidivi* controller = nullptr;
};

const QList<Area> kTwoAreas{{10, 10, 100, 150}, {130, 10, 100, 150}};

} // namespace

TEST_F(PrintToDisk, EveryAreaWithAPhotoIsOneFileShowingOnlyThatArea) {
    useTemplate("two-areas", {240, 200}, kTwoAreas);
    addPhotos(4);
    ASSERT_EQ(document->templateMapper()->pageCount(), 2);
    const std::optional<QStringList> written = scripted(72);
    ASSERT_TRUE(written);
    ASSERT_EQ(written->size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(QFileInfo((*written)[i]).fileName(),
                  str("Vyx_Photo_%1.png").arg(i + 1, 4, 10, QLatin1Char('0')));
        expectShowsOnly((*written)[i], i);
    }
    EXPECT_EQ(counterText(), str("4"));
    EXPECT_TRUE(controller->batchError().isEmpty());
    // The catalog is back to screen images.
    EXPECT_TRUE(document->fileCatalog().deliverScreenResolution());
}

TEST_F(PrintToDisk, AreasWithoutAPhotoGiveNoFileAndNoNumber) {
    useTemplate("two-areas", {240, 200}, kTwoAreas);
    addPhotos(3);
    ASSERT_EQ(document->templateMapper()->pageCount(), 2);
    const std::optional<QStringList> written = scripted(72);
    ASSERT_TRUE(written);
    ASSERT_EQ(written->size(), 3);
    EXPECT_EQ(filesInFolder().size(), 3);
    EXPECT_EQ(counterText(), str("3"));
    expectShowsOnly(written->last(), 2);
}

TEST_F(PrintToDisk, NumbersFollowTheCounterFile) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    const struct {
        const char* counter;
        const char* name;
        const char* after;
    } cases[] = {
        {"41", "Vyx_Photo_0042.png", "42"},
        {"12344", "Vyx_Photo_12345.png", "12345"},
        {"not a number", "Vyx_Photo_0001.png", "1"},
    };
    for (const auto& c : cases) {
        setCounter(str(c.counter));
        const std::optional<QStringList> written = scripted(72);
        ASSERT_TRUE(written) << c.counter;
        ASSERT_EQ(written->size(), 1);
        EXPECT_EQ(QFileInfo(written->first()).fileName(), str(c.name));
        EXPECT_EQ(counterText(), str(c.after));
    }
}

TEST_F(PrintToDisk, ANameTakenInTheFolderMovesOnAndDotsStayInTheName) {
    useTemplate("two-areas", {240, 200}, kTwoAreas);
    addPhotos(2);
    {
        QFile taken(QDir(folder.path()).filePath(str("Vyx_Photo_0001.png")));
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
        taken.write("keep");
    }
    std::optional<QStringList> written = scripted(72);
    ASSERT_TRUE(written);
    ASSERT_EQ(written->size(), 2);
    EXPECT_EQ(QFileInfo((*written)[0]).fileName(), str("Vyx_Photo_0002.png"));
    EXPECT_EQ(QFileInfo((*written)[1]).fileName(), str("Vyx_Photo_0003.png"));
    QFile taken(QDir(folder.path()).filePath(str("Vyx_Photo_0001.png")));
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), QByteArray("keep"));
    EXPECT_EQ(counterText(), str("3"));

    written = scripted(72, {}, str("trip.2024"));
    ASSERT_TRUE(written);
    ASSERT_EQ(written->size(), 2);
    EXPECT_EQ(QFileInfo((*written)[0]).fileName(), str("trip.2024_0004.png"));
    EXPECT_EQ(QFileInfo((*written)[1]).fileName(), str("trip.2024_0005.png"));
}

TEST_F(PrintToDisk, At300DpiAnAreaOf100By150PointsIs408By617Pixels) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    const std::optional<QStringList> written = scripted(300);
    ASSERT_TRUE(written);
    ASSERT_EQ(written->size(), 1);
    QImageReader reader(written->first());
    EXPECT_EQ(reader.size(), QSize(408, 617));
    // Its size in points is the area's, not the inset one: 300 dpi.
    const QImage image = reader.read();
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 408.0 * 72 / 100, 4);
    EXPECT_NEAR(image.dotsPerMeterY() * 0.0254, 617.0 * 72 / 150, 4);
}

TEST_F(PrintToDisk, AMirroredPageIsCutFromTheMirroredPlace) {
    // A 600-point page at 72 dpi: the area at x = 10 is cut from x = 540 (inset: 541).
    useTemplate("wide", {600, 200}, {{10, 10, 50, 100}, {300, 10, 50, 100}});
    addPhotos(2);
    const std::optional<QStringList> mirrored = scripted(72, true);
    ASSERT_TRUE(mirrored);
    ASSERT_EQ(mirrored->size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QImage image((*mirrored)[i]);
        EXPECT_EQ(image.size(), QSize(48, 98));
        expectShowsOnly((*mirrored)[i], i);
    }
}

TEST_F(PrintToDisk, ALayoutOfOneAreaRunsWithoutASheet) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    ASSERT_TRUE(scripted(72));
    EXPECT_FALSE(controller->progressPanel());
}

TEST_F(PrintToDisk, CancelDuringTheFirstFileKeepsItWrittenAndCounted) {
    useTemplate("two-areas", {240, 200}, kTwoAreas);
    addPhotos(4);
    const QString fileMessage =
        localizedString(str("PTD_FILE_MSG")).section(QLatin1Char('%'), 0, 0);
    int pageMessages = 0;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        ProgressSheet* sheet = controller->progressPanel();
        if (!sheet || !sheet->isVisible())
            return;
        if (sheet->message().startsWith(fileMessage)) {
            sheet->cancelButton()->click();
            watcher.stop();
        } else {
            ++pageMessages;
        }
    });
    watcher.start();
    EXPECT_FALSE(scripted(72));
    EXPECT_GT(pageMessages, 0);
    ASSERT_TRUE(controller->progressPanel());
    EXPECT_EQ(controller->progressPanel()->maximum(), 4);
    EXPECT_EQ(filesInFolder(), QStringList{str("Vyx_Photo_0001.png")});
    EXPECT_EQ(counterText(), str("1"));
    EXPECT_TRUE(controller->batchError().isEmpty());
}

TEST_F(PrintToDisk, AFailedWriteStopsTheBatchIsReportedAndNotListed) {
    useTemplate("two-areas", {240, 200}, kTwoAreas);
    addPhotos(2);
    // A file where the folder should be: nothing can be written into it.
    const QString notAFolder = QDir(folder.path()).filePath(str("plain"));
    {
        QFile file(notAFolder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::optional<QStringList> written = controller->printBatchToPath(
        notAFolder, str("Vyx_Photo"), str("PNG"), QVariant(), 72, QVariant());
    EXPECT_FALSE(written);
    EXPECT_TRUE(controller->batchError().contains(notAFolder))
        << controller->batchError().toStdString();
    // One number spent, the second area never tried.
    EXPECT_EQ(counterText(), str("1"));
}

TEST_F(PrintToDisk, UnusableResolutionsAreRefusedBeforeTheBatch) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    for (int resolution : {0, -72, 2000000}) {
        EXPECT_FALSE(scripted(resolution)) << resolution;
        EXPECT_FALSE(controller->batchError().isEmpty()) << resolution;
    }
    EXPECT_TRUE(filesInFolder().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(ZaroziveZodiroVirizidivi::counterFilePath()));
}

TEST_F(PrintToDisk, TheScriptedEntryDefaultsTo72DpiAndTheExportDefaultFormat) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    const std::optional<QStringList> written =
        controller->printBatchToPath(folder.path(), str("Vyx_Photo"), {}, {}, {}, {});
    ASSERT_TRUE(written);
    ASSERT_EQ(written->size(), 1);
    EXPECT_EQ(QFileInfo(written->first()).suffix(), str("jpg"));
    EXPECT_EQ(QImageReader(written->first()).size(), QSize(98, 148));
    EXPECT_FALSE(controller->workingExporter());
    // Nothing reaches the document.
    EXPECT_EQ(document->ptdResolution(), 72);
}

TEST_F(PrintToDisk, TheSheetRunsTheBatchAndStoresTheChoicesUndoably) {
    useTemplate("two-areas", {240, 200}, kTwoAreas);
    addPhotos(2);
    drainEvents();
    document->undoManager()->removeAllActions();
    // Settings as stored: the make-default button starts disabled.
    UserDefaults::standardUserDefaults().setObjectForKey(Exporter().encodeInDictionary(),
                                                         str(kPtdExportDefaultConfigKey));
    bool asked = false;
    ModalAlert::ScopedPanelResponder answer([&](const ModalAlert::PanelRequest& request) {
        asked = true;
        EXPECT_TRUE(request.chooseDirectories);
        EXPECT_EQ(request.accessory, controller->ptdAccessoryView());
        EXPECT_EQ(controller->ptdFileFormatsPopup()->currentText(), str("JPEG"));
        EXPECT_FALSE(controller->ptdMakeDefaultButton()->isEnabled());
        QComboBox* formats = controller->ptdFileFormatsPopup();
        formats->setCurrentIndex(formats->findText(str("PNG")));
        Q_EMIT formats->activated(formats->currentIndex());
        QComboBox* resolutions = controller->ptdResolutionPopup();
        resolutions->setCurrentIndex(resolutions->findData(150));
        Q_EMIT resolutions->activated(resolutions->currentIndex());
        controller->ptdMirrorEnabledSwitch()->click();
        EXPECT_TRUE(controller->ptdMakeDefaultButton()->isEnabled());
        return QStringList{folder.path()};
    });
    controller->printToDisk();
    drainEvents();
    ASSERT_TRUE(asked);
    EXPECT_EQ(filesInFolder(), (QStringList{str("Vyx_Photo_0001.png"), str("Vyx_Photo_0002.png")}));
    EXPECT_EQ(QImageReader(QDir(folder.path()).filePath(str("Vyx_Photo_0001.png"))).size(),
              QSize(204, 308));
    EXPECT_FALSE(controller->workingExporter());
    EXPECT_EQ(document->ptdResolution(), 150);
    EXPECT_TRUE(document->ptdMirrorImage());
    EXPECT_EQ(document->ptdExporter().activeExporterName(), str("PNG"));
    UndoManager* undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), localizedString(str("PTD_SETTING")));
    drainEvents();
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(document->ptdResolution(), 72);
    EXPECT_FALSE(document->ptdMirrorImage());
    // The exporter is not part of the undo.
    EXPECT_EQ(document->ptdExporter().activeExporterName(), str("PNG"));
}

TEST_F(PrintToDisk, AFailedWriteFromTheSheetIsShownToTheUser) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    const QString notAFolder = QDir(folder.path()).filePath(str("plain"));
    {
        QFile file(notAFolder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ModalAlert::ScopedPanelResponder answer(
        [&](const ModalAlert::PanelRequest&) { return QStringList{notAFolder}; });
    QStringList alerts;
    ModalAlert::ScopedResponder alert([&](const ModalAlert::Request& request) {
        alerts << request.message;
        return int(ModalAlert::DefaultReturn);
    });
    controller->printToDisk();
    drainEvents();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().contains(notAFolder)) << alerts.first().toStdString();
    EXPECT_EQ(counterText(), str("1"));
}

TEST_F(PrintToDisk, TheFolderSheetShowsTheAccessoryEachTime) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    controller->window()->show();
    for (int run = 0; run < 2; ++run) {
        controller->printToDisk();
        drainEvents();
        auto* sheet = controller->window()->findChild<QFileDialog*>();
        ASSERT_TRUE(sheet) << run;
        EXPECT_EQ(sheet->fileMode(), QFileDialog::Directory);
        EXPECT_EQ(controller->ptdAccessoryView()->parentWidget(), sheet);
        EXPECT_TRUE(controller->ptdAccessoryView()->isVisible()) << run;
        sheet->reject();
        drainEvents();
        EXPECT_FALSE(controller->ptdAccessoryView()->parentWidget());
        EXPECT_FALSE(controller->workingExporter());
    }
    EXPECT_TRUE(filesInFolder().isEmpty());
}

TEST_F(PrintToDisk, ACancelledSheetWritesNothing) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    ModalAlert::ScopedPanelResponder answer([&](const ModalAlert::PanelRequest&) {
        controller->ptdMirrorEnabledSwitch()->click();
        return QStringList();
    });
    controller->printToDisk();
    drainEvents();
    EXPECT_TRUE(filesInFolder().isEmpty());
    EXPECT_FALSE(document->ptdMirrorImage());
    EXPECT_FALSE(controller->workingExporter());
}

TEST_F(PrintToDisk, MakeDefaultStoresTheChoicesAndIsThenDisabled) {
    useTemplate("one-area", {120, 170}, {{10, 10, 100, 150}});
    addPhotos(1);
    ModalAlert::ScopedPanelResponder answer([&](const ModalAlert::PanelRequest&) {
        QComboBox* resolutions = controller->ptdResolutionPopup();
        resolutions->setCurrentIndex(resolutions->findData(300));
        Q_EMIT resolutions->activated(resolutions->currentIndex());
        EXPECT_TRUE(controller->ptdMakeDefaultButton()->isEnabled());
        controller->ptdMakeDefaultButton()->click();
        EXPECT_FALSE(controller->ptdMakeDefaultButton()->isEnabled());
        return QStringList();
    });
    controller->printToDisk();
    drainEvents();
    EXPECT_EQ(host.settings.value(PrefPTDResolution).toInt(), 300);
    EXPECT_FALSE(UserDefaults::standardUserDefaults()
                     .dictionaryForKey(str(kPtdExportDefaultConfigKey))
                     .isEmpty());
}

TEST_F(PrintToDisk, PhotoFilesThroughCatalogAndTemplateToNumberedJpegs) {
    // Camera files with EXIF data and a profile of their own.
    QTemporaryDir photos;
    ASSERT_TRUE(photos.isValid());
    const QColor colors[] = {Qt::red, Qt::blue, Qt::green};
    for (int i = 0; i < 3; ++i) {
        const QString path = writeImage(photos.filePath(str("photo%1.jpg").arg(i)),
                                        solidImage(400, 600, colors[i]), "jpeg");
        ASSERT_TRUE(addExif(path, str("Maker"), solidImage(60, 90, Qt::gray)));
        ASSERT_TRUE(embedProfile(path, adobeRGBProfile()));
        ASSERT_TRUE(document->fileCatalog().addFileEntry(path));
        document->fileCatalog().setMarkerAtIndexTo(document->fileCatalog().fileCount() - 1, true);
    }
    drainEvents();
    useTemplate("cards", {240, 200}, kTwoAreas);
    // The user's export default embeds a profile and an EXIF thumbnail.
    {
        Exporter defaults;
        defaults.setActiveExporter(str("JPEG"));
        defaults.setUsesColorSync(true);
        defaults.setCreatesThumbnail(true);
        defaults.setCreatesEXIF(true);
        defaults.makeDefault();
    }
    setCounter(str("7"));

    const std::optional<QStringList> written = controller->printBatchToPath(
        folder.path(), str("Vyx_Photo"), QVariant(), QVariant(768), QVariant(150), QVariant());
    ASSERT_TRUE(written) << controller->batchError().toStdString();
    ASSERT_EQ(*written, (QStringList{QDir(folder.path()).filePath(str("Vyx_Photo_0008.jpg")),
                                     QDir(folder.path()).filePath(str("Vyx_Photo_0009.jpg")),
                                     QDir(folder.path()).filePath(str("Vyx_Photo_0010.jpg"))}));
    EXPECT_EQ(counterText(), str("10"));
    for (int i = 0; i < 3; ++i) {
        const QString& path = (*written)[i];
        const QImage image(path);
        // (100 - 2) x 150 / 72 by (150 - 2) x 150 / 72.
        ASSERT_EQ(image.size(), QSize(204, 308)) << i;
        // Full-size photos, each in its own file.
        const QColor middle = image.pixelColor(102, 154);
        const int channels[] = {middle.red(), middle.blue(), middle.green()};
        EXPECT_GT(channels[i], 150) << i;
        for (int other = 0; other < 3; ++other) {
            if (other != i) {
                EXPECT_LT(channels[other], 100) << i;
            }
        }
        const MetadataReadBack embedded = readMetadataBack(path);
        EXPECT_GE(embedded.profile.size(), 128) << i;
        EXPECT_EQ(embedded.profile.mid(36, 4), QByteArray("acsp")) << i;
        ASSERT_TRUE(embedded.thumbnail.isValid()) << i;
        EXPECT_LE(std::max(embedded.thumbnail.width(), embedded.thumbnail.height()), 96) << i;
        EXPECT_EQ(embedded.thumbnail.height(), 96) << i;
    }
    EXPECT_TRUE(document->fileCatalog().deliverScreenResolution());
    UserDefaults::standardUserDefaults().removeObjectForKey(str(kExportDefaultConfigKey));
}
