#pragma once
#include <string>

// Where every download comes from: the maker's download host, or a test server named by the
// "KORVOSkelv_Server" environment variable (read once per process, on first use).
bool IsCustomDownloadServer();
std::wstring GetDownloadServer();
// "http://" + server + "/downloads/skelv/" + "skelv_v31" + "/" + fileName, nothing escaped.
std::wstring BuildDownloadUrl(const std::wstring& fileName);
// The help link does not depend on the download server: the address comes back unchanged.
std::wstring GetHelpUrl(const std::wstring& address);
// The help page on the maker's help site.
std::wstring HelpAddress();

// The setting behind the functions above; one per process there, a fresh one in each test.
class DownloadServerSetting {
public:
    bool IsCustom();
    std::wstring Server();
    std::wstring UrlFor(const std::wstring& fileName);

private:
    void InitializeOnce();
    // Settled on the user-interface thread at start-up, before the install worker exists;
    // afterwards only read, so no lock.
    bool pending_ = true;
    bool custom_ = false;
    std::wstring server_;
};
