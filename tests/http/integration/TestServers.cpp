#include "tests/http/integration/TestServers.h"

#include <fstream>
#include <sstream>

namespace {

std::string FixturePath(std::string path) {
#ifdef _WIN32
    // Wine shows the Linux file system as drive Z:.
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    return path;
}

TestServers Load() {
    TestServers servers;
    std::ifstream in(FixturePath(KORVO_HTTP_SERVERS_ENV));
    if (!in) {
        servers.error = std::string("no ") + KORVO_HTTP_SERVERS_ENV + ": run through ctest (fixture http_servers)";
        return servers;
    }
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "NGINX_PORT") servers.nginxPort = std::stoi(value);
        if (key == "SCRIPTED_PORT") servers.scriptedPort = std::stoi(value);
        if (key == "NGINX_TLS_PORT") servers.nginxTlsPort = std::stoi(value);
        if (key == "PROXY_HOST") servers.proxyHost = value;
        if (key == "WWW_DIR") servers.wwwDir = value;
    }
    if (!servers.Ready()) servers.error = "servers.env lacks the ports";
    return servers;
}

}  // namespace

const TestServers& TestServers::Get() {
    static const TestServers servers = Load();
    return servers;
}

std::string TestServers::Nginx(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(nginxPort) + path;
}

std::string TestServers::NginxTls(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(nginxTlsPort) + path;
}

std::string TestServers::Scripted(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(scriptedPort) + path;
}

std::string TestServers::FileContents(const std::string& name) const {
    std::ifstream in(FixturePath(wwwDir + "/" + name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

static ProcessSettings SettingsOf(std::map<std::wstring, std::wstring> variables) {
    platform::fakes::FakeEnvironment environment;
    environment.variables = std::move(variables);
    return ReadProcessSettings(environment);
}

ScopedEnvironment::ScopedEnvironment(std::map<std::wstring, std::wstring> variables)
    : settings_(SettingsOf(std::move(variables))) {}
