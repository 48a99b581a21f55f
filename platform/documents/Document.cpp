#include "platform/documents/Document.h"

#include "platform/documents/DocumentController.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/ModalAlert.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrinter>
#include <QWidget>

namespace {

// Document files are read whole; larger ones are not documents of ours.
constexpr qint64 kMaxDocumentFileSize = qint64(1) << 31;

QString platformText(const char* text) {
    return QCoreApplication::translate("QPlatformTheme", text);
}

void setError(QString* error, const QString& reason) {
    if (error)
        *error = reason;
}

} // namespace

Document::Document() = default;

Document::~Document() {
    // Controllers go first: their windows may still look at the document.
    const QList<WindowController*> controllers = _windowControllers;
    _windowControllers.clear();
    qDeleteAll(controllers);
}

void Document::setFileName(const QString& fileName) {
    if (fileName == _fileName)
        return;
    _fileName = fileName;
    Q_EMIT displayNameChanged();
}

QString Document::displayName() const {
    if (!_fileName.isEmpty())
        return QFileInfo(_fileName).fileName();
    if (_untitledNumber > 1)
        return tr("Untitled %1").arg(_untitledNumber);
    return tr("Untitled");
}

void Document::setUntitledNumber(int number) {
    if (number == _untitledNumber)
        return;
    _untitledNumber = number;
    if (_fileName.isEmpty())
        Q_EMIT displayNameChanged();
}

void Document::updateChangeCount(ChangeType change) {
    const bool wasEdited = isDocumentEdited();
    switch (change) {
    case ChangeDone:
        ++_changeCount;
        break;
    case ChangeUndone:
        --_changeCount;
        break;
    case ChangeCleared:
        _changeCount = 0;
        break;
    }
    if (isDocumentEdited() != wasEdited)
        Q_EMIT documentEditedChanged(isDocumentEdited());
}

UndoManager* Document::undoManager() {
    if (!_undoManager) {
        _undoManager = std::make_unique<UndoManager>();
        // Every undoable change edits the document; undoing back to the saved
        // state leaves it unedited again.
        _undoManager->setChangeObserver([this](UndoManager::Change change) {
            updateChangeCount(change == UndoManager::Change::Undone ? ChangeUndone : ChangeDone);
        });
    }
    return _undoManager.get();
}

void Document::runPageLayout() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(_printInfo.toPageLayout());
    QPageSetupDialog panel(&printer, windowForSheet());
    if (ModalAlert::runDialog(panel) != QDialog::Accepted)
        return;
    PrintInfo info = _printInfo;
    info.setFromPageLayout(printer.pageLayout());
    setPrintInfo(info);
}

namespace {
constexpr char kUndoAction[] = "undo:";
constexpr char kRedoAction[] = "redo:";
} // namespace

bool Document::respondsToAction(const QString& action) const {
    return action == QLatin1String(kUndoAction) || action == QLatin1String(kRedoAction);
}

bool Document::validateMenuItem(QAction& item) {
    const QString action = Commands::itemAction(&item);
    if (action == QLatin1String(kUndoAction)) {
        QString title = undoManager()->undoMenuItemTitle();
        if (const qsizetype amp = title.indexOf(QLatin1Char('&')); amp >= 0)
            title.remove(amp, 1);
        item.setText(title);
        return undoManager()->canUndo();
    }
    if (action == QLatin1String(kRedoAction))
        return undoManager()->canRedo();
    return CommandResponder::validateMenuItem(item);
}

void Document::performAction(const QString& action, QAction*) {
    if (action == QLatin1String(kUndoAction))
        undoManager()->undo();
    else if (action == QLatin1String(kRedoAction))
        undoManager()->redo();
}

void Document::addWindowController(WindowController* controller) {
    if (!controller || _windowControllers.contains(controller))
        return;
    if (Document* previous = controller->document(); previous && previous != this)
        previous->removeWindowController(controller);
    _windowControllers.append(controller);
    controller->setParent(this);
    controller->setDocument(this);
}

