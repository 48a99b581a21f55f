// The layout panel over a document's layout: where the page goes, which
// notifications it follows, clearing cells, templates dropped on it and the
// property texts it draws from a photo's file.
#include "PrintFixture.h"
#include "catalog/ExifFixtures.h"
#include "catalog/ImageFixtures.h"

#include "documents/RovedezevOvod.h"
#include "framework/model/TMTextObject.h"
#include "layout/TemplateView.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/Pasteboard.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QMimeData* templateDrag(const QString& documentID) {
    auto* data = new QMimeData;
    Pasteboard::setPropertyListForType(*data, documentID,
                                       str(kDragDropInstalledTemplatePboardType));
    return data;
}

class LayoutPanel : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        emptyTemplateLibrary();
    }
    void TearDown() override {
        panel.reset();
        PrintFixture::TearDown();
    }

    // The panel shown at the size, over the document.
    RovedezevOvod& showPanel(QSize size = {600, 500}) {
        panel = std::make_unique<RovedezevOvod>();
        panel->resize(size);
        panel->setDocument(document.get());
        panel->show();
        drainEvents();
        return *panel;
    }

    // A drag over the panel's corner, away from the page; dropped when asked.
    void drag(QMimeData& data, bool drop) {
        const QPoint corner(5, 5);
        QDragEnterEvent enter(corner, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel.get(), &enter);
        QDragMoveEvent move(corner, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel.get(), &move);
        hilightWhileOver = panel->dragHilight();
        if (drop) {
            QDropEvent event(corner, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(panel.get(), &event);
        } else {
            QDragLeaveEvent leave;
            QApplication::sendEvent(panel.get(), &leave);
        }
        drainEvents();
    }

    std::unique_ptr<RovedezevOvod> panel;
    bool hilightWhileOver = false;
};

TEST_F(LayoutPanel, APageIsShownAtItsOwnSizeWhenItFitsElseReducedAndAlwaysCentred) {
    struct Case {
        Size page;
        QRect frame; // in the 600 x 500 panel, y downward
    };
    const Case cases[] = {
        {{200, 100}, {200, 200, 200, 100}},
        // 560 x 460 are left inside the margins.
        {{560, 460}, {20, 20, 560, 460}},
        {{1000, 800}, {20, 26, 560, 448}},
        {{300, 920}, {225, 20, 150, 460}},
    };
    int number = 0;
    for (const Case& c : cases) {
        const QByteArray id = "Page" + QByteArray::number(++number);
        useTemplate(id.constData(), c.page, {{10, 10, 50, 50}});
        RovedezevOvod& shown = showPanel();
        ASSERT_NE(shown.templateView(), nullptr);
        EXPECT_EQ(shown.templateView()->geometry(), c.frame)
            << c.page.width << " x " << c.page.height;
    }
}

TEST_F(LayoutPanel, ThePageIsDrawnWhereItStandsInThePanel) {
    useTemplate("Drawn", {200, 100}, {{10, 10, 50, 50}});
    RovedezevOvod& shown = showPanel();
    ASSERT_NE(shown.templateView(), nullptr);
    // The panel drawn as the screen draws it: the page view at its offset.
    const QImage whole = shown.grab().toImage();
    const QImage alone = shown.templateView()->grab().toImage();
    const QPoint inPage(150, 20);
    EXPECT_EQ(whole.pixelColor(shown.templateView()->geometry().topLeft() + inPage),
              alone.pixelColor(inPage));
}

TEST_F(LayoutPanel, APanelShownInItsWindowDrawsItsPageAndPhotos) {
    useTemplate("Drawn", {1000, 800}, {{100, 100, 500, 500}});
    addPhotos({Qt::red});
    // As the catalog window keeps a panel: placed while hidden, then shown
    // after the window has been drawn.
    QWidget area;
    area.resize(620, 520);
    area.show();
    auto* shown = new RovedezevOvod(&area);
    shown->hide();
    shown->setDocument(document.get());
    shown->setGeometry(10, 10, 600, 500);
    area.grab();
    shown->show();
    shown->calculateLayout();
    drainEvents();
    ASSERT_NE(shown->templateView(), nullptr);
    const QImage whole = shown->grab().toImage();
    const QImage alone = shown->templateView()->grab().toImage();
    const QPoint inCell(100, 100);
    EXPECT_EQ(alone.pixelColor(inCell), QColor(Qt::red));
    EXPECT_EQ(whole.pixelColor(shown->templateView()->geometry().topLeft() + inCell),
              alone.pixelColor(inCell));
}

TEST_F(LayoutPanel, WithoutATemplateThereIsNoPageView) {
    RovedezevOvod& shown = showPanel();
    EXPECT_EQ(shown.templateView(), nullptr);
    EXPECT_FALSE(shown.areSelectedCellsVisible());
}

