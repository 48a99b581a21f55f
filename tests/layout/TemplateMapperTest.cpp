#include "LayoutFixture.h"

#include "platform/foundation/LocalizedStrings.h"

#include <algorithm>

namespace {

using TemplateMapperTest = LayoutFixture;

} // namespace

TEST_F(TemplateMapperTest, SevenPhotosOnThreeCellsMakeThreePages) {
    addPhotos(7);
    const TemplateMapperRef mapper = makeMapper(makeTemplate("three.vyxTemplate", 3));
    mapper->setLayoutMode(LayoutModeSequential);
    EXPECT_EQ(mapper->photoCellCount(), 3);
    EXPECT_EQ(mapper->pageCount(), 3);
    EXPECT_TRUE(mapper->setCurrentPageNum(2));
    EXPECT_EQ(mapper->sourceIndexForCell(0), 6);
    EXPECT_EQ(mapper->sourceIndexForCell(1), -1);
    EXPECT_EQ(mapper->sourceIndexForCell(2), -1);
    mapper->setCurrentPageNum(1);
    EXPECT_EQ(mapper->sourceIndexForCell(2), 5);

    // Only marked photos count, in catalog order.
    catalog().clearMarkerAtIndex(0);
    drainEvents();
    EXPECT_EQ(mapper->pageCount(), 2);
    mapper->setCurrentPageNum(0);
    EXPECT_EQ(mapper->sourceIndexForCell(0), 1);

    // One photo per page: every cell shows the page's photo.
    mapper->setLayoutMode(LayoutModeOnePhotoPerPage);
    EXPECT_EQ(mapper->pageCount(), 6);
    mapper->setCurrentPageNum(1);
    for (int cell = 0; cell < 3; ++cell)
        EXPECT_EQ(mapper->sourceIndexForCell(cell), 2);

    // An unknown mode pages as mode 1 and shows nothing.
    mapper->setLayoutMode(7);
    EXPECT_EQ(mapper->pageCount(), 2);
    EXPECT_EQ(mapper->sourceIndexForCell(0), -1);
}

TEST_F(TemplateMapperTest, EmptyLayoutsAndTemplatesWithoutCells) {
    const TemplateMapperRef mapper = makeMapper(makeTemplate("one.vyxTemplate", 1));
    // Nothing marked: no pages, no current page, empty cells.
    EXPECT_EQ(mapper->pageCount(), 0);
    EXPECT_EQ(mapper->currentPageNum(), -1);
    EXPECT_EQ(mapper->sourceIndexForCell(0), -1);
    addPhotos(2, false);
    EXPECT_EQ(mapper->pageCount(), 0);

    // A master without cells gives no pages in mode 1; the page asked lands on 0.
    addPhotos(2);
    const TemplateMapperRef cellless = makeMapper(makeTemplate("none.vyxTemplate", 0));
    cellless->setLayoutMode(LayoutModeSequential);
    EXPECT_EQ(cellless->pageCount(), 0);
    cellless->setCurrentPageNum(3);
    EXPECT_EQ(cellless->previousPageNum(), 0);
    EXPECT_EQ(cellless->sourceIndexForCell(0), -1);

    // Book mode never has no pages: asking adds one empty page.
    mapper->setLayoutMode(LayoutModeBook);
    EXPECT_EQ(mapper->pageCount(), 1);
    EXPECT_EQ(mapper->bookContainer()->pages, QList<QVariantMap>{QVariantMap()});
    EXPECT_EQ(mapper->pageCount(), 1);
    EXPECT_EQ(mapper->currentPageNum(), 0);
    EXPECT_EQ(mapper->sourceIndexForCell(0), -1);
}

