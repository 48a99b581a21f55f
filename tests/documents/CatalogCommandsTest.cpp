#include "catalog/GridFixture.h"
#include "documents/CatalogPanel.h"
#include "documents/CatalogToolbar.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TMCaptionObject.h"
#include "layout/TemplateMapper.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/Commands.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/Toolbar.h"

#include <QBuffer>
#include <QClipboard>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

class CatalogCommandsTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        QGuiApplication::clipboard()->clear();
        makeMain();
        drainEvents();
    }
    DurevedeDudiruVorudu* catalogWindow() const {
        return qobject_cast<DurevedeDudiruVorudu*>(window());
    }
    // Photos of one colour each, named c0.png, c1.png, ...
    void addColouredPhotos(const QList<QColor>& colours, QSize size = {40, 30}) {
        for (const QColor& colour : colours) {
            const QString path = writeImage(dir.filePath(qs("c%1.png").arg(catalog().fileCount())),
                                            solidImage(size.width(), size.height(), colour), "png");
            ASSERT_TRUE(catalog().addFileEntry(path));
        }
        drainEvents();
    }
    const QMimeData* clipboard() const { return QGuiApplication::clipboard()->mimeData(); }
    Rect crop(int index) { return catalog().getFileImageCropAtIndex(index); }
    float rotation(int index) {
        return catalog().getFileAttributeAtIndex(kCatalogAttrRotation, index).toFloat();
    }
    // A second catalog window with its own document.
    struct OtherWindow {
        OtherWindow() {
            controller = new ZaroziveZodiroVirizidivi;
            controller->setDocument(document.get());
            controller->setup();
        }
        ~OtherWindow() { close(); }
        void close() {
            delete controller;
            controller = nullptr;
            document.reset();
            drainEvents();
        }
        std::unique_ptr<RoduvudeDadevizi> document = std::make_unique<RoduvudeDadevizi>();
        ZaroziveZodiroVirizidivi* controller = nullptr;
    };
};

} // namespace

TEST_F(CatalogCommandsTest, TurnsTakeTheCropAlongAndUndoAsOne) {
    addPhotos(1);
    ASSERT_EQ(catalog().getFileImageSizeAtIndex(0), (Size{40, 30}));
    const Rect none = kZeroRect;
    struct Case {
        const char* name;
        void (ZaroziveZodiroVirizidivi::*command)(QAction*);
        Rect before;
        Rect after;
        float turned;
    } cases[] = {
        {"right", &ZaroziveZodiroVirizidivi::rotateImageRight, {2, 4, 10, 6}, {4, 28, 6, 10}, 90},
        {"left", &ZaroziveZodiroVirizidivi::rotateImageLeft, {2, 4, 10, 6}, {20, 2, 6, 10}, -90},
        {"flip", &ZaroziveZodiroVirizidivi::flipImage, {2, 4, 10, 6}, {28, 20, 10, 6}, 180},
        {"right without crop", &ZaroziveZodiroVirizidivi::rotateImageRight, none, none, 90},
        {"flip without crop", &ZaroziveZodiroVirizidivi::flipImage, none, none, 180},
    };
    for (const Case& c : cases) {
        catalog().setSelectionAtIndex(0);
        catalog().setFileImageCropAtIndexTo(0, c.before);
        drainEvents();
        (controller->*c.command)(nullptr);
        drainEvents();
        EXPECT_EQ(crop(0), c.after) << c.name;
        EXPECT_FLOAT_EQ(rotation(0), c.turned) << c.name;
        ASSERT_TRUE(undo().undo()) << c.name;
        drainEvents();
        EXPECT_EQ(crop(0), c.before) << c.name << ": one undo brings the crop back";
        EXPECT_FLOAT_EQ(rotation(0), 0) << c.name << ": and the turn";
    }
}

