#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checks/CheckTexts.h"
#include "platform/SystemInfo.h"

// May the product be installed on this Windows version and service pack? Sets isWindows60 of the
// start-up results; on refusal puts the reason into failureMessage.
bool IsOSAuthorized(std::wstring& failureMessage);

// Does the setup run on 64-bit Windows? Every failure reads as false. Logs nothing.
bool IsWow64();

// What the system told about itself.
struct OsFacts {
    std::optional<platform::OsVersionRecord> version;  // nullopt: the version cannot be read
    std::optional<std::uint16_t> nativeArchitecture;   // asked on 5.2 only; nullopt: cannot tell
    bool servicePackConfirmed = false;                 // asked only of a row that needs a service pack
};

// The row of the operating-system table that an NT version falls in.
struct OsRow {
    std::string systemName;                 // empty for the rows without a name
    std::uint16_t requiredServicePack = 0;  // 0: no service pack test
    unsigned refusal = 0;                   // the catalogue text of a refusal; 0: always accepted
    bool alwaysRefused = false;
    bool isWindows60 = false;
};
OsRow FindOsRow(const platform::OsVersionRecord& version, std::optional<std::uint16_t> nativeArchitecture);

struct OsVerdict {
    bool authorized = false;
    bool isWindows60 = false;
    std::optional<std::wstring> failureMessage;  // nullopt: leave it as it is
    std::vector<std::wstring> logLines;
};
OsVerdict DecideOsAuthorization(const OsFacts& facts, TextLoader loadText);
