// Export of the selected photos from a catalog window: the folder sheet and
// its accessory answered through the dialog seam, the files written into a
// temporary folder and read back by Qt's readers and exiv2.
#include "catalog/GridFixture.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/Exporter.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ProgressSheet.h"
#include "platform/ui/Toolbar.h"
#include "support/ExportQuestions.h"
#include "support/FullFileSystem.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QString text(const char* key) {
    return localizedString(str(key));
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Every pixel of the picture is near the colour.
bool allPixels(const QImage& image, const QColor& color) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!near(image.pixel(x, y), color))
                return false;
    return !image.isNull();
}

class ExportSelectionTest : public GridFixture, public ExportQuestions {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        ASSERT_TRUE(out.isValid());
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kExportDefaultConfigKey));
        answerExportQuestions([this] {
            busyAtAlert.append(testHost.waitMonitorResumed - testHost.waitMonitorSuspended);
        });
    }
    void TearDown() override {
        stopAnsweringExportQuestions();
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kExportDefaultConfigKey));
        GridFixture::TearDown();
    }

    // Photo files of the grid fixture's quadrants, added and all selected.
    void addSelectedPhotos(const QStringList& names, int width = 40, int height = 30) {
        for (const QString& name : names)
            ASSERT_TRUE(catalog().addFileEntry(photo(name, width, height)));
        catalog().selectAll();
        drainEvents();
    }

    // Export… with the folder sheet answered with `folder` after `choose` has
    // worked the accessory.
    void runExport(const QString& folder, const std::function<void()>& choose = {}) {
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
            ++panels;
            lastRequest = request;
            if (choose)
                choose();
            return folder.isEmpty() ? QStringList() : QStringList{folder};
        });
        controller->exportSelection();
        drainEvents();
    }
    void runExportAs(const char* format, const QString& folder) {
        runExport(folder, [this, format] { pickFormat(format); });
    }
    void pickFormat(const char* name) {
        QComboBox* names = controller->exporterNamesPopup();
        names->setCurrentIndex(names->findText(str(name)));
        Q_EMIT names->activated(names->currentIndex());
    }
    // Sets the switch as a click of the user does.
    static void setSwitch(QCheckBox* box, bool on) {
        if (box->isChecked() != on)
            box->click();
    }

    QStringList filesIn(const QString& folder) const {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }
    QTemporaryDir out;
    // Whether the wait cursor was allowed when each alert was asked.
    QList<int> busyAtAlert;
    int panels = 0;
    ModalAlert::PanelRequest lastRequest;
};

} // namespace

