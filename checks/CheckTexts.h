#pragma once
#include <string>

// Where a check's decision takes its catalogue texts from: the program passes MessageCatalogue::Load,
// a test the catalogue's own table. Keeps the decisions free of the platform.
using TextLoader = std::wstring (*)(unsigned id);

// A narrow system text (ASCII or Latin-1) as wide characters, byte for byte.
inline std::wstring WidenBytes(const std::string& bytes) {
    std::wstring wide;
    wide.reserve(bytes.size());
    for (char c : bytes) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}
