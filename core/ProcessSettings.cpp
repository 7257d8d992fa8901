#include "core/ProcessSettings.h"

#include <atomic>

#include "platform/Services.h"

namespace {

std::atomic<const ProcessSettings*> installedByTest{nullptr};

}  // namespace

ProcessSettings ReadProcessSettings(const platform::Environment& environment) {
    ProcessSettings settings;
    settings.downloadServer = environment.Get(setting_names::kDownloadServer);
    settings.socketDriverRequested = environment.Get(setting_names::kSocketDriver).has_value();
    settings.proxy = environment.Get(setting_names::kProxy);
    settings.httpPutConfigured = environment.Get(setting_names::kHttpPut).has_value();
    settings.replayPurify = environment.Get(setting_names::kReplayPurify).has_value();
    settings.replayPurcov = environment.Get(setting_names::kReplayPurcov).has_value();
    settings.msxmlFatalErrorTestSkipped = environment.Get(setting_names::kMsxmlWithoutFatalErrorTest).has_value();
    settings.packageSignatureCheckSkipped = environment.Get(setting_names::kNoPackageSignatureCheck).has_value();
    settings.noTextureExpansion = environment.Get(setting_names::kNoTextureExpansion);
    settings.launchId = environment.Get(setting_names::kLaunchId);
    return settings;
}

const ProcessSettings& CurrentProcessSettings() {
    if (const ProcessSettings* installed = installedByTest.load(std::memory_order_acquire)) return *installed;
    // The process's own environment, whatever services a test has put in force. Never destroyed:
    // a thread still running while the process ends may read it.
    static const ProcessSettings& own =
        *new ProcessSettings(ReadProcessSettings(*platform::RealServices().environment));
    return own;
}

ScopedProcessSettings::ScopedProcessSettings(ProcessSettings values)
    : values_(std::move(values)), saved_(installedByTest.exchange(&values_, std::memory_order_acq_rel)) {}

ScopedProcessSettings::~ScopedProcessSettings() {
    installedByTest.store(saved_, std::memory_order_release);
}