TEST_F(TemplateMapperTest, PagesAreClampedAndEachChangeIsAnnouncedOnce) {
    addPhotos(6);
    const TemplateMapperRef mapper = makeMapper(makeTemplate("two.vyxTemplate", 2));
    MapperNotices notices(mapper.get());
    mapper->setLayoutMode(LayoutModeSequential);
    EXPECT_EQ(notices.pageChanges, 1);

    // Before the first change a call posts even when the page stays.
    notices.clear();
    const TemplateMapperRef fresh = makeMapper(mapper->masterTemplate());
    MapperNotices freshNotices(fresh.get());
    EXPECT_TRUE(fresh->setCurrentPageNum(0));
    EXPECT_EQ(freshNotices.pageChanges, 1);
    EXPECT_FALSE(fresh->setCurrentPageNum(0));
    EXPECT_EQ(freshNotices.pageChanges, 1);

    const struct {
        int32_t asked;
        int32_t landed;
        bool changed;
    } cases[] = {{99, 2, true}, {99, 2, false}, {-5, 0, true}, {1, 1, true}, {1, 1, false}};
    for (const auto& c : cases) {
        notices.clear();
        EXPECT_EQ(mapper->setCurrentPageNum(c.asked), c.changed) << c.asked;
        EXPECT_EQ(mapper->currentPageNum(), c.landed) << c.asked;
        EXPECT_EQ(notices.pageChanges, c.changed ? 1 : 0) << c.asked;
    }

    // The stored page is clamped when pages go away.
    mapper->setCurrentPageNum(2);
    for (int i = 0; i < 4; ++i)
        catalog().clearMarkerAtIndex(i);
    drainEvents();
    EXPECT_EQ(mapper->currentPageNum(), 0);

    // Setting a mode or master already held does nothing; others announce once.
    notices.clear();
    mapper->setLayoutMode(LayoutModeSequential);
    mapper->setScalingMode(ScalingModeFill);
    mapper->setMasterTemplate(mapper->masterTemplate());
    EXPECT_EQ(notices.pageChanges, 0);
    EXPECT_EQ(notices.masterChanges, 0);
    mapper->setScalingMode(ScalingModeFit);
    EXPECT_EQ(notices.pageChanges, 1);
    EXPECT_EQ(mapper->scalingModeForCell(1), ScalingModeFit);
    notices.clear();
    mapper->setMasterTemplate(makeTemplate("other.vyxTemplate", 1));
    EXPECT_EQ(notices.masterChanges, 1);
    EXPECT_EQ(mapper->photoCellCount(), 1);

    // Marker changes of the catalog are announced by the mapper.
    notices.clear();
    catalog().setMarkerAtIndex(0);
    drainEvents();
    EXPECT_EQ(notices.pageChanges, 1);
}

TEST_F(TemplateMapperTest, SelectionMovesTheCurrentPagePerMode) {
    addPhotos(2, false);
    addPhotos(6);
    // Catalog indices 2 to 7 are marked; index 6 is the fifth marked photo.
    const TemplateMapperRef mapper = makeMapper(makeTemplate("two.vyxTemplate", 2));
    const struct {
        int32_t mode;
        int32_t pageOfFifth;
    } cases[] = {{LayoutModeSequential, 2}, {LayoutModeOnePhotoPerPage, 4}};
    for (const auto& c : cases) {
        mapper->setLayoutMode(c.mode);
        catalog().clearSelection();
        catalog().setSelectionAtIndex(6);
        drainEvents();
        EXPECT_EQ(mapper->currentPageNum(), c.pageOfFifth) << c.mode;
        // Only unmarked photos selected: page 0.
        catalog().clearSelection();
        catalog().setSelectionAtIndex(1);
        drainEvents();
        EXPECT_EQ(mapper->currentPageNum(), 0) << c.mode;
    }

    // Not in book mode, nor with tracking off.
    mapper->setLayoutMode(LayoutModeBook);
    for (int i = 0; i < 4; ++i)
        mapper->addPage();
    mapper->setCurrentPageNum(3);
    catalog().clearSelection();
    catalog().setSelectionAtIndex(6);
    drainEvents();
    EXPECT_EQ(mapper->currentPageNum(), 3);
    mapper->setLayoutMode(LayoutModeOnePhotoPerPage);
    mapper->setTracksSelection(false);
    mapper->setCurrentPageNum(1);
    catalog().clearSelection();
    catalog().setSelectionAtIndex(7);
    drainEvents();
    EXPECT_EQ(mapper->currentPageNum(), 1);
}

