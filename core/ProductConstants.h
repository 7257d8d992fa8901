#pragma once

// Compiled-in names of the product and of the servers it talks to; change them here only.
namespace product {

inline constexpr wchar_t kName[] = L"KORVO Skelv";      // "%1" of almost every catalogue text
inline constexpr wchar_t kShortName[] = L"KORVOSkelv";  // in file, class and mutex names
inline constexpr wchar_t kBuildStamp[] = L"06-11-2009.20.00";

// The maker's servers. A test server replaces the download host (core/ProcessSettings.h).
inline constexpr wchar_t kDefaultDownloadHost[] = L"download.halvorsk.com";
inline constexpr wchar_t kHelpSiteHost[] = L"support.halvorsk.com";
inline constexpr wchar_t kHelpPath[] = L"/skelvit/KORVO_Skelv/help/";
inline constexpr wchar_t kDownloadPath[] = L"/downloads/skelv/";
inline constexpr wchar_t kReleaseLine[] = L"skelv_v31";

inline constexpr wchar_t kLogFileName[] = L"KORVOSkelvInstall.log";
inline constexpr wchar_t kWindowClass[] = L"KORVOSkelvClass";
inline constexpr wchar_t kSessionMutex[] = L"7D3F0A96-2C4B-4E81-9B57-D0E6A13F8C24";
inline constexpr wchar_t kGlobalMutex[] = L"Global\\KORVOSkelv";

}  // namespace product
