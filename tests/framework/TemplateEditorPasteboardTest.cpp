#include "EditorFixture.h"
#include "framework/model/TMImageObject.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMTextObject.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/Color.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// A second template, 6 by 5 inches, in its own editor window.
struct OtherEditor {
    OtherEditor() {
        const PageDescRef& page = document.pageDesc();
        page->setDisplayUnit(str("Inches"));
        page->setAutoPageSize(false);
        page->setPageSize({6, 5});
        page->setSnapsToGrid(false);
        document.makeWindowControllers();
        controller = qobject_cast<TemplateEditorController*>(document.windowControllers().first());
        canvas = controller->templateView();
        makeKey(controller->window());
    }
    TemplateDocument document;
    TemplateEditorController* controller = nullptr;
    TM_TemplateView* canvas = nullptr;
};

// Writes a PNG of the size and resolution, filled with the colour.
QString writePicture(const QTemporaryDir& folder, const QString& name, QSize size, int dpi,
                     QColor color) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(color);
    if (dpi > 0) {
        picture.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
        picture.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    }
    const QString path = folder.filePath(name);
    EXPECT_TRUE(picture.save(path, "PNG"));
    return path;
}

// Sends a drag over the widget and its drop at the point, as Qt delivers
// what another program drags in.
void dropOnto(QWidget* widget, QMimeData* data, QPoint at) {
    const Qt::DropActions actions = Qt::CopyAction;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    QCoreApplication::processEvents();
}

Point centerOf(const Rect& rect) {
    return {rect.midX(), rect.midY()};
}

class TemplateEditorPasteboardTest : public ::testing::Test, public EditorFixture {
protected:
    TemplateEditorPasteboardTest() {
        cell = TMPhotoObject::newTemplateObjectWithOriginSize({20, 20}, {100, 80});
        document.addObject(cell);
        text = TMTextObject::newTemplateObjectWithOriginSize({20, 120}, {100, 20});
        text->setVariant(TMTextObject::PropertyText);
        text->setPropertyCellID(cell->uniqueID());
        document.addObject(text);
        QCoreApplication::processEvents();
        document.undoManager()->removeAllActions();
    }
    ~TemplateEditorPasteboardTest() override { QGuiApplication::clipboard()->clear(); }

    void copyFromA(const QList<TMObjectRef>& objects) {
        for (const TMObjectRef& object : document.objects())
            object->setSelected(objects.contains(object));
        makeKey(window());
        canvas->copy();
    }
    // The objects of B's that are new since the count.
    QList<TMObjectRef> added(qsizetype before) const { return b.document.objects().mid(before); }
    QString undoName(TemplateDocument& doc) {
        QCoreApplication::processEvents();
        return doc.undoManager()->undoActionName();
    }

    TMPhotoObjectRef cell;
    TMTextObjectRef text;
    OtherEditor b;
};

} // namespace

TEST_F(TemplateEditorPasteboardTest, ACellAndItsPropertyTextStayBoundAndTheTextAloneKeepsItsCell) {
    copyFromA({cell, text});
    b.canvas->paste();
    QList<TMObjectRef> pasted = added(0);
    ASSERT_EQ(pasted.size(), 2);
    auto* pastedText = dynamic_cast<TMTextObject*>(pasted.at(1).get());
    ASSERT_NE(pastedText, nullptr);
    EXPECT_TRUE(pasted.at(0)->isPhotoObject());
    EXPECT_NE(pasted.at(0)->uniqueID(), cell->uniqueID());
    EXPECT_EQ(pastedText->propertyCellID(), pasted.at(0)->uniqueID());
    EXPECT_EQ(b.canvas->selectedObjects(), pasted);
    EXPECT_EQ(undoName(b.document), str("Paste"));

    copyFromA({text});
    b.canvas->paste();
    pasted = added(2);
    ASSERT_EQ(pasted.size(), 1);
    EXPECT_EQ(dynamic_cast<TMTextObject*>(pasted.at(0).get())->propertyCellID(), cell->uniqueID());
    // The copied objects stay as they were.
    EXPECT_EQ(text->propertyCellID(), cell->uniqueID());
}

