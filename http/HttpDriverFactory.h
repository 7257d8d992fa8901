#pragma once
#include <cstdint>

#include "http/HttpDriver.h"

// True in builds that carry the WinINet driver (Windows).
bool HttpWinInetAvailable();

// The driver the environment asks for: the socket driver when "HTTPDriver" is set (to anything)
// or when the build has no WinINet driver, else the WinINet driver. Its owner is set to owner.
// Null when it cannot be allocated. The caller deletes it.
HttpDriver* CreateHttpDriver(const char* agent, uint16_t major, uint16_t minor, HttpDriverOwner* owner);

// A WinINet driver, or null when the build has none or it cannot be allocated.
HttpDriver* CreateWinInetHttpDriver(const char* agent, uint16_t major, uint16_t minor);
