// Catalog documents scripted over a private session bus.
#include "shell/ScriptingBus.h"
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "ScriptedApplication.h"
#include "catalog/ImageFixtures.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "photoview/PixelAdjusterController.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/UndoManager.h"
#include "platform/system/ScriptCommand.h"
#include "platform/system/ScriptingDictionary.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/MasterTemplates.h"
#include "support/PrivateBus.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QMainWindow>
#include <QMenuBar>
#include <QPrintDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

struct Listed {
    QString path;
    QString name;
};

class ScriptingBusTest : public ScriptedApplication {
protected:
    void TearDown() override {
        removeWholePageMaster();
        ScriptedApplication::TearDown();
    }

    // The open catalogs as the root object lists them.
    QList<Listed> catalogs() {
        const QDBusMessage reply =
            send(str(ScriptingBus::kRootPath), "com.varnsoft.Lumisk", "Catalogs");
        QList<Listed> list;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return list;
        const QDBusArgument argument = reply.arguments().first().value<QDBusArgument>();
        argument.beginArray();
        while (!argument.atEnd()) {
            Listed item;
            QDBusObjectPath listed;
            argument.beginStructure();
            argument >> listed >> item.name;
            argument.endStructure();
            item.path = listed.path();
            list.append(item);
        }
        argument.endArray();
        return list;
    }
    // The error's text, empty for success.
    QString call(const char* method, const QVariantMap& arguments = {}) {
        return errorOf(send(catalogPath, ScriptingBus::kCatalogInterface, method,
                            {QVariant::fromValue(arguments)}));
    }
    QVariant property(const char* name) {
        const QDBusMessage reply = send(catalogPath, "org.freedesktop.DBus.Properties", "Get",
                                        {str(ScriptingBus::kCatalogInterface), str(name)});
        if (reply.arguments().isEmpty())
            return {};
        return reply.arguments().first().value<QDBusVariant>().variant();
    }
    QString setProperty(const char* name, const QVariant& value) {
        return errorOf(send(catalogPath, "org.freedesktop.DBus.Properties", "Set",
                            {str(ScriptingBus::kCatalogInterface), str(name),
                             QVariant::fromValue(QDBusVariant(value))}));
    }
    static QList<int> intList(const QVariant& value) {
        return qdbus_cast<QList<int>>(value.value<QDBusArgument>());
    }
};

} // namespace

