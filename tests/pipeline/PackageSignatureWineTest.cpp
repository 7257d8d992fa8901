// The real verdict of WinVerifyTrust, under Wine, on packages that make-signed-packages.sh built:
// unsigned, signed with a throwaway certificate, and signed with one byte of the signature flipped.
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

TEST_F(RealTrust, VerdictsOnRealPackages) {
    struct Case {
        const char* file;
        std::vector<int> classes;  // acceptable classes of the status
        bool accepted;
    };
    const Case cases[] = {
        {"unsigned.msi", {kSignatureMissing}, false},
        // Self-signed: Wine trusts it (0); Windows would call the root untrusted (class 4).
        {"signed.msi", {kSignatureTrusted, kSignatureUntrustedRoot}, true},
        {"bad-signature.msi", {kSignatureNotAcceptable}, false},  // TRUST_E_CERT_SIGNATURE
        {"no-such-package.msi", {kSignatureMissing, kSignatureNotAcceptable}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        files_.files.clear();
        std::int32_t status = 0;
        int verdict = VerifyEmbeddedSignature(PackagePath(c.file), status);
        EXPECT_NE(std::find(c.classes.begin(), c.classes.end(), verdict), c.classes.end())
            << "class " << verdict << " for status 0x" << std::hex << status;
        EXPECT_EQ(IsPackageSigned(PackagePath(c.file)), c.accepted);

        std::vector<std::wstring> expected = {L"IN-> IsPackageSigned()"};
        if (!c.accepted) {
            auto text = platform::RealServices().systemTexts->TextFor(static_cast<std::uint32_t>(status));
            if (text) expected.push_back(*text);
        }
        expected.push_back(c.accepted ? L"OUT-> IsPackageSigned() OK" : L"OUT-> IsPackageSigned() KO");
        EXPECT_EQ(Log(), expected);
    }
}

TEST_F(RealTrust, TheVariableSkipsTheCheck) {
    ProcessSettings skip;
    skip.packageSignatureCheckSkipped = true;
    ScopedProcessSettings settings(skip);
    EXPECT_TRUE(IsPackageSigned(PackagePath("unsigned.msi")));
    EXPECT_EQ(Log(), (std::vector<std::wstring>{L"IN-> IsPackageSigned()", L"VerifyEmbeddedSignature is skipped",
                                                L"OUT-> IsPackageSigned() OK"}));
}

// The verify action keeps state (the open package among it) until a second call releases it: a
// verified package can be deleted at once, and repeated checks leave no handles behind.
TEST_F(RealTrust, VerificationReleasesItsState) {
    const std::wstring copy = PackagePath("signed-copy.msi");
    ASSERT_TRUE(CopyFileW(PackagePath("signed.msi").c_str(), copy.c_str(), FALSE));
    EXPECT_TRUE(IsPackageSigned(copy));
    EXPECT_TRUE(DeleteFileW(copy.c_str())) << "error " << GetLastError();

    using HandleCount = BOOL(WINAPI*)(HANDLE, PDWORD);
    auto handleCount = reinterpret_cast<HandleCount>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetProcessHandleCount")));
    ASSERT_NE(handleCount, nullptr);
    std::int32_t status = 0;
    VerifyEmbeddedSignature(PackagePath("signed.msi"), status);  // first use loads what stays loaded
    DWORD before = 0, after = 0;
    ASSERT_TRUE(handleCount(GetCurrentProcess(), &before));
    for (int i = 0; i < 50; ++i) VerifyEmbeddedSignature(PackagePath("signed.msi"), status);
    ASSERT_TRUE(handleCount(GetCurrentProcess(), &after));
    EXPECT_LT(after, before + 10) << before << " handles before, " << after << " after";
}

}  // namespace
