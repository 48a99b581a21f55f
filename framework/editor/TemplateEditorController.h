#pragma once

#include "framework/FormwellExport.h"
#include "platform/documents/WindowController.h"

#include <QPointer>

class Notification;
class QMessageBox;
class QScrollArea;
class TM_TemplateView;
class TemplateDocument;

// Localization keys of the framework's bundle for the error sheet.
inline constexpr char kErrorSheetTitleKey[] = "An Error Occured";
inline constexpr char kErrorSheetButtonKey[] = "OK";
// Formatted with the error code, then looked up.
inline constexpr char kErrorMessageKeyFormat[] = "Error %d";

// The editor window of one template document: the page canvas in a grey
// scroll view. Shows the errors its document posts as a sheet.
class FORMWELL_EXPORT TemplateEditorController : public WindowController {
    Q_OBJECT

public:
    TemplateEditorController();
    ~TemplateEditorController() override;

    // Builds the window's content for the controller's document.
    void setup();

    TemplateDocument* templateDocument() const;
    // The scroll view's canvas; null before setup.
    TM_TemplateView* templateView() const;
    float zoomFactor() const { return _zoomFactor; }
    // The error sheet on show, or null.
    QMessageBox* errorSheet() const;

private:
    void errorEncountered(const Notification& notification);

    QPointer<QScrollArea> _mainScrollView;
    QPointer<QMessageBox> _errorSheet;
    float _zoomFactor = 1.0f;
};
