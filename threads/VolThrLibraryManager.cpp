#include "threads/VolThrLibraryManager.h"

#include "threads/os/VolOs.h"

#include <cstdlib>
#include <cstring>

VolThrLoadedLib* VolThrLibraryManager::_loadedLibraries = nullptr;
int VolThrLibraryManager::_nbLibs = 0;
VolThrFoundSymbol* VolThrLibraryManager::_foundSymbols = nullptr;
int VolThrLibraryManager::_nbSymbols = 0;
VolSmartMutex VolThrLibraryManager::_MutexThrLib(0);

namespace {
constexpr int kBlock = 10;
constexpr char kSuffix[] = ".dll";

char* CopyText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

int Sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// Makes room for one more entry: the arrays grow by whole blocks. False when out of memory.
template <typename Entry>
bool Reserve(Entry*& entries, int count) {
    if (count % kBlock != 0) return true;
    auto* grown = static_cast<Entry*>(std::malloc(sizeof(Entry) * static_cast<std::size_t>(count + kBlock)));
    if (!grown) return false;
    if (count > 0) std::memcpy(grown, entries, sizeof(Entry) * static_cast<std::size_t>(count));
    std::free(entries);
    entries = grown;
    return true;
}

struct LockGuard {
    explicit LockGuard(VolSmartMutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~LockGuard() { mutex_.Unlock(); }
    VolSmartMutex& mutex_;
};
}  // namespace

int VolThrLibraryManager::_CompareLib(const void* a, const void* b) {
    const auto* left = static_cast<const VolThrLoadedLib*>(a);
    const auto* right = static_cast<const VolThrLoadedLib*>(b);
    if (!left || !right) return 0;
    return Sign(std::strcmp(left->name, right->name));
}

int VolThrLibraryManager::_CompareSymbols(const void* a, const void* b) {
    const auto* left = static_cast<const VolThrFoundSymbol*>(a);
    const auto* right = static_cast<const VolThrFoundSymbol*>(b);
    if (!left || !right) return 0;
    const int bySymbol = Sign(std::strcmp(left->symbol, right->symbol));
    return bySymbol != 0 ? bySymbol : Sign(std::strcmp(left->library, right->library));
}

int VolThrLibraryManager::_QueryLoadedLib(const char* name, void** module, VolThrLoadedLib** entry) {
    if (_nbLibs == 0) return 0;
    VolThrLoadedLib key{const_cast<char*>(name), nullptr};
    auto* found = static_cast<VolThrLoadedLib*>(
        std::bsearch(&key, _loadedLibraries, static_cast<std::size_t>(_nbLibs), sizeof(VolThrLoadedLib), _CompareLib));
    if (!found) return 0;
    if (module) *module = found->module;
    if (entry) *entry = found;
    return 1;
}

void VolThrLibraryManager::_AddLoadedLib(const char* name, void* module) {
    char* copy = CopyText(name);
    if (!copy) return;
    if (!Reserve(_loadedLibraries, _nbLibs)) {
        std::free(copy);
        return;
    }
    _loadedLibraries[_nbLibs++] = VolThrLoadedLib{copy, module};
    std::qsort(_loadedLibraries, static_cast<std::size_t>(_nbLibs), sizeof(VolThrLoadedLib), _CompareLib);
    if (_nbLibs == 1) std::atexit(_Cleanup);
}

void* VolThrLibraryManager::_QueryFoundSymbol(const char* library, const char* symbol) {
    if (_nbSymbols == 0) return nullptr;
    VolThrFoundSymbol key{const_cast<char*>(library), const_cast<char*>(symbol), nullptr};
    auto* found = static_cast<VolThrFoundSymbol*>(std::bsearch(
        &key, _foundSymbols, static_cast<std::size_t>(_nbSymbols), sizeof(VolThrFoundSymbol), _CompareSymbols));
    return found ? found->address : nullptr;
}

void VolThrLibraryManager::_AddFoundSymbol(const char* library, const char* symbol, void* address) {
    char* libraryCopy = CopyText(library);
    char* symbolCopy = CopyText(symbol);
    LockGuard guard(_MutexThrLib);
    // Two threads may have found the same function at once: keep one entry.
    if (!libraryCopy || !symbolCopy || _QueryFoundSymbol(library, symbol) || !Reserve(_foundSymbols, _nbSymbols)) {
        std::free(libraryCopy);
        std::free(symbolCopy);
        return;
    }
    _foundSymbols[_nbSymbols++] = VolThrFoundSymbol{libraryCopy, symbolCopy, address};
    std::qsort(_foundSymbols, static_cast<std::size_t>(_nbSymbols), sizeof(VolThrFoundSymbol), _CompareSymbols);
}

void* VolThrLibraryManager::_FindSymbolInLibrary(const char* symbol, void* module) {
    return volos::LibrarySymbol(module, symbol);
}

void VolThrLibraryManager::_Cleanup() {
    LockGuard guard(_MutexThrLib);
    for (int i = 0; i < _nbLibs; ++i) std::free(_loadedLibraries[i].name);
    std::free(_loadedLibraries);
    _loadedLibraries = nullptr;
    _nbLibs = 0;
    for (int i = 0; i < _nbSymbols; ++i) {
        std::free(_foundSymbols[i].library);
        std::free(_foundSymbols[i].symbol);
    }
    std::free(_foundSymbols);
    _foundSymbols = nullptr;
    _nbSymbols = 0;
}

void* VolThrLibraryManager::LoadLibraryW(const char* name) {
    if (!name) return nullptr;
    void* module = nullptr;
    {
        LockGuard guard(_MutexThrLib);
        if (_QueryLoadedLib(name, &module, nullptr)) return module;  // also a library that failed before
    }
    const std::size_t length = std::strlen(name);
    char* fileName = static_cast<char*>(std::malloc(length + sizeof kSuffix));
    if (!fileName) return nullptr;
    std::memcpy(fileName, name, length);
    std::memcpy(fileName + length, kSuffix, sizeof kSuffix);
    module = volos::LibraryLoad(fileName);
    std::free(fileName);

    LockGuard guard(_MutexThrLib);
    VolThrLoadedLib* entry = nullptr;
    if (_QueryLoadedLib(name, nullptr, &entry)) {
        entry->module = module;  // another thread loaded it meanwhile; the later handle stays
    } else {
        _AddLoadedLib(name, module);
    }
    return module;
}

VolThrLibraryHandler VolThrLibraryManager::GetFunctionAddress(const char* library, const char* symbol) {
    if (!library) return VolThrLibraryHandler{nullptr, nullptr};
    if (symbol) {
        LockGuard guard(_MutexThrLib);
        if (void* known = _QueryFoundSymbol(library, symbol)) return VolThrLibraryHandler{known, nullptr};
    }
    void* module = LoadLibraryW(library);
    void* address = nullptr;
    if (module && symbol) {
        address = _FindSymbolInLibrary(symbol, module);
        if (address) _AddFoundSymbol(library, symbol, address);
    }
    return VolThrLibraryHandler{address, module};
}
