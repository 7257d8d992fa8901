#pragma once
#include <windows.h>

// The program's only way to DLLs that are not "known DLLs". The loader looks for an imported DLL in
// the program's own folder first, and Windows takes only its known DLLs from the system folder
// whatever lies there; a setup started from a Downloads folder would run, elevated, any msi.dll
// dropped beside it. So the program imports nothing but known DLLs (tools/imports/system-dlls.txt)
// and loads every other one here, by its full path in the system folder.
namespace platform {

// Removes the current folder from the DLL search path and, where the system has the call, limits
// every later search to the system folder. The program's first act; both calls are looked up by
// name, for Windows 2000 has neither.
void RestrictDllSearch();

// `fileName` (e.g. L"msi.dll") from the system folder, loaded by its full path, the DLLs it needs in
// turn searched from the system folder too. Never freed, so what is looked up in it stays valid; null
// when the folder is unknown or the DLL cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// Looks up `name` in `library` (which may be null) as a function of the type of `function`; false
// when it is missing.
template <typename Function>
bool FindFunction(HMODULE library, const char* name, Function*& function) {
    FARPROC found = library != nullptr ? GetProcAddress(library, name) : nullptr;
    function = reinterpret_cast<Function*>(reinterpret_cast<void*>(found));
    return function != nullptr;
}

}  // namespace platform
