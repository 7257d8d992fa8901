// The MSXML 6.0 checker against the COM classes Windows offers: Wine 8's MSXML here.
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
    std::wstring folder(GetTempPathW(0, nullptr), L'\0');
    folder.resize(GetTempPathW(static_cast<DWORD>(folder.size()), &folder[0]));
    return folder;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void DeleteTestFiles(const std::wstring& folder) {
    DeleteFileW((folder + L"KB941180.dtd").c_str());
    DeleteFileW((folder + L"KB941180.xml").c_str());
}

void ExpectTestFilesIn(const std::wstring& folder) {
    EXPECT_EQ(ReadWholeFile(folder + L"KB941180.dtd"), kExpectedDtd);
    EXPECT_EQ(ReadWholeFile(folder + L"KB941180.xml"), kExpectedXml);
}

// Points this process's temporary folder (TMP and TEMP) elsewhere for the lifetime of the object.
class ScopedTempFolder {
public:
    explicit ScopedTempFolder(const std::wstring& folder) : savedTmp_(Read(L"TMP")), savedTemp_(Read(L"TEMP")) {
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
    }
    ~ScopedTempFolder() {
        SetEnvironmentVariableW(L"TMP", savedTmp_ ? savedTmp_->c_str() : nullptr);
        SetEnvironmentVariableW(L"TEMP", savedTemp_ ? savedTemp_->c_str() : nullptr);
    }

private:
    static std::optional<std::wstring> Read(const wchar_t* name) {
        DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
        if (size == 0) return std::nullopt;
        std::wstring value(size, L'\0');
        value.resize(GetEnvironmentVariableW(name, &value[0], size));
        return value;
    }
    std::optional<std::wstring> savedTmp_, savedTemp_;
};

struct Outcome {
    int code;
    int location;
    std::wstring name;
};

Outcome RunChecker() {
    const wchar_t* name = L"untouched";
    int location = -1;
    const int code = VolMSXMLChecker::Check(&name, &location);
    return Outcome{code, location, name == nullptr ? L"(none)" : name};
}

class MsxmlComTest : public ::testing::Test {
protected:
    MsxmlComTest() { VolMSXMLChecker::ForgetSkipDecisionForTests(); }
    ~MsxmlComTest() override { VolMSXMLChecker::ForgetSkipDecisionForTests(); }

    ScopedProcessSettings noVariables{ProcessSettings{}};
};

// Wine's MSXML 6.0 normalises attribute values and honours IGNORE sections, but its SAX reader
// refuses the "suppress-validation-fatalError" feature.
TEST_F(MsxmlComTest, WineLacksOnlyTheSaxFatalErrorFeatureAndTheFilesStayBehind) {
    const std::wstring folder = TempFolder();
    DeleteTestFiles(folder);
    const Outcome outcome = RunChecker();
    EXPECT_EQ(outcome.code, r::kMissingKb953661);
    EXPECT_EQ(outcome.location, 402);
    EXPECT_EQ(outcome.name, L"ERR_MISSING_KB953661");
    ExpectTestFilesIn(folder);
}

TEST_F(MsxmlComTest, WithoutTheFatalErrorTestEveryTestPasses) {
    ProcessSettings withoutFatalErrorTest;
    withoutFatalErrorTest.msxmlFatalErrorTestSkipped = true;
    ScopedProcessSettings settings(withoutFatalErrorTest);
    const Outcome outcome = RunChecker();
    EXPECT_EQ(outcome.code, r::kPassed);
    EXPECT_EQ(outcome.location, 0);
    EXPECT_EQ(outcome.name, L"(none)");
}

// A folder of `length` characters (its final backslash included) under the temporary folder.
std::wstring MakeFolderOfLength(std::size_t length) {
    std::wstring folder = TempFolder();
    while (folder.size() < length) {
        const std::size_t part = std::min<std::size_t>(length - folder.size(), 100);
        folder += std::wstring(part - 1, L'k') + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

TEST_F(MsxmlComTest, TheTemporaryFolderDecidesTheDtdTest) {
    struct Case {
        const char* what;
        std::wstring folder;
        bool filesWritten;
        int code;
        int location;
    };
    const Case cases[] = {
        {"a folder deeper down", MakeFolderOfLength(120), true, r::kMissingKb953661, 402},
        // The files cannot be created, so the document cannot load: counted as the missing fix.
        {"a folder that does not exist", L"C:\\korvo-no-such-folder\\", false, r::kMissingKb941180, 308},
        // The folder plus a file name passes MAX_PATH: the files land whole in that folder, but
        // Wine's document does not load a file by so long a path.
        {"a folder near MAX_PATH", MakeFolderOfLength(MAX_PATH - 5), true, r::kMissingKb941180, 308},
        // Windows names no temporary folder longer than MAX_PATH (Wine's GetTempPathW returns 0).
        {"a folder past MAX_PATH", MakeFolderOfLength(2 * MAX_PATH), false, r::kCheckFailure, 301},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteTestFiles(c.folder);
        Outcome outcome;
        {
            ScopedTempFolder temp(c.folder);
            outcome = RunChecker();
        }
        EXPECT_EQ(outcome.code, c.code);
        EXPECT_EQ(outcome.location, c.location);
        if (c.filesWritten) {
            ExpectTestFilesIn(c.folder);
        } else {
            EXPECT_EQ(ReadWholeFile(c.folder + L"KB941180.xml"), std::nullopt);
        }
    }
}

}  // namespace
