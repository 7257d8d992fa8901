#include "http/HttpDriverFactory.h"

#include <new>

#include "core/ProcessSettings.h"
#include "http/socket/SocketHttpDriver.h"
#ifdef _WIN32
#include "http/wininet/WinInetHttpDriver.h"
#endif

namespace {

bool SocketDriverRequested() {
    return CurrentProcessSettings().socketDriverRequested;
}

}  // namespace

bool HttpWinInetAvailable() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

HttpDriver* CreateWinInetHttpDriver(const char* agent, uint16_t major, uint16_t minor) {
#ifdef _WIN32
    return new (std::nothrow) WinInetHttpDriver(agent, major, minor);
#else
    (void)agent;
    (void)major;
    (void)minor;
    return nullptr;
#endif
}

HttpDriver* CreateHttpDriver(const char* agent, uint16_t major, uint16_t minor, HttpDriverOwner* owner) {
    HttpDriver* driver = nullptr;
    if (SocketDriverRequested() || !HttpWinInetAvailable())
        driver = new (std::nothrow) SocketHttpDriver(agent, major, minor);
    else
        driver = CreateWinInetHttpDriver(agent, major, minor);
    if (driver != nullptr) driver->SetOwner(owner);
    return driver;
}
