#pragma once
#include <string>

// Where every download comes from: the maker's download host, or a test server named by the
// "KORVOSkelv_Server" environment variable (read once per process with the other settings).
bool IsCustomDownloadServer();
std::wstring GetDownloadServer();
// "http://" + server + "/downloads/skelv/" + "skelv_v31" + "/" + fileName, nothing escaped.
std::wstring BuildDownloadUrl(const std::wstring& fileName);
// The help link does not depend on the download server: the address comes back unchanged.
std::wstring GetHelpUrl(const std::wstring& address);
// The help page on the maker's help site.
std::wstring HelpAddress();
