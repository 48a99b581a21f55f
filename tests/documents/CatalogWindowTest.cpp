#include "catalog/GridFixture.h"
#include "documents/CatalogPanel.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/GenericDocument.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/ui/Commands.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/Pasteboard.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <sys/xattr.h>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

class CatalogWindowTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        window()->activateWindow();
        QApplication::setActiveWindow(window());
        MainWindowTracker::sharedTracker().update();
        drainEvents();
    }
    DurevedeDudiruVorudu* catalogWindow() const {
        return qobject_cast<DurevedeDudiruVorudu*>(window());
    }
    QStringList names() {
        QStringList list;
        for (int i = 0; i < catalog().fileCount(); ++i)
            list.append(name(i));
        return list;
    }
    // Every request an alert or sheet makes, answered with `answer`.
    struct Alerts {
        explicit Alerts(int answer = ModalAlert::DefaultReturn)
            : responder([this, answer](const ModalAlert::Request& request) {
                  requests.append(request);
                  return answer;
              }) {}
        QList<ModalAlert::Request> requests;
        ModalAlert::ScopedResponder responder;
    };
    void pasteData(QMimeData& data) {
        catalogWindow()->pasteFromPasteboard(Pasteboard(&data));
        drainEvents();
    }
};

} // namespace

TEST_F(CatalogWindowTest, ReceivedPathsLandAtTheirPositionsAsOneUndoStep) {
    addPhotos(4);
    const QStringList dropped{photo(qs("x.png")), photo(qs("y.png")), photo(qs("z.png"))};
    struct Case {
        int position;
        QStringList expected;
    } cases[] = {
        {2, {"p0.png", "p1.png", "x.png", "y.png", "z.png", "p2.png", "p3.png"}},
        {-1, {"p0.png", "p1.png", "p2.png", "p3.png", "x.png", "y.png", "z.png"}},
    };
    for (const Case& c : cases) {
        NotificationQueue::defaultQueue().enqueueNotification(
            Notification(qs(kVQReceiveFilesNofity), static_cast<const QObject*>(controller),
                         {{qs(kReceiveFilesKey), dropped}, {qs(kEntryPosKey), c.position}}),
            NotificationQueue::PostASAP);
        drainEvents();
        EXPECT_EQ(names(), c.expected) << c.position;
        ASSERT_TRUE(undo().undo());
        drainEvents();
        EXPECT_EQ(catalog().fileCount(), 4) << "one undo takes the whole drop away";
    }
}

