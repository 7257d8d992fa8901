#pragma once
// The real peers started by the http_servers ctest fixture (tools/testserver/servers.py): where
// they listen, plus small helpers that the integration tests share.
#include <cstdint>
#include <map>
#include <string>

#include "core/ProcessSettings.h"
#include "http/HttpOwnedBuffer.h"
#include "platform/Services.h"
#include "platform/fakes/FakeMachine.h"

struct TestServers {
    int nginxPort = 0;
    int scriptedPort = 0;
    int nginxTlsPort = 0;   // 0 when the fixture serves no TLS
    std::string proxyHost;  // empty when the fixture runs no proxy
    std::string wwwDir;

    // Reads the fixture's servers.env once; false (with a reason) when the fixture is not running.
    static const TestServers& Get();
    bool Ready() const { return nginxPort != 0 && scriptedPort != 0; }
    std::string error;

    std::string Nginx(const std::string& path) const;
    std::string Scripted(const std::string& path) const;
    std::string NginxTls(const std::string& path) const;
    // The expected contents of a file that nginx serves.
    std::string FileContents(const std::string& name) const;
};

// Puts the settings these environment variables give in force for the duration of a test.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(std::map<std::wstring, std::wstring> variables);

private:
    ScopedProcessSettings settings_;
};

#define REQUIRE_SERVERS()                                                    \
    do {                                                                     \
        if (!TestServers::Get().Ready()) FAIL() << TestServers::Get().error; \
    } while (0)
