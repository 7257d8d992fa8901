// The install run's sequence with scripted package steps: which packages in which order, what each
// step's result means, which end the run takes, and what it posts and logs.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "checks/StartupCheckResults.h"
#include "core/InstallPaths.h"
#include "core/ProcessSettings.h"
#include "core/ProcessState.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/InstallRun.h"
#include "setup/InstallWorker.h"
#include "setup/RunningWorker.h"
#include "setup/StatusNote.h"
#include "setup/StepMessages.h"
#include "setup/WorkerMessages.h"
#include "tests/pipeline/StatusNotes.h"
#include "tests/support/FakeMachineLog.h"
#include "tests/support/TestThread.h"

namespace {

using platform::fakes::ScopedFakeMachine;
using Calls = std::vector<std::string>;
using Texts = std::vector<std::wstring>;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// What a machine needs and is, by name, for the table rows: Needing(kRuntime | kWow64).
enum Need : unsigned { kNothing = 0, kRuntime = 1, kMsxml = 2, kWindows60 = 4, kWow64 = 8 };
MachineNeeds Needing(unsigned needs) {
    return MachineNeeds{(needs & kRuntime) != 0, (needs & kMsxml) != 0, (needs & kWindows60) != 0,
                        (needs & kWow64) != 0};
}

TEST(PackageChoice, EveryPlatformAndFlagInTheirOrder) {
    struct Case {
        MachineNeeds needs;
        Texts files;
        std::set<std::wstring> updates = {};  // the files the update installer takes
    };
    const Case cases[] = {
        {Needing(kNothing), {L"KORVOSkelv.msi"}},
        {Needing(kWindows60 | kWow64), {L"KORVOSkelv.msi"}},
        {Needing(kRuntime), {L"InstallHVSoftwarePrerequisites_x86.msi", L"KORVOSkelv.msi"}},
        {Needing(kRuntime | kWow64), {L"InstallHVSoftwarePrerequisites_x86_x64.msi", L"KORVOSkelv.msi"}},
        {Needing(kMsxml), {L"msxml6_x86.msi", L"KORVOSkelv.msi"}},
        {Needing(kMsxml | kWow64), {L"msxml6_x64.msi", L"KORVOSkelv.msi"}},
        {Needing(kMsxml | kWindows60),
         {L"Windows6.0-KB941179-x86.msu", L"KORVOSkelv.msi"},
         {L"Windows6.0-KB941179-x86.msu"}},
        {Needing(kRuntime | kMsxml | kWindows60 | kWow64),
         {L"InstallHVSoftwarePrerequisites_x86_x64.msi", L"Windows6.0-KB941179-x64.msu", L"KORVOSkelv.msi"},
         {L"Windows6.0-KB941179-x64.msu"}},
        {Needing(kRuntime | kMsxml | kWow64),
         {L"InstallHVSoftwarePrerequisites_x86_x64.msi", L"msxml6_x64.msi", L"KORVOSkelv.msi"}},
    };
    for (const Case& c : cases) {
        std::vector<PlannedPackage> packages = ChoosePackages(c.needs);
        Texts files;
        for (const PlannedPackage& package : packages) {
            files.push_back(package.fileName);
            SCOPED_TRACE(Narrow(package.fileName));
            EXPECT_EQ(package.updatePackage, c.updates.count(package.fileName) == 1);
            EXPECT_EQ(package.isProduct, package.fileName == L"KORVOSkelv.msi");
        }
        EXPECT_EQ(files, c.files);
    }
}

TEST(PackageChoice, KorvoNoExpandSkipsOnlyWithAValueThatFits) {
    struct Case {
        std::optional<std::wstring> value;
        bool skipped;
    };
    const Case cases[] = {
        {std::nullopt, false},
        {L"", false},
        {L"1", true},
        {L"0", true},
        {std::wstring(31, L'x'), true},
        {std::wstring(32, L'x'), false},
        {std::wstring(200, L'x'), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextureExpansionSkipped(c.value), c.skipped) << (c.value ? c.value->size() : 0);
    }
}

// What every step answers, and the record of what was asked. Steps that show a status post it as the
// real ones do, so the window sees the run's status texts in order.
struct Script {
    MachineNeeds needs{};
    std::map<std::wstring, int> downloads{};  // by file; 0 when not named
    std::set<std::wstring> unsignedFiles{};
    std::map<std::wstring, int> installs{};  // by file; 0 when not named
    bool installed = true;
    // Registered after the product's installation instead of the package's own version.
    std::optional<std::wstring> registeredInstead{};
    int expand = 0;
    int optimizer = 0;
    std::set<std::wstring> unholdableFiles{};
    bool recordHolds = false;                               // the holds and their ends join the calls
    std::optional<std::wstring> packageVersion = L"3.1.0";  // the product package's own
    std::map<std::wstring, std::uint32_t> exitCodes{};      // the installers' exit codes; 0 when not named
};

class ScriptedSteps final : public InstallSteps {
public:
    explicit ScriptedSteps(Script script) : script_(std::move(script)) {}
    bool PreparePackageFolder() override { return PrepareInstallPaths(); }
    MachineNeeds Needs() override { return script_.needs; }
    int Download(const std::wstring& statusText, const std::wstring& fileName, InstallContext* context) override {
        calls.push_back("get " + Narrow(fileName));
        ShowStatus(context, statusText);
        auto result = script_.downloads.find(fileName);
        return result == script_.downloads.end() ? 0 : result->second;
    }
    // A hold that records its end, in the calls when `recordHolds` is set.
    class ScriptedHold final : public platform::HeldFile {
    public:
        ScriptedHold(ScriptedSteps& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
        ~ScriptedHold() override {
            if (owner_.script_.recordHolds) owner_.calls.push_back("let go " + name_);
        }
        void* SystemHandle() const override { return nullptr; }

    private:
        ScriptedSteps& owner_;
        std::string name_;
    };
    std::unique_ptr<platform::HeldFile> HoldPackage(const std::wstring& packagePath) override {
        std::wstring fileName = packagePath.substr(PackageFolder().size());
        if (script_.recordHolds) calls.push_back("hold " + Narrow(fileName));
        if (script_.unholdableFiles.count(fileName) != 0) return nullptr;
        return std::make_unique<ScriptedHold>(*this, Narrow(fileName));
    }
    bool IsSigned(const std::wstring& packagePath, const platform::HeldFile&) override {
        std::wstring fileName = packagePath.substr(PackageFolder().size());
        calls.push_back("verify " + Narrow(fileName));
        EXPECT_EQ(packagePath, PackageFolder() + fileName);
        return script_.unsignedFiles.count(fileName) == 0;
    }
    int Install(const std::wstring& statusText, const PlannedPackage& package, InstallContext* context,
                std::uint32_t& exitCode) override {
        calls.push_back("install " + Narrow(package.fileName));
        auto code = script_.exitCodes.find(package.fileName);
        exitCode = code == script_.exitCodes.end() ? 0 : code->second;
        ShowStatus(context, statusText);
        auto result = script_.installs.find(package.fileName);
        return result == script_.installs.end() ? 0 : result->second;
    }
    void RemoveProduct(const std::wstring& statusText, InstallContext* context) override {
        calls.push_back("remove");
        ShowStatus(context, statusText);
    }
    bool IsProductInstalled() override {
        calls.push_back("installed?");
        return script_.installed;
    }
    std::optional<std::wstring> InstalledProductVersion() override {
        calls.push_back("version?");
        return script_.registeredInstead ? script_.registeredInstead : script_.packageVersion;
    }
    std::optional<std::wstring> PackageVersion(const std::wstring& packagePath) override {
        calls.push_back("package version?");
        EXPECT_EQ(packagePath, PackageFolder() + L"KORVOSkelv.msi");
        return script_.packageVersion;
    }
    int ExpandTextures(const std::wstring& statusText, InstallContext* context) override {
        calls.push_back("expand");
        ShowStatus(context, statusText);
        return script_.expand;
    }
    int LaunchGraphicOptimizer() override {
        calls.push_back("optimizer");
        return script_.optimizer;
    }
    void CleanupPackageFolder() override { calls.push_back("cleanup"); }

