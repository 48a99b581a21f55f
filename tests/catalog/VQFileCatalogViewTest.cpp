#include "GridFixture.h"

#include "platform/foundation/LocalizedStrings.h"
#include "platform/system/Workspace.h"
#include "platform/ui/CurrentEvent.h"
#include "utilities/GeometryUtilities.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <deque>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

QAction* actionWithTag(QMenu* menu, int tag) {
    for (QAction* action : menu->actions())
        if (action->data().toInt() == tag)
            return action;
    return nullptr;
}

// Notes what the desktop was asked to do.
class RecordingWorkspace : public Workspace {
public:
    RecordingWorkspace() { Workspace::setSharedWorkspace(this); }
    ~RecordingWorkspace() override { Workspace::setSharedWorkspace(nullptr); }
    bool openFile(const QString& path) override {
        opened.append(path);
        return true;
    }
    bool selectFile(const QString& path, const QString& root) override {
        shown.append(path + str(" in ") + root);
        return true;
    }
    QStringList opened;
    QStringList shown;
};

} // namespace

class GridTest : public GridFixture {};

TEST_F(GridTest, LayoutFollowsTheClipViewDownToUnderOneCell) {
    struct Case {
        const char* what;
        int entries;
        int clipWidth;
        int columns;
        int rows;
    };
    const Case cases[] = {
        {"empty", 0, 300, 0, 0},
        {"under one cell", 4, kCell - 1, 0, 1},
        {"exactly one cell", 4, kCell, 1, 4},
        {"fewer entries than room", 4, 10 * kCell, 4, 1},
        {"full grid", 6, 3 * kCell + 10, 3, 2},
        {"three columns", 7, 3 * kCell + 10, 3, 3},
    };
    int added = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        while (added < c.entries) {
            ASSERT_TRUE(catalog().addFileEntry(photo(str("l%1.png").arg(added))));
            ++added;
        }
        drainEvents();
        ASSERT_NO_FATAL_FAILURE(sizeClip(c.clipWidth, 300));
        EXPECT_EQ(grid()->columns(), c.columns);
        EXPECT_EQ(grid()->rows(), c.rows);
        // The grid is as large as its cells, and never smaller than the clip view.
        EXPECT_EQ(grid()->size(),
                  QSize(std::max(c.columns * kCell, c.clipWidth), std::max(c.rows * kCell, 300)));
        if (c.columns == 0 && c.entries > 0) {
            EXPECT_EQ(grid()->getCellRectAtIndex(0), kZeroRect);
            EXPECT_EQ(grid()->cellIndexUnderPoint({10, 250}), -1);
        }
    }
}

TEST_F(GridTest, CellsHitAndLieRowByRowFromTheTopLeft) {
    addPhotos(5);
    sizeForColumns(3);
    // The grid is 300 high: row 0 at the top, y upward.
    EXPECT_EQ(grid()->getCellRectAtIndex(0), Rect(0, 208, 92, 92));
    EXPECT_EQ(grid()->getCellRectAtIndex(4), Rect(92, 116, 92, 92));
    EXPECT_EQ(grid()->getCellRectAtIndex(5), kZeroRect);
    EXPECT_EQ(grid()->cellIndexUnderPoint({100, 120}), 4);
    EXPECT_EQ(grid()->cellIndexUnderPoint({200, 120}), -1); // past the last entry
    EXPECT_EQ(grid()->cellIndexUnderPoint({300, 250}), -1); // beside the columns
}

TEST_F(GridTest, ClicksSelectAsShiftAndCommandSay) {
    addPhotos(8);
    sizeForColumns(4);
    struct Step {
        int index;
        Qt::KeyboardModifiers modifiers;
        QList<int> selection;
    };
    const Step steps[] = {
        {2, Qt::NoModifier, {2}},
        {5, Qt::ShiftModifier, {2, 3, 4, 5}}, // down to the one before
        {0, Qt::ShiftModifier, {0, 1, 2, 3, 4, 5}},
        {7, Qt::NoModifier, {7}},
        {3, Qt::ControlModifier, {3, 7}}, // Ctrl is Command
        {7, Qt::ControlModifier, {3}},
        {3, Qt::ControlModifier, {}}, // the only selected one
        {4, Qt::ShiftModifier, {4}},  // nothing selected: only the cell
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.index);
        click(step.index, step.modifiers);
        EXPECT_EQ(selected(), step.selection);
    }
    // A click beside the cells clears the selection.
    QTest::mouseClick(grid(), Qt::LeftButton, Qt::NoModifier, QPoint(380, 10));
    drainEvents();
    EXPECT_TRUE(selected().isEmpty());
}

