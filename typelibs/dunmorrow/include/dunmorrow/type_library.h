// The description of DunmorrowLib: identity, version, interfaces, and the
// registration of its record descriptions.
#pragma once

#include "com/server/type_library.h"

namespace DunmorrowLib {

// The library as the server registers it; its registerRecords is
// RegisterRecords. Constant-initialised, so a server's globals may take it
// while the server loads.
const com::TypeLibrary& TypeLibrary();

// Registers the description of every record of the library with the
// component runtime (GetRecordInfoFromGuids finds them from then on).
// Registering again replaces the earlier descriptions.
void RegisterRecords();

}  // namespace DunmorrowLib
