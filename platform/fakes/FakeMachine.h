#pragma once
// In-memory stand-ins for every OS service of the setup. A test builds a FakeMachine, sets the
// facts it needs (environment, temporary folder, language, an existing mutex, a non-administrator),
// and installs it for its duration with ScopedFakeMachine.
#include <functional>
#include <map>
#include <mutex>  // std::lock_guard
#include <set>
#include <tuple>
#include <vector>

#include "platform/Services.h"
#include "platform/SystemCodes.h"
#include "resources/CatalogueTable.h"
#include "threads/VolMutex.h"

namespace platform::fakes {

// The threading library's mutex under the standard lock()/unlock() names, for std::lock_guard (the
// Windows builds' standard library has no std::mutex).
class FakeLock {
public:
    void lock() { mutex_.Lock(); }
    void unlock() { mutex_.Unlock(); }

private:
    VolMutex mutex_;
};

class FakeEnvironment final : public Environment {
public:
    std::optional<std::wstring> Get(const std::wstring& name) const override {
        auto it = variables.find(name);
        if (it == variables.end()) return std::nullopt;
        return it->second;
    }
    std::map<std::wstring, std::wstring> variables;
};

// Files kept as bytes by path, behind one lock: the store both file fakes write into.
struct FakeFileBytes {
    std::string Contents(const std::wstring& path) const {
        std::lock_guard<FakeLock> guard(lock);
        auto it = files.find(path);
        return it == files.end() ? std::string() : it->second;
    }
    bool Exists(const std::wstring& path) const {
        std::lock_guard<FakeLock> guard(lock);
        return files.count(path) != 0;
    }

    std::map<std::wstring, std::string> files;
    mutable FakeLock lock;
};

// Files are byte strings keyed by path. A path in `heldElsewhere` is open in another program,
// so an exclusive open of it fails.
class FakeFileSystem final : public FileSystem, public FakeFileBytes {
public:
    std::optional<std::wstring> TempFolder(std::size_t maxChars) const override {
        if (!tempFolder || tempFolder->size() + 1 > maxChars) return std::nullopt;
        return tempFolder;
    }
    std::unique_ptr<ExclusiveFile> OpenExclusive(const std::wstring& path, OpenMode mode) override;
    FolderCreation CreatePrivateFolder(const std::wstring& path) override {
        std::lock_guard<FakeLock> guard(lock);
        if (refusedFolders.count(path) != 0) return FolderCreation::Failed;
        if (!existingFolders.insert(path).second) return FolderCreation::AlreadyExists;
        createdFolders.push_back(path);
        return FolderCreation::Created;
    }

    std::optional<std::wstring> tempFolder = std::wstring(L"C:\\Temp\\");
    std::set<std::wstring> heldElsewhere;
    std::set<std::wstring> existingFolders;  // anything a folder cannot be created over
    std::set<std::wstring> refusedFolders;   // creation fails (no rights, say)
    std::vector<std::wstring> createdFolders;
};

class FakeProcessInfo final : public ProcessInfo {
public:
    std::uint32_t CurrentProcessId() const override { return processId; }
    std::uint32_t processId = 1234;
};

class FakeClock final : public Clock {
public:
    std::optional<LocalTime> LocalNow() const override { return now; }
    std::optional<LocalTime> now = LocalTime{2026, 12, 6, 17, 48, 3};
};

class FakeUiLanguage final : public UiLanguage {
public:
    LanguageId UserUiLanguage() const override { return language; }
    LanguageId language = 0x0409;
};

// The real catalogue texts in the language the fake loader would choose, with per-test overrides.
class FakeStringResources final : public StringResources {
public:
    explicit FakeStringResources(const FakeUiLanguage& language) : language_(language) {}
    std::optional<std::wstring> Load(unsigned id) const override {
        if (missing.count(id) != 0) return std::nullopt;
        auto it = overrides.find(id);
        if (it != overrides.end()) return it->second;
        const wchar_t* text = catalogue::FindEntry(catalogue::ChooseTableLanguage(language_.language), id);
        if (text == nullptr) return std::nullopt;
        return std::wstring(text);
    }
    std::map<unsigned, std::wstring> overrides;
    std::set<unsigned> missing;

private:
    const FakeUiLanguage& language_;
};

// The user at the message box: `answers` in order, then `answer`; `whileOpen` runs while a box is
// open (the dialog pressing Cancel meanwhile, say).
class FakeDesktop final : public Desktop {
public:
    struct Shown {
        std::wstring text;
        std::wstring caption;
        MessageIcon icon;
        MessageButtons buttons;
    };
    bool RegisterDialogClassCopy(const std::wstring& className) override {
        registeredClasses.push_back(className);
        return true;
    }
    void InitCommonControls() override { ++commonControlsInitialised; }
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption, MessageIcon icon,
                              MessageButtons buttons) override {
        std::lock_guard<FakeLock> guard(lock);
        shown.push_back({text, caption, icon, buttons});
        if (whileOpen) whileOpen();
        if (answers.empty()) return answer;
        MessageAnswer next = answers.front();
        answers.erase(answers.begin());
        return next;
    }
    bool BringWindowOfClassToFront(const std::wstring& className) override {
        broughtToFront.push_back(className);
        return otherWindowExists;
    }