    Calls calls;

private:
    Script script_;
};

const std::wstring kTempFolderLine = L"Temporary folder : C:\\Temp\\KORVOS1234\\";
const std::wstring kOk = L"OUT->ThreadDownloadInstall () OK ";
const std::wstring kKo = L"OUT->ThreadDownloadInstall () KO ";
const std::wstring kCancel = L"OUT->ThreadDownloadInstall () CANCEL ";
const std::wstring kRemoving = L"Setup was canceled. Removing KORVO Skelv...";
const std::wstring kGetProduct = L"Downloading KORVO Skelv installer...";
const std::wstring kInstallProduct = L"Installing KORVO Skelv...";
const std::wstring kExpanding = L"Expanding textures and launching Graphic Optimizer...";
const std::wstring kOptimizing = L"Launching Graphic Optimizer...";
const Calls kProductThroughOptimizer = {"get KORVOSkelv.msi",
                                        "verify KORVOSkelv.msi",
                                        "package version?",
                                        "install KORVOSkelv.msi",
                                        "installed?",
                                        "version?",
                                        "expand",
                                        "optimizer",
                                        "cleanup"};

class InstallRunTest : public ::testing::Test {
protected:
    InstallRunTest() { ReceiveStatusNotes(machine); }

    struct Outcome {
        int result;
        Calls calls;
        Texts statuses;
        std::vector<std::uint32_t> finals;  // the messages other than status and progress
        Texts log;
    };
    Outcome Run(const Script& script, std::optional<std::wstring> noExpand = std::nullopt, bool withContext = true) {
        ProcessSettings settings;
        settings.noTextureExpansion = std::move(noExpand);
        ScopedProcessSettings scope(settings);
        machine.windows.posted.clear();
        ProgressCounter = 7;
        ScriptedSteps steps(script);
        InstallContext* context = withContext ? new InstallContext{kWindow, L""} : nullptr;
        Outcome outcome{RunInstall(context, steps), steps.calls, {}, {}, {}};
        EXPECT_EQ(ProgressCounter.load(), 1);
        for (const auto& posted : machine.windows.Snapshot()) {
            EXPECT_EQ(posted.window, kWindow);
            EXPECT_EQ(posted.wParam, 0u);
            if (posted.message == worker_message::kInstallStatus) {
                outcome.statuses.push_back(posted.text);
            } else {
                outcome.finals.push_back(posted.message);
                if (posted.message == worker_message::kInstallSucceeded) {
                    EXPECT_EQ(posted.lParam, 0);
                }
            }
        }
        outcome.log = LogEntries(machine);
        return outcome;
    }