TEST_F(CatalogCommandsTest, SelectionQueriesAndMarkerCommands) {
    EXPECT_FALSE(controller->getAllIndices());
    addPhotos(3);
    EXPECT_EQ(controller->getAllIndices(), (QList<int>{0, 1, 2}));
    controller->selectAll();
    EXPECT_EQ(controller->getSelection(), (QList<int>{0, 1, 2}));
    EXPECT_TRUE(controller->isSelectionEnabled());
    EXPECT_FALSE(controller->isSelectionDisabled());
    EXPECT_TRUE(controller->isSelectionFile());
    EXPECT_FALSE(controller->isSelectionURL());
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrEnabled, 2, false);
    EXPECT_TRUE(controller->isSelectionDisabled());
    controller->deselect();
    EXPECT_FALSE(controller->getSelection());
    EXPECT_FALSE(controller->isSelectionEnabled());

    catalog().setSelectionAtIndex(1);
    const bool before = catalog().getFileAttributeAtIndex(kCatalogAttrMarked, 1).toBool();
    controller->toggleMarker();
    EXPECT_NE(catalog().getFileAttributeAtIndex(kCatalogAttrMarked, 1).toBool(), before);
    Commands::sendActionToObject(controller, qs("toggleMarkerAction:"), nullptr);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrMarked, 1).toBool(), before);
}

TEST_F(CatalogCommandsTest, EnhancementValuesAreKeptAndReachTheSelection) {
    addPhotos(3);
    EXPECT_EQ(controller->getSharpness(), 0);
    // Until the window applies some, its last values are the document's defaults.
    EXPECT_FLOAT_EQ(controller->getBrightness(), document->defaultBrightness());
    const float neutral = catalog().getFileAttributeAtIndex(kCatalogAttrBrightness, 1).toFloat();
    catalog().setSelectionAtIndex(0);
    catalog().setSelectionAtIndexTo(2, true);
    drainEvents();
    controller->setAdjustmentSharpnessContrastSaturationBrightness(3, 0.25f, -0.5f, 0.75f);
    drainEvents();
    EXPECT_EQ(controller->getSharpness(), 3);
    EXPECT_FLOAT_EQ(controller->getContrast(), 0.25f);
    EXPECT_FLOAT_EQ(controller->getSaturation(), -0.5f);
    EXPECT_FLOAT_EQ(controller->getBrightness(), 0.75f);
    for (int index : {0, 2}) {
        EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrSharpness, index).toFloat(),
                        3);
        EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrBrightness, index).toFloat(),
                        0.75f);
    }
    EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrBrightness, 1).toFloat(),
                    neutral);
    ASSERT_TRUE(undo().undo());
    drainEvents();
    EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrBrightness, 2).toFloat(),
                    neutral);
}

TEST_F(CatalogCommandsTest, PagesOfTheBookAreAddedRemovedAndTurnedWithUndo) {
    addPhotos(2);
    document->setPrintArrangementMode(LayoutModeBook);
    drainEvents();
    ASSERT_EQ(controller->getPrintArrangementMode(), LayoutModeBook);
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    const TemplateMapperRef mapper = document->templateMapper();
    ASSERT_EQ(mapper->pageCount(), 1);

    controller->removeLayoutPage();
    EXPECT_EQ(mapper->pageCount(), 1) << "the only page stays";
    controller->addLayoutPage();
    controller->addLayoutPage();
    EXPECT_EQ(mapper->pageCount(), 3);
    EXPECT_EQ(mapper->currentPageNum(), 2);
    drainEvents();

    struct Case {
        void (ZaroziveZodiroVirizidivi::*command)();
        const char* name;
        int page;
    } cases[] = {
        {&ZaroziveZodiroVirizidivi::previousLayoutPage, "PREV_PAGE", 1},
        {&ZaroziveZodiroVirizidivi::nextLayoutPage, "NEXT_PAGE", 2},
    };
    for (const Case& c : cases) {
        mapper->setCurrentPageNum(c.page == 1 ? 2 : 1);
        const int from = mapper->currentPageNum();
        (controller->*c.command)();
        EXPECT_EQ(mapper->currentPageNum(), c.page) << c.name;
        drainEvents();
        EXPECT_EQ(undo().undoActionName(), localizedString(qs(c.name)));
        EXPECT_NE(undo().undoActionName(), qs(c.name)) << "the table has the text";
        ASSERT_TRUE(undo().undo());
        drainEvents();
        EXPECT_EQ(mapper->currentPageNum(), from) << c.name;
        ASSERT_TRUE(undo().redo());
        drainEvents();
        EXPECT_EQ(mapper->currentPageNum(), c.page) << c.name << " again";
    }

    // Removing the current last page makes the one before it current.
    mapper->setCurrentPageNum(2);
    controller->removeLayoutPage();
    EXPECT_EQ(mapper->pageCount(), 2);
    EXPECT_EQ(mapper->currentPageNum(), 1);
    // Removing a page in the middle keeps the number.
    controller->addLayoutPage();
    mapper->setCurrentPageNum(1);
    controller->removeLayoutPage();
    EXPECT_EQ(mapper->pageCount(), 2);
    EXPECT_EQ(mapper->currentPageNum(), 1);
}