TEST_F(TemplateMapperTest, TwoDocumentsTrackOnlyTheirOwnCatalog) {
    addPhotos(4);
    RoduvudeDadevizi other;
    for (int i = 0; i < 4; ++i) {
        other.fileCatalog().addImageEntry(Image(QImage(8, 8, QImage::Format_RGB32)));
        other.fileCatalog().setMarkerAtIndex(i);
    }
    drainEvents();
    const TemplateHandleRef master = makeTemplate("one.vyxTemplate", 1);
    const TemplateMapperRef mine = makeMapper(master);
    const auto theirs = std::make_shared<TemplateMapper>(master, other.sharedFileCatalog());
    mine->setCurrentPageNum(0);
    theirs->setCurrentPageNum(0);
    catalog().setSelectionAtIndex(3);
    drainEvents();
    EXPECT_EQ(mine->currentPageNum(), 3);
    EXPECT_EQ(theirs->currentPageNum(), 0);
}

TEST_F(TemplateMapperTest, BookPlacementsAreUndoableAndFollowTheirPhoto) {
    addPhotos(4, false);
    const TemplateMapperRef mapper = makeMapper(makeTemplate("two.vyxTemplate", 2));
    mapper->setLayoutMode(LayoutModeBook);
    ASSERT_EQ(mapper->pageCount(), 1);
    mapper->addPage();
    ASSERT_EQ(mapper->pageCount(), 2);
    UndoManager* undo = document->undoManager();
    undo->removeAllActions();
    MapperNotices notices(mapper.get());

    // On the current page: announced; the photo is found by serial number.
    mapper->setEntryIndexOnPage(0, 1, 2);
    EXPECT_EQ(notices.pageChanges, 1);
    EXPECT_EQ(mapper->bookContainer()->pages[0].value(str("Pos1")).toInt(), serialAt(2));
    EXPECT_EQ(mapper->sourceIndexForCell(1), 2);
    EXPECT_EQ(undo->undoActionName(), localizedString(str("PIC_PLACEMENT")));
    drainEvents();

    // Beyond the last page: a new third page holds it; undo clears it there.
    notices.clear();
    mapper->setEntryIndexOnPage(5, 0, 3);
    EXPECT_EQ(notices.pageChanges, 0);
    ASSERT_EQ(mapper->bookContainer()->pages.size(), 3);
    EXPECT_EQ(mapper->entryIndexOnPage(2, 0), 3);
    EXPECT_EQ(mapper->entryIndexOnPage(5, 0), -1);
    EXPECT_EQ(mapper->entriesOnPage(2), 1);
    drainEvents();
    ASSERT_TRUE(undo->undo());
    ASSERT_EQ(mapper->bookContainer()->pages.size(), 3);
    EXPECT_FALSE(mapper->bookContainer()->pages[2].contains(str("Pos0")));
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(mapper->entryIndexOnPage(2, 0), 3);

    // Replacing and undoing brings the previous photo back, even after a move.
    const int previous = serialAt(2);
    mapper->setEntryIndexOnPage(0, 1, 0);
    EXPECT_EQ(mapper->entryIndexOnPage(0, 1), 0);
    drainEvents();
    undo->disableUndoRegistration();
    catalog().moveEntryFromIndexToIndex(2, 0);
    undo->enableUndoRegistration();
    drainEvents();
    ASSERT_EQ(serialAt(0), previous);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(mapper->bookContainer()->pages[0].value(str("Pos1")).toInt(), previous);
    EXPECT_EQ(mapper->entryIndexOnPage(0, 1), 0);

    // Every placement, and -1 for a photo that has left.
    mapper->setEntryIndexOnPage(1, 0, 1);
    QList<int32_t> all = mapper->getAllPageEntryIndices();
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (QList<int32_t>{0, 1, 3}));
    const int gone = mapper->entryIndexOnPage(2, 0);
    catalog().removeEntryAtIndex(gone);
    drainEvents();
    EXPECT_EQ(mapper->entryIndexOnPage(2, 0), -1);
    EXPECT_EQ(mapper->getEntryIndicesOnPage(2), QList<int32_t>{-1});
    EXPECT_TRUE(mapper->getEntryIndicesOnPage(-1).isEmpty());
    EXPECT_TRUE(mapper->getEntryIndicesOnPage(3).isEmpty());
    EXPECT_EQ(mapper->entriesOnPage(9), 0);
    mapper->setCurrentPageNum(2);
    EXPECT_EQ(mapper->sourceIndexForCell(0), -1);
    EXPECT_TRUE(mapper->imageForCell(0).isNull());

    // Page texts are no placements; pages are removed only in range.
    mapper->bookContainer()->pages[1].insert(str("pgEditVals"), true);
    mapper->bookContainer()->pages[1].insert(str("EditVal_0"), str("Hi"));
    EXPECT_EQ(mapper->entriesOnPage(1), 1);
    mapper->removePage(-1);
    mapper->removePage(3);
    EXPECT_EQ(mapper->pageCount(), 3);
    mapper->removePage(0);
    EXPECT_EQ(mapper->pageCount(), 2);
}

