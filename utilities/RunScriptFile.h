#pragma once

#include <QString>
#include <cstdint>

// Statuses of RunScriptFile besides a script's own exit code.
inline constexpr int16_t kRunScriptCannotStart = -1;
inline constexpr int16_t kRunScriptKilled = -2;
inline constexpr int16_t kRunScriptLaunchFailed = -2703;

// Runs a file of the Scripts menu. An application is started and not waited for:
// 0, or kRunScriptLaunchFailed when it can't be started. A script is run and
// waited for under one process-wide recursive lock, so scripts run one at a time
// (and a script run from within a script on the same thread doesn't wait for
// itself): its exit code cut to 16 bits, kRunScriptCannotStart when it doesn't run
// or kRunScriptKilled when a signal ends it; what it wrote to standard error goes
// to the log. Safe on any thread.
int16_t RunScriptFile(const QString& path);
