#include "platform/system/ScriptRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>

namespace {

constexpr char kScriptExtension[] = "scpt";
constexpr char kApplicationExtension[] = "app";
constexpr char kDefaultShell[] = "/bin/sh";
// Only the start of a script's error output is kept for the log; the rest is read
// and dropped so that a chatty script never blocks on a full pipe.
constexpr qsizetype kMaxKeptErrorBytes = 16 * 1024;
// The kernel reads no more of a "#!" line than this.
constexpr qint64 kMaxShebangLine = 256;
constexpr int kPollMs = 100;

QByteArray firstLine(const QString& path, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray line = file.read(limit);
    const qsizetype end = line.indexOf('\n');
    if (end >= 0)
        line.truncate(end);
    return line;
}

bool startsWithShebang(const QString& path) {
    return firstLine(path, 2) == "#!";
}

} // namespace

ScriptRunner::Kind ScriptRunner::kindOfFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return Kind::None;
    const QString extension = info.suffix();
    if (extension == QLatin1String(kApplicationExtension))
        return Kind::Application;
    if (info.isDir())
        return Kind::None;
    if (extension == QLatin1String(kScriptExtension))
        return Kind::Script;
    if (!info.isExecutable())
        return Kind::None;
    return startsWithShebang(path) ? Kind::Script : Kind::Application;
}

ScriptRunner::Command ScriptRunner::scriptCommand(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QFileInfo(path).isExecutable())
        return {absolute, {}};
    const QByteArray line = firstLine(path, kMaxShebangLine);
    const QByteArray rest = line.startsWith("#!") ? line.mid(2).trimmed() : QByteArray();
    if (!rest.isEmpty()) {
        // As the kernel reads the line: the interpreter, then at most one argument.
        qsizetype split = 0;
        while (split < rest.size() && rest[split] != ' ' && rest[split] != '\t')
            ++split;
        QStringList arguments;
        const QByteArray argument = rest.mid(split).trimmed();
        if (!argument.isEmpty())
            arguments << QFile::decodeName(argument);
        arguments << absolute;
        return {QFile::decodeName(rest.left(split)), arguments};
    }
    return {QString::fromLatin1(kDefaultShell), {absolute}};
}

namespace {

// Runs the command to its end; `early` is asked after every poll whether to
// answer now while the command still runs.
void runCommand(const ScriptRunner::Command& command, const QString& folder,
                const std::function<void(const ScriptRunner::Outcome&)>& early,
                ScriptRunner::Outcome& outcome) {
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setWorkingDirectory(folder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) {
        outcome.error = process.errorString();
        return;
    }
    outcome.started = true;
    const auto keepError = [&] {
        const QByteArray chunk = process.readAllStandardError();
        const qsizetype room = kMaxKeptErrorBytes - outcome.standardError.size();
        if (room > 0)
            outcome.standardError.append(chunk.left(room));
    };
    while (!process.waitForFinished(kPollMs)) {
        if (process.state() == QProcess::NotRunning)
            break;
        keepError();
        if (early)
            early(outcome);
    }
    keepError();
    outcome.killed = process.exitStatus() == QProcess::CrashExit;
    outcome.exitCode = process.exitCode();
    if (outcome.killed)
        outcome.error = process.errorString();
}

} // namespace

ScriptRunner::Outcome ScriptRunner::run(const QString& path) {
    Outcome outcome;
    runCommand(scriptCommand(path), QFileInfo(path).absolutePath(), nullptr, outcome);
    return outcome;
}

void ScriptRunner::runShellText(const QByteArray& script, const QString& folder, int handOverMs,
                                const std::function<void(const Outcome&)>& answer) {
    Outcome outcome;
    // A file rather than an argument: a script has no length limit, and its
    // commands can't read the rest of it from their input.
    QTemporaryFile file;
    if (!file.open() || file.write(script) != script.size() || !file.flush()) {
        outcome.error = file.errorString();
        answer(outcome);
        return;
    }
    bool answered = false;
    QElapsedTimer clock;
    clock.start();
    const auto early = [&](const Outcome& running) {
        if (answered || handOverMs < 0 || clock.elapsed() < handOverMs)
            return;
        answered = true;
        Outcome handedOver = running;
        handedOver.stillRunning = true;
        answer(handedOver);
    };
    runCommand({QString::fromLatin1(kDefaultShell), {file.fileName()}}, folder, early, outcome);
    if (!answered)
        answer(outcome);
}
