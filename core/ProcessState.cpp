#include "core/ProcessState.h"

std::atomic<std::int32_t> CancelRequested{0};
std::atomic<std::int32_t> ProgressDisplayEnabled{1};
std::atomic<std::int32_t> ProgressCounter{0};
