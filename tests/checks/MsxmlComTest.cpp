// The MSXML 6.0 checker against the COM classes Windows offers: Wine 8's MSXML here, which
// normalises attribute values and honours IGNORE sections but whose SAX reader refuses the
// "suppress-validation-fatalError" feature.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "checks/VolMSXMLChecker.h"
#include "core/ProcessSettings.h"
#include "platform/MsxmlProbe.h"

namespace {

namespace r = platform::msxml_result;

// The two files of the DTD test, byte for byte.
const std::string kExpectedDtd =
    "<!ENTITY % mandatory 'INCLUDE' >\n<!ENTITY % optional 'IGNORE' >\n<![%mandatory;[\n<!ELEMENT a EMPTY>\n"
    "<!ATTLIST a\n  foo CDATA #IMPLIED>\n]]>\n<![%optional;[\n%bar;\n]]>\n";
const std::string kExpectedXml = "<?xml version=\"1.0\"?>\n<!DOCTYPE a SYSTEM \"KB941180.dtd\">\n<a foo=\"foo\"/>\n";

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH + 1];
    return std::wstring(folder, GetTempPathW(MAX_PATH + 1, folder));
}

// Where this run's folders go: a folder of its own, so that no file of an earlier run interferes.
const std::wstring kRunFolder = TempFolder() + L"msxml-" + std::to_wstring(GetCurrentProcessId()) + L"\\";

// A folder of `length` characters (its final backslash included) under this run's folder.
std::wstring MakeFolderOfLength(std::size_t length) {
    std::wstring folder = kRunFolder;
    CreateDirectoryW(folder.c_str(), nullptr);
    while (folder.size() < length) {
        const std::size_t left = length - folder.size();
        folder += std::wstring(left > 101 ? 99 : left - 1, L'k') + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    for (DWORD got = 0; ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0;) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

TEST(MsxmlCom, TheRealTestsAndTheFilesTheyLeaveInTheTemporaryFolder) {
    struct Case {
        const char* what;
        std::wstring folder;  // TMP of this process
        bool withoutFatalErrorTest;
        int code;
        int location;
        const wchar_t* name;
        bool filesWritten;
    };
    const Case cases[] = {
        {"the usual folder", TempFolder(), false, r::kMissingKb953661, 402, L"ERR_MISSING_KB953661", true},
        {"the usual folder, VolMSXMLPreqRX21 set", TempFolder(), true, r::kPassed, 0, nullptr, true},
        {"a folder deeper down", MakeFolderOfLength(120), false, r::kMissingKb953661, 402, L"ERR_MISSING_KB953661",
         true},
        // The files cannot be created, so the document cannot load: counted as the missing fix.
        {"a folder that does not exist", L"C:\\korvo-no-such-folder\\", false, r::kMissingKb941180, 308,
         L"ERR_MISSING_KB941180", false},
        // The folder plus a file name passes MAX_PATH: the files land whole in that folder, but
        // Wine's document loader cuts the path at MAX_PATH and finds no file there.
        {"a folder near MAX_PATH", MakeFolderOfLength(MAX_PATH - 5), false, r::kMissingKb941180, 308,
         L"ERR_MISSING_KB941180", true},
        // Windows names no temporary folder longer than MAX_PATH (Wine's GetTempPathW returns 0).
        {"a folder past MAX_PATH", MakeFolderOfLength(2 * MAX_PATH), false, r::kCheckFailure, 301, L"ERR_CHECK_FAILURE",
         false},
    };
    const std::wstring usualTmp = TempFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW((c.folder + L"KB941180.dtd").c_str());
        DeleteFileW((c.folder + L"KB941180.xml").c_str());
        ProcessSettings settings;
        settings.msxmlFatalErrorTestSkipped = c.withoutFatalErrorTest;
        ScopedProcessSettings scope(settings);
        VolMSXMLChecker::ForgetSkipDecisionForTests();

        SetEnvironmentVariableW(L"TMP", c.folder.c_str());
        const wchar_t* name = L"untouched";
        int location = -1;
        EXPECT_EQ(VolMSXMLChecker::Check(&name, &location), c.code);
        SetEnvironmentVariableW(L"TMP", usualTmp.c_str());

        EXPECT_EQ(location, c.location);
        EXPECT_EQ(std::wstring(name ? name : L"(none)"), std::wstring(c.name ? c.name : L"(none)"));
        const std::optional<std::string> none;
        EXPECT_EQ(ReadWholeFile(c.folder + L"KB941180.dtd"), c.filesWritten ? kExpectedDtd : none);
        EXPECT_EQ(ReadWholeFile(c.folder + L"KB941180.xml"), c.filesWritten ? kExpectedXml : none);
    }
    VolMSXMLChecker::ForgetSkipDecisionForTests();
}

}  // namespace
