// In-process stand-ins for classes the system expects from local servers.
#pragma once

#include "com/runtime.h"

namespace com::detail {

// The stand-in registered for `clsid`, or null.
LocalServerStandIn FindLocalServerStandIn(REFCLSID clsid);

}  // namespace com::detail
