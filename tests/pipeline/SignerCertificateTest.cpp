// A package signer's certificate as the setup reads it (public key, organisation and common names),
// the SHA-256 that pins a key, and the rule that says which signers the setup takes.
#include <gtest/gtest.h>

#include <string>

#include "setup/PackageSignature.h"
#include "setup/Sha256.h"
#include "setup/SignerCertificate.h"
#include "tests/pipeline/TestCertificates.h"

namespace {

using namespace test_certificates;

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
    return bytes;
}

// A certificate openssl made: subject O=Halvorsk, CN=KORVO Skelv; its key's pin as
// tools/signing/public-key-pin.sh printed it.
const std::string kOpensslCertificate = FromHex(
    "3082022e30820197a003020102021433f14f817f4340eba555fc37ea5489c60c6da993300d06092a864886f70d01010b0500"
    "30293111300f060355040a0c0848616c766f72736b3114301206035504030c0b4b4f52564f20536b656c76301e170d323631"
    "3230393034343532355a170d3336313230363034343532355a30293111300f060355040a0c0848616c766f72736b31143012"
    "06035504030c0b4b4f52564f20536b656c7630819f300d06092a864886f70d010101050003818d0030818902818100bdecb4"
    "bf723296b1d4d60e48d3c71527d3d14cd7416cbd8f15f96287439fd87f18daa82d729bb444b6875965f756793376b3d4e055"
    "8d15130f5c8b796c9712bbbbae18c50026a812a3783e6846a22020eb8874444b27848eb3a93d0881e3a1a81650c17766c6ac"
    "67e1979e13cc67ba3b8bbb2d711ccb526d743aba983353bcc10203010001a3533051301d0603551d0e041604141e44c1c2ab"
    "7797c0c4f420af8dc8679682766179301f0603551d230418301680141e44c1c2ab7797c0c4f420af8dc8679682766179300f"
    "0603551d130101ff040530030101ff300d06092a864886f70d01010b0500038181004afb9a55c511da950dee33ffc3cc244f"
    "2174da7a54bf676c83c87cf908cf36b172ebaeabc1100e4f0c362c52a259c52196e9af4bd80935a3452354b70ca399b55740"
    "bfaa8522e987d376c652e2104aac9c6761f0720847086b561a4615029eec652e7e33048b7d7adb416f19e7251d68dbfaa211"
    "e354bc0d1e0841c792ff7a2b");
const wchar_t kOpensslPin[] = L"3512132df4f7e6f2d052137c6163d53a369c7240d7819e611c2ed622cca91927";

TEST(Sha256, KnownDigests) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the first padded block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         L"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [input, digest] : cases) {
        SCOPED_TRACE(input.size());
        EXPECT_EQ(DigestText(Sha256(input)), digest);
    }
}

TEST(SignerCertificate, ARealCertificateGivesItsKeyAndNames) {
    auto certificate = ReadSignerCertificate(kOpensslCertificate);
    ASSERT_TRUE(certificate.has_value());
    EXPECT_EQ(DigestText(Sha256(certificate->publicKeyInfo)), kOpensslPin);
    EXPECT_EQ(certificate->organisations, std::vector<std::wstring>{L"Halvorsk"});
    EXPECT_EQ(certificate->commonNames, std::vector<std::wstring>{L"KORVO Skelv"});
    EXPECT_EQ(DescribeSigner(*certificate), L"O=Halvorsk, CN=KORVO Skelv");
}

