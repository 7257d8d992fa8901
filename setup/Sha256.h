#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// SHA-256 of a byte string: the pin of a signer's public key. Written here because Windows 2000's
// cryptographic providers have no SHA-256.
using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::string_view bytes);

// The digest as 64 lower-case hexadecimal digits (as tools/signing/public-key-pin.sh prints it).
std::wstring DigestText(const Sha256Digest& digest);
