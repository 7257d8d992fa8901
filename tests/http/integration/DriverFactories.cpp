#include "tests/http/integration/DriverFactories.h"

#include "http/HttpDriverFactory.h"
#include "http/socket/SocketHttpDriver.h"

std::vector<DriverKind> AvailableDrivers() {
    if (HttpWinInetAvailable()) return {DriverKind::Socket, DriverKind::WinInet};
    return {DriverKind::Socket};
}

std::unique_ptr<HttpDriver> MakeDriver(DriverKind kind, const char* agent) {
    if (kind == DriverKind::WinInet) return std::unique_ptr<HttpDriver>(CreateWinInetHttpDriver(agent, 1, 1));
    return std::make_unique<SocketHttpDriver>(agent, 1, 1);
}

std::string DriverName(DriverKind kind) {
    return kind == DriverKind::Socket ? "Socket" : "WinInet";
}

void SetReceiveTimeout(HttpDriver& driver, DriverKind kind, uint32_t milliseconds) {
    if (kind == DriverKind::Socket) {
        static_cast<SocketHttpDriver&>(driver).SetReceiveTimeoutMs(static_cast<int32_t>(milliseconds));
        return;
    }
    const uint32_t kReceiveTimeoutOption = 6;
    driver.SetOption(kReceiveTimeoutOption, &milliseconds, sizeof milliseconds);
}
