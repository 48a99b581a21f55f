#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The library holds the default template (Letter, one cell) and a second one
// (A4, two cells); the document starts from the settings of its modes.
class RoduvudeDadeviziLayout : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(str(kDefaultTemplateFileNameKey));
        NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
        ASSERT_TRUE(QDir().mkpath(library->templatesFolderPath()));
        install(localizedString(str("DEFAULT_DOC_ID")), {612, 792}, 1);
        install(str("two-a4"), {595, 842}, 2);
        library->scanForChanges();
        defaultTemplate = library->templateWithID(localizedString(str("DEFAULT_DOC_ID")));
        otherTemplate = library->templateWithID(str("two-a4"));
        ASSERT_TRUE(defaultTemplate);
        ASSERT_TRUE(otherTemplate);
        host.settings[PrefLayoutArrangementMode] = 1;
        host.settings[PrefLayoutScaleMode] = 2;
        document = std::make_unique<RoduvudeDadevizi>();
        PrintInfo tabloid;
        tabloid.setPaperSize({792, 1224});
        document->setPrintInfo(tabloid);
    }
    void TearDown() override {
        document.reset();
        drainEvents();
    }

    void install(const QString& documentID, Size paper, int cells) {
        TemplateDocument templateDocument;
        templateDocument.setDocumentID(documentID);
        templateDocument.setDocName(documentID);
        PrintInfo info;
        info.setPaperSize(paper);
        templateDocument.setPrintInfo(info);
        for (int i = 0; i < cells; ++i)
            templateDocument.addObject(
                TMPhotoObject::newTemplateObjectWithOriginSize({float(10 + 60 * i), 10}, {50, 50}));
        const QString path =
            QDir(NewTemplateManager::sharedTemplateManager()->templatesFolderPath())
                .filePath(documentID + str(".vyxTemplate"));
        QString error;
        ASSERT_TRUE(templateDocument.writeToFileOfType(path, str(kTemplateDocumentType), &error))
            << error.toStdString();
    }

    TestHost host;
    TemplateHandleRef defaultTemplate;
    TemplateHandleRef otherTemplate;
    std::unique_ptr<RoduvudeDadevizi> document;
};

} // namespace

TEST_F(RoduvudeDadeviziLayout, TheMapperIsMadeOnFirstUseOverTheDefaultTemplate) {
    EXPECT_FALSE(document->masterTemplate());
    EXPECT_EQ(document->getPrintArrangementMode(), 1);
    EXPECT_EQ(document->getPrintScaleMode(), 2);
    const std::shared_ptr<TemplateMapper> mapper = document->templateMapper();
    ASSERT_TRUE(mapper);
    EXPECT_EQ(document->templateMapper(), mapper);
    EXPECT_EQ(mapper->masterTemplate(), defaultTemplate);
    EXPECT_EQ(document->masterTemplate(), defaultTemplate);
    EXPECT_EQ(mapper->fileCatalog(), document->sharedFileCatalog());
    EXPECT_EQ(mapper->layoutMode(), 1);
    EXPECT_EQ(mapper->scalingMode(), 2);
    EXPECT_EQ(mapper->photoCellCount(), 1);
    EXPECT_EQ(document->printInfo().paperSize(), (Size{612, 792}));

    // A mapper handed in takes the document's modes.
    const auto restored = std::make_shared<TemplateMapper>();
    document->setTemplateMapper(restored);
    EXPECT_EQ(document->templateMapper(), restored);
    EXPECT_EQ(restored->layoutMode(), 1);
    EXPECT_EQ(restored->scalingMode(), 2);
}

TEST_F(RoduvudeDadeviziLayout, ChangingTheMasterIsOneUndoableStep) {
    document->templateMapper();
    UndoManager* undo = document->undoManager();
    drainEvents();
    undo->removeAllActions();
    const int changes = document->changeCount();
    document->setMasterTemplate(otherTemplate);
    EXPECT_EQ(document->masterTemplate(), otherTemplate);
    EXPECT_EQ(document->templateMapper()->photoCellCount(), 2);
    EXPECT_EQ(document->printInfo().paperSize(), (Size{595, 842}));
    EXPECT_EQ(undo->undoActionName(), localizedString(str("TEMPLATE_CHANGE")));
    drainEvents();
    EXPECT_EQ(document->changeCount(), changes + 1);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(document->masterTemplate(), defaultTemplate);
    EXPECT_EQ(document->printInfo().paperSize(), (Size{612, 792}));
    EXPECT_FALSE(undo->canUndo());
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(document->masterTemplate(), otherTemplate);
}

TEST_F(RoduvudeDadeviziLayout, ArrangementAndScalingAreUndoableAndReachTheMapper) {
    UndoManager* undo = document->undoManager();
    undo->removeAllActions();
    document->setPrintArrangementMode(LayoutModeBook);
    EXPECT_EQ(document->getPrintArrangementMode(), LayoutModeBook);
    EXPECT_EQ(document->templateMapper()->layoutMode(), LayoutModeBook);
    EXPECT_EQ(undo->undoActionName(), localizedString(str("ARRANGE_MODE")));
    drainEvents();
    document->setPrintScaleMode(ScalingModeFit);
    EXPECT_EQ(document->templateMapper()->scalingMode(), ScalingModeFit);
    EXPECT_EQ(undo->undoActionName(), localizedString(str("SCALE_MODE")));
    drainEvents();
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(document->getPrintScaleMode(), 2);
    EXPECT_EQ(document->templateMapper()->scalingMode(), 2);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(document->getPrintArrangementMode(), 1);
    EXPECT_EQ(document->templateMapper()->layoutMode(), 1);
}

TEST_F(RoduvudeDadeviziLayout, AnOlderRecordHandsItsBookPagesToTheLayout) {
    document->fileCatalog().addImageEntry(Image(QImage(8, 8, QImage::Format_RGB32)));
    const int serial =
        document->fileCatalog().getFileAttributeAtIndex(kCatalogAttrSerialNumber, 0).toInt();
    document->takeOverBookContainer(
        {QVariantMap{{str("Pos1"), serial}}, str("not a page"), QVariantMap()});
    const std::shared_ptr<TemplateMapper> mapper = document->templateMapper();
    ASSERT_EQ(mapper->bookContainer()->pages.size(), 2);
    EXPECT_EQ(mapper->entryIndexOnPage(0, 1), 0);
    EXPECT_EQ(mapper->getAllPageEntryIndices(), QList<int32_t>{0});
}
