#pragma once
// The test process's id, to keep temporary names apart when several test runs share the machine.

#ifdef _WIN32
#include <process.h>
inline int TestProcessId() {
    return _getpid();
}
#else
#include <unistd.h>
inline int TestProcessId() {
    return static_cast<int>(getpid());
}
#endif
