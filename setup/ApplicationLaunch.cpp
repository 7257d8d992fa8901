#include "setup/ApplicationLaunch.h"

#include <optional>

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "platform/Services.h"
#include "setup/InstallCommands.h"
#include "setup/ProductKey.h"

namespace {

constexpr wchar_t kLaunchIdPlaceholder[] = L"{0}";

}  // namespace

std::wstring LaunchCommandLine(const std::wstring& cmdLine, const std::wstring& launchId) {
    std::wstring filled = L" " + QuotedIfNeeded(launchId) + L" ";
    std::size_t placeholder = cmdLine.find(kLaunchIdPlaceholder);
    if (placeholder == std::wstring::npos) return cmdLine + filled;
    std::wstring placeholderText = kLaunchIdPlaceholder;
    return cmdLine.substr(0, placeholder) + filled + cmdLine.substr(placeholder + placeholderText.size());
}

void LaunchInstalledApplication() {
    const std::optional<std::wstring>& launchId = CurrentProcessSettings().launchId;
    // Without a launch identifier (an empty one included) the product is not started.
    if (!launchId || launchId->empty()) return;
    if (ProductKeyOpenError() != 0) return;  // no product, nothing to say
    std::optional<std::wstring> cmdLine = ReadProductKeyText(product_key::kCmdLine);
    if (!cmdLine) {
        SetupLog::Write(ProductKeyValueMissingLine(product_key::kCmdLine));
        return;
    }
    std::wstring commandLine = LaunchCommandLine(*cmdLine, *launchId);
    SetupLog::Write(FormatWidePrintf(L"launch = %s", {commandLine}));
    // The product runs on its own: its handles are closed at once, it is never waited for.
    platform::ChildStart start = platform::Os().children->Start(std::wstring(), commandLine, true);
    if (!start.child)
        SetupLog::Write(FormatWidePrintf(L"Create Process failed rc = %d", {static_cast<int>(start.error)}));
}