TEST_F(ExportSelectionTest, OnePhotoIsWrittenWithoutASheetUnderItsNameAndTheFormatsExtension) {
    ASSERT_TRUE(catalog().addFileEntry(
        writeImage(dir.filePath(str("IMG_0001.TIF")), quadrantImage(40, 30), "tiff")));
    catalog().setSelectionAtIndex(0);
    runExportAs("JPEG", out.path());
    ASSERT_EQ(panels, 1);
    EXPECT_TRUE(lastRequest.chooseDirectories);
    EXPECT_EQ(lastRequest.prompt, text("EXPORT"));
    EXPECT_NE(lastRequest.prompt, str("EXPORT"));
    EXPECT_EQ(lastRequest.accessory, controller->exportAccessoryView());
    EXPECT_EQ(filesIn(out.path()), QStringList{str("IMG_0001.jpg")});
    EXPECT_EQ(QImageReader(QDir(out.path()).filePath(str("IMG_0001.jpg"))).size(), QSize(40, 30));
    EXPECT_FALSE(controller->progressPanel()) << "one photo shows no sheet";
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(ExportSelectionTest, TheCatalogsTwoModesAreTheSameAfterwards) {
    addSelectedPhotos({str("a.png"), str("b.png")});
    for (const bool screen : {true, false}) {
        catalog().setDeliverScreenResolution(screen);
        QTemporaryDir folder;
        runExportAs("PNG", folder.path());
        EXPECT_EQ(filesIn(folder.path()), (QStringList{str("a.png"), str("b.png")})) << screen;
        EXPECT_EQ(catalog().deliverScreenResolution(), screen);
        EXPECT_TRUE(catalog().extractsMetaData());
    }
}

TEST_F(ExportSelectionTest, CropsAreWrittenAtTheirPixelSizeWithTheirPixels) {
    addSelectedPhotos({str("p.png")});
    struct Case {
        const char* name;
        Rect crop;
        bool ignoreCrops;
        QSize size;
        QColor colour; // of every pixel; invalid for the whole photo's quadrants
    } cases[] = {
        {"no crop", kZeroRect, false, {40, 30}, QColor()},
        // Crops count from the lower left, as the photo is drawn.
        {"lower left", Rect(0, 0, 20, 15), false, {20, 15}, kBottomLeft},
        {"upper right", Rect(20, 15, 20, 15), false, {20, 15}, kTopRight},
        {"lower right strip", Rect(24, 2, 12, 10), false, {12, 10}, kBottomRight},
        {"ignored", Rect(0, 0, 20, 15), true, {40, 30}, QColor()},
    };
    for (const Case& c : cases) {
        catalog().setFileImageCropAtIndexTo(0, c.crop);
        QTemporaryDir folder;
        runExport(folder.path(), [&] {
            pickFormat("PNG");
            setSwitch(controller->exportIgnoreCropsSwitch(), c.ignoreCrops);
        });
        const QImage written(QDir(folder.path()).filePath(str("p.png")));
        ASSERT_EQ(written.size(), c.size) << c.name;
        if (c.colour.isValid()) {
            EXPECT_TRUE(allPixels(written, c.colour)) << c.name;
        } else {
            EXPECT_TRUE(near(written.pixel(0, 0), kTopLeft)) << c.name;
            EXPECT_TRUE(near(written.pixel(39, 0), kTopRight)) << c.name;
            EXPECT_TRUE(near(written.pixel(0, 29), kBottomLeft)) << c.name;
            EXPECT_TRUE(near(written.pixel(39, 29), kBottomRight)) << c.name;
        }
    }
}

TEST_F(ExportSelectionTest, RenamingToAnotherTakenNameAsksAgainAndSkipThenWritesNothing) {
    addSelectedPhotos({str("p.png")});
    writeBytes(QDir(out.path()).filePath(str("p.png")), "old");
    writeBytes(QDir(out.path()).filePath(str("other.png")), "other");
    answers = {ModalAlert::AlternateReturn, ModalAlert::DefaultReturn}; // RENAME, then SKIP
    renames = {str("other.png")};
    runExportAs("PNG", out.path());
    ASSERT_EQ(titles(), (QStringList{text("DUP_EXPORT"), text("DUP_EXPORT")}));
    EXPECT_EQ(alerts[0].message, stringWithFormat(text("DUP_EXPORT_DESC"), str("p.png")));
    EXPECT_EQ(alerts[1].message, stringWithFormat(text("DUP_EXPORT_DESC"), str("other.png")));
    EXPECT_EQ(alerts[0].defaultButton, text("SKIP"));
    EXPECT_EQ(alerts[0].alternateButton, text("RENAME"));
    EXPECT_EQ(alerts[0].otherButton, text("REPLACE"));
    EXPECT_EQ(shownNames, QStringList{str("p.png")}) << "the panel starts from the name";
    EXPECT_EQ(filesIn(out.path()), (QStringList{str("other.png"), str("p.png")}));
    EXPECT_EQ(readAll(QDir(out.path()).filePath(str("p.png"))), QByteArray("old"));
    EXPECT_EQ(readAll(QDir(out.path()).filePath(str("other.png"))), QByteArray("other"));
}

TEST_F(ExportSelectionTest, ANewNameThatLeavesTheFolderOrHidesTheFileBeepsAndIsAskedAgain) {
    addSelectedPhotos({str("p.png")});
    QDir(out.path()).mkpath(str("inner/a"));
    const QString folder = QDir(out.path()).filePath(str("inner"));
    writeBytes(QDir(folder).filePath(str("p.png")), "old");
    answers = {ModalAlert::AlternateReturn}; // RENAME
    renames = {str("../x.png"), str("a/b.png"), str(""), str("."), str(".."), str("new.png")};
    const int beeps = ModalAlert::beepCount();
    runExportAs("PNG", folder);
    EXPECT_EQ(ModalAlert::beepCount() - beeps, 5);
    EXPECT_EQ(renamePanels, 6);
    EXPECT_EQ(titles(), QStringList{text("DUP_EXPORT")}) << "new.png is free";
    EXPECT_EQ(filesIn(folder), (QStringList{str("new.png"), str("p.png")}));
    EXPECT_EQ(QImageReader(QDir(folder).filePath(str("new.png"))).size(), QSize(40, 30));
    EXPECT_TRUE(filesIn(out.path()).isEmpty());
    EXPECT_TRUE(filesIn(QDir(folder).filePath(str("a"))).isEmpty());
}

TEST_F(ExportSelectionTest, ReplaceWritesOverTheOldFile) {
    addSelectedPhotos({str("p.png")});
    writeBytes(QDir(out.path()).filePath(str("p.png")), "old");
    answers = {ModalAlert::OtherReturn}; // REPLACE
    runExportAs("PNG", out.path());
    EXPECT_EQ(titles(), QStringList{text("DUP_EXPORT")});
    EXPECT_EQ(QImage(QDir(out.path()).filePath(str("p.png"))).size(), QSize(40, 30));
}

TEST_F(ExportSelectionTest, AReplaceWhoseWriteFailsLeavesTheOldFileAsItWasAndOffersOnlyCancel) {
    // A photo far larger as BMP than the room left.
    addSelectedPhotos({str("big.png")}, 400, 300);
    EXPECT_TRUE(inEachFullFileSystem(64 * 1024, [&](FullFileSystem& full) {
        const QString old = full.filePath(str("big.bmp"));
        const QByteArray oldBytes("an older file that must survive");
        writeBytes(old, oldBytes);
        alerts.clear();
        answers = {ModalAlert::OtherReturn}; // REPLACE
        runExportAs("BMP", QFileInfo(old).absolutePath());
        ASSERT_EQ(titles(), (QStringList{text("DUP_EXPORT"), text("EXPORT_FAIL_TITLE")}));
        const ModalAlert::Request& failure = alerts[1];
        EXPECT_TRUE(
            failure.message.startsWith(text("EXPORT_FAIL_MSG").section(QLatin1Char('%'), 0, 0)))
            << failure.message.toStdString();
        EXPECT_EQ(failure.defaultButton, text("CANCEL"));
        EXPECT_TRUE(failure.alternateButton.isEmpty());
        EXPECT_EQ(readAll(old), oldBytes);
        EXPECT_EQ(filesIn(QFileInfo(old).absolutePath()), QStringList{str("big.bmp")});
    }));
}

TEST_F(ExportSelectionTest, AMissingFileIsSkippedWithoutAWord) {
    addSelectedPhotos({str("a.png"), str("b.png"), str("c.png")});
    ASSERT_TRUE(QFile::remove(dir.filePath(str("b.png"))));
    catalog().testAllEntriesForChanges();
    drainEvents();
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 1).toBool());
    alerts.clear();
    runExportAs("PNG", out.path());
    EXPECT_EQ(filesIn(out.path()), (QStringList{str("a.png"), str("c.png")}));
    EXPECT_FALSE(titles().contains(text("EXPORT_FAIL_TITLE")));
    EXPECT_FALSE(titles().contains(text("DUP_EXPORT")));
}

