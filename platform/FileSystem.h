#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// A file opened for writing that no other open (reading or writing) can share while it is held.
class ExclusiveFile {
public:
    virtual ~ExclusiveFile() = default;
    virtual bool Write(const char* bytes, std::size_t count) = 0;
    // Flushes and releases the file.
    virtual bool Close() = 0;
};

enum class OpenMode { Truncate, Append };

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The user's temporary folder with its trailing separator, as read into a buffer of
    // `maxChars` characters; nullopt when it cannot be read or does not fit.
    virtual std::optional<std::wstring> TempFolder(std::size_t maxChars) const = 0;
    // Opens (creating if missing) without sharing; null when the file cannot be opened,
    // including when someone else holds it.
    virtual std::unique_ptr<ExclusiveFile> OpenExclusive(const std::wstring& path, OpenMode mode) = 0;
    virtual bool CreateFolder(const std::wstring& path) = 0;
};

}  // namespace platform
