// The template manager window's exchange tab against a test exchange on
// 127.0.0.1, worked as a user would.
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateDocument.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateManagerWindowController.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/ModalAlert.h"
#include "support/ExchangeServer.h"
#include "support/LocalHttpServer.h"
#include "support/TestHost.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QString text(const char* key) {
    return localizedString(str(key));
}

void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

NewTemplateManager* library() {
    return NewTemplateManager::sharedTemplateManager();
}

QByteArray templateBytes(const QString& id, const QString& name, int32_t version) {
    TemplateDocument page;
    page.setDocumentID(id);
    page.setDocName(name);
    page.setDocCategory(str("Kids"));
    page.setDocChangeVersion(version);
    PrintInfo info;
    info.setPaperName(str("Custom"));
    info.setPaperSize({200, 100});
    page.setPrintInfo(info);
    page.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {50, 50}));
    QTemporaryDir dir;
    const QString path = dir.filePath(str("t.vyxTemplate"));
    QString error;
    EXPECT_TRUE(page.writeToFileOfType(path, str(kTemplateDocumentType), &error));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void installTemplate(const QString& id, const QString& name, int32_t version) {
    ASSERT_TRUE(QDir().mkpath(library()->templatesFolderPath()));
    QFile file(QDir(library()->templatesFolderPath()).filePath(name + str(".vyxTemplate")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(templateBytes(id, name, version));
    file.close();
    library()->scanForChanges();
}

QByteArray gzipped(const QByteArray& data, const QByteArray& storedName) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray name = storedName;
    gz_header header{};
    header.name = reinterpret_cast<Bytef*>(name.data());
    deflateSetHeader(&stream, &header);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 64 + name.size(),
                   Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QJsonObject record(const char* id, int version, const char* name, const QString& location = {}) {
    QJsonObject r{{str("template_document_id"), str(id)},
                  {str("template_version"), version},
                  {str("template_name"), str(name)},
                  {str("template_category"), str("Kids")}};
    if (!location.isEmpty())
        r.insert(str("template_location"), location);
    return r;
}

QJsonArray minimal(const QJsonArray& full) {
    QJsonArray out;
    for (const QJsonValue& value : full) {
        const QJsonObject r = value.toObject();
        out.append(QJsonObject{{str("template_document_id"), r[str("template_document_id")]},
                               {str("template_version"), r[str("template_version")]}});
    }
    return out;
}

// Everything under the folder, relative to it.
QStringList listing(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(folder).relativeFilePath(it.next()));
    return found;
}

class TemplateExchangeWindow : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        for (const char* key :
             {kTemplateManagerActivePanelKey, kTemplateManagerFilterKey,
              kTemplateManagerMasterExchangeListKey, kTemplateManagerIgnoredExchangeListKey,
              kTemplateManagerLastExchangeCheckDateKey, kTemplateManagerExchangeURLKey})
            defaults.removeObjectForKey(str(key));
        emptyLibrary();
    }
    void TearDown() override {
        controller.reset();
        emptyLibrary();
        drainEvents();
    }

    static void emptyLibrary() {
        QDir(library()->templatesFolderPath()).removeRecursively();
        library()->scanForChanges();
    }

    TemplateManagerWindowController& open(const QUrl& endpoint) {
        UserDefaults::standardUserDefaults().setObjectForKey(endpoint.toString(),
                                                             str(kTemplateManagerExchangeURLKey));
        controller = std::make_unique<TemplateManagerWindowController>();
        controller->internetConnected = [](const QUrl& url) {
            return url.host() == str("127.0.0.1");
        };
        controller->exchangeTimeoutMs = 10000;
        controller->activate();
        EXPECT_TRUE(QTest::qWaitFor([this] { return controller->window()->isVisible(); }, 10000));
        QTabWidget& tabs = *controller->tabPanelView();
        tabs.setCurrentIndex(tabs.count() - 1);
        drainEvents();
        return *controller;
    }

    void check() {
        QTest::mouseClick(controller->exchangeCheckButton(), Qt::LeftButton);
        EXPECT_TRUE(controller->isUpdatingList());
        EXPECT_TRUE(QTest::qWaitFor([this] { return !controller->isUpdatingList(); }, 20000));
        drainEvents();
    }

    QStringList rows() {
        QStringList out;
        VQToolTipTableView* table = controller->exchangeTable();
        for (int row = 0; row < table->model()->rowCount(); ++row)
            out.append(table->model()->index(row, 0).data().toString() + u' ' +
                       table->model()->index(row, 1).data().toString());
        return out;
    }

    void chooseFilter(const QString& title) {
        QComboBox& menu = *controller->exchangeFilterMenu();
        const int index = menu.findText(title);
        ASSERT_GT(index, 0) << title.toStdString();
        menu.setCurrentIndex(index);
        Q_EMIT menu.activated(index);
        drainEvents();
    }

    void selectAll() {
        controller->exchangeTable()->selectAll();
        drainEvents();
    }

    QAction* item(int tag) {
        for (QAction* action : controller->exchangeActionMenu()->actions())
            if (action->data().toInt() == tag)
                return action;
        return nullptr;
    }

    // Runs Install from the action menu, answering the replace question.
    void install() {
        QAction* installItem = item(kExchangeInstallTag);
        ASSERT_TRUE(installItem);
        ASSERT_TRUE(controller->validateMenuItem(*installItem));
        installItem->trigger();
    }

    bool batchDone() {
        return !controller->filesAreDownloading() && !controller->progressPanel()->isVisible();
    }

    TestHost host;
    std::unique_ptr<TemplateManagerWindowController> controller;
};

} // namespace

