#pragma once
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

// A file of raw bytes opened for writing, shared with readers as the C runtime's "wb" does.
class PlainFile {
public:
    virtual ~PlainFile() = default;
    // The number of bytes written, fewer than `count` when the write stopped short.
    virtual std::size_t Write(const char* bytes, std::size_t count) = 0;
    virtual bool Close() = 0;
};

// A package held open from its verification to the end of its installer: others may read it, nobody
// may write, rename or delete it meanwhile. Closing (destroying) it lets it go.
class HeldFile {
public:
    virtual ~HeldFile() = default;
    // The system's handle of the open file (a Win32 HANDLE), for the signature check to read the
    // very file that is held; null where there is none.
    virtual void* SystemHandle() const = 0;
};

class PlainFiles {
public:
    virtual ~PlainFiles() = default;
    // Creates a new file; null when it cannot be created, also when anything (a file, a link) is at
    // the path already: a package is written only into a file this run made.
    virtual std::unique_ptr<PlainFile> CreateForWriting(const std::wstring& path) = 0;
    // Opens an existing ordinary file for reading and holds it; null when it cannot be opened or is
    // a link (a reparse point, or one of several names of the same data).
    virtual std::unique_ptr<HeldFile> Hold(const std::wstring& path) = 0;
};

}  // namespace platform
