#include "GridFixture.h"

#include "platform/foundation/PropertyList.h"
#include "platform/ui/TickClock.h"
#include "utilities/GeometryUtilities.h"

#include <QDir>
#include <QImage>
#include <QPalette>
#include <QUrl>
#include <thread>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

const QColor kHighlight(255, 0, 255);

bool close(const QColor& c, const QColor& expected, int tolerance = 24) {
    return std::abs(c.red() - expected.red()) <= tolerance &&
           std::abs(c.green() - expected.green()) <= tolerance &&
           std::abs(c.blue() - expected.blue()) <= tolerance;
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* widget, int& count) : _count(count) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++_count;
        return false;
    }

private:
    int& _count;
};

} // namespace

// Thumbnails made on the spot, a highlight colour that stands out.
class GridDragTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Highlight, kHighlight);
        palette.setColor(QPalette::Base, Qt::white);
        QApplication::setPalette(palette);
    }

    // Presses on the cell and moves past the drag distance: the drag starts.
    void dragFrom(int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mousePress(grid(), Qt::LeftButton, modifiers, cellPoint(index));
        QTest::mouseMove(grid(), cellPoint(index) + QPoint(6, 0));
        QTest::mouseRelease(grid(), Qt::LeftButton, modifiers, cellPoint(index) + QPoint(6, 0));
    }
    QVariantList items(const QMimeData* data) {
        return Pasteboard(data)
            .propertyListForType(str(kVQFileCatalogSelectionPboardType))
            .toList();
    }
    QImage shot() { return grid()->grab().toImage(); }
    // A widget point in the bounds of the grid.
    QPoint at(float x, float y) {
        return grid()->widgetRectFromBounds({x, y, 0, 0}).topLeft().toPoint();
    }
    // Where the entry's thumbnail is drawn in the cell at `cell`.
    Rect placedThumbnail(int entry, const Rect& cell) {
        const Image thumbnail =
            catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, entry).value<Image>();
        const Rect box = grid()->imageBoxOfCell(cell);
        return integralRect(
            UTCenterRectInRect({kZeroPoint, UTScaleSizeToFit(thumbnail.size(), box.size)}, box));
    }
};

TEST_F(GridDragTest, DraggingThreeEntriesOffersTheirItemsAndFiles) {
    addPhotos(6);
    sizeForColumns(3);
    click(1);
    click(3, Qt::ControlModifier);
    click(4, Qt::ControlModifier);
    DragCatcher catcher;
    // Shift keeps the selection under the press.
    dragFrom(3, Qt::ShiftModifier);
    ASSERT_NE(catcher.data(), nullptr);
    EXPECT_EQ(selected(), (QList<int>{1, 3, 4}));
    const Pasteboard pasteboard(catcher.data());
    EXPECT_TRUE(pasteboard.hasType(str(kVQFileCatalogSelectionPboardType)));
    EXPECT_FALSE(pasteboard.hasType(str(TIFFPboardType)));
    // The pressed entry first, then the others from the highest index down.
    QVariantList expected;
    QVariantList paths;
    for (int index : {3, 4, 1}) {
        expected.append(QVariantMap{{str("VQSelectionCatalogKey"), catalog().description()},
                                    {str("VQSelectionIndexKey"), index},
                                    {str("VQSelectionOperationKey"), 0}});
        paths.append(dir.filePath(str("p%1.png").arg(index)));
    }
    EXPECT_EQ(items(catcher.data()), expected);
    EXPECT_EQ(pasteboard.propertyListForType(str(FilenamesPboardType)), QVariant(paths));
    // The drag came from this grid, and so from this catalog.
    EXPECT_EQ(catcher.data()->source(), grid());
    EXPECT_EQ(VQFileCatalogView::catalogOfDragSource(catcher.data()->source()), &catalog());
    EXPECT_EQ(grid()->hoverSourceIdx(), 3);
}

