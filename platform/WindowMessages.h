#pragma once
#include <cstdint>

namespace platform {

// A window of the window system, as the setup hands it around; only the platform looks inside.
using WindowHandle = struct OpaqueWindow*;

// Posting (never sending) messages to a window of this process.
class WindowMessages {
public:
    virtual ~WindowMessages() = default;
    // Queues the message and returns at once; false when it could not be queued.
    virtual bool Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace platform
