#pragma once
#include <string>

namespace platform {

// 8-bit text in the system's ANSI code page as wide text (Latin-1 where there is no such page).
std::wstring FromAnsiCodePage(const std::string& bytes);

}  // namespace platform
