#pragma once
#include <string>

namespace platform {

// UTF-8 <-> wide text. On Windows a wide string is UTF-16, elsewhere UTF-32; both convert here.
// Invalid input becomes U+FFFD rather than failing.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace platform