TEST_F(GridTest, ADoubleClickSwitchesPanels) {
    addPhotos(2);
    sizeForColumns(2);
    EXPECT_EQ(controller->currentViewTag(), 0);
    QTest::mouseDClick(grid(), Qt::LeftButton, Qt::NoModifier, cellPoint(1));
    drainEvents();
    EXPECT_EQ(selected(), QList<int>{1});
    EXPECT_EQ(controller->currentViewTag(), 1);
}

TEST_F(GridTest, TheMarkerBoxTogglesTheMarkerInEveryMode) {
    addPhotos(2);
    sizeForColumns(2);
    catalog().setMarkerAtIndexTo(1, false);
    catalog().setSelectionAtIndex(0);
    const bool before = catalog().getFileAttributeAtIndex(kCatalogAttrMarked, 1).toBool();
    QTest::mouseClick(grid(), Qt::LeftButton, Qt::NoModifier,
                      cellPoint(1, 8.0f / kCell, 15.0f / kCell));
    drainEvents();
    EXPECT_NE(catalog().getFileAttributeAtIndex(kCatalogAttrMarked, 1).toBool(), before);
    EXPECT_EQ(selected(), QList<int>{0}); // the marker click selects nothing
    document->setPrintArrangementMode(2);
    drainEvents();
    QTest::mouseClick(grid(), Qt::LeftButton, Qt::NoModifier,
                      cellPoint(1, 8.0f / kCell, 15.0f / kCell));
    drainEvents();
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrMarked, 1).toBool(), before);
}

TEST_F(GridTest, ArrowKeysMoveTheSelectionAndRowsWrapWithinTheColumn) {
    addPhotos(7);
    sizeForColumns(3); // rows of 3: 0 1 2 / 3 4 5 / 6
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int from;
        int to;
    };
    const Step steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 1, 4},
        {Qt::Key_Down, Qt::NoModifier, 4, 1},  // no row 3 in this column: back to the top
        {Qt::Key_Down, Qt::NoModifier, 6, 0},  // the last row wraps to the top
        {Qt::Key_Up, Qt::NoModifier, 0, 6},    // up from the top: the lowest cell of the column
        {Qt::Key_Up, Qt::NoModifier, 2, 5},    // the column has no cell in the last row
        {Qt::Key_Up, Qt::NoModifier, -1, 6},   // nothing selected: the last entry
        {Qt::Key_Down, Qt::NoModifier, -1, 0}, // nothing selected: the first
        {Qt::Key_Right, Qt::NoModifier, 3, 4},
        {Qt::Key_Left, Qt::NoModifier, 3, 2},
        {Qt::Key_Right, Qt::ControlModifier, 3, 6},
        {Qt::Key_Up, Qt::ControlModifier, 4, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.from);
        catalog().clearSelection();
        if (step.from >= 0)
            catalog().setSelectionAtIndex(step.from);
        QTest::keyClick(window(), step.key, step.modifiers);
        drainEvents();
        EXPECT_EQ(selected(), QList<int>{step.to});
    }
}

