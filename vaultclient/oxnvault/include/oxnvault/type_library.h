// The description of the vault's type library OxnVaultLib 5.23: identity,
// interfaces, and the registration of its record (OxnSelection).
#pragma once

#include "com/server/type_library.h"

namespace OxnVaultLib {

// Constant-initialised, so a server's globals may take it while it loads.
const com::TypeLibrary& TypeLibrary();

// Registers the description of OxnSelection with the process; from then on
// GetRecordInfoFromGuids(LIBID_OxnVaultLib, 5, 23, ...) finds it. Opening a
// vault object registers it too. Registering again replaces the description.
void RegisterRecords();

}  // namespace OxnVaultLib
