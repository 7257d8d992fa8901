#include <windows.h>

#include <msi.h>

#include <vector>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

// A product code is a braced GUID: 38 characters.
constexpr std::size_t kProductCodeChars = 38;

// Windows Installer's functions, from msi.dll in the system folder.
struct MsiFunctions {
    decltype(&::MsiEnumRelatedProductsW) enumRelatedProducts = nullptr;
    decltype(&::MsiGetProductInfoW) getProductInfo = nullptr;
};

const MsiFunctions& Msi() {
    static const MsiFunctions functions = [] {
        MsiFunctions found;
        HMODULE msi = LoadSystemLibrary(L"msi.dll");
        FindFunction(msi, "MsiEnumRelatedProductsW", found.enumRelatedProducts);
        FindFunction(msi, "MsiGetProductInfoW", found.getProductInfo);
        return found;
    }();
    return functions;
}

class Win32WindowsInstaller final : public WindowsInstaller {
public:
    std::uint32_t EnumRelatedProducts(const std::wstring& upgradeCode, std::uint32_t index,
                                      std::wstring& productCode) const override {
        if (Msi().enumRelatedProducts == nullptr) return ERROR_INSTALL_SERVICE_FAILURE;
        wchar_t buffer[kProductCodeChars + 1] = {};
        UINT result = Msi().enumRelatedProducts(upgradeCode.c_str(), 0, index, buffer);
        if (result == ERROR_SUCCESS) productCode = buffer;
        return result;
    }
    std::uint32_t ProductVersionString(const std::wstring& productCode, std::size_t capacity,
                                       std::wstring& value) const override {
        if (Msi().getProductInfo == nullptr) return ERROR_INSTALL_SERVICE_FAILURE;
        std::vector<wchar_t> buffer(capacity + 1);  // one spare character: a 0 capacity still has a buffer
        DWORD size = static_cast<DWORD>(capacity);
        // INSTALLPROPERTY_VERSIONSTRING, spelled out: the header's macro follows the UNICODE switch.
        UINT result = Msi().getProductInfo(productCode.c_str(), L"VersionString", buffer.data(), &size);
        if (result == ERROR_SUCCESS) value = buffer.data();
        return result;
    }
};

}  // namespace

WindowsInstaller& Win32WindowsInstallerInstance() {
    static WindowsInstaller& instance = *new Win32WindowsInstaller;
    return instance;
}

}  // namespace platform
