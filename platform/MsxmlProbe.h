#pragma once

namespace platform {

// What one run of the MSXML 6.0 tests found: 0 all passed, 1 MSXML 6.0 missing, 2/3/4 a known fix
// missing, 5 a step the tests needed failed. `location` tells the failing step apart (0 when none).
struct MsxmlProbeResult {
    int code = 0;
    int location = 0;
};

// Runs the MSXML 6.0 tests against the classes the system offers (COM on Windows).
class MsxmlProbe {
public:
    virtual ~MsxmlProbe() = default;
    // The last test (the SAX fatal-error feature) runs only when `withFatalErrorTest` is true.
    virtual MsxmlProbeResult RunTests(bool withFatalErrorTest) = 0;
};

}  // namespace platform