TEST_F(CatalogWindowTest, AFolderGivesItsImagesInNameOrderAndNothingElse) {
    QDir(dir.path()).mkpath(qs("walk/b-sub"));
    const QString folder = dir.filePath(qs("walk"));
    photo(qs("walk/c.png"));
    photo(qs("walk/a.jpg"), 40, 30, "jpeg");
    photo(qs("walk/b-sub/b.png"));
    QFile notes(dir.filePath(qs("walk/notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a photo");
    notes.close();

    controller->receivePath(folder);
    drainEvents();
    EXPECT_EQ(names(), (QStringList{"a.jpg", "b.png", "c.png"}));
    controller->receivePath(dir.filePath(qs("walk/notes.txt")));
    controller->receivePath(dir.filePath(qs("walk/missing.png")));
    drainEvents();
    EXPECT_EQ(catalog().fileCount(), 3);
    ASSERT_TRUE(undo().undo());
    drainEvents();
    EXPECT_EQ(catalog().fileCount(), 0);
}

TEST_F(CatalogWindowTest, PastedEntriesGoBeforeTheFirstSelectedAndStaySelected) {
    addPhotos(8);
    QVariantList records;
    for (const char* file : {"x.png", "y.png", "z.png"})
        records.append(QVariantMap{{qs(kEntryPathKey), photo(qs(file))}});
    catalog().setSelectionAtIndex(5);
    QMimeData data;
    Pasteboard::setPropertyListForType(data, records, qs(kVQFileCatalogObjectPboardType));
    pasteData(data);
    EXPECT_EQ(name(5), qs("x.png"));
    EXPECT_EQ(name(6), qs("y.png"));
    EXPECT_EQ(name(7), qs("z.png"));
    EXPECT_EQ(name(8), qs("p5.png"));
    EXPECT_EQ(selected(), (QList<int>{5, 6, 7}));
    ASSERT_TRUE(undo().undo());
    drainEvents();
    EXPECT_EQ(catalog().fileCount(), 8);
}

TEST_F(CatalogWindowTest, PasteTakesFilesBeforeAPictureAndBeepsAtWhatItCannotTake) {
    addPhotos(2);
    const QString file = photo(qs("f.png"));
    struct Case {
        const char* name;
        std::function<void(QMimeData&)> fill;
        int added;
        bool beeps;
    } cases[] = {
        {"files and a picture",
         [&](QMimeData& d) {
             d.setUrls({QUrl::fromLocalFile(file)});
             d.setImageData(QImage(8, 8, QImage::Format_RGB32));
         },
         1, false},
        {"a picture alone",
         [](QMimeData& d) { d.setImageData(QImage(8, 8, QImage::Format_RGB32)); }, 1, false},
        {"text alone", [](QMimeData& d) { d.setText(qs("hello")); }, 0, true},
        {"entries that are a text",
         [](QMimeData& d) {
             Pasteboard::setPropertyListForType(d, qs("junk"), qs(kVQFileCatalogObjectPboardType));
         },
         0, true},
        {"entries that are numbers",
         [](QMimeData& d) {
             Pasteboard::setPropertyListForType(d, QVariantList{1, 2},
                                                qs(kVQFileCatalogObjectPboardType));
         },
         0, true},
        {"an entry with a foreign key",
         [](QMimeData& d) {
             Pasteboard::setPropertyListForType(d, QVariantList{QVariantMap{{qs("class"), 1}}},
                                                qs(kVQFileCatalogObjectPboardType));
         },
         0, true},
        {"bytes that are no property list",
         [](QMimeData& d) {
             Pasteboard::setDataForType(d, QByteArray("\x04\x0bstreamtyped\x81", 14),
                                        qs(kVQFileCatalogObjectPboardType));
         },
         0, true},
        {"an empty list of entries",
         [](QMimeData& d) {
             Pasteboard::setPropertyListForType(d, QVariantList{},
                                                qs(kVQFileCatalogObjectPboardType));
         },
         0, false},
    };
    for (const Case& c : cases) {
        catalog().clearSelection();
        const int before = catalog().fileCount();
        const int beeps = ModalAlert::beepCount();
        QMimeData data;
        c.fill(data);
        pasteData(data);
        EXPECT_EQ(catalog().fileCount() - before, c.added) << c.name;
        EXPECT_EQ(ModalAlert::beepCount() - beeps, c.beeps ? 1 : 0) << c.name;
        if (c.added) {
            EXPECT_EQ(selected(), (QList<int>{catalog().fileCount() - 1})) << c.name;
        }
    }
}

TEST_F(CatalogWindowTest, EditItemsFollowTheirTags) {
    addPhotos(3);
    DurevedeDudiruVorudu* edit = catalogWindow();
    ASSERT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window()));
    QGuiApplication::clipboard()->clear();
    struct Case {
        int tag;
        bool nothingSelected, selected;
    } cases[] = {
        {200, true, true},  {211, true, true},   {307, true, true},
        {303, false, true}, {306, false, true},  {308, false, true},
        {310, false, true}, {305, false, false}, {250, true, true},
    };
    for (const Case& c : cases) {
        catalog().clearSelection();
        EXPECT_EQ(edit->validateItemTag(c.tag), c.nothingSelected) << c.tag;
        catalog().setSelectionAtIndex(1);
        EXPECT_EQ(edit->validateItemTag(c.tag), c.selected) << c.tag;
    }
    auto* data = new QMimeData;
    data->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_TRUE(edit->validateItemTag(305));
    controller->setEditMode(1);
    EXPECT_FALSE(edit->validateItemTag(305));
    EXPECT_FALSE(edit->validateItemTag(303));
    controller->setEditMode(0);

    // The undo item's title drops one leading ampersand.
    undo().setActionName(qs("&Add"));
    QAction item;
    Commands::setItemTag(&item, 301);
    EXPECT_TRUE(edit->validateMenuItem(item));
    EXPECT_FALSE(item.text().contains(QLatin1Char('&'))) << item.text().toStdString();

    // Nothing is enabled while a sheet hangs on the window.
    ModalAlert::beginSheet(window(), ModalAlert::Request(qs("t"), qs("m")), [](int) {});
    EXPECT_FALSE(edit->validateItemTag(200));
    EXPECT_FALSE(controller->validateItemTag(0));
    drainEvents();
}