TEST_F(ExportSelectionTest, AfterAFailedWriteContinueGoesOnAndCancelStopsAfterThatPhoto) {
    addSelectedPhotos({str("p0.png"), str("p1.png"), str("p2.png"), str("p3.png"), str("p4.png")});
    struct Case {
        const char* name;
        int failureAnswer;
        QStringList written;
    } cases[] = {
        {"continue",
         ModalAlert::DefaultReturn,
         {str("p0.png"), str("p2.png"), str("p3.png"), str("p4.png")}},
        {"cancel", ModalAlert::AlternateReturn, {str("p0.png")}},
    };
    for (const Case& c : cases) {
        QTemporaryDir folder;
        // A folder stands where the second photo goes: replacing it fails.
        ASSERT_TRUE(QDir(folder.path()).mkpath(str("p1.png/kept")));
        alerts.clear();
        busyAtAlert.clear();
        answers = {ModalAlert::OtherReturn, c.failureAnswer}; // REPLACE, then the failure
        const int resumed = testHost.waitMonitorResumed;
        runExportAs("PNG", folder.path());
        // The wait cursor only while a file is written, never over an alert.
        EXPECT_EQ(testHost.waitMonitorResumed - resumed, int(c.written.size()) + 1) << c.name;
        EXPECT_EQ(testHost.waitMonitorResumed, testHost.waitMonitorSuspended) << c.name;
        EXPECT_EQ(busyAtAlert, (QList<int>{0, 0})) << c.name;
        ASSERT_EQ(titles(), (QStringList{text("DUP_EXPORT"), text("EXPORT_FAIL_TITLE")})) << c.name;
        EXPECT_EQ(alerts[1].defaultButton, text("CONTINUE")) << c.name;
        EXPECT_EQ(alerts[1].alternateButton, text("CANCEL")) << c.name;
        EXPECT_EQ(filesIn(folder.path()), c.written) << c.name;
        EXPECT_TRUE(QFileInfo(QDir(folder.path()).filePath(str("p1.png/kept"))).isDir());
        ASSERT_TRUE(controller->progressPanel());
        EXPECT_EQ(controller->progressPanel()->maximum(), 5) << c.name;
    }
    // The sheet goes half a second after the end.
    EXPECT_TRUE(controller->progressPanel()->isVisible());
    QTest::qWait(ProgressSheet::kLingerMilliseconds + 200);
    EXPECT_FALSE(controller->progressPanel()->isVisible());
}

