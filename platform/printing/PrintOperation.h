#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/printing/PrintInfo.h"

#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QPrinter;
class QThread;
class QWidget;
class View;

// Prints a view through Qt's printer: the view reports its pages
// (knowsPageRange, rectForPage) and draws each into the printer with its
// drawRect, at 72 points to the inch from the top-left corner inside the
// margins. The panel always runs on the main thread; the pages are drawn on
// the calling thread, or, for a run for a window that may spawn a separate
// thread, on a worker thread while the main loop goes on. Whichever thread
// draws, currentOperation() answers the operation there meanwhile.
//
// Output goes to the printer chosen in the print panel, or, with a PDF path
// set, to that file without a panel: how tests print. A run succeeds only
// when the painter began and ended on the printer with no printer error; a
// failure (not a cancel) is shown to the user in an alert.
class LUMISK_PLATFORM_EXPORT PrintOperation {
public:
    // Answers the print panel instead of the user: true to print, with the
    // printer set up as wanted. Tests install one.
    using PanelResponder = std::function<bool(PrintOperation&, QPrinter&)>;

    // The kind of job the panel is for. A photo job, on this system, asks the
    // printer for colour and shows a short panel: the printer, its properties
    // and copies with the accessory, without page ranges, selection,
    // collation or printing to a file.
    enum class JobStyle { Default, Photo };

    // The view must outlive the operation. An operation destroyed while its
    // worker draws waits for it, and its end callback is then never called.
    PrintOperation(View* view, const PrintInfo& printInfo);
    ~PrintOperation();
    PrintOperation(const PrintOperation&) = delete;
    PrintOperation& operator=(const PrintOperation&) = delete;

    // The operation running on this thread, or null.
    static PrintOperation* currentOperation();

    View* view() const { return _view; }
    const PrintInfo& printInfo() const { return _printInfo; }
    bool showsPrintPanel() const { return _showsPrintPanel; }
    void setShowsPrintPanel(bool shows) { _showsPrintPanel = shows; }
    // Whether the run shows its panels; the print panel is the only one here.
    bool showsPanels() const { return _showsPrintPanel; }
    void setShowsPanels(bool shows) { _showsPrintPanel = shows; }
    JobStyle jobStyleHint() const { return _jobStyle; }
    void setJobStyleHint(JobStyle style) { _jobStyle = style; }
    // Lets runOperationModalForWindow draw the pages on a worker thread. The
    // view and everything it draws from must then be safe to use there and
    // left alone by the main thread until the end callback.
    bool canSpawnSeparateThread() const { return _canSpawnSeparateThread; }
    void setCanSpawnSeparateThread(bool flag) { _canSpawnSeparateThread = flag; }
    // From the start of a run until its end callback has been called.
    bool isRunning() const { return _running; }
    // Shown in the print panel as a page of options (an option tab); not owned.
    QWidget* accessoryView() const { return _accessoryView; }
    void setAccessoryView(QWidget* view) { _accessoryView = view; }
    const QString& pdfOutputPath() const { return _pdfPath; }
    void setPDFOutputPath(const QString& path) { _pdfPath = path; }

    // The page being printed, counted from 1; 0 outside the page loop.
    int currentPage() const { return _currentPage; }

    // False when the panel was cancelled or the printing failed.
    bool runOperation();
    // Runs the operation from the event loop, as a sheet on the window
    // would, and then hands its result to done on the main thread. The
    // operation must live until then.
    void runOperationModalForWindow(QWidget* window,
                                    std::function<void(PrintOperation&, bool)> done);

    // Installs a responder (an empty one restores the panel) and answers the
    // one it replaces.
    static PanelResponder setPanelResponder(PanelResponder responder);

private:
    // Makes the printer and runs the panel; null when nothing is to print.
    std::unique_ptr<QPrinter> preparePrinter();
    bool runPanel(QPrinter& printer);
    bool printPages(QPrinter& printer);
    // Tells the user why printing failed.
    void reportFailure();

    View* _view;
    PrintInfo _printInfo;
    bool _showsPrintPanel = true;
    JobStyle _jobStyle = JobStyle::Default;
    bool _canSpawnSeparateThread = false;
    bool _running = false;
    QPointer<QWidget> _accessoryView;
    // The window a run for a window shows its panel on.
    QPointer<QWidget> _panelWindow;
    QString _pdfPath;
    // Written by the drawing thread, read by the view it draws.
    std::atomic<int> _currentPage = 0;
    // Why the last run failed: empty after a cancel or a success.
    QString _failure;
    QPointer<QThread> _worker;
    // Cleared when the operation goes, for an end that is already queued.
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
