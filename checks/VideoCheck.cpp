#include "checks/VideoCheck.h"

bool IsVideoCardOK(std::wstring&) {
    return true;
}
