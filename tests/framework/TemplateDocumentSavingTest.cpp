#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TemplateDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/ModalAlert.h"
#include "support/FullFileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <optional>

namespace {

const QString kType = QString::fromLatin1(kTemplateDocumentType);

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString nameInFile(const QString& path) {
    TemplateDocument reread;
    QString error;
    EXPECT_TRUE(reread.readFromFileOfType(path, kType, &error)) << error.toStdString();
    return reread.docName();
}

// Large enough that no small file system holds it.
Image noisePicture(int side) {
    QImage picture(side, side, QImage::Format_ARGB32);
    uint32_t state = 7;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, state | 0xFF000000u);
        }
    return Image(picture);
}

class TemplateDocumentSavingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        controller.registerDocumentType({kType,
                                         {QString::fromLatin1(kTemplateDocumentExtension)},
                                         [] { return std::make_shared<TemplateDocument>(); }});
    }

    void TearDown() override {
        for (Document* document : controller.documents())
            document->close();
        QCoreApplication::processEvents();
    }

    TemplateDocument* open(const QString& path) {
        QString error;
        auto document = controller.openDocumentWithContentsOfFile(path, true, &error);
        EXPECT_TRUE(document) << error.toStdString();
        return static_cast<TemplateDocument*>(document.get());
    }

    static void writeTemplate(const QString& path, const QString& name) {
        TemplateDocument document;
        document.setDocName(name);
        ASSERT_TRUE(document.writeToFileOfType(path, kType));
    }

    static void rename(TemplateDocument* document, const QString& name) {
        // The editor registers the first step of a property change itself.
        document->setDocName(name);
        document->updateChangeCount(Document::ChangeDone);
    }

    QTemporaryDir folder;
    DocumentController controller;
};

TEST_F(TemplateDocumentSavingTest, ATemplateOpensInItsEditorAndClosingItSavesWhenAsked) {
    const QString path = folder.filePath(QStringLiteral("card.vyxTemplate"));
    writeTemplate(path, QStringLiteral("Before"));
    TemplateDocument* document = open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->windowControllers().size(), 1);
    auto* editor = qobject_cast<TemplateEditorController*>(document->windowControllers().first());
    ASSERT_NE(editor, nullptr);
    QPointer<QWidget> window = editor->window();
    ASSERT_TRUE(window && window->isVisible());
    // The name without its extension, then what the window is.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("card – Template[*]"));
    EXPECT_EQ(document->docName(), QStringLiteral("Before"));

    rename(document, QStringLiteral("After"));
    EXPECT_TRUE(window->isWindowModified());
    const int saves = gSaveCount;
    std::vector<ModalAlert::Request> asked;
    ModalAlert::ScopedResponder user([&](const ModalAlert::Request& r) {
        asked.push_back(r);
        return int(ModalAlert::DefaultReturn); // Save
    });
    window->close();
    QTRY_VERIFY(window.isNull());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Do you want to save the changes you made in the "
                                             "document \"card.vyxTemplate\"?"));
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_EQ(gSaveCount, saves + 1);
    EXPECT_EQ(nameInFile(path), QStringLiteral("After"));
}

TEST_F(TemplateDocumentSavingTest, AnUntitledTemplateIsSavedUnderTheNameChosenWithItsExtension) {
    auto made = controller.openUntitledDocumentOfType(kType, true);
    auto* document = static_cast<TemplateDocument*>(made.get());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->displayName(), QStringLiteral("Untitled"));
    rename(document, QStringLiteral("Fresh"));

    ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& r) {
        EXPECT_EQ(r.extensions, QStringList{QString::fromLatin1(kTemplateDocumentExtension)});
        return QStringList{folder.filePath(QStringLiteral("fresh"))};
    });
    std::optional<bool> saved;
    document->saveDocument([&](bool ok, const QString&) { saved = ok; });
    QTRY_VERIFY(saved.has_value());
    EXPECT_TRUE(*saved);
    const QString path = folder.filePath(QStringLiteral("fresh.vyxTemplate"));
    EXPECT_EQ(document->fileName(), path);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_EQ(nameInFile(path), QStringLiteral("Fresh"));
}

TEST_F(TemplateDocumentSavingTest, AFailedTemplateSaveKeepsTheOldFileAndTheEdits) {
    FullFileSystem full(FullFileSystem::Kind::SizeLimit, 64 * 1024);
    ASSERT_TRUE(full.ready());
    const QString path = full.filePath(QStringLiteral("big.vyxTemplate"));
    writeTemplate(path, QStringLiteral("Small"));
    const QByteArray before = contents(path);
    TemplateDocument* document = open(path);
    ASSERT_NE(document, nullptr);
    document->setThumbnailGenMode(1);
    document->setThumbnailProxy(noisePicture(256));
    rename(document, QStringLiteral("Big"));

    std::vector<ModalAlert::Request> alerts;
    ModalAlert::ScopedResponder user([&](const ModalAlert::Request& r) {
        alerts.push_back(r);
        return int(ModalAlert::DefaultReturn);
    });
    std::optional<std::pair<bool, QString>> result;
    document->saveDocument([&](bool ok, const QString& reason) { result = {ok, reason}; });
    QTRY_VERIFY(result.has_value());
    const QByteArray after = contents(path);
    const QStringList left = QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files);
    full.release();

    EXPECT_FALSE(result->first);
    EXPECT_TRUE(result->second.contains(full.systemReason())) << result->second.toStdString();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, result->second);
    EXPECT_EQ(after, before);
    EXPECT_EQ(left, QStringList{QStringLiteral("big.vyxTemplate")});
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(document->docName(), QStringLiteral("Big"));
}

} // namespace