TEST_F(LayoutPanel, ARevertedDocumentsNewLayoutIsFollowed) {
    useTemplate("Small", {200, 100}, {{10, 10, 50, 50}});
    RovedezevOvod& shown = showPanel();
    const TemplateHandleRef large = useTemplate("Large", {400, 300}, {{10, 10, 50, 50}});
    // The document now has a new layout, as after a revert; the window hands
    // the document to its panels again.
    shown.setDocument(document.get());
    EXPECT_EQ(shown.templateView()->imageSource(), document->templateMapper().get());
    EXPECT_EQ(shown.templateView()->renderer().templateHandle(), large);
    EXPECT_EQ(shown.templateView()->geometry(), QRect(100, 100, 400, 300));
}

TEST_F(LayoutPanel, TheWindowsLayoutPanelFollowsTheLayoutOfARevert) {
    const TemplateHandleRef saved = useTemplate("Saved", {200, 100}, {{10, 10, 50, 50}});
    const QString path = folder.filePath(str("revert.lumisk"));
    bool written = false;
    document->saveToFile(path, str(kCatalogDocumentType), Document::SaveOperation::SaveAs,
                         [&](bool ok, const QString&) { written = ok; });
    ASSERT_TRUE(written);
    document->setCurrentPanel(DocumentPanelLayout);
    controller->setup();
    auto* shown = qobject_cast<RovedezevOvod*>(controller->activeViewPanel()->panelView());
    ASSERT_NE(shown, nullptr);
    ASSERT_NE(shown->templateView(), nullptr);
    useTemplate("Unsaved", {300, 200}, {{10, 10, 50, 50}});

    ModalAlert::ScopedResponder user(
        [](const ModalAlert::Request&) { return int(ModalAlert::DefaultReturn); });
    controller->performAction(str("revertDocumentToSaved:"), nullptr);
    drainEvents();
    EXPECT_EQ(shown->templateView()->imageSource(), document->templateMapper().get());
    EXPECT_EQ(shown->templateView()->renderer().templateHandle(), saved);
    controller->shutdown();
}

TEST_F(LayoutPanel, OnlyItsOwnLayoutsNotificationsReachThePanel) {
    useTemplate("Own", {200, 100}, {{10, 10, 50, 50}});
    RovedezevOvod& shown = showPanel();
    RoduvudeDadevizi other;
    const std::shared_ptr<TemplateMapper> foreign = other.templateMapper();
    for (const char* name : {kTemplateMapperMasterChangedNotify, kTemplateMapperPageChangedNotify})
        for (const bool own : {false, true}) {
            PaintCounter panelPaints(&shown);
            PaintCounter pagePaints(shown.templateView());
            const void* sender = own ? static_cast<const void*>(document->templateMapper().get())
                                     : static_cast<const void*>(foreign.get());
            NotificationCenter::defaultCenter().postNotificationName(str(name), sender);
            drainEvents();
            EXPECT_EQ(panelPaints.paints + pagePaints.paints > 0, own) << name << " own " << own;
        }
}

TEST_F(LayoutPanel, ClearingEmptiesOnlySelectedCellsAndRedrawsOnlyWhenSomethingWentAway) {
    useTemplate("Two", {200, 100}, {{10, 10, 80, 80}, {110, 10, 80, 80}});
    addPhotos({Qt::red, Qt::blue});
    const std::shared_ptr<TemplateMapper> mapper = document->templateMapper();
    mapper->setEntryIndexOnPage(0, 0, 0);
    mapper->setEntryIndexOnPage(0, 1, 1);
    RovedezevOvod& shown = showPanel();
    VQFileCatalog& catalog = document->fileCatalog();
    struct Case {
        QList<int> selected;
        QList<int> placedAfter;
        bool redrawn;
    };
    const Case cases[] = {
        {{}, {0, 1}, false},
        {{1}, {0, -1}, true},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < catalog.fileCount(); ++i)
            catalog.setFileAttributeAtIndexToValue(kCatalogAttrSelected, i, c.selected.contains(i));
        EXPECT_EQ(shown.areSelectedCellsVisible(), !c.selected.isEmpty());
        EXPECT_EQ(shown.areSelectedCellsOnAPage(), !c.selected.isEmpty());
        PaintCounter paints(&shown);
        shown.clearSelectedCells();
        drainEvents();
        EXPECT_EQ(QList<int>({mapper->entryIndexOnPage(0, 0), mapper->entryIndexOnPage(0, 1)}),
                  c.placedAfter);
        EXPECT_EQ(paints.paints > 0, c.redrawn);
    }
    EXPECT_FALSE(shown.areSelectedCellsVisible());
}

TEST_F(LayoutPanel, ADroppedTemplateBecomesMasterWithUndo) {
    const TemplateHandleRef first = useTemplate("First", {200, 100}, {{10, 10, 50, 50}});
    const TemplateHandleRef second = useTemplate("Second", {300, 200}, {{10, 10, 50, 50}});
    document->setMasterTemplate(first);
    document->undoManager()->removeAllActions();
    RovedezevOvod& shown = showPanel();

    std::unique_ptr<QMimeData> data(templateDrag(str("Second")));
    drag(*data, true);
    EXPECT_TRUE(hilightWhileOver);
    EXPECT_FALSE(shown.dragHilight());
    EXPECT_EQ(document->masterTemplate(), second);
    EXPECT_EQ(shown.templateView()->renderer().templateHandle(), second);
    EXPECT_EQ(shown.templateView()->geometry(), QRect(150, 150, 300, 200));
    ASSERT_TRUE(document->undoManager()->canUndo());
    EXPECT_EQ(document->undoManager()->undoActionName(),
              localizedString(str(kTemplateChangeAction)));
    document->undoManager()->undo();
    EXPECT_EQ(document->masterTemplate(), first);
}

