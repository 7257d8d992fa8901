#include "setup/InstallPlan.h"

#include "setup/PackageNames.h"

std::vector<PlannedPackage> ChoosePackages(const MachineNeeds& needs) {
    std::vector<PlannedPackage> packages;
    if (needs.runtimeNeeded) {
        packages.push_back(
            {package_file::kPrereqs.For(needs.wow64), kMsgDownloadingVc8, kMsgInstallingVc8, false, false});
    }
    if (needs.msxmlNeeded) {
        const PackageFile& msxml = needs.isWindows60 ? package_file::kMsxmlUpdate : package_file::kMsxml;
        packages.push_back(
            {msxml.For(needs.wow64), kMsgDownloadingMsxml, kMsgInstallingMsxml, false, needs.isWindows60});
    }
    packages.push_back({package_file::kProductName, kMsgDownloadingProduct, kMsgInstallingProduct, true, false});
    return packages;
}

bool TextureExpansionSkipped(const std::optional<std::wstring>& noExpand) {
    return noExpand.has_value() && !noExpand->empty() && noExpand->size() < kNoExpandCapacity;
}