TEST_F(TemplateExchangeWindow, CheckShowsNewAndUpdatedRowsAndInstallReplacesTheConfirmedUpdate) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    installTemplate(str("upd"), str("Updated"), 0x01000000);
    installTemplate(str("same"), str("Same"), 0x02000000);
    for (const auto& [file, id, name, version] :
         {std::tuple{"new.gz", "new", "Fresh", 0x01000000},
          std::tuple{"upd.gz", "upd", "Updated", 0x01100000}}) {
        QFile out(QDir(server.filesFolder()).filePath(str(file)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(
            gzipped(templateBytes(str(id), str(name), version), QByteArray(name) + ".vyxTemplate"));
    }
    const QJsonArray full = {record("new", 0x01000000, "Fresh", server.fileURL(str("new.gz"))),
                             record("upd", 0x01100000, "Updated", server.fileURL(str("upd.gz"))),
                             record("same", 0x02000000, "Same")};
    server.setState({{str("minimal"), minimal(full)}, {str("full"), full}});

    open(server.endpoint());
    EXPECT_EQ(controller->exchangeMessageField()->text(), text("NEVER"));
    EXPECT_EQ(controller->exchangeDescriptionField()->text(),
              text("EXCHANGE_UNAVAILABLE_DESCRIPTION"));
    check();
    EXPECT_EQ(server.calls().at(0).toArray().at(0).toString(), str("Template_List"));
    EXPECT_NE(controller->exchangeMessageField()->text(), text("NEVER"));
    EXPECT_EQ(rows(), (QStringList{str("N Fresh"), str("U Updated")}));
    // Our five items, then the categories.
    QComboBox& menu = *controller->exchangeFilterMenu();
    ASSERT_EQ(menu.count(), 6);
    EXPECT_EQ(menu.itemText(1), text("NEW_AND_UPDATED"));
    EXPECT_EQ(menu.itemText(5), str("Kids"));

    selectAll();
    int asked = 0;
    ModalAlert::ScopedResponder answer([&asked](const ModalAlert::Request& request) {
        if (request.title == text("REPLACE_TEMP"))
            ++asked;
        return int(ModalAlert::DefaultReturn);
    });
    install();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return batchDone() && library()->templateWithID(str("new")); }, 20000));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(controller->failedTemplateDownloads().isEmpty());
    EXPECT_EQ(library()->templateWithID(str("new"))->version(), 0x01000000);
    EXPECT_EQ(library()->templateWithID(str("upd"))->version(), 0x01100000);
    EXPECT_EQ(rows(), QStringList());
    QProgressBar& bar = *controller->progressBar();
    EXPECT_EQ(bar.value(), bar.maximum());
}

