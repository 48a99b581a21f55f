// Catalog documents scripted over a private session bus.
#include "shell/ScriptingBus.h"
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "catalog/ImageFixtures.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
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
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

// A call by a second connection, answered while this thread runs events (a
// blocking call would wait on itself).
QDBusMessage send(QDBusConnection& client, const QString& path, const char* interface,
                  const char* method, const QList<QVariant>& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(str(ScriptingBus::kService), path,
                                                          str(interface), str(method));
    message.setArguments(arguments);
    return awaitReply(client.asyncCall(message));
}

void activate(QWidget* window) {
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    QCoreApplication::processEvents();
}

ZaroziveZodiroVirizidivi* controllerOf(Document* document) {
    return qobject_cast<ZaroziveZodiroVirizidivi*>(document->windowControllers().first());
}

struct Listed {
    QString path;
    QString name;
};

QList<Listed> catalogs(QDBusConnection& client) {
    const QDBusMessage reply =
        send(client, str(ScriptingBus::kRootPath), "com.varnsoft.Lumisk", "Catalogs");
    QList<Listed> list;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return list;
    const QDBusArgument argument = reply.arguments().first().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        Listed item;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> path >> item.name;
        argument.endStructure();
        item.path = path.path();
        list.append(item);
    }
    argument.endArray();
    return list;
}

class ScriptingBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.daemon.state() == QProcess::Running);
        DocumentController::sharedDocumentController().registerDocumentType(
            RoduvudeDadevizi::documentType());
        delegate = std::make_unique<AppDelegate>(std::make_unique<FakeEnvironment>());
        ASSERT_TRUE(scripting.start(bus.connect(str("app"))));
        client = bus.connect(str("client"));
        ASSERT_TRUE(client.isConnected());
        ASSERT_TRUE(choose(*delegate->mainMenu(), "newCatalogDocument:"));
        document = qobject_cast<RoduvudeDadevizi*>(
            DocumentController::sharedDocumentController().documents().first());
        ASSERT_TRUE(document);
        activate(controllerOf(document)->window());
        const QList<Listed> listed = catalogs(client);
        ASSERT_FALSE(listed.isEmpty());
        path = listed.first().path;
    }
    void TearDown() override {
        for (Document* open : DocumentController::sharedDocumentController().documents())
            open->close();
        QCoreApplication::processEvents();
    }

    // The error's text, empty for success.
    QString call(const char* method, const QVariantMap& arguments = {}) {
        const QDBusMessage reply = send(client, path, ScriptingBus::kCatalogInterface, method,
                                        {QVariant::fromValue(arguments)});
        QCoreApplication::processEvents();
        return reply.type() == QDBusMessage::ErrorMessage ? reply.errorMessage() : QString();
    }
    QDBusMessage getProperty(const char* name) {
        return send(client, path, "org.freedesktop.DBus.Properties", "Get",
                    {str(ScriptingBus::kCatalogInterface), str(name)});
    }
    QVariant property(const char* name) {
        const QDBusMessage reply = getProperty(name);
        if (reply.arguments().isEmpty())
            return {};
        return reply.arguments().first().value<QDBusVariant>().variant();
    }
    QString setProperty(const char* name, const QVariant& value) {
        const QDBusMessage reply = send(client, path, "org.freedesktop.DBus.Properties", "Set",
                                        {str(ScriptingBus::kCatalogInterface), str(name),
                                         QVariant::fromValue(QDBusVariant(value))});
        QCoreApplication::processEvents();
        return reply.type() == QDBusMessage::ErrorMessage ? reply.errorMessage() : QString();
    }
    QList<int> intList(const QVariant& value) {
        return qdbus_cast<QList<int>>(value.value<QDBusArgument>());
    }

    TestHome home;
    PrivateBus bus;
    std::unique_ptr<AppDelegate> delegate;
    ScriptingBus scripting;
    QDBusConnection client{str("none")};
    RoduvudeDadevizi* document = nullptr;
    QString path;
};

} // namespace

TEST_F(ScriptingBusTest, AddPhotoOverTheBusAndItsRefusals) {
    writeImage(QDir::home().filePath(str("a.jpg")), solidImage(40, 30, Qt::red), "jpg");
    const QString folder = QDir::home().filePath(str("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(call("AddPhoto", {{str("File"), str("~/a.jpg")}}), QString());
    ASSERT_EQ(document->fileCatalog().fileCount(), 1);
    struct Case {
        QVariantMap arguments;
        const char* named;
    } cases[] = {
        {{{str("File"), folder}}, "folder"},
        {{{str("File"), str("~/missing.jpg")}}, "missing.jpg"},
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