TEST_F(ExportSelectionTest, TheSheetsCancelStopsAfterThePhotoBeingWritten) {
    addSelectedPhotos({str("p0.png"), str("p1.png"), str("p2.png"), str("p3.png"), str("p4.png")});
    const QString first = stringWithFormat(text("EXPORT_MSG"), str("p0.png"));
    QStringList messages;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        ProgressSheet* sheet = controller->progressPanel();
        if (!sheet || !sheet->isVisible())
            return;
        if (messages.isEmpty() || messages.last() != sheet->message())
            messages << sheet->message();
        if (sheet->message() == first) {
            sheet->cancelButton()->click();
            watcher.stop();
        }
    });
    watcher.start();
    runExportAs("PNG", out.path());
    EXPECT_EQ(messages, QStringList{first});
    EXPECT_EQ(filesIn(out.path()), QStringList{str("p0.png")});
}

TEST_F(ExportSelectionTest, PreserveEXIFKeepsTheCameraTagsAndOffDropsThem) {
    const QString path = writeImage(dir.filePath(str("camera.jpg")), quadrantImage(40, 30), "jpeg");
    ASSERT_TRUE(addExif(path, str("Maker")));
    ASSERT_TRUE(catalog().addFileEntry(path));
    catalog().setSelectionAtIndex(0);
    ASSERT_EQ(readMetadataBack(path).make, str("Maker"));
    for (const bool preserve : {true, false}) {
        QTemporaryDir folder;
        runExport(folder.path(), [&] {
            pickFormat("JPEG");
            setSwitch(controller->exportCreateThumbnailSwitch(), false);
            setSwitch(controller->exportPreserveEXIFSwitch(), preserve);
        });
        const MetadataReadBack back =
            readMetadataBack(QDir(folder.path()).filePath(str("camera.jpg")));
        ASSERT_TRUE(back.readable) << preserve;
        EXPECT_EQ(back.make, preserve ? str("Maker") : QString()) << preserve;
        EXPECT_EQ(back.hasExif, preserve) << preserve;
    }
}

