#pragma once
#include <string>

namespace platform {

// Deleting what the package steps leave behind; every call reports only whether it worked.
class FileRemoval {
public:
    virtual ~FileRemoval() = default;
    virtual bool RemoveFile(const std::wstring& path) = 0;
    // Succeeds only for an empty folder.
    virtual bool RemoveEmptyFolder(const std::wstring& path) = 0;
};

}  // namespace platform
