#include "setup/PostInstallTools.h"

#include <optional>

#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "platform/Services.h"
#include "setup/ChildWatch.h"
#include "setup/InstallCommands.h"
#include "setup/ProductKey.h"
#include "setup/StepMessages.h"
#include "setup/StepResults.h"

std::atomic<std::int32_t> ExpandCancelPromptEnabled{1};

namespace {

// The texture tool's own way of saying it was cancelled.
constexpr std::uint32_t kToolCancelledCode = 2;
constexpr std::uint32_t kTextureWaitMilliseconds = 100;
constexpr std::uint32_t kOptimizerMaxMilliseconds = 60000;
constexpr std::uint32_t kStoppedToolWaitMilliseconds = 5000;
// The registry's answer for a missing value (the system's "file not found"). The registry service
// does not tell a missing value and an oversized one apart; both count as missing.
constexpr std::uint32_t kValueNotFound = 2;

constexpr wchar_t kTextureToolPath[] = L"\\code\\bin\\VolTexturesGeneration.exe";
constexpr wchar_t kStartToolPath[] = L"\\code\\bin\\VolSTART.exe";
// The installation folder's platform folder; the optimizer's environment folder is its sibling.
constexpr wchar_t kPlatformFolder[] = L"intel_a";
constexpr wchar_t kEnvironmentFolder[] = L"VolEnv";
constexpr wchar_t kOptimizerEnvironment[] = L"KORVO_Skelv";  // one word: needs no quotes

// The window the texture tool reports its progress to: the last one a context named.
platform::WindowHandle ProgressWindow = nullptr;

// Window handles have 32 significant bits on every Windows, so the decimal fits an int.
int WindowNumber(platform::WindowHandle window) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(window));
}

std::wstring TextureToolCommand(const std::wstring& installPath, platform::WindowHandle window) {
    std::wstring toolPath = installPath + kTextureToolPath;
    return FormatWidePrintf(L"%s -p  %s -hWnd %d",
                            {QuotedArgument(toolPath), QuotedArgument(installPath), WindowNumber(window)});
}

// The installation folder cut at its platform folder, followed directly by "VolEnv"; without the
// platform folder, "VolEnv" is appended to the whole path.
std::wstring OptimizerEnvironmentFolder(const std::wstring& installPath) {
    return installPath.substr(0, installPath.find(kPlatformFolder)) + kEnvironmentFolder;
}

std::wstring OptimizerCommand(const std::wstring& installPath) {
    std::wstring startTool = installPath + kStartToolPath;
    return FormatWidePrintf(
        L"%s -run \"LumoGraphicsOptimizerApplication\" -env %s -direnv %s -nowindow",
        {QuotedArgument(startTool), kOptimizerEnvironment, QuotedArgument(OptimizerEnvironmentFolder(installPath))});
}

std::wstring ToolFailedLine(const std::wstring& commandLine, int code) {
    return FormatWidePrintf(L"Command %s failed with return code  %d", {commandLine, code});
}

// The product's tools start as the command line's first token, with the setup's handles.
platform::ChildStart StartTool(const std::wstring& commandLine) {
    return platform::Os().children->Start(std::wstring(), commandLine, true);
}

// The cancel question during the expansion, asked while the user has pressed Cancel once and has
// not yet confirmed a cancel; the progress bar stands still while it is open, and after a confirmed
// cancel until the tool has been stopped. True when confirmed.
bool ExpansionCancelConfirmed(InstallContext* context) {
    if (CancelRequested.load() != 1 || ExpandCancelPromptEnabled.load() == 0) return false;
    ProgressDisplayEnabled.fetch_sub(1);
    bool confirmed = UserConfirmsCancel();
    if (confirmed) {
        ShowStatus(context, MessageCatalogue::FormatPositional(kMsgCancelInProgress, {product::kName}));
        ExpandCancelPromptEnabled.store(0);
    } else {
        ExpandCancelPromptEnabled.store(1);
        CancelRequested.fetch_sub(1);
        ProgressDisplayEnabled.fetch_add(1);
    }
    return confirmed;
}

int EndExpand(const std::wstring& message, int result) {
    SetupLog::Write(message);
    SetupLog::Write(result == step_result::kCancelled ? L"OUT->ExpandTextures::Expand () CANCEL"
                                                      : L"OUT->ExpandTextures::Expand ()KO");
    return result;
}