TEST_F(CatalogWindowTest, CatalogItemsFollowTheirTags) {
    EXPECT_FALSE(controller->validateItemTag(211));
    EXPECT_FALSE(controller->validateItemTag(521)) << "no iPhoto library here";
    addPhotos(2);
    EXPECT_TRUE(controller->validateItemTag(211));
    EXPECT_FALSE(controller->validateItemTag(502));
    EXPECT_FALSE(controller->validateItemTag(509));
    catalog().setSelectionAtIndex(0);
    EXPECT_TRUE(controller->validateItemTag(502));
    EXPECT_TRUE(controller->validateItemTag(509));
    EXPECT_TRUE(controller->validateItemTag(208));
    EXPECT_FALSE(controller->validateItemTag(212));
    EXPECT_FALSE(controller->validateItemTag(408));
    EXPECT_FALSE(controller->validateItemTag(602));
    testHost.setPreferencesBOOLFor(true, PrefEnableSaveBack);
    EXPECT_FALSE(controller->validateItemTag(209));
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrBrightness, 0, 1.5);
    EXPECT_TRUE(controller->validateItemTag(209));
    testHost.setPreferencesBOOLFor(false, PrefEnableSaveBack);
    EXPECT_FALSE(controller->validateItemTag(209));
}

TEST_F(CatalogWindowTest, AnErrorIsShownOnlyByTheWindowOfItsDocument) {
    RoduvudeDadevizi other;
    auto* otherController = new ZaroziveZodiroVirizidivi;
    otherController->setDocument(&other);
    otherController->setup();
    Alerts alerts;
    controller->postError(ZaroziveZodiroVirizidivi::kNothingToSaveBackError);
    drainEvents();
    ASSERT_EQ(alerts.requests.size(), 1);
    EXPECT_EQ(alerts.requests[0].title, localizedString(qs("ERROR_OCCURRED")));
    EXPECT_EQ(alerts.requests[0].message, localizedString(qs("Error 98")));
    EXPECT_NE(alerts.requests[0].message, qs("Error 98")) << "the table has the text";
    otherController->postError(kErrorMissingFile);
    drainEvents();
    ASSERT_EQ(alerts.requests.size(), 2);
    EXPECT_EQ(alerts.requests[1].message, localizedString(qs("Error 143")));
    delete otherController;
}

TEST_F(CatalogWindowTest, RemoveFromTheMenuAsksFirst) {
    addPhotos(3);
    catalog().setSelectionAtIndex(1);
    {
        Alerts cancel(ModalAlert::DefaultReturn);
        controller->removeFiles();
        drainEvents();
        ASSERT_EQ(cancel.requests.size(), 1);
        EXPECT_EQ(catalog().fileCount(), 3);
    }
    Alerts ok(ModalAlert::AlternateReturn);
    controller->removeFiles();
    drainEvents();
    EXPECT_EQ(ok.requests.size(), 1);
    EXPECT_EQ(names(), (QStringList{"p0.png", "p2.png"}));
    catalog().clearSelection();
    catalog().setSelectionAtIndex(0);
    controller->removeSelectedFiles();
    drainEvents();
    EXPECT_EQ(ok.requests.size(), 1) << "removing without asking";
    EXPECT_EQ(names(), (QStringList{"p2.png"}));
}

