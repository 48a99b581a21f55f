#include "platform/printing/PrintOperation.h"
#include "platform/documents/View.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/ModalAlert.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// A view of three pages: each page draws a bar in its own colour, at a
// height that gives the page's number.
class PagedView : public View {
public:
    PagedView() { resize(612, 792); }

    bool knowsPageRange(PageRange& range) override {
        range = PageRange{1, pageCount};
        return knows;
    }
    Rect rectForPage(int page) override {
        asked.append(page);
        const PrintOperation* operation = PrintOperation::currentOperation();
        currentPages.append(operation ? operation->currentPage() : -1);
        return View::rectForPage(page);
    }

    int pageCount = 3;
    bool knows = true;
    QList<int> asked;
    QList<int> currentPages;
    QList<View*> focusViews;
    QList<QThread*> threads;
    QList<bool> printerContexts;

protected:
    void drawRect(const Rect& rect) override {
        focusViews.append(View::focusView());
        threads.append(QThread::currentThread());
        GraphicsContext* context = GraphicsContext::currentContext();
        printerContexts.append(context->destinationKind() == DestinationKind::Printer);
        const int page = currentPages.isEmpty() ? 1 : currentPages.last();
        static const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
        context->setFillColor(Qt::white);
        context->rectFill(rect);
        context->setFillColor(colours[(page - 1) % 3]);
        // A bar 100 points high, its bottom at 100 points times the page number.
        context->rectFill(Rect(100, 100.0f * float(page), 412, 100));
    }
};

PrintInfo letterWithoutMargins() {
    PrintInfo info;
    info.setLeftMargin(0);
    info.setRightMargin(0);
    info.setTopMargin(0);
    info.setBottomMargin(0);
    return info;
}

// The PDF's pages as pictures at 72 dpi, read by poppler, not by Qt.
QList<QImage> pdfPages(const QString& pdf, const QTemporaryDir& folder) {
    const QString tool = QStandardPaths::findExecutable(str("pdftoppm"));
    EXPECT_FALSE(tool.isEmpty()) << "pdftoppm (poppler-utils) is needed";
    if (tool.isEmpty())
        return {};
    const QString prefix = folder.filePath(str("page"));
    QProcess process;
    process.start(tool, {str("-r"), str("72"), str("-png"), pdf, prefix});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QList<QImage> pages;
    QStringList files = QDir(folder.path()).entryList({str("page*.png")}, QDir::Files, QDir::Name);
    for (const QString& file : std::as_const(files))
        pages.append(QImage(folder.filePath(file)));
    return pages;
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}

TEST(PrintOperationTest, PrintsTheViewsPagesToPDFOnTheCallingThread) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(str("out.pdf"));
    PagedView view;
    PrintOperation operation(&view, letterWithoutMargins());
    operation.setPDFOutputPath(pdf);
    EXPECT_EQ(PrintOperation::currentOperation(), nullptr);
    ASSERT_TRUE(operation.runOperation());
    EXPECT_EQ(PrintOperation::currentOperation(), nullptr);
    EXPECT_EQ(operation.currentPage(), 0);

    EXPECT_EQ(view.asked, (QList<int>{1, 2, 3}));
    EXPECT_EQ(view.currentPages, (QList<int>{1, 2, 3}));
    EXPECT_EQ(view.focusViews, (QList<View*>{&view, &view, &view}));
    EXPECT_EQ(view.printerContexts, (QList<bool>{true, true, true}));
    for (QThread* thread : std::as_const(view.threads))
        EXPECT_EQ(thread, QThread::currentThread());

    const QList<QImage> pages = pdfPages(pdf, folder);
    ASSERT_EQ(pages.size(), 3);
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i + 1);
        const QImage& page = pages[i];
        ASSERT_EQ(page.size(), QSize(612, 792));
        // The bar's middle, 150 points above the bottom times the page number.
        const int row = 792 - (100 * (i + 1) + 50);
        EXPECT_TRUE(near(page.pixelColor(300, row), colours[i]))
            << page.pixelColor(300, row).name().toStdString();
        EXPECT_TRUE(near(page.pixelColor(50, row), Qt::white));
        // Nothing of another page's bar.
        const int otherRow = 792 - (100 * ((i + 1) % 3 + 1) + 50);
        EXPECT_TRUE(near(page.pixelColor(300, otherRow), Qt::white));
    }
}

TEST(PrintOperationTest, AViewWithoutPagesPrintsItsBoundsOnce) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(str("one.pdf"));
    PagedView view;
    view.knows = false;
    PrintOperation operation(&view, letterWithoutMargins());
    operation.setPDFOutputPath(pdf);
    ASSERT_TRUE(operation.runOperation());
    EXPECT_EQ(view.asked, QList<int>{1});
    EXPECT_EQ(pdfPages(pdf, folder).size(), 1);
}

TEST(PrintOperationTest, ThePanelChoosesThePagesOrCancels) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(str("panel.pdf"));
    PagedView view;
    PrintOperation operation(&view, letterWithoutMargins());
    int panels = 0;
    PrintOperation::PanelResponder previous =
        PrintOperation::setPanelResponder([&](PrintOperation& shown, QPrinter& printer) {
            EXPECT_EQ(&shown, &operation);
            ++panels;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(2, 3);
            return true;
        });
    EXPECT_TRUE(operation.runOperation());
    EXPECT_EQ(panels, 1);
    EXPECT_EQ(view.asked, (QList<int>{2, 3}));
    EXPECT_EQ(pdfPages(pdf, folder).size(), 2);

    // Cancelled: no page is asked for.
    view.asked.clear();
    PrintOperation::setPanelResponder([](PrintOperation&, QPrinter&) { return false; });
    EXPECT_FALSE(operation.runOperation());
    EXPECT_TRUE(view.asked.isEmpty());
    // Without the panel nothing asks.
    operation.setShowsPrintPanel(false);
    operation.setPDFOutputPath(folder.filePath(str("quiet.pdf")));
    EXPECT_TRUE(operation.runOperation());
    EXPECT_EQ(view.asked, (QList<int>{1, 2, 3}));
    PrintOperation::setPanelResponder(std::move(previous));
}

