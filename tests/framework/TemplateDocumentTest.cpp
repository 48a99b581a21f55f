#include "framework/model/TemplateDocument.h"
#include "framework/editor/GeometryController.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/printing/PrintInfo.h"
#include "support/TestHost.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Counts one notification from one sender.
class NoticeCounter {
public:
    NoticeCounter(const char* name, const void* sender) {
        NotificationCenter::defaultCenter().addObserver(this, str(name), sender,
                                                        [this](const Notification& n) {
                                                            ++count;
                                                            lastUserInfo = n.userInfo();
                                                        });
    }
    ~NoticeCounter() { NotificationCenter::defaultCenter().removeObserver(this); }

    int posted() {
        QCoreApplication::processEvents();
        return count;
    }

    int count = 0;
    QVariantMap lastUserInfo;
};

void useTemplateSettings(TestHost& host) {
    host.settings[42] = str("Weddings");
    host.settings[43] = str("Ada Maker");
    host.settings[44] = str("(c) Ada");
    host.settings[45] = 0x123;
    host.settings[46] = false;
    host.settings[47] = QSizeF(8.5, 11);
    host.settings[48] = 1;
    host.settings[49] = 8;
}

// A property of the document as the Inspector sees it.
struct Property {
    const char* name;
    std::function<QVariant(const TemplateDocument&)> get;
    std::function<void(TemplateDocument&, const QVariant&)> set;
    QVariant newValue;
};

const std::vector<Property> kProperties = {
    {"name", [](const TemplateDocument& d) { return QVariant(d.docName()); },
     [](TemplateDocument& d, const QVariant& v) { d.setDocName(v.toString()); }, str("Summer")},
    {"category", [](const TemplateDocument& d) { return QVariant(d.docCategory()); },
     [](TemplateDocument& d, const QVariant& v) { d.setDocCategory(v.toString()); }, str("Cards")},
    {"creator", [](const TemplateDocument& d) { return QVariant(d.docCreator()); },
     [](TemplateDocument& d, const QVariant& v) { d.setDocCreator(v.toString()); }, str("Bo")},
    {"description", [](const TemplateDocument& d) { return QVariant(d.docDescription()); },
     [](TemplateDocument& d, const QVariant& v) { d.setDocDescription(v.toString()); },
     str("Four up")},
    {"copyright", [](const TemplateDocument& d) { return QVariant(d.docCopyright()); },
     [](TemplateDocument& d, const QVariant& v) { d.setDocCopyright(v.toString()); },
     str("(c) Bo")},
    {"change version", [](const TemplateDocument& d) { return QVariant(d.docChangeVersion()); },
     [](TemplateDocument& d, const QVariant& v) { d.setDocChangeVersion(v.toInt()); },
     QVariant(0x210)},
};

} // namespace

TEST(TemplateDocument, PropertiesDefaultFromTheSettings) {
    TestHost host;
    useTemplateSettings(host);
    gNewDcoumentCount = 0; // as at launch
    TemplateDocument first;
    EXPECT_TRUE(InspectorController::sharedInspectorController()->isActivated());
    EXPECT_TRUE(GeometryController::sharedGeometryController()->isActivated());
    EXPECT_EQ(gNewDcoumentCount, 1);
    EXPECT_EQ(first.docName(), str("Untitled Template 1"));
    EXPECT_EQ(first.docCategory(), str("Weddings"));
    EXPECT_EQ(first.docCreator(), str("Ada Maker"));
    EXPECT_EQ(first.docCopyright(), str("(c) Ada"));
    EXPECT_EQ(first.docDescription(), str("A new template."));
    EXPECT_EQ(first.docChangeVersion(), 0x123);
    EXPECT_TRUE(first.documentID().isNull());
    EXPECT_TRUE(first.thumbnailProxy().isNull());
    EXPECT_EQ(first.thumbnailGenMode(), 0);
    EXPECT_FALSE(first.fromFile());
    EXPECT_TRUE(first.objects().isEmpty());
    ASSERT_NE(first.pageDesc(), nullptr);
    EXPECT_EQ(first.pageDesc()->parentDocument(), &first);
    EXPECT_EQ(first.pageDesc()->frame(), Rect(0, 0, 612, 792));

    // A version below 1 gives 2.0.0.
    host.settings[45] = 0;
    TemplateDocument second;
    EXPECT_EQ(second.docName(), str("Untitled Template 2"));
    EXPECT_EQ(second.docChangeVersion(), 512);
    EXPECT_EQ(gNewDcoumentCount, 2);
}

