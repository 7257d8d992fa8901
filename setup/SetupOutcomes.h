#pragma once
#include <cstdint>
#include <string>

#include "setup/WorkerMessages.h"

// How the setup's parts end, named once: a package step, the install run (whose result is also the
// dialog's) and the process.

// What the package steps return to the install worker. A step may also return another value: a
// failure (an exit code, a server's answer) that the worker does not tell apart.
namespace step_result {
inline constexpr int kDone = 0;
inline constexpr int kCancelled = 2;    // the user confirmed a cancel (or the tool itself gave up)
inline constexpr int kFailed = 3;       // the download failed
inline constexpr int kNotWatched = -2;  // the program could not be started or watched
}  // namespace step_result

// Writes a step's last log line and hands back its result.
int EndStep(const std::wstring& lastLine, int result);

// The result of an install run and of the dialog that showed it (a dialog closed without a run
// counts as cancelled).
enum RunResult : int { kRunInstalled = 1, kRunCancelled = 2, kRunFailed = 3 };

// What the setup process reports to whoever started it.
enum ProcessExitCode : int { kExitInstalled = 0, kExitRefused = 1, kExitCancelled = 2, kExitFailed = 3 };

// How an install run ends: the message the worker posts for it, and the result the dialog takes
// from that message.
enum class RunEnd { Succeeded, Failed, ExpandFailed, Cancelled };
struct RunEndRow {
    RunEnd end;
    std::uint32_t message;
    RunResult result;
};
inline constexpr RunEndRow kRunEnds[] = {
    {RunEnd::Succeeded, worker_message::kInstallSucceeded, kRunInstalled},
    {RunEnd::Failed, worker_message::kInstallFailed, kRunFailed},
    {RunEnd::ExpandFailed, worker_message::kExpandFailed, kRunFailed},  // the product stays installed
    {RunEnd::Cancelled, worker_message::kInstallCancelled, kRunCancelled},
};
const RunEndRow& RowOf(RunEnd end);