TEST_F(TemplateExchangeWindow, FailedDownloadsAreReportedAndNothingLandsOutsideItsFolders) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    const auto put = [&server](const char* name, const QByteArray& bytes) {
        QFile out(QDir(server.filesFolder()).filePath(str(name)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    };
    put("plain.gz", "<html>not packed</html>");
    put("escape.gz", gzipped("junk", "../../x.vyxTemplate"));
    // Two locations ending in one name: both arrive.
    QDir(server.filesFolder()).mkdir(str("a"));
    put("a/same.gz", gzipped(templateBytes(str("s1"), str("One"), 1), "One.vyxTemplate"));
    put("same.gz", gzipped(templateBytes(str("s2"), str("Two"), 1), "Two.vyxTemplate"));
    const QJsonArray full = {record("gone", 1, "Gone", server.fileURL(str("missing.gz"))),
                             record("plain", 1, "Plain", server.fileURL(str("plain.gz"))),
                             record("esc", 1, "Escape", server.fileURL(str("escape.gz"))),
                             record("s1", 1, "One", server.fileURL(str("a/same.gz"))),
                             record("s2", 1, "Two", server.fileURL(str("same.gz"))),
                             record("noloc", 1, "Nowhere")};
    server.setState({{str("minimal"), minimal(full)}, {str("full"), full}});
    open(server.endpoint());
    check();
    ASSERT_EQ(rows().size(), 6);
    selectAll();
    ModalAlert::ScopedResponder answer(
        [](const ModalAlert::Request&) { return int(ModalAlert::DefaultReturn); });
    install();
    ASSERT_TRUE(QTest::qWaitFor([this] { return batchDone(); }, 20000));
    drainEvents();
    EXPECT_TRUE(library()->templateWithID(str("s1")));
    EXPECT_TRUE(library()->templateWithID(str("s2")));
    QStringList failed;
    for (const ExchangeDownload& download : controller->failedTemplateDownloads()) {
        failed.append(download.displayName);
        EXPECT_FALSE(download.reason.isEmpty()) << download.displayName.toStdString();
    }
    failed.sort();
    EXPECT_EQ(failed, (QStringList{str("Escape"), str("Gone"), str("Plain")}));
    EXPECT_TRUE(controller->downloadErrorPanel()->isVisible());
    EXPECT_EQ(controller->failedFilesTable()->model()->rowCount(), 3);
    // Download and unpack folders are gone; only the templates remain.
    EXPECT_TRUE(controller->tempDownloadFolderPath().isEmpty());
    const QString serverFolder =
        QDir::home().relativeFilePath(QFileInfo(server.filesFolder()).path());
    for (const QString& entry : listing(QDir::homePath()))
        EXPECT_TRUE(entry.startsWith(serverFolder) ||
                    !(entry.endsWith(str("x.vyxTemplate")) || entry.endsWith(str(".gz"))))
            << entry.toStdString();
    EXPECT_TRUE(listing(host.tempFolder()).isEmpty());
}

TEST_F(TemplateExchangeWindow, CancelMidDownloadInstallsNothingAndRemovesTheFolders) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    LocalHttpServer files;
    ASSERT_TRUE(files.isListening());
    LocalHttpServer::Reply silent;
    silent.hang = true;
    files.setReply("/slow.gz", silent);
    const QJsonArray full = {record("slow", 1, "Slow", QString::fromLatin1(files.url("/slow.gz")))};
    server.setState({{str("minimal"), minimal(full)}, {str("full"), full}});
    open(server.endpoint());
    check();
    selectAll();
    install();
    ASSERT_TRUE(QTest::qWaitFor([this] { return controller->filesAreDownloading(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&files] { return files.requestCount("/slow.gz") > 0; }, 5000));
    const QString folder = controller->tempDownloadFolderPath();
    ASSERT_TRUE(QDir(folder).exists());
    QTest::mouseClick(controller->progressCancelButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return batchDone(); }, 10000));
    EXPECT_FALSE(library()->templateWithID(str("slow")));
    EXPECT_FALSE(QDir(folder).exists());
    EXPECT_TRUE(listing(host.tempFolder()).isEmpty());
    QProgressBar& bar = *controller->progressBar();
    EXPECT_EQ(bar.value(), bar.maximum());
}

TEST_F(TemplateExchangeWindow, ASilentExchangeLeavesTheWindowResponsiveUntilItsTimeOut) {
    LocalHttpServer silent;
    ASSERT_TRUE(silent.isListening());
    LocalHttpServer::Reply hang;
    hang.hang = true;
    silent.setReply("/RPC2", hang);
    open(QUrl(QString::fromLatin1(silent.url("/RPC2"))));
    controller->exchangeTimeoutMs = 1500;
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(20);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(controller->exchangeCheckButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !controller->isUpdatingList(); }, 10000));
    EXPECT_GE(clock.elapsed(), 1400);
    // The main thread kept turning its loop while the call waited.
    EXPECT_GT(ticks, 30);
    EXPECT_FALSE(controller->hasMasterExchangeList());
}