TEST_F(GridDragTest, OneEntryPromisesTIFFMadeOnlyWhenAsked) {
    addPhotos(2);
    sizeForColumns(2);
    click(1);
    DragCatcher catcher;
    dragFrom(1);
    ASSERT_NE(catcher.data(), nullptr);
    const QString tiff = Pasteboard::mimeTypeForType(str(TIFFPboardType));
    EXPECT_TRUE(catcher.data()->hasFormat(tiff));
    EXPECT_FALSE(catcher.data()->QMimeData::formats().contains(tiff)); // not made yet
    const QImage image =
        QImage::fromData(Pasteboard(catcher.data()).dataForType(str(TIFFPboardType)));
    EXPECT_EQ(image.size(), QSize(40, 30));
    EXPECT_TRUE(close(image.pixelColor(5, 5), QColor(255, 0, 0)));
    EXPECT_TRUE(catcher.data()->QMimeData::formats().contains(tiff));
    // The catalog delivers screen images again afterwards.
    EXPECT_TRUE(catalog().deliverScreenResolution());

    // Command-click on the only selected cell deselects it: the drag still
    // declares TIFF, and supplies nothing.
    DragCatcher again;
    QTest::mousePress(grid(), Qt::LeftButton, Qt::ControlModifier, cellPoint(1));
    QTest::mouseMove(grid(), cellPoint(1) + QPoint(0, 6));
    QTest::mouseRelease(grid(), Qt::LeftButton, Qt::ControlModifier, cellPoint(1) + QPoint(0, 6));
    ASSERT_NE(again.data(), nullptr);
    EXPECT_TRUE(selected().isEmpty());
    EXPECT_TRUE(again.data()->hasFormat(tiff));
    EXPECT_TRUE(Pasteboard(again.data()).dataForType(str(TIFFPboardType)).isEmpty());
}

TEST_F(GridDragTest, APressWithinFourPointsIsNoDrag) {
    addPhotos(1);
    sizeForColumns(1);
    DragCatcher catcher;
    QTest::mousePress(grid(), Qt::LeftButton, Qt::NoModifier, cellPoint(0));
    QTest::mouseMove(grid(), cellPoint(0) + QPoint(4, -4));
    QTest::mouseRelease(grid(), Qt::LeftButton, Qt::NoModifier, cellPoint(0) + QPoint(4, -4));
    EXPECT_EQ(catcher.data(), nullptr);
    EXPECT_EQ(selected(), QList<int>{0});
}

TEST_F(GridDragTest, DroppingThreeEntriesAfterTheHoverMovesExactlyThemInOneUndo) {
    addPhotos(6);
    sizeForColumns(3);
    click(1);
    click(3, Qt::ControlModifier);
    click(4, Qt::ControlModifier);
    DragCatcher catcher;
    dragFrom(3, Qt::ShiftModifier);
    ASSERT_NE(catcher.data(), nullptr);
    const QList<int> before = serials();

    ManualTickClock clock(1000);
    sendDrag(grid(), QEvent::DragEnter, catcher.data(), cellPoint(0));
    sendDrag(grid(), QEvent::DragMove, catcher.data(), cellPoint(0));
    EXPECT_EQ(grid()->hoverDestIdx(), -1);
    // Qt sends nothing while the pointer rests: the grid repeats the update.
    clock.advance(VQFileCatalogView::kHoverTicks + 1);
    QTRY_VERIFY(grid()->iveHovered());
    EXPECT_EQ(grid()->hoverDestIdx(), 0);
    // The gap: nothing at display position 0, entry 0 one place on.
    const QImage gap = shot();
    const Rect cell0 = grid()->getCellRectAtIndex(0);
    EXPECT_EQ(gap.pixelColor(at(cell0.midX(), cell0.midY())), QColor(Qt::white));
    EXPECT_EQ(gap.pixelColor(at(cell0.midX(), cell0.minY() + 10)), QColor(Qt::white));
    // No frame for a drag from the grid's own catalog.
    EXPECT_FALSE(grid()->dragHilightState());

    sendDrag(grid(), QEvent::Drop, catcher.data(), cellPoint(0));
    drainEvents();
    EXPECT_EQ(grid()->hoverDestIdx(), -1);
    EXPECT_EQ(grid()->hoverSourceIdx(), -1);
    // Together, in drag order, where the gap was.
    EXPECT_EQ(serials(),
              (QList<int>{before[3], before[4], before[1], before[0], before[2], before[5]}));
    ASSERT_TRUE(undo().canUndo());
    undo().undo();
    drainEvents();
    EXPECT_EQ(serials(), before);
}

