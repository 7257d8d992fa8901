// The resources the setup executable carries besides its texts, read from a probe executable that
// links the same resource set: manifest, icon group 135, version record, string tables.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace catalogue_test {
namespace {

class ProbeResources : public testing::Test {
protected:
    void SetUp() override {
        std::wstring path(MAX_PATH, L'\0');
        DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        ASSERT_GT(length, 0u);
        path.resize(length);
        path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"catalogue_resources_probe.exe";
        path_ = path;
        probe_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(probe_, nullptr) << "cannot open the probe executable next to the test";
    }
    void TearDown() override {
        if (probe_ != nullptr) FreeLibrary(probe_);
    }

    std::string Resource(LPCWSTR type, LPCWSTR name) const {
        HRSRC found = FindResourceW(probe_, name, type);
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(probe_, found);
        const char* data = loaded == nullptr ? nullptr : static_cast<const char*>(LockResource(loaded));
        return data == nullptr ? std::string() : std::string(data, SizeofResource(probe_, found));
    }

    std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) const {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(info.data(), query.c_str(), &value, &length) || length == 0) return {};
        return static_cast<const wchar_t*>(value);
    }

    std::wstring path_;
    HMODULE probe_ = nullptr;
};

TEST_F(ProbeResources, ManifestAsksForCommonControls6AndElevation) {
    const std::string manifest = Resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));  // RT_MANIFEST
    ASSERT_FALSE(manifest.empty());
    const char* required[] = {
        "name=\"Microsoft.Windows.Common-Controls\"",
        "version=\"6.0.0.0\"",
        "publicKeyToken=\"6595b64144ccf1df\"",
        "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
    };
    for (const char* text : required) EXPECT_NE(manifest.find(text), std::string::npos) << text;
}

TEST_F(ProbeResources, IconGroup135HasItsImages) {
    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(135));
    // Header: reserved, type 1, count; then 14-byte entries ending in the RT_ICON id.
    ASSERT_GE(group.size(), 6u);
    const auto word = [&group](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(group[at]) | static_cast<unsigned char>(group[at + 1])
                                                                                 << 8);
    };
    EXPECT_EQ(word(2), 1u);
    const unsigned count = word(4);
    ASSERT_GE(count, 1u);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    for (unsigned i = 0; i < count; ++i) {
        const unsigned iconId = word(6 + 14 * i + 12);
        EXPECT_FALSE(Resource(RT_ICON, MAKEINTRESOURCEW(iconId)).empty()) << "icon " << iconId;
    }
}

TEST_F(ProbeResources, VersionRecordNamesTheInstaller) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, info.data()));
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"6.207.0.9162");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"6.207.0.9162");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"KORVO Skelv installer");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, (6u << 16) | 207u);
    EXPECT_EQ(fixed->dwFileVersionLS, (0u << 16) | 9162u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
}

BOOL CALLBACK CollectProbeLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::set<unsigned>*>(found)->insert(language);
    return TRUE;
}

TEST_F(ProbeResources, CarriesTheStringTables) {
    // Block 7 holds entries 96 to 111 (the string table tests check the texts themselves).
    std::set<unsigned> stored;
    EnumResourceLanguagesW(probe_, RT_STRING, MAKEINTRESOURCEW(7), CollectProbeLanguage,
                           reinterpret_cast<LONG_PTR>(&stored));
    EXPECT_EQ(stored, (std::set<unsigned>{0x0409, 0x0007, 0x000A, 0x000C, 0x0010, 0x0411}));
}

}  // namespace
}  // namespace catalogue_test