TEST_F(LayoutPanel, ThePhotosExposureIsDrawnInThePropertyTextOfTheWindowsPanel) {
    // A page drawn at its own size: a cell, and under it the property text of
    // the cell's exposure time.
    const Area text{10, 60, 180, 30};
    install("Exposure", [&](const QString& path) {
        TemplateDocument page;
        page.setDocumentID(str("Exposure"));
        page.setDocName(str("Exposure"));
        PrintInfo info;
        info.setPaperName(str("Custom"));
        info.setPaperSize({200, 100});
        page.setPrintInfo(info);
        const TMPhotoObjectRef cell =
            TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {40, 40});
        page.addObject(cell);
        const TMTextObjectRef property = TMTextObject::newTemplateObjectWithOriginSize(
            {text.x, text.y}, {text.width, text.height});
        property->setVariant(TMTextObject::PropertyText);
        property->setPropertyKey(str("EXIF-829A"));
        property->setPropertyCellID(cell->uniqueID());
        page.addObject(property);
        QString error;
        EXPECT_TRUE(page.writeToFileOfType(path, str(kTemplateDocumentType), &error))
            << error.toStdString();
    });
    const QString jpeg =
        writeImage(folder.filePath(str("exposed.jpg")), solidImage(40, 40, Qt::gray), "jpeg");
    ASSERT_TRUE(writeExifTags(jpeg, {{"Exif.Photo.ExposureTime", "1/125"}}, false));
    const QString png =
        writeImage(folder.filePath(str("plain.png")), solidImage(40, 40, Qt::gray), "png");
    VQFileCatalog& catalog = document->fileCatalog();
    ASSERT_TRUE(catalog.addFileEntry(jpeg));
    ASSERT_TRUE(catalog.addFileEntry(png));
    drainEvents();
    ASSERT_EQ(catalog.fileCount(), 2);

    document->setCurrentPanel(DocumentPanelLayout);
    controller->setup();
    controller->window()->show();
    drainEvents();
    auto* shown = qobject_cast<RovedezevOvod*>(controller->activeViewPanel()->panelView());
    ASSERT_NE(shown, nullptr);
    ASSERT_NE(shown->templateView(), nullptr);
    const std::shared_ptr<TemplateMapper> mapper = document->templateMapper();
    ASSERT_EQ(mapper->layoutMode(), LayoutModeSequential);

    // The property text's part of the page as the panel draws it, with only
    // the entry marked (none: -1), so that it fills the first cell.
    const auto drawnText = [&](int entry) {
        for (int i = 0; i < catalog.fileCount(); ++i)
            catalog.setMarkerAtIndexTo(i, i == entry);
        drainEvents();
        TemplateView* view = shown->templateView();
        const qreal scale = view->width() / 200.0;
        const QRect area(qRound(text.x * scale), qRound(text.y * scale), qRound(text.width * scale),
                         qRound(text.height * scale));
        return view->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    };
    const auto hasInk = [](const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    return true;
        return false;
    };

    const struct {
        int entry; // -1: an empty cell
        QString value;
    } cases[] = {{0, str("0 sec. (1/125 sec.)")}, {1, str("")}, {-1, str("")}};
    QImage empty;
    QImage exposure;
    for (const auto& c : cases) {
        const QImage drawn = drawnText(c.entry);
        EXPECT_EQ(mapper->propertyForCell(str("EXIF-829A"), 0), c.value) << c.entry;
        EXPECT_EQ(hasInk(drawn), !c.value.isEmpty()) << c.entry;
        (c.value.isEmpty() ? empty : exposure) = drawn;
    }
    EXPECT_NE(exposure, empty);
    EXPECT_EQ(drawnText(1), drawnText(-1));
    controller->shutdown();
}

TEST_F(LayoutPanel, AnUnknownTemplateOrAnotherKindOfDragChangesNothing) {
    const TemplateHandleRef master = useTemplate("Kept", {200, 100}, {{10, 10, 50, 50}});
    document->undoManager()->removeAllActions();
    RovedezevOvod& shown = showPanel();

    std::unique_ptr<QMimeData> unknown(templateDrag(str("Nowhere")));
    drag(*unknown, true);
    EXPECT_EQ(document->masterTemplate(), master);
    EXPECT_FALSE(document->undoManager()->canUndo());

    QMimeData files;
    files.setText(str("not a template"));
    drag(files, false);
    EXPECT_FALSE(hilightWhileOver);
    EXPECT_FALSE(shown.dragHilight());
}

} // namespace
