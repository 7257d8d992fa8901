#include "platform/Services.h"

namespace platform {

Services& Os() {
    // Never destroyed, like the services it points to: threads may use them while the process ends.
    static Services& current = *new Services(RealServices());
    return current;
}

}  // namespace platform
