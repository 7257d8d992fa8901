#pragma once
#include "resources/LanguageId.h"

// What the catalogue must hold, written down independently of resources/catalogue/messages.txt so
// that a slip in the data or in the generator shows up as a difference.
namespace catalogue_test {

enum class Rule { Positional, Printf, None };

struct ExpectedEntry {
    unsigned id;
    Rule rule;
    const wchar_t* english;
};

// Every entry, with its English text exactly (blanks, quotes and line breaks included).
inline constexpr ExpectedEntry kExpectedEntries[] = {
    {103, Rule::Positional, L"You must have administrator privileges to install %1."},
    {105, Rule::Printf, L"Video Memory = %d  MB"},
    {106, Rule::None, L"Installing on Windows Server \"Longhorn\" is forbidden."},
    {108, Rule::Printf, L"Video Card Name = %s"},
    {109, Rule::Printf, L"An error occurred when creating the log file %s (rc = %d)."},
    {110, Rule::Positional, L"Begin bootstrap setup for %1 installation"},
    {111, Rule::Positional, L"End bootstrap setup for %1 installation"},
    {112, Rule::Printf, L"%s: %s\n"},
    {113, Rule::None, L"Downloading VC8 prerequisites..."},
    {114, Rule::Printf, L"%s installation requires at least %d MB."},
    {115, Rule::None, L"Service Pack 2 or higher is required to install on Microsoft Windows XP 64-bit editions."},
    {116, Rule::None, L"Close"},
    {117, Rule::None, L"Service Pack 1 or higher is required to install on Microsoft Windows Server 2003."},
    {118, Rule::None, L"Service Pack 2 or higher is required to install on Microsoft Windows XP."},
    {119, Rule::None, L"Setup requires Windows XP, Service Pack 2 or higher."},
    {120, Rule::None, L"Downloading VC8 prerequisites..."},
    {121, Rule::None, L"Installing VC8 prerequisites..."},
    {122, Rule::None, L"Downloading MSXML 6.0..."},
    {123, Rule::None, L"Installing MSXML 6.0..."},
    {124, Rule::Positional, L"Downloading %1 installer..."},
    {125, Rule::Positional, L"Installing %1..."},
    {126, Rule::Printf, L"Function %s failed - errno = %d"},
    {127, Rule::Printf, L"%I64d bytes"},
    {128, Rule::Positional, L"%1 installation is forbidden on %2\n."},
    {129, Rule::Positional, L"%1 installation failed. Consult the log file %2."},
    {130, Rule::Positional, L"Setup has successfully installed %1."},
    {131, Rule::None, L"Expanding textures and launching Graphic Optimizer..."},
    {132, Rule::None, L"Click on the Install button to start installation."},
    {133, Rule::Printf, L"The latest version of %s is already installed.\nThere is no need to install it again."},
    {134, Rule::None, L"Expanding textures and launching Graphic Optimizer. This may take a minute..."},
    {137, Rule::Positional,
     L"%1 setup has failed. Please check your internet connection (firewall and proxy) and try again. "
     L"For more information, consult the log file %2."},
    {138, Rule::Positional, L"%1 Setup"},
    {139, Rule::None, L"Cancel in progress..."},
    {140, Rule::Positional,
     L"%1 setup has been interrupted by the user. For more information, consult the log file %2."},
    {141, Rule::Positional, L"Setup was canceled. Removing %1..."},
    {142, Rule::None, L"Launching Graphic Optimizer..."},
    {143, Rule::Positional,
     L"You must accept the following License Agreement before the %1 application can be installed."},
    {144, Rule::Positional, L" Read the <A ID=\"idKORVOSkelv\">%1  Eula</A> before accepting it"},
    {145, Rule::Positional, L"I accept the terms of the %1  License Agreement"},
    {146, Rule::Positional, L"Your hardware configuration does not meet the minimum requirements for %1."},
    {147, Rule::Positional, L"%1 Setup failed"},
    {148, Rule::None, L"An error occurred when determining the available disk size."},
    {149, Rule::Positional,
     L"%1\n\n For more information, click  <A  ID=\"idHELP\">here.</A> \n\nClick 'Cancel' to exit the Setup."},
    {150, Rule::Positional, L"Another %1 installation is in progress."},
    {151, Rule::None, L"Install"},
    {152, Rule::None, L"Cancel"},
    {1020, Rule::Positional, L"Are you sure you want to cancel %1 installation?"},
};

inline constexpr LanguageId kEnglishUnitedStates = 0x0409;

// The six tables: English (United States), German, Spanish, French, Italian (neutral sublanguage:
// every region), Japanese.
inline constexpr LanguageId kTableLanguages[] = {0x0409, 0x0007, 0x000A, 0x000C, 0x0010, 0x0411};
inline constexpr LanguageId kTranslatedLanguages[] = {0x0007, 0x000A, 0x000C, 0x0010, 0x0411};

}  // namespace catalogue_test