TEST(TemplateDocument, WithoutAHostNewDocumentsTakeTheFallbacks) {
    ASSERT_EQ(HostServices::current(), nullptr);
    TemplateDocument document;
    EXPECT_EQ(document.docCategory(), str("General"));
    EXPECT_EQ(document.docCopyright(), str(""));
    EXPECT_FALSE(document.docCopyright().isNull());
    EXPECT_FALSE(document.docCreator().isEmpty());
    EXPECT_EQ(document.docChangeVersion(), 512);
}

TEST(TemplateDocument, PropertyChangesUndoAndRedoUnderDocInfo) {
    TestHost host;
    useTemplateSettings(host);
    for (const Property& property : kProperties) {
        SCOPED_TRACE(property.name);
        TemplateDocument document;
        UndoManager* undo = document.undoManager();
        const QVariant before = property.get(document);
        NoticeCounter changed("TemplateDocumentPropertiesChangedNotify", &document);

        // The current value: nothing posted, nothing registered.
        property.set(document, before);
        EXPECT_EQ(changed.posted(), 0);
        EXPECT_FALSE(undo->canUndo());

        // A change by the setter alone registers nothing.
        property.set(document, property.newValue);
        EXPECT_EQ(property.get(document), property.newValue);
        EXPECT_EQ(changed.posted(), 1);
        EXPECT_FALSE(undo->canUndo());
        property.set(document, before);

        // What the Inspector does: register the old value, then set.
        undo->beginUndoGrouping();
        undo->registerUndo(&document,
                           [&document, &property, before] { property.set(document, before); });
        property.set(document, property.newValue);
        undo->endUndoGrouping();

        ASSERT_TRUE(undo->undo());
        EXPECT_EQ(property.get(document), before);
        EXPECT_EQ(undo->redoActionName(), str("Template Info"));
        ASSERT_TRUE(undo->redo());
        EXPECT_EQ(property.get(document), property.newValue);
        EXPECT_EQ(undo->undoActionName(), str("Template Info"));
        ASSERT_TRUE(undo->undo());
        EXPECT_EQ(property.get(document), before);
    }
}

