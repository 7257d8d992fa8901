#include <windows.h>
// windows.h first: the security descriptor language builds on it.
#include <sddl.h>

#include <vector>

#include "platform/win32/FileIdentity.h"
#include "platform/win32/PrivateFolderSecurity.h"
#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

// A planted link found where the log goes is removed and the file made anew; someone re-planting
// it meanwhile gets this many more tries before the entry is dropped.
constexpr int kLinkRemovalAttempts = 3;

class Win32ExclusiveFile final : public ExclusiveFile {
public:
    explicit Win32ExclusiveFile(HANDLE file) : file_(file) {}
    ~Win32ExclusiveFile() override { Close(); }
    bool Write(const char* bytes, std::size_t count) override {
        while (count > 0) {
            DWORD chunk = count > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count);
            DWORD written = 0;
            if (!WriteFile(file_, bytes, chunk, &written, nullptr) || written == 0) return false;
            bytes += written;
            count -= written;
        }
        return true;
    }
    bool Close() override {
        if (file_ == INVALID_HANDLE_VALUE) return true;
        bool ok = FlushFileBuffers(file_) != FALSE;
        ok = CloseHandle(file_) != FALSE && ok;
        file_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE file_;
};

// The file at `path`, opened (made if missing) for writing without sharing and without following a
// link; a link found there is deleted (the link, never what it names) and a new file made.
HANDLE OpenOwnFile(const std::wstring& path) {
    for (int attempt = 0; attempt <= kLinkRemovalAttempts; ++attempt) {
        // Share mode 0: while we hold the file nobody else can open it, for reading or writing.
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, kNoLinkFollowing, nullptr);
        if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
        if (IsSingleNamedPlainFile(file)) return file;
        CloseHandle(file);
        if (!DeleteFileW(path.c_str())) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

class Win32FileSystem final : public FileSystem {
public:
    std::optional<std::wstring> TempFolder(std::size_t maxChars) const override {
        std::vector<wchar_t> buffer(maxChars + 1);
        DWORD got = GetTempPathW(static_cast<DWORD>(maxChars), buffer.data());
        if (got == 0 || got >= maxChars) return std::nullopt;
        return std::wstring(buffer.data(), got);
    }
    std::unique_ptr<ExclusiveFile> OpenExclusive(const std::wstring& path, OpenMode mode) override {
        HANDLE file = OpenOwnFile(path);
        if (file == INVALID_HANDLE_VALUE) return nullptr;
        // Emptied only now: a refused open, or a link found at the path, never damages a file.
        bool positioned = mode == OpenMode::Truncate ? SetEndOfFile(file) != FALSE : true;
        if (!positioned ||
            (SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)) {
            CloseHandle(file);
            return nullptr;
        }
        return std::make_unique<Win32ExclusiveFile>(file);
    }
    FolderCreation CreatePrivateFolder(const std::wstring& path) override {
        std::wstring text = PrivateFolderSecurity(CurrentUserSid());
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (text.empty() ||
            !ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
            return FolderCreation::Failed;  // never a folder without its protection
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        BOOL created = CreateDirectoryW(path.c_str(), &attributes);
        DWORD error = GetLastError();
        LocalFree(descriptor);
        if (created) return FolderCreation::Created;
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? FolderCreation::AlreadyExists
                                                                           : FolderCreation::Failed;
    }
};

}  // namespace

FileSystem& Win32FileSystemInstance() {
    static FileSystem& instance = *new Win32FileSystem;
    return instance;
}

}  // namespace platform
