#include "setup/DownloadServer.h"

#include "platform/Services.h"
#include "core/ProductConstants.h"

namespace {

DownloadServerSetting& ProcessSetting() {
    static DownloadServerSetting setting;
    return setting;
}

}  // namespace

void DownloadServerSetting::InitializeOnce() {
    if (!pending_) return;
    pending_ = false;
    // The whole value, untrimmed and unchecked: a tester may name a host with a port.
    std::optional<std::wstring> fromEnvironment = platform::Os().environment->Get(product::kServerVariable);
    custom_ = fromEnvironment.has_value();
    server_ = custom_ ? *fromEnvironment : std::wstring(product::kDefaultDownloadHost);
}

bool DownloadServerSetting::IsCustom() {
    InitializeOnce();
    return custom_;
}

std::wstring DownloadServerSetting::Server() {
    InitializeOnce();
    return server_;
}

std::wstring DownloadServerSetting::UrlFor(const std::wstring& fileName) {
    InitializeOnce();
    return L"http://" + server_ + product::kDownloadPath + product::kReleaseLine + L"/" + fileName;
}

bool IsCustomDownloadServer() { return ProcessSetting().IsCustom(); }

std::wstring GetDownloadServer() { return ProcessSetting().Server(); }

std::wstring BuildDownloadUrl(const std::wstring& fileName) { return ProcessSetting().UrlFor(fileName); }

std::wstring GetHelpUrl(const std::wstring& address) {
    ProcessSetting().IsCustom();  // every entry point settles the setting
    return address;
}

std::wstring HelpAddress() { return std::wstring(L"http://") + product::kHelpSiteHost + product::kHelpPath; }