TEST_F(GridDragTest, MovedEntriesLandTogetherWhereverTheDropIs) {
    struct Case {
        int position;
        QList<int> order; // of the original indices
    };
    // Dragged: 3, 4, 1 (in that order).
    const Case cases[] = {
        {0, {3, 4, 1, 0, 2, 5}},
        {2, {0, 2, 3, 4, 1, 5}},
        {3, {0, 2, 5, 3, 4, 1}}, // past the room: at the end
        {-1, {0, 2, 5, 3, 4, 1}},
    };
    addPhotos(6);
    sizeForColumns(3);
    const QList<int> before = serials();
    const QString key = catalog().description();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        QVariantList dragged;
        for (int index : {3, 4, 1})
            dragged.append(QVariantMap{{str("VQSelectionCatalogKey"), key},
                                       {str("VQSelectionIndexKey"), index}});
        controller->receiveCatalogEntries(dragged, c.position);
        drainEvents();
        QList<int> expected;
        for (int index : c.order)
            expected.append(before[index]);
        EXPECT_EQ(serials(), expected);
        undo().undo();
        drainEvents();
        ASSERT_EQ(serials(), before);
    }
}

TEST_F(GridDragTest, ADropBeforeTheHoverDelayStillLandsOnTheCellUnderThePointer) {
    addPhotos(5);
    sizeForColumns(3);
    click(0);
    DragCatcher catcher;
    dragFrom(0);
    ASSERT_NE(catcher.data(), nullptr);
    const QList<int> before = serials();
    ManualTickClock clock(50);
    sendDrag(grid(), QEvent::DragEnter, catcher.data(), cellPoint(3));
    sendDrag(grid(), QEvent::DragMove, catcher.data(), cellPoint(3));
    clock.advance(VQFileCatalogView::kHoverTicks - 4);
    QTest::qWait(3 * VQFileCatalogView::kDragRepeatMs);
    EXPECT_FALSE(grid()->iveHovered());
    EXPECT_EQ(grid()->hoverDestIdx(), -1);
    sendDrag(grid(), QEvent::Drop, catcher.data(), cellPoint(3));
    drainEvents();
    EXPECT_EQ(serials(), (QList<int>{before[1], before[2], before[3], before[0], before[4]}));
}

TEST_F(GridDragTest, AnOptionDragCopiesAndAGapOpensInAFullGrid) {
    // Thumbnails made as the cells are drawn, not by the loader later.
    catalog().setUsesDeferedLoader(false);
    addPhotos(3);
    sizeForColumns(5); // one full row of 3, room for more
    ASSERT_EQ(grid()->columns(), 3);
    click(2);
    DragCatcher catcher;
    dragFrom(2, Qt::AltModifier);
    ASSERT_NE(catcher.data(), nullptr);
    EXPECT_EQ(items(catcher.data()).value(0).toMap().value(str("VQSelectionOperationKey")), 1);
    EXPECT_EQ(grid()->hoverSourceIdx(), -1);
    const QList<int> before = serials();
    ManualTickClock clock;
    sendDrag(grid(), QEvent::DragEnter, catcher.data(), cellPoint(1));
    sendDrag(grid(), QEvent::DragMove, catcher.data(), cellPoint(1));
    clock.advance(VQFileCatalogView::kHoverTicks + 1);
    QTRY_COMPARE(grid()->hoverDestIdx(), 1);
    // The gap takes position 1; the last entry moves into a fourth column.
    const QImage image = shot();
    const Rect cell1 = grid()->getCellRectAtIndex(1);
    const Rect fourth = offsetRect(grid()->getCellRectAtIndex(2), kCell, 0);
    EXPECT_EQ(image.pixelColor(at(cell1.midX(), cell1.midY())), QColor(Qt::white));
    EXPECT_TRUE(close(image.pixelColor(at(placedThumbnail(2, fourth).minX() + 3,
                                          placedThumbnail(2, fourth).maxY() - 3)),
                      kTopLeft));
    sendDrag(grid(), QEvent::Drop, catcher.data(), cellPoint(1));
    drainEvents();
    ASSERT_EQ(catalog().fileCount(), 4);
    EXPECT_EQ(serials().at(0), before.at(0));
    EXPECT_FALSE(before.contains(serials().at(1))); // a new entry, a copy of the third
    EXPECT_EQ(name(1), name(3));
    EXPECT_EQ(serials().mid(2), before.mid(1));
}

