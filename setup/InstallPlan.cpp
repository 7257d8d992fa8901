#include "setup/InstallPlan.h"

#include "setup/PackageNames.h"

std::vector<PlannedPackage> ChoosePackages(const MachineNeeds& needs) {
    std::vector<PlannedPackage> packages;
    if (needs.runtimeNeeded) {
        packages.push_back({needs.wow64 ? package_name::kPrereqs64 : package_name::kPrereqs32, kMsgDownloadingVc8,
                            kMsgInstallingVc8, false, false});
    }
    if (needs.msxmlNeeded) {
        const wchar_t* fileName = needs.isWindows60
                                      ? (needs.wow64 ? package_name::kMsxmlUpdate64 : package_name::kMsxmlUpdate32)
                                      : (needs.wow64 ? package_name::kMsxml64 : package_name::kMsxml32);
        packages.push_back({fileName, kMsgDownloadingMsxml, kMsgInstallingMsxml, false, needs.isWindows60});
    }
    packages.push_back({package_name::kProduct, kMsgDownloadingProduct, kMsgInstallingProduct, true, false});
    return packages;
}

bool TextureExpansionSkipped(const std::optional<std::wstring>& noExpand) {
    return noExpand.has_value() && !noExpand->empty() && noExpand->size() < kNoExpandCapacity;
}
