#include "platform/fakes/FakeMachine.h"

namespace platform::fakes {
namespace {

class FakeFile final : public ExclusiveFile {
public:
    FakeFile(FakeFileSystem& owner, std::wstring path) : owner_(owner), path_(std::move(path)) {}
    ~FakeFile() override { Close(); }
    bool Write(const char* bytes, std::size_t count) override {
        std::lock_guard<FakeLock> guard(owner_.lock);
        owner_.files[path_].append(bytes, count);
        return true;
    }
    bool Close() override {
        std::lock_guard<FakeLock> guard(owner_.lock);
        if (!closed_) owner_.heldElsewhere.erase(path_);
        closed_ = true;
        return true;
    }

private:
    FakeFileSystem& owner_;
    std::wstring path_;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<ExclusiveFile> FakeFileSystem::OpenExclusive(const std::wstring& path, OpenMode mode) {
    std::lock_guard<FakeLock> guard(lock);
    if (heldElsewhere.count(path) != 0) return nullptr;
    if (mode == OpenMode::Truncate)
        files[path].clear();
    else
        files[path];             // append creates a missing file
    heldElsewhere.insert(path);  // held by this open until Close
    return std::make_unique<FakeFile>(*this, path);
}

}  // namespace platform::fakes
