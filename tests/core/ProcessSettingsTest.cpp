// The one snapshot of the environment variables the program reads.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/ProcessSettings.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"

namespace {

using platform::fakes::FakeEnvironment;

ProcessSettings ReadFrom(std::map<std::wstring, std::wstring> variables) {
    FakeEnvironment environment;
    environment.variables = std::move(variables);
    return ReadProcessSettings(environment);
}

// Sets a variable of this process's real environment.
void SetProcessVariable(const std::wstring& name, const std::wstring& value) {
#ifdef _WIN32
    _wputenv((name + L"=" + value).c_str());
#else
    setenv(platform::ToUtf8(name).c_str(), platform::ToUtf8(value).c_str(), 1);
#endif
}

TEST(ProcessSettings, EachVariableFillsItsField) {
    const ProcessSettings none = ReadFrom({});
    EXPECT_FALSE(none.downloadServer.has_value());
    EXPECT_FALSE(none.socketDriverRequested);
    EXPECT_FALSE(none.proxy.has_value());
    EXPECT_FALSE(none.httpPutConfigured);
    EXPECT_FALSE(none.replayPurify);
    EXPECT_FALSE(none.replayPurcov);
    EXPECT_FALSE(none.msxmlFatalErrorTestSkipped);
    EXPECT_FALSE(none.packageSignatureCheckSkipped);

    const ProcessSettings all = ReadFrom({{L"KORVOSkelv_Server", L" host:8081 "},
                                          {L"HTTPDriver", L"0"},
                                          {L"Proxy", L"127.0.0.1"},
                                          {L"VolHTTPPUT", L"no"},
                                          {L"ReplayPurify", L"0"},
                                          {L"ReplayPurcov", L"no"},
                                          {L"VolMSXMLPreqRX21", L"0"},
                                          {L"NO_CHECK_PACKAGE_SIGNED", L"0"}});
    EXPECT_EQ(all.downloadServer, std::wstring(L" host:8081 "));  // whole, untrimmed
    EXPECT_TRUE(all.socketDriverRequested);                       // set to anything, "0" included
    EXPECT_EQ(all.proxy, std::wstring(L"127.0.0.1"));
    EXPECT_TRUE(all.httpPutConfigured);
    EXPECT_TRUE(all.replayPurify);
    EXPECT_TRUE(all.replayPurcov);
    EXPECT_TRUE(all.msxmlFatalErrorTestSkipped);
    EXPECT_TRUE(all.packageSignatureCheckSkipped);  // "0" is set all the same
}

TEST(ProcessSettings, AnEmptyVariableIsStillSet) {
    const ProcessSettings empty = ReadFrom({{L"KORVOSkelv_Server", L""},
                                            {L"HTTPDriver", L""},
                                            {L"Proxy", L""},
                                            {L"VolHTTPPUT", L""},
                                            {L"ReplayPurify", L""},
                                            {L"ReplayPurcov", L""},
                                            {L"VolMSXMLPreqRX21", L""},
                                            {L"NO_CHECK_PACKAGE_SIGNED", L""}});
    EXPECT_EQ(empty.downloadServer, std::wstring());
    EXPECT_TRUE(empty.socketDriverRequested);
    EXPECT_EQ(empty.proxy, std::wstring());
    EXPECT_TRUE(empty.httpPutConfigured);
    EXPECT_TRUE(empty.replayPurify);
    EXPECT_TRUE(empty.replayPurcov);
    EXPECT_TRUE(empty.msxmlFatalErrorTestSkipped);
    EXPECT_TRUE(empty.packageSignatureCheckSkipped);
}

TEST(ProcessSettings, TheProcessReadsItsEnvironmentOnceAndIgnoresFakes) {
    // A fake machine's environment is not the process's: the snapshot comes from the real one.
    platform::fakes::ScopedFakeMachine machine;
    machine.environment.variables[L"KORVOSkelv_Server"] = L"from.fake.example";
    const ProcessSettings& first = CurrentProcessSettings();
    EXPECT_NE(first.downloadServer, std::wstring(L"from.fake.example"));
    const std::optional<std::wstring> before = first.downloadServer;

    SetProcessVariable(L"KORVOSkelv_Server", L"late.example");
    const ProcessSettings& later = CurrentProcessSettings();
    EXPECT_EQ(&later, &first);
    EXPECT_EQ(later.downloadServer, before) << "a change after the first read has no effect";
}

TEST(ProcessSettings, InstalledSettingsNestAndGiveWayInOrder) {
    const ProcessSettings* own = &CurrentProcessSettings();
    ProcessSettings outerValues;
    outerValues.proxy = L"outer";
    {
        ScopedProcessSettings outer(outerValues);
        EXPECT_EQ(CurrentProcessSettings().proxy, std::wstring(L"outer"));
        {
            ProcessSettings innerValues;
            innerValues.socketDriverRequested = true;
            ScopedProcessSettings inner(innerValues);
            EXPECT_TRUE(CurrentProcessSettings().socketDriverRequested);
            EXPECT_FALSE(CurrentProcessSettings().proxy.has_value());
        }
        EXPECT_EQ(CurrentProcessSettings().proxy, std::wstring(L"outer"));
        EXPECT_FALSE(CurrentProcessSettings().socketDriverRequested);
    }
    EXPECT_EQ(&CurrentProcessSettings(), own);
}

}  // namespace
