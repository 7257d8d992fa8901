#include "setup/PostInstallTools.h"

#include <optional>

#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "platform/Services.h"
#include "platform/SystemCodes.h"
#include "setup/CancelQuestion.h"
#include "setup/ChildWatch.h"
#include "setup/InstallCommands.h"
#include "setup/ProductKey.h"
#include "setup/StepMessages.h"
#include "setup/SetupOutcomes.h"

namespace {

// The texture tool's own way of saying it was cancelled.
constexpr std::uint32_t kToolCancelledCode = 2;
constexpr std::uint32_t kTextureWaitMilliseconds = 100;
constexpr std::uint32_t kOptimizerMaxMilliseconds = 60000;
constexpr std::uint32_t kStoppedToolWaitMilliseconds = 5000;

constexpr wchar_t kTextureToolPath[] = L"\\code\\bin\\VolTexturesGeneration.exe";
constexpr wchar_t kStartToolPath[] = L"\\code\\bin\\VolSTART.exe";
// The installation folder's platform folder; the optimizer's environment folder is its sibling.
constexpr wchar_t kPlatformFolder[] = L"intel_a";
constexpr wchar_t kEnvironmentFolder[] = L"VolEnv";
constexpr wchar_t kOptimizerEnvironment[] = L"KORVO_Skelv";  // one word: needs no quotes

// Window handles have 32 significant bits on every Windows, so the decimal fits an int.
int WindowNumber(platform::WindowHandle window) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(window));
}

std::wstring TextureToolCommand(const std::wstring& installPath, platform::WindowHandle window) {
    std::wstring toolPath = installPath + kTextureToolPath;
    return FormatWidePrintf(L"%s -p  %s -hWnd %d",
                            {AlwaysQuoted(toolPath), AlwaysQuoted(installPath), WindowNumber(window)});
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
        {AlwaysQuoted(startTool), kOptimizerEnvironment, AlwaysQuoted(OptimizerEnvironmentFolder(installPath))});
}

std::wstring ToolFailedLine(const std::wstring& commandLine, int code) {
    return FormatWidePrintf(L"Command %s failed with return code  %d", {commandLine, code});
}

// The product's tools start as the command line's first token, with the setup's handles.
platform::ChildStart StartTool(const std::wstring& commandLine) {
    return platform::Os().children->Start(std::wstring(), commandLine, true);
}

int EndExpand(const std::wstring& message, int result) {
    SetupLog::Write(message);
    return EndStep(result == step_result::kCancelled ? L"OUT->ExpandTextures::Expand () CANCEL"
                                                     : L"OUT->ExpandTextures::Expand ()KO",
                   result);
}

// The message with the system's text for `error` appended, the failure's log lines, -2.
int EndOptimizerUnwatched(std::wstring message, std::uint32_t error) {
    message += platform::Os().systemTexts->TextFor(error).value_or(std::wstring());
    SetupLog::Write(message);
    return EndStep(L"OUT->LaunchGraphicOptimizer KO", step_result::kNotWatched);
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
    // The tool reports its progress to the context's window (none without a context).
    ShowStatus(context, statusText);
    std::wstring commandLine = TextureToolCommand(*installPath, context != nullptr ? context->window : nullptr);
    SetupLog::Write(commandLine);

    platform::ChildStart start = StartTool(commandLine);
    if (!start.child) {
        return EndExpand(
            FormatWidePrintf(L"Create Process  %s failed rc = %d", {commandLine, static_cast<int>(start.error)}),
            step_result::kNotWatched);
    }
    // The bar stands still while the question is open, and after a Yes until the tool is stopped.
    CancelQuestion question(context, {true, true});
    bool stoppedByUser = false;
    WatchOutcome outcome = WatchChildUnlessStopped(
        *start.child, kTextureWaitMilliseconds,
        [&] {
            stoppedByUser = question.Confirmed();
            return !stoppedByUser;
        },
        [] {});
    if (stoppedByUser) {
        // Stopping is asynchronous: give the tool a moment to let go of the product's files before
        // the product is removed.
        if (start.child->Terminate(0)) start.child->Wait(kStoppedToolWaitMilliseconds);
        start.child.reset();
        question.EndFreeze();
        return EndExpand(L"Setup was interrupted by user during Expand Textures", step_result::kCancelled);
    }
    start.child.reset();

    if (!outcome.read)
        return EndExpand(ToolFailedLine(commandLine, step_result::kNotWatched), step_result::kNotWatched);
    if (outcome.exitCode == 0) {
        return EndStep(L"OUT->ExpandTextures::Expand () OK", step_result::kDone);
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
        // The registry service does not tell a missing value and an oversized one apart: both are missing.
        return EndOptimizerUnwatched(ProductKeyValueMissingLine(product_key::kInstallPath), system_code::kFileNotFound);
    SetupLog::Write(*installPath);
    std::wstring commandLine = OptimizerCommand(*installPath);
    SetupLog::Write(commandLine);

    platform::ChildStart start = StartTool(commandLine);
    if (!start.child) return EndOptimizerUnwatched(std::wstring(), start.error);
    platform::ChildWait wait = start.child->Wait(kOptimizerMaxMilliseconds);
    platform::ChildExitCode code = start.child->ExitCode();
    if (!code.read) return EndOptimizerUnwatched(std::wstring(), code.error);

    // Still active after the time allowed (and not a child that really ended with 259).
    if (code.code == system_code::kStillActive && wait != platform::ChildWait::Ended) {
        start.child->Terminate(0);
        return EndStep(L"OUT->LaunchGraphicOptimizer Killed ( maxtime exceeded)", step_result::kDone);
    }
    if (code.code == 0) {
        return EndStep(L"OUT->LaunchGraphicOptimizer OK", step_result::kDone);
    }
    int exitCode = static_cast<int>(code.code);
    SetupLog::Write(ToolFailedLine(commandLine, exitCode));
    return EndStep(L"OUT->LaunchGraphicOptimizer KO", exitCode);
}
