#include "platform/system/ScriptRunner.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

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

ScriptRunner::Outcome ScriptRunner::run(const QString& path) {
    Outcome outcome;
    const Command command = scriptCommand(path);
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setWorkingDirectory(QFileInfo(path).absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) {
        outcome.error = process.errorString();
        return outcome;
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
    }
    keepError();
    outcome.killed = process.exitStatus() == QProcess::CrashExit;
    outcome.exitCode = process.exitCode();
    if (outcome.killed)
        outcome.error = process.errorString();
    return outcome;
}
