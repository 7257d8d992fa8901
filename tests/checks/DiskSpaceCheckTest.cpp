// The disk space check at its boundaries and on its two ways to fail.
#include <gtest/gtest.h>

#include "checks/DiskSpaceCheck.h"
#include "tests/checks/MachineTestSupport.h"

namespace {

using machine_test::English;
using platform::FreeSpaceAnswer;

constexpr std::uint64_t kMb = 1048576;
const std::wstring kFolder = L"C:\\Program Files";
const std::wstring kIn = L"IN-> IsEnoughDiskSpace()";
const std::wstring kOk = L"OUT-> IsEnoughDiskSpace() - OK ";
const std::wstring kKo = L"OUT-> IsEnoughDiskSpace() - KO";
const std::wstring kSizeError = L"An error occurred when determining the available disk size.";

TEST(DiskSpace, FreeBytesAgainstTheNeedOfAFirstInstallOrAnUpgrade) {
    struct Case {
        const char* label;
        DiskFacts facts;
        bool enough;
        std::optional<std::wstring> failureMessage;
        std::wstring bytesLine;
    };
    const Case cases[] = {
        {"first install, exactly 250 MB",
         {false, kFolder, {true, 262144000, 0}},
         true,
         std::nullopt,
         L"262144000 bytes"},
        {"first install, one byte short",
         {false, kFolder, {true, 262143999, 0}},
         false,
         L"KORVO Skelv installation requires at least 250 MB.",
         L"262143999 bytes"},
        {"upgrade, 130 MB", {true, kFolder, {true, 130 * kMb, 0}}, true, std::nullopt, L"136314880 bytes"},
        {"upgrade, exactly 120 MB", {true, kFolder, {true, 125829120, 0}}, true, std::nullopt, L"125829120 bytes"},
        {"upgrade, one byte short",
         {true, kFolder, {true, 125829119, 0}},
         false,
         L"KORVO Skelv installation requires at least 120 MB.",
         L"125829119 bytes"},
        // The low 32 bits alone would read as 1 byte.
        {"more than 4 GiB", {false, kFolder, {true, 0x100000001ull, 0}}, true, std::nullopt, L"4294967297 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        DiskVerdict verdict = DecideDiskSpace(c.facts, English);
        EXPECT_EQ(verdict.enough, c.enough);
        EXPECT_EQ(verdict.failureMessage, c.failureMessage);
        EXPECT_EQ(verdict.logLines, (std::vector<std::wstring>{kIn, c.bytesLine, c.enough ? kOk : kKo}));
    }
}

TEST(DiskSpace, AFailedQueryOrAnUnnamedFolderReportsTheErrorAndText148) {
    struct Case {
        const char* label;
        DiskFacts facts;
        std::wstring errorLine;
    };
    const Case cases[] = {
        {"access denied", {false, kFolder, {false, 0, 5}}, L"Function GetDiskSpaceEx failed - errno = 5"},
        {"no Program Files folder",
         {false, L"", {true, 10 * 1024 * kMb, 0}},
         L"Function GetDiskSpaceEx failed - errno = 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        DiskVerdict verdict = DecideDiskSpace(c.facts, English);
        EXPECT_FALSE(verdict.enough);
        EXPECT_EQ(verdict.failureMessage, kSizeError);
        EXPECT_EQ(verdict.logLines, (std::vector<std::wstring>{kIn, c.errorLine, kKo}));
    }
}

TEST(DiskSpace, OnAStagedMachineMeasuresTheProgramFilesVolumeForTheRecordedNeed) {
    platform::fakes::ScopedFakeMachine machine;
    machine.disk.programFiles = L"D:\\Programs";
    machine.disk.answer = FreeSpaceAnswer{true, 130 * kMb, 0};
    std::wstring failureMessage;
    EXPECT_TRUE(IsEnoughDiskSpace(true, failureMessage));
    EXPECT_FALSE(IsEnoughDiskSpace(false, failureMessage));
    EXPECT_EQ(failureMessage, L"KORVO Skelv installation requires at least 250 MB.");
    machine.disk.programFiles.clear();  // never measured: "" would be the current directory's volume
    EXPECT_FALSE(IsEnoughDiskSpace(false, failureMessage));
    EXPECT_EQ(failureMessage, kSizeError);
    EXPECT_EQ(machine.disk.askedFolders, (std::vector<std::wstring>{L"D:\\Programs", L"D:\\Programs"}));
    EXPECT_EQ(LogEntries(machine),
              (std::vector<std::wstring>{kIn, L"136314880 bytes", kOk, kIn, L"136314880 bytes", kKo, kIn,
                                         L"Function GetDiskSpaceEx failed - errno = 3", kKo}));
}

}  // namespace
