#include <windows.h>

#include "platform/win32/FileIdentity.h"
#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32PlainFile final : public PlainFile {
public:
    explicit Win32PlainFile(HANDLE file) : file_(file) {}
    ~Win32PlainFile() override { Close(); }
    std::size_t Write(const char* bytes, std::size_t count) override {
        std::size_t done = 0;
        while (done < count) {
            DWORD chunk = count - done > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count - done);
            DWORD written = 0;
            if (!WriteFile(file_, bytes + done, chunk, &written, nullptr) || written == 0) break;
            done += written;
        }
        return done;
    }
    bool Close() override {
        if (file_ == INVALID_HANDLE_VALUE) return true;
        bool ok = CloseHandle(file_) != FALSE;
        file_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE file_;
};

class Win32HeldFile final : public HeldFile {
public:
    explicit Win32HeldFile(HANDLE file) : file_(file) {}
    ~Win32HeldFile() override { CloseHandle(file_); }
    void* SystemHandle() const override { return file_; }

private:
    HANDLE file_;
};

// Others may read a held package; opens for writing, and the delete access that renames and
// deletes need, are refused to everyone while the handle lives.
constexpr DWORD kHeldFileSharing = FILE_SHARE_READ;

class Win32PlainFiles final : public PlainFiles {
public:
    std::unique_ptr<PlainFile> CreateForWriting(const std::wstring& path) override {
        // CREATE_NEW: nothing that was at the path (a planted link included) is followed or emptied.
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, kNoLinkFollowing, nullptr);
        if (file == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32PlainFile>(file);
    }
    std::unique_ptr<HeldFile> Hold(const std::wstring& path) override {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, kHeldFileSharing, nullptr, OPEN_EXISTING,
                                  kNoLinkFollowing, nullptr);
        if (file == INVALID_HANDLE_VALUE) return nullptr;
        if (!IsSingleNamedPlainFile(file)) {
            CloseHandle(file);
            return nullptr;
        }
        return std::make_unique<Win32HeldFile>(file);
    }
};

}  // namespace

PlainFiles& Win32PlainFilesInstance() {
    static Win32PlainFiles& instance = *new Win32PlainFiles;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