    std::vector<MessageAnswer> answers;
    MessageAnswer answer = MessageAnswer::Ok;
    std::function<void()> whileOpen;
    bool otherWindowExists = true;
    std::vector<std::wstring> registeredClasses;
    int commonControlsInitialised = 0;
    std::vector<Shown> shown;
    std::vector<std::wstring> broughtToFront;
    FakeLock lock;
};

// Names in `existing` belong to another process; `failures` makes a creation fail with that code.
class FakeNamedMutexes final : public NamedMutexes {
public:
    Result CreateOwnedMutex(const std::wstring& name) override { return Create(name); }
    Result CreateOwnedMutexOpenToEveryone(const std::wstring& name) override { return Create(name); }
    void CloseMutex(Handle handle) override { closed.push_back(handle); }
    bool Exists(const std::wstring& name) override { return existing.count(name) != 0; }

    std::set<std::wstring> existing;
    std::map<std::wstring, std::uint32_t> failures;
    std::vector<std::wstring> created;  // in order of creation
    std::vector<Handle> closed;         // in order of closing

private:
    Result Create(const std::wstring& name) {
        auto failure = failures.find(name);
        if (failure != failures.end()) return Result{0, false, failure->second};
        created.push_back(name);
        return Result{static_cast<Handle>(created.size()), existing.count(name) != 0, 0};
    }
};

// An administrator's token by default; nullopt: the token cannot be read.
class FakeSecurity final : public Security {
public:
    std::optional<std::vector<TokenGroup>> ReadTokenGroups() const override { return groups; }
    static std::vector<TokenGroup> StandardUser() { return {{L"S-1-1-0", 7}, {L"S-1-5-32-545", 7}}; }

    std::optional<std::vector<TokenGroup>> groups =
        std::vector<TokenGroup>{{L"S-1-1-0", 7}, {L"S-1-5-32-544", 0xF}, {L"S-1-5-32-545", 7}};
};

// A Windows 7 workstation by default; a test sets the record (or nullopt: unreadable) and the
// service pack the system would confirm.
class FakeSystemInfo final : public SystemInfo {
public:
    std::optional<OsVersionRecord> ReadVersion() const override { return version; }
    bool ServicePackAtLeast(std::uint16_t required) const override {
        return version && version->servicePackMajor >= required;
    }
    std::optional<std::uint16_t> NativeProcessorArchitecture() const override { return nativeArchitecture; }
    bool IsWow64() const override { return wow64; }

    std::optional<OsVersionRecord> version = OsVersionRecord{2, 6, 1, 1, 1};
    std::optional<std::uint16_t> nativeArchitecture = std::uint16_t{0};
    bool wow64 = false;
};

class FakeDiskSpace final : public DiskSpace {
public:
    std::wstring ProgramFilesFolder() const override { return programFiles; }
    FreeSpaceAnswer FreeSpace(const std::wstring& folder) const override {
        askedFolders.push_back(folder);
        return answer;
    }
    std::wstring programFiles = L"C:\\Program Files";
    FreeSpaceAnswer answer{true, 10ull * 1024 * 1024 * 1024, 0};
    mutable std::vector<std::wstring> askedFolders;
};

class FakeDisplay final : public Display {
public:
    std::vector<DisplayDevice> Devices() const override { return devices; }
    std::vector<DisplayDevice> devices;
};

