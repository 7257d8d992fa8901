#pragma once
#include <cstdint>

// The file-status record filled by Head, laid out like the C runtime's 64-bit file-status record
// (_stat64: device, inode, mode, links, user, group, rdev, size, three times). Head clears it
// whole and fills only mode and size.
struct HttpFileStatus {
    uint32_t device;
    uint16_t inode;
    uint16_t mode;
    int16_t links;
    int16_t user;
    int16_t group;
    uint32_t rdev;
    int64_t size;
    int64_t accessTime;
    int64_t modifyTime;
    int64_t changeTime;
};