TEST_F(ScriptingBusTest, AddPhotoOverTheBusAndItsRefusals) {
    writeImage(QDir::home().filePath(str("a.jpg")), solidImage(40, 30, Qt::red), "jpg");
    const QString folder = QDir::home().filePath(str("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile notes(QDir::home().filePath(str("notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a photo\n");
    notes.close();
    EXPECT_EQ(call("AddPhoto", {{str("File"), str("~/a.jpg")}}), QString());
    ASSERT_EQ(document->fileCatalog().fileCount(), 1);
    EXPECT_EQ(document->undoManager()->undoActionName(), str("Add Photo"));
    document->undoManager()->undo();
    EXPECT_EQ(document->fileCatalog().fileCount(), 0);
    document->undoManager()->redo();
    ASSERT_EQ(document->fileCatalog().fileCount(), 1);
    struct Case {
        QVariantMap arguments;
        const char* named;
    } cases[] = {
        {{{str("File"), folder}}, "folder"},
        {{{str("File"), str("~/missing.jpg")}}, "missing.jpg"},
        {{{str("File"), str("~/notes.txt")}}, "notes.txt"},
        {{{str("File"), 7}}, "File"},
        {{{str("Picture"), str("~/a.jpg")}}, "Picture"},
    };
    for (const Case& c : cases) {
        const QString error = call("AddPhoto", c.arguments);
        EXPECT_TRUE(error.contains(str(c.named))) << c.named << ": " << error.toStdString();
    }
    EXPECT_EQ(document->fileCatalog().fileCount(), 1);
    EXPECT_EQ(intList(property("Entries")),
              QList<int>{document->fileCatalog().getSerialNumberAtIndex(0).toInt()});
}

TEST_F(ScriptingBusTest, PropertiesReadAndWriteTheDocument) {
    for (int i = 0; i < 3; ++i)
        writeImage(QDir::home().filePath(str("p%1.png").arg(i)), solidImage(20, 20, Qt::blue),
                   "png");
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(call("AddPhoto", {{str("File"), str("~/p%1.png").arg(i)}}), QString());
    EXPECT_EQ(setProperty("PhotoScaling", 1.7), QString());
    EXPECT_EQ(property("PhotoScaling").toDouble(), 1.0);
    EXPECT_EQ(setProperty("LayoutArrangement", 5.0), QString());
    EXPECT_EQ(property("LayoutArrangement").toDouble(), 2.0);
    EXPECT_EQ(setProperty("PhotoSelection", QVariant::fromValue(QList<int>{0, 2})), QString());
    EXPECT_EQ(document->fileCatalog().getSelectedIndices(), (QList<int>{0, 2}));
    EXPECT_EQ(intList(property("PhotoSelection")), (QList<int>{0, 2}));
    EXPECT_FALSE(setProperty("Entries", QVariant::fromValue(QList<int>{1})).isEmpty());
}

TEST_F(ScriptingBusTest, CommandsReachTheirHandlers) {
    writeImage(QDir::home().filePath(str("a.png")), solidImage(20, 20, Qt::red), "png");
    ASSERT_EQ(call("AddPhoto", {{str("File"), str("~/a.png")}}), QString());
    document->fileCatalog().setSelectionAtIndex(0);
    EXPECT_EQ(call("RotateCW"), QString());
    EXPECT_FLOAT_EQ(
        document->fileCatalog().getFileAttributeAtIndex(kCatalogAttrRotation, 0).toFloat(), 90);
    EXPECT_EQ(call("Enhance", {{str("Contrast"), 50}}), QString());
    EXPECT_FLOAT_EQ(
        document->fileCatalog().getFileAttributeAtIndex(kCatalogAttrContrast, 0).toFloat(), 1.5f);
    EXPECT_TRUE(call("Enhance", {{str("Contrast"), str("high")}}).contains(str("Contrast")));
    EXPECT_TRUE(
        call("SelectMasterTemplate", {{str("DocumentID"), str("nope")}}).contains(str("nope")));
    EXPECT_EQ(controllerOf(document)->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    // Print to e-mail is reached: it shows the layout first.
    controllerOf(document)->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
    {
        ModalAlert::ScopedResponder alerts(
            [](const ModalAlert::Request&) { return int(ModalAlert::DefaultReturn); });
        ModalAlert::ScopedDialogResponder dialogs([](QDialog&) { return int(QDialog::Rejected); });
        EXPECT_EQ(call("PrintToEmail", {{str("Quality"), 256}}), QString());
    }
    EXPECT_EQ(controllerOf(document)->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    EXPECT_EQ(call("Remove"), QString());
    EXPECT_EQ(document->fileCatalog().fileCount(), 0);
}

TEST(ScriptingBusWithoutBus, StartingWithoutABusWarnsAndGoesOn) {
    ScriptingBus scripting;
    EXPECT_FALSE(scripting.start(QDBusConnection(str("not connected"))));
}

TEST_F(ScriptingBusTest, TheInterfaceFileNamesEveryCommandACatalogHandles) {
    QStringList methods;
    for (const ScriptingDictionary::Method& method : ScriptingBus::catalogDictionary().methods())
        methods.append(method.name);
    methods.sort();
    EXPECT_EQ(methods, document->scriptCommands().commandNames());
    // A bus client reads the same file.
    const QDBusMessage reply =
        send(catalogPath, "org.freedesktop.DBus.Introspectable", "Introspect");
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const QString xml = reply.arguments().first().toString();
    EXPECT_TRUE(xml.contains(str("<method name=\"SelectMasterTemplate\">")));
    EXPECT_TRUE(xml.contains(str("com.varnsoft.Lumisk.Key.Skip Empty")));
}

TEST_F(ScriptingBusTest, TheCommandsEdgeCasesOverTheBus) {
    writeImage(QDir::home().filePath(str("a.png")), solidImage(20, 20, Qt::red), "png");
    ASSERT_EQ(call("AddPhoto", {{str("File"), str("~/a.png")}}), QString());
    ASSERT_TRUE(installWholePageMaster({100, 80}));
    ASSERT_EQ(call("SelectMasterTemplate", {{str("DocumentID"), str(kWholePageMasterID)}}),
              QString());
    document->fileCatalog().setSelectionAtIndex(0);
    document->fileCatalog().setMarkerAtIndexTo(0, true);
    ZaroziveZodiroVirizidivi* controller = controllerOf(document);
    const auto attribute = [this](int tag) {
        return document->fileCatalog().getFileAttributeAtIndex(tag, 0).toFloat();
    };
    QWidget* palette = PixelAdjusterController::sharedPixelAdjusterController()->window();
    int panels = 0;
    int panelDPI = -1;
    int panelScope = -1;
    ModalAlert::ScopedDialogResponder printPanel([&](QDialog& dialog) {
        EXPECT_TRUE(qobject_cast<QPrintDialog*>(&dialog));
        ++panels;
        panelDPI = controller->printLimitDPI();
        panelScope = controller->printLimitType();
        return int(QDialog::Rejected);
    });
    const auto master = document->masterTemplate();
    struct Case {
        const char* method;
        QVariantMap arguments;
        // Sharpness, contrast, saturation, brightness after the call.
        float sharpness, contrast, saturation, brightness;
    } cases[] = {
        {"Enhance", {{str("Contrast"), 50}}, 2, 1.5f, 0.5f, 0.75f},
        {"Enhance", {{str("Brightness"), -250}}, 2, 0.25f, 0.5f, 0.0f},
        {"Enhance", {{str("Brightness"), 250.0}}, 2, 0.25f, 0.5f, 2.0f},
        {"Enhance", {{str("Sharpness"), 12}}, 8, 0.25f, 0.5f, 0.75f},
        {"Enhance", {{str("Sharpness"), -3}}, 0, 0.25f, 0.5f, 0.75f},
        // No keys: the palette opens and the photo keeps the first row's values.
        {"Enhance", {}, 0, 0.25f, 0.5f, 0.75f},
        {"Print", {}, 0, 0.25f, 0.5f, 0.75f},
        {"SelectMasterTemplate", {{str("DocumentID"), str("no-such-id")}}, 0, 0.25f, 0.5f, 0.75f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " +
                     (c.arguments.isEmpty() ? "" : c.arguments.firstKey().toStdString()));
        controller->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
        palette->hide();
        controller->setSharpness(2);
        controller->setContrast(0.25f);
        controller->setSaturation(0.5f);
        controller->setBrightness(0.75f);
        const QString error = call(c.method, c.arguments);
        QCoreApplication::processEvents();
        if (str(c.method) == str("SelectMasterTemplate")) {
            EXPECT_TRUE(error.contains(str("no-such-id"))) << error.toStdString();
            EXPECT_EQ(document->masterTemplate(), master);
        } else {
            EXPECT_EQ(error, QString());
        }
        EXPECT_EQ(palette->isVisible(), str(c.method) == str("Enhance") && c.arguments.isEmpty());
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrSharpness), c.sharpness);
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrContrast), c.contrast);
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrSaturation), c.saturation);
        EXPECT_FLOAT_EQ(attribute(kCatalogAttrBrightness), c.brightness);
        if (str(c.method) != str("Enhance")) {
            EXPECT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
        }
    }
    palette->hide();
    EXPECT_EQ(panels, 1);
    EXPECT_EQ(panelDPI, 0);
    EXPECT_EQ(panelScope, 0);
}