TEST_F(GridTest, NavigationLeavesAnEmptyCatalogAlone) {
    sizeForColumns(3);
    QTest::keyClick(window(), Qt::Key_Down);
    QTest::keyClick(window(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(catalog().fileCount(), 0);
    EXPECT_TRUE(selected().isEmpty());
}

TEST_F(GridTest, RotationFromTheMenuAddsTheAngleWithinAFullTurn) {
    addPhotos(1);
    sizeForColumns(1);
    struct Case {
        float start;
        int tag;
        float expected;
    };
    const Case cases[] = {{270, kTagRotateRight, 0},
                          {-270, kTagRotateLeft, 0},
                          {180, kTagRotateRight, 270},
                          {90, kTagFlip, 270},
                          {0, kTagRotateLeft, -90}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, c.start);
        QMenu* menu = grid()->menuForEvent(grid()->getCellRectAtIndex(0).center(), 0);
        ASSERT_NE(menu, nullptr);
        QAction* action = actionWithTag(menu, c.tag);
        ASSERT_NE(action, nullptr);
        action->trigger();
        drainEvents();
        const QVariant rotation = catalog().getFileAttributeAtIndex(kCatalogAttrRotation, 0);
        EXPECT_FLOAT_EQ(rotation.toFloat(), c.expected);
    }
}

TEST_F(GridTest, TurningAPhotoTurnsItsCropWithIt) {
    addPhotos(1); // 40 x 30
    sizeForColumns(1);
    catalog().setSelectionAtIndex(0);
    // A crop that lies within the photo either way round.
    const Rect crop{12, 2, 10, 10};
    const Rect photo{0, 0, 40, 30};
    catalog().setFileImageCropAtIndexTo(0, crop);
    ASSERT_EQ(catalog().getFileImageCropAtIndex(0), crop);
    controller->rotateImageRight();
    const Rect right = UTRotateRectRight90(crop, photo);
    EXPECT_EQ(catalog().getFileImageCropAtIndex(0), right);
    EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrRotation, 0).toFloat(), 90);
    controller->rotateImageLeft();
    // Back within the turned photo: where it was.
    EXPECT_EQ(catalog().getFileImageCropAtIndex(0), crop);
    EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrRotation, 0).toFloat(), 0);
    // No crop: nothing to turn.
    catalog().setFileImageCropAtIndexTo(0, kZeroRect);
    controller->flipImage();
    EXPECT_EQ(catalog().getFileImageCropAtIndex(0), kZeroRect);
    EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrRotation, 0).toFloat(), 180);
}

TEST_F(GridTest, RemovalAsksFirstAndKeepsTheViewOnTheRowsShown) {
    addPhotos(30);
    sizeForColumns(3); // 10 rows, 300 high
    scroll()->firstSelection();
    const Rect top = scroll()->documentVisibleRect();
    EXPECT_EQ(top.maxY(), 920);
    for (int index : {27, 28, 29})
        catalog().setSelectionAtIndex(index);
    catalog().clearSelectionAtIndex(0);
    const QList<int> before = serials();
    QStringList asked;
    int answer = ModalAlert::DefaultReturn; // Cancel
    ModalAlert::ScopedResponder alerts([&](const ModalAlert::Request& r) {
        asked.append(r.message);
        return answer;
    });
    controller->removeFiles();
    drainEvents();
    EXPECT_EQ(asked, QStringList{localizedString(str("REMOVE_WARN"))});
    EXPECT_EQ(catalog().fileCount(), 30);

    answer = ModalAlert::AlternateReturn; // OK
    controller->removeFiles();
    drainEvents();
    EXPECT_EQ(serials(), before.mid(0, 27));
    // The entry after the removed ones (past the end: the first) is selected and
    // the rows at the top stay in view.
    EXPECT_EQ(selected(), QList<int>{0});
    EXPECT_EQ(grid()->rows(), 9);
    EXPECT_EQ(scroll()->documentVisibleRect().maxY(), 828);
    EXPECT_EQ(scroll()->verticalScroller()->value(), 0);
}

TEST_F(GridTest, RemovalInTheMiddleKeepsTheSelectionInView) {
    addPhotos(30);
    sizeForColumns(3);
    scroll()->setSelectionIndex(13);
    catalog().setSelectionAtIndex(14);
    ModalAlert::ScopedResponder alerts(
        [](const ModalAlert::Request&) { return int(ModalAlert::AlternateReturn); });
    const int next = serials().at(15);
    controller->removeFiles();
    drainEvents();
    ASSERT_EQ(selected(), QList<int>{13});
    EXPECT_EQ(serials().at(13), next);
    const Rect shown = scroll()->documentVisibleRect();
    EXPECT_TRUE(containsRect(insetRect(shown, -1, -1), grid()->getCellRectAtIndex(13)));
}

TEST_F(GridTest, ScrollingToTheSelection) {
    addPhotos(30);
    sizeForColumns(3); // 920 high in a 300 clip view
    // Nothing selected: cell 0, with the top of what shows at the document's top.
    scroll()->scrollToSelection();
    EXPECT_EQ(scroll()->documentVisibleRect().maxY(), 920);
    scroll()->setSelectionIndex(29);
    Rect shown = scroll()->documentVisibleRect();
    EXPECT_TRUE(containsRect(insetRect(shown, -1, -1), grid()->getCellRectAtIndex(29)));
    scroll()->setSelectionIndex(30); // beyond the entries: left alone
    EXPECT_EQ(selected(), QList<int>{29});
    scroll()->firstSelection();
    EXPECT_EQ(scroll()->documentVisibleRect().maxY(), 920);
    EXPECT_EQ(selected(), QList<int>{0});
}