TEST_F(TemplateEditorPasteboardTest, OneCopyPastedTwiceGivesCellsOfTheirOwn) {
    copyFromA({cell, text});
    b.canvas->paste();
    b.canvas->paste();
    const QList<TMObjectRef> pasted = added(0);
    ASSERT_EQ(pasted.size(), 4);
    const QString first = pasted.at(0)->uniqueID();
    const QString second = pasted.at(2)->uniqueID();
    EXPECT_NE(first, second);
    EXPECT_NE(second, cell->uniqueID());
    EXPECT_EQ(dynamic_cast<TMTextObject*>(pasted.at(1).get())->propertyCellID(), first);
    EXPECT_EQ(dynamic_cast<TMTextObject*>(pasted.at(3).get())->propertyCellID(), second);
}

TEST_F(TemplateEditorPasteboardTest, PasteCentresInTheVisibleAreaAndUndoTakesItAway) {
    copyFromA({cell, text});
    const Rect copied = canvas->boundsOfSelection();
    b.canvas->paste();
    const QList<TMObjectRef> pasted = added(0);
    ASSERT_EQ(pasted.size(), 2);
    const Point center = centerOf(b.canvas->boundsOfSelection());
    EXPECT_NEAR(center.x, b.controller->centerOfScrollView().x, 0.01);
    EXPECT_NEAR(center.y, b.controller->centerOfScrollView().y, 0.01);
    EXPECT_EQ(b.canvas->boundsOfSelection().size, copied.size);
    ASSERT_TRUE(b.document.undoManager()->undo());
    EXPECT_TRUE(b.document.objects().isEmpty());
    ASSERT_TRUE(b.document.undoManager()->redo());
    EXPECT_EQ(b.document.objects(), pasted);
}

TEST_F(TemplateEditorPasteboardTest, SharedPicturesTravelOnceAndAreNotAddedTwice) {
    QImage pixels(30, 20, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::blue);
    const QString name =
        document.addImageSourceDataWithName(Image(pixels), QByteArray(), str("pic"));
    auto picture = TMImageObject::newTemplateObjectWithOriginSize({200, 100}, {30, 20});
    picture->setSharedImageRef(name);
    document.addObject(picture);
    copyFromA({picture});

    // Back into its own template: the picture it names is there.
    canvas->paste();
    ASSERT_EQ(document.objects().size(), 4);
    EXPECT_EQ(document.objects().last()->sharedImageRef(), name);
    EXPECT_TRUE(document.listUnusedImages().isEmpty());

    // Into another: the picture comes along under a name of that template's.
    b.canvas->paste();
    ASSERT_EQ(b.document.objects().size(), 1);
    const QString there = b.document.objects().first()->sharedImageRef();
    ASSERT_FALSE(there.isEmpty());
    EXPECT_EQ(b.document.getImageWithName(there).pixelSize(), QSize(30, 20));

    // The PDF flavour shows the picture, made when asked.
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(Pasteboard(clip).hasType(str(PDFPboardType)));
    EXPECT_TRUE(clip->data(str("application/pdf")).startsWith("%PDF"));
}