TEST_F(TemplateExchangeWindow, CancelOfAListUpdateKeepsListAndFilterMenu) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    const QJsonArray full = {record("a", 1, "A")};
    server.setState({{str("minimal"), minimal(full)}, {str("full"), full}});
    open(server.endpoint());
    check();
    ASSERT_EQ(rows(), QStringList{str("N A")});
    server.setState(
        {{str("minimal"), QJsonArray{}}, {str("fault"), QJsonArray{str("Template_List")}}});
    QTest::mouseClick(controller->exchangeCheckButton(), Qt::LeftButton);
    QTest::mouseClick(controller->progressCancelButton(), Qt::LeftButton);
    EXPECT_EQ(controller->progressMessage()->text(), text("CANCELING"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !controller->isUpdatingList(); }, 10000));
    EXPECT_EQ(rows(), QStringList{str("N A")});
    EXPECT_EQ(controller->exchangeFilterMenu()->count(), 6);
    // Not cancelled, the failed list clears it.
    check();
    EXPECT_EQ(rows(), QStringList());
    EXPECT_FALSE(controller->hasMasterExchangeList());
    EXPECT_EQ(controller->exchangeFilterMenu()->count(), 5);
}

TEST_F(TemplateExchangeWindow, IgnoredUpdateShowsOnlyUnderIgnoredAndAll) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    installTemplate(str("upd"), str("Updated"), 1);
    installTemplate(str("same"), str("Same"), 1);
    const QJsonArray full = {record("upd", 2, "Updated"), record("new", 1, "Fresh"),
                             record("same", 1, "Same")};
    server.setState({{str("minimal"), minimal(full)}, {str("full"), full}});
    open(server.endpoint());
    check();
    ASSERT_EQ(rows(), (QStringList{str("N Fresh"), str("U Updated")}));

    // An update without a location still asks before replacing; Cancel downloads nothing.
    controller->exchangeTable()->selectRowIndex(1);
    QStringList asked;
    {
        ModalAlert::ScopedResponder answer([&asked](const ModalAlert::Request& request) {
            asked.append(request.title);
            return int(ModalAlert::AlternateReturn);
        });
        install();
        drainEvents();
        QTest::qWait(50);
        drainEvents();
    }
    EXPECT_EQ(asked, QStringList{text("REPLACE_TEMP")});
    EXPECT_FALSE(controller->progressPanel()->isVisible());

    controller->exchangeTable()->selectRowIndex(1);
    for (QAction* action : controller->exchangeActionMenu()->actions())
        if (action->text() == text("TM_EXCHANGE_IGNORE_ITEM"))
            action->trigger();
    const struct {
        const char* filter;
        QStringList rows;
    } cases[] = {
        {"NEW_AND_UPDATED", {str("N Fresh")}},
        {"IGNORED", {str("I Updated")}},
        {"ALL", {str("N Fresh"), str("I Updated")}},
    };
    for (const auto& c : cases) {
        chooseFilter(text(c.filter));
        EXPECT_EQ(rows(), c.rows) << c.filter;
    }
    chooseFilter(str("Kids"));
    EXPECT_EQ(rows(), QStringList{str("N Fresh")});
    // Kept across windows, with the chosen filter.
    controller->window()->close();
    drainEvents();
    controller.reset();
    open(server.endpoint());
    EXPECT_EQ(controller->exchangeFilterMenu()->currentText(), str("Kids"));
    chooseFilter(text("IGNORED"));
    EXPECT_EQ(rows(), QStringList{str("I Updated")});
    controller->exchangeTable()->selectRowIndex(0);
    QAction* acknowledge = item(kExchangeAcknowledgeTag);
    ASSERT_TRUE(controller->validateMenuItem(*acknowledge));
    acknowledge->trigger();
    EXPECT_EQ(rows(), QStringList());
    chooseFilter(text("NEW_AND_UPDATED"));
    EXPECT_EQ(rows(), (QStringList{str("N Fresh"), str("U Updated")}));
}

TEST_F(TemplateExchangeWindow, ThumbnailsLoadOffTheMainThreadAndLateOnesAreDropped) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    LocalHttpServer silent;
    ASSERT_TRUE(silent.isListening());
    LocalHttpServer::Reply hang;
    hang.hang = true;
    silent.setReply("/slow.png", hang);
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QDir(server.filesFolder()).filePath(str("red.png"))));
    QJsonObject slow = record("a", 1, "A");
    slow.insert(str("template_thumbnail"), QString::fromLatin1(silent.url("/slow.png")));
    QJsonObject shown = record("b", 1, "B");
    shown.insert(str("template_thumbnail"), server.fileURL(str("red.png")));
    QJsonObject broken = record("c", 1, "C");
    broken.insert(str("template_thumbnail"), server.fileURL(str("missing.png")));
    const QJsonArray full = {slow, shown, broken};
    server.setState({{str("minimal"), minimal(full)}, {str("full"), full}});
    open(server.endpoint());
    check();
    controller->exchangeTimeoutMs = 800;
    QLabel& thumbnail = *controller->exchangeThumbnailView();
    const auto pixel = [&thumbnail] {
        const QPixmap pixmap = thumbnail.pixmap();
        return pixmap.isNull()
                   ? QColor()
                   : pixmap.toImage().pixelColor(pixmap.width() / 2, pixmap.height() / 2);
    };
    // A failed load shows the broken globe.
    controller->exchangeTable()->selectRowIndex(2);
    ASSERT_TRUE(QTest::qWaitFor([&thumbnail] { return !thumbnail.pixmap().isNull(); }, 5000));
    EXPECT_NE(pixel(), QColor(Qt::red));
    // The silent one is left behind: its late answer does not replace the red one.
    controller->exchangeTable()->selectRowIndex(0);
    controller->exchangeTable()->selectRowIndex(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pixel() == QColor(Qt::red); }, 5000));
    QTest::qWait(1200);
    EXPECT_EQ(pixel(), QColor(Qt::red));
}

