#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// Scripts and applications a user keeps in a folder. Linux has neither compiled
// scripts nor type codes, so the kind of a file comes from its name and contents:
//   - a script: a file ending in ".scpt", or an executable file beginning with "#!";
//   - an application: anything ending in ".app" (a file, or a folder run through its
//     "AppRun"), or an executable file of any other contents (a binary);
//   - anything else is neither.
// A script is run and waited for; an application is only started (see Workspace).
namespace ScriptRunner {

enum class Kind { None, Script, Application };

LUMISK_PLATFORM_EXPORT Kind kindOfFile(const QString& path);

// The command that runs a script: the file itself when it is executable, else the
// interpreter of its "#!" line (with that line's one argument), else the shell.
struct Command {
    QString program;
    QStringList arguments;
};
LUMISK_PLATFORM_EXPORT Command scriptCommand(const QString& path);

struct Outcome {
    bool started = false;
    // Still running when it was answered for (see runShellText).
    bool stillRunning = false;
    // Ended by a signal rather than by exiting.
    bool killed = false;
    int exitCode = 0;
    // The start of what the script wrote to standard error.
    QByteArray standardError;
    QString error;
};

// Runs the script at `path` in its own folder with no input and waits for it to end.
// Safe on any thread.
LUMISK_PLATFORM_EXPORT Outcome run(const QString& path);

// Runs a POSIX shell script given as text with `sh`, in `folder`, with no input.
// `answer` is called once on this thread: when the script ends, or, when it is
// still running after `handOverMs` (negative: never), with `stillRunning` set.
// Either way this returns only once the script has ended, so that it is never
// killed for being slow. Safe on any thread.
LUMISK_PLATFORM_EXPORT void runShellText(const QByteArray& script, const QString& folder,
                                         int handOverMs,
                                         const std::function<void(const Outcome&)>& answer);

} // namespace ScriptRunner
