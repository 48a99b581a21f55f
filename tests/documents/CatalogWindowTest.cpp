#include "catalog/GridFixture.h"
#include "documents/CatalogPanel.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/GenericDocument.h"
#include "layout/TemplateMapper.h"
#include "library/TemplateHandle.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/ui/Commands.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/Toolbar.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <sys/xattr.h>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

class CatalogWindowTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        makeMain();
        drainEvents();
    }
    DurevedeDudiruVorudu* catalogWindow() const {
        return qobject_cast<DurevedeDudiruVorudu*>(window());
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
    EXPECT_FALSE(controller->validateItemTag(521)) << "photos of a catalog are no iPhoto library";
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
    EXPECT_EQ(alerts.requests[0].message, localizedString(qs("IPHOTO_NO_CONNECT_MSG")));
    EXPECT_NE(alerts.requests[0].message, qs("IPHOTO_NO_CONNECT_MSG"));
    EXPECT_EQ(alerts.requests[0].defaultButton, localizedString(qs("OK")));
    EXPECT_TRUE(alerts.requests[0].alternateButton.isEmpty());
    EXPECT_EQ(alerts.requests[0].style, ModalAlert::Style::Critical);
    EXPECT_EQ(ModalAlert::beepCount() - beeps, 1);
    EXPECT_EQ(catalog().fileCount(), 0);
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

namespace {

// A layout panel whose cells are on a page and visible, and that records
// being told to empty them.
class CellsPanel : public RecordingPanel {
public:
    bool areSelectedCellsOnAPage() const override { return true; }
    bool areSelectedCellsVisible() const override { return true; }
    void clearSelectedCells() override { calls << qs("clearSelectedCells"); }
};

QString format(const char* key, const QVariantList& arguments) {
    return formatString(localizedString(qs(key)), arguments);
}

} // namespace

TEST_F(CatalogWindowTest, TheWindowHoldsPanelAreaSwitchesDrawerAndStatusLine) {
    DurevedeDudiruVorudu* own = catalogWindow();
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(own->centralWidget()->isAncestorOf(controller->mainView()));
    EXPECT_TRUE(own->centralWidget()->isAncestorOf(own->viewSwitcher()));
    EXPECT_TRUE(own->centralWidget()->isAncestorOf(own->statusLine()));
    EXPECT_EQ(own->statusLine()->height(), DurevedeDudiruVorudu::kStatusLineHeight);
    EXPECT_EQ(own->statusLine()->y(), controller->mainView()->geometry().bottom() + 1)
        << "the status line lies right under the main view";
    EXPECT_EQ(own->catalogDrawer()->widget(), controller->fileCatalogScrollView());
    EXPECT_EQ(own->dockWidgetArea(own->catalogDrawer()), Qt::RightDockWidgetArea);

    // Show Catalog opens a closed drawer and closes an open one.
    EXPECT_FALSE(controller->getCatalogDrawer()->isHidden());
    controller->toggleCatalogDrawer();
    EXPECT_TRUE(controller->getCatalogDrawer()->isHidden());
    controller->toggleCatalogDrawer();
    EXPECT_FALSE(controller->getCatalogDrawer()->isHidden());

    // A panel's toolbar replaces the one shown before; View > Hide Toolbar hides it.
    QPointer<Toolbar> first = new Toolbar(qs("first"));
    own->setToolbar(first);
    EXPECT_EQ(own->toolbar(), first.data());
    EXPECT_EQ(own->toolBarArea(first), Qt::TopToolBarArea);
    auto* second = new Toolbar(qs("second"));
    own->setToolbar(second);
    drainEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(own->toolbar(), second);
    controller->toggleToolbar();
    EXPECT_TRUE(second->isHidden());
    controller->toggleToolbar();
    EXPECT_FALSE(second->isHidden());

    // The tool-mode switch has its three image cells and shows with the layout only.
    EXPECT_EQ(controller->getToolModeSwitcher()->cellCount(), 3);
    EXPECT_FALSE(controller->getToolModeSwitcher()->switchVisible());
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    EXPECT_TRUE(controller->getToolModeSwitcher()->switchVisible());
    controller->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
}

TEST_F(CatalogWindowTest, StatusTextsFollowSelectionPanelAndArrangement) {
    DurevedeDudiruVorudu* own = catalogWindow();
    const auto centre = [&] { return own->centerInfo()->text(); };
    const auto right = [&] { return own->rightInfo()->text(); };
    controller->updateInfoLabels();
    EXPECT_EQ(right(), localizedString(qs("NO_FILES_STR")));
    EXPECT_NE(right(), qs("NO_FILES_STR"));
    EXPECT_EQ(centre(), QString());
    EXPECT_FALSE(controller->statusMarkerVisible());
    EXPECT_EQ(own->statusPageField()->text(), localizedString(qs("PAGENA")));
    EXPECT_FALSE(own->statusPrevButton()->isEnabled());
    EXPECT_FALSE(own->statusNextButton()->isEnabled());

    addPhotos(3);
    catalog().setMarkerAtIndexTo(1, false);
    drainEvents();
    struct Case {
        QList<int> selection;
        int arrangement;
        QString centre, right;
        bool marker;
    } cases[] = {
        {{}, LayoutModeOnePhotoPerPage, QString(), format("PHOTO_IN_CAT_STR", {3}), false},
        {{1},
         LayoutModeOnePhotoPerPage,
         qs("p1.png"),
         format("PHOTO_NUM_IN_CAT_STR", {2, 3}),
         true},
        {{0, 2},
         LayoutModeSequential,
         format("PHOTO_SELECT_STR", {2}) + qs("."),
         format("PHOTO_IN_CAT_STR", {3}),
         false},
        {{1}, LayoutModeBook, qs("p1.png"), format("PHOTO_NUM_IN_CAT_STR", {2, 3}), false},
    };
    for (const Case& c : cases) {
        controller->setPrintArrangementMode(c.arrangement);
        catalog().clearSelection();
        for (int index : c.selection)
            catalog().setSelectionAtIndex(index);
        drainEvents();
        controller->updateInfoLabels();
        EXPECT_EQ(centre(), c.centre) << c.arrangement;
        EXPECT_EQ(right(), c.right) << c.arrangement;
        EXPECT_EQ(controller->statusMarkerVisible(), c.marker) << c.arrangement;
    }
    // The marker shows the selected photo's mark and sits before the centre text.
    controller->setPrintArrangementMode(LayoutModeOnePhotoPerPage);
    catalog().clearSelection();
    catalog().setSelectionAtIndex(1);
    drainEvents();
    EXPECT_FALSE(own->statusMarkerSwitch()->isChecked());
    EXPECT_EQ(own->statusMarkerSwitch()->geometry().right() + 1, own->centerInfo()->x());

    // An error message brings the error button in front of the marker; clearing
    // it puts everything back.
    const int centreX = own->centerInfo()->x();
    controller->setErrorMessageWithTitle(qs("message"), qs("title"));
    EXPECT_TRUE(controller->errorButtonVisible());
    EXPECT_EQ(own->errorButton()->geometry().right() + 1, own->statusMarkerSwitch()->x());
    EXPECT_EQ(own->centerInfo()->x(), centreX + own->errorButton()->width());
    {
        Alerts alerts;
        QTest::mouseClick(own->errorButton(), Qt::LeftButton);
        drainEvents();
        ASSERT_EQ(alerts.requests.size(), 1);
        EXPECT_EQ(alerts.requests[0].title, qs("title"));
        EXPECT_EQ(alerts.requests[0].message, qs("message"));
    }
    controller->setErrorMessageWithTitle(QString(), QString());
    EXPECT_FALSE(controller->errorButtonVisible());
    EXPECT_LT(own->errorButton()->x(), 0);
    EXPECT_EQ(own->centerInfo()->x(), centreX);

    // In the layout panel the template's name is part of the texts.
    CellsPanel photograph, layout;
    controller->setPanels(&photograph, &layout);
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    const QString name =
        document->masterTemplate() ? document->masterTemplate()->name() : QString();
    catalog().clearSelection();
    drainEvents();
    EXPECT_EQ(centre(), QStringLiteral("“") + name + QStringLiteral("”"));
    catalog().setSelectionAtIndex(0);
    drainEvents();
    EXPECT_EQ(centre(), format("PHOTO_IN_STR", {qs("p0.png"), name}));
    controller->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
    controller->setPanels(nullptr, nullptr);
}

TEST_F(CatalogWindowTest, DeleteEmptiesTheBookCellsAndBeepsElsewhere) {
    addPhotos(2);
    catalog().setSelectionAtIndex(0);
    CellsPanel photograph, layout;
    controller->setPanels(&photograph, &layout);
    for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete}) {
        const int beeps = ModalAlert::beepCount();
        QTest::keyClick(window(), key);
        EXPECT_EQ(ModalAlert::beepCount() - beeps, 1) << "the photograph panel";
        EXPECT_EQ(catalog().fileCount(), 2) << "nothing is removed";

        controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
        controller->setPrintArrangementMode(LayoutModeBook);
        layout.calls.clear();
        QTest::keyClick(window(), key);
        EXPECT_TRUE(layout.calls.contains(qs("clearSelectedCells")));
        EXPECT_EQ(ModalAlert::beepCount() - beeps, 1);
        controller->setPrintArrangementMode(LayoutModeOnePhotoPerPage);
        controller->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
    }
    // The arrows move the selection; with Ctrl to the end.
    QTest::keyClick(window(), Qt::Key_Right);
    EXPECT_EQ(selected(), (QList<int>{1}));
    QTest::keyClick(window(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(selected(), (QList<int>{0}));
    controller->setPanels(nullptr, nullptr);
}

TEST_F(CatalogWindowTest, DropsOnTheWindowAppendFilesAndRefuseWhatTheyCannotTake) {
    addPhotos(2);
    const QPoint at =
        controller->mainView()->mapTo(window(), controller->mainView()->rect().center());
    const QString file = photo(qs("dropped.png"));
    struct Case {
        const char* name;
        std::function<void(QMimeData&)> fill;
        bool accepted;
    } cases[] = {
        {"a file as a URI list", [&](QMimeData& d) { d.setUrls({QUrl::fromLocalFile(file)}); },
         true},
        {"a web page", [](QMimeData& d) { d.setUrls({QUrl(qs("http://127.0.0.1/page.html"))}); },
         false},
        {"a URL without extension",
         [](QMimeData& d) { d.setUrls({QUrl(qs("http://127.0.0.1/x"))}); }, false},
    };
    for (const Case& c : cases) {
        QMimeData data;
        c.fill(data);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window(), &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted) << c.name;
    }
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(file)});
    sendDrag(window(), QEvent::DragEnter, &files, at);
    sendDrag(window(), QEvent::Drop, &files, at);
    drainEvents();
    EXPECT_EQ(names(), (QStringList{"p0.png", "p1.png", "dropped.png"}));

    // The window's own thumbnails, dragged out of the drawer, are refused on the window.
    sizeForColumns(3);
    DragCatcher catcher;
    QTest::mousePress(grid(), Qt::LeftButton, Qt::NoModifier, cellPoint(0));
    QTest::mouseMove(grid(), cellPoint(0) + QPoint(6, 0));
    QTest::mouseRelease(grid(), Qt::LeftButton, Qt::NoModifier, cellPoint(0) + QPoint(6, 0));
    ASSERT_NE(catcher.data(), nullptr);
    QDragEnterEvent own(at, Qt::CopyAction | Qt::MoveAction, catcher.data(), Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(window(), &own);
    EXPECT_FALSE(own.isAccepted());
    sendDrag(window(), QEvent::Drop, catcher.data(), at);
    drainEvents();
    EXPECT_EQ(names(), (QStringList{"p0.png", "p1.png", "dropped.png"}));
}

