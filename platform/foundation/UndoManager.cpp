#include "platform/foundation/UndoManager.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/LocalizedStrings.h"

#include <QObject>
#include <QtDebug>
#include <algorithm>

UndoManager::UndoManager() : _context(std::make_unique<QObject>()) {}

UndoManager::~UndoManager() {
    // Closures may hold objects whose destructors still talk to this manager:
    // release them while the members are intact.
    auto undoStack = std::move(_undoStack);
    auto redoStack = std::move(_redoStack);
    auto open = std::move(_open);
    _undoStack.clear();
    _redoStack.clear();
    _open = {};
}

void UndoManager::registerUndo(const void* target, Action action) {
    if (_disableCount > 0 || !action)
        return;
    if (_level == 0) {
        if (!_groupsByEvent)
            Exception::raise(QString::fromLatin1(kInternalInconsistencyException),
                             QStringLiteral("undo registered outside a group"));
        _open = {};
        _level = 1;
        _autoGroupOpen = true;
        _eventPassEnded = false;
        scheduleEndOfEventPass();
    }
    std::vector<Group> discarded;
    if (!_undoing && !_redoing)
        discarded.swap(_redoStack);
    _open.steps.push_back({target, std::move(action)});
}

void UndoManager::setActionName(const QString& actionName) {
    if (_disableCount > 0)
        return;
    if (_level > 0)
        _open.actionName = actionName;
    else if (!_undoStack.empty())
        _undoStack.back().actionName = actionName;
}

QString UndoManager::undoActionName() const {
    if (const Group* group = nextUndoGroup())
        return group->actionName;
    return {};
}

QString UndoManager::redoActionName() const {
    return _redoStack.empty() ? QString() : _redoStack.back().actionName;
}

QString UndoManager::undoMenuItemTitle() const {
    const QString title = localizedString(QStringLiteral("Undo"));
    const QString name = undoActionName();
    return name.isEmpty() ? title : title + QLatin1Char(' ') + name;
}

void UndoManager::beginUndoGrouping() {
    if (_level == 0) {
        _open = {};
        _autoGroupOpen = false;
    }
    ++_level;
}

void UndoManager::endUndoGrouping() {
    if (_level <= _baseLevel) {
        qWarning("UndoManager: endUndoGrouping without a matching beginUndoGrouping");
        return;
    }
    --_level;
    if (_level == 0)
        closeOutermostGroup();
    else if (_level == 1 && _autoGroupOpen && _eventPassEnded)
        scheduleEndOfEventPass();
}

int UndoManager::groupingLevel() const {
    return _level;
}

void UndoManager::setGroupsByEvent(bool groupsByEvent) {
    _groupsByEvent = groupsByEvent;
}

bool UndoManager::canUndo() const {
    return nextUndoGroup() != nullptr;
}

bool UndoManager::canRedo() const {
    return !_redoStack.empty();
}

bool UndoManager::undo() {
    return perform(_undoStack, true);
}

bool UndoManager::redo() {
    return perform(_redoStack, false);
}

void UndoManager::removeAllActions() {
    auto undoStack = std::move(_undoStack);
    auto redoStack = std::move(_redoStack);
    auto steps = std::move(_open.steps);
    _undoStack.clear();
    _redoStack.clear();
    _open = {};
}

void UndoManager::removeAllActionsWithTarget(const void* target) {
    std::vector<Step> removed;
    auto strip = [&](Group& group) {
        auto& steps = group.steps;
        auto keep = std::stable_partition(steps.begin(), steps.end(),
                                          [target](const Step& s) { return s.target != target; });
        std::move(keep, steps.end(), std::back_inserter(removed));
        steps.erase(keep, steps.end());
    };
    for (auto* stack : {&_undoStack, &_redoStack}) {
        for (Group& group : *stack)
            strip(group);
        stack->erase(std::remove_if(stack->begin(), stack->end(),
                                    [](const Group& g) { return g.steps.empty(); }),
                     stack->end());
    }
    strip(_open);
}

void UndoManager::disableUndoRegistration() {
    ++_disableCount;
}

void UndoManager::enableUndoRegistration() {
    if (_disableCount == 0) {
        qWarning("UndoManager: enableUndoRegistration without a matching disable");
        return;
    }
    --_disableCount;
}

void UndoManager::setLevelsOfUndo(int levels) {
    _levelsOfUndo = std::max(0, levels);
    auto droppedUndo = trimmed(_undoStack);
    auto droppedRedo = trimmed(_redoStack);
}

void UndoManager::closeOutermostGroup() {
    Group group = std::move(_open);
    _open = {};
    _level = 0;
    _autoGroupOpen = false;
    _eventPassEnded = false;
    if (group.steps.empty())
        return;
    auto& stack = _undoing ? _redoStack : _undoStack;
    stack.push_back(std::move(group));
    auto dropped = trimmed(stack);
    if (!_undoing && !_redoing && _changeObserver)
        _changeObserver(Change::Done);
}

void UndoManager::scheduleEndOfEventPass() {
    if (_endOfPassScheduled)
        return;
    _endOfPassScheduled = true;
    QMetaObject::invokeMethod(
        _context.get(), [this] { endOfEventPass(); }, Qt::QueuedConnection);
}

void UndoManager::endOfEventPass() {
    _endOfPassScheduled = false;
    if (!_autoGroupOpen)
        return;
    if (_level == 1)
        closeOutermostGroup();
    else
        _eventPassEnded = true; // closes when the explicit groups inside it have
}

bool UndoManager::perform(std::vector<Group>& from, bool undoing) {
    if (_undoing || _redoing)
        return false;
    if (_level > 1) {
        qWarning("UndoManager: cannot undo or redo while nested groups are open");
        return false;
    }
    if (_level == 1)
        closeOutermostGroup();
    if (from.empty())
        return false;

    Group group = std::move(from.back());
    from.pop_back();
    // Made before Finish so that it tells after the flags came down: the
    // observer sees a settled manager.
    struct Tell {
        UndoManager* m;
        bool undoing;
        ~Tell() {
            if (m->_changeObserver)
                m->_changeObserver(undoing ? Change::Undone : Change::Redone);
        }
    } tell{this, undoing};
    (undoing ? _undoing : _redoing) = true;
    _open = {};
    _level = 1;
    _baseLevel = 1;
    // Whatever the closures do, even throw, the inverse group closes and the
    // flags come down.
    struct Finish {
        UndoManager* m;
        const QString& name;
        ~Finish() {
            if (!name.isEmpty())
                m->_open.actionName = name;
            m->_baseLevel = 0;
            m->closeOutermostGroup();
            m->_undoing = false;
            m->_redoing = false;
        }
    } finish{this, group.actionName};
    for (auto step = group.steps.rbegin(); step != group.steps.rend(); ++step)
        step->action();
    return true;
}

std::vector<UndoManager::Group> UndoManager::trimmed(std::vector<Group>& stack) {
    std::vector<Group> dropped;
    if (_levelsOfUndo > 0 && stack.size() > size_t(_levelsOfUndo)) {
        const auto excess = stack.size() - size_t(_levelsOfUndo);
        std::move(stack.begin(), stack.begin() + excess, std::back_inserter(dropped));
        stack.erase(stack.begin(), stack.begin() + excess);
    }
    return dropped;
}

const UndoManager::Group* UndoManager::nextUndoGroup() const {
    // An open outermost group with steps is what undo would close and act on.
    if (_level == 1 && _baseLevel == 0 && !_open.steps.empty())
        return &_open;
    return _undoStack.empty() ? nullptr : &_undoStack.back();
}