TEST_F(TemplateEditorPasteboardTest, DataThatIsNoPageObjectIsSkippedWithABeep) {
    const QVariantList junk = {
        QVariant(str("not a dictionary")),
        QVariantMap{{str("kind"), str("TMCaptureView")}},
        QVariantMap{{str("kind"), str("VQGradientFill")}},
        QVariantMap{{str("kind"), str("TMImageObject")}},
        QVariantMap{{str("kind"), str("TMImageObject")},
                    {str("image_raw"), QByteArray("not an archived picture")}},
    };
    const QList<QByteArray> payloads = {Archiver::archivedData(QVariant(junk)),
                                        QByteArray("\x00\x01garbage", 9),
                                        Archiver::archivedData(QVariant(str("a string")))};
    for (const QByteArray& payload : payloads) {
        auto* data = new QMimeData;
        Pasteboard::setDataForType(*data, payload, str(kObjectPasteboardType));
        QGuiApplication::clipboard()->setMimeData(data);
        const int beeps = ModalAlert::beepCount();
        b.canvas->paste();
        EXPECT_GT(ModalAlert::beepCount(), beeps);
        EXPECT_TRUE(b.document.objects().isEmpty());
        EXPECT_FALSE(b.document.undoManager()->canUndo());
    }
    // A good object among junk is still pasted.
    auto* data = new QMimeData;
    QVariantList mixed = junk;
    mixed.append(cell->dictRepresentation());
    Pasteboard::setDataForType(*data, Archiver::archivedData(QVariant(mixed)),
                               str(kObjectPasteboardType));
    QGuiApplication::clipboard()->setMimeData(data);
    b.canvas->paste();
    ASSERT_EQ(b.document.objects().size(), 1);
    EXPECT_TRUE(b.document.objects().first()->isPhotoObject());
}

TEST_F(TemplateEditorPasteboardTest, CutClearAndDuplicateWithTheirUndoNames) {
    const int beeps = ModalAlert::beepCount();
    QGuiApplication::clipboard()->clear();
    canvas->deselect();
    canvas->cut(); // nothing selected: nothing written, nothing removed
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(!clip || clip->formats().isEmpty());
    EXPECT_EQ(document.objects().size(), 2);
    EXPECT_EQ(ModalAlert::beepCount(), beeps);

    document.pageDesc()->setGridDivisions(8); // 9 points
    copyFromA({cell, text});
    canvas->duplicate();
    ASSERT_EQ(document.objects().size(), 4);
    const TMObjectRef newCell = document.objects().at(2);
    auto* newText = dynamic_cast<TMTextObject*>(document.objects().at(3).get());
    EXPECT_EQ(newCell->center(), (Point{cell->center().x + 9, cell->center().y + 9}));
    EXPECT_NE(newCell->uniqueID(), cell->uniqueID());
    EXPECT_EQ(newText->propertyCellID(), newCell->uniqueID());
    EXPECT_FALSE(cell->selected());
    EXPECT_TRUE(newCell->selected());
    EXPECT_EQ(undoName(document), str("Duplicate"));

    canvas->cut();
    EXPECT_EQ(document.objects(), (QList<TMObjectRef>{cell, text}));
    EXPECT_TRUE(
        Pasteboard(QGuiApplication::clipboard()->mimeData()).hasType(str(kObjectPasteboardType)));
    EXPECT_EQ(undoName(document), str("Clear"));

    cell->setSelected(true);
    QTest::keyClick(canvas, Qt::Key_Delete);
    EXPECT_EQ(document.objects(), QList<TMObjectRef>{text});
    EXPECT_EQ(undoName(document), str("Clear"));
    ASSERT_TRUE(document.undoManager()->undo());
    EXPECT_TRUE(document.objects().contains(cell));
}

TEST_F(TemplateEditorPasteboardTest, DroppedObjectsCentreOnTheDropPoint) {
    for (const TMObjectRef& object : document.objects())
        object->setSelected(true);
    PasteboardData data(canvas);
    ASSERT_TRUE(canvas->copyToPasteboard(data));
    // At double size a widget pixel is half a point.
    b.controller->zoomIn();
    QCoreApplication::processEvents();
    const Point drop{150, 120};
    const QPointF at = b.canvas->widgetRectFromBounds({drop, {0, 0}}).topLeft();
    const std::unique_ptr<PasteboardData> dropped(data.clone());
    dropOnto(b.canvas, dropped.get(), at.toPoint());
    ASSERT_EQ(b.document.objects().size(), 2);
    const Point center = b.canvas->centerOfSelection();
    EXPECT_NEAR(center.x, drop.x, 0.5);
    EXPECT_NEAR(center.y, drop.y, 0.5);
    EXPECT_EQ(undoName(b.document), str("Add Objects"));
    EXPECT_FALSE(b.canvas->dragHilight());
}

