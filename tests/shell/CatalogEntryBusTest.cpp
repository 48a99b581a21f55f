// The photos of a catalog as objects of their own on a private session bus:
// properties read and written by a bus client, and the export written into
// folders of the temporary home and read back by Qt's image readers.
#include "ScriptedApplication.h"
#include "catalog/CatalogEntry.h"
#include "catalog/CatalogFixture.h"
#include "catalog/ImageFixtures.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/Exporter.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "shell/ScriptingBus.h"
#include "support/ExportQuestions.h"
#include "support/FullFileSystem.h"
#include "support/PrivateBus.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QStandardPaths>
#include <deque>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QString text(const char* key) {
    return localizedString(str(key));
}

constexpr char kEntryInterface[] = "com.varnsoft.Lumisk.CatalogEntry";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class CatalogEntryBusTest : public ScriptedApplication, public ExportQuestions {
protected:
    void SetUp() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kExportDefaultConfigKey));
        ScriptedApplication::SetUp();

        answerExportQuestions();
    }
    void TearDown() override {
        stopAnsweringExportQuestions();
        ScriptedApplication::TearDown();
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kExportDefaultConfigKey));
    }

    VQFileCatalog& catalog() { return document->fileCatalog(); }

    // A photo file in the home folder, appended; answers its serial number.
    int addPhoto(const char* name, int width = 40, int height = 30) {
        const QString path = QDir::home().filePath(str(name));
        const char* format = QFileInfo(path).suffix() == str("png") ? "png" : "jpg";
        writeImage(path, solidImage(width, height, Qt::darkGreen), format);
        EXPECT_TRUE(catalog().addFileEntry(path));
        drainEvents();
        return catalog().getSerialNumberAtIndex(catalog().fileCount() - 1).toInt();
    }

    QString entryPath(int serial) const {
        return catalogPath + str("/entry/") + QString::number(serial);
    }

    QVariant get(int serial, const char* name) {
        const QDBusMessage reply =
            send(entryPath(serial), kProperties, "Get", {str(kEntryInterface), str(name)});
        EXPECT_EQ(errorOf(reply), QString()) << name;
        if (reply.arguments().isEmpty())
            return {};
        return reply.arguments().first().value<QDBusVariant>().variant();
    }
    QVariantMap getAll(int serial) {
        const QDBusMessage reply =
            send(entryPath(serial), kProperties, "GetAll", {str(kEntryInterface)});
        EXPECT_EQ(errorOf(reply), QString());
        if (reply.arguments().isEmpty())
            return {};
        return qdbus_cast<QVariantMap>(reply.arguments().first().value<QDBusArgument>());
    }
    // The error's text; empty when the value was taken.
    QString set(int serial, const char* name, const QVariant& value) {
        return errorOf(
            send(entryPath(serial), kProperties, "Set",
                 {str(kEntryInterface), str(name), QVariant::fromValue(QDBusVariant(value))}));
    }
    QString exportPhoto(int serial, const QVariantMap& arguments) {
        return errorOf(
            send(entryPath(serial), kEntryInterface, "Export", {QVariant::fromValue(arguments)}));
    }

    static QStringList filesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

} // namespace

TEST_F(CatalogEntryBusTest, AnEntryAnswersItsPropertiesUnderItsScriptingKeys) {
    addPhoto("first.jpg");
    const int serial = addPhoto("photo.jpg", 40, 30);
    const QVariantMap all = getAll(serial);
    QStringList expectedNames;
    for (const QString& key : CatalogEntry::kvcKeys())
        expectedNames.append(key.left(1).toUpper() + key.mid(1));
    QStringList names = all.keys();
    names.sort();
    expectedNames.sort();
    EXPECT_EQ(names, expectedNames);

    EXPECT_EQ(all.value(str("SerialNumber")).toInt(), serial);
    EXPECT_EQ(all.value(str("Name")).toString(), str("photo.jpg"));
    EXPECT_EQ(all.value(str("Path")).toString(), QDir::home().filePath(str("photo.jpg")));
    EXPECT_EQ(all.value(str("Selected")), QVariant(false));
    EXPECT_EQ(all.value(str("Marked")), QVariant(true));
    for (const char* percent : {"Saturation", "Brightness", "Contrast", "Sharpness", "Rotation"})
        EXPECT_EQ(all.value(str(percent)), QVariant(0)) << percent;
    EXPECT_EQ(all.value(str("Crop")).toString(), str("{{0, 0}, {0, 0}}"));
    EXPECT_EQ(all.value(str("Offset")).toString(), str("{0, 0}"));
    EXPECT_EQ(all.value(str("Dimensions")).toString(), str("{40, 30}"));
    EXPECT_EQ(get(serial, "Name").toString(), str("photo.jpg"));

    const QDBusMessage introspection =
        send(entryPath(serial), "org.freedesktop.DBus.Introspectable", "Introspect");
    ASSERT_FALSE(introspection.arguments().isEmpty());
    const QString xml = introspection.arguments().first().toString();
    EXPECT_TRUE(xml.contains(str("<interface name=\"com.varnsoft.Lumisk.CatalogEntry\">")));
    EXPECT_TRUE(xml.contains(str("<method name=\"Export\">")));
    EXPECT_TRUE(xml.contains(str("<property name=\"Rotation\" type=\"i\" access=\"readwrite\"/>")));
}