TEST_F(CatalogCommandsTest, NewMenuItemsFollowTheirRules) {
    const QList<int> tags{212, 402, 403, 404, 405, 406, 407, 408, 502, 503,
                          504, 510, 602, 603, 604, 605, 606, 607, 608, 609};
    struct Case {
        const char* name;
        std::function<void()> setUp;
        QList<int> enabled;
    } cases[] = {
        {"empty catalog", [] {}, {}},
        {"photos, none selected", [this] { addPhotos(3); }, {402, 403, 404, 405}},
        {"one selected",
         [this] { catalog().setSelectionAtIndex(1); },
         {402, 403, 404, 405, 406, 407, 502, 503, 504, 510}},
        {"a disabled one selected",
         [this] { catalog().setFileAttributeAtIndexToValue(kCatalogAttrEnabled, 1, false); },
         {212, 402, 403, 404, 405, 406, 407, 502, 503, 504, 510}},
        // One photo a page: two pages follow the first.
        {"layout panel",
         [this] { controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel); },
         {212, 402, 403, 404, 405, 406, 407, 502, 503, 504, 510, 602, 606, 609}},
        {"book of one page",
         [this] {
             document->setPrintArrangementMode(LayoutModeBook);
             drainEvents();
         },
         {212, 402, 403, 404, 405, 502, 503, 504, 510, 602, 604, 609}},
        {"book of three pages, the middle one shown",
         [this] {
             controller->addLayoutPage();
             controller->addLayoutPage();
             document->templateMapper()->setCurrentPageNum(1);
         },
         {212, 402, 403, 404, 405, 502, 503, 504, 510, 602, 604, 605, 606, 607, 609}},
        {"the last page shown",
         [this] { document->templateMapper()->setCurrentPageNum(2); },
         {212, 402, 403, 404, 405, 502, 503, 504, 510, 602, 604, 605, 607, 609}},
        {"photograph panel again",
         [this] { controller->switchView(ZaroziveZodiroVirizidivi::PhotographPanel); },
         {212, 402, 403, 404, 405, 502, 503, 504, 510}},
    };
    for (const Case& c : cases) {
        c.setUp();
        QList<int> enabled;
        for (int tag : tags)
            if (controller->validateItemTag(tag))
                enabled.append(tag);
        EXPECT_EQ(enabled, c.enabled) << c.name;
    }
}

TEST_F(CatalogCommandsTest, EveryToolbarItemHasAReceiver) {
    // Red-eye and caption mode come with their own panel work.
    const QStringList elsewhere{qs("redeyereduce"), qs("balloonMode")};
    for (CatalogToolbarKind kind : {CatalogToolbarKind::Photograph, CatalogToolbarKind::Layout}) {
        controller->switchView(kind == CatalogToolbarKind::Photograph
                                   ? ZaroziveZodiroVirizidivi::PhotographPanel
                                   : ZaroziveZodiroVirizidivi::LayoutPanel);
        QWidget* panel = controller->activeViewPanel()->panelView();
        for (const QString& identifier : CatalogToolbar::allowedItemIdentifiers(kind)) {
            const CatalogToolbarItem* row = CatalogToolbar::itemForIdentifier(kind, identifier);
            if (!row || elsewhere.contains(qs(row->suffix)))
                continue;
            const QString action = qs(row->action);
            switch (row->target) {
            case CatalogToolbarTarget::Panel:
                EXPECT_TRUE(Commands::objectRespondsToAction(panel, action))
                    << identifier.toStdString();
                if (qs(row->suffix) != qs("crop")) {
                    EXPECT_TRUE(Commands::objectRespondsToAction(controller, action))
                        << identifier.toStdString();
                }
                break;
            case CatalogToolbarTarget::Controller:
                EXPECT_TRUE(Commands::objectRespondsToAction(controller, action))
                    << identifier.toStdString();
                break;
            case CatalogToolbarTarget::Application:
                break;
            }
        }
    }
}

