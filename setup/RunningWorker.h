#pragma once

// Start-up must not end the process while the install worker still runs: its clean-up (the last
// log lines, the removal of the package folder) goes on after the dialog has closed. Whoever starts
// the worker registers it before the thread exists; the worker unregisters as its very last act.
void RegisterRunningWorker();
void UnregisterRunningWorker();

// True once no worker is registered, at once or within `milliseconds`; false on time-out.
bool WaitForRunningWorkers(int milliseconds);

// How long start-up waits for a running worker before it goes on all the same.
inline constexpr int kWorkerEndWaitMilliseconds = 10000;
