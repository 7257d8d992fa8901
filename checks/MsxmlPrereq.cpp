#include "checks/MsxmlPrereq.h"

bool IsPrereqMSXML() {
    return true;
}