TEST_F(TemplateEditorPasteboardTest, OptionDraggingTheSelectionOutCarriesCopiesOfIt) {
    cell->setSelected(true);
    text->setSelected(true);
    std::unique_ptr<PasteboardData> dragged;
    const DragSession::ScopedObserver observer(
        [&](const PasteboardData& data) { dragged.reset(data.clone()); });
    const QPoint at = canvas->widgetRectFromBounds({cell->center(), {0, 0}}).topLeft().toPoint();
    QTest::mousePress(canvas, Qt::LeftButton, Qt::AltModifier, at);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::AltModifier, at);
    ASSERT_NE(dragged, nullptr);
    EXPECT_EQ(dragged->source(), canvas);
    EXPECT_EQ(cell->center(), (Point{70, 60}));
    const Pasteboard pasteboard(dragged.get());
    EXPECT_TRUE(pasteboard.hasType(str(kObjectPasteboardType)));
    EXPECT_TRUE(pasteboard.dataForType(str(PDFPboardType)).startsWith("%PDF"));

    const Point drop{200, 150};
    dropOnto(b.canvas, dragged.get(),
             b.canvas->widgetRectFromBounds({drop, {0, 0}}).topLeft().toPoint());
    ASSERT_EQ(b.document.objects().size(), 2);
    EXPECT_EQ(b.canvas->centerOfSelection(), drop);
    EXPECT_EQ(document.objects().size(), 2);
}

TEST_F(TemplateEditorPasteboardTest, ImportCascadesFromTheVisibleCentreAndDropsLandOnThePoint) {
    QTemporaryDir folder;
    const QStringList files = {
        writePicture(folder, str("a.png"), {300, 150}, 300, Qt::red),
        writePicture(folder, str("b.png"), {40, 40}, 0, Qt::green),
        writePicture(folder, str("c.png"), {50, 20}, 144, Qt::blue),
    };
    ModalAlert::PanelRequest asked;
    const ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
        asked = request;
        return files;
    });
    canvas->importImage();
    EXPECT_EQ(asked.title, str("Import Graphic"));
    EXPECT_TRUE(asked.multipleSelection);
    EXPECT_TRUE(asked.extensions.contains(str("png")));
    ASSERT_EQ(document.objects().size(), 5);
    const Point start = controller->centerOfScrollView();
    const QList<Size> sizes = {{72, 36}, {40, 40}, {25, 10}};
    for (int i = 0; i < 3; ++i) {
        const TMObjectRef& object = document.objects().at(2 + i);
        auto* image = dynamic_cast<TMImageObject*>(object.get());
        ASSERT_NE(image, nullptr);
        EXPECT_NEAR(object->center().x, start.x + 16 * i, 0.5) << i;
        EXPECT_NEAR(object->center().y, start.y + 16 * i, 0.5) << i;
        EXPECT_EQ(object->frame().size, sizes.at(i)) << i;
        // The document keeps the file's own bytes.
        QFile file(files.at(i));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(document.getSourceDataWithName(object->sharedImageRef()), file.readAll());
    }
    EXPECT_EQ(dynamic_cast<TMImageObject*>(document.objects().at(2).get())->imageDpi(), 300.0f);
    EXPECT_EQ(dynamic_cast<TMImageObject*>(document.objects().at(3).get())->imageDpi(), 0.0f);
    EXPECT_TRUE(document.objects().last()->selected());
    EXPECT_EQ(undoName(document), str("Import Graphic"));

    // Imported again without scrolling: the cascade goes on.
    canvas->importImage();
    EXPECT_NEAR(document.objects().at(5)->center().x, start.x + 48, 0.5);

    // The same files dropped as a file manager sends them.
    auto* dropped = new QMimeData;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls.append(QUrl::fromLocalFile(file));
    dropped->setUrls(urls);
    const Point drop{100, 90};
    dropOnto(b.canvas, dropped, b.canvas->widgetRectFromBounds({drop, {0, 0}}).topLeft().toPoint());
    delete dropped;
    ASSERT_EQ(b.document.objects().size(), 3);
    for (const TMObjectRef& object : b.document.objects()) {
        EXPECT_NEAR(object->center().x, drop.x, 0.5);
        EXPECT_NEAR(object->center().y, drop.y, 0.5);
    }
}

