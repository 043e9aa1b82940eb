#include "link/device_access.h"

namespace velmora {

// The port is opened without sharing, so it is the process's alone already.
bool claimDevice(qintptr)
{
    return true;
}

// An unplugged adapter reports a resource error instead.
bool deviceHungUp(qintptr)
{
    return false;
}

// The write itself completes when the driver has taken the bytes on; there
// is no further queue to wait for.
bool waitUntilTransmitted(qintptr, const QDeadlineTimer &)
{
    return true;
}

} // namespace velmora
