#pragma once
// Loads dynamic libraries by short name (".dll" is appended) and finds functions in them,
// remembering every library loaded (or not loadable) and every function found.

#include "threads/VolApi.h"
#include "threads/VolMutex.h"

struct VolThrLoadedLib {
    char* name;    // the manager's own copy, without suffix
    void* module;  // null when the load failed
};

struct VolThrFoundSymbol {
    char* library;
    char* symbol;
    void* address;
};

struct VolThrLibraryHandler {
    void* address;
    void* module;  // only when the address was not known before
};

class VOL_API VolThrLibraryManager {
public:
    // The name is 8-bit text without the ".dll" suffix; null gives null. On POSIX the built file name
    // (name + ".dll") goes to dlopen unchanged.
    static void* LoadLibraryW(const char* name);
    static VolThrLibraryHandler GetFunctionAddress(const char* library, const char* symbol);

private:
    static int _QueryLoadedLib(const char* name, void** module, VolThrLoadedLib** entry);
    static void _AddLoadedLib(const char* name, void* module);
    static void* _QueryFoundSymbol(const char* library, const char* symbol);
    static void _AddFoundSymbol(const char* library, const char* symbol, void* address);
    static void* _FindSymbolInLibrary(const char* symbol, void* module);
    static int _CompareLib(const void* a, const void* b);
    static int _CompareSymbols(const void* a, const void* b);
    static void _Cleanup();

    static VolThrLoadedLib* _loadedLibraries;
    static int _nbLibs;
    static VolThrFoundSymbol* _foundSymbols;
    static int _nbSymbols;
    static VolSmartMutex _MutexThrLib;
};
