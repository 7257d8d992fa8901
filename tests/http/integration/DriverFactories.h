#pragma once
// The drivers that the integration tests run against the same servers: the socket driver
// everywhere, the WinINet driver in Windows builds (under Wine here).
#include <memory>
#include <string>
#include <vector>

#include "http/HttpDriver.h"

enum class DriverKind { Socket, WinInet };

std::vector<DriverKind> AvailableDrivers();
std::unique_ptr<HttpDriver> MakeDriver(DriverKind kind, const char* agent = nullptr);
std::string DriverName(DriverKind kind);
// Bounds each receive of the driver's connections made from now on.
void SetReceiveTimeout(HttpDriver& driver, DriverKind kind, uint32_t milliseconds);
