// The setup log's file: where it goes, what a line looks like byte for byte, and how runs and
// threads share it.
#include <gtest/gtest.h>

#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "platform/fakes/FakeMachine.h"
#include "tests/support/TestThread.h"

namespace {

using platform::fakes::ScopedFakeMachine;

const std::wstring kLogPath = L"C:\\Temp\\KORVOSkelvInstall.log";

TEST(SetupLogLine, IsStampColonTextCrLfInLatin1) {
    struct Case {
        const wchar_t* text;
        std::string bytes;
    };
    const Case cases[] = {
        {L"IN->ThreadDownloadInstall ()", "12/06/26 - 17:48:03: IN->ThreadDownloadInstall ()\r\n"},
        // Accented Latin letters are one byte each.
        {L"\u00C9chec \u00FC\u00DF\u00F1\u00E0",
         "12/06/26 - 17:48:03: \xC9"
         "chec \xFC\xDF\xF1\xE0\r\n"},
        // Anything past U+00FF is "?", the product name stays readable.
        {L"KORVO Skelv \u306e\u30bb\u30c3\u30c8\u30a2\u30c3\u30d7", "12/06/26 - 17:48:03: KORVO Skelv ???????\r\n"},
        {L"\u20AC", "12/06/26 - 17:48:03: ?\r\n"},
        // The caller's text is never a format.
        {L"100% sure: %s %d %1", "12/06/26 - 17:48:03: 100% sure: %s %d %1\r\n"},
        // An embedded line break starts a physical line without a stamp.
        {L"The latest version of KORVO Skelv is already installed.\nThere is no need to install it again.",
         "12/06/26 - 17:48:03: The latest version of KORVO Skelv is already installed.\r\n"
         "There is no need to install it again.\r\n"},
    };
    for (const Case& c : cases) {
        ScopedFakeMachine machine;
        LogWriter log;
        log.Write(c.text);
        EXPECT_EQ(machine.files.Contents(kLogPath), c.bytes) << "for text #" << (&c - cases);
    }
}

TEST(SetupLogLine, StampUsesTwoDigitFieldsAnd24HourClock) {
    EXPECT_EQ(FormatLogStamp(platform::LocalTime{2009, 1, 2, 3, 4, 5}), L"01/02/09 - 03:04:05");
    EXPECT_EQ(FormatLogStamp(platform::LocalTime{2026, 12, 31, 23, 59, 58}), L"12/31/26 - 23:59:58");
    EXPECT_EQ(FormatLogStamp(std::nullopt), L"");

    ScopedFakeMachine machine;
    machine.clock.now.reset();  // local time unavailable: an empty stamp, the entry still written
    LogWriter log;
    log.Write(L"x");
    EXPECT_EQ(machine.files.Contents(kLogPath), ": x\r\n");
}

TEST(SetupLogLine, SurvivesAMissingLineFormatText) {
    ScopedFakeMachine machine;
    machine.strings.missing.insert(112);
    LogWriter log;
    log.Write(L"x");
    EXPECT_EQ(machine.files.Contents(kLogPath), "12/06/26 - 17:48:03: x\r\n");
}

TEST(SetupLogFile, PathIsSetByTheFirstWrite) {
    ScopedFakeMachine machine;
    LogWriter log;
    EXPECT_EQ(log.FilePath(), L"");
    log.Write(L"first");
    EXPECT_EQ(log.FilePath(), kLogPath);
    machine.files.tempFolder = L"D:\\Other\\";  // read once, never again
    log.Write(L"second");
    EXPECT_EQ(log.FilePath(), kLogPath);
}

TEST(SetupLogFile, EachRunStartsAFreshFileThenAppends) {
    ScopedFakeMachine machine;
    machine.files.files[kLogPath] = "an older run's lines\r\n";
    {
        LogWriter firstRun;
        firstRun.Write(L"run 1 a");
        firstRun.Write(L"run 1 b");
    }
    LogWriter secondRun;
    secondRun.Write(L"run 2 a");
    secondRun.Write(L"run 2 b");
    EXPECT_EQ(machine.files.Contents(kLogPath), "12/06/26 - 17:48:03: run 2 a\r\n12/06/26 - 17:48:03: run 2 b\r\n");
}

TEST(SetupLogFile, ASetupStartedWhileAnotherRunsKeepsTheRunningSetupsLog) {
    ScopedFakeMachine machine;
    machine.files.files[kLogPath] = "the running setup's lines\r\n";
    machine.mutexes.existing.insert(product::kSessionMutex);  // the session's setup mutex
    LogWriter secondCopy;
    secondCopy.Write(L"second copy");
    EXPECT_EQ(machine.files.Contents(kLogPath), "the running setup's lines\r\n12/06/26 - 17:48:03: second copy\r\n");
}

TEST(SetupLogFile, AFailedFirstOpenKeepsTheOldLogAndLaterEntriesAppend) {
    ScopedFakeMachine machine;
    machine.files.files[kLogPath] = "old\r\n";
    machine.files.heldElsewhere.insert(kLogPath);
    LogWriter log;
    log.Write(L"dropped");
    machine.files.heldElsewhere.clear();
    log.Write(L"kept");
    EXPECT_EQ(machine.files.Contents(kLogPath), "old\r\n12/06/26 - 17:48:03: kept\r\n");
}

TEST(SetupLogFile, UnreadableTempFolderMeansTheCurrentFolder) {
    for (auto folder : {std::optional<std::wstring>(), std::optional<std::wstring>(std::wstring(1100, L'x'))}) {
        ScopedFakeMachine machine;
        machine.files.tempFolder = folder;  // unreadable, or longer than the 1024-character buffer
        LogWriter log;
        log.Write(L"entry");
        EXPECT_EQ(log.FilePath(), L"KORVOSkelvInstall.log");
        EXPECT_TRUE(machine.files.Exists(L"KORVOSkelvInstall.log"));
    }
}

TEST(SetupLogFile, TheFileIsReleasedBetweenEntries) {
    ScopedFakeMachine machine;
    LogWriter log;
    log.Write(L"one");
    // Another program may open the file between two entries.
    EXPECT_NE(machine.files.OpenExclusive(kLogPath, platform::OpenMode::Append), nullptr);
}

TEST(SetupLogFile, TwoThreadsLoseAndInterleaveNothing) {
    ScopedFakeMachine machine;
    LogWriter log;
    log.Write(L"start");
    constexpr int kLines = 2000;
    auto writer = [&log](wchar_t who) {
        for (int i = 0; i < kLines; ++i) log.Write(std::wstring(1, who) + L" line " + std::to_wstring(i));
    };
    TestThread dialog(writer, L'D');
    TestThread worker(writer, L'W');
    dialog.join();
    worker.join();

    std::string contents = machine.files.Contents(kLogPath);
    int dialogNext = 0, workerNext = 0, lines = 0;
    for (std::size_t at = 0; at < contents.size();) {
        std::size_t end = contents.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        std::string line = contents.substr(at, end - at);
        at = end + 2;
        if (lines++ == 0) continue;  // "start"
        std::string text = line.substr(line.find(": ") + 2);
        int& expected = text[0] == 'D' ? dialogNext : workerNext;
        ASSERT_EQ(text.substr(1), " line " + std::to_string(expected)) << line;
        ++expected;
    }
    EXPECT_EQ(dialogNext, kLines);
    EXPECT_EQ(workerNext, kLines);
}

}  // namespace