TEST_F(CatalogWindowTest, AddPhotosOpensTheChosenFilesLaterAsOneStep) {
    const QStringList chosen{photo(qs("a.png")), photo(qs("b.png")), photo(qs("c.png"))};
    ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
        EXPECT_TRUE(request.multipleSelection);
        EXPECT_TRUE(request.extensions.contains(qs("jpg")));
        return chosen;
    });
    controller->addFiles();
    drainEvents();
    EXPECT_EQ(controller->deferedFiles(), chosen);
    EXPECT_EQ(catalog().fileCount(), 0) << "the files wait for the timer";
    QTest::qWait(ZaroziveZodiroVirizidivi::kDeferedOpenMs + 200);
    drainEvents();
    EXPECT_EQ(names(), (QStringList{"a.png", "b.png", "c.png"}));
    EXPECT_TRUE(controller->deferedFiles().isEmpty());
    ASSERT_TRUE(undo().undo());
    drainEvents();
    EXPECT_EQ(catalog().fileCount(), 0);
}

TEST_F(CatalogWindowTest, AddFromIPhotoSaysThereIsNoLibrary) {
    Alerts alerts;
    const int beeps = ModalAlert::beepCount();
    controller->addIPhotos();
    ASSERT_EQ(alerts.requests.size(), 1);
    EXPECT_EQ(alerts.requests[0].title, localizedString(qs("IPHOTO_NO_CONNECT_TITLE")));
    EXPECT_NE(alerts.requests[0].title, qs("IPHOTO_NO_CONNECT_TITLE"));
    EXPECT_EQ(alerts.requests[0].style, ModalAlert::Style::Critical);
    EXPECT_EQ(ModalAlert::beepCount() - beeps, 1);
}

TEST_F(CatalogWindowTest, TheWindowTitleNamesTheCatalog) {
    EXPECT_EQ(controller->windowTitleForDocumentDisplayName(qs("Trip")),
              qs("Trip") + localizedString(qs("CATALOG_DOC")));
}

namespace {

// Confirms the save back sheet and answers every other alert with its default.
struct SaveBackAlerts {
    SaveBackAlerts()
        : responder([this](const ModalAlert::Request& request) {
              requests.append(request);
              return request.title == localizedString(qs("SAVE_BACK_CHECK"))
                         ? ModalAlert::AlternateReturn
                         : ModalAlert::DefaultReturn;
          }) {}
    QList<ModalAlert::Request> requests;
    ModalAlert::ScopedResponder responder;
};

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(CatalogWindowTest, SaveBackWithNothingEditedIsError98) {
    addPhotos(1);
    SaveBackAlerts alerts;
    controller->saveBack();
    drainEvents();
    ASSERT_EQ(alerts.requests.size(), 1);
    EXPECT_EQ(alerts.requests[0].message, localizedString(qs("Error 98")));
}

TEST_F(CatalogWindowTest, OneFailedSaveBackShowsOneSingleButtonAlertAndLeavesThePhoto) {
    // A name so long that no temporary file can be made beside it: the write
    // fails even for a user whom permissions do not stop.
    const QString path = photo(QString(248, QLatin1Char('l')) + qs(".png"));
    ASSERT_TRUE(catalog().addFileEntry(path));
    drainEvents();
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrBrightness, 0, 1.5);
    const QByteArray before = bytesOf(path);
    SaveBackAlerts alerts;
    controller->saveBack();
    drainEvents();
    ASSERT_EQ(alerts.requests.size(), 2);
    const ModalAlert::Request& failure = alerts.requests[1];
    EXPECT_EQ(failure.title, localizedString(qs("SAVE_BACK_FAIL_TITLE")));
    EXPECT_EQ(failure.defaultButton, localizedString(qs("CANCEL")));
    EXPECT_TRUE(failure.alternateButton.isEmpty());
    EXPECT_EQ(bytesOf(path), before);
    EXPECT_EQ(catalog().getModifiedFileIndices(), (QList<int>{0}));
}

