#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32Display final : public Display {
public:
    std::vector<DisplayDevice> Devices() const override { return {}; }
};

}  // namespace

Display& Win32DisplayInstance() {
    static Display& instance = *new Win32Display;
    return instance;
}

}  // namespace platform
