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

std::wstring GetHelpUrl(const std::wstring& address) {
    return address;
}

std::wstring HelpAddress() {
    return std::wstring(L"http://") + product::kHelpSiteHost + product::kHelpPath;
}