TEST_F(CatalogWindowTest, SaveBackGoesOnAfterContinueAndKeepsModeAndComment) {
    const QString failing = photo(QString(248, QLatin1Char('a')) + qs(".png"));
    ASSERT_TRUE(catalog().addFileEntry(failing));
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
        paths.append(photo(qs("s%1.png").arg(i)));
        ASSERT_TRUE(catalog().addFileEntry(paths.last()));
    }
    drainEvents();
    for (int i = 0; i < 5; ++i)
        catalog().setFileAttributeAtIndexToValue(kCatalogAttrBrightness, i, 1.5);
    QFile::setPermissions(paths[0], QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QByteArray file = QFile::encodeName(paths[0]);
    const bool comments = ::setxattr(file.constData(), "user.xdg.comment", "kept", 4, 0) == 0;
    const QList<QByteArray> before{bytesOf(paths[0]), bytesOf(paths[3])};

    SaveBackAlerts alerts;
    controller->saveBack();
    drainEvents();
    ASSERT_EQ(alerts.requests.size(), 2);
    const ModalAlert::Request& failure = alerts.requests[1];
    EXPECT_EQ(failure.defaultButton, localizedString(qs("CONTINUE")));
    EXPECT_EQ(failure.alternateButton, localizedString(qs("CANCEL")));
    EXPECT_EQ(catalog().getModifiedFileIndices(), (QList<int>{0}));
    EXPECT_NE(bytesOf(paths[0]), before[0]);
    EXPECT_NE(bytesOf(paths[3]), before[1]);
    EXPECT_EQ(QFileInfo(paths[0]).permissions() &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFileDevice::Permissions(QFile::ReadGroup));
    if (comments) {
        char value[16] = {};
        EXPECT_EQ(::getxattr(file.constData(), "user.xdg.comment", value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
    }
}

namespace {

// A panel that records what the window asks of it.
class RecordingPanel : public CatalogPanel {
public:
    QWidget* panelView() override { return &view; }
    void setDocument(RoduvudeDadevizi*) override { calls << qs("setDocument"); }
    void setEditMode(int mode) override { calls << qs("setEditMode %1").arg(mode); }
    void setDragHilight(bool flag) override { calls << qs("setDragHilight %1").arg(flag); }
    void setupToolbar() override { calls << qs("setupToolbar"); }
    void adjustToolbarButtons() override { calls << qs("adjustToolbarButtons"); }
    void calculateLayout() override { calls << qs("calculateLayout"); }
    bool canIHandleDrag(const DraggingInfo&) override { return true; }
    QStringList calls;
    QWidget view;
};

} // namespace

TEST_F(CatalogWindowTest, TheSwitchShowsItsPanelAndSetupShowsTheStoredOne) {
    RecordingPanel photograph, layout;
    controller->setPanels(&photograph, &layout);
    // Set-up shows the document's panel even when the switch already has it.
    controller->setup();
    EXPECT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::PhotographPanel);
    EXPECT_TRUE(photograph.calls.contains(qs("calculateLayout")));
    EXPECT_TRUE(photograph.calls.contains(qs("setupToolbar")));
    EXPECT_EQ(photograph.view.parentWidget(), controller->mainView());
    EXPECT_EQ(controller->getViewSwitcher()->cellCount(), 2);

    drainEvents();
    undo().removeAllActions();
    photograph.calls.clear();
    layout.calls.clear();
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    EXPECT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    EXPECT_EQ(controller->lastViewTag(), ZaroziveZodiroVirizidivi::PhotographPanel);
    EXPECT_EQ(document->currentPanel(), 1);
    EXPECT_EQ(document->lastPanel(), 0);
    EXPECT_EQ(layout.calls,
              (QStringList{"setDragHilight 0", "setEditMode 0", "adjustToolbarButtons",
                           "calculateLayout", "setupToolbar"}));
    EXPECT_TRUE(photograph.view.isHidden());
    EXPECT_FALSE(layout.view.isHidden());

    // The panel already shown: nothing happens.
    layout.calls.clear();
    controller->setEditMode(2);
    layout.calls.clear();
    controller->getViewSwitcher()->setValue(ZaroziveZodiroVirizidivi::LayoutPanel);
    controller->viewSwitchSelectionChanged(controller->getViewSwitcher());
    EXPECT_TRUE(layout.calls.isEmpty());
    EXPECT_EQ(controller->editMode(), 2);

    controller->setPanels(nullptr, nullptr);
}
