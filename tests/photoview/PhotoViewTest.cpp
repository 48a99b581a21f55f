#include "photoview/PhotoView.h"
#include "catalog/GridFixture.h"
#include "catalog/Importer.h"
#include "framework/model/TMCaptionObject.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UndoManager.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/DraggingInfo.h"

#include <QAction>
#include <QDir>
#include <QRandomGenerator>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

bool close(const QColor& c, const QColor& expected, int tolerance = 24) {
    return std::abs(c.red() - expected.red()) <= tolerance &&
           std::abs(c.green() - expected.green()) <= tolerance &&
           std::abs(c.blue() - expected.blue()) <= tolerance;
}

// Records whether the panel was loading each time it was painted.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(PhotoView* view) : _view(view) { view->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            loading.append(_view->loadingImage());
        return false;
    }
    QList<bool> loading;

private:
    PhotoView* _view;
};

} // namespace

// The catalog window with its photograph panel shown in a main view of a known size.
class PhotoViewTest : public GridFixture {
protected:
    void SetUp() override {
        GridFixture::SetUp();
        ASSERT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::PhotographPanel);
        ASSERT_NE(panel(), nullptr);
        placeMainView(500, 400);
    }

    PhotoView* panel() const { return controller->mainView()->findChild<PhotoView*>(); }
    // The window leaves the main view's place to its layout: the test gives it one.
    void placeMainView(int width, int height) {
        controller->mainView()->setGeometry(0, 0, width, height);
        controller->mainView()->show();
        panel()->setGeometry(1, 1, std::max(width - 2, 0), std::max(height - 2, 0));
        drainEvents();
    }
    void select(int index) {
        catalog().clearSelection();
        catalog().setSelectionAtIndex(index);
        drainEvents();
    }
    QImage shot() { return panel()->grab().toImage(); }
    // A widget point of the panel at fractions of the image frame.
    QPoint framePoint(float fx, float fy) const {
        const Rect f = panel()->imageFrame();
        return panel()
            ->widgetRectFromBounds({f.minX() + fx * f.width(), f.minY() + fy * f.height(), 0, 0})
            .topLeft()
            .toPoint();
    }
    QColor colorAt(float fx, float fy) { return shot().pixelColor(framePoint(fx, fy)); }
    // Whether any pixel of the shot is close to the colour.
    bool shows(const QColor& color) {
        const QImage image = shot();
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                if (close(image.pixelColor(x, y), color, 8))
                    return true;
        return false;
    }
    // Message text in the band across the middle, away from the photo and its shadow.
    bool showsMessage() {
        const QImage image = shot();
        const QRectF photo =
            panel()->imageFrame().width() > 0
                ? panel()->widgetRectFromBounds(panel()->imageFrame()).adjusted(-20, -20, 20, 20)
                : QRectF();
        const int middle = image.height() / 2;
        for (int y = middle - 15; y < middle + 15; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!photo.contains(x, y) &&
                    close(image.pixelColor(x, y), QColor(204, 204, 204), 12))
                    return true;
        return false;
    }
    void addPhoto(const QString& name, int width, int height) {
        ASSERT_TRUE(catalog().addFileEntry(photo(name, width, height)));
        drainEvents();
    }
    // A noisy picture whose file is larger than the loading threshold.
    void addLargePhoto(const QString& name) {
        QImage noise(700, 500, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, random.generate() | 0xFF000000u);
        const QString path = dir.filePath(name);
        ASSERT_TRUE(noise.save(path, "png"));
        ASSERT_GT(QFileInfo(path).size(), PhotoView::kLoadingMessageBytes);
        ASSERT_TRUE(catalog().addFileEntry(path));
        drainEvents();
    }
};

