#include "utilities/RunScriptFile.h"

#include "platform/system/ScriptRunner.h"
#include "platform/system/Workspace.h"

#include <mutex>

namespace {

// Made on first use and never freed: a script may still be running on some thread
// while the program ends.
std::recursive_mutex& scriptLock() {
    static auto* lock = new std::recursive_mutex;
    return *lock;
}

} // namespace

int16_t RunScriptFile(const QString& path) {
    const ScriptRunner::Kind kind = ScriptRunner::kindOfFile(path);
    if (kind == ScriptRunner::Kind::Application)
        return Workspace::sharedWorkspace().launchApplication(path) ? 0 : kRunScriptLaunchFailed;
    if (kind != ScriptRunner::Kind::Script) {
        qWarning("Not a script: %s", qPrintable(path));
        return kRunScriptCannotStart;
    }

    std::lock_guard<std::recursive_mutex> locked(scriptLock());
    const ScriptRunner::Outcome outcome = ScriptRunner::run(path);
    if (!outcome.standardError.isEmpty())
        qWarning("Script %s: %s", qPrintable(path), outcome.standardError.constData());
    if (!outcome.started) {
        qWarning("Script %s can't be run: %s", qPrintable(path), qPrintable(outcome.error));
        return kRunScriptCannotStart;
    }
    if (outcome.killed) {
        qWarning("Script %s was ended: %s", qPrintable(path), qPrintable(outcome.error));
        return kRunScriptKilled;
    }
    return int16_t(outcome.exitCode);
}
