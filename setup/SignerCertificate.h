#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the setup reads from a package signer's X.509 certificate (DER): the public key as it is
// pinned, and the subject's organisation and common names. The certificate comes from the
// system's signature check; it is read defensively all the same, since a package from the network
// chose it.
struct SignerCertificate {
    std::string publicKeyInfo;                // the DER SubjectPublicKeyInfo, tag and length included
    std::vector<std::wstring> organisations;  // the subject's O values, in order
    std::vector<std::wstring> commonNames;    // the subject's CN values, in order
};

// Nullopt when the bytes are not a certificate of the expected shape, or a subject name cannot be
// decoded (a string type or encoding other than UTF-8, printable, IA5, Teletex, BMP or universal).
std::optional<SignerCertificate> ReadSignerCertificate(std::string_view der);

// "O=<organisation>, CN=<common name>" for the log (each part only when present).
std::wstring DescribeSigner(const SignerCertificate& certificate);
