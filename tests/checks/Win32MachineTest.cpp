// The real Windows queries behind the machine checks, run under Wine: they must answer sanely.
#include <gtest/gtest.h>

#include <cstdio>

#include "checks/UserAdmin.h"
#include "checks/VideoAdapter.h"
#include "platform/Services.h"
#include "platform/Text.h"

namespace {

using platform::RootKey;

const platform::Services& Real() {
    static const platform::Services services = platform::RealServices();
    return services;
}

TEST(Win32Machine, VersionIsWindowsNtFiveOrLaterAndAnswersTheServicePackQuestion) {
    std::optional<platform::OsVersionRecord> version = Real().system->ReadVersion();
    ASSERT_TRUE(version.has_value());
    std::printf("version: platform %u, %u.%u, service pack %u, product type %u\n", version->platformId, version->major,
                version->minor, version->servicePackMajor, version->productType);
    EXPECT_EQ(version->platformId, 2u);
    EXPECT_GE(version->major, 5u);
    EXPECT_TRUE(Real().system->ServicePackAtLeast(0));
    EXPECT_TRUE(Real().system->ServicePackAtLeast(version->servicePackMajor));
    EXPECT_FALSE(Real().system->ServicePackAtLeast(static_cast<std::uint16_t>(version->servicePackMajor + 1)));
}

TEST(Win32Machine, ThisX64ProcessRunsOn64BitWindows) {
    std::optional<std::uint16_t> architecture = Real().system->NativeProcessorArchitecture();
    ASSERT_TRUE(architecture.has_value());
    EXPECT_EQ(*architecture, 9);
    EXPECT_TRUE(Real().system->IsWow64());
}

TEST(Win32Machine, TheTokenListsTheAdministratorsGroup) {
    std::optional<std::vector<platform::TokenGroup>> groups = Real().security->ReadTokenGroups();
    ASSERT_TRUE(groups.has_value());
    for (const platform::TokenGroup& group : *groups)
        std::printf("group %s attributes 0x%x\n", platform::ToUtf8(group.sid).c_str(), group.attributes);
    EXPECT_TRUE(ListsAdministrators(*groups));
}

TEST(Win32Machine, ProgramFilesVolumeHasFreeSpaceAndAMissingFolderIsAnError) {
    std::wstring folder = Real().disk->ProgramFilesFolder();
    std::printf("Program Files: %s\n", platform::ToUtf8(folder).c_str());
    ASSERT_FALSE(folder.empty());
    platform::FreeSpaceAnswer free = Real().disk->FreeSpace(folder);
    EXPECT_TRUE(free.ok);
    EXPECT_GT(free.bytesAvailableToCaller, 0u);
    platform::FreeSpaceAnswer missing = Real().disk->FreeSpace(folder + L"\\no such folder\\below");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error, 0u);
}

TEST(Win32Machine, RegistryReadsAKnownValueAndMissesCleanly) {
    const std::wstring key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    std::optional<platform::RegistryValue> value =
        Real().registry->ReadValue(RootKey::LocalMachine, key, L"CurrentVersion", 512);
    ASSERT_TRUE(value.has_value());
    std::printf("CurrentVersion: %s\n", platform::ToUtf8(platform::RegistryText(*value)).c_str());
    EXPECT_EQ(value->type, 1u);  // REG_SZ
    EXPECT_FALSE(platform::RegistryText(*value).empty());
    EXPECT_EQ(Real().registry->ReadValue(RootKey::LocalMachine, key, L"No Such Value", 512), std::nullopt);
    EXPECT_EQ(Real().registry->ReadValue(RootKey::LocalMachine, key + L"\\No Such Key", L"CurrentVersion", 512),
              std::nullopt);
    EXPECT_EQ(Real().registry->ReadValue(RootKey::LocalMachine, key, L"CurrentVersion", 2), std::nullopt);
    EXPECT_EQ(Real().registry->ReadValue(RootKey::LocalMachine, key, L"CurrentVersion", 0), std::nullopt);
    EXPECT_EQ(Real().registry->KeyOpenError(RootKey::LocalMachine, key), 0u);
    EXPECT_EQ(Real().registry->KeyOpenError(RootKey::LocalMachine, key + L"\\No Such Key"), 2u);  // file not found
}

TEST(Win32Machine, DisplayDevicesAndTheAdapterTheyLeadTo) {
    std::vector<platform::DisplayDevice> devices = Real().display->Devices();
    for (const platform::DisplayDevice& device : devices)
        std::printf("display device: flags 0x%x key %s\n", device.stateFlags,
                    platform::ToUtf8(device.deviceKey).c_str());
    platform::ScopedServices real(Real());
    std::string name = GetAdapterString();
    std::uint32_t memory = GetAdapterMemorySize();
    std::printf("adapter: \"%s\", %u bytes, %zu qualifying\n", name.c_str(), memory,
                QualifyingDriverKeys(devices).size());
    // Wine reports one primary device whose driver key holds "Wine Adapter".
    std::vector<RegistryKeyPath> keys = QualifyingDriverKeys(devices);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back().root, RootKey::LocalMachine);
    EXPECT_EQ(keys.back().subKey.rfind(L"SYSTEM\\CURRENTCONTROLSET\\CONTROL\\VIDEO\\", 0), 0u);
    EXPECT_NE(name, "Unknown");
}

}  // namespace
