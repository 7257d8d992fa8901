#pragma once

namespace platform {

class Security {
public:
    virtual ~Security() = default;
    // True when the groups of the current thread's token (or, without one, the process's token)
    // include the local Administrators group, enabled or deny-only. Every failure reads as false.
    virtual bool TokenHasAdministratorsGroup() const = 0;
};

}  // namespace platform