TEST_F(GridDragTest, AFileManagerDropAppendsFilesAndFoldersInOrder) {
    addPhotos(1);
    sizeForColumns(3);
    const QString first = photo(str("first.png"));
    const QString second = photo(str("second.png"));
    QDir(dir.path()).mkpath(str("folder/sub"));
    photo(str("folder/b.png"));
    photo(str("folder/a.png"));
    photo(str("folder/sub/c.png"));
    QFile notes(dir.filePath(str("folder/notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a photo");
    notes.close();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(second), QUrl::fromLocalFile(first),
                  QUrl::fromLocalFile(dir.filePath(str("folder")))});

    sendDrag(grid(), QEvent::DragEnter, &data, cellPoint(0), Qt::CopyAction);
    EXPECT_TRUE(grid()->dragHilightState());
    // The frame around what shows, 3 points wide.
    const QImage framed = shot();
    EXPECT_EQ(framed.pixelColor(1, 150), kHighlight);
    EXPECT_EQ(framed.pixelColor(grid()->width() - 2, 150), kHighlight);
    EXPECT_NE(framed.pixelColor(5, 150), kHighlight);
    sendDrag(grid(), QEvent::DragMove, &data, cellPoint(0), Qt::CopyAction);
    sendDrag(grid(), QEvent::Drop, &data, cellPoint(0), Qt::CopyAction);
    EXPECT_FALSE(grid()->dragHilightState());
    drainEvents();
    QStringList names;
    for (int i = 0; i < catalog().fileCount(); ++i)
        names.append(name(i));
    EXPECT_EQ(names, (QStringList{str("p0.png"), str("second.png"), str("first.png"), str("a.png"),
                                  str("b.png"), str("c.png")}));
    EXPECT_NE(shot().pixelColor(1, 150), kHighlight);
}

TEST_F(GridDragTest, AnImageURLDropIsEnqueuedForTheController) {
    sizeForColumns(3);
    QStringList received;
    NotificationCenter::defaultCenter().addObserver(
        this, str(kVQReceiveURLNofity), nullptr, [&](const Notification& n) {
            received.append(n.userInfo().value(str("url")).toUrl().toString() + str(" ") +
                            n.userInfo().value(str("entryPos")).toString());
            EXPECT_EQ(n.object(), static_cast<const void*>(controller));
        });
    QMimeData web;
    web.setUrls({QUrl(str("http://127.0.0.1:9/none.txt"))});
    sendDrag(grid(), QEvent::DragEnter, &web, QPoint(20, 20), Qt::CopyAction);
    EXPECT_FALSE(grid()->dragHilightState()); // no picture there
    sendDrag(grid(), QEvent::DragLeave, &web, QPoint(20, 20));
    QMimeData picture;
    picture.setUrls({QUrl(str("http://127.0.0.1:9/p.JPG"))});
    sendDrag(grid(), QEvent::DragEnter, &picture, QPoint(20, 20), Qt::CopyAction);
    EXPECT_TRUE(grid()->dragHilightState());
    sendDrag(grid(), QEvent::DragMove, &picture, QPoint(20, 20), Qt::CopyAction);
    // Observed from the queue, not added: the catalog fetches URLs from the network.
    NotificationCenter::defaultCenter().removeObserver(controller);
    sendDrag(grid(), QEvent::Drop, &picture, QPoint(20, 20), Qt::CopyAction);
    drainEvents();
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(received, QStringList{str("http://127.0.0.1:9/p.JPG -1")});
}

TEST_F(GridDragTest, AutoscrollNoticesOfOtherGridsAreIgnored) {
    addPhotos(30);
    sizeForColumns(3);
    scroll()->firstSelection();
    const float top = scroll()->documentVisibleRect().minY();
    VQFileCatalogView stranger;
    NotificationCenter::defaultCenter().postNotificationName(str(kVQFScrollUpNotify), &stranger);
    EXPECT_EQ(scroll()->documentVisibleRect().minY(), top);
    NotificationCenter::defaultCenter().postNotificationName(str(kVQFScrollUpNotify), grid());
    EXPECT_EQ(scroll()->documentVisibleRect().minY(), top - 128);
    NotificationCenter::defaultCenter().postNotificationName(str(kVQFScrollDownNotify), grid());
    EXPECT_EQ(scroll()->documentVisibleRect().minY(), top);
}

TEST_F(GridDragTest, ADragRestingAtTheBottomEdgeScrollsDown) {
    addPhotos(30);
    sizeForColumns(3);
    scroll()->firstSelection();
    const float top = scroll()->documentVisibleRect().minY();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(photo(str("x.png")))});
    const QPoint bottom(50, scroll()->contentView()->height() - 3);
    const QPoint inGrid = grid()->mapFrom(scroll()->contentView(), bottom);
    sendDrag(grid(), QEvent::DragEnter, &data, inGrid, Qt::CopyAction);
    sendDrag(grid(), QEvent::DragMove, &data, inGrid, Qt::CopyAction);
    EXPECT_EQ(scroll()->documentVisibleRect().minY(), top - 128);
    // The repeated update goes on scrolling while the pointer rests.
    QTRY_VERIFY(scroll()->documentVisibleRect().minY() <= top - 256);
    sendDrag(grid(), QEvent::DragLeave, &data, inGrid);
}

