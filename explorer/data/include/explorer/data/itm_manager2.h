// The item manager's second interface, asked for where an operation has a
// newer form (the local cache's refresh at login, the state change with a
// revoke flag).
#pragma once

#include "bellquist/manager_interfaces.h"
#include "com/ccom_ptr.h"

// The manager's IItmManager2, or null when it has none (or for a null manager).
CComPtr<BellquistLib::IItmManager2> QueryItmManager2(BellquistLib::IItmManager* manager);
