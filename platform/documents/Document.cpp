#include "platform/documents/Document.h"

#include "platform/documents/WindowController.h"
#include "platform/foundation/UndoManager.h"

Document::Document() = default;

Document::~Document() {
    // Controllers go first: their windows may still look at the document.
    const QList<WindowController*> controllers = _windowControllers;
    _windowControllers.clear();
    qDeleteAll(controllers);
}

void Document::updateChangeCount(ChangeType change) {
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
