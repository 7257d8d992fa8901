#include "checks/InstalledProducts.h"

bool IsInstalled() {
    return false;
}

bool IsPrereqVC8() {
    return true;
}
