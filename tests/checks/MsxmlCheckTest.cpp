// The MSXML 6.0 check on staged probe results: what each result code means for the install and
// the log, and when the checker probes at all.
#include <gtest/gtest.h>

#include "checks/MsxmlPrereq.h"
#include "checks/VolMSXMLChecker.h"
#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "tests/support/FakeMachineLog.h"

namespace {

using platform::fakes::ScopedFakeMachine;

const std::wstring kIn = L"IN->IsPrereqMSXML ()";
const std::wstring kOk = L" Prereqs MSXML OK";
const std::wstring kKo = L" Prereqs MSXML KO";
const std::wstring kOut = L"OUT->IsPrereqMSXML ()";

std::wstring NameText(const wchar_t* name) {
    return name == nullptr ? L"(none)" : name;
}

ProcessSettings WithVariables(bool replayPurify, bool replayPurcov, bool withoutFatalErrorTest) {
    ProcessSettings settings;
    settings.replayPurify = replayPurify;
    settings.replayPurcov = replayPurcov;
    settings.msxmlFatalErrorTestSkipped = withoutFatalErrorTest;
    return settings;
}

// Each test starts as a fresh process would: no skip decision taken, none of the checker's
// variables set; and leaves no decision behind.
class MsxmlCheckTest : public ::testing::Test {
protected:
    MsxmlCheckTest() { VolMSXMLChecker::ForgetSkipDecisionForTests(); }
    ~MsxmlCheckTest() override { VolMSXMLChecker::ForgetSkipDecisionForTests(); }

    ScopedProcessSettings noVariables{ProcessSettings{}};
};

TEST_F(MsxmlCheckTest, EachResultCodeGivesItsNameVerdictAndLog) {
    struct Case {
        int code;
        int location;
        const wchar_t* name;
        bool msxmlUsable;
        std::wstring resultLine;
    };
    const Case cases[] = {
        {0, 0, nullptr, true, kOk},
        {1, 102, L"ERR_MISSING_MSXML6", false, kKo},
        {2, 206, L"ERR_MISSING_KB941179", true, kOk},  // a missing fix alone installs nothing
        {3, 308, L"ERR_MISSING_KB941180", true, kOk},
        {4, 402, L"ERR_MISSING_KB953661", true, kOk},
        {5, 1, L"ERR_CHECK_FAILURE", false, kKo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const MsxmlPrereqVerdict verdict = DecideMsxmlPrereq(c.code);
        EXPECT_EQ(verdict.msxmlUsable, c.msxmlUsable);
        EXPECT_EQ(verdict.logLines, (std::vector<std::wstring>{c.resultLine, kOut}));

        ScopedFakeMachine machine;
        machine.msxml.result = {c.code, c.location};
        const wchar_t* name = L"untouched";
        int location = -1;
        EXPECT_EQ(VolMSXMLChecker::Check(&name, &location), c.code);
        EXPECT_EQ(NameText(name), NameText(c.name));
        EXPECT_EQ(location, c.location);

        EXPECT_EQ(IsPrereqMSXML(), c.msxmlUsable);
        EXPECT_EQ(LogEntries(machine), (std::vector<std::wstring>{kIn, c.resultLine, kOut}));
        EXPECT_EQ(machine.msxml.runs, (std::vector<bool>{true, true}));
    }
}

TEST_F(MsxmlCheckTest, UnderAMemoryOrCoverageCheckerNothingIsProbedForTheRestOfTheProcess) {
    struct Case {
        bool replayPurify;
        bool replayPurcov;
    };
    for (const Case c : {Case{true, false}, Case{false, true}, Case{true, true}}) {
        SCOPED_TRACE(testing::Message() << "purify " << c.replayPurify << " purcov " << c.replayPurcov);
        VolMSXMLChecker::ForgetSkipDecisionForTests();
        ScopedFakeMachine machine;
        machine.msxml.result = {1, 101};  // a probe would find MSXML 6.0 missing
        const wchar_t* name = L"untouched";
        int location = -1;
        {
            ScopedProcessSettings replay(WithVariables(c.replayPurify, c.replayPurcov, false));
            EXPECT_EQ(VolMSXMLChecker::Check(&name, &location), 0);
        }
        // The variables are gone, but the first call's decision stands.
        EXPECT_EQ(VolMSXMLChecker::Check(&name, &location), 0);
        EXPECT_TRUE(IsPrereqMSXML());

        EXPECT_EQ(NameText(name), L"untouched");
        EXPECT_EQ(location, -1);
        EXPECT_TRUE(machine.msxml.runs.empty());
        EXPECT_EQ(LogEntries(machine), (std::vector<std::wstring>{kIn, kOk, kOut}));
    }
}

// The skip decision stands even when the variables appear later; VolMSXMLPreqRX21 counts on each call.
TEST_F(MsxmlCheckTest, ADecisionToProbeStandsAndTheFatalErrorTestFollowsItsVariable) {
    ScopedFakeMachine machine;
    machine.msxml.result = {1, 101};
    EXPECT_EQ(VolMSXMLChecker::Check(), 1);
    {
        ScopedProcessSettings later(WithVariables(true, true, true));
        EXPECT_EQ(VolMSXMLChecker::Check(), 1);
    }
    EXPECT_FALSE(IsPrereqMSXML());
    EXPECT_EQ(machine.msxml.runs, (std::vector<bool>{true, false, true}));
}

}  // namespace
