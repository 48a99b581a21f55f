#include "FakeEnvironment.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TemplateDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/UserDefaults.h"
#include "shell/AppDelegate.h"
#include "support/TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// The delegate as launched, with no window in front.
class NoWindowDelegate : public AppDelegate {
public:
    explicit NoWindowDelegate(UserDefaults* defaults)
        : AppDelegate(std::make_unique<FakeEnvironment>(), defaults) {}

protected:
    QWidget* mainWindow() const override { return nullptr; }
};

class CatalogTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        DocumentController::sharedDocumentController().registerDocumentType(
            RoduvudeDadevizi::documentType());
    }
    void TearDown() override {
        DocumentController& controller = DocumentController::sharedDocumentController();
        for (Document* document : controller.documents())
            if (std::shared_ptr<Document> taken = controller.takeDocument(document))
                taken->close();
        QCoreApplication::processEvents();
    }
    TestHome account;
    UserDefaults defaults{QDir::homePath() + QStringLiteral("/defaults.plist")};
};

} // namespace

TEST_F(CatalogTargetTest, TheTargetIsTheFrontmostCatalogDocumentOfThatClassExactly) {
    NoWindowDelegate delegate(&defaults);
    DocumentController& controller = DocumentController::sharedDocumentController();
    controller.addDocument(std::make_shared<TemplateDocument>());
    EXPECT_EQ(delegate.findTargetDocument(), nullptr) << "only a template is open";
    auto catalog = std::make_shared<RoduvudeDadevizi>();
    controller.addDocument(catalog);
    controller.addDocument(std::make_shared<TemplateDocument>());
    EXPECT_EQ(delegate.findTargetDocument(), catalog.get()) << "a template in front of it";
}

TEST_F(CatalogTargetTest, AFolderOpenedWithNoWindowGoesToANewCatalog) {
    NoWindowDelegate delegate(&defaults);
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();
    const QString folder = QDir::homePath() + QStringLiteral("/Pictures/Trip");
    QDir().mkpath(folder + QStringLiteral("/day2"));
    for (const char* name : {"/b.png", "/a.png", "/day2/c.png"})
        ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(folder + QLatin1String(name)));

    EXPECT_TRUE(delegate.applicationOpenFile(folder));
    auto* target = qobject_cast<RoduvudeDadevizi*>(delegate.findTargetDocument());
    ASSERT_NE(target, nullptr);
    VQFileCatalog& catalog = target->fileCatalog();
    ASSERT_EQ(catalog.fileCount(), 3);
    QStringList names;
    for (int i = 0; i < 3; ++i)
        names << catalog.getFileAttributeAtIndex(kCatalogAttrName, i).toString();
    EXPECT_EQ(names, (QStringList{"a.png", "b.png", "c.png"}));
    delegate.applicationWillTerminate();
}
