#pragma once
#include <algorithm>
#include <cstdint>
#include <string>

#include "http/HttpStream.h"

// An HttpStream over bytes in memory. Each receive hands out at most `piece` bytes, so a test
// chooses how the data is split; after `failAfter` bytes every receive fails, as a broken
// connection would. Without failAfter the stream ends (an orderly close) after its last byte.
class MemoryStream : public HttpStream {
public:
    static constexpr size_t kNoFailure = SIZE_MAX;

    explicit MemoryStream(std::string data, size_t piece = SIZE_MAX, size_t failAfter = kNoFailure)
        : data_(std::move(data)), piece_(piece == 0 ? 1 : piece), failAfter_(failAfter) {}

    int32_t Send(const char* data, uint32_t length) override {
        sent.append(data, length);
        return static_cast<int32_t>(length);
    }

    int32_t ReceiveFill(char* buffer, uint32_t capacity, uint32_t* count) override {
        *count = 0;
        int32_t last = 1;
        while (*count < capacity) {
            last = Receive(buffer + *count, capacity - *count);
            if (last <= 0) return last;
            *count += static_cast<uint32_t>(last);
        }
        return last;
    }

    int32_t ReceiveLine(char* buffer, uint32_t capacity, uint32_t* count) override {
        *count = 0;
        int32_t last = 1;
        while (*count < capacity) {
            last = Receive(buffer + *count, 1);
            if (last <= 0) return last;
            *count += 1;
            if (*count >= 2 && buffer[*count - 2] == '\r' && buffer[*count - 1] == '\n') break;
        }
        return last;
    }

    int32_t WaitReadable(int32_t) override { return 0; }

    size_t Position() const { return position_; }
    std::string sent;

private:
    int32_t Receive(char* buffer, size_t wanted) {
        if (position_ >= failAfter_) return -1;
        size_t available = std::min(data_.size(), failAfter_) - position_;
        if (available == 0) return 0;
        size_t count = std::min({wanted, available, piece_, size_t{65536}});
        std::copy_n(data_.data() + position_, count, buffer);
        position_ += count;
        return static_cast<int32_t>(count);
    }

    std::string data_;
    size_t piece_;
    size_t failAfter_;
    size_t position_ = 0;
};
