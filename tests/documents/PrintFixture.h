#pragma once

// A catalog window over a document whose master is written by the template
// file code, printed through the real print panel answered by the dialog
// seam, and the printed PDF read back by poppler.

#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/ColorProfileHandle.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Color.h"
#include "platform/printing/PrintInfo.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/ModalAlert.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

inline QString str(const char* text) {
    return QString::fromUtf8(text);
}

inline void drainEvents() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A rectangle in page points, y downward.
struct Area {
    float x, y, width, height;
};

class PrintFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        for (const char* key : {kDefaultTemplateFileNameKey, kPrefDefaultProfileKey,
                                kPrefActiveProfilesKey, kTemplateTextObjectsKey})
            defaults.removeObjectForKey(str(key));
        for (int index : {PrefLayoutScaleMode, PrefPrintUseProfile, PrefPrintBypassColorMatching,
                          PrefPrintExternalMatching, PrefPrintLimitEnabled, PrefPrintLimitType,
                          PrefPrintLimitResolution, PrefPrintMirroredEnabled,
                          PrefPrintSkipEmptyPrintAreasEnabled, PrefSimplifiedPrinting})
            host.settings.remove(index);
        host.settings[PrefLayoutArrangementMode] = int(LayoutModeSequential);
        document = std::make_unique<RoduvudeDadevizi>();
        controller = new ZaroziveZodiroVirizidivi;
        document->addWindowController(controller);
        controller->setDocument(document.get());
    }
    void TearDown() override {
        document->removeWindowController(controller);
        delete controller;
        document.reset();
        drainEvents();
    }

    // Removes every installed template, those of earlier cases of the same
    // process included.
    static void emptyTemplateLibrary() {
        NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
        QDir(library->templatesFolderPath()).removeRecursively();
        library->scanForChanges();
        EXPECT_TRUE(library->templates().isEmpty());
    }

    // Installs the master: a page of `page` points with a photo cell on each
    // of `cells`, a print area on each of `areas` and a blue square on each of
    // `squares`.
    TemplateHandleRef useTemplate(const char* id, Size page, const QList<Area>& cells,
                                  const QList<Area>& areas = {}, const QList<Area>& squares = {}) {
        TemplateDocument templateDocument;
        templateDocument.setDocumentID(str(id));
        templateDocument.setDocName(str(id));
        PrintInfo info;
        info.setPaperName(str("Custom"));
        info.setPaperSize(page);
        templateDocument.setPrintInfo(info);
        for (const Area& a : squares) {
            const TMRectangleObjectRef square =
                TMRectangleObject::newTemplateObjectWithOriginSize({a.x, a.y}, {a.width, a.height});
            square->setFillState(true);
            square->setFillColor(Color::calibratedRGB(0, 0, 1));
            templateDocument.addObject(square);
        }
        for (const Area& a : cells)
            templateDocument.addObject(
                TMPhotoObject::newTemplateObjectWithOriginSize({a.x, a.y}, {a.width, a.height}));
        for (const Area& a : areas)
            templateDocument.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize(
                {a.x, a.y}, {a.width, a.height}));
        return install(id, [&](const QString& path) {
            QString error;
            EXPECT_TRUE(
                templateDocument.writeToFileOfType(path, str(kTemplateDocumentType), &error))
                << error.toStdString();
        });
    }

    // A master of the older generation (a property list): a Letter page with
    // one photo cell.
    TemplateHandleRef useOldTemplate(const char* id) {
        return install(id, [](const QString& path) {
            const QVariantMap root{
                {str("name"), str("Old")},
                {str("pageDesc"), QVariantMap{{str("dpi"), 72.0},
                                              {str("width"), 8.5},
                                              {str("height"), 11.0},
                                              {str("name"), str("Letter")}}},
                {str("objects"),
                 QVariantList{QVariantMap{
                     {str("kind"), str("photo")},
                     {str("size"), QVariantMap{{str("width"), 2.0}, {str("height"), 3.0}}}}}}};
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(PropertyList::toXml(root));
        });
    }

    template <class Write> TemplateHandleRef install(const char* id, Write write) {
        NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
        EXPECT_TRUE(QDir().mkpath(library->templatesFolderPath()));
        const QString path =
            QDir(library->templatesFolderPath()).filePath(str(id) + str(".vyxTemplate"));
        write(path);
        library->scanForChanges();
        TemplateHandleRef master = library->templateWithID(str(id));
        if (!master)
            master = library->templateWithID(str(id) + str(".vyxTemplate"));
        EXPECT_TRUE(master);
        document->setTemplateMapper(
            std::make_shared<TemplateMapper>(master, document->sharedFileCatalog()));
        master->assertPageDescOnDocument(*document);
        return master;
    }

    // Photos of one colour each, marked as new photos are.
    void addPhotos(const QList<QColor>& colors, QSize size = {80, 120}) {
        for (const QColor& color : colors) {
            QImage picture(size, QImage::Format_RGB32);
            picture.fill(color);
            document->fileCatalog().addImageEntry(Image(picture));
            document->fileCatalog().setMarkerAtIndexTo(document->fileCatalog().fileCount() - 1,
                                                       true);
        }
        drainEvents();
    }

    // Waits (bounded) until the interactive run has ended.
    bool waitForPrintEnd(int ms = 60000) {
        QDeadlineTimer deadline(ms);
        while (controller->printOperation() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        drainEvents();
        return !controller->printOperation();
    }

    // Print panel answers: `choose` works the accessory as a user would; the
    // job goes to `pdf` unless it is empty (then the panel is cancelled).
    ModalAlert::DialogResponder panel(const QString& pdf, std::function<void()> choose = nullptr) {
        return [this, pdf, choose](QDialog& dialog) {
            auto* printDialog = qobject_cast<QPrintDialog*>(&dialog);
            EXPECT_TRUE(printDialog);
            ++panelsShown;
            if (!printDialog)
                return int(QDialog::Rejected);
            accessoryInPanel = controller->printAccessoryView() &&
                               controller->printAccessoryView()->window() == printDialog->window();
            if (choose)
                choose();
            if (pdf.isEmpty())
                return int(QDialog::Rejected);
            printDialog->printer()->setOutputFileName(pdf);
            return int(QDialog::Accepted);
        };
    }

    QString pdfPath(const char* name) const { return QDir(folder.path()).filePath(str(name)); }

    // The pages as pictures at `dpi`, rendered by poppler.
    QList<QImage> pdfPages(const QString& pdf, int dpi = 72) {
        const QString prefix = QDir(folder.path()).filePath(str("page"));
        for (const QString& old : QDir(folder.path()).entryList({str("page*.png")}))
            QFile::remove(QDir(folder.path()).filePath(old));
        QProcess poppler;
        poppler.start(str("pdftoppm"), {str("-r"), QString::number(dpi), str("-png"), pdf, prefix});
        EXPECT_TRUE(poppler.waitForFinished(60000));
        EXPECT_EQ(poppler.exitCode(), 0) << poppler.readAllStandardError().toStdString();
        QList<QImage> pages;
        for (const QString& file :
             QDir(folder.path()).entryList({str("page*.png")}, QDir::Files, QDir::Name))
            pages.append(QImage(QDir(folder.path()).filePath(file)));
        return pages;
    }

    // Sizes of the PDF's images (pdfimages -list), page by page.
    QList<QSize> pdfImageSizes(const QString& pdf) {
        QProcess poppler;
        poppler.start(str("pdfimages"), {str("-list"), pdf});
        EXPECT_TRUE(poppler.waitForFinished(60000));
        QList<QSize> sizes;
        const QStringList lines = QString::fromUtf8(poppler.readAllStandardOutput()).split('\n');
        for (qsizetype i = 2; i < lines.size(); ++i) {
            const QStringList fields = lines[i].simplified().split(' ');
            // page num type width height ...
            if (fields.size() > 4 && fields[2] == str("image"))
                sizes.append(QSize(fields[3].toInt(), fields[4].toInt()));
        }
        return sizes;
    }

    // pdfinfo's page count and the first page's size in points.
    std::pair<int, QSizeF> pdfInfo(const QString& pdf) {
        QProcess poppler;
        poppler.start(str("pdfinfo"), {pdf});
        EXPECT_TRUE(poppler.waitForFinished(60000));
        int pages = 0;
        QSizeF size;
        for (const QString& line : QString::fromUtf8(poppler.readAllStandardOutput()).split('\n')) {
            if (line.startsWith(str("Pages:")))
                pages = line.mid(6).trimmed().toInt();
            if (line.startsWith(str("Page size:"))) {
                const QStringList parts = line.mid(10).simplified().split(' ');
                if (parts.size() >= 3)
                    size = QSizeF(parts[0].toDouble(), parts[2].toDouble());
            }
        }
        return {pages, size};
    }

    TestHost host;
    QTemporaryDir folder;
    std::unique_ptr<RoduvudeDadevizi> document;
    ZaroziveZodiroVirizidivi* controller = nullptr;
    int panelsShown = 0;
    bool accessoryInPanel = false;
};

inline bool near(const QColor& a, const QColor& b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}
