#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32WindowsInstaller final : public WindowsInstaller {
public:
    std::uint32_t EnumRelatedProducts(const std::wstring&, std::uint32_t, std::wstring&) const override {
        return ERROR_NO_MORE_ITEMS;
    }
    std::uint32_t ProductVersionString(const std::wstring&, std::size_t, std::wstring&) const override {
        return ERROR_UNKNOWN_PRODUCT;
    }
};

}  // namespace

WindowsInstaller& Win32WindowsInstallerInstance() {
    static WindowsInstaller& instance = *new Win32WindowsInstaller;
    return instance;
}

}  // namespace platform