TEST_F(PhotoViewTest, ThePhotoFitsInStepsToNinetyPercentOfTheParent) {
    struct Case {
        QSize parent;
        QSize photo;
        float scale;
        Size frame;
    };
    const Case cases[] = {
        {{1000, 800}, {40, 30}, 1.0f, {40, 30}},    // small photos keep their size
        {{220, 300}, {200, 100}, 0.95f, {190, 95}}, // one step
        {{500, 400}, {800, 600}, 0.55f, {440, 330}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        addPhoto(str("fit%1.png").arg(n), c.photo.width(), c.photo.height());
        placeMainView(c.parent.width(), c.parent.height());
        select(n++);
        EXPECT_NEAR(panel()->imageScale(), c.scale, 1e-4);
        const Rect frame = panel()->imageFrame();
        EXPECT_NEAR(frame.width(), c.frame.width, 1);
        EXPECT_NEAR(frame.height(), c.frame.height, 1);
        // Centred in the panel.
        EXPECT_NEAR(frame.midX(), panel()->bounds().midX(), 1);
        EXPECT_NEAR(frame.midY(), panel()->bounds().midY(), 1);
        EXPECT_TRUE(close(colorAt(0.25f, 0.75f), kTopLeft));
        EXPECT_TRUE(close(colorAt(0.75f, 0.25f), kBottomRight));
    }
}

TEST_F(PhotoViewTest, AParentWithoutSizeDrawsNoPhoto) {
    addPhoto(str("a.png"), 40, 30);
    controller->mainView()->setGeometry(0, 0, 0, 0);
    panel()->setGeometry(1, 1, 200, 200);
    drainEvents();
    select(0);
    EXPECT_FALSE(panel()->photoImage().isNull());
    EXPECT_TRUE(panel()->imageFrame().width() <= 0 || panel()->imageFrame().height() <= 0);
    for (const QColor& color : {kTopLeft, kTopRight, kBottomLeft, kBottomRight})
        EXPECT_FALSE(shows(color));
}

TEST_F(PhotoViewTest, NoneOrSeveralSelectedShowTheirMessageAndNoPhoto) {
    addPhoto(str("a.png"), 40, 30);
    addPhoto(str("b.png"), 40, 30);
    catalog().clearSelection();
    drainEvents();
    EXPECT_TRUE(panel()->photoImage().isNull());
    EXPECT_FALSE(panel()->multiSelection());
    EXPECT_TRUE(showsMessage());

    select(0);
    EXPECT_FALSE(showsMessage());
    EXPECT_TRUE(shows(kTopLeft));

    catalog().setSelectionAtIndex(1);
    drainEvents();
    EXPECT_TRUE(panel()->multiSelection());
    EXPECT_TRUE(panel()->photoImage().isNull());
    EXPECT_TRUE(showsMessage());
    EXPECT_FALSE(shows(kTopLeft));
    // The two messages are different texts.
    EXPECT_NE(localizedString(str(kMultiSelectionKey)), str(kMultiSelectionKey));
    EXPECT_NE(localizedString(str(kNoSelectionKey)), str(kNoSelectionKey));
    EXPECT_NE(localizedString(str(kLoadingImageKey)), str(kLoadingImageKey));
}

TEST_F(PhotoViewTest, ClickingAThumbnailShowsThePhotoWithItsStoredCropAndCaption) {
    addPhoto(str("a.png"), 200, 100);
    addPhoto(str("b.png"), 200, 100);
    // The right half cropped away; a caption in the lower left quarter.
    catalog().setFileImageCropAtIndexTo(1, {0, 0, 100, 100});
    TMObjectRef caption = TMCaptionObject::newTemplateObjectWithOriginSize({10, 10}, {60, 30});
    catalog().setFileImageCaptionsAtIndexTo(1, QVariantList{QVariant::fromValue(caption)});
    drainEvents();
    sizeForColumns(2);
    click(1);
    ASSERT_EQ(panel()->photoSerialNumber(), catalog().getSerialNumberAtIndex(1));
    EXPECT_EQ(panel()->cropRect(), (Rect{0, 0, 100, 100}));
    ASSERT_EQ(panel()->captions().size(), 1);
    EXPECT_EQ(panel()->captions().first(), caption);
    // Inside the crop at full strength, outside it faded towards white.
    EXPECT_TRUE(close(colorAt(0.25f, 0.75f), kTopLeft));
    const QColor faded = colorAt(0.75f, 0.75f);
    EXPECT_FALSE(close(faded, kTopRight));
    EXPECT_GT(faded.red(), 100);
    EXPECT_GT(faded.green(), 200);
    // The caption's middle is not the photo's blue.
    const Rect f = panel()->imageFrame();
    const QPoint middle = panel()
                              ->widgetRectFromBounds({f.minX() + 40 * f.width() / 200,
                                                      f.minY() + 25 * f.height() / 100, 0, 0})
                              .topLeft()
                              .toPoint();
    EXPECT_FALSE(close(shot().pixelColor(middle), kBottomLeft));
}

TEST_F(PhotoViewTest, ALargePhotoNotYetDecodedShowsTheLoadingMessageOnce) {
    addLargePhoto(str("large.png"));
    addPhoto(str("small.png"), 40, 30);
    // Another decode leaves the large photo out of the importer's cache.
    select(1);
    ASSERT_FALSE(Importer::isGWorldCached(dir.filePath(str("large.png"))));
    {
        PaintRecorder paints(panel());
        select(0);
        EXPECT_TRUE(paints.loading.contains(true));
        EXPECT_FALSE(panel()->loadingImage());
        EXPECT_FALSE(panel()->photoImage().isNull());
    }
    // Selected again: decoded already, no message.
    select(1);
    PaintRecorder again(panel());
    select(0);
    EXPECT_FALSE(again.loading.contains(true));
    // A small photo never shows it.
    PaintRecorder small(panel());
    select(1);
    EXPECT_FALSE(small.loading.contains(true));
}

TEST_F(PhotoViewTest, ASelectionMadeUnderTheLayoutPanelShowsAtTheNextDraw) {
    addPhoto(str("a.png"), 40, 30);
    addPhoto(str("b.png"), 40, 30);
    select(0);
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    drainEvents();
    select(1);
    EXPECT_TRUE(panel()->needsRefetch());
    EXPECT_TRUE(panel()->photoImage().isNull());
    controller->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
    placeMainView(500, 400);
    panel()->repaint();
    EXPECT_FALSE(panel()->needsRefetch());
    EXPECT_EQ(panel()->photoSerialNumber(), catalog().getSerialNumberAtIndex(1));
    EXPECT_TRUE(shows(kTopLeft));
}

TEST_F(PhotoViewTest, APressMovingFourPointsOrLessStartsNoDrag) {
    addPhoto(str("a.png"), 40, 30);
    select(0);
    const QPoint start = framePoint(0.5f, 0.5f);
    for (const QPoint moved : {QPoint(4, 0), QPoint(0, -4), QPoint(-4, 4)}) {
        DragCatcher catcher;
        QTest::mousePress(panel(), Qt::LeftButton, Qt::NoModifier, start);
        QTest::mouseMove(panel(), start + moved);
        QTest::mouseRelease(panel(), Qt::LeftButton, Qt::NoModifier, start + moved);
        EXPECT_EQ(catcher.data(), nullptr);
    }
    // Outside the photo nothing starts at all.
    DragCatcher outside;
    const QPoint corner(3, 3);
    QTest::mousePress(panel(), Qt::LeftButton, Qt::NoModifier, corner);
    QTest::mouseMove(panel(), corner + QPoint(20, 20));
    QTest::mouseRelease(panel(), Qt::LeftButton, Qt::NoModifier, corner + QPoint(20, 20));
    EXPECT_EQ(outside.data(), nullptr);
}

TEST_F(PhotoViewTest, DraggingThePhotoOffersTheGridsSelectionAndAFullSizeTIFF) {
    addPhoto(str("a.png"), 40, 30);
    addPhoto(str("big.png"), 1200, 900);
    select(1);
    // The panel shows the screen-size image.
    EXPECT_LE(panel()->photoImage().pixelSize().width(), 800);
    DragCatcher catcher;
    const QPoint start = framePoint(0.5f, 0.5f);
    QTest::mousePress(panel(), Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(panel(), start + QPoint(5, 0));
    QTest::mouseRelease(panel(), Qt::LeftButton, Qt::NoModifier, start + QPoint(5, 0));
    ASSERT_NE(catcher.data(), nullptr);
    const QVariantList expected{QVariantMap{{str("VQSelectionCatalogKey"), catalog().description()},
                                            {str("VQSelectionIndexKey"), 1}}};
    EXPECT_EQ(Pasteboard(catcher.data())
                  .propertyListForType(str(kVQFileCatalogSelectionPboardType))
                  .toList(),
              expected);
    EXPECT_EQ(catcher.data()->source(), grid());

    const QString tiff = Pasteboard::mimeTypeForType(str(TIFFPboardType));
    EXPECT_TRUE(catcher.data()->hasFormat(tiff));
    EXPECT_FALSE(catcher.data()->QMimeData::formats().contains(tiff)); // not made yet
    const QImage image =
        QImage::fromData(Pasteboard(catcher.data()).dataForType(str(TIFFPboardType)));
    EXPECT_EQ(image.size(), QSize(1200, 900));
    EXPECT_TRUE(close(image.pixelColor(5, 5), kTopLeft));
    EXPECT_TRUE(catalog().deliverScreenResolution());
}

namespace {

// An installed template of one photo cell on a Letter page.
TemplateHandleRef installTemplate(const QString& documentID) {
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    EXPECT_TRUE(QDir().mkpath(library->templatesFolderPath()));
    TemplateDocument templateDocument;
    templateDocument.setDocumentID(documentID);
    templateDocument.setDocName(documentID);
    PrintInfo info;
    info.setPaperSize({612, 792});
    templateDocument.setPrintInfo(info);
    templateDocument.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {50, 50}));
    QString error;
    EXPECT_TRUE(templateDocument.writeToFileOfType(
        QDir(library->templatesFolderPath()).filePath(documentID + str(".vyxTemplate")),
        str(kTemplateDocumentType), &error))
        << error.toStdString();
    library->scanForChanges();
    return library->templateWithID(documentID);
}

} // namespace