TEST_F(CatalogWindowTest, WindowsFitTheScreenCascadeAndOpenTheirDrawerLater) {
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    testHost.setPreferencesIntFor(screen.width() + 500, PrefDocumentWindowWidth);
    testHost.setPreferencesIntFor(screen.height() + 500, PrefDocumentWindowHeight);
    testHost.setPreferencesIntFor(250, PrefDocumentDrawerWidth);
    testHost.setPreferencesBOOLFor(true, PrefDocumentDrawerOpen);
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    const QString type = RoduvudeDadevizi::documentType().name;
    const std::shared_ptr<Document> first = documents.openUntitledDocumentOfType(type, true);
    ASSERT_TRUE(first);
    QWidget* firstWindow = first->windowControllers().first()->window();
    EXPECT_LE(firstWindow->width(), screen.width());
    EXPECT_LE(firstWindow->height(), screen.height());
    firstWindow->move(40, 30);
    drainEvents();

    int signs = 0;
    ZaroziveZodiroVirizidivi::setSignOfLife([&signs] { ++signs; });
    const std::shared_ptr<Document> second = documents.openUntitledDocumentOfType(type, true);
    ASSERT_TRUE(second);
    auto* secondController =
        qobject_cast<ZaroziveZodiroVirizidivi*>(second->windowControllers().first());
    EXPECT_EQ(secondController->window()->pos(), firstWindow->pos() + QPoint(22, 23));
    EXPECT_TRUE(secondController->getCatalogDrawer()->isHidden()) << "not before the timer";
    EXPECT_TRUE(secondController->openTimerPending());
    QTRY_VERIFY_WITH_TIMEOUT(!secondController->getCatalogDrawer()->isHidden(), 2000);
    EXPECT_FALSE(secondController->openTimerPending());
    EXPECT_NEAR(secondController->getCatalogDrawer()->width(), 250, 20);
    EXPECT_GT(signs, 0) << "the heartbeat is a sign of life";
    ZaroziveZodiroVirizidivi::setSignOfLife({});

    for (const std::shared_ptr<Document>& open : {first, second})
        if (std::shared_ptr<Document> taken = documents.takeDocument(open.get()))
            taken->close();
    drainEvents();
}

