#pragma once
#include <cstdint>

// The file-status record filled by Head, laid out like the C runtime's 64-bit file-status record
// (_stat64). Head clears it whole and fills only mode and size.
struct HttpFileStatus {
    uint32_t st_dev;
    uint16_t st_ino;
    uint16_t st_mode;
    int16_t st_nlink;
    int16_t st_uid;
    int16_t st_gid;
    uint32_t st_rdev;
    int64_t st_size;
    int64_t st_atime;
    int64_t st_mtime;
    int64_t st_ctime;
};
