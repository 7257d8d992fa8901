// The verdict on a package's signature, with the system's verdict staged by the fake.
#include <gtest/gtest.h>

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/PackageSignature.h"
#include "tests/pipeline/TestCertificates.h"
#include "tests/support/FakeMachineLog.h"

namespace {

using namespace test_certificates;

// The held package the check reads.
class HeldStandIn final : public platform::HeldFile {
public:
    void* SystemHandle() const override { return nullptr; }
};
const HeldStandIn kHeld;

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
    const std::string publisher = Certificate(Name({Organisation("Halvorsk")}));
    const std::string stranger = Certificate(Name({CommonName("Self-made")}));
    const std::string pinnedKey =
        Der(0x30, Der(0x30, Der(0x06, "\x2a\x86\x48\x86\xf7\x0d\x01\x01\x01")) + Der(0x03, std::string("\x00\x07", 2)));
    const std::string pinned = Certificate(Name({CommonName("Self-made")}), pinnedKey);
    const std::vector<SignerKeyPin> pins = {Sha256(pinnedKey)};
    const std::wstring strangerLine = L"Package signer \"CN=Self-made\" (public key " + DigestText(Sha256(kPublicKey)) +
                                      L") is neither the publisher Halvorsk nor a pinned signer";
    struct Case {
        const char* name;
        std::uint32_t status;
        std::string signer;
        bool accepted;
        std::vector<std::wstring> log;
    };
    const std::vector<Case> cases = {
        {"publisher, trusted", 0, publisher, true, {L"IN-> IsPackageSigned()", L"OUT-> IsPackageSigned() OK"}},
        {"pinned, test root", 0x800B010D, pinned, true, {L"IN-> IsPackageSigned()", L"OUT-> IsPackageSigned() OK"}},
        {"pinned, untrusted root",
         0x800B0109,
         pinned,
         true,
         {L"IN-> IsPackageSigned()", L"OUT-> IsPackageSigned() OK"}},
        // Anyone can make a certificate: trusted or not, a stranger's is refused.
        {"stranger, trusted",
         0,
         stranger,
         false,
         {L"IN-> IsPackageSigned()", strangerLine, L"OUT-> IsPackageSigned() KO"}},
        {"stranger, test root",
         0x800B010D,
         stranger,
         false,
         {L"IN-> IsPackageSigned()", strangerLine, L"OUT-> IsPackageSigned() KO"}},
        {"publisher, untrusted root",
         0x800B0109,
         publisher,
         false,
         {L"IN-> IsPackageSigned()",
          L"Package signer \"O=Halvorsk\" (public key " + DigestText(Sha256(kPublicKey)) +
              L") is neither the publisher Halvorsk nor a pinned signer",
          L"OUT-> IsPackageSigned() KO"}},
        {"signer unreadable",
         0,
         "",
         false,
         {L"IN-> IsPackageSigned()", L"Setup cannot read the certificate of the package's signer",
          L"OUT-> IsPackageSigned() KO"}},
        {"unsigned",
         0x800B0100,
         "",
         false,
         {L"IN-> IsPackageSigned()", noSignatureText, L"OUT-> IsPackageSigned() KO"}},
        // Content changed after signing: the digest no longer matches.
        {"tampered",
         0x80096010,
         publisher,
         false,
         {L"IN-> IsPackageSigned()", badDigestText, L"OUT-> IsPackageSigned() KO"}},
        // A status the system has no text for adds no line.
        {"no text", 0x80001234, publisher, false, {L"IN-> IsPackageSigned()", L"OUT-> IsPackageSigned() KO"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedProcessSettings settings(ProcessSettings{});
        platform::fakes::ScopedFakeMachine machine;
        machine.systemTexts.texts = {{0x800B0100, noSignatureText}, {0x80096010, badDigestText}};
        machine.trust.verdicts[path] = Status(c.status);
        machine.trust.signers[path] = c.signer;
        EXPECT_EQ(IsPackageSigned(path, kHeld, pins), c.accepted);
        EXPECT_EQ(machine.trust.askedThroughHeldFile, std::vector<std::wstring>{path});  // the held file is read
        EXPECT_EQ(LogEntriesIn(machine.files), c.log);
    }
}

// A package that cannot be held (gone, or a link) is refused before its verification, with a line.
TEST(PackageSignature, OnlyAnOrdinaryDownloadedFileIsHeld) {
    platform::fakes::ScopedFakeMachine machine;
    const std::wstring path = L"C:\\Temp\\KORVOS1234\\KORVOSkelv.msi";
    EXPECT_EQ(HoldDownloadedPackage(path), nullptr);
    EXPECT_EQ(LogEntriesIn(machine.files), std::vector<std::wstring>{L"Cannot hold file " + path});
    machine.plainFiles.files[path] = "msi";
    {
        auto held = HoldDownloadedPackage(path);
        EXPECT_NE(held, nullptr);
        EXPECT_EQ(machine.plainFiles.held, std::vector<std::wstring>{path});
    }
    EXPECT_TRUE(machine.plainFiles.held.empty());
}

TEST(PackageSignature, TheVariableSkipsVerificationWhateverItsValue) {
    for (const wchar_t* value : {L"0", L"", L"1"}) {
        platform::fakes::FakeEnvironment environment;
        environment.variables[L"NO_CHECK_PACKAGE_SIGNED"] = value;
        ScopedProcessSettings settings(ReadProcessSettings(environment));
        platform::fakes::ScopedFakeMachine machine;  // every file unsigned
        EXPECT_TRUE(IsPackageSigned(L"C:\\Temp\\KORVOS1234\\missing.msi", kHeld));
        EXPECT_TRUE(machine.trust.asked.empty());
        EXPECT_EQ(LogEntriesIn(machine.files),
                  (std::vector<std::wstring>{L"IN-> IsPackageSigned()", L"VerifyEmbeddedSignature is skipped",
                                             L"OUT-> IsPackageSigned() OK"}));
    }
}

}  // namespace
