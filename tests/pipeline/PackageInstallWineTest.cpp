// The installation steps on the real Win32 services under Wine, in a prefix of their own whose
// temporary folder has blanks in its name: the child-process service with a stand-in installer
// that exits with a chosen code, and Wine's own msiexec and wusa.exe on a real package.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/InstallPaths.h"
#include "core/ProcessState.h"
#include "core/SetupLog.h"
#include "platform/Services.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/PackageInstall.h"
#include "tests/support/ProcessCounters.h"

namespace {

const wchar_t kProductUpgradeCode[] = L"{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}";

// A path of the build folder as the Windows program sees it (Wine shows the host as drive Z:).
std::wstring HostPath(const char* path) {
    std::wstring wide = L"Z:";
    for (const char* c = path; *c != '\0'; ++c) wide.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(*c));
    return wide;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring LogText() {
    std::wstring text;
    FILE* file = _wfopen(SetupLog::GetFilePath().c_str(), L"rb");
    if (file == nullptr) return text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text.push_back(static_cast<wchar_t>(c));
    std::fclose(file);
    return text;
}

void StageStandIn(unsigned exitCode, unsigned milliseconds) {
    SetEnvironmentVariableW(L"KORVO_STANDIN_EXIT", std::to_wstring(exitCode).c_str());
    SetEnvironmentVariableW(L"KORVO_STANDIN_MS", std::to_wstring(milliseconds).c_str());
}

// The real service, but every program it is asked to start is the stand-in installer.
class StandInChildren final : public platform::ChildProcesses {
public:
    platform::ChildStart Start(const std::wstring& application, const std::wstring& commandLine,
                               bool inheritHandles) override {
        applications.push_back(application);
        return real_.Start(HostPath(KORVO_STANDIN_INSTALLER), commandLine, inheritHandles);
    }
    std::wstring SystemFolder() const override { return real_.SystemFolder(); }
    void Pause(std::uint32_t milliseconds) override { real_.Pause(milliseconds); }
    std::vector<std::wstring> applications;

private:
    platform::ChildProcesses& real_ = *platform::RealServices().children;
};

TEST(ChildProcessesWine, ExitCodesWaitsAndFailedStarts) {
    platform::ChildProcesses& children = *platform::RealServices().children;
    for (unsigned code : {0u, 7u, 259u, 3010u, 0x80240017u}) {
        SCOPED_TRACE(code);
        StageStandIn(code, 1500);  // long enough that the first short wait cannot see it end
        platform::ChildStart start = children.Start(HostPath(KORVO_STANDIN_INSTALLER), L"msiexec /q", false);
        ASSERT_TRUE(start.child);
        EXPECT_EQ(start.child->ExitCode().code, 259u);  // still running
        EXPECT_EQ(start.child->Wait(10), platform::ChildWait::TimedOut);
        EXPECT_EQ(start.child->Wait(20000), platform::ChildWait::Ended);
        platform::ChildExitCode exit = start.child->ExitCode();
        EXPECT_TRUE(exit.read);
        EXPECT_EQ(exit.code, code);
    }
    platform::ChildStart missing = children.Start(L"C:\\nowhere\\wusa.exe", L"wusa.exe /quiet", false);
    EXPECT_FALSE(missing.child);
    EXPECT_TRUE(missing.error == ERROR_FILE_NOT_FOUND || missing.error == ERROR_PATH_NOT_FOUND) << missing.error;

    std::wstring system = children.SystemFolder();
    EXPECT_TRUE(Exists(system + L"\\msiexec.exe")) << system.c_str();
    EXPECT_TRUE(Exists(system + L"\\wusa.exe")) << system.c_str();
}

class PackageInstallWine : public ::testing::Test {
protected:
    PackageInstallWine() : scope_(Staged()) { PrepareInstallPaths(); }
    platform::Services Staged() {
        platform::Services services = platform::RealServices();
        services.windows = &posted;
        return services;
    }
    ScopedProcessCounters counters_;
    platform::fakes::FakeWindowMessages posted;
    InstallContext context{reinterpret_cast<platform::WindowHandle>(0x1234), L""};

private:
    platform::ScopedServices scope_;
};

TEST_F(PackageInstallWine, AnInstallerThatReallyExitsWith259IsWatchedToItsEnd) {
    StandInChildren standIn;
    platform::Services services = platform::Os();
    services.children = &standIn;
    platform::ScopedServices scope(services);
    StageStandIn(259, 700);
    EXPECT_EQ(InstallMSI(L"Installing MSXML 6.0...", L"msxml6_x64.msi", &context, false, L"", false), 0);
    EXPECT_NE(LogText().find(L"Installer exit code = 259 (failed)"), std::wstring::npos);
    ASSERT_EQ(standIn.applications.size(), 1u);
    EXPECT_EQ(standIn.applications[0], platform::Os().children->SystemFolder() + L"\\msiexec.exe");
}

TEST_F(PackageInstallWine, RealMsiexecInstallsAndRemovesFromAFolderWithBlanks) {
    ASSERT_NE(TempPath().find(L' '), std::wstring::npos) << TempPath().c_str();
    const std::wstring packagePath = PackageFolder() + L"KORVOSkelv.msi";
    ASSERT_TRUE(CopyFileW(HostPath(KORVO_PRODUCT_PACKAGE).c_str(), packagePath.c_str(), FALSE));

    EXPECT_EQ(
        InstallMSI(L"Installing KORVO Skelv...", L"KORVOSkelv.msi", &context, true, GetInstallProperties(), false), 0);
    std::wstring log = LogText();
    EXPECT_NE(log.find(L"msiexec /norestart /i \"" + packagePath + L"\"  " + GetInstallProperties() + L" /q /l* \"" +
                       TempPath() + L"KORVOSkelv.msi.log\"\r\n"),
              std::wstring::npos);
    EXPECT_NE(log.find(L"Installer exit code = 0 (done)"), std::wstring::npos);
    EXPECT_TRUE(Exists(TempPath() + L"KORVOSkelv.msi.log"));
    std::wstring productCode;
    EXPECT_EQ(platform::Os().installer->EnumRelatedProducts(kProductUpgradeCode, 0, productCode), 0u);
    bool barFull = false;
    for (const auto& message : posted.Snapshot()) barFull = barFull || (message.wParam == 100 && message.lParam == 100);
    EXPECT_TRUE(barFull);

    EXPECT_EQ(RemoveMSI(L"Setup was canceled. Removing KORVO Skelv...", L"KORVOSkelv.msi", &context), 0);
    EXPECT_NE(LogText().find(L"msiexec /x \"" + packagePath + L"\" /q\r\n"), std::wstring::npos);
    EXPECT_NE(platform::Os().installer->EnumRelatedProducts(kProductUpgradeCode, 0, productCode), 0u);

    // wusa.exe runs from the system folder and its exit code is logged; the step does not judge it.
    const std::wstring update = PackageFolder() + L"Windows6.0-KB941179-x64.msu";
    FILE* file = _wfopen(update.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(InstallMSI(L"Installing MSXML 6.0...", L"Windows6.0-KB941179-x64.msu", &context, false, L"", true), 0);
    EXPECT_NE(LogText().find(L"wusa.exe /quiet /norestart \"" + update + L"\"\r\n"), std::wstring::npos);

    CleanupPackageFolder();
    EXPECT_FALSE(Exists(packagePath));
    EXPECT_FALSE(Exists(update));
    EXPECT_FALSE(Exists(PackageFolder()));
}

}  // namespace
