#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/printing/PrintInfo.h"

#include <QPointer>
#include <QString>
#include <functional>

class QPrinter;
class QWidget;
class View;

// Prints a view through Qt's printer: the view reports its pages
// (knowsPageRange, rectForPage) and draws each into the printer with its
// drawRect, at 72 points to the inch from the top-left corner inside the
// margins. All of
// it runs on the calling (main) thread, between the start and the end of
// runOperation; currentOperation() answers the operation meanwhile.
//
// Output goes to the printer chosen in the print panel, or, with a PDF path
// set, to that file without a panel: how tests print.
class LUMISK_PLATFORM_EXPORT PrintOperation {
public:
    // Answers the print panel instead of the user: true to print, with the
    // printer set up as wanted. Tests install one.
    using PanelResponder = std::function<bool(PrintOperation&, QPrinter&)>;

    // The view must outlive the operation.
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
    // Shown in the print panel as a page of options; not owned.
    QWidget* accessoryView() const { return _accessoryView; }
    void setAccessoryView(QWidget* view) { _accessoryView = view; }
    const QString& pdfOutputPath() const { return _pdfPath; }
    void setPDFOutputPath(const QString& path) { _pdfPath = path; }

    // The page being printed, counted from 1; 0 outside the page loop.
    int currentPage() const { return _currentPage; }

    // False when the panel was cancelled or the printer could not start.
    bool runOperation();
    // Runs the operation from the event loop, as a sheet on the window
    // would, and then hands its result to done. The operation must live
    // until then.
    void runOperationModalForWindow(QWidget* window,
                                    std::function<void(PrintOperation&, bool)> done);

    // Installs a responder (an empty one restores the panel) and answers the
    // one it replaces.
    static PanelResponder setPanelResponder(PanelResponder responder);

private:
    bool runPanel(QPrinter& printer);
    bool printPages(QPrinter& printer);

    View* _view;
    PrintInfo _printInfo;
    bool _showsPrintPanel = true;
    QPointer<QWidget> _accessoryView;
    QString _pdfPath;
    int _currentPage = 0;
};