TEST(PrintOperationTest, RunningForAWindowEndsThroughTheEventLoop) {
    QTemporaryDir folder;
    PagedView view;
    PrintOperation operation(&view, letterWithoutMargins());
    operation.setPDFOutputPath(folder.filePath(str("sheet.pdf")));
    int ended = 0;
    bool result = false;
    operation.runOperationModalForWindow(&view, [&](PrintOperation& done, bool printed) {
        EXPECT_EQ(&done, &operation);
        ++ended;
        result = printed;
    });
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(view.asked.isEmpty());
    for (int i = 0; i < 50 && ended == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(result);
    EXPECT_EQ(view.asked.size(), 3);
}

// Turns the event loop until the condition holds (at most 30 s).
template <class Condition> void waitUntil(Condition condition) {
    QDeadlineTimer deadline(30000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

TEST(PrintOperationTest, ThePanelShowsTheAccessoryAsAnOptionTabThroughTheDialogSeam) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(str("tab.pdf"));
    PagedView view;
    QWidget accessory;
    auto* option = new QCheckBox(str("Option"), &accessory);
    PrintOperation operation(&view, letterWithoutMargins());
    operation.setAccessoryView(&accessory);
    operation.setJobStyleHint(PrintOperation::JobStyle::Photo);
    int shown = 0;
    ModalAlert::ScopedDialogResponder responder([&](QDialog& dialog) {
        auto* panel = qobject_cast<QPrintDialog*>(&dialog);
        EXPECT_TRUE(panel);
        if (!panel)
            return int(QDialog::Rejected);
        ++shown;
        // The accessory is inside the panel, where the user works it.
        EXPECT_EQ(option->window(), panel->window());
        option->click();
        // The photo job's short panel.
        EXPECT_FALSE(panel->testOption(QAbstractPrintDialog::PrintPageRange));
        EXPECT_FALSE(panel->testOption(QAbstractPrintDialog::PrintToFile));
        EXPECT_EQ(panel->printer()->colorMode(), QPrinter::Color);
        panel->printer()->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(operation.runOperation());
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(option->isChecked());
    // Given back to its owner.
    EXPECT_EQ(option->parentWidget(), &accessory);
    EXPECT_EQ(accessory.parentWidget(), nullptr);
    EXPECT_EQ(pdfPages(pdf, folder).size(), 3);
}

TEST(PrintOperationTest, ASeparateThreadDrawsThePagesAndTheEndComesOnTheMainThread) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(str("worker.pdf"));
    PagedView view;
    PrintOperation operation(&view, letterWithoutMargins());
    operation.setPDFOutputPath(pdf);
    operation.setCanSpawnSeparateThread(true);
    int ended = 0;
    QThread* endThread = nullptr;
    operation.runOperationModalForWindow(&view, [&](PrintOperation&, bool printed) {
        ++ended;
        endThread = QThread::currentThread();
        EXPECT_TRUE(printed);
    });
    EXPECT_TRUE(operation.isRunning());
    waitUntil([&] { return ended != 0; });
    ASSERT_EQ(ended, 1);
    EXPECT_FALSE(operation.isRunning());
    EXPECT_EQ(endThread, QThread::currentThread());
    ASSERT_EQ(view.threads.size(), 3);
    for (QThread* thread : std::as_const(view.threads))
        EXPECT_NE(thread, QThread::currentThread());
    EXPECT_EQ(view.currentPages, (QList<int>{1, 2, 3}));
    EXPECT_EQ(pdfPages(pdf, folder).size(), 3);
}

TEST(PrintOperationTest, AFailureIsShownAndACancelIsNot) {
    QTemporaryDir folder;
    PagedView view;
    QStringList alerts;
    ModalAlert::ScopedResponder responder([&](const ModalAlert::Request& request) {
        alerts << request.title;
        return int(ModalAlert::DefaultReturn);
    });
    for (bool threaded : {false, true}) {
        SCOPED_TRACE(threaded);
        alerts.clear();
        PrintOperation operation(&view, letterWithoutMargins());
        // A file in a folder that does not exist: the printer cannot begin.
        operation.setPDFOutputPath(folder.filePath(str("missing/out.pdf")));
        operation.setCanSpawnSeparateThread(threaded);
        int ended = 0;
        bool result = true;
        operation.runOperationModalForWindow(nullptr, [&](PrintOperation&, bool printed) {
            ++ended;
            result = printed;
        });
        waitUntil([&] { return ended != 0; });
        ASSERT_EQ(ended, 1);
        EXPECT_FALSE(result);
        EXPECT_EQ(alerts.size(), 1);
    }
    alerts.clear();
    PrintOperation cancelled(&view, letterWithoutMargins());
    ModalAlert::ScopedDialogResponder no([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_FALSE(cancelled.runOperation());
    EXPECT_TRUE(alerts.isEmpty());
}

} // namespace