    const platform::WindowHandle kWindow = reinterpret_cast<platform::WindowHandle>(0x4d2);
    ScopedFakeMachine machine;
};

TEST_F(InstallRunTest, EveryEndOfTheRun) {
    struct Case {
        const char* name;
        Script script;
        int result;
        Calls calls;
        std::uint32_t final;
        Texts statuses;
        Texts workerLines;  // between the temporary folder line and the end line
        std::optional<std::wstring> noExpand = std::nullopt;
    };
    const Calls productThroughOptimizer = kProductThroughOptimizer;
    const Texts productStatuses = {kGetProduct, kInstallProduct, kExpanding, kOptimizing};
    const Case cases[] = {
        {"both prerequisites, then the product",
         {Needing(kRuntime | kMsxml)},
         1,
         {"get InstallHVSoftwarePrerequisites_x86.msi", "verify InstallHVSoftwarePrerequisites_x86.msi",
          "install InstallHVSoftwarePrerequisites_x86.msi", "get msxml6_x86.msi", "verify msxml6_x86.msi",
          "install msxml6_x86.msi", "get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?",
          "install KORVOSkelv.msi", "installed?", "version?", "expand", "optimizer", "cleanup"},
         worker_message::kInstallSucceeded,
         {L"Downloading VC8 prerequisites...", L"Installing VC8 prerequisites...", L"Downloading MSXML 6.0...",
          L"Installing MSXML 6.0...", kGetProduct, kInstallProduct, kExpanding, kOptimizing},
         {},
         std::nullopt},
        {"nothing but the product",
         {},
         1,
         productThroughOptimizer,
         worker_message::kInstallSucceeded,
         productStatuses,
         {}},
        {"cancel while the prerequisites download",
         {Needing(kRuntime | kWow64), {{L"InstallHVSoftwarePrerequisites_x86_x64.msi", 2}}},
         2,
         {"get InstallHVSoftwarePrerequisites_x86_x64.msi", "cleanup"},
         worker_message::kInstallCancelled,
         {L"Downloading VC8 prerequisites..."},
         {}},
        {"the product's download fails with the server's refusal",
         {{}, {{L"KORVOSkelv.msi", static_cast<int>(0x80004005)}}},
         3,
         {"get KORVOSkelv.msi", "cleanup"},
         worker_message::kInstallFailed,
         {kGetProduct},
         {}},
        {"the product cannot be held for its verification",
         {{}, {}, {}, {}, true, {}, 0, 0, {L"KORVOSkelv.msi"}},
         3,
         {"get KORVOSkelv.msi", "cleanup"},
         worker_message::kInstallFailed,
         {kGetProduct},
         {}},
        {"MSXML unsigned: nothing later is fetched",
         {Needing(kRuntime | kMsxml | kWow64), {}, {L"msxml6_x64.msi"}},
         3,
         {"get InstallHVSoftwarePrerequisites_x86_x64.msi", "verify InstallHVSoftwarePrerequisites_x86_x64.msi",
          "install InstallHVSoftwarePrerequisites_x86_x64.msi", "get msxml6_x64.msi", "verify msxml6_x64.msi",
          "cleanup"},
         worker_message::kInstallFailed,
         {L"Downloading VC8 prerequisites...", L"Installing VC8 prerequisites...", L"Downloading MSXML 6.0..."},
         {}},
        {"cancel during a prerequisite's installation: nothing is removed",
         {Needing(kMsxml | kWindows60 | kWow64), {}, {}, {{L"Windows6.0-KB941179-x64.msu", 2}}},
         2,
         {"get Windows6.0-KB941179-x64.msu", "verify Windows6.0-KB941179-x64.msu",
          "install Windows6.0-KB941179-x64.msu", "cleanup"},
         worker_message::kInstallCancelled,
         {L"Downloading MSXML 6.0...", L"Installing MSXML 6.0..."},
         {}},
        {"a prerequisite's installer cannot be started",
         {Needing(kRuntime), {}, {}, {{L"InstallHVSoftwarePrerequisites_x86.msi", -2}}},
         3,
         {"get InstallHVSoftwarePrerequisites_x86.msi", "verify InstallHVSoftwarePrerequisites_x86.msi",
          "install InstallHVSoftwarePrerequisites_x86.msi", "cleanup"},
         worker_message::kInstallFailed,
         {L"Downloading VC8 prerequisites...", L"Installing VC8 prerequisites..."},
         {}},
        {"cancel during the product's installation removes it",
         {{}, {}, {}, {{L"KORVOSkelv.msi", 2}}},
         2,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "remove",
          "cleanup"},
         worker_message::kInstallCancelled,
         {kGetProduct, kInstallProduct, kRemoving},
         {}},
        {"the product's installer cannot be started",
         {{}, {}, {}, {{L"KORVOSkelv.msi", -2}}},
         3,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "cleanup"},
         worker_message::kInstallFailed,
         {kGetProduct, kInstallProduct},
         {}},
        {"the product is not registered afterwards",
         {{}, {}, {}, {}, false},
         3,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "installed?",
          "cleanup"},
         worker_message::kInstallFailed,
         {kGetProduct, kInstallProduct},
         {}},
        {"a failed upgrade leaves the older version: not a success",
         {{}, {}, {}, {}, true, L"3.0.0"},
         3,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "installed?",
          "version?", "cleanup"},
         worker_message::kInstallFailed,
         {kGetProduct, kInstallProduct},
         {L"KORVO Skelv is installed in version 3.0.0, not in its package's version 3.1.0"}},
        {"the package's version registered: a success, also when it was installed before",
         {{}, {}, {}, {}, true, std::nullopt, 0, 0, {}, false, L"3.01.0"},
         1,
         productThroughOptimizer,
         worker_message::kInstallSucceeded,
         productStatuses,
         {}},
        {"the product's installer says it failed",
         {{}, {}, {}, {}, true, std::nullopt, 0, 0, {}, false, L"3.1.0", {{L"KORVOSkelv.msi", 1603}}},
         3,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "cleanup"},
         worker_message::kInstallFailed,
         {kGetProduct, kInstallProduct},
         {L"KORVO Skelv installer failed with exit code 1603"}},
        {"the product's installer asks for a restart: done",
         {{}, {}, {}, {}, true, std::nullopt, 0, 0, {}, false, L"3.1.0", {{L"KORVOSkelv.msi", 3010}}},
         1,
         productThroughOptimizer,
         worker_message::kInstallSucceeded,
         productStatuses,
         {}},
        {"the package's version cannot be read",
         {{}, {}, {}, {}, true, std::nullopt, 0, 0, {}, false, std::nullopt},
         3,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "installed?",
          "cleanup"},
         worker_message::kInstallFailed,
         {kGetProduct, kInstallProduct},
         {L"Setup cannot read the version of the KORVO Skelv package"}},
        {"a prerequisite's installer exit code does not decide",
         {Needing(kRuntime),
          {},
          {},
          {},
          true,
          std::nullopt,
          0,
          0,
          {},
          false,
          L"3.1.0",
          {{L"InstallHVSoftwarePrerequisites_x86.msi", 1603}}},
         1,
         {"get InstallHVSoftwarePrerequisites_x86.msi", "verify InstallHVSoftwarePrerequisites_x86.msi",
          "install InstallHVSoftwarePrerequisites_x86.msi", "get KORVOSkelv.msi", "verify KORVOSkelv.msi",
          "package version?", "install KORVOSkelv.msi", "installed?", "version?", "expand", "optimizer", "cleanup"},
         worker_message::kInstallSucceeded,
         {L"Downloading VC8 prerequisites...", L"Installing VC8 prerequisites...", kGetProduct, kInstallProduct,
          kExpanding, kOptimizing},
         {}},
        {"cancel during the texture expansion removes the product",
         {{}, {}, {}, {}, true, {}, 2},
         2,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "installed?",
          "version?", "expand", "remove", "cleanup"},
         worker_message::kInstallCancelled,
         {kGetProduct, kInstallProduct, kExpanding, kRemoving},
         {}},
        {"the texture expansion fails: the product stays",
         {{}, {}, {}, {}, true, {}, 5},
         3,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "installed?",
          "version?", "expand", "cleanup"},
         worker_message::kExpandFailed,
         {kGetProduct, kInstallProduct, kExpanding},
         {}},
        {"the texture tool cannot be started",
         {{}, {}, {}, {}, true, {}, -2},
         3,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "installed?",
          "version?", "expand", "cleanup"},
         worker_message::kExpandFailed,
         {kGetProduct, kInstallProduct, kExpanding},
         {}},
        {"a failing optimizer is logged and the run succeeds",
         {{}, {}, {}, {}, true, {}, 0, 5},
         1,
         productThroughOptimizer,
         worker_message::kInstallSucceeded,
         productStatuses,
         {L"Graphic Optimizer failed - rc = 5"}},
        {"KORVO_NOEXPAND set",
         {},
         1,
         {"get KORVOSkelv.msi", "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "installed?",
          "version?", "optimizer", "cleanup"},
         worker_message::kInstallSucceeded,
         {kGetProduct, kInstallProduct, kOptimizing},
         {L"Expand of textures is skipped because variable KORVO_NOEXPAND is set"},
         L"1"},
        {"KORVO_NOEXPAND empty",
         {},
         1,
         productThroughOptimizer,
         worker_message::kInstallSucceeded,
         productStatuses,
         {},
         L""},
        {"KORVO_NOEXPAND too long to be read",
         {},
         1,
         productThroughOptimizer,
         worker_message::kInstallSucceeded,
         productStatuses,
         {},
         std::wstring(32, L'1')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.files.existingFolders.clear();  // the real clean-up removes each run's folder
        Outcome outcome = Run(c.script, c.noExpand);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.calls, c.calls);
        EXPECT_EQ(outcome.statuses, c.statuses);
        EXPECT_EQ(outcome.finals, std::vector<std::uint32_t>{c.final});
        Texts expectedLog = {L"IN->ThreadDownloadInstall ()", kTempFolderLine};
        expectedLog.insert(expectedLog.end(), c.workerLines.begin(), c.workerLines.end());
        expectedLog.push_back(c.result == 1 ? kOk : c.result == 2 ? kCancel : kKo);
        Texts log = outcome.log;
        ASSERT_GE(log.size(), expectedLog.size());
        EXPECT_EQ(Texts(log.end() - static_cast<std::ptrdiff_t>(expectedLog.size()), log.end()), expectedLog);
    }
}

