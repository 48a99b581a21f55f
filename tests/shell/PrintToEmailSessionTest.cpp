// A user's print to e-mail, through the application's own menus and toolbar:
// the sheet answered as the user would, the rendered images handed to a mail
// bridge that records what it gets.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "SessionWindows.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/VQMailer.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Toolbar.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/MasterTemplates.h"
#include "support/TestHome.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QStringList waitForRecord(const QString& path) {
    QDeadlineTimer deadline(30000);
    while (!QFileInfo::exists(path) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(50);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList values = QString::fromUtf8(file.readAll()).split(QChar(u'\0'));
    values.removeLast();
    return values;
}

} // namespace

TEST(PrintToEmailSession, FromTheMenuTheImagesReachTheBridgeAndAFailedRouteIsShown) {
    TestHome account;
    EmptyLibraryAtEnd emptyLibrary;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    ASSERT_TRUE(installPrintAreaMaster(str("Mail")));

    // A bridge that records what it gets, chosen as the route.
    const QString bridges = VQMailer().bridgePath();
    ASSERT_TRUE(QDir().mkpath(bridges));
    {
        QFile bridge(QDir(bridges).filePath(str("Recorder.txt")));
        ASSERT_TRUE(bridge.open(QIODevice::WriteOnly));
        bridge.write("printf '%s\\0' @SUBJECT@ @BODY@ @ATTACHMENTS@ > record.part && mv "
                     "record.part record\n");
    }
    UserDefaults::standardUserDefaults().setObjectForKey(str("Recorder"),
                                                         str(VQMailer::kMailerRouteKey));

    QTemporaryDir folder;
    QStringList photos;
    for (const char* name : {"one.jpg", "two.jpg"}) {
        photos << folder.filePath(str(name));
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(picture.save(photos.last(), "JPEG"));
    }
    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    RoduvudeDadevizi* document = frontCatalog();
    ASSERT_NE(document, nullptr);
    auto* controller =
        qobject_cast<ZaroziveZodiroVirizidivi*>(document->windowControllers().first());
    ASSERT_NE(controller, nullptr);
    controller->window()->show();
    QApplication::setActiveWindow(controller->window());
    QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    {
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return photos; });
        ASSERT_TRUE(choose(menu, "addFiles:"));
        QTest::qWait(ZaroziveZodiroVirizidivi::kDeferedOpenMs + 300);
    }
    ASSERT_EQ(document->fileCatalog().fileCount(), 2);

    // File > Print to E-mail…: 640 x 480 and Compose.
    int sheets = 0;
    {
        ModalAlert::ScopedDialogResponder sheet([&](QDialog& dialog) {
            ++sheets;
            EXPECT_EQ(&dialog, controller->pteConfigWindow());
            EXPECT_EQ(controller->pteDimsPopup()->currentData().toInt(), 0);
            EXPECT_EQ(controller->pteFileCount(), 2);
            EXPECT_TRUE(controller->pteComposeButton()->isEnabled());
            controller->pteComposeButton()->click();
            return int(QDialog::Accepted);
        });
        ASSERT_TRUE(choose(menu, "printToEmail:"));
        const QStringList values = waitForRecord(QDir(bridges).filePath(str("record")));
        ASSERT_EQ(values.size(), 4);
        EXPECT_EQ(values[0], str("2 photos"));
        EXPECT_EQ(values[1], str("\n\n"));
        for (QString file : values.mid(2)) {
            if (file.endsWith(u','))
                file.chop(1);
            EXPECT_TRUE(file.startsWith(delegate.tempFolder() + str("/vyx"))) << file.toStdString();
            // 250 x 250 points fit 640 x 480 at 138 dpi.
            EXPECT_EQ(QImageReader(file).size(), QSize(479, 479)) << file.toStdString();
        }
    }
    EXPECT_EQ(sheets, 1);

    // The toolbar's item, added as a user adds it, finds the same command.
    Toolbar* toolbar = Toolbar::toolbarOfWindow(controller->window());
    ASSERT_TRUE(toolbar);
    const QString identifier = toolbar->identifier().section(u'.', -1) + str(".printToEmail");
    toolbar->setItemIdentifiers(toolbar->itemIdentifiers() << identifier);
    toolbar->validateVisibleItems();
    QAction* item = toolbar->itemWithIdentifier(identifier);
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->isEnabled());
    {
        ModalAlert::ScopedDialogResponder sheet([&](QDialog&) {
            ++sheets;
            return int(QDialog::Rejected);
        });
        item->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(sheets, 2);
    }

    // SMTP with no recipients: the alert says why and where the images are.
    UserDefaults::standardUserDefaults().setObjectForKey(str(VQMailer::kSMTPRoute),
                                                         str(VQMailer::kMailerRouteKey));
    std::optional<ModalAlert::Request> shown;
    ModalAlert::ScopedResponder alerts([&](const ModalAlert::Request& request) {
        shown = request;
        return int(ModalAlert::DefaultReturn);
    });
    ModalAlert::ScopedDialogResponder sheet([](QDialog&) { return int(QDialog::Accepted); });
    QTest::qWait(1100); // a folder of its own: another second
    ASSERT_TRUE(choose(menu, "printToEmail:"));
    QDeadlineTimer deadline(30000);
    while (!shown && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->title, localizedString(str("PTE_FAILED")));
    const QRegularExpressionMatch folderNamed =
        QRegularExpression(str("“([^”]+)”")).match(shown->message);
    ASSERT_TRUE(folderNamed.hasMatch()) << shown->message.toStdString();
    EXPECT_EQ(QDir(folderNamed.captured(1)).entryList(QDir::Files).size(), 2);
    // The document goes once the event loop has run.
    document->close();
    QTest::qWait(100);
    EXPECT_TRUE(documents.documents().isEmpty());
}
