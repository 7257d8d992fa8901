#include <windows.h>

#include <msi.h>
#include <msiquery.h>

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
    decltype(&::MsiOpenDatabaseW) openDatabase = nullptr;
    decltype(&::MsiDatabaseOpenViewW) openView = nullptr;
    decltype(&::MsiViewExecute) execute = nullptr;
    decltype(&::MsiViewFetch) fetch = nullptr;
    decltype(&::MsiRecordGetStringW) recordString = nullptr;
    decltype(&::MsiCloseHandle) close = nullptr;
    bool databaseFound = false;  // the six database functions above
};

const MsiFunctions& Msi() {
    static const MsiFunctions functions = [] {
        MsiFunctions found;
        HMODULE msi = LoadSystemLibrary(L"msi.dll");
        FindFunction(msi, "MsiEnumRelatedProductsW", found.enumRelatedProducts);
        FindFunction(msi, "MsiGetProductInfoW", found.getProductInfo);
        found.databaseFound = FindFunction(msi, "MsiOpenDatabaseW", found.openDatabase) &&
                              FindFunction(msi, "MsiDatabaseOpenViewW", found.openView) &&
                              FindFunction(msi, "MsiViewExecute", found.execute) &&
                              FindFunction(msi, "MsiViewFetch", found.fetch) &&
                              FindFunction(msi, "MsiRecordGetStringW", found.recordString) &&
                              FindFunction(msi, "MsiCloseHandle", found.close);
        return found;
    }();
    return functions;
}

// An MSIHANDLE closed on every way out.
class MsiHandle {
public:
    MsiHandle() = default;
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    ~MsiHandle() {
        if (handle_ != 0) Msi().close(handle_);
    }
    MSIHANDLE* Out() { return &handle_; }
    MSIHANDLE Get() const { return handle_; }

private:
    MSIHANDLE handle_ = 0;
};

// Property names are the package's own identifiers: letters, digits, underscores and dots only, so
// the query text cannot be anything but one property's lookup.
bool IsPropertyName(const std::wstring& name) {
    if (name.empty()) return false;
    for (wchar_t c : name) {
        bool plain =
            (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'.';
        if (!plain) return false;
    }
    return true;
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
    std::uint32_t PackageProperty(const std::wstring& packagePath, const std::wstring& property, std::size_t capacity,
                                  std::wstring& value) const override {
        if (!Msi().databaseFound) return ERROR_INSTALL_SERVICE_FAILURE;
        if (!IsPropertyName(property)) return ERROR_INVALID_PARAMETER;
        MsiHandle database, view, record;
        // MSIDBOPEN_READONLY: the held package is only read.
        UINT result = Msi().openDatabase(packagePath.c_str(), MSIDBOPEN_READONLY, database.Out());
        if (result != ERROR_SUCCESS) return result;
        std::wstring query = L"SELECT `Value` FROM `Property` WHERE `Property` = '" + property + L"'";
        result = Msi().openView(database.Get(), query.c_str(), view.Out());
        if (result == ERROR_SUCCESS) result = Msi().execute(view.Get(), 0);
        if (result == ERROR_SUCCESS) result = Msi().fetch(view.Get(), record.Out());
        if (result != ERROR_SUCCESS) return result;
        std::vector<wchar_t> buffer(capacity + 1);
        DWORD size = static_cast<DWORD>(capacity);
        result = Msi().recordString(record.Get(), 1, buffer.data(), &size);
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
