#pragma once

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"

#include <functional>

class QButtonGroup;
class QDialog;

// What the print options sheet edits: the asker's arrangement (a LayoutMode)
// and scaling (a ScalingMode).
class PrintOptionsCaller {
public:
    virtual ~PrintOptionsCaller() = default;
    virtual int getPrintArrangementMode() const = 0;
    virtual void setPrintArrangementMode(int mode) = 0;
    virtual int getPrintScalingMode() const = 0;
    virtual void setPrintScalingMode(int mode) = 0;
};

// The print options sheet: two groups of radio buttons whose ids are the mode
// values. OK hands the chosen modes to the caller; Cancel hands nothing. Either
// closes the sheet and ends it with 1 (OK) or 0.
class PrintOptionsController : public WindowController {
    Q_OBJECT

public:
    // The caller is not owned and must outlive the sheet.
    explicit PrintOptionsController(PrintOptionsCaller* caller);
    ~PrintOptionsController() override;

    QButtonGroup* arrangementRadioMatrix() const { return _arrangementRadioMatrix; }
    QButtonGroup* scalingRadioMatrix() const { return _scalingRadioMatrix; }

    // Selects the caller's modes.
    void awakeFromNib();
    void acceptPrintOptions();
    void cancelPrintOptions();

    // Shows the window modal to `parent`; `done` gets the return code later.
    void beginSheetForWindow(QWidget* parent, std::function<void(int)> done);

private:
    void endSheet(int returnCode);

    QDialog* _dialog = nullptr;
    QButtonGroup* _arrangementRadioMatrix = nullptr;
    QButtonGroup* _scalingRadioMatrix = nullptr;
    PrintOptionsCaller* _caller;
    std::function<void(int)> _done;
};