// ---------------------------------------------------------------------------
// What the grid looks like

TEST_F(GridDragTest, SelectedCellsAreFilledAndThumbnailsCentred) {
    // Thumbnails made as the cells are drawn, not by the loader later.
    catalog().setUsesDeferedLoader(false);
    addPhotos(2);
    sizeForColumns(2);
    catalog().setSelectionAtIndex(0);
    drainEvents();
    const Rect cell0 = grid()->getCellRectAtIndex(0);
    const Rect cell1 = grid()->getCellRectAtIndex(1);
    grid()->repaint();
    const Rect placed = placedThumbnail(1, cell1);
    const QImage image = shot();
    // The selection fills the cell; a cell not selected is erased.
    EXPECT_EQ(image.pixelColor(at(cell0.minX() + 3, cell0.maxY() - 3)), kHighlight);
    EXPECT_EQ(image.pixelColor(at(cell1.minX() + 3, cell1.maxY() - 3)), QColor(Qt::white));
    // Centred in the image box: the same room on either side.
    const Rect box = grid()->imageBoxOfCell(cell1);
    EXPECT_NEAR(placed.minX() - box.minX(), box.maxX() - placed.maxX(), 1);
    EXPECT_NEAR(placed.minY() - box.minY(), box.maxY() - placed.maxY(), 1);
    // The photo's quadrants, upright.
    EXPECT_TRUE(close(image.pixelColor(at(placed.minX() + 4, placed.maxY() - 4)), kTopLeft));
    EXPECT_TRUE(close(image.pixelColor(at(placed.maxX() - 4, placed.maxY() - 4)), kTopRight));
    EXPECT_TRUE(close(image.pixelColor(at(placed.minX() + 4, placed.minY() + 4)), kBottomLeft));
    EXPECT_EQ(image.pixelColor(at(placed.minX() - 3, placed.midY())), QColor(Qt::white));
}

TEST_F(GridDragTest, ADisabledEntryIsDimmedWithTheBadge) {
    // Thumbnails made as the cells are drawn, not by the loader later.
    catalog().setUsesDeferedLoader(false);
    addPhotos(1);
    sizeForColumns(1);
    grid()->repaint();
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrEnabled, 0, false);
    drainEvents();
    const Rect cell = grid()->getCellRectAtIndex(0);
    const Rect placed = placedThumbnail(0, cell);
    const QImage image = shot();
    auto inside = [&](float fx, float fy) {
        return image.pixelColor(
            at(placed.minX() + fx * placed.width(), placed.minY() + fy * placed.height()));
    };
    // The photo at half opacity over white: red and yellow quadrants.
    EXPECT_TRUE(close(inside(0.25f, 0.75f), QColor(255, 128, 128), 16));
    EXPECT_TRUE(close(inside(0.75f, 0.25f), QColor(255, 255, 128), 16));
    // The badge on the thumbnail's lower-left corner, drawn at full strength.
    const QColor badge = image.pixelColor(at(placed.minX() + 4, placed.minY() + 3));
    EXPECT_GT(badge.red(), 200);
    EXPECT_GT(badge.green(), 150);
    EXPECT_LT(badge.blue(), 80);
}

TEST_F(GridDragTest, TheLoaderNoticeOnlyFlagsAndTheHeartbeatRedraws) {
    // No loader of the catalog's own: the one notice is the test's.
    catalog().setUsesDeferedLoader(false);
    addPhotos(2);
    sizeForColumns(2);
    grid()->repaint();
    drainEvents();
    int paints = 0;
    PaintCounter counter(grid(), paints);
    std::thread loader([this] {
        NotificationCenter::defaultCenter().postNotificationName(
            str(kVQFileCatalogThumbnailLoadCompletNofity), &catalog(), {{str("vq_index"), 0}});
    });
    loader.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints, 0);
    // The window's 0.5 s timer beats; the grid redraws once.
    QTRY_VERIFY_WITH_TIMEOUT(paints > 0, 2000);
}