// Values keyed by root, sub-key (compared without regard to case, as the registry does) and name.
class FakeRegistry final : public Registry {
public:
    std::optional<RegistryValue> ReadValue(RootKey root, const std::wstring& subKey, const std::wstring& name,
                                           std::size_t maxBytes) const override {
        opened.push_back({root, subKey});
        auto it = values.find(Key{root, Upper(subKey), name});
        if (it == values.end() || it->second.data.size() > maxBytes) return std::nullopt;
        return it->second;
    }
    // A key opens while it holds a value or has been made with MakeKey.
    std::uint32_t KeyOpenError(RootKey root, const std::wstring& subKey) const override {
        opened.push_back({root, subKey});
        Key key{root, Upper(subKey), std::wstring()};
        auto atOrAfter = values.lower_bound(key);
        bool holdsValues =
            atOrAfter != values.end() && atOrAfter->first.root == root && atOrAfter->first.subKey == key.subKey;
        return holdsValues || emptyKeys.count(key) != 0 ? 0 : kKeyNotFound;
    }
    void Set(RootKey root, const std::wstring& subKey, const std::wstring& name, RegistryValue value) {
        values[Key{root, Upper(subKey), name}] = std::move(value);
    }
    void MakeKey(RootKey root, const std::wstring& subKey) {
        emptyKeys.insert(Key{root, Upper(subKey), std::wstring()});
    }
    // A text as the registry stores it: UTF-16 little-endian, with its terminator unless told otherwise.
    static RegistryValue Utf16(const std::wstring& text, bool terminated = true, std::uint32_t type = kText) {
        RegistryValue value{type, {}};
        for (wchar_t c : text + (terminated ? std::wstring(1, L'\0') : std::wstring()))
            value.data.insert(value.data.end(),
                              {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
        return value;
    }
    static constexpr std::uint32_t kText = 1, kBinary = 3, kNumber = 4;  // REG_SZ, REG_BINARY, REG_DWORD
    static constexpr std::uint32_t kKeyNotFound = 2;
    struct Opened {
        RootKey root;
        std::wstring subKey;
    };
    mutable std::vector<Opened> opened;

private:
    struct Key {
        RootKey root;
        std::wstring subKey;
        std::wstring name;
        bool operator<(const Key& other) const {
            return std::tie(root, subKey, name) < std::tie(other.root, other.subKey, other.name);
        }
    };
    static std::wstring Upper(std::wstring text) {
        for (wchar_t& c : text)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        return text;
    }
    std::map<Key, RegistryValue> values;
    std::set<Key> emptyKeys;
};

// Related products per upgrade code, in the installer's order, and their version strings (a
// product without one has an unreadable version).
class FakeWindowsInstaller final : public WindowsInstaller {
public:
    std::uint32_t EnumRelatedProducts(const std::wstring& upgradeCode, std::uint32_t index,
                                      std::wstring& productCode) const override {
        auto family = related.find(upgradeCode);
        if (family == related.end() || index >= family->second.size()) return system_code::kNoMoreItems;
        productCode = family->second[index];
        return 0;
    }
    std::uint32_t ProductVersionString(const std::wstring& productCode, std::size_t capacity,
                                       std::wstring& value) const override {
        auto it = versions.find(productCode);
        if (it == versions.end()) return system_code::kUnknownProduct;
        if (it->second.size() + 1 > capacity) return system_code::kMoreData;
        value = it->second;
        return 0;
    }
    std::uint32_t PackageProperty(const std::wstring& packagePath, const std::wstring& property, std::size_t capacity,
                                  std::wstring& value) const override {
        auto it = packageProperties.find({packagePath, property});
        if (it == packageProperties.end()) return system_code::kBadPackage;
        if (it->second.size() + 1 > capacity) return system_code::kMoreData;
        value = it->second;
        return 0;
    }
    std::map<std::wstring, std::vector<std::wstring>> related;
    std::map<std::wstring, std::wstring> versions;
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> packageProperties;  // by package and name
};

class FakeMsxmlProbe final : public MsxmlProbe {
public:
    MsxmlProbeResult RunTests(bool withFatalErrorTest) override {
        runs.push_back(withFatalErrorTest);
        return result;
    }
    MsxmlProbeResult result;
    std::vector<bool> runs;  // the withFatalErrorTest argument of each run
};

// ---- The package steps' services ----

// Records every posted message in order. Posting may come from the install worker's thread.
class FakeWindowMessages final : public WindowMessages {
public:
    struct Posted {
        WindowHandle window;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::wstring text = {};  // what `receive` read from the message, if anything
    };
    bool Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        std::lock_guard<FakeLock> guard(lock);
        if (refusePosts) return false;
        Posted received{window, message, wParam, lParam};
        if (receive) receive(received);
        posted.push_back(received);
        return true;
    }
    std::vector<Posted> Snapshot() const {
        std::lock_guard<FakeLock> guard(lock);
        return posted;
    }
    // Plays the receiving window: called for every message as it is queued (a message that
    // carries something to free is taken here).
    std::function<void(Posted&)> receive;
    bool refusePosts = false;
    std::vector<Posted> posted;
    mutable FakeLock lock;
};

// Files kept as bytes by path. A path in `refused` or already in `files` cannot be created; a file stops writing after
// `writeLimit` bytes in all, reporting the shorter count as a full disk would.
class FakePlainFiles final : public PlainFiles, public FakeFileBytes {
public:
    std::unique_ptr<PlainFile> CreateForWriting(const std::wstring& path) override {
        std::lock_guard<FakeLock> guard(lock);
        if (refused.count(path) != 0 || files.count(path) != 0) return nullptr;  // only new files
        files[path];
        openPaths.push_back(path);
        return std::make_unique<File>(*this, path);
    }
    // Holds a file that exists and is not `refused`; `held` lists the paths held now.
    std::unique_ptr<HeldFile> Hold(const std::wstring& path) override {
        std::lock_guard<FakeLock> guard(lock);
        if (refused.count(path) != 0 || files.count(path) == 0) return nullptr;
        held.push_back(path);
        return std::make_unique<Held>(*this, path);
    }
    std::set<std::wstring> refused;
    std::size_t writeLimit = static_cast<std::size_t>(-1);
    std::vector<std::wstring> openPaths;  // files opened and not yet closed
    std::vector<std::wstring> held;       // files held and not yet let go

private:
    static void Forget(std::vector<std::wstring>& paths, const std::wstring& path) {
        for (auto it = paths.begin(); it != paths.end(); ++it) {
            if (*it == path) {
                paths.erase(it);
                return;
            }
        }
    }
    class Held final : public HeldFile {
    public:
        Held(FakePlainFiles& owner, std::wstring path) : owner_(owner), path_(std::move(path)) {}
        ~Held() override {
            std::lock_guard<FakeLock> guard(owner_.lock);
            Forget(owner_.held, path_);
        }
        void* SystemHandle() const override { return nullptr; }

