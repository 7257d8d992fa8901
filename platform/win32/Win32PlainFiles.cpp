#include <stdio.h>

#include "platform/StdioPlainFile.h"
#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32PlainFiles final : public PlainFiles {
public:
    std::unique_ptr<PlainFile> CreateForWriting(const std::wstring& path) override {
        return WrapStdioFile(_wfopen(path.c_str(), L"wb"));
    }
};

}  // namespace

PlainFiles& Win32PlainFilesInstance() {
    static Win32PlainFiles& instance = *new Win32PlainFiles;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