namespace {

// Makes the items a test names; their enabling is the controller's.
class ItemMaker : public ToolbarDelegate {
public:
    explicit ItemMaker(QStringList identifiers) : _identifiers(std::move(identifiers)) {}
    QAction* toolbarItemForItemIdentifier(Toolbar&, const QString& identifier) override {
        return new QAction(identifier);
    }
    QStringList toolbarAllowedItemIdentifiers(const Toolbar&) const override {
        return _identifiers;
    }
    QStringList toolbarDefaultItemIdentifiers(const Toolbar&) const override {
        return _identifiers;
    }
    bool validateToolbarItem(QAction&) override { return true; }

private:
    QStringList _identifiers;
};

} // namespace

TEST_F(CatalogWindowTest, ToolbarItemsForTheControllerFollowMarksAndTheMaster) {
    ItemMaker maker({qs(kToolbarPrintItemIdentifier), qs("photodoctoolbar.add"),
                     qs("photodoctoolbar.printToDisk"), qs("layoutdoctoolbar.addiphotos"),
                     qs("photodoctoolbar.addiphotos")});
    Toolbar bar(qs("test"));
    bar.setDelegate(&maker);
    const auto enabled = [&](const char* identifier) {
        QAction* item = bar.itemWithIdentifier(qs(identifier));
        EXPECT_NE(item, nullptr) << identifier;
        return item && controller->validateToolbarItem(*item);
    };
    EXPECT_FALSE(enabled(kToolbarPrintItemIdentifier)) << "nothing marked";
    EXPECT_TRUE(enabled("photodoctoolbar.add"));
    EXPECT_FALSE(enabled("layoutdoctoolbar.addiphotos")) << "no iPhoto library here";
    EXPECT_FALSE(enabled("photodoctoolbar.addiphotos")) << "no iPhoto library here";
    addPhotos(2);
    catalog().setMarkerAtIndexTo(0, true);
    drainEvents();
    EXPECT_TRUE(enabled(kToolbarPrintItemIdentifier));
    EXPECT_EQ(enabled("photodoctoolbar.printToDisk"),
              !document->templateMapper()->masterPrintAreaRects().isEmpty());
    ModalAlert::beginSheet(window(), ModalAlert::Request(qs("t"), qs("m")), [](int) {});
    EXPECT_FALSE(enabled("photodoctoolbar.add")) << "a sheet hangs on the window";
    drainEvents();
}

