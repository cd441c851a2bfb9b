// The item operations server's own type-library description: the revision
// object's interface, and the records of the arrays the operations hand out
// (ItmObjectData), described under LIBID_ItemOperationsLib so that the
// server makes its arrays without the item server's library being loaded.
#pragma once

#include "com/server/type_library.h"

namespace itemops {

// Registers the record descriptions with the process (the server module
// runs it when the library loads).
void RegisterRecords();

const com::TypeLibrary& TypeLibrary();

}  // namespace itemops
