// The operating system's file services as the log relies on them: exclusive opens and the
// temporary folder. Runs natively and, for the Win32 implementation, under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/SetupLog.h"
#include "platform/Services.h"
#include "platform/fakes/FakeMachine.h"
#include "tests/support/TestThread.h"

namespace {

namespace fs = std::filesystem;

class ScratchFolder {
public:
    ScratchFolder() {
        path_ = fs::temp_directory_path() / ("korvo-test-" + std::to_string(std::rand()) + "-" +
                                             std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::wstring WithSeparator() const { return path_.wstring() + static_cast<wchar_t>(fs::path::preferred_separator); }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    fs::path path_;
};

// The real file system, with the temporary folder moved into a scratch folder.
class RealFilesInScratch final : public platform::FileSystem {
public:
    explicit RealFilesInScratch(std::wstring temp) : temp_(std::move(temp)) {}
    std::optional<std::wstring> TempFolder(std::size_t) const override { return temp_; }
    std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const std::wstring& path, platform::OpenMode mode) override {
        return platform::RealServices().files->OpenExclusive(path, mode);
    }
    bool CreateFolder(const std::wstring& path) override { return platform::RealServices().files->CreateFolder(path); }

private:
    std::wstring temp_;
};

TEST(RealFileSystem, TempFolderEndsWithASeparator) {
    auto temp = platform::RealServices().files->TempFolder(1024);
    ASSERT_TRUE(temp.has_value());
    ASSERT_FALSE(temp->empty());
    EXPECT_TRUE(temp->back() == L'\\' || temp->back() == L'/');
    EXPECT_FALSE(platform::RealServices().files->TempFolder(1).has_value());  // does not fit
}

TEST(RealFileSystem, AnExclusiveOpenShutsOutEveryOtherOpenUntilClosed) {
    ScratchFolder scratch;
    std::wstring path = scratch.WithSeparator() + L"held.log";
    platform::FileSystem& files = *platform::RealServices().files;
    auto holder = files.OpenExclusive(path, platform::OpenMode::Truncate);
    ASSERT_NE(holder, nullptr);
    ASSERT_TRUE(holder->Write("abc", 3));
    EXPECT_EQ(files.OpenExclusive(path, platform::OpenMode::Append), nullptr);
    EXPECT_EQ(files.OpenExclusive(path, platform::OpenMode::Truncate), nullptr);
    EXPECT_TRUE(holder->Close());
    auto next = files.OpenExclusive(path, platform::OpenMode::Append);
    ASSERT_NE(next, nullptr);
    ASSERT_TRUE(next->Write("def", 3));
    next->Close();
    EXPECT_EQ(scratch.Read("held.log"), "abcdef");  // the refused truncation damaged nothing
}

TEST(RealFileSystem, TwoThreadsLoggingConcurrentlyLoseNoLine) {
    ScratchFolder scratch;
    RealFilesInScratch files(scratch.WithSeparator());
    platform::fakes::FakeMachine machine;
    platform::Services services = machine.services();
    services.files = &files;
    platform::ScopedServices scope(services);

    LogWriter log;
    constexpr int kLines = 300;
    auto writer = [&log](const wchar_t* who) {
        for (int i = 0; i < kLines; ++i) log.Write(std::wstring(who) + std::to_wstring(i));
    };
    TestThread dialog(writer, L"dialog ");
    TestThread worker(writer, L"worker ");
    dialog.join();
    worker.join();

    std::string contents = scratch.Read("KORVOSkelvInstall.log");
    int dialogNext = 0, workerNext = 0;
    for (std::size_t at = 0; at < contents.size();) {
        std::size_t end = contents.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        std::string text = contents.substr(at + 21, end - at - 21);  // after "MM/DD/YY - HH:MM:SS: "
        at = end + 2;
        int& next = text.compare(0, 7, "dialog ") == 0 ? dialogNext : workerNext;
        ASSERT_EQ(text.substr(7), std::to_string(next)) << text;
        ++next;
    }
    EXPECT_EQ(dialogNext, kLines);
    EXPECT_EQ(workerNext, kLines);
}

}  // namespace