TEST_F(TemplateEditorPasteboardTest, APastedOrDroppedPictureBecomesAnImageObject) {
    QImage pixels(60, 30, QImage::Format_RGB32);
    pixels.fill(Qt::yellow);
    auto* data = new QMimeData;
    data->setImageData(pixels);
    QGuiApplication::clipboard()->setMimeData(data);
    b.canvas->paste();
    ASSERT_EQ(b.document.objects().size(), 1);
    const TMObjectRef image = b.document.objects().first();
    EXPECT_EQ(image->frame().size.width, 60.0f);
    EXPECT_NEAR(image->center().x, b.controller->centerOfScrollView().x, 0.5);
    EXPECT_EQ(undoName(b.document), str("Paste"));

    auto* dropped = new QMimeData;
    dropped->setImageData(pixels);
    dropOnto(b.canvas, dropped,
             b.canvas->widgetRectFromBounds({{50, 60}, {0, 0}}).topLeft().toPoint());
    delete dropped;
    ASSERT_EQ(b.document.objects().size(), 2);
    EXPECT_EQ(b.document.objects().last()->center(), (Point{50, 60}));
}

TEST_F(TemplateEditorPasteboardTest, ReplacingAPictureChangesEveryUserAndUndoes) {
    QTemporaryDir folder;
    QImage pixels(30, 20, QImage::Format_RGB32);
    pixels.fill(Qt::blue);
    const QString name =
        document.addImageSourceDataWithName(Image(pixels), QByteArray(), str("pic"));
    auto first = TMImageObject::newTemplateObjectWithOriginSize({200, 100}, {30, 20});
    auto second = TMImageObject::newTemplateObjectWithOriginSize({250, 100}, {30, 20});
    for (const auto& object : {first, second}) {
        object->setSharedImageRef(name);
        document.addObject(object);
    }
    QCoreApplication::processEvents();
    document.undoManager()->removeAllActions();
    const QString file = writePicture(folder, str("new.png"), {64, 48}, 0, Qt::red);

    int alerts = 0;
    const ModalAlert::ScopedResponder alert([&](const ModalAlert::Request& request) {
        ++alerts;
        EXPECT_EQ(request.title, str("Replace Operation Failed!!!"));
        EXPECT_EQ(request.message, str("Could not replace the selected graphics."));
        EXPECT_EQ(request.defaultButton, str("OK"));
        return int(ModalAlert::DefaultReturn);
    });
    QString title;
    const ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
        title = request.title;
        return QStringList{file};
    });
    // Nothing suitable selected: the alert.
    cell->setSelected(true);
    canvas->replaceImage();
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(title, str("Replace Graphic"));

    // Shift, Option and Command turn Import Graphic into the replace.
    second->setSelected(true);
    {
        const CurrentEvent::Scope held(ShiftKeyMask | AlternateKeyMask | CommandKeyMask);
        canvas->importImage();
    }
    EXPECT_EQ(alerts, 1);
    for (const auto& object : {first, second})
        EXPECT_EQ(object->image().pixelSize(), QSize(64, 48));
    EXPECT_EQ(undoName(document), str("Replace Graphic"));
    EXPECT_TRUE(document.isDocumentEdited());
    ASSERT_TRUE(document.undoManager()->undo());
    for (const auto& object : {first, second})
        EXPECT_EQ(object->image().pixelSize(), QSize(30, 20));
    EXPECT_FALSE(document.isDocumentEdited());
}
