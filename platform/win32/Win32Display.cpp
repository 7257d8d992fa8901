#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

static_assert(sizeof(DISPLAY_DEVICEW) == 840, "display device record");

class Win32Display final : public Display {
public:
    std::vector<DisplayDevice> Devices() const override {
        std::vector<DisplayDevice> devices;
        for (DWORD index = 0;; ++index) {
            DISPLAY_DEVICEW device;
            ZeroMemory(&device, sizeof(device));
            device.cb = sizeof(device);
            if (!EnumDisplayDevicesW(nullptr, index, &device, 0)) break;
            std::size_t keyLength = 0;  // the key may fill its field without a terminator
            while (keyLength < ARRAYSIZE(device.DeviceKey) && device.DeviceKey[keyLength] != L'\0') ++keyLength;
            devices.push_back(DisplayDevice{device.StateFlags, std::wstring(device.DeviceKey, keyLength)});
        }
        return devices;
    }
};

}  // namespace

Display& Win32DisplayInstance() {
    static Display& instance = *new Win32Display;
    return instance;
}

}  // namespace platform
