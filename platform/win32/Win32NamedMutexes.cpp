#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

NamedMutexes::Result FromCreate(HANDLE mutex) {
    NamedMutexes::Result result;
    DWORD error = GetLastError();  // read before anything else can change it
    if (mutex == nullptr) {
        result.error = error;
        return result;
    }
    result.handle = reinterpret_cast<NamedMutexes::Handle>(mutex);
    result.alreadyExisted = error == ERROR_ALREADY_EXISTS;
    return result;
}

class Win32NamedMutexes final : public NamedMutexes {
public:
    Result CreateOwnedMutex(const std::wstring& name) override {
        return FromCreate(CreateMutexW(nullptr, TRUE, name.c_str()));
    }

    Result CreateOwnedMutexOpenToEveryone(const std::wstring& name) override {
        SECURITY_DESCRIPTOR descriptor;
        if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
            Result failed;
            failed.error = GetLastError();
            return failed;
        }
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
        return FromCreate(CreateMutexW(&attributes, TRUE, name.c_str()));
    }

    void CloseMutex(Handle handle) override {
        if (handle != 0) CloseHandle(reinterpret_cast<HANDLE>(handle));
    }

    bool Exists(const std::wstring& name) override {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
        if (mutex != nullptr) {
            CloseHandle(mutex);
            return true;
        }
        // A mutex we may not open is there all the same.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
};

}  // namespace

NamedMutexes& Win32NamedMutexesInstance() {
    static Win32NamedMutexes& instance = *new Win32NamedMutexes;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
