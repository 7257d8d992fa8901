#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32Registry final : public Registry {
public:
    std::optional<RegistryValue> ReadValue(RootKey, const std::wstring&, const std::wstring&,
                                           std::size_t) const override {
        return std::nullopt;
    }
};

}  // namespace

Registry& Win32RegistryInstance() {
    static Registry& instance = *new Win32Registry;
    return instance;
}

}  // namespace platform