TEST(SignerCertificate, SubjectNamesInEveryStringType) {
    struct Case {
        const char* name;
        std::string subject;
        std::vector<std::wstring> organisations;
        std::vector<std::wstring> commonNames;
    };
    const Case cases[] = {
        {"UTF-8 with a non-ASCII letter", Name({Organisation("Halvorsk \xc3\x98st")}), {L"Halvorsk \u00d8st"}, {}},
        {"printable", Name({Organisation("Halvorsk", 0x13)}), {L"Halvorsk"}, {}},
        {"IA5", Name({CommonName("Halvorsk", 0x16)}), {}, {L"Halvorsk"}},
        {"BMP", Name({CommonName(std::string("\x00H\x00\x61\x00l", 6), 0x1E)}), {}, {L"Hal"}},
        {"universal", Name({CommonName(std::string("\x00\x00\x00H\x00\x00\x00i", 8), 0x1C)}), {}, {L"Hi"}},
        {"several in one set, others skipped",
         Name({Country("NO") + Organisation("A") + CommonName("B")}),
         {L"A"},
         {L"B"}},
        {"no names", Name({}), {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto certificate = ReadSignerCertificate(Certificate(c.subject));
        ASSERT_TRUE(certificate.has_value());
        EXPECT_EQ(certificate->organisations, c.organisations);
        EXPECT_EQ(certificate->commonNames, c.commonNames);
        EXPECT_EQ(certificate->publicKeyInfo, kPublicKey);
    }
}

TEST(SignerCertificate, MalformedCertificatesAreRefusedWhole) {
    std::string good = Certificate(Name({Organisation("Halvorsk")}));
    std::string longLength = good;
    longLength[1] = static_cast<char>(0x85);  // a five-byte length
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"cut short", good.substr(0, good.size() - 1)},
        {"trailing byte", good + "x"},
        {"length beyond four bytes", longLength},
        {"indefinite length", std::string("\x30\x80\x00\x00", 4)},
        {"not a sequence", Der(0x31, good.substr(2))},
        {"UTF-8 overlong", Certificate(Name({Organisation("\xc0\xaf")}))},
        {"UTF-8 surrogate", Certificate(Name({Organisation("\xed\xa0\x80")}))},
        {"UTF-8 cut", Certificate(Name({Organisation("Halvorsk\xe2\x82")}))},
        {"odd BMP", Certificate(Name({Organisation(std::string("\x00H\x00", 3), 0x1E)}))},
        {"unknown string type", Certificate(Name({Organisation("Halvorsk", 0x04)}))},
        {"no public key", Der(0x30, Der(0x30, Der(0x02, "\x01")))},
    };
    for (const auto& [name, der] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ReadSignerCertificate(der).has_value());
    }
}

// Pinned keys are taken whatever the chain (a machine's out-of-date root store must not stop the
// install); otherwise only a trusted chain that names the publisher.
TEST(SignerRule, PinnedKeyOrTrustedPublisher) {
    const std::string publisher = Certificate(Name({Country("NO"), Organisation("Halvorsk"), CommonName("Release")}));
    const std::string publisherByCommonName = Certificate(Name({CommonName("Halvorsk")}));
    const std::string otherOrganisation = Certificate(Name({Organisation("Mallory Ltd"), CommonName("Halvorsk")}));
    const std::string twoOrganisations = Certificate(Name({Organisation("Halvorsk"), Organisation("Mallory")}));
    const std::string nearMiss = Certificate(Name({Organisation("Halvorsk AS")}));
    const std::string lowerCase = Certificate(Name({Organisation("halvorsk")}));
    const std::string pinnedKey =
        Der(0x30, Der(0x30, Der(0x06, "\x2a\x86\x48\x86\xf7\x0d\x01\x01\x01")) + Der(0x03, std::string("\x00\x09", 2)));
    const std::string pinned = Certificate(Name({CommonName("KORVO demo signer")}), pinnedKey);
    const std::vector<SignerKeyPin> pins = {Sha256(pinnedKey)};
    struct Case {
        const char* name;
        SignatureClass verdict;
        std::string certificate;
        bool accepted;
    };
    const Case cases[] = {
        {"publisher, trusted chain", kSignatureTrusted, publisher, true},
        {"publisher, untrusted root", kSignatureUntrustedRoot, publisher, false},
        {"publisher by common name", kSignatureTrusted, publisherByCommonName, true},
        {"another organisation with the publisher's common name", kSignatureTrusted, otherOrganisation, false},
        {"two organisations", kSignatureTrusted, twoOrganisations, false},
        {"a longer name", kSignatureTrusted, nearMiss, false},
        {"another case", kSignatureTrusted, lowerCase, false},
        {"pinned, trusted chain", kSignatureTrusted, pinned, true},
        {"pinned, untrusted root", kSignatureUntrustedRoot, pinned, true},
        {"no certificate", kSignatureTrusted, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring refusal;
        EXPECT_EQ(SignerAccepted(c.verdict, c.certificate, pins, refusal), c.accepted);
        EXPECT_EQ(refusal.empty(), c.accepted) << std::string(refusal.begin(), refusal.end());
    }
    std::wstring refusal;
    SignerAccepted(kSignatureTrusted, otherOrganisation, pins, refusal);
    EXPECT_EQ(refusal, L"Package signer \"O=Mallory Ltd, CN=Halvorsk\" (public key " + DigestText(Sha256(kPublicKey)) +
                           L") is neither the publisher Halvorsk nor a pinned signer");
}

}  // namespace
