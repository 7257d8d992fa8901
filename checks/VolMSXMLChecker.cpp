#include "checks/VolMSXMLChecker.h"

#include "core/ProcessSettings.h"
#include "platform/Services.h"

namespace {

// Whether to skip is decided on the first call and kept for the life of the process: the checkers
// these variables announce must see the same behaviour on every call. Only the user-interface
// thread calls the checker, so no guard.
struct SkipDecision {
    bool decided = false;
    bool skip = false;
};

SkipDecision& ProcessSkipDecision() {
    static SkipDecision decision;
    return decision;
}

bool SkipTests() {
    SkipDecision& decision = ProcessSkipDecision();
    if (!decision.decided) {
        const ProcessSettings& settings = CurrentProcessSettings();
        decision.skip = settings.replayPurify || settings.replayPurcov;
        decision.decided = true;
    }
    return decision.skip;
}

}  // namespace

int VolMSXMLChecker::Check(const wchar_t** name, int* location) {
    if (SkipTests()) return platform::msxml_result::kPassed;
    const bool withFatalErrorTest = !CurrentProcessSettings().msxmlFatalErrorTestSkipped;
    const platform::MsxmlProbeResult result = platform::Os().msxml->RunTests(withFatalErrorTest);
    if (name != nullptr) *name = ResultName(result.code);
    if (location != nullptr) *location = result.location;
    return result.code;
}

const wchar_t* VolMSXMLChecker::ResultName(int code) {
    namespace r = platform::msxml_result;
    switch (code) {
        case r::kMissingMsxml6:
            return L"ERR_MISSING_MSXML6";
        case r::kMissingKb941179:
            return L"ERR_MISSING_KB941179";
        case r::kMissingKb941180:
            return L"ERR_MISSING_KB941180";
        case r::kMissingKb953661:
            return L"ERR_MISSING_KB953661";
        case r::kCheckFailure:
            return L"ERR_CHECK_FAILURE";
        default:
            return nullptr;
    }
}

void VolMSXMLChecker::ForgetSkipDecisionForTests() {
    ProcessSkipDecision() = SkipDecision{};
}
