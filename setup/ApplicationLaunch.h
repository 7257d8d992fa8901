#pragma once
#include <string>

// The installed product's command line: its registered `cmdLine` with the first "{0}" replaced by
// the launch identifier with a blank on each side, or, without a "{0}", the identifier and a blank
// after one more blank. An identifier that holds a blank or a tab goes in double quotes.
std::wstring LaunchCommandLine(const std::wstring& cmdLine, const std::wstring& launchId);

// Starts the installed product with its registered command line and the launch identifier, if
// the setup was given one. Not waited for; failures are only logged.
void LaunchInstalledApplication();