TEST_F(GridTest, AFrameChangeKeepsTheRowsAtTheTopInView) {
    addPhotos(30);
    sizeForColumns(3); // 920 high
    scroll()->firstSelection();
    ASSERT_EQ(scroll()->documentVisibleRect().maxY(), 920);
    sizeForColumns(3, 320);
    EXPECT_EQ(grid()->rows(), 10);
    EXPECT_EQ(scroll()->documentVisibleRect().maxY(), 920);
    EXPECT_EQ(scroll()->verticalScroller()->value(), 0);
}

TEST_F(GridTest, ShrinkingFromFiveColumnsToUnderOneReflows) {
    addPhotos(12);
    sizeForColumns(5, 200);
    scroll()->setSelectionIndex(11);
    drainEvents();
    for (int columns = 5; columns >= 1; --columns) {
        SCOPED_TRACE(columns);
        ASSERT_NO_FATAL_FAILURE(sizeForColumns(columns, 200));
        EXPECT_EQ(grid()->columns(), columns);
        EXPECT_EQ(grid()->rows(), (12 + columns - 1) / columns);
        scroll()->scrollToSelection();
        EXPECT_TRUE(containsRect(insetRect(scroll()->documentVisibleRect(), -1, -1),
                                 grid()->getCellRectAtIndex(11)));
    }
    // A clip view lower than a cell shows the cell's top-left corner.
    ASSERT_NO_FATAL_FAILURE(sizeClip(kCell + 10, 60));
    scroll()->scrollToSelection();
    const Rect cell = grid()->getCellRectAtIndex(11);
    EXPECT_EQ(scroll()->documentVisibleRect().maxY(), cell.maxY());
    // Under one cell: no columns, no cell, and scrolling to it returns at once.
    ASSERT_NO_FATAL_FAILURE(sizeClip(kCell - 20, 200));
    EXPECT_EQ(grid()->columns(), 0);
    EXPECT_EQ(grid()->rows(), 1);
    const Rect before = scroll()->documentVisibleRect();
    scroll()->scrollToSelection();
    EXPECT_EQ(scroll()->documentVisibleRect(), before);
    // Row movement has no column to move along.
    QTest::keyClick(window(), Qt::Key_Down);
    drainEvents();
    EXPECT_EQ(selected(), QList<int>{11});
    // And back: the cells return.
    ASSERT_NO_FATAL_FAILURE(sizeForColumns(4, 200));
    EXPECT_EQ(grid()->columns(), 4);
}

