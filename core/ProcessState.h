#pragma once
#include <atomic>
#include <cstdint>

// Counters shared by the dialog and the install worker.
// Cancel requests not yet answered: the dialog adds one per Cancel; a package step that finds
// exactly one asks the cancel question and takes it back on "No".
extern std::atomic<std::int32_t> CancelRequested;
// The dialog moves the progress bar only while this is 1.
extern std::atomic<std::int32_t> ProgressDisplayEnabled;
// The progress position of the current package step.
extern std::atomic<std::int32_t> ProgressCounter;