// Each package is held from before its verification until its installer, and for the product a
// removal after a cancel, has ended.
TEST_F(InstallRunTest, EachPackageIsHeldFromItsVerificationToTheEndOfItsInstaller) {
    Script script;
    script.needs.runtimeNeeded = true;
    script.installs[L"KORVOSkelv.msi"] = 2;  // cancelled during the product's installation
    script.recordHolds = true;
    Outcome outcome = Run(script);
    EXPECT_EQ(outcome.result, kRunCancelled);
    EXPECT_EQ(outcome.calls,
              (Calls{"get InstallHVSoftwarePrerequisites_x86.msi", "hold InstallHVSoftwarePrerequisites_x86.msi",
                     "verify InstallHVSoftwarePrerequisites_x86.msi", "install InstallHVSoftwarePrerequisites_x86.msi",
                     "let go InstallHVSoftwarePrerequisites_x86.msi", "get KORVOSkelv.msi", "hold KORVOSkelv.msi",
                     "verify KORVOSkelv.msi", "package version?", "install KORVOSkelv.msi", "remove",
                     "let go KORVOSkelv.msi", "cleanup"}));
}

// A package folder that cannot be made new (every name taken: planted by someone else, say) ends
// the run as a failed download before anything is fetched, and nothing is deleted.
TEST_F(InstallRunTest, WithoutAPackageFolderOfItsOwnTheRunFailsBeforeAnyDownload) {
    for (std::uint32_t number = 1234; number < 1234 + kPackageFolderAttempts; ++number)
        machine.files.existingFolders.insert(L"C:\\Temp\\KORVOS" + std::to_wstring(number) + L"\\");
    Outcome outcome = Run(Script{});
    EXPECT_EQ(outcome.result, kRunFailed);
    EXPECT_EQ(outcome.calls, Calls{"cleanup"});
    EXPECT_EQ(outcome.finals, std::vector<std::uint32_t>{worker_message::kInstallFailed});
    EXPECT_EQ(outcome.log, (Texts{L"IN->ThreadDownloadInstall ()",
                                  L"Setup found 10 package folder names taken in C:\\Temp\\", kKo}));
    EXPECT_TRUE(PackageFolder().empty());
}

