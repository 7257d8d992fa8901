// Stand-ins for the Windows services on Linux, so the portable logic runs natively. The shipped
// program uses the Win32 implementations; these only have to be plausible and safe.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <set>

#include "platform/Services.h"
#include "platform/StdioPlainFile.h"
#include "platform/SystemCodes.h"
#include "platform/Text.h"
#include "platform/posix/PosixLanguage.h"
#include "resources/CatalogueTable.h"

namespace platform {
namespace {

class PosixEnvironment final : public Environment {
public:
    std::optional<std::wstring> Get(const std::wstring& name) const override {
        const char* value = std::getenv(ToUtf8(name).c_str());
        if (value == nullptr) return std::nullopt;
        return FromUtf8(value);
    }
};

// flock() gives the "no sharing while held" rule: a second exclusive open fails at once.
class PosixExclusiveFile final : public ExclusiveFile {
public:
    explicit PosixExclusiveFile(int fd) : fd_(fd) {}
    ~PosixExclusiveFile() override { Close(); }
    bool Write(const char* bytes, std::size_t count) override {
        while (count > 0) {
            ssize_t written = ::write(fd_, bytes, count);
            if (written <= 0) return false;
            bytes += written;
            count -= static_cast<std::size_t>(written);
        }
        return true;
    }
    bool Close() override {
        if (fd_ < 0) return true;
        bool ok = ::fsync(fd_) == 0 || errno == EINVAL;
        ::flock(fd_, LOCK_UN);
        ok = ::close(fd_) == 0 && ok;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

// The file at `path` for writing, never through a link: a symbolic link or a name of a file with
// several names found there is removed and a new file made (a few times, against one re-planting it).
int OpenOwnFile(const std::string& path) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != ELOOP) return -1;
        struct stat status {};
        if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1) return fd;
        if (fd >= 0) ::close(fd);
        if (::unlink(path.c_str()) != 0) return -1;
    }
    return -1;
}

class PosixFileSystem final : public FileSystem {
public:
    std::optional<std::wstring> TempFolder(std::size_t maxChars) const override {
        const char* dir = std::getenv("TMPDIR");
        std::string folder = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
        if (folder.back() != '/') folder += '/';
        std::wstring wide = FromUtf8(folder);
        if (wide.size() + 1 > maxChars) return std::nullopt;
        return wide;
    }
    std::unique_ptr<ExclusiveFile> OpenExclusive(const std::wstring& path, OpenMode mode) override {
        int fd = OpenOwnFile(ToUtf8(path));
        if (fd < 0) return nullptr;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return nullptr;
        }
        // Truncate only once the lock is ours, so a refused open never damages the holder's file.
        bool positioned = mode == OpenMode::Truncate ? ::ftruncate(fd, 0) == 0 : true;
        if (!positioned || ::lseek(fd, 0, SEEK_END) < 0) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixExclusiveFile>(fd);
    }
    FolderCreation CreatePrivateFolder(const std::wstring& path) override {
        if (::mkdir(ToUtf8(path).c_str(), 0755) == 0) return FolderCreation::Created;
        return errno == EEXIST ? FolderCreation::AlreadyExists : FolderCreation::Failed;
    }
};

class PosixProcessInfo final : public ProcessInfo {
public:
    std::uint32_t CurrentProcessId() const override { return static_cast<std::uint32_t>(::getpid()); }
};

class PosixClock final : public Clock {
public:
    std::optional<LocalTime> LocalNow() const override {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        if (now == static_cast<std::time_t>(-1) || ::localtime_r(&now, &tm) == nullptr) return std::nullopt;
        return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
};

class PosixUiLanguage final : public UiLanguage {
public:
    LanguageId UserUiLanguage() const override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(name);
            if (value != nullptr && *value != '\0') return LanguageFromLocaleName(value);
        }
        return 0x0409;
    }
};

class PosixStringResources final : public StringResources {
public:
    std::optional<std::wstring> Load(unsigned id) const override {
        const wchar_t* text = catalogue::FindEntry(catalogue::ChooseTableLanguage(language_.UserUiLanguage()), id);
        if (text == nullptr) return std::nullopt;
        return std::wstring(text);
    }

private:
    PosixUiLanguage language_;
};

class PosixDesktop final : public Desktop {
public:
    bool RegisterDialogClassCopy(const std::wstring&) override { return true; }
    void InitCommonControls() override {}
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption, MessageIcon,
                              MessageButtons buttons) override {
        std::fprintf(stderr, "[%s] %s\n", ToUtf8(caption).c_str(), ToUtf8(text).c_str());
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    bool BringWindowOfClassToFront(const std::wstring&) override { return false; }
};

// Named mutexes live only inside this process here; enough for running the logic natively.
class PosixNamedMutexes final : public NamedMutexes {
public:
    Result CreateOwnedMutex(const std::wstring& name) override { return Create(name); }
    Result CreateOwnedMutexOpenToEveryone(const std::wstring& name) override { return Create(name); }
    void CloseMutex(Handle handle) override {
        std::lock_guard<std::mutex> guard(lock_);
        for (auto it = open_.begin(); it != open_.end(); ++it) {
            if (reinterpret_cast<Handle>(&*it) == handle) {
                open_.erase(it);
                return;
            }
        }
    }

    bool Exists(const std::wstring& name) override {
        std::lock_guard<std::mutex> guard(lock_);
        return open_.count(name) != 0;
    }

private:
    Result Create(const std::wstring& name) {
        std::lock_guard<std::mutex> guard(lock_);
        auto [it, inserted] = open_.insert(name);
        return Result{reinterpret_cast<Handle>(&*it), !inserted, 0};
    }
    std::mutex lock_;
    std::set<std::wstring> open_;
};