    private:
        FakePlainFiles& owner_;
        std::wstring path_;
    };
    class File final : public PlainFile {
    public:
        File(FakePlainFiles& owner, std::wstring path) : owner_(owner), path_(std::move(path)) {}
        ~File() override { Close(); }
        std::size_t Write(const char* bytes, std::size_t count) override {
            std::lock_guard<FakeLock> guard(owner_.lock);
            std::string& contents = owner_.files[path_];
            std::size_t room = owner_.writeLimit > contents.size() ? owner_.writeLimit - contents.size() : 0;
            std::size_t written = count < room ? count : room;
            contents.append(bytes, written);
            return written;
        }
        bool Close() override {
            std::lock_guard<FakeLock> guard(owner_.lock);
            if (closed_) return true;
            closed_ = true;
            Forget(owner_.openPaths, path_);
            return true;
        }

    private:
        FakePlainFiles& owner_;
        std::wstring path_;
        bool closed_ = false;
    };
};

// The verdict per path (`verdicts`), `otherwise` for any other file; every path asked is kept.
class FakeSignatureTrust final : public SignatureTrust {
public:
    SignatureVerdict Verify(const std::wstring& path, const HeldFile* file) override {
        asked.push_back(path);
        if (file != nullptr) askedThroughHeldFile.push_back(path);
        auto it = verdicts.find(path);
        auto signerIt = signers.find(path);
        return SignatureVerdict{it == verdicts.end() ? otherwise : it->second,
                                signerIt == signers.end() ? signer : signerIt->second};
    }
    std::map<std::wstring, std::int32_t> verdicts;
    std::int32_t otherwise = static_cast<std::int32_t>(0x800B0100u);  // no signature
    std::map<std::wstring, std::string> signers;                      // certificates (DER) by path
    std::string signer;                                               // for every other path
    std::vector<std::wstring> asked;
    std::vector<std::wstring> askedThroughHeldFile;
};

class FakeSystemTexts final : public SystemTexts {
public:
    std::optional<std::wstring> TextFor(std::uint32_t status) const override {
        auto it = texts.find(status);
        if (it == texts.end()) return std::nullopt;
        return it->second;
    }
    std::map<std::uint32_t, std::wstring> texts;
};

// Every start makes a child that runs for `waitsToEnd` waits, reading 259 until then, and then
// reports `exitCode`. Read number `failingRead` (counted from 1) fails with `readError`; so does
// every read past `readLimit`, so a watcher that never stops shows up as a failure, not a hang.
// `onRead` runs before each read, so a test can act while the child runs (press Cancel).
class FakeChildProcesses final : public ChildProcesses {
public:
    struct Started {
        std::wstring application;
        std::wstring commandLine;
        bool inheritHandles;
    };
    ChildStart Start(const std::wstring& application, const std::wstring& commandLine, bool inheritHandles) override {
        started.push_back({application, commandLine, inheritHandles});
        if (startError != 0) return ChildStart{nullptr, startError};
        ++openChildren;
        return ChildStart{std::make_unique<Child>(*this), 0};
    }
    std::wstring SystemFolder() const override { return systemFolder; }
    void Pause(std::uint32_t milliseconds) override { pauses.push_back(milliseconds); }

