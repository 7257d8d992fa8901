#include "checks/ServerVersionCheck.h"

bool CheckNeedInstall(std::wstring&) {
    return true;
}
