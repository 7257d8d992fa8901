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
    return std::make_unique<StdioPlainFile>(stream);
}

}  // namespace platform