TEST_F(ExportSelectionTest, TheAccessoryShowsAndChangesTheDocumentsExporterWithoutUndo) {
    addSelectedPhotos({str("p.png")});
    auto preset = std::make_shared<Exporter>();
    preset->setActiveExporter(str("PNG"));
    preset->setCreatesThumbnail(false);
    preset->setCreatesEXIF(true);
    preset->setUsesColorSync(false);
    preset->setIgnoresCrop(true);
    document->setExporter(preset);
    drainEvents();
    undo().removeAllActions();
    runExport(QString(), [&] {
        EXPECT_EQ(controller->exporterNamesPopup()->currentText(), str("PNG"));
        EXPECT_EQ(controller->exporterNamesPopup()->count(), preset->exporterNames().size());
        EXPECT_FALSE(controller->exportCreateThumbnailSwitch()->isChecked());
        EXPECT_TRUE(controller->exportPreserveEXIFSwitch()->isChecked());
        EXPECT_FALSE(controller->exportEmbedColorSyncSwitch()->isChecked());
        EXPECT_TRUE(controller->exportIgnoreCropsSwitch()->isChecked());
        pickFormat("JPEG");
        EXPECT_EQ(controller->exporterOptionsButton()->isEnabled(), preset->optionsAvailable());
        controller->exportCreateThumbnailSwitch()->click();
        controller->exportPreserveEXIFSwitch()->click();
        controller->exportEmbedColorSyncSwitch()->click();
        controller->exportIgnoreCropsSwitch()->click();
    });
    // Cancelled, yet the choices are the document's.
    EXPECT_TRUE(filesIn(out.path()).isEmpty());
    ASSERT_EQ(document->exporter(), preset);
    EXPECT_EQ(preset->activeExporterName(), str("JPEG"));
    EXPECT_TRUE(preset->createsThumbnail());
    EXPECT_FALSE(preset->createsEXIF());
    EXPECT_TRUE(preset->usesColorSync());
    EXPECT_FALSE(preset->ignoresCrop());
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(ExportSelectionTest, ADocumentWithoutAnExporterGetsOneFromTheUsersDefault) {
    addSelectedPhotos({str("p.png")});
    {
        Exporter defaults;
        defaults.setActiveExporter(str("PNG"));
        defaults.makeDefault();
    }
    ASSERT_FALSE(document->exporter());
    runExport(out.path());
    ASSERT_TRUE(document->exporter());
    EXPECT_EQ(document->exporter()->activeExporterName(), str("PNG"));
    EXPECT_EQ(filesIn(out.path()), QStringList{str("p.png")});
}

TEST_F(ExportSelectionTest, MakeDefaultStoresTheExporterAsTheUsersExportDefault) {
    addSelectedPhotos({str("p.png")});
    runExport(QString(), [&] {
        pickFormat("PNG");
        setSwitch(controller->exportIgnoreCropsSwitch(), false);
        controller->exportMakeDefaultButton()->click();
    });
    const QVariantMap stored =
        UserDefaults::standardUserDefaults().dictionaryForKey(str("EXEXP_ExportDefaultConfig"));
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_EQ(stored, document->exporter()->encodeInDictionary());
    EXPECT_EQ(stored.value(str(kExporterNameKey)).toString(), str("PNG"));
    EXPECT_FALSE(stored.value(str(kExporterIgnoreCropKey)).toBool());
}

TEST_F(ExportSelectionTest, TheGridsExportItemRunsTheCommandOnTheClickedPhoto) {
    addSelectedPhotos({str("a.png"), str("b.png")});
    sizeForColumns(3);
    // A missing photo alone offers no export.
    ASSERT_TRUE(QFile::remove(dir.filePath(str("b.png"))));
    catalog().testAllEntriesForChanges();
    drainEvents();
    const auto exportItem = [](QMenu* menu) -> QAction* {
        for (QAction* each : menu->actions())
            if (each->data().toInt() == kTagExport)
                return each;
        return nullptr;
    };
    QMenu* menu = grid()->menuForEvent(grid()->getCellRectAtIndex(1).center(), 0);
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(exportItem(menu), nullptr);
    EXPECT_FALSE(grid()->validateMenuItem(exportItem(menu)));
    menu = grid()->menuForEvent(grid()->getCellRectAtIndex(0).center(), 0);
    EXPECT_EQ(catalog().getSelectedIndices(), QList<int>{0});
    EXPECT_TRUE(grid()->validateMenuItem(exportItem(menu)));
    {
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest&) {
            ++panels;
            pickFormat("PNG");
            return QStringList{out.path()};
        });
        exportItem(menu)->trigger();
        drainEvents();
    }
    EXPECT_EQ(panels, 1);
    EXPECT_EQ(filesIn(out.path()), QStringList{str("a.png")});
}

