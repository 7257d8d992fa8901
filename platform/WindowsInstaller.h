#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The Windows Installer queries of the setup. Results are the installer's own codes: 0 is success.
class WindowsInstaller {
public:
    virtual ~WindowsInstaller() = default;
    // The product code of the related product at `index` of the upgrade code's family; `productCode`
    // is left as it was unless the call succeeds.
    virtual std::uint32_t EnumRelatedProducts(const std::wstring& upgradeCode, std::uint32_t index,
                                              std::wstring& productCode) const = 0;
    // The product's "VersionString" property, read with room for `capacity` characters; `value` is
    // left as it was unless the call succeeds.
    virtual std::uint32_t ProductVersionString(const std::wstring& productCode, std::size_t capacity,
                                               std::wstring& value) const = 0;
    // A property from the Property table of the package file at `packagePath` (opened read-only),
    // read with room for `capacity` characters; `value` is left as it was unless the call succeeds.
    virtual std::uint32_t PackageProperty(const std::wstring& packagePath, const std::wstring& property,
                                          std::size_t capacity, std::wstring& value) const = 0;
};

}  // namespace platform