TEST_F(InstallRunTest, WithoutAContextNothingIsPostedAndTheRunStillEnds) {
    Script script;
    script.installs[L"KORVOSkelv.msi"] = 2;
    Outcome outcome = Run(script, std::nullopt, false);
    EXPECT_EQ(outcome.result, kRunCancelled);
    EXPECT_EQ(outcome.calls.back(), "cleanup");
    EXPECT_TRUE(machine.windows.Snapshot().empty());
    EXPECT_EQ(outcome.log.back(), kCancel);
}

TEST_F(InstallRunTest, AStatusThatCannotBePostedIsFreedByTheWorker) {
    // Posting fails (the window has gone): the run goes on and, under the leak checker, no note is
    // left behind.
    machine.windows.refusePosts = true;
    Outcome outcome = Run(Script{});
    EXPECT_EQ(outcome.result, kRunInstalled);
    EXPECT_EQ(outcome.calls, kProductThroughOptimizer);
    EXPECT_TRUE(outcome.statuses.empty());
}

// The dialog stand-in reads the status messages on its own thread, some while the worker runs and
// the rest only after the worker has deleted the context: each must still give the text that was
// current when it was posted. Run under the thread and address checkers.
TEST(StatusHandOver, TheDialogReadsEveryStatusAsPostedEvenAfterTheContextIsGone) {
    ScopedFakeMachine machine;
    ScopedProcessSettings settings{ProcessSettings{}};
    Script script;
    script.needs = Needing(kRuntime | kMsxml | kWow64);
    ScriptedSteps steps(script);
    std::atomic<bool> workerDone{false};
    Texts read;
    TestThread dialog([&] {
        std::size_t handled = 0;
        bool ended = false;
        while (!ended) {
            std::vector<platform::fakes::FakeWindowMessages::Posted> queue = machine.windows.Snapshot();
            // Late reader: after the first few messages, wait for the worker to finish entirely.
            if (handled >= 3 && !workerDone.load()) {
                std::this_thread::yield();
                continue;
            }
            for (; handled < queue.size(); ++handled) {
                if (queue[handled].message == worker_message::kInstallStatus) {
                    read.push_back(TakeStatusNote(queue[handled].lParam).value_or(L""));
                } else {
                    ended = true;
                }
            }
        }
    });
    EXPECT_EQ(RunInstall(new InstallContext{reinterpret_cast<platform::WindowHandle>(1), L""}, steps), kRunInstalled);
    workerDone = true;
    dialog.join();
    EXPECT_EQ(read, (Texts{L"Downloading VC8 prerequisites...", L"Installing VC8 prerequisites...",
                           L"Downloading MSXML 6.0...", L"Installing MSXML 6.0...", kGetProduct, kInstallProduct,
                           kExpanding, kOptimizing}));
}

