// The real verdict of WinVerifyTrust, under Wine, on packages that make-signed-packages.sh built:
// unsigned, signed by the build's pinned demo signer, by self-made publisher and stranger
// certificates, and signed with one byte of the signature flipped. Wine calls every self-signed
// chain trusted, so the signer rule alone tells the publisher from a stranger here.
//
// Wine's WinVerifyTrust does not check an installer package's content digest: a content byte
// flipped after signing still returns 0 there (real Windows says TRUST_E_BAD_DIGEST). Content
// tampering is therefore tested natively with a staged verdict (PackageSignatureTest).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/PackageSignature.h"
#include "tests/support/FakeMachineLog.h"

namespace {

std::wstring PackagePath(const char* name) {
    std::string path = std::string("Z:") + KORVO_SIGNED_PACKAGES + "/" + name;
    std::wstring wide(path.begin(), path.end());
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    return wide;
}

// The real services, but the log goes to a fake file system with a fixed clock.
class RealTrust : public ::testing::Test {
protected:
    RealTrust() : scope_(Services()) {}
    std::vector<std::wstring> Log() const { return LogEntriesIn(files_); }
    platform::Services Services() {
        platform::Services services = platform::RealServices();
        services.files = &files_;
        services.clock = &clock_;
        return services;
    }
    platform::fakes::FakeFileSystem files_;
    platform::fakes::FakeClock clock_;
    ScopedProcessSettings settings_{ProcessSettings{}};
    platform::ScopedServices scope_;
};

// The package, held as the install worker holds it.
std::unique_ptr<platform::HeldFile> Held(const std::wstring& path) {
    return platform::RealServices().plainFiles->Hold(path);
}

TEST_F(RealTrust, VerdictsOnRealPackages) {
    struct Case {
        const char* file;
        std::vector<int> classes;  // acceptable classes of the status
        bool accepted;
        const wchar_t* signerLine;  // the refusal's signer line; null: the system's text, if any
    };
    const Case cases[] = {
        {"unsigned.msi", {kSignatureMissing}, false, nullptr},
        // Self-signed: Wine trusts them (0); Windows would call the roots untrusted (class 4).
        {"pinned.msi", {kSignatureTrusted, kSignatureUntrustedRoot}, true, nullptr},
        {"publisher.msi", {kSignatureTrusted}, true, nullptr},
        {"publisher-cn.msi", {kSignatureTrusted}, true, nullptr},
        {"stranger.msi", {kSignatureTrusted}, false, L"Package signer \"O=Someone Else, CN=Halvorsk\""},
        {"bad-signature.msi", {kSignatureNotAcceptable}, false, nullptr},  // TRUST_E_CERT_SIGNATURE
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        files_.files.clear();
        auto held = Held(PackagePath(c.file));
        ASSERT_NE(held, nullptr);
        std::int32_t status = 0;
        std::string signer;
        int verdict = VerifyEmbeddedSignature(PackagePath(c.file), held.get(), status, signer);
        EXPECT_NE(std::find(c.classes.begin(), c.classes.end(), verdict), c.classes.end())
            << "class " << verdict << " for status 0x" << std::hex << status;
        // The signer's certificate comes with every valid signature.
        if (verdict == kSignatureTrusted || verdict == kSignatureUntrustedRoot) {
            EXPECT_FALSE(signer.empty());
        }
        EXPECT_EQ(IsPackageSigned(PackagePath(c.file), *held), c.accepted);

        std::vector<std::wstring> log = Log();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log.front(), L"IN-> IsPackageSigned()");
        EXPECT_EQ(log.back(), c.accepted ? L"OUT-> IsPackageSigned() OK" : L"OUT-> IsPackageSigned() KO");
        if (c.accepted) {
            EXPECT_EQ(log.size(), 2u);
        }
        if (c.signerLine) {
            ASSERT_EQ(log.size(), 3u);
            EXPECT_EQ(log[1].rfind(c.signerLine, 0), 0u) << std::string(log[1].begin(), log[1].end());
        } else if (!c.accepted) {
            auto text = platform::RealServices().systemTexts->TextFor(static_cast<std::uint32_t>(status));
            EXPECT_EQ(log.size(), text ? 3u : 2u);
        }
    }
}

// While the package is held, nobody may write, rename or delete it; reading it is fine.
TEST_F(RealTrust, AHeldPackageCannotBeChangedRenamedOrDeleted) {
    const std::wstring copy = PackagePath("held-copy.msi");
    const std::wstring renamed = PackagePath("held-renamed.msi");
    ASSERT_TRUE(CopyFileW(PackagePath("publisher.msi").c_str(), copy.c_str(), FALSE));
    {
        auto held = Held(copy);
        ASSERT_NE(held, nullptr);
        HANDLE writer = CreateFileW(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        EXPECT_FALSE(MoveFileW(copy.c_str(), renamed.c_str()));
        EXPECT_FALSE(DeleteFileW(copy.c_str()));
        HANDLE reader = CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
        EXPECT_TRUE(IsPackageSigned(copy, *held));
    }
    EXPECT_TRUE(DeleteFileW(copy.c_str())) << "error " << GetLastError();
}

TEST_F(RealTrust, TheVariableSkipsTheCheck) {
    ProcessSettings skip;
    skip.packageSignatureCheckSkipped = true;
    ScopedProcessSettings settings(skip);
    EXPECT_TRUE(IsPackageSigned(PackagePath("unsigned.msi"), *Held(PackagePath("unsigned.msi"))));
    EXPECT_EQ(Log(), (std::vector<std::wstring>{L"IN-> IsPackageSigned()", L"VerifyEmbeddedSignature is skipped",
                                                L"OUT-> IsPackageSigned() OK"}));
}

// The verify action keeps state (the open package among it) until a second call releases it: a
// verified package can be deleted at once, and repeated checks leave no handles behind.
TEST_F(RealTrust, VerificationReleasesItsState) {
    const std::wstring copy = PackagePath("signed-copy.msi");
    ASSERT_TRUE(CopyFileW(PackagePath("publisher.msi").c_str(), copy.c_str(), FALSE));
    EXPECT_TRUE(IsPackageSigned(copy, *Held(copy)));
    EXPECT_TRUE(DeleteFileW(copy.c_str())) << "error " << GetLastError();

    using HandleCount = BOOL(WINAPI*)(HANDLE, PDWORD);
    auto handleCount = reinterpret_cast<HandleCount>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetProcessHandleCount")));
    ASSERT_NE(handleCount, nullptr);
    std::int32_t status = 0;
    std::string signer;
    VerifyEmbeddedSignature(PackagePath("publisher.msi"), nullptr, status,
                            signer);  // first use loads what stays loaded
    DWORD before = 0, after = 0;
    ASSERT_TRUE(handleCount(GetCurrentProcess(), &before));
    for (int i = 0; i < 50; ++i) VerifyEmbeddedSignature(PackagePath("publisher.msi"), nullptr, status, signer);
    ASSERT_TRUE(handleCount(GetCurrentProcess(), &after));
    EXPECT_LT(after, before + 10) << before << " handles before, " << after << " after";
}

}  // namespace
