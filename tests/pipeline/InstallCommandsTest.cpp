// The installation steps' decisions: command lines, property texts, exit codes and the clean-up's
// list. The progress positions are checked on whole steps (PackageInstallTest).
#include <gtest/gtest.h>

#include "setup/InstallCommands.h"

namespace {

const std::wstring kSystem = L"C:\\WINDOWS\\system32";

TEST(InstallCommands, CommandLinesQuoteExactlyThePathsWithBlanks) {
    const std::wstring plainTemp = L"C:\\Temp\\";
    const std::wstring plainPackage = L"C:\\Temp\\KORVOS1234\\KORVOSkelv.msi";
    const std::wstring blankTemp = L"C:\\Documents and Settings\\Ann\\Local Settings\\Temp\\";
    const std::wstring blankPackage = blankTemp + L"KORVOS1234\\KORVOSkelv.msi";
    const std::wstring french = L"BOOTSTRAP=1 TRANSFORMS=\":fr-fr.mst\"";
    struct Case {
        const char* name;
        ChildCommand command;
        std::wstring application;
        std::wstring line;
    };
    const Case cases[] = {
        {"with properties", InstallPackageCommand(kSystem, plainPackage, french, plainTemp, L"KORVOSkelv.msi"),
         L"C:\\WINDOWS\\system32\\msiexec.exe",
         L"msiexec /norestart /i C:\\Temp\\KORVOS1234\\KORVOSkelv.msi  BOOTSTRAP=1 TRANSFORMS=\":fr-fr.mst\" /q /l* "
         L"C:\\Temp\\KORVOSkelv.msi.log"},
        {"without properties",
         InstallPackageCommand(kSystem, L"C:\\T\\K1\\msxml6_x86.msi", std::nullopt, L"C:\\T\\", L"msxml6_x86.msi"),
         L"C:\\WINDOWS\\system32\\msiexec.exe",
         L"msiexec /norestart /i C:\\T\\K1\\msxml6_x86.msi /q /l* C:\\T\\msxml6_x86.msi.log"},
        {"update", UpdatePackageCommand(kSystem, L"C:\\T\\K1\\Windows6.0-KB941179-x64.msu"),
         L"C:\\WINDOWS\\system32\\wusa.exe", L"wusa.exe /quiet /norestart C:\\T\\K1\\Windows6.0-KB941179-x64.msu"},
        {"removal", RemovePackageCommand(kSystem, plainPackage), L"C:\\WINDOWS\\system32\\msiexec.exe",
         L"msiexec /x C:\\Temp\\KORVOS1234\\KORVOSkelv.msi /q"},
        {"blanks, with properties", InstallPackageCommand(kSystem, blankPackage, french, blankTemp, L"KORVOSkelv.msi"),
         L"C:\\WINDOWS\\system32\\msiexec.exe",
         L"msiexec /norestart /i \"" + blankPackage + L"\"  " + french + L" /q /l* \"" + blankTemp +
             L"KORVOSkelv.msi.log\""},
        {"blanks, without properties", InstallPackageCommand(kSystem, blankPackage, std::nullopt, blankTemp, L"a.msi"),
         L"C:\\WINDOWS\\system32\\msiexec.exe",
         L"msiexec /norestart /i \"" + blankPackage + L"\" /q /l* \"" + blankTemp + L"a.msi.log\""},
        {"blanks, update", UpdatePackageCommand(L"C:\\WIN NT\\system32\\", blankPackage),
         L"C:\\WIN NT\\system32\\wusa.exe", L"wusa.exe /quiet /norestart \"" + blankPackage + L"\""},
        {"blanks, removal", RemovePackageCommand(kSystem, blankPackage), L"C:\\WINDOWS\\system32\\msiexec.exe",
         L"msiexec /x \"" + blankPackage + L"\" /q"},
        {"tab", RemovePackageCommand(kSystem, L"C:\\a\tb\\p.msi"), L"C:\\WINDOWS\\system32\\msiexec.exe",
         L"msiexec /x \"C:\\a\tb\\p.msi\" /q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.command.application, c.application);
        EXPECT_EQ(c.command.line, c.line);
    }
}

TEST(InstallCommands, QuotingKeepsBackslashesAndQuotesInside) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"a\"b", L"\"a\\\"b\""},
        {L"a\\\"b c", L"\"a\\\\\\\"b c\""},
        {L"C:\\x y\\\\z", L"\"C:\\x y\\\\z\""},
        {L"C:\\Temp\\", L"C:\\Temp\\"},
        {L"C:\\My Temp\\", L"\"C:\\My Temp\\\\\""},
        {L"C:\\My Temp\\\\", L"\"C:\\My Temp\\\\\\\\\""},
        {L"", L""},
        {L" ", L"\" \""},
    };
    for (const auto& [argument, quoted] : cases) EXPECT_EQ(QuotedIfNeeded(argument), quoted);
}

TEST(InstallCommands, PropertiesFollowThePrimaryLanguage) {
    const std::pair<LanguageId, std::wstring> cases[] = {
        {0x0407, L"BOOTSTRAP=1 TRANSFORMS=\":de-de.mst\""},
        {0x0807, L"BOOTSTRAP=1 TRANSFORMS=\":de-de.mst\""},
        {0x0C0A, L"BOOTSTRAP=1 TRANSFORMS=\":es-es.mst\""},
        {0x040C, L"BOOTSTRAP=1 TRANSFORMS=\":fr-fr.mst\""},
        {0x0410, L"BOOTSTRAP=1 TRANSFORMS=\":it-it.mst\""},
        {0x0411, L"BOOTSTRAP=1 TRANSFORMS=\":ja-jp.mst\""},
        {0x0416, L"BOOTSTRAP=1"},  // Portuguese
        {0x0804, L"BOOTSTRAP=1"},  // Chinese
        {0x0409, L"BOOTSTRAP=1"},
    };
    for (const auto& [language, properties] : cases) {
        SCOPED_TRACE(language);
        EXPECT_EQ(InstallPropertiesFor(language), properties);
    }
}

}  // namespace
