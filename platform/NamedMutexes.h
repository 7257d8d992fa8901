#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Named, initially owned mutexes that announce a running setup. Handles stay open until
// CloseMutex or process end.
class NamedMutexes {
public:
    using Handle = std::uintptr_t;  // 0 = none
    struct Result {
        Handle handle = 0;
        bool alreadyExisted = false;
        std::uint32_t error = 0;  // the system error code when handle is 0
    };
    virtual ~NamedMutexes() = default;
    // Default security: visible only inside the user's logon session (for a name without "Global\").
    virtual Result CreateOwnedMutex(const std::wstring& name) = 0;
    // Security descriptor with a NULL DACL (everyone may open it), handle not inheritable.
    virtual Result CreateOwnedMutexOpenToEveryone(const std::wstring& name) = 0;
    virtual void CloseMutex(Handle handle) = 0;
    // Whether a mutex of that name exists now (in this process or another), without creating it.
    virtual bool Exists(const std::wstring& name) = 0;
};

}  // namespace platform
