#include <windows.h>

#include <vector>

#include "platform/AnsiText.h"

namespace platform {

std::wstring FromAnsiCodePage(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    int length = static_cast<int>(bytes.size());
    int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::vector<wchar_t> wide(static_cast<std::size_t>(needed));
    int converted = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), needed);
    return std::wstring(wide.data(), converted > 0 ? static_cast<std::size_t>(converted) : 0);
}

}  // namespace platform
