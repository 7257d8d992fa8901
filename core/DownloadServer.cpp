#include "core/DownloadServer.h"

#include "core/ProcessSettings.h"
#include "core/ProductConstants.h"

bool IsCustomDownloadServer() {
    return CurrentProcessSettings().downloadServer.has_value();
}

std::wstring GetDownloadServer() {
    // The whole value, untrimmed and unchecked: a tester may name a host with a port.
    return CurrentProcessSettings().downloadServer.value_or(product::kDefaultDownloadHost);
}

std::wstring BuildDownloadUrl(const std::wstring& fileName) {
    return L"http://" + GetDownloadServer() + product::kDownloadPath + product::kReleaseLine + L"/" + fileName;
}

std::optional<std::string> RequestUrlBytes(const std::wstring& url) {
    if (url.size() > kLongestUrlBytes) return std::nullopt;
    std::string bytes;
    bytes.reserve(url.size());
    for (wchar_t c : url) {
        if (c == 0 || static_cast<unsigned long>(c) > 0x7F) return std::nullopt;
        bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}

std::wstring GetHelpUrl(const std::wstring& address) {
    return address;
}

std::wstring HelpAddress() {
    return std::wstring(L"http://") + product::kHelpSiteHost + product::kHelpPath;
}
