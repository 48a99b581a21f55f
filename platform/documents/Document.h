#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/Commands.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class DocumentController;
class QWidget;
class UndoManager;
class WindowController;

// The base of the application's documents: the file it belongs to, whether it
// has unsaved changes, its own undo manager and the controllers of its windows.
//
// Saving and opening. A subclass either answers its contents as data for a
// type and takes them back from data (dataOfType, loadDataOfType), or writes
// and reads its file itself (writeToFileOfType, readFromFileOfType). Either
// way a write replaces the old file only once the new one is complete, and a
// failed write leaves the old file, the document's file name and its edited
// state as they were.
//
// Commands: the document answers "undo:" and "redo:" from its undo manager.
class LUMISK_PLATFORM_EXPORT Document : public QObject, public CommandResponder {
    Q_OBJECT

public:
    enum ChangeType { ChangeDone = 0, ChangeUndone = 1, ChangeCleared = 2 };

    // Save: to the document's own file. Save as: to a new file, which becomes
    // the document's. Save to: a copy; the document keeps its file and stays
    // edited as it was.
    enum class SaveOperation { Save, SaveAs, SaveTo };

    // `reason` names why a save failed; empty when it succeeded or was cancelled.
    using SaveCompletion = std::function<void(bool saved, const QString& reason)>;
    using RevertCompletion = std::function<void(bool reverted, const QString& reason)>;
    using CloseDecision = std::function<void(bool shouldClose)>;

    Document();
    ~Document() override;

    // The path of the document's file; empty while it has none.
    QString fileName() const { return _fileName; }
    void setFileName(const QString& fileName);
    QString fileType() const { return _fileType; }
    void setFileType(const QString& fileType) { _fileType = fileType; }

    // The file's name; for a document without a file "Untitled", then
    // "Untitled 2", "Untitled 3" ... as its controller numbers it.
    QString displayName() const;
    int untitledNumber() const { return _untitledNumber; }
    void setUntitledNumber(int number);

    // Done counts a change up, undone counts one down (so undoing back to the
    // saved state leaves the document unedited) and cleared forgets them all.
    void updateChangeCount(ChangeType change);
    int changeCount() const { return _changeCount; }
    bool isDocumentEdited() const { return _changeCount != 0; }

    // Made on first use; lives as long as the document.
    UndoManager* undoManager();

    // The document's page set-up; a copy of the shared one at first.
    const PrintInfo& printInfo() const { return _printInfo; }
    virtual void setPrintInfo(const PrintInfo& printInfo) { _printInfo = printInfo; }
    // The Page Setup command: the page set-up panel on the document's print
    // info (through the dialog seam); an accepted panel becomes the print info.
    void runPageLayout();

    const QList<WindowController*>& windowControllers() const { return _windowControllers; }
    // The document takes the controller over and becomes its document.
    void addWindowController(WindowController* controller);
    // Hands the controller back to the caller, without a document.
    void removeWindowController(WindowController* controller);
    // Makes the document's windows; the base makes none.
    virtual void makeWindowControllers();
    virtual void showWindows();
    // The window that sheets about the document hang on: its first
    // controller's; null without one.
    QWidget* windowForSheet() const;

    // The controller that lists the document; null while none does.
    DocumentController* documentController() const { return _controller; }
    void setDocumentController(DocumentController* controller) { _controller = controller; }

    // Contents. The base answers no data and takes none, with a reason.
    virtual QByteArray dataOfType(const QString& type, QString* error = nullptr);
    virtual bool loadDataOfType(const QByteArray& data, const QString& type,
                                QString* error = nullptr);
    // The base writes dataOfType to a temporary file renamed over the old one,
    // and reads the file whole into loadDataOfType.
    virtual bool writeToFileOfType(const QString& path, const QString& type,
                                   QString* error = nullptr);
    virtual bool readFromFileOfType(const QString& path, const QString& type,
                                    QString* error = nullptr);

    // Writes the document to `path`. A save or save as that succeeds makes the
    // path and type the document's and clears its change count. Then the
    // document's own step (documentDidSave) runs, then `done`, with the result.
    // Shows nothing.
    void saveToFile(const QString& path, const QString& type, SaveOperation operation,
                    const SaveCompletion& done = {});

    // The Save, Save As and Save To commands: a document without a file, and
    // every save as and save to, first asks for one in a save panel on the
    // document's window (cancelled: `done` with false and no reason). A failed
    // write is shown in an alert before `done` hears of it.
    void saveDocument(SaveCompletion done = {});
    void saveDocumentAs(SaveCompletion done = {});
    void saveDocumentTo(SaveCompletion done = {});

    // Reads the document's file again into this document. A file that is
    // refused changes nothing. On success the undo list is emptied and the
    // document is unedited unless the read marked it edited.
    bool revertToSavedFromFile(const QString& path, const QString& type, QString* error = nullptr);
    // The Revert command: asks first, on the document's window; a failed read
    // is shown in an alert before `done` hears of it.
    void revertDocumentToSaved(RevertCompletion done = {});

    // Closing. An edited document asks whether to save its changes (Save,
    // Don't Save, Cancel) on its window; a save that fails or is cancelled
    // keeps it open. `decide` hears whether it may close.
    void canCloseDocument(CloseDecision decide);
    // Closes the windows and leaves the controller's list; the document itself
    // goes once control is back in the event loop.
    void close();
    bool isClosed() const { return _closed; }

    // Undo: enabled while there is something to undo, titled by the undo
    // manager (one "&" taken out, as Qt reads it as a mnemonic); redo while
    // there is something to redo.
    bool respondsToAction(const QString& action) const override;
    bool validateMenuItem(QAction& item) override;
    void performAction(const QString& action, QAction* sender) override;

Q_SIGNALS:
    void documentEditedChanged(bool edited);
    void displayNameChanged();

protected:
    // The document's own step after every save attempt, before the caller's
    // completion runs; the base does nothing.
    virtual void documentDidSave(bool saved, SaveOperation operation);

private:
    void runSavePanel(SaveOperation operation, SaveCompletion done);
    void saveWithAlert(const QString& path, SaveOperation operation, SaveCompletion done);
    QStringList fileExtensions() const;

    QString _fileName;
    QString _fileType;
    int _untitledNumber = 0;
    int _changeCount = 0;
    std::unique_ptr<UndoManager> _undoManager;
    PrintInfo _printInfo = PrintInfo::sharedPrintInfo();
    QList<WindowController*> _windowControllers;
    DocumentController* _controller = nullptr;
    bool _closed = false;
};