TEST_F(CatalogEntryBusTest, SettersClampMapPercentsAndTakeOnlyQuarterTurns) {
    const int serial = addPhoto("photo.jpg");
    struct Case {
        const char* property;
        QVariant value;
        int attribute;
        QVariant stored; // the catalog's attribute afterwards
        QVariant answer; // the property afterwards
    } cases[] = {
        {"Saturation", 150, kCatalogAttrSaturation, 2.0f, 100},
        {"Saturation", -30, kCatalogAttrSaturation, 0.7f, -30},
        {"Brightness", -250, kCatalogAttrBrightness, 0.0f, -100},
        {"Contrast", 45, kCatalogAttrContrast, 1.45f, 45},
        {"Sharpness", 12, kCatalogAttrSharpness, 8, 8},
        {"Sharpness", -1, kCatalogAttrSharpness, 0, 0},
        {"Rotation", 90, kCatalogAttrRotation, 90.0f, 90},
        {"Rotation", -270, kCatalogAttrRotation, -270.0f, -270},
        {"Rotation", 45, kCatalogAttrRotation, -270.0f, -270},
        {"Rotation", 360, kCatalogAttrRotation, -270.0f, -270},
        {"Rotation", 180, kCatalogAttrRotation, 180.0f, 180},
        {"Selected", true, kCatalogAttrSelected, true, true},
        {"Marked", false, kCatalogAttrMarked, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(set(serial, c.property, c.value), QString()) << c.property;
        const QVariant stored = catalog().getFileAttributeAtIndex(c.attribute, 0);
        if (c.stored.typeId() == QMetaType::Float)
            EXPECT_FLOAT_EQ(stored.toFloat(), c.stored.toFloat())
                << c.property << " " << c.value.toInt();
        else
            EXPECT_EQ(stored.toInt(), c.stored.toInt()) << c.property << " " << c.value.toInt();
        EXPECT_EQ(get(serial, c.property), c.answer) << c.property << " " << c.value.toInt();
    }
}

TEST_F(CatalogEntryBusTest, CropAndOffsetAreTheirTextFormsThroughTheTypedSetters) {
    const int serial = addPhoto("photo.jpg", 40, 30);
    EXPECT_EQ(set(serial, "Crop", str("{{5, 4}, {20, 10}}")), QString());
    EXPECT_EQ(catalog().getFileImageCropAtIndex(0), Rect(5, 4, 20, 10));
    EXPECT_EQ(get(serial, "Crop").toString(), str("{{5, 4}, {20, 10}}"));
    // The typed setter keeps a crop inside the photo.
    EXPECT_EQ(set(serial, "Crop", str("{{30, 25}, {20, 10}}")), QString());
    EXPECT_EQ(catalog().getFileImageCropAtIndex(0), Rect(20, 20, 20, 10));
    EXPECT_EQ(set(serial, "Offset", str("{-3.5, 7}")), QString());
    EXPECT_EQ(catalog().getFileImageOffsetAtIndex(0), (Point{-3.5f, 7}));
    EXPECT_EQ(get(serial, "Offset").toString(), str("{-3.5, 7}"));
}

TEST_F(CatalogEntryBusTest, OnlyAChangePostsOnePropertyNoticeAndItIsUndoable) {
    const int serial = addPhoto("photo.jpg");
    NoticeRecorder recorder(&catalog());
    struct Case {
        const char* property;
        QVariant value;
        int notices;
    } cases[] = {
        {"Selected", false, 0}, // as it is
        {"Selected", true, 1},        {"Selected", true, 0},
        {"Rotation", 45, 0},          {"Rotation", 0, 0},
        {"Saturation", 0, 0},         {"Saturation", 20, 1},
        {"Saturation", 20, 0},        {"Sharpness", 9, 1},
        {"Sharpness", 8, 0},          {"Crop", str("{{0, 0}, {0, 0}}"), 0},
        {"Offset", str("{0, 0}"), 0}, {"Offset", str("{1, 2}"), 1},
    };
    for (const Case& c : cases) {
        recorder.clear();
        EXPECT_EQ(set(serial, c.property, c.value), QString());
        EXPECT_EQ(recorder.count(kVQFileCatalogPropertyChangedNotify), c.notices)
            << c.property << " " << c.value.toString().toStdString();
    }
    ASSERT_TRUE(document->undoManager()->canUndo());
    document->undoManager()->undo();
    EXPECT_EQ(get(serial, "Offset").toString(), str("{0, 0}"));
}

TEST_F(CatalogEntryBusTest, ChangesInOnePassOfTheEventLoopPostOneNotice) {
    addPhoto("photo.jpg");
    NoticeRecorder recorder(&catalog());
    const std::shared_ptr<CatalogEntry> entry = document->valueInEntriesAtIndex(0);
    ASSERT_TRUE(entry);
    entry->setSaturation(10);
    entry->setContrast(10);
    entry->setMarked(false);
    EXPECT_EQ(recorder.count(kVQFileCatalogPropertyChangedNotify), 0) << "queued, not posted";
    drainEvents();
    EXPECT_EQ(recorder.count(kVQFileCatalogPropertyChangedNotify), 1);
}

TEST_F(CatalogEntryBusTest, TheObjectFollowsItsPhotoAcrossMoves) {
    const int first = addPhoto("first.jpg");
    addPhoto("second.jpg");
    catalog().moveEntryFromIndexToIndex(0, 2);
    drainEvents();
    ASSERT_EQ(catalog().getSerialNumberAtIndex(1).toInt(), first);
    EXPECT_EQ(get(first, "Name").toString(), str("first.jpg"));
    EXPECT_EQ(set(first, "Selected", true), QString());
    EXPECT_EQ(catalog().getSelectedIndices(), QList<int>{1});
}

TEST_F(CatalogEntryBusTest, ARemovedEntryAnswersNeutralValuesIgnoresChangesAndExportsNothing) {
    const int gone = addPhoto("gone.jpg", 40, 30);
    addPhoto("kept.jpg");
    ASSERT_EQ(set(gone, "Rotation", 90), QString());
    ASSERT_EQ(set(gone, "Crop", str("{{5, 4}, {20, 10}}")), QString());
    catalog().removeSerialNumberEntry(gone);
    drainEvents();
    ASSERT_EQ(catalog().fileCount(), 1);

    const QVariantMap all = getAll(gone);
    EXPECT_EQ(all.value(str("SerialNumber")).toInt(), gone);
    EXPECT_EQ(all.value(str("Name")).toString(), QString());
    EXPECT_EQ(all.value(str("Path")).toString(), QString());
    EXPECT_EQ(all.value(str("Selected")), QVariant(false));
    EXPECT_EQ(all.value(str("Marked")), QVariant(false));
    for (const char* number : {"Saturation", "Brightness", "Contrast", "Sharpness", "Rotation"})
        EXPECT_EQ(all.value(str(number)), QVariant(0)) << number;
    EXPECT_EQ(all.value(str("Crop")).toString(), str("{{0, 0}, {0, 0}}"));
    EXPECT_EQ(all.value(str("Offset")).toString(), str("{0, 0}"));
    EXPECT_EQ(all.value(str("Dimensions")).toString(), str("{0, 0}"));

    NoticeRecorder recorder(&catalog());
    catalog().clearSelection();
    drainEvents();
    recorder.clear();
    EXPECT_EQ(set(gone, "Selected", true), QString());
    EXPECT_EQ(set(gone, "Saturation", 50), QString());
    EXPECT_TRUE(catalog().getSelectedIndices().isEmpty());
    EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrSaturation, 0).toFloat(), 1.0f);
    EXPECT_EQ(recorder.count(kVQFileCatalogPropertyChangedNotify), 0);

    const QString folder = QDir::home().filePath(str("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_FALSE(exportPhoto(gone, {{str("File"), folder}}).isEmpty());
    EXPECT_TRUE(filesIn(folder).isEmpty());
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(CatalogEntryBusTest, WrongValuesAndReadOnlyPropertiesAreRefused) {
    const int serial = addPhoto("photo.jpg");
    struct Case {
        const char* property;
        QVariant value;
    } cases[] = {
        {"Saturation", str("high")}, {"Selected", 1},        {"Crop", 7},
        {"Rotation", 90.0},          {"Name", str("x.jpg")}, {"Dimensions", str("{1, 1}")},
        {"SerialNumber", 5},         {"Colour", str("red")},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(set(serial, c.property, c.value).isEmpty()) << c.property;
    EXPECT_EQ(get(serial, "Rotation"), QVariant(0));
    EXPECT_EQ(get(serial, "Saturation"), QVariant(0));

    struct Argument {
        QVariantMap arguments;
        const char* named;
    } arguments[] = {
        {{{str("Quality"), str("high")}}, "Quality"},
        {{{str("Replacing"), 1}}, "Replacing"},
        {{{str("Folder"), str("/tmp")}}, "Folder"},
    };
    for (const Argument& a : arguments) {
        const QString error = exportPhoto(serial, a.arguments);
        EXPECT_TRUE(error.contains(str(a.named))) << a.named << ": " << error.toStdString();
    }
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(CatalogEntryBusTest, WithoutAFolderThePhotoGoesToTheDesktop) {
    const int serial = addPhoto("IMG_0001.png", 40, 30);
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    ASSERT_TRUE(desktop.startsWith(QDir::homePath())) << desktop.toStdString();
    for (const bool screen : {true, false}) {
        catalog().setDeliverScreenResolution(screen);
        QFile::remove(QDir(desktop).filePath(str("IMG_0001.jpg")));
        EXPECT_EQ(exportPhoto(serial, {{str("Format"), str("JPEG")}}), QString());
        EXPECT_EQ(filesIn(desktop), QStringList{str("IMG_0001.jpg")});
        EXPECT_EQ(QImageReader(QDir(desktop).filePath(str("IMG_0001.jpg"))).size(), QSize(40, 30));
        EXPECT_EQ(catalog().deliverScreenResolution(), screen);
        EXPECT_TRUE(catalog().extractsMetaData());
    }
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(CatalogEntryBusTest, TheFormatNamesTheFileAndTheOptionsStayOnTheDocumentsExporter) {
    const int serial = addPhoto("photo.jpg", 40, 30);
    ASSERT_FALSE(document->exporter());
    const QString folder = QDir::home().filePath(str("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(exportPhoto(serial, {{str("File"), str("~/out")},
                                   {str("Format"), str("PNG")},
                                   {str("Quality"), 512},
                                   {str("PreserveEXIF"), false},
                                   {str("CreateThumbnail"), false},
                                   {str("EmbedColorsync"), false}}),
              QString());
    EXPECT_EQ(filesIn(folder), QStringList{str("photo.png")});
    QImageReader reader(QDir(folder).filePath(str("photo.png")));
    EXPECT_EQ(reader.format(), QByteArray("png"));
    EXPECT_EQ(reader.size(), QSize(40, 30));
    const std::shared_ptr<Exporter> exporter = document->exporter();
    ASSERT_TRUE(exporter);
    EXPECT_EQ(exporter->activeExporterName(), str("PNG"));
    EXPECT_EQ(exporter->spatialQuality(), 512);
    EXPECT_FALSE(exporter->createsEXIF());
    EXPECT_FALSE(exporter->createsThumbnail());
    EXPECT_FALSE(exporter->usesColorSync());
}

TEST_F(CatalogEntryBusTest, ReplacingDecidesWithoutAskingAndAskingOffersSkipRenameReplace) {
    const int serial = addPhoto("photo.png", 40, 30);
    const QString folder = QDir::home().filePath(str("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString existing = QDir(folder).filePath(str("photo.png"));
    struct Case {
        const char* name;
        QVariant replacing; // invalid: not given, so the alert asks
        int answer;
        bool replaced;
    } cases[] = {
        {"Replacing no", false, 0, false},
        {"Replacing yes", true, 0, true},
        {"asked, SKIP", QVariant(), ModalAlert::DefaultReturn, false},
        {"asked, REPLACE", QVariant(), ModalAlert::OtherReturn, true},
    };
    for (const Case& c : cases) {
        writeBytes(existing, "old");
        alerts.clear();
        answers = {c.answer};
        QVariantMap arguments{{str("File"), folder}, {str("Format"), str("PNG")}};
        if (c.replacing.isValid())
            arguments.insert(str("Replacing"), c.replacing);
        EXPECT_EQ(exportPhoto(serial, arguments), QString()) << c.name;
        EXPECT_EQ(filesIn(folder), QStringList{str("photo.png")}) << c.name;
        if (c.replaced)
            EXPECT_EQ(QImageReader(existing).size(), QSize(40, 30)) << c.name;
        else
            EXPECT_EQ(readAll(existing), QByteArray("old")) << c.name;
        if (c.replacing.isValid()) {
            EXPECT_TRUE(alerts.isEmpty()) << c.name;
        } else {
            ASSERT_EQ(titles(), QStringList{text("DUP_EXPORT")}) << c.name;
            EXPECT_EQ(alerts[0].message,
                      stringWithFormat(text("DUP_EXPORT_DESC"), str("photo.png")));
            EXPECT_EQ(alerts[0].defaultButton, text("SKIP"));
            EXPECT_EQ(alerts[0].alternateButton, text("RENAME"));
            EXPECT_EQ(alerts[0].otherButton, text("REPLACE"));
        }
    }
}

TEST_F(CatalogEntryBusTest, ARenamedNameThatLeavesTheFolderOrHidesTheFileBeepsAndIsAskedAgain) {
    const int serial = addPhoto("photo.png", 40, 30);
    const QString folder = QDir::home().filePath(str("out/inner"));
    ASSERT_TRUE(QDir().mkpath(QDir(folder).filePath(str("a"))));
    writeBytes(QDir(folder).filePath(str("photo.png")), "old");
    writeBytes(QDir(folder).filePath(str("taken.png")), "taken");
    // RENAME to a taken name, which asks again; RENAME once more.
    answers = {ModalAlert::AlternateReturn, ModalAlert::AlternateReturn};
    renames = {str("taken.png"), str("../x.png"), str("a/b.png"), str(""),
               str("."),         str(".."),       str("new.png")};
    const int beeps = ModalAlert::beepCount();
    EXPECT_EQ(exportPhoto(serial, {{str("File"), folder}, {str("Format"), str("PNG")}}), QString());
    EXPECT_EQ(ModalAlert::beepCount() - beeps, 5);
    EXPECT_EQ(shownNames.first(), str("photo.png")) << "the panel starts from the name";
    EXPECT_EQ(titles(), (QStringList{text("DUP_EXPORT"), text("DUP_EXPORT")}));
    EXPECT_EQ(alerts[1].message, stringWithFormat(text("DUP_EXPORT_DESC"), str("taken.png")));
    EXPECT_EQ(filesIn(folder), (QStringList{str("new.png"), str("photo.png"), str("taken.png")}));
    EXPECT_EQ(QImageReader(QDir(folder).filePath(str("new.png"))).size(), QSize(40, 30));
    EXPECT_EQ(readAll(QDir(folder).filePath(str("photo.png"))), QByteArray("old"));
    EXPECT_EQ(readAll(QDir(folder).filePath(str("taken.png"))), QByteArray("taken"));
    EXPECT_TRUE(filesIn(QDir::home().filePath(str("out"))).isEmpty());
    EXPECT_TRUE(filesIn(QDir(folder).filePath(str("a"))).isEmpty());
}

TEST_F(CatalogEntryBusTest, AFailedReplaceKeepsTheOldFileAlertsAndAnswersAnError) {
    // A photo far larger as BMP than the room left.
    const int serial = addPhoto("big.png", 400, 300);
    EXPECT_TRUE(inEachFullFileSystem(64 * 1024, [&](FullFileSystem& full) {
        const QString old = full.filePath(str("big.bmp"));
        const QByteArray oldBytes("an older file that must survive");
        writeBytes(old, oldBytes);
        alerts.clear();
        const QString error = exportPhoto(serial, {{str("File"), QFileInfo(old).absolutePath()},
                                                   {str("Format"), str("BMP")},
                                                   {str("Replacing"), true}});
        ASSERT_EQ(titles(), QStringList{text("EXPORT_FAIL_TITLE")});
        EXPECT_EQ(alerts[0].defaultButton, text("CANCEL"));
        EXPECT_TRUE(alerts[0].alternateButton.isEmpty());
        EXPECT_EQ(error, alerts[0].message);
        EXPECT_TRUE(error.startsWith(text("EXPORT_FAIL_MSG").section(QLatin1Char('%'), 0, 0)))
            << error.toStdString();
        EXPECT_EQ(readAll(old), oldBytes);
        EXPECT_EQ(filesIn(QFileInfo(old).absolutePath()), QStringList{str("big.bmp")});
    }));
}