TEST_F(TemplateExchangeWindow, PeriodicCheckStoresItsDateOrOffersTheExchange) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    const QJsonArray full = {record("a", 1, "A")};
    const struct {
        bool changed;
        int answer;
        const char* storedKey;
        bool listUpdated;
    } cases[] = {
        {false, ModalAlert::DefaultReturn, kTemplateManagerLastExchangeCheckDateKey, false},
        {true, ModalAlert::AlternateReturn, kTemplateManagerLastExchangeIgnoreDateKey, false},
        {true, ModalAlert::DefaultReturn, kTemplateManagerLastExchangeCheckDateKey, true},
    };
    for (const auto& c : cases) {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        for (const char* key :
             {kTemplateManagerLastExchangeCheckDateKey, kTemplateManagerLastExchangeIgnoreDateKey,
              kTemplateManagerMasterExchangeListKey, kTemplateManagerActivePanelKey})
            defaults.removeObjectForKey(str(key));
        server.setState(
            {{str("changed"), c.changed}, {str("minimal"), minimal(full)}, {str("full"), full}});
        controller.reset();
        defaults.setObjectForKey(server.endpoint().toString(), str(kTemplateManagerExchangeURLKey));
        controller = std::make_unique<TemplateManagerWindowController>();
        controller->internetConnected = [](const QUrl& url) {
            return url.host() == str("127.0.0.1");
        };
        QStringList asked;
        ModalAlert::ScopedResponder answer([&](const ModalAlert::Request& request) {
            asked.append(request.title);
            return c.answer;
        });
        controller->checkForExchangeUpdates();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return defaults.objectForKey(str(c.storedKey)).isValid(); }, 10000))
            << c.storedKey;
        EXPECT_EQ(asked,
                  c.changed ? QStringList{text("EXCHANGE_NEEDS_UPDATE_TITLE")} : QStringList());
        if (c.listUpdated) {
            ASSERT_TRUE(
                QTest::qWaitFor([this] { return controller->hasMasterExchangeList(); }, 10000));
            EXPECT_EQ(controller->tabPanelView()->currentWidget()->objectName(), str("2"));
        } else {
            EXPECT_FALSE(controller->hasMasterExchangeList());
        }
    }
}

TEST_F(TemplateExchangeWindow, PreviewShowsTheNameOrNotAvailableWhenItsPictureFails) {
    ExchangeServer server;
    ASSERT_TRUE(server.isRunning());
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QDir(server.filesFolder()).filePath(str("red.png"))));
    QJsonObject good = record("a", 1, "Alpha");
    good.insert(str("template_preview"), server.fileURL(str("red.png")));
    QJsonObject bad = record("b", 1, "Beta");
    bad.insert(str("template_preview"), server.fileURL(str("missing.png")));
    const QJsonArray full = {good, bad};
    server.setState({{str("minimal"), minimal(full)}, {str("full"), full}});
    open(server.endpoint());
    check();
    const struct {
        int row;
        QString title;
    } cases[] = {
        {0, stringWithFormat(text("EXCHANGE_PREVIEW_TITLE"), str("Alpha"))},
        {1, stringWithFormat(text("EXCHANGE_PREVIEW_TITLE"), text("NA"))},
    };
    for (const auto& c : cases) {
        controller->exchangeTable()->selectRowIndex(c.row);
        QAction* preview = item(kExchangePreviewTag);
        ASSERT_TRUE(controller->validateMenuItem(*preview));
        preview->trigger();
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return !controller->previewImageView()->pixmap().isNull(); }, 5000));
        EXPECT_EQ(controller->previewWindow()->windowTitle(), c.title);
        controller->previewWindow()->hide();
    }
}
