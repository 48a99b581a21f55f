// A user's export of photos from a catalog window, through the application's
// own menus: photos added, three of them clicked in the grid, one cropped,
// Photos > Export… as PNG, and the same export again into the same folder.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "SessionWindows.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QString text(const char* key) {
    return localizedString(str(key));
}

// A click on the cell in the drawer's grid, as the user makes it.
void clickCell(VQFileCatalogView& grid, int index, Qt::KeyboardModifiers modifiers) {
    const Rect cell = grid.getCellRectAtIndex(index);
    const Rect centre{cell.minX() + cell.width() / 2, cell.minY() + cell.height() / 2, 0, 0};
    QTest::mouseClick(&grid, Qt::LeftButton, modifiers,
                      grid.widgetRectFromBounds(centre).topLeft().toPoint());
    QCoreApplication::processEvents();
}

} // namespace

TEST(ExportSession, ThreePhotosClickedInTheGridAreExportedAsPngAndAgainUnderANewName) {
    TestHome account;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    QTemporaryDir folder;
    QTemporaryDir exported;
    const struct {
        const char* name;
        QSize size;
    } files[] = {{"beach.jpg", {64, 48}},
                 {"dunes.jpg", {48, 64}},
                 {"pier.jpg", {80, 60}},
                 {"sunset.jpg", {50, 50}}};
    QStringList photos;
    for (const auto& file : files) {
        photos << folder.filePath(str(file.name));
        QImage picture(file.size, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(picture.save(photos.last(), "JPEG"));
    }

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    RoduvudeDadevizi* document = frontCatalog();
    ASSERT_NE(document, nullptr);
    auto* controller =
        qobject_cast<ZaroziveZodiroVirizidivi*>(document->windowControllers().first());
    ASSERT_NE(controller, nullptr);
    activate(controller->window());
    {
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return photos; });
        ASSERT_TRUE(choose(menu, "addFiles:"));
        QTest::qWait(ZaroziveZodiroVirizidivi::kDeferedOpenMs + 300);
    }
    VQFileCatalog& catalog = document->fileCatalog();
    ASSERT_EQ(catalog.fileCount(), 4);

    // The first three, clicked in the drawer's grid; the third cropped to its
    // lower-left 40 x 30.
    VQFileCatalogView& grid = *controller->fileCatalogScrollView()->fileCatalogView();
    clickCell(grid, 0, Qt::NoModifier);
    clickCell(grid, 1, Qt::ControlModifier);
    clickCell(grid, 2, Qt::ControlModifier);
    ASSERT_EQ(catalog.getSelectedIndices(), (QList<int>{0, 1, 2}));
    catalog.setFileImageCropAtIndexTo(2, Rect(0, 0, 40, 30));
    activate(controller->window());

    // Photos > Export…: the folder through the sheet, PNG in its accessory and
    // crops no longer ignored, as a new exporter does.
    {
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
            EXPECT_TRUE(request.chooseDirectories);
            EXPECT_EQ(request.prompt, text("EXPORT"));
            QComboBox* formats = controller->exporterNamesPopup();
            formats->setCurrentIndex(formats->findText(str("PNG")));
            Q_EMIT formats->activated(formats->currentIndex());
            EXPECT_TRUE(controller->exportIgnoreCropsSwitch()->isChecked());
            controller->exportIgnoreCropsSwitch()->click();
            return QStringList{exported.path()};
        });
        ASSERT_TRUE(choose(menu, "exportSelection:", 208));
        QTest::qWait(50);
    }
    EXPECT_EQ(QDir(exported.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{str("beach.png"), str("dunes.png"), str("pier.png")}));
    const auto sizeOf = [&](const char* name) {
        return QImageReader(QDir(exported.path()).filePath(str(name))).size();
    };
    EXPECT_EQ(sizeOf("beach.png"), QSize(64, 48));
    EXPECT_EQ(sizeOf("dunes.png"), QSize(48, 64));
    EXPECT_EQ(sizeOf("pier.png"), QSize(40, 30));

    // The same again: every name is taken. The first is renamed, the rest skipped.
    QStringList asked;
    ModalAlert::ScopedResponder alerts([&](const ModalAlert::Request& request) {
        asked << request.message;
        EXPECT_EQ(request.title, text("DUP_EXPORT"));
        return int(asked.size() == 1 ? ModalAlert::AlternateReturn : ModalAlert::DefaultReturn);
    });
    ModalAlert::ScopedDialogResponder rename([&](QDialog& dialog) {
        auto* field = dialog.findChild<QLineEdit*>(str("renameField"));
        EXPECT_NE(field, nullptr);
        if (!field)
            return 0;
        EXPECT_EQ(field->text(), str("beach.png"));
        field->setText(str("beach again.png"));
        return 1;
    });
    {
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest&) {
            EXPECT_EQ(controller->exporterNamesPopup()->currentText(), str("PNG"));
            return QStringList{exported.path()};
        });
        ASSERT_TRUE(choose(menu, "exportSelection:", 208));
        QTest::qWait(50);
    }
    EXPECT_EQ(asked, (QStringList{stringWithFormat(text("DUP_EXPORT_DESC"), str("beach.png")),
                                  stringWithFormat(text("DUP_EXPORT_DESC"), str("dunes.png")),
                                  stringWithFormat(text("DUP_EXPORT_DESC"), str("pier.png"))}));
    EXPECT_EQ(
        QDir(exported.path()).entryList(QDir::Files, QDir::Name),
        (QStringList{str("beach again.png"), str("beach.png"), str("dunes.png"), str("pier.png")}));
    EXPECT_EQ(sizeOf("beach again.png"), QSize(64, 48));

    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
}