TEST_F(CatalogCommandsTest, CopyOfOnePhotoMakesItsTIFFOnlyWhenAskedAndOfThatPhoto) {
    // Larger than the screen pictures, so that full size shows.
    addColouredPhotos({Qt::red, Qt::blue}, {1600, 1000});
    catalog().setSelectionAtIndex(0);
    controller->copySelectionToPasteboard();
    const auto* data = qobject_cast<const PasteboardData*>(clipboard());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats().mid(0, 3),
              (QStringList{Pasteboard::mimeTypeForType(qs(kVQFileCatalogObjectPboardType)),
                           qs("image/tiff"), qs("text/uri-list")}));
    EXPECT_EQ(Pasteboard(data).types(), (QStringList{qs(FilenamesPboardType), qs(TIFFPboardType),
                                                     qs(kVQFileCatalogObjectPboardType)}));
    EXPECT_FALSE(data->isTypeMade(qs(TIFFPboardType)));
    EXPECT_EQ(data->urls(), (QList<QUrl>{QUrl::fromLocalFile(dir.filePath(qs("c0.png")))}));
    EXPECT_FALSE(data->isTypeMade(qs(TIFFPboardType))) << "the other types make no TIFF";

    catalog().clearSelection();
    catalog().setSelectionAtIndex(1);
    drainEvents();
    const QByteArray tiff = clipboard()->data(qs("image/tiff"));
    EXPECT_TRUE(data->isTypeMade(qs(TIFFPboardType)));
    QBuffer buffer;
    buffer.setData(tiff);
    QImageReader reader(&buffer, "tiff");
    const QImage picture = reader.read();
    ASSERT_FALSE(picture.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(picture.size(), QSize(1600, 1000));
    EXPECT_TRUE(near(picture.pixel(800, 500), Qt::red)) << "the copied photo, not the selected one";
    EXPECT_TRUE(catalog().deliverScreenResolution());
}

TEST_F(CatalogCommandsTest, CopyOffersNoTIFFForTwoPhotosAndNoneOnceThePhotoIsGone) {
    addColouredPhotos({Qt::red, Qt::blue, Qt::green});
    catalog().setSelectionAtIndex(0);
    catalog().setSelectionAtIndexTo(2, true);
    controller->copySelectionToPasteboard();
    EXPECT_FALSE(clipboard()->hasFormat(qs("image/tiff")));
    EXPECT_FALSE(Pasteboard(clipboard()).hasType(qs(TIFFPboardType)));
    EXPECT_EQ(Pasteboard(clipboard()).propertyListForType(qs(FilenamesPboardType)),
              (QVariantList{dir.filePath(qs("c0.png")), dir.filePath(qs("c2.png"))}));

    catalog().clearSelection();
    catalog().setSelectionAtIndex(1);
    controller->copySelectionToPasteboard();
    ASSERT_TRUE(clipboard()->hasFormat(qs("image/tiff")));
    controller->removeSelectedFiles();
    drainEvents();
    catalog().setSelectionAtIndex(0);
    EXPECT_TRUE(clipboard()->data(qs("image/tiff")).isEmpty());

    // Nothing selected: nothing is written.
    QGuiApplication::clipboard()->clear();
    catalog().clearSelection();
    controller->copySelectionToPasteboard();
    EXPECT_TRUE(clipboard() == nullptr || clipboard()->formats().isEmpty());
}

TEST_F(CatalogCommandsTest, APastedEntryKeepsItsEditsInAnotherCatalog) {
    addColouredPhotos({Qt::red});
    catalog().setSelectionAtIndex(0);
    catalog().setFileImageCropAtIndexTo(0, {2, 4, 10, 6});
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, QVariant::fromValue(90.0f));
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrContrast, 0, QVariant::fromValue(0.5f));
    const TMCaptionObjectRef caption =
        TMCaptionObject::newTemplateObjectWithOriginSize({1, 2}, {8, 4});
    catalog().setFileImageCaptionsAtIndexTo(0, {QVariant::fromValue<TMObjectRef>(caption)});
    drainEvents();
    controller->copySelectionToPasteboard();

    OtherWindow other;
    qobject_cast<DurevedeDudiruVorudu*>(other.controller->window())
        ->pasteFromPasteboard(Pasteboard(clipboard()));
    drainEvents();
    VQFileCatalog& pasted = other.document->fileCatalog();
    ASSERT_EQ(pasted.fileCount(), 1);
    EXPECT_EQ(pasted.getFileImageCropAtIndex(0), (Rect{2, 4, 10, 6}));
    EXPECT_FLOAT_EQ(pasted.getFileAttributeAtIndex(kCatalogAttrRotation, 0).toFloat(), 90);
    EXPECT_FLOAT_EQ(pasted.getFileAttributeAtIndex(kCatalogAttrContrast, 0).toFloat(), 0.5f);
    const QVariantList captions = pasted.getFileImageCaptionsAtIndex(0);
    ASSERT_EQ(captions.size(), 1);
    const TMObjectRef copy = captions[0].value<TMObjectRef>();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), caption.get());
    EXPECT_EQ(copy->frame(), caption->frame());
    EXPECT_EQ(pasted.getFileAttributeAtIndex(kCatalogAttrPath, 0).toString(),
              dir.filePath(qs("c0.png")));
}