TEST_F(TemplateMapperTest, UndoingAPlacementOfAnEmptyCellClearsIt) {
    addPhotos(2, false);
    const TemplateMapperRef mapper = makeMapper(makeTemplate("two.vyxTemplate", 2));
    mapper->setLayoutMode(LayoutModeBook);
    UndoManager* undo = document->undoManager();
    undo->removeAllActions();
    mapper->setEntryIndexOnPage(0, 0, 1);
    drainEvents();
    ASSERT_TRUE(undo->undo());
    EXPECT_FALSE(mapper->bookContainer()->pages[0].contains(str("Pos0")));
    EXPECT_EQ(mapper->sourceIndexForCell(0), -1);
    // The undo record holds the page, the cell and the serial number before.
    mapper->placeEntries({{str("page"), 0}, {str("pos"), 1}, {str("serialNo"), serialAt(0)}});
    EXPECT_EQ(mapper->entryIndexOnPage(0, 1), 0);
}

TEST_F(TemplateMapperTest, CopiesShareBookAndTextsButNotTheirPage) {
    addPhotos(4);
    const TemplateMapperRef mapper =
        makeMapper(makeTemplate("fields.vyxTemplate", 1, {{QString(), QString()}}));
    mapper->setLayoutMode(LayoutModeOnePhotoPerPage);
    mapper->setCurrentPageNum(1);
    const TemplateMapperRef copy = mapper->copy();
    EXPECT_EQ(copy->masterTemplate(), mapper->masterTemplate());
    EXPECT_EQ(copy->fileCatalog(), mapper->fileCatalog());
    EXPECT_EQ(copy->currentPageNum(), 1);
    copy->setDestinationDevice(DestinationOutput);
    MapperNotices windowNotices(mapper.get());
    copy->setCurrentPageNum(3);
    EXPECT_EQ(mapper->currentPageNum(), 1);
    EXPECT_EQ(windowNotices.pageChanges, 0);
    EXPECT_EQ(mapper->destinationDevice(), DestinationScreen);

    copy->setEditValueForField(str("From print"), 0);
    EXPECT_EQ(mapper->editValueForField(0), str("From print"));

    copy->setLayoutMode(LayoutModeBook);
    mapper->setLayoutMode(LayoutModeBook);
    copy->setEntryIndexOnPage(0, 0, 2);
    EXPECT_EQ(mapper->entryIndexOnPage(0, 0), 2);

    // The copy observes the catalog itself.
    copy->setLayoutMode(LayoutModeOnePhotoPerPage);
    catalog().setSelectionAtIndex(2);
    drainEvents();
    EXPECT_EQ(copy->currentPageNum(), 2);
}

TEST_F(TemplateMapperTest, CategoryHintFallsBackAndIsUndoableWithoutName) {
    const TemplateMapperRef mapper = makeMapper(makeTemplate("one.vyxTemplate", 1));
    EXPECT_EQ(mapper->getCategoryHint(), str("Cards"));
    const auto masterless = makeMapper(nullptr);
    EXPECT_EQ(masterless->getCategoryHint(), localizedString(str("PRINTS")));

    UndoManager* undo = document->undoManager();
    undo->removeAllActions();
    mapper->setCategoryHint(str("Posters"));
    EXPECT_EQ(mapper->getCategoryHint(), str("Posters"));
    EXPECT_TRUE(undo->undoActionName().isEmpty());
    drainEvents();
    // An empty hint is a hint; the same one again registers nothing.
    mapper->setCategoryHint(str(""));
    drainEvents();
    mapper->setCategoryHint(str(""));
    drainEvents();
    EXPECT_EQ(mapper->getCategoryHint(), str(""));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(mapper->getCategoryHint(), str("Posters"));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(mapper->getCategoryHint(), str("Cards"));
    EXPECT_FALSE(undo->canUndo());
}
