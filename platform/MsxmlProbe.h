#pragma once

namespace platform {

// The result codes of the MSXML 6.0 tests.
namespace msxml_result {
inline constexpr int kPassed = 0;
inline constexpr int kMissingMsxml6 = 1;    // an MSXML 6.0 class cannot be created
inline constexpr int kMissingKb941179 = 2;  // attribute values are not normalised
inline constexpr int kMissingKb941180 = 3;  // a DTD's conditional sections are not honoured
inline constexpr int kMissingKb953661 = 4;  // the SAX "suppress-validation-fatalError" feature is refused
inline constexpr int kCheckFailure = 5;     // a step the tests needed went wrong
}  // namespace msxml_result

// What one run of the MSXML 6.0 tests found (a code above). `location` tells the failing step apart:
// 100 x the test's number (1 to 4, in the order they run; 0 before any test) + the step's number
// within it; 0 when nothing failed.
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
