#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32MsxmlProbe final : public MsxmlProbe {
public:
    MsxmlProbeResult RunTests(bool) override { return MsxmlProbeResult{1, 0}; }
};

}  // namespace

MsxmlProbe& Win32MsxmlProbeInstance() {
    static MsxmlProbe& instance = *new Win32MsxmlProbe;
    return instance;
}

}  // namespace platform