void Document::removeWindowController(WindowController* controller) {
    if (!_windowControllers.removeOne(controller))
        return;
    controller->setParent(nullptr);
    controller->setDocument(nullptr);
}

void Document::makeWindowControllers() {}

void Document::showWindows() {
    for (WindowController* controller : std::as_const(_windowControllers))
        controller->showWindow();
}

QWidget* Document::windowForSheet() const {
    for (WindowController* controller : _windowControllers)
        if (QWidget* window = controller->window())
            return window;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Contents

QByteArray Document::dataOfType(const QString& type, QString* error) {
    setError(error, tr("Documents of the type \"%1\" cannot be written.").arg(type));
    return {};
}

bool Document::loadDataOfType(const QByteArray&, const QString& type, QString* error) {
    setError(error, tr("Documents of the type \"%1\" cannot be read.").arg(type));
    return false;
}

bool Document::writeToFileOfType(const QString& path, const QString& type, QString* error) {
    QString reason;
    const QByteArray data = dataOfType(type, &reason);
    if (data.isNull()) {
        setError(error, reason.isEmpty() ? tr("The document has nothing to write.") : reason);
        return false;
    }
    return FileAccess::writeFileAtomically(path, data, error);
}

bool Document::readFromFileOfType(const QString& path, const QString& type, QString* error) {
    const std::optional<QByteArray> data =
        FileAccess::readRegularFile(path, kMaxDocumentFileSize, error);
    return data && loadDataOfType(*data, type, error);
}

// ---------------------------------------------------------------------------
// Saving

void Document::documentDidSave(bool, SaveOperation) {}

void Document::saveToFile(const QString& path, const QString& type, SaveOperation operation,
                          const SaveCompletion& done) {
    QString reason;
    const bool saved = writeToFileOfType(path, type, &reason);
    if (saved && operation != SaveOperation::SaveTo) {
        setFileType(type);
        setFileName(path);
        updateChangeCount(ChangeCleared);
    }
    if (!saved && reason.isEmpty())
        reason = tr("The file could not be written.");
    documentDidSave(saved, operation);
    if (done)
        done(saved, saved ? QString() : reason);
}

void Document::saveDocument(SaveCompletion done) {
    if (_fileName.isEmpty())
        runSavePanel(SaveOperation::SaveAs, std::move(done));
    else
        saveWithAlert(_fileName, SaveOperation::Save, std::move(done));
}

void Document::saveDocumentAs(SaveCompletion done) {
    runSavePanel(SaveOperation::SaveAs, std::move(done));
}

void Document::saveDocumentTo(SaveCompletion done) {
    runSavePanel(SaveOperation::SaveTo, std::move(done));
}

QStringList Document::fileExtensions() const {
    const DocumentController& controller =
        _controller ? *_controller : DocumentController::sharedDocumentController();
    return controller.fileExtensionsFromType(_fileType);
}

void Document::runSavePanel(SaveOperation operation, SaveCompletion done) {
    ModalAlert::PanelRequest request;
    request.kind = ModalAlert::PanelRequest::Kind::Save;
    request.title = operation == SaveOperation::SaveTo ? tr("Save To") : tr("Save As");
    request.extensions = fileExtensions();
    if (!_fileName.isEmpty())
        request.directory = QFileInfo(_fileName).absolutePath();
    request.fileName = QFileInfo(displayName()).completeBaseName();
    if (request.fileName.isEmpty())
        request.fileName = displayName();
    QPointer<Document> self(this);
    ModalAlert::beginPanelSheet(
        windowForSheet(), request,
        [self, operation, extensions = request.extensions,
         done = std::move(done)](const QStringList& chosen) {
            if (!self || chosen.isEmpty()) {
                if (done)
                    done(false, {});
                return;
            }
            QString path = chosen.first();
            // A name without one of the type's extensions gets the first.
            if (!extensions.isEmpty() &&
                !extensions.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive))
                path += QLatin1Char('.') + extensions.first();
            self->saveWithAlert(path, operation, done);
        });
}