TEST_F(CatalogCommandsTest, APastedPictureEntryOutlivesItsSourceDocument) {
    OtherWindow source;
    source.document->fileCatalog().addImageEntry(Image(solidImage(30, 20, Qt::blue)));
    drainEvents();
    source.document->fileCatalog().setSelectionAtIndex(0);
    // The source writes its temporary file when asked for the path.
    const QString sourceFile =
        source.document->fileCatalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString();
    source.controller->copySelectionToPasteboard();
    source.close();
    EXPECT_TRUE(sourceFile.isEmpty() || !QFileInfo::exists(sourceFile));

    catalogWindow()->pasteFromPasteboard(Pasteboard(clipboard()));
    drainEvents();
    ASSERT_EQ(catalog().fileCount(), 1);
    catalog().testAllEntriesForChanges();
    drainEvents();
    ASSERT_EQ(catalog().fileCount(), 1) << "not removed as unreadable";
    EXPECT_TRUE(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 0).toBool());
    catalog().setDeliverScreenResolution(false);
    const Image image = catalog().getFileAttributeAtIndex(kCatalogAttrFullImage, 0).value<Image>();
    catalog().setDeliverScreenResolution(true);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(near(image.toQImage().pixel(15, 10), Qt::blue));
}

TEST_F(CatalogCommandsTest, DuplicatesStandInFrontOfTheirSourcesAndUndoAsOne) {
    addPhotos(6);
    const QList<int> before = serials();
    catalog().setSelectionAtIndex(3);
    catalog().setSelectionAtIndexTo(5, true);
    catalog().setFileImageCropAtIndexTo(5, {1, 1, 5, 5});
    drainEvents();
    controller->duplicateSelectionInCatalog();
    drainEvents();
    EXPECT_EQ(names(), (QStringList{"p0.png", "p1.png", "p2.png", "p3.png", "p5.png", "p3.png",
                                    "p4.png", "p5.png"}));
    EXPECT_EQ(selected(), (QList<int>{3, 4}));
    EXPECT_EQ(crop(4), (Rect{1, 1, 5, 5}));
    const QList<int> after = serials();
    EXPECT_FALSE(before.contains(after[3]));
    EXPECT_FALSE(before.contains(after[4]));
    EXPECT_NE(after[3], after[4]);
    ASSERT_TRUE(undo().undo());
    drainEvents();
    EXPECT_EQ(serials(), before);

    // Through the Edit menu's action, and nothing for no selection.
    catalog().clearSelection();
    catalogWindow()->performAction(qs("duplicate:"), nullptr);
    drainEvents();
    EXPECT_EQ(catalog().fileCount(), 6);
}

TEST_F(CatalogCommandsTest, CutCopiesThenRemovesAndNothingSelectedDoesNothing) {
    addPhotos(3);
    catalogWindow()->performAction(qs("cut:"), nullptr);
    drainEvents();
    EXPECT_EQ(catalog().fileCount(), 3);
    EXPECT_TRUE(clipboard() == nullptr || clipboard()->formats().isEmpty());

    catalog().setSelectionAtIndex(1);
    catalogWindow()->performAction(qs("cut:"), nullptr);
    drainEvents();
    EXPECT_EQ(names(), (QStringList{"p0.png", "p2.png"}));
    catalog().clearSelection();
    catalogWindow()->pasteFromPasteboard(Pasteboard(clipboard()));
    drainEvents();
    EXPECT_EQ(names(), (QStringList{"p0.png", "p2.png", "p1.png"}));
}
