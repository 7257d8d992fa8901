#include "checks/DiskSpaceCheck.h"

bool IsEnoughDiskSpace(std::wstring&) {
    return true;
}