// The user counts as an administrator here, so the logic can run.
class PosixSecurity final : public Security {
public:
    std::optional<std::vector<TokenGroup>> ReadTokenGroups() const override {
        return std::vector<TokenGroup>{{L"S-1-5-32-544", 0xF}};
    }
};

// This is no Windows system: its version cannot be read, which the checks treat as unknown.
class PosixSystemInfo final : public SystemInfo {
public:
    std::optional<OsVersionRecord> ReadVersion() const override { return std::nullopt; }
    bool ServicePackAtLeast(std::uint16_t) const override { return false; }
    std::optional<std::uint16_t> NativeProcessorArchitecture() const override { return std::nullopt; }
    bool IsWow64() const override { return false; }
};

// The root file system stands in for the Program Files volume.
class PosixDiskSpace final : public DiskSpace {
public:
    std::wstring ProgramFilesFolder() const override { return L"/"; }
    FreeSpaceAnswer FreeSpace(const std::wstring& folder) const override {
        struct statvfs info {};
        if (::statvfs(ToUtf8(folder).c_str(), &info) != 0)
            return FreeSpaceAnswer{false, 0, static_cast<std::uint32_t>(errno)};
        return FreeSpaceAnswer{true, static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize, 0};
    }
};

class PosixDisplay final : public Display {
public:
    std::vector<DisplayDevice> Devices() const override { return {}; }
};

class PosixRegistry final : public Registry {
public:
    std::optional<RegistryValue> ReadValue(RootKey, const std::wstring&, const std::wstring&,
                                           std::size_t) const override {
        return std::nullopt;
    }
    std::uint32_t KeyOpenError(RootKey, const std::wstring&) const override { return system_code::kFileNotFound; }
};

// No Windows Installer here: no product is ever registered.
class PosixWindowsInstaller final : public WindowsInstaller {
public:
    std::uint32_t EnumRelatedProducts(const std::wstring&, std::uint32_t, std::wstring&) const override {
        return system_code::kNoMoreItems;
    }
    std::uint32_t ProductVersionString(const std::wstring&, std::size_t, std::wstring&) const override {
        return system_code::kUnknownProduct;
    }
    std::uint32_t PackageProperty(const std::wstring&, const std::wstring&, std::size_t, std::wstring&) const override {
        return system_code::kBadPackage;
    }
};

// No MSXML 6.0 classes here.
class PosixMsxmlProbe final : public MsxmlProbe {
public:
    MsxmlProbeResult RunTests(bool) override { return MsxmlProbeResult{1, 0}; }
};

// No window system here: nothing can be posted.
class PosixWindowMessages final : public WindowMessages {
public:
    bool Post(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override { return false; }
};

class PosixPlainFiles final : public PlainFiles {
public:
    std::unique_ptr<PlainFile> CreateForWriting(const std::wstring& path) override {
        int fd = ::open(ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) return nullptr;
        std::FILE* stream = ::fdopen(fd, "wb");
        if (stream == nullptr) ::close(fd);
        return WrapStdioFile(stream);
    }
    // No share modes here: the file is only held open.
    std::unique_ptr<HeldFile> Hold(const std::wstring& path) override {
        int fd = ::open(ToUtf8(path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixHeldFile>(fd);
    }

private:
    class PosixHeldFile final : public HeldFile {
    public:
        explicit PosixHeldFile(int fd) : fd_(fd) {}
        ~PosixHeldFile() override { ::close(fd_); }
        void* SystemHandle() const override { return nullptr; }

    private:
        int fd_;
    };
};

// No trust provider here: every file is refused as the system refuses an unknown provider.
class PosixSignatureTrust final : public SignatureTrust {
public:
    SignatureVerdict Verify(const std::wstring&, const HeldFile*) override {
        return SignatureVerdict{kProviderUnknown, {}};
    }

private:
    static constexpr std::int32_t kProviderUnknown = static_cast<std::int32_t>(0x800B0001u);
};

class PosixSystemTexts final : public SystemTexts {
public:
    std::optional<std::wstring> TextFor(std::uint32_t) const override { return std::nullopt; }
};

// Installers and tools are Windows programs: nothing to start here.
class PosixChildProcesses final : public ChildProcesses {
public:
    ChildStart Start(const std::wstring&, const std::wstring&, bool) override {
        return ChildStart{nullptr, system_code::kFileNotFound};
    }
    std::wstring SystemFolder() const override { return L"/usr/bin"; }
    void Pause(std::uint32_t milliseconds) override { ::usleep(static_cast<useconds_t>(milliseconds) * 1000); }
};

class PosixFileRemoval final : public FileRemoval {
public:
    bool RemoveFile(const std::wstring& path) override { return ::unlink(ToUtf8(path).c_str()) == 0; }
    bool RemoveEmptyFolder(const std::wstring& path) override { return ::rmdir(ToUtf8(path).c_str()) == 0; }
};

}  // namespace

Services RealServices() {
    static const Services& services =
        *new Services{new PosixEnvironment, new PosixFileSystem,       new PosixProcessInfo, new PosixClock,
                      new PosixUiLanguage,  new PosixStringResources,  new PosixDesktop,     new PosixNamedMutexes,
                      new PosixSecurity,    new PosixSystemInfo,       new PosixDiskSpace,   new PosixDisplay,
                      new PosixRegistry,    new PosixWindowsInstaller, new PosixMsxmlProbe,  new PosixWindowMessages,
                      new PosixPlainFiles,  new PosixSignatureTrust,   new PosixSystemTexts, new PosixChildProcesses,
                      new PosixFileRemoval};
    return services;
}

}  // namespace platform
