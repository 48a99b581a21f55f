#include "platform/documents/View.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/Pasteboard.h"

#include <QApplication>
#include <QBuffer>
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
    const struct {
        const char* what;
        QList<QUrl> urls;
        QStringList types;
    } cases[] = {
        {"files",
         {QUrl::fromLocalFile(str("/photos/a.jpg")), QUrl::fromLocalFile(str("/photos/b c.png"))},
         {str(FilenamesPboardType), str(URLPboardType)}},
        {"a web address", {QUrl(str("http://127.0.0.1/p.jpg"))}, {str(URLPboardType)}},
        {"a file and a web address",
         {QUrl::fromLocalFile(str("/a.jpg")), QUrl(str("http://127.0.0.1/p.jpg"))},
         {str(URLPboardType)}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QMimeData data;
        data.setUrls(c.urls);
        const Pasteboard pasteboard(&data);
        EXPECT_EQ(pasteboard.types(), c.types);
        if (c.types.contains(str(FilenamesPboardType))) {
            QVariantList paths;
            for (const QUrl& url : c.urls)
                paths.append(url.toLocalFile());
            EXPECT_EQ(pasteboard.propertyListForType(str(FilenamesPboardType)), QVariant(paths));
        } else {
            EXPECT_FALSE(pasteboard.propertyListForType(str(FilenamesPboardType)).isValid());
        }
        if (!c.urls.isEmpty()) {
            EXPECT_EQ(pasteboard.propertyListForType(str(URLPboardType)).toList().value(0),
                      QVariant(c.urls.first().toString(QUrl::FullyEncoded)));
        }
    }
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
    EXPECT_EQ(pasteboard.types(), (QStringList{str(FilenamesPboardType), str(URLPboardType),
                                               kSelection, str("Other")}));
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

protected:
    uint32_t draggingEntered(const DraggingInfo& info) override {
        calls.append(str("entered"));
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
