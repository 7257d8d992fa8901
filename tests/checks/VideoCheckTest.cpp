// Identifying the primary display adapter from its driver's registry values, and judging it.
#include <gtest/gtest.h>

#include "checks/VideoAdapter.h"
#include "checks/VideoCheck.h"
#include "tests/checks/MachineTestSupport.h"

namespace {

using machine_test::English;
using platform::DisplayDevice;
using platform::RegistryValue;
using platform::RootKey;
using platform::fakes::FakeRegistry;

constexpr std::uint32_t kMiB = 1048576;
constexpr std::uint32_t kPrimaryOnDesktop = 0x5, kAttachedOnly = 0x1, kPrimaryMirror = 0xD, kPrimaryDetached = 0x4;
const std::wstring kVideoKey = L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\";
const std::wstring kGuid = L"{5e2a8b1c-94f0-4d3a-a6b7-0c1d2e3f4a5b}";
const std::wstring kUpperSubKey =
    L"SYSTEM\\CURRENTCONTROLSET\\CONTROL\\VIDEO\\{5E2A8B1C-94F0-4D3A-A6B7-0C1D2E3F4A5B}\\0000";

// A REG_BINARY adapter string as drivers store it: UTF-16 with its terminator.
RegistryValue Utf16Value(const std::wstring& text, bool terminated = true) {
    return FakeRegistry::Utf16(text, terminated, FakeRegistry::kBinary);
}

RegistryValue DwordValue(std::uint32_t bytes) {
    return RegistryValue{4,
                         {static_cast<std::uint8_t>(bytes), static_cast<std::uint8_t>(bytes >> 8),
                          static_cast<std::uint8_t>(bytes >> 16), static_cast<std::uint8_t>(bytes >> 24)}};
}

TEST(VideoAdapter, DeviceKeysResolveToARootAndAnUpperCaseSubKey) {
    struct Case {
        std::wstring deviceKey;
        std::optional<RootKey> root;  // nullopt: the device is skipped
        std::wstring subKey;
    };
    const Case cases[] = {
        {kVideoKey + kGuid + L"\\0000", RootKey::LocalMachine, kUpperSubKey},
        {L"\\registry\\machine\\system\\x", RootKey::LocalMachine, L"SYSTEM\\X"},
        {L"HKEY_Current_Config\\System\\Video", RootKey::CurrentConfig, L"SYSTEM\\VIDEO"},
        {L"HKEY_DYN_DATA\\Config", RootKey::DynData, L"CONFIG"},
        // The table's order decides, and the sub-key drops as many characters as the root name has.
        {L"\\Registry\\Machine\\Software\\HKEY_CLASSES_ROOT\\x", RootKey::ClassesRoot,
         L"\\SOFTWARE\\HKEY_CLASSES_ROOT\\X"},
        {L"\\Registry\\User\\S-1-5-18\\Video", std::nullopt, L""},
        {L"\\Registry\\Machine", std::nullopt, L""},  // no backslash after the root name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.deviceKey));
        std::optional<RegistryKeyPath> key = ResolveDeviceKey(c.deviceKey);
        ASSERT_EQ(key.has_value(), c.root.has_value());
        if (!key) continue;
        EXPECT_EQ(key->root, *c.root);
        EXPECT_EQ(key->subKey, c.subKey);
    }
}

TEST(VideoAdapter, MyStrStrFindsExactBytesAnywhereInsideTheGivenLength) {
    struct Case {
        const char* data;
        const char* pattern;
        std::uint32_t dataLength, patternLength;
        int found;
    };
    const Case cases[] = {
        {"ProSavage S3", "S3", 12, 2, 1},  // at the last possible position
        {"ProSavage s3", "S3", 12, 2, 0},  // case matters
        {"ProSavage S3", "S3", 11, 2, 0},  // only the given bytes count
        {"S", "S3", 1, 2, 0},
        {"S3", "S3", 0, 2, 0},
        {"S3", "S3", 2, 0, 0},
        {nullptr, "S3", 2, 2, 0},
        {"S3", nullptr, 2, 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MyStrStr(c.data, c.pattern, c.dataLength, c.patternLength), c.found)
            << (c.data ? c.data : "null") << " / " << c.dataLength;
}

TEST(VideoAdapter, RegistryValuesGiveANameAndAMemorySizeOnlyWhenLongEnough) {
    struct NameCase {
        const char* label;
        RegistryValue value;
        std::optional<std::string> name;
    };
    RegistryValue oneByte{3, {'N'}};
    RegistryValue threeBytes{3, {'N', 0, 'V'}};
    RegistryValue fullUnterminated = Utf16Value(std::wstring(256, L'A'), false);  // all 512 bytes, no terminator
    const NameCase names[] = {
        {"terminated", Utf16Value(L"RADEON X1950"), std::string("RADEON X1950")},
        {"unterminated: the last unit is taken for the terminator", Utf16Value(L"GeForce", false),
         std::string("GeForc")},
        {"characters above U+00FF keep their low byte", Utf16Value(L"\u0141\u00e9"), std::string("\x41\xe9")},
        {"a full buffer without terminator", fullUnterminated, std::string(255, 'A')},
        {"only a terminator", RegistryValue{1, {0, 0}}, std::string()},
        {"a unit and a half", threeBytes, std::string()},
        {"one byte", oneByte, std::nullopt},
        {"empty", RegistryValue{3, {}}, std::nullopt},
    };
    for (const NameCase& c : names) EXPECT_EQ(AdapterNameFromValue(c.value), c.name) << c.label;

    EXPECT_EQ(MemorySizeFromValue(DwordValue(64 * kMiB)), 64 * kMiB);
    EXPECT_EQ(MemorySizeFromValue(RegistryValue{3, {1, 2, 3, 4, 5, 6, 7, 8}}), 0x04030201u);
    EXPECT_EQ(MemorySizeFromValue(RegistryValue{4, {0, 0, 0}}), std::nullopt);
    EXPECT_EQ(MemorySizeFromValue(RegistryValue{4, {}}), std::nullopt);
}

TEST(VideoAdapter, NamesAndMemorySizesAreJudgedInOrder) {
    struct Case {
        std::string name;
        std::uint32_t memory;
        int verdict;
    };
    const Case cases[] = {
        {"Unknown", 32 * kMiB, kAdapterAccepted},
        {"Unknown S3 device", 256 * kMiB, kAdapterAccepted},
        {"S3 Graphics ProSavage", 256 * kMiB, kAdapterRefused},
        {"VIA/S3G UniChrome", 256 * kMiB, kAdapterRefused},
        {"XGI Volari V3XT", 256 * kMiB, kAdapterRefused},
        {"s3 trio", 256 * kMiB, kAdapterAccepted},
        {"s3 trio", 32 * kMiB, kAdapterRefused},
        {"NVIDIA GeForce", 64 * kMiB, kAdapterAccepted},
        {"NVIDIA GeForce", 64 * kMiB - 1, kAdapterRefused},
        {"NVIDIA GeForce", 32 * kMiB, kAdapterRefused},
        {"NVIDIA GeForce", 2, kAdapterRefused},
        {"NVIDIA GeForce", 1, kAdapterAccepted},
        {"NVIDIA GeForce", 0, kAdapterAccepted},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeAdapter(c.name.data(), static_cast<std::uint32_t>(c.name.size()), c.memory), c.verdict)
            << c.name << " " << c.memory;
}

TEST(VideoCheck, AnAcceptedAdapterLogsItsNameByteForByteAndLeavesTheMessage) {
    VideoVerdict accepted = DecideVideoCard("Caf\xe9", 0, kAdapterAccepted, English);
    EXPECT_TRUE(accepted.accepted);
    EXPECT_EQ(accepted.failureMessage, std::nullopt);
    EXPECT_EQ(accepted.logLines, (std::vector<std::wstring>{L"IN-> IsVideoCardOK()", L"Video Card Name = Caf\u00e9",
                                                            L"Video Memory = 0  MB", L"OUT-> IsVideoCardOK() - OK "}));
}

// Devices staged on a fake machine, each with its own driver key.
class StagedAdapters : public ::testing::Test {
protected:
    void AddDevice(std::uint32_t flags, const std::wstring& instance, std::optional<RegistryValue> name,
                   std::optional<RegistryValue> memory) {
        std::wstring key = kVideoKey + kGuid + L"\\" + instance;
        machine.display.devices.push_back(DisplayDevice{flags, key});
        std::wstring subKey = ResolveDeviceKey(key)->subKey;
        if (name) machine.registry.Set(RootKey::LocalMachine, subKey, L"HardwareInformation.AdapterString", *name);
        if (memory) machine.registry.Set(RootKey::LocalMachine, subKey, L"HardwareInformation.MemorySize", *memory);
    }
    struct Query {
        std::string name;
        std::uint32_t memory;
        int verdict;
    };
    Query Run() {
        char buffer[1024];
        std::uint32_t length = sizeof(buffer);
        std::uint32_t memory = 0;
        int verdict = QueryVideoAdapter(buffer, length, memory);
        return Query{std::string(buffer, length), memory, verdict};
    }

    platform::fakes::ScopedFakeMachine machine;
};

TEST_F(StagedAdapters, MirroringSecondaryAndDetachedDevicesAreNeverLookedAt) {
    AddDevice(kPrimaryOnDesktop, L"0000", Utf16Value(L"RADEON X1950"), DwordValue(256 * kMiB));
    AddDevice(kPrimaryMirror, L"0001", Utf16Value(L"S3 Mirror"), DwordValue(8 * kMiB));
    AddDevice(kAttachedOnly, L"0002", Utf16Value(L"XGI Secondary"), DwordValue(8 * kMiB));
    AddDevice(kPrimaryDetached, L"0003", Utf16Value(L"S3 Detached"), DwordValue(8 * kMiB));
    Query query = Run();
    EXPECT_EQ(query.name, "RADEON X1950");
    EXPECT_EQ(query.memory, 256 * kMiB);
    EXPECT_EQ(query.verdict, kAdapterAccepted);
    ASSERT_FALSE(machine.registry.opened.empty());
    EXPECT_EQ(machine.registry.opened.front().root, RootKey::LocalMachine);
    EXPECT_EQ(machine.registry.opened.front().subKey, kUpperSubKey);
}

TEST_F(StagedAdapters, TheLastQualifyingDeviceWithAReadableValueWins) {
    AddDevice(kPrimaryOnDesktop, L"0000", Utf16Value(L"S3 ProSavage"), DwordValue(16 * kMiB));
    AddDevice(kPrimaryOnDesktop, L"0001", Utf16Value(L"RADEON"), DwordValue(128 * kMiB));
    AddDevice(kPrimaryOnDesktop, L"0002", std::nullopt, std::nullopt);  // nothing recorded
    // Values too short to hold their data count as unreadable.
    AddDevice(kPrimaryOnDesktop, L"0003", RegistryValue{3, {'S'}}, RegistryValue{4, {0, 0, 2}});
    machine.display.devices.push_back(DisplayDevice{kPrimaryOnDesktop, L"\\Registry\\User\\S-1-5-18\\X"});
    Query query = Run();
    EXPECT_EQ(query.name, "RADEON");
    EXPECT_EQ(query.memory, 128 * kMiB);
    EXPECT_EQ(query.verdict, kAdapterAccepted);
}

TEST_F(StagedAdapters, TheNameIsCutToTheCallersBuffer) {
    AddDevice(kPrimaryOnDesktop, L"0000", Utf16Value(L"NVIDIA S3"), DwordValue(256 * kMiB));
    char buffer[4] = {'x', 'x', 'x', 'x'};
    std::uint32_t length = sizeof(buffer);
    std::uint32_t memory = 0;
    EXPECT_EQ(QueryVideoAdapter(buffer, length, memory), kAdapterRefused);  // judged on the whole name
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(std::string(buffer, 4), std::string("NVI\0", 4));
    EXPECT_EQ(QueryVideoAdapter(nullptr, length, memory), kAdapterRefused);
}

TEST_F(StagedAdapters, IsVideoCardOKLogsWholeMegabytesAndRefusesWithText146) {
    AddDevice(kPrimaryOnDesktop, L"0000", Utf16Value(L"GeForce 6200"), DwordValue(33 * kMiB - 1));
    std::wstring failureMessage;
    EXPECT_FALSE(IsVideoCardOK(failureMessage));
    EXPECT_EQ(failureMessage, L"Your hardware configuration does not meet the minimum requirements for KORVO Skelv.");
    EXPECT_EQ(LogEntries(machine),
              (std::vector<std::wstring>{L"IN-> IsVideoCardOK()", L"Video Card Name = GeForce 6200",
                                         L"Video Memory = 32  MB", L"OUT-> IsVideoCardOK() - KO"}));
}

}  // namespace