TEST_F(ScriptingBusTest, PrintToDiskWithoutPathOrNameWritesVyxPhotoFilesToTheDesktop) {
    writeImage(QDir::home().filePath(str("a.png")), solidImage(40, 30, Qt::red), "png");
    ASSERT_EQ(call("AddPhoto", {{str("File"), str("~/a.png")}}), QString());
    document->fileCatalog().setMarkerAtIndexTo(0, true);
    // Without a master template nothing can be written, and the script hears so.
    EXPECT_FALSE(call("PrintToDisk", {{str("Path"), QDir::homePath()}}).isEmpty());
    ASSERT_TRUE(installWholePageMaster({40, 30}));
    ASSERT_EQ(call("SelectMasterTemplate", {{str("DocumentID"), str(kWholePageMasterID)}}),
              QString());
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    ASSERT_TRUE(desktop.startsWith(QDir::homePath()));
    ASSERT_TRUE(QDir().mkpath(desktop));
    EXPECT_EQ(call("PrintToDisk"), QString());
    const QStringList written = QDir(desktop).entryList(QDir::Files);
    ASSERT_FALSE(written.isEmpty());
    for (const QString& name : written) {
        EXPECT_TRUE(name.startsWith(str("Vyx_Photo"))) << name.toStdString();
        EXPECT_FALSE(QImage(QDir(desktop).filePath(name)).isNull()) << name.toStdString();
    }
}

