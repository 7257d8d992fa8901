// What the setup executable itself carries for its dialog, read from KORVOSkelvSetup.exe as data:
// the font record of dialog template 102, and the manifest's DPI-awareness as the loader's own
// manifest parser reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "resources/DialogIds.h"

namespace {

const std::wstring kProgram = KORVO_SETUP_PROGRAM;  // the path the build gives

// Little-endian reads over a resource's bytes; a read past the end gives zeros and marks the reader.
class ResourceReader {
public:
    ResourceReader(const void* data, std::size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    std::uint32_t Number(std::size_t bytes) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }
    std::uint8_t Byte() {
        if (at_ >= size_) {
            overrun_ = true;
            return 0;
        }
        return data_[at_++];
    }
    std::wstring Text() {  // a zero-terminated UTF-16 string
        std::wstring text;
        for (wchar_t c = static_cast<wchar_t>(Number(2)); c != 0 && !overrun_; c = static_cast<wchar_t>(Number(2)))
            text += c;
        return text;
    }
    void SkipNameOrOrdinal() {  // none (0), an ordinal (0xFFFF and a number) or a string
        const std::uint32_t first = Number(2);
        if (first == 0xFFFF) {
            Number(2);
        } else {
            while (first != 0 && !overrun_ && Number(2) != 0) {}
        }
    }
    void Skip(std::size_t bytes) {
        for (std::size_t i = 0; i < bytes; ++i) Byte();
    }
    bool Overrun() const { return overrun_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool overrun_ = false;
};

class ShippedResources : public testing::Test {
protected:
    void SetUp() override {
        program_ = LoadLibraryExW(kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(program_, nullptr) << "cannot open the setup program";
    }
    void TearDown() override {
        if (program_ != nullptr) FreeLibrary(program_);
    }
    HMODULE program_ = nullptr;
};

TEST_F(ShippedResources, DialogFontIsMsShellDlgEightPointInTheDefaultCharacterSet) {
    HRSRC found = FindResourceW(program_, MAKEINTRESOURCEW(IDD_SETUP_DIALOG), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const void* data = LockResource(LoadResource(program_, found));
    ASSERT_NE(data, nullptr);
    ResourceReader template102(data, SizeofResource(program_, found));

    // The extended template's header, up to its font record.
    EXPECT_EQ(template102.Number(2), 1u);       // version
    EXPECT_EQ(template102.Number(2), 0xFFFFu);  // the extended template's signature
    template102.Skip(8);                        // help ID, extended style
    const std::uint32_t style = template102.Number(4);
    ASSERT_NE(style & DS_SETFONT, 0u) << "the template names no font";
    template102.Skip(2 + 4 * 2);      // control count; x, y, width, height
    template102.SkipNameOrOrdinal();  // menu
    template102.SkipNameOrOrdinal();  // window class
    template102.Text();               // caption

    const std::uint32_t pointSize = template102.Number(2);
    const std::uint32_t weight = template102.Number(2);
    const std::uint32_t italic = template102.Byte();
    const std::uint32_t characterSet = template102.Byte();
    const std::wstring typeface = template102.Text();
    EXPECT_EQ(pointSize, 8u);
    EXPECT_EQ(weight, static_cast<std::uint32_t>(FW_NORMAL));
    EXPECT_EQ(italic, 0u);
    // An East-Asian Windows picks a font with its language's glyphs only for the default set.
    EXPECT_EQ(characterSet, static_cast<std::uint32_t>(DEFAULT_CHARSET));
    EXPECT_EQ(typeface, L"MS Shell Dlg");
    EXPECT_FALSE(template102.Overrun());
}

// What the loader reads from the manifest: a program that says it is DPI-aware gets the screen's
// real density, instead of a 96-pixels-per-inch window that the system enlarges as a bitmap.
TEST_F(ShippedResources, ManifestDeclaresTheProgramSystemDpiAware) {
    // Windows 7's function, looked up: this build's headers are Windows 2000's.
    using QuerySettings = BOOL(WINAPI*)(DWORD, HANDLE, const wchar_t*, const wchar_t*, wchar_t*, SIZE_T, SIZE_T*);
    auto query = reinterpret_cast<QuerySettings>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryActCtxSettingsW")));
    ASSERT_NE(query, nullptr);

    ACTCTXW request;
    std::memset(&request, 0, sizeof request);
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = kProgram.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);  // the manifest the loader reads at process start
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the manifest does not parse, error " << GetLastError();

    wchar_t value[32] = {};
    SIZE_T written = 0;
    const BOOL found = query(0, context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", value,
                             sizeof value / sizeof value[0], &written);
    const DWORD error = GetLastError();
    ReleaseActCtx(context);
    ASSERT_TRUE(found) << "no dpiAware setting, error " << error;
    EXPECT_STREQ(value, L"true");  // system-aware: the one value Windows Vista knows
}

}  // namespace