TEST_F(GridTest, MenuItemsFollowTheSelectionTheModeAndSheets) {
    // A file removed under the background loader would race it: thumbnails here
    // are made as cells are drawn.
    catalog().setUsesDeferedLoader(false);
    addPhotos(2);
    sizeForColumns(2);
    QFile::remove(dir.filePath(str("p1.png")));
    {
        // The window shows the missing file's error in a sheet; it is answered.
        // The error comes through the event loop, later under load.
        bool answered = false;
        ModalAlert::ScopedResponder answer([&answered](const ModalAlert::Request&) {
            answered = true;
            return int(ModalAlert::DefaultReturn);
        });
        catalog().testAllEntriesForChanges();
        QDeadlineTimer deadline(5000);
        while (!answered && !deadline.hasExpired())
            drainEvents();
        ASSERT_TRUE(answered);
    }
    ASSERT_FALSE(ModalAlert::hasAttachedSheet(window()));
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 1).toBool());
    const Point over0 = grid()->getCellRectAtIndex(0).center();
    const Point over1 = grid()->getCellRectAtIndex(1).center();

    auto enabledTags = [&](QMenu* menu) {
        QList<int> tags;
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && grid()->validateMenuItem(action))
                tags.append(action->data().toInt());
        return tags;
    };
    // A present local photo.
    QMenu* menu = grid()->menuForEvent(over0, 0);
    EXPECT_EQ(menu->objectName(), str("Entry Context"));
    EXPECT_EQ(enabledTags(menu),
              (QList<int>{kTagRotateRight, kTagRotateLeft, kTagFlip, kTagExport, kTagRemove,
                          kTagRename, kTagMark, kTagUnmark, kTagOpenInFinder, kTagRevealInFinder}));
    // A missing one: locate instead of rename.
    menu = grid()->menuForEvent(over1, 0);
    EXPECT_EQ(selected(), QList<int>{1});
    EXPECT_EQ(enabledTags(menu),
              (QList<int>{kTagRotateRight, kTagRotateLeft, kTagFlip, kTagRemove, kTagMark,
                          kTagUnmark, kTagLocate, kTagOpenInFinder, kTagRevealInFinder}));
    // Book arrangement: no marking.
    // The window takes the document's arrangement from its notice.
    document->setPrintArrangementMode(2);
    drainEvents();
    EXPECT_FALSE(grid()->validateMenuItem(actionWithTag(menu, kTagMark)));
    document->setPrintArrangementMode(0);
    drainEvents();
    // A contextual click on a selected cell keeps the selection.
    catalog().setSelectionAtIndex(0);
    grid()->menuForEvent(over1, ControlKeyMask);
    EXPECT_EQ(selected(), (QList<int>{0, 1}));
    // Beside the cells: the short menu, the selection cleared.
    QMenu* shortMenu = grid()->menuForEvent({150, 20}, 0);
    EXPECT_EQ(shortMenu->objectName(), str("Short Entry Context"));
    EXPECT_EQ(shortMenu->actions().size(), 4);
    EXPECT_TRUE(selected().isEmpty());
    EXPECT_TRUE(enabledTags(shortMenu).isEmpty());
    // While a sheet is attached, nothing.
    catalog().setSelectionAtIndex(0);
    ModalAlert::ScopedResponder alerts(
        [](const ModalAlert::Request&) { return int(ModalAlert::DefaultReturn); });
    controller->removeFiles();
    EXPECT_TRUE(enabledTags(menu).isEmpty());
    drainEvents();
    EXPECT_FALSE(enabledTags(menu).isEmpty());
}

TEST_F(GridTest, ARightClickOpensTheMenuOverTheCell) {
    addPhotos(3);
    sizeForColumns(3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, cellPoint(2),
                            grid()->mapToGlobal(cellPoint(2)));
    QApplication::sendEvent(grid(), &event);
    QMenu* menu = grid()->findChild<QMenu*>(str("Entry Context"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(selected(), QList<int>{2});
    // Opening enabled its items.
    EXPECT_TRUE(actionWithTag(menu, kTagRename)->isEnabled());
    EXPECT_FALSE(actionWithTag(menu, kTagCopy)->isEnabled());
    menu->close();
}

TEST_F(GridTest, OpenAndShowInTheFileManager) {
    addPhotos(2);
    sizeForColumns(2);
    RecordingWorkspace workspace;
    QMenu* menu = grid()->menuForEvent(grid()->getCellRectAtIndex(1).center(), 0);
    actionWithTag(menu, kTagOpenInFinder)->trigger();
    actionWithTag(menu, kTagRevealInFinder)->trigger();
    const QString path = catalog().getFileAttributeAtIndex(kCatalogAttrPath, 1).toString();
    EXPECT_EQ(workspace.opened, QStringList{path});
    EXPECT_EQ(workspace.shown, QStringList{path + str(" in ") + QFileInfo(path).absolutePath()});
}

TEST_F(GridTest, LocateAMissingFileThroughThePanel) {
    // A file removed under the background loader would race it: thumbnails here
    // are made as cells are drawn.
    catalog().setUsesDeferedLoader(false);
    addPhotos(1);
    sizeForColumns(1);
    const QString moved = photo(str("elsewhere.png"));
    QFile::remove(dir.filePath(str("p0.png")));
    catalog().testAllEntriesForChanges();
    catalog().setSelectionAtIndex(0);
    ModalAlert::PanelRequest seen;
    ModalAlert::ScopedPanelResponder panels([&](const ModalAlert::PanelRequest& request) {
        seen = request;
        return QStringList{moved};
    });
    QMenu* menu = grid()->menuForEvent(grid()->getCellRectAtIndex(0).center(), 0);
    actionWithTag(menu, kTagLocate)->trigger();
    drainEvents();
    EXPECT_EQ(seen.title, localizedString(str("LOCATE_TITLE")).replace(str("%@"), str("p0.png")));
    EXPECT_EQ(seen.prompt, localizedString(str("LOCATE_PROMPT")));
    EXPECT_EQ(seen.directory, dir.path());
    EXPECT_TRUE(seen.extensions.contains(str("png")));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString(), moved);
    EXPECT_TRUE(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 0).toBool());
}

