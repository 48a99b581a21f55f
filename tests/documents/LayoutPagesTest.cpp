#include "PrintFixture.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "documents/CatalogPanel.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "layout/TemplateView.h"
#include "platform/foundation/UndoManager.h"

#include <QColor>
#include <QTest>
#include <QToolButton>

namespace {

class LayoutPages : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        // The grid follows the page only once it shows the catalog.
        controller->setup();
    }
    VQFileCatalog& catalog() { return document->fileCatalog(); }
    QList<int> selected() { return catalog().getSelectedIndices(); }
};

} // namespace

TEST_F(LayoutPages, TheSelectionFollowsThePageAmongTheMarkedPhotos) {
    // Four cells a page.
    useTemplate("four", {400, 400},
                {{10, 10, 80, 80}, {110, 10, 80, 80}, {10, 110, 80, 80}, {110, 110, 80, 80}});
    const QList<QColor> colours(12, Qt::gray);
    addPhotos(colours);
    // Photo 1 is not marked: the marked list is 0, 2, 3, ..., 11.
    catalog().setMarkerAtIndexTo(1, false);
    drainEvents();
    const TemplateMapperRef mapper = document->templateMapper();
    ASSERT_EQ(mapper->pageCount(), 3);

    struct Case {
        const char* name;
        int arrangement;
        int page;
        int selectedIndex; // -1: none
        bool next;
        int expectedPage;
        QList<int> expectedSelection;
    } cases[] = {
        // The sixth marked photo (index 6) on page 2: next goes to the ninth (index 9).
        {"sequential next", LayoutModeSequential, 1, 6, true, 2, {9}},
        {"sequential previous", LayoutModeSequential, 1, 6, false, 0, {0}},
        // The tenth marked photo (index 10): no page after the third, none selected.
        {"sequential next past the end", LayoutModeSequential, 2, 10, true, 2, {10}},
        {"an unmarked photo stays", LayoutModeSequential, 0, 1, true, 1, {1}},
        {"nothing selected stays so", LayoutModeSequential, 0, -1, true, 1, {}},
        // The sixth marked photo on its own page, the sixth.
        {"one a page, next", LayoutModeOnePhotoPerPage, 5, 6, true, 6, {7}},
        {"one a page, previous", LayoutModeOnePhotoPerPage, 5, 6, false, 4, {5}},
        {"one a page, first has no previous", LayoutModeOnePhotoPerPage, 0, 0, false, 0, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        document->setPrintArrangementMode(c.arrangement);
        controller->setPrintArrangementMode(c.arrangement);
        drainEvents();
        catalog().clearSelection();
        if (c.selectedIndex >= 0)
            catalog().setSelectionAtIndex(c.selectedIndex);
        drainEvents();
        mapper->setCurrentPageNum(c.page);
        c.next ? controller->nextLayoutPage() : controller->previousLayoutPage();
        drainEvents();
        EXPECT_EQ(mapper->currentPageNum(), c.expectedPage);
        EXPECT_EQ(selected(), c.expectedSelection);
    }
}

TEST_F(LayoutPages, UndoOfNextPageGoesBackFromTheCurrentPage) {
    useTemplate("one", {200, 200}, {{10, 10, 80, 80}});
    addPhotos({Qt::red, Qt::green, Qt::blue, Qt::yellow});
    document->setPrintArrangementMode(LayoutModeOnePhotoPerPage);
    controller->setPrintArrangementMode(LayoutModeOnePhotoPerPage);
    drainEvents();
    const TemplateMapperRef mapper = document->templateMapper();
    mapper->setCurrentPageNum(0);
    controller->nextLayoutPage();
    drainEvents();
    EXPECT_EQ(mapper->currentPageNum(), 1);
    EXPECT_EQ(document->undoManager()->undoActionName(), localizedString(str("NEXT_PAGE")));
    // The page changed meanwhile: the inverse goes one back from where it is.
    mapper->setCurrentPageNum(3);
    ASSERT_TRUE(document->undoManager()->undo());
    drainEvents();
    EXPECT_EQ(mapper->currentPageNum(), 2);
    EXPECT_EQ(document->undoManager()->redoActionName(), localizedString(str("NEXT_PAGE")));
}

TEST_F(LayoutPages, NextToolStepsThroughTheThreeModes) {
    useTemplate("one", {200, 200}, {{10, 10, 80, 80}});
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    TemplateView* view = controller->layoutPanel()->templateView();
    ASSERT_NE(view, nullptr);
    view->setInteractionMode(TemplateView::InteractionModePan);
    controller->getToolModeSwitcher()->setValue(0);
    for (int expected : {1, 2, 0, 1}) {
        controller->cycleInteractionMode();
        EXPECT_EQ(view->interactionMode(), expected);
        EXPECT_EQ(controller->getToolModeSwitcher()->value(), expected);
    }
}

TEST_F(LayoutPages, TheStatusLinePageButtonsTurnThePages) {
    useTemplate("one", {200, 200}, {{10, 10, 80, 80}});
    document->setPrintArrangementMode(LayoutModeBook);
    drainEvents();
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    controller->addLayoutPage();
    controller->addLayoutPage();
    const TemplateMapperRef mapper = document->templateMapper();
    mapper->setCurrentPageNum(1);
    drainEvents();
    auto* window = qobject_cast<DurevedeDudiruVorudu*>(controller->window());
    ASSERT_NE(window, nullptr);
    QToolButton* previous = window->statusPrevButton();
    QToolButton* next = window->statusNextButton();
    ASSERT_TRUE(next->isEnabled());
    QTest::mouseClick(next, Qt::LeftButton);
    drainEvents();
    EXPECT_EQ(mapper->currentPageNum(), 2);
    EXPECT_FALSE(next->isEnabled());
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(previous, Qt::LeftButton);
        drainEvents();
    }
    EXPECT_EQ(mapper->currentPageNum(), 0);
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_TRUE(next->isEnabled());
}
