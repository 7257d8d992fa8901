// installed_product_probe <upgrade code> [capacity]
// Asks the real Windows Installer through the setup's related-product lookup and prints, one per
// line: "found <0|1> <product code>", "second <result of index 1>", "version <result> <text>"
// (the "VersionString" read with room for `capacity` characters, 256 by default).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "checks/InstalledProducts.h"
#include "platform/Services.h"
#include "platform/Text.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: installed_product_probe <upgrade code> [capacity]\n");
        return 2;
    }
    std::wstring upgradeCode = argv[1];
    std::size_t capacity = argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : kVersionTextCapacity;
    const platform::WindowsInstaller& installer = *platform::Os().installer;

    RelatedProduct product = FindRelatedProduct(upgradeCode);
    std::printf("found %d %s\n", product.found ? 1 : 0, platform::ToUtf8(product.productCode).c_str());
    std::wstring second;
    std::printf("second %u\n", static_cast<unsigned>(installer.EnumRelatedProducts(upgradeCode, 1, second)));
    std::wstring version = L"0.0.0";
    unsigned result = product.found ? installer.ProductVersionString(product.productCode, capacity, version) : 0;
    std::printf("version %u %s\n", result, platform::ToUtf8(version).c_str());
    return 0;
}
