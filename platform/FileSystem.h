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

// What creating a private folder came to. `AlreadyExists`: something (a folder, a file, a link) is
// at the path already, and it is left as it is.
enum class FolderCreation { Created, AlreadyExists, Failed };

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The user's temporary folder with its trailing separator, as read into a buffer of
    // `maxChars` characters; nullopt when it cannot be read or does not fit.
    virtual std::optional<std::wstring> TempFolder(std::size_t maxChars) const = 0;
    // Opens (creating if missing) without sharing; null when the file cannot be opened,
    // including when someone else holds it. Never writes through a link: a file at the path that is
    // a reparse point or one of several names of the same data is removed and a new one made
    // (Truncate empties the file only after that check).
    virtual std::unique_ptr<ExclusiveFile> OpenExclusive(const std::wstring& path, OpenMode mode) = 0;
    // Creates a new folder that only Administrators and the system may change (the user may read
    // it); the folders and files made inside inherit that.
    virtual FolderCreation CreatePrivateFolder(const std::wstring& path) = 0;
};

}  // namespace platform