TEST(TemplateDocument, PropertyNoticesCoalesceWithinOnePass) {
    TestHost host;
    TemplateDocument document;
    NoticeCounter changed("TemplateDocumentPropertiesChangedNotify", &document);
    NoticeCounter saved("TemplateDocumentSavedNotify", &document);
    document.setDocName(str("A"));
    document.setDocCategory(str("B"));
    document.setThumbnailGenMode(1);
    document.notifyDocumentSaved();
    EXPECT_EQ(changed.count, 0);
    EXPECT_EQ(changed.posted(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(saved.posted(), 1);
}

TEST(TemplateDocument, ThumbnailSettingsRegisterTheirOwnUndo) {
    TestHost host;
    TemplateDocument document;
    UndoManager* undo = document.undoManager();

    document.setThumbnailGenMode(0);
    EXPECT_FALSE(undo->canUndo());
    undo->beginUndoGrouping();
    document.setThumbnailGenMode(3);
    undo->endUndoGrouping();
    EXPECT_EQ(document.thumbnailGenMode(), 3);
    EXPECT_EQ(undo->undoActionName(), str("Template Info"));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(document.thumbnailGenMode(), 0);

    // Stored as a signed byte.
    document.setThumbnailGenMode(0x1FF);
    EXPECT_EQ(document.thumbnailGenMode(), -1);

    const Image proxy(QImage(4, 4, QImage::Format_ARGB32_Premultiplied));
    undo->beginUndoGrouping();
    document.setThumbnailProxy(proxy);
    undo->endUndoGrouping();
    EXPECT_FALSE(document.thumbnailProxy().isNull());
    ASSERT_TRUE(undo->undo());
    EXPECT_TRUE(document.thumbnailProxy().isNull());
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(document.thumbnailProxy(), proxy);
}

TEST(TemplateDocument, PageSetupUndoesWithThePageSize) {
    TestHost host;
    useTemplateSettings(host);
    TemplateDocument document;
    UndoManager* undo = document.undoManager();
    const PrintInfo before = document.printInfo();
    PrintInfo a4;
    a4.setPaperName(str("A4"));
    a4.setPaperSize({595, 842});

    undo->beginUndoGrouping();
    document.setPrintInfo(a4);
    undo->endUndoGrouping();
    EXPECT_EQ(document.printInfo(), a4);
    EXPECT_EQ(document.pageDesc()->name(), str("A4"));
    EXPECT_EQ(document.pageDesc()->frame().size, (Size{595, 842}));
    EXPECT_EQ(undo->undoActionName(), str("Page Setup"));

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(document.printInfo(), before);
    EXPECT_EQ(document.pageDesc()->name(), before.paperName());
    EXPECT_EQ(document.pageDesc()->frame().size, before.paperSize());
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(document.printInfo(), a4);
    EXPECT_EQ(document.pageDesc()->frame().size, (Size{595, 842}));
}

TEST(TemplateDocument, IsRegisteredUnderItsDocumentType) {
    TestHost host;
    gNewDcoumentCount = 0; // as at launch
    DocumentController& controller = DocumentController::sharedDocumentController();
    EXPECT_TRUE(controller.documentTypes().contains(str("Vyx Template Document")));
    EXPECT_EQ(controller.typeFromFileExtension(str("vyxTemplate")), str("Vyx Template Document"));
    EXPECT_EQ(controller.fileExtensionsFromType(str("Vyx Template Document")),
              QStringList{str("vyxTemplate")});
    const std::shared_ptr<Document> document =
        controller.makeUntitledDocumentOfType(str("Vyx Template Document"));
    ASSERT_NE(document, nullptr);
    EXPECT_NE(qobject_cast<TemplateDocument*>(document.get()), nullptr);
    EXPECT_EQ(document->fileType(), str("Vyx Template Document"));
    EXPECT_EQ(gNewDcoumentCount, 1);
    EXPECT_EQ(controller.makeUntitledDocumentOfType(str("Unknown")), nullptr);
}

TEST(TemplateDocument, EditorWindowStartsWithAnEmptyUndoListAndUnedited) {
    TestHost host;
    useTemplateSettings(host);
    TemplateDocument document;
    document.setPrintInfo(PrintInfo());
    document.updateChangeCount(Document::ChangeDone);
    ASSERT_TRUE(document.undoManager()->canUndo());

    document.makeWindowControllers();
    ASSERT_EQ(document.windowControllers().size(), 1);
    auto* controller =
        qobject_cast<TemplateEditorController*>(document.windowControllers().first());
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->templateDocument(), &document);
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(document.windowNibName(), str("TemplateDocument"));

    TM_TemplateView* canvas = controller->templateView();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(canvas->document(), &document);
    EXPECT_EQ(canvas->mainController(), controller);
    EXPECT_TRUE(canvas->isFlipped());
    EXPECT_EQ(canvas->bounds(), document.pageDesc()->frame());
}

TEST(TemplateDocument, ErrorsShowOnTheirOwnDocumentsWindow) {
    TestHost host;
    TemplateDocument document;
    TemplateDocument other;
    document.makeWindowControllers();
    other.makeWindowControllers();
    auto* controller =
        qobject_cast<TemplateEditorController*>(document.windowControllers().first());
    auto* otherController =
        qobject_cast<TemplateEditorController*>(other.windowControllers().first());
    NoticeCounter errors("UTErrorNofity", &document);

    const auto sheetOf = [](TemplateEditorController* c) {
        return c->window()->findChild<QMessageBox*>();
    };
    document.postError(-43);
    EXPECT_EQ(sheetOf(controller), nullptr); // queued
    EXPECT_EQ(errors.posted(), 1);
    EXPECT_EQ(errors.lastUserInfo.value(str("ErrCode")).toInt(), -43);
    EXPECT_EQ(errors.lastUserInfo.value(str("document")).value<QObject*>(), &document);

    // The sheet goes through the dialog seam; with no responder it is the real one.
    QMessageBox* sheet = sheetOf(controller);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->parentWidget(), controller->window());
    EXPECT_EQ(sheet->windowTitle(), str("An error occurred."));
    EXPECT_EQ(sheet->text(), str("Error -43"));
    ASSERT_EQ(sheet->buttons().size(), 1);
    EXPECT_EQ(sheet->buttons().first()->text(), str("OK"));
    EXPECT_EQ(sheetOf(otherController), nullptr);
    sheet->done(0);
}

TEST(TemplateDocument, QueuedNoticesDieWithTheDocument) {
    TestHost host;
    int posted = 0;
    NotificationCenter::defaultCenter().addObserver(
        &posted, str("TemplateDocumentPropertiesChangedNotify"), nullptr,
        [&posted](const Notification&) { ++posted; });
    {
        TemplateDocument document;
        document.setDocName(str("Gone"));
        document.postError(1);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(posted, 0);
    NotificationCenter::defaultCenter().removeObserver(&posted);
}
