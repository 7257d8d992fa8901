#include "platform/AnsiText.h"

namespace platform {

// No ANSI code page here: each byte is the Latin-1 character of that number.
std::wstring FromAnsiCodePage(const std::string& bytes) {
    std::wstring wide;
    wide.reserve(bytes.size());
    for (char byte : bytes) wide += static_cast<wchar_t>(static_cast<unsigned char>(byte));
    return wide;
}

}  // namespace platform
