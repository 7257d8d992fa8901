#pragma once
#include <cstddef>
#include <optional>
#include <string>

// Where every download comes from: the maker's download host, or a test server named by the
// "KORVOSkelv_Server" environment variable (read once per process with the other settings).
bool IsCustomDownloadServer();
std::wstring GetDownloadServer();
// "http://" + server + "/downloads/skelv/" + "skelv_v31" + "/" + fileName, nothing escaped.
std::wstring BuildDownloadUrl(const std::wstring& fileName);

// The HTTP client takes a URL as 8-bit text of at most this many bytes (in a buffer with its zero).
inline constexpr unsigned kLongestUrlBytes = 1023;
// The URL as the HTTP client receives it; nullopt when a character is not ASCII or the text does
// not fit the buffer. It is never cut short: a cut URL would ask for another file.
std::optional<std::string> RequestUrlBytes(const std::wstring& url);
// The help link does not depend on the download server: the address comes back unchanged.
std::wstring GetHelpUrl(const std::wstring& address);
// The help page on the maker's help site.
std::wstring HelpAddress();
