#include "platform/StdioPlainFile.h"

namespace platform {
namespace {

class StdioPlainFile final : public PlainFile {
public:
    explicit StdioPlainFile(std::FILE* stream) : stream_(stream) {}
    ~StdioPlainFile() override { Close(); }
    std::size_t Write(const char* bytes, std::size_t count) override {
        if (stream_ == nullptr) return 0;
        return std::fwrite(bytes, 1, count, stream_);
    }
    bool Close() override {
        if (stream_ == nullptr) return true;
        bool ok = std::fclose(stream_) == 0;
        stream_ = nullptr;
        return ok;
    }

private:
    std::FILE* stream_;
};

}  // namespace

std::unique_ptr<PlainFile> WrapStdioFile(std::FILE* stream) {
    if (stream == nullptr) return nullptr;
    // Unbuffered: a byte the system refuses shows in Write's count, not only in a close whose
    // result nobody reads. Callers write whole blocks, so no buffer is needed.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return std::make_unique<StdioPlainFile>(stream);
}

}  // namespace platform