TEST_F(ExportSelectionTest, ThePanelsToolbarExportItemReachesTheCommand) {
    addSelectedPhotos({str("p.png")});
    makeMain();
    Toolbar* bar = Toolbar::toolbarOfWindow(window());
    ASSERT_NE(bar, nullptr);
    const QString identifier = str("photodoctoolbar.export");
    bar->setItemIdentifiers(bar->itemIdentifiers() << identifier);
    bar->validateVisibleItems();
    QAction* item = bar->itemWithIdentifier(identifier);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());
    {
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
            ++panels;
            EXPECT_EQ(request.accessory, controller->exportAccessoryView());
            pickFormat("PNG");
            return QStringList{out.path()};
        });
        item->trigger();
        drainEvents();
    }
    EXPECT_EQ(panels, 1);
    EXPECT_EQ(filesIn(out.path()), QStringList{str("p.png")});
    catalog().clearSelection();
    bar->validateVisibleItems();
    EXPECT_FALSE(item->isEnabled());
}

TEST_F(ExportSelectionTest, APhotoKeptInTheDocumentIsWrittenUnderItsFilesName) {
    catalog().addImageEntry(Image(quadrantImage(40, 30)));
    catalog().setSelectionAtIndex(0);
    runExportAs("PNG", out.path());
    // Reading the full picture gives the photo its file.
    const QString path = catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString();
    ASSERT_FALSE(QFileInfo(path).fileName().isEmpty());
    EXPECT_EQ(filesIn(out.path()),
              QStringList{document->exporter()->fileNameWithExtension(QFileInfo(path).fileName())});
    EXPECT_EQ(QImage(QDir(out.path()).filePath(filesIn(out.path()).value(0))).size(),
              QSize(40, 30));
}

TEST_F(ExportSelectionTest, TheOptionsButtonSetsTheFormatsSettingsOfTheDocumentsExporter) {
    addSelectedPhotos({str("p.png")});
    runExport(QString(), [&] {
        pickFormat("JPEG");
        ASSERT_TRUE(controller->exporterOptionsButton()->isEnabled());
        ModalAlert::ScopedDialogResponder lowest([](QDialog& dialog) {
            dialog.show();
            auto* slider = dialog.findChild<QSlider*>(str("quality"));
            EXPECT_NE(slider, nullptr);
            if (!slider)
                return int(QDialog::Rejected);
            QTest::keyClick(slider, Qt::Key_Home);
            QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
            return dialog.result();
        });
        controller->exporterOptionsButton()->click();
    });
    EXPECT_TRUE(document->exporter()->getConfig().contains("<integer>256</integer>"));
}
