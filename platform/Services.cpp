#include "platform/Services.h"

namespace platform {

Services& Os() {
    static Services current = RealServices();
    return current;
}

}  // namespace platform