// The message with the system's text for `error` appended, the failure's log lines, -2.
int EndOptimizerUnwatched(std::wstring message, std::uint32_t error) {
    message += platform::Os().systemTexts->TextFor(error).value_or(std::wstring());
    SetupLog::Write(message);
    SetupLog::Write(L"OUT->LaunchGraphicOptimizer KO");
    return step_result::kNotWatched;
}

}  // namespace

namespace ExpandTextures {

int Expand(const std::wstring& statusText, InstallContext* context) {
    SetupLog::Write(L"IN->ExpandTextures::Expand ()");
    std::uint32_t keyError = ProductKeyOpenError();
    if (keyError != 0) return EndExpand(ProductKeyNotOpenedLine(keyError), step_result::kNotWatched);
    std::optional<std::wstring> installPath = ReadProductKeyText(product_key::kInstallPath);
    if (!installPath) return EndExpand(ProductKeyValueMissingLine(product_key::kInstallPath), step_result::kNotWatched);
    SetupLog::Write(*installPath);
    if (context != nullptr) {
        ProgressWindow = context->window;
        ShowStatus(context, statusText);
    }
    std::wstring commandLine = TextureToolCommand(*installPath, ProgressWindow);
    SetupLog::Write(commandLine);

    platform::ChildStart start = StartTool(commandLine);
    if (!start.child) {
        return EndExpand(
            FormatWidePrintf(L"Create Process  %s failed rc = %d", {commandLine, static_cast<int>(start.error)}),
            step_result::kNotWatched);
    }
    bool stoppedByUser = false;
    WatchOutcome outcome = WatchChildUnlessStopped(
        *start.child, kTextureWaitMilliseconds,
        [&] {
            stoppedByUser = ExpansionCancelConfirmed(context);
            return !stoppedByUser;
        },
        [] {});
    if (stoppedByUser) {
        // Stopping is asynchronous: give the tool a moment to let go of the product's files before
        // the product is removed.
        if (start.child->Terminate(0)) start.child->Wait(kStoppedToolWaitMilliseconds);
        start.child.reset();
        ProgressDisplayEnabled.fetch_add(1);
        return EndExpand(L"Setup was interrupted by user during Expand Textures", step_result::kCancelled);
    }
    start.child.reset();

    if (!outcome.read)
        return EndExpand(ToolFailedLine(commandLine, step_result::kNotWatched), step_result::kNotWatched);
    if (outcome.exitCode == 0) {
        SetupLog::Write(L"OUT->ExpandTextures::Expand () OK");
        return step_result::kDone;
    }
    if (outcome.exitCode == kToolCancelledCode) return EndExpand(std::wstring(), step_result::kCancelled);
    int code = static_cast<int>(outcome.exitCode);
    return EndExpand(ToolFailedLine(commandLine, code), code);
}

}  // namespace ExpandTextures

int LaunchGraphicOptimizer() {
    SetupLog::Write(L"IN->LaunchGraphicOptimizer ()");
    std::uint32_t keyError = ProductKeyOpenError();
    if (keyError != 0) {
        return EndOptimizerUnwatched(FormatWidePrintf(L"Cannnot open registry key HKLM\\%s.", {product_key::kSubKey}),
                                     keyError);
    }
    std::optional<std::wstring> installPath = ReadProductKeyText(product_key::kInstallPath);
    if (!installPath)
        return EndOptimizerUnwatched(ProductKeyValueMissingLine(product_key::kInstallPath), kValueNotFound);
    SetupLog::Write(*installPath);
    std::wstring commandLine = OptimizerCommand(*installPath);
    SetupLog::Write(commandLine);

    platform::ChildStart start = StartTool(commandLine);
    if (!start.child) return EndOptimizerUnwatched(std::wstring(), start.error);
    platform::ChildWait wait = start.child->Wait(kOptimizerMaxMilliseconds);
    platform::ChildExitCode code = start.child->ExitCode();
    if (!code.read) return EndOptimizerUnwatched(std::wstring(), code.error);

    // Still active after the time allowed (and not a child that really ended with 259).
    if (code.code == kStillActive && wait != platform::ChildWait::Ended) {
        start.child->Terminate(0);
        SetupLog::Write(L"OUT->LaunchGraphicOptimizer Killed ( maxtime exceeded)");
        return step_result::kDone;
    }
    if (code.code == 0) {
        SetupLog::Write(L"OUT->LaunchGraphicOptimizer OK");
        return step_result::kDone;
    }
    int exitCode = static_cast<int>(code.code);
    SetupLog::Write(ToolFailedLine(commandLine, exitCode));
    SetupLog::Write(L"OUT->LaunchGraphicOptimizer KO");
    return exitCode;
}
