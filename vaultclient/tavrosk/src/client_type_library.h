// The client library's own type-library description: its interfaces, and
// the records of the arrays it hands out (ItmObjectData, DelOrDestroyed,
// LinkRecord, the menu information's records, ItmInfoSupplement), described
// under LIBID_TavroskClientLib so that the library makes its arrays without
// the item server's library being loaded.
#pragma once

#include "com/server/type_library.h"

namespace tavrosk {

// Registers the record descriptions with the process (the server module
// runs it when the library loads).
void RegisterRecords();

const com::TypeLibrary& TypeLibrary();

}  // namespace tavrosk
