#include "platform/printing/PrintOperation.h"

#include "platform/documents/View.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"

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

PrintOperation::~PrintOperation() = default;

PrintOperation* PrintOperation::currentOperation() {
    return tRunning.empty() ? nullptr : tRunning.back();
}

PrintOperation::PanelResponder PrintOperation::setPanelResponder(PanelResponder responder) {
    PanelResponder previous = std::move(panelResponder());
    panelResponder() = std::move(responder);
    return previous;
}

bool PrintOperation::runOperation() {
    if (!_view)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(_printInfo.toPageLayout());
    printer.setFullPage(true);
    if (!_pdfPath.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(_pdfPath);
    } else if (_showsPrintPanel && !runPanel(printer)) {
        return false;
    }
    const RunningScope running(this);
    const bool printed = printPages(printer);
    _currentPage = 0;
    return printed;
}

bool PrintOperation::runPanel(QPrinter& printer) {
    if (const PanelResponder& responder = panelResponder())
        return responder(*this, printer);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return true;
    QPrintDialog dialog(&printer, _view->window());
    if (_accessoryView)
        dialog.setOptionTabs({_accessoryView.data()});
    const bool accepted = dialog.exec() == QDialog::Accepted;
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
    if (first > last)
        return false;

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double deviceUnitsPerPoint = printer.resolution() / kPointsPerInch;
    for (int page = first; page <= last; ++page) {
        if (page != first && !printer.newPage())
            break;
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
    return painter.end();
}

void PrintOperation::runOperationModalForWindow(QWidget* window,
                                                std::function<void(PrintOperation&, bool)> done) {
    QObject* context = window ? static_cast<QObject*>(window) : QCoreApplication::instance();
    QTimer::singleShot(0, context, [this, done = std::move(done)] {
        const bool printed = runOperation();
        if (done)
            done(*this, printed);
    });
}