TEST_F(CatalogWindowTest, LosingFocusEndsCropAndRedEyeAndRegainingItFollowsMovedFiles) {
    addPhotos(2);
    RecordingPanel photograph, layout;
    controller->setPanels(&photograph, &layout);
    QWidget other;
    other.resize(100, 100);
    other.show();
    const auto makeKey = [](QWidget* window) {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        MainWindowTracker::sharedTracker().update();
        drainEvents();
    };
    struct Case {
        int mode;
        int after;
    } cases[] = {{1, 0}, {2, 0}, {3, 3}};
    for (const Case& c : cases) {
        controller->setEditMode(c.mode);
        makeKey(&other);
        EXPECT_EQ(controller->editMode(), c.after) << c.mode;
        makeKey(window());
    }
    controller->setEditMode(0);

    // A photo renamed while another window is in front is found again on return.
    const QString before = catalog().getFilePathAtIndex(1);
    makeKey(&other);
    const QString after = QFileInfo(before).dir().filePath(qs("renamed.png"));
    ASSERT_TRUE(QFile::rename(before, after));
    makeKey(window());
    EXPECT_EQ(catalog().getFilePathAtIndex(1), after);
    EXPECT_TRUE(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 1).toBool());
    controller->setPanels(nullptr, nullptr);
}