TEST_F(ScriptingBusTest, CatalogsFollowTheFrontWindow) {
    ASSERT_TRUE(choose(*delegate->mainMenu(), "newCatalogDocument:"));
    auto* second = qobject_cast<RoduvudeDadevizi*>(
        DocumentController::sharedDocumentController().documents().first());
    ASSERT_TRUE(second && second != document);
    activate(controllerOf(second)->window());
    QList<Listed> listed = catalogs();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_NE(listed[0].path, catalogPath);
    EXPECT_EQ(listed[0].name, second->displayName());
    EXPECT_EQ(listed[1].path, catalogPath);

    activate(controllerOf(document)->window());
    listed = catalogs();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0].path, catalogPath);
    EXPECT_EQ(listed[0].name, document->displayName());

    // A closed catalog leaves the list; its path is not handed out again.
    const QString secondPath = listed[1].path;
    second->close();
    QCoreApplication::processEvents();
    listed = catalogs();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].path, catalogPath);
    EXPECT_EQ(send(secondPath, ScriptingBus::kCatalogInterface, "RotateCW",
                   {QVariant::fromValue(QVariantMap())})
                  .type(),
              QDBusMessage::ErrorMessage);
}

namespace {

// Where a colour covers most of an image: the bounding box of its pixels.
QRect regionOf(const QImage& image, const std::function<bool(QColor)>& matches) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (matches(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool isRed(QColor c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

bool isBlue(QColor c) {
    return c.blue() > 200 && c.red() < 60 && c.green() < 60;
}

// A photo whose red band lies to the right of its blue body.
bool bandOnTheRight(const QImage& image) {
    const QRect red = regionOf(image, isRed);
    const QRect blue = regionOf(image, isBlue);
    return !red.isEmpty() && !blue.isEmpty() && red.left() >= blue.right() - 1 &&
           red.height() >= blue.height() - 2;
}

} // namespace

TEST_F(ScriptingBusTest, AScriptFromTheScriptsMenuDrivesTheCatalogOverTheBus) {
    // A landscape photo with a red band along its top; turned clockwise the
    // band is on the right.
    QImage photo(80, 60, QImage::Format_RGB32);
    photo.fill(Qt::blue);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 80; ++x)
            photo.setPixelColor(x, y, Qt::red);
    ASSERT_TRUE(photo.save(QDir::home().filePath(str("band.jpg")), "JPEG", 95));
    ASSERT_TRUE(installWholePageMaster({60, 80}));
    QTemporaryDir out;
    const QString scripts = QDir::homePath() + str("/.local/share/Lumisk/Scripts");
    ASSERT_TRUE(QDir().mkpath(scripts));
    QFile script(scripts + str("/Turn and Print.sh"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QByteArray(R"(#!/bin/sh
set -e
dest=com.varnsoft.Lumisk
catalog=$(gdbus call --session --dest $dest --object-path /com/varnsoft/Lumisk \
    --method com.varnsoft.Lumisk.Catalogs | grep -o "objectpath '[^']*'" | head -n 1 | cut -d "'" -f 2)
run() {
    method=$1
    shift
    gdbus call --session --dest $dest --object-path "$catalog" --method "$method" "$@"
}
run com.varnsoft.Lumisk.Catalog.SelectMasterTemplate "{'DocumentID': <'WholePage'>}"
run com.varnsoft.Lumisk.Catalog.AddPhoto "{'File': <'~/band.jpg'>}"
run org.freedesktop.DBus.Properties.Set com.varnsoft.Lumisk.Catalog PhotoSelection "<[0]>"
run com.varnsoft.Lumisk.Catalog.RotateCW "{}"
run com.varnsoft.Lumisk.Catalog.PrintToDisk "{'Path': <'OUT'>, 'BaseName': <'turned'>}"
)")
                     .replace("OUT", out.path().toUtf8()));
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);

    // The script's gdbus reaches the test's bus, not the user's.
    const QByteArray savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
    auto* window = qobject_cast<QMainWindow*>(controllerOf(document)->window());
    ASSERT_TRUE(window);
    delegate->applicationDidBecomeActive();
    QAction* scriptsItem = nullptr;
    for (QAction* each : window->menuBar()->actions())
        if (each->text() == str("Scripts"))
            scriptsItem = each;
    ASSERT_TRUE(scriptsItem && scriptsItem->menu());
    QAction* item = nullptr;
    for (QAction* each : scriptsItem->menu()->actions())
        if (each->text().startsWith(str("Turn and Print")))
            item = each;
    ASSERT_TRUE(item);
    int alerts = 0;
    ModalAlert::ScopedResponder failures([&](const ModalAlert::Request& request) {
        ADD_FAILURE() << request.title.toStdString() << ": " << request.message.toStdString();
        ++alerts;
        return int(ModalAlert::DefaultReturn);
    });
    item->trigger();
    QDeadlineTimer deadline(30000);
    while (QDir(out.path()).isEmpty() && alerts == 0 && !deadline.hasExpired())
        QTest::qWait(50);
    qputenv("DBUS_SESSION_BUS_ADDRESS", savedAddress);

    const QStringList written = QDir(out.path()).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    EXPECT_TRUE(written.first().startsWith(str("turned")));
    EXPECT_TRUE(bandOnTheRight(QImage(QDir(out.path()).filePath(written.first()))));
    ASSERT_EQ(document->fileCatalog().fileCount(), 1);
    EXPECT_FLOAT_EQ(
        document->fileCatalog().getFileAttributeAtIndex(kCatalogAttrRotation, 0).toFloat(), 90);
    // The grid shows the photo turned once its thumbnail has come.
    controllerOf(document)->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
    QWidget* grid = controllerOf(document)->fileCatalogScrollView();
    ASSERT_TRUE(grid);
    deadline.setRemainingTime(10000);
    while (!bandOnTheRight(grid->grab().toImage()) && !deadline.hasExpired())
        QTest::qWait(50);
    EXPECT_TRUE(bandOnTheRight(grid->grab().toImage()));
}

TEST_F(ScriptingBusTest, ASecondInstanceFindsTheNameTakenAndGoesOnWithout) {
    ScriptingBus second;
    EXPECT_FALSE(second.start(bus.connect(str("second"))));
    // The first one still answers.
    EXPECT_EQ(catalogs().size(), 1);
}
