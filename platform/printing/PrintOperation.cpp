#include "platform/printing/PrintOperation.h"

#include "platform/documents/View.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/ModalAlert.h"

#include <QApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace {

constexpr double kPointsPerInch = 72;

// Operations running on this thread, innermost last.
thread_local std::vector<PrintOperation*> tRunning;

PrintOperation::PanelResponder& panelResponder() {
    static PrintOperation::PanelResponder responder;
    return responder;
}

struct RunningScope {
    explicit RunningScope(PrintOperation* operation) { tRunning.push_back(operation); }
    ~RunningScope() { tRunning.pop_back(); }
};

} // namespace

PrintOperation::PrintOperation(View* view, const PrintInfo& printInfo)
    : _view(view), _printInfo(printInfo) {}

PrintOperation::~PrintOperation() {
    *_alive = false;
    if (_worker)
        _worker->wait();
}

PrintOperation* PrintOperation::currentOperation() {
    return tRunning.empty() ? nullptr : tRunning.back();
}

PrintOperation::PanelResponder PrintOperation::setPanelResponder(PanelResponder responder) {
    PanelResponder previous = std::move(panelResponder());
    panelResponder() = std::move(responder);
    return previous;
}

std::unique_ptr<QPrinter> PrintOperation::preparePrinter() {
    _failure.clear();
    if (!_view)
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(_printInfo.toPageLayout());
    printer->setFullPage(true);
    if (_jobStyle == JobStyle::Photo)
        printer->setColorMode(QPrinter::Color);
    if (!_pdfPath.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(_pdfPath);
    } else if (_showsPrintPanel && !runPanel(*printer)) {
        return nullptr;
    }
    return printer;
}

bool PrintOperation::runOperation() {
    _running = true;
    bool printed = false;
    if (std::unique_ptr<QPrinter> printer = preparePrinter()) {
        const RunningScope running(this);
        printed = printPages(*printer);
        _currentPage = 0;
    }
    if (!printed)
        reportFailure();
    _running = false;
    return printed;
}

bool PrintOperation::runPanel(QPrinter& printer) {
    if (const PanelResponder& responder = panelResponder())
        return responder(*this, printer);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return true;
    QPrintDialog dialog(&printer, _panelWindow ? _panelWindow.data() : _view->window());
    if (_jobStyle == JobStyle::Photo) {
        dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    }
    if (_accessoryView)
        dialog.setOptionTabs({_accessoryView.data()});
    const bool accepted = ModalAlert::runDialog(dialog) == QDialog::Accepted;
    // The panel gave the accessory a parent of its own: its owner keeps it.
    if (_accessoryView)
        _accessoryView->setParent(nullptr);
    return accepted;
}

bool PrintOperation::printPages(QPrinter& printer) {
    PageRange range;
    if (!_view->knowsPageRange(range) || range.length < 1)
        range = PageRange{1, 1};
    int first = range.location;
    int last = range.location + range.length - 1;
    // Pages chosen in the panel, within those the view has.
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(first, printer.fromPage());
        last = std::min(last, printer.toPage() > 0 ? printer.toPage() : last);
    }
    if (first > last) {
        _failure = QObject::tr("None of the chosen pages is in the document.");
        return false;
    }

    QPainter painter;
    if (!painter.begin(&printer)) {
        _failure = QObject::tr("The printer could not be started.");
        return false;
    }
    const double deviceUnitsPerPoint = printer.resolution() / kPointsPerInch;
    bool pagesStarted = true;
    for (int page = first; page <= last; ++page) {
        if (page != first && !printer.newPage()) {
            pagesStarted = false;
            break;
        }
        _currentPage = page;
        const Rect rect = _view->rectForPage(page);
        if (rect.isEmpty())
            continue;
        painter.save();
        const QRectF area(double(_printInfo.leftMargin()) * deviceUnitsPerPoint,
                          double(_printInfo.topMargin()) * deviceUnitsPerPoint,
                          double(rect.width()) * deviceUnitsPerPoint,
                          double(rect.height()) * deviceUnitsPerPoint);
        GraphicsContext context(painter, rect.size, DestinationKind::Printer, _view->isFlipped(),
                                area);
        AffineTransform toRect;
        toRect.translateXByYBy(-rect.minX(), -rect.minY());
        context.concat(toRect);
        _view->displayRectInContext(rect, context);
        painter.restore();
    }
    const bool ended = painter.end();
    if (!pagesStarted || !ended || printer.printerState() == QPrinter::Error ||
        printer.printerState() == QPrinter::Aborted) {
        _failure = QObject::tr("The printer reported an error.");
        return false;
    }
    return true;
}

void PrintOperation::reportFailure() {
    if (_failure.isEmpty())
        return;
    ModalAlert::Request alert(QObject::tr("The document could not be printed."), _failure);
    alert.style = ModalAlert::Style::Critical;
    ModalAlert::run(alert);
}

void PrintOperation::runOperationModalForWindow(QWidget* window,
                                                std::function<void(PrintOperation&, bool)> done) {
    _running = true;
    _panelWindow = window;
    QObject* context = window ? static_cast<QObject*>(window) : QCoreApplication::instance();
    QTimer::singleShot(0, context, [this, done = std::move(done)]() mutable {
        if (!_canSpawnSeparateThread) {
            const bool printed = runOperation();
            _running = false;
            if (done)
                done(*this, printed);
            return;
        }
        std::shared_ptr<QPrinter> printer = preparePrinter();
        if (!printer) {
            _running = false;
            if (done)
                done(*this, false);
            return;
        }
        auto printed = std::make_shared<bool>(false);
        QThread* worker = QThread::create([this, printer, printed] {
            const RunningScope running(this);
            *printed = printPages(*printer);
            _currentPage = 0;
        });
        // The end runs on the main thread once the worker has finished, even
        // when the window went away meanwhile.
        _worker = worker;
        QObject::connect(worker, &QThread::finished, QCoreApplication::instance(),
                         [this, alive = _alive, worker, printer, printed, done = std::move(done)] {
                             worker->wait();
                             worker->deleteLater();
                             if (!*alive)
                                 return;
                             _worker = nullptr;
                             if (!*printed)
                                 reportFailure();
                             _running = false;
                             if (done)
                                 done(*this, *printed);
                         });
        worker->start();
    });
}
