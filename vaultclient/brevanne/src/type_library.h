// The unlock component's type-library description: its library, version
// 1.0, the interfaces its objects answer, and the record description it
// registers at load (UnlockFileRecord, brevanne/records.h).
#pragma once

#include "com/server/type_library.h"

namespace brevanne {

// Constant-initialised, so a server's globals may take it while it loads.
const com::TypeLibrary& TypeLibrary();

}  // namespace brevanne
