#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QObject;

// Undo and redo stacks of closures, one manager per document (main thread).
//
// Registrations are collected in groups; undo and redo act on a whole group,
// running its closures in reverse order of registration. Closures registered
// while undoing form the group that redo runs, and those registered while
// redoing form the next group to undo; any other registration clears the redo
// stack.
//
// Groups are opened and closed explicitly (nestable: a nested group is part of
// the outermost one) or, with groupsByEvent (the default), automatically: a
// registration while no group is open opens one that closes at the end of the
// current pass of the event loop (or once explicit groups opened inside it have
// closed). A group that closes empty is dropped.
class LUMISK_PLATFORM_EXPORT UndoManager {
public:
    using Action = std::function<void()>;

    UndoManager();
    ~UndoManager();
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // Records `action` as the inverse of a change of `target`, in the open
    // group. Ignored while registration is disabled. With groupsByEvent off,
    // registering outside a group raises kInternalInconsistencyException.
    void registerUndo(const void* target, Action action);

    // Names the group being built (the redo group while undoing); with no group
    // open, the group that undo would act on next. Ignored while registration
    // is disabled. Undo and redo carry a group's name over to its inverse.
    void setActionName(const QString& actionName);
    QString undoActionName() const;
    QString redoActionName() const;
    // "Undo", followed by the undo action name when there is one.
    QString undoMenuItemTitle() const;

    void beginUndoGrouping();
    // An end without a matching begin is reported and ignored.
    void endUndoGrouping();
    int groupingLevel() const;
    bool groupsByEvent() const { return _groupsByEvent; }
    void setGroupsByEvent(bool groupsByEvent);

    bool canUndo() const;
    bool canRedo() const;
    // Closes the open group first when it is the only one. Answers false when
    // there is nothing to undo (or redo), while undoing or redoing, and while
    // nested groups are open.
    bool undo();
    bool redo();
    bool isUndoing() const { return _undoing; }
    bool isRedoing() const { return _redoing; }

    // Empties both stacks and the open groups (which stay open).
    void removeAllActions();
    void removeAllActionsWithTarget(const void* target);

    // Counted: registration is enabled again after as many enables as disables.
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return _disableCount == 0; }

    // The most groups each stack keeps (the oldest go first); 0 keeps all.
    int levelsOfUndo() const { return _levelsOfUndo; }
    void setLevelsOfUndo(int levels);

    // What a document counts as its changes: a group of a new change closed,
    // a group undone, a group redone.
    enum class Change { Done, Undone, Redone };
    using ChangeObserver = std::function<void(Change)>;
    // One observer (the owning document); none with a null function.
    void setChangeObserver(ChangeObserver observer) { _changeObserver = std::move(observer); }

private:
    struct Step {
        const void* target;
        Action action;
    };
    struct Group {
        std::vector<Step> steps;
        QString actionName;
    };

    void closeOutermostGroup();
    void scheduleEndOfEventPass();
    void endOfEventPass();
    bool perform(std::vector<Group>& from, bool undoing);
    std::vector<Group> trimmed(std::vector<Group>& stack);
    const Group* nextUndoGroup() const;

    std::vector<Group> _undoStack;
    std::vector<Group> _redoStack;
    Group _open;
    int _level = 0;
    // Groups at or below this level belong to a running undo or redo.
    int _baseLevel = 0;
    bool _autoGroupOpen = false;
    bool _eventPassEnded = false;
    bool _endOfPassScheduled = false;
    bool _undoing = false;
    bool _redoing = false;
    bool _groupsByEvent = true;
    int _disableCount = 0;
    int _levelsOfUndo = 0;
    ChangeObserver _changeObserver;
    // Receives the end-of-pass call on the event loop; dropped calls die with it.
    std::unique_ptr<QObject> _context;
};