// The program's worker, not a scripted stand-in: it reads what start-up found, works through the
// steps, posts its end, cleans up and, as its last act, lets start-up go on.
TEST(InstallWorker, TheProgramsWorkerEndsAndLetsStartUpGoOn) {
    platform::fakes::ScopedFakeMachine machine;
    ReceiveStatusNotes(machine);
    StartupCheckResults& found = StartupResults();
    const StartupCheckResults saved = found;
    found.vc8PrereqNeeded = true;
    found.msxmlPrereqNeeded = false;
    ProcessSettings settings;
    settings.downloadServer = L"h\u00e9te.example";  // refused before any request: the download fails
    ScopedProcessSettings scope(settings);
    const platform::WindowHandle window = reinterpret_cast<platform::WindowHandle>(0x4d2);

    RegisterRunningWorker();
    EXPECT_EQ(ThreadDownloadInstall(new InstallContext{window, L""}), 3);
    EXPECT_TRUE(WaitForRunningWorkers(0)) << "start-up would wait for a worker that has ended";
    found = saved;

    std::vector<std::uint32_t> messages;
    Texts statuses;
    for (const auto& posted : machine.windows.Snapshot()) {
        messages.push_back(posted.message);
        if (posted.message == worker_message::kInstallStatus) statuses.push_back(posted.text);
    }
    EXPECT_EQ(statuses, Texts{L"Downloading VC8 prerequisites..."});
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), worker_message::kInstallFailed);
    EXPECT_EQ(LogEntries(machine).back(), L"OUT->ThreadDownloadInstall () KO ");
    ASSERT_FALSE(machine.removal.removed.empty());
    EXPECT_EQ(machine.removal.removed.back(), L"folder " + PackageFolder());
}

}  // namespace