void Document::saveWithAlert(const QString& path, SaveOperation operation, SaveCompletion done) {
    QPointer<Document> self(this);
    const QString name = displayName();
    saveToFile(path, _fileType, operation,
               [self, name, done = std::move(done)](bool saved, const QString& reason) {
                   if (saved || !self) {
                       if (done)
                           done(saved, reason);
                       return;
                   }
                   ModalAlert::Request alert(
                       tr("The document \"%1\" could not be saved.").arg(name), reason);
                   alert.style = ModalAlert::Style::Critical;
                   ModalAlert::beginSheet(self->windowForSheet(), alert, [done, reason](int) {
                       if (done)
                           done(false, reason);
                   });
               });
}

// ---------------------------------------------------------------------------
// Reverting

bool Document::revertToSavedFromFile(const QString& path, const QString& type, QString* error) {
    // The read decides whether the document comes back edited (a file that
    // lost something on the way in); a refused one leaves the count as it was.
    const int countBefore = _changeCount;
    const bool wasEdited = isDocumentEdited();
    _changeCount = 0;
    if (!readFromFileOfType(path, type, error)) {
        _changeCount = countBefore;
        return false;
    }
    if (_undoManager)
        _undoManager->removeAllActions();
    if (isDocumentEdited() != wasEdited)
        Q_EMIT documentEditedChanged(isDocumentEdited());
    return true;
}

void Document::revertDocumentToSaved(RevertCompletion done) {
    if (_fileName.isEmpty()) {
        if (done)
            done(false, tr("The document has no file to revert to."));
        return;
    }
    ModalAlert::Request question(
        tr("Do you want to revert to the most recently saved version of the document \"%1\"?")
            .arg(displayName()),
        tr("Your current changes will be lost."));
    question.defaultButton = tr("Revert");
    question.alternateButton = platformText("Cancel");
    QPointer<Document> self(this);
    ModalAlert::beginSheet(windowForSheet(), question, [self, done = std::move(done)](int answer) {
        if (!self || answer != ModalAlert::DefaultReturn) {
            if (done)
                done(false, {});
            return;
        }
        QString reason;
        if (self->revertToSavedFromFile(self->fileName(), self->fileType(), &reason)) {
            if (done)
                done(true, {});
            return;
        }
        ModalAlert::Request alert(
            tr("The document \"%1\" could not be reverted.").arg(self->displayName()), reason);
        alert.style = ModalAlert::Style::Critical;
        ModalAlert::beginSheet(self->windowForSheet(), alert, [done, reason](int) {
            if (done)
                done(false, reason);
        });
    });
}

// ---------------------------------------------------------------------------
// Closing

void Document::canCloseDocument(CloseDecision decide) {
    if (!isDocumentEdited()) {
        if (decide)
            decide(true);
        return;
    }
    showWindows();
    ModalAlert::Request question(
        tr("Do you want to save the changes you made in the document \"%1\"?").arg(displayName()),
        tr("Your changes will be lost if you don't save them."));
    question.defaultButton = platformText("Save");
    question.alternateButton = platformText("Don't Save");
    question.otherButton = platformText("Cancel");
    QPointer<Document> self(this);
    ModalAlert::beginSheet(windowForSheet(), question,
                           [self, decide = std::move(decide)](int answer) {
                               const auto answerWith = [&decide](bool shouldClose) {
                                   if (decide)
                                       decide(shouldClose);
                               };
                               if (!self || answer == ModalAlert::OtherReturn)
                                   return answerWith(false);
                               if (answer == ModalAlert::AlternateReturn)
                                   return answerWith(true);
                               self->saveDocument([decide](bool saved, const QString&) {
                                   if (decide)
                                       decide(saved);
                               });
                           });
}

void Document::close() {
    if (_closed)
        return;
    _closed = true;
    for (WindowController* controller : std::as_const(_windowControllers))
        if (QWidget* window = controller->window())
            window->hide();
    // The close may come from inside one of the document's windows' events:
    // the document and its windows go once that event is over.
    if (_controller)
        if (std::shared_ptr<Document> kept = _controller->takeDocument(this))
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    app, [kept] {}, Qt::QueuedConnection);
}
