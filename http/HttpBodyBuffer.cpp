#include "http/HttpBodyBuffer.h"

#include "http/HttpLimits.h"
#include "http/HttpMemory.h"

HttpBodyBuffer::~HttpBodyBuffer() {
    HttpFree(data_);
}

bool HttpBodyBuffer::MakeRoom(uint32_t free) {
    if (free <= Free() && data_ != nullptr) return true;
    if (free > UINT32_MAX - 1 - length_) return false;
    uint32_t wanted = length_ + free;
    // Doubling keeps the copying linear in the body size; the capacity stays within twice the data
    // and, unless more is asked for, within the largest body.
    uint32_t doubled = capacity_ > kHttpMaxBodyLength / 2 ? kHttpMaxBodyLength : capacity_ * 2;
    if (doubled > wanted) wanted = doubled;
    if (data_ == nullptr) {
        data_ = static_cast<char*>(HttpAlloc(static_cast<size_t>(wanted) + 1));
        if (data_ == nullptr) return false;
    } else if (!HttpGrow(&data_, static_cast<size_t>(capacity_) + 1, static_cast<size_t>(wanted) + 1)) {
        return false;
    }
    capacity_ = wanted;
    return true;
}

bool HttpBodyBuffer::HandOver(char** out, uint32_t* length) {
    if (!MakeRoom(0)) return false;
    data_[length_] = 0;
    *out = data_;
    *length = length_;
    data_ = nullptr;
    capacity_ = length_ = 0;
    return true;
}