TEST_F(PhotoViewTest, ADroppedTemplateBecomesMasterWithUndoAndShowsTheLayout) {
    const TemplateHandleRef dropped = installTemplate(str("dropped"));
    ASSERT_TRUE(dropped);
    // The layout's mapper, as the window has it.
    document->templateMapper();
    const TemplateHandleRef before = document->masterTemplate();
    drainEvents();
    undo().removeAllActions();

    QMimeData data;
    Pasteboard::setPropertyListForType(data, str("dropped"),
                                       str(kDragDropInstalledTemplatePboardType));
    const QPoint at = panel()->rect().center();
    sendDrag(panel(), QEvent::DragEnter, &data, at);
    EXPECT_TRUE(panel()->dragHilight());
    sendDrag(panel(), QEvent::Drop, &data, at);
    drainEvents();
    EXPECT_FALSE(panel()->dragHilight());
    EXPECT_EQ(document->masterTemplate(), dropped);
    EXPECT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    EXPECT_EQ(controller->getViewSwitcher()->value(), ZaroziveZodiroVirizidivi::LayoutPanel);
    // The drop is one step with the panel switch it brings.
    ASSERT_TRUE(undo().canUndo());
    undo().undo();
    drainEvents();
    EXPECT_EQ(document->masterTemplate(), before);
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(PhotoViewTest, AnUnknownTemplateOrAnotherTypeChangesNothing) {
    ASSERT_TRUE(installTemplate(str("kept")));
    document->templateMapper();
    document->setMasterTemplate(
        NewTemplateManager::sharedTemplateManager()->templateWithID(str("kept")));
    const TemplateHandleRef master = document->masterTemplate();
    ASSERT_TRUE(master);
    drainEvents();
    undo().removeAllActions();

    QMimeData unknown;
    Pasteboard::setPropertyListForType(unknown, str("no-such-template"),
                                       str(kDragDropInstalledTemplatePboardType));
    const QPoint at = panel()->rect().center();
    sendDrag(panel(), QEvent::DragEnter, &unknown, at);
    sendDrag(panel(), QEvent::Drop, &unknown, at);
    drainEvents();
    EXPECT_EQ(document->masterTemplate(), master);
    EXPECT_FALSE(undo().canUndo());
    EXPECT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::PhotographPanel);

    QMimeData other;
    Pasteboard::setPropertyListForType(other, QVariantList{},
                                       str(kVQFileCatalogSelectionPboardType));
    // The window may take other drags; the panel leaves them to it.
    QDragEnterEvent enter(at, Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    EXPECT_FALSE(panel()->canIHandleDrag(DraggingInfo(enter, *panel())));
}

TEST_F(PhotoViewTest, ForwardedActionsReachTheWindowController) {
    addPhoto(str("a.png"), 40, 30);
    addPhoto(str("b.png"), 40, 30);
    select(0);
    QAction next;
    ASSERT_TRUE(panel()->respondsToAction(str("nextSelection:")));
    panel()->performAction(str("nextSelection:"), &next);
    drainEvents();
    EXPECT_EQ(catalog().getSelectedIndices(), QList<int>{1});
    catalog().setMarkerAtIndexTo(1, false);
    ASSERT_TRUE(panel()->respondsToAction(str("markSelection:")));
    panel()->performAction(str("markSelection:"), &next);
    EXPECT_TRUE(catalog().getMarkedIndices().contains(1));
    // Not one of the panel's actions, though the controller carries it out.
    EXPECT_FALSE(panel()->respondsToAction(str("addFiles:")));
    EXPECT_TRUE(panel()->respondsToAction(str("printToEmail:")));
}
