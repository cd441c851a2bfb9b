// The description of BellquistLib: identity, version, interfaces and the
// registration of its record descriptions.
#pragma once

#include "com/server/type_library.h"

namespace BellquistLib {

// Registers the description of every record of the library with the
// component runtime (GetRecordInfoFromGuids finds them from then on).
// Registering again replaces the earlier descriptions.
void RegisterRecords();

// The library as the server registers it.
const com::TypeLibrary& TypeLibrary();

}  // namespace BellquistLib
