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

class PlainFiles {
public:
    virtual ~PlainFiles() = default;
    // Creates the file, or truncates it if it exists; null when it cannot be opened.
    virtual std::unique_ptr<PlainFile> CreateForWriting(const std::wstring& path) = 0;
};

}  // namespace platform