    int waitsToEnd = 1;
    std::uint32_t exitCode = 0;
    int failingRead = 0;
    std::uint32_t readError = 6;
    int readLimit = 100000;
    std::uint32_t startError = 0;
    std::wstring systemFolder = L"C:\\WINDOWS\\system32";
    std::function<void(int read)> onRead;

    std::vector<Started> started;
    std::vector<std::uint32_t> waits;   // the time-out of every wait, in order
    std::vector<std::uint32_t> pauses;  // every pause, in order
    int reads = 0;
    int openChildren = 0;  // started and not yet closed
    int terminated = 0;

private:
    class Child final : public ChildProcess {
    public:
        explicit Child(FakeChildProcesses& owner) : owner_(owner) {}
        ~Child() override { --owner_.openChildren; }
        ChildExitCode ExitCode() override {
            int read = ++owner_.reads;
            if (owner_.onRead) owner_.onRead(read);
            if (read == owner_.failingRead || read > owner_.readLimit) return ChildExitCode{false, 0, owner_.readError};
            return ChildExitCode{true, waitsDone_ < owner_.waitsToEnd ? system_code::kStillActive : owner_.exitCode, 0};
        }
        ChildWait Wait(std::uint32_t milliseconds) override {
            owner_.waits.push_back(milliseconds);
            if (waitsDone_ < owner_.waitsToEnd) ++waitsDone_;
            return waitsDone_ < owner_.waitsToEnd ? ChildWait::TimedOut : ChildWait::Ended;
        }
        bool Terminate(std::uint32_t) override {
            ++owner_.terminated;
            waitsDone_ = owner_.waitsToEnd;
            return true;
        }

    private:
        FakeChildProcesses& owner_;
        int waitsDone_ = 0;
    };
};

// Records every removal in order ("file " or "folder " and the path); all succeed.
class FakeFileRemoval final : public FileRemoval {
public:
    bool RemoveFile(const std::wstring& path) override {
        removed.push_back(L"file " + path);
        return true;
    }
    bool RemoveEmptyFolder(const std::wstring& path) override {
        removed.push_back(L"folder " + path);
        return true;
    }
    std::vector<std::wstring> removed;
};

struct FakeMachine {
    FakeEnvironment environment;
    FakeFileSystem files;
    FakeProcessInfo process;
    FakeClock clock;
    FakeUiLanguage language;
    FakeStringResources strings{language};
    FakeDesktop desktop;
    FakeNamedMutexes mutexes;
    FakeSecurity security;
    FakeSystemInfo system;
    FakeDiskSpace disk;
    FakeDisplay display;
    FakeRegistry registry;
    FakeWindowsInstaller installer;
    FakeMsxmlProbe msxml;
    FakeWindowMessages windows;
    FakePlainFiles plainFiles;
    FakeSignatureTrust trust;
    FakeSystemTexts systemTexts;
    FakeChildProcesses children;
    FakeFileRemoval removal;

    Services services() {
        return Services{&environment, &files,    &process,    &clock, &language,    &strings,  &desktop,
                        &mutexes,     &security, &system,     &disk,  &display,     &registry, &installer,
                        &msxml,       &windows,  &plainFiles, &trust, &systemTexts, &children, &removal};
    }
};

// A fake machine in force for the lifetime of this object.
class ScopedFakeMachine : public FakeMachine {
public:
    ScopedFakeMachine() : scope_(services()) {}

private:
    ScopedServices scope_;
};

}  // namespace platform::fakes
