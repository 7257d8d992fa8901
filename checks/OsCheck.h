#pragma once
#include <string>

// May the product be installed on this Windows version and service pack? Sets isWindows60 of the
// start-up results; on refusal puts the reason into failureMessage.
bool IsOSAuthorized(std::wstring& failureMessage);

// Does the setup run on 64-bit Windows? Every failure reads as false. Logs nothing.
bool IsWow64();
