// The verdict on a package's signature, with the system's verdict staged by the fake.
#include <gtest/gtest.h>

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/PackageSignature.h"
#include "tests/support/FakeMachineLog.h"

namespace {

constexpr std::int32_t Status(std::uint32_t code) {
    return static_cast<std::int32_t>(code);
}

TEST(PackageSignature, EachStatusHasItsClass) {
    const std::pair<std::uint32_t, SignatureClass> cases[] = {
        {0, kSignatureTrusted},
        {0x800B0100, kSignatureMissing},        // TRUST_E_NOSIGNATURE
        {0x800B0109, kSignatureUntrustedRoot},  // CERT_E_UNTRUSTEDROOT
        {0x800B010A, kSignatureUntrustedRoot},  // CERT_E_CHAINING
        {0x800B010D, kSignatureUntrustedRoot},  // CERT_E_UNTRUSTEDTESTROOT
        {0x80096010, kSignatureNotAcceptable},  // TRUST_E_BAD_DIGEST
        {0x80096004, kSignatureNotAcceptable},  // TRUST_E_CERT_SIGNATURE
        {0x800B0101, kSignatureNotAcceptable},  // CERT_E_EXPIRED
        {2, kSignatureNotAcceptable},           // the file is missing
    };
    for (const auto& [status, expected] : cases) {
        SCOPED_TRACE(status);
        EXPECT_EQ(ClassifyTrustStatus(Status(status)), expected);
    }
}

TEST(PackageSignature, VerdictsAndTheirLogLines) {
    const std::wstring path = L"C:\\Temp\\KORVOS1234\\KORVOSkelv.msi";
    const std::wstring noSignatureText = L"No signature was present in the subject.\r\n";
    const std::wstring badDigestText = L"The digital signature of the object did not verify.\r\n";
    struct Case {
        const char* name;
        std::uint32_t status;
        bool accepted;
        std::vector<std::wstring> log;
    };
    const std::vector<Case> cases = {
        {"trusted", 0, true, {L"IN-> IsPackageSigned()", L"OUT-> IsPackageSigned() OK"}},
        {"test root", 0x800B010D, true, {L"IN-> IsPackageSigned()", L"OUT-> IsPackageSigned() OK"}},
        {"unsigned", 0x800B0100, false, {L"IN-> IsPackageSigned()", noSignatureText, L"OUT-> IsPackageSigned() KO"}},
        // Content changed after signing: the digest no longer matches.
        {"tampered", 0x80096010, false, {L"IN-> IsPackageSigned()", badDigestText, L"OUT-> IsPackageSigned() KO"}},
        // A status the system has no text for adds no line.
        {"no text", 0x80001234, false, {L"IN-> IsPackageSigned()", L"OUT-> IsPackageSigned() KO"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedProcessSettings settings(ProcessSettings{});
        platform::fakes::ScopedFakeMachine machine;
        machine.systemTexts.texts = {{0x800B0100, noSignatureText}, {0x80096010, badDigestText}};
        machine.trust.verdicts[path] = Status(c.status);
        EXPECT_EQ(IsPackageSigned(path), c.accepted);
        EXPECT_EQ(machine.trust.asked, std::vector<std::wstring>{path});
        EXPECT_EQ(LogEntriesIn(machine.files), c.log);
    }
}

TEST(PackageSignature, TheVariableSkipsVerificationWhateverItsValue) {
    for (const wchar_t* value : {L"0", L"", L"1"}) {
        platform::fakes::FakeEnvironment environment;
        environment.variables[L"NO_CHECK_PACKAGE_SIGNED"] = value;
        ScopedProcessSettings settings(ReadProcessSettings(environment));
        platform::fakes::ScopedFakeMachine machine;  // every file unsigned
        EXPECT_TRUE(IsPackageSigned(L"C:\\Temp\\KORVOS1234\\missing.msi"));
        EXPECT_TRUE(machine.trust.asked.empty());
        EXPECT_EQ(LogEntriesIn(machine.files),
                  (std::vector<std::wstring>{L"IN-> IsPackageSigned()", L"VerifyEmbeddedSignature is skipped",
                                             L"OUT-> IsPackageSigned() OK"}));
    }
}

}  // namespace
