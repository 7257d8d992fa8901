#include "setup/ChildWatch.h"

#include "platform/SystemCodes.h"
#include "setup/InstallCommands.h"

WatchOutcome WatchChild(platform::ChildProcess& child, std::uint32_t waitMilliseconds,
                        const std::function<void()>& beforeWait, const std::function<void()>& afterWait) {
    return WatchChildUnlessStopped(
        child, waitMilliseconds,
        [&] {
            beforeWait();
            return true;
        },
        afterWait);
}

WatchOutcome WatchChildUnlessStopped(platform::ChildProcess& child, std::uint32_t waitMilliseconds,
                                     const std::function<bool()>& goOn, const std::function<void()>& afterWait) {
    bool endedBeforeRead = false;
    for (;;) {
        bool lastPass = endedBeforeRead;
        platform::ChildExitCode code = child.ExitCode();
        if (!code.read) return WatchOutcome{false, 0, code.error};
        if (!goOn()) return WatchOutcome{true, code.code, 0};
        if (child.Wait(waitMilliseconds) == platform::ChildWait::Ended) endedBeforeRead = true;
        afterWait();
        if (code.code != system_code::kStillActive || lastPass) return WatchOutcome{true, code.code, 0};
    }
}
