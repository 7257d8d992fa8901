#pragma once

// Probes the MSXML 6.0 classes the system offers and three behaviours that known fixes (KB941179,
// KB941180, KB953661) bring, and sums it up in one result code (platform/MsxmlProbe.h). Writes no
// log line; the caller does.
class VolMSXMLChecker {
public:
    // Runs the tests and returns the code. When given, `name` receives the code's name (nullptr for
    // 0) and `location` the failing step (0 when none). When the process runs under a memory or
    // coverage checker, returns 0 at once and leaves both untouched. Never throws.
    static int Check(const wchar_t** name = nullptr, int* location = nullptr);

    // "ERR_MISSING_MSXML6" and the like; nullptr for 0 and for codes that are none of the checker's.
    static const wchar_t* ResultName(int code);

    // Tests only: forget the skip decision, so that the next Check takes it again as a fresh
    // process's first call would.
    static void ForgetSkipDecisionForTests();
};