// ---------------------------------------------------------------------------
// Rename

class GridRenameTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        ASSERT_TRUE(catalog().addFileEntry(photo(str("a.jpg"), 40, 30, "jpeg")));
        drainEvents();
        sizeForColumns(1);
        catalog().setSelectionAtIndex(0);
    }
    // Answers the rename panel with the typed names in turn; an empty optional cancels.
    void rename(std::deque<std::optional<QString>> typed) {
        ModalAlert::ScopedDialogResponder panel([&](QDialog& dialog) {
            ++panels;
            auto* field = dialog.findChild<QLineEdit*>(str("renameField"));
            EXPECT_NE(field, nullptr);
            shownNames.append(field ? field->text() : QString());
            if (typed.empty() || !typed.front())
                return 0;
            field->setText(*typed.front());
            typed.pop_front();
            return 1;
        });
        QMenu* menu = grid()->menuForEvent(grid()->getCellRectAtIndex(0).center(), 0);
        menu->actions().at(0); // built
        for (QAction* action : menu->actions())
            if (action->data().toInt() == kTagRename)
                action->trigger();
        drainEvents();
    }
    QStringList files() { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    QString path() { return catalog().getFileAttributeAtIndex(kCatalogAttrPath, 0).toString(); }

    int panels = 0;
    QStringList shownNames;
};

TEST_F(GridRenameTest, TheOldExtensionStaysOn) {
    struct Case {
        const char* typed;
        const char* file;
    };
    const Case cases[] = {{"b", "b.jpg"}, {"c.png", "c.png.jpg"}, {"D.JPG", "D.JPG"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        rename({str(c.typed)});
        EXPECT_EQ(files(), QStringList{str(c.file)});
        EXPECT_EQ(path(), dir.filePath(str(c.file)));
    }
    EXPECT_EQ(shownNames, (QStringList{str("a.jpg"), str("b.jpg"), str("c.png.jpg")}));
}

TEST_F(GridRenameTest, ANameWithASlashOrNoNameIsAskedAgain) {
    const int beeps = ModalAlert::beepCount();
    rename({str("sub/b"), str(""), str("  "), str("e")});
    EXPECT_EQ(panels, 4);
    EXPECT_EQ(ModalAlert::beepCount() - beeps, 3);
    EXPECT_EQ(files(), QStringList{str("e.jpg")});
}

TEST_F(GridRenameTest, AnExistingNameAsksBeforeAnythingMoves) {
    photo(str("taken.jpg"), 10, 10, "jpeg");
    QStringList titles;
    int answer = ModalAlert::DefaultReturn; // Rename: ask again
    ModalAlert::ScopedResponder alerts([&](const ModalAlert::Request& r) {
        titles.append(r.title + str("|") + r.message);
        return answer;
    });
    rename({str("taken"), str("free")});
    EXPECT_EQ(titles.size(), 1);
    EXPECT_TRUE(titles.value(0).startsWith(localizedString(str("DUP_RENAME")) + str("|")));
    EXPECT_TRUE(titles.value(0).contains(str("taken.jpg")));
    EXPECT_EQ(files(), (QStringList{str("free.jpg"), str("taken.jpg")}));

    answer = ModalAlert::AlternateReturn; // Cancel ends the command
    rename({str("taken"), str("never")});
    EXPECT_EQ(files(), (QStringList{str("free.jpg"), str("taken.jpg")}));
    // Its own name again: nothing to do.
    rename({str("free.jpg")});
    EXPECT_EQ(files(), (QStringList{str("free.jpg"), str("taken.jpg")}));
}

TEST_F(GridRenameTest, CancelRenamesNothing) {
    rename({std::nullopt});
    EXPECT_EQ(panels, 1);
    EXPECT_EQ(files(), QStringList{str("a.jpg")});
}
