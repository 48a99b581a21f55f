#include "platform/documents/View.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/Pasteboard.h"

#include <QApplication>
#include <QBuffer>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const QString kSelection = str("VQFileCatalogSelection");

TEST(PasteboardTest, FileNamesAndURLsComeFromTheURIList) {
    // As file managers send them: file names are the list's file: URLs, the
    // URL its first other one.
    const QUrl a = QUrl::fromLocalFile(str("/photos/a.jpg"));
    const QUrl b = QUrl::fromLocalFile(str("/photos/b c.png"));
    const QUrl web(str("http://127.0.0.1/p.jpg"));
    const QUrl web2(str("http://127.0.0.1/q.jpg"));
    const struct {
        const char* what;
        QList<QUrl> urls;
        QStringList types;
        QVariantList files;
        QString url;
    } cases[] = {
        {"files",
         {a, b},
         {str(FilenamesPboardType)},
         {str("/photos/a.jpg"), str("/photos/b c.png")},
         {}},
        {"a web address", {web}, {str(URLPboardType)}, {}, web.toString(QUrl::FullyEncoded)},
        {"files and web addresses",
         {a, web, b, web2},
         {str(FilenamesPboardType), str(URLPboardType)},
         {str("/photos/a.jpg"), str("/photos/b c.png")},
         web.toString(QUrl::FullyEncoded)},
        {"nothing", {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QMimeData data;
        data.setUrls(c.urls);
        const Pasteboard pasteboard(&data);
        EXPECT_EQ(pasteboard.types(), c.types);
        const QVariant files = pasteboard.propertyListForType(str(FilenamesPboardType));
        EXPECT_EQ(files.isValid(), !c.files.isEmpty());
        if (!c.files.isEmpty()) {
            EXPECT_EQ(files, QVariant(c.files));
        }
        EXPECT_EQ(pasteboard.propertyListForType(str(URLPboardType)).toList().value(0).toString(),
                  c.url);
    }
}

TEST(PasteboardTest, FileNamesAndURLShareTheListWhenWritten) {
    QMimeData data;
    ASSERT_TRUE(Pasteboard::setPropertyListForType(
        data, QVariantList{str("http://127.0.0.1/x.jpg"), str("")}, str(URLPboardType)));
    ASSERT_TRUE(Pasteboard::setPropertyListForType(data, QVariantList{str("/p/a.jpg")},
                                                   str(FilenamesPboardType)));
    const Pasteboard pasteboard(&data);
    EXPECT_EQ(pasteboard.propertyListForType(str(FilenamesPboardType)),
              QVariant(QVariantList{str("/p/a.jpg")}));
    EXPECT_EQ(pasteboard.propertyListForType(str(URLPboardType)).toList().value(0),
              QVariant(str("http://127.0.0.1/x.jpg")));
    // A file is no URL of its own.
    EXPECT_FALSE(Pasteboard::setPropertyListForType(data, QVariantList{str("file:///p/b.jpg")},
                                                    str(URLPboardType)));
}

TEST(PasteboardTest, PlainTextIsTheString) {
    const QUrl web(str("http://127.0.0.1/p.jpg"));
    const struct {
        const char* what;
        QList<QUrl> urls;
        const char* text;
        QStringList types;
    } cases[] = {
        {"text", {}, "some words", {str(StringPboardType)}},
        {"a web address and text", {web}, "a caption", {str(URLPboardType), str(StringPboardType)}},
        // Qt reads a URI list as text too; that is the URL's, not a string.
        {"a web address alone", {web}, nullptr, {str(URLPboardType)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QMimeData data;
        if (!c.urls.isEmpty())
            data.setUrls(c.urls);
        if (c.text)
            data.setText(str(c.text));
        const Pasteboard pasteboard(&data);
        EXPECT_EQ(pasteboard.types(), c.types);
        EXPECT_EQ(pasteboard.propertyListForType(str(StringPboardType)),
                  c.text ? QVariant(str(c.text)) : QVariant());
    }
    QMimeData written;
    ASSERT_TRUE(Pasteboard::setPropertyListForType(written, str("typed"), str(StringPboardType)));
    EXPECT_EQ(written.data(str("text/plain")), QByteArray("typed"));
}

TEST(PasteboardTest, DeclaredDataIsMadeOnceWhenAskedFor) {
    QObject source;
    PasteboardData data(&source);
    int made = 0;
    data.declareType(str(TIFFPboardType), [&made] {
        ++made;
        return QByteArray("II*\0", 4);
    });
    const Pasteboard pasteboard(&data);
    EXPECT_TRUE(pasteboard.hasType(str(TIFFPboardType)));
    EXPECT_EQ(made, 0);
    EXPECT_EQ(pasteboard.dataForType(str(TIFFPboardType)), QByteArray("II*\0", 4));
    EXPECT_EQ(pasteboard.dataForType(str(TIFFPboardType)), QByteArray("II*\0", 4));
    EXPECT_EQ(made, 1);
    EXPECT_EQ(data.source(), &source);

    // A drag started through the session is seen first; its copy keeps the
    // source and the promise.
    PasteboardData* kept = nullptr;
    {
        DragSession::ScopedObserver observer(
            [&kept](const PasteboardData& dragged) { kept = dragged.clone(); });
        auto* dragged = new PasteboardData(&source);
        dragged->declareType(str(TIFFPboardType), [&made] {
            ++made;
            return QByteArray("MM\0*", 4);
        });
        QWidget widget;
        QDrag drag(&widget);
        drag.setMimeData(dragged);
        DragSession::runDrag(drag, Qt::CopyAction, Qt::CopyAction);
    }
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->source(), &source);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(Pasteboard(kept).dataForType(str(TIFFPboardType)), QByteArray("MM\0*", 4));
    EXPECT_EQ(made, 2);
    delete kept;
}

TEST(PasteboardTest, WrittenTypesReadBack) {
    QMimeData data;
    ASSERT_TRUE(Pasteboard::setPropertyListForType(
        data, QVariantList{str("/photos/a.jpg"), str("/photos/b.jpg")}, str(FilenamesPboardType)));
    const QVariantList selection{QVariantMap{{str("VQSelectionIndexKey"), 3}},
                                 QVariantMap{{str("VQSelectionIndexKey"), 5}}};
    ASSERT_TRUE(Pasteboard::setPropertyListForType(data, selection, kSelection));
    Pasteboard::setDataForType(data, QByteArray("raw"), str("Other"));
    const Pasteboard pasteboard(&data);
    EXPECT_EQ(pasteboard.types(),
              (QStringList{str(FilenamesPboardType), kSelection, str("Other")}));
    EXPECT_EQ(pasteboard.propertyListForType(kSelection), QVariant(selection));
    EXPECT_EQ(pasteboard.dataForType(str("Other")), QByteArray("raw"));
    EXPECT_EQ(pasteboard.availableTypeFromArray({str(TIFFPboardType), kSelection}), kSelection);
    EXPECT_TRUE(pasteboard.availableTypeFromArray({str(TIFFPboardType)}).isNull());
    EXPECT_FALSE(pasteboard.propertyListForType(str("Missing")).isValid());

    QMimeData web;
    ASSERT_TRUE(Pasteboard::setPropertyListForType(
        web, QVariantList{str("http://127.0.0.1/x.jpg"), str("")}, str(URLPboardType)));
    EXPECT_EQ(Pasteboard(&web).types(), QStringList{str(URLPboardType)});
    EXPECT_FALSE(Pasteboard::setPropertyListForType(web, QVariantList{}, str(URLPboardType)));
}

TEST(PasteboardTest, ImagesOfferTIFF) {
    QImage pixels(6, 4, QImage::Format_ARGB32);
    pixels.fill(Qt::red);
    QMimeData data;
    data.setImageData(pixels);
    const Pasteboard pasteboard(&data);
    EXPECT_TRUE(pasteboard.hasType(str(TIFFPboardType)));
    QByteArray tiff = pasteboard.dataForType(str(TIFFPboardType));
    QBuffer buffer(&tiff);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QImageReader reader(&buffer, "tiff");
    const QImage read = reader.read();
    ASSERT_FALSE(read.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(read.size(), QSize(6, 4));
    EXPECT_EQ(read.pixelColor(2, 2), QColor(Qt::red));

    QMimeData raw;
    raw.setData(str("image/tiff"), QByteArray("II*\0", 4));
    EXPECT_EQ(Pasteboard(&raw).dataForType(str(TIFFPboardType)), QByteArray("II*\0", 4));
}

// A destination that notes the calls it gets.
class DropView : public View {
public:
    DropView() {
        resize(200, 100);
        registerForDraggedTypes({str(FilenamesPboardType), kSelection});
    }
    QStringList calls;
    Point lastLocation;
    uint32_t enterAnswer = DragOperationGeneric;
    uint32_t updateAnswer = DragOperationGeneric;
    bool performAnswer = true;
    QVariant dropped;
    QObject* source = nullptr;

protected:
    uint32_t draggingEntered(const DraggingInfo& info) override {
        calls.append(str("entered"));
        source = info.draggingSource();
        lastLocation = info.draggingLocation();
        return enterAnswer;
    }
    uint32_t draggingUpdated(const DraggingInfo& info) override {
        calls.append(str("updated"));
        lastLocation = info.draggingLocation();
        return updateAnswer;
    }
    void draggingExited() override { calls.append(str("exited")); }
    bool prepareForDragOperation(const DraggingInfo&) override {
        calls.append(str("prepare"));
        return true;
    }
    bool performDragOperation(const DraggingInfo&) override {
        calls.append(str("perform"));
        return performAnswer;
    }
    void concludeDragOperation(const DraggingInfo& info) override {
        calls.append(str("conclude"));
        dropped = info.draggingPasteboard().propertyListForType(kSelection);
    }
};

TEST(DragTypesTest, ADragOverAViewReachesItsDraggingCalls) {
    DropView view;
    EXPECT_TRUE(view.acceptDrops());
    QMimeData data;
    const QVariantList selection{QVariantMap{{str("VQSelectionIndexKey"), 2}}};
    ASSERT_TRUE(Pasteboard::setPropertyListForType(data, selection, kSelection));

    QDragEnterEvent enter(QPoint(20, 30), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_NE(enter.dropAction(), Qt::IgnoreAction);
    // The view's own coordinates: y upward.
    EXPECT_EQ(view.lastLocation, (Point{20, 70}));

    view.updateAnswer = DragOperationNone;
    QDragMoveEvent refused(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &refused);
    EXPECT_FALSE(refused.isAccepted());
    view.updateAnswer = DragOperationCopy;
    QDragMoveEvent move(QPoint(60, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_EQ(move.dropAction(), Qt::CopyAction);

    QDropEvent drop(QPointF(60, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(view.calls, (QStringList{str("entered"), str("updated"), str("updated"),
                                       str("prepare"), str("perform"), str("conclude")}));
    EXPECT_EQ(view.dropped, QVariant(selection));

    // A refused drop is not concluded; leaving tells the view. (Each drag
    // starts by entering: Qt sends the rest only to the view it entered.)
    view.calls.clear();
    view.performAnswer = false;
    QDragEnterEvent again(QPoint(20, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &again);
    QDropEvent refusedDrop(QPointF(60, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &refusedDrop);
    EXPECT_FALSE(refusedDrop.isAccepted());
    QDragEnterEvent third(QPoint(20, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &third);
    QDragLeaveEvent leave;
    QApplication::sendEvent(&view, &leave);
    EXPECT_EQ(view.calls, (QStringList{str("entered"), str("prepare"), str("perform"),
                                       str("entered"), str("exited")}));
}

// Takes only selections, through the view's own dragging calls.
class HighlightingDropView : public View {
public:
    HighlightingDropView() {
        resize(200, 100);
        registerForDraggedTypes({str(FilenamesPboardType), kSelection});
    }

protected:
    bool canIHandleDrag(const DraggingInfo& info) override {
        return info.draggingPasteboard().hasType(kSelection);
    }
};

TEST(DragTypesTest, AViewIsHighlightedOnlyWhileADragItCanHandleIsOverIt) {
    HighlightingDropView view;
    QMimeData selection;
    ASSERT_TRUE(Pasteboard::setPropertyListForType(
        selection, QVariantList{QVariantMap{{str("VQSelectionIndexKey"), 1}}}, kSelection));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(str("/photos/a.jpg"))});

    QDragEnterEvent enter(QPoint(20, 30), Qt::CopyAction, &selection, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_NE(enter.dropAction(), Qt::IgnoreAction);
    EXPECT_TRUE(view.dragHilight());
    QDragLeaveEvent leave;
    QApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(view.dragHilight());

    QDragEnterEvent again(QPoint(20, 30), Qt::CopyAction, &selection, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&view, &again);
    ASSERT_TRUE(view.dragHilight());
    QDropEvent drop(QPointF(20, 30), Qt::CopyAction, &selection, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(view.dragHilight());

    // A registered type the view cannot handle: no highlight, no drop.
    QDragEnterEvent other(QPoint(20, 30), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &other);
    EXPECT_EQ(other.dropAction(), Qt::IgnoreAction);
    EXPECT_FALSE(view.dragHilight());
    QDropEvent refused(QPointF(20, 30), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST(DragTypesTest, DragsOfOtherTypesNeverReachTheView) {
    DropView view;
    QMimeData web;
    web.setUrls({QUrl(str("http://127.0.0.1/p.jpg"))});
    QDragEnterEvent enter(QPoint(20, 30), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 30), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drop);
    EXPECT_TRUE(view.calls.isEmpty());

    view.unregisterDraggedTypes();
    EXPECT_FALSE(view.acceptDrops());
    EXPECT_TRUE(view.registeredDraggedTypes().isEmpty());
}

} // namespace

TEST(DragTypesTest, TheSourceOfTheProgramsOwnDataReachesTheDestination) {
    DropView view;
    QObject origin;
    PasteboardData data(&origin);
    ASSERT_TRUE(Pasteboard::setPropertyListForType(data, QVariantList{1}, kSelection));
    // Built events carry no drag of Qt's: the data tells where it came from.
    QDragEnterEvent enter(QPoint(20, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &enter);
    EXPECT_EQ(view.source, &origin);
    QMimeData plain;
    ASSERT_TRUE(Pasteboard::setPropertyListForType(plain, QVariantList{1}, kSelection));
    QDragEnterEvent other(QPoint(20, 30), Qt::CopyAction, &plain, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &other);
    EXPECT_EQ(view.source, nullptr);
}
