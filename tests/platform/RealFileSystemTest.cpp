// The operating system's file services as the log relies on them: exclusive opens and the
// temporary folder. Runs natively and, for the Win32 implementation, under Wine.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// windows.h first: the security descriptor language builds on it.
#include <sddl.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/SetupLog.h"
#include "platform/Services.h"
#include "platform/fakes/FakeMachine.h"
#ifdef _WIN32
#include "platform/win32/PrivateFolderSecurity.h"
#endif
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
    platform::FolderCreation CreatePrivateFolder(const std::wstring& path) override {
        return platform::RealServices().files->CreatePrivateFolder(path);
    }

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

// The log lies in the user's temporary folder, which any program of the user can write: a hard link
// planted at its name must not make the elevated setup empty and write the file it names.
TEST(RealFileSystem, AnExclusiveOpenNeverWritesThroughAHardLink) {
    ScratchFolder scratch;
    const std::wstring target = scratch.WithSeparator() + L"precious.ini";
    const std::wstring log = scratch.WithSeparator() + L"planted.log";
    { std::ofstream(fs::path(target), std::ios::binary) << "keep me"; }
    std::error_code linked;
    fs::create_hard_link(fs::path(target), fs::path(log), linked);
    ASSERT_FALSE(linked) << linked.message();
    for (platform::OpenMode mode : {platform::OpenMode::Truncate, platform::OpenMode::Append}) {
        auto file = platform::RealServices().files->OpenExclusive(log, mode);
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(file->Write("entry", 5));
        file->Close();
        EXPECT_EQ(scratch.Read("precious.ini"), "keep me");
        EXPECT_EQ(scratch.Read("planted.log"), "entry");
        fs::remove(fs::path(log));
        fs::create_hard_link(fs::path(target), fs::path(log), linked);
    }
}

// A new folder only: whatever is at the name already (a folder with files, a file) stays as it is.
TEST(RealFileSystem, APrivateFolderIsAlwaysANewOne) {
    ScratchFolder scratch;
    platform::FileSystem& files = *platform::RealServices().files;
    const std::wstring fresh = scratch.WithSeparator() + L"fresh";
    EXPECT_EQ(files.CreatePrivateFolder(fresh), platform::FolderCreation::Created);
    EXPECT_EQ(files.CreatePrivateFolder(fresh), platform::FolderCreation::AlreadyExists);
    const std::wstring planted = scratch.WithSeparator() + L"planted";
    { std::ofstream(fs::path(planted), std::ios::binary) << "a file"; }
    EXPECT_EQ(files.CreatePrivateFolder(planted), platform::FolderCreation::AlreadyExists);
    EXPECT_EQ(scratch.Read("planted"), "a file");
    const std::wstring separator(1, static_cast<wchar_t>(fs::path::preferred_separator));
    EXPECT_EQ(files.CreatePrivateFolder(scratch.WithSeparator() + L"no" + separator + L"parent"),
              platform::FolderCreation::Failed);
}

#ifdef _WIN32
// The package folder's protection, as the system reads the descriptor the folder is created with:
// a protected list (nothing inherited from the user's temporary folder) of exactly full control for
// the system and Administrators and reading for the user, each inherited by files and folders
// inside. (Wine 8 keeps of a folder's descriptor only what maps onto Unix permissions, so the
// descriptor is checked as given, the folder's creation with it separately.)
TEST(RealFileSystem, APrivateFolderLetsOnlyAdministratorsAndTheSystemWrite) {
    const std::wstring user = platform::CurrentUserSid();
    ASSERT_FALSE(user.empty());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(platform::PrivateFolderSecurity(user).c_str(),
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl != nullptr);

    PSID userSid = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(user.c_str(), &userSid));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID system = nullptr, administrators = nullptr;
    AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                             &administrators);
    const struct {
        PSID sid;
        ACCESS_MASK rights;
    } expected[] = {{system, FILE_ALL_ACCESS},
                    {administrators, FILE_ALL_ACCESS},
                    {userSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}};
    ASSERT_EQ(dacl->AceCount, 3u);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        SCOPED_TRACE(i);
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(ace->Mask, expected[i].rights);
        EXPECT_TRUE(EqualSid(&ace->SidStart, expected[i].sid));
    }
    // Writing is for the system and Administrators only.
    EXPECT_EQ(expected[2].rights & (FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER), 0u);
    FreeSid(system);
    FreeSid(administrators);
    LocalFree(userSid);
    LocalFree(descriptor);
}
#endif

// A package file is only ever a new one, and a held one is an ordinary file with one name.
TEST(RealFileSystem, PackagesAreWrittenNewAndHeldOnlyAsOrdinaryFiles) {
    ScratchFolder scratch;
    platform::PlainFiles& plain = *platform::RealServices().plainFiles;
    const std::wstring package = scratch.WithSeparator() + L"package.msi";
    auto written = plain.CreateForWriting(package);
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->Write("msi", 3), 3u);
    written->Close();
    EXPECT_EQ(plain.CreateForWriting(package), nullptr);  // never emptied or written through
    EXPECT_EQ(scratch.Read("package.msi"), "msi");

    EXPECT_NE(plain.Hold(package), nullptr);
    EXPECT_EQ(plain.Hold(scratch.WithSeparator() + L"missing.msi"), nullptr);
    const std::wstring link = scratch.WithSeparator() + L"linked.msi";
    std::error_code linked;
    fs::create_hard_link(fs::path(package), fs::path(link), linked);
    ASSERT_FALSE(linked) << linked.message();
    EXPECT_EQ(plain.Hold(link), nullptr);
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
