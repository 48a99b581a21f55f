#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/printing/PrintInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class UndoManager;
class WindowController;

// The base of the application's documents: the file it belongs to, whether it
// has unsaved changes, its own undo manager and the controllers of its windows.
class LUMISK_PLATFORM_EXPORT Document : public QObject {
    Q_OBJECT

public:
    enum ChangeType { ChangeDone = 0, ChangeUndone = 1, ChangeCleared = 2 };

    Document();
    ~Document() override;

    // The path of the document's file; empty while it has none.
    QString fileName() const { return _fileName; }
    void setFileName(const QString& fileName) { _fileName = fileName; }
    QString fileType() const { return _fileType; }
    void setFileType(const QString& fileType) { _fileType = fileType; }

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

    const QList<WindowController*>& windowControllers() const { return _windowControllers; }
    // The document takes the controller over and becomes its document.
    void addWindowController(WindowController* controller);
    // Hands the controller back to the caller, without a document.
    void removeWindowController(WindowController* controller);

private:
    QString _fileName;
    QString _fileType;
    int _changeCount = 0;
    std::unique_ptr<UndoManager> _undoManager;
    PrintInfo _printInfo = PrintInfo::sharedPrintInfo();
    QList<WindowController*> _windowControllers;
};
